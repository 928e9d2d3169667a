#pragma once
// RAII handles for GStreamer references. Every reference the program holds lives in one of
// these; callers never call gst_object_unref / gst_caps_unref / gst_pad_remove_probe /
// g_error_free / g_free themselves.
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

// A GLib string freed on destruction (g_free): strings GStreamer hands over with transfer full
// (gst_caps_to_string, g_key_file_get_string, the debug text of an error message).
class TGChars
{
public:
    TGChars() = default;
    explicit TGChars(gchar *s) : m_s(s) {}
    ~TGChars() { reset(); }
    TGChars(TGChars &&o) noexcept : m_s(std::exchange(o.m_s, nullptr)) {}
    TGChars &operator=(TGChars &&o) noexcept
    {
        if (this != &o) {
            reset();
            m_s = std::exchange(o.m_s, nullptr);
        }
        return *this;
    }
    TGChars(const TGChars &) = delete;
    TGChars &operator=(const TGChars &) = delete;

    // For a gchar ** out-parameter: frees the string held so far.
    gchar **out()
    {
        reset();
        return &m_s;
    }
    void reset() { g_free(std::exchange(m_s, nullptr)); }
    // The text, "" when there is none.
    const char *get() const { return m_s ? m_s : ""; }
    bool isNull() const { return m_s == nullptr; }

private:
    gchar *m_s = nullptr;
};

// A GError, freed on destruction. Pass out() where a call takes a GError ** (the error is
// handed over with transfer full).
class TGError
{
public:
    TGError() = default;
    ~TGError() { reset(); }
    TGError(TGError &&o) noexcept : m_e(std::exchange(o.m_e, nullptr)) {}
    TGError &operator=(TGError &&o) noexcept
    {
        if (this != &o) {
            reset();
            m_e = std::exchange(o.m_e, nullptr);
        }
        return *this;
    }
    TGError(const TGError &) = delete;
    TGError &operator=(const TGError &) = delete;

    // Frees the error held so far: a GError ** must point to a null error.
    GError **out()
    {
        reset();
        return &m_e;
    }
    void reset()
    {
        if (m_e)
            g_error_free(std::exchange(m_e, nullptr));
    }
    GError *get() const { return m_e; }
    explicit operator bool() const { return m_e != nullptr; }
    // The error's text, "" when there is no error.
    const char *message() const { return m_e && m_e->message ? m_e->message : ""; }

private:
    GError *m_e = nullptr;
};

// A pad probe, removed on destruction or reset(). It holds a reference to its pad, so the
// removal never reaches a freed pad. Movable (the probe goes with it), never copyable.
// A probe whose callback returns GST_PAD_PROBE_REMOVE is gone already: forget() it instead.
class TGstProbe
{
public:
    TGstProbe() = default;
    ~TGstProbe() { reset(); }
    TGstProbe(TGstProbe &&o) noexcept : m_pad(std::move(o.m_pad)), m_id(std::exchange(o.m_id, 0)) {}
    TGstProbe &operator=(TGstProbe &&o) noexcept
    {
        if (this != &o) {
            reset();
            m_pad = std::move(o.m_pad);
            m_id = std::exchange(o.m_id, 0);
        }
        return *this;
    }
    TGstProbe(const TGstProbe &) = delete;
    TGstProbe &operator=(const TGstProbe &) = delete;

    // Adds a probe to pad (borrowed: a reference is taken). Empty when pad is null or when
    // GStreamer returns no id (an idle probe that ran at once); destroy has run in that case.
    static TGstProbe add(GstPad *pad, GstPadProbeType mask, GstPadProbeCallback callback = nullptr,
                         gpointer data = nullptr, GDestroyNotify destroy = nullptr)
    {
        TGstProbe p;
        if (!pad) {
            if (destroy)
                destroy(data);
            return p;
        }
        p.m_id = gst_pad_add_probe(pad, mask, callback, data, destroy);
        if (p.m_id)
            p.m_pad = TGstObjectRef<GstPad>::ref(pad);
        return p;
    }

    // Takes over a probe added elsewhere (by a streaming thread) with id on pad (borrowed).
    static TGstProbe adopt(GstPad *pad, gulong id)
    {
        TGstProbe p;
        if (pad && id) {
            p.m_pad = TGstObjectRef<GstPad>::ref(pad);
            p.m_id = id;
        }
        return p;
    }

    void reset()
    {
        if (m_pad && m_id)
            gst_pad_remove_probe(m_pad, m_id);
        m_id = 0;
        m_pad.reset();
    }
    // Drops the guard without removing the probe (its callback removed it).
    void forget()
    {
        m_id = 0;
        m_pad.reset();
    }

    GstPad *pad() const { return m_pad.get(); }
    gulong id() const { return m_id; }
    explicit operator bool() const { return m_id != 0; }

private:
    TGstObjectRef<GstPad> m_pad;
    gulong m_id = 0;
};
