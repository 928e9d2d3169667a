// The date and origin written into JPEG and PNG grabs, read back with exiv2 and exiftool: the
// fields a photo manager sorts and shows by, the dates made from DV records and container
// creation times, files without metadata unchanged, and a refusal that never costs the image.
#include "capture/TImageMetadata.h"
#include "capture/TImageWriter.h"
#include "media/TDvSecondClock.h"
#include "media/TframeData.h"

#include "MetadataReader.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <QTimeZone>

using metadatatest::ExifToolTags;
using metadatatest::Exiv2Tags;

namespace {

double DayCount(const QDateTime &t)
{
    const QDateTime base(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    return double(base.msecsTo(QDateTime(t.date(), t.time(), Qt::UTC))) / 86400000.0;
}

TframeData DvFrame(const QDateTime &recorded, int h, int m, int s, int f)
{
    TframeData d;
    d.DateValid = recorded.isValid();
    d.RecDate = recorded.isValid() ? DayCount(recorded) : 0;
    d.TimecodeValid = h >= 0;
    d.TcHours = uint8_t(std::max(h, 0));
    d.TcMinutes = uint8_t(m);
    d.TcSeconds = uint8_t(s);
    d.TcFrames = uint8_t(f);
    d.TimecodeStr = QStringLiteral("%1:%2:%3:%4")
                        .arg(h)
                        .arg(m, 2, 10, QLatin1Char('0'))
                        .arg(s, 2, 10, QLatin1Char('0'))
                        .arg(f, 2, 10, QLatin1Char('0'));
    return d;
}

QImage Picture(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 7) & 0xFF, (y * 5) & 0xFF, 90));
    return img;
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TImageProvenance DvProvenance()
{
    TImageProvenance p;
    p.Software = QStringLiteral("Framix 1.0 (test)");
    p.SourceFile = QStringLiteral("/films/vacances été/cassette 3.dv");
    p.TimeStamp = QStringLiteral("0:00:01:03");
    p.FrameIndex = 28;
    p.PixelSize = QSize(64, 48);
    const TframeData dv = DvFrame(QDateTime(QDate(2003, 11, 23), QTime(14, 5, 31)), 0, 12, 35, 3);
    ImageMetadata::SetDate(p, &dv, 2.0 / 24, 3, 25, QDateTime(), 0);
    return p;
}

} // namespace

TEST(ImageMetadata, DatesOfDvRecordsAndContainers)
{
    // The sub-second is the frame's place in its second: frame 3 of PAL 120 ms, the last of an
    // NTSC second 967; nothing for an unknown place or rate.
    EXPECT_EQ(ImageMetadata::FrameMilliseconds(3, 25), 120);
    EXPECT_EQ(ImageMetadata::FrameMilliseconds(0, 25), 0);
    EXPECT_EQ(ImageMetadata::FrameMilliseconds(29, 30000.0 / 1001), 967);
    EXPECT_EQ(ImageMetadata::FrameMilliseconds(-1, 25), -1);
    EXPECT_EQ(ImageMetadata::FrameMilliseconds(3, 0), -1);
    EXPECT_EQ(ImageMetadata::OffsetText(7200), QStringLiteral("+02:00"));
    EXPECT_EQ(ImageMetadata::OffsetText(-16200), QStringLiteral("-04:30"));
    EXPECT_FALSE(ImageMetadata::FromDayCount(std::nan("")).isValid());
    EXPECT_FALSE(ImageMetadata::FromDayCount(-700000).isValid()) << "before year 1: no EXIF date";
    EXPECT_FALSE(ImageMetadata::FromDayCount(3e6).isValid()) << "after 9999";

    // DV: the camcorder's clock plus the offset, no zone claimed; crossing midnight and a year.
    TImageProvenance p;
    TframeData dv = DvFrame(QDateTime(QDate(1998, 12, 31), QTime(23, 59, 59)), 23, 59, 59, 25);
    ImageMetadata::SetDate(p, &dv, 2.0 / 24, 25, 30000.0 / 1001, QDateTime(), 0);
    EXPECT_EQ(ImageMetadata::ExifDateText(p.Recorded), QStringLiteral("1999:01:01 01:59:59"));
    EXPECT_EQ(p.SubSecondMs, 834);
    EXPECT_FALSE(p.ZoneKnown);
    EXPECT_EQ(p.DvTimecode, QStringLiteral("23:59:59:25"));
    ImageMetadata::SetDate(p, &dv, -1.5 / 24, -1, 25, QDateTime(), 0);
    EXPECT_EQ(ImageMetadata::ExifDateText(p.Recorded), QStringLiteral("1998:12:31 22:29:59"));
    EXPECT_EQ(p.SubSecondMs, -1) << "an unknown place writes no sub-second";

    // A DV frame without its date pack: no date, even with a creation time at hand for the file
    // (the DV time code stays).
    const QDateTime creation(QDate(2021, 6, 5), QTime(10, 20, 30, 500), Qt::UTC);
    TframeData undated = DvFrame(QDateTime(), 0, 0, 1, 2);
    ImageMetadata::SetDate(p, &undated, 0, 0, 25, QDateTime(), 0);
    EXPECT_FALSE(p.Recorded.isValid());
    EXPECT_EQ(p.DvTimecode, QStringLiteral("0:00:01:02"));

    // A container's creation time (UTC) plus the frame's position, as local time with the zone
    // of that date.
    ImageMetadata::SetDate(p, nullptr, 0, -1, 25, creation, 3 * 10000000LL + 4000000);
    ASSERT_TRUE(p.Recorded.isValid());
    EXPECT_EQ(p.Recorded.toUTC(), QDateTime(QDate(2021, 6, 5), QTime(10, 20, 33, 900), Qt::UTC));
    EXPECT_TRUE(p.ZoneKnown);
    EXPECT_EQ(p.UtcOffsetSeconds, QTimeZone::systemTimeZone().offsetFromUtc(p.Recorded));
    EXPECT_EQ(p.SubSecondMs, 900);
    EXPECT_TRUE(p.DvTimecode.isEmpty());

    // Neither: no date rather than a wrong one.
    ImageMetadata::SetDate(p, nullptr, 0, -1, 25, QDateTime(), 0);
    EXPECT_FALSE(p.Recorded.isValid());
    EXPECT_FALSE(p.ZoneKnown);
}

// The place in the second is learned where the recording time ticks between two consecutive
// frames, whatever the time code's frame number is there.
TEST(ImageMetadata, PlaceInTheRecordingSecond)
{
    const QDateTime t0(QDate(2010, 7, 14), QTime(9, 59, 58));
    auto frame = [&](int n) { // PAL, time code from 01:59:59:20, recording time ticking at frame 25
        const int tc = ((1 * 60 + 59) * 60 + 59) * 25 + 20 + n;
        return DvFrame(t0.addSecs(n / 25), tc / 90000, tc / 1500 % 60, tc / 25 % 60, tc % 25);
    };
    TDvSecondClock clock;
    EXPECT_EQ(clock.PlaceOf(frame(3), 25), -1) << "nothing learned yet";
    for (int n = 1; n < 24; ++n)
        clock.Observe(frame(n - 1), frame(n), 25);
    EXPECT_EQ(clock.PlaceOf(frame(3), 25), -1) << "no tick seen yet";
    clock.Observe(frame(24), frame(25), 25);
    EXPECT_EQ(clock.PlaceOf(frame(25), 25), 0);
    EXPECT_EQ(clock.PlaceOf(frame(3), 25), 3) << "before the tick, in the earlier second";
    EXPECT_EQ(clock.PlaceOf(frame(71), 25), 21);

    // A frame whose recording time does not fit (another recording), a frame without a date,
    // and a jump between frames that are not neighbours teach nothing and are not placed.
    TframeData other = frame(30);
    other.RecDate += 5.0 / 86400;
    EXPECT_EQ(clock.PlaceOf(other, 25), -1);
    EXPECT_EQ(clock.PlaceOf(DvFrame(QDateTime(), 2, 0, 0, 5), 25), -1);
    clock.Observe(frame(10), frame(40), 25);
    EXPECT_EQ(clock.PlaceOf(frame(40), 25), 15);
    EXPECT_EQ(clock.PlaceOf(frame(40), 30), -1) << "another time code rate";
    clock.Reset();
    EXPECT_EQ(clock.PlaceOf(frame(40), 25), -1);
}

TEST(ImageMetadata, JpegAndPngCarryTheFieldsForExiv2AndExifTool)
{
    QTemporaryDir dir;
    TImageWriter writer;
    const QImage img = Picture(64, 48);
    const TImageProvenance p = DvProvenance();
    const QString jpg = dir.filePath(QStringLiteral("a.jpg"));
    const QString png = dir.filePath(QStringLiteral("a.png"));
    ASSERT_TRUE(writer.SaveJpeg(img, jpg, 80, &p));
    EXPECT_TRUE(writer.Warning().isEmpty()) << qPrintable(writer.Warning());
    ASSERT_TRUE(writer.SavePng(img, png, &p));
    EXPECT_TRUE(writer.Warning().isEmpty()) << qPrintable(writer.Warning());
    EXPECT_EQ(QImage(jpg).size(), QSize(64, 48));
    EXPECT_EQ(QImage(png), img.convertToFormat(QImage::Format_RGB888).convertToFormat(QImage(png).format()))
        << "PNG is lossless";

    for (const QString &file : {jpg, png}) {
        SCOPED_TRACE(file.toStdString());
        const auto t = Exiv2Tags(file);
        EXPECT_EQ(t.value("Exif.Photo.DateTimeOriginal"), QStringLiteral("2003:11:23 16:05:31"));
        EXPECT_EQ(t.value("Exif.Photo.DateTimeDigitized"), QStringLiteral("2003:11:23 16:05:31"));
        EXPECT_EQ(t.value("Exif.Photo.SubSecTimeOriginal"), QStringLiteral("120"));
        EXPECT_FALSE(t.contains("Exif.Photo.OffsetTimeOriginal")) << "DV stores no zone";
        EXPECT_EQ(t.value("Exif.Image.Software"), QStringLiteral("Framix 1.0 (test)"));
        EXPECT_EQ(t.value("Exif.Image.ImageDescription"), QStringLiteral("cassette 3.dv 0:00:01:03"));
        EXPECT_EQ(t.value("Exif.Image.Orientation"), QStringLiteral("1"));
        EXPECT_EQ(t.value("Exif.Photo.PixelXDimension"), QStringLiteral("64"));
        EXPECT_EQ(t.value("Exif.Photo.PixelYDimension"), QStringLiteral("48"));
        EXPECT_EQ(t.value("Xmp.dc.source"), QStringLiteral("/films/vacances été/cassette 3.dv"));
        EXPECT_EQ(t.value("Xmp.framix.TimeStamp"), QStringLiteral("0:00:01:03"));
        EXPECT_EQ(t.value("Xmp.framix.FrameIndex"), QStringLiteral("28"));
        EXPECT_EQ(t.value("Xmp.framix.DvTimecode"), QStringLiteral("0:12:35:03"));
    }

    if (!metadatatest::HaveExifTool())
        GTEST_SKIP() << "exiftool missing (libimage-exiftool-perl)";
    for (const auto &t : ExifToolTags(QStringList{jpg, png})) {
        SCOPED_TRACE(t.value("FileName").toStdString());
        EXPECT_EQ(t.value("DateTimeOriginal"), QStringLiteral("2003:11:23 16:05:31"));
        EXPECT_EQ(t.value("CreateDate"), QStringLiteral("2003:11:23 16:05:31"));
        EXPECT_EQ(t.value("SubSecTimeOriginal"), QStringLiteral("120"));
        EXPECT_FALSE(t.contains("OffsetTimeOriginal"));
        EXPECT_EQ(t.value("Software"), QStringLiteral("Framix 1.0 (test)"));
        EXPECT_EQ(t.value("Orientation"), QStringLiteral("1"));
        EXPECT_EQ(t.value("ExifImageWidth"), QStringLiteral("64"));
        EXPECT_EQ(t.value("Source"), QStringLiteral("/films/vacances été/cassette 3.dv"));
        EXPECT_FALSE(t.contains("Warning")) << qPrintable(t.value("Warning"));
    }
}

TEST(ImageMetadata, ZoneOfACreationTimeForExifTool)
{
    if (!metadatatest::HaveExifTool())
        GTEST_SKIP() << "exiftool missing (libimage-exiftool-perl)";
    QTemporaryDir dir;
    TImageWriter writer;
    TImageProvenance p;
    ImageMetadata::SetDate(p, nullptr, 0, -1, 25, QDateTime(QDate(2021, 6, 5), QTime(10, 20, 30), Qt::UTC),
                           0);
    const QString jpg = dir.filePath(QStringLiteral("z.jpg"));
    ASSERT_TRUE(writer.SaveJpeg(Picture(16, 16), jpg, 80, &p));
    const auto t = ExifToolTags(jpg);
    EXPECT_EQ(t.value("OffsetTimeOriginal"), ImageMetadata::OffsetText(p.UtcOffsetSeconds));
    // exiftool's composite date with the zone is the same instant as the creation time.
    const QDateTime back = QDateTime::fromString(t.value("DateTimeOriginal") + t.value("OffsetTimeOriginal"),
                                                 QStringLiteral("yyyy:MM:dd HH:mm:sst"));
    EXPECT_EQ(back.toUTC(), QDateTime(QDate(2021, 6, 5), QTime(10, 20, 30), Qt::UTC))
        << qPrintable(t.value("DateTimeOriginal") + t.value("OffsetTimeOriginal"));
}

// Without metadata the files are the plain encodings; a refusal of exiv2 still saves the image.
TEST(ImageMetadata, NoneAskedOrRefusedKeepsThePicture)
{
    QTemporaryDir dir;
    TImageWriter writer;
    const QImage img = Picture(40, 30);
    QByteArray plainJpeg;
    ASSERT_TRUE(writer.EncodeJpeg(img, 75, plainJpeg));
    ASSERT_TRUE(writer.SaveJpeg(img, dir.filePath("plain.jpg"), 75));
    EXPECT_EQ(ReadAll(dir.filePath("plain.jpg")), plainJpeg);
    ASSERT_TRUE(writer.SavePng(img, dir.filePath("plain.png")));
    EXPECT_EQ(ReadAll(dir.filePath("plain.png")), TImageWriter::EncodePng(img));
    EXPECT_TRUE(Exiv2Tags(dir.filePath("plain.jpg")).isEmpty());

    // An XMP packet beyond what one JPEG segment holds: exiv2 refuses, the picture is saved
    // as it was encoded and the warning says why, in one line.
    TImageProvenance huge = DvProvenance();
    huge.SourceFile = QString(70000, u'x');
    const QString path = dir.filePath(QStringLiteral("big.jpg"));
    ASSERT_TRUE(writer.SaveJpeg(img, path, 75, &huge));
    EXPECT_EQ(ReadAll(path), plainJpeg);
    EXPECT_TRUE(writer.Warning().contains(path)) << qPrintable(writer.Warning());
    EXPECT_FALSE(writer.Warning().contains(u'\n'));
    ASSERT_TRUE(writer.SaveJpeg(img, path, 75, nullptr));
    EXPECT_TRUE(writer.Warning().isEmpty()) << "the next save starts afresh";

    QByteArray garbage("not an image at all");
    QString reason;
    EXPECT_FALSE(ImageMetadata::Embed(garbage, DvProvenance(), &reason));
    EXPECT_EQ(garbage, QByteArray("not an image at all"));
    EXPECT_FALSE(reason.isEmpty());
}
