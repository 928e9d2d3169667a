// Interval capture of a 1080p long-GOP H.264 clip (one JPEG every 5 s and every 30 s over the
// whole clip), as a user runs it headless (framix /si /inter /quit), against ffmpeg doing the
// same job two ways: the fps filter (decodes every frame once) and one input seek per image
// (decodes from the key frame before each image). Prints the medians and the ratios.
//
//   interval_capture [CLIP]
//
// Without CLIP the bench makes (once) a two-minute 1080p clip with the corpus's long-GOP
// settings (a key frame every 10 s, three B-frames) in build/bench-media/, and also
// runs the corpus's own 10-second clip. FRAMIX_BENCH_RUNS (default 3) sets the runs per figure; FRAMIX=path
// the program measured (default build/framix beside this bench).
#include "BenchSupport.h"
#include "media/TFrameIndex.h"
#include "media/Timecode.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using benchsupport::binDir;
using benchsupport::corpusDir;
using benchsupport::framixPath;

bool run(const QString &program, const QStringList &args, int timeoutMs = 900000)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(timeoutMs) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "failed: %s %s\n%s\n", qPrintable(program), qPrintable(args.join(' ')),
                     p.readAll().constData());
        return false;
    }
    return true;
}

QString probe(const QString &clip, const QStringList &what)
{
    QProcess p;
    p.start("ffprobe", QStringList{"-v", "error"} + what + QStringList{"-of", "csv=p=0", clip});
    p.waitForFinished(60000);
    return QString::fromLatin1(p.readAll().trimmed());
}

double durationOf(const QString &clip)
{
    return probe(clip, {"-show_entries", "format=duration"}).toDouble();
}

// The time of the clip's last frame: the container's length less one frame of the video's rate.
double lastFrameOf(const QString &clip, double duration)
{
    const QStringList rate =
        probe(clip, {"-select_streams", "v:0", "-show_entries", "stream=r_frame_rate"}).split(u'/');
    const double num = rate.value(0).toDouble(), den = rate.value(1, QStringLiteral("1")).toDouble();
    return num > 0 && den > 0 ? std::max(0.0, duration - den / num) : duration;
}

// The median wall time of `job` in seconds over `runs` runs, each in a fresh output folder; the
// number of images the last run wrote goes to *images.
double median(int runs, const std::function<bool(const QString &dir)> &job, int *images)
{
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        QTemporaryDir dir;
        QElapsedTimer t;
        t.start();
        if (!job(dir.path()))
            return NAN;
        times.push_back(double(t.nsecsElapsed()) / 1e9);
        *images = int(QDir(dir.path()).entryList({"*.jpg"}, QDir::Files).size());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// How many images of dir ("x_H.MM.SS.FF.jpg", 25 frames a second) show another frame than the
// one their name gives.
int wrongFrames(const QString &dir)
{
    int wrong = 0;
    for (const QFileInfo &fi : QDir(dir).entryInfoList({"x_*.jpg"}, QDir::Files)) {
        const QString stamp = fi.completeBaseName().mid(2).replace(u'.', u':');
        const std::int64_t frame = 400000;
        const int named = int(TimecodeToTime(stamp, frame) / frame);
        if (FrameIndexFromImage(QImage(fi.filePath())) != named)
            ++wrong;
    }
    return wrong;
}

// Makes the two-minute clip once: the corpus's frame-number pattern (so that every image can be
// checked), with grain, at a camcorder's 8 Mbit/s.
QString longClip()
{
    const QString dir = binDir() + "/../bench-media";
    const QString clip = dir + "/h264_1080_longgop_120s.mp4";
    if (QFileInfo::exists(clip))
        return clip;
    QDir().mkpath(dir);
    std::printf("making %s (once, a few minutes)...\n", qPrintable(clip));
    std::fflush(stdout);
    const QString pattern = QStringLiteral(FRAMIX_SOURCE_DIR "/tests/media-corpus/framepattern.py");
    const QString command =
        QStringLiteral(
            "set -o pipefail; python3 '%1' 1920 1080 3000 | ffmpeg -v error -y -f rawvideo -pix_fmt gray "
            "-s 1920x1080 -framerate 25 -i - -vf noise=alls=6:allf=t -c:v libx264 -preset superfast "
            "-b:v 8M -maxrate 8M -bufsize 16M -x264-params "
            "keyint=250:min-keyint=250:scenecut=0:bframes=3:b-pyramid=normal -pix_fmt yuv420p '%2'")
            .arg(pattern, clip + ".part.mp4");
    if (!run("bash", {"-c", command}) || !QFile::rename(clip + ".part.mp4", clip))
        return {};
    return clip;
}

// False when framix wrote no image (the figures then measure nothing).
bool bench(const QString &clip, int runs)
{
    bool wrote = true;
    const double duration = durationOf(clip);
    const double lastFrame = lastFrameOf(clip, duration);
    std::printf("\n%s (%.1f s)\n", qPrintable(QFileInfo(clip).fileName()), duration);
    std::printf("%-8s %-22s %10s %8s %8s\n", "spacing", "method", "median s", "images", "ratio");
    const QString tag = QFileInfo(clip).completeBaseName();
    for (int spacing : {5, 30}) {
        int nFramix = 0, nFps = 0, nSeek = 0, wrong = 0;
        const double framix = median(
            runs,
            [&](const QString &dir) {
                const bool ok = run(framixPath(), {"-platform", "offscreen", "/o=" + clip,
                                                   "/savfold=" + dir + "/", "/root=x", "/addi=0", "/iex=1",
                                                   "/qual=75", QStringLiteral("/idelai=%1").arg(spacing),
                                                   "/iunit=1", "/ci=0", "/si", "/inter", "/quit"});
                wrong = ok ? wrongFrames(dir) : 0;
                return ok;
            },
            &nFramix);
        const double fps = median(
            runs,
            [&](const QString &dir) {
                return run("ffmpeg",
                           {"-v", "error", "-i", clip, "-an", "-vf", QStringLiteral("fps=1/%1").arg(spacing),
                            "-q:v", "5", dir + "/x_%04d.jpg"});
            },
            &nFps);
        const double seeks = median(
            runs,
            [&](const QString &dir) {
                // The same images as the run: a target at or past the end takes the last frame
                // (a seek to the length itself gives ffmpeg nothing to write).
                for (int t = 0, i = 0; t <= int(duration); t += spacing, ++i)
                    if (!run("ffmpeg",
                             {"-v", "error", "-ss", QString::number(std::min(double(t), lastFrame), 'f', 3),
                              "-i", clip, "-an", "-frames:v", "1", "-q:v", "5",
                              dir + QStringLiteral("/x_%1.jpg").arg(i, 4, 10, QChar('0'))}))
                        return false;
                return true;
            },
            &nSeek);
        std::printf("%-8d %-22s %10.3f %8d %8s\n", spacing, "framix interval", framix, nFramix,
                    nFramix == 0 ? "NO IMAGE"
                    : wrong      ? "WRONG"
                                 : "");
        if (wrong)
            std::printf("  %d images do not show the frame their name gives\n", wrong);
        if (nSeek != nFramix)
            std::printf("  the seeks wrote %d images, framix %d: that ratio compares different work\n", nSeek,
                        nFramix);
        wrote = wrote && nFramix > 0;
        std::printf("%-8d %-22s %10.3f %8d %8.2f\n", spacing, "ffmpeg fps filter", fps, nFps, framix / fps);
        std::printf("%-8d %-22s %10.3f %8d %8.2f\n", spacing, "ffmpeg seek per image", seeks, nSeek,
                    framix / seeks);
        std::printf("METRIC %s_framix_%ds %.3f s\n", qPrintable(tag), spacing, framix);
        std::printf("METRIC %s_ratio_fps_%ds %.3f x\n", qPrintable(tag), spacing, framix / fps);
        std::printf("METRIC %s_ratio_seek_%ds %.3f x\n", qPrintable(tag), spacing, framix / seeks);
        std::fflush(stdout);
    }
    return wrote;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = std::max(1, qEnvironmentVariableIntValue("FRAMIX_BENCH_RUNS") ?: 3);
    if (!QFileInfo(framixPath()).isExecutable()) {
        std::fprintf(stderr, "framix not found at %s\n", qPrintable(framixPath()));
        return 1;
    }
    QStringList clips;
    if (argc > 1) {
        clips << QString::fromLocal8Bit(argv[1]);
    } else {
        const QString corpus = corpusDir();
        clips << corpus + "/fi_h264_1080.mp4";
        const QString made = longClip();
        if (made.isEmpty())
            return 1;
        clips << made;
    }
    std::printf("interval capture, %d runs per figure; ratio = framix / ffmpeg (targets on the two-minute "
                "clip: <= 0.8 against the fps filter at 5 s and against the seeks at 30 s; on the 10-s clip "
                "<= 1.2 against the seeks)\n",
                runs);
    bool wrote = true;
    for (const QString &clip : clips)
        wrote = bench(clip, runs) && wrote;
    if (!wrote)
        std::fprintf(stderr, "framix wrote no image for some runs: those ratios measure nothing\n");
    return wrote ? 0 : 1;
}
