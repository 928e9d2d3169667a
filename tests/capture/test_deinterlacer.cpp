// Comb removal on grabbed frames: what is detected, what is replaced, and what never changes.
#include "capture/TDeinterlacer.h"

#include <gtest/gtest.h>

#include <QColor>

namespace {

// A w x h RGB32 picture of one uniform grey with an alpha byte that the correction must keep.
QImage Flat(int w, int h, int grey = 100, int alpha = 0x7F)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(qRgba(grey, grey, grey, alpha));
    return img;
}

void SetPixel(QImage &img, int x, int y, int r, int g, int b, int a = 0x7F)
{
    reinterpret_cast<QRgb *>(img.scanLine(y))[x] = qRgba(r, g, b, a);
}

QRgb PixelAt(const QImage &img, int x, int y)
{
    return reinterpret_cast<const QRgb *>(img.constScanLine(y))[x];
}

bool SamePixels(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.format() != b.format())
        return false;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return false;
    return true;
}

// A picture whose odd rows alternate with the even rows as two fields of a moving object do.
QImage Combed(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            SetPixel(img, x, y, y % 2 ? 230 : 20, y % 2 ? 200 : 30, y % 2 ? 10 : 240, 0x11 * (y % 3));
    return img;
}

} // namespace

TEST(Deinterlacer, NonThirtyTwoBitInputIsOnlyCopied)
{
    QImage in = Combed(16, 8).convertToFormat(QImage::Format_RGB888);
    QImage out;
    TDeinterlacer d;
    d.Deinterlace(in, out);
    EXPECT_EQ(out.format(), QImage::Format_RGB888);
    EXPECT_TRUE(SamePixels(in, out));
    EXPECT_NE(out.constBits(), in.constBits());
}

TEST(Deinterlacer, SmoothStillPictureIsUnchanged)
{
    QImage in(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < in.height(); ++y)
        for (int x = 0; x < in.width(); ++x)
            SetPixel(in, x, y, (x * 4) & 0xFF, (y * 5) & 0xFF, (x + y) * 2 & 0xFF);
    QImage out;
    TDeinterlacer d;
    d.Deinterlace(in, out);
    EXPECT_TRUE(SamePixels(in, out));
}

TEST(Deinterlacer, CombedRunIsInterpolatedButIsolatedPixelIsKept)
{
    QImage in = Flat(10, 5);
    // Row 1: an isolated bright pixel at x = 1 and a run of two at x = 5, 6.
    SetPixel(in, 1, 1, 250, 250, 250);
    SetPixel(in, 5, 1, 250, 250, 250, 0x33);
    SetPixel(in, 6, 1, 250, 250, 250, 0x44);
    // Neighbours with odd sums: the average must round down.
    SetPixel(in, 5, 0, 100, 101, 10);
    SetPixel(in, 5, 2, 101, 100, 15);
    QImage out;
    TDeinterlacer d;
    d.Deinterlace(in, out);

    EXPECT_EQ(PixelAt(out, 1, 1), PixelAt(in, 1, 1)) << "an isolated detection is noise";
    EXPECT_EQ(PixelAt(out, 5, 1), qRgba(100, 100, 12, 0x33));
    EXPECT_EQ(PixelAt(out, 6, 1), qRgba(100, 100, 100, 0x44));
    EXPECT_EQ(PixelAt(out, 4, 1), PixelAt(in, 4, 1));
    EXPECT_EQ(PixelAt(out, 7, 1), PixelAt(in, 7, 1));
    for (int y : {0, 2, 3, 4})
        for (int x = 0; x < in.width(); ++x)
            ASSERT_EQ(PixelAt(out, x, y), PixelAt(in, x, y)) << x << "," << y;
    const auto &comb = d.CombMask();
    const auto &keep = d.KeepMask();
    EXPECT_EQ(comb[1 * 10 + 1], 1);
    EXPECT_EQ(keep[1 * 10 + 1], 0);
    EXPECT_EQ(keep[1 * 10 + 5], 1);
    EXPECT_EQ(keep[1 * 10 + 6], 1);
}

TEST(Deinterlacer, RunsAtThePictureEdgesAreCorrected)
{
    QImage in = Flat(4, 3, 50);
    for (int x : {0, 1})
        SetPixel(in, x, 1, 0, 0, 0); // darker than both neighbours
    SetPixel(in, 3, 1, 200, 200, 200);
    QImage out;
    TDeinterlacer d;
    d.Deinterlace(in, out);
    EXPECT_EQ(qRed(PixelAt(out, 0, 1)), 50);
    EXPECT_EQ(qRed(PixelAt(out, 1, 1)), 50);
    EXPECT_EQ(qRed(PixelAt(out, 3, 1)), 200) << "the right edge pixel has no detected neighbour";
}

// Each channel's weight, checked just below and just above the threshold with runs of two.
TEST(Deinterlacer, ThresholdAndChannelWeights)
{
    struct Case
    {
        const char *what;
        int pr, pg, pb, nr, ng, nb;
        bool corrected;
    };
    // The centre row is black, so each product is P x N per channel.
    const Case cases[] = {
        {"blue 40x50 = 2000", 0, 0, 40, 0, 0, 50, false},  {"blue 69x29 = 2001", 0, 0, 69, 0, 0, 29, true},
        {"red 3x18x37 = 1998", 18, 0, 0, 37, 0, 0, false}, {"red 3x23x29 = 2001", 23, 0, 0, 29, 0, 0, true},
        {"green 6x9x37 = 1998", 0, 9, 0, 0, 37, 0, false}, {"green 6x2x167 = 2004", 0, 2, 0, 0, 167, 0, true},
    };
    TDeinterlacer d;
    for (const Case &c : cases) {
        QImage in = Flat(4, 3, 0);
        for (int x = 0; x < 4; ++x) {
            SetPixel(in, x, 0, c.pr, c.pg, c.pb);
            SetPixel(in, x, 2, c.nr, c.ng, c.nb);
        }
        QImage out;
        d.Deinterlace(in, out);
        const bool changed = PixelAt(out, 1, 1) != PixelAt(in, 1, 1);
        EXPECT_EQ(changed, c.corrected) << c.what;
    }
}

TEST(Deinterlacer, MidToneBetweenLightAndDarkIsNotCombing)
{
    // A steep vertical ramp: the products are negative however large the steps.
    QImage in = Flat(8, 3);
    for (int x = 0; x < 8; ++x) {
        SetPixel(in, x, 0, 255, 255, 255);
        SetPixel(in, x, 1, 128, 128, 128);
        SetPixel(in, x, 2, 0, 0, 0);
    }
    QImage out;
    TDeinterlacer d;
    d.Deinterlace(in, out);
    EXPECT_TRUE(SamePixels(in, out));
}

TEST(Deinterlacer, TinyPicturesAndOuterRowsNeverChange)
{
    TDeinterlacer d;
    for (int h : {1, 2}) {
        QImage in = Combed(6, h);
        QImage out;
        d.Deinterlace(in, out);
        EXPECT_TRUE(SamePixels(in, out)) << "height " << h;
    }
    // Height 4: row 3 is odd but is the last row, so its comb stays.
    QImage in = Combed(6, 4);
    QImage out;
    d.Deinterlace(in, out);
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(PixelAt(out, x, 0), PixelAt(in, x, 0));
        EXPECT_EQ(PixelAt(out, x, 2), PixelAt(in, x, 2));
        EXPECT_EQ(PixelAt(out, x, 3), PixelAt(in, x, 3));
        EXPECT_EQ(PixelAt(out, x, 1), qRgba(20, 30, 240, qAlpha(PixelAt(in, x, 1))));
    }
}

TEST(Deinterlacer, SameObjectAsInputAndOutput)
{
    QImage img = Combed(8, 5);
    const QImage original = img.copy();
    TDeinterlacer d;
    d.Deinterlace(img, img);
    // Row 3 must be averaged from the original rows 2 and 4, not from a corrected row.
    EXPECT_EQ(PixelAt(img, 2, 3), qRgba(20, 30, 240, qAlpha(PixelAt(original, 2, 3))));
    EXPECT_EQ(PixelAt(img, 2, 0), PixelAt(original, 2, 0));
}

TEST(Deinterlacer, BytewiseRgbaFormatUsesTheRightChannels)
{
    // Red differences only: weight 3 detects 23 x 29, blue's weight 1 would not.
    QImage in(4, 3, QImage::Format_RGBX8888);
    in.fill(QColor(0, 0, 0));
    for (int x = 0; x < 4; ++x) {
        in.setPixelColor(x, 0, QColor(23, 0, 0));
        in.setPixelColor(x, 2, QColor(29, 0, 0));
    }
    QImage out;
    TDeinterlacer d;
    d.Deinterlace(in, out);
    EXPECT_EQ(out.format(), QImage::Format_RGBX8888);
    EXPECT_EQ(out.pixelColor(1, 1), QColor(26, 0, 0));
}

TEST(Deinterlacer, MasksAndOutputAreReusedBetweenGrabs)
{
    TDeinterlacer d;
    QImage out;
    d.Deinterlace(Combed(64, 48), out);
    const auto *comb = d.CombMask().data();
    const auto *keep = d.KeepMask().data();
    const uchar *outBits = out.constBits();

    d.Deinterlace(Combed(64, 48), out);
    EXPECT_EQ(out.constBits(), outBits);
    d.Deinterlace(Combed(32, 20), out);
    EXPECT_EQ(d.MaskWidth(), 32);
    EXPECT_EQ(d.MaskHeight(), 20);
    EXPECT_EQ(out.size(), QSize(32, 20));
    d.Deinterlace(Combed(64, 48), out);
    EXPECT_EQ(d.CombMask().data(), comb);
    EXPECT_EQ(d.KeepMask().data(), keep);
    EXPECT_EQ(d.CombMask().size(), size_t(64 * 48));
}

TEST(Deinterlacer, NullInputGivesNullOutput)
{
    TDeinterlacer d;
    QImage out = Flat(3, 3);
    d.Deinterlace(QImage(), out);
    EXPECT_TRUE(out.isNull());
}
