#pragma once
// The aspect correction of a grab: the captured frame (at the renderer's pixel size) is
// stretched to the displayed aspect ratio into the 24-bit picture that is saved and shown as
// the thumbnail. By default the saved picture is never larger than the capture in either
// direction (the aspect is reached by dropping lines or columns); widening reaches it by adding
// them instead, so that no line of the source is lost.
#include <QImage>
#include <QPoint>
#include <QSize>

class TSaveStretch
{
public:
    // The size of the saved picture: the largest rectangle of aspect aspect.x():aspect.y()
    // inside the capture; the capture's own size when either term is not positive.
    // widen: the smallest rectangle of that aspect around the capture instead (PAL 720x576
    // at 4:3 gives 768x576, at 16:9 1024x576).
    static QSize SaveSize(QSize capture, QPoint aspect, bool widen = false);

    // Stretches the whole capture over the whole of saveBitmap, which becomes 24-bit
    // (RGB888) of saveSize. saveBitmap's buffer is reused when it already has that size.
    // An empty capture or size leaves saveBitmap null.
    static void Stretch(const QImage &capture, QSize saveSize, QImage &saveBitmap);
};
