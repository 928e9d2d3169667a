#include "media/gst/TPassThrough.h"

#include <gst/base/gstbasetransform.h>

GST_DEBUG_CATEGORY_STATIC(framix_passthrough_debug);

// The GObject side of the element. `owner` is the C++ object whose hooks run; it is set once
// at creation and cleared by the owner's destructor after the element reached NULL.
struct FramixPassThrough
{
    GstBaseTransform parent;
    gpointer owner; // TPassThrough*, read with g_atomic_pointer_get
    GstPadChainFunction baseChain;
    GstPadChainListFunction baseChainList;
    GstDebugCategory *category; // the subclass's, set once at creation; null: the base's
};

struct FramixPassThroughClass
{
    GstBaseTransformClass parent_class;
};

struct TPassThroughGlue
{
    static GType type();
    static TPassThrough *owner(gpointer self)
    {
        return static_cast<TPassThrough *>(
            g_atomic_pointer_get(&static_cast<FramixPassThrough *>(self)->owner));
    }
    // Written once by the creating thread before the element is linked or started.
    static GstDebugCategory *category(gpointer self)
    {
        GstDebugCategory *c = static_cast<FramixPassThrough *>(self)->category;
        return c ? c : framix_passthrough_debug;
    }

    static GstBaseTransformClass *parentClass;
    static GstElementClass *parentElementClass;

    static void classInit(gpointer klass, gpointer)
    {
        auto *eclass = GST_ELEMENT_CLASS(klass);
        auto *tclass = GST_BASE_TRANSFORM_CLASS(klass);
        parentClass = GST_BASE_TRANSFORM_CLASS(g_type_class_peek_parent(klass));
        parentElementClass = GST_ELEMENT_CLASS(parentClass);
        static GstStaticPadTemplate sinkT =
            GST_STATIC_PAD_TEMPLATE("sink", GST_PAD_SINK, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);
        static GstStaticPadTemplate srcT =
            GST_STATIC_PAD_TEMPLATE("src", GST_PAD_SRC, GST_PAD_ALWAYS, GST_STATIC_CAPS_ANY);
        gst_element_class_add_static_pad_template(eclass, &sinkT);
        gst_element_class_add_static_pad_template(eclass, &srcT);
        gst_element_class_set_static_metadata(eclass, "Framix pass-through", "Filter",
                                              "Observes samples on their way, never changes them", "Framix");
        eclass->change_state = &changeState;
        tclass->transform_ip = &transformIp;
        tclass->transform_ip_on_passthrough = TRUE;
        tclass->passthrough_on_same_caps = FALSE;
        tclass->set_caps = &setCaps;
        tclass->accept_caps = &acceptCaps;
        tclass->transform_caps = &transformCaps;
        tclass->sink_event = &sinkEvent;
        tclass->start = &start;
    }

    static void instanceInit(GTypeInstance *instance, gpointer)
    {
        auto *self = reinterpret_cast<FramixPassThrough *>(instance);
        auto *trans = GST_BASE_TRANSFORM(instance);
        gst_base_transform_set_passthrough(trans, TRUE);
        gst_base_transform_set_in_place(trans, TRUE);
        GstPad *sink = GST_BASE_TRANSFORM_SINK_PAD(trans);
        self->baseChain = GST_PAD_CHAINFUNC(sink);
        self->baseChainList = GST_PAD_CHAINLISTFUNC(sink);
        gst_pad_set_chain_function(sink, &chain);
        g_signal_connect(sink, "linked", G_CALLBACK(&onLinked), instance);
    }

    // Main thread mostly (whoever links the pad).
    static void onLinked(GstPad *, GstPad *, gpointer self)
    {
        if (TPassThrough *o = owner(self))
            o->m_connectPending.store(true, std::memory_order_release);
    }

    // Streaming thread.
    static GstFlowReturn chain(GstPad *pad, GstObject *parent, GstBuffer *buf)
    {
        auto *self = reinterpret_cast<FramixPassThrough *>(parent);
        GstFlowReturn r = self->baseChain(pad, parent, buf);
        return mapFlow(pad, parent, r);
    }

    // Streaming thread: see the header for why these returns are swallowed.
    static GstFlowReturn mapFlow(GstPad *sinkpad, GstObject *parent, GstFlowReturn r)
    {
        if (r == GST_FLOW_NOT_LINKED) {
            GST_CAT_LOG_OBJECT(category(parent), parent, "not linked downstream: sample dropped");
            return GST_FLOW_OK;
        }
        if (r == GST_FLOW_FLUSHING) {
            GST_OBJECT_LOCK(sinkpad);
            const bool ownFlush = GST_PAD_IS_FLUSHING(sinkpad);
            GST_OBJECT_UNLOCK(sinkpad);
            TPassThrough *o = owner(parent);
            if (!ownFlush && (!o || !o->m_gate.cancelled() || o->detaching())) {
                GST_CAT_DEBUG_OBJECT(category(parent), parent, "downstream flushing: sample dropped");
                return GST_FLOW_OK;
            }
        }
        return r;
    }

    // Streaming thread.
    static GstFlowReturn transformIp(GstBaseTransform *trans, GstBuffer *buf)
    {
        TPassThrough *o = owner(trans);
        if (!o)
            return GST_FLOW_OK;
        switch (o->sample(buf)) {
        case TPassThrough::SampleResult::Pass:
            return GST_FLOW_OK;
        case TPassThrough::SampleResult::Withhold:
            GST_CAT_LOG_OBJECT(category(trans), trans, "withholding %" GST_PTR_FORMAT, buf);
            return GST_BASE_TRANSFORM_FLOW_DROPPED;
        case TPassThrough::SampleResult::Flushing:
            GST_CAT_DEBUG_OBJECT(category(trans), trans,
                                 "sample abandoned, its message was cancelled: %" GST_PTR_FORMAT, buf);
            return GST_FLOW_FLUSHING;
        }
        return GST_FLOW_OK;
    }

    // Streaming thread.
    static gboolean setCaps(GstBaseTransform *trans, GstCaps *incaps, GstCaps *)
    {
        TPassThrough *o = owner(trans);
        if (!o)
            return TRUE;
        if (!o->checkInputType(incaps)) {
            GST_CAT_DEBUG_OBJECT(category(trans), trans, "refusing caps %" GST_PTR_FORMAT, incaps);
            return FALSE;
        }
        GST_CAT_DEBUG_OBJECT(category(trans), trans, "input caps %" GST_PTR_FORMAT, incaps);
        if (o->m_connectPending.exchange(false, std::memory_order_acq_rel))
            o->completeConnect(incaps);
        o->mediaTypeChanged(incaps);
        return TRUE;
    }

    // Any thread.
    static gboolean acceptCaps(GstBaseTransform *trans, GstPadDirection dir, GstCaps *caps)
    {
        if (!parentClass->accept_caps(trans, dir, caps))
            return FALSE;
        TPassThrough *o = owner(trans);
        return !o || dir != GST_PAD_SINK || o->checkInputType(caps);
    }

    // Any thread.
    static GstCaps *transformCaps(GstBaseTransform *trans, GstPadDirection dir, GstCaps *caps,
                                  GstCaps *filter)
    {
        TPassThrough *o = owner(trans);
        TGstCaps proposed = o ? o->proposeType(dir, caps) : TGstCaps::ref(caps);
        if (!proposed)
            return gst_caps_new_empty();
        if (filter)
            return gst_caps_intersect_full(filter, proposed, GST_CAPS_INTERSECT_FIRST);
        return proposed.release();
    }

    // Streaming thread for serialized events; any thread for flushes.
    static gboolean sinkEvent(GstBaseTransform *trans, GstEvent *event)
    {
        TPassThrough *o = owner(trans);
        GST_CAT_LOG_OBJECT(category(trans), trans, "event %" GST_PTR_FORMAT, event);
        if (o) {
            switch (GST_EVENT_TYPE(event)) {
            case GST_EVENT_FLUSH_START:
                GST_CAT_DEBUG_OBJECT(category(trans), trans, "flush start: sent messages cancelled");
                o->m_gate.cancel();
                break;
            case GST_EVENT_FLUSH_STOP:
                if (!o->detaching())
                    o->m_gate.reset();
                break;
            case GST_EVENT_STREAM_START:
                o->startStreaming();
                break;
            case GST_EVENT_SEGMENT: {
                const GstSegment *seg = nullptr;
                gst_event_parse_segment(event, &seg);
                GST_CAT_DEBUG_OBJECT(category(trans), trans, "segment %" GST_SEGMENT_FORMAT, seg);
                if (seg)
                    o->newSegment(*seg);
                break;
            }
            default:
                break;
            }
        }
        return parentClass->sink_event(trans, event);
    }

    // Streaming thread (READY->PAUSED, from the state change).
    static gboolean start(GstBaseTransform *trans)
    {
        if (TPassThrough *o = owner(trans))
            o->startStreaming();
        return TRUE;
    }

    // The thread changing the state. A sent message must not hold the streaming thread while
    // the pads deactivate: the gate is cancelled before the base class takes the stream lock.
    static GstStateChangeReturn changeState(GstElement *e, GstStateChange t)
    {
        TPassThrough *o = owner(e);
        GST_CAT_DEBUG_OBJECT(category(e), e, "state change %s%s", gst_state_change_get_name(t),
                             o ? "" : " (no owner)");
        if (o && t == GST_STATE_CHANGE_PAUSED_TO_READY)
            o->m_gate.cancel();
        if (o && t == GST_STATE_CHANGE_READY_TO_PAUSED && !o->detaching())
            o->m_gate.reset();
        return parentElementClass->change_state(e, t);
    }
};

GstBaseTransformClass *TPassThroughGlue::parentClass = nullptr;
GstElementClass *TPassThroughGlue::parentElementClass = nullptr;

GType TPassThroughGlue::type()
{
    static GType t = [] {
        GST_DEBUG_CATEGORY_INIT(framix_passthrough_debug, "framixpassthrough", 0,
                                "Framix pass-through element (observes samples, never changes them)");
        GTypeInfo info{};
        info.class_size = sizeof(FramixPassThroughClass);
        info.class_init = &TPassThroughGlue::classInit;
        info.instance_size = sizeof(FramixPassThrough);
        info.instance_init = &TPassThroughGlue::instanceInit;
        GType id = g_type_register_static(GST_TYPE_BASE_TRANSFORM, "FramixPassThrough", &info, GTypeFlags(0));
        gst_element_register(nullptr, "framixpassthrough", GST_RANK_NONE, id);
        return id;
    }();
    return t;
}

TPassThrough::TPassThrough(const QString &debugName, GstDebugCategory *category)
{
    GType t = TPassThroughGlue::type();
    QByteArray name = debugName.toUtf8();
    GstElement *e = GST_ELEMENT(g_object_new(t, name.isEmpty() ? nullptr : "name",
                                             name.isEmpty() ? nullptr : name.constData(), nullptr));
    m_element = TGstElement::sink(e);
    reinterpret_cast<FramixPassThrough *>(e)->category = category;
    g_atomic_pointer_set(&reinterpret_cast<FramixPassThrough *>(e)->owner, this);
}

TPassThrough::~TPassThrough()
{
    stopStreaming();
}

void TPassThrough::stopStreaming()
{
    if (m_stopped)
        return;
    m_stopped = true;
    GstElement *e = m_element.get();
    m_gate.cancel();
    m_detaching.store(true, std::memory_order_release);
    // Stop streaming through the element before its hooks disappear. The flush releases a
    // streaming thread that is inside the element and blocked further down (a sink waiting
    // for preroll), so the state change below can take the stream lock.
    GstState cur = GST_STATE_NULL;
    gst_element_get_state(e, &cur, nullptr, 0);
    if (cur >= GST_STATE_PAUSED || GST_STATE_PENDING(e) >= GST_STATE_PAUSED)
        gst_pad_send_event(sinkPad(), gst_event_new_flush_start());
    if (const TGstObjectRef<GstObject> parent =
            TGstObjectRef<GstObject>::adopt(gst_object_get_parent(GST_OBJECT(e)))) {
        for (GstPad *p : {sinkPad(), srcPad()}) {
            TGstPad peer = TGstPad::adopt(gst_pad_get_peer(p));
            if (peer)
                GST_PAD_DIRECTION(p) == GST_PAD_SRC ? gst_pad_unlink(p, peer) : gst_pad_unlink(peer, p);
        }
        gst_element_set_state(e, GST_STATE_NULL);
        gst_bin_remove(GST_BIN(parent.get()), e);
    } else {
        gst_element_set_state(e, GST_STATE_NULL);
    }
    g_atomic_pointer_set(&reinterpret_cast<FramixPassThrough *>(e)->owner, nullptr);
    GST_CAT_DEBUG_OBJECT(debugCategory(), e, "stopped; no hook runs any more");
}

GstDebugCategory *TPassThrough::debugCategory() const
{
    return TPassThroughGlue::category(m_element.get());
}

GstPad *TPassThrough::sinkPad() const
{
    return GST_BASE_TRANSFORM_SINK_PAD(m_element.get());
}
GstPad *TPassThrough::srcPad() const
{
    return GST_BASE_TRANSFORM_SRC_PAD(m_element.get());
}

TGstCaps TPassThrough::inputCaps() const
{
    return TGstCaps::adopt(gst_pad_get_current_caps(sinkPad()));
}

void TPassThrough::detach()
{
    m_detaching.store(true, std::memory_order_release);
    m_gate.cancel();
}

void TPassThrough::attach()
{
    m_detaching.store(false, std::memory_order_release);
    m_gate.reset();
}

bool TPassThrough::isPassThrough(GstElement *e)
{
    return e && G_TYPE_CHECK_INSTANCE_TYPE(e, TPassThroughGlue::type());
}

TPassThrough *TPassThrough::fromElement(GstElement *e)
{
    return isPassThrough(e) ? TPassThroughGlue::owner(e) : nullptr;
}

bool TPassThrough::checkInputType(GstCaps *)
{
    return true;
}
TGstCaps TPassThrough::proposeType(GstPadDirection, GstCaps *caps)
{
    return TGstCaps::ref(caps);
}
void TPassThrough::completeConnect(GstCaps *)
{}
void TPassThrough::startStreaming()
{}
void TPassThrough::newSegment(const GstSegment &)
{}
void TPassThrough::mediaTypeChanged(GstCaps *)
{}
TPassThrough::SampleResult TPassThrough::sample(GstBuffer *)
{
    return SampleResult::Pass;
}
