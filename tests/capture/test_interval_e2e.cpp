// Interval capture as a user runs it, headless: framix opens a frame-index clip, takes one image
// every 7 frames from the start to the end, and quits. Every image must show the frame its
// time-stamp name says, in every container; BMPs come out at the displayed aspect size; and
// killing the program in the middle of a run over existing images never leaves a broken one.
#include "../media/CorpusSupport.h"
#include "media/FrameGrid.h"
#include "media/TFrameIndex.h"
#include "media/Timecode.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>

#include <signal.h>

namespace {

QString framix()
{
    return QStringLiteral(FRAMIX_BINARY_DIR "/framix");
}

std::int64_t frameDuration(const QString &fps)
{
    const QStringList nd = fps.split(u'/');
    const double n = nd.value(0).toDouble(), d = nd.size() > 1 ? nd[1].toDouble() : 1.0;
    return n > 0 ? std::llround(1e7 * d / n) : 0;
}

struct Clip
{
    QString name;
    int frames = 0;
    std::int64_t frame = 0; // frame duration, 100 ns units
};

Clip clip(const QString &name)
{
    const QJsonObject video = corpus::files().value(name).toObject().value("video").toObject();
    return {name, video.value("frames").toInt(), frameDuration(video.value("fps").toString())};
}

// One framix run with its own preference folder; the arguments follow "-platform offscreen".
struct FramixRun
{
    QTemporaryDir config;
    QProcess proc;
    FramixRun(const QStringList &args)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_CONFIG_HOME", config.path());
        env.insert("QT_QPA_PLATFORM", "offscreen");
        proc.setProcessEnvironment(env);
        proc.setProcessChannelMode(QProcess::MergedChannels);
        proc.start(framix(), QStringList{"-platform", "offscreen"} + args);
    }
    // True when the program ended by itself with exit code 0.
    bool finish(int timeoutMs, QByteArray *output)
    {
        const bool done = proc.waitForFinished(timeoutMs);
        if (!done)
            proc.kill(), proc.waitForFinished(5000);
        *output = proc.readAll();
        return done && proc.exitStatus() == QProcess::NormalExit && proc.exitCode() == 0;
    }
};

QStringList intervalArgs(const QString &clipPath, const QString &dir, int ext, int delai, int unit)
{
    return {"/o=" + clipPath,
            "/savfold=" + dir + "/",
            "/root=x",
            "/addi=0",
            QStringLiteral("/iex=%1").arg(ext),
            QStringLiteral("/idelai=%1").arg(delai),
            QStringLiteral("/iunit=%1").arg(unit),
            "/si",
            "/inter",
            "/quit"};
}

// The frame number a time-stamp name stands for ("x_0.00.01.03.jpg"), -1 when it is no such name.
int frameOfName(const QString &fileName, std::int64_t frame)
{
    static const QRegularExpression re(QStringLiteral("^x_(\\d+\\.\\d\\d\\.\\d\\d\\.\\d\\d)\\.(jpg|bmp)$"));
    const QRegularExpressionMatch m = re.match(fileName);
    if (!m.hasMatch())
        return -1;
    return int(TFrameGrid(frame).IndexAt(TimecodeToTime(m.captured(1).replace(u'.', u':'), frame)));
}

// A whole, decodable image: a JPEG must end with its end-of-image marker (a cut JPEG still
// decodes, grey at the bottom).
QString brokenReason(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return "unreadable";
    const QByteArray data = f.readAll();
    if (path.endsWith(".jpg") && !data.endsWith("\xff\xd9"))
        return "no end-of-image marker";
    QImage img;
    if (!img.loadFromData(data))
        return "does not decode";
    return {};
}

// The program and its interval switch exist (the switch list of --help names "/inter").
::testing::AssertionResult framixReady()
{
    QProcess p;
    p.start(framix(), {"-platform", "offscreen", "--help"});
    p.waitForFinished(30000);
    if (!p.readAll().contains("/inter"))
        return ::testing::AssertionFailure() << "the main window has no interval capture yet";
    return ::testing::AssertionSuccess();
}

#define REQUIRE_FRAMIX()                                                                                     \
    ASSERT_TRUE(QFileInfo(framix()).isExecutable()) << qPrintable(framix());                                 \
    if (const auto ready = framixReady(); !ready)                                                            \
    GTEST_SKIP() << ready.message()

} // namespace

TEST(IntervalEndToEnd, OneJpegEverySevenFramesShowsTheFrameItIsNamedAfter)
{
    REQUIRE_FRAMIX();
    // Every image must show the frame its name gives, in every container, and the series must be
    // whole, up to the last frame when the spacing lands there (98 of 99 frames). NTSC DV: 7
    // frames are no whole number of 100-ns units.
    const QStringList names{
        "fi_h264_576w.mp4", "fi_h264_576w.m2ts", "fi_mpeg2_ts.ts", "fi_mpeg2_ps.mpg", "fi_dv_pal.dv",
        "fi_dv_pal_type1.avi", "fi_mjpeg.avi", "fi_dv_ntsc_wide.dv", "fi_dv_ntsc_wide_type1.avi",
        "fi_dv_ntsc_wide_type2.avi", "fi_dv_ntsc_99_type2.avi",
        // made elsewhere: MPEG-4 Part 2 with packed and unpacked B-frames,
        // NTSC rates, HD, other codecs, a variable frame rate
        "fi_xvid_packed.avi", "fi_xvid_unpacked.avi", "fi_divx_packed.avi", "fi_divx_unpacked.avi",
        "fi_h264_2997.mp4", "fi_h264_2997.mkv", "fi_h264_23976.mp4", "fi_h264_23976.mkv", "fi_ntsc_dvd.vob",
        "fi_h264_50p.m2ts", "fi_h264_1080i_mbaff.m2ts", "fi_hevc.mp4", "fi_prores.mov", "fi_wmv.wmv",
        "fi_mpeg1.mpg", "fi_vfr.mp4"};
    for (const QString &name : names) {
        SCOPED_TRACE(qPrintable(name));
        const Clip c = clip(name);
        ASSERT_GT(c.frames, 0);
        ASSERT_GT(c.frame, 0);
        QTemporaryDir out;
        FramixRun run(intervalArgs(framixtest::corpusFile(name), out.path(), 1, 7, 0));
        QByteArray output;
        EXPECT_TRUE(run.finish(300000, &output)) << output.constData();

        // The frames the clip has: all of them, or the slots of the grid that hold one. A target on
        // an empty slot shows a frame next to it, named after that frame.
        std::set<int> present;
        for (const QJsonValue v :
             corpus::files().value(name).toObject().value("video").toObject().value("slots").toArray())
            present.insert(v.toInt());
        const bool gaps = !present.empty();
        if (!gaps)
            for (int f = 0; f < c.frames; ++f)
                present.insert(f);
        std::set<int> expected;
        for (int f = 0; f <= *present.rbegin(); f += 7)
            expected.insert(f);
        std::set<int> found;
        int wrong = 0;
        for (const QFileInfo &fi : QDir(out.path()).entryInfoList(QDir::Files)) {
            const int named = frameOfName(fi.fileName(), c.frame);
            EXPECT_GE(named, 0) << "unexpected file " << qPrintable(fi.fileName());
            if (named < 0)
                continue;
            found.insert(named);
            const QImage img(fi.filePath());
            const int shown = FrameIndexFromImage(img);
            if (shown != named && ++wrong <= 5)
                ADD_FAILURE() << qPrintable(fi.fileName()) << " shows frame " << shown;
        }
        EXPECT_EQ(wrong, 0);
        EXPECT_GE(found.size(), expected.size() * 3 / 4);
        if (!gaps) {
            EXPECT_EQ(found, expected);
        } else {
            // One image a target, each of a frame the clip has, no two of the same frame.
            EXPECT_EQ(found.size(), expected.size());
            for (int f : found)
                EXPECT_TRUE(present.count(f)) << "an image named after the empty slot " << f;
        }
    }
}

TEST(IntervalEndToEnd, BmpsHaveTheDisplayedAspectSize)
{
    REQUIRE_FRAMIX();
    // One image a second is enough to see the size. The H.264 clip's 16:9 lives only in its
    // pixel aspect (64/45).
    for (auto [name, size] : {std::pair{QString("fi_dv_pal.dv"), QSize(720, 540)},
                              std::pair{QString("dv_pal_wide_date.dv"), QSize(720, 405)},
                              std::pair{QString("fi_h264_576w.mp4"), QSize(720, 405)}}) {
        SCOPED_TRACE(qPrintable(name));
        QTemporaryDir out;
        FramixRun run(intervalArgs(framixtest::corpusFile(name), out.path(), 0, 1, 1));
        QByteArray output;
        EXPECT_TRUE(run.finish(300000, &output)) << output.constData();
        const QFileInfoList files = QDir(out.path()).entryInfoList({"x_*.bmp"}, QDir::Files);
        EXPECT_GE(files.size(), 4);
        for (const QFileInfo &fi : files) {
            QImageReader reader(fi.filePath());
            EXPECT_EQ(reader.format(), "bmp");
            const QImage img = reader.read();
            EXPECT_EQ(img.size(), size) << qPrintable(fi.fileName());
            QFile f(fi.filePath());
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(quint8(f.read(30).at(28)), 24) << "bits per pixel";
            if (name.startsWith("fi_")) {
                EXPECT_EQ(FrameIndexFromImage(img), frameOfName(fi.fileName(), 400000))
                    << qPrintable(fi.fileName());
            }
        }
    }
}

TEST(IntervalEndToEnd, KilledMidRunNeverLeavesABrokenImage)
{
    REQUIRE_FRAMIX();
    // An intra-only clip of 260 frames keeps each of the ~260 grabs cheap.
    QTemporaryDir work;
    const QString clipPath = work.filePath("fi_mjpeg_260.avi");
    {
        QProcess ff;
        ff.setProcessChannelMode(QProcess::MergedChannels);
        ff.start("ffmpeg", {"-v", "error", "-y", "-i", framixtest::corpusFile("fi_h264_576w.mkv"), "-an",
                            "-c:v", "mjpeg", "-q:v", "3", clipPath});
        ASSERT_TRUE(ff.waitForFinished(120000) && ff.exitCode() == 0) << ff.readAll().constData();
    }
    const QString out = work.filePath("images");
    ASSERT_TRUE(QDir().mkpath(out));
    // Grabs onto existing files, without the overwrite question.
    QStringList args = intervalArgs(clipPath, out, 1, 1, 0);
    args.insert(args.size() - 3, "/ci=0");

    // A complete first run makes the files and tells how long a run takes.
    QElapsedTimer clock;
    clock.start();
    {
        FramixRun run(args);
        QByteArray output;
        ASSERT_TRUE(run.finish(600000, &output)) << output.constData();
    }
    const qint64 full = clock.elapsed();
    const QStringList images = QDir(out).entryList({"x_*.jpg"}, QDir::Files, QDir::Name);
    ASSERT_GE(images.size(), 200);

    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    SCOPED_TRACE(testing::Message() << "seed " << seed << ", full run " << full << " ms");
    for (int round = 0; round < 6; ++round) {
        FramixRun run(args);
        ASSERT_TRUE(run.proc.waitForStarted(10000));
        // Anywhere from the opening of the video to the last grabs.
        const qint64 at = full / 10 + qint64(random.bounded(quint32(full * 8 / 10 + 1)));
        if (run.proc.waitForFinished(int(at)))
            continue; // faster than the first run: nothing to kill
        ::kill(pid_t(run.proc.processId()), SIGKILL);
        run.proc.waitForFinished(10000);

        const QStringList now = QDir(out).entryList({"x_*.jpg"}, QDir::Files, QDir::Name);
        EXPECT_EQ(now, images) << "round " << round << " at " << at << " ms";
        int broken = 0;
        for (const QString &name : now) {
            const QString why = brokenReason(out + "/" + name);
            if (!why.isEmpty() && ++broken <= 5)
                ADD_FAILURE() << "round " << round << " at " << at << " ms: " << qPrintable(name) << " "
                              << qPrintable(why);
        }
        EXPECT_EQ(broken, 0);
    }
}

TEST(IntervalEndToEnd, EndThenGrabSavesTheLastFrameOfEveryClip)
{
    REQUIRE_FRAMIX();
    // As a user with the settings of a first start (precise seeking off): "end", then a grab.
    QTemporaryDir work;
    const QString script = work.filePath("end.pas");
    {
        QFile f(script);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("begin\n  AvanceFin;\n  Grab;\nend.\n");
    }
    int clips = 0;
    const QJsonObject all = corpus::files();
    for (auto it = all.begin(); it != all.end(); ++it) {
        const QJsonObject e = it.value().toObject();
        if (!e.value("frame_index").toBool() || corpus::isDamaged(e) || !corpus::hasKind(e, "elsewhere")) {
            if (!QStringList{"fi_dv_ntsc_99_type2.avi", "fi_dv_pal_type1.avi", "fi_h264_1080.mp4",
                             "fi_mpeg2_ts.ts"}
                     .contains(it.key()))
                continue;
        }
        const QString name = it.key();
        SCOPED_TRACE(qPrintable(name));
        ++clips;
        const Clip c = clip(name);
        int last = c.frames - 1;
        const QJsonArray slots = e.value("video").toObject().value("slots").toArray();
        if (!slots.isEmpty())
            last = slots.last().toInt();
        QTemporaryDir out;
        FramixRun run({"/o=" + framixtest::corpusFile(name), "/savfold=" + out.path() + "/", "/root=x",
                       "/addi=0", "/iex=0", "/script=" + script, "/exec", "/quit"});
        QByteArray output;
        EXPECT_TRUE(run.finish(120000, &output)) << output.constData();
        const QFileInfoList files = QDir(out.path()).entryInfoList({"x_*.bmp"}, QDir::Files);
        ASSERT_EQ(files.size(), 1) << output.constData();
        EXPECT_EQ(frameOfName(files[0].fileName(), c.frame), last) << qPrintable(files[0].fileName());
        EXPECT_EQ(FrameIndexFromImage(QImage(files[0].filePath())), last);
    }
    EXPECT_GE(clips, 18);
}
