// DV pack readers on arbitrary buffers: the input as it is, of any length, and laid into the pack
// positions of every sequence of a frame of 120000, 144000 or an odd length.
#include "core/TDateFormat.h"
#include "media/DvCodes.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define FRAMIX_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define FRAMIX_ASAN 1
#endif
#ifdef FRAMIX_ASAN
#include <sanitizer/asan_interface.h>
#else
#define ASAN_POISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(addr, size) ((void)(addr), (void)(size))
#endif

namespace {

void require(bool condition)
{
    if (!condition)
        std::abort();
}

// A date reported as present has decimal digits in its fields, or the calendar check rejects it.
void checkDate(const uint8_t *frame, size_t len, int seq, const TDvRecDate &d)
{
    require(d.Month <= 19 && d.Day <= 39 && d.Hour <= 39 && d.Minute <= 79 && d.Second <= 79);
    require((d.Year >= 2000 && d.Year <= 2039) || (d.Year >= 1940 && d.Year <= 1999));
    const uint8_t *p = frame + size_t(seq) * kDvSequenceSize;
    const auto digitOk = [](uint8_t b, uint8_t tensMask) {
        return (b & 0x0F) <= 9 && ((b & tensMask) >> 4) <= 9;
    };
    const bool bcdOk = digitOk(p[460], 0x30) && digitOk(p[461], 0x10) && digitOk(p[462], 0xF0) &&
                       digitOk(p[465], 0x70) && digitOk(p[466], 0x70) && digitOk(p[467], 0x30);
    double dt = 0;
    const bool calendar = DateTimeFromParts(d.Year, d.Month, d.Day, d.Hour, d.Minute, d.Second, 0, dt);
    require(bcdOk || !calendar);
    if (calendar)
        require(d.Month >= 1 && d.Month <= 12 && d.Day >= 1 && d.Day <= 31 && d.Hour <= 23 &&
                d.Minute <= 59 && d.Second <= 59);
}

void analyse(const uint8_t *frame, size_t len)
{
    for (int seq = -1; seq <= 12; ++seq) {
        const TDvTimecode tc = DvTimecode(frame, len, seq);
        if (tc.valid())
            require(tc.Hours <= 39 && tc.Minutes <= 79 && tc.Seconds <= 79 && tc.Frames <= 39);
        else
            require(tc.Hours == 0xFF);
        TDvRecDate d;
        d.Month = 200;
        if (DvRecDate(frame, len, seq, d))
            checkDate(frame, len, seq, d);
        else
            require(d.Year == -1 && d.Month == 200);
    }
    const int sys = DvSystem(frame, len);
    require(sys >= 0 && sys <= 2);
    const int rate = DvAudioRate(frame, len);
    require(rate == -1 || rate == 0 || rate == 32000 || rate == 44100 || rate == 48000);
    const int bits = DvAudioBits(frame, len);
    require(bits == -1 || bits == 0 || bits == 12 || bits == 16);
    require((rate == -1) == (bits == -1));
    (void)DvIsWide(frame, len);
}

// Offsets of every byte a reader looks at inside a sequence.
struct TRegion
{
    size_t from, n;
};
constexpr TRegion kRegions[] = {{0, 8}, {110, 5}, {190, 5}, {453, 15}, {4323, 5}};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    {
        // Exact-size copy, so that any read past the end is an out-of-bounds read.
        const std::vector<uint8_t> exact(data, data + size);
        analyse(exact.empty() ? nullptr : exact.data(), exact.size());
    }
    if (size < 4) // a selector, two length bytes, then at least one byte of pack data
        return 0;
    size_t len;
    switch (data[0] & 3) {
    case 0:
        len = kDvFrameSize525;
        break;
    case 1:
        len = kDvFrameSize625;
        break;
    case 2:
        len = (size_t(data[1]) << 8 | data[2]) * 3;
        break;
    default:
        len = kDvSequenceSize * (1 + data[1] % 12) - data[2] % 64;
        break;
    }
    // One buffer for every run (allocating and freeing a frame per run made the fuzzer ten
    // times slower); the bytes past `len` are poisoned so that a read past the frame is still
    // an out-of-bounds read.
    static std::vector<uint8_t> buffer(size_t(0xFFFF) * 3 + kDvFrameSize625);
    ASAN_UNPOISON_MEMORY_REGION(buffer.data(), buffer.size());
    std::memset(buffer.data(), 0, len);
    ASAN_POISON_MEMORY_REGION(buffer.data() + len, buffer.size() - len);
    uint8_t *frame = buffer.data();
    size_t k = 3;
    for (size_t start = 0; start < len; start += kDvSequenceSize)
        for (const TRegion &r : kRegions)
            for (size_t i = 0; i < r.n && start + r.from + i < len; ++i) {
                frame[start + r.from + i] = data[k];
                k = k + 1 < size ? k + 1 : 3;
            }
    analyse(len == 0 ? nullptr : frame, len);
    return 0;
}
