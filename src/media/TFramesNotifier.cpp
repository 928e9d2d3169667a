#include "media/TFramesNotifier.h"

#include "core/TMessageReceiver.h"
#include "media/FrameGrid.h"
#include "media/MediaFormat.h"
#include "media/MediaMessages.h"
#include "media/Timecode.h"
#include "media/gst/TMediaType.h"

#include <algorithm>
#include <limits>

GST_DEBUG_CATEGORY_STATIC(framix_frames_debug);

namespace {

int64_t floorDiv(int64_t a, int64_t b)
{
    int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0)))
        --q;
    return q;
}

// Registered by the first frames notifier; GStreamer keeps it for the rest of the process.
GstDebugCategory *framesCategory()
{
    static GstDebugCategory *const category = [] {
        GST_DEBUG_CATEGORY_INIT(framix_frames_debug, "framixframes", 0,
                                "Framix frames notifier (positions, watches, held-back frames)");
        return framix_frames_debug;
    }();
    return category;
}

} // namespace

TFramesNotifier::TFramesNotifier() : TPassThrough(QStringLiteral("FramesNotifier de Vardo"), framesCategory())
{
    gst_segment_init(&m_segment, GST_FORMAT_TIME);
}

TFramesNotifier::~TFramesNotifier()
{
    // The hooks use this object's members: no streaming thread may be in one while they go.
    stopStreaming();
}

// --- configuration (main thread) ---------------------------------------------------------------

void TFramesNotifier::SetFrameDuration(int64_t d)
{
    // Cached frames are keyed on the old grid.
    if (m_frameDuration.exchange(std::max<int64_t>(d, 1)) != std::max<int64_t>(d, 1))
        m_cache.Clear();
}

void TFramesNotifier::SetWatch(int i, int64_t time)
{
    if (i < 0 || i >= kWatches)
        return;
    Watch &w = m_watches[size_t(i)];
    w.target.store(time);
    // A new generation, active. Only the main thread raises generations; the streaming thread
    // only clears (and gives back) the active bit of the generation it saw.
    const uint64_t gen = (w.state.load() >> 1) + 1;
    w.state.store(gen << 1 | 1u);
}

TFramesNotifier::TNavTargets TFramesNotifier::NavWindow() const
{
    return {m_navDuration.load(), m_navPosition.load()};
}

void TFramesNotifier::SetNavWindow(TNavTargets w)
{
    m_navDuration.store(w.duration);
    m_navPosition.store(w.position);
}

void TFramesNotifier::SetWatchWindow(int i, TInbox<TFramesReachedMsg> *w)
{
    if (i >= 0 && i < kWatches)
        m_watches[size_t(i)].window.store(w);
}

bool TFramesNotifier::WatchActive(int i) const
{
    return i >= 0 && i < kWatches && (m_watches[size_t(i)].state.load() & 1u);
}

int64_t TFramesNotifier::WatchTarget(int i) const
{
    return i >= 0 && i < kWatches ? m_watches[size_t(i)].target.load() : 0;
}

int64_t TFramesNotifier::Origin() const
{
    const int64_t ns = m_originNs.load();
    return ns == kNoOrigin ? kNoOrigin : floorDiv(ns, 100);
}

void TFramesNotifier::ResetOrigin()
{
    m_originNs.store(kNoOrigin);
    m_resetShift.store(true);
    m_cache.Clear();
}

void TFramesNotifier::SetOrigin(int64_t origin)
{
    if (m_originNs.exchange(origin == kNoOrigin ? kNoOrigin : origin * 100) != origin * 100)
        m_cache.Clear();
}

TVideoData TFramesNotifier::GetVideoData() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_video;
}

int TFramesNotifier::Slot() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_slot;
}

int TFramesNotifier::PrevSlot() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_prevSlot;
}

int64_t TFramesNotifier::HistoryAt(int slot) const
{
    if (slot < 0 || slot >= kRingSize)
        return 0;
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_history[size_t(slot)];
}

QString TFramesNotifier::TextAt(int slot) const
{
    if (slot < 0 || slot >= kRingSize)
        return {};
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_texts[size_t(slot)];
}

QString TFramesNotifier::LastText() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastText;
}

int64_t TFramesNotifier::SnapToFrame(int64_t relativeNs, int64_t d)
{
    const TFrameGrid grid(d);
    return grid.TimeOf(grid.IndexAtNs(relativeNs));
}

// --- filter hooks ------------------------------------------------------------------------------

// Streaming thread: a new link (another decoder or filter in front): its pictures may differ.
void TFramesNotifier::completeConnect(GstCaps *)
{
    m_cache.Clear();
}

// Streaming thread (or the thread taking the element to PAUSED, before streaming starts).
void TFramesNotifier::startStreaming()
{
    m_firstSample = true;
    m_cache.Clear();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lastText.clear();
    m_heardText.clear();
    m_unheard = false;
}

// Streaming thread. Positions go through the segment, so a seek, a segment seek or a new
// stream changes nothing but the conversion; the origin stays that of the file's first frame.
void TFramesNotifier::newSegment(const GstSegment &segment)
{
    m_segment = segment;
    // Matroska starts the stream time of its first segment at the first frame (a segment
    // starting at that frame's time stamp with a stream time of 0) and those of its seeks at the
    // time stamps' zero (stream time = time stamp). When the first kind is followed by the
    // second, the origin moves by the first segment's offset, so that positions and seek
    // targets keep meaning the same frames. Other demuxers keep one mapping, or rebase their
    // stream time on purpose, and positions follow their stream time.
    if (segment.format == GST_FORMAT_TIME && GST_CLOCK_TIME_IS_VALID(segment.start) &&
        GST_CLOCK_TIME_IS_VALID(segment.time)) {
        const int64_t shift = int64_t(segment.start) - int64_t(segment.time);
        if (m_resetShift.exchange(false))
            m_haveShift = false;
        if (!m_haveShift) {
            m_firstShiftNs = shift;
            m_haveShift = true;
        } else if (shift == 0 && m_firstShiftNs > 0 && segment.time == segment.start) {
            int64_t origin = m_originNs.load();
            const int64_t moved = origin + m_firstShiftNs;
            if (origin != kNoOrigin && m_originNs.compare_exchange_strong(origin, moved)) {
                m_cache.Clear();
                if (m_learnedNs == origin)
                    m_learnedNs = moved;
                GST_CAT_DEBUG_OBJECT(debugCategory(), element(),
                                     "stream time moved: origin %" GST_STIME_FORMAT, GST_STIME_ARGS(moved));
            }
            m_firstShiftNs = 0;
        }
    }
    m_firstSample = true;
    if (m_originNs.load() != kNoOrigin)
        m_originFramesLeft = 0;
}

// Streaming thread: the input's caps. The navigation manager learns the frame duration (and
// writes it back into FrameDuration); an input without one reports the substitute.
void TFramesNotifier::mediaTypeChanged(GstCaps *caps)
{
    const TVideoData video = VideoDataFromMediaType(TMediaType::fromCaps(caps));
    m_streamCaps = TGstCaps::ref(caps);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_video = video;
    }
    const int64_t d = video.AvgTimePerFrame > 0 ? video.AvgTimePerFrame : kSubstituteDuration;
    GST_CAT_DEBUG_OBJECT(debugCategory(), element(), "frame duration %" G_GINT64_FORMAT " (100 ns)%s", d,
                         video.AvgTimePerFrame > 0 ? "" : ", substituted");
    if (TInbox<TFrameDurationMsg> *nav = m_navDuration.load()) {
        TFrameDurationMsg m{uint64_t(d)};
        nav->send(m, &gate());
    }
}

// Streaming thread.
bool TFramesNotifier::streamTime(GstBuffer *buffer, int64_t &ns) const
{
    const GstClockTime pts = GST_BUFFER_PTS(buffer);
    if (!GST_CLOCK_TIME_IS_VALID(pts) || m_segment.format != GST_FORMAT_TIME)
        return false;
    guint64 st = 0;
    const int sign = gst_segment_to_stream_time_full(&m_segment, GST_FORMAT_TIME, pts, &st);
    if (sign == 0)
        return false;
    ns = sign > 0 ? int64_t(st) : -int64_t(st);
    return true;
}

// Streaming thread: the first frame after ResetOrigin gives the origin; a few frames more of
// the same segment may lower it (a decoder that hands the first frames out of order).
void TFramesNotifier::learnOrigin(int64_t streamNs)
{
    int64_t cur = m_originNs.load();
    if (cur == kNoOrigin) {
        if (m_originNs.compare_exchange_strong(cur, streamNs)) {
            GST_CAT_DEBUG_OBJECT(debugCategory(), element(), "origin %" GST_STIME_FORMAT,
                                 GST_STIME_ARGS(streamNs));
            m_learnedNs = streamNs;
            m_originFramesLeft = kOriginFrames - 1;
        }
        return;
    }
    if (m_originFramesLeft <= 0)
        return;
    --m_originFramesLeft;
    // Only an origin this element learned is lowered; one the owner set stays.
    if (streamNs < cur && cur == m_learnedNs && m_originNs.compare_exchange_strong(cur, streamNs)) {
        m_learnedNs = streamNs;
        m_cache.Clear();
    }
}

// Streaming thread.
bool TFramesNotifier::checkWatches(int64_t position, int64_t end, int64_t d)
{
    for (Watch &w : m_watches) {
        uint64_t s = w.state.load();
        if (!(s & 1u))
            continue;
        const int64_t target = w.target.load();
        if (w.state.load() != s) // set again meanwhile: the next frame compares the new target
            continue;
        // Reached by the frame at the target, or by one that lasts over it (a variable rate's
        // frame standing for empty slots of the grid).
        // A watch parked at the largest time (never reached) must not wrap round to the
        // smallest: the sums saturate.
        const int64_t half = d / 2;
        const int64_t low = target < std::numeric_limits<int64_t>::min() + half ? target : target - half;
        const int64_t high = target > std::numeric_limits<int64_t>::max() - half ? target : target + half;
        if (position < low && end <= high)
            continue;
        if (!w.state.compare_exchange_strong(s, s & ~uint64_t(1)))
            continue;
        TInbox<TFramesReachedMsg> *window = w.window.load();
        if (!window)
            continue;
        GST_CAT_DEBUG_OBJECT(debugCategory(), element(),
                             "watch at %" G_GINT64_FORMAT " reached by the frame at %" G_GINT64_FORMAT,
                             target, position);
        TFramesReachedMsg m{target, position};
        if (!window->send(m, &gate())) {
            // Not answered (flush): armed again, unless the owner set the watch meanwhile.
            uint64_t off = s & ~uint64_t(1);
            w.state.compare_exchange_strong(off, s);
            return false;
        }
    }
    return true;
}

// Streaming thread: one decoded frame.
TPassThrough::SampleResult TFramesNotifier::sample(GstBuffer *buffer)
{
    const int64_t d = std::max<int64_t>(m_frameDuration.load(), 1);
    const TFrameGrid grid(d);
    const GstClockTime dur = GST_BUFFER_DURATION(buffer);
    const int64_t durNs = GST_CLOCK_TIME_IS_VALID(dur) && dur > 0 ? int64_t(dur) : d * 100;

    int64_t st = 0;
    if (!streamTime(buffer, st)) {
        // No time stamp: the frame follows the previous one, or opens the segment.
        if (!m_firstSample)
            st = m_lastStreamNs + durNs;
        else
            st = m_segment.format == GST_FORMAT_TIME && GST_CLOCK_TIME_IS_VALID(m_segment.time)
                     ? int64_t(m_segment.time)
                     : 0;
    }
    m_lastStreamNs = st;
    learnOrigin(st);
    const GstClockTime pts = GST_BUFFER_PTS(buffer);
    m_lastPtsNs.store(GST_CLOCK_TIME_IS_VALID(pts) ? int64_t(pts) : -1);

    int64_t origin = m_originNs.load();
    if (origin == kNoOrigin)
        origin = st;
    // The frame is the one whose span holds the middle of the buffer: a frame cut short at the
    // start of a seek's segment (its time stamp moved up to the seek target) stays the frame
    // before the target instead of taking the target's name.
    const int64_t position = grid.TimeOf(grid.IndexOfBuffer(st - origin, durNs));
    m_position.store(position);
    m_frameCount.fetch_add(1);

    // Offer itself returns at once when the cache is off (one lock per frame, not two).
    if (m_streamCaps)
        m_cache.Offer(position, buffer, m_streamCaps, GST_CLOCK_TIME_IS_VALID(pts) ? int64_t(pts) : -1);

    if (!checkWatches(position, floorDiv(st + durNs - origin, 100), d))
        return SampleResult::Flushing;

    if (!publish(position, floorDiv(st + durNs / 2 - origin, 100), d))
        return SampleResult::Flushing;
    m_firstSample = false;
    return m_deliver.load() ? SampleResult::Pass : SampleResult::Withhold;
}

// Streaming thread, or the main thread replaying a cached frame.
bool TFramesNotifier::publish(int64_t position, int64_t middle, int64_t d)
{
    const QString text = TimecodeText(position, d);
    bool notify;
    int slot;
    bool changed;
    {
        // The switch is read under the lock that SetNotifyText takes: a frame is either told
        // of here or left for the switch to tell of.
        std::lock_guard<std::mutex> lock(m_mutex);
        notify = m_notifyText.load();
        m_prevSlot = m_slot;
        m_slot = (m_slot + 1) % kRingSize;
        slot = m_slot;
        m_history[size_t(slot)] = middle;
        m_texts[size_t(slot)] = text;
        changed = text != m_heardText;
        m_unheard = !notify && m_deliver.load();
        m_publishedPosition = position;
    }

    if (notify) {
        if (changed) {
            if (TInbox<TFramesTextMsg> *video = m_videoWindow.load()) {
                TFramesTextMsg m{slot, position, text};
                if (!video->send(m, &gate()))
                    return false;
            }
        }
        if (TInbox<TFramesPositionMsg> *nav = m_navPosition.load())
            nav->post(TFramesPositionMsg{slot, position, text});
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lastText = text;
        if (notify)
            m_heardText = text;
    }
    return true;
}

// Main thread. A streaming thread publishing meanwhile tells of its newer frame itself: its
// text send waits for this thread, so it comes after; its position post may come first, and
// is posted once more behind this one.
void TFramesNotifier::SetNotifyText(bool on)
{
    int slot;
    int64_t position;
    QString text;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const bool was = m_notifyText.exchange(on);
        if (!on || was || !m_unheard)
            return;
        m_unheard = false;
        slot = m_slot;
        position = m_publishedPosition;
        text = m_texts[size_t(slot)];
        m_heardText = text;
    }
    if (TInbox<TFramesTextMsg> *video = m_videoWindow.load()) {
        TFramesTextMsg m{slot, position, text};
        video->send(m);
    }
    TInbox<TFramesPositionMsg> *nav = m_navPosition.load();
    if (!nav)
        return;
    nav->post(TFramesPositionMsg{slot, position, text});
    TFramesPositionMsg newer;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_slot == slot)
            return;
        newer = TFramesPositionMsg{m_slot, m_publishedPosition, m_texts[size_t(m_slot)]};
    }
    nav->post(newer);
}

// Main thread. The graph stays paused where it was: no streaming thread publishes meanwhile.
void TFramesNotifier::Replay(int64_t position, int64_t pts)
{
    const int64_t d = std::max<int64_t>(m_frameDuration.load(), 1);
    m_position.store(position);
    m_lastPtsNs.store(pts);
    // The history holds frame middles.
    publish(position, position + d / 2, d);
}
