#include "media/Mp4SampleTable.h"

#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>

namespace {

constexpr qint64 kMaxMoov = 64 << 20;

uint32_t be32(const uint8_t *p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}

uint64_t be64(const uint8_t *p)
{
    return (uint64_t(be32(p)) << 32) | be32(p + 4);
}

// One box inside [at, end): its type, payload and the offset after it; false at the end or on a
// box that runs past its parent.
struct Box
{
    char type[5] = {};
    const uint8_t *payload = nullptr;
    size_t size = 0;
};

bool nextBox(const uint8_t *data, size_t &at, size_t end, Box &box)
{
    if (at + 8 > end)
        return false;
    uint64_t size = be32(data + at);
    size_t header = 8;
    if (size == 1) {
        if (at + 16 > end)
            return false;
        size = be64(data + at + 8);
        header = 16;
    } else if (size == 0) {
        size = end - at;
    }
    if (size < header || size > end - at)
        return false;
    std::memcpy(box.type, data + at + 4, 4);
    box.payload = data + at + header;
    box.size = size_t(size) - header;
    at += size_t(size);
    return true;
}

// The payload of the first child of the given type.
bool child(const Box &parent, const char *type, Box &out)
{
    size_t at = 0;
    Box b;
    while (nextBox(parent.payload, at, parent.size, b))
        if (std::memcmp(b.type, type, 4) == 0) {
            out = b;
            return true;
        }
    return false;
}

bool readTrack(const Box &trak, TSampleDurations &out)
{
    Box mdia, hdlr, mdhd, minf, stbl, stts;
    if (!child(trak, "mdia", mdia) || !child(mdia, "hdlr", hdlr) || hdlr.size < 12 ||
        std::memcmp(hdlr.payload + 8, "vide", 4) != 0)
        return false;
    if (!child(mdia, "mdhd", mdhd) || mdhd.size < 24)
        return false;
    const bool v1 = mdhd.payload[0] == 1;
    if (v1 && mdhd.size < 36)
        return false;
    const int64_t timescale = be32(mdhd.payload + (v1 ? 20 : 12));
    if (timescale <= 0 || !child(mdia, "minf", minf) || !child(minf, "stbl", stbl) ||
        !child(stbl, "stts", stts) || stts.size < 8)
        return false;
    const uint32_t entries = be32(stts.payload + 4);
    if (entries > (stts.size - 8) / 8)
        return false;
    out = TSampleDurations();
    out.Timescale = timescale;
    for (uint32_t i = 0; i < entries; ++i)
        out.Runs.emplace_back(be32(stts.payload + 8 + 8 * i), be32(stts.payload + 12 + 8 * i));
    Box stss, ctts, edts, elst;
    if (child(stbl, "stss", stss) && stss.size >= 8) {
        const uint32_t n = be32(stss.payload + 4);
        if (n <= (stss.size - 8) / 4) {
            out.HasSyncTable = true;
            out.SyncSamples.reserve(n);
            for (uint32_t i = 0; i < n; ++i)
                out.SyncSamples.push_back(be32(stss.payload + 8 + 4 * i));
        }
    }
    if (child(stbl, "ctts", ctts) && ctts.size >= 8) {
        const uint32_t n = be32(ctts.payload + 4);
        // Version 1 offsets are signed; version 0 ones too, in practice (muxers write them so).
        if (n <= (ctts.size - 8) / 8)
            for (uint32_t i = 0; i < n; ++i)
                out.CompositionRuns.emplace_back(be32(ctts.payload + 8 + 8 * i),
                                                 int32_t(be32(ctts.payload + 12 + 8 * i)));
    }
    if (child(trak, "edts", edts) && child(edts, "elst", elst) && elst.size >= 8) {
        const bool v1e = elst.payload[0] == 1;
        const size_t entrySize = v1e ? 20 : 12;
        const uint32_t n = be32(elst.payload + 4);
        for (uint32_t i = 0; i < n && 8 + (i + 1) * entrySize <= elst.size; ++i) {
            const uint8_t *e = elst.payload + 8 + i * entrySize;
            const int64_t mediaTime = v1e ? int64_t(be64(e + 8)) : int64_t(int32_t(be32(e + 4)));
            if (mediaTime >= 0) {
                out.EditMediaTime = mediaTime;
                break;
            }
        }
    }
    return true;
}

} // namespace

bool Mp4VideoSampleDurations(const QString &path, TSampleDurations &out)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    // The top-level boxes, headers only, up to moov.
    const qint64 fileSize = f.size();
    qint64 at = 0;
    while (at + 8 <= fileSize) {
        if (!f.seek(at))
            return false;
        const QByteArray h = f.read(16);
        if (h.size() < 8)
            return false;
        const auto *p = reinterpret_cast<const uint8_t *>(h.constData());
        uint64_t size = be32(p);
        if (size == 1 && h.size() >= 16)
            size = be64(p + 8);
        else if (size == 0)
            size = uint64_t(fileSize - at);
        if (size < 8 || size > uint64_t(fileSize - at))
            return false;
        if (at == 0 && std::memcmp(p + 4, "ftyp", 4) != 0 && std::memcmp(p + 4, "moov", 4) != 0 &&
            std::memcmp(p + 4, "mdat", 4) != 0 && std::memcmp(p + 4, "wide", 4) != 0 &&
            std::memcmp(p + 4, "free", 4) != 0)
            return false; // no ISO media file
        if (std::memcmp(p + 4, "moov", 4) == 0) {
            if (qint64(size) > kMaxMoov || !f.seek(at))
                return false;
            const QByteArray moovData = f.read(qint64(size));
            if (moovData.size() != qint64(size))
                return false;
            const auto *d = reinterpret_cast<const uint8_t *>(moovData.constData());
            size_t pos = 0;
            Box moov;
            if (!nextBox(d, pos, size_t(moovData.size()), moov))
                return false;
            size_t t = 0;
            Box b;
            while (nextBox(moov.payload, t, moov.size, b))
                if (std::memcmp(b.type, "trak", 4) == 0 && readTrack(b, out))
                    return true;
            return false;
        }
        at += qint64(size);
    }
    return false;
}

int64_t NominalFrameDuration(const TSampleDurations &d)
{
    if (d.Timescale <= 0 || d.Runs.empty())
        return 0;
    // The last sample's duration is often a guess of the muxer: leave it out when others exist.
    std::map<int64_t, int64_t> counts;
    int64_t total = 0;
    for (size_t i = 0; i < d.Runs.size(); ++i) {
        int64_t n = d.Runs[i].first;
        if (i + 1 == d.Runs.size() && total > 0)
            --n;
        if (n > 0 && d.Runs[i].second > 0) {
            counts[d.Runs[i].second] += n;
            total += n;
        }
    }
    if (counts.size() <= 1 || total == 0)
        return 0;
    // The grid step: the duration with the most samples, its jitter (within 2 %) counted with it.
    int64_t best = 0, bestCount = 0;
    for (const auto &[dur, n] : counts) {
        int64_t near = 0;
        for (const auto &[other, m] : counts)
            if (std::abs(double(other - dur)) <= 0.02 * double(dur))
                near += m;
        if (near > bestCount || (near == bestCount && dur < best))
            best = dur, bestCount = near;
    }
    // Every other duration must be a whole number of steps (within the jitter), else the frames
    // sit on no grid and the average stays.
    int64_t fits = 0;
    for (const auto &[dur, n] : counts) {
        const double k = double(dur) / double(best);
        if (std::llround(k) >= 1 && std::abs(k - double(std::llround(k))) <= 0.05)
            fits += n;
    }
    if (fits * 10 < total * 9)
        return 0;
    // Jittered steps average out: the mean of those near the step.
    double sum = 0;
    int64_t n = 0;
    for (const auto &[dur, m] : counts)
        if (std::abs(double(dur - best)) <= 0.02 * double(best))
            sum += double(dur) * double(m), n += m;
    const double step = n ? sum / double(n) : double(best);
    return std::llround(step * 1e7 / double(d.Timescale));
}

std::vector<int64_t> KeyFrameTimes(const TSampleDurations &d)
{
    if (d.Timescale <= 0 || !d.HasSyncTable || d.SyncSamples.empty())
        return {};
    // One walk of the samples in decoding order: presentation time = decoding time plus
    // composition offset; only the sync samples' are kept (hours of video are millions of
    // samples).
    std::vector<int64_t> pts;
    pts.reserve(d.SyncSamples.size());
    size_t nextSync = 0, ctsRun = 0;
    int64_t ctsLeft = d.CompositionRuns.empty() ? 0 : d.CompositionRuns[0].first;
    int64_t dts = 0, earliest = INT64_MAX;
    uint32_t sample = 0;
    for (const auto &[count, duration] : d.Runs)
        for (int64_t i = 0; i < count; ++i) {
            ++sample;
            while (ctsRun < d.CompositionRuns.size() && ctsLeft == 0 && ++ctsRun < d.CompositionRuns.size())
                ctsLeft = d.CompositionRuns[ctsRun].first;
            int64_t offset = 0;
            if (ctsRun < d.CompositionRuns.size()) {
                offset = d.CompositionRuns[ctsRun].second;
                --ctsLeft;
            }
            const int64_t t = dts + offset;
            earliest = std::min(earliest, t);
            if (nextSync < d.SyncSamples.size() && d.SyncSamples[nextSync] == sample) {
                pts.push_back(t);
                ++nextSync;
            }
            dts += duration;
        }
    // Sync samples out of order or past the last sample: the tables do not fit each other.
    if (nextSync != d.SyncSamples.size())
        return {};
    const int64_t first = d.EditMediaTime >= 0 ? d.EditMediaTime : earliest;
    std::vector<int64_t> keys;
    keys.reserve(pts.size());
    for (int64_t t : pts)
        keys.push_back(int64_t(std::llround(double(t - first) * 1e7 / double(d.Timescale))));
    std::sort(keys.begin(), keys.end());
    return keys;
}
