// Launch, open, grab the first frame, quit: what a user waits for when a file manager hands a
// video to the program and one still is wanted. Each corpus clip (MP4, MKV, M2TS, DV, AVI) is
// run headless as `framix /o=clip /ej /g /quit` and timed whole; the reference, timed in the
// same run, is ffmpeg writing the first frame of the same file as one JPEG. The grabbed image
// must show frame 0 (the corpus draws each frame's number into the picture): a wrong frame
// fails the bench. Prints the medians and the ratio per clip.
//
//   open_grab [CLIP...]
//
// FRAMIX_BENCH_RUNS (default 5) sets the runs per figure; FRAMIX=path the program measured
// (default build/framix beside this bench); CORPUS the corpus folder (default build/corpus).
#include "BenchSupport.h"
#include "media/TFrameIndex.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using benchsupport::corpusDir;
using benchsupport::framixPath;

// Wall time of one run in milliseconds, or a negative number when it failed.
double timed(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    QElapsedTimer clock;
    clock.start();
    p.start(program, args);
    const bool ended = p.waitForFinished(120000);
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (!ended || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "failed: %s %s\n%s\n", qPrintable(program), qPrintable(args.join(' ')),
                     p.readAll().constData());
        return -1;
    }
    return ms;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0.0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList clips = app.arguments().mid(1);
    if (clips.isEmpty())
        for (const char *name : {"fi_h264_1080.mp4", "fi_h264_1080.mkv", "fi_h264_1080.m2ts", "fi_dv_pal.dv",
                                 "fi_xvid_packed.avi"})
            clips << QDir(corpusDir()).filePath(QString::fromLatin1(name));
    bool okRuns = false;
    const int runs = std::max(1, qEnvironmentVariableIntValue("FRAMIX_BENCH_RUNS", &okRuns));
    const int count = okRuns ? runs : 5;
    QTemporaryDir work;
    bool failed = false;
    for (const QString &clip : clips) {
        if (!QFileInfo::exists(clip)) {
            std::fprintf(stderr, "missing: %s (build the corpus target)\n", qPrintable(clip));
            return 1;
        }
        const QString name = QFileInfo(clip).fileName().replace(u'.', u'_');
        std::vector<double> ours, theirs;
        for (int i = 0; i < count; ++i) {
            const QString folder = work.filePath(QStringLiteral("run%1").arg(i));
            QDir(folder).removeRecursively();
            QDir().mkpath(folder);
            const double ms = timed(framixPath(), {"-platform", "offscreen", "/o=" + clip,
                                                   "/savfold=" + folder, "/root=b", "/ej", "/g", "/quit"});
            const QStringList images = QDir(folder).entryList({"b*.jpg"}, QDir::Files);
            const int shown =
                images.size() == 1 ? FrameIndexFromImage(QImage(QDir(folder).filePath(images[0]))) : -2;
            if (ms < 0 || shown != 0) {
                std::fprintf(stderr, "%s: the grab shows frame %d, not 0 (%lld images)\n", qPrintable(clip),
                             shown, static_cast<long long>(images.size()));
                failed = true;
                break;
            }
            ours.push_back(ms);
            const double ref = timed("ffmpeg", {"-v", "error", "-y", "-i", clip, "-frames:v", "1",
                                                work.filePath(QStringLiteral("ff.jpg"))});
            if (ref < 0) {
                failed = true;
                break;
            }
            theirs.push_back(ref);
        }
        if (failed)
            break;
        const double a = median(ours), b = median(theirs);
        std::printf("METRIC open_grab_%s %.1f ms\n", qPrintable(name), a);
        std::printf("METRIC ffmpeg_first_frame_%s %.1f ms\n", qPrintable(name), b);
        std::printf("METRIC ratio_%s %.2f x\n", qPrintable(name), b > 0 ? a / b : 0.0);
    }
    return failed ? 1 : 0;
}
