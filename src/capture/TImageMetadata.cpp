#include "capture/TImageMetadata.h"

#include "core/FramixLog.h"
#include "media/TframeData.h"

#include <cmath>
#include <mutex>
#include <string>

// exiv2 0.27 hands its images out as std::auto_ptr: its deprecation is not ours to fix.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace {

// The XMP namespace of the grab's own properties (time stamp, frame index, DV time code).
const char *const kNamespace = "http://ns.framix.org/grab/1.0/";
const char *const kPrefix = "framix";

// exiv2 reports what it leaves out (a tag it cannot encode) through its log, not an exception.
void LogToCategory(int level, const char *text)
{
    const QString line = QString::fromLocal8Bit(text).trimmed();
    if (level >= Exiv2::LogMsg::warn)
        qCWarning(lcCapture).noquote() << "exiv2:" << line;
    else
        qCDebug(lcCapture).noquote() << "exiv2:" << line;
}

void InitialiseXmp()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Exiv2::LogMsg::setHandler(&LogToCategory);
        Exiv2::XmpParser::initialize();
        Exiv2::XmpProperties::registerNs(kNamespace, kPrefix);
    });
}

std::string Utf8(const QString &s)
{
    return s.toStdString();
}

void WriteExif(Exiv2::ExifData &exif, const TImageProvenance &p)
{
    if (p.Recorded.isValid()) {
        const std::string date = Utf8(ImageMetadata::ExifDateText(p.Recorded));
        exif["Exif.Photo.DateTimeOriginal"] = date;
        exif["Exif.Photo.DateTimeDigitized"] = date;
        if (p.SubSecondMs >= 0) {
            const std::string ms = Utf8(QStringLiteral("%1").arg(p.SubSecondMs, 3, 10, QLatin1Char('0')));
            exif["Exif.Photo.SubSecTimeOriginal"] = ms;
            exif["Exif.Photo.SubSecTimeDigitized"] = ms;
        }
        if (p.ZoneKnown) {
            const std::string zone = Utf8(ImageMetadata::OffsetText(p.UtcOffsetSeconds));
            exif["Exif.Photo.OffsetTimeOriginal"] = zone;
            exif["Exif.Photo.OffsetTimeDigitized"] = zone;
        }
    }
    if (!p.Software.isEmpty())
        exif["Exif.Image.Software"] = Utf8(p.Software);
    QString description = p.SourceFile.mid(p.SourceFile.lastIndexOf(u'/') + 1);
    if (!p.TimeStamp.isEmpty())
        description += (description.isEmpty() ? QString() : QStringLiteral(" ")) + p.TimeStamp;
    if (!description.isEmpty())
        exif["Exif.Image.ImageDescription"] = Utf8(description);
    exif["Exif.Image.Orientation"] = uint16_t(1);
    if (p.PixelSize.width() > 0 && p.PixelSize.height() > 0) {
        exif["Exif.Photo.PixelXDimension"] = uint32_t(p.PixelSize.width());
        exif["Exif.Photo.PixelYDimension"] = uint32_t(p.PixelSize.height());
    }
}

void WriteXmp(Exiv2::XmpData &xmp, const TImageProvenance &p)
{
    const std::string ns = std::string("Xmp.") + kPrefix + ".";
    if (!p.SourceFile.isEmpty())
        xmp["Xmp.dc.source"] = Utf8(p.SourceFile);
    if (!p.TimeStamp.isEmpty())
        xmp[ns + "TimeStamp"] = Utf8(p.TimeStamp);
    if (p.FrameIndex >= 0)
        xmp[ns + "FrameIndex"] = std::to_string(p.FrameIndex);
    if (!p.DvTimecode.isEmpty())
        xmp[ns + "DvTimecode"] = Utf8(p.DvTimecode);
}

} // namespace

namespace ImageMetadata {

QString ExifDateText(const QDateTime &t)
{
    return t.toString(QStringLiteral("yyyy:MM:dd HH:mm:ss"));
}

QString OffsetText(int seconds)
{
    const int minutes = std::abs(seconds) / 60;
    return QStringLiteral("%1%2:%3")
        .arg(QChar(seconds < 0 ? u'-' : u'+'))
        .arg(minutes / 60, 2, 10, QLatin1Char('0'))
        .arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QDateTime FromDayCount(double days)
{
    // 1 January 0001 and 31 December 9999 as day counts from 30 December 1899.
    if (!std::isfinite(days) || days < -693593.0 || days >= 2958466.0)
        return QDateTime();
    const QDateTime base(QDate(1899, 12, 30), QTime(0, 0), Qt::UTC);
    return base.addMSecs(std::llround(days * 86400000.0));
}

int FrameMilliseconds(int frameInSecond, double fps)
{
    if (frameInSecond < 0 || !(fps > 0))
        return -1;
    return qBound(0, int(std::floor(frameInSecond * 1000.0 / fps + 1e-6)), 999);
}

bool FromCreationTime(const QDateTime &creationUtc, int64_t position, QDateTime &local, int &utcOffsetSeconds,
                      int &subSecondMs)
{
    if (!creationUtc.isValid())
        return false;
    // Media time is in 100-ns units.
    local = creationUtc.toUTC().addMSecs(position / 10000).toLocalTime();
    utcOffsetSeconds = local.offsetFromUtc();
    subSecondMs = local.time().msec();
    return local.isValid();
}

void SetDate(TImageProvenance &p, const TframeData *dv, double offsetDays, int placeInSecond, double fps,
             const QDateTime &creationUtc, int64_t position)
{
    p.Recorded = QDateTime();
    p.SubSecondMs = -1;
    p.ZoneKnown = false;
    p.DvTimecode.clear();
    if (dv && dv->TimecodeValid)
        p.DvTimecode = dv->TimecodeStr;
    if (dv && dv->DateValid) {
        // DV stores the camcorder's wall clock and no zone: none is claimed.
        p.Recorded = FromDayCount(dv->RecDate + offsetDays);
        if (p.Recorded.isValid())
            p.SubSecondMs = FrameMilliseconds(placeInSecond, fps);
        return;
    }
    QDateTime local;
    int offset = 0;
    int ms = -1;
    if (FromCreationTime(creationUtc, position, local, offset, ms)) {
        p.Recorded = local;
        p.UtcOffsetSeconds = offset;
        p.ZoneKnown = true;
        p.SubSecondMs = ms;
    }
}

bool Embed(QByteArray &image, const TImageProvenance &p, QString *reason)
{
    try {
        InitialiseXmp();
        auto img = Exiv2::ImageFactory::open(reinterpret_cast<const Exiv2::byte *>(image.constData()),
                                             long(image.size()));
        if (!img.get())
            throw Exiv2::Error(Exiv2::kerFileContainsUnknownImageType);
        img->readMetadata();
        WriteExif(img->exifData(), p);
        WriteXmp(img->xmpData(), p);
        img->writeMetadata();

        Exiv2::BasicIo &io = img->io();
        if (io.open() != 0)
            throw Exiv2::Error(Exiv2::kerDataSourceOpenFailed, io.path(), "");
        const long size = io.size();
        QByteArray out(qsizetype(size), Qt::Uninitialized);
        io.seek(0, Exiv2::BasicIo::beg);
        const long read = io.read(reinterpret_cast<Exiv2::byte *>(out.data()), size);
        io.close();
        if (size <= 0 || read != size)
            throw Exiv2::Error(Exiv2::kerFailedToReadImageData);
        image = std::move(out);
        return true;
    } catch (const std::exception &e) {
        if (reason)
            *reason = QString::fromLocal8Bit(e.what()).simplified();
        return false;
    }
}

} // namespace ImageMetadata

#pragma GCC diagnostic pop
