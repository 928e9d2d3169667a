#include "core/TColors.h"

#include <QGuiApplication>

namespace {

using TColors::TColorIdent;

constexpr TColorIdent kIdents[] = {
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clWhite", 0xFFFFFF},
    {"clMoneyGreen", 0xC0DCC0},
    {"clSkyBlue", 0xF0CAA6},
    {"clCream", 0xF0FBFF},
    {"clMedGray", 0xA4A0A0},
    {"clNone", TColors::clNone},
    {"clDefault", TColors::clDefault},
    {"clScrollBar", TColors::SystemColor(0)},
    {"clBackground", TColors::SystemColor(1)},
    {"clActiveCaption", TColors::SystemColor(2)},
    {"clInactiveCaption", TColors::SystemColor(3)},
    {"clMenu", TColors::SystemColor(4)},
    {"clWindow", TColors::SystemColor(5)},
    {"clWindowFrame", TColors::SystemColor(6)},
    {"clMenuText", TColors::SystemColor(7)},
    {"clWindowText", TColors::SystemColor(8)},
    {"clCaptionText", TColors::SystemColor(9)},
    {"clActiveBorder", TColors::SystemColor(10)},
    {"clInactiveBorder", TColors::SystemColor(11)},
    {"clAppWorkSpace", TColors::SystemColor(12)},
    {"clHighlight", TColors::SystemColor(13)},
    {"clHighlightText", TColors::SystemColor(14)},
    {"clBtnFace", TColors::SystemColor(15)},
    {"clBtnShadow", TColors::SystemColor(16)},
    {"clGrayText", TColors::SystemColor(17)},
    {"clBtnText", TColors::SystemColor(18)},
    {"clInactiveCaptionText", TColors::SystemColor(19)},
    {"clBtnHighlight", TColors::SystemColor(20)},
    {"cl3DDkShadow", TColors::SystemColor(21)},
    {"cl3DLight", TColors::SystemColor(22)},
    {"clInfoText", TColors::SystemColor(23)},
    {"clInfoBk", TColors::SystemColor(24)},
    {"clHotLight", TColors::SystemColor(26)},
    {"clGradientActiveCaption", TColors::SystemColor(27)},
    {"clGradientInactiveCaption", TColors::SystemColor(28)},
    {"clMenuHighlight", TColors::SystemColor(29)},
    {"clMenuBar", TColors::SystemColor(30)},
};

} // namespace

namespace TColors {

std::span<const TColorIdent> Idents()
{
    return kIdents;
}

bool FromIdent(const QString &ident, TColor &color)
{
    for (const TColorIdent &i : kIdents) {
        if (ident.compare(QLatin1String(i.name), Qt::CaseInsensitive) == 0) {
            color = i.value;
            return true;
        }
    }
    return false;
}

QString ToIdent(TColor color)
{
    for (const TColorIdent &i : kIdents)
        if (i.value == color)
            return QString::fromLatin1(i.name);
    return {};
}

QColor ToQColor(TColor color, const QPalette *palette)
{
    if (color == clNone || color == clDefault)
        return {};
    if (IsSystemColor(color)) {
        const QPalette pal = palette ? *palette : QGuiApplication::palette();
        using P = QPalette;
        switch (color & 0xFF) {
        case 0:
            return pal.color(P::Active, P::Button);
        case 1:
            return pal.color(P::Active, P::Dark);
        case 2:
            return pal.color(P::Active, P::Highlight);
        case 3:
            return pal.color(P::Inactive, P::Highlight);
        case 4:
            return pal.color(P::Active, P::Window);
        case 5:
            return pal.color(P::Active, P::Base);
        case 6:
            return pal.color(P::Active, P::Shadow);
        case 7:
            return pal.color(P::Active, P::WindowText);
        case 8:
            return pal.color(P::Active, P::Text);
        case 9:
            return pal.color(P::Active, P::HighlightedText);
        case 10:
            return pal.color(P::Active, P::Window);
        case 11:
            return pal.color(P::Inactive, P::Window);
        case 12:
            return pal.color(P::Active, P::Dark);
        case 13:
            return pal.color(P::Active, P::Highlight);
        case 14:
            return pal.color(P::Active, P::HighlightedText);
        case 15:
            return pal.color(P::Active, P::Button);
        case 16:
            return pal.color(P::Active, P::Dark);
        case 17:
            return pal.color(P::Disabled, P::Text);
        case 18:
            return pal.color(P::Active, P::ButtonText);
        case 19:
            return pal.color(P::Inactive, P::HighlightedText);
        case 20:
            return pal.color(P::Active, P::Light);
        case 21:
            return pal.color(P::Active, P::Shadow);
        case 22:
            return pal.color(P::Active, P::Midlight);
        case 23:
            return pal.color(P::Active, P::ToolTipText);
        case 24:
            return pal.color(P::Active, P::ToolTipBase);
        case 26:
            return pal.color(P::Active, P::Link);
        case 27:
            return pal.color(P::Active, P::Highlight);
        case 28:
            return pal.color(P::Inactive, P::Highlight);
        case 29:
            return pal.color(P::Active, P::Highlight);
        case 30:
            return pal.color(P::Active, P::Window);
        default:
            return pal.color(P::Active, P::Window);
        }
    }
    const auto u = static_cast<std::uint32_t>(color);
    return QColor(int(u & 0xFF), int((u >> 8) & 0xFF), int((u >> 16) & 0xFF));
}

TColor FromQColor(const QColor &color)
{
    const QColor c = color.toRgb();
    return static_cast<TColor>(unsigned(c.red()) | (unsigned(c.green()) << 8) | (unsigned(c.blue()) << 16));
}

} // namespace TColors
