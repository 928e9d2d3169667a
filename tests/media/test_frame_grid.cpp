// The frame grid: frame index <-> media time <-> position text, for whole and NTSC rates.
#include "media/FrameGrid.h"
#include "media/Timecode.h"

#include <gtest/gtest.h>

#include <set>

namespace {

// GStreamer's time stamp of frame k at fpsN / fpsD (gst_util_uint64_scale rounds down).
int64_t GstFrameNs(int64_t k, int64_t fpsN, int64_t fpsD)
{
    return int64_t(__int128(k) * fpsD * 1000000000 / fpsN);
}

struct Rate
{
    int64_t n, d;     // frames per second as a fraction
    int64_t duration; // as the program rounds it (100 ns)
};

const Rate kRates[] = {{25, 1, 400000},       {30000, 1001, 333667}, {24000, 1001, 417083},
                       {60000, 1001, 166833}, {30, 1, 333333},       {50, 1, 200000},
                       {48000, 1001, 208542}, {24, 1, 416667},       {120000, 1001, 83417}};

} // namespace

TEST(FrameGrid, FrameTimesFollowTheExactRateWithoutDrift)
{
    for (const Rate &r : kRates) {
        SCOPED_TRACE(testing::Message() << r.n << "/" << r.d);
        const TFrameGrid grid(r.duration);
        EXPECT_EQ(grid.Duration(), r.duration);
        // Ten hours of frames: a seek to a frame's time never lands after GStreamer's stamp of the
        // frame, nor before the end of the frame before it by more than 100 ns.
        for (int64_t k : {int64_t(0), int64_t(1), int64_t(7), int64_t(14), int64_t(29), int64_t(30),
                          int64_t(1799), int64_t(107892), r.n * 36000 / r.d}) {
            const int64_t ns = grid.TimeOf(k) * 100;
            EXPECT_LE(ns, GstFrameNs(k, r.n, r.d)) << k;
            EXPECT_GT(ns + 100, GstFrameNs(k, r.n, r.d)) << k;
            EXPECT_EQ(grid.IndexAt(grid.TimeOf(k)), k);
            EXPECT_EQ(grid.IndexAtNs(GstFrameNs(k, r.n, r.d)), k);
            // A whole frame decoded from GStreamer's stamps is that frame; its remnant cut short at
            // a seek to the next frame's time still is.
            const int64_t start = GstFrameNs(k, r.n, r.d), next = GstFrameNs(k + 1, r.n, r.d);
            EXPECT_EQ(grid.IndexOfBuffer(start, next - start), k);
            if (grid.TimeOf(k + 1) * 100 < next) {
                EXPECT_EQ(grid.IndexOfBuffer(grid.TimeOf(k + 1) * 100, next - grid.TimeOf(k + 1) * 100), k);
            }
            // A buffer without a duration is the frame whose start is nearest.
            EXPECT_EQ(grid.IndexOfBuffer(start, 0), k);
        }
    }
}

TEST(FrameGrid, OtherDurationsAreExactAndHalvesRoundDown)
{
    // 400,002 units is no rounded whole or NTSC rate (123,457 would be: 81 fps).
    const TFrameGrid grid(400002);
    EXPECT_EQ(grid.TimeOf(1000), 400002000);
    EXPECT_EQ(grid.IndexAt(200001), 0);
    EXPECT_EQ(grid.IndexAt(200002), 1);
    EXPECT_EQ(grid.IndexAt(-600003), -2);
    EXPECT_EQ(TFrameGrid(123457).TimeOf(81), 10000000);
    EXPECT_EQ(TFrameGrid(0).Duration(), 1);
    EXPECT_EQ(TFrameGrid(400000).IndexAt(600000), 1);
    EXPECT_EQ(TFrameGrid(400000).IndexAt(600001), 2);
}

TEST(FrameGrid, EveryFrameHasItsOwnTextWhichReadsBackToIt)
{
    // An hour of every rate: names are unique, read back to the frame (snapped on the grid),
    // and count at most the frames that start within their second.
    for (const Rate &r : kRates) {
        // The two-digit frame field names at most 100 frames a second.
        if (r.n >= 100 * r.d)
            continue;
        SCOPED_TRACE(testing::Message() << r.n << "/" << r.d);
        const TFrameGrid grid(r.duration);
        std::set<QString> names;
        const int64_t frames = r.n * 3600 / r.d;
        int wrong = 0;
        for (int64_t k = 0; k < frames; ++k) {
            const QString text = TimecodeText(grid.TimeOf(k), r.duration);
            if (!names.insert(text).second && ++wrong <= 3)
                ADD_FAILURE() << "frame " << k << " shares the name " << text.toStdString();
            const int64_t back = grid.IndexAt(TimecodeToTime(text, r.duration));
            if (back != k && ++wrong <= 3)
                ADD_FAILURE() << "frame " << k << " is named " << text.toStdString() << ", read back as "
                              << back;
        }
        EXPECT_EQ(wrong, 0);
    }
    // NTSC: the 30th frame starts a second later, the 900th at 30.03 s.
    EXPECT_EQ(TimecodeText(TFrameGrid(333667).TimeOf(29), 333667), QStringLiteral("0:00:00:29"));
    EXPECT_EQ(TimecodeText(TFrameGrid(333667).TimeOf(30), 333667), QStringLiteral("0:00:01:00"));
    EXPECT_EQ(TimecodeText(TFrameGrid(333667).TimeOf(35), 333667), QStringLiteral("0:00:01:05"));
    EXPECT_EQ(TimecodeText(TFrameGrid(333667).TimeOf(150), 333667), QStringLiteral("0:00:05:00"));
    EXPECT_EQ(TFrameGrid(333667).IndexAt(TimecodeToTime(QStringLiteral("0:00:05:00"), 333667)), 150);
}

TEST(FrameGrid, ABufferLongerThanAFrameIsTheFrameItStartsOn)
{
    // A variable rate on a 30 fps grid: frame 2 stands for slots 2 and 3, frame 48 for 48 to 51.
    const TFrameGrid grid(333333);
    const int64_t slotNs = 33333333;
    EXPECT_EQ(grid.IndexOfBuffer(2 * slotNs, 2 * slotNs), 2);
    EXPECT_EQ(grid.IndexOfBuffer(48 * slotNs, 4 * slotNs), 48);
    EXPECT_EQ(grid.IndexOfBuffer(3 * slotNs + 1, slotNs), 3);
    // GStreamer's stamps of slots 2 and 3 lie a little before the exact starts.
    EXPECT_EQ(grid.IndexOfBuffer(2 * slotNs, 2 * slotNs + 1), 2);
}
