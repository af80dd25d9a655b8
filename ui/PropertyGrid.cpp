#include "ui/PropertyGrid.h"

#include "ui/PropertyFieldValue.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QSignalBlocker>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <mutex>
#include <set>

namespace {

// The label with the unit the value is in: "Trigger Delay (us)".
QString Caption(const CProperty& field) {
  const QString label = QString::fromStdString(field.label);
  return field.unit.empty() ? label : label + " (" + QString::fromStdString(field.unit) + ")";
}

// The comment, and the name of the camera feature for anyone who looks it up
// in the camera's documentation or the presets file.
QString ToolTip(const CProperty& field) {
  QString tip = QString::fromStdString(field.comment);
  if (field.feature.empty()) return tip;
  if (!tip.isEmpty()) tip += "\n";
  return tip + "Feature: " + QString::fromStdString(field.feature);
}

}  // namespace

// What the host's observer hands over, from whatever thread it runs on: the ids
// to show again, or a rebuild. One queued call drains them, so a host that
// reports every frame does not flood the UI thread.
struct PropertyGrid::Relay {
  std::mutex lock;
  PropertyGrid* grid = nullptr;  // null once the grid goes
  std::set<PropertyId> changed;
  bool rebuild = false;
  bool posted = false;

  void Notify(PropertyId id) {
    std::lock_guard guard(lock);
    if (grid == nullptr) return;
    if (id == nullptr)
      rebuild = true;
    else
      changed.insert(id);
    if (posted) return;
    posted = true;
    QMetaObject::invokeMethod(
        grid, [target = grid] { target->TakeNotifications(); }, Qt::QueuedConnection);
  }
};

PropertyGrid::PropertyGrid(IPropertyHost& host, QWidget* parent)
    : QWidget(parent), m_host(host), m_relay(std::make_shared<Relay>()) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  m_tree = new QTreeWidget(this);
  m_tree->setColumnCount(3);
  m_tree->setHeaderLabels({"Property", "Value", "Range"});
  m_tree->header()->setStretchLastSection(false);
  m_tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
  m_tree->header()->setSectionResizeMode(1, QHeaderView::Stretch);
  m_tree->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
  m_tree->setSelectionMode(QAbstractItemView::NoSelection);
  m_comment = new QLabel(this);
  m_comment->setObjectName("propertyComment");
  m_comment->setWordWrap(true);
  layout->addWidget(m_tree, 1);
  layout->addWidget(m_comment);
  m_relay->grid = this;
  m_host.SetPropertyObserver([relay = m_relay](PropertyId id) { relay->Notify(id); });
  Rebuild();
}

PropertyGrid::~PropertyGrid() {
  {
    std::lock_guard guard(m_relay->lock);
    m_relay->grid = nullptr;
  }
  m_host.SetPropertyObserver({});
}

// The rows from the top level down to the one at the top of the view, so that
// a rebuilt list shows the same place when it has the same shape there.
std::vector<int> PropertyGrid::TopRowPath() const {
  std::vector<int> path;
  for (QModelIndex index = m_tree->indexAt(QPoint(0, 0)); index.isValid(); index = index.parent())
    path.insert(path.begin(), index.row());
  return path;
}

void PropertyGrid::ScrollToRowPath(const std::vector<int>& path) {
  QModelIndex index;
  for (int row : path) {
    const QModelIndex child = m_tree->model()->index(row, 0, index);
    if (!child.isValid()) break;
    index = child;
  }
  if (index.isValid()) m_tree->scrollTo(index, QAbstractItemView::PositionAtTop);
}

void PropertyGrid::Rebuild() {
  CPropertyList list;
  m_host.GetProperties(list);
  const std::vector<int> shown = TopRowPath();
  m_tree->clear();
  m_rows.clear();
  m_rowById.clear();
  m_comment->clear();
  std::vector<QTreeWidgetItem*> groups;  // the open heading at each depth
  for (const CProperty& field : list.Items()) {
    const auto depth = static_cast<size_t>(std::max(field.depth, 0));
    groups.resize(std::min(groups.size(), depth));
    QTreeWidgetItem* parent = groups.empty() ? nullptr : groups.back();
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
    item->setText(0, Caption(field));
    item->setToolTip(0, ToolTip(field));
    if (field.kind == PropertyKind::Section) {
      QFont bold = item->font(0);
      bold.setBold(true);
      item->setFont(0, bold);
      item->setFirstColumnSpanned(true);
      item->setExpanded(true);
      groups.push_back(item);
      continue;
    }
    if (parent) parent->setExpanded(true);
    m_rowById.emplace(field.Id(), m_rows.size());
    m_rows.push_back({field, item, nullptr});
    m_rows.back().editor = MakeEditor(m_rows.size() - 1);
    m_tree->setItemWidget(item, 1, m_rows.back().editor);
    item->setText(2, QString::fromStdString(RangeText(field)));
    ShowRow(m_rows.size() - 1);
  }
  ScrollToRowPath(shown);
}

void PropertyGrid::RefreshValues() {
  for (size_t row = 0; row < m_rows.size(); ++row) ShowRow(row);
}

QWidget* PropertyGrid::Editor(const QString& label) const {
  const std::string wanted = label.toStdString();
  for (const Row& row : m_rows)
    if (row.field.label == wanted || row.field.feature == wanted) return row.editor;
  return nullptr;
}

QWidget* PropertyGrid::MakeEditor(size_t row) {
  const CProperty& field = m_rows[row].field;
  QWidget* editor = nullptr;
  if (field.kind == PropertyKind::Choice) {
    auto* box = new QComboBox;
    for (const CPropertyChoice& choice : field.choices)
      box->addItem(QString::fromStdString(choice.label), choice.value);
    connect(box, &QComboBox::activated, this,
            [this, row, box](int index) { Apply(row, box->itemData(index).toInt()); });
    editor = box;
  } else if (field.kind == PropertyKind::Bool) {
    auto* box = new QCheckBox;
    connect(box, &QCheckBox::clicked, this, [this, row](bool on) { Apply(row, on); });
    editor = box;
  } else {
    auto* line = new QLineEdit;
    // Leaving a field without Enter drops what was typed.
    connect(line, &QLineEdit::editingFinished, this, [this, row] { ShowRow(row); });
    editor = line;
  }
  editor->setObjectName(QString::fromStdString(field.feature.empty() ? field.label : field.feature));
  editor->setToolTip(ToolTip(field));
  editor->setFocusPolicy(Qt::StrongFocus);
  editor->installEventFilter(this);
  return editor;
}

void PropertyGrid::ShowRow(size_t row) {
  const Row& shown = m_rows[row];
  const CProperty& field = shown.field;
  const QSignalBlocker blocker(shown.editor);
  if (auto* box = qobject_cast<QComboBox*>(shown.editor)) {
    box->setCurrentIndex(box->findData(*field.value));
  } else if (auto* check = qobject_cast<QCheckBox*>(shown.editor)) {
    check->setChecked(*field.value != 0);
  } else if (auto* line = qobject_cast<QLineEdit*>(shown.editor)) {
    line->setText(QString::fromStdString(FieldText(field)));
    line->setCursorPosition(0);
  }
  shown.editor->setEnabled(!field.readOnly && HostOf(field).IsPropertyEnabled(field.Id()));
}

// A number outside the field's range is brought into it, text that is no
// number is refused: either way the note under the grid says so.
void PropertyGrid::ApplyText(size_t row) {
  const CProperty field = m_rows[row].field;
  const QString text = static_cast<QLineEdit*>(m_rows[row].editor)->text();
  const QString typed = text.trimmed();
  const QString label = Caption(field);
  const QString range = QString::fromStdString(RangeText(field));
  bool limited = false;
  const auto value = ParseFieldText(field, text.toStdString(), &limited);
  if (!value) {
    ShowRow(row);
    ShowNote(label + ": \"" + typed + "\" is not a number" + (range.isEmpty() ? "" : " from " + range) +
             "; it stays " + QString::fromStdString(FieldText(field)) + ".");
    return;
  }
  if (Apply(row, *value) && limited)
    ShowNote(label + ": " + typed + " is outside " + range + "; " + QString::fromStdString(FieldText(field)) +
             " is used instead.");
}

void PropertyGrid::ShowNote(const QString& note) {
  m_comment->setText(note);
  m_comment->setStyleSheet("color: #b45309;");
}

// The member takes the value first (settings without logic of their own are
// plain members the grid writes); the host then acts on it, may store a value
// of its own, or refuses, which brings the previous value back.
bool PropertyGrid::Apply(size_t row, const PropertyValue& value) {
  const CProperty field = m_rows[row].field;  // a host may rebuild the grid from its handler
  IPropertyHost& host = HostOf(field);
  if (field.readOnly || !host.IsPropertyEnabled(field.Id())) {
    ShowRow(row);
    return false;
  }
  const PropertyValue previous = ReadFieldValue(field);
  WriteFieldValue(field, value);
  bool accepted = false;
  QString problem;
  try {
    accepted = host.OnPropertyChanged(field.Id(), value);
  } catch (const std::exception& error) {
    problem = QString::fromUtf8(error.what());
  }
  if (!accepted) {
    WriteFieldValue(field, previous);
    ShowNote(Caption(field) + " was not changed" + (problem.isEmpty() ? QString(".") : ": " + problem));
  }
  if (row < m_rows.size() && m_rows[row].field.Id() == field.Id()) ShowRow(row);
  if (accepted) emit PropertyEdited(field.Id());
  return accepted;
}

IPropertyHost& PropertyGrid::HostOf(const CProperty& field) const {
  return field.host ? *field.host : m_host;
}

void PropertyGrid::TakeNotifications() {
  std::set<PropertyId> changed;
  bool rebuild = false;
  {
    std::lock_guard guard(m_relay->lock);
    changed.swap(m_relay->changed);
    rebuild = m_relay->rebuild;
    m_relay->rebuild = false;
    m_relay->posted = false;
  }
  if (rebuild) {
    Rebuild();
    return;
  }
  for (PropertyId id : changed)
    if (const auto found = m_rowById.find(id); found != m_rowById.end()) ShowRow(found->second);
}

const PropertyGrid::Row* PropertyGrid::RowOf(QObject* editor) const {
  for (const Row& row : m_rows)
    if (row.editor == editor) return &row;
  return nullptr;
}

// Enter in a field applies it and goes no further (the window would take it
// for "apply the page"); a field taking the focus shows its comment; the wheel
// over a field that has no focus scrolls the grid instead of changing a choice.
bool PropertyGrid::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Wheel && !static_cast<QWidget*>(watched)->hasFocus()) {
    QCoreApplication::sendEvent(m_tree->viewport(), event);
    return true;
  }
  if (event->type() == QEvent::FocusIn) {
    if (const Row* row = RowOf(watched)) {
      m_comment->setText(QString::fromStdString(row->field.comment));
      m_comment->setStyleSheet(QString());
    }
  } else if (event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      if (const Row* row = RowOf(watched); row && qobject_cast<QLineEdit*>(row->editor))
        ApplyText(static_cast<size_t>(row - m_rows.data()));
      return true;
    }
  }
  return QWidget::eventFilter(watched, event);
}
