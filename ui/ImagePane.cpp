#include "ui/ImagePane.h"

#include "ui/QtDisplayDevice.h"

#include <QMetaObject>
#include <QPainter>
#include <QPen>

ImagePane::ImagePane(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(false);
  setMinimumSize(64, 64);
}

void ImagePane::SetImage(const CxImage& image, const QString& warning) {
  {
    std::lock_guard lock(m_lock);
    m_image.Create(static_cast<IplImage*>(image), CF_COPY);
    m_warning = warning;
  }
  QMetaObject::invokeMethod(this, qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

QImage ImagePane::CurrentImage() const {
  std::lock_guard lock(m_lock);
  return ToQImage(m_image);
}

QString ImagePane::Warning() const {
  std::lock_guard lock(m_lock);
  return m_warning;
}

void ImagePane::SetPlaceholder(const QString& text) {
  m_placeholder = text;
  update();
}

void ImagePane::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), Qt::black);
  std::lock_guard lock(m_lock);
  if (!m_image.IsValid()) {
    painter.setPen(Qt::lightGray);
    painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, m_placeholder);
    return;
  }
  const QSize fitted = QSize(m_image.Width(), m_image.Height()).scaled(size(), Qt::KeepAspectRatio);
  const QPoint corner((width() - fitted.width()) / 2, (height() - fitted.height()) / 2);
  {
    QtDisplayDevice device(painter);
    CDC dc(&device);
    m_image.StretchBits(&dc, corner.x(), corner.y(), fitted.width(), fitted.height(), 0, 0, m_image.Width(),
                        m_image.Height(), SRCCOPY, 1);
  }
  if (!m_warning.isEmpty()) PaintWarning(painter, QRect(corner, fitted), m_warning);
}

// A red frame round the picture and the warning in white on red across its top.
void ImagePane::PaintWarning(QPainter& painter, const QRect& picture, const QString& warning) {
  constexpr int kFrame = 6;
  const QColor red(200, 0, 0);
  painter.setPen(QPen(red, kFrame));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(picture.adjusted(kFrame / 2, kFrame / 2, -kFrame / 2, -kFrame / 2));
  QFont font = painter.font();
  font.setBold(true);
  painter.setFont(font);
  const QRect textArea = picture.adjusted(2 * kFrame, kFrame, -2 * kFrame, 0);
  const QRect needed =
      painter.boundingRect(textArea, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, warning);
  painter.fillRect(QRect(picture.left(), picture.top(), picture.width(), needed.height() + 2 * kFrame), red);
  painter.setPen(Qt::white);
  painter.drawText(textArea.adjusted(0, kFrame / 2, 0, 0), Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                   warning);
}

QImage ToQImage(const CxImage& image) {
  if (!image.IsValid() || image.BitsPerSample() != 8) return {};
  const int channels = image.SamplesPerPixel();
  if (channels != 3 && channels != 4) return {};
  const QImage view(image.GetRowPtr(0), image.Width(), image.Height(), image.GetRowBytes(),
                    channels == 3 ? QImage::Format_BGR888 : QImage::Format_ARGB32);
  const bool bottomUp = static_cast<IplImage*>(image)->origin == IPL_ORIGIN_BL;
  return bottomUp ? view.mirrored(false, true) : view.copy();
}
