// The decoded-frame cache on its own: the byte bound and which frames go first, what it never
// keeps, and when it copies a buffer rather than holding the decoder's.
#include "media/TFrameCache.h"

#include <gst/gst.h>
#include <gst/video/video.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr std::size_t kFrame = 1000; // bytes per test picture

TGstCaps Caps(const char *format = "I420")
{
    return TGstCaps::adopt(gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING, format, "width",
                                               G_TYPE_INT, 40, "height", G_TYPE_INT, 25, nullptr));
}

TGstBuffer Picture(guint8 fill, std::size_t bytes = kFrame)
{
    TGstBuffer b = TGstBuffer::adopt(gst_buffer_new_allocate(nullptr, bytes, nullptr));
    gst_buffer_memset(b, 0, fill, bytes);
    return b;
}

std::vector<int64_t> Positions(const TFrameCache &c)
{
    std::vector<int64_t> out;
    for (int64_t p = -100; p <= 100; ++p)
        if (c.Find(p))
            out.push_back(p);
    return out;
}

} // namespace

TEST(FrameCache, TheBoundKeepsTheFramesNearestTheOneJustKept)
{
    TFrameCache c;
    const TGstCaps caps = Caps();
    // Off until a bound is set: nothing is kept.
    c.Offer(1, Picture(1), caps, 10);
    EXPECT_EQ(c.Count(), 0);

    c.SetLimit(3 * kFrame);
    // Decoding forward from a key frame: the earliest frames go.
    for (int64_t p = 10; p <= 15; ++p)
        c.Offer(p, Picture(guint8(p)), caps, p * 100);
    EXPECT_EQ(Positions(c), (std::vector<int64_t>{13, 14, 15}));
    EXPECT_EQ(c.Bytes(), 3 * kFrame);
    // A frame far back: the other end goes, and then the next farthest.
    c.Offer(5, Picture(5), caps, 500);
    EXPECT_EQ(Positions(c), (std::vector<int64_t>{5, 13, 14}));
    // The same position again replaces its frame and counts once.
    c.Offer(13, Picture(99), caps, 1300);
    EXPECT_EQ(c.Count(), 3);
    EXPECT_EQ(c.Bytes(), 3 * kFrame);
    const auto e = c.Find(13);
    ASSERT_TRUE(e);
    guint8 first = 0;
    gst_buffer_extract(e->Buffer, 0, &first, 1);
    EXPECT_EQ(first, 99);
    EXPECT_EQ(e->Pts, 1300);
    EXPECT_TRUE(gst_caps_is_equal(e->Caps, caps));

    int64_t lo = 0, hi = 0;
    ASSERT_TRUE(c.Span(lo, hi));
    EXPECT_EQ(lo, 5);
    EXPECT_EQ(hi, 14);

    // A frame larger than the whole bound is not kept and evicts nothing.
    c.Offer(20, Picture(7, 4 * kFrame), caps, 2000);
    EXPECT_FALSE(c.Find(20));
    EXPECT_EQ(c.Count(), 3);

    // A lower bound evicts at once; none empties and turns the cache off.
    c.SetLimit(2 * kFrame);
    EXPECT_EQ(c.Count(), 2);
    EXPECT_LE(c.Bytes(), 2 * kFrame);
    c.SetLimit(0);
    EXPECT_EQ(c.Count(), 0);
    EXPECT_EQ(c.Bytes(), 0u);
    EXPECT_FALSE(c.Enabled());
    EXPECT_FALSE(c.Span(lo, hi));
    c.Offer(1, Picture(1), caps, 10);
    EXPECT_EQ(c.Count(), 0);
}

TEST(FrameCache, OtherCapsAndCorruptedPicturesAreNeverMixedIn)
{
    TFrameCache c;
    c.SetLimit(10 * kFrame);
    c.Offer(1, Picture(1), Caps("I420"), 10);
    c.Offer(2, Picture(2), Caps("I420"), 20);
    EXPECT_EQ(c.Count(), 2);
    // Another format (a decoder change, a new size): the old pictures would convert wrongly.
    c.Offer(3, Picture(3), Caps("NV12"), 30);
    EXPECT_EQ(Positions(c), (std::vector<int64_t>{3}));
    EXPECT_TRUE(gst_caps_is_equal(c.Find(3)->Caps, Caps("NV12")));

    // A picture decoded without its references (flagged by the decoder) is not the frame.
    TGstBuffer broken = Picture(4);
    GST_BUFFER_FLAG_SET(broken.get(), GST_BUFFER_FLAG_CORRUPTED);
    c.Offer(4, broken, Caps("NV12"), 40);
    EXPECT_FALSE(c.Find(4));
    c.Clear();
    EXPECT_EQ(c.Count(), 0);
    EXPECT_EQ(c.Bytes(), 0u);
}

// A decoder with a fixed pool would wait for the buffers the cache holds: those are copied;
// buffers of a pool that grows (or of none) are held as they are.
TEST(FrameCache, BuffersOfAFixedPoolAreCopiedOthersHeld)
{
    gst_init(nullptr, nullptr);
    GstVideoInfo info;
    gst_video_info_set_format(&info, GST_VIDEO_FORMAT_I420, 40, 24);
    TGstCaps caps = TGstCaps::adopt(gst_video_info_to_caps(&info));
    auto makePool = [&](guint max) {
        GstBufferPool *pool = gst_buffer_pool_new();
        GstStructure *config = gst_buffer_pool_get_config(pool);
        gst_buffer_pool_config_set_params(config, caps, guint(GST_VIDEO_INFO_SIZE(&info)), 0, max);
        EXPECT_TRUE(gst_buffer_pool_set_config(pool, config));
        EXPECT_TRUE(gst_buffer_pool_set_active(pool, TRUE));
        return pool;
    };

    TFrameCache c;
    c.SetLimit(std::size_t(1) << 20);
    GstBufferPool *fixed = makePool(2);
    GstBuffer *a = nullptr;
    ASSERT_EQ(gst_buffer_pool_acquire_buffer(fixed, &a, nullptr), GST_FLOW_OK);
    gst_buffer_memset(a, 0, 0x5a, gst_buffer_get_size(a));
    c.Offer(1, a, caps, 10);
    const auto copied = c.Find(1);
    ASSERT_TRUE(copied);
    EXPECT_NE(copied->Buffer.get(), a);
    guint8 byte = 0;
    gst_buffer_extract(copied->Buffer, 100, &byte, 1);
    EXPECT_EQ(byte, 0x5a);
    gst_buffer_unref(a);
    // Both buffers of the fixed pool are free again for the decoder.
    GstBuffer *b1 = nullptr, *b2 = nullptr;
    GstBufferPoolAcquireParams dontWait{};
    dontWait.flags = GST_BUFFER_POOL_ACQUIRE_FLAG_DONTWAIT;
    EXPECT_EQ(gst_buffer_pool_acquire_buffer(fixed, &b1, &dontWait), GST_FLOW_OK);
    EXPECT_EQ(gst_buffer_pool_acquire_buffer(fixed, &b2, &dontWait), GST_FLOW_OK);
    if (b1)
        gst_buffer_unref(b1);
    if (b2)
        gst_buffer_unref(b2);

    GstBufferPool *growing = makePool(0);
    GstBuffer *g = nullptr;
    ASSERT_EQ(gst_buffer_pool_acquire_buffer(growing, &g, nullptr), GST_FLOW_OK);
    c.Offer(2, g, caps, 20);
    ASSERT_TRUE(c.Find(2));
    EXPECT_EQ(c.Find(2)->Buffer.get(), g);
    gst_buffer_unref(g);

    c.Clear();
    gst_buffer_pool_set_active(fixed, FALSE);
    gst_buffer_pool_set_active(growing, FALSE);
    gst_object_unref(fixed);
    gst_object_unref(growing);
}
