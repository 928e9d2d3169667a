// The overlay's redraw on the main thread (every new time stamp redraws it): eight lines over a
// 1080p picture, with the default outline and font, and with the widest outline and a large
// font, as a script may set them. Prints the median and the largest of 50 draws in ms.
//
//   overlay_draw
#include "playback/TOverlayPainter.h"

#include <QElapsedTimer>
#include <QGuiApplication>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

void Measure(const char *name, int border, int size)
{
    TOverlayPainter o;
    o.InsertBorderWidth = border;
    o.InsertFont.Size = size;
    for (int i = 0; i < TOverlayPainter::LineCount; ++i) {
        o.OverlayLines[size_t(i)].Text = QStringLiteral("Ligne %1 - 0:00:12:%2").arg(i).arg(i * 3);
        o.OverlayLines[size_t(i)].Enabled = true;
    }
    std::vector<double> ms;
    for (int n = 0; n < 50; ++n) {
        o.OverlayLines[0].Text = QStringLiteral("0:00:%1:%2").arg(n / 25).arg(n % 25);
        QElapsedTimer t;
        t.start();
        o.Draw(QSize(1920, 1080));
        ms.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-26s median %8.2f ms  largest %8.2f ms\n", name, ms[ms.size() / 2], ms.back());
    std::printf("METRIC %s_median %.2f ms\nMETRIC %s_max %.2f ms\n", name, ms[ms.size() / 2], name,
                ms.back());
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    Measure("default_outline", 2, 14);
    Measure("outline_8_font_72", 8, 72);
    Measure("widest_outline_font_200", TOverlayPainter::MaxBorderWidth, 200);
    return 0;
}
