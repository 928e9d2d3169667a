// Frame-exact moves forward inside a group of pictures decode on from the frame shown instead of
// seeking back to the key frame, when the file's index (MP4 family) tells where the key frames
// are. A clip made here with key frames at irregular places (0, 1.2, 4.4 and 8 s; B-frames in a
// pyramid, so composition offsets and an edit list) is read back: the index gives those times,
// moves within a group decode on, moves past a key frame seek, and every frame shown is the
// one asked for (read from the picture's frame-index pattern).
#include "NavTestGraph.h"
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "media/FrameGrid.h"
#include "media/Mp4SampleTable.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

using navtest::TNavGraph;

namespace {

constexpr int64_t kSecond = 10'000'000;

// 250 frames at 25 fps of the frame-index pattern, key frames forced at the given times and
// nowhere else; false when ffmpeg or the pattern script failed.
bool MakeClip(const QString &path, const QString &keyTimes, const QString &extra = {})
{
    const QString pattern = QStringLiteral(FRAMIX_SOURCE_DIR "/tests/media-corpus/framepattern.py");
    const QString command =
        QStringLiteral(
            "set -o pipefail; python3 '%1' 640 360 250 | ffmpeg -v error -y -f rawvideo -pix_fmt gray "
            "-s 640x360 -framerate 25 -i - -c:v libx264 -preset ultrafast -pix_fmt yuv420p "
            "-force_key_frames %2 -x264-params keyint=1000:min-keyint=1000:scenecut=0%3 '%4'")
            .arg(pattern, keyTimes, extra, path);
    QProcess p;
    p.start(QStringLiteral("bash"), {QStringLiteral("-c"), command});
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

class GroupDecode : public testing::Test
{
protected:
    void SetUp() override
    {
        clip = dir.filePath(QStringLiteral("keys.mp4"));
        if (!MakeClip(clip, QStringLiteral("0,1.2,4.4,8"), QStringLiteral(":bframes=3:b-pyramid=normal")))
            GTEST_SKIP() << "ffmpeg with libx264 is needed to make the clip";
    }
    QTemporaryDir dir;
    QString clip;
};

} // namespace

TEST_F(GroupDecode, TheIndexGivesTheKeyFramesOfRealFiles)
{
    TSampleDurations d;
    ASSERT_TRUE(Mp4VideoSampleDurations(clip, d));
    EXPECT_TRUE(d.HasSyncTable);
    // B-frames: composition offsets, and an edit that starts at the first frame shown.
    EXPECT_FALSE(d.CompositionRuns.empty());
    EXPECT_EQ(KeyFrameTimes(d), (std::vector<int64_t>{0, 12 * kSecond / 10, 44 * kSecond / 10, 8 * kSecond}));

    // No B-frames, in a QuickTime file: the same times.
    const QString mov = dir.filePath(QStringLiteral("keys.mov"));
    ASSERT_TRUE(MakeClip(mov, QStringLiteral("0,2,3.04"), QStringLiteral(":bframes=0")));
    ASSERT_TRUE(Mp4VideoSampleDurations(mov, d));
    EXPECT_EQ(KeyFrameTimes(d), (std::vector<int64_t>{0, 2 * kSecond, 304 * kSecond / 100}));

    // Tables that do not fit each other give no index, never a wrong one.
    TSampleDurations bad = d;
    bad.SyncSamples.push_back(100000);
    EXPECT_TRUE(KeyFrameTimes(bad).empty());
    bad = d;
    std::swap(bad.SyncSamples[0], bad.SyncSamples[1]);
    EXPECT_TRUE(KeyFrameTimes(bad).empty());
    // Every sample a key frame (no sync table): nothing to tell apart.
    bad = d;
    bad.HasSyncTable = false;
    bad.SyncSamples.clear();
    EXPECT_TRUE(KeyFrameTimes(bad).empty());
}

TEST_F(GroupDecode, MovesWithinAGroupDecodeOnAndEveryFrameIsExact)
{
    TNavGraph g(clip);
    ASSERT_TRUE(g.ok());
    g.window.show();
    g.nav.caSeekPrecision->SetChecked(true);
    const TFrameGrid grid(g.d());
    auto at = [&](int frame) { return grid.TimeOf(frame); };

    // Key frames at frames 0, 30, 110 and 200.
    EXPECT_TRUE(g.nav.SameGroupOfPictures(at(10), at(29)));
    EXPECT_FALSE(g.nav.SameGroupOfPictures(at(10), at(30)));
    EXPECT_TRUE(g.nav.SameGroupOfPictures(at(30), at(109)));
    EXPECT_TRUE(g.nav.SameGroupOfPictures(at(200), at(249)));
    EXPECT_FALSE(g.nav.SameGroupOfPictures(at(50), at(40)));

    // Each move: the frame asked for is shown, and a move within a group passes every frame
    // between (decoding on) while one past a key frame passes far fewer (the seek's decoder
    // drops those before the target).
    struct Move
    {
        int frame;
        bool decodesOn;
    };
    const Move moves[] = {{5, false},   {28, true},  {60, false}, {105, true},
                          {150, false}, {190, true}, {249, false}};
    for (const Move &m : moves) {
        SCOPED_TRACE(m.frame);
        const int before = g.shownFrame();
        const int64_t framesBefore = g.fn.FrameCount();
        g.nav.SeekPrecise(at(m.frame));
        ASSERT_EQ(g.waitShown(m.frame), m.frame);
        EXPECT_EQ(g.nav.GetPosition(), at(m.frame));
        const int64_t passed = g.fn.FrameCount() - framesBefore;
        if (m.decodesOn)
            EXPECT_GE(passed, m.frame - before);
        else
            EXPECT_LT(passed, (m.frame - before) / 2);
    }
}

TEST_F(GroupDecode, ALongWayDecodedOnKeepsNothingBeforeItsTargetInTheCache)
{
    TNavGraph g(clip);
    ASSERT_TRUE(g.ok());
    g.window.show();
    g.nav.caSeekPrecision->SetChecked(true);
    g.nav.iaFrameCache->SetValue(64);
    const TFrameGrid grid(g.d());
    g.nav.SeekPrecise(grid.TimeOf(32));
    ASSERT_EQ(g.waitShown(32), 32);
    g.fn.FrameCache().Clear();
    // 70 frames on in the same group: what a seek would keep, the target and what follows.
    g.nav.SeekPrecise(grid.TimeOf(102));
    ASSERT_EQ(g.waitShown(102), 102);
    EXPECT_FALSE(g.fn.FrameCache().Find(grid.TimeOf(60)));
    EXPECT_FALSE(g.fn.FrameCache().Find(grid.TimeOf(101)));
    EXPECT_TRUE(g.fn.FrameCache().Find(grid.TimeOf(102)));
    // A step's way (within a second) still fills it, for the steps back after it.
    g.nav.SeekPrecise(grid.TimeOf(108));
    ASSERT_EQ(g.waitShown(108), 108);
    EXPECT_TRUE(g.fn.FrameCache().Find(grid.TimeOf(105)));
}

TEST_F(GroupDecode, AnExactMoveBackToTheStartPaintsTheCachedFirstFrame)
{
    // An interval run starts with the first frame, asked for exactly even with precise seeking
    // off: the frame the open decoded is painted from the cache, no seek runs.
    TNavGraph g(clip);
    ASSERT_TRUE(g.ok());
    g.window.show();
    g.nav.caSeekPrecision->SetChecked(false);
    const TFrameGrid grid(g.d());
    g.nav.SeekPrecise(grid.TimeOf(3));
    ASSERT_EQ(g.waitShown(3), 3);
    ASSERT_TRUE(g.fn.FrameCache().Find(0));
    const int64_t framesBefore = g.fn.FrameCount();
    g.nav.SeekPrecise(0);
    EXPECT_EQ(g.waitShown(0), 0);
    EXPECT_EQ(g.nav.GetPosition(), 0);
    EXPECT_EQ(g.fn.FrameCount(), framesBefore) << "no frame was decoded for it";
    // And on from there, exactly.
    g.nav.SeekPrecise(grid.TimeOf(40));
    EXPECT_EQ(g.waitShown(40), 40);
}
