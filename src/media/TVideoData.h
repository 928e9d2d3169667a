#pragma once
// Description of the current video format, filled from a media type (VideoDataFromMediaType) and,
// for MPEG-2 and DV, refined from the stream by the sample notifier. Copied between threads by
// value (the streaming thread posts its own copy).
#include <QString>
#include <cstdint>

// The picture aspect a format block gives (the documents' values 0 to 3).
enum class TAspectKind : uint8_t { Aspect4x3 = 0, Aspect16x9 = 1, NotGiven = 2, Other = 3 };

struct TVideoData
{
    bool Known = false; // a recognised video format block was found
    int32_t Width = 0;  // picture size in pixels
    int32_t Height = 0;
    int32_t BitCount = 0;        // bits per pixel of the format block
    int64_t AvgTimePerFrame = 0; // frame duration in 100-ns units, 0 when the block gives none
    QString CodecName;           // "DV Type 2", "RGB24", "MPEG2", a FourCC ...
    int32_t AspectX = 0;         // picture aspect ratio, 0 and 0 when the block has none
    int32_t AspectY = 0;
    int32_t BitRate = 0; // bits per second from the format block
    double Fps = 0;      // 10 000 000 / AvgTimePerFrame, 0 when that is 0
    QString SizeText;    // "720x576 - 25 fps"
    TAspectKind AspectKind = TAspectKind::NotGiven;
    QString Description; // codec name followed by the aspect text

    bool operator==(const TVideoData &) const = default;
};
