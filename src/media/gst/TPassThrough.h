#pragma once
// The pass-through element base: a GstBaseTransform subclass in pass-through / in-place mode,
// registered statically by the program, whose hooks are the virtual functions of a C++ object.
// Samples go on downstream unchanged unless the per-sample hook withholds one.
//
// Ownership: the C++ object owns the element (one reference). Its destructor takes the element
// to NULL and out of its bin before the hooks go away, so no streaming thread can call into a
// dead object. A subclass destructor runs before that, while a streaming thread may still be in
// one of its hooks: a subclass whose hooks use its own members calls stopStreaming() first.
//
// Flow returns: a flush that starts downstream of the element (a downstream element being
// removed or replaced) and a missing downstream link are not the upstream's business; the
// element swallows them (the sample is dropped) so the demuxer and the queues upstream keep
// running. A flush that came through the element itself is passed on.
//
// Debug output: the element logs its caps, events, state changes and dropped or withheld
// samples in the GStreamer debug category its subclass gives ("framixnotifier", ...), else in
// "framixpassthrough" (GST_DEBUG=framix*:5).
#include "core/TMessageReceiver.h"
#include "media/gst/TGstHandles.h"

#include <QString>

#include <atomic>

class TPassThrough
{
public:
    enum class SampleResult { Pass, Withhold, Flushing };

    explicit TPassThrough(const QString &debugName = QString(), GstDebugCategory *category = nullptr);
    virtual ~TPassThrough();
    TPassThrough(const TPassThrough &) = delete;
    TPassThrough &operator=(const TPassThrough &) = delete;

    GstElement *element() const { return m_element.get(); }
    GstPad *sinkPad() const;
    GstPad *srcPad() const;
    // Caps of the input as negotiated (empty before the first caps).
    TGstCaps inputCaps() const;

    // Cancelled on FLUSH_START, on PAUSED->READY and by detach(); reset on FLUSH_STOP and on
    // READY->PAUSED. Sent messages of the hooks wait on it.
    TSendGate &gate() { return m_gate; }

    // Main thread: the element is about to be taken out of its branch. Pending and future sent
    // messages are abandoned, a flushing downstream is swallowed.
    void detach();
    void attach();
    // Main thread: takes the element to NULL and out of its bin, waiting for any streaming
    // thread inside it; no hook runs afterwards. Done once (the destructor does it too).
    void stopStreaming();
    bool detaching() const { return m_detaching.load(std::memory_order_acquire); }

    // Whether the element is a pass-through created by this class.
    static bool isPassThrough(GstElement *e);
    static TPassThrough *fromElement(GstElement *e);

protected:
    // The element's GStreamer debug category, for the subclass's own GST_CAT_*_OBJECT lines.
    GstDebugCategory *debugCategory() const;

    // Any thread (caps queries and negotiation): may the input take these caps?
    virtual bool checkInputType(GstCaps *caps);
    // Any thread: the caps the element offers on `direction` for caps seen on the other side
    // (type proposal). The default offers the same caps.
    virtual TGstCaps proposeType(GstPadDirection direction, GstCaps *caps);
    // Streaming thread: the first caps after the input pad was linked.
    virtual void completeConnect(GstCaps *caps);
    // Streaming thread: READY->PAUSED and each new stream.
    virtual void startStreaming();
    // Streaming thread: a new segment.
    virtual void newSegment(const GstSegment &segment);
    // Streaming thread: the input caps changed (also called for the first caps).
    virtual void mediaTypeChanged(GstCaps *caps);
    // Streaming thread: one sample.
    virtual SampleResult sample(GstBuffer *buffer);

private:
    friend struct TPassThroughGlue;
    TGstElement m_element;
    TSendGate m_gate;
    std::atomic<bool> m_detaching{false};
    std::atomic<bool> m_connectPending{true};
    bool m_stopped = false; // main thread only
};
