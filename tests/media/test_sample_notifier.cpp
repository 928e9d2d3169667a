// The sample notifier as a unit, fed through a harness: DV frames with and without their packs
// (recording date, time code), what it posts and sends to its typed targets (formats, frame
// duration, per-frame DV values, overlay values), and buffers passing through untouched.
#include "DvFrameBuilder.h"
#include "MediaTestUtil.h"
#include "core/TDateFormat.h"
#include "core/TMessageReceiver.h"
#include "media/MediaMessages.h"
#include "media/TNotifier.h"

#include <gst/check/gstharness.h>
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <cstring>
#include <variant>
#include <vector>

namespace {

constexpr GstClockTime kFrame = 40 * GST_MSECOND; // 25 fps
constexpr int64_t kD = 400000;                    // the same in 100-ns units
const char *const kDvCaps = "video/x-dv,systemstream=false,width=720,height=576,framerate=25/1";

// Everything the notifier can tell a manager, in the order it arrived.
struct Targets
{
    using Receiver =
        TMessageReceiver<TVideoFormatMsg, TAudioFormatMsg, TDvFrameMsg, TFrameDurationMsg, TDvIncrustMsg>;
    std::vector<Receiver::Message> got;
    Receiver receiver{[this](auto &m) { got.push_back(m); }};
    template <class M> std::vector<M> all() const { return mediatest::messagesOf<M>(got); }
};

// A PAL DV frame; with packs, its recording date and time code are written into every sequence.
struct DvFrame
{
    int hour = 14, minute = 5, second = 30, frames = 0;
    bool packs = true;
    GstBuffer *buffer() const
    {
        DvFrameBuilder f;
        if (packs)
            for (int seq = 0; seq < 12; ++seq) {
                f.recDate(seq, 3, 11, 23, hour, minute, second);
                f.timecode(seq, 0, 12, 34, frames);
            }
        return gst_buffer_new_memdup(f.data(), f.size());
    }
    double recDate() const
    {
        double dt = 0;
        DateTimeFromParts(2003, 11, 23, hour, minute, second, 0, dt);
        return dt;
    }
    QString timecode() const { return QStringLiteral("0:12:34:%1").arg(frames, 2, 10, QLatin1Char('0')); }
};

struct Harnessed
{
    TNotifier n;
    Targets t;
    GstHarness *h = nullptr;
    GstClockTime pts = 0;

    explicit Harnessed(const char *caps = kDvCaps)
    {
        n.SetVideoTarget(&t.receiver);
        n.SetDvFrameTarget(&t.receiver);
        n.SetDurationTarget(&t.receiver);
        n.SetNotifyVideo(true);
        n.SetNotifyDvFrame(true);
        h = gst_harness_new_with_element(n.element(), "sink", "src");
        gst_harness_play(h);
        gst_harness_set_src_caps_str(h, caps);
    }
    ~Harnessed()
    {
        gst_harness_teardown(h);
        QCoreApplication::removePostedEvents(&t.receiver);
    }
    // Pushes buffer and checks that the very same buffer came out with the same bytes and that
    // the element kept no reference to it.
    void passThrough(GstBuffer *buffer)
    {
        GST_BUFFER_PTS(buffer) = pts;
        GST_BUFFER_DURATION(buffer) = kFrame;
        pts += kFrame;
        GstMapInfo map;
        ASSERT_TRUE(gst_buffer_map(buffer, &map, GST_MAP_READ));
        const std::vector<uint8_t> before(map.data, map.data + map.size);
        gst_buffer_unmap(buffer, &map);
        gst_buffer_ref(buffer); // ours, to look at it afterwards
        ASSERT_EQ(gst_harness_push(h, buffer), GST_FLOW_OK);
        GstBuffer *out = gst_harness_pull(h);
        ASSERT_EQ(out, buffer) << "the same buffer, not a copy";
        ASSERT_TRUE(gst_buffer_map(out, &map, GST_MAP_READ));
        EXPECT_EQ(map.size, before.size());
        EXPECT_TRUE(map.size == before.size() && std::memcmp(map.data, before.data(), map.size) == 0);
        gst_buffer_unmap(out, &map);
        gst_buffer_unref(out);
        EXPECT_EQ(GST_MINI_OBJECT_REFCOUNT_VALUE(buffer), 1) << "no reference left behind";
        gst_buffer_unref(buffer);
    }
    void deliverPosted() { QCoreApplication::sendPostedEvents(&t.receiver); }
};

} // namespace

TEST(SampleNotifierHarness, ReportsTheFormatAndTheFrameDurationOnceTheCapsArrive)
{
    Harnessed s;
    s.deliverPosted();
    const auto durations = s.t.all<TFrameDurationMsg>();
    ASSERT_EQ(durations.size(), 1u);
    EXPECT_EQ(durations[0].duration, uint64_t(kD));
    const auto formats = s.t.all<TVideoFormatMsg>();
    ASSERT_EQ(formats.size(), 2u);
    EXPECT_EQ(formats[0].stage, TFormatStage::VideoAspect) << "the aspect first";
    EXPECT_EQ(formats[1].stage, TFormatStage::VideoDescription) << "then the text";
    EXPECT_EQ(formats[1].video.Width, 720);
    EXPECT_EQ(formats[1].video.Height, 576);
    EXPECT_TRUE(s.t.all<TDvFrameMsg>().empty()) << "no frame yet";

    // The first frame tells the format again with what the analysis found (PAL, 25 fps); the
    // same duration is not reported twice.
    s.passThrough(DvFrame{}.buffer());
    s.deliverPosted();
    EXPECT_EQ(s.t.all<TFrameDurationMsg>().size(), 1u);
    const TVideoData &v = s.t.all<TVideoFormatMsg>().back().video;
    EXPECT_DOUBLE_EQ(v.Fps, 25.0);
    EXPECT_TRUE(v.Description.contains(QStringLiteral("Pal"))) << v.Description.toStdString();
}

TEST(SampleNotifierHarness, AFrameDurationBeyond32BitsIsReportedByItsLowWord)
{
    // 500 s per frame: 5,000,000,000 units, whose low 32 bits are 705,032,704.
    Harnessed s("video/x-raw,format=GRAY8,width=16,height=16,framerate=1/500");
    s.deliverPosted();
    const auto durations = s.t.all<TFrameDurationMsg>();
    ASSERT_EQ(durations.size(), 1u);
    EXPECT_EQ(durations[0].duration, uint64_t(5000000000ll & 0xFFFFFFFFll));
}

TEST(SampleNotifierHarness, EachDvFrameMessageCarriesItsOwnCopyOfThePreviousFrame)
{
    Harnessed s;
    s.deliverPosted();
    s.t.got.clear();
    // More frames than the ring holds, every third one without packs, before the main thread
    // looks: each posted record must still be the one of its frame.
    std::vector<DvFrame> frames;
    for (int i = 0; i < 3 * TNotifier::kRingSize; ++i) {
        DvFrame f;
        f.second = i % 60;
        f.frames = i % 25;
        f.packs = i % 3 != 1;
        frames.push_back(f);
        s.passThrough(f.buffer());
    }
    s.deliverPosted();
    const auto dv = s.t.all<TDvFrameMsg>();
    ASSERT_EQ(dv.size(), frames.size());
    // The first message reports the values before any frame: none.
    EXPECT_FALSE(dv[0].frame.DateValid);
    EXPECT_FALSE(dv[0].frame.TimecodeValid);
    EXPECT_EQ(dv[0].frame.DateStr, QStringLiteral("Pas de Datecode"));
    EXPECT_EQ(dv[0].frame.TimecodeStr, QStringLiteral("Pas de Timecode"));
    for (size_t i = 1; i < dv.size(); ++i) {
        SCOPED_TRACE(i);
        const DvFrame &prev = frames[i - 1];
        const TframeData &got = dv[i].frame;
        EXPECT_EQ(dv[i].slot, int(i % TNotifier::kRingSize) + 1);
        ASSERT_EQ(got.DateValid, prev.packs);
        ASSERT_EQ(got.TimecodeValid, prev.packs);
        if (prev.packs) {
            EXPECT_DOUBLE_EQ(got.RecDate, prev.recDate());
            EXPECT_EQ(got.DateStr, FormatDateTime(s.n.DateFormat(), prev.recDate()));
            EXPECT_EQ(got.TimecodeStr, prev.timecode());
            EXPECT_EQ(got.TcFrames, prev.frames);
        } else {
            EXPECT_EQ(got.DateStr, QStringLiteral("N/A"));
            EXPECT_EQ(got.TimecodeStr, QStringLiteral("Pas de Timecode"));
        }
    }
    // The notifier's own record is the last frame's.
    EXPECT_EQ(s.n.GetFrameData().TimecodeStr, frames.back().timecode());
}

TEST(SampleNotifierHarness, OverlayValuesAreSentWithEverySample)
{
    Harnessed s;
    s.n.SetIncrustTarget(&s.t.receiver);
    // Switching the channel on sends the current values at once (on this thread).
    s.n.SetNotifyIncrust(true);
    ASSERT_EQ(s.t.all<TDvIncrustMsg>().size(), 1u);
    EXPECT_FALSE(s.t.all<TDvIncrustMsg>()[0].value.DateValid);

    DvFrame with;
    with.frames = 7;
    DvFrame without;
    without.packs = false;
    s.passThrough(with.buffer());
    s.passThrough(without.buffer());
    // Sent, not posted: handled before the sample went on.
    const auto sent = s.t.all<TDvIncrustMsg>();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_TRUE(sent[1].value.DateValid);
    EXPECT_TRUE(sent[1].value.TimecodeValid);
    EXPECT_DOUBLE_EQ(sent[1].value.RecDate, with.recDate());
    EXPECT_EQ(sent[1].value.TimecodeStr, with.timecode());
    EXPECT_FALSE(sent[2].value.DateValid);
    EXPECT_FALSE(sent[2].value.TimecodeValid);
    // Overlay values and DV frames share the ring's slot counter.
    EXPECT_NE(sent[1].slot, sent[2].slot);
    EXPECT_EQ(s.n.SlotCounter(), sent[2].slot);
}

TEST(SampleNotifierHarness, WithoutTargetsFramesPassAndNothingIsReported)
{
    TNotifier n;
    n.SetNotifyVideo(true);
    n.SetNotifyDvFrame(true);
    GstHarness *h = gst_harness_new_with_element(n.element(), "sink", "src");
    gst_harness_play(h);
    gst_harness_set_src_caps_str(h, kDvCaps);
    GstBuffer *b = DvFrame{}.buffer();
    gst_buffer_ref(b);
    ASSERT_EQ(gst_harness_push(h, b), GST_FLOW_OK);
    GstBuffer *out = gst_harness_pull(h);
    EXPECT_EQ(out, b);
    gst_buffer_unref(out);
    EXPECT_EQ(GST_MINI_OBJECT_REFCOUNT_VALUE(b), 1);
    gst_buffer_unref(b);
    // The analysis still ran: its record is there for the owner to read.
    EXPECT_TRUE(n.GetFrameData().TimecodeValid);
    gst_harness_teardown(h);
}
