#include "ui/SetupPages.h"

#include <QListWidget>
#include <QVBoxLayout>

LayoutSelectorPage::LayoutSelectorPage(QWidget* parent) : StationPage(parent)
{
    auto* layout = new QVBoxLayout(this);
    auto* list = new QListWidget(this);
    list->setObjectName("layouts");
    layout->addWidget(list);
}
