// The gauge's value arithmetic, texts, alert colour and what it paints, including the volume
// gauge of the navigation panel.
#include "playback/TTextGauge.h"

#include <gtest/gtest.h>

namespace {

// The navigation panel's volume gauge.
void MakeVolumeGauge(TTextGauge &g)
{
    g.resize(48, 20);
    g.SetBorderStyle(TGaugeBorderStyle::bsNone);
    g.SetForeColor(QColor(160, 160, 160));
    g.SetGaugeKind(TGaugeKind::gkNeedle);
    g.SetMaxValue(10000);
    g.SetAlertValue(11000);
    g.SetTextKind(TTextKind::tkPercentDone);
    g.SetCaption("%d");
}

QColor At(const QImage &img, int x, int y)
{
    return img.pixelColor(x, y);
}

QColor Inverse(const QColor &c)
{
    return QColor(255 - c.red(), 255 - c.green(), 255 - c.blue());
}

int Count(const QImage &img, const QColor &c, const QRect &r)
{
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += img.pixelColor(x, y) == c;
    return n;
}

} // namespace

TEST(TextGauge, VolumeGaugePercentagesTruncate)
{
    TTextGauge g;
    MakeVolumeGauge(g);
    const struct
    {
        int volume;
        const char *text;
    } cases[] = {{5000, "50%"}, {9999, "99%"}, {10000, "100%"}, {0, "0%"}, {1, "0%"}};
    for (const auto &c : cases) {
        g.SetProgress(c.volume);
        EXPECT_EQ(g.Text(), c.text) << c.volume;
        EXPECT_EQ(g.DrawingColor(), QColor(160, 160, 160)) << "alert level 11000 is never reached";
    }
    // The text is really painted: the picture with text differs from the one without.
    g.SetProgress(5000);
    const QImage withText = g.Render();
    g.SetShowText(false);
    EXPECT_NE(withText, g.Render());
}

TEST(TextGauge, PercentageOfWideRangesDoesNotOverflow)
{
    TTextGauge g;
    g.SetMinValue(-2147483647);
    g.SetMaxValue(2147483647);
    g.SetProgress(2147483647);
    EXPECT_EQ(g.PercentDone(), 100);
    g.SetProgress(0);
    EXPECT_EQ(g.PercentDone(), 50);
    g.SetProgress(-2147483647);
    EXPECT_EQ(g.PercentDone(), 0);
}

TEST(TextGauge, ProgressIsClampedAndRepaintsOnlyOnPercentChange)
{
    TTextGauge g;
    g.SetMaxValue(10000);
    g.SetProgress(12000);
    EXPECT_EQ(g.Progress(), 10000);
    g.SetProgress(-3);
    EXPECT_EQ(g.Progress(), 0);

    g.SetProgress(5000);
    const int afterFifty = g.RepaintRequests();
    g.SetProgress(5050); // still 50%
    EXPECT_EQ(g.Progress(), 5050);
    EXPECT_EQ(g.RepaintRequests(), afterFifty);
    g.SetProgress(5100);
    EXPECT_EQ(g.RepaintRequests(), afterFifty + 1);
}

TEST(TextGauge, TextKindsAndAlertColour)
{
    TTextGauge g;
    g.SetTextKind(TTextKind::tkValueRemaining);
    g.SetProgress(30);
    g.SetAlertValue(50);
    EXPECT_EQ(g.Text(), "70");
    EXPECT_EQ(g.DrawingColor(), QColor(238, 162, 162)) << "remaining kinds alert below the level";
    g.SetAlertValue(20);
    EXPECT_EQ(g.DrawingColor(), QColor(192, 220, 192));

    g.SetTextKind(TTextKind::tkPercentRemaining);
    g.SetMaxValue(200);
    EXPECT_EQ(g.Text(), "85%");

    g.SetTextKind(TTextKind::tkValueDone);
    g.SetCaption("Vol. %d %%");
    EXPECT_EQ(g.Text(), "Vol. 30 %");
    EXPECT_EQ(g.DrawingColor(), QColor(238, 162, 162)) << "30 > 20";
    g.SetAlertValue(30);
    EXPECT_EQ(g.DrawingColor(), QColor(192, 220, 192)) << "equal is not past";

    g.SetTextKind(TTextKind::tkPercentDone);
    g.SetCustomText(true);
    g.SetCaption("Volume %s");
    EXPECT_EQ(g.Text(), "Volume %s");
}

TEST(TextGauge, RangeErrorsCarryTheAllowedRange)
{
    TTextGauge g;
    g.SetProgress(40);
    try {
        g.SetMinValue(200);
        FAIL() << "no error";
    } catch (const EGaugeRangeError &e) {
        EXPECT_EQ(e.Message(), "La valeur doit être comprise entre -2147483647 et 99");
    }
    try {
        g.SetMaxValue(-1);
        FAIL() << "no error";
    } catch (const EGaugeRangeError &e) {
        EXPECT_EQ(e.Message(), "La valeur doit être comprise entre 1 et 2147483647");
    }
    EXPECT_EQ(g.MinValue(), 0);
    EXPECT_EQ(g.MaxValue(), 100);
    EXPECT_EQ(g.Progress(), 40);

    // Accepted changes pull the value into the new range.
    g.SetMinValue(50);
    EXPECT_EQ(g.Progress(), 50);
    g.SetMaxValue(60);
    g.SetProgress(60);
    g.SetMaxValue(55);
    EXPECT_EQ(g.Progress(), 55);

    // While loading the range may pass through an inverted state.
    g.SetLoading(true);
    EXPECT_NO_THROW(g.SetMinValue(500));
    EXPECT_EQ(g.PercentDone(), 0);
    EXPECT_NO_THROW(g.SetMaxValue(1000));
    g.SetLoading(false);
    EXPECT_EQ(g.MinValue(), 500);
    EXPECT_EQ(g.MaxValue(), 1000);
}

TEST(TextGauge, FormatIntegerIsSafeForAnyCaption)
{
    EXPECT_EQ(TTextGauge::FormatInteger("%d", 42), "42");
    EXPECT_EQ(TTextGauge::FormatInteger("%.3d", 7), "007");
    EXPECT_EQ(TTextGauge::FormatInteger("[%5d]", -42), "[  -42]");
    EXPECT_EQ(TTextGauge::FormatInteger("[%-4d]", 9), "[9   ]");
    EXPECT_EQ(TTextGauge::FormatInteger("[%04d]", -9), "[-009]");
    EXPECT_EQ(TTextGauge::FormatInteger("%s %x %n %", 1), "%s %x %n %");
    EXPECT_EQ(TTextGauge::FormatInteger("100%%", 1), "100%");
    EXPECT_EQ(TTextGauge::FormatInteger("no value", 1), "no value");
}

TEST(TextGauge, HorizontalBarWithFrameAndAlert)
{
    TTextGauge g;
    g.resize(100, 20);
    g.SetShowText(false);
    g.SetProgress(50);
    QImage img = g.Render();
    EXPECT_EQ(At(img, 0, 0), QColor(Qt::black)) << "the frame is the black background left around the area";
    EXPECT_EQ(At(img, 99, 19), QColor(Qt::black));
    EXPECT_EQ(At(img, 1, 10), QColor(192, 220, 192));
    EXPECT_EQ(At(img, 49, 10), QColor(192, 220, 192)); // trunc(99 x 0.5) = 49 pixels from x = 1
    EXPECT_EQ(At(img, 50, 10), QColor(Qt::white));
    EXPECT_EQ(At(img, 98, 10), QColor(Qt::white));

    g.SetProgress(90);
    img = g.Render();
    EXPECT_EQ(At(img, 60, 10), QColor(238, 162, 162));
    g.SetProgress(0);
    img = g.Render();
    EXPECT_EQ(Count(img, QColor(Qt::white), QRect(1, 1, 98, 18)), 98 * 18);

    g.SetBorderStyle(TGaugeBorderStyle::bsNone);
    g.SetProgress(100);
    img = g.Render();
    EXPECT_EQ(Count(img, QColor(238, 162, 162), img.rect()), 100 * 20);
}

TEST(TextGauge, TextIsTheInverseOfWhatLiesUnderIt)
{
    TTextGauge g;
    g.resize(120, 30);
    g.SetGaugeKind(TGaugeKind::gkHorizontalBar);
    g.SetTextKind(TTextKind::tkPercentDone);
    g.SetMaxValue(1000);
    g.SetAlertValue(2000);
    g.SetProgress(500);
    const QImage img = g.Render();
    const QRect area(1, 1, 118, 28);
    const QColor fore(192, 220, 192);
    int over = 0, under = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = img.pixelColor(x, y);
            if (c == Inverse(fore)) {
                ++over;
                EXPECT_LT(x, 60) << "inverse of the bar only over the bar"; // bar: trunc(119 x 0.5) = 59
            } else if (c == QColor(Qt::black)) {
                ++under;
                EXPECT_GE(x, 60) << "inverse of white only over the empty part";
            } else
                ASSERT_TRUE(c == fore || c == QColor(Qt::white)) << x << "," << y;
        }
    // "50%" is centred, so it lies across the bar's end.
    EXPECT_GT(over, 5);
    EXPECT_GT(under, 5);
}

TEST(TextGauge, VerticalBarPieAndNeedle)
{
    TTextGauge g;
    g.resize(40, 40);
    g.SetBorderStyle(TGaugeBorderStyle::bsNone);
    g.SetShowText(false);
    g.SetColor(QColor(10, 20, 30));

    g.SetGaugeKind(TGaugeKind::gkVerticalBar);
    g.SetProgress(50);
    QImage img = g.Render();
    EXPECT_EQ(At(img, 20, 39), QColor(192, 220, 192));
    EXPECT_EQ(At(img, 20, 22), QColor(192, 220, 192)); // 20 rows from 41 - 20 = 21
    EXPECT_EQ(At(img, 20, 19), QColor(Qt::white));
    g.SetProgress(100);
    img = g.Render();
    EXPECT_EQ(At(img, 20, 0), QColor(Qt::white)) << "a full vertical bar leaves its top row";
    EXPECT_EQ(At(img, 20, 1), QColor(238, 162, 162));

    g.SetGaugeKind(TGaugeKind::gkPie);
    g.SetAlertValue(100);
    g.SetProgress(25);
    img = g.Render();
    EXPECT_EQ(At(img, 0, 0), QColor(10, 20, 30)) << "outside the ellipse: Color";
    EXPECT_EQ(At(img, 28, 10), QColor(192, 220, 192)) << "first quarter, clockwise from the top";
    EXPECT_EQ(At(img, 10, 10), QColor(Qt::white));
    EXPECT_EQ(At(img, 28, 28), QColor(Qt::white));

    g.SetGaugeKind(TGaugeKind::gkNeedle);
    g.SetProgress(0);
    const QImage noNeedle = g.Render();
    EXPECT_EQ(At(noNeedle, 0, 0), QColor(10, 20, 30));
    EXPECT_EQ(At(noNeedle, 20, 30), QColor(Qt::white));
    g.SetProgress(50);
    img = g.Render();
    EXPECT_EQ(At(img, 20, 30), QColor(192, 220, 192)) << "the needle stands upright at 50%";
    EXPECT_EQ(At(img, 20, 5), QColor(192, 220, 192));
    EXPECT_EQ(At(img, 10, 30), QColor(Qt::white));
}

TEST(TextGauge, WidgetPaintsWhatRenderGives)
{
    TTextGauge g;
    MakeVolumeGauge(g);
    g.SetProgress(7500);
    const QImage shown = g.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown, g.Render());
}
