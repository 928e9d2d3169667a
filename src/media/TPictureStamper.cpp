#include "media/TPictureStamper.h"

#include <algorithm>
#include <cmath>
#include <cstring>

GST_DEBUG_CATEGORY_STATIC(framix_picturestamp_debug);
#define GST_CAT_DEFAULT framix_picturestamp_debug

namespace {

void initDebug()
{
    static gsize once = 0;
    if (g_once_init_enter(&once)) {
        GST_DEBUG_CATEGORY_INIT(framix_picturestamp_debug, "framixpicturestamp", 0,
                                "Framix display times read from picture headers");
        g_once_init_leave(&once, 1);
    }
}

// Streaming thread: buffers through the stamper, flushes and segments restart it.
GstPadProbeReturn onData(GstPad *, GstPadProbeInfo *info, gpointer data)
{
    auto *stamper = static_cast<TPictureStamper *>(data);
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) {
        GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        if (stamper->Stamp(buffer) == TPictureStamper::Verdict::Drop)
            return GST_PAD_PROBE_DROP;
        GST_PAD_PROBE_INFO_DATA(info) = buffer;
        return GST_PAD_PROBE_OK;
    }
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        GstEvent *event = GST_PAD_PROBE_INFO_EVENT(info);
        if (GST_EVENT_TYPE(event) == GST_EVENT_FLUSH_STOP || GST_EVENT_TYPE(event) == GST_EVENT_SEGMENT)
            stamper->Restart();
    }
    return GST_PAD_PROBE_OK;
}

void destroyStamper(gpointer data)
{
    delete static_cast<TPictureStamper *>(data);
}

} // namespace

TPictureStamper::Codec TPictureStamper::CodecOf(GstCaps *caps)
{
    const GstStructure *s = caps && gst_caps_get_size(caps) > 0 ? gst_caps_get_structure(caps, 0) : nullptr;
    if (!s)
        return Codec::None;
    const char *name = gst_structure_get_name(s);
    int version = 0;
    gboolean system = FALSE;
    if (std::strcmp(name, "video/x-xvid") == 0)
        return Codec::Mpeg4Part2;
    if (std::strcmp(name, "video/x-divx") == 0)
        return gst_structure_get_int(s, "divxversion", &version) && version >= 4 ? Codec::Mpeg4Part2
                                                                                 : Codec::None;
    if (std::strcmp(name, "video/mpeg") == 0 && gst_structure_get_int(s, "mpegversion", &version)) {
        gst_structure_get_boolean(s, "systemstream", &system);
        if (system)
            return Codec::None;
        if (version == 4)
            return Codec::Mpeg4Part2;
        if (version == 1 || version == 2)
            return Codec::MpegVideo;
    }
    return Codec::None;
}

TGstProbe TPictureStamper::Attach(GstPad *pad, GstCaps *caps, std::shared_ptr<TStreamClock> clock)
{
    const Codec codec = CodecOf(caps);
    if (!pad || codec == Codec::None)
        return {};
    initDebug();
    int num = 0, den = 0;
    const GstStructure *s = gst_caps_get_structure(caps, 0);
    if (!gst_structure_get_fraction(s, "framerate", &num, &den) || num <= 0 || den <= 0)
        num = den = 0;
    auto *stamper = new TPictureStamper(codec, num, den, std::move(clock));
    GST_INFO_OBJECT(pad, "stamping %s pictures", codec == Codec::Mpeg4Part2 ? "MPEG-4 Part 2" : "MPEG video");
    return TGstProbe::add(pad,
                          GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                          &onData, stamper, &destroyStamper);
}

TPictureStamper::TPictureStamper(Codec codec, int fpsNum, int fpsDen, std::shared_ptr<TStreamClock> clock)
    : m_codec(codec), m_fpsNum(fpsNum), m_fpsDen(fpsDen), m_clock(std::move(clock))
{
    if (m_clock) {
        const int64_t origin = m_clock->originTicks.load();
        if (origin != TStreamClock::kUnknown)
            m_origin = origin;
    }
}

TPictureStamper::Verdict TPictureStamper::Stamp(GstBuffer *&buffer)
{
    switch (m_codec) {
    case Codec::Mpeg4Part2:
        return stampMpeg4(buffer);
    case Codec::MpegVideo:
        return stampMpegVideo(buffer);
    case Codec::None:
        break;
    }
    return Verdict::Pass;
}

void TPictureStamper::Restart()
{
    m_anchored = false;
    m_pending.reset();
    m_groupKnown = false;
    m_groupFrames = 0;
}

void TPictureStamper::setPts(GstBuffer *&buffer, GstClockTime pts)
{
    if (GST_BUFFER_PTS(buffer) == pts)
        return;
    buffer = gst_buffer_make_writable(buffer);
    GST_BUFFER_PTS(buffer) = pts;
}

TPictureStamper::Verdict TPictureStamper::stampMpeg4(GstBuffer *&buffer)
{
    const bool delta = GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_DELTA_UNIT);
    if (!m_decided && delta) {
        m_decided = true;
        m_stamping = !GST_BUFFER_PTS_IS_VALID(buffer) && GST_BUFFER_DTS_IS_VALID(buffer);
        GST_INFO("%s", m_stamping ? "delta buffers come without a time: stamping every picture"
                                  : "the container gives presentation times: left as they are");
    }
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
        return Verdict::Pass;
    if (!m_haveVol)
        m_haveVol = Mpeg4FindVol(map.data, map.size, m_vol);
    const std::vector<TMpeg4Vop> vops =
        m_haveVol ? Mpeg4Vops(map.data, map.size, m_vol) : std::vector<TMpeg4Vop>();
    gst_buffer_unmap(buffer, &map);
    if (m_decided && !m_stamping)
        return Verdict::Pass;
    if (!m_haveVol)
        return Verdict::Pass; // no layer header yet: nothing to read the VOPs with

    const int64_t res = m_vol.Resolution;
    const GstClockTime dts =
        GST_BUFFER_DTS_IS_VALID(buffer) ? GST_BUFFER_DTS(buffer) : GST_BUFFER_PTS(buffer);
    std::optional<int64_t> starts = m_pending; // the picture this buffer makes the decoder start
    m_pending.reset();
    bool first = true;
    for (const TMpeg4Vop &v : vops) {
        int64_t ticks = 0;
        if (!m_anchored) {
            // The second that puts this VOP nearest the demuxer's time for its chunk.
            const int64_t origin = m_origin.value_or(int64_t(v.TimeIncrement));
            const double chunk = GST_CLOCK_TIME_IS_VALID(dts) ? double(dts) / double(GST_SECOND) : 0.0;
            const int64_t seconds =
                std::llround((chunk * double(res) + double(origin) - double(v.TimeIncrement)) / double(res));
            m_timeBase = m_lastTimeBase = seconds;
            m_anchored = true;
            ticks = seconds * res + v.TimeIncrement;
            if (!m_origin) {
                m_origin = ticks; // the file's first VOP: frame 0
                if (m_clock)
                    m_clock->originTicks.store(ticks);
            }
        } else if (v.CodingType == TMpeg4Vop::Type::B) {
            ticks = (m_lastTimeBase + v.ModuloTimeBase) * res + v.TimeIncrement;
        } else {
            m_lastTimeBase = m_timeBase;
            m_timeBase += v.ModuloTimeBase;
            ticks = m_timeBase * res + v.TimeIncrement;
        }
        if (!v.Coded)
            continue;
        if (first && !starts) {
            starts = ticks;
            first = false;
        } else {
            // A second coded VOP in the chunk (packed bitstream): decoded with the next buffer.
            m_pending = ticks;
        }
    }
    // Until a delta buffer tells, the clock is followed but nothing is changed: a key frame of
    // AVI carries its chunk's time, one of MP4 its own.
    if (!m_stamping)
        return Verdict::Pass;
    if (!starts) {
        GST_LOG("buffer at %" GST_TIME_FORMAT " starts no picture: dropped", GST_TIME_ARGS(dts));
        return Verdict::Drop;
    }
    const int64_t rel = *starts - m_origin.value_or(0);
    const GstClockTime pts = rel <= 0 ? 0 : gst_util_uint64_scale(guint64(rel), GST_SECOND, guint64(res));
    GST_LOG("buffer at %" GST_TIME_FORMAT " shows at %" GST_TIME_FORMAT, GST_TIME_ARGS(dts),
            GST_TIME_ARGS(pts));
    setPts(buffer, pts);
    return Verdict::Pass;
}

TPictureStamper::Verdict TPictureStamper::stampMpegVideo(GstBuffer *&buffer)
{
    if (m_fpsNum <= 0 || m_fpsDen <= 0)
        return Verdict::Pass;
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
        return Verdict::Pass;
    TMpegPicture pic;
    const bool ok = MpegFirstPicture(map.data, map.size, pic);
    gst_buffer_unmap(buffer, &map);
    if (!ok)
        return Verdict::Pass;
    // Nanoseconds of n frames (n may be negative).
    auto frames = [&](int64_t n) {
        const GstClockTime a = gst_util_uint64_scale(
            guint64(n < 0 ? -n : n), guint64(GST_SECOND) * guint64(m_fpsDen), guint64(m_fpsNum));
        return n < 0 ? -int64_t(a) : int64_t(a);
    };
    // A new group follows the pictures of the one before it in display order.
    if (pic.GroupStart) {
        if (m_groupKnown)
            m_groupPts += frames(m_groupFrames);
        m_groupFrames = 0;
    }
    m_groupFrames = std::max(m_groupFrames, int64_t(pic.TemporalReference) + 1);
    if (GST_BUFFER_PTS_IS_VALID(buffer)) {
        m_groupPts = int64_t(GST_BUFFER_PTS(buffer)) - frames(pic.TemporalReference);
        m_groupKnown = true;
        return Verdict::Pass;
    }
    if (!m_groupKnown)
        return Verdict::Pass;
    const int64_t pts = m_groupPts + frames(pic.TemporalReference);
    GST_LOG("picture %d of its group without a time: %" GST_STIME_FORMAT, pic.TemporalReference,
            GST_STIME_ARGS(pts));
    if (pts >= 0)
        setPts(buffer, GstClockTime(pts));
    return Verdict::Pass;
}
