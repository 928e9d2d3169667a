// The length of MPEG transport and program streams, and the nominal frame grid of ISO media
// files recorded at a variable rate. Their demuxers report a length estimated
// from the byte rate or the clock references, off by up to several frames, so the last frame
// cannot be reached from it. The time stamps of the video packets at the start and at the end
// of the file give it exactly: from the first frame shown to the last one.
#include "media/Mp4SampleTable.h"
#include "media/TFileDevice.h"
#include "media/TavSource.h"
#include "playback/TNavMan.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <optional>

namespace {

constexpr qint64 kHeadBytes = 2 << 20;
constexpr qint64 kTailBytes = 4 << 20;
constexpr int64_t kPtsWrap = int64_t(1) << 33;

// The presentation time (90 kHz) of an MPEG-2 PES header of a video stream at p, if it is one
// and carries one. The marker bits are checked so that stray bytes of a payload do not count.
std::optional<int64_t> VideoPts(const uint8_t *p, const uint8_t *end)
{
    if (end - p < 14 || p[0] != 0 || p[1] != 0 || p[2] != 1 || (p[3] & 0xF0) != 0xE0)
        return std::nullopt;
    if ((p[6] & 0xC0) != 0x80 || !(p[7] & 0x80) || p[8] < 5)
        return std::nullopt;
    const uint8_t *t = p + 9;
    if ((t[0] & 0xE0) != 0x20 || !(t[0] & 1) || !(t[2] & 1) || !(t[4] & 1))
        return std::nullopt;
    return (int64_t(t[0] & 0x0E) << 29) | (int64_t(t[1]) << 22) | (int64_t(t[2] & 0xFE) << 14) |
           (int64_t(t[3]) << 7) | (int64_t(t[4]) >> 1);
}

// Every video time stamp of a stretch of the file, in file order.
std::vector<int64_t> VideoPtsIn(const QByteArray &data)
{
    std::vector<int64_t> out;
    const auto *p = reinterpret_cast<const uint8_t *>(data.constData());
    const uint8_t *end = p + data.size();
    for (const uint8_t *q = p; q + 14 <= end; ++q) {
        q = static_cast<const uint8_t *>(memchr(q, 0, size_t(end - q)));
        if (!q)
            break;
        if (auto pts = VideoPts(q, end))
            out.push_back(*pts);
    }
    return out;
}

} // namespace

int64_t TNavMan::MpegVideoSpan(const QString &path)
{
    static const QStringList mpeg = {"ts", "m2ts", "mts", "mpg", "mpeg", "vob", "mpe"};
    if (!mpeg.contains(QFileInfo(path).suffix().toLower()))
        return -1;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return -1;
    const qint64 size = f.size();
    const std::vector<int64_t> head = VideoPtsIn(f.read(std::min(size, kHeadBytes)));
    if (!f.seek(std::max<qint64>(0, size - kTailBytes)))
        return -1;
    const std::vector<int64_t> tail = VideoPtsIn(f.read(kTailBytes));
    if (head.empty() || tail.empty())
        return -1;
    // The first frames shown may come after the first ones stored (reordered frames): the
    // lowest stamp of the opening ones; the last shown is the highest of the closing ones.
    const int64_t first = *std::min_element(head.begin(), head.begin() + std::min<size_t>(head.size(), 32));
    int64_t last = -1;
    for (size_t i = tail.size() > 64 ? tail.size() - 64 : 0; i < tail.size(); ++i) {
        int64_t t = tail[i];
        if (t < first && first - t > kPtsWrap / 2)
            t += kPtsWrap; // the 33-bit clock wrapped during the file
        last = std::max(last, t);
    }
    if (last < first)
        return -1;
    return (last - first) * 1000 / 9; // 90 kHz to 100 ns
}

void TNavMan::ReadVideoSpan()
{
    if (!m_videoSource || m_spanSource == m_videoSource)
        return;
    m_spanSource = m_videoSource;
    const auto *device = dynamic_cast<const TFileDevice *>(m_videoSource->Parent);
    m_videoSpan = device ? MpegVideoSpan(device->FileName) : -1;
    TSampleDurations durations;
    m_nominalDuration =
        device && Mp4VideoSampleDurations(device->FileName, durations) ? NominalFrameDuration(durations) : 0;
}

int64_t TNavMan::ReadMediaDuration()
{
    // From the start of the first frame to the end of the last one.
    if (HasVideoSpan() && FrameDuration > 1)
        return m_videoSpan + FrameDuration;
    const int64_t d = Graph()->duration();
    return d >= 0 ? d : -1;
}
