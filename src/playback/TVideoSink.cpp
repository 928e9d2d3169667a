#include "playback/TVideoSink.h"

#include "media/gst/TGstGraph.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>

#include <numeric>

// What the callbacks reach: shared with the sink so that either may go first.
struct TVideoSink::CallbackData
{
    std::shared_ptr<TFrameMailbox> mailbox;
    std::shared_ptr<Stats> stats;
};

namespace {

// Runs on a streaming thread.
GstFlowReturn Deliver(const TGstSample &sample, void *user)
{
    if (!sample)
        return GST_FLOW_OK; // flushing or at the end: nothing to show, nothing wrong
    auto *d = static_cast<TVideoSink::CallbackData *>(user);
    d->stats->received.fetch_add(1, std::memory_order_relaxed);
    d->mailbox->Put(sample);
    return GST_FLOW_OK;
}

// Runs on a streaming thread. The pulled sample is ours (transfer full).
GstFlowReturn OnPreroll(GstAppSink *sink, gpointer user)
{
    return Deliver(TGstSample::adopt(gst_app_sink_pull_preroll(sink)), user);
}

// Runs on a streaming thread. The pulled sample is ours (transfer full).
GstFlowReturn OnSample(GstAppSink *sink, gpointer user)
{
    return Deliver(TGstSample::adopt(gst_app_sink_pull_sample(sink)), user);
}

void FreeCallbackData(gpointer user)
{
    delete static_cast<TVideoSink::CallbackData *>(user);
}

void UnmapFrame(void *info)
{
    auto *frame = static_cast<GstVideoFrame *>(info);
    gst_video_frame_unmap(frame);
    delete frame;
}

} // namespace

TVideoFrame TVideoFrame::FromSample(const TGstSample &sample)
{
    TVideoFrame f;
    if (!sample)
        return f;
    GstCaps *caps = gst_sample_get_caps(sample);
    GstBuffer *buffer = gst_sample_get_buffer(sample);
    GstVideoInfo info;
    if (!caps || !buffer || !gst_video_info_from_caps(&info, caps) ||
        GST_VIDEO_INFO_FORMAT(&info) != GST_VIDEO_FORMAT_BGRx)
        return f;
    auto *frame = new GstVideoFrame;
    // The mapping holds its own reference on the buffer until the image lets it go.
    if (!gst_video_frame_map(frame, &info, buffer, GST_MAP_READ)) {
        delete frame;
        return f;
    }
    // BGRx in memory is 0xxxRRGGBB in a little-endian word: Qt's RGB32.
    f.Image = QImage(static_cast<const uchar *>(GST_VIDEO_FRAME_PLANE_DATA(frame, 0)),
                     GST_VIDEO_FRAME_WIDTH(frame), GST_VIDEO_FRAME_HEIGHT(frame),
                     GST_VIDEO_FRAME_PLANE_STRIDE(frame, 0), QImage::Format_RGB32, UnmapFrame, frame);
    if (f.Image.isNull()) {
        UnmapFrame(frame); // an image that was not made never calls its cleanup
        return f;
    }
    f.Sample = sample;
    const int parN = GST_VIDEO_INFO_PAR_N(&info) > 0 ? GST_VIDEO_INFO_PAR_N(&info) : 1;
    const int parD = GST_VIDEO_INFO_PAR_D(&info) > 0 ? GST_VIDEO_INFO_PAR_D(&info) : 1;
    const qint64 aw = qint64(f.Image.width()) * parN;
    const qint64 ah = qint64(f.Image.height()) * parD;
    if (aw > 0 && ah > 0) {
        const qint64 g = std::gcd(aw, ah);
        f.Aspect = QSize(int(aw / g), int(ah / g));
    }
    return f;
}

namespace {

GQuark SinkQuark()
{
    static const GQuark q = g_quark_from_static_string("framix-video-sink");
    return q;
}

// The converter options as videoconvert builds them from its properties.
GstStructure *ConverterConfig(GstElement *convert)
{
    static const struct
    {
        const char *property;
        const char *option;
    } kOptions[] = {
        {"dither", GST_VIDEO_CONVERTER_OPT_DITHER_METHOD},
        {"dither-quantization", GST_VIDEO_CONVERTER_OPT_DITHER_QUANTIZATION},
        {"chroma-resampler", GST_VIDEO_CONVERTER_OPT_CHROMA_RESAMPLER_METHOD},
        {"alpha-mode", GST_VIDEO_CONVERTER_OPT_ALPHA_MODE},
        {"alpha-value", GST_VIDEO_CONVERTER_OPT_ALPHA_VALUE},
        {"chroma-mode", GST_VIDEO_CONVERTER_OPT_CHROMA_MODE},
        {"matrix-mode", GST_VIDEO_CONVERTER_OPT_MATRIX_MODE},
        {"gamma-mode", GST_VIDEO_CONVERTER_OPT_GAMMA_MODE},
        {"primaries-mode", GST_VIDEO_CONVERTER_OPT_PRIMARIES_MODE},
        {"n-threads", GST_VIDEO_CONVERTER_OPT_THREADS},
    };
    GstStructure *config = gst_structure_new_empty("GstVideoConvertConfig");
    for (const auto &o : kOptions) {
        GParamSpec *spec = g_object_class_find_property(G_OBJECT_GET_CLASS(convert), o.property);
        if (!spec)
            continue;
        GValue v = G_VALUE_INIT;
        g_value_init(&v, spec->value_type);
        g_object_get_property(G_OBJECT(convert), o.property, &v);
        gst_structure_take_value(config, o.option, &v);
    }
    return config;
}

} // namespace

struct TVideoSink::TConverter
{
    TGstCaps in, out;
    GstVideoInfo inInfo{}, outInfo{};
    GstVideoConverter *converter = nullptr;
    ~TConverter()
    {
        if (converter)
            gst_video_converter_free(converter);
    }
};

TVideoSink *TVideoSink::FromElement(GstElement *element)
{
    return element ? static_cast<TVideoSink *>(g_object_get_qdata(G_OBJECT(element), SinkQuark())) : nullptr;
}

bool TVideoSink::ShowPicture(GstBuffer *buffer, GstCaps *caps)
{
    if (!buffer || !caps || !m_appsink)
        return false;
    TGstCaps input = CurrentCaps();
    TGstPad appsinkPad = TGstPad::adopt(gst_element_get_static_pad(m_appsink, "sink"));
    TGstCaps output = appsinkPad ? TGstCaps::adopt(gst_pad_get_current_caps(appsinkPad)) : TGstCaps();
    // Only a picture of the format the sink converts now looks the same once converted.
    if (!input || !output || !gst_caps_is_equal(input, caps))
        return false;
    if (!m_converter || !gst_caps_is_equal(m_converter->in, input) ||
        !gst_caps_is_equal(m_converter->out, output)) {
        auto c = std::make_unique<TConverter>();
        c->in = input;
        c->out = output;
        if (!gst_video_info_from_caps(&c->inInfo, input) || !gst_video_info_from_caps(&c->outInfo, output) ||
            GST_VIDEO_INFO_FORMAT(&c->outInfo) != GST_VIDEO_FORMAT_BGRx)
            return false;
        c->converter = gst_video_converter_new(&c->inInfo, &c->outInfo, ConverterConfig(m_convert));
        if (!c->converter)
            return false;
        m_converter = std::move(c);
    }
    TGstBuffer out = TGstBuffer::adopt(
        gst_buffer_new_allocate(nullptr, GST_VIDEO_INFO_SIZE(&m_converter->outInfo), nullptr));
    GstVideoFrame src, dst;
    if (!out || !gst_video_frame_map(&src, &m_converter->inInfo, buffer, GST_MAP_READ))
        return false;
    if (!gst_video_frame_map(&dst, &m_converter->outInfo, out, GST_MAP_WRITE)) {
        gst_video_frame_unmap(&src);
        return false;
    }
    gst_video_converter_frame(m_converter->converter, &src, &dst);
    gst_video_frame_unmap(&dst);
    gst_video_frame_unmap(&src);
    gst_buffer_copy_into(out, buffer, GstBufferCopyFlags(GST_BUFFER_COPY_FLAGS | GST_BUFFER_COPY_TIMESTAMPS),
                         0, -1);
    TGstSample sample = TGstSample::adopt(gst_sample_new(out, output, nullptr, nullptr));
    m_mailbox->Put(sample);
    return true;
}

TVideoSink::TVideoSink()
{
    TGstElement bin = TGstElement::sink(gst_bin_new("VD VideoWindow"));
    TGstElement convert = MakeElement("videoconvert");
    TGstElement appsink = MakeElement("appsink");
    if (!bin || !convert || !appsink)
        return;
    TGstCaps caps = TGstCaps::adopt(gst_caps_from_string("video/x-raw, format=(string)BGRx"));
    g_object_set(appsink.get(), "caps", caps.get(), "enable-last-sample", FALSE, "max-buffers", 1u, nullptr);
    gst_bin_add_many(GST_BIN(bin.get()), GST_ELEMENT(gst_object_ref(convert.get())),
                     GST_ELEMENT(gst_object_ref(appsink.get())), nullptr);
    if (!gst_element_link(convert, appsink))
        return;
    TGstPad target = TGstPad::adopt(gst_element_get_static_pad(convert, "sink"));
    GstPad *ghost = gst_ghost_pad_new("sink", target);
    if (!ghost || !gst_element_add_pad(bin, ghost))
        return;

    GstAppSinkCallbacks callbacks{};
    callbacks.new_preroll = OnPreroll;
    callbacks.new_sample = OnSample;
    gst_app_sink_set_callbacks(GST_APP_SINK(appsink.get()), &callbacks, new CallbackData{m_mailbox, m_stats},
                               FreeCallbackData);
    m_sinkPad = TGstPad::ref(ghost);
    g_object_set_qdata(G_OBJECT(bin.get()), SinkQuark(), this);
    m_convert = std::move(convert);
    m_appsink = std::move(appsink);
    m_bin = std::move(bin);
}

TVideoSink::~TVideoSink()
{
    if (m_bin)
        g_object_set_qdata(G_OBJECT(m_bin.get()), SinkQuark(), nullptr);
    if (m_bin && !GST_OBJECT_PARENT(m_bin.get()))
        gst_element_set_state(m_bin, GST_STATE_NULL);
    m_mailbox->SetWake({});
}

TGstCaps TVideoSink::CurrentCaps() const
{
    return m_sinkPad ? TGstCaps::adopt(gst_pad_get_current_caps(m_sinkPad)) : TGstCaps();
}
