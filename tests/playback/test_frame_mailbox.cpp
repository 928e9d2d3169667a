// The latest-frame mailbox between a streaming thread and the main thread.
#include "playback/TFrameMailbox.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace {

TGstSample MakeSample()
{
    TGstBuffer buf = TGstBuffer::adopt(gst_buffer_new_allocate(nullptr, 16, nullptr));
    return TGstSample::adopt(gst_sample_new(buf, nullptr, nullptr, nullptr));
}

} // namespace

TEST(FrameMailbox, KeepsOnlyTheNewestAndWakesOncePerRead)
{
    TFrameMailbox box;
    std::atomic<int> wakes{0};
    box.SetWake([&] { ++wakes; });
    std::vector<TGstSample> samples;
    for (int i = 0; i < 50; ++i)
        samples.push_back(MakeSample());

    // A busy main thread: the streaming thread delivers 50 frames before anyone looks.
    std::thread producer([&] {
        for (auto &s : samples)
            box.Put(s);
    });
    producer.join();
    EXPECT_EQ(wakes.load(), 1) << "one wake-up until the mailbox is read";
    std::uint64_t seq = 0;
    TGstSample latest = box.Take(&seq);
    EXPECT_EQ(latest.get(), samples.back().get());
    EXPECT_EQ(seq, 50u);
    // Frames replaced were let go: only the test's own reference is left on them.
    EXPECT_EQ(GST_MINI_OBJECT_REFCOUNT_VALUE(samples.front().get()), 1);

    // The same buffer again (preroll, then the same frame when playing starts) is not new.
    TGstSample again =
        TGstSample::adopt(gst_sample_new(gst_sample_get_buffer(samples.back()), nullptr, nullptr, nullptr));
    box.Put(again);
    box.Peek(&seq);
    EXPECT_EQ(seq, 50u);
    EXPECT_EQ(wakes.load(), 1);

    box.Put(samples.front());
    EXPECT_EQ(wakes.load(), 2);
    box.Clear();
    EXPECT_FALSE(box.Peek());

    // Without a wake-up function nothing is called, and nothing breaks.
    box.SetWake({});
    box.Put(samples[3]);
    EXPECT_EQ(wakes.load(), 2);
    EXPECT_EQ(box.Take().get(), samples[3].get());
}
