#include "ui/ImagePane.h"

#include "pixlib/core/CxImage.h"

#include <QMetaObject>
#include <QPainter>

ImagePane::ImagePane(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(false);
    setMinimumSize(64, 64);
}

void ImagePane::SetImage(const CxImage& image)
{
    QImage copy = ToQImage(image);
    {
        std::lock_guard lock(m_lock);
        m_image = std::move(copy);
    }
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

QImage ImagePane::CurrentImage() const
{
    std::lock_guard lock(m_lock);
    return m_image;
}

void ImagePane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const QImage image = CurrentImage();
    if (image.isNull())
        return;
    const QSize fitted = image.size().scaled(size(), Qt::KeepAspectRatio);
    const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image);
}

QImage ToQImage(const CxImage& image)
{
    if (!image.IsValid() || image.BitsPerSample() != 8)
        return {};
    const int channels = image.SamplesPerPixel();
    if (channels != 3 && channels != 4)
        return {};
    const QImage view(image.GetRowPtr(0), image.Width(), image.Height(), image.GetRowBytes(),
                      channels == 3 ? QImage::Format_BGR888 : QImage::Format_ARGB32);
    const bool bottomUp = static_cast<IplImage*>(image)->origin == IPL_ORIGIN_BL;
    return bottomUp ? view.mirrored(false, true) : view.copy();
}
