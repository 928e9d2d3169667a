#include "media/gst/TGstGraph.h"

#include "core/FramixLog.h"

#include <QMetaObject>

#include <deque>
#include <mutex>

TGstElement MakeElement(const char *factory, const char *name)
{
    return TGstElement::sink(gst_element_factory_make(factory, name));
}

// Shared between the graph and the bus sync handler, which runs on whatever thread posts a
// message. The graph clears `graph` under the mutex before it goes away, so the handler never
// posts to a dead object. Only Qt event posting happens under the mutex.
struct TGstGraph::BusContext
{
    std::mutex mutex;
    TGstGraph *graph = nullptr;
    std::atomic<int> *errors = nullptr;
    // The posting objects' paths of the last errors, with the count each one made.
    std::deque<std::pair<int, QString>> sources;
};

TGstGraph::TGstGraph(const QString &name, QObject *parent) : QObject(parent)
{
    m_pipeline = TGstElement::sink(gst_pipeline_new(name.toUtf8().constData()));
    m_busContext = std::make_shared<BusContext>();
    m_busContext->graph = this;
    m_busContext->errors = &m_errors;
    TGstBus bus = TGstBus::adopt(gst_pipeline_get_bus(GST_PIPELINE(m_pipeline.get())));
    // The context outlives the handler: the bus holds a reference to a heap copy of the
    // shared pointer, released when the handler is replaced or the bus dies.
    auto *holder = new std::shared_ptr<BusContext>(m_busContext);
    gst_bus_set_sync_handler(bus, &TGstGraph::busSync, holder,
                             [](gpointer p) { delete static_cast<std::shared_ptr<BusContext> *>(p); });
    // The graph lives in the stopped mode (PAUSED) from its creation.
    setState(GST_STATE_PAUSED);
}

TGstGraph::~TGstGraph()
{
    {
        std::lock_guard<std::mutex> lock(m_busContext->mutex);
        m_busContext->graph = nullptr;
        m_busContext->errors = nullptr;
    }
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
    TGstBus bus = TGstBus::adopt(gst_pipeline_get_bus(GST_PIPELINE(m_pipeline.get())));
    gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
    // Children go with the pipeline's last reference; owners of C++ wrappers (pass-through
    // elements) hold their own references and stop them in their own destructors.
}

// Any thread: the posting element's thread. Every message is dropped here, and a sync handler
// that drops a message owns it: it is released on the way out (EOS and errors travel on to the
// main thread with a reference of their own). A message left alive would keep its source, and
// with it the whole pipeline, alive for good.
GstBusSyncReply TGstGraph::busSync(GstBus *, GstMessage *msg, gpointer data)
{
    TGstMessage owned = TGstMessage::adopt(msg);
    auto ctx = *static_cast<std::shared_ptr<BusContext> *>(data);
    const GstMessageType t = GST_MESSAGE_TYPE(msg);
    if (t != GST_MESSAGE_EOS && t != GST_MESSAGE_ERROR)
        return GST_BUS_DROP;
    std::lock_guard<std::mutex> lock(ctx->mutex);
    if (!ctx->graph)
        return GST_BUS_DROP;
    if (t == GST_MESSAGE_ERROR && ctx->errors) {
        const int n = ctx->errors->fetch_add(1, std::memory_order_acq_rel) + 1;
        if (GST_MESSAGE_SRC(msg)) {
            gchar *path = gst_object_get_path_string(GST_MESSAGE_SRC(msg));
            ctx->sources.emplace_back(n, QString::fromUtf8(path));
            g_free(path);
            if (ctx->sources.size() > std::size_t(kErrorSources))
                ctx->sources.pop_front();
        }
    }
    TGstGraph *g = ctx->graph;
    QMetaObject::invokeMethod(
        g, [g, m = std::move(owned)] { g->handleMessage(m); }, Qt::QueuedConnection);
    return GST_BUS_DROP;
}

QStringList TGstGraph::errorSourcesSince(int since) const
{
    QStringList out;
    std::lock_guard<std::mutex> lock(m_busContext->mutex);
    for (const auto &[n, e] : m_busContext->sources)
        if (n > since)
            out << e;
    return out;
}

void TGstGraph::handleMessage(GstMessage *msg)
{
    switch (GST_MESSAGE_TYPE(msg)) {
    case GST_MESSAGE_EOS:
        qCDebug(lcGst) << "end of stream";
        Q_EMIT completed();
        break;
    case GST_MESSAGE_ERROR: {
        TGError err;
        TGChars dbg;
        gst_message_parse_error(msg, err.out(), dbg.out());
        QString text = err ? QString::fromUtf8(err.message()) : QString();
        QString debug = QString::fromUtf8(dbg.get());
        m_lastError = text;
        qCWarning(lcGst).noquote() << "error from" << (GST_MESSAGE_SRC(msg) ? GST_MESSAGE_SRC_NAME(msg) : "?")
                                   << text << "--" << debug;
        Q_EMIT errorOccurred(text, debug);
        break;
    }
    default:
        break;
    }
}

// --- graph surgery ---------------------------------------------------------------------------

bool TGstGraph::contains(GstElement *e) const
{
    return e && GST_OBJECT_PARENT(e) == GST_OBJECT(m_pipeline.get());
}

TGstElement TGstGraph::findElement(const QString &name) const
{
    const QByteArray n = name.toUtf8();
    TGstElement found;
    GST_OBJECT_LOCK(m_pipeline.get());
    for (GList *l = GST_BIN_CHILDREN(m_pipeline.get()); l; l = l->next) {
        if (g_strcmp0(GST_OBJECT_NAME(l->data), n.constData()) == 0) {
            found = TGstElement::ref(GST_ELEMENT(l->data));
            break;
        }
    }
    GST_OBJECT_UNLOCK(m_pipeline.get());
    return found;
}

std::vector<TGstElement> TGstGraph::elements() const
{
    std::vector<TGstElement> out;
    GST_OBJECT_LOCK(m_pipeline.get());
    for (GList *l = GST_BIN_CHILDREN(m_pipeline.get()); l; l = l->next)
        out.push_back(TGstElement::ref(GST_ELEMENT(l->data)));
    GST_OBJECT_UNLOCK(m_pipeline.get());
    return out;
}

bool TGstGraph::addElement(GstElement *e, const QString &name)
{
    if (!e || GST_OBJECT_PARENT(e) || name.isEmpty() || findElement(name))
        return false;
    if (!gst_object_set_name(GST_OBJECT(e), name.toUtf8().constData()))
        return false;
    return gst_bin_add(bin(), e);
}

QString TGstGraph::addElementUnique(GstElement *e, const QString &base)
{
    if (addElement(e, base))
        return base;
    for (int n = 1; n < 1000; ++n) {
        const QString name = base + QLatin1Char('_') + QString::number(n);
        if (addElement(e, name))
            return name;
        if (!e || GST_OBJECT_PARENT(e))
            break;
    }
    return {};
}

bool TGstGraph::removeElement(GstElement *e)
{
    if (!contains(e))
        return false;
    TGstElement keep = TGstElement::ref(e);
    const bool live = m_target >= GST_STATE_PAUSED;
    std::vector<TPinInfo> ps = pins(e);
    // Release any streaming thread inside e: the flush enters through e's own sink pads, so
    // it travels downstream from e and never upstream of it.
    if (live) {
        for (auto &p : ps)
            if (p.direction == GST_PAD_SINK && p.peer)
                gst_pad_send_event(p.pad, gst_event_new_flush_start());
    }
    std::vector<TGstPad> downstream;
    for (auto &p : ps) {
        if (!p.peer)
            continue;
        if (p.direction == GST_PAD_SRC) {
            gst_pad_unlink(p.pad, p.peer);
            downstream.push_back(p.peer);
        } else {
            gst_pad_unlink(p.peer, p.pad);
        }
    }
    gst_element_set_state(e, GST_STATE_NULL);
    const bool ok = gst_bin_remove(bin(), e);
    // What stays downstream was flushed with e: let it take data again.
    if (live) {
        for (auto &d : downstream)
            gst_pad_send_event(d, gst_event_new_flush_stop(FALSE));
    }
    return ok;
}

TPinInfo TGstGraph::pinInfo(GstPad *pad)
{
    TPinInfo info;
    if (!pad)
        return info;
    info.pad = TGstPad::ref(pad);
    info.direction = GST_PAD_DIRECTION(pad);
    info.peer = TGstPad::adopt(gst_pad_get_peer(pad));
    info.caps = TGstCaps::adopt(gst_pad_get_current_caps(pad));
    if (info.caps)
        info.type = TMediaType::fromCaps(info.caps);
    return info;
}

std::vector<TPinInfo> TGstGraph::pins(GstElement *e)
{
    std::vector<TGstPad> pads;
    if (!e)
        return {};
    GST_OBJECT_LOCK(e);
    for (GList *l = GST_ELEMENT_PADS(e); l; l = l->next)
        pads.push_back(TGstPad::ref(GST_PAD(l->data)));
    GST_OBJECT_UNLOCK(e);
    std::vector<TPinInfo> out;
    out.reserve(pads.size());
    for (auto &p : pads)
        out.push_back(pinInfo(p));
    return out;
}

bool TGstGraph::link(GstPad *src, GstPad *sink, GstCaps *caps)
{
    if (!src || !sink || GST_PAD_DIRECTION(src) != GST_PAD_SRC || GST_PAD_DIRECTION(sink) != GST_PAD_SINK)
        return false;
    if (caps) {
        for (GstPad *p : {src, sink}) {
            TGstCaps can = TGstCaps::adopt(gst_pad_query_caps(p, nullptr));
            if (!can || !gst_caps_can_intersect(can, caps))
                return false;
        }
    }
    return gst_pad_link_full(src, sink, GST_PAD_LINK_CHECK_DEFAULT) == GST_PAD_LINK_OK;
}

bool TGstGraph::unlink(GstPad *pad)
{
    if (!pad)
        return false;
    TGstPad peer = TGstPad::adopt(gst_pad_get_peer(pad));
    if (!peer)
        return false;
    return GST_PAD_DIRECTION(pad) == GST_PAD_SRC ? gst_pad_unlink(pad, peer) : gst_pad_unlink(peer, pad);
}

void TGstGraph::clear()
{
    gst_element_set_state(m_pipeline, GST_STATE_NULL);
    m_target = GST_STATE_NULL;
    for (auto &e : elements()) {
        gst_element_set_state(e, GST_STATE_NULL);
        gst_bin_remove(bin(), e);
    }
    m_rate = 1.0;
    m_stopped = true;
    setState(GST_STATE_PAUSED);
}

// --- control -----------------------------------------------------------------------------------

bool TGstGraph::setState(GstState s)
{
    m_target = s;
    const GstStateChangeReturn r = gst_element_set_state(m_pipeline, s);
    qCDebug(lcGst).nospace() << "graph to " << gst_element_state_get_name(s)
                             << (m_stopped ? " (stopped)" : "") << ": "
                             << gst_element_state_change_return_get_name(r);
    return r != GST_STATE_CHANGE_FAILURE;
}

bool TGstGraph::run()
{
    m_stopped = false;
    return setState(GST_STATE_PLAYING);
}

bool TGstGraph::pause()
{
    m_stopped = false;
    return setState(GST_STATE_PAUSED);
}

bool TGstGraph::stop()
{
    m_stopped = true;
    return setState(GST_STATE_PAUSED);
}

TGstGraph::State TGstGraph::queryState(int timeoutMs)
{
    GstState cur = GST_STATE_NULL, pending = GST_STATE_VOID_PENDING;
    const GstStateChangeReturn r =
        gst_element_get_state(m_pipeline, &cur, &pending, GstClockTime(timeoutMs) * GST_MSECOND);
    if (r == GST_STATE_CHANGE_FAILURE)
        return State::Failed;
    if (r == GST_STATE_CHANGE_ASYNC)
        return State::Changing;
    if (cur == GST_STATE_PLAYING)
        return State::Running;
    if (cur == GST_STATE_PAUSED)
        return m_stopped ? State::Stopped : State::Paused;
    return State::Stopped;
}

// --- seeking -----------------------------------------------------------------------------------

bool TGstGraph::canSeek()
{
    TGstQuery q = TGstQuery::adopt(gst_query_new_seeking(GST_FORMAT_TIME));
    if (!gst_element_query(m_pipeline, q))
        return false;
    gboolean seekable = FALSE;
    gst_query_parse_seeking(q, nullptr, &seekable, nullptr, nullptr);
    return seekable;
}

bool TGstGraph::seek(int64_t pos, bool fromKeyFrame)
{
    if (pos < 0)
        pos = 0;
    const GstSeekFlags flags =
        fromKeyFrame ? GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_KEY_UNIT | GST_SEEK_FLAG_SNAP_BEFORE)
                     : GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE);
    const bool ok = gst_element_seek(m_pipeline, m_rate, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, pos * 100,
                                     GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
    qCDebug(lcGst) << "seek to" << pos * 100 << "ns at rate" << m_rate
                   << (fromKeyFrame ? "from its key frame" : "") << (ok ? "sent" : "refused");
    return ok;
}

int64_t TGstGraph::position()
{
    gint64 ns = -1;
    if (!gst_element_query_position(m_pipeline, GST_FORMAT_TIME, &ns) || ns < 0)
        return -1;
    return ns / 100;
}

int64_t TGstGraph::duration()
{
    gint64 ns = -1;
    if (!gst_element_query_duration(m_pipeline, GST_FORMAT_TIME, &ns) || ns < 0)
        return -1;
    return ns / 100;
}

bool TGstGraph::setRate(double rate)
{
    if (rate == m_rate)
        return true;
    if (elements().empty()) {
        m_rate = rate;
        return true;
    }
    int64_t pos = position();
    if (pos < 0)
        pos = 0;
    const bool ok = gst_element_seek(m_pipeline, rate, GST_FORMAT_TIME,
                                     GstSeekFlags(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                                     GST_SEEK_TYPE_SET, pos * 100, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE);
    if (ok)
        m_rate = rate;
    return ok;
}

// --- clock -------------------------------------------------------------------------------------

void TGstGraph::setClockEnabled(bool enabled)
{
    if (enabled == m_clockEnabled)
        return;
    m_clockEnabled = enabled;
    if (enabled)
        gst_pipeline_auto_clock(GST_PIPELINE(m_pipeline.get()));
    else
        gst_pipeline_use_clock(GST_PIPELINE(m_pipeline.get()), nullptr);
    // The clock is chosen when the pipeline goes to PLAYING: a running graph takes the new
    // choice through a short pause.
    if (m_target == GST_STATE_PLAYING) {
        gst_element_set_state(m_pipeline, GST_STATE_PAUSED);
        gst_element_set_state(m_pipeline, GST_STATE_PLAYING);
    }
}
