// Long files against short ones of the same stream: a two-hour MPEG-2 transport stream, a
// two-hour H.264 Matroska file and a one-hour DV file, each beside a two-minute file made the
// same way. Both are a corpus clip looped with `ffmpeg -stream_loop N -c copy` into a
// temporary folder (never committed). Three headless runs of the program are measured:
//   open    framix /o=F /g /quit                    open and grab the first frame
//   end     framix /o=F /script=(AvanceFin; Grab)   open, go to the last frame, grab it
//   minute  framix /o=F /idelai=60 /si /inter /quit one image a minute through the file
// Each prints its median wall time (for the interval run the time from one image written to the
// next) and the process's peak
// resident memory, and the ratio of the long file's figures to the short one's (targets: time
// within 1.5x, memory within 1.3x). Every image is read back: it must show the frame its place
// in the file gives (the looped clip's frame number), else the run counts as wrong.
//
//   long_files [KIND...]      KIND: ts, mkv, dv (default all three)
//
// FRAMIX_BENCH_RUNS (default 3) sets the runs per figure; FRAMIX=path the program measured;
// CORPUS the corpus folder; LONG_DIR the folder for the generated files (default a temporary
// folder; the files take about 20 GB together).
#include "BenchSupport.h"
#include "media/TFrameIndex.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

using benchsupport::corpusDir;
using benchsupport::framixPath;

struct Kind
{
    const char *tag;
    const char *clip;
    int clipFrames;
    double fps;
    int longSeconds;
};

const Kind kKinds[] = {
    {"ts", "fi_mpeg2_ts.ts", 100, 25, 7200},
    {"mkv", "fi_h264_576w.mkv", 260, 25, 7200},
    {"dv", "fi_dv_pal.dv", 100, 25, 3600},
};

struct Run
{
    double ms = -1;
    double peakMB = 0;
};

// One process, timed whole; its peak resident memory from wait4. The moments (ms from the
// start) at which it printed that it wrote an image go into `saved`.
Run measured(const QString &program, const QStringList &args, std::vector<double> *saved = nullptr)
{
    std::vector<QByteArray> store;
    store.push_back(program.toLocal8Bit());
    for (const QString &a : args)
        store.push_back(a.toLocal8Bit());
    std::vector<char *> argv;
    for (QByteArray &b : store)
        argv.push_back(b.data());
    argv.push_back(nullptr);
    int out[2];
    if (pipe(out) != 0)
        return {};
    QElapsedTimer clock;
    clock.start();
    const pid_t pid = fork();
    if (pid == 0) {
        // Standard output comes here; the rest of what the program says would bury the table.
        const int devnull = ::open("/dev/null", O_WRONLY);
        dup2(out[1], 1);
        if (devnull >= 0)
            dup2(devnull, 2);
        close(out[0]);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(out[1]);
    QByteArray pending;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(out[0], buffer, sizeof buffer);
        if (n <= 0)
            break;
        pending.append(buffer, int(n));
        for (int eol; (eol = pending.indexOf('\n')) >= 0; pending.remove(0, eol + 1))
            if (saved && pending.startsWith("Image enregistr"))
                saved->push_back(double(clock.nsecsElapsed()) / 1e6);
    }
    close(out[0]);
    Run r;
    int status = 0;
    struct rusage usage
    {
    };
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid)
        return r;
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "failed (%d): %s %s\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1,
                     qPrintable(program), qPrintable(args.join(' ')));
        return r;
    }
    r.ms = ms;
    r.peakMB = double(usage.ru_maxrss) / 1024.0;
    return r;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0.0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

bool loop(const QString &clip, int seconds, double clipSeconds, const QString &out)
{
    if (QFileInfo::exists(out))
        return true;
    const int loops = int(std::ceil(seconds / clipSeconds)) - 1;
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start("ffmpeg",
            {"-v", "error", "-stream_loop", QString::number(loops), "-i", clip, "-c", "copy", "-y", out});
    if (!p.waitForFinished(1800000) || p.exitCode() != 0) {
        std::fprintf(stderr, "ffmpeg could not loop %s: %s\n", qPrintable(clip), p.readAll().constData());
        QFile::remove(out);
        return false;
    }
    return true;
}

// The images written into dir, in name order.
QStringList images(const QString &dir)
{
    return QDir(dir).entryList({"*.jpg"}, QDir::Files, QDir::Name);
}

struct Figures
{
    double openMs = 0, openMB = 0, endMs = 0, endMB = 0, minuteMs = 0, minuteMB = 0;
    int minuteImages = 0, wrong = 0;
};

Figures measure(const Kind &k, const QString &file, int seconds, int runs)
{
    Figures f;
    // The file is the clip played a whole number of times (loop() rounds up).
    const int fileFrames = int(std::ceil(seconds / (k.clipFrames / k.fps))) * k.clipFrames;
    std::vector<double> openMs, openMB, endMs, endMB, minuteMs, minuteMB;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir dir;
        const QStringList common = {"-platform", "offscreen", "/o=" + file, "/savfold=" + dir.path() + "/",
                                    "/root=x",   "/addi=1",   "/dig=4",     "/n=1",
                                    "/ej",       "/ci=0"};
        auto shows = [&](const QString &name) { return FrameIndexFromImage(QImage(dir.filePath(name))); };
        auto wrongIf = [&](bool bad, const char *what, int seen, int expected) {
            if (!bad)
                return;
            ++f.wrong;
            std::fprintf(stderr, "%s: %s shows frame %d, not %d\n", qPrintable(QFileInfo(file).fileName()),
                         what, seen, expected);
        };
        const Run open = measured(framixPath(), common + QStringList{"/g", "/quit"});
        const QStringList first = images(dir.path());
        const int firstSeen = first.size() == 1 ? shows(first[0]) : -2;
        wrongIf(open.ms < 0 || firstSeen != 0, "the first image", firstSeen, 0);
        openMs.push_back(open.ms);
        openMB.push_back(open.peakMB);
        for (const QString &n : first)
            QFile::remove(dir.filePath(n));

        const QString script = dir.filePath("end.pas");
        QFile s(script);
        if (s.open(QIODevice::WriteOnly))
            s.write("begin\n  AvanceFin;\n  Grab;\nend.\n");
        s.close();
        const Run end = measured(framixPath(), common + QStringList{"/script=" + script, "/quit"});
        const QStringList last = images(dir.path());
        const int lastSeen = last.size() == 1 ? shows(last[0]) : -2;
        wrongIf(end.ms < 0 || lastSeen != (fileFrames - 1) % k.clipFrames, "the last image", lastSeen,
                (fileFrames - 1) % k.clipFrames);
        endMs.push_back(end.ms);
        endMB.push_back(end.peakMB);
        for (const QString &n : last)
            QFile::remove(dir.filePath(n));

        std::vector<double> saved;
        const Run minute = measured(
            framixPath(), common + QStringList{"/idelai=60", "/iunit=1", "/si", "/inter", "/quit"}, &saved);
        const QStringList every = images(dir.path());
        // Image j (numbered from 1) shows the frame at j - 1 minutes.
        for (int j = 0; j < every.size(); ++j) {
            // The last one may be the last frame (a length that ends on a whole minute).
            const int frame = std::min(int(std::lround(j * 60 * k.fps)), fileFrames - 1) % k.clipFrames;
            const int seen = shows(every[j]);
            wrongIf(seen != frame, qPrintable(QStringLiteral("interval image %1").arg(j + 1)), seen, frame);
        }
        wrongIf(minute.ms < 0 || every.size() < seconds / 60, "the interval run", int(every.size()),
                seconds / 60);
        f.minuteImages = int(every.size());
        // Per image: the time between one image written and the next.
        for (size_t j = 1; j < saved.size(); ++j)
            minuteMs.push_back(saved[j] - saved[j - 1]);
        minuteMB.push_back(minute.peakMB);
    }
    f.openMs = median(openMs);
    f.openMB = median(openMB);
    f.endMs = median(endMs);
    f.endMB = median(endMB);
    f.minuteMs = median(minuteMs);
    f.minuteMB = median(minuteMB);
    return f;
}

void row(const char *kind, const char *what, double shortV, double longV, const char *unit)
{
    std::printf("%-5s %-22s %10.1f %10.1f %8.2f %s\n", kind, what, shortV, longV,
                longV / std::max(shortV, 1e-9), unit);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int runs = qEnvironmentVariableIsSet("FRAMIX_BENCH_RUNS")
                         ? qEnvironmentVariableIntValue("FRAMIX_BENCH_RUNS")
                         : 3;
    QStringList wanted;
    for (int i = 1; i < argc; ++i)
        wanted << QString::fromLocal8Bit(argv[i]);
    QTemporaryDir temp;
    const QString dir = qEnvironmentVariable("LONG_DIR", temp.path());
    QDir().mkpath(dir);
    std::printf("long files against two-minute ones, %d runs per figure (median); ratio = long / short\n",
                runs);
    std::printf("%-5s %-22s %10s %10s %8s\n", "kind", "figure", "2 min", "long", "ratio");
    int wrong = 0;
    for (const Kind &k : kKinds) {
        if (!wanted.isEmpty() && !wanted.contains(QString::fromLatin1(k.tag)))
            continue;
        const QString clip = corpusDir() + "/" + k.clip;
        const double clipSeconds = k.clipFrames / k.fps;
        const QString shortFile = dir + QStringLiteral("/short_%1.%2").arg(k.tag, QFileInfo(clip).suffix());
        const QString longFile = dir + QStringLiteral("/long_%1.%2").arg(k.tag, QFileInfo(clip).suffix());
        if (!loop(clip, 120, clipSeconds, shortFile) || !loop(clip, k.longSeconds, clipSeconds, longFile))
            return 1;
        const Figures s = measure(k, shortFile, 120, runs);
        const Figures l = measure(k, longFile, k.longSeconds, runs);
        row(k.tag, "open+grab ms", s.openMs, l.openMs, "");
        row(k.tag, "open+grab peak MB", s.openMB, l.openMB, "");
        row(k.tag, "end+grab ms", s.endMs, l.endMs, "");
        row(k.tag, "end+grab peak MB", s.endMB, l.endMB, "");
        row(k.tag, "a minute: ms/image", s.minuteMs, l.minuteMs, "");
        row(k.tag, "a minute: peak MB", s.minuteMB, l.minuteMB, "");
        std::printf("%-5s %-22s %10d %10d\n", k.tag, "a minute: images", s.minuteImages, l.minuteImages);
        std::printf("METRIC %s_open_ratio %.2f x\nMETRIC %s_open_mb_ratio %.2f x\n", k.tag,
                    l.openMs / std::max(s.openMs, 1e-9), k.tag, l.openMB / std::max(s.openMB, 1e-9));
        std::printf("METRIC %s_end_ratio %.2f x\nMETRIC %s_end_mb_ratio %.2f x\n", k.tag,
                    l.endMs / std::max(s.endMs, 1e-9), k.tag, l.endMB / std::max(s.endMB, 1e-9));
        std::printf("METRIC %s_minute_ratio %.2f x\nMETRIC %s_minute_mb_ratio %.2f x\n", k.tag,
                    l.minuteMs / std::max(s.minuteMs, 1e-9), k.tag, l.minuteMB / std::max(s.minuteMB, 1e-9));
        if (s.wrong + l.wrong)
            std::printf("%-5s %d runs or images wrong (2 min: %d, long: %d)\n", k.tag, s.wrong + l.wrong,
                        s.wrong, l.wrong);
        wrong += s.wrong + l.wrong;
        if (!qEnvironmentVariableIsSet("LONG_DIR")) {
            QFile::remove(shortFile);
            QFile::remove(longFile);
        }
    }
    return wrong ? 2 : 0;
}
