#include "capture/TSaveStretch.h"

#include "media/FitRect.h"

#include <QPainter>

QSize TSaveStretch::SaveSize(QSize capture, QPoint aspect)
{
    if (capture.width() <= 0 || capture.height() <= 0)
        return QSize(qMax(0, capture.width()), qMax(0, capture.height()));
    return FitRect(aspect.x(), aspect.y(), QRect(QPoint(0, 0), capture), 0, true).size();
}

void TSaveStretch::Stretch(const QImage &capture, QSize saveSize, QImage &saveBitmap)
{
    if (capture.isNull() || saveSize.isEmpty()) {
        saveBitmap = QImage();
        return;
    }
    QImage scaled = capture.size() == saveSize
                        ? capture
                        : capture.scaled(saveSize, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (saveBitmap.size() != saveSize || saveBitmap.format() != QImage::Format_RGB888)
        saveBitmap = QImage(saveSize, QImage::Format_RGB888);
    // Drawing into the existing buffer (rather than converting) keeps the thumbnail's picture
    // the same object from grab to grab.
    QPainter p(&saveBitmap);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.drawImage(0, 0, scaled.convertToFormat(QImage::Format_RGB32));
}
