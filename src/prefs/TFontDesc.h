// Font description as it is kept in the preferences and held by font actions: the face, size and
// styles plus the attributes a QFont does not carry (colour, character set, pitch, resolution).
#pragma once

#include <QFont>
#include <QString>
#include <cstdint>

struct TFontDesc
{
    QString Name = QStringLiteral("Arial");
    int Size = 10;          // points
    std::int32_t Color = 0; // $00BBGGRR, $FF0000nn system colour, clNone/clDefault
    int Charset = 1;        // character-set byte (1 = DEFAULT_CHARSET)
    int Pitch = 0;          // 0 default, 1 variable, 2 fixed
    int PixelsPerInch = 96; // resolution the size was chosen at
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;

    // Character height in pixels at PixelsPerInch (the size in points scaled, rounded).
    int HeightPixels() const;
    // Sets Size from a character height in pixels at PixelsPerInch.
    void SetHeightPixels(int pixels);

    // Removes Bold, Italic, Underline and StrikeOut.
    void ClearStyle() { Bold = Italic = Underline = StrikeOut = false; }

    // The toolkit font (face, point size, styles, fixed pitch); colour is not part of a QFont.
    QFont ToQFont() const;
    // Takes face, size, styles and pitch from a QFont; keeps Color, Charset and PixelsPerInch.
    void AssignQFont(const QFont &font);

    bool operator==(const TFontDesc &other) const = default;
};
