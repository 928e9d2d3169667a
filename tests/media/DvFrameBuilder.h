#pragma once
// Builds raw DV frames byte by byte for the DV reader tests: DIF header bytes, subcode time-code
// packs, VAUX source-control/date/time packs and the AAUX source pack, per sequence.
#include <cstddef>
#include <cstdint>
#include <vector>

struct DvFrameBuilder
{
    std::vector<uint8_t> bytes;

    explicit DvFrameBuilder(bool pal = true) : bytes(pal ? 144000 : 120000, 0)
    {
        for (size_t s = 0; s * 12000 < bytes.size(); ++s)
            at(int(s), 3) = pal ? 0xBF : 0x3F;
    }
    uint8_t &at(int seq, size_t offset) { return bytes[size_t(seq) * 12000 + offset]; }
    static uint8_t bcd(int v) { return uint8_t((v / 10) << 4 | (v % 10)); }

    void timecode(int seq, int h, int m, int s, int f, bool secondBlock = true)
    {
        at(seq, 110) = 0x13;
        at(seq, 111) = bcd(f);
        at(seq, 112) = bcd(s);
        at(seq, 113) = bcd(m);
        at(seq, 114) = bcd(h);
        if (secondBlock)
            at(seq, 190) = 0x13;
    }
    void recDate(int seq, int yy, int month, int day, int hour, int minute, int second)
    {
        at(seq, 458) = 0x62;
        at(seq, 459) = 0xFF;
        at(seq, 460) = bcd(day);
        at(seq, 461) = bcd(month);
        at(seq, 462) = bcd(yy);
        at(seq, 463) = 0x63;
        at(seq, 464) = 0xFF;
        at(seq, 465) = bcd(second);
        at(seq, 466) = bcd(minute);
        at(seq, 467) = bcd(hour);
    }
    void sourceControl(int seq, int displaySelect, int ap3)
    {
        at(seq, 453) = 0x61;
        at(seq, 455) = uint8_t(displaySelect & 7);
        at(seq, 7) = uint8_t((at(seq, 7) & ~7) | (ap3 & 7));
    }
    void audioSource(int seq, int rateCode, int bitsCode)
    {
        at(seq, 4323) = 0x50;
        at(seq, 4327) = uint8_t((rateCode & 7) << 3 | (bitsCode & 7));
    }
    const uint8_t *data() const { return bytes.data(); }
    size_t size() const { return bytes.size(); }
};
