#include "media/DvCodes.h"

namespace {

// Offsets inside a DIF sequence.
constexpr size_t kHeaderDsf = 3;       // header block byte 3: 0xBF = 625/50, 0x3F = 525/60
constexpr size_t kHeaderAp3 = 7;       // header block byte 7, bits 2-0
constexpr size_t kSubcode1Pack3 = 110; // sync block 3 of the first subcode block
constexpr size_t kSubcode2Pack3 = 190; // sync block 3 of the second subcode block
constexpr size_t kVauxSourceCtl = 453; // VAUX block 2, pack 10
constexpr size_t kVauxRecDate = 458;   // pack 11
constexpr size_t kVauxRecTime = 463;   // pack 12
constexpr size_t kAauxSource = 4323;   // audio block 3 (block 54)

// The sequence start when bytes [start + from, start + to) lie inside the buffer, else nullptr.
inline const uint8_t *sequence(const uint8_t *frame, size_t len, int seq, size_t to)
{
    if (!frame || seq < 0)
        return nullptr;
    const size_t start = size_t(seq) * kDvSequenceSize;
    if (len < start || len - start < to)
        return nullptr;
    return frame + start;
}

inline uint8_t bcd(uint8_t b, uint8_t tensMask)
{
    return uint8_t((b & 0x0F) + 10 * ((b & tensMask) >> 4));
}

// Whether the digits a BCD field is read from are decimal digits. A pack with a units nibble of
// A-F (or year tens of A-F) is corrupt: decoding it anyway would turn, say, day 0x1A into a
// plausible day 20, so such a pack counts as absent.
inline bool digits(uint8_t b, uint8_t tensMask)
{
    return (b & 0x0F) <= 9 && ((b & tensMask) >> 4) <= 9;
}

// The AAUX source pack data byte PC4 of the first sequence 0-9 that carries one, or -1.
int aauxSourcePc4(const uint8_t *frame, size_t len)
{
    for (int s = 0; s < kDvSearchedSequences; ++s) {
        const uint8_t *p = sequence(frame, len, s, kAauxSource + 5);
        if (!p)
            break; // later sequences lie further out
        if (p[kAauxSource] == 0x50)
            return p[kAauxSource + 4];
    }
    return -1;
}

} // namespace

TDvTimecode DvTimecode(const uint8_t *frame, size_t len, int seq)
{
    TDvTimecode tc;
    const uint8_t *p = sequence(frame, len, seq, kSubcode2Pack3 + 5);
    if (!p || p[kSubcode1Pack3] != 0x13 || p[kSubcode2Pack3] != 0x13)
        return tc;
    if (!digits(p[111], 0x30) || !digits(p[112], 0x70) || !digits(p[113], 0x70) || !digits(p[114], 0x30))
        return tc;
    tc.Frames = bcd(p[111], 0x30);
    tc.Seconds = bcd(p[112], 0x70);
    tc.Minutes = bcd(p[113], 0x70);
    tc.Hours = bcd(p[114], 0x30);
    return tc;
}

bool DvRecDate(const uint8_t *frame, size_t len, int seq, TDvRecDate &out)
{
    const uint8_t *p = sequence(frame, len, seq, kVauxRecTime + 5);
    if (!p || (p[kVauxRecDate] != 0x62 && p[kVauxRecDate] != 0x00) ||
        (p[kVauxRecTime] != 0x63 && p[kVauxRecTime] != 0x00) || !digits(p[460], 0x30) ||
        !digits(p[461], 0x10) || !digits(p[462], 0xF0) || !digits(p[465], 0x70) || !digits(p[466], 0x70) ||
        !digits(p[467], 0x30)) {
        out.Year = -1;
        return false;
    }
    out.Day = bcd(p[460], 0x30);
    out.Month = bcd(p[461], 0x10);
    const int y = bcd(p[462], 0xF0);
    out.Year = y < 40 ? 2000 + y : 1900 + y;
    out.Second = bcd(p[465], 0x70);
    out.Minute = bcd(p[466], 0x70);
    out.Hour = bcd(p[467], 0x30);
    return true;
}

TDvTimecode DvFrameTimecode(const uint8_t *frame, size_t len)
{
    for (int s = 0; s < kDvSearchedSequences; ++s) {
        const TDvTimecode tc = DvTimecode(frame, len, s);
        if (tc.valid())
            return tc;
    }
    return {};
}

bool DvFrameRecDate(const uint8_t *frame, size_t len, TDvRecDate &out)
{
    for (int s = 0; s < kDvSearchedSequences; ++s)
        if (DvRecDate(frame, len, s, out))
            return true;
    return false;
}

int DvSystem(const uint8_t *frame, size_t len)
{
    int n625 = 0, n525 = 0;
    for (int s = 0; s < kDvSearchedSequences; ++s) {
        const uint8_t *p = sequence(frame, len, s, kHeaderDsf + 1);
        if (!p)
            break;
        if (p[kHeaderDsf] == 0xBF)
            ++n625;
        else if (p[kHeaderDsf] == 0x3F)
            ++n525;
    }
    return n625 > n525 ? 0 : n525 > n625 ? 1 : 2;
}

int DvAudioRate(const uint8_t *frame, size_t len)
{
    const int pc4 = aauxSourcePc4(frame, len);
    if (pc4 < 0)
        return -1;
    switch ((pc4 >> 3) & 7) {
    case 0:
        return 48000;
    case 1:
        return 44100;
    case 2:
        return 32000;
    default:
        return 0;
    }
}

int DvAudioBits(const uint8_t *frame, size_t len)
{
    const int pc4 = aauxSourcePc4(frame, len);
    if (pc4 < 0)
        return -1;
    switch (pc4 & 7) {
    case 0:
        return 16;
    case 1:
        return 12;
    default:
        return 0;
    }
}

bool DvIsWide(const uint8_t *frame, size_t len)
{
    for (int s = 0; s < kDvSearchedSequences; ++s) {
        const uint8_t *p = sequence(frame, len, s, kVauxSourceCtl + 5);
        if (!p)
            break;
        if (p[kVauxSourceCtl] != 0x61)
            continue;
        const int disp = p[kVauxSourceCtl + 2] & 7;
        const int ap3 = p[kHeaderAp3] & 7;
        return disp == 2 || (disp == 7 && ap3 == 0);
    }
    return false;
}
