// The nominal grid of a variable frame rate, from an ISO media file's sample durations: the
// step most samples last (with a recorder's jitter), the other durations whole multiples of it;
// constant rates and durations on no grid leave the demuxer's rate alone. Real files: the
// corpus's phone-like clip, a constant-rate MP4, a MOV, files that are no ISO media and cut ones.
#include "CorpusSupport.h"
#include "MediaTestUtil.h"
#include "media/Mp4SampleTable.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

TEST(Mp4SampleTable, NominalDurationOfGridsWithEmptySlotsAndJitter)
{
    auto nominal = [](int64_t timescale, std::vector<std::pair<int64_t, int64_t>> runs) {
        TSampleDurations d;
        d.Timescale = timescale;
        d.Runs = std::move(runs);
        return NominalFrameDuration(d);
    };
    // Constant rates: nothing to say, whatever the last sample's duration.
    EXPECT_EQ(nominal(30000, {{300, 1001}}), 0);
    EXPECT_EQ(nominal(15360, {{299, 512}, {1, 300}}), 0);
    // 30 fps with every fourth slot empty (ffmpeg's 15360 timescale).
    EXPECT_EQ(nominal(15360, {{3, 512}, {1, 1024}, {3, 512}, {1, 1024}, {3, 512}, {1, 1024}}), 333333);
    // A phone's 90 kHz clock: 3000 ticks with jitter, dropped slots of two and three frames.
    EXPECT_EQ(nominal(90000, {{40, 2999}, {40, 3001}, {100, 3000}, {5, 6000}, {2, 9001}, {1, 1500}}), 333333);
    // 29.97 fps with gaps keeps its exact rate's duration.
    EXPECT_EQ(nominal(30000, {{50, 1001}, {3, 2002}, {50, 1001}}), 333667);
    // Durations on no common grid: the average stays.
    EXPECT_EQ(nominal(1000, {{10, 33}, {10, 47}, {10, 59}, {10, 71}}), 0);
    EXPECT_EQ(nominal(0, {{10, 33}, {10, 66}}), 0);
    EXPECT_EQ(nominal(1000, {}), 0);
}

TEST(Mp4SampleTable, ReadsTheVideoTrackOfRealFilesAndRefusesTheOthers)
{
    const QString vfr = mediatest::corpus(QStringLiteral("fi_vfr.mp4"));
    if (vfr.isEmpty())
        GTEST_SKIP() << "corpus missing: build the corpus target";
    TSampleDurations d;
    ASSERT_TRUE(Mp4VideoSampleDurations(vfr, d));
    int64_t samples = 0;
    for (const auto &r : d.Runs)
        samples += r.first;
    EXPECT_EQ(samples, 112);
    EXPECT_EQ(NominalFrameDuration(d), 333333);

    for (const char *constant : {"fi_h264_2997.mp4", "fi_hevc.mp4", "fi_prores.mov", "ext_mov.mov"}) {
        SCOPED_TRACE(constant);
        ASSERT_TRUE(Mp4VideoSampleDurations(framixtest::corpusFile(QString::fromLatin1(constant)), d));
        EXPECT_EQ(NominalFrameDuration(d), 0);
    }
    // Not ISO media, missing, audio only.
    for (const char *other : {"fi_dv_pal.dv", "fi_xvid_packed.avi", "fi_h264_2997.mkv", "no_such_file.mp4"})
        EXPECT_FALSE(Mp4VideoSampleDurations(framixtest::corpusFile(QString::fromLatin1(other)), d)) << other;
    // Cut and noisy copies: an answer or none, never a crash or a read past the data.
    const QDir damaged(framixtest::corpusFile(QStringLiteral("damaged")));
    int tried = 0;
    for (const QString &f : damaged.entryList({"*.mp4", "*.mov"}, QDir::Files)) {
        Mp4VideoSampleDurations(damaged.filePath(f), d);
        ++tried;
    }
    EXPECT_GT(tried, 5);
    // A moov whose boxes claim more than they hold.
    QTemporaryDir tmp;
    QFile f(tmp.filePath("lying.mp4"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    const char lying[] = "\0\0\0\x10"
                         "ftypisom\0\0\0\0"
                         "\0\0\0\x20"
                         "moov"
                         "\0\0\x10\0"
                         "trak"
                         "\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0";
    f.write(lying, sizeof(lying) - 1);
    f.close();
    EXPECT_FALSE(Mp4VideoSampleDurations(f.fileName(), d));
}
