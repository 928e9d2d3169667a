#pragma once
// Colours as the program stores and records them: a 32-bit integer $00BBGGRR (red in the
// lowest byte); $FF0000nn names system colour nn; clNone and clDefault are markers. Every
// setting, preference and macro line keeps this integer form; ToQColor is the one place
// where it becomes a QColor, at the drawing edge.
#include <QColor>
#include <QPalette>
#include <QString>

#include <cstdint>
#include <span>

using TColor = std::int32_t;

namespace TColors {

constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;
constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;

// System colour nn as a colour value ($FF0000nn).
constexpr TColor SystemColor(int index)
{
    return static_cast<TColor>(0xFF000000u | unsigned(index & 0xFF));
}
constexpr bool IsSystemColor(TColor c)
{
    return (static_cast<std::uint32_t>(c) & 0xFF000000u) == 0xFF000000u;
}

struct TColorIdent
{
    const char *name;
    TColor value;
};
// Every colour identifier with its value, the colours first, then clNone and clDefault, then
// the system colours. The script engine declares them as constants.
std::span<const TColorIdent> Idents();

// A colour identifier ("clRed", "clBtnFace", compared without regard to case) to its value.
bool FromIdent(const QString &ident, TColor &color);
// The identifier of a value, empty when the value has none.
QString ToIdent(TColor color);

// Drawing edge: the RGB colour, system colours taken from the palette (the application's when
// none is given). clNone and clDefault give an invalid QColor: the caller decides what they mean.
QColor ToQColor(TColor color, const QPalette *palette = nullptr);
// A QColor (alpha ignored) back to $00BBGGRR.
TColor FromQColor(const QColor &color);

} // namespace TColors
