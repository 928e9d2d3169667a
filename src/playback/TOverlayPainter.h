#pragma once
// The text overlay ("incrustation") as a picture: up to eight lines of text with an outline,
// drawn into a 32-bit image of the video's native size over a key colour, and the blend of that
// image over a frame at the overlay's opacity. The renderer manager owns one painter; the
// display and the capture both composite the same overlay image, so a grab carries exactly
// what the screen shows. Main thread only.
#include "prefs/TFontDesc.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

// One overlay line. X and Y are fractions of the native width and height added to the anchor.
struct Tligne
{
    QString Text;
    float X = 0;
    float Y = 0;
    bool Enabled = false;
    bool Relative = false;  // Y is added to the running line offset instead of replacing it
    std::uint8_t Align = 0; // 0 left, 1 right, 2 centre
};

class TOverlayPainter
{
public:
    static constexpr int LineCount = 8;
    // Overlay fonts are sized for video pixels at this resolution, whatever the screen's.
    static constexpr int PixelsPerInch = 96;
    // What is drawn of a setting out of all measure (a script may set any number): an outline
    // is drawn (2w+1)^2 times, a glyph of a million pixels is rasterised whole; either froze the
    // window for minutes. Both bounds lie far beyond any frame's size.
    static constexpr int MaxBorderWidth = 64;
    static constexpr int MaxPixelSize = 4096;

    // Colours are $00BBGGRR integers, as actions and preferences keep them.
    int InsertBorderWidth = 2;
    std::int32_t InsertBorderColor = 0x000000;      // black
    double InsertTransparency = 1.0;                // opacity, 1.0 opaque
    std::int32_t InsertTransparentColor = 0xFF00FF; // fuchsia: the colour key
    bool InsertAntiAliasing = true;
    QPoint InsertPosition{0, 0}; // ten-thousandths of the native size
    bool InsertAutoSize = false;
    TFontDesc InsertFont = DefaultFont();
    std::array<Tligne, LineCount> OverlayLines = DefaultLines();

    // Where each enabled line was drawn by the last Draw: the text's top-left corner (outline
    // excluded) and the text's size.
    struct TPlacement
    {
        int Line;
        QPoint TopLeft;
        QSize Size;
    };

    static TFontDesc DefaultFont();
    static std::array<Tligne, LineCount> DefaultLines();

    // Sets every line's alignment (0 left, 1 right, 2 centre).
    void SetAlignLines(int align);

    // Anchor of the first line for a native video size.
    QPoint Anchor(QSize native) const;
    // Font size in points that auto size gives for a native video size.
    static int AutoFontSize(QSize native);
    // The toolkit font the overlay draws with (auto size not applied).
    QFont OverlayFont() const;

    // Draws the overlay for a native video size and returns it (RGB32, the key colour where
    // nothing is drawn). With auto size the font's size is set from the video first.
    const QImage &Draw(QSize native);
    const QImage &Image() const { return m_image; }
    const std::vector<TPlacement> &Placements() const { return m_placements; }

    // Blends the last drawn overlay over frame (see the static form).
    void Composite(QImage &frame) const;
    // Blends overlay over frame: overlay pixels of the key colour leave the frame as it is, the
    // others are mixed in at the given opacity (0 .. 1). An overlay of another size is scaled
    // to the frame with bilinear filtering. The frame becomes RGB32 if it was of another format.
    static void Composite(QImage &frame, const QImage &overlay, double opacity, std::int32_t key);
    // The overlay with its key colour made transparent (premultiplied ARGB32): the form the
    // blend uses. The painter keeps the one of its last drawing until the next Draw.
    static QImage Keyed(const QImage &overlay, std::int32_t key);
    const QImage &KeyedImage() const;
    // Blends an overlay already keyed over frame, scaled to the frame when of another size.
    static void CompositeKeyed(QImage &frame, const QImage &keyedOverlay, double opacity);

    // The installed face for a name: the metric-compatible Liberation faces stand in for
    // Arial, Times New Roman and Courier New when those are absent.
    static QString ResolveFamily(const QString &name);

private:
    void DrawOutline(class QPainter &p, const QFont &hard, int x, int baseline, const QString &text,
                     int b) const;
    void DrawOutlinedText(class QPainter &p, const QFont &font, int x, int y, const QString &text) const;

    QImage m_image;
    std::vector<TPlacement> m_placements;
    mutable QImage m_keyed;
    mutable qint64 m_keyedSource = 0;
    mutable std::int32_t m_keyedColor = 0;
};
