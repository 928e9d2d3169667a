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
    m_appsink = std::move(appsink);
    m_bin = std::move(bin);
}

TVideoSink::~TVideoSink()
{
    if (m_bin && !GST_OBJECT_PARENT(m_bin.get()))
        gst_element_set_state(m_bin, GST_STATE_NULL);
    m_mailbox->SetWake({});
}

TGstCaps TVideoSink::CurrentCaps() const
{
    return m_sinkPad ? TGstCaps::adopt(gst_pad_get_current_caps(m_sinkPad)) : TGstCaps();
}
