#pragma once
// RAII handles for GStreamer references. Every reference the program holds lives in one of
// these; callers never call gst_object_unref / gst_caps_unref themselves.
//
//   TGstElement e = TGstElement::adopt(gst_bin_get_by_name(...)); // takes over a full reference
//   TGstElement e = TGstElement::ref(borrowed);                     // adds a reference
//   TGstElement e = TGstElement::sink(gst_element_factory_make(...)); // sinks a floating ref
#include <gst/gst.h>

#include <utility>

template <class T, void (*Unref)(T *), T *(*Ref)(T *)> class TGstRef
{
public:
    TGstRef() = default;
    TGstRef(std::nullptr_t) {}
    ~TGstRef() { reset(); }
    TGstRef(const TGstRef &o) : m_p(o.m_p ? Ref(o.m_p) : nullptr) {}
    TGstRef(TGstRef &&o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    TGstRef &operator=(const TGstRef &o)
    {
        if (this != &o) {
            T *n = o.m_p ? Ref(o.m_p) : nullptr;
            reset();
            m_p = n;
        }
        return *this;
    }
    TGstRef &operator=(TGstRef &&o) noexcept
    {
        if (this != &o) {
            reset();
            m_p = std::exchange(o.m_p, nullptr);
        }
        return *this;
    }

    // Takes over a reference the caller owns (transfer full).
    static TGstRef adopt(T *p)
    {
        TGstRef r;
        r.m_p = p;
        return r;
    }
    // Adds a reference to a borrowed pointer (transfer none).
    static TGstRef ref(T *p)
    {
        TGstRef r;
        r.m_p = p ? Ref(p) : nullptr;
        return r;
    }

    void reset()
    {
        if (m_p)
            Unref(std::exchange(m_p, nullptr));
    }
    // Gives the reference away (transfer full to the callee).
    T *release() { return std::exchange(m_p, nullptr); }

    T *get() const { return m_p; }
    operator T *() const { return m_p; }
    T *operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    bool operator==(const TGstRef &o) const { return m_p == o.m_p; }

private:
    T *m_p = nullptr;
};

namespace gsthandles_detail {
template <class T> void objUnref(T *p)
{
    gst_object_unref(p);
}
template <class T> T *objRef(T *p)
{
    return static_cast<T *>(gst_object_ref(p));
}
inline void capsUnref(GstCaps *c)
{
    gst_caps_unref(c);
}
inline GstCaps *capsRef(GstCaps *c)
{
    return gst_caps_ref(c);
}
inline void msgUnref(GstMessage *m)
{
    gst_message_unref(m);
}
inline GstMessage *msgRef(GstMessage *m)
{
    return gst_message_ref(m);
}
inline void bufUnref(GstBuffer *b)
{
    gst_buffer_unref(b);
}
inline GstBuffer *bufRef(GstBuffer *b)
{
    return gst_buffer_ref(b);
}
inline void sampleUnref(GstSample *s)
{
    gst_sample_unref(s);
}
inline GstSample *sampleRef(GstSample *s)
{
    return gst_sample_ref(s);
}
inline void eventUnref(GstEvent *e)
{
    gst_event_unref(e);
}
inline GstEvent *eventRef(GstEvent *e)
{
    return gst_event_ref(e);
}
inline void queryUnref(GstQuery *q)
{
    gst_query_unref(q);
}
inline GstQuery *queryRef(GstQuery *q)
{
    return gst_query_ref(q);
}
} // namespace gsthandles_detail

template <class T>
class TGstObjectRef : public TGstRef<T, gsthandles_detail::objUnref<T>, gsthandles_detail::objRef<T>>
{
    using Base = TGstRef<T, gsthandles_detail::objUnref<T>, gsthandles_detail::objRef<T>>;

public:
    using Base::Base;
    TGstObjectRef(Base &&b) : Base(std::move(b)) {}
    // Sinks a floating reference (fresh elements, pads) or adds one to a non-floating object.
    static TGstObjectRef sink(T *p)
    {
        return Base::adopt(p ? static_cast<T *>(gst_object_ref_sink(p)) : nullptr);
    }
    static TGstObjectRef adopt(T *p) { return Base::adopt(p); }
    static TGstObjectRef ref(T *p) { return Base::ref(p); }
};

using TGstElement = TGstObjectRef<GstElement>;
using TGstPad = TGstObjectRef<GstPad>;
using TGstBus = TGstObjectRef<GstBus>;
using TGstClock = TGstObjectRef<GstClock>;
using TGstPipelineRef = TGstObjectRef<GstPipeline>;
using TGstCaps = TGstRef<GstCaps, gsthandles_detail::capsUnref, gsthandles_detail::capsRef>;
using TGstMessage = TGstRef<GstMessage, gsthandles_detail::msgUnref, gsthandles_detail::msgRef>;
using TGstBuffer = TGstRef<GstBuffer, gsthandles_detail::bufUnref, gsthandles_detail::bufRef>;
using TGstSample = TGstRef<GstSample, gsthandles_detail::sampleUnref, gsthandles_detail::sampleRef>;
using TGstEvent = TGstRef<GstEvent, gsthandles_detail::eventUnref, gsthandles_detail::eventRef>;
using TGstQuery = TGstRef<GstQuery, gsthandles_detail::queryUnref, gsthandles_detail::queryRef>;

// A mapped buffer, unmapped on destruction.
class TGstMap
{
public:
    TGstMap(GstBuffer *buf, GstMapFlags flags = GST_MAP_READ) : m_buf(buf)
    {
        m_ok = buf && gst_buffer_map(buf, &m_info, flags);
    }
    ~TGstMap()
    {
        if (m_ok)
            gst_buffer_unmap(m_buf, &m_info);
    }
    TGstMap(const TGstMap &) = delete;
    TGstMap &operator=(const TGstMap &) = delete;
    bool ok() const { return m_ok; }
    const guint8 *data() const { return m_ok ? m_info.data : nullptr; }
    gsize size() const { return m_ok ? m_info.size : 0; }

private:
    GstBuffer *m_buf;
    GstMapInfo m_info{};
    bool m_ok = false;
};

// A GLib string freed on destruction (g_free).
class TGChars
{
public:
    explicit TGChars(gchar *s) : m_s(s) {}
    ~TGChars() { g_free(m_s); }
    TGChars(const TGChars &) = delete;
    TGChars &operator=(const TGChars &) = delete;
    const char *get() const { return m_s ? m_s : ""; }

private:
    gchar *m_s;
};
