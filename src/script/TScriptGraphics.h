#pragma once
// The standard graphics declarations offered to scripts for compiling: colour constants, the
// font, pen and brush enumerations and the classes TGraphicsObject, TFont, TPen, TBrush,
// TCanvas, TGraphic, TBitmap and TPicture (see TScriptEngine::AddGraphicsDeclarations).
#include <QString>

// The declaration text; the colour constants (TColors::Idents()) must be declared first.
QString graphicsDeclarations();
