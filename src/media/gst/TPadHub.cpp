#include "media/gst/TPadHub.h"

#include "core/FramixLog.h"
#include "core/TMessageReceiver.h"
#include "media/gst/TGstGraph.h"
#include "media/gst/TPassThrough.h"

#include <QMetaObject>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

using Clock = std::chrono::steady_clock;

// State shared with the streaming threads that add pads. `hub` is cleared (under the mutex)
// when the hub closes, so a late pad-added never posts to a dead object.
struct TPadHub::Shared
{
    std::mutex mutex;
    std::condition_variable changed;
    TPadHub *hub = nullptr;
    std::vector<TGstPad> pending;
    bool noMorePads = false;
    Clock::time_point lastPad = Clock::now();
};

namespace {
// Data of a hold probe; freed by GStreamer when the probe goes.
struct HoldData
{
    std::shared_ptr<std::atomic<bool>> dataSeen;
};
} // namespace

struct TPadHub::Stream
{
    TGstPad pad;       // the demuxer's pad
    TGstElement queue; // the branch's queue, once the main thread added it
    TGstProbe hold;    // on `pad` before the queue exists, then on the queue output
    std::shared_ptr<std::atomic<bool>> dataSeen = std::make_shared<std::atomic<bool>>(false);
    TPassThrough *claimant = nullptr;
    gulong linkedId = 0; // "linked" handler on the claimant's output
    std::unique_ptr<TPassThrough> drain;

    GstPad *queueSrc() const { return queue ? gst_element_get_static_pad(queue, "src") : nullptr; }
};

TPadHub::TPadHub(TGstGraph *graph, GstElement *demux, const QString &name)
    : m_graph(graph), m_demux(TGstElement::ref(demux)), m_name(name), m_shared(std::make_shared<Shared>()),
      m_errorsAtStart(graph ? graph->errorCount() : 0)
{
    m_shared->hub = this;
    if (GstElementFactory *f = demux ? gst_element_get_factory(demux) : nullptr) {
        const char *factory = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f));
        m_exposesGroups = g_str_equal(factory, "parsebin") || g_str_equal(factory, "decodebin");
    }
    auto *holder = new std::shared_ptr<Shared>(m_shared);
    auto destroy = [](gpointer p, GClosure *) { delete static_cast<std::shared_ptr<Shared> *>(p); };
    m_padAddedId = g_signal_connect_data(demux, "pad-added", G_CALLBACK(&TPadHub::onPadAdded), holder,
                                         destroy, GConnectFlags(0));
    auto *holder2 = new std::shared_ptr<Shared>(m_shared);
    m_noMorePadsId = g_signal_connect_data(demux, "no-more-pads", G_CALLBACK(&TPadHub::onNoMorePads), holder2,
                                           destroy, GConnectFlags(0));
    // Pads that exist already (static source pads, or pads added before we watched).
    GST_OBJECT_LOCK(demux);
    std::vector<TGstPad> existing;
    for (GList *l = GST_ELEMENT_PADS(demux); l; l = l->next)
        if (GST_PAD_DIRECTION(l->data) == GST_PAD_SRC)
            existing.push_back(TGstPad::ref(GST_PAD(l->data)));
    GST_OBJECT_UNLOCK(demux);
    for (auto &p : existing)
        onPadAdded(demux, p, holder);
}

TPadHub::~TPadHub()
{
    close();
}

// Streaming thread (or the main thread for pads that existed before).
void TPadHub::onPadAdded(GstElement *, GstPad *pad, gpointer data)
{
    if (GST_PAD_DIRECTION(pad) != GST_PAD_SRC)
        return;
    auto shared = *static_cast<std::shared_ptr<Shared> *>(data);
    // Hold the pad before any buffer can leave it.
    auto *hd = new HoldData{std::make_shared<std::atomic<bool>>(false)};
    const gulong id =
        gst_pad_add_probe(pad, GstPadProbeType(GST_PAD_PROBE_TYPE_BLOCK | GST_PAD_PROBE_TYPE_DATA_DOWNSTREAM),
                          &TPadHub::holdProbe, hd, [](gpointer p) { delete static_cast<HoldData *>(p); });
    g_object_set_data(G_OBJECT(pad), "framix-hold", GSIZE_TO_POINTER(id));
    std::lock_guard<std::mutex> lock(shared->mutex);
    shared->pending.push_back(TGstPad::ref(pad));
    shared->lastPad = Clock::now();
    shared->changed.notify_all();
    if (TPadHub *hub = shared->hub)
        QMetaObject::invokeMethod(
            hub, [hub] { hub->processPending(); }, Qt::QueuedConnection);
}

// Streaming thread.
void TPadHub::onNoMorePads(GstElement *, gpointer data)
{
    auto shared = *static_cast<std::shared_ptr<Shared> *>(data);
    std::lock_guard<std::mutex> lock(shared->mutex);
    shared->noMorePads = true;
    shared->changed.notify_all();
}

// Streaming thread: the hold. Sticky events (stream-start, caps, segment, tags, EOS) go on
// and are stored on the pad; buffers and other serialized items wait.
GstPadProbeReturn TPadHub::holdProbe(GstPad *, GstPadProbeInfo *info, gpointer data)
{
    if (GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) {
        GstEvent *ev = GST_PAD_PROBE_INFO_EVENT(info);
        if (ev && GST_EVENT_IS_STICKY(ev))
            return GST_PAD_PROBE_PASS;
    }
    static_cast<HoldData *>(data)->dataSeen->store(true, std::memory_order_release);
    return GST_PAD_PROBE_OK;
}

void TPadHub::processPending()
{
    if (m_closed)
        return;
    std::vector<TGstPad> pads;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        pads.swap(m_shared->pending);
    }
    for (auto &p : pads)
        addStream(p);
}

void TPadHub::addStream(const TGstPad &pad)
{
    auto s = std::make_unique<Stream>();
    s->pad = pad;
    const gulong padHold = GPOINTER_TO_SIZE(g_object_get_data(G_OBJECT(pad.get()), "framix-hold"));
    g_object_set_data(G_OBJECT(pad.get()), "framix-hold", nullptr);
    s->hold = TGstProbe::adopt(pad, padHold);
    TGstElement q = MakeElement("queue");
    // Bounded by bytes only: while paused, a sink that prerolled stops its branch, and a
    // precise seek decodes the other branch from a key frame seconds before its target. A
    // queue limited to one second (the default) then fills and stops the demuxer before the
    // target frame arrives.
    if (q)
        g_object_set(q.get(), "max-size-time", guint64(0), "max-size-buffers", 0u, "max-size-bytes",
                     64u << 20, nullptr);
    const QString qname = m_name + QStringLiteral(" queue ") + QString::number(m_streams.size());
    if (q && !m_graph->addElementUnique(q, qname).isEmpty()) {
        // Hold the queue's output, then start the queue, and only then link the demuxer's pad
        // to it: a sticky event (the segment) pushed into a queue that is not active yet fails
        // as flushing, and the demuxer then stops its task for good before the hold is reached.
        TGstPad qsrc = TGstPad::adopt(gst_element_get_static_pad(q, "src"));
        auto *hd = new HoldData{s->dataSeen};
        TGstProbe queueHold = TGstProbe::add(
            qsrc, GstPadProbeType(GST_PAD_PROBE_TYPE_BLOCK | GST_PAD_PROBE_TYPE_DATA_DOWNSTREAM),
            &TPadHub::holdProbe, hd, [](gpointer p) { delete static_cast<HoldData *>(p); });
        gst_element_sync_state_with_parent(q);
        TGstPad qsink = TGstPad::adopt(gst_element_get_static_pad(q, "sink"));
        if (gst_pad_link(pad, qsink) == GST_PAD_LINK_OK) {
            s->queue = q;
            // Let the demuxer's pad go: the hold moves to the queue's output.
            s->hold = std::move(queueHold);
        } else {
            queueHold.reset();
            m_graph->removeElement(q);
        }
    }
    m_streams.push_back(std::move(s));
    if (m_settled)
        drain(*m_streams.back());
}

bool TPadHub::noMorePads() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->noMorePads;
}

bool TPadHub::hasEnded(GstPad *pad)
{
    GstEvent *eos = gst_pad_get_sticky_event(pad, GST_EVENT_EOS, 0);
    if (!eos)
        return false;
    gst_event_unref(eos);
    return true;
}

bool TPadHub::demuxEnded() const
{
    bool ended = false;
    GstIterator *it = gst_element_iterate_sink_pads(m_demux.get());
    GValue item = G_VALUE_INIT;
    while (!ended && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        ended = hasEnded(GST_PAD(g_value_get_object(&item)));
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return ended || innerDemuxerStopped();
}

// A demuxer inside the element (parsebin, decodebin) that reads in pull mode and has given up:
// its reading task is paused for good (a read past the end of a cut file) and it made no
// stream. Its error is the bin's to pass on, and parsebin does not always (a MOV cut in its
// media data: qtdemux said "no playable streams" and the wait sat out its five seconds). No
// seek comes during the wait, so nothing restarts it.
bool TPadHub::innerDemuxerStopped() const
{
    if (!GST_IS_BIN(m_demux.get()))
        return false;
    bool stopped = false;
    GstIterator *it = gst_bin_iterate_recurse(GST_BIN(m_demux.get()));
    GValue item = G_VALUE_INIT;
    while (!stopped && gst_iterator_next(it, &item) == GST_ITERATOR_OK) {
        auto *e = GST_ELEMENT(g_value_get_object(&item));
        // The element's pads under its lock, each pad's task under the pad's: one lock at a
        // time, and a reference that outlives both.
        std::vector<TGstPad> sinks;
        GST_OBJECT_LOCK(e);
        const bool noOutput = e->numsrcpads == 0;
        for (GList *l = e->sinkpads; l && noOutput; l = l->next)
            sinks.push_back(TGstPad::ref(GST_PAD(l->data)));
        GST_OBJECT_UNLOCK(e);
        for (const TGstPad &pad : sinks) {
            GST_OBJECT_LOCK(pad.get());
            GstTask *task = GST_PAD_MODE(pad.get()) == GST_PAD_MODE_PULL && GST_PAD_TASK(pad.get())
                                ? GST_TASK(gst_object_ref(GST_PAD_TASK(pad.get())))
                                : nullptr;
            GST_OBJECT_UNLOCK(pad.get());
            if (task) {
                stopped = stopped || gst_task_get_state(task) == GST_TASK_PAUSED;
                gst_object_unref(task);
            }
        }
        g_value_reset(&item);
    }
    g_value_unset(&item);
    gst_iterator_free(it);
    return stopped;
}

bool TPadHub::waitForPads(int timeoutMs)
{
    const auto start = Clock::now();
    m_settledOn = Settled::NotYet;
    const auto deadline = start + std::chrono::milliseconds(timeoutMs);
    // Errors counted since the hub was made: the elements start before this wait, and one that
    // fails at once (a file cut inside its headers) posts its error before the wait begins.
    const int errors0 = m_errorsAtStart;
    for (;;) {
        processPending();
        bool done = false;
        {
            std::unique_lock<std::mutex> lock(m_shared->mutex);
            // Known means with caps: some elements add a pad before its caps event. A stream
            // whose hold has something waiting cannot make progress until we act; when every
            // stream is in that state and no pad came for a while, the demuxer is waiting on
            // us, not discovering streams (some elements never say no-more-pads).
            // A stream that has ended (EOS went by the hold: a file cut short after its
            // headers) will bring nothing more either.
            bool allCaps = true, allBlocked = true, capsBlocked = true;
            for (auto &st : m_streams) {
                const TGstCaps c = TGstCaps::adopt(gst_pad_get_current_caps(st->pad));
                const bool ended = hasEnded(st->pad);
                const bool blocked = ended || st->dataSeen->load(std::memory_order_acquire);
                allCaps = allCaps && (c || ended);
                allBlocked = allBlocked && blocked;
                if (c)
                    capsBlocked = capsBlocked && blocked;
            }
            const auto quiet = Clock::now() - m_shared->lastPad;
            if (m_shared->pending.empty() && !m_streams.empty()) {
                if (allCaps && m_shared->noMorePads)
                    m_settledOn = Settled::NoMorePads;
                else if (allCaps && allBlocked && m_exposesGroups)
                    m_settledOn = Settled::GroupExposed;
                else if (allCaps && allBlocked && quiet > std::chrono::milliseconds(300))
                    m_settledOn = Settled::Quiet;
                else if (capsBlocked && quiet > std::chrono::milliseconds(1500))
                    m_settledOn = Settled::Stalled;
                done = m_settledOn != Settled::NotYet;
                if (done)
                    qCDebug(lcGst).noquote()
                        << "pad hub" << m_name << "settled after"
                        << std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count()
                        << "ms, on" << int(m_settledOn);
            } else if (m_shared->pending.empty() && (m_shared->noMorePads || demuxEnded())) {
                // No pad, and the input ended before the demuxer found any: none will come.
                m_settledOn = Settled::NoStream;
                done = true;
            }
            if (!done && Clock::now() < deadline && m_graph->errorCount() == errors0)
                m_shared->changed.wait_for(lock, std::chrono::milliseconds(10));
        }
        if (done || Clock::now() >= deadline || m_graph->errorCount() != errors0) {
            m_timedOut = !done && m_graph->errorCount() == errors0;
            if (!done)
                m_settledOn = m_timedOut ? Settled::TimedOut : Settled::Error;
            if (!done && lcGst().isDebugEnabled()) {
                std::lock_guard<std::mutex> lock(m_shared->mutex);
                qCDebug(lcGst).noquote()
                    << "pad hub" << m_name << (m_timedOut ? "timed out:" : "stopped by an error:")
                    << "no-more-pads" << m_shared->noMorePads << "pending" << m_shared->pending.size()
                    << "streams" << m_streams.size();
                for (auto &st : m_streams) {
                    const TGstCaps c = TGstCaps::adopt(gst_pad_get_current_caps(st->pad));
                    qCDebug(lcGst).noquote() << "  pad" << GST_PAD_NAME(st->pad.get()) << "caps" << bool(c)
                                             << "data" << st->dataSeen->load() << "queue" << bool(st->queue);
                }
            }
            break;
        }
        // A streaming thread may be waiting for the main thread: answer it.
        TMessageReceiverBase::servicePendingSent();
    }
    processPending();
    boundQueues();
    for (auto &s : m_streams)
        if (!s->queue)
            return false;
    return !m_streams.empty();
}

// Main thread, once the streams are known: each branch's queue gets the bound of its kind.
// - Video: a few seconds. Once every sink of a paused graph has its frame, the demuxer reads
//   on until one queue is full; bounded by bytes only, a video queue took 64 MB of frames
//   (455 DV frames) after every seek, read for nothing and thrown away by the next one. The
//   video's queue only waits for the other streams' data of the same instant, which a file
//   interleaves within a second or two.
// - Audio: deep, and leaky. It is the queue that waits while the video decodes from its key
//   frame to a precise target. But frame steps of a paused graph move only the video on:
//   the prerolled audio sink takes nothing, and the audio queue filled until it stopped the
//   demuxer, so that every 350th DV frame step waited out its time-out (5 s) before a seek
//   emptied it. Past half a minute the oldest audio goes instead: nobody hears a paused
//   graph, and a sink that plays again drops what lies behind the video anyway.
void TPadHub::boundQueues()
{
    for (int i = 0; i < count(); ++i) {
        GstElement *queue = m_streams[size_t(i)]->queue.get();
        if (!queue)
            continue;
        switch (kind(i)) {
        case Kind::Video:
            g_object_set(queue, "max-size-time", kVideoQueueNs, nullptr);
            break;
        case Kind::Audio:
            g_object_set(queue, "max-size-time", kAudioQueueNs, nullptr);
            gst_util_set_object_arg(G_OBJECT(queue), "leaky", "downstream");
            break;
        default:
            break;
        }
    }
}

TPadHub::Kind TPadHub::kindOfCaps(GstCaps *caps)
{
    if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps))
        return Kind::Other;
    const GstStructure *st = gst_caps_get_structure(caps, 0);
    const char *name = gst_structure_get_name(st);
    gboolean sys = FALSE;
    if (g_str_equal(name, "video/x-dv")) {
        if (gst_structure_get_boolean(st, "systemstream", &sys) && sys)
            return Kind::Interleaved;
        return Kind::Video;
    }
    if (g_str_equal(name, "video/mpegts") ||
        (g_str_equal(name, "video/mpeg") && gst_structure_get_boolean(st, "systemstream", &sys) && sys))
        return Kind::Stream;
    if (g_str_has_prefix(name, "video/") || g_str_has_prefix(name, "image/"))
        return Kind::Video;
    if (g_str_has_prefix(name, "audio/"))
        return Kind::Audio;
    return Kind::Other;
}

TGstCaps TPadHub::caps(int i) const
{
    if (i < 0 || i >= count())
        return {};
    return TGstCaps::adopt(gst_pad_get_current_caps(m_streams[i]->pad));
}

TPadHub::Kind TPadHub::kind(int i) const
{
    return kindOfCaps(caps(i));
}

TMediaType TPadHub::mediaType(int i) const
{
    TGstCaps c = caps(i);
    return c ? TMediaType::fromCaps(c) : TMediaType();
}

int TPadHub::indexOf(Kind k, int n) const
{
    for (int i = 0; i < count(); ++i)
        if (kind(i) == k && n-- == 0)
            return i;
    return -1;
}

bool TPadHub::endedEmpty(int i) const
{
    if (i < 0 || i >= int(m_streams.size()))
        return false;
    const Stream &s = *m_streams[size_t(i)];
    return hasEnded(s.pad) && !s.dataSeen->load(std::memory_order_acquire);
}

void TPadHub::hold(Stream &s)
{
    if (s.hold || !s.queue)
        return;
    TGstPad qsrc = TGstPad::adopt(s.queueSrc());
    auto *hd = new HoldData{s.dataSeen};
    s.hold =
        TGstProbe::add(qsrc, GstPadProbeType(GST_PAD_PROBE_TYPE_BLOCK | GST_PAD_PROBE_TYPE_DATA_DOWNSTREAM),
                       &TPadHub::holdProbe, hd, [](gpointer p) { delete static_cast<HoldData *>(p); });
}

void TPadHub::unhold(Stream &s)
{
    s.hold.reset();
}

void TPadHub::drain(Stream &s)
{
    if (s.drain || s.claimant || !s.queue)
        return;
    s.drain = std::make_unique<TPassThrough>();
    if (m_graph->addElementUnique(s.drain->element(), m_name + QStringLiteral(" drain")).isEmpty()) {
        s.drain.reset();
        return;
    }
    TGstPad qsrc = TGstPad::adopt(s.queueSrc());
    gst_pad_link(qsrc, s.drain->sinkPad());
    gst_element_sync_state_with_parent(s.drain->element());
    unhold(s);
}

void TPadHub::undrain(Stream &s)
{
    if (!s.drain)
        return;
    hold(s);
    // A drain never blocks: the queue's thread leaves it at once.
    s.drain->detach();
    m_graph->removeElement(s.drain->element());
    s.drain.reset();
}

// Main thread, from within gst_pad_link on the claimant's output.
void TPadHub::onClaimantLinked(GstPad *, GstPad *, gpointer data)
{
    auto *s = static_cast<Stream *>(data);
    s->hold.reset();
}

bool TPadHub::claim(int i, TPassThrough *claimant)
{
    if (i < 0 || i >= count() || !claimant)
        return false;
    Stream &s = *m_streams[i];
    if (s.claimant || !s.queue)
        return false;
    undrain(s);
    hold(s);
    TGstPad qsrc = TGstPad::adopt(s.queueSrc());
    claimant->attach();
    if (gst_pad_link(qsrc, claimant->sinkPad()) != GST_PAD_LINK_OK) {
        if (m_settled)
            drain(s);
        return false;
    }
    s.claimant = claimant;
    TGstPad out = TGstPad::adopt(gst_pad_get_peer(claimant->srcPad()));
    if (out || m_settled)
        unhold(s);
    else
        s.linkedId =
            g_signal_connect(claimant->srcPad(), "linked", G_CALLBACK(&TPadHub::onClaimantLinked), &s);
    return true;
}

bool TPadHub::release(int i)
{
    if (i < 0 || i >= count())
        return false;
    Stream &s = *m_streams[i];
    TPassThrough *c = s.claimant;
    if (!c)
        return false;
    if (s.linkedId) {
        g_signal_handler_disconnect(c->srcPad(), s.linkedId);
        s.linkedId = 0;
    }
    hold(s);
    c->detach();
    // Release a streaming thread that is inside the claimant and blocked further down (a sink
    // waiting for preroll): flush only what lies downstream of the claimant.
    TGstPad down = TGstPad::adopt(gst_pad_get_peer(c->srcPad()));
    if (down) {
        gst_pad_push_event(c->srcPad(), gst_event_new_flush_start());
        gst_pad_push_event(c->srcPad(), gst_event_new_flush_stop(FALSE));
    }
    TGstPad qsrc = TGstPad::adopt(s.queueSrc());
    gst_pad_unlink(qsrc, c->sinkPad());
    s.claimant = nullptr;
    if (m_settled)
        drain(s);
    return true;
}

bool TPadHub::isClaimed(int i) const
{
    return i >= 0 && i < count() && m_streams[i]->claimant;
}

TPassThrough *TPadHub::claimant(int i) const
{
    return i >= 0 && i < count() ? m_streams[i]->claimant : nullptr;
}

void TPadHub::settle()
{
    processPending();
    m_settled = true;
    for (auto &s : m_streams) {
        if (s->claimant) {
            if (s->linkedId) {
                g_signal_handler_disconnect(s->claimant->srcPad(), s->linkedId);
                s->linkedId = 0;
            }
            unhold(*s);
        } else {
            drain(*s);
        }
    }
}

void TPadHub::close()
{
    if (m_closed)
        return;
    m_closed = true;
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->hub = nullptr;
    }
    if (m_padAddedId)
        g_signal_handler_disconnect(m_demux, m_padAddedId);
    if (m_noMorePadsId)
        g_signal_handler_disconnect(m_demux, m_noMorePadsId);
    m_padAddedId = m_noMorePadsId = 0;
    for (int i = 0; i < count(); ++i)
        release(i);
    for (auto &s : m_streams) {
        if (s->drain) {
            s->drain->detach();
            m_graph->removeElement(s->drain->element());
            s->drain.reset();
        }
        unhold(*s);
        if (s->queue)
            m_graph->removeElement(s->queue);
    }
    m_streams.clear();
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    m_shared->pending.clear();
}
