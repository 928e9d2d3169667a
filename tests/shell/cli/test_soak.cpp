// The soak: a headless interval run of one image a second through an hour of video, as an
// archivist leaves it running over a whole tape. What must not happen over the hour: resident
// memory creeping up (a frame, a buffer pool or a message kept per image) and file descriptors
// left open (an image file, a pipe, a plugin's device). Long mode only (FRAMIX_LONG=1): the
// hour of video is made in a temporary folder by looping a short clip with ffmpeg's stream
// copy, never committed, and each run lasts minutes.
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

bool longMode()
{
    return qEnvironmentVariable("FRAMIX_LONG") == QLatin1String("1");
}

bool runTool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool ok = p.waitForFinished(1800000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok)
        std::fprintf(stderr, "%s failed:\n%s\n", qPrintable(program), p.readAll().constData());
    return ok;
}

// One look at the running program: how far it is, what it holds.
struct TSample
{
    int images = 0;
    qint64 rssKb = 0;
    int fds = 0;
};

qint64 residentKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

int openFds(qint64 pid)
{
    return int(QDir(QStringLiteral("/proc/%1/fd").arg(pid))
                   .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                   .size());
}

// The median of a field over the samples taken while `from` <= images < `to`: a single look
// can fall on an image being encoded (its buffers) or written (its descriptor).
template <typename F> qint64 medianOver(const std::vector<TSample> &samples, int from, int to, F field)
{
    std::vector<qint64> values;
    for (const TSample &s : samples)
        if (s.images >= from && s.images < to)
            values.push_back(field(s));
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

class Soak : public testing::Test
{
protected:
    void SetUp() override
    {
        if (!longMode())
            GTEST_SKIP() << "the soak runs an hour of video; FRAMIX_LONG=1 runs it";
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir().mkpath(m_dir.filePath("images")));
        ASSERT_TRUE(QDir().mkpath(m_dir.filePath(".config")));
    }

    // An hour of `clip` (`seconds` long), by stream copy: the same packets again and again,
    // so the hour costs no encoding.
    QString loopToAnHour(const QString &clip, int seconds, const QString &name, const QStringList &format)
    {
        const QString out = m_dir.filePath(name);
        const int loops = (3600 + seconds - 1) / seconds - 1;
        if (!runTool("ffmpeg", QStringList{"-nostdin", "-v", "error", "-y", "-stream_loop",
                                           QString::number(loops), "-i", clip, "-c", "copy"} +
                                   format + QStringList{out}))
            return {};
        return out;
    }

    // Runs the interval capture of one JPEG a second over `video` and samples the process
    // every half second until it ends.
    void soak(const QString &video, int expectedImages)
    {
        const QString images = m_dir.filePath("images");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_LOGGING_RULES", "GST_DEBUG"})
            env.remove(QString::fromLatin1(name));
        env.insert("HOME", m_dir.path());
        env.insert("XDG_CONFIG_HOME", m_dir.filePath(".config"));
        env.insert("LC_ALL", "C.UTF-8");
        QProcess proc;
        proc.setProcessEnvironment(env);
        proc.setStandardOutputFile(m_dir.filePath("out.txt"));
        proc.setStandardErrorFile(m_dir.filePath("err.txt"));
        proc.start(QStringLiteral(FRAMIX_BINARY_DIR "/framix"),
                   {"-platform", "offscreen", "/o=" + video, "/savfold=" + images + "/", "/root=x", "/addi=0",
                    "/iex=1", "/qual=75", "/idelai=1", "/iunit=1", "/si", "/inter", "/quit"});
        ASSERT_TRUE(proc.waitForStarted(10000));
        const qint64 pid = proc.processId();

        std::vector<TSample> samples;
        QElapsedTimer clock;
        clock.start();
        while (!proc.waitForFinished(500)) {
            TSample s;
            s.images = int(QDir(images).entryList({"x_*.jpg"}, QDir::Files).size());
            s.rssKb = residentKb(pid);
            s.fds = openFds(pid);
            if (s.rssKb > 0 && s.fds > 0)
                samples.push_back(s);
            ASSERT_LT(clock.elapsed(), 3 * 3600 * 1000) << "the run did not end in three hours";
        }
        ASSERT_EQ(proc.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(proc.exitCode(), 0);

        const QStringList written = QDir(images).entryList({"x_*.jpg"}, QDir::Files, QDir::Name);
        EXPECT_GE(written.size(), expectedImages - 1);
        EXPECT_LE(written.size(), expectedImages + 1);
        int unreadable = 0;
        for (const QString &name : written)
            if (QImageReader(QDir(images).filePath(name)).size().isEmpty())
                ++unreadable;
        EXPECT_EQ(unreadable, 0);
        EXPECT_TRUE(QDir(images).entryList({".*.tmp"}, QDir::Files | QDir::Hidden).isEmpty());

        // The first minute is warm-up (the plugins, the pools, the first encoder); the
        // figures compare the second minute with the last one.
        const int total = int(written.size());
        const qint64 rssStart = medianOver(samples, 60, 120, [](const TSample &s) { return s.rssKb; });
        const qint64 rssEnd =
            medianOver(samples, total - 60, total + 1, [](const TSample &s) { return s.rssKb; });
        // Descriptors by the fewest open in each minute: one more is open while an image is
        // written, one left open for good raises the least.
        auto fewestFds = [&samples](int from, int to) {
            qint64 least = -1;
            for (const TSample &s : samples)
                if (s.images >= from && s.images < to && (least < 0 || s.fds < least))
                    least = s.fds;
            return least;
        };
        const qint64 fdStart = fewestFds(60, 120);
        const qint64 fdEnd = fewestFds(total - 60, total + 1);
        const qint64 rssPeak =
            std::max_element(samples.begin(), samples.end(), [](const TSample &a, const TSample &b) {
                return a.rssKb < b.rssKb;
            })->rssKb;
        std::fprintf(stderr,
                     "soak %s: %d images in %.0f s; resident %lld kB after the first minute, %lld kB in the "
                     "last, peak %lld kB; descriptors %lld then %lld\n",
                     qPrintable(QFileInfo(video).fileName()), total, clock.elapsed() / 1000.0,
                     static_cast<long long>(rssStart), static_cast<long long>(rssEnd),
                     static_cast<long long>(rssPeak), static_cast<long long>(fdStart),
                     static_cast<long long>(fdEnd));
        ASSERT_GT(rssStart, 0) << "no sample in the second minute";
        ASSERT_GT(rssEnd, 0) << "no sample in the last minute";
        EXPECT_LT(rssEnd - rssStart, 10 * 1024) << "resident memory grew over the hour";
        EXPECT_LE(fdEnd, fdStart) << "file descriptors were left open over the hour";
    }

    QTemporaryDir m_dir;
};

} // namespace

TEST_F(Soak, AnHourOfDvOneImageASecond)
{
    const QString video = loopToAnHour(framixtest::corpusFile("fi_dv_pal.dv"), 4, "hour.dv", {"-f", "dv"});
    ASSERT_FALSE(video.isEmpty());
    soak(video, 3600);
}

TEST_F(Soak, AnHourOfH264OneImageASecond)
{
    // A minute of 640x360 H.264 with B-frames and a key frame every 2 s, with AAC sound, in
    // MP4: what a phone or a web download gives.
    const QString minute = m_dir.filePath("minute.mp4");
    ASSERT_TRUE(
        runTool("ffmpeg", {"-nostdin",  "-v",      "error",   "-y",
                           "-f",        "lavfi",   "-i",      "testsrc2=size=640x360:rate=25:duration=60",
                           "-f",        "lavfi",   "-i",      "sine=frequency=440:duration=60",
                           "-c:v",      "libx264", "-preset", "veryfast",
                           "-g",        "50",      "-bf",     "3",
                           "-pix_fmt",  "yuv420p", "-c:a",    "aac",
                           "-shortest", minute}));
    const QString video = loopToAnHour(minute, 60, "hour.mp4", {"-f", "mp4"});
    ASSERT_FALSE(video.isEmpty());
    soak(video, 3600);
}
