#include "media/gst/TMediaType.h"

#include "media/gst/TGstHandles.h"

#include <gst/audio/audio.h>
#include <gst/gst.h>
#include <gst/video/video.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <numeric>

// Caps are mapped the way the Windows splitters and decoders of the same streams describe them, so
// that codec names, sizes, rates and aspects read the same on every platform.

namespace {

constexpr qsizetype kMaxSequenceHeader = 65536;

struct TCapsReader
{
    const GstStructure *s;
    QString name;

    int integer(const char *field, int def = 0) const
    {
        int v = def;
        return gst_structure_get_int(s, field, &v) ? v : def;
    }
    bool boolean(const char *field, bool def = false) const
    {
        gboolean v = def;
        return gst_structure_get_boolean(s, field, &v) ? bool(v) : def;
    }
    QString string(const char *field) const
    {
        const char *v = gst_structure_get_string(s, field);
        return v ? QString::fromUtf8(v) : QString();
    }
    bool fraction(const char *field, int &n, int &d) const
    {
        return gst_structure_get_fraction(s, field, &n, &d) && d != 0;
    }
    // Bytes of the codec_data buffer, at most kMaxSequenceHeader.
    QByteArray codecData() const
    {
        const GValue *v = gst_structure_get_value(s, "codec_data");
        if (!v || !GST_VALUE_HOLDS_BUFFER(v))
            return {};
        GstBuffer *buf = gst_value_get_buffer(v);
        GstMapInfo map;
        if (!buf || !gst_buffer_map(buf, &map, GST_MAP_READ))
            return {};
        QByteArray out(reinterpret_cast<const char *>(map.data),
                       int(std::min<gsize>(map.size, kMaxSequenceHeader)));
        gst_buffer_unmap(buf, &map);
        return out;
    }
    // Frame duration in 100-ns units from the framerate field, 0 when absent or variable.
    int64_t avgTimePerFrame() const
    {
        int n = 0, d = 1;
        if (!fraction("framerate", n, d) || n <= 0 || d <= 0)
            return 0;
        return int64_t(std::llround(10000000.0 * double(d) / double(n)));
    }
    double fps() const
    {
        int n = 0, d = 1;
        return fraction("framerate", n, d) && n > 0 && d > 0 ? double(n) / double(d) : 0.0;
    }
};

uint32_t clampU32(double v)
{
    if (!(v > 0))
        return 0;
    return v >= double(std::numeric_limits<uint32_t>::max()) ? std::numeric_limits<uint32_t>::max()
                                                             : uint32_t(v);
}

int32_t positive(int v)
{
    return v > 0 ? v : 0;
}

// Picture aspect ratio of a w x h picture with pixel aspect pn/pd, reduced; 0:0 without a size.
void pictureAspect(int w, int h, int pn, int pd, uint32_t &ax, uint32_t &ay)
{
    ax = ay = 0;
    if (w <= 0 || h <= 0)
        return;
    if (pn <= 0 || pd <= 0)
        pn = pd = 1;
    uint64_t x = uint64_t(w) * uint64_t(pn), y = uint64_t(h) * uint64_t(pd);
    const uint64_t g = std::gcd(x, y);
    x /= g;
    y /= g;
    while (x > 0xFFFFFFFFull || y > 0xFFFFFFFFull) { // keeps the ratio roughly when it cannot be exact
        x = (x + 1) / 2;
        y = (y + 1) / 2;
    }
    ax = uint32_t(x);
    ay = uint32_t(y);
}

TBitmapInfoHeader bitmapHeader(int w, int h, int bits, uint32_t compression, uint32_t sizeImage)
{
    TBitmapInfoHeader b;
    b.biWidth = positive(w);
    b.biHeight = positive(h);
    b.biBitCount = uint16_t(std::clamp(bits, 0, 0xFFFF));
    b.biCompression = compression;
    b.biSizeImage = sizeImage;
    return b;
}

void frameRects(TRect32 &src, TRect32 &dst, int w, int h)
{
    src = TRect32{0, 0, positive(w), positive(h)};
    dst = src;
}

TVideoInfoHeader videoInfo(const TCapsReader &c, int bits, uint32_t compression, uint32_t sizeImage)
{
    const int w = c.integer("width"), h = c.integer("height");
    TVideoInfoHeader vih;
    frameRects(vih.rcSource, vih.rcTarget, w, h);
    vih.AvgTimePerFrame = c.avgTimePerFrame();
    vih.dwBitRate = clampU32(c.integer("bitrate"));
    vih.bmiHeader = bitmapHeader(w, h, bits, compression, sizeImage);
    return vih;
}

TVideoInfoHeader2 videoInfo2(const TCapsReader &c, int bits, uint32_t compression, uint32_t sizeImage)
{
    const int w = c.integer("width"), h = c.integer("height");
    TVideoInfoHeader2 vih;
    frameRects(vih.rcSource, vih.rcTarget, w, h);
    vih.AvgTimePerFrame = c.avgTimePerFrame();
    vih.dwBitRate = clampU32(c.integer("bitrate"));
    int pn = 1, pd = 1;
    if (!c.fraction("pixel-aspect-ratio", pn, pd))
        pn = pd = 1;
    pictureAspect(w, h, pn, pd, vih.dwPictAspectRatioX, vih.dwPictAspectRatioY);
    const QString interlace = c.string("interlace-mode");
    if (!interlace.isEmpty() && interlace != QLatin1String("progressive"))
        vih.dwInterlaceFlags = 0x1; // AMINTERLACE_IsInterlaced
    vih.bmiHeader = bitmapHeader(w, h, bits, compression, sizeImage);
    return vih;
}

// The block of a compressed stream known by its FourCC. A stream whose pixels are not square
// (720x576 H.264 flagged 16:9 by its pixel aspect) keeps that aspect in a VIDEOINFOHEADER2, or
// its grabs would come out at the stored size; square pixels keep the plain header.
void setCompressedFormat(TMediaType &mt, const TCapsReader &c, uint32_t code)
{
    int pn = 1, pd = 1;
    if (c.fraction("pixel-aspect-ratio", pn, pd) && pn > 0 && pd > 0 && pn != pd) {
        mt.formattype = FORMAT_VideoInfo2;
        mt.setFormat(videoInfo2(c, 24, code, 0));
    } else {
        mt.formattype = FORMAT_VideoInfo;
        mt.setFormat(videoInfo(c, 24, code, 0));
    }
}

uint32_t fourccOf(const QString &text)
{
    const QByteArray b = text.toLatin1().leftJustified(4, ' ', true);
    return MakeFourCC(b[0], b[1], b[2], b[3]);
}

// ---- video ----

bool rawVideo(TMediaType &mt, const TCapsReader &c, const GstCaps *caps)
{
    const QString format = c.string("format");
    const GstVideoFormat vf = gst_video_format_from_string(format.toUtf8().constData());
    if (vf == GST_VIDEO_FORMAT_UNKNOWN || vf == GST_VIDEO_FORMAT_ENCODED)
        return false;
    const GstVideoFormatInfo *info = gst_video_format_get_info(vf);
    if (!info)
        return false;
    // Bits per pixel as the Windows headers count them: storage of a packed pixel, or the
    // average over the planes of a planar format.
    int bits = 0;
    if (GST_VIDEO_FORMAT_INFO_N_PLANES(info) == 1 && GST_VIDEO_FORMAT_INFO_PSTRIDE(info, 0) > 0) {
        bits = GST_VIDEO_FORMAT_INFO_PSTRIDE(info, 0) * 8;
    } else {
        double b = 0;
        for (guint i = 0; i < GST_VIDEO_FORMAT_INFO_N_COMPONENTS(info); ++i) {
            const int storage = GST_VIDEO_FORMAT_INFO_DEPTH(info, i) > 8 ? 16 : 8;
            b += double(storage) / double(1 << GST_VIDEO_FORMAT_INFO_W_SUB(info, i)) /
                 double(1 << GST_VIDEO_FORMAT_INFO_H_SUB(info, i));
        }
        bits = int(std::lround(b));
    }
    TGuid sub;
    uint32_t compression = 0;
    switch (vf) {
    case GST_VIDEO_FORMAT_BGR:
    case GST_VIDEO_FORMAT_RGB:
        sub = MEDIASUBTYPE_RGB24;
        break;
    case GST_VIDEO_FORMAT_BGRA:
        sub = MEDIASUBTYPE_ARGB32;
        break;
    case GST_VIDEO_FORMAT_BGRx:
    case GST_VIDEO_FORMAT_RGBx:
    case GST_VIDEO_FORMAT_xRGB:
    case GST_VIDEO_FORMAT_xBGR:
    case GST_VIDEO_FORMAT_RGBA:
    case GST_VIDEO_FORMAT_ARGB:
    case GST_VIDEO_FORMAT_ABGR:
        sub = MEDIASUBTYPE_RGB32;
        break;
    case GST_VIDEO_FORMAT_RGB16:
    case GST_VIDEO_FORMAT_BGR16:
        sub = MEDIASUBTYPE_RGB565;
        break;
    case GST_VIDEO_FORMAT_RGB15:
    case GST_VIDEO_FORMAT_BGR15:
        sub = MEDIASUBTYPE_RGB555;
        break;
    case GST_VIDEO_FORMAT_RGB8P:
        sub = MEDIASUBTYPE_RGB8;
        break;
    default: {
        compression = gst_video_format_to_fourcc(vf);
        if (compression == 0) // no registered FourCC: its name stands in for one
            compression = fourccOf(format);
        sub = TGuid::fromFourCC(compression);
        break;
    }
    }
    uint32_t sizeImage = 0;
    GstVideoInfo vinfo;
    if (caps && gst_video_info_from_caps(&vinfo, caps))
        sizeImage = uint32_t(std::min<gsize>(vinfo.size, 0xFFFFFFFFu));
    TVideoInfoHeader2 vih = videoInfo2(c, bits, compression, sizeImage);
    if (vih.dwBitRate == 0) // uncompressed: bits per frame times frames per second
        vih.dwBitRate =
            clampU32(double(positive(c.integer("width"))) * positive(c.integer("height")) * bits * c.fps());
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = sub;
    mt.formattype = FORMAT_VideoInfo2;
    mt.bFixedSizeSamples = true;
    mt.lSampleSize = sizeImage;
    mt.setFormat(vih);
    return true;
}

bool dvVideo(TMediaType &mt, const TCapsReader &c)
{
    if (c.boolean("systemstream")) {
        // A whole DV stream, video and audio interleaved in each frame.
        mt.majortype = MEDIATYPE_Interleaved;
        mt.subtype = MEDIASUBTYPE_dvsd;
        mt.formattype = FORMAT_DvInfo;
        mt.setFormat(TDvInfo{});
        return true;
    }
    const int h = c.integer("height");
    const uint32_t frameSize = h == 480 ? 120000 : 144000;
    TVideoInfoHeader vih = videoInfo(c, 24, MEDIASUBTYPE_dvsd.Data1, frameSize);
    if (vih.dwBitRate == 0 && vih.AvgTimePerFrame > 0)
        vih.dwBitRate = clampU32(double(frameSize) * 8 * 10000000.0 / double(vih.AvgTimePerFrame));
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = MEDIASUBTYPE_dvsd;
    mt.formattype = FORMAT_VideoInfo;
    mt.bFixedSizeSamples = true;
    mt.lSampleSize = frameSize;
    mt.setFormat(vih);
    return true;
}

// MPEG-2 profile and level codes of the Windows MPEG-2 headers.
uint32_t mpeg2Profile(const QString &p)
{
    if (p == QLatin1String("simple"))
        return 1;
    if (p == QLatin1String("main"))
        return 2;
    if (p == QLatin1String("snr"))
        return 3;
    if (p == QLatin1String("spatial"))
        return 4;
    if (p == QLatin1String("high"))
        return 5;
    return 0;
}

uint32_t mpeg2Level(const QString &l)
{
    if (l == QLatin1String("low"))
        return 1;
    if (l == QLatin1String("main"))
        return 2;
    if (l == QLatin1String("high-1440"))
        return 3;
    if (l == QLatin1String("high"))
        return 4;
    return 0;
}

bool mpegVideo(TMediaType &mt, const TCapsReader &c)
{
    if (c.boolean("systemstream"))
        return false; // a multiplex, not a video stream
    const int version = c.integer("mpegversion");
    const QByteArray seq = c.codecData();
    mt.majortype = MEDIATYPE_Video;
    if (version == 1) {
        TMpeg1VideoInfo info;
        info.hdr = videoInfo(c, 0, 0, 0);
        info.cbSequenceHeader = uint32_t(seq.size());
        mt.subtype = MEDIASUBTYPE_MPEG1Payload;
        mt.formattype = FORMAT_MPEGVideo;
        mt.bTemporalCompression = true;
        mt.setFormat(info);
        mt.Format.truncate(int(kMpeg1SequenceHeaderOffset));
        mt.Format.append(seq);
        if (mt.Format.size() < int(sizeof(TMpeg1VideoInfo)))
            mt.Format.append(QByteArray(int(sizeof(TMpeg1VideoInfo)) - mt.Format.size(), '\0'));
        return true;
    }
    if (version == 2) {
        TMpeg2VideoInfo info;
        info.hdr = videoInfo2(c, 0, 0, 0);
        int pn = 0, pd = 0;
        const auto *b = reinterpret_cast<const uint8_t *>(seq.constData());
        if (!c.fraction("pixel-aspect-ratio", pn, pd) && seq.size() >= 8 && b[0] == 0 && b[1] == 0 &&
            b[2] == 1 && b[3] == 0xB3) {
            // No pixel aspect in the caps: the sequence header's display aspect code.
            switch (b[7] >> 4) {
            case 2:
                info.hdr.dwPictAspectRatioX = 4, info.hdr.dwPictAspectRatioY = 3;
                break;
            case 3:
                info.hdr.dwPictAspectRatioX = 16, info.hdr.dwPictAspectRatioY = 9;
                break;
            case 4:
                info.hdr.dwPictAspectRatioX = 221, info.hdr.dwPictAspectRatioY = 100;
                break;
            default:
                break;
            }
        }
        info.cbSequenceHeader = uint32_t(seq.size());
        info.dwProfile = mpeg2Profile(c.string("profile"));
        info.dwLevel = mpeg2Level(c.string("level"));
        mt.subtype = MEDIASUBTYPE_MPEG2_VIDEO;
        mt.formattype = FORMAT_MPEG2Video;
        mt.bTemporalCompression = true;
        mt.setFormat(info);
        mt.Format.truncate(int(kMpeg2SequenceHeaderOffset));
        mt.Format.append(seq);
        if (mt.Format.size() < int(sizeof(TMpeg2VideoInfo)))
            mt.Format.append(QByteArray(int(sizeof(TMpeg2VideoInfo)) - mt.Format.size(), '\0'));
        return true;
    }
    if (version == 4) {
        const uint32_t fcc = MakeFourCC('M', 'P', '4', 'V');
        mt.subtype = TGuid::fromFourCC(fcc);
        mt.bTemporalCompression = true;
        setCompressedFormat(mt, c, fcc);
        return true;
    }
    return false;
}

// Compressed video known by a FourCC: the subtype is the FourCC's GUID, the block a VIDEOINFOHEADER.
bool fourccVideo(TMediaType &mt, const TCapsReader &c)
{
    const QString &n = c.name;
    QString fcc;
    // H.264 and H.265 keep one name whatever their packaging (the parser picks it while negotiating).
    if (n == QLatin1String("video/x-h264"))
        fcc = QStringLiteral("H264");
    else if (n == QLatin1String("video/x-h265"))
        fcc = QStringLiteral("HEVC");
    else if (n == QLatin1String("video/x-divx"))
        fcc = c.integer("divxversion") == 3   ? QStringLiteral("DIV3")
              : c.integer("divxversion") == 4 ? QStringLiteral("DIVX")
                                              : QStringLiteral("DX50");
    else if (n == QLatin1String("video/x-xvid"))
        fcc = QStringLiteral("XVID");
    else if (n == QLatin1String("video/x-msmpeg")) {
        const int v = c.integer("msmpegversion");
        fcc = v == 41 ? QStringLiteral("MPG4") : v == 42 ? QStringLiteral("MP42") : QStringLiteral("MP43");
    } else if (n == QLatin1String("video/x-wmv")) {
        const QString format = c.string("format");
        if (format.size() == 4)
            fcc = format; // WMV3, WVC1, WMVA
        else
            fcc = QStringLiteral("WMV%1").arg(std::clamp(c.integer("wmvversion", 3), 1, 3));
    } else if (n == QLatin1String("image/jpeg"))
        fcc = QStringLiteral("MJPG");
    else if (n == QLatin1String("video/x-h263"))
        fcc = QStringLiteral("H263");
    else if (n == QLatin1String("video/x-vp8"))
        fcc = QStringLiteral("VP80");
    else if (n == QLatin1String("video/x-vp9"))
        fcc = QStringLiteral("VP90");
    else if (n == QLatin1String("video/x-av1"))
        fcc = QStringLiteral("AV01");
    else if (n == QLatin1String("video/x-theora"))
        fcc = QStringLiteral("THEO");
    else if (n == QLatin1String("video/x-huffyuv"))
        fcc = QStringLiteral("HFYU");
    else if (n == QLatin1String("video/x-ffv"))
        fcc = QStringLiteral("FFV1");
    else if (n == QLatin1String("video/x-prores")) {
        // The FourCC QuickTime gives each ProRes flavour.
        const QString v = c.string("variant");
        fcc = v == QLatin1String("proxy")    ? QStringLiteral("apco")
              : v == QLatin1String("lt")     ? QStringLiteral("apcs")
              : v == QLatin1String("hq")     ? QStringLiteral("apch")
              : v == QLatin1String("4444")   ? QStringLiteral("ap4h")
              : v == QLatin1String("4444xq") ? QStringLiteral("ap4x")
                                             : QStringLiteral("apcn");
    } else
        return false;
    const uint32_t code = fourccOf(fcc);
    mt.majortype = MEDIATYPE_Video;
    mt.subtype = TGuid::fromFourCC(code);
    mt.bTemporalCompression = n != QLatin1String("image/jpeg");
    setCompressedFormat(mt, c, code);
    return true;
}

// ---- audio ----

void setWave(TMediaType &mt, const TGuid &sub, uint16_t tag, int channels, int rate, int bits, double bitrate)
{
    TWaveFormatEx wf;
    wf.wFormatTag = tag;
    wf.nChannels = uint16_t(std::clamp(channels, 0, 0xFFFF));
    wf.nSamplesPerSec = uint32_t(std::max(rate, 0));
    wf.wBitsPerSample = uint16_t(std::clamp(bits, 0, 0xFFFF));
    if (bits > 0) {
        wf.nBlockAlign =
            uint16_t(std::clamp(int64_t(wf.nChannels) * wf.wBitsPerSample / 8, int64_t(0), int64_t(0xFFFF)));
        wf.nAvgBytesPerSec = clampU32(double(wf.nBlockAlign) * wf.nSamplesPerSec);
    } else {
        wf.nBlockAlign = 1;
        wf.nAvgBytesPerSec = clampU32(bitrate / 8);
    }
    mt.majortype = MEDIATYPE_Audio;
    mt.subtype = sub;
    mt.formattype = FORMAT_WaveFormatEx;
    mt.bFixedSizeSamples = bits > 0;
    mt.lSampleSize = wf.nBlockAlign;
    mt.setFormat(wf);
}

bool audio(TMediaType &mt, const TCapsReader &c)
{
    const QString &n = c.name;
    const int channels = c.integer("channels"), rate = c.integer("rate");
    const double bitrate = c.integer("bitrate");
    if (n == QLatin1String("audio/x-raw")) {
        const GstAudioFormat af = gst_audio_format_from_string(c.string("format").toUtf8().constData());
        const GstAudioFormatInfo *info =
            af == GST_AUDIO_FORMAT_UNKNOWN ? nullptr : gst_audio_format_get_info(af);
        if (!info || GST_AUDIO_FORMAT_INFO_WIDTH(info) <= 0)
            return false;
        const bool flt = GST_AUDIO_FORMAT_INFO_IS_FLOAT(info);
        setWave(mt, flt ? MEDIASUBTYPE_IEEE_FLOAT : MEDIASUBTYPE_PCM, flt ? 3 : 1, channels, rate,
                GST_AUDIO_FORMAT_INFO_WIDTH(info), 0);
        return true;
    }
    if (n == QLatin1String("audio/x-alaw") || n == QLatin1String("audio/x-mulaw")) {
        const uint16_t tag = n == QLatin1String("audio/x-alaw") ? 6 : 7;
        setWave(mt, TGuid::fromFourCC(tag), tag, channels, rate, 8, 0);
        return true;
    }
    if (n == QLatin1String("audio/x-ac3") || n == QLatin1String("audio/ac3")) {
        setWave(mt, MEDIASUBTYPE_DOLBY_AC3, 0x2000, channels, rate, 0, bitrate);
        return true;
    }
    if (n == QLatin1String("audio/x-dts") || n == QLatin1String("audio/x-private1-dts")) {
        setWave(mt, TGuid::fromFourCC(0x2001), 0x2001, channels, rate, 0, bitrate);
        return true;
    }
    if (n == QLatin1String("audio/x-lpcm") ||
        (n.startsWith(QLatin1String("audio/x-private")) && n.endsWith(QLatin1String("lpcm")))) {
        // DVD linear PCM has no wave format tag of its own: its subtype names it.
        setWave(mt, MEDIASUBTYPE_DVD_LPCM_AUDIO, 0, channels, rate, c.integer("width", c.integer("depth")),
                bitrate);
        return true;
    }
    if (n == QLatin1String("audio/mpeg")) {
        const int version = c.integer("mpegversion", 1);
        if (version == 1) {
            const int layer = c.integer("layer", 2);
            if (layer == 3)
                setWave(mt, TGuid::fromFourCC(0x55), 0x55, channels, rate, 0, bitrate);
            else
                setWave(mt, MEDIASUBTYPE_MPEG1AudioPayload, 0x50, channels, rate, 0, bitrate);
            return true;
        }
        if (version == 2 || version == 4) {
            setWave(mt, TGuid::fromFourCC(0xFF), 0xFF, channels, rate, 0, bitrate);
            return true;
        }
        return false;
    }
    if (n == QLatin1String("audio/x-wma")) {
        const int v = c.integer("wmaversion", 2);
        const uint16_t tag = v == 1 ? 0x160 : v == 3 ? 0x162 : v == 4 ? 0x163 : 0x161;
        setWave(mt, TGuid::fromFourCC(tag), tag, channels, rate, 0, bitrate);
        return true;
    }
    return false;
}

} // namespace

TMediaType TMediaType::fromCaps(const GstCaps *caps)
{
    if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps))
        return {};
    GstStructure *s = gst_caps_get_structure(caps, 0);
    if (!s)
        return {};
    // Raw video is read through GstVideoInfo, which wants caps of that one structure.
    const TGstCaps one = TGstCaps::adopt(gst_caps_new_full(gst_structure_copy(s), nullptr));
    TMediaType mt;
    TCapsReader c{s, QString::fromUtf8(gst_structure_get_name(s))};
    mt.CapsName = c.name;
    bool known = false;
    if (c.name == QLatin1String("video/x-raw"))
        known = rawVideo(mt, c, one.get());
    else if (c.name == QLatin1String("video/x-dv"))
        known = dvVideo(mt, c);
    else if (c.name == QLatin1String("video/mpeg"))
        known = mpegVideo(mt, c);
    else if (c.name.startsWith(QLatin1String("video/")) || c.name.startsWith(QLatin1String("image/")))
        known = fourccVideo(mt, c);
    else if (c.name.startsWith(QLatin1String("audio/")))
        known = audio(mt, c);
    if (!known) {
        TMediaType unknown;
        unknown.CapsName = c.name;
        if (c.name.startsWith(QLatin1String("video/")) || c.name.startsWith(QLatin1String("image/")))
            unknown.majortype = MEDIATYPE_Video;
        else if (c.name.startsWith(QLatin1String("audio/")))
            unknown.majortype = MEDIATYPE_Audio;
        else
            unknown.majortype = MEDIATYPE_Stream;
        return unknown;
    }
    return mt;
}

TMediaType TMediaType::fromStructure(const GstStructure *s)
{
    if (!s)
        return {};
    const TGstCaps caps = TGstCaps::adopt(gst_caps_new_full(gst_structure_copy(s), nullptr));
    return fromCaps(caps.get());
}

TMediaType TMediaType::fromCapsString(const char *text)
{
    if (!text)
        return {};
    const TGstCaps caps = TGstCaps::adopt(gst_caps_from_string(text));
    return fromCaps(caps.get());
}
