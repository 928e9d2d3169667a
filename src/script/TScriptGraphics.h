#pragma once
// The standard graphics declarations offered to scripts for compiling: colour constants, the
// font, pen and brush enumerations and the classes TGraphicsObject, TFont, TPen, TBrush,
// TCanvas, TGraphic, TBitmap and TPicture (see TScriptEngine::AddGraphicsDeclarations).
#include <QString>

#include <cstddef>
#include <cstdint>

struct TGraphicsColor
{
    const char *name;
    std::uint32_t value; // $00BBGGRR; $FF0000nn for system colour nn
};

QString graphicsDeclarations();
const TGraphicsColor *graphicsColors(std::size_t &count);
