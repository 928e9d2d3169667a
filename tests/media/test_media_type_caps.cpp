#include "core/TDateFormat.h"
#include "media/MediaFormat.h"
#include "media/gst/TMediaType.h"

#include <gst/gst.h>
#include <gtest/gtest.h>

namespace {
TVideoData video(const char *caps)
{
    return VideoDataFromMediaType(TMediaType::fromCapsString(caps));
}

TframeData audio(const char *caps)
{
    const TMediaType mt = TMediaType::fromCapsString(caps);
    TframeData fd;
    fd.AudioCodec = AudioCodecName(mt);
    EXPECT_TRUE(AudioFormatFromMediaType(mt, fd)) << caps;
    return fd;
}
QString dec()
{
    return TDateFormat::regionalLocale().decimalPoint();
}
} // namespace

TEST(MediaTypeCaps, GuidsAndFourCCFamily)
{
    EXPECT_EQ(MEDIATYPE_Video.toString(), "{73646976-0000-0010-8000-00AA00389B71}");
    EXPECT_EQ(MEDIASUBTYPE_dvsd.toString(), "{64737664-0000-0010-8000-00AA00389B71}");
    EXPECT_EQ(FORMAT_VideoInfo2.toString(), "{F72A76A0-EB0A-11D0-ACE4-0000C0CC16BA}");
    EXPECT_EQ(MEDIASUBTYPE_DOLBY_AC3.toString(), "{E06D802C-DB46-11CF-B4D1-00805F6CBBEA}");
    EXPECT_TRUE(MEDIASUBTYPE_PCM.isFourCCFamily());
    EXPECT_FALSE(MEDIASUBTYPE_RGB24.isFourCCFamily());
    bool ok = false;
    EXPECT_EQ(TGuid::fromString("{e06d80e3-db46-11cf-b4d1-00805f6cbbea}", &ok), FORMAT_MPEG2Video);
    EXPECT_TRUE(ok);
    EXPECT_TRUE(TGuid::fromString("{e06d80e3-db46-11cf-b4d1-00805f6cbbeg}", &ok).isNull());
    EXPECT_FALSE(ok);
}

TEST(MediaTypeCaps, RawVideoTakesPictureAspectAndFrameRate)
{
    TMediaType mt = TMediaType::fromCapsString(
        "video/x-raw, format=I420, width=720, height=576, framerate=25/1, pixel-aspect-ratio=64/45");
    EXPECT_EQ(mt.formattype, FORMAT_VideoInfo2);
    TVideoData v = VideoDataFromMediaType(mt);
    EXPECT_EQ(v.CodecName, "I420");
    EXPECT_EQ(v.BitCount, 12);
    EXPECT_EQ(v.AvgTimePerFrame, 400000);
    EXPECT_EQ(v.AspectKind, TAspectKind::Aspect16x9);
    EXPECT_EQ(v.Description, "I420 (16x9)");
    EXPECT_EQ(v.SizeText, "720x576 - 25 fps");

    v = video("video/x-raw, format=BGR, width=640, height=480, framerate=30000/1001");
    EXPECT_EQ(v.CodecName, "RGB24");
    EXPECT_EQ(v.BitCount, 24);
    EXPECT_EQ(v.AspectKind, TAspectKind::Aspect4x3); // square pixels on 640x480
    EXPECT_EQ(v.AvgTimePerFrame, 333667);
    EXPECT_EQ(v.SizeText, "640x480 - 29" + dec() + "97 fps");
    EXPECT_EQ(video("video/x-raw, format=BGRx, width=2, height=2").CodecName, "RGB32");
    EXPECT_EQ(video("video/x-raw, format=RGB16, width=2, height=2").CodecName, "RGB565");
    v = video("video/x-raw, format=YUY2, width=1200, height=720, framerate=0/1");
    EXPECT_EQ(v.BitCount, 16);
    EXPECT_EQ(v.AspectKind, TAspectKind::Other);
    EXPECT_EQ(v.Description, "YUY2 (5x3)");
    EXPECT_EQ(v.Fps, 0.0);
}

TEST(MediaTypeCaps, DvElementaryAndSystemStreams)
{
    TMediaType mt = TMediaType::fromCapsString("video/x-dv, systemstream=false, width=720, height=480, "
                                               "framerate=30000/1001, pixel-aspect-ratio=8/9");
    EXPECT_EQ(mt.subtype, MEDIASUBTYPE_dvsd);
    EXPECT_EQ(mt.formattype, FORMAT_VideoInfo);
    TVideoData v = VideoDataFromMediaType(mt);
    EXPECT_EQ(v.CodecName, "DV Type 2");
    EXPECT_EQ(v.Width, 720);
    EXPECT_EQ(v.Height, 480);
    EXPECT_EQ(v.AspectKind, TAspectKind::NotGiven);
    EXPECT_EQ(v.SizeText, "720x480 - 29" + dec() + "97 fps");

    mt = TMediaType::fromCapsString("video/x-dv, systemstream=true");
    EXPECT_EQ(mt.majortype, MEDIATYPE_Interleaved);
    EXPECT_EQ(mt.subtype, MEDIASUBTYPE_dvsd);
    EXPECT_EQ(mt.formattype, FORMAT_DvInfo);
    EXPECT_EQ(mt.cbFormat(), 32u);
}

TEST(MediaTypeCaps, MpegVideoCarriesTheSequenceHeader)
{
    // codec_data: 720x576, 16:9, 25 fps.
    TMediaType mt =
        TMediaType::fromCapsString("video/mpeg, mpegversion=2, systemstream=false, width=720, "
                                   "height=576, framerate=25/1, codec_data=(buffer)000001b32d024033ffffe018");
    ASSERT_EQ(mt.formattype, FORMAT_MPEG2Video);
    EXPECT_EQ(mt.subtype, MEDIASUBTYPE_MPEG2_VIDEO);
    TMpeg2VideoInfo info;
    ASSERT_TRUE(mt.readFormat(info));
    EXPECT_EQ(info.cbSequenceHeader, 12u);
    EXPECT_EQ(mt.cbFormat(), kMpeg2SequenceHeaderOffset + 12);
    EXPECT_EQ(uint8_t(mt.Format[int(kMpeg2SequenceHeaderOffset) + 3]), 0xB3);
    TVideoData v = VideoDataFromMediaType(mt);
    EXPECT_EQ(v.CodecName, "MPEG2");
    EXPECT_EQ(v.Description, "MPEG2 (16x9)");
    EXPECT_EQ(v.SizeText, "720x576 - 25 fps");

    mt = TMediaType::fromCapsString("video/mpeg, mpegversion=1, width=352, height=288, framerate=25/1");
    EXPECT_EQ(mt.formattype, FORMAT_MPEGVideo);
    EXPECT_GE(mt.cbFormat(), sizeof(TMpeg1VideoInfo));
    v = VideoDataFromMediaType(mt);
    EXPECT_EQ(v.Description, "MPEG1");
    EXPECT_EQ(v.Width, 352);
}

TEST(MediaTypeCaps, CompressedVideoByFourCC)
{
    EXPECT_EQ(video("video/x-h264, stream-format=byte-stream, width=1280, height=720, framerate=50/1, "
                    "pixel-aspect-ratio=1/1")
                  .Description,
              "H264");
    EXPECT_EQ(video("video/x-h264, stream-format=avc, width=2, height=2").CodecName, "H264");
    EXPECT_EQ(video("video/x-h265, width=2, height=2").CodecName, "HEVC");
    EXPECT_EQ(video("video/mpeg, mpegversion=4, width=2, height=2").CodecName, "MP4V");
    EXPECT_EQ(video("video/x-wmv, wmvversion=3, format=WVC1, width=2, height=2").CodecName, "WVC1");
    EXPECT_EQ(video("video/x-wmv, wmvversion=2, width=2, height=2").CodecName, "WMV2");
    EXPECT_EQ(video("image/jpeg, width=2, height=2").CodecName, "MJPG");

    // Pixels that are not square give the picture its display aspect; square ones say nothing.
    const TMediaType wide = TMediaType::fromCapsString(
        "video/x-h264, stream-format=avc, width=720, height=576, framerate=25/1, pixel-aspect-ratio=64/45");
    EXPECT_EQ(wide.formattype, FORMAT_VideoInfo2);
    TVideoData v = VideoDataFromMediaType(wide);
    EXPECT_EQ(v.Description, "H264 (16x9)");
    EXPECT_EQ(v.AspectKind, TAspectKind::Aspect16x9);
    EXPECT_EQ(v.SizeText, "720x576 - 25 fps");
    v = video("video/x-h264, stream-format=avc, width=720, height=576, pixel-aspect-ratio=16/15");
    EXPECT_EQ(v.Description, "H264 (4x3)");
    v = video("video/mpeg, mpegversion=4, width=720, height=480, pixel-aspect-ratio=32/27");
    EXPECT_EQ(v.Description, "MP4V (16x9)");
    v = video("image/jpeg, width=640, height=480, pixel-aspect-ratio=1/1");
    EXPECT_EQ(v.AspectKind, TAspectKind::NotGiven) << "a square-pixel stream keeps its stored size";
}

TEST(MediaTypeCaps, AudioFormatsAndTheirNames)
{
    TframeData fd = audio("audio/x-raw, format=S16LE, layout=interleaved, rate=48000, channels=2");
    EXPECT_EQ(fd.AudioCodec, "PCM");
    EXPECT_EQ(fd.AudioDesc, "PCM 48000Hz 16bits  stéréo");
    EXPECT_EQ(audio("audio/x-raw, format=F32LE, layout=interleaved, rate=44100, channels=1").AudioDesc,
              "IEEE 44100Hz 32bits  mono");
    EXPECT_EQ(audio("audio/x-ac3, rate=48000, channels=6").AudioDesc, "AC3 48000Hz 6 canaux");
    EXPECT_EQ(audio("audio/mpeg, mpegversion=1, layer=2, rate=48000, channels=2, bitrate=192000").AudioDesc,
              "MPEG 48000Hz 192Kb/s stéréo");
    EXPECT_EQ(audio("audio/mpeg, mpegversion=1, layer=3, rate=44100, channels=2").AudioCodec, "MP3");
    EXPECT_EQ(audio("audio/mpeg, mpegversion=4, rate=44100, channels=2").AudioCodec, "AAC");
    EXPECT_EQ(audio("audio/x-wma, wmaversion=2, rate=44100, channels=2").AudioCodec, "WMA");
    EXPECT_EQ(audio("audio/x-lpcm, width=16, rate=48000, channels=2").AudioCodec, "LPCM");
    EXPECT_EQ(audio("audio/x-dts, rate=48000, channels=6").AudioCodec, "DTS");
    EXPECT_EQ(audio("audio/x-mulaw, rate=8000, channels=1").AudioCodec, "MULA");
}

TEST(MediaTypeCaps, UnknownCapsAreNamedNotFailed)
{
    TMediaType mt = TMediaType::fromCapsString("video/x-made-up, width=5");
    EXPECT_EQ(mt.majortype, MEDIATYPE_Video);
    EXPECT_TRUE(mt.subtype.isNull());
    TVideoData v = VideoDataFromMediaType(mt);
    EXPECT_FALSE(v.Known);
    EXPECT_EQ(v.Description, "inconnu (video/x-made-up)");
    mt = TMediaType::fromCapsString("audio/x-opus, channels=2");
    EXPECT_EQ(AudioCodecName(mt), "inconnu (audio/x-opus)");
    TframeData fd;
    EXPECT_FALSE(AudioFormatFromMediaType(mt, fd));
    EXPECT_EQ(TMediaType::fromCapsString("application/x-foo").majortype, MEDIATYPE_Stream);
    EXPECT_TRUE(TMediaType::fromCapsString("").majortype.isNull());
    EXPECT_TRUE(TMediaType::fromCapsString("ANY").majortype.isNull());
    EXPECT_TRUE(TMediaType::fromCaps(nullptr).majortype.isNull());
    // Wrong field types and absurd values are tolerated.
    v = video(
        "video/x-raw, format=I420, width=(string)x, height=-5, framerate=-25/1, pixel-aspect-ratio=0/1");
    EXPECT_TRUE(v.Known);
    EXPECT_EQ(v.Width, 0);
    EXPECT_EQ(v.Fps, 0.0);
    v = video("video/x-raw, format=I420, width=2147483647, height=2147483647, framerate=1/2147483647");
    EXPECT_EQ(v.Width, 2147483647);
}
