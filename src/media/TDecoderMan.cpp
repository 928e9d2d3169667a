#include "media/TDecoderMan.h"

#include "core/FramixLog.h"
#include "core/TMessageReceiver.h"
#include "media/TGrapheMan.h"
#include "media/TPictureStamper.h"
#include "media/gst/TMediaType.h"

#include <QThread>

#include <cstring>

namespace {

// Marks the parsers this manager puts in front of a decoder.
const char *const kParserMark = "framix-decoder-parser";

TGstPad firstPad(GstElement *e, GstPadDirection dir)
{
    for (auto &p : TGstGraph::pins(e))
        if (p.direction == dir)
            return p.pad;
    return {};
}

TGstElement peerElement(GstPad *pad)
{
    TGstPad peer = TGstPad::adopt(pad ? gst_pad_get_peer(pad) : nullptr);
    return peer ? TGstElement::adopt(gst_pad_get_parent_element(peer)) : TGstElement();
}

// Holds the samples (and serialized events) leaving a pad while the chain behind it changes.
TGstProbe holdOutput(GstPad *pad)
{
    return TGstProbe::add(pad, GST_PAD_PROBE_TYPE_BLOCK_DOWNSTREAM);
}

// A libav video decoder left to choose its own thread count takes one per core, and its
// frame threads then wait on each other: on two cores a 1080p H.264 stream decodes some 20 %
// slower than with one thread more, which is what ffmpeg's own automatic count is. An
// explicit count (the private filters' properties) is kept.
void tuneDecoderThreads(GstElement *dec)
{
    GstElementFactory *f = dec ? gst_element_get_factory(dec) : nullptr;
    const char *klass = f ? gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_KLASS) : nullptr;
    if (!klass || !strstr(klass, "Decoder") || !strstr(klass, "Video"))
        return;
    GParamSpec *spec = g_object_class_find_property(G_OBJECT_GET_CLASS(dec), "max-threads");
    if (!spec || spec->value_type != G_TYPE_INT)
        return;
    int threads = -1;
    g_object_get(dec, "max-threads", &threads, nullptr);
    if (threads == 0)
        g_object_set(dec, "max-threads", QThread::idealThreadCount() + 1, nullptr);
}

} // namespace

TDecoderMan::TDecoderMan(QObject *parent) : QObject(parent)
{}

TDecoderMan::~TDecoderMan() = default;

void TDecoderMan::Configure(TDecoderLinks *defaults, TDecoderLinks *learned, TFilterRec *noneRec)
{
    Defaults = defaults;
    Learned = learned;
    NoneRec = noneRec;
}

void TDecoderMan::ResetChoice()
{
    Excluded.clear();
    Next = 0;
    Phase = 0;
}

GstElement *TDecoderMan::DecoderElement() const
{
    return Current && Current != NoneRec ? m_decoder : nullptr;
}

QByteArray TDecoderMan::CurrentFactory() const
{
    return TDecoderWalk::FactoryName(DecoderElement());
}

bool TDecoderMan::IsExcluded(GstElementFactory *f) const
{
    return f && Excluded.contains(FactoryGuid(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f))).toString());
}

void TDecoderMan::Exclude(const TGuid &clsid)
{
    const QString text = clsid.toString();
    if (!Excluded.contains(text))
        Excluded.append(text);
}

bool TDecoderMan::ConnectDecoder(GstElement *upstream, GstElement *downstream)
{
    if (!Graph || !upstream || !downstream)
        return false;
    // Another stream: its own picture clock. Upstream holds the previous element, so no new
    // one can come at its address.
    if (!m_streamClock || Upstream.get() != upstream)
        m_streamClock = std::make_shared<TPictureStamper::TStreamClock>();
    Upstream = TGstElement::ref(upstream);
    Downstream = TGstElement::ref(downstream);
    m_out = firstPad(upstream, GST_PAD_SRC);
    m_in = firstPad(downstream, GST_PAD_SINK);
    if (!m_out || !m_in || gst_pad_is_linked(m_out) || gst_pad_is_linked(m_in))
        return false;
    // The stream's type: the caps of the upstream input (a pass-through element), else the
    // caps its output already carries.
    m_caps = StreamCaps(upstream);
    if (!m_caps)
        return false;
    const TMediaType mt = TMediaType::fromCaps(m_caps);
    MajorType = mt.majortype;
    SubType = mt.subtype;
    FormatType = mt.formattype;

    const TGstProbe hold = holdOutput(m_out);
    if (Phase == 0) {
        Phase = 1;
        Next = 0;
    }
    if (Phase == 1) {
        while (Next < Candidates.size()) {
            TFilterRec *rec = Candidates[Next++];
            if (TryDecoder(rec))
                return true;
        }
        Phase = 2;
        Next = 0;
        Excluded.clear();
        if (Defaults)
            for (const TDecoderLink &l : *Defaults)
                if (l.Decoder && l.Fits(Key()))
                    Exclude(l.Decoder->Clsid);
    }
    return AutoConnect();
}

TGstCaps TDecoderMan::StreamCaps(GstElement *upstream)
{
    TGstPad input = firstPad(upstream, GST_PAD_SINK);
    TGstPad feeder = TGstPad::adopt(input ? gst_pad_get_peer(input) : nullptr);
    // The caps of a stream just claimed may still wait on the pad that feeds the upstream
    // element (its thread is held until a chain is behind it), or be on their way.
    for (int i = 0; i < 50; ++i) {
        for (GstPad *p : {input.get(), m_out.get(), feeder.get()}) {
            TGstCaps caps = TGstCaps::adopt(p ? gst_pad_get_current_caps(p) : nullptr);
            if (caps) {
                if (i > 0)
                    qCDebug(lcMedia) << "stream caps came after" << i << "waits of 20 ms";
                return caps;
            }
        }
        TMessageReceiverBase::servicePendingSent();
        g_usleep(20000);
    }
    // Still none: what the element upstream offers, when that is one type.
    TGstCaps offered = TGstCaps::adopt(input ? gst_pad_peer_query_caps(input, nullptr) : nullptr);
    return offered && gst_caps_is_fixed(offered) ? offered : TGstCaps();
}

bool TDecoderMan::LinkThrough(GstElementFactory *parserFactory, GstElement *decoder)
{
    TGstGraph *g = Graph->Graph();
    TGstPad decIn = firstPad(decoder, GST_PAD_SINK);
    TGstPad decOut = firstPad(decoder, GST_PAD_SRC);
    if (!decIn || !decOut)
        return false;
    TGstElement parser;
    if (parserFactory) {
        parser = TGstElement::sink(gst_element_factory_create(parserFactory, nullptr));
        if (!parser ||
            g->addElementUnique(parser, gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(parserFactory)))
                .isEmpty())
            return false;
        g_object_set_data(G_OBJECT(parser.get()), kParserMark, GINT_TO_POINTER(1));
    }
    TGstPad parserIn = parser ? firstPad(parser, GST_PAD_SINK) : TGstPad();
    TGstPad parserOut = parser ? firstPad(parser, GST_PAD_SRC) : TGstPad();
    bool ok = true;
    if (parser)
        ok = parserIn && parserOut && TGstGraph::link(m_out, parserIn) && TGstGraph::link(parserOut, decIn);
    else
        ok = TGstGraph::link(m_out, decIn);
    ok = ok && TGstGraph::link(decOut, m_in);
    if (!ok) {
        for (GstPad *p : {m_out.get(), decIn.get(), decOut.get()})
            if (p && gst_pad_is_linked(p))
                TGstGraph::unlink(p);
        if (parser)
            g->removeElement(parser);
        return false;
    }
    // Downstream first, so that each element is ready before samples reach it.
    gst_element_sync_state_with_parent(decoder);
    if (parser)
        gst_element_sync_state_with_parent(parser);
    return true;
}

bool TDecoderMan::TryDecoder(TFilterRec *rec)
{
    if (!rec || rec->Clsid.isNull())
        return false;
    TGstElement dec = GetInstance(rec, m_caps);
    if (!dec)
        return false;
    tuneDecoderThreads(dec);
    TGstGraph *g = Graph->Graph();
    if (g->addElementUnique(dec, rec->Name).isEmpty())
        return false;
    TGstCaps downCaps = TGstCaps::adopt(gst_pad_query_caps(m_in, nullptr));
    TDecoderChoice choice;
    bool ok = TDecoderWalk::Fits(gst_element_get_factory(dec), m_caps, downCaps, choice) &&
              LinkThrough(choice.Parser, dec);
    if (ok) {
        m_decoder = dec;
        return AfterConnect(rec);
    }
    qCDebug(lcMedia).noquote() << "decoder" << rec->Name << "does not fit the stream";
    // Nothing of the attempt stays: the chain, the decoder and its instance.
    Graph->RemoveUpstreamChain(Downstream, Upstream);
    if (g->contains(dec))
        g->removeElement(dec);
    ReleaseInstance(rec);
    return false;
}

bool TDecoderMan::AutoConnect()
{
    TGstGraph *g = Graph->Graph();
    // A stream the downstream element takes as it is needs no decoder.
    if (gst_pad_query_accept_caps(m_in, m_caps) && TGstGraph::link(m_out, m_in, m_caps)) {
        m_decoder = nullptr;
        return AfterConnect();
    }
    TGstCaps downCaps = TGstCaps::adopt(gst_pad_query_caps(m_in, nullptr));
    for (const TDecoderChoice &c : TDecoderWalk::Decoders(m_caps, downCaps)) {
        if (IsExcluded(c.Decoder) || IsExcluded(c.Parser))
            continue;
        const char *name = gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(c.Decoder.get()));
        TGstElement dec = TGstElement::sink(gst_element_factory_create(c.Decoder, nullptr));
        if (!dec || g->addElementUnique(dec, QString::fromUtf8(name)).isEmpty())
            continue;
        tuneDecoderThreads(dec);
        if (LinkThrough(c.Parser, dec)) {
            m_decoder = dec;
            return AfterConnect();
        }
        g->removeElement(dec);
    }
    return false;
}

bool TDecoderMan::AfterConnect(TFilterRec *tried)
{
    // The element now behind the upstream output, past the parser we put there.
    TGstElement e = peerElement(m_out);
    while (e && g_object_get_data(G_OBJECT(e.get()), kParserMark))
        e = peerElement(firstPad(e, GST_PAD_SRC));
    if (!e || e.get() == Downstream.get()) {
        Current = NoneRec;
        m_decoder = nullptr;
    } else if (tried && tried->Instance.get() == e.get()) {
        Current = tried;
        m_decoder = e;
    } else {
        const QByteArray factory = TDecoderWalk::FactoryName(e);
        Current = TFilterRecs::Global().FindOrAdd(FactoryGuid(factory),
                                                  QString::fromUtf8(GST_OBJECT_NAME(e.get())), fkRegistered);
        if (Current->Factory.isEmpty())
            Current->Factory = factory;
        if (Current->Kind != fkExternal)
            Current->Instance = e;
        m_decoder = e;
    }
    // Streams whose containers stamp pictures badly get their times from the pictures.
    m_stamp = m_decoder ? TPictureStamper::Attach(firstPad(m_decoder, GST_PAD_SINK), m_caps, m_streamClock)
                        : TGstProbe();
    if (lcMedia().isInfoEnabled()) {
        const GstStructure *s = gst_caps_get_size(m_caps) > 0 ? gst_caps_get_structure(m_caps, 0) : nullptr;
        qCInfo(lcMedia).noquote() << "stream" << (s ? gst_structure_get_name(s) : "of no type")
                                  << "decoded by" << (Current ? Current->Name : QStringLiteral("nothing"))
                                  << (m_decoder ? TDecoderWalk::FactoryName(m_decoder)
                                                : QByteArray("(linked as it is)"));
    }
    if (Learned)
        Learned->SetDecoder(Key(), Current);
    const TGuid currentId = Current ? Current->Clsid : GUID_NULL;
    bool ok = true;
    if (PostFilter1 && !PostFilter1->Clsid.isNull() && PostFilter1->Clsid != currentId)
        ok = InsertPostFilter(PostFilter1);
    if (ok && PostFilter2 && !PostFilter2->Clsid.isNull() && PostFilter2->Clsid != currentId)
        ok = InsertPostFilter(PostFilter2);
    return ok;
}

bool TDecoderMan::InsertPostFilter(TFilterRec *rec)
{
    TGstGraph *g = Graph->Graph();
    TGstElement e = GetInstance(rec);
    const bool added = e && !g->addElementUnique(e, rec->Name).isEmpty();
    if (added && Graph->InsertFilter(e, m_in, 0))
        return true;
    // A post filter that does not fit: nothing of the chain stays, and the decoder it did not
    // fit behind is kept out of the next automatic connection.
    Graph->RemoveBetween(Downstream, Upstream);
    if (Current)
        Exclude(Current->Clsid);
    if (e && g->contains(e))
        g->removeElement(e);
    ReleaseInstance(rec);
    m_decoder = nullptr;
    m_stamp = TGstProbe();
    return false;
}

bool TDecoderMan::DisconnectDecoder()
{
    bool ok = true;
    if (Graph && Downstream && Upstream) {
        TGstGraph *g = Graph->Graph();
        // Release a streaming thread waiting further down (a sink waiting for preroll) and keep
        // the next sample at the upstream output until the chain is gone.
        const TGstProbe hold = holdOutput(m_out);
        // The flush enters the chain's first input, so that the upstream output keeps its
        // stream's sticky events (its segment above all) for the next chain.
        TGstPad first = TGstPad::adopt(m_out ? gst_pad_get_peer(m_out) : nullptr);
        if (first) {
            gst_pad_send_event(first, gst_event_new_flush_start());
            gst_pad_send_event(first, gst_event_new_flush_stop(FALSE));
        }
        // The chain first, while it still joins the two elements; then whatever is left of
        // Current (a decoder no longer joined to them).
        Graph->RemoveBetween(Downstream, Upstream);
        if (Current && Current != NoneRec && Current->Instance && g->contains(Current->Instance))
            ok = g->removeElement(Current->Instance);
    }
    if (Current && Current != NoneRec)
        ReleaseInstance(Current);
    Current = NoneRec;
    m_decoder = nullptr;
    m_stamp = TGstProbe();
    return ok;
}

void TDecoderMan::RestoreState(bool playing)
{
    if (!Graph)
        return;
    if (playing)
        Graph->Play();
    else
        Graph->Pause();
}

bool TDecoderMan::NextDecoder()
{
    if (!Graph)
        return false;
    if (!Current) {
        Graph->Pause();
        return false;
    }
    const bool playing = Graph->State() == TGrapheManState::gmPlaying;
    const int64_t position = Graph->Graph()->position();
    bool ok = false, disconnected = false;
    // Stopped while the old chain still takes samples, so that the sinks settle at once.
    Graph->Stop();
    if (!Graph)
        return false; // the stream was disconnected while the graph stopped
    {
        // Nothing leaves the upstream element while it has no chain behind it: the stream
        // would run on into nothing (to its end, while paused).
        const TGstProbe hold = holdOutput(m_out);
        if (Phase == 2) {
            Exclude(Current->Clsid);
            if (Learned)
                Learned->Remove(Key());
        }
        disconnected = DisconnectDecoder();
        if (disconnected && Graph) {
            ok = ConnectDecoder(Upstream, Downstream);
            if (!ok) {
                ResetChoice();
                ok = ConnectDecoder(Upstream, Downstream);
            }
        }
    }
    if (!disconnected) {
        RestoreState(playing);
        return false;
    }
    // The new decoder starts on a key frame at the position the stream had.
    if (ok && position >= 0 && Graph)
        Graph->Graph()->seek(position);
    RestoreState(playing);
    return ok;
}
