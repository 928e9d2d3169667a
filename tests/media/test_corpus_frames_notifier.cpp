// The frames notifier in real graphs on the frame-index clips: filesrc ! demuxer ! parser !
// decoder ! frames notifier ! videoconvert ! appsink (BGRx). Every frame that reaches the sink
// shows its own index; its position must be that index times the frame duration, in plain
// playback, after flushing seeks (accurate and key-unit) and after a new segment. Watches fire
// once on the right frame; withheld frames never reach the sink.
//
// The normal run takes one clip of each kind; FRAMIX_LONG=1 runs every frame-index clip.
#include "CorpusSupport.h"
#include "MediaTestUtil.h"
#include "core/TMessageReceiver.h"
#include "media/FrameGrid.h"
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
    // Segment seeks chained without a flush: tsdemux refuses segment seeks; avidemux and
    // mpegpsdemux keep a stream that the decoder ended (a frame past a segment's stop) ended
    // through the next non-flushing seek.
    bool chainsSegments;

    // tsdemux does not find the H.264 key frames of a long GOP: a key-unit seek lands inside a
    // GOP and the decoder shows broken pictures. There the key-unit seeks are accurate ones.
    GstSeekFlags keyUnit() const
    {
        if (file.endsWith(".m2ts"))
            return GST_SEEK_FLAG_ACCURATE;
        return GstSeekFlags(GST_SEEK_FLAG_KEY_UNIT | GST_SEEK_FLAG_SNAP_BEFORE);
    }
};

// The decoding chain of a frame-index clip, by its name.
Clip clipFor(const QString &file, int frames)
{
    Clip c{file,   nullptr, nullptr,
           frames, false,   file.endsWith(".mkv") || file.endsWith(".mp4") || file.endsWith(".dv")};
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
        c.demuxer = "avidemux", c.branch = "avdec_dvvideo"; // behind a dvdemux of its own
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

// How far before its target a seek goes on a demuxer that lands late (MPEG program streams
// land up to a second after an accurate target).
constexpr int kLateMargin = 45;

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
    TMessageReceiver<TFrameDurationMsg> nav{
        [this](const TFrameDurationMsg &m) { fn.SetFrameDuration(int64_t(m.duration)); }};

    explicit Graph(const Clip &clip) : m_clip(clip)
    {
        fn.SetNavWindow({&nav, nullptr});
        m_pipeline = TGstElement::sink(gst_pipeline_new("fn-test"));
        GstBin *bin = GST_BIN(m_pipeline.get());
        GstElement *src = gst_element_factory_make("filesrc", nullptr);
        g_object_set(src, "location", framixtest::corpusFile(clip.file).toLocal8Bit().constData(), nullptr);
        GstElement *demux = gst_element_factory_make(clip.demuxer, nullptr);
        TGError err;
        const QByteArray branch = QByteArray("queue ! ") + clip.branch;
        m_branch = gst_parse_bin_from_description(branch.constData(), TRUE, err.out());
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
        bool failed = false;
        mediatest::waitUntil(
            [&] {
                // Every message is looked at (none is dropped unseen); the types seen are kept
                // until a wait takes them.
                while (TGstMessage m = TGstMessage::adopt(gst_bus_pop(m_bus))) {
                    m_seen |= GST_MESSAGE_TYPE(m.get());
                    if (GST_MESSAGE_TYPE(m.get()) == GST_MESSAGE_ERROR) {
                        TGError e;
                        gst_message_parse_error(m, e.out(), nullptr);
                        ADD_FAILURE() << m_clip.file.toStdString() << ": " << (e ? e.message() : "error");
                        failed = true;
                    }
                }
                return failed || (m_seen & types) != 0;
            },
            ms);
        const bool got = !failed && (m_seen & types) != 0;
        m_seen &= ~unsigned(types);
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
        const gint64 t = (fn.Origin() + TFrameGrid(d()).TimeOf(k)) * 100;
        if (!seek(GstSeekFlags(GST_SEEK_FLAG_FLUSH | extra), t, -1))
            return false;
        return waitFor(GST_MESSAGE_ASYNC_DONE);
    }

    // From frame `from` to the end; a segment seek ends with SEGMENT_DONE instead of EOS.
    // (No stop position: a decoder that meets a frame past the stop ends its stream with
    // EOS, which some demuxers keep through the next non-flushing seek.)
    bool segmentSeek(int from, bool flush, bool segment)
    {
        const gint64 a = (fn.Origin() + TFrameGrid(d()).TimeOf(from)) * 100;
        const int flags = GST_SEEK_FLAG_ACCURATE | (segment ? GST_SEEK_FLAG_SEGMENT : 0) |
                          (flush ? GST_SEEK_FLAG_FLUSH : 0);
        return seek(GstSeekFlags(flags), a, -1);
    }

    // Seeks go up the video branch only, so that the demuxer sees each seek once.
    bool seek(GstSeekFlags flags, gint64 start, gint64 stop)
    {
        return gst_element_send_event(
            m_sink,
            gst_event_new_seek(1.0, GST_FORMAT_TIME, flags, GST_SEEK_TYPE_SET, start,
                               stop < 0 ? GST_SEEK_TYPE_NONE : GST_SEEK_TYPE_SET, stop < 0 ? 0 : stop));
    }

    void flushBus()
    {
        gst_bus_set_flushing(m_bus, TRUE);
        gst_bus_set_flushing(m_bus, FALSE);
        m_seen = 0;
    }

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

    // Every frame seen so far sits at its index's time on the frame grid.
    void expectOnGrid(const char *what)
    {
        int wrong = 0;
        for (const auto *list : {&m_samples, &m_prerolls})
            for (const Seen &s : *list)
                if ((s.index < 0 || s.position != TFrameGrid(d()).TimeOf(s.index)) && wrong++ < 5)
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
        const GstStructure *st = gst_caps_get_structure(caps, 0);
        const char *name = gst_structure_get_name(st);
        gboolean system = FALSE;
        if (g_str_equal(name, "video/x-dv") && gst_structure_get_boolean(st, "systemstream", &system) &&
            system) {
            // An interleaved DV stream (type-1 AVI): split it, its video pad comes back here.
            GstElement *q = gst_element_factory_make("queue", nullptr);
            GstElement *dv = gst_element_factory_make("dvdemux", nullptr);
            gst_bin_add_many(GST_BIN(g->m_pipeline.get()), q, dv, nullptr);
            g_signal_connect(dv, "pad-added", G_CALLBACK(&Graph::onPadAdded), g);
            gst_element_link(q, dv);
            gst_element_sync_state_with_parent(dv);
            gst_element_sync_state_with_parent(q);
            TGstPad qs = TGstPad::adopt(gst_element_get_static_pad(q, "sink"));
            gst_pad_link(pad, qs);
            return;
        }
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
    unsigned m_seen = 0; // message types seen and not yet waited for
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
        TMessageReceiver<TFramesReachedMsg> w0([&](const TFramesReachedMsg &m) {
            fired0.push_back({m.target, m.position, g.fn.Position()});
        });
        TMessageReceiver<TFramesReachedMsg> w1([&](const TFramesReachedMsg &m) {
            fired1.push_back({m.target, m.position, g.fn.Position()});
        });
        g.fn.SetWatchWindow(0, &w0);
        g.fn.SetWatchWindow(1, &w1);
        // The frame duration is known once the caps passed: arm the watches in the prerolled
        // graph (the notifier has seen frame 0 only).
        ASSERT_TRUE(g.setState(GST_STATE_PAUSED));
        const int64_t d = g.d();
        ASSERT_GT(d, 1000);
        g.fn.SetWatch(0, TFrameGrid(d).TimeOf(37) + d / 2);
        g.fn.SetWatch(1, TFrameGrid(d).TimeOf(61) + d / 2 + 1);
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
        EXPECT_EQ(g.fn.Position(), TFrameGrid(d).TimeOf(clip.frames - 1));
        ASSERT_EQ(fired0.size(), 1u);
        EXPECT_EQ(fired0[0].position, TFrameGrid(d).TimeOf(37));
        EXPECT_EQ(fired0[0].seenPosition, TFrameGrid(d).TimeOf(37))
            << "the streaming thread waits on the frame";
        ASSERT_EQ(fired1.size(), 1u);
        EXPECT_EQ(fired1[0].position, TFrameGrid(d).TimeOf(62));
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
        for (const int k : {last / 2, 3, last - 12, 12, 1, last / 3}) {
            g.clear();
            // A demuxer that lands late is asked for an earlier time, as the navigation does.
            const int at = clip.landsAfterTarget ? std::max(0, k - kLateMargin) : k;
            ASSERT_TRUE(g.seekToFrame(at, GST_SEEK_FLAG_ACCURATE)) << k;
            const std::vector<Seen> p = g.prerolls();
            ASSERT_EQ(p.size(), 1u) << k;
            if (clip.landsAfterTarget)
                EXPECT_GE(p[0].index, at);
            else
                EXPECT_EQ(p[0].index, k);
            EXPECT_EQ(g.fn.Position(), TFrameGrid(d).TimeOf(p[0].index)) << k;
            g.expectOnGrid("accurate seek");
        }
        // Key-unit seeks land on a key frame at or before the target: the position is that of
        // the frame shown, not the target.
        for (const int k : {last - 15, last / 2 + 7}) {
            g.clear();
            const int at = clip.landsAfterTarget ? std::max(0, k - kLateMargin) : k;
            ASSERT_TRUE(g.seekToFrame(at, clip.keyUnit())) << k;
            const std::vector<Seen> p = g.prerolls();
            ASSERT_EQ(p.size(), 1u) << k;
            EXPECT_GE(p[0].index, 0);
            if (!clip.landsAfterTarget) {
                EXPECT_LE(p[0].index, k);
            }
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
        for (const int k : {last / 2 + 3, last - 14}) {
            g.clear();
            TMessageReceiver<TFramesReachedMsg> w([&](TFramesReachedMsg &) { g.fn.SetDeliver(true); });
            g.fn.SetWatchWindow(0, &w);
            g.fn.SetWatch(0, TFrameGrid(d).TimeOf(k));
            g.fn.SetDeliver(false);
            const int at = std::max(0, k - (clip.landsAfterTarget ? kLateMargin : 4));
            ASSERT_TRUE(g.seekToFrame(at, clip.keyUnit()));
            const std::vector<Seen> p = g.prerolls();
            ASSERT_EQ(p.size(), 1u) << k;
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
        if (!clip.chainsSegments)
            continue;
        SCOPED_TRACE(clip.file.toStdString());
        Graph g(clip);
        ASSERT_TRUE(g.ok());
        ASSERT_TRUE(g.setState(GST_STATE_PAUSED));
        // Frames from 10 to the end as a segment; when it is done, frames from 50 to the end
        // as the next one, without a flush: the second segment maps running time on with a
        // new base, the looping pattern.
        const int last = clip.frames - 1;
        const int a = 10, c = 50;
        g.flushBus();
        ASSERT_TRUE(g.segmentSeek(a, true, true));
        ASSERT_TRUE(g.waitFor(GST_MESSAGE_ASYNC_DONE));
        gst_element_set_state(g.pipeline(), GST_STATE_PLAYING);
        ASSERT_TRUE(g.waitFor(GST_MESSAGE_SEGMENT_DONE));
        ASSERT_TRUE(g.segmentSeek(c, false, false));
        const bool eos = g.waitFor(GST_MESSAGE_EOS);
        const std::vector<Seen> s = g.samples();
        ASSERT_FALSE(s.empty());
        ASSERT_TRUE(eos) << s.size() << " frames, the last " << s.back().index;
        // Two runs of consecutive frames: a to the last, c to the last.
        size_t jump = 0;
        for (size_t i = 1; i < s.size(); ++i)
            if (s[i].index != s[i - 1].index + 1) {
                EXPECT_EQ(jump, 0u) << "frames follow each other within a segment";
                jump = i;
            }
        ASSERT_GT(jump, 0u);
        EXPECT_EQ(s[0].index, a);
        EXPECT_EQ(s[jump - 1].index, last);
        EXPECT_EQ(s[jump].index, c);
        EXPECT_EQ(s.back().index, last);
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
        EXPECT_EQ(g.fn.Position(), TFrameGrid(g.d()).TimeOf(clip.frames - 1));
    }
}
