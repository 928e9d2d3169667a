#include "core/TDateFormat.h"
#include "media/FitRect.h"
#include "media/MediaFormat.h"
#include "media/Timecode.h"

#include <gtest/gtest.h>

namespace {

TMediaType videoInfo2(int w, int h, uint32_t ax, uint32_t ay, int64_t avg, const TGuid &sub,
                      uint32_t compression)
{
    TVideoInfoHeader2 v;
    v.bmiHeader.biWidth = w;
    v.bmiHeader.biHeight = h;
    v.bmiHeader.biBitCount = 24;
    v.bmiHeader.biCompression = compression;
    v.dwPictAspectRatioX = ax;
    v.dwPictAspectRatioY = ay;
    v.AvgTimePerFrame = avg;
    TMediaType mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = sub;
    mt.formattype = FORMAT_VideoInfo2;
    mt.setFormat(v);
    return mt;
}

QString dec()
{
    return TDateFormat::regionalLocale().decimalPoint();
}

} // namespace

TEST(MediaFormat, AspectKindsAndReduction)
{
    const TGuid h264 = TGuid::fromFourCC(MakeFourCC('H', '2', '6', '4'));
    TVideoData v = VideoDataFromMediaType(videoInfo2(1280, 720, 1280, 720, 400000, h264, 0));
    EXPECT_TRUE(v.Known);
    EXPECT_EQ(v.AspectKind, TAspectKind::Aspect16x9);
    EXPECT_EQ(v.Description, "H264 (16x9)");
    EXPECT_EQ(v.SizeText, "1280x720 - 25 fps");
    EXPECT_DOUBLE_EQ(v.Fps, 25.0);

    v = VideoDataFromMediaType(videoInfo2(1200, 720, 1200, 720, 0, h264, 0));
    EXPECT_EQ(v.AspectKind, TAspectKind::Other);
    EXPECT_EQ(v.AspectX, 120);
    EXPECT_EQ(v.AspectY, 72);
    EXPECT_TRUE(v.Description.endsWith("(120x72)"));
    EXPECT_EQ(v.SizeText, "1200x720");
    EXPECT_EQ(v.Fps, 0.0);

    // Halves round to even while both sides stay above 99: 1205/1015 -> 120/102 -> 12/10.
    v = VideoDataFromMediaType(videoInfo2(10, 10, 1205, 1015, 0, h264, 0));
    EXPECT_EQ(v.AspectX, 12);
    EXPECT_EQ(v.AspectY, 10);
    v = VideoDataFromMediaType(videoInfo2(720, 576, 4, 3, 333667, h264, 0));
    EXPECT_EQ(v.AspectKind, TAspectKind::Aspect4x3);
    EXPECT_EQ(v.SizeText, "720x576 - 29" + dec() + "97 fps");
    v = VideoDataFromMediaType(videoInfo2(720, 576, 0, 0, 417084, h264, 0));
    EXPECT_EQ(v.AspectKind, TAspectKind::NotGiven);
    EXPECT_EQ(v.Description, "H264");
    EXPECT_EQ(v.SizeText, "720x576 - 23" + dec() + "98 fps");
}

TEST(MediaFormat, ReadersInOrderAndCodecNames)
{
    // An upper-case DVSD FourCC with a VideoInfo2 block: the DV reader, which takes no aspect.
    TVideoData v = VideoDataFromMediaType(
        videoInfo2(720, 576, 16, 9, 400000, TGuid::fromFourCC(MakeFourCC('D', 'V', 'S', 'D')), 0));
    EXPECT_EQ(v.CodecName, "DV Type 2");
    EXPECT_EQ(v.AspectKind, TAspectKind::NotGiven);
    EXPECT_EQ(VideoCodecName(videoInfo2(1, 1, 0, 0, 0, MEDIASUBTYPE_dvcp, 0)), "DV Type 1");
    EXPECT_EQ(VideoCodecName(videoInfo2(1, 1, 0, 0, 0, MEDIASUBTYPE_RGB565, 0)), "RGB565");
    // Neither FourCC nor RGB: by format type.
    const TGuid other = MEDIATYPE_Stream;
    EXPECT_EQ(VideoCodecName(videoInfo2(1, 1, 0, 0, 0, other, MakeFourCC('a', 'b', 1, 'd'))), "ab d");
    TMediaType mt;
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_MPEG1Payload;
    mt.formattype = FORMAT_MPEGVideo;
    mt.setFormat(TMpeg1VideoInfo{});
    EXPECT_EQ(VideoCodecName(mt), "MPEG1");
    EXPECT_TRUE(VideoDataFromMediaType(mt).Known);
    mt.Format.truncate(103); // one byte short of an MPEG1VIDEOINFO
    EXPECT_FALSE(VideoDataFromMediaType(mt).Known);
    mt.formattype = FORMAT_MPEG2Video;
    EXPECT_EQ(VideoCodecName(mt), "MPEG2");

    EXPECT_EQ(FourCCText(0x00313233), "321 ");
    EXPECT_EQ(FourCCText(MakeFourCC('d', 'v', 's', 'd')), "dvsd");
}

TEST(MediaFormat, AudioNamesAndDescription)
{
    TMediaType mt;
    mt.majortype = MEDIATYPE_Audio;
    mt.subtype = MEDIASUBTYPE_PCM; // bytes 1, 0, 0, 0: not printable
    EXPECT_EQ(AudioCodecName(mt), "RGB");
    TWaveFormatEx wf;
    wf.wFormatTag = 1;
    wf.nChannels = 2;
    wf.nSamplesPerSec = 48000;
    wf.nAvgBytesPerSec = 192000;
    wf.nBlockAlign = 4;
    wf.wBitsPerSample = 16;
    mt.formattype = FORMAT_WaveFormatEx;
    mt.setFormat(wf);
    EXPECT_EQ(AudioCodecName(mt), "PCM");

    TframeData fd;
    fd.AudioCodec = AudioCodecName(mt);
    ASSERT_TRUE(AudioFormatFromMediaType(mt, fd));
    EXPECT_EQ(fd.AudioDesc, "PCM 48000Hz 16bits  stéréo");
    EXPECT_EQ(fd.AudioBitRate, 1536000);

    wf.wFormatTag = 85;
    wf.wBitsPerSample = 0;
    wf.nChannels = 6;
    wf.nAvgBytesPerSec = 24000;
    mt.subtype = MEDIASUBTYPE_DOLBY_AC3;
    mt.setFormat(wf);
    EXPECT_EQ(AudioCodecName(mt), "MP3");
    fd.AudioCodec = "X";
    ASSERT_TRUE(AudioFormatFromMediaType(mt, fd));
    EXPECT_EQ(fd.AudioDesc, "X 48000Hz 192Kb/s 6 canaux");

    wf.wFormatTag = 0; // no tag: the subtype's name stays
    mt.setFormat(wf);
    EXPECT_EQ(AudioCodecName(mt), "DOLBY AC3");
    mt.majortype = MEDIATYPE_Video;
    EXPECT_EQ(AudioCodecName(mt), "");
    mt.Format.truncate(17);
    EXPECT_FALSE(AudioFormatFromMediaType(mt, fd));
    EXPECT_EQ(fd.AudioCodec, "X");

    EXPECT_EQ(WaveFormatTagName(3), "IEEE_FLOAT");
    EXPECT_EQ(WaveFormatTagName(136), "ISIAUDIO ");
    EXPECT_EQ(WaveFormatTagName(26481), "OGG_VORBIS3+");
    EXPECT_EQ(WaveFormatTagName(31266), "GSM_AMR");
    EXPECT_EQ(WaveFormatTagName(0), "");
    EXPECT_EQ(WaveFormatTagName(10), "");
}

TEST(MediaFormat, TimecodeTextAndBack)
{
    EXPECT_EQ(TimecodeText(9999800000, 400000), "0:16:39:24");
    EXPECT_EQ(TimecodeText(9999900000, 400000), "0:16:40:00");
    EXPECT_EQ(TimecodeText(0, 0), "0:00:00:00");
    EXPECT_EQ(TimecodeText(int64_t(25) * 3600 * 10000000, 400000), "25:00:00:00"); // hours not wrapped
    EXPECT_EQ(TimecodeText(5000, 0), "0:00:00:00"); // 1 ms frames, 0.5 rounds to even
    EXPECT_EQ(TimecodeText(-400000, 400000), "-0:00:00:01");

    EXPECT_EQ(TimecodeToTime("1:02:03:04", 400000), 37231600000);
    EXPECT_EQ(TimecodeToTime("12:02:03:04", 400000), (12 * 3600 + 123) * int64_t(10000000) + 1600000);
    EXPECT_EQ(TimecodeToTime("3:04", 400000), 3 * int64_t(10000000) + 1600000);
    EXPECT_EQ(TimecodeToTime("x:0a:03:04", 400000), 31600000);
    EXPECT_EQ(TimecodeToTime("", 400000), 0);
    EXPECT_EQ(TimecodeToTime("99999999999999999:00:00:00", 400000), INT64_MAX);
}

TEST(MediaFormat, FitRect)
{
    EXPECT_EQ(FitRect(4, 3, QRect(0, 0, 1000, 500), 0, false), QRect(167, 0, 666, 500));
    EXPECT_EQ(FitRect(16, 9, QRect(10, 20, 400, 400), 0, false), QRect(10, 20 + 87, 400, 225));
    EXPECT_EQ(FitRect(16, 9, QRect(10, 20, 400, 400), 0, true), QRect(0, 87, 400, 225));
    EXPECT_EQ(FitRect(0, 3, QRect(10, 20, 400, 400), 5, false), QRect(15, 25, 390, 390));
    EXPECT_EQ(FitRect(1, 1, QRect(10, 20, 400, 200), 10, true), QRect(110, 10, 180, 180));
}
