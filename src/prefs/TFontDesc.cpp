#include "prefs/TFontDesc.h"

#include <cmath>

int TFontDesc::HeightPixels() const
{
    return static_cast<int>(std::lround(Size * double(PixelsPerInch) / 72.0));
}

void TFontDesc::SetHeightPixels(int pixels)
{
    const int ppi = PixelsPerInch > 0 ? PixelsPerInch : 96;
    Size = static_cast<int>(std::lround(std::abs(pixels) * 72.0 / ppi));
}

QFont TFontDesc::ToQFont() const
{
    QFont f(Name);
    if (Size > 0)
        f.setPointSize(Size);
    f.setBold(Bold);
    f.setItalic(Italic);
    f.setUnderline(Underline);
    f.setStrikeOut(StrikeOut);
    if (Pitch == 2)
        f.setFixedPitch(true);
    return f;
}

void TFontDesc::AssignQFont(const QFont &font)
{
    Name = font.family();
    if (font.pointSize() > 0)
        Size = font.pointSize();
    else if (font.pointSizeF() > 0)
        Size = static_cast<int>(std::lround(font.pointSizeF()));
    else if (font.pixelSize() > 0)
        SetHeightPixels(font.pixelSize());
    Bold = font.bold();
    Italic = font.italic();
    Underline = font.underline();
    StrikeOut = font.strikeOut();
    Pitch = font.fixedPitch() ? 2 : 0;
}
