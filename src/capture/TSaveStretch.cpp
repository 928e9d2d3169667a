#include "capture/TSaveStretch.h"

#include "media/FitRect.h"

#include <QPainter>

QSize TSaveStretch::SaveSize(QSize capture, QPoint aspect, bool widen)
{
    if (capture.width() <= 0 || capture.height() <= 0)
        return QSize(qMax(0, capture.width()), qMax(0, capture.height()));
    if (widen) {
        if (aspect.x() <= 0 || aspect.y() <= 0)
            return capture;
        const qint64 w = capture.width(), h = capture.height(), ax = aspect.x(), ay = aspect.y();
        // Wider than the capture at its height, or else taller at its width; rounded to the
        // nearest pixel, never below the capture.
        // An absurd aspect (a broken header) widens no more than four times.
        if (h * ax >= w * ay)
            return QSize(int(qBound(w, (h * ax + ay / 2) / ay, 4 * w)), int(h));
        return QSize(int(w), int(qBound(h, (w * ay + ax / 2) / ax, 4 * h)));
    }
    return FitRect(aspect.x(), aspect.y(), QRect(QPoint(0, 0), capture), 0, true).size();
}

void TSaveStretch::Stretch(const QImage &capture, QSize saveSize, QImage &saveBitmap)
{
    if (capture.isNull() || saveSize.isEmpty()) {
        saveBitmap = QImage();
        return;
    }
    // A capture already at its size and in the written format is written as it is: shared, where
    // converting it to 32 bits and drawing it back cost two more buffers of a 1080p frame's size
    // at every grab. Sharing is safe: whoever changes either picture later gets a copy first.
    if (capture.size() == saveSize && capture.format() == QImage::Format_RGB888) {
        saveBitmap = capture;
        return;
    }
    QImage scaled = capture.size() == saveSize
                        ? capture
                        : capture.scaled(saveSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (saveBitmap.size() != saveSize || saveBitmap.format() != QImage::Format_RGB888)
        saveBitmap = QImage(saveSize, QImage::Format_RGB888);
    // Drawing into the existing buffer (rather than converting) reuses it from grab to grab.
    QPainter p(&saveBitmap);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, scaled.convertToFormat(QImage::Format_RGB32));
}
