#pragma once
// The aspect correction of a grab: the captured frame (at the renderer's pixel size) is
// stretched to the displayed aspect ratio into the 24-bit picture that is saved and shown as
// the thumbnail. The saved picture is never larger than the capture in either direction.
#include <QImage>
#include <QPoint>
#include <QSize>

class TSaveStretch
{
public:
    // The size of the saved picture: the largest rectangle of aspect aspect.x():aspect.y()
    // inside the capture; the capture's own size when either term is not positive.
    static QSize SaveSize(QSize capture, QPoint aspect);

    // Stretches the whole capture over the whole of saveBitmap, which becomes 24-bit
    // (RGB888) of saveSize. saveBitmap's buffer is reused when it already has that size.
    // An empty capture or size leaves saveBitmap null.
    static void Stretch(const QImage &capture, QSize saveSize, QImage &saveBitmap);
};
