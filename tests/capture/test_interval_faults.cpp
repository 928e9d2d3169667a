// An interval capture whose video changes under it: the file is cut short or rewritten in
// place with bytes that are no video, while the headless program reads it. The run must end by
// itself and never write an image of one frame under the name of another; either it took every
// image asked for (from what it had read already) and succeeds, or it says once what went wrong
// and exits with the status of a failed grab.
#include "media/FrameGrid.h"
#include "media/TFrameIndex.h"
#include "media/Timecode.h"

#include "TestPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <functional>

namespace {

constexpr std::int64_t kFrame = 400000; // the corpus's MJPEG clip: 25 frames a second

// The frame number a time-stamp name stands for ("x_0.00.01.03.jpg"), -1 for another name.
int frameOfName(const QString &fileName)
{
    static const QRegularExpression re(QStringLiteral("^x_(\\d+\\.\\d\\d\\.\\d\\d\\.\\d\\d)\\.jpg$"));
    const QRegularExpressionMatch m = re.match(fileName);
    if (!m.hasMatch())
        return -1;
    return int(TFrameGrid(kFrame).IndexAt(TimecodeToTime(m.captured(1).replace(u'.', u':'), kFrame)));
}

struct Outcome
{
    int code = -2; // -1: ended by a signal, -2: did not end within the limit
    QStringList messages;
    int images = 0;
    QStringList wrong; // images that show another frame than their name says
};

// Runs an interval capture of one image a frame over a copy of the clip, and calls `fault` on
// the copy once five images are written.
Outcome runWithFault(const std::function<void(const QString &clip)> &fault)
{
    Outcome r;
    QTemporaryDir work;
    const QString clip = work.filePath("clip.avi");
    const QString images = work.filePath("images");
    if (!QFile::copy(framixtest::corpusFile("fi_mjpeg.avi"), clip) || !QDir().mkpath(images))
        return r;
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", work.filePath("config"));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.remove("QT_LOGGING_RULES");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(FRAMIX_BINARY_DIR "/framix"),
            {"-platform", "offscreen", "/o=" + clip, "/savfold=" + images + "/", "/root=x", "/addi=0",
             "/iex=1", "/idelai=1", "/iunit=0", "/si", "/inter", "/quit"});
    QElapsedTimer clock;
    clock.start();
    while (p.state() != QProcess::NotRunning && QDir(images).entryList({"x_*"}, QDir::Files).size() < 5 &&
           clock.elapsed() < 60000)
        p.waitForFinished(10);
    fault(clip);
    if (p.waitForFinished(120000))
        r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    else
        p.kill(), p.waitForFinished(10000);
    for (const QString &line : QString::fromUtf8(p.readAllStandardError()).split(u'\n', Qt::SkipEmptyParts))
        if (!line.startsWith(QLatin1String("Aucune sortie audio")) &&
            !line.startsWith(QLatin1String("Capture par intervalles : ")) &&
            !line.startsWith(QStringLiteral("Enregistrement des préférences -> ")))
            r.messages << line;
    for (const QString &name : QDir(images).entryList({"x_*"}, QDir::Files, QDir::Name)) {
        ++r.images;
        const int shown = FrameIndexFromImage(QImage(images + u'/' + name));
        if (shown != frameOfName(name))
            r.wrong << QStringLiteral("%1 shows %2").arg(name).arg(shown);
    }
    return r;
}

} // namespace

TEST(IntervalFaults, VideoCutShortOrRewrittenUnderTheRun)
{
    if (!QFileInfo::exists(framixtest::corpusFile("fi_mjpeg.avi")))
        GTEST_SKIP() << "the corpus is missing: build the corpus target";
    struct Case
    {
        const char *name;
        std::function<void(const QString &)> fault;
    };
    const Case cases[] = {
        {"cut to a third", [](const QString &clip) { QFile::resize(clip, QFileInfo(clip).size() / 3); }},
        {"rewritten with noise",
         [](const QString &clip) {
             QFile f(clip);
             if (!f.open(QIODevice::ReadWrite))
                 return;
             QByteArray junk(int(f.size()), '\0');
             for (qsizetype i = 0; i < junk.size(); ++i)
                 junk[i] = char((i * 7919) >> 5);
             f.write(junk);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome r = runWithFault(c.fault);
        EXPECT_NE(r.code, -2) << "the run must end by itself";
        EXPECT_GE(r.images, 5);
        EXPECT_EQ(r.wrong.join(u'\n').toStdString(), "") << "an image under the name of another frame";
        // The log's own lines (framix.gst: ...) are diagnostics; what the user reads is French.
        QStringList said = r.messages;
        said.removeIf([](const QString &line) {
            return line.startsWith(QLatin1String("framix.")) ||
                   line.startsWith(QLatin1String("no valid frames"));
        });
        if (r.code == 0) {
            // Every frame asked for was taken (the frames already read are enough).
            EXPECT_EQ(r.images, 100);
            EXPECT_EQ(said.join(u'\n').toStdString(), "");
        } else {
            // The frames after the fault could not be taken: said once, a failed grab.
            EXPECT_EQ(r.code, 3) << r.messages.join(u'\n').toStdString();
            EXPECT_EQ(said.size(), 1) << r.messages.join(u'\n').toStdString();
        }
    }
}
