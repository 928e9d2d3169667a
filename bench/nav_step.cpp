// Step latency of the navigation: the main-thread time from a step command to the target frame
// painted in the video window, with precise seeking on, for a forward step of one frame, a
// backward step of one frame and a typed position, over 50 random positions, and 50 consecutive
// backward steps from one random position (the decoded-frame cache's case), of the 1080p
// long-GOP H.264 clip, of the PAL DV clip, of the NTSC DV type-1 AVI and of clips made by other
// encoders (XviD packed and DivX unpacked B-frames in AVI, 29.97 fps H.264 MP4, MPEG-1 program
// stream, HEVC, interlaced 1080i H.264 in M2TS). The reference is
// ffmpeg's whole process seeking to the same position and decoding that frame:
//   ffmpeg -ss T -i clip -frames:v 1 -f null -
// Prints a table (median and 95th percentile in ms, ratio of the medians to ffmpeg's) and
// METRIC lines for bench/run.sh.
//
//   nav_step [POSITIONS] [CLIP...]   (default 50 positions, every clip; CORPUS=folder of the
//                                    generated corpus, CACHE_MB=bound of the frame cache)
#ifndef FRAMIX_CORPUS_DIR
#define FRAMIX_CORPUS_DIR "build/corpus"
#endif
#include "../playback/NavTestGraph.h"
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "media/FrameGrid.h"
#include "media/Timecode.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <gst/gst.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

namespace {

struct Stats
{
    std::vector<double> ms;
    int wrong = 0;
    double quantile(double q) const
    {
        if (ms.empty())
            return 0;
        std::vector<double> v = ms;
        std::sort(v.begin(), v.end());
        return v[size_t(std::min<double>(double(v.size() - 1), q * double(v.size() - 1) + 0.5))];
    }
};

// Runs cmd on the main thread and measures until the renderer painted a new frame; checks that
// it shows `expected`.
void Measure(navtest::TNavGraph &g, Stats &s, int expected, const std::function<void()> &cmd)
{
    mediatest::pump(5); // earlier paints are done
    const int before = g.renderer.FramesDrawn();
    QElapsedTimer t;
    t.start();
    cmd();
    while (g.renderer.FramesDrawn() == before && t.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    s.ms.push_back(double(t.nsecsElapsed()) / 1e6);
    if (g.shownFrame() != expected)
        ++s.wrong;
}

double FfmpegMs(const QString &clip, double seconds)
{
    QElapsedTimer t;
    t.start();
    QProcess p;
    p.start(QStringLiteral("ffmpeg"), {"-v", "error", "-ss", QString::number(seconds, 'f', 3), "-i", clip,
                                       "-frames:v", "1", "-f", "null", "-"});
    p.waitForFinished(60000);
    return double(t.nsecsElapsed()) / 1e6;
}

void Row(const char *clip, const char *op, const Stats &s, const Stats &ref)
{
    std::printf("%-20s %-18s %9.1f %9.1f %9.1f %9.1f %7.2f %5d\n", clip, op, s.quantile(0.5),
                s.quantile(0.95), ref.quantile(0.5), ref.quantile(0.95),
                s.quantile(0.5) / std::max(ref.quantile(0.5), 1e-9), s.wrong);
    std::printf("METRIC %s_%s_median %.1f ms\n", clip, op, s.quantile(0.5));
    std::printf("METRIC %s_%s_p95 %.1f ms\n", clip, op, s.quantile(0.95));
}

} // namespace

int main(int argc, char **argv)
{
    gst_init(&argc, &argv);
    QApplication app(argc, argv);
    const int count = argc > 1 ? std::max(1, atoi(argv[1])) : 50;
    const QString dir = qEnvironmentVariable("CORPUS", QStringLiteral(FRAMIX_CORPUS_DIR));

    std::printf("%-20s %-18s %9s %9s %9s %9s %7s %5s\n", "clip", "command", "median", "p95", "ffmpeg",
                "ff p95", "ratio", "wrong");
    QStringList names;
    for (int i = 2; i < argc; ++i)
        names << QString::fromLocal8Bit(argv[i]);
    if (names.isEmpty())
        names = {"fi_h264_1080.mp4",   "fi_dv_pal.dv",         "fi_dv_ntsc_wide_type1.avi",
                 "fi_xvid_packed.avi", "fi_divx_unpacked.avi", "fi_h264_2997.mp4",
                 "fi_mpeg1.mpg",       "fi_hevc.mp4",          "fi_h264_1080i_mbaff.m2ts"};
    for (const QString &nameText : names) {
        const QByteArray nameBytes = nameText.toLocal8Bit();
        const char *name = nameBytes.constData();
        const QString clip = dir + QLatin1Char('/') + QString::fromLatin1(name);
        navtest::TNavGraph g(clip);
        if (!g.ok()) {
            std::printf("%s: cannot open %s\n", name, qPrintable(clip));
            return 1;
        }
        g.window.show();
        g.nav.caSeekPrecision->SetChecked(true);
        // CACHE_MB: the decoded-frame cache's bound (0: none), else the default.
        if (qEnvironmentVariableIsSet("CACHE_MB"))
            g.nav.iaFrameCache->SetValue(qEnvironmentVariableIntValue("CACHE_MB"));
        const int64_t d = g.d();
        const TFrameGrid grid(d);
        const int frames = int(g.nav.MediaDuration / d);
        std::mt19937 rng(20261209);
        std::uniform_int_distribution<int> pick(2, frames - 4);
        Stats forward, backward, typed, ffmpeg;
        for (int i = 0; i < count; ++i) {
            const int p = pick(rng);
            const QString text = TimecodeText(grid.TimeOf(p), d);
            Measure(g, typed, p, [&] { g.nav.SeekToText(text); });
            Measure(g, forward, p + 1, [&] { g.nav.naAvanceFrame->trigger(); });
            Measure(g, backward, p, [&] { g.nav.naReculeFrame->trigger(); });
            ffmpeg.ms.push_back(FfmpegMs(clip, double(grid.TimeOf(p) + g.fn.Origin()) / 1e7));
        }
        // 50 consecutive steps back from a random position: the first decodes from the key frame,
        // the next ones paint from the decoded-frame cache.
        Stats run;
        std::uniform_int_distribution<int> pickRun(std::min(60, frames - 4), frames - 4);
        int p = pickRun(rng);
        const QString start = TimecodeText(grid.TimeOf(p), d);
        Stats ignored;
        Measure(g, ignored, p, [&] { g.nav.SeekToText(start); });
        for (int i = 0; i < 50 && p > 0; ++i) {
            --p;
            Measure(g, run, p, [&] { g.nav.naReculeFrame->trigger(); });
        }
        Row(name, "forward_1", forward, ffmpeg);
        Row(name, "backward_1", backward, ffmpeg);
        Row(name, "typed_position", typed, ffmpeg);
        Row(name, "backward_run_50", run, ffmpeg);
        std::printf("METRIC %s_backward_run_50_max %.1f ms\n", name, run.quantile(1.0));
        std::printf("METRIC %s_ffmpeg_median %.1f ms\n", name, ffmpeg.quantile(0.5));
    }
    return 0;
}
