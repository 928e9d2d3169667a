// A user's run, headless: framix takes one JPEG every 13 frames of a dated DV clip with a
// two-hour offset and quits. Every image must carry the recording date of the frame it shows
// plus two hours, and a photo manager sorting the folder by that date must get the tape's order.
#include "../media/CorpusSupport.h"
#include "media/TFrameIndex.h"
#include "media/Timecode.h"

#include "MetadataReader.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <algorithm>
#include <random>

namespace {

QString framix()
{
    return QStringLiteral(FRAMIX_BINARY_DIR "/framix");
}

QString switchList()
{
    QProcess p;
    p.start(framix(), {"-platform", "offscreen", "--help"});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAll());
}

struct Grab
{
    QString file;
    int frame = -1;          // by its name
    int shown = -1;          // by its picture
    QString date, subSecond; // DateTimeOriginal, SubSecTimeOriginal
};

} // namespace

TEST(MetadataEndToEnd, IntervalRunCarriesEachFramesDatePlusTheOffset)
{
    const QString name = QStringLiteral("fi_dv_pal.dv");
    const QString clip = framixtest::corpusFile(name);
    if (!QFileInfo::exists(clip))
        GTEST_SKIP() << "corpus not generated";
    ASSERT_TRUE(QFileInfo(framix()).isExecutable()) << qPrintable(framix());
    const QString switches = switchList();
    if (!switches.contains(QStringLiteral("/inter")))
        GTEST_SKIP() << "no interval capture in this build";
    // Without the offset's switch (a build without the DV date panel) the run goes without it
    // and the dates are the recorded ones.
    const bool withOffset = switches.contains(QStringLiteral("/dh"));
    const int offsetSeconds = withOffset ? 7200 : 0;
    QStringList offsetArgs;
    if (withOffset)
        offsetArgs << "/dh=" + QString::number(2.0 / 24, 'g', 17);

    QTemporaryDir config, out;
    QProcess proc;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_CONFIG_HOME", config.path());
    proc.setProcessEnvironment(env);
    proc.setProcessChannelMode(QProcess::MergedChannels);
    proc.start(framix(), QStringList{"-platform", "offscreen", "/o=" + clip, "/savfold=" + out.path() + "/",
                                     "/root=x", "/addi=0", "/iex=1"} +
                             offsetArgs + QStringList{"/idelai=13", "/iunit=0", "/si", "/inter", "/quit"});
    ASSERT_TRUE(proc.waitForFinished(300000)) << proc.readAll().constData();
    EXPECT_EQ(proc.exitCode(), 0) << proc.readAll().constData();

    const QJsonArray frames =
        corpus::files().value(name).toObject().value("dv").toObject().value("frames").toArray();
    ASSERT_EQ(frames.size(), 100);
    static const QRegularExpression re(QStringLiteral("^x_(\\d+\\.\\d\\d\\.\\d\\d\\.\\d\\d)\\.jpg$"));
    QList<Grab> grabs;
    QStringList paths;
    for (const QFileInfo &fi : QDir(out.path()).entryInfoList(QDir::Files, QDir::Name)) {
        const QRegularExpressionMatch m = re.match(fi.fileName());
        ASSERT_TRUE(m.hasMatch()) << qPrintable(fi.fileName());
        Grab g;
        g.file = fi.filePath();
        g.frame = int(TimecodeToTime(m.captured(1).replace(u'.', u':'), 400000) / 400000);
        g.shown = FrameIndexFromImage(QImage(g.file));
        grabs.append(g);
        paths.append(g.file);
    }
    ASSERT_EQ(grabs.size(), 8) << "frames 0, 13, ... 91";

    // Every image: the date of the frame it shows, two hours later; its sub-second where known.
    const bool exifTool = metadatatest::HaveExifTool();
    const auto viaExifTool = exifTool ? metadatatest::ExifToolTags(paths) : QList<QMap<QString, QString>>();
    for (int i = 0; i < grabs.size(); ++i) {
        Grab &g = grabs[i];
        SCOPED_TRACE(qPrintable(g.file));
        EXPECT_EQ(g.shown, g.frame);
        const auto tags = metadatatest::Exiv2Tags(g.file);
        g.date = tags.value("Exif.Photo.DateTimeOriginal");
        g.subSecond = tags.value("Exif.Photo.SubSecTimeOriginal");
        const QDateTime recorded = QDateTime::fromString(
            frames.at(g.shown).toObject().value("date").toString(), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        ASSERT_TRUE(recorded.isValid());
        EXPECT_EQ(g.date, recorded.addSecs(offsetSeconds).toString(QStringLiteral("yyyy:MM:dd HH:mm:ss")));
        if (!g.subSecond.isEmpty()) {
            EXPECT_EQ(g.subSecond.toInt(), g.shown % 25 * 40) << "this clip's seconds start at frame 0";
        }
        if (exifTool) {
            ASSERT_EQ(viaExifTool.size(), grabs.size());
            EXPECT_EQ(viaExifTool[i].value("DateTimeOriginal"), g.date);
        }
    }

    // Sorted as a photo manager sorts, by DateTimeOriginal and its sub-second, from a shuffled
    // folder: the tape's order. Images of one second without a sub-second tie; the manager
    // then orders them by name, which this folder's names make the tape's order too.
    std::shuffle(grabs.begin(), grabs.end(), std::mt19937(20261210));
    std::stable_sort(grabs.begin(), grabs.end(), [](const Grab &a, const Grab &b) {
        if (a.date != b.date)
            return a.date < b.date;
        if (!a.subSecond.isEmpty() && !b.subSecond.isEmpty() && a.subSecond != b.subSecond)
            return a.subSecond.toInt() < b.subSecond.toInt();
        return QFileInfo(a.file).fileName() < QFileInfo(b.file).fileName();
    });
    for (int i = 0; i < grabs.size(); ++i)
        EXPECT_EQ(grabs[i].frame, i * 13) << qPrintable(grabs[i].file);
}
