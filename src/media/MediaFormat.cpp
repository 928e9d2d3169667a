#include "media/MediaFormat.h"

#include "core/TDateFormat.h"

#include <cmath>
#include <cstring>

namespace {

int64_t roundHalfEven(double v)
{
    return int64_t(std::nearbyint(v));
}

// Name of a type that maps to nothing known: says so and keeps the caps name for the user.
QString unknownName(const TMediaType &mt)
{
    return mt.CapsName.isEmpty() ? QStringLiteral("inconnu")
                                 : QStringLiteral("inconnu (%1)").arg(mt.CapsName);
}

bool isUnknown(const TMediaType &mt)
{
    return mt.subtype.isNull() && !mt.CapsName.isEmpty();
}

void fillFromVih(TVideoData &v, const TVideoInfoHeader &h)
{
    v.Width = h.bmiHeader.biWidth;
    v.Height = h.bmiHeader.biHeight;
    v.BitCount = h.bmiHeader.biBitCount;
    v.BitRate = int32_t(h.dwBitRate);
    v.AvgTimePerFrame = h.AvgTimePerFrame;
}

void fillFromVih2(TVideoData &v, const TVideoInfoHeader2 &h, bool aspect)
{
    v.Width = h.bmiHeader.biWidth;
    v.Height = h.bmiHeader.biHeight;
    v.BitCount = h.bmiHeader.biBitCount;
    v.BitRate = int32_t(h.dwBitRate);
    v.AvgTimePerFrame = h.AvgTimePerFrame;
    if (aspect) {
        v.AspectX = int32_t(h.dwPictAspectRatioX);
        v.AspectY = int32_t(h.dwPictAspectRatioY);
    }
}

// Two decimals, halves to even, shortest form, with the regional decimal separator.
QString fpsText(double fps)
{
    const double r = double(roundHalfEven(fps * 100.0)) / 100.0;
    QString t = QString::number(r, 'f', 2);
    while (t.endsWith(QLatin1Char('0')))
        t.chop(1);
    if (t.endsWith(QLatin1Char('.')))
        t.chop(1);
    return t.replace(QLatin1Char('.'), TDateFormat::regionalLocale().decimalPoint());
}

void finish(TVideoData &v)
{
    const int64_t ax = v.AspectX, ay = v.AspectY;
    if (ax > 0 || ay > 0)
        v.AspectKind = 3 * ax == 4 * ay    ? TAspectKind::Aspect4x3
                       : 9 * ax == 16 * ay ? TAspectKind::Aspect16x9
                                           : TAspectKind::Other;
    else
        v.AspectKind = TAspectKind::NotGiven;
    if (v.AspectKind == TAspectKind::Other) {
        while (v.AspectX > 99 && v.AspectY > 99) {
            v.AspectX = int32_t(roundHalfEven(v.AspectX / 10.0));
            v.AspectY = int32_t(roundHalfEven(v.AspectY / 10.0));
        }
    }
    switch (v.AspectKind) {
    case TAspectKind::Aspect4x3:
        v.Description = v.CodecName + QStringLiteral(" (4x3)");
        break;
    case TAspectKind::Aspect16x9:
        v.Description = v.CodecName + QStringLiteral(" (16x9)");
        break;
    case TAspectKind::NotGiven:
        v.Description = v.CodecName;
        break;
    default:
        v.Description = v.CodecName + QStringLiteral(" (%1x%2)").arg(v.AspectX).arg(v.AspectY);
        break;
    }
    v.Fps = v.AvgTimePerFrame > 0 ? 10000000.0 / double(v.AvgTimePerFrame) : 0.0;
    v.SizeText = QStringLiteral("%1x%2").arg(v.Width).arg(v.Height);
    if (v.Fps > 0)
        v.SizeText += QStringLiteral(" - ") + fpsText(v.Fps) + QStringLiteral(" fps");
}

} // namespace

QString FourCCText(uint32_t v)
{
    QString t(4, QLatin1Char(' '));
    for (int i = 0; i < 4; ++i) {
        const uint8_t b = uint8_t(v >> (8 * i));
        if (b >= 32)
            t[i] = QChar::fromLatin1(char(b));
    }
    return t;
}

QString VideoCodecName(const TMediaType &mt)
{
    if (mt.subtype.isFourCCFamily()) {
        const QString t = FourCCText(mt.subtype.Data1);
        const QString lower = t.toLower();
        if (lower == QLatin1String("dvcp"))
            return QStringLiteral("DV Type 1");
        if (lower == QLatin1String("dvsd"))
            return QStringLiteral("DV Type 2");
        return t;
    }
    static const struct
    {
        const TGuid *sub;
        const char *name;
    } rgb[] = {{&MEDIASUBTYPE_RGB24, "RGB24"},  {&MEDIASUBTYPE_RGB32, "RGB32"},
               {&MEDIASUBTYPE_RGB1, "RGB1"},    {&MEDIASUBTYPE_RGB4, "RGB4"},
               {&MEDIASUBTYPE_RGB8, "RGB8"},    {&MEDIASUBTYPE_RGB565, "RGB565"},
               {&MEDIASUBTYPE_RGB555, "RGB555"}};
    for (const auto &r : rgb)
        if (mt.subtype == *r.sub)
            return QString::fromLatin1(r.name);
    if (isUnknown(mt))
        return unknownName(mt);
    if (mt.formattype == FORMAT_VideoInfo) {
        TVideoInfoHeader h;
        return mt.readFormat(h) ? FourCCText(h.bmiHeader.biCompression) : QString();
    }
    if (mt.formattype == FORMAT_VideoInfo2) {
        TVideoInfoHeader2 h;
        return mt.readFormat(h) ? FourCCText(h.bmiHeader.biCompression) : QString();
    }
    if (mt.formattype == FORMAT_MPEGVideo)
        return QStringLiteral("MPEG1");
    return QStringLiteral("MPEG2");
}

TVideoData VideoDataFromMediaType(const TMediaType &mt)
{
    TVideoData v;
    v.Known = true;
    const bool vi = mt.formattype == FORMAT_VideoInfo, vi2 = mt.formattype == FORMAT_VideoInfo2;
    const QString fourcc = FourCCText(mt.subtype.Data1).toLower();
    TVideoInfoHeader h1;
    TVideoInfoHeader2 h2;
    if (mt.subtype == MEDIASUBTYPE_dvsd && vi && mt.readFormat(h1)) {
        fillFromVih(v, h1);
    } else if ((fourcc == QLatin1String("dvcp") || fourcc == QLatin1String("dvsd")) && vi2 &&
               mt.readFormat(h2)) {
        fillFromVih2(v, h2, false);
    } else if (mt.formattype == FORMAT_MPEG2Video && mt.cbFormat() >= sizeof(TMpeg2VideoInfo) &&
               mt.readFormat(h2)) {
        fillFromVih2(v, h2, true);
    } else if (vi && mt.readFormat(h1)) {
        fillFromVih(v, h1);
    } else if (vi2 && mt.readFormat(h2)) {
        fillFromVih2(v, h2, true);
    } else if (mt.formattype == FORMAT_MPEGVideo && mt.cbFormat() >= sizeof(TMpeg1VideoInfo) &&
               mt.readFormat(h1)) {
        fillFromVih(v, h1);
    } else {
        v.Known = false;
        if (isUnknown(mt) && mt.isVideo()) {
            v.CodecName = unknownName(mt);
            v.Description = v.CodecName;
        }
        return v;
    }
    v.CodecName = VideoCodecName(mt);
    finish(v);
    return v;
}

QString AudioCodecName(const TMediaType &mt)
{
    if (!mt.isAudio())
        return {};
    QString name;
    const TGuid &s = mt.subtype;
    if (s == MEDIASUBTYPE_MPEG2_AUDIO)
        name = QStringLiteral("MPEG2");
    else if (s == MEDIASUBTYPE_DOLBY_AC3)
        name = QStringLiteral("DOLBY AC3");
    else if (s == MEDIASUBTYPE_DVD_LPCM_AUDIO)
        name = QStringLiteral("LPCM");
    else if (s == MEDIASUBTYPE_MPEG1Packet)
        name = QStringLiteral("MPEG1Packet");
    else if (s == MEDIASUBTYPE_MPEG1Payload)
        name = QStringLiteral("MPEG1Payload");
    else if (s == MEDIASUBTYPE_MPEG1AudioPayload)
        name = QStringLiteral("MPEG1");
    else if (s.isFourCCFamily()) {
        bool printable = true;
        for (int i = 0; i < 4; ++i)
            printable = printable && uint8_t(s.Data1 >> (8 * i)) >= 32;
        name = printable ? FourCCText(s.Data1) : QStringLiteral("RGB");
    } else if (isUnknown(mt))
        name = unknownName(mt);
    TWaveFormatEx wf;
    if (mt.formattype == FORMAT_WaveFormatEx && mt.readFormat(wf) && wf.wFormatTag != 0) {
        const QString tagName = WaveFormatTagName(wf.wFormatTag);
        if (!tagName.isEmpty())
            name = tagName.left(4);
    }
    return name;
}

bool AudioFormatFromMediaType(const TMediaType &mt, TframeData &fd)
{
    TWaveFormatEx wf;
    if (mt.formattype != FORMAT_WaveFormatEx || !mt.readFormat(wf))
        return false;
    fd.AudioChannels = wf.nChannels;
    fd.AudioRate = int32_t(wf.nSamplesPerSec);
    fd.AudioBitRate = int32_t(uint32_t(8u * wf.nAvgBytesPerSec));
    fd.AudioBits = wf.wBitsPerSample;
    QString d = fd.AudioCodec;
    if (fd.AudioRate > 0)
        d += QStringLiteral(" %1Hz").arg(fd.AudioRate);
    if (fd.AudioBits > 0)
        d += QStringLiteral(" %1bits ").arg(fd.AudioBits);
    else if (fd.AudioBitRate > 0)
        d += QStringLiteral(" %1Kb/s").arg(fd.AudioBitRate / 1000);
    if (fd.AudioChannels == 1)
        d += QStringLiteral(" mono");
    else if (fd.AudioChannels == 2)
        d += QStringLiteral(" stéréo");
    else
        d += QStringLiteral(" %1 canaux").arg(fd.AudioChannels);
    fd.AudioDesc = d;
    return true;
}
