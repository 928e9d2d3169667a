#pragma once
// What a grabbed still says about itself: the date its frame was recorded (EXIF), where it comes
// from (EXIF description, XMP source, time stamp, frame index, DV time code) and the program
// that wrote it. The metadata is written with exiv2 into an image already encoded in memory
// (JPEG or PNG), so the file on disk is still written in one atomic step by TImageWriter.
//
// Main thread only (exiv2's XMP toolkit is initialised once, on first use, from that thread).
#include <QByteArray>
#include <QDateTime>
#include <QSize>
#include <QString>

#include <cstdint>

struct TframeData;

// The metadata of one grab, gathered by the grabber from the frame it captured.
struct TImageProvenance
{
    // The recording time as the camera's clock read it (wall-clock date and time, no zone);
    // invalid: the frame carries no trustworthy date and none is written.
    QDateTime Recorded;
    // Milliseconds within the recorded second; negative: not written.
    int SubSecondMs = -1;
    // The offset of the recording's zone from UTC, written as OffsetTimeOriginal when known.
    bool ZoneKnown = false;
    int UtcOffsetSeconds = 0;

    QString Software;        // the program's full title
    QString SourceFile;      // full path of the video
    QString TimeStamp;       // the frame's position, "H:MM:SS:FF"
    int64_t FrameIndex = -1; // the frame's number from the start of the video, negative: unknown
    QString DvTimecode;      // the DV time code, empty when the frame has none
    QSize PixelSize;         // the picture as written
};

namespace ImageMetadata {

// "YYYY:MM:DD HH:MM:SS", the EXIF date form.
QString ExifDateText(const QDateTime &t);
// "+HH:MM" / "-HH:MM" of an offset from UTC in seconds.
QString OffsetText(int seconds);
// A DV recording date (days since 30 December 1899) plus an offset in days as a wall-clock time
// to the millisecond; invalid for a date outside the years EXIF can hold (1..9999).
QDateTime FromDayCount(double days);
// The place of frame `frameInSecond` of a second at fps frames a second, in milliseconds
// (frame 3 at 25 fps: 120); -1 for a negative frame or a rate that is not positive.
int FrameMilliseconds(int frameInSecond, double fps);
// The recording time of a frame of a file whose container gives its creation time in UTC:
// creation + position (100-ns units), as local wall-clock time and the local zone's offset at
// that date. False when creationUtc is not valid.
bool FromCreationTime(const QDateTime &creationUtc, int64_t position, QDateTime &local, int &utcOffsetSeconds,
                      int &subSecondMs);

// The date fields of p from the frame grabbed: a DV record with a valid recording date gives
// that date + offsetDays, and the sub-second from the frame's place within its recording second
// (placeInSecond, -1: unknown, no sub-second) at fps; else a container creation time (UTC,
// invalid: none) + position gives local time and zone; else no date. The DV time code, when
// the frame has one, goes into p.DvTimecode.
void SetDate(TImageProvenance &p, const TframeData *dv, double offsetDays, int placeInSecond, double fps,
             const QDateTime &creationUtc, int64_t position);

// Writes the metadata into image (a complete JPEG or PNG file in memory) and replaces it by the
// result. False, image unchanged and *reason set (French, one line) when exiv2 refuses.
bool Embed(QByteArray &image, const TImageProvenance &p, QString *reason = nullptr);

} // namespace ImageMetadata
