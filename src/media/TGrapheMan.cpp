#include "media/TGrapheMan.h"

#include "core/TMessageReceiver.h"
#include "media/gst/TPadHub.h"

namespace {

TGstElement parentOf(GstPad *pad)
{
    return pad ? TGstElement::adopt(gst_pad_get_parent_element(pad)) : TGstElement();
}

TGstPad firstPad(GstElement *e, GstPadDirection dir)
{
    for (auto &p : TGstGraph::pins(e))
        if (p.direction == dir)
            return p.pad;
    return {};
}

constexpr int kMaxDepth = 64; // graphs here are a dozen elements deep; this only stops cycles

} // namespace

TGrapheMan::TGrapheMan(QObject *parent)
    : TVDActionComponent(parent), m_graph(std::make_unique<TGstGraph>(QStringLiteral("Filtergraph")))
{
    connect(m_graph.get(), &TGstGraph::completed, this, [this] { GraphComplete(TGraphOutcome::Succeeded); });
    connect(m_graph.get(), &TGstGraph::errorOccurred, this, [this](const QString &text, const QString &) {
        GraphComplete(TGraphOutcome::Failed);
        if (OnGraphError)
            OnGraphError(text);
    });
}

TGrapheMan::~TGrapheMan()
{
    StopStreaming();
}

void TGrapheMan::StopStreaming()
{
    if (m_streamingStopped)
        return;
    m_streamingStopped = true;
    TMessageReceiverBase::servicePendingSent();
    for (TPadHub *h : m_hubs)
        h->close();
    m_graph->clear();
    TMessageReceiverBase::servicePendingSent();
}

TGstGraph::State TGrapheMan::WaitForState()
{
    // Polls of 5 ms, the sent messages answered between them: a streaming thread that asks the
    // main thread something during the change does not wait out a long poll. A graph that once
    // did not settle within the wait (a damaged file that never prerolls) gets 40 ms, not the
    // whole 1.2 s, until it settles: every state change of an open would add its own 1.2 s, and
    // the window would not answer for seconds.
    const int rounds = m_unsettled ? 8 : 240;
    TGstGraph::State s = TGstGraph::State::Changing;
    for (int i = 0; i < rounds; ++i) {
        s = m_graph->queryState(5);
        if (s != TGstGraph::State::Changing)
            break;
        TMessageReceiverBase::servicePendingSent();
    }
    m_unsettled = s == TGstGraph::State::Changing;
    return s;
}

void TGrapheMan::RegisterHub(TPadHub *hub)
{
    if (hub && !m_hubs.contains(hub))
        m_hubs.append(hub);
}

void TGrapheMan::UnregisterHub(TPadHub *hub)
{
    m_hubs.removeAll(hub);
}

void TGrapheMan::SettleHubs()
{
    // A copy: settling may add pads that are handled at once.
    const auto hubs = m_hubs;
    for (TPadHub *h : hubs)
        h->settle();
}

bool TGrapheMan::ChangeState(bool (TGstGraph::*change)(), TGrapheManState reached)
{
    SettleHubs();
    const bool ok = (m_graph.get()->*change)();
    // The outcome of the wait is not used: the report depends on the request only.
    WaitForState();
    if (ok) {
        m_state = reached;
        if (OnStateChange)
            OnStateChange(reached);
    }
    return ok;
}

bool TGrapheMan::Play()
{
    // Settled before the rate's seek too, so that no unclaimed stream holds it up.
    SettleHubs();
    m_graph->setRate(FastMode ? 4.0 : 1.0);
    return ChangeState(&TGstGraph::run, TGrapheManState::gmPlaying);
}

bool TGrapheMan::Pause()
{
    return ChangeState(&TGstGraph::pause, TGrapheManState::gmPaused);
}

bool TGrapheMan::Stop()
{
    return ChangeState(&TGstGraph::stop, TGrapheManState::gmStopped);
}

bool TGrapheMan::FastOn()
{
    FastMode = true;
    if (OnVitesseRapide)
        OnVitesseRapide(true);
    return m_graph->setRate(4.0);
}

bool TGrapheMan::FastOff()
{
    FastMode = false;
    if (OnVitesseRapide)
        OnVitesseRapide(false);
    return m_graph->setRate(1.0);
}

void TGrapheMan::GraphComplete(TGraphOutcome outcome)
{
    if (outcome == TGraphOutcome::Succeeded && OnGraphCompleted)
        OnGraphCompleted();
}

void TGrapheMan::ClearGraph()
{
    TMessageReceiverBase::servicePendingSent();
    for (TPadHub *h : m_hubs)
        h->close();
    m_graph->clear();
    m_state = TGrapheManState::gmStopped;
    m_unsettled = false;
}

// --- graph surgery -------------------------------------------------------------------------------

bool TGrapheMan::InsertFilter(GstElement *filter, GstPad *pin, int side)
{
    if (!filter || !pin)
        return false;
    TGstPad peer = TGstPad::adopt(gst_pad_get_peer(pin));
    if (!peer)
        return false;
    TGstPad first = firstPad(filter, GST_PAD_SINK);
    TGstPad second = firstPad(filter, GST_PAD_SRC);
    if (!first || !second)
        return false;
    TGstPad out = side == 1 ? TGstPad::ref(pin) : peer;
    TGstPad in = side == 1 ? peer : TGstPad::ref(pin);
    TGstCaps saved = TGstCaps::adopt(gst_pad_get_current_caps(out));
    // Keep data away from the pads being changed.
    const TGstProbe block = TGstProbe::add(out, GST_PAD_PROBE_TYPE_BLOCK_DOWNSTREAM);
    gst_pad_unlink(out, in);
    bool ok = TGstGraph::link(out, first) && TGstGraph::link(second, in);
    if (!ok) {
        if (gst_pad_is_linked(first))
            TGstGraph::unlink(first);
        if (gst_pad_is_linked(second))
            TGstGraph::unlink(second);
        // Back as before: the first pair again, with the media type it had.
        if (!TGstGraph::link(out, in, saved))
            TGstGraph::link(out, in);
    } else {
        gst_element_sync_state_with_parent(filter);
    }
    return ok;
}

bool TGrapheMan::IsUpstreamRec(GstElement *a, GstElement *b, int depth)
{
    if (!a || !b || depth > kMaxDepth)
        return false;
    for (auto &p : TGstGraph::pins(a)) {
        if (p.direction != GST_PAD_SINK || !p.peer)
            continue;
        TGstElement f = parentOf(p.peer);
        if (!f)
            continue;
        if (f.get() == b || IsUpstreamRec(f, b, depth + 1))
            return true;
    }
    return false;
}

bool TGrapheMan::IsUpstream(GstElement *a, GstElement *b)
{
    return IsUpstreamRec(a, b, 0);
}

bool TGrapheMan::RemoveUpstreamChainRec(GstElement *a, GstElement *b, int depth)
{
    if (depth > kMaxDepth)
        return false;
    for (auto &p : TGstGraph::pins(a)) {
        if (p.direction != GST_PAD_SINK || !p.peer)
            continue;
        gst_pad_unlink(p.peer, p.pad);
        TGstElement f = parentOf(p.peer);
        if (!f || f.get() == b)
            break;
        if (IsUpstream(f, b)) {
            RemoveUpstreamChainRec(f, b, depth + 1);
            if (!m_graph->removeElement(f))
                break;
        }
    }
    return true;
}

bool TGrapheMan::RemoveUpstreamChain(GstElement *a, GstElement *b)
{
    if (!a || !b || a == b || !IsUpstream(a, b))
        return false;
    return RemoveUpstreamChainRec(a, b, 0);
}

void TGrapheMan::RemoveBetweenRec(GstElement *a, GstElement *b, int depth)
{
    if (depth > kMaxDepth || a == b)
        return;
    for (auto &p : TGstGraph::pins(a)) {
        if (p.direction != GST_PAD_SINK || !p.peer)
            continue;
        gst_pad_unlink(p.peer, p.pad);
        TGstElement f = parentOf(p.peer);
        if (!f || f.get() == b)
            break;
        RemoveBetweenRec(f, b, depth + 1);
        m_graph->removeElement(f);
    }
    for (auto &p : TGstGraph::pins(b)) {
        if (p.direction != GST_PAD_SRC || !p.peer)
            continue;
        gst_pad_unlink(p.pad, p.peer);
        TGstElement f = parentOf(p.peer);
        if (!f || f.get() == a)
            break;
        RemoveBetweenRec(a, f, depth + 1);
        m_graph->removeElement(f);
    }
}

bool TGrapheMan::RemoveBetween(GstElement *a, GstElement *b)
{
    if (!a || !b)
        return false;
    RemoveBetweenRec(a, b, 0);
    return true;
}
