#pragma once

#include "pixlib/core/CxImage.h"

#include <QImage>
#include <QString>
#include <QWidget>

#include <mutex>

class QPainter;

// Shows the last image handed to it, scaled to fit, drawn through the imaging
// library's display functions. The image is copied under a lock when it is
// handed over, so painting never sees a frame that is still being written.
class ImagePane : public QWidget {
  Q_OBJECT
 public:
  explicit ImagePane(QWidget* parent = nullptr);

  // Thread-safe: copies the pixels and schedules a repaint on the UI thread.
  // A non-empty `warning` is written across the top of the picture, which is
  // framed in red: the photo shown was not saved.
  void SetImage(const CxImage& image, const QString& warning = {});
  QImage CurrentImage() const;
  QString Warning() const;
  // Said in the empty pane until the first image arrives.
  void SetPlaceholder(const QString& text);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  void PaintWarning(QPainter& painter, const QRect& picture, const QString& warning);

  mutable std::mutex m_lock;
  CxImage m_image;
  QString m_warning;
  QString m_placeholder;
};

// A BGR (or BGRA) image of the imaging library as a Qt image, top row first.
QImage ToQImage(const CxImage& image);
