#include "DvFrameBuilder.h"
#include "media/DvCodes.h"
#include "media/MpegHeader.h"

#include <gtest/gtest.h>

TEST(DvCodes, TimecodeNeedsBothSubcodePacksAndMasksFlags)
{
    DvFrameBuilder f;
    f.timecode(0, 1, 2, 3, 4);
    f.at(0, 111) |= 0xC0; // colour-frame and drop-frame flags are not part of the value
    f.at(0, 112) |= 0x80;
    f.at(0, 114) |= 0xC0;
    TDvTimecode tc = DvTimecode(f.data(), f.size(), 0);
    ASSERT_TRUE(tc.valid());
    EXPECT_EQ(tc.Hours, 1);
    EXPECT_EQ(tc.Minutes, 2);
    EXPECT_EQ(tc.Seconds, 3);
    EXPECT_EQ(tc.Frames, 4);

    f.timecode(1, 23, 59, 59, 29, /*secondBlock=*/false);
    EXPECT_FALSE(DvTimecode(f.data(), f.size(), 1).valid());
    EXPECT_EQ(DvTimecode(f.data(), f.size(), 1).Hours, 0xFF);
}

TEST(DvCodes, RecordingDateWindowsTheYearAndAcceptsZeroHeaders)
{
    DvFrameBuilder f;
    f.recDate(0, 39, 12, 31, 23, 59, 58);
    TDvRecDate d;
    ASSERT_TRUE(DvRecDate(f.data(), f.size(), 0, d));
    EXPECT_EQ(d.Year, 2039);
    EXPECT_EQ(d.Month, 12);
    EXPECT_EQ(d.Day, 31);
    EXPECT_EQ(d.Hour, 23);
    EXPECT_EQ(d.Minute, 59);
    EXPECT_EQ(d.Second, 58);

    f.recDate(1, 40, 1, 2, 3, 4, 5);
    f.at(1, 460) |= 0xC0; // flag bits above the tens are ignored
    f.at(1, 461) |= 0xE0;
    ASSERT_TRUE(DvRecDate(f.data(), f.size(), 1, d));
    EXPECT_EQ(d.Year, 1940);
    EXPECT_EQ(d.Month, 1);
    EXPECT_EQ(d.Day, 2);

    // Sequence 2 has all-zero packs: accepted, yields the zero date the caller then rejects.
    ASSERT_TRUE(DvRecDate(f.data(), f.size(), 2, d));
    EXPECT_EQ(d.Year, 2000);
    EXPECT_EQ(d.Month, 0);

    // A foreign pack header: absent, and the rest of the record is left alone.
    f.at(3, 458) = 0x61;
    d.Month = 77;
    EXPECT_FALSE(DvRecDate(f.data(), f.size(), 3, d));
    EXPECT_EQ(d.Year, -1);
    EXPECT_EQ(d.Month, 77);
}

TEST(DvCodes, PacksWithNonDecimalDigitsAreCorruptAndAbsent)
{
    DvFrameBuilder f;
    f.recDate(0, 3, 11, 23, 8, 9, 10);
    f.timecode(0, 1, 2, 3, 4);
    f.at(0, 460) = 0x1A; // day "1A" would otherwise read as 20
    TDvRecDate d;
    EXPECT_FALSE(DvRecDate(f.data(), f.size(), 0, d));
    f.at(0, 460) = 0x23;
    f.at(0, 462) = 0xA3; // year tens A
    EXPECT_FALSE(DvRecDate(f.data(), f.size(), 0, d));
    f.at(0, 462) = 0x03;
    EXPECT_TRUE(DvRecDate(f.data(), f.size(), 0, d));
    EXPECT_EQ(d.Year, 2003);
    f.at(0, 111) = 0xFF; // an unset frames field
    EXPECT_FALSE(DvTimecode(f.data(), f.size(), 0).valid());
}

TEST(DvCodes, SystemCountsHeaderBytesOfTheFirstTenSequences)
{
    DvFrameBuilder pal(true), ntsc(false);
    EXPECT_EQ(DvSystem(pal.data(), pal.size()), 0);
    EXPECT_EQ(DvSystem(ntsc.data(), ntsc.size()), 1);
    for (int s = 0; s < 5; ++s)
        pal.at(s, 3) = 0x3F;
    EXPECT_EQ(DvSystem(pal.data(), pal.size()), 2);
    std::vector<uint8_t> zeros(144000, 0);
    EXPECT_EQ(DvSystem(zeros.data(), zeros.size()), 2);
}

TEST(DvCodes, AudioSourcePackOfTheFirstSequenceThatHasOne)
{
    DvFrameBuilder f;
    EXPECT_EQ(DvAudioRate(f.data(), f.size()), -1);
    EXPECT_EQ(DvAudioBits(f.data(), f.size()), -1);
    f.audioSource(10, 1, 1);     // sequences 10 and 11 are never searched
    f.at(0, 4323 + 1280) = 0x50; // another audio block of sequence 0 does not count
    EXPECT_EQ(DvAudioRate(f.data(), f.size()), -1);

    f.audioSource(3, 2, 1);
    f.audioSource(4, 0, 0);
    EXPECT_EQ(DvAudioRate(f.data(), f.size()), 32000);
    EXPECT_EQ(DvAudioBits(f.data(), f.size()), 12);
    f.audioSource(3, 1, 0);
    EXPECT_EQ(DvAudioRate(f.data(), f.size()), 44100);
    EXPECT_EQ(DvAudioBits(f.data(), f.size()), 16);
    f.audioSource(3, 5, 6);
    EXPECT_EQ(DvAudioRate(f.data(), f.size()), 0);
    EXPECT_EQ(DvAudioBits(f.data(), f.size()), 0);
}

TEST(DvCodes, WideFromDisplaySelectAndAp3OfTheSameSequence)
{
    DvFrameBuilder f;
    EXPECT_FALSE(DvIsWide(f.data(), f.size()));
    f.sourceControl(2, 7, 1);
    f.sourceControl(3, 2, 0); // only the first sequence with the pack decides
    EXPECT_FALSE(DvIsWide(f.data(), f.size()));
    f.sourceControl(2, 7, 0);
    EXPECT_TRUE(DvIsWide(f.data(), f.size()));
    f.sourceControl(2, 2, 5);
    EXPECT_TRUE(DvIsWide(f.data(), f.size()));
    f.sourceControl(2, 0, 0);
    EXPECT_FALSE(DvIsWide(f.data(), f.size()));
}

TEST(DvCodes, ShortBuffersAreNeverReadPastTheirEnd)
{
    DvFrameBuilder f;
    f.timecode(0, 1, 0, 0, 0);
    f.recDate(0, 3, 11, 23, 8, 9, 10);
    f.sourceControl(0, 2, 0);
    f.audioSource(0, 0, 0);
    f.timecode(1, 2, 0, 0, 0);
    // Exactly one sequence: sequence 0 reads, sequence 1 is absent.
    const std::vector<uint8_t> one(f.bytes.begin(), f.bytes.begin() + 12000);
    TDvRecDate d;
    EXPECT_TRUE(DvTimecode(one.data(), one.size(), 0).valid());
    EXPECT_FALSE(DvTimecode(one.data(), one.size(), 1).valid());
    EXPECT_TRUE(DvRecDate(one.data(), one.size(), 0, d));
    EXPECT_EQ(DvAudioRate(one.data(), one.size()), 48000);
    EXPECT_TRUE(DvIsWide(one.data(), one.size()));
    // Cut inside each pack: every answer is "absent". Exact-size heap copies let ASan see overreads.
    for (size_t len : {0, 3, 114, 194, 457, 467, 4326}) {
        const std::vector<uint8_t> cut(f.bytes.begin(), f.bytes.begin() + long(len));
        const uint8_t *p = cut.empty() ? nullptr : cut.data();
        EXPECT_EQ(DvTimecode(p, len, 0).valid(), len >= 195) << len;
        EXPECT_EQ(DvRecDate(p, len, 0, d), len >= 468) << len;
        EXPECT_EQ(DvIsWide(p, len), len >= 458) << len;
        EXPECT_EQ(DvAudioRate(p, len), len >= 4328 ? 48000 : -1) << len;
        EXPECT_EQ(DvSystem(p, len), len >= 4 ? 0 : 2) << len;
    }
    EXPECT_FALSE(DvTimecode(f.data(), f.size(), -1).valid());
    EXPECT_FALSE(DvTimecode(f.data(), f.size(), 1000000).valid());
}

TEST(MpegHeader, SequenceHeaderFields)
{
    // 720x576, aspect 16:9 (3), 25 fps (3).
    const uint8_t h[] = {0x00, 0x00, 0x01, 0xB3, 0x2D, 0x02, 0x40, 0x33, 0xFF, 0xFF, 0xE0, 0x18};
    ASSERT_TRUE(MpegIsSequenceHeader(h, sizeof h));
    EXPECT_EQ(MpegWidth(h, sizeof h), 720);
    EXPECT_EQ(MpegHeight(h, sizeof h), 576);
    EXPECT_EQ(MpegAspect(h, sizeof h), 1);
    EXPECT_DOUBLE_EQ(MpegFrameRate(h, sizeof h), 25.0);

    uint8_t v[sizeof h];
    std::copy(std::begin(h), std::end(h), v);
    v[7] = 0x18; // square pixels, 60 fps
    EXPECT_EQ(MpegAspect(v, sizeof v), 2);
    EXPECT_DOUBLE_EQ(MpegFrameRate(v, sizeof v), 60.0);
    v[7] = 0x24;
    EXPECT_EQ(MpegAspect(v, sizeof v), 0);
    EXPECT_DOUBLE_EQ(MpegFrameRate(v, sizeof v), 30000.0 / 1001.0);
    v[7] = 0x29; // reserved rate code
    EXPECT_DOUBLE_EQ(MpegFrameRate(v, sizeof v), 0.0);
    v[7] = 0x20; // rate code 0: not a usable header
    EXPECT_FALSE(MpegIsSequenceHeader(v, sizeof v));
    v[7] = 0x03;
    EXPECT_FALSE(MpegIsSequenceHeader(v, sizeof v));
    v[7] = 0x33;
    v[3] = 0xB8; // a GOP start code
    EXPECT_FALSE(MpegIsSequenceHeader(v, sizeof v));
    // Too short for the aspect/rate byte.
    EXPECT_FALSE(MpegIsSequenceHeader(h, 7));
    EXPECT_EQ(MpegAspect(h, 7), 2);
    EXPECT_EQ(MpegWidth(h, 6), 0);
    EXPECT_FALSE(MpegIsSequenceHeader(nullptr, 0));
}
