// The handles that own probes, errors and strings: a probe stops seeing data exactly when the
// guard that owns it goes, a moved guard takes the probe with it, and the probe's data is freed
// once whichever way the probe ends.
#include "media/gst/TGstHandles.h"

#include <gst/check/gstharness.h>
#include <gtest/gtest.h>

#include <utility>

namespace {

struct TProbeCount
{
    int buffers = 0;
    int destroyed = 0;
};

GstPadProbeReturn countBuffer(GstPad *, GstPadProbeInfo *, gpointer data)
{
    ++static_cast<TProbeCount *>(data)->buffers;
    return GST_PAD_PROBE_OK;
}

TGstProbe countOn(GstPad *pad, TProbeCount &count)
{
    return TGstProbe::add(pad, GST_PAD_PROBE_TYPE_BUFFER, &countBuffer, &count,
                          [](gpointer data) { ++static_cast<TProbeCount *>(data)->destroyed; });
}

class THarnessed
{
public:
    THarnessed()
        : m_h(gst_harness_new("identity")),
          m_src(TGstPad::adopt(gst_element_get_static_pad(m_h->element, "src")))
    {
        gst_harness_set_src_caps_str(m_h, "video/x-raw, format=(string)GRAY8, width=(int)4, height=(int)4");
    }
    ~THarnessed()
    {
        if (m_h)
            gst_harness_teardown(m_h);
    }
    THarnessed(const THarnessed &) = delete;
    THarnessed &operator=(const THarnessed &) = delete;

    GstPad *srcPad() const { return m_src; }
    void push()
    {
        ASSERT_EQ(gst_harness_push(m_h, gst_harness_create_buffer(m_h, 16)), GST_FLOW_OK);
        TGstBuffer::adopt(gst_harness_pull(m_h));
    }
    void teardown()
    {
        m_src.reset();
        gst_harness_teardown(std::exchange(m_h, nullptr));
    }

private:
    GstHarness *m_h;
    TGstPad m_src;
};

} // namespace

TEST(GstProbe, RemovedWithItsGuardMovedWithItAndItsDataFreedOnce)
{
    THarnessed t;
    TProbeCount count;
    TGstProbe first = countOn(t.srcPad(), count);
    ASSERT_TRUE(first);
    EXPECT_EQ(first.pad(), t.srcPad());
    t.push();
    EXPECT_EQ(count.buffers, 1);

    // The probe goes with the move; the emptied guard removes nothing when it goes.
    TGstProbe second = std::move(first);
    EXPECT_FALSE(first);
    first.reset();
    t.push();
    EXPECT_EQ(count.buffers, 2);
    EXPECT_EQ(count.destroyed, 0);

    // Assigning over a guard removes the probe it held.
    TProbeCount other;
    second = countOn(t.srcPad(), other);
    EXPECT_EQ(count.destroyed, 1);
    t.push();
    EXPECT_EQ(count.buffers, 2);
    EXPECT_EQ(other.buffers, 1);
    second.reset();
    EXPECT_FALSE(second);
    EXPECT_EQ(other.destroyed, 1);
    t.push();
    EXPECT_EQ(other.buffers, 1);
}

TEST(GstProbe, OutlivesItsElementAndNeverLeaksItsDataOnANullPad)
{
    TProbeCount count;
    TGstProbe probe;
    {
        THarnessed t;
        probe = countOn(t.srcPad(), count);
        t.push();
        t.teardown();
    }
    // The guard's own pad reference keeps the removal safe after the element went.
    EXPECT_EQ(count.destroyed, 0);
    probe.reset();
    EXPECT_EQ(count.destroyed, 1);

    TProbeCount none;
    EXPECT_FALSE(countOn(nullptr, none));
    EXPECT_EQ(none.destroyed, 1);
}

TEST(GstProbe, AdoptedProbeIsRemovedAndAForgottenOneStays)
{
    THarnessed t;
    TProbeCount count;
    const gulong id = gst_pad_add_probe(t.srcPad(), GST_PAD_PROBE_TYPE_BUFFER, &countBuffer, &count, nullptr);
    TGstProbe adopted = TGstProbe::adopt(t.srcPad(), id);
    EXPECT_EQ(adopted.id(), id);
    adopted.reset();
    t.push();
    EXPECT_EQ(count.buffers, 0);

    TProbeCount kept;
    TGstProbe forgotten = countOn(t.srcPad(), kept);
    forgotten.forget();
    t.push();
    EXPECT_EQ(kept.buffers, 1);
    EXPECT_EQ(kept.destroyed, 0);
}

TEST(GstErrorAndString, TakeWhatGStreamerHandsOverAndReadEmptyWhenNone)
{
    TGError none;
    EXPECT_FALSE(none);
    EXPECT_STREQ(none.message(), "");

    TGError err;
    TGstElement bad = TGstElement::sink(gst_parse_launch("framix-no-such-element", err.out()));
    ASSERT_TRUE(err);
    EXPECT_STRNE(err.message(), "");
    // A second call through out() frees the first error (the sanitizer build sees a leak otherwise).
    bad = TGstElement::sink(gst_parse_launch("framix-no-such-element-either", err.out()));
    EXPECT_TRUE(err);
    TGError moved = std::move(err);
    EXPECT_FALSE(err);
    EXPECT_TRUE(moved);

    TGChars text(g_strdup("caps"));
    TGChars taken = std::move(text);
    EXPECT_TRUE(text.isNull());
    EXPECT_STREQ(text.get(), "");
    EXPECT_STREQ(taken.get(), "caps");
}
