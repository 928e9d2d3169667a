// The thin GStreamer layer: graph surgery, control, seeking, errors, and the pass-through base.
#include "MediaTestUtil.h"
#include "media/gst/TGstGraph.h"
#include "media/gst/TPassThrough.h"

#include <gst/app/gstappsink.h>
#include <gtest/gtest.h>

#include <atomic>

using namespace mediatest;

namespace {

class CountingPassThrough : public TPassThrough
{
public:
    std::atomic<int> samples{0}, starts{0}, connects{0}, typeChanges{0}, segments{0};
    std::atomic<bool> withholdOdd{false};
    std::atomic<bool> refuseAudio{false};
    ~CountingPassThrough() override { stopStreaming(); }

protected:
    bool checkInputType(GstCaps *caps) override
    {
        if (!refuseAudio)
            return true;
        return !g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps, 0)), "audio/");
    }
    void completeConnect(GstCaps *) override { ++connects; }
    void startStreaming() override { ++starts; }
    void newSegment(const GstSegment &) override { ++segments; }
    void mediaTypeChanged(GstCaps *) override { ++typeChanges; }
    SampleResult sample(GstBuffer *) override
    {
        const int n = samples++;
        return withholdOdd && (n % 2) ? SampleResult::Withhold : SampleResult::Pass;
    }
};

struct Chain
{
    TGstElement src, sink;
};

// src ! pt ! sink, all added to g and linked.
Chain buildChain(TGstGraph &g, TPassThrough &pt, const char *srcFactory, const char *sinkFactory,
                 const std::function<void(Chain &)> &configure = {})
{
    Chain c{MakeElement(srcFactory), MakeElement(sinkFactory)};
    if (configure)
        configure(c);
    EXPECT_TRUE(g.addElement(c.src, "src"));
    EXPECT_TRUE(g.addElement(pt.element(), "pt"));
    EXPECT_TRUE(g.addElement(c.sink, "sink"));
    TGstPad s = TGstPad::adopt(gst_element_get_static_pad(c.src, "src"));
    TGstPad k = TGstPad::adopt(gst_element_get_static_pad(c.sink, "sink"));
    EXPECT_TRUE(TGstGraph::link(s, pt.sinkPad()));
    EXPECT_TRUE(TGstGraph::link(pt.srcPad(), k));
    for (GstElement *e : {c.sink.get(), pt.element(), c.src.get()})
        gst_element_sync_state_with_parent(e);
    return c;
}

TGstGraph::State settle(TGstGraph &g)
{
    TGstGraph::State s = TGstGraph::State::Changing;
    for (int i = 0; i < 100 && s == TGstGraph::State::Changing; ++i)
        s = g.queryState(40);
    return s;
}

} // namespace

TEST(GstGraph, DuplicateNamesAreRefusedSoCallersNumberThem)
{
    TGstGraph g;
    TGstElement a = MakeElement("identity"), b = MakeElement("identity"), c = MakeElement("identity");
    EXPECT_TRUE(g.addElement(a, "Filter"));
    EXPECT_FALSE(g.addElement(b, "Filter"));
    EXPECT_EQ(GST_OBJECT_PARENT(b.get()), nullptr);
    EXPECT_EQ(g.addElementUnique(b, "Filter"), QStringLiteral("Filter_1"));
    EXPECT_EQ(g.addElementUnique(c, "Filter"), QStringLiteral("Filter_2"));
    EXPECT_FALSE(g.addElement(a, "Other")); // already in a graph
    EXPECT_TRUE(g.removeElement(b));
    EXPECT_FALSE(g.contains(b));
    EXPECT_FALSE(g.removeElement(b));
    EXPECT_EQ(g.elements().size(), 2u);
    g.clear();
    EXPECT_TRUE(g.elements().empty());
    EXPECT_EQ(g.queryState(), TGstGraph::State::Stopped);
}

TEST(GstGraph, PinsShowDirectionPeerAndMediaType)
{
    TGstGraph g;
    CountingPassThrough pt;
    Chain c = buildChain(g, pt, "videotestsrc", "fakesink");
    ASSERT_TRUE(g.pause());
    ASSERT_EQ(settle(g), TGstGraph::State::Paused);
    auto pins = TGstGraph::pins(pt.element());
    ASSERT_EQ(pins.size(), 2u);
    EXPECT_EQ(pins[0].direction, GST_PAD_SINK);
    EXPECT_EQ(pins[1].direction, GST_PAD_SRC);
    EXPECT_TRUE(pins[0].connected() && pins[1].connected());
    EXPECT_TRUE(pins[0].type.isVideo());
    EXPECT_TRUE(TGstGraph::unlink(pins[0].pad));
    EXPECT_FALSE(TGstGraph::unlink(pins[0].pad));
    EXPECT_FALSE(TGstGraph::pinInfo(pins[0].pad).connected());
}

TEST(GstGraph, LinkWithMediaTypeRefusesPadsThatCannotTakeIt)
{
    TGstGraph g;
    TGstElement a = MakeElement("audiotestsrc"), s = MakeElement("fakesink");
    g.addElement(a, "a");
    g.addElement(s, "s");
    TGstPad ap = TGstPad::adopt(gst_element_get_static_pad(a, "src"));
    TGstPad sp = TGstPad::adopt(gst_element_get_static_pad(s, "sink"));
    TGstCaps video = TGstCaps::adopt(gst_caps_from_string("video/x-raw"));
    EXPECT_FALSE(TGstGraph::link(ap, sp, video));
    EXPECT_FALSE(gst_pad_is_linked(ap));
    TGstCaps audio = TGstCaps::adopt(gst_caps_from_string("audio/x-raw"));
    EXPECT_TRUE(TGstGraph::link(ap, sp, audio));
}

TEST(PassThrough, HooksRunAndWithheldSamplesNeverReachDownstream)
{
    TGstGraph g;
    CountingPassThrough pt;
    pt.withholdOdd = true;
    Chain c = buildChain(g, pt, "videotestsrc", "fakesink", [](Chain &made) {
        g_object_set(made.src, "num-buffers", 20, nullptr);
        g_object_set(made.sink, "signal-handoffs", TRUE, "sync", FALSE, nullptr);
    });
    std::atomic<int> received{0};
    g_signal_connect(c.sink, "handoff", G_CALLBACK(+[](GstElement *, GstBuffer *, GstPad *, gpointer d) {
                         ++*static_cast<std::atomic<int> *>(d);
                     }),
                     &received);
    bool done = false;
    QObject::connect(&g, &TGstGraph::completed, [&] { done = true; });
    ASSERT_TRUE(g.run());
    ASSERT_TRUE(waitUntil([&] { return done; }));
    EXPECT_EQ(pt.samples.load(), 20);
    EXPECT_EQ(received.load(), 10);
    EXPECT_GE(pt.starts.load(), 1);
    EXPECT_EQ(pt.connects.load(), 1);
    EXPECT_GE(pt.typeChanges.load(), 1);
    EXPECT_GE(pt.segments.load(), 1);
    EXPECT_EQ(TPassThrough::fromElement(pt.element()), &pt);
}

TEST(PassThrough, RefusedTypeFailsNegotiationAndReachesMainThreadAsError)
{
    TGstGraph g;
    CountingPassThrough pt;
    pt.refuseAudio = true;
    Chain c = buildChain(g, pt, "audiotestsrc", "fakesink");
    QString error;
    QObject::connect(&g, &TGstGraph::errorOccurred, [&](const QString &m, const QString &) { error = m; });
    g.pause();
    ASSERT_TRUE(waitUntil([&] { return !error.isEmpty(); }));
    EXPECT_GE(g.errorCount(), 1);
    EXPECT_EQ(pt.samples.load(), 0);
}

// The graph tells which objects posted the errors counted after a given count, by their paths,
// and keeps only the last ones.
TEST(GstGraph, ErrorSourcesAreKeptByPathForTheLastErrors)
{
    TGstGraph g;
    TGstElement a = MakeElement("fakesink"), b = MakeElement("fakesink");
    g.addElement(a, "sound parser");
    g.addElement(b, "picture queue");
    auto post = [&](GstElement *e) {
        GError *error = g_error_new_literal(GST_CORE_ERROR, GST_CORE_ERROR_FAILED, "x");
        gst_element_post_message(e, gst_message_new_error(GST_OBJECT(e), error, nullptr));
        g_error_free(error);
    };
    const int start = g.errorCount();
    post(a);
    post(b);
    EXPECT_EQ(g.errorCount(), start + 2) << "counted as they are posted";
    const QStringList both = g.errorSourcesSince(start);
    ASSERT_EQ(both.size(), 2);
    EXPECT_TRUE(both[0].endsWith(QStringLiteral(":sound parser"))) << both[0].toStdString();
    EXPECT_TRUE(both[1].endsWith(QStringLiteral(":picture queue"))) << both[1].toStdString();
    EXPECT_EQ(g.errorSourcesSince(start + 1), QStringList{both[1]});
    EXPECT_TRUE(g.errorSourcesSince(start + 2).isEmpty());
    for (int i = 0; i < TGstGraph::kErrorSources + 4; ++i)
        post(a);
    EXPECT_EQ(g.errorSourcesSince(start).size(), TGstGraph::kErrorSources) << "only the last ones";
    pump(50);
}

TEST(GstGraph, StopStaysPausedKeepsPositionAndReportsStopped)
{
    TGstGraph g;
    CountingPassThrough pt;
    Chain c = buildChain(g, pt, "videotestsrc", "fakesink");
    g_object_set(c.sink, "sync", TRUE, nullptr);
    ASSERT_TRUE(g.run());
    ASSERT_EQ(settle(g), TGstGraph::State::Running);
    pump(300);
    ASSERT_TRUE(g.stop());
    EXPECT_EQ(settle(g), TGstGraph::State::Stopped);
    GstState cur = GST_STATE_NULL;
    gst_element_get_state(g.element(), &cur, nullptr, 0);
    EXPECT_EQ(cur, GST_STATE_PAUSED);
    EXPECT_GT(g.position(), 1000000); // > 0.1 s
    EXPECT_TRUE(gst_pad_is_linked(pt.srcPad()));
    ASSERT_TRUE(g.run());
    EXPECT_EQ(settle(g), TGstGraph::State::Running);
}

TEST(GstGraph, SeekWhilePausedPrerollsTheFrameSought)
{
    TGstGraph g;
    CountingPassThrough pt;
    Chain c = buildChain(g, pt, "videotestsrc", "appsink");
    ASSERT_TRUE(g.pause());
    ASSERT_EQ(settle(g), TGstGraph::State::Paused);
    EXPECT_TRUE(g.canSeek());
    ASSERT_TRUE(g.seek(20000000)); // 2 s
    ASSERT_EQ(settle(g), TGstGraph::State::Paused);
    TGstSample s = TGstSample::adopt(gst_app_sink_try_pull_preroll(GST_APP_SINK(c.sink.get()), GST_SECOND));
    ASSERT_TRUE(s);
    EXPECT_EQ(GST_BUFFER_PTS(gst_sample_get_buffer(s)), 2 * GST_SECOND);
    EXPECT_EQ(g.position(), 20000000);
    // The rate is applied by a seek only when it changes.
    EXPECT_TRUE(g.setRate(1.0));
    EXPECT_TRUE(g.setRate(4.0));
    EXPECT_EQ(g.rate(), 4.0);
    ASSERT_EQ(settle(g), TGstGraph::State::Paused);
    EXPECT_EQ(g.position(), 20000000);
}

TEST(GstGraph, MissingFileIsAnErrorValueNotACrash)
{
    TGstGraph g;
    TGstElement src = MakeElement("filesrc"), sink = MakeElement("fakesink");
    g_object_set(src, "location", "/nonexistent/framix.avi", nullptr);
    g.addElement(src, "src");
    g.addElement(sink, "sink");
    gst_element_link(src, sink);
    QString error;
    QObject::connect(&g, &TGstGraph::errorOccurred, [&](const QString &m, const QString &) { error = m; });
    EXPECT_FALSE(g.pause());
    ASSERT_TRUE(waitUntil([&] { return !error.isEmpty(); }));
    EXPECT_EQ(g.lastError(), error);
}

TEST(GstGraph, ClockCanBeRemovedAndRestored)
{
    TGstGraph g;
    CountingPassThrough pt;
    Chain c = buildChain(g, pt, "videotestsrc", "fakesink");
    g_object_set(c.sink, "sync", TRUE, nullptr);
    g.setClockEnabled(false);
    ASSERT_TRUE(g.run());
    ASSERT_EQ(settle(g), TGstGraph::State::Running);
    // Without a clock frames go as fast as they are made: far more than 0.3 s worth.
    pump(300);
    EXPECT_GT(pt.samples.load(), 60);
    g.setClockEnabled(true);
    EXPECT_TRUE(g.clockEnabled());
    EXPECT_EQ(settle(g), TGstGraph::State::Running);
}

TEST(GstGraph, PipelineAndElementsAreFreedWithTheGraphAfterStateChangesAndErrors)
{
    // Every state change, stream status and error posts bus messages that hold their source:
    // one left alive keeps the whole pipeline alive.
    GWeakRef pipeline, element, failed;
    {
        TGstGraph g;
        CountingPassThrough pt;
        Chain c = buildChain(g, pt, "videotestsrc", "fakesink");
        g_weak_ref_init(&pipeline, g.element());
        g_weak_ref_init(&element, c.src.get());
        ASSERT_TRUE(g.run());
        ASSERT_EQ(settle(g), TGstGraph::State::Running);
        pump(100);
        ASSERT_TRUE(g.seek(10000000));
        ASSERT_TRUE(g.stop());
        settle(g);
        g.clear();
        TGstElement src = MakeElement("filesrc"), sink = MakeElement("fakesink");
        g_object_set(src, "location", "/nonexistent/framix.avi", nullptr);
        g_weak_ref_init(&failed, src.get());
        g.addElement(src, "src");
        g.addElement(sink, "sink");
        gst_element_link(src, sink);
        EXPECT_FALSE(g.pause());
        ASSERT_TRUE(waitUntil([&] { return g.errorCount() > 0; }));
        pump(50);
    }
    pump(50);
    for (GWeakRef *w : {&pipeline, &element, &failed}) {
        GObject *alive = static_cast<GObject *>(g_weak_ref_get(w));
        EXPECT_EQ(alive, nullptr) << (alive ? G_OBJECT_TYPE_NAME(alive) : "");
        if (alive)
            g_object_unref(alive);
        g_weak_ref_clear(w);
    }
}
