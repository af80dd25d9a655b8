#pragma once

#include "pixlib/core/CxImage.h"

#include <QImage>
#include <QWidget>

#include <mutex>

// Shows the last image handed to it, scaled to fit, drawn through the imaging
// library's display functions. The image is copied under a lock when it is
// handed over, so painting never sees a frame that is still being written.
class ImagePane : public QWidget {
    Q_OBJECT
public:
    explicit ImagePane(QWidget* parent = nullptr);

    // Thread-safe: copies the pixels and schedules a repaint on the UI thread.
    void SetImage(const CxImage& image);
    QImage CurrentImage() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    mutable std::mutex m_lock;
    CxImage m_image;
};

// A BGR (or BGRA) image of the imaging library as a Qt image, top row first.
QImage ToQImage(const CxImage& image);
