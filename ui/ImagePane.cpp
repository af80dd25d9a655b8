#include "ui/ImagePane.h"

#include "ui/QtDisplayDevice.h"

#include <QMetaObject>
#include <QPainter>

ImagePane::ImagePane(QWidget* parent) : QWidget(parent)
{
    setAutoFillBackground(false);
    setMinimumSize(64, 64);
}

void ImagePane::SetImage(const CxImage& image)
{
    {
        std::lock_guard lock(m_lock);
        m_image.Create(static_cast<IplImage*>(image), CF_COPY);
    }
    QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

QImage ImagePane::CurrentImage() const
{
    std::lock_guard lock(m_lock);
    return ToQImage(m_image);
}

void ImagePane::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    std::lock_guard lock(m_lock);
    if (!m_image.IsValid())
        return;
    const QSize fitted = QSize(m_image.Width(), m_image.Height()).scaled(size(), Qt::KeepAspectRatio);
    const QPoint corner((width() - fitted.width()) / 2, (height() - fitted.height()) / 2);
    QtDisplayDevice device(painter);
    CDC dc(&device);
    m_image.StretchBits(&dc, corner.x(), corner.y(), fitted.width(), fitted.height(), 0, 0, m_image.Width(),
                        m_image.Height(), SRCCOPY, 1);
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
