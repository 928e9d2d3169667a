// Steps back through the decoded-frame cache on clips of the corpus, opened as the program
// opens them: every frame shown is the one expected (read from the picture's frame-index
// pattern), through cached and uncached stretches both ways; cached frames are painted without
// a frame passing the graph, look exactly like the decoded ones, and go when the place is left.
#include "NavTestGraph.h"
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "media/FrameGrid.h"
#include "media/Timecode.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QTemporaryDir>

#include <ostream>

using navtest::TNavGraph;

namespace {

struct CacheClip
{
    const char *file;
    int start;   // the frame the walk starts from
    int cacheMB; // the bound: a few frames, so that the walk leaves the cache
};

void PrintTo(const CacheClip &c, std::ostream *os)
{
    *os << '"' << c.file << '"';
}

// Opens the clip with precise seeking on and the cache bounded to mb.
struct CachedNav
{
    TNavGraph g;
    explicit CachedNav(const char *file, int mb) : g(framixtest::corpusFile(QString::fromLatin1(file)))
    {
        if (!g.ok())
            return;
        g.window.show();
        g.nav.caSeekPrecision->SetChecked(true);
        g.nav.iaFrameCache->SetValue(mb);
    }
    TFrameCache &cache() { return g.fn.FrameCache(); }
    void seekFrame(int frame) { g.nav.SeekPrecise(TFrameGrid(g.d()).TimeOf(frame)); }
    // The frame shown once the renderer painted it, and the position the navigation gives.
    int shown(int expected) { return g.waitShown(expected); }
    QString positionText() { return TimecodeText(g.nav.GetPosition(), g.d()); }
    QString textOf(int frame) { return TimecodeText(TFrameGrid(g.d()).TimeOf(frame), g.d()); }
    // Shows frame, then steps back once: true when both were shown exactly.
    bool stepBackFrom(int frame)
    {
        seekFrame(frame);
        if (shown(frame) != frame)
            return false;
        g.nav.naReculeFrame->trigger();
        return shown(frame - 1) == frame - 1;
    }
};

class NavFrameCache : public testing::TestWithParam<CacheClip>
{
};

} // namespace

TEST_P(NavFrameCache, StepsThroughCachedAndUncachedFramesShowTheExactFrame)
{
    const CacheClip c = GetParam();
    CachedNav n(c.file, c.cacheMB);
    ASSERT_TRUE(n.g.ok()) << c.file;
    n.seekFrame(c.start);
    ASSERT_EQ(n.shown(c.start), c.start);

    // Thirty steps back: the first decodes from the key frame and fills the cache, the next
    // ones paint from it until it runs out, and a decode fills it again.
    int fromCache = 0;
    int frame = c.start;
    for (int i = 0; i < 30 && frame > 0; ++i) {
        const int64_t passed = n.g.fn.FrameCount();
        n.g.nav.naReculeFrame->trigger();
        --frame;
        ASSERT_EQ(n.shown(frame), frame) << c.file << " step back " << i;
        EXPECT_EQ(n.positionText(), n.textOf(frame)) << c.file << " step back " << i;
        if (n.g.fn.FrameCount() == passed)
            ++fromCache;
        EXPECT_LE(n.cache().Bytes(), std::size_t(c.cacheMB) << 20);
    }
    EXPECT_GE(fromCache, 15) << c.file << ": most steps back come from the cache";
    EXPECT_LT(fromCache, 30) << c.file << ": the walk leaves the cache at least once";

    // And forward again over the same stretch, then past the place the graph stands.
    for (int i = 0; i < 35; ++i) {
        n.g.nav.naAvanceFrame->trigger();
        ++frame;
        ASSERT_EQ(n.shown(frame), frame) << c.file << " step forward " << i;
        EXPECT_EQ(n.positionText(), n.textOf(frame)) << c.file << " step forward " << i;
    }

    // Ten frames back and a typed position onto a cached frame.
    n.g.nav.naRecule10Frames->trigger();
    frame -= 10;
    EXPECT_EQ(n.shown(frame), frame);
    ASSERT_TRUE(n.g.nav.SeekToText(n.textOf(frame - 1)));
    EXPECT_EQ(n.shown(frame - 1), frame - 1);
    EXPECT_EQ(n.positionText(), n.textOf(frame - 1));
}

// The 1080p clip has one key frame for its 260 frames; the 1080i transport stream's decoder
// flags the pictures before its key frames as corrupted; the AVI has B-frames.
INSTANTIATE_TEST_SUITE_P(Clips, NavFrameCache,
                         testing::Values(CacheClip{"fi_h264_1080.mp4", 200, 40},
                                         CacheClip{"fi_h264_1080i_mbaff.m2ts", 45, 40},
                                         CacheClip{"fi_xvid_packed.avi", 80, 4},
                                         CacheClip{"fi_h264_576w.mkv", 150, 8}));

TEST(NavFrameCacheFaces, ACachedPictureIsPixelForPixelTheDecodedOne)
{
    CachedNav n("fi_h264_1080.mp4", 256);
    ASSERT_TRUE(n.g.ok());
    ASSERT_TRUE(n.stepBackFrom(120));
    ASSERT_TRUE(n.cache().Find(TFrameGrid(n.g.d()).TimeOf(100))) << "the frames since the key frame are kept";
    const int64_t passed = n.g.fn.FrameCount();
    n.seekFrame(100);
    ASSERT_EQ(n.shown(100), 100);
    EXPECT_EQ(n.g.fn.FrameCount(), passed) << "painted from the cache";
    QImage cached;
    ASSERT_TRUE(n.g.renderer.CaptureImage(cached));

    // The same frame decoded through the graph, the cache turned off.
    n.g.nav.iaFrameCache->SetValue(0);
    EXPECT_EQ(n.cache().Count(), 0);
    n.seekFrame(101);
    ASSERT_EQ(n.shown(101), 101);
    n.seekFrame(100);
    ASSERT_EQ(n.shown(100), 100);
    EXPECT_GT(n.g.fn.FrameCount(), passed);
    QImage decoded;
    ASSERT_TRUE(n.g.renderer.CaptureImage(decoded));
    ASSERT_EQ(cached.size(), decoded.size());
    EXPECT_TRUE(cached == decoded) << "the cached picture converts exactly as the renderer converts";
}

TEST(NavFrameCacheFaces, PlayingGoesOnFromTheCachedFrameShown)
{
    CachedNav n("fi_h264_1080.mp4", 256);
    ASSERT_TRUE(n.g.ok());
    n.seekFrame(200);
    ASSERT_EQ(n.shown(200), 200);
    // Forty frames back, all but the first from the cache: the paused graph still holds 199.
    for (int i = 1; i <= 40; ++i) {
        n.g.nav.naReculeFrame->trigger();
        ASSERT_EQ(n.shown(200 - i), 200 - i);
    }
    ASSERT_TRUE(n.g.nav.Play());
    mediatest::waitUntil([&] { return n.g.nav.State() == TGrapheManState::gmPlaying; }, 5000);
    mediatest::pump(150);
    n.g.nav.Pause();
    mediatest::pump(100);
    const int after = n.g.shownFrame();
    EXPECT_GE(after, 160);
    EXPECT_LT(after, 199) << "playing went on from the frame the graph held, not the one shown";
}

TEST(NavFrameCacheFaces, LeavingThePlaceOrTheFormatEmptiesTheCache)
{
    CachedNav n("fi_h264_576w.mkv", 256);
    ASSERT_TRUE(n.g.ok());
    ASSERT_TRUE(n.stepBackFrom(40));
    ASSERT_GT(n.cache().Count(), 10);
    int64_t first = 0, last = 0;
    ASSERT_TRUE(n.cache().Span(first, last));
    EXPECT_LE(last, TFrameGrid(n.g.d()).TimeOf(40));

    // Within ten seconds of what it holds: kept (and filled further).
    n.seekFrame(200);
    ASSERT_EQ(n.shown(200), 200);
    EXPECT_TRUE(n.cache().Find(TFrameGrid(n.g.d()).TimeOf(39)));

    // Another frame duration means other positions: emptied.
    n.g.fn.SetFrameDuration(n.g.d() + 1);
    EXPECT_EQ(n.cache().Count(), 0);
    n.g.fn.SetFrameDuration(n.g.d());

    // A new file (the origin learned again): emptied.
    n.g.nav.naReculeFrame->trigger();
    ASSERT_EQ(n.shown(199), 199);
    ASSERT_GT(n.cache().Count(), 0);
    n.g.fn.ResetOrigin();
    EXPECT_EQ(n.cache().Count(), 0);
}

TEST(NavFrameCacheFaces, ASeekFarAwayEmptiesTheCache)
{
    // Forty seconds of the 576-line clip, looped without re-encoding.
    QTemporaryDir dir;
    const QString looped = dir.filePath(QStringLiteral("looped.mkv"));
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-v", "error", "-stream_loop", "3", "-i",
                  framixtest::corpusFile(QStringLiteral("fi_h264_576w.mkv")), "-c", "copy", "-y", looped});
    ASSERT_TRUE(ffmpeg.waitForFinished(60000));
    ASSERT_EQ(ffmpeg.exitCode(), 0) << ffmpeg.readAllStandardError().toStdString();

    TNavGraph g(looped);
    ASSERT_TRUE(g.ok());
    g.window.show();
    g.nav.caSeekPrecision->SetChecked(true);
    const TFrameGrid grid(g.d());
    g.nav.SeekPrecise(grid.TimeOf(50));
    g.nav.naReculeFrame->trigger();
    ASSERT_TRUE(mediatest::waitUntil([&] { return g.fn.FrameCache().Count() > 10; }, 5000));
    // Thirty seconds on: nothing the cache holds is of use there.
    g.nav.SeekPrecise(grid.TimeOf(50 + 30 * 25));
    EXPECT_FALSE(g.fn.FrameCache().Find(grid.TimeOf(40)));
    EXPECT_LE(g.fn.FrameCache().Count(), 1);
    EXPECT_EQ(g.waitShown(50 + 30 * 25 - 3 * 260), 50 + 30 * 25 - 3 * 260) << "the looped clip's own frame";
}

// A DV frame's recording date and time code come through the DV notifier with the frame itself:
// DV keeps no cache, and its steps back stay exact.
TEST(NavFrameCacheFaces, DvKeepsNoCache)
{
    CachedNav n("fi_dv_pal.dv", 256);
    ASSERT_TRUE(n.g.ok());
    n.seekFrame(30);
    ASSERT_EQ(n.shown(30), 30);
    for (int frame = 29; frame >= 25; --frame) {
        n.g.nav.naReculeFrame->trigger();
        ASSERT_EQ(n.shown(frame), frame);
    }
    EXPECT_EQ(n.cache().Count(), 0);
    EXPECT_FALSE(n.cache().Enabled());
}
