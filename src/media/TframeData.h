#pragma once
// Per-frame information for the frame just seen: DV recording date and time code, audio format.
// Copied by value between the streaming thread and the managers.
#include <QString>
#include <cstdint>

struct TframeData
{
    bool DateValid = false; // RecDate holds a recording date and time read from the frame
    double RecDate = 0;     // days since 30 December 1899
    QString DateStr;        // RecDate formatted, or "N/A" / "Pas de Datecode"
    bool TimecodeValid = false;
    uint8_t TcHours = 0;
    uint8_t TcMinutes = 0;
    uint8_t TcSeconds = 0;
    uint8_t TcFrames = 0;
    QString TimecodeStr; // "%d:%.2d:%.2d:%.2d", or "Pas de Timecode"
    QString AudioCodec;  // "MPEG2", "DOLBY AC3", "LPCM", a wave format tag name ...
    int32_t AudioChannels = 0;
    int32_t AudioBits = 0;
    int32_t AudioRate = 0;    // samples per second
    int32_t AudioBitRate = 0; // bits per second
    QString AudioDesc;        // one-line audio description

    bool operator==(const TframeData &) const = default;
};
