#pragma once
// Fitting a picture of a given aspect into an area.
#include <QRect>

// The largest rectangle of aspect aw:ah centred in area shrunk by margin on every side (the shrunk
// area itself when the aspect is not positive). With relative set, the result is expressed from the
// area's top-left corner.
QRect FitRect(int aw, int ah, const QRect &area, int margin, bool relative);
