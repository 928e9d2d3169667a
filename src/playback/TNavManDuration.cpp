// The length of MPEG transport and program streams, and the nominal frame grid of ISO media
// files recorded at a variable rate. Their demuxers report a length estimated
// from the byte rate or the clock references, off by up to several frames, so the last frame
// cannot be reached from it. The time stamps of the video packets at the start and at the end
// of the file give it exactly: from the first frame shown to the last one.
#include "media/Mp4SampleTable.h"
#include "media/MpegHeader.h"
#include "media/TFileDevice.h"
#include "media/TavSource.h"
#include "playback/TNavMan.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cmath>
#include <optional>

namespace {

constexpr qint64 kHeadBytes = 2 << 20;
constexpr qint64 kTailBytes = 4 << 20;
constexpr int64_t kPtsWrap = int64_t(1) << 33;

// The presentation time (90 kHz) of an MPEG-2 PES (or MPEG-1 packet) header of a video stream at p, if it is
// one and carries one. The marker bits are checked so that stray bytes of a payload do not count.
std::optional<int64_t> VideoPts(const uint8_t *p, const uint8_t *end)
{
    if (end - p < 14 || p[0] != 0 || p[1] != 0 || p[2] != 1 || (p[3] & 0xF0) != 0xE0)
        return std::nullopt;
    const uint8_t *t = nullptr;
    if ((p[6] & 0xC0) == 0x80) {
        // MPEG-2: flags, header length, then the stamp.
        if (!(p[7] & 0x80) || p[8] < 5)
            return std::nullopt;
        t = p + 9;
    } else {
        // MPEG-1 system stream: stuffing, an optional buffer size, then the stamp.
        const uint8_t *q = p + 6;
        for (int i = 0; i < 16 && q < end && *q == 0xFF; ++i)
            ++q;
        if (end - q >= 2 && (q[0] & 0xC0) == 0x40)
            q += 2;
        if (end - q < 5)
            return std::nullopt;
        t = q;
    }
    if ((t[0] & 0xE0) != 0x20 || !(t[0] & 1) || !(t[2] & 1) || !(t[4] & 1))
        return std::nullopt;
    return (int64_t(t[0] & 0x0E) << 29) | (int64_t(t[1]) << 22) | (int64_t(t[2] & 0xFE) << 14) |
           (int64_t(t[3]) << 7) | (int64_t(t[4]) >> 1);
}

// Every video time stamp of a stretch of the file, in file order. frame90k > 0 (MPEG video's
// frame duration at 90 kHz): *lastShown gets the time of the last picture of the stretch's last
// group of pictures, from a stamped picture of the group and the temporal references (display
// ranks); small MPEG-1 frames packed several to a packet leave the last ones unstamped.
std::vector<int64_t> VideoPtsIn(const QByteArray &data, int64_t frame90k = 0, int64_t *lastShown = nullptr)
{
    std::vector<int64_t> out;
    const auto *p = reinterpret_cast<const uint8_t *>(data.constData());
    const uint8_t *end = p + data.size();
    int64_t pending = 0, groupBase = 0;
    bool havePending = false, haveBase = false;
    int maxRank = -1;
    auto closeGroup = [&] {
        if (lastShown && haveBase && maxRank >= 0)
            *lastShown = std::max(*lastShown, groupBase + maxRank * frame90k);
        haveBase = false;
        maxRank = -1;
    };
    for (const uint8_t *q = p; q + 14 <= end; ++q) {
        q = static_cast<const uint8_t *>(memchr(q, 0, size_t(end - q)));
        if (!q || q + 14 > end)
            break;
        if (auto pts = VideoPts(q, end)) {
            out.push_back(*pts);
            pending = *pts;
            havePending = true;
        } else if (frame90k > 0 && q[1] == 0 && q[2] == 1 && q[3] == 0xB8) {
            closeGroup();
        } else if (frame90k > 0 && q[1] == 0 && q[2] == 1 && q[3] == 0) {
            const int rank = (q[4] << 2) | (q[5] >> 6);
            if (havePending && !haveBase) {
                groupBase = pending - rank * frame90k;
                haveBase = true;
            }
            havePending = false;
            maxRank = std::max(maxRank, rank);
        }
    }
    closeGroup();
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
    const QByteArray headData = f.read(std::min(size, kHeadBytes));
    const std::vector<int64_t> head = VideoPtsIn(headData);
    // MPEG-1/2 video's frame duration, from its sequence header.
    int64_t frame90k = 0;
    const qsizetype seq = headData.indexOf(QByteArray("\x00\x00\x01\xB3", 4));
    if (seq >= 0) {
        const auto *h = reinterpret_cast<const uint8_t *>(headData.constData()) + seq;
        const double fps = MpegFrameRate(h, size_t(headData.size() - seq));
        frame90k = fps > 0 ? std::llround(90000.0 / fps) : 0;
    }
    if (!f.seek(std::max<qint64>(0, size - kTailBytes)))
        return -1;
    int64_t lastShown = -1;
    const std::vector<int64_t> tail = VideoPtsIn(f.read(kTailBytes), frame90k, &lastShown);
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
    // Pictures after the last stamp may show after it.
    if (lastShown > last && lastShown - last < 90000)
        last = lastShown;
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
    const bool mp4 = device && Mp4VideoSampleDurations(device->FileName, durations);
    m_nominalDuration = mp4 ? NominalFrameDuration(durations) : 0;
    m_keyFrames = mp4 ? KeyFrameTimes(durations) : std::vector<int64_t>();
}

bool TNavMan::SameGroupOfPictures(int64_t from, int64_t to) const
{
    if (m_keyFrames.empty() || m_spanSource != m_videoSource || to <= from)
        return false;
    // Half a frame of slack: the index's times and the stream's are rounded differently.
    const int64_t half = std::max<int64_t>(FrameDuration, 1) / 2;
    const auto next = std::upper_bound(m_keyFrames.begin(), m_keyFrames.end(), from + half);
    return next == m_keyFrames.end() || *next > to + half;
}

int64_t TNavMan::ReadMediaDuration()
{
    // From the start of the first frame to the end of the last one.
    if (HasVideoSpan() && FrameDuration > 1)
        return m_videoSpan + FrameDuration;
    const int64_t d = Graph()->duration();
    return d >= 0 ? d : -1;
}
