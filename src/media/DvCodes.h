#pragma once
// Reading a raw DV frame (IEC 61834 / SMPTE 314M DIF sequences of 12000 bytes): recording date and
// time, time code, television system, wide-screen flag, audio sampling rate and quantisation.
// Pure functions: no state, no allocation, the buffer is only read. Every function takes the
// buffer with its length and never reads past it: a sequence (or pack) that does not fit in the
// buffer counts as absent, exactly like a missing pack. Called on the streaming thread once per
// frame; safe from any thread.
#include <cstddef>
#include <cstdint>

inline constexpr size_t kDvSequenceSize = 12000;
inline constexpr size_t kDvFrameSize525 = 120000; // 525/60: 10 sequences
inline constexpr size_t kDvFrameSize625 = 144000; // 625/50: 12 sequences
inline constexpr int kDvSearchedSequences = 10;   // sequences 0-9 are searched in both systems

struct TDvTimecode
{
    uint8_t Hours = 0xFF; // 0xFF (bit 7 set) = no time code in this sequence
    uint8_t Minutes = 0;
    uint8_t Seconds = 0;
    uint8_t Frames = 0;

    bool valid() const { return (Hours & 0x80) == 0; }
};

struct TDvRecDate
{
    int32_t Year = -1; // -1 = no date packs in this sequence
    uint8_t Month = 0;
    uint8_t Day = 0;
    uint8_t Hour = 0;
    uint8_t Minute = 0;
    uint8_t Second = 0;
};

// Time code of the subcode packs of sequence seq; Hours = 0xFF when absent. A pack whose digits are
// not decimal (units nibble A-F) is corrupt and counts as absent, for dates as for time codes.
TDvTimecode DvTimecode(const uint8_t *frame, size_t len, int seq);
// Recording date and time of the VAUX packs of sequence seq into out; out.Year = -1 when absent
// (the other fields are then left as they were). Returns out.Year >= 0.
bool DvRecDate(const uint8_t *frame, size_t len, int seq, TDvRecDate &out);
// The frame's time code and recording date: those of the first of the searched sequences that
// carries them (Hours = 0xFF, or false, when none does).
TDvTimecode DvFrameTimecode(const uint8_t *frame, size_t len);
bool DvFrameRecDate(const uint8_t *frame, size_t len, TDvRecDate &out);
// 0 = 625/50, 1 = 525/60, 2 = undetermined.
int DvSystem(const uint8_t *frame, size_t len);
// 48000, 44100, 32000, 0 (other code) or -1 (no AAUX source pack found).
int DvAudioRate(const uint8_t *frame, size_t len);
// 16, 12, 0 (other code) or -1 (no AAUX source pack found).
int DvAudioBits(const uint8_t *frame, size_t len);
// True when the frame is 16:9.
bool DvIsWide(const uint8_t *frame, size_t len);
