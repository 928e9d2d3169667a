// The navigation manager's moves: absolute seeks with clamping and feedback, frame-exact seeks
// through the frames notifier's watch, relative steps, start and end, scenes, typed positions.
#include "actions/TCheckAction.h"
#include "core/FramixLog.h"
#include "media/TFramesNotifier.h"
#include "media/TNotifier.h"
#include "media/TScenesList.h"
#include "media/TavSource.h"
#include "media/Timecode.h"
#include "playback/TNavMan.h"
#include "playback/TVideoSink.h"

#include <QElapsedTimer>
#include <QLineEdit>
#include <QRegularExpression>
#include <QThread>

namespace {

// How long a seek waits for the renderer's picture. A precise seek that starts far before its
// target decodes everything in between first.
constexpr int kSeekWaitMs = 1000;
constexpr int kPreciseWaitMs = 5000;
// A precise seek's wait ends sooner when no frame at all has reached the frames notifier for
// this long: a stream that gives nothing would hold the window for the whole wait.
constexpr int kPreciseIdleMs = 2000;
// Attempts of a precise seek whose demuxer lands after the target, each starting further back.
constexpr int kPreciseAttempts = 4;
// A step that shows the frame it started from tries this many grid slots further.
constexpr int kMaxEmptySlots = 16;

// Clears a re-entry guard on every way out.
struct TGuard
{
    bool &flag;
    explicit TGuard(bool &f) : flag(f) { flag = true; }
    ~TGuard() { flag = false; }
};

} // namespace

// --- absolute seeks ------------------------------------------------------------------------------

void TNavMan::SeekTo(bool wait, int64_t position)
{
    if (Seeking)
        return;
    TGuard guard(Seeking);
    if (!Quiet)
        SeekFeedback(true);
    // The furthest position is the start of the last frame.
    position = std::min(position, EndPosition);
    position = std::max(position, StartPosition - m_belowStart);
    qCDebug(lcPlayback).noquote() << "seek to" << TimecodeText(position, FrameDuration)
                                  << (wait ? "(waited for)" : "");
    ForgetFarFrames(position);
    try {
        ApplySeek(wait, position);
    } catch (...) {
        // A failed seek has no effect. onAbsolutePosition is the application's handler and
        // the wait runs sent messages, so anything may arrive here.
        qCWarning(lcPlayback).noquote()
            << "seek to" << TimecodeText(position, FrameDuration) << "failed:" << currentExceptionText();
    }
    if (!Quiet)
        SeekFeedback(false);
}

void TNavMan::SeekFeedback(bool seeking)
{
    if (m_edit) {
        QFont font = m_edit->font();
        font.setItalic(seeking);
        m_edit->setFont(font);
        QPalette palette = m_edit->palette();
        palette.setColor(QPalette::Text, seeking ? QColor(192, 192, 192) : QColor(Qt::black));
        m_edit->setPalette(palette);
    }
    if (seeking && OnDisplaySeek)
        OnDisplaySeek();
    else if (!seeking && OnDisplayNormal)
        OnDisplayNormal();
}

void TNavMan::ApplySeek(bool wait, int64_t position)
{
    const TGrapheManState state = State();
    const bool playing = state == TGrapheManState::gmPlaying;
    const bool hasText = playing && m_notifier;
    const bool text = hasText && m_notifier->NotifyText();
    if (state != TGrapheManState::gmPaused)
        Pause();
    if (onAbsolutePosition)
        onAbsolutePosition(position);
    if (hasText)
        m_notifier->SetNotifyText(false);
    // A streaming thread that stops on an error leaves the renderer waiting for good: the
    // error ends the wait (a precise seek then tries again).
    const int errors = Graph()->errorCount();
    if (SetMediaPosition(position) && wait && m_renderer)
        WaitForRenderer(
            m_precise.active ? kPreciseWaitMs : kSeekWaitMs,
            [this, errors] { return (m_precise.active && m_precise.late) || VideoPathError(errors); },
            m_precise.active ? kPreciseIdleMs : 0);
    if (hasText)
        m_notifier->SetNotifyText(text);
    if (playing)
        Play();
    else if (State() != TGrapheManState::gmPaused)
        Pause();
}

bool TNavMan::SetMediaPosition(int64_t position)
{
    if (!Graph()->canSeek())
        return false;
    // Whatever the seek, the graph leaves the frame it held behind a cached picture.
    m_cacheShown = false;
    m_graphKeyUnit = m_keyUnitSeek;
    if (m_keyUnitSeek)
        return Graph()->seek(position + Origin(), true);
    // Positions count from the first video frame; the graph's from the stream's start. A
    // demuxer that lands after its target is sent to the stream's very start for the first
    // frame (the others keep the origin: tsdemux times a seek to 0 differently).
    if (position <= StartPosition && LandsLate())
        return Graph()->seek(0);
    return Graph()->seek(position + Origin());
}

void TNavMan::WaitForRenderer(int timeoutMs, const std::function<bool()> &done, int idleMs)
{
    QElapsedTimer timer, idle;
    timer.start();
    idle.start();
    int64_t frames = m_notifier ? m_notifier->FrameCount() : 0;
    // Short polls: the frames notifier's target message waits for this thread meanwhile.
    while (m_renderer) {
        TMessageReceiverBase::servicePendingSent();
        if (done && done())
            return;
        const GstStateChangeReturn r = gst_element_get_state(m_renderer, nullptr, nullptr, 2 * GST_MSECOND);
        if (r != GST_STATE_CHANGE_ASYNC || timer.elapsed() > timeoutMs)
            break;
        if (m_notifier && m_notifier->FrameCount() != frames) {
            frames = m_notifier->FrameCount();
            idle.restart();
        } else if (idleMs > 0 && idle.elapsed() > idleMs) {
            qCDebug(lcPlayback) << "no frame for" << idleMs << "ms: the wait ends";
            break;
        }
    }
    TMessageReceiverBase::servicePendingSent();
}

bool TNavMan::VideoPathError(int since) const
{
    const int count = Graph()->errorCount();
    if (count == since)
        return false;
    // The waits ask at every poll: the graph is walked again only when an error came since.
    if (m_pathError.since == since && m_pathError.count == count)
        return m_pathError.found;
    m_pathError = {since, count, FindVideoPathError(since)};
    return m_pathError.found;
}

bool TNavMan::FindVideoPathError(int since) const
{
    const QStringList sources = Graph()->errorSourcesSince(since);
    if (sources.isEmpty() || !m_renderer)
        return true; // more errors than the record keeps, or nothing to tell them apart by
    // The elements from the renderer up to the source, by their paths.
    QStringList way;
    std::vector<TGstElement> todo{m_renderer};
    while (!todo.empty() && way.size() < 64) {
        TGstElement e = todo.back();
        todo.pop_back();
        gchar *path = gst_object_get_path_string(GST_OBJECT(e.get()));
        const QString p = QString::fromUtf8(path);
        g_free(path);
        if (way.contains(p))
            continue;
        way << p;
        GstIterator *it = gst_element_iterate_sink_pads(e);
        GValue item = G_VALUE_INIT;
        while (gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
            TGstPad peer = TGstPad::adopt(gst_pad_get_peer(GST_PAD(g_value_get_object(&item))));
            if (peer)
                if (GstElement *up = gst_pad_get_parent_element(peer))
                    todo.push_back(TGstElement::adopt(up));
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(it);
    }
    for (const QString &source : sources)
        for (const QString &element : way)
            if (source == element || source.startsWith(element + u'/') || element.startsWith(source + u'/'))
                return true;
    return false;
}

bool TNavMan::LandsLate() const
{
    // mpegpsdemux (MPEG program streams) lands up to a second after an accurate target.
    bool found = false;
    GstIterator *it = gst_bin_iterate_recurse(Graph()->bin());
    GValue item = G_VALUE_INIT;
    while (!found && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto *e = GST_ELEMENT(g_value_get_object(&item));
        GstElementFactory *f = gst_element_get_factory(e);
        found = f && g_str_equal(GST_OBJECT_NAME(f), "mpegpsdemux");
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return found;
}

// --- precise seeks -------------------------------------------------------------------------------

void TNavMan::SeekPrecise(int64_t target)
{
    // The first frame exactly too, whatever the precision setting: a frame the decoded-frame
    // cache holds (the open decoded it) is painted without a seek.
    if (target == 0) {
        if (m_notifier)
            SeekExact(StartPosition);
        else
            GoToStart();
        return;
    }
    // The last frame too is reached exactly, whether precise seeking is on or not (an interval
    // run asks for exact frames either way).
    if (target >= EndPosition) {
        SeekExact(EndPosition);
        return;
    }
    SeekExact(target);
}

void TNavMan::SeekExact(int64_t target)
{
    if (!m_notifier) {
        // No video yet: nothing can tell the frames apart.
        SeekTo(true, target);
        return;
    }
    if (Seeking)
        return;
    m_endedShort = false;
    const TFrameGrid grid = Grid();
    target = grid.Snap(std::max(std::min(target, EndPosition), StartPosition));
    if (ShowCachedFrame(target))
        return;
    ForgetFarFrames(target);
    const int64_t framesBefore = m_notifier->FrameCount();
    const int errorsBefore = Graph()->errorCount();
    // The fallbacks below each seek and wait again: a stream that gives nothing would hold the
    // window for all of them. Once the move has waited this long without a single frame, none
    // starts.
    QElapsedTimer moveClock;
    moveClock.start();
    const auto mayFallBack = [&] {
        return moveClock.elapsed() < kPreciseIdleMs || m_notifier->FrameCount() != framesBefore;
    };
    SavedState = State();
    const int64_t d = std::max<int64_t>(FrameDuration, 1);
    m_notifier->SetNotifyText(false);
    try {
        // Every attempt runs paused: a demuxer that lands late leaves no picture to play on.
        if (SavedState == TGrapheManState::gmPlaying)
            Pause();
        // A short way forward from the frame the graph holds, or any way forward within its
        // group of pictures, decodes on instead of seeking back: a seek would decode again
        // from the key frame before (a picture painted from the cache may stand in front).
        const int64_t displayed = m_notifier->Position();
        const int64_t shown = m_cacheShown ? m_graphPosition : displayed;
        const bool exact = m_cacheShown ? m_graphExact : m_shownExact;
        bool decodeOn = SavedState == TGrapheManState::gmPaused && m_renderer && exact &&
                        !m_input->eos.load() && target > shown &&
                        (target - shown <= std::max(SeekPrepos, d) || SameGroupOfPictures(shown, target));
        // A step back seeks to the key frame itself: every frame decoded from there to the
        // target passes the notifier, and the cache keeps them for the next steps back.
        m_keyUnitSeek = SavedState == TGrapheManState::gmPaused && !m_landsLate && !m_keyUnitRefused &&
                        target < displayed && m_notifier->FrameCache().Enabled() && !m_bypassCache;
        // The first seek goes to the target itself: GStreamer's demuxers start from the key frame
        // before it and the watch holds back what comes before the target. Seeking SeekPrepos
        // early instead decodes a whole extra group of pictures whenever the target lies within
        // SeekPrepos after a key frame. A source whose demuxer lands late is seeked early.
        int64_t margin = m_landsLate ? SeekPrepos : 0;
        for (int attempt = 1; attempt <= kPreciseAttempts; ++attempt) {
            const bool last = attempt == kPreciseAttempts;
            const bool keyUnit = m_keyUnitSeek;
            if (!(decodeOn && PreciseAttempt(target, true, 0, last)))
                PreciseAttempt(target, false, target - margin, last);
            m_keyUnitSeek = false;
            qCDebug(lcPlayback).noquote()
                << "precise seek to" << TimecodeText(target, d) << "attempt" << attempt
                << (decodeOn  ? "decoding on, else from"
                    : keyUnit ? "from the key frame before"
                              : "from")
                << TimecodeText(target - margin, d) << (m_precise.late ? "landed late" : "");
            if (!m_precise.late)
                break;
            if (keyUnit) {
                // A demuxer that snaps past the target: accurate seeks from now on.
                m_keyUnitRefused = true;
                decodeOn = false;
                continue;
            }
            m_landsLate = true;
            decodeOn = false;
            margin = margin == 0 ? std::max<int64_t>(SeekPrepos, d) : 2 * margin + OneSecond;
            // A demuxer that lands late near the start needs a seek before the first frame.
            m_belowStart = std::max<int64_t>(Origin(), 0);
        }
        m_belowStart = 0;
        if (!m_precise.reached && VideoPathError(errorsBefore) && mayFallBack()) {
            // A streaming thread stopped on an error short of the target (a decoder just put in
            // meets a flush among its first buffers): the stream did not end, and a seek starts
            // the threads again. Without this the frame where it stopped would pass for the end.
            qCDebug(lcPlayback).noquote()
                << "precise seek to" << TimecodeText(target, d) << "stopped by a stream error: once more";
            PreciseAttempt(target, false, target - margin, true);
        }
        m_endedShort = !m_precise.reached;
        if (!m_precise.reached) {
            // The stream ended before the target: a length that runs past the last video frame
            // (a container's estimate, audio longer than the video) or a decoder that drops the
            // last frames. A seek that landed past every frame times none: a seek from further
            // back times the last ones. The last frame given is shown instead.
            if (m_notifier->FrameCount() == framesBefore && mayFallBack())
                PreciseAttempt(target, false, target - std::max(SeekPrepos, 2 * d), true);
            m_notifier->SetWatchWindow(0, nullptr);
            m_notifier->SetWatch(0, MaxPosition);
            m_notifier->SetDeliver(true);
            int64_t lastFrame = m_notifier->Position();
            // A demuxer that could not seek so near the end starts again far before it (the
            // program stream's from the file's start): once more from further back.
            if (lastFrame < target - OneSecond && mayFallBack()) {
                PreciseAttempt(target, false, target - 2 * OneSecond - SeekPrepos, true);
                m_notifier->SetWatchWindow(0, nullptr);
                m_notifier->SetWatch(0, MaxPosition);
                m_notifier->SetDeliver(true);
                lastFrame = m_notifier->Position();
            }
            const bool nearEnd = lastFrame >= target - OneSecond;
            if (!m_precise.reached && lastFrame < target - d / 2 && lastFrame >= StartPosition &&
                mayFallBack()) {
                PreciseAttempt(lastFrame, false, lastFrame - margin, true);
                // The true end: "end" and the steps past it go straight there from now on.
                if (target == EndPosition && m_precise.reached && nearEnd) {
                    MediaDuration = lastFrame + d;
                    SetEndPosition(lastFrame);
                    if (OnDuration)
                        OnDuration(TimecodeText(MediaDuration, d));
                }
            }
        }
        m_shownExact = m_precise.reached;
        // Decoded on or sought, the picture is the graph's own again.
        m_cacheShown = false;
        qCDebug(lcPlayback).noquote() << "precise seek to" << TimecodeText(target, d)
                                      << (m_precise.reached ? "reached, at" : "not reached, at")
                                      << TimecodeText(m_notifier->Position(), d);
    } catch (...) {
        // As in SeekTo: the handlers and sent messages of the seeks run inside.
        qCWarning(lcPlayback).noquote()
            << "precise seek to" << TimecodeText(target, d) << "failed:" << currentExceptionText();
        m_shownExact = false;
        m_cacheShown = false;
    }
    m_belowStart = 0;
    m_keyUnitSeek = false;
    m_precise.active = false;
    m_notifier->SetDeliver(true);
    if (SavedState == TGrapheManState::gmPlaying)
        Play();
    else if (State() != TGrapheManState::gmPaused)
        Pause();
    m_notifier->SetNotifyText(true);
    DVCodeEnabled = true;
}

bool TNavMan::PreciseAttempt(int64_t target, bool decodeOn, int64_t from, bool acceptLate)
{
    m_precise = TPreciseState{true, target, false, false, acceptLate};
    m_notifier->SetWatchWindow(0, &m_navInbox);
    m_notifier->SetWatch(0, target);
    // Frames are timed but not passed on until the one at the target.
    m_notifier->SetDeliver(false);
    bool moved = true;
    if (decodeOn) {
        // A way longer than a step (within the group of pictures, as an interval run goes)
        // stands for a seek, and keeps what the seek would: nothing before the target. The
        // frames would fill the cache with fresh memory, at a cost a picture each, for frames
        // no one asks for.
        const int64_t d = std::max<int64_t>(FrameDuration, 1);
        const int64_t shown = m_cacheShown ? m_graphPosition : m_notifier->Position();
        const bool far = target - shown > std::max(SeekPrepos, d);
        if (far)
            m_notifier->FrameCache().SetHorizon(target);
        moved = StepShownFrames();
        if (far)
            m_notifier->FrameCache().ClearHorizon();
    } else {
        SeekTo(true, from);
    }
    m_precise.active = false;
    return moved;
}

// The watch fired: the frame at the target (or the first one past it) is on the streaming
// thread, which waits for this answer before passing it on.
void TNavMan::OnFramesReached(int64_t target, int64_t position)
{
    if (!m_notifier)
        return;
    const int64_t d = std::max<int64_t>(FrameDuration, 1);
    if (m_precise.active && target == m_precise.target) {
        if (!m_precise.acceptLate && position > target + d / 2) {
            // The demuxer landed after the target: frames stay held back until a seek from
            // further back replaces them.
            m_precise.late = true;
            return;
        }
        m_precise.reached = true;
    }
    m_notifier->SetDeliver(true);
    m_notifier->SetNotifyText(true);
    DVCodeEnabled = false;
}

// --- relative steps ------------------------------------------------------------------------------

void TNavMan::StepForward(int64_t delta)
{
    if (Stepping)
        return;
    TGuard guard(Stepping);
    const int64_t from = GetPosition();
    int64_t target = from + delta;
    if (target >= EndPosition)
        target = EndPosition;
    if (target < StartPosition)
        target = StartPosition;
    if (!(caSeekPrecision && caSeekPrecision->Checked())) {
        SeekTo(true, target);
        return;
    }
    // A variable rate's frame lasts over the empty slots after it: a step that lands inside the
    // frame shown goes on to the next frame.
    StepPastEmptySlots(from, target, +1);
}

void TNavMan::StepBackward(int64_t delta)
{
    if (Stepping)
        return;
    TGuard guard(Stepping);
    const int64_t from = GetPosition();
    int64_t target = from - delta;
    if (target < StartPosition)
        target = StartPosition;
    if (!(caSeekPrecision && caSeekPrecision->Checked())) {
        SeekTo(true, target);
        return;
    }
    // An empty slot of a variable rate shows the frame after it: a step back goes on to the
    // frame before.
    StepPastEmptySlots(from, target, -1);
}

void TNavMan::StepPastEmptySlots(int64_t from, int64_t target, int direction)
{
    SeekPrecise(target);
    const int64_t d = std::max<int64_t>(FrameDuration, 1);
    // Forward: until the position moves; back: until it moves before where the step began.
    auto stuck = [&] { return direction > 0 ? GetPosition() == from : GetPosition() >= from; };
    for (int i = 0; i < kMaxEmptySlots && m_notifier && stuck(); ++i) {
        // A move that found no frame at all past its target met the stream's end, not an empty
        // slot: there is nothing further on to step to, and every slot tried would seek again.
        if (m_endedShort || (direction > 0 ? target >= EndPosition : target <= StartPosition))
            break;
        target = direction > 0 ? std::min(target + d, EndPosition) : std::max(target - d, StartPosition);
        SeekPrecise(target);
    }
}

void TNavMan::GoToStart()
{
    // With precise seeking on, the first frame too is reached exactly (a demuxer that lands
    // late would show a later one).
    if (caSeekPrecision && caSeekPrecision->Checked() && m_notifier)
        SeekExact(StartPosition);
    else
        SeekTo(true, StartPosition);
}

void TNavMan::GoToEnd()
{
    // The end is the last frame, exactly, whatever the precision setting: a plain seek there
    // shows the key frame before it (or the first frame of an AVI whose index the demuxer
    // estimates), and only the exact seek finds the true last frame of a length that is an
    // estimate.
    const int64_t target = EndPosition;
    if (m_notifier)
        SeekExact(target);
    else
        SeekTo(true, target);
}

void TNavMan::PreviousScene()
{
    if (!m_scenes || m_scenes->Count() == 0 || FrameDuration <= 0) {
        GoToStart();
        return;
    }
    const TFrameGrid grid = Grid();
    const int64_t frame = grid.IndexAt(GetPosition());
    SeekPrecise(grid.TimeOf(m_scenes->PrevSceneStart(int(frame))));
}

void TNavMan::NextScene()
{
    if (!m_scenes || m_scenes->Count() == 0 || FrameDuration <= 0) {
        GoToEnd();
        return;
    }
    const TFrameGrid grid = Grid();
    const int64_t frame = grid.IndexAt(GetPosition());
    const int64_t last = grid.IndexAt(MediaDuration);
    const int next = m_scenes->NextSceneStart(int(frame), int(std::min<int64_t>(last, INT32_MAX)));
    SeekPrecise(grid.TimeOf(next));
}

bool TNavMan::IsPositionText(const QString &text, int64_t frameDuration)
{
    // h:mm:ss:ff, or its tail ("ss:ff", "mm:ss:ff"): the fields are counted from the end, as
    // TimecodeToTime reads them.
    static const QRegularExpression shape(
        QStringLiteral("^\\s*(?:(?:(?:(\\d{1,6}):)?([0-5]?\\d):)?([0-5]?\\d):)?(\\d{1,2})\\s*$"));
    const QRegularExpressionMatch m = shape.match(text);
    if (!m.hasMatch())
        return false;
    // Frame 25 of a 25-frame second is the next second's frame 0: refused, as a typo.
    return frameDuration <= 1 || m.captured(4).toLongLong() * frameDuration < 10000000;
}

bool TNavMan::SeekToText(const QString &text)
{
    // Garbage (a word, "5.5") would read as 0:00:00:00 and jump to the start.
    if (!IsPositionText(text, FrameDuration))
        return false;
    const int64_t position = TimecodeToTime(text.trimmed(), FrameDuration);
    // On a grid without a whole number of 100-ns units a frame (29.97 fps), a frame's time lies
    // up to 100 ns before its time stamp, and a plain seek there shows the frame before on the
    // demuxers that give the frame holding the target (raw DV): a typed position must show the
    // frame it names, so it is always frame-exact there.
    const bool fractional = Grid().TimeOf(1000) != 1000 * FrameDuration;
    // A position at or past the end is the last frame, as the end button gives it: a plain seek
    // to a length that is an estimate lands after every frame and leaves the typed text under
    // the picture it did not change.
    if ((caSeekPrecision && caSeekPrecision->Checked()) || fractional || position >= EndPosition)
        SeekPrecise(position);
    else
        SeekTo(true, position);
    return true;
}

void TNavMan::RefreshFrame()
{
    if (Quiet)
        return;
    TGuard guard(Quiet);
    if (State() == TGrapheManState::gmPaused && m_notifier)
        SeekExact(m_notifier->Position());
}

// --- the decoded-frame cache ---------------------------------------------------------------------

bool TNavMan::SourceCarriesDv() const
{
    TNotifier *own = m_videoSource ? m_videoSource->OwnNotifier() : nullptr;
    const TGstCaps caps = own ? own->inputCaps() : TGstCaps();
    return caps && gst_caps_get_size(caps) > 0 &&
           gst_structure_has_name(gst_caps_get_structure(caps, 0), "video/x-dv");
}

bool TNavMan::ShowCachedFrame(int64_t target)
{
    if (m_bypassCache || !m_notifier || !m_renderer || State() != TGrapheManState::gmPaused)
        return false;
    // A DV frame's recording date and time code come with the frame through the DV notifier,
    // which keeps the last few only: a cached DV frame would be shown without them. DV frames
    // are all key frames, so a step back decodes one frame anyway.
    if (SourceCarriesDv()) {
        m_notifier->FrameCache().SetLimit(0);
        return false;
    }
    const std::optional<TFrameCache::TEntry> entry = m_notifier->FrameCache().Find(target);
    TVideoSink *sink = TVideoSink::FromElement(m_renderer);
    if (!entry || !sink)
        return false;
    const int64_t graphPosition = m_cacheShown ? m_graphPosition : m_notifier->Position();
    const bool graphExact = m_cacheShown ? m_graphExact : m_shownExact;
    if (!sink->ShowPicture(entry->Buffer, entry->Caps))
        return false;
    qCDebug(lcPlayback).noquote() << "frame" << TimecodeText(target, FrameDuration)
                                  << "painted from the cache";
    if (onAbsolutePosition)
        onAbsolutePosition(target);
    m_graphPosition = graphPosition;
    m_graphExact = graphExact;
    // Back on the graph's own frame, the graph and the picture agree again.
    m_cacheShown = !(graphExact && target == graphPosition);
    m_shownExact = true;
    m_notifier->Replay(target, entry->Pts);
    GetPosition();
    return true;
}

void TNavMan::ForgetFarFrames(int64_t target)
{
    if (!m_notifier)
        return;
    TFrameCache &cache = m_notifier->FrameCache();
    int64_t first = 0, last = 0;
    if (!cache.Span(first, last))
        return;
    // Near: within the span the cache holds, and at least ten seconds, of either end.
    const int64_t near = std::max<int64_t>(last - first, 10 * OneSecond);
    if (target < first - near || target > last + near)
        cache.Clear();
}

void TNavMan::RejoinCachedFrame()
{
    if (!m_notifier || State() != TGrapheManState::gmPaused || !(m_cacheShown || m_graphKeyUnit))
        return;
    SeekExactPastTheCache(m_notifier->Position());
    m_cacheShown = false;
    m_graphKeyUnit = false;
}

bool TNavMan::HoldsFirstFrame()
{
    if (!m_notifier || !m_renderer || State() != TGrapheManState::gmPaused || m_cacheShown ||
        m_graphKeyUnit || m_input->eos.load() || m_input->buffers.load() == 0 ||
        m_notifier->FrameCount() == 0)
        return false;
    if (gst_element_get_state(m_renderer, nullptr, nullptr, 0) != GST_STATE_CHANGE_SUCCESS)
        return false;
    const TFrameGrid grid = Grid();
    return grid.IndexAt(m_notifier->Position()) == grid.IndexAt(StartPosition);
}

void TNavMan::SettleAfterDecoderChange(int64_t position, int errorsBefore)
{
    if (!m_notifier || !m_renderer || State() != TGrapheManState::gmPaused)
        return;
    // A short wait: a decoder that gives no picture is left as it is (the change's own seek
    // goes on), only a stream stopped on an error is moved again.
    WaitForRenderer(kSeekWaitMs, [this, errorsBefore] { return VideoPathError(errorsBefore); });
    const TFrameGrid grid = Grid();
    const bool error = VideoPathError(errorsBefore);
    const bool settled = gst_element_get_state(m_renderer, nullptr, nullptr, 0) != GST_STATE_CHANGE_ASYNC;
    if (!error && (!settled || grid.IndexAt(m_notifier->Position()) == grid.IndexAt(position)))
        return;
    qCDebug(lcPlayback).noquote() << "decoder change" << (error ? "met a stream error" : "landed elsewhere")
                                  << ": back to" << TimecodeText(position, FrameDuration);
    SeekExactPastTheCache(position);
}

void TNavMan::SeekExactPastTheCache(int64_t position)
{
    const bool bypass = m_bypassCache;
    m_bypassCache = true;
    SeekExact(position);
    m_bypassCache = bypass;
}

bool TNavMan::Play()
{
    // The graph plays from the frame shown, and from a segment that starts there: a seek to a
    // key frame has its running time start at the key frame, and the sound would play from
    // there while the picture waits.
    RejoinCachedFrame();
    return TDVMan::Play();
}

// --- decoding on ---------------------------------------------------------------------------------

bool TNavMan::StepShownFrames()
{
    if (!m_renderer || State() != TGrapheManState::gmPaused)
        return false;
    const int before = m_input->buffers.load();
    const int errors = Graph()->errorCount();
    // A one-frame step of the paused renderer: it lets the picture it holds go and takes the
    // next frame that reaches it, the one the frames notifier lets through at the target.
    if (!gst_element_send_event(m_renderer, gst_event_new_step(GST_FORMAT_BUFFERS, 1, 1.0, TRUE, FALSE)))
        return false;
    // Frames still being decoded on the way are progress: only a decoder that gives none for a
    // while makes the move fall back on a seek.
    QElapsedTimer timer;
    timer.start();
    int64_t decoded = m_notifier ? m_notifier->FrameCount() : 0;
    for (;;) {
        TMessageReceiverBase::servicePendingSent();
        if (m_notifier && m_notifier->FrameCount() != decoded) {
            decoded = m_notifier->FrameCount();
            timer.restart();
        }
        if (m_input->buffers.load() != before) {
            // The frame is at the renderer: wait for it to be taken as the paused picture.
            WaitForRenderer(kSeekWaitMs);
            return true;
        }
        if (m_precise.late || m_input->eos.load())
            return true;
        // A streaming thread stopped on an error: the move falls back on a seek at once.
        if (timer.elapsed() > kPreciseWaitMs || VideoPathError(errors))
            return false;
        QThread::usleep(300);
    }
}
