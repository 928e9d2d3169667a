#include "playback/TVDSeparator.h"

TVDSeparator::TVDSeparator(QWidget *parent) : QFrame(parent)
{
    // Invisible at run time: no bevel, no border, the parent's background.
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(false);
    setFocusPolicy(Qt::NoFocus);
}
