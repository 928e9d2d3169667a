// Grabs through the whole main window from the corpus, their metadata read back with exiv2 and
// exiftool: each image carries the recording date of the very frame it shows (DV date packs,
// with the offset; a container's creation time), nothing where the frame has no date, PNG like
// JPEG, and the plain encoding with the setting off.
#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TContainerDate.h"
#include "capture/TGrabber.h"
#include "capture/TImageWriter.h"
#include "capture/TShowForm.h"
#include "core/THeadlessPromptService.h"
#include "media/FrameGrid.h"
#include "media/TFramesNotifier.h"
#include "media/Timecode.h"
#include "playback/TNavMan.h"
#include "playback/TVideoMan.h"

#include "../media/MediaTestUtil.h"
#include "MetadataReader.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

using metadatatest::Exiv2Tags;

namespace {

bool WaitFor(const std::function<bool()> &pred)
{
    return mediatest::waitUntil(pred, 10000);
}

// The recording date of frame n of a DV corpus file, as the manifest lists it (invalid: none).
QDateTime ManifestDate(const QString &file, int n)
{
    QFile m(framixtest::corpusFile(QStringLiteral("manifest.json")));
    if (!m.open(QIODevice::ReadOnly))
        return QDateTime();
    const QJsonObject files = QJsonDocument::fromJson(m.readAll()).object().value("files").toObject();
    const QJsonArray frames = files.value(file).toObject().value("dv").toObject().value("frames").toArray();
    return QDateTime::fromString(frames.at(n).toObject().value("date").toString(),
                                 QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString ExifDate(const QDateTime &t)
{
    return t.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss"));
}

// One window with a clip open, grabbing into its own folder.
struct TWindow
{
    QTemporaryDir program, images;
    THeadlessPromptService prompts;
    TShowForm f{prompts, nullptr, program.path()};
    TGrabber &g = *f.grabber();

    bool Open(const QString &clip)
    {
        f.show();
        QCoreApplication::processEvents();
        f.openfile(clip);
        if (!f.hasVideo())
            return false;
        g.waDossierSave->SetValue(images.path());
        g.iaImageExtension->SetValue(1);
        g.iaImageAjouter->SetValue(0); // named by time stamp
        return true;
    }
    std::int64_t Duration() const { return f.navMan()->FrameDuration; }
    bool SeekFrame(int n)
    {
        const std::int64_t d = Duration();
        // Frame n's start on the frame grid (29.97 fps frames are no whole number of units).
        const std::int64_t t = TFrameGrid(d).TimeOf(n);
        f.navMan()->waStrPosition->SetValue(TimecodeText(t, d));
        const bool ok = WaitFor([&] {
            const TFramesNotifier *fn = f.navMan()->FramesNotifier();
            return fn && TFrameGrid(d).IndexAt(fn->Position()) == n;
        });
        if (!ok && f.navMan()->FramesNotifier())
            ADD_FAILURE() << "frame " << n << " (" << t << ", d " << d << ") not reached, at "
                          << f.navMan()->FramesNotifier()->Position();
        return ok;
    }
    // The file of a grab of frame n, empty when it failed.
    QString Grab(int n)
    {
        if (!SeekFrame(n))
            return QString();
        // Named by time stamp: the name the grab gives is still the name after it.
        return g.Grab() == TGrabber::TGrabStatus::gsSaved ? g.ImageFileName : QString();
    }
};

#define NEED_CORPUS(name)                                                                                    \
    const QString clip = framixtest::corpusFile(QStringLiteral(name));                                       \
    if (!QFileInfo::exists(clip))                                                                            \
    GTEST_SKIP() << "corpus not generated"

} // namespace

// Raw DV and both AVI types, PAL and NTSC, with and without an offset: the frame's own date.
TEST(MetadataGrab, DvDatesOfTheFrameShownWithTheOffset)
{
    struct Case
    {
        const char *file;
        int frame;
        double offsetHours;
    };
    const Case cases[] = {{"dv_pal_wide_date.dv", 52, 0},           {"dv_pal_wide_date_type2.avi", 3, 2},
                          {"dv_pal_wide_date_type1.avi", 60, -1.5}, {"dv_ntsc_date.dv", 31, 0},
                          {"dv_ntsc_date_type2.avi", 40, 2},        {"dv_ntsc_wide_date_type1.avi", 45, 24}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.file);
        const QString clip = framixtest::corpusFile(QString::fromLatin1(c.file));
        if (!QFileInfo::exists(clip))
            GTEST_SKIP() << "corpus not generated";
        TWindow w;
        ASSERT_TRUE(w.Open(clip));
        w.f.videoMan()->SetDateOffset(c.offsetHours / 24);
        const QString path = w.Grab(c.frame);
        ASSERT_FALSE(path.isEmpty()) << qPrintable(w.g.ErrorText());
        const QString source = QFileInfo(clip)
                                   .fileName()
                                   .replace(QStringLiteral("_type1.avi"), ".dv")
                                   .replace(QStringLiteral("_type2.avi"), ".dv");
        const QDateTime recorded = ManifestDate(source, c.frame);
        ASSERT_TRUE(recorded.isValid());
        const auto t = Exiv2Tags(path);
        EXPECT_EQ(t.value("Exif.Photo.DateTimeOriginal"),
                  ExifDate(recorded.addSecs(qint64(c.offsetHours * 3600))));
        EXPECT_EQ(t.value("Exif.Photo.DateTimeDigitized"), t.value("Exif.Photo.DateTimeOriginal"));
        EXPECT_FALSE(t.contains("Exif.Photo.OffsetTimeOriginal"));
        EXPECT_EQ(t.value("Xmp.dc.source"), clip);
        EXPECT_EQ(t.value("Xmp.framix.FrameIndex"), QString::number(c.frame));
        EXPECT_EQ(t.value("Xmp.framix.TimeStamp"),
                  TimecodeText(TFrameGrid(w.Duration()).TimeOf(c.frame), w.Duration()));
        EXPECT_FALSE(t.value("Xmp.framix.DvTimecode").isEmpty());
        EXPECT_TRUE(t.value("Exif.Image.ImageDescription").startsWith(QFileInfo(clip).fileName() + u' '));
        EXPECT_TRUE(t.value("Exif.Image.Software").startsWith(QStringLiteral("Framix")));
        w.f.closefile();
    }
}

// Once the clip has played across a tick of the recording clock, the sub-second is the frame's
// place in its recording second, though this clip's time code counts from frame 20 of a second.
TEST(MetadataGrab, SubSecondAfterPlayingAcrossASecond)
{
    NEED_CORPUS("dv_pal_wide_date.dv");
    TWindow w;
    ASSERT_TRUE(w.Open(clip));
    w.f.navMan()->caPlay->SetChecked(true);
    ASSERT_TRUE(WaitFor([&] {
        const TFramesNotifier *fn = w.f.navMan()->FramesNotifier();
        return fn && fn->Position() > 30 * w.Duration();
    }));
    w.f.navMan()->caPlay->SetChecked(false);
    const QString path = w.Grab(40);
    ASSERT_FALSE(path.isEmpty());
    const auto t = Exiv2Tags(path);
    EXPECT_EQ(t.value("Exif.Photo.DateTimeOriginal"), ExifDate(ManifestDate("dv_pal_wide_date.dv", 40)));
    EXPECT_EQ(t.value("Exif.Photo.SubSecTimeOriginal"), QStringLiteral("600")) << "frame 15 of its second";
    EXPECT_EQ(t.value("Xmp.framix.DvTimecode"), QStringLiteral("2:00:01:10"));
}

// Date packs in even frames only: only those grabs carry a date, the others none at all.
TEST(MetadataGrab, OnlyFramesWithADatePackCarryADate)
{
    NEED_CORPUS("dv_pal_alternate_type2.avi");
    TWindow w;
    ASSERT_TRUE(w.Open(clip));
    for (int n : {10, 11, 26, 27}) {
        SCOPED_TRACE(n);
        const QString path = w.Grab(n);
        ASSERT_FALSE(path.isEmpty());
        const auto t = Exiv2Tags(path);
        if (n % 2 == 0)
            EXPECT_EQ(t.value("Exif.Photo.DateTimeOriginal"),
                      ExifDate(ManifestDate("dv_pal_alternate.dv", n)));
        else
            EXPECT_FALSE(t.contains("Exif.Photo.DateTimeOriginal"));
        EXPECT_FALSE(t.value("Xmp.framix.DvTimecode").isEmpty()) << "the time code is in every frame";
    }
}

// The creation time read ahead at the open is the one of the file asked for: files opened in
// quick succession, a file rewritten after its read, each gives its own date.
TEST(MetadataGrab, ContainerDateReadAheadAnswersForTheRightFile)
{
    NEED_CORPUS("ext_mp4.mp4");
    QTemporaryDir media;
    auto dated = [&](const QString &name, const QString &when) {
        const QString path = media.filePath(name);
        QFile::remove(path);
        QProcess ff;
        ff.start(QStringLiteral("ffmpeg"),
                 {"-v", "error", "-i", clip, "-c", "copy", "-metadata", "creation_time=" + when, "-y", path});
        return ff.waitForFinished(60000) && ff.exitCode() == 0 ? path : QString();
    };
    const QString a = dated(QStringLiteral("a.mp4"), QStringLiteral("2021-06-05T10:20:30Z"));
    const QString b = dated(QStringLiteral("b.mp4"), QStringLiteral("2019-01-02T03:04:05Z"));
    ASSERT_FALSE(a.isEmpty());
    ASSERT_FALSE(b.isEmpty());
    const QDateTime dateA(QDate(2021, 6, 5), QTime(10, 20, 30), Qt::UTC);
    const QDateTime dateB(QDate(2019, 1, 2), QTime(3, 4, 5), Qt::UTC);

    TContainerDate c;
    c.Prefetch(a);
    c.Prefetch(b); // while a's read may still run
    EXPECT_EQ(c.CreationTime(b), dateB);
    EXPECT_EQ(c.CreationTime(a), dateA);
    // Rewritten after its read ahead: read again.
    c.Prefetch(b);
    QThread::msleep(1100); // a modification time of its own
    ASSERT_EQ(dated(QStringLiteral("b.mp4"), QStringLiteral("2020-07-08T09:10:11Z")), b);
    EXPECT_EQ(c.CreationTime(b), QDateTime(QDate(2020, 7, 8), QTime(9, 10, 11), Qt::UTC));
    // A file without the field, and none at all.
    c.Prefetch(framixtest::corpusFile(QStringLiteral("fi_dv_pal.dv")));
    EXPECT_FALSE(c.CreationTime(framixtest::corpusFile(QStringLiteral("fi_dv_pal.dv"))).isValid());
    EXPECT_FALSE(c.CreationTime(QString()).isValid());
}

// A phone-like MP4 with its creation time: local time of the frame with the zone; the same MP4
// without one, and DV without packs, carry no date but still say where they come from. PNG
// carries the same as JPEG, read by exiftool too.
TEST(MetadataGrab, ContainerCreationTimeNoDateAndPng)
{
    NEED_CORPUS("ext_mp4.mp4");
    QTemporaryDir media;
    const QString dated = media.filePath(QStringLiteral("telephone.mp4"));
    QProcess ff;
    ff.start(QStringLiteral("ffmpeg"), {"-v", "error", "-i", clip, "-c", "copy", "-metadata",
                                        "creation_time=2021-06-05T10:20:30.000000Z", dated});
    ASSERT_TRUE(ff.waitForFinished(60000) && ff.exitCode() == 0) << ff.readAllStandardError().constData();

    TWindow w;
    ASSERT_TRUE(w.Open(dated));
    w.g.naPngExtension->Apply();
    EXPECT_EQ(w.g.iaImageExtension->Value, 2);
    const QString png = w.Grab(25);
    ASSERT_TRUE(png.endsWith(QStringLiteral(".png"))) << qPrintable(png);
    const QDateTime expected = QDateTime(QDate(2021, 6, 5), QTime(10, 20, 31), Qt::UTC).toLocalTime();
    auto t = Exiv2Tags(png);
    EXPECT_EQ(t.value("Exif.Photo.DateTimeOriginal"), ExifDate(expected));
    EXPECT_EQ(t.value("Exif.Photo.SubSecTimeOriginal"), QStringLiteral("000"));
    EXPECT_FALSE(t.value("Exif.Photo.OffsetTimeOriginal").isEmpty());
    EXPECT_EQ(t.value("Exif.Photo.PixelXDimension"), QStringLiteral("640"));
    EXPECT_FALSE(t.contains("Xmp.framix.DvTimecode"));
    if (metadatatest::HaveExifTool()) {
        const auto e = metadatatest::ExifToolTags(png);
        const QDateTime back =
            QDateTime::fromString(e.value("DateTimeOriginal") + e.value("OffsetTimeOriginal"),
                                  QStringLiteral("yyyy:MM:dd HH:mm:sst"));
        EXPECT_EQ(back.toUTC(), QDateTime(QDate(2021, 6, 5), QTime(10, 20, 31), Qt::UTC));
        EXPECT_EQ(e.value("Source"), dated);
    }
    w.f.closefile();

    for (const char *name : {"ext_mp4.mp4", "dv_pal_nopacks.dv"}) {
        SCOPED_TRACE(name);
        TWindow plain;
        ASSERT_TRUE(plain.Open(framixtest::corpusFile(QString::fromLatin1(name))));
        const QString path = plain.Grab(5);
        ASSERT_FALSE(path.isEmpty());
        t = Exiv2Tags(path);
        EXPECT_FALSE(t.contains("Exif.Photo.DateTimeOriginal"));
        EXPECT_FALSE(t.contains("Exif.Photo.DateTimeDigitized"));
        EXPECT_TRUE(t.value("Exif.Image.ImageDescription").startsWith(QString::fromLatin1(name)));
        EXPECT_EQ(t.value("Xmp.framix.FrameIndex"), QStringLiteral("5"));
    }
}

// With the setting off, JPEG and PNG are the plain encodings of the picture (as before the
// metadata existed); BMP never carries any.
TEST(MetadataGrab, SettingOffWritesThePlainEncoding)
{
    NEED_CORPUS("dv_pal_wide_date.dv");
    TWindow w;
    ASSERT_TRUE(w.Open(clip));
    ASSERT_TRUE(w.g.baImageMetadata->Value) << "on by default";
    EXPECT_EQ(w.g.baImageMetadata->Switch(), QStringLiteral("meta"));
    w.g.baImageMetadata->SetValue(false);
    TImageWriter writer;
    QString jpg = w.Grab(12);
    ASSERT_FALSE(jpg.isEmpty());
    QByteArray plain;
    ASSERT_TRUE(writer.EncodeJpeg(w.g.SaveBitmap, w.g.iaJpegCompressionQuality->Value, plain));
    QFile j(jpg);
    ASSERT_TRUE(j.open(QIODevice::ReadOnly));
    EXPECT_EQ(j.readAll(), plain);
    w.g.naPngExtension->Apply();
    const QString png = w.Grab(13);
    QFile p(png);
    ASSERT_TRUE(p.open(QIODevice::ReadOnly));
    EXPECT_EQ(p.readAll(), TImageWriter::EncodePng(w.g.SaveBitmap));
    EXPECT_TRUE(Exiv2Tags(png).isEmpty());
}
