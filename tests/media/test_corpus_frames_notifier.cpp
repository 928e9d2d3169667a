// The frames notifier in real graphs on the frame-index clips: filesrc ! demuxer ! parser !
// decoder ! frames notifier ! videoconvert ! appsink (BGRx). Every frame that reaches the sink
// shows its own index; its position must be that index times the frame duration, in plain
// playback, after flushing seeks (accurate and key-unit) and after a new segment. Watches fire
// once on the right frame; withheld frames never reach the sink.
//
// The normal run takes one clip of each kind; FRAMIX_LONG=1 runs every frame-index clip.
#include "CorpusSupport.h"
#include "MediaTestUtil.h"
#include "actions/TMessageReceiver.h"
#include "media/MediaMessages.h"
#include "media/TFrameIndex.h"
#include "media/TFramesNotifier.h"

#include <gst/app/gstappsink.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <QImage>

#include <mutex>
#include <vector>

using namespace corpus;

namespace {

struct Clip
{
    QString file;
    const char *demuxer;
    const char *branch; // parser and decoder behind the demuxer's video pad
    int frames;
    bool landsAfterTarget; // a demuxer that may land after an accurate seek target
};

// The decoding chain of a frame-index clip, by its name.
Clip clipFor(const QString &file, int frames)
{
    Clip c{file, nullptr, nullptr, frames, false};
    if (file.endsWith(".mkv"))
        c.demuxer = "matroskademux", c.branch = "h264parse ! avdec_h264";
    else if (file.endsWith(".mp4"))
        c.demuxer = "qtdemux", c.branch = "h264parse ! avdec_h264";
    else if (file.endsWith(".m2ts"))
        c.demuxer = "tsdemux", c.branch = "h264parse ! avdec_h264";
    else if (file.endsWith(".ts"))
        c.demuxer = "tsdemux", c.branch = "mpegvideoparse ! avdec_mpeg2video";
    else if (file.endsWith(".mpg"))
        c.demuxer = "mpegpsdemux", c.branch = "mpegvideoparse ! avdec_mpeg2video", c.landsAfterTarget = true;
    else if (file.contains("mjpeg"))
        c.demuxer = "avidemux", c.branch = "jpegparse ! jpegdec";
    else if (file.endsWith("_type1.avi"))
        c.demuxer = "avidemux", c.branch = "dvdemux ! avdec_dvvideo";
    else if (file.endsWith("_type2.avi"))
        c.demuxer = "avidemux", c.branch = "dvdec";
    else if (file.contains("ntsc"))
        c.demuxer = "dvdemux", c.branch = "dvdec";
    else if (file.endsWith(".dv"))
        c.demuxer = "dvdemux", c.branch = "avdec_dvvideo";
    return c;
}

// The frame-index clips to run: one of each kind normally, all of them under FRAMIX_LONG=1.
std::vector<Clip> clips()
{
    const bool all = qEnvironmentVariableIntValue("FRAMIX_LONG") == 1;
    static const QStringList normal = {"fi_h264_576w.mkv", "fi_mpeg2_ts.ts", "fi_mpeg2_ps.mpg",
                                       "fi_dv_pal.dv", "fi_mjpeg.avi"};
    std::vector<Clip> out;
    const QJsonObject list = files();
    for (auto it = list.begin(); it != list.end(); ++it) {
        const QJsonObject e = it.value().toObject();
        if (isDamaged(e) || !e.value("frame_index").toBool())
            continue;
        if (!all && !normal.contains(it.key()))
            continue;
        Clip c = clipFor(it.key(), e.value("video").toObject().value("frames").toInt());
        if (c.demuxer)
            out.push_back(c);
    }
    return out;
}

struct Seen
{
    int index;
    int64_t position;
};

// One test graph around a frames notifier. The navigation window answers the frame duration
// as the navigation manager does, by writing it into the notifier.
class Graph
{
public:
    TFramesNotifier fn;
    TMessageReceiver nav{[this](TMessage &m) {
        if (m.msg == WM_NOTIFY_FRAMEDURATION)
            fn.SetFrameDuration(int64_t(m.wParam));
    }};

    explicit Graph(const Clip &clip) : m_clip(clip)
    {
        fn.SetNavWindow(&nav);
        m_pipeline = TGstElement::sink(gst_pipeline_new("fn-test"));
        GstBin *bin = GST_BIN(m_pipeline.get());
        GstElement *src = gst_element_factory_make("filesrc", nullptr);
        g_object_set(src, "location", framixtest::corpusFile(clip.file).toLocal8Bit().constData(), nullptr);
        GstElement *demux = gst_element_factory_make(clip.demuxer, nullptr);
        GError *err = nullptr;
        const QByteArray branch = QByteArray("queue ! ") + clip.branch;
        m_branch = gst_parse_bin_from_description(branch.constData(), TRUE, &err);
        if (err)
            g_error_free(err);
        GstElement *convert = gst_element_factory_make("videoconvert", nullptr);
        GstElement *filter = gst_element_factory_make("capsfilter", nullptr);
        TGstCaps bgrx = TGstCaps::adopt(gst_caps_from_string("video/x-raw,format=BGRx"));
        g_object_set(filter, "caps", bgrx.get(), nullptr);
        m_sink = gst_element_factory_make("appsink", nullptr);
        g_object_set(m_sink, "sync", FALSE, nullptr);
        if (!src || !demux || !m_branch || !convert || !filter || !m_sink)
            return;
        gst_bin_add_many(bin, src, demux, m_branch, fn.element(), convert, filter, m_sink, nullptr);
        m_ok = gst_element_link(src, demux) &&
               gst_element_link_many(m_branch, fn.element(), convert, filter, m_sink, nullptr);
        g_signal_connect(demux, "pad-added", G_CALLBACK(&Graph::onPadAdded), this);
        GstAppSinkCallbacks cb{};
        cb.new_sample = &Graph::onSample;
        cb.new_preroll = &Graph::onPreroll;
        gst_app_sink_set_callbacks(GST_APP_SINK(m_sink), &cb, this, nullptr);
        m_bus = TGstBus::adopt(gst_element_get_bus(m_pipeline));
    }

    ~Graph()
    {
        if (m_pipeline)
            gst_element_set_state(m_pipeline, GST_STATE_NULL);
    }

    bool ok() const { return m_ok; }
    GstElement *pipeline() const { return m_pipeline.get(); }
    int64_t d() const { return fn.FrameDuration(); }

    // Main thread: processes events (the notifier's sent messages) until a message of one of
    // the types arrives; false on an error or after ms.
    bool waitFor(GstMessageType types, int ms = 30000)
    {
        bool got = false;
        mediatest::waitUntil(
            [&] {
                TGstMessage m = TGstMessage::adopt(
                    gst_bus_pop_filtered(m_bus, GstMessageType(types | GST_MESSAGE_ERROR)));
                if (!m)
                    return false;
                if (GST_MESSAGE_TYPE(m.get()) == GST_MESSAGE_ERROR) {
                    GError *e = nullptr;
                    gst_message_parse_error(m, &e, nullptr);
                    ADD_FAILURE() << m_clip.file.toStdString() << ": " << (e ? e->message : "error");
                    g_clear_error(&e);
                    return true;
                }
                got = true;
                return true;
            },
            ms);
        return got;
    }

    bool setState(GstState s)
    {
        flushBus();
        const GstStateChangeReturn r = gst_element_set_state(m_pipeline, s);
        if (r == GST_STATE_CHANGE_FAILURE)
            return false;
        return r != GST_STATE_CHANGE_ASYNC || waitFor(GST_MESSAGE_ASYNC_DONE);
    }

    // A flushing seek to the stream time of frame k (through the origin) in the paused graph;
    // true once the sink prerolled again.
    bool seekToFrame(int k, GstSeekFlags extra)
    {
        flushBus();
        const gint64 t = (fn.Origin() + int64_t(k) * d()) * 100;
        if (!gst_element_seek_simple(m_pipeline, GST_FORMAT_TIME, GstSeekFlags(GST_SEEK_FLAG_FLUSH | extra),
                                     t))
            return false;
        return waitFor(GST_MESSAGE_ASYNC_DONE);
    }

    bool segmentSeek(int from, int to, bool flush)
    {
        const gint64 a = (fn.Origin() + int64_t(from) * d()) * 100;
        const gint64 b = (fn.Origin() + int64_t(to) * d()) * 100;
        const int flags = GST_SEEK_FLAG_SEGMENT | GST_SEEK_FLAG_ACCURATE | (flush ? GST_SEEK_FLAG_FLUSH : 0);
        return gst_element_seek(m_pipeline, 1.0, GST_FORMAT_TIME, GstSeekFlags(flags), GST_SEEK_TYPE_SET, a,
                                GST_SEEK_TYPE_SET, b);
    }

    void flushBus() { gst_bus_set_flushing(m_bus, TRUE), gst_bus_set_flushing(m_bus, FALSE); }

    std::vector<Seen> samples()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_samples;
    }
    std::vector<Seen> prerolls()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_prerolls;
    }
    void clear()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_samples.clear();
        m_prerolls.clear();
    }
    size_t sampleCount()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_samples.size();
    }

    // Every frame seen so far sits at its index times the frame duration.
    void expectOnGrid(const char *what)
    {
        int wrong = 0;
        for (const auto *list : {&m_samples, &m_prerolls})
            for (const Seen &s : *list)
                if ((s.index < 0 || s.position != int64_t(s.index) * d()) && wrong++ < 5)
                    ADD_FAILURE() << m_clip.file.toStdString() << " " << what << ": frame " << s.index
                                  << " at position " << s.position << " (" << double(s.position) / double(d())
                                  << " frames)";
    }

private:
    // Streaming thread.
    static void onPadAdded(GstElement *, GstPad *pad, gpointer self)
    {
        auto *g = static_cast<Graph *>(self);
        TGstCaps caps = TGstCaps::adopt(gst_pad_get_current_caps(pad));
        if (!caps)
            caps = TGstCaps::adopt(gst_pad_query_caps(pad, nullptr));
        const char *name = gst_structure_get_name(gst_caps_get_structure(caps, 0));
        const bool video = g_str_has_prefix(name, "video/") || g_str_has_prefix(name, "image/");
        TGstPad branchSink = TGstPad::adopt(gst_element_get_static_pad(g->m_branch, "sink"));
        if (video && !gst_pad_is_linked(branchSink)) {
            gst_pad_link(pad, branchSink);
            return;
        }
        // Other streams: their buffers are dropped at the demuxer (a paused sink would hold
        // the demuxer, and the video with it); their events go to a sink.
        gst_pad_add_probe(
            pad, GstPadProbeType(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
            [](GstPad *, GstPadProbeInfo *, gpointer) { return GST_PAD_PROBE_DROP; }, nullptr, nullptr);
        GstElement *other = gst_element_factory_make("fakesink", nullptr);
        g_object_set(other, "sync", FALSE, "async", FALSE, nullptr);
        gst_bin_add(GST_BIN(g->m_pipeline.get()), other);
        gst_element_sync_state_with_parent(other);
        TGstPad s = TGstPad::adopt(gst_element_get_static_pad(other, "sink"));
        gst_pad_link(pad, s);
    }

    // Streaming thread: the notifier is on this thread just before the sink, so its position
    // is the one of this very frame.
    Seen read(GstSample *sample)
    {
        Seen s{-1, fn.Position()};
        GstVideoInfo info;
        if (sample && gst_video_info_from_caps(&info, gst_sample_get_caps(sample))) {
            GstVideoFrame frame;
            if (gst_video_frame_map(&frame, &info, gst_sample_get_buffer(sample), GST_MAP_READ)) {
                const QImage img(static_cast<const uchar *>(GST_VIDEO_FRAME_PLANE_DATA(&frame, 0)),
                                 GST_VIDEO_FRAME_WIDTH(&frame), GST_VIDEO_FRAME_HEIGHT(&frame),
                                 GST_VIDEO_FRAME_PLANE_STRIDE(&frame, 0), QImage::Format_RGB32);
                s.index = FrameIndexFromImage(img);
                gst_video_frame_unmap(&frame);
            }
        }
        return s;
    }
    static GstFlowReturn onSample(GstAppSink *sink, gpointer self)
    {
        auto *g = static_cast<Graph *>(self);
        const TGstSample sample = TGstSample::adopt(gst_app_sink_pull_sample(sink));
        const Seen s = g->read(sample);
        std::lock_guard<std::mutex> lock(g->m_mutex);
        g->m_samples.push_back(s);
        return GST_FLOW_OK;
    }
    static GstFlowReturn onPreroll(GstAppSink *sink, gpointer self)
    {
        auto *g = static_cast<Graph *>(self);
        const TGstSample sample = TGstSample::adopt(gst_app_sink_pull_preroll(sink));
        const Seen s = g->read(sample);
        std::lock_guard<std::mutex> lock(g->m_mutex);
        g->m_prerolls.push_back(s);
        return GST_FLOW_OK;
    }

    Clip m_clip;
    TGstElement m_pipeline;
    GstElement *m_branch = nullptr; // owned by the pipeline
    GstElement *m_sink = nullptr;   // owned by the pipeline
    TGstBus m_bus;
    bool m_ok = false;
    std::mutex m_mutex;
    std::vector<Seen> m_samples, m_prerolls;
};

#define FOR_EACH_CLIP(c)                                                                                     \
    const std::vector<Clip> all_ = clips();                                                                  \
    if (all_.empty())                                                                                        \
        GTEST_SKIP() << "no frame-index clips: build the corpus target";                                     \
    for (const Clip &c : all_)

} // namespace

TEST(CorpusFramesNotifier, PlainPlaybackPutsEveryFrameAtItsIndexAndWatchesFireOnce)
{
    FOR_EACH_CLIP(clip)
    {
        SCOPED_TRACE(clip.file.toStdString());
        Graph g(clip);
        ASSERT_TRUE(g.ok());
        // Watch 0 exactly half a frame after frame 37 (frame 37 reaches it), watch 1 one unit
        // after half a frame past frame 61 (frame 62).
        struct Fired
        {
            int64_t target, position, seenPosition;
        };
        std::vector<Fired> fired0, fired1;
        TMessageReceiver w0([&](TMessage &m) {
            fired0.push_back({int64_t(m.wParam), m.lParam, g.fn.Position()});
        });
        TMessageReceiver w1([&](TMessage &m) {
            fired1.push_back({int64_t(m.wParam), m.lParam, g.fn.Position()});
        });
        g.fn.SetWatchWindow(0, &w0);
        g.fn.SetWatchWindow(1, &w1);
        // The frame duration is known once the caps passed: arm the watches in the prerolled
        // graph (the notifier has seen frame 0 only).
        ASSERT_TRUE(g.setState(GST_STATE_PAUSED));
        const int64_t d = g.d();
        ASSERT_GT(d, 1000);
        g.fn.SetWatch(0, 37 * d + d / 2);
        g.fn.SetWatch(1, 61 * d + d / 2 + 1);
        g.flushBus();
        gst_element_set_state(g.pipeline(), GST_STATE_PLAYING);
        ASSERT_TRUE(g.waitFor(GST_MESSAGE_EOS));

        const std::vector<Seen> s = g.samples();
        ASSERT_EQ(int(s.size()), clip.frames);
        for (int n = 0; n < clip.frames; ++n)
            if (s[size_t(n)].index != n) {
                ADD_FAILURE() << "frame " << n << " shows " << s[size_t(n)].index;
                break;
            }
        g.expectOnGrid("playback");
        EXPECT_EQ(g.fn.Position(), int64_t(clip.frames - 1) * d);
        ASSERT_EQ(fired0.size(), 1u);
        EXPECT_EQ(fired0[0].position, 37 * d);
        EXPECT_EQ(fired0[0].seenPosition, 37 * d) << "the streaming thread waits on the frame";
        ASSERT_EQ(fired1.size(), 1u);
        EXPECT_EQ(fired1[0].position, 62 * d);
    }
}

TEST(CorpusFramesNotifier, FlushingSeeksKeepPositionsOnTheFramesShown)
{
    FOR_EACH_CLIP(clip)
    {
        SCOPED_TRACE(clip.file.toStdString());
        Graph g(clip);
        ASSERT_TRUE(g.ok());
        ASSERT_TRUE(g.setState(GST_STATE_PAUSED));
        const int64_t d = g.d();
        const int last = clip.frames - 1;
        // Accurate seeks, forwards and backwards, onto and between key frames.
        for (const int k : {last / 2, 3, last - 2, 12, 1, last / 3}) {
            g.clear();
            ASSERT_TRUE(g.seekToFrame(k, GST_SEEK_FLAG_ACCURATE)) << k;
            const std::vector<Seen> p = g.prerolls();
            ASSERT_EQ(p.size(), 1u) << k;
            if (clip.landsAfterTarget)
                EXPECT_GE(p[0].index, k);
            else
                EXPECT_EQ(p[0].index, k);
            EXPECT_EQ(g.fn.Position(), int64_t(p[0].index) * d) << k;
            g.expectOnGrid("accurate seek");
        }
        // Key-unit seeks land on a key frame at or before the target: the position is that of
        // the frame shown, not the target.
        for (const int k : {last - 5, last / 2 + 7}) {
            g.clear();
            ASSERT_TRUE(g.seekToFrame(k, GstSeekFlags(GST_SEEK_FLAG_KEY_UNIT | GST_SEEK_FLAG_SNAP_BEFORE)))
                << k;
            const std::vector<Seen> p = g.prerolls();
            ASSERT_EQ(p.size(), 1u) << k;
            EXPECT_GE(p[0].index, 0);
            g.expectOnGrid("key-unit seek");
        }
        // Playing on from a seek.
        g.clear();
        ASSERT_TRUE(g.seekToFrame(last / 4, GST_SEEK_FLAG_ACCURATE));
        gst_element_set_state(g.pipeline(), GST_STATE_PLAYING);
        ASSERT_TRUE(mediatest::waitUntil([&] { return g.sampleCount() >= 20; }, 60000));
        ASSERT_TRUE(g.setState(GST_STATE_PAUSED));
        const std::vector<Seen> s = g.samples();
        for (size_t i = 1; i < s.size(); ++i)
            EXPECT_EQ(s[i].index, s[i - 1].index + 1) << "frames follow each other";
        g.expectOnGrid("playing after a seek");

        // The precise seek: a key-unit seek before the target with frames withheld until the
        // watch's window releases them. The first frame out is the target.
        for (const int k : {last / 2 + 3, last - 9}) {
            g.clear();
            TMessageReceiver w([&](TMessage &) { g.fn.SetDeliver(true); });
            g.fn.SetWatchWindow(0, &w);
            g.fn.SetWatch(0, int64_t(k) * d);
            g.fn.SetDeliver(false);
            ASSERT_TRUE(
                g.seekToFrame(k - 4, GstSeekFlags(GST_SEEK_FLAG_KEY_UNIT | GST_SEEK_FLAG_SNAP_BEFORE)));
            const std::vector<Seen> p = g.prerolls();
            ASSERT_EQ(p.size(), 1u) << k;
            if (clip.landsAfterTarget)
                EXPECT_GE(p[0].index, k);
            else
                EXPECT_EQ(p[0].index, k);
            EXPECT_FALSE(g.fn.WatchActive(0));
            EXPECT_TRUE(g.fn.Deliver());
            g.expectOnGrid("precise seek");
            g.fn.SetWatchWindow(0, nullptr);
        }
    }
}

TEST(CorpusFramesNotifier, ANewSegmentKeepsPositionsOnTheFramesShown)
{
    FOR_EACH_CLIP(clip)
    {
        SCOPED_TRACE(clip.file.toStdString());
        Graph g(clip);
        ASSERT_TRUE(g.ok());
        ASSERT_TRUE(g.setState(GST_STATE_PAUSED));
        // Frames 10..29 as a segment, then (without a flush) frames 50..69 as the next one: the
        // looping pattern, whose second segment maps running time on with a new base.
        const int last = clip.frames - 1;
        const int a = 10, b = 30, c = std::min(50, last - 25), e = c + 20;
        g.flushBus();
        ASSERT_TRUE(g.segmentSeek(a, b, true));
        ASSERT_TRUE(g.waitFor(GST_MESSAGE_ASYNC_DONE));
        g.clear();
        gst_element_set_state(g.pipeline(), GST_STATE_PLAYING);
        ASSERT_TRUE(g.waitFor(GST_MESSAGE_SEGMENT_DONE));
        ASSERT_TRUE(g.segmentSeek(c, e, false));
        ASSERT_TRUE(g.waitFor(GST_MESSAGE_SEGMENT_DONE));
        const std::vector<Seen> s = g.samples();
        std::vector<int> idx;
        for (const Seen &x : s)
            idx.push_back(x.index);
        ASSERT_FALSE(idx.empty());
        EXPECT_EQ(std::count(idx.begin(), idx.end(), c), 1) << "the second segment was played";
        EXPECT_EQ(std::count(idx.begin(), idx.end(), e - 1), 1);
        g.expectOnGrid("segments");
    }
}

TEST(CorpusFramesNotifier, WithheldFramesNeverReachTheSink)
{
    FOR_EACH_CLIP(clip)
    {
        SCOPED_TRACE(clip.file.toStdString());
        Graph g(clip);
        ASSERT_TRUE(g.ok());
        g.fn.SetDeliver(false);
        gst_element_set_state(g.pipeline(), GST_STATE_PLAYING);
        ASSERT_TRUE(g.waitFor(GST_MESSAGE_EOS));
        EXPECT_EQ(g.sampleCount(), 0u);
        EXPECT_TRUE(g.prerolls().empty());
        EXPECT_EQ(g.fn.FrameCount(), clip.frames) << "every frame was timed";
        EXPECT_EQ(g.fn.Position(), int64_t(clip.frames - 1) * g.d());
    }
}
