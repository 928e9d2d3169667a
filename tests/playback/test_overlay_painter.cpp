// The overlay picture: anchor, line layout, alignment, outline, smoothing, key colour and the
// blend over a frame.
#include "playback/TOverlayPainter.h"

#include "core/TColors.h"

#include <gtest/gtest.h>

#include <climits>

#include <QFontInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QSet>

namespace {

constexpr std::int32_t Fuchsia = 0xFF00FF;
constexpr std::int32_t Yellow = 0x00FFFF; // $00BBGGRR
constexpr std::int32_t Black = 0x000000;

// The stored word, fourth byte included (pixel() reports RGB32 pixels as opaque).
QRgb Raw(const QImage &img, QPoint at)
{
    return reinterpret_cast<const QRgb *>(img.constScanLine(at.y()))[at.x()];
}

QSet<QRgb> Colours(const QImage &img)
{
    QSet<QRgb> set;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            set.insert(img.pixel(x, y) & 0xFFFFFF);
    return set;
}

// A painter with one left-aligned line and no smoothing anywhere.
TOverlayPainter OneLine(const QString &text, int border)
{
    TOverlayPainter o;
    o.OverlayLines[0].Text = text;
    o.InsertBorderWidth = border;
    o.InsertAntiAliasing = false;
    o.InsertFont.Color = Yellow;
    o.InsertPosition = QPoint(1000, 1000);
    return o;
}

} // namespace

TEST(OverlayPainter, AnchorAndAutoSizeOfAPalFrame)
{
    TOverlayPainter o;
    o.InsertPosition = QPoint(5000, 8200);
    EXPECT_EQ(o.Anchor(QSize(720, 576)), QPoint(360, 472));
    EXPECT_EQ(TOverlayPainter::AutoFontSize(QSize(720, 576)), 20);
    EXPECT_EQ(TOverlayPainter::AutoFontSize(QSize(1920, 1080)), 53);

    o.InsertAutoSize = true;
    o.InsertBorderWidth = 2;
    const QImage &img = o.Draw(QSize(720, 576));
    EXPECT_EQ(img.size(), QSize(720, 576));
    EXPECT_EQ(img.format(), QImage::Format_RGB32);
    EXPECT_EQ(o.InsertFont.Size, 20);
    EXPECT_EQ(o.OverlayFont().pixelSize(), 27); // 20 points at 96 pixels per inch
    ASSERT_EQ(o.Placements().size(), 1u);
    EXPECT_EQ(o.Placements()[0].TopLeft, QPoint(362, 474)) << "anchor plus the outline width";
    EXPECT_EQ(o.Placements()[0].Size.height(), QFontMetrics(o.OverlayFont()).height());
}

TEST(OverlayPainter, DefaultsAtCreation)
{
    TOverlayPainter o;
    EXPECT_EQ(o.OverlayLines[0].Text, "Ecrivez une incrustation");
    EXPECT_TRUE(o.OverlayLines[0].Enabled);
    EXPECT_FALSE(o.OverlayLines[0].Relative);
    for (int i = 1; i < TOverlayPainter::LineCount; ++i) {
        EXPECT_FALSE(o.OverlayLines[size_t(i)].Enabled);
        EXPECT_TRUE(o.OverlayLines[size_t(i)].Relative);
    }
    EXPECT_EQ(QFontInfo(o.OverlayFont()).family(), "Liberation Sans");
    EXPECT_EQ(o.InsertFont.Size, 16);
    EXPECT_EQ(TColors::ToQColor(o.InsertFont.Color), QColor(0, 0, 128));
    EXPECT_EQ(TOverlayPainter::ResolveFamily("Courier New") == "Courier New" ||
                  TOverlayPainter::ResolveFamily("Courier New") == "Liberation Mono",
              true);
}

TEST(OverlayPainter, LinesHangFromTheAnchorOneUnderTheOther)
{
    TOverlayPainter o;
    o.InsertPosition = QPoint(1000, 2000);
    o.InsertBorderWidth = 3;
    o.OverlayLines[0].Text = "premier";
    o.OverlayLines[1] = {"deuxième", 0, 0, true, true, 0};
    o.OverlayLines[2] = {"caché", 0, 0, false, true, 0};
    o.OverlayLines[3] = {"troisième", 0, 0, true, true, 0};
    o.Draw(QSize(400, 200));
    const auto &pl = o.Placements();
    ASSERT_EQ(pl.size(), 3u);
    const int lineHeight = QFontMetrics(o.OverlayFont()).height();
    EXPECT_EQ(pl[0].TopLeft, QPoint(40 + 3, 40 + 3));
    EXPECT_EQ(pl[1].TopLeft, QPoint(43, 43 + lineHeight));
    EXPECT_EQ(pl[2].Line, 3);
    EXPECT_EQ(pl[2].TopLeft, QPoint(43, 43 + 2 * lineHeight));
}

TEST(OverlayPainter, OffsetsRoundHalvesToEven)
{
    TOverlayPainter o;
    o.InsertBorderWidth = 0;
    o.OverlayLines[0] = {"a", 0.125f, 0.125f, true, false, 0}; // 2.5 -> 2 on a 20 x 20 picture
    o.OverlayLines[1] = {"b", 0.375f, 0.375f, true, false, 0}; // 7.5 -> 8, not relative
    o.Draw(QSize(20, 20));
    ASSERT_EQ(o.Placements().size(), 2u);
    EXPECT_EQ(o.Placements()[0].TopLeft, QPoint(2, 2));
    EXPECT_EQ(o.Placements()[1].TopLeft, QPoint(8, 8));

    // A relative line adds its Y to the running offset, which includes the line above.
    o.OverlayLines[1].Relative = true;
    o.Draw(QSize(20, 20));
    EXPECT_EQ(o.Placements()[1].TopLeft.y(), 2 + QFontMetrics(o.OverlayFont()).height() + 8);
}

TEST(OverlayPainter, RightAlignedEndsAtTheAnchorAndCentredIsCentred)
{
    TOverlayPainter o;
    o.InsertPosition = QPoint(5000, 5000);
    o.InsertBorderWidth = 2;
    o.OverlayLines[0].Text = "Vacances 2019";
    o.SetAlignLines(1);
    o.Draw(QSize(640, 480));
    const auto right = o.Placements()[0];
    EXPECT_EQ(right.TopLeft.x() + right.Size.width(), 320 + 2);

    o.SetAlignLines(2);
    o.Draw(QSize(640, 480));
    const auto centre = o.Placements()[0];
    EXPECT_EQ(centre.TopLeft.x(), 320 - centre.Size.width() / 2 + 2);
    for (const Tligne &l : o.OverlayLines)
        EXPECT_EQ(l.Align, 2);
}

TEST(OverlayPainter, SmoothingOnlyOverAnOutline)
{
    // No outline: the text is drawn hard even with anti-aliasing on.
    TOverlayPainter o = OneLine("Smooth 08", 0);
    o.InsertAntiAliasing = true;
    EXPECT_EQ(Colours(o.Draw(QSize(300, 80))), QSet<QRgb>({0xFF00FF, 0xFFFF00}));

    // With an outline and anti-aliasing the text's edges blend with the outline.
    o.InsertBorderWidth = 2;
    o.InsertBorderColor = Black;
    EXPECT_GT(Colours(o.Draw(QSize(300, 80))).size(), 3);

    // Outline without anti-aliasing: key, outline and text colours only.
    o.InsertAntiAliasing = false;
    EXPECT_EQ(Colours(o.Draw(QSize(300, 80))), QSet<QRgb>({0xFF00FF, 0xFFFF00, 0x000000}));
}

// The outline is the text stamped at every offset with |dx| + |dy| > b, then the text on top.
TEST(OverlayPainter, OutlineOffsetsExcludeTheInnerDiamond)
{
    const QString text = "Wxy/7";
    TOverlayPainter plain = OneLine(text, 0);
    const QImage glyphs = plain.Draw(QSize(200, 80)).copy();
    auto isGlyph = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < glyphs.width() && y < glyphs.height() &&
               (glyphs.pixel(x, y) & 0xFFFFFF) == 0xFFFF00;
    };
    for (int b : {1, 2}) {
        TOverlayPainter o = OneLine(text, b);
        o.InsertBorderColor = Black;
        const QImage img = o.Draw(QSize(200, 80));
        int mismatches = 0, differsFromFullSquare = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                // The text sits b pixels right and down of where the plain drawing put it.
                const int gx = x - b, gy = y - b;
                bool outline = false, square = false;
                for (int dy = -b; dy <= b; ++dy)
                    for (int dx = -b; dx <= b; ++dx)
                        if (isGlyph(gx - dx, gy - dy)) {
                            square = true;
                            outline = outline || std::abs(dx) + std::abs(dy) > b;
                        }
                QRgb expected = 0xFF00FF;
                if (isGlyph(gx, gy))
                    expected = 0xFFFF00;
                else if (outline)
                    expected = 0x000000;
                mismatches += (img.pixel(x, y) & 0xFFFFFF) != expected;
                differsFromFullSquare += square && !outline && !isGlyph(gx, gy);
            }
        EXPECT_EQ(mismatches, 0) << "outline width " << b;
        EXPECT_GT(differsFromFullSquare, 0) << "the text must tell the two offset sets apart";
    }
}

TEST(OverlayPainter, CompositeKeysOutTheBackgroundAndBlendsAtOpacity)
{
    TOverlayPainter o = OneLine("MMMM", 0);
    o.InsertFont.Size = 40;
    o.InsertFont.Color = 0x0000FF; // red
    o.Draw(QSize(320, 240));
    const QPoint inText = [&] {
        const QImage &img = o.Image();
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if ((img.pixel(x, y) & 0xFFFFFF) == 0xFF0000)
                    return QPoint(x, y);
        return QPoint(-1, -1);
    }();
    ASSERT_NE(inText, QPoint(-1, -1));

    QImage frame(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < frame.height(); ++y) // raw words: fill() would force the fourth byte to 0xFF
        for (int x = 0; x < frame.width(); ++x)
            reinterpret_cast<QRgb *>(frame.scanLine(y))[x] = qRgba(100, 110, 120, 0x42);
    const QImage original = frame.copy();
    o.Composite(frame);
    EXPECT_EQ(Raw(frame, inText), qRgba(255, 0, 0, 0x42)) << "the frame's fourth byte is kept";
    EXPECT_EQ(Raw(frame, QPoint(5, 5)), Raw(original, QPoint(5, 5))) << "key colour shows the frame";

    frame = original.copy();
    o.InsertTransparency = 0.5;
    o.Composite(frame);
    const QRgb half = frame.pixel(inText);
    EXPECT_NEAR(qRed(half), (255 + 100) / 2, 1);
    EXPECT_NEAR(qGreen(half), 110 / 2, 1);
    EXPECT_NEAR(qBlue(half), 120 / 2, 1);

    frame = original.copy();
    o.InsertTransparency = 0;
    o.Composite(frame);
    EXPECT_EQ(frame, original);

    // Another key: the fuchsia background then counts as picture.
    frame = original.copy();
    TOverlayPainter::Composite(frame, o.Image(), 1.0, 0x00FF00);
    EXPECT_EQ(frame.pixel(5, 5) & 0xFFFFFF, 0xFF00FFu);
}

TEST(OverlayPainter, CompositeScalesAnOverlayOfAnotherSize)
{
    QImage overlay(100, 50, QImage::Format_RGB32);
    overlay.fill(QColor(255, 0, 255));
    for (int y = 10; y < 40; ++y)
        for (int x = 60; x < 90; ++x)
            overlay.setPixel(x, y, qRgb(0, 0, 255));
    QImage frame(200, 100, QImage::Format_RGB888);
    frame.fill(QColor(10, 20, 30));
    TOverlayPainter::Composite(frame, overlay, 1.0, Fuchsia);
    EXPECT_EQ(frame.format(), QImage::Format_RGB32);
    EXPECT_EQ(frame.pixel(150, 50) & 0xFFFFFF, 0x0000FFu);
    EXPECT_EQ(frame.pixel(20, 50) & 0xFFFFFF, 0x0A141Eu) << "no key colour bleeds into the frame";
    EXPECT_EQ(frame.pixel(110, 50) & 0xFFFFFF, 0x0A141Eu);
    // The edge of the block is a mix of block and frame, never fuchsia.
    for (int x = 112; x < 128; ++x) {
        const QRgb p = frame.pixel(x, 50);
        EXPECT_LE(qRed(p), 10) << x;
        EXPECT_LE(qGreen(p), 20) << x;
    }
}

// Settings out of all measure, as a script may give them: an outline a million pixels wide
// (drawn (2w+1)^2 times) and a font of a million points froze the window for minutes. They are
// drawn at their bounds, and the text stays where that bound puts it.
TEST(OverlayPainter, OutlineAndFontSizeOutOfMeasureAreDrawnAtTheirBounds)
{
    for (int border : {1000000, INT_MAX, -5}) {
        SCOPED_TRACE(border);
        TOverlayPainter o = OneLine(QStringLiteral("Framix"), border);
        o.InsertFont.Size = border < 0 ? INT_MIN : 1000000;
        o.Draw(QSize(720, 576));
        ASSERT_EQ(o.Placements().size(), 1u);
        const int b = border < 0 ? 0 : TOverlayPainter::MaxBorderWidth;
        EXPECT_EQ(o.Placements()[0].TopLeft, o.Anchor(QSize(720, 576)) + QPoint(b, b));
        EXPECT_LE(o.Placements()[0].Size.height(), 3 * TOverlayPainter::MaxPixelSize);
    }
}

// The outline is spread from one drawing of the text; it must cover exactly the pixels that
// stamping the hard text at every offset outside the diamond gives, with the text near and
// across the picture's edges, thin and wide outlines, small and large faces, several lines.
TEST(OverlayPainter, OutlineCoversThePixelsOfEveryOffsetCopy)
{
    struct Case
    {
        int border, size;
        QPoint position;
        QString text;
        bool italic = false;
    };
    const QList<Case> cases{
        {1, 16, {1000, 1000}, QStringLiteral("Framix 0:00:01:05")},
        // Italics hang over their advance: the outline still reaches every pixel.
        {5, 60, {300, 3000}, QStringLiteral("fjord ff/"), true},
        {3, 30, {0, 0}, QStringLiteral("Åé gjpq|")},
        {7, 48, {9600, 9500}, QStringLiteral("bord")},
        {12, 72, {-300, 4000}, QStringLiteral("WWW_iii")},
        {TOverlayPainter::MaxBorderWidth, 200, {2000, 2000}, QStringLiteral("Ag")},
    };
    const QSize frame(360, 288);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text.toStdString() + " border " + std::to_string(c.border));
        TOverlayPainter o = OneLine(c.text, c.border);
        o.InsertFont.Size = c.size;
        o.InsertFont.Italic = c.italic;
        o.InsertPosition = c.position;
        o.InsertBorderColor = Black;
        o.OverlayLines[1].Text = QStringLiteral("2e ligne");
        o.OverlayLines[1].Enabled = true;
        const QImage drawn = o.Draw(frame).copy();

        QImage expected(frame, QImage::Format_RGB32);
        expected.fill(TColors::ToQColor(o.InsertTransparentColor));
        QFont hard = o.OverlayFont();
        hard.setStyleStrategy(QFont::NoAntialias);
        const int ascent = QFontMetrics(hard).ascent();
        QPainter p(&expected);
        p.setBackgroundMode(Qt::TransparentMode);
        p.setFont(hard);
        for (const TOverlayPainter::TPlacement &pl : o.Placements()) {
            const QString &text = o.OverlayLines[size_t(pl.Line)].Text;
            const int x = pl.TopLeft.x(), y = pl.TopLeft.y() + ascent;
            p.setPen(TColors::ToQColor(o.InsertBorderColor));
            for (int dy = -c.border; dy <= c.border; ++dy)
                for (int dx = -c.border; dx <= c.border; ++dx)
                    if (std::abs(dx) + std::abs(dy) > c.border)
                        p.drawText(x + dx, y + dy, text);
            p.setPen(TColors::ToQColor(o.InsertFont.Color));
            p.drawText(x, y, text);
        }
        p.end();
        int differ = 0;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x)
                differ += (drawn.pixel(x, y) & 0xFFFFFF) != (expected.pixel(x, y) & 0xFFFFFF);
        EXPECT_EQ(differ, 0);
    }
}
