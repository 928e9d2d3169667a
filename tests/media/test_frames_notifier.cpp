// The frames notifier as a unit, fed through a harness: positions on the frame grid through
// segments and the origin, the rings, texts, watches, withheld frames, and sent messages that a
// flush abandons.
#include "MediaTestUtil.h"
#include "core/TMessageReceiver.h"
#include "media/MediaMessages.h"
#include "media/TFramesNotifier.h"
#include "media/Timecode.h"

#include <gst/check/gstharness.h>
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <algorithm>
#include <atomic>
#include <functional>
#include <limits>
#include <thread>
#include <type_traits>
#include <variant>
#include <vector>

namespace {

constexpr GstClockTime kFrame = 40 * GST_MSECOND; // 25 fps
constexpr int64_t kD = 400000;                    // the same in 100-ns units

// Records the messages a window receives; the navigation window answers the frame duration
// as the navigation manager does, by writing it back into the notifier.
struct Window
{
    using Receiver =
        TMessageReceiver<TFrameDurationMsg, TFramesPositionMsg, TFramesTextMsg, TFramesReachedMsg>;
    std::vector<Receiver::Message> got;
    TFramesNotifier *writeDuration = nullptr;
    std::function<void()> extra;
    Receiver receiver{[this](auto &m) {
        got.push_back(m);
        if constexpr (std::is_same_v<std::decay_t<decltype(m)>, TFrameDurationMsg>)
            if (writeDuration)
                writeDuration->SetFrameDuration(int64_t(m.duration));
        if (extra)
            extra();
    }};
    template <class M> std::vector<M> all() const { return mediatest::messagesOf<M>(got); }
    template <class M> int count() const { return int(all<M>().size()); }
};

struct Harnessed
{
    TFramesNotifier fn;
    Window nav, video;
    GstHarness *h = nullptr;

    explicit Harnessed(const char *caps = "video/x-raw,format=GRAY8,width=16,height=16,framerate=25/1")
    {
        nav.writeDuration = &fn;
        fn.SetNavWindow({&nav.receiver, &nav.receiver});
        fn.SetVideoWindow(&video.receiver);
        h = gst_harness_new_with_element(fn.element(), "sink", "src");
        gst_harness_play(h);
        gst_harness_set_src_caps_str(h, caps);
    }
    ~Harnessed()
    {
        gst_harness_teardown(h);
        QCoreApplication::removePostedEvents(&nav.receiver);
        QCoreApplication::removePostedEvents(&video.receiver);
    }
    GstFlowReturn push(GstClockTime pts, GstClockTime duration = kFrame)
    {
        GstBuffer *b = gst_buffer_new_allocate(nullptr, 256, nullptr);
        GST_BUFFER_PTS(b) = pts;
        GST_BUFFER_DURATION(b) = duration;
        return gst_harness_push(h, b);
    }
    void segment(GstClockTime start, GstClockTime time, GstClockTime base = 0, bool flush = true)
    {
        if (flush) {
            gst_harness_push_event(h, gst_event_new_flush_start());
            gst_harness_push_event(h, gst_event_new_flush_stop(TRUE));
        }
        GstSegment s;
        gst_segment_init(&s, GST_FORMAT_TIME);
        s.start = start;
        s.position = start;
        s.time = time;
        s.base = base;
        gst_harness_push_event(h, gst_event_new_segment(&s));
    }
    int received() { return int(gst_harness_buffers_received(h)); }
    void drain()
    {
        // Each pulled buffer is ours and dropped at once.
        while (const TGstBuffer b = TGstBuffer::adopt(gst_harness_try_pull(h))) {
        }
    }
    void deliverPosted() { QCoreApplication::sendPostedEvents(); }
};

} // namespace

TEST(FramesNotifierGrid, SnapsToTheNearestFrameWithExactHalvesRoundingDown)
{
    // In 100-ns units: 600000 with frame duration 400000 is an exact half.
    EXPECT_EQ(TFramesNotifier::SnapToFrame(600000 * 100, 400000), 400000);
    EXPECT_EQ(TFramesNotifier::SnapToFrame(600000 * 100 + 1, 400000), 800000);
    EXPECT_EQ(TFramesNotifier::SnapToFrame(199999 * 100, 400000), 0);
    // Before the origin the grid goes on the same way (halves still round down).
    EXPECT_EQ(TFramesNotifier::SnapToFrame(-600000 * 100, 400000), -800000);
    EXPECT_EQ(TFramesNotifier::SnapToFrame(-100000 * 100, 400000), 0);
    // NTSC: frame n of an exact 30000/1001 clock lands on its own start (rounded down to 100 ns),
    // not on n steps of the rounded duration, which drift a third of a unit a frame.
    for (int64_t n : {1, 14, 29, 30, 1799, 107892, 3000000})
        EXPECT_EQ(TFramesNotifier::SnapToFrame(n * 1001000000000 / 30000, 333667), n * 10010000 / 30) << n;
}

TEST(FramesNotifierHarness, ReportsTheFrameDurationOrTheSubstitute)
{
    {
        Harnessed t;
        ASSERT_EQ(t.nav.count<TFrameDurationMsg>(), 1);
        EXPECT_EQ(t.nav.all<TFrameDurationMsg>().back().duration, uint64_t(kD));
        EXPECT_EQ(t.fn.FrameDuration(), kD);
        EXPECT_EQ(t.fn.GetVideoData().Width, 16);
    }
    Harnessed t("video/x-raw,format=GRAY8,width=16,height=16,framerate=0/1");
    ASSERT_EQ(t.nav.count<TFrameDurationMsg>(), 1);
    EXPECT_EQ(t.nav.all<TFrameDurationMsg>().back().duration, uint64_t(TFramesNotifier::kSubstituteDuration));
}

TEST(FramesNotifierHarness, PositionsAreStreamTimesFromTheOriginThroughEverySegment)
{
    Harnessed t;
    // A transport stream: the first frame at 0.54 s, time stamps a little off the grid.
    const GstClockTime first = 540 * GST_MSECOND;
    const int jitter[] = {0, 3, -4, 7, -9, 1};
    for (int n = 0; n < 6; ++n) {
        ASSERT_EQ(t.push(first + n * kFrame + jitter[n] * GST_MSECOND), GST_FLOW_OK);
        EXPECT_EQ(t.fn.Position(), n * kD) << n;
    }
    EXPECT_EQ(t.fn.Origin(), int64_t(first / 100));

    // A flushing seek that lands on the key frame before its target (frame 20): the segment
    // starts at the target, the first frame is frame 12.
    const GstClockTime target = first + 20 * kFrame;
    t.segment(target, target);
    for (int n = 12; n < 25; ++n) {
        ASSERT_EQ(t.push(first + n * kFrame), GST_FLOW_OK);
        EXPECT_EQ(t.fn.Position(), n * kD) << n;
    }
    // A segment that maps running time on (looping, base) and starts elsewhere in the stream.
    t.segment(first + 50 * kFrame, first + 50 * kFrame, 3 * GST_SECOND, false);
    for (int n = 50; n < 53; ++n) {
        ASSERT_EQ(t.push(first + n * kFrame), GST_FLOW_OK);
        EXPECT_EQ(t.fn.Position(), n * kD) << n;
    }
    // A segment whose time field differs from its start (a demuxer that rebases its time
    // stamps): the position follows the stream time, not the time stamp.
    t.segment(10 * GST_SECOND, first + 70 * kFrame);
    ASSERT_EQ(t.push(10 * GST_SECOND + 2 * kFrame), GST_FLOW_OK);
    EXPECT_EQ(t.fn.Position(), 72 * kD);
    // A frame without a time stamp follows the previous one.
    ASSERT_EQ(t.push(GST_CLOCK_TIME_NONE), GST_FLOW_OK);
    EXPECT_EQ(t.fn.Position(), 73 * kD);
    EXPECT_EQ(t.fn.Origin(), int64_t(first / 100)) << "the origin survives seeks and segments";
}

TEST(FramesNotifierHarness, OriginIsTheLowestOfTheFirstFramesAndCanBeResetOrSet)
{
    Harnessed t;
    // A decoder that hands its second frame out first.
    ASSERT_EQ(t.push(700 * GST_MSECOND), GST_FLOW_OK);
    ASSERT_EQ(t.push(660 * GST_MSECOND), GST_FLOW_OK);
    EXPECT_EQ(t.fn.Origin(), 660 * 10000);
    ASSERT_EQ(t.push(740 * GST_MSECOND), GST_FLOW_OK);
    EXPECT_EQ(t.fn.Position(), 2 * kD);
    // After a seek an earlier frame does not move the origin any more.
    t.segment(0, 0);
    ASSERT_EQ(t.push(620 * GST_MSECOND), GST_FLOW_OK);
    EXPECT_EQ(t.fn.Origin(), 660 * 10000);
    EXPECT_EQ(t.fn.Position(), -kD);

    // A new file: learned again from its first frame.
    t.fn.ResetOrigin();
    EXPECT_EQ(t.fn.Origin(), TFramesNotifier::kNoOrigin);
    t.segment(0, 0);
    ASSERT_EQ(t.push(21 * GST_MSECOND), GST_FLOW_OK);
    EXPECT_EQ(t.fn.Origin(), 21 * 10000);
    EXPECT_EQ(t.fn.Position(), 0);
    // An origin the owner knows stays, even while the first frames could still lower a
    // learned one.
    t.fn.SetOrigin(300000);
    ASSERT_EQ(t.push(1 * GST_MSECOND), GST_FLOW_OK);
    EXPECT_EQ(t.fn.Origin(), 300000);
    EXPECT_EQ(t.fn.Position(), -kD);
}

TEST(FramesNotifierHarness, RingsKeepAHundredFramesOfHistoryAndTexts)
{
    Harnessed t;
    for (int n = 0; n < 101; ++n)
        ASSERT_EQ(t.push(n * kFrame), GST_FLOW_OK);
    // The first frame went to slot 1, the 100th to slot 0, the 101st over the first.
    EXPECT_EQ(t.fn.Slot(), 1);
    EXPECT_EQ(t.fn.PrevSlot(), 0);
    EXPECT_EQ(t.fn.HistoryAt(1), 100 * kD + kD / 2); // the middle of frame 100
    EXPECT_EQ(t.fn.HistoryAt(0), 99 * kD + kD / 2);
    EXPECT_EQ(t.fn.HistoryAt(2), 1 * kD + kD / 2);
    EXPECT_EQ(t.fn.TextAt(1), TimecodeText(100 * kD, kD));
    EXPECT_EQ(t.fn.TextAt(1), QStringLiteral("0:00:04:00"));
    EXPECT_EQ(t.fn.TextAt(2), QStringLiteral("0:00:00:01"));
    EXPECT_EQ(t.fn.LastText(), t.fn.TextAt(1));
    EXPECT_EQ(t.fn.HistoryAt(100), 0);
    EXPECT_TRUE(t.fn.TextAt(-1).isEmpty());
}

TEST(FramesNotifierHarness, TextsAreSentWhenTheyChangeAndPositionsPostedAsCopies)
{
    Harnessed t;
    t.push(0); // NotifyText off: nothing
    t.deliverPosted();
    EXPECT_EQ(t.video.count<TFramesTextMsg>(), 0);
    EXPECT_EQ(t.nav.count<TFramesPositionMsg>(), 0);

    t.fn.SetNotifyText(true); // tells of frame 0, the one on screen
    t.push(1 * kFrame);
    t.push(1 * kFrame + GST_MSECOND); // the same frame again: same text
    t.push(2 * kFrame);
    ASSERT_EQ(t.video.count<TFramesTextMsg>(), 3);
    const auto texts = t.video.all<TFramesTextMsg>();
    EXPECT_EQ(texts[1].text, QStringLiteral("0:00:00:01"));
    EXPECT_EQ(texts[1].position, kD);
    EXPECT_EQ(texts[2].text, QStringLiteral("0:00:00:02"));

    // Posted positions are copies: still right after the ring has gone round.
    for (int n = 3; n < 130; ++n)
        t.push(n * kFrame);
    t.deliverPosted();
    const std::vector<TFramesPositionMsg> pos = t.nav.all<TFramesPositionMsg>();
    ASSERT_EQ(pos.size(), 131u);
    for (size_t i = 0; i < pos.size(); ++i) {
        const int64_t p = i == 0 ? 0 : i < 3 ? kD : int64_t(i - 1) * kD;
        EXPECT_EQ(pos[i].position, p) << i;
        EXPECT_EQ(pos[i].text, TimecodeText(p, kD)) << i;
    }
    // A new stream empties the last text: the first text is sent even when it is the same.
    const int sent = t.video.count<TFramesTextMsg>();
    gst_harness_push_event(t.h, gst_event_new_stream_start("again"));
    t.push(129 * kFrame);
    EXPECT_EQ(t.video.count<TFramesTextMsg>(), sent + 1);
}

TEST(FramesNotifierHarness, AFrameShownWhileTheTextsWereOffIsToldOfWhenTheyComeBack)
{
    Harnessed t;
    t.fn.SetNotifyText(true);
    t.push(0);
    // Off (a stop, a seek while playing): the frames that reach the renderer are not told of...
    t.fn.SetNotifyText(false);
    t.push(1 * kFrame);
    t.push(2 * kFrame);
    t.deliverPosted();
    EXPECT_EQ(t.video.count<TFramesTextMsg>(), 1);
    EXPECT_EQ(t.nav.count<TFramesPositionMsg>(), 1);
    // ...but the one on screen is, once, as soon as they are on again: a paused graph sends no
    // other, and the position field and overlay would name frame 0 under frame 2.
    t.fn.SetNotifyText(true);
    t.fn.SetNotifyText(true);
    t.deliverPosted();
    ASSERT_EQ(t.video.count<TFramesTextMsg>(), 2);
    EXPECT_EQ(t.video.all<TFramesTextMsg>().back().text, QStringLiteral("0:00:00:02"));
    ASSERT_EQ(t.nav.count<TFramesPositionMsg>(), 2);
    EXPECT_EQ(t.nav.all<TFramesPositionMsg>().back().position, 2 * kD);
    // The next frame's text is new again; the same frame once more is not.
    t.push(2 * kFrame + GST_MSECOND);
    EXPECT_EQ(t.video.count<TFramesTextMsg>(), 2);
    t.push(3 * kFrame);
    EXPECT_EQ(t.video.count<TFramesTextMsg>(), 3);

    // Frames held back (a precise seek short of its target) are not on screen: nothing is told
    // of them when the texts come back.
    t.fn.SetNotifyText(false);
    t.fn.SetDeliver(false);
    t.push(4 * kFrame);
    t.push(5 * kFrame);
    t.fn.SetDeliver(true);
    t.fn.SetNotifyText(true);
    t.deliverPosted();
    EXPECT_EQ(t.video.count<TFramesTextMsg>(), 3);
    EXPECT_EQ(t.nav.count<TFramesPositionMsg>(), 4);
    // The seek's target may be the frame held back last, decoded again: the overlay hears of
    // it all the same (the text held back was never sent).
    t.push(5 * kFrame + GST_MSECOND);
    ASSERT_EQ(t.video.count<TFramesTextMsg>(), 4);
    EXPECT_EQ(t.video.all<TFramesTextMsg>().back().text, QStringLiteral("0:00:00:05"));
    // A new stream forgets the frame not told of.
    t.fn.SetNotifyText(false);
    t.push(6 * kFrame);
    gst_harness_push_event(t.h, gst_event_new_stream_start("again"));
    t.fn.SetNotifyText(true);
    EXPECT_EQ(t.video.count<TFramesTextMsg>(), 4);
}

TEST(FramesNotifierHarness, WatchesFireOnceOnTheFirstFrameWithinHalfAFrameOfTheirTarget)
{
    Harnessed t;
    Window w0, w1;
    std::vector<int64_t> seenAt0;
    w0.extra = [&] { seenAt0.push_back(t.fn.Position()); };
    t.fn.SetWatchWindow(0, &w0.receiver);
    t.fn.SetWatchWindow(1, &w1.receiver);
    // Watch 0 exactly half a frame after frame 10: frame 10 reaches it. Watch 1 one unit
    // later: frame 11.
    t.fn.SetWatch(0, 10 * kD + kD / 2);
    t.fn.SetWatch(1, 10 * kD + kD / 2 + 1);
    EXPECT_TRUE(t.fn.WatchActive(0));
    for (int n = 0; n < 20; ++n)
        t.push(n * kFrame);
    ASSERT_EQ(w0.count<TFramesReachedMsg>(), 1);
    ASSERT_EQ(w1.count<TFramesReachedMsg>(), 1);
    EXPECT_EQ(seenAt0, std::vector<int64_t>{10 * kD});
    EXPECT_EQ(w0.all<TFramesReachedMsg>()[0].target, 10 * kD + kD / 2);
    EXPECT_EQ(w0.all<TFramesReachedMsg>()[0].position, 10 * kD);
    EXPECT_EQ(w1.all<TFramesReachedMsg>()[0].position, 11 * kD);
    EXPECT_FALSE(t.fn.WatchActive(0));
    EXPECT_FALSE(t.fn.WatchActive(1));

    // Set again behind the current position: the next frame reaches it.
    t.fn.SetWatch(0, 3 * kD);
    t.push(20 * kFrame);
    EXPECT_EQ(w0.count<TFramesReachedMsg>(), 2);
    EXPECT_EQ(w0.all<TFramesReachedMsg>()[1].position, 20 * kD);
    // A watch without a window is spent all the same.
    t.fn.SetWatchWindow(1, nullptr);
    t.fn.SetWatch(1, 0);
    t.push(21 * kFrame);
    EXPECT_FALSE(t.fn.WatchActive(1));

    // Parked at the largest time, as navigation parks a watch it has done with: no frame
    // reaches it (the half frame added to it used to wrap round to the smallest time).
    t.fn.SetWatchWindow(0, &w0.receiver);
    t.fn.SetWatch(0, std::numeric_limits<int64_t>::max());
    t.push(22 * kFrame);
    EXPECT_TRUE(t.fn.WatchActive(0));
    EXPECT_EQ(w0.count<TFramesReachedMsg>(), 2);
}

TEST(FramesNotifierHarness, WithheldFramesDoNotLeaveButAreStillTimed)
{
    Harnessed t;
    Window w;
    // The precise seek: frames are held until the watch's window releases them.
    w.extra = [&] { t.fn.SetDeliver(true); };
    t.fn.SetWatchWindow(0, &w.receiver);
    t.fn.SetWatch(0, 5 * kD);
    t.fn.SetDeliver(false);
    for (int n = 0; n < 5; ++n)
        ASSERT_EQ(t.push(n * kFrame), GST_FLOW_OK);
    EXPECT_EQ(t.received(), 0);
    EXPECT_EQ(t.fn.Position(), 4 * kD);
    EXPECT_EQ(t.fn.FrameCount(), 5);
    t.push(5 * kFrame);
    ASSERT_EQ(t.received(), 1);
    const TGstBuffer b = TGstBuffer::adopt(gst_harness_pull(t.h));
    EXPECT_EQ(GST_BUFFER_PTS(b.get()), 5 * kFrame) << "the frame at the target is the first one out";
}

TEST(FramesNotifierHarness, AFlushEndsASentWaitAndTheWatchStaysArmed)
{
    Harnessed t;
    Window w;
    std::atomic<bool> arrived{false};
    w.extra = [&] { arrived = true; };
    t.fn.SetWatchWindow(0, &w.receiver);
    t.fn.SetWatch(0, 0);

    // The frame comes from another thread; the main thread does not answer.
    std::atomic<int> result{-1000};
    std::thread streaming([&] { result = t.push(0); });
    while (!t.fn.FrameCount())
        QThread::msleep(1);
    QThread::msleep(20);
    EXPECT_EQ(result.load(), -1000) << "the streaming thread waits for the window";
    gst_harness_push_event(t.h, gst_event_new_flush_start());
    streaming.join();
    EXPECT_EQ(result.load(), GST_FLOW_FLUSHING);
    EXPECT_EQ(t.received(), 0);
    EXPECT_TRUE(t.fn.WatchActive(0)) << "the message was never handled";
    // The abandoned request is not handled later either.
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(arrived.load());

    // After the flush the next frame reaches the watch and the window answers.
    gst_harness_push_event(t.h, gst_event_new_flush_stop(TRUE));
    t.segment(0, 0, 0, false);
    ASSERT_EQ(t.push(kFrame), GST_FLOW_OK);
    EXPECT_TRUE(arrived.load());
    EXPECT_FALSE(t.fn.WatchActive(0));

    // The same for the overlay text.
    t.fn.SetNotifyText(true);
    std::thread again([&] { result = t.push(2 * kFrame); });
    while (t.fn.FrameCount() < 3)
        QThread::msleep(1);
    gst_harness_push_event(t.h, gst_event_new_flush_start());
    again.join();
    EXPECT_EQ(result.load(), GST_FLOW_FLUSHING);
}

TEST(FramesNotifierHarness, MatroskasFirstSegmentAndItsSeeksNameTheSameFrames)
{
    Harnessed t;
    // The first segment starts stream time at the first frame's time stamp (5 ms: the B-frame
    // delay), the segments of seeks at the time stamps' zero.
    const GstClockTime first = 5 * GST_MSECOND;
    t.fn.ResetOrigin(); // a new file: its first segment follows
    t.segment(first, 0);
    for (int n = 0; n < 4; ++n) {
        ASSERT_EQ(t.push(first + n * kFrame), GST_FLOW_OK);
        EXPECT_EQ(t.fn.Position(), n * kD) << n;
    }
    const GstClockTime target = first + 30 * kFrame;
    t.segment(target, target);
    for (int n = 30; n < 34; ++n) {
        ASSERT_EQ(t.push(first + n * kFrame), GST_FLOW_OK);
        EXPECT_EQ(t.fn.Position(), n * kD) << n;
    }
    EXPECT_EQ(t.fn.Origin(), int64_t(first / 100)) << "the origin in the seeks' terms";
    // Later seeks keep it.
    t.segment(first + 10 * kFrame, first + 10 * kFrame);
    ASSERT_EQ(t.push(first + 10 * kFrame), GST_FLOW_OK);
    EXPECT_EQ(t.fn.Position(), 10 * kD);
}
