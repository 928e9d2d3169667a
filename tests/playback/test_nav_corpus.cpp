// The navigation manager on the frame-index clips of the corpus, opened as the program opens
// them: with precise seeking on, every step (1 and 10 frames, a second, a minute, both ways),
// the start, the end and typed positions show exactly the frame expected in the paused
// renderer, read back from the captured picture's frame-index pattern.
#include "NavTestGraph.h"
#include "actions/TCheckAction.h"
#include "actions/TNopeAction.h"
#include "actions/TWidestringAction.h"
#include "media/FrameGrid.h"
#include "media/TScenesList.h"
#include "media/Timecode.h"

#include <gtest/gtest.h>

#include <atomic>
#include <ostream>
#include <set>

#include <gst/gst.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using navtest::TNavGraph;

namespace {

struct ClipCase
{
    const char *file;
};

// Names the clip in test listings (the default would print the pointer's bytes).
void PrintTo(const ClipCase &c, std::ostream *os)
{
    *os << '"' << c.file << '"';
}

int ManifestFrames(const QString &file)
{
    QFile f(framixtest::corpusFile(QStringLiteral("manifest.json")));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    const QJsonObject e =
        QJsonDocument::fromJson(f.readAll()).object().value("files").toObject().value(file).toObject();
    return e.value("video").toObject().value("frames").toInt();
}

// The frame a precise seek to t shows: the grid frame whose start lies nearest t.
int64_t FrameAt(int64_t t, int64_t d)
{
    return std::max<int64_t>(TFrameGrid(d).IndexAt(t), 0);
}

class NavCorpus : public testing::TestWithParam<ClipCase>
{
};

} // namespace

TEST_P(NavCorpus, EveryMoveShowsTheExactFrame)
{
    const QString name = QString::fromLatin1(GetParam().file);
    const QString path = mediatest::corpus(name);
    if (path.isEmpty())
        GTEST_SKIP() << "corpus missing: build the corpus target";
    const int frames = ManifestFrames(name);
    ASSERT_GT(frames, 20);

    TNavGraph g(path);
    ASSERT_TRUE(g.ok());
    TNavMan &nav = g.nav;
    nav.caSeekPrecision->SetChecked(true);
    const int64_t d = g.d();
    const TFrameGrid grid(d);
    EXPECT_EQ(g.shownFrame(), 0);
    EXPECT_EQ(nav.GetPosition(), 0);
    // The clip ends after its last frame. A container that only estimates its length (AVI's
    // chunk count with empty chunks, say) may report more; never less, or the last frame would be
    // out of reach.
    EXPECT_GE(double(nav.MediaDuration), double(frames * d) - double(d) / 2) << nav.MediaDuration;
    const int endFrame = frames - 1;

    int expected = 0;
    auto check = [&](const char *what) {
        const int shown = g.waitShown(expected);
        EXPECT_EQ(shown, expected) << what;
        EXPECT_EQ(nav.GetPosition(), grid.TimeOf(expected)) << what;
        EXPECT_EQ(nav.caPlay->Checked(), false);
        expected = shown; // go on from what is shown
    };
    auto forward = [&](int64_t delta) {
        const int64_t t = std::min(grid.TimeOf(expected) + delta, nav.EndPosition);
        expected = t >= nav.MediaDuration - d ? endFrame : int(FrameAt(t, d));
    };
    auto backward = [&](int64_t delta) {
        expected = int(FrameAt(std::max<int64_t>(grid.TimeOf(expected) - delta, 0), d));
    };

    nav.waStrPosition->SetValue(QStringLiteral("0:00:01:07"));
    expected = int(FrameAt(TimecodeToTime(QStringLiteral("0:00:01:07"), d), d));
    check("typed position");
    for (int i = 0; i < 3; ++i) {
        nav.naAvanceFrame->trigger();
        forward(d);
        check("frame forward");
    }
    nav.naReculeFrame->trigger();
    backward(d);
    check("frame backward");
    nav.naAvance10Frames->trigger();
    forward(10 * d);
    check("10 frames forward");
    nav.naRecule10Frames->trigger();
    backward(10 * d);
    check("10 frames backward");
    nav.naAvanceSeconde->trigger();
    forward(TNavMan::OneSecond);
    check("second forward");
    nav.naRecule10Frames->trigger();
    backward(10 * d);
    check("10 frames backward");
    nav.naReculeSeconde->trigger();
    backward(TNavMan::OneSecond);
    check("second backward");
    nav.naAvanceMinute->trigger();
    forward(60 * TNavMan::OneSecond);
    check("minute forward, past the end");
    nav.naReculeFrame->trigger();
    backward(d);
    check("frame back from the end");
    nav.naReculeMinute->trigger();
    backward(60 * TNavMan::OneSecond);
    check("minute backward, past the start");
    nav.naAvanceFin->trigger();
    expected = endFrame;
    check("end");
    // By now the length is the true one and the end is the last frame.
    EXPECT_NEAR(double(nav.MediaDuration), double(frames * d), double(d) / 2) << nav.MediaDuration;
    EXPECT_EQ(nav.EndPosition, grid.TimeOf(endFrame));
    nav.naReculeFrame->trigger();
    backward(d);
    check("frame back from the last frame");
    nav.naAvanceFrame->trigger();
    forward(d);
    check("frame forward onto the last frame");
    nav.naAvanceFrame->trigger();
    check("frame forward on the last frame stays");
    nav.SeekToText(QStringLiteral("0:00:02:03"));
    expected = int(FrameAt(TimecodeToTime(QStringLiteral("0:00:02:03"), d), d));
    check("typed position");
    nav.naReculeDebut->trigger();
    expected = 0;
    check("start");
    // Without precise seeking (as when a file has just been opened) the start is the first
    // frame too.
    nav.caSeekPrecision->SetChecked(false);
    nav.SeekToText(QStringLiteral("0:00:02:00"));
    nav.SeekTo(true, 0);
    check("start without precise seeking");
}

INSTANTIATE_TEST_SUITE_P(
    Containers, NavCorpus,
    testing::Values(ClipCase{"fi_dv_pal.dv"}, ClipCase{"fi_h264_1080.mp4"}, ClipCase{"fi_dv_pal_type1.avi"},
                    ClipCase{"fi_mjpeg.avi"}, ClipCase{"fi_mpeg2_ts.ts"}, ClipCase{"fi_h264_1080.m2ts"},
                    ClipCase{"fi_mpeg2_ps.mpg"}, ClipCase{"fi_h264_576w.mkv"}, ClipCase{"fi_dv_ntsc_wide.dv"},
                    ClipCase{"fi_dv_ntsc_wide_type1.avi"}, ClipCase{"fi_dv_ntsc_wide_type2.avi"},
                    ClipCase{"fi_dv_ntsc_99_type2.avi"}, ClipCase{"fi_xvid_packed.avi"},
                    ClipCase{"fi_divx_packed.avi"}, ClipCase{"fi_divx_unpacked.avi"},
                    ClipCase{"fi_h264_2997.mp4"}, ClipCase{"fi_h264_2997.mkv"}, ClipCase{"fi_h264_23976.mp4"},
                    ClipCase{"fi_h264_23976.mkv"}, ClipCase{"fi_ntsc_dvd.vob"}, ClipCase{"fi_h264_50p.m2ts"},
                    ClipCase{"fi_h264_1080i_mbaff.m2ts"}, ClipCase{"fi_hevc.mp4"}, ClipCase{"fi_prores.mov"},
                    ClipCase{"fi_wmv.wmv"}, ClipCase{"fi_mpeg1.mpg"}),
    [](const testing::TestParamInfo<ClipCase> &p) {
        std::string n = p.param.file;
        for (char &c : n)
            if (!isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return n;
    });

TEST(NavCorpusScenes, SceneStepsFollowTheSceneFile)
{
    struct Case
    {
        const char *file;
        std::vector<int> starts; // of the scene file beside the clip
    };
    for (const Case &c : {Case{"fi_dv_pal.dv", {20, 45, 70}}, Case{"fi_mpeg2_ps.mpg", {10, 60}}}) {
        SCOPED_TRACE(c.file);
        const QString path = mediatest::corpus(QString::fromLatin1(c.file));
        if (path.isEmpty())
            GTEST_SKIP() << "corpus missing: build the corpus target";
        TNavGraph g(path);
        ASSERT_TRUE(g.ok());
        TScenesList scenes;
        ASSERT_TRUE(
            scenes.LoadScenes(QFileInfo(path).path() + '/' + QFileInfo(path).completeBaseName() + ".scn"));
        g.nav.SetScenesList(&scenes);
        g.nav.caSeekPrecision->SetChecked(true);
        const int end = int((g.nav.MediaDuration + g.d() / 2) / g.d()) - 1;
        for (int start : c.starts) {
            g.nav.naAvanceTrack->trigger();
            EXPECT_EQ(g.waitShown(start), start);
        }
        g.nav.naAvanceTrack->trigger(); // after the last scene: the end
        EXPECT_EQ(g.waitShown(end), end);
        for (auto it = c.starts.rbegin(); it != c.starts.rend(); ++it) {
            g.nav.naReculeTrack->trigger();
            EXPECT_EQ(g.waitShown(*it), *it);
        }
        g.nav.naReculeTrack->trigger();
        EXPECT_EQ(g.waitShown(0), 0);
        EXPECT_EQ(g.nav.GetPosition(), 0);
    }
}

TEST(NavCorpusPlaying, PreciseSeekWhilePlayingPlaysOnFromTheTarget)
{
    const QString path = mediatest::corpus(QStringLiteral("fi_dv_pal.dv"));
    if (path.isEmpty())
        GTEST_SKIP() << "corpus missing: build the corpus target";
    TNavGraph g(path);
    ASSERT_TRUE(g.ok());
    TNavMan &nav = g.nav;
    nav.caSeekPrecision->SetChecked(true);
    QStringList texts;
    nav.OnDisplayTime = [&](const QString &t) { texts << t; };
    nav.caPlay->SetChecked(true);
    EXPECT_EQ(nav.State(), TGrapheManState::gmPlaying);
    ASSERT_TRUE(mediatest::waitUntil([&] { return nav.GetPosition() >= 5 * g.d(); }, 10000));
    nav.SeekToText(QStringLiteral("0:00:02:00"));
    EXPECT_EQ(nav.State(), TGrapheManState::gmPlaying);
    EXPECT_GE(nav.GetPosition(), 50 * g.d());
    ASSERT_TRUE(mediatest::waitUntil([&] { return g.shownFrame() >= 55; }, 10000)) << "plays on";
    nav.caPlay->SetChecked(false);
    EXPECT_EQ(nav.State(), TGrapheManState::gmPaused);
    mediatest::pump(100);
    EXPECT_FALSE(texts.isEmpty()) << "positions are shown while playing";
    // A refresh shows the same frame again.
    const int shown = g.shownFrame();
    const int64_t position = nav.GetPosition();
    EXPECT_EQ(position, TFrameGrid(g.d()).TimeOf(shown));
    nav.RefreshFrame();
    EXPECT_EQ(g.waitShown(shown), shown);
    EXPECT_EQ(nav.GetPosition(), position);
}

TEST(NavCorpusNtsc, TypedPositionsAndSecondStepsShowTheFrameTheirTextNames)
{
    // 29.97 fps: a second is 29.97 frames, so "0:00:01:00" is frame 30 and a second's step from
    // the start shows it, in the raw file and in both kinds of AVI.
    for (const char *file :
         {"fi_dv_ntsc_wide.dv", "fi_dv_ntsc_wide_type1.avi", "fi_dv_ntsc_wide_type2.avi"}) {
        SCOPED_TRACE(file);
        const QString path = mediatest::corpus(QString::fromLatin1(file));
        if (path.isEmpty())
            GTEST_SKIP() << "corpus missing: build the corpus target";
        TNavGraph g(path);
        ASSERT_TRUE(g.ok());
        TNavMan &nav = g.nav;
        nav.caSeekPrecision->SetChecked(true);
        ASSERT_EQ(g.d(), 333667);
        struct Typed
        {
            const char *text;
            int frame;
        };
        for (const Typed &t : {Typed{"0:00:01:00", 30}, Typed{"0:00:03:00", 90}, Typed{"0:00:02:15", 75},
                               Typed{"0:00:00:14", 14}, Typed{"0:00:01:05", 35}, Typed{"0:00:00:29", 29}}) {
            nav.SeekToText(QString::fromLatin1(t.text));
            EXPECT_EQ(g.waitShown(t.frame), t.frame) << t.text;
            EXPECT_EQ(nav.PositionText(nav.GetPosition()), QString::fromLatin1(t.text));
        }
        nav.naReculeDebut->trigger();
        EXPECT_EQ(g.waitShown(0), 0);
        nav.naAvanceSeconde->trigger();
        EXPECT_EQ(g.waitShown(30), 30) << "a second from the start";
        EXPECT_EQ(nav.PositionText(nav.GetPosition()), QStringLiteral("0:00:01:00"));
        nav.naRecule10Frames->trigger();
        EXPECT_EQ(g.waitShown(20), 20);
        EXPECT_EQ(nav.PositionText(nav.GetPosition()), QStringLiteral("0:00:00:20"));
    }
}

// Clips whose frames leave slots of the grid empty: a phone's variable frame rate (a nominal
// 30 fps with every fourth slot and two more left out) and an XviD file that lost a B-frame.
// Every move shows a frame the file has, at that frame's own position; a step forward always
// shows a later frame and a step back an earlier one; a position that is a frame shows it.
TEST(NavCorpusGaps, EveryMoveShowsAFrameOfTheFileAtItsOwnPosition)
{
    for (const char *file : {"fi_vfr.mp4", "fi_xvid_unpacked.avi"}) {
        SCOPED_TRACE(file);
        const QString name = QString::fromLatin1(file);
        const QString path = mediatest::corpus(name);
        if (path.isEmpty())
            GTEST_SKIP() << "corpus missing: build the corpus target";
        QFile mf(framixtest::corpusFile(QStringLiteral("manifest.json")));
        ASSERT_TRUE(mf.open(QIODevice::ReadOnly));
        const QJsonObject video = QJsonDocument::fromJson(mf.readAll())
                                      .object()
                                      .value("files")
                                      .toObject()
                                      .value(name)
                                      .toObject()
                                      .value("video")
                                      .toObject();
        std::vector<int> slots;
        for (const QJsonValue v : video.value("slots").toArray())
            slots.push_back(v.toInt());
        if (slots.empty()) // the encoder lost no frame this time
            for (int i = 0; i < video.value("frames").toInt(); ++i)
                slots.push_back(i);
        ASSERT_GT(slots.size(), 50u);
        const std::set<int> present(slots.begin(), slots.end());

        TNavGraph g(path);
        ASSERT_TRUE(g.ok());
        TNavMan &nav = g.nav;
        nav.caSeekPrecision->SetChecked(true);
        const int64_t d = g.d();
        if (name == "fi_vfr.mp4") {
            EXPECT_EQ(d, 333333) << "the nominal 30 fps grid, not the average rate";
        }
        const TFrameGrid grid(d);
        // The frame shown once the move settled, checked against the file and the position.
        auto settled = [&](const char *what, int low, int high) {
            int seen = -1;
            mediatest::waitUntil(
                [&] {
                    seen = g.shownFrame();
                    return seen >= low && seen <= high && present.count(seen) &&
                           nav.GetPosition() == grid.TimeOf(seen);
                },
                3000);
            EXPECT_TRUE(present.count(seen)) << what << ": shows " << seen;
            EXPECT_GE(seen, low) << what;
            EXPECT_LE(seen, high) << what;
            EXPECT_EQ(nav.GetPosition(), grid.TimeOf(seen)) << what << ": shows " << seen;
            return seen;
        };
        auto nextOf = [&](int f) {
            auto it = present.upper_bound(f);
            return it == present.end() ? *present.rbegin() : *it;
        };
        auto prevOf = [&](int f) {
            auto it = present.lower_bound(f);
            return it == present.begin() ? *present.begin() : *std::prev(it);
        };

        int at = settled("open", 0, 0);
        for (int i = 0; i < 24; ++i) {
            nav.naAvanceFrame->trigger();
            const int next = nextOf(at);
            at = settled("frame forward", next, next);
        }
        for (int i = 0; i < 6; ++i) {
            nav.naReculeFrame->trigger();
            const int prev = prevOf(at);
            at = settled("frame backward", prev, prev);
        }
        nav.naAvance10Frames->trigger();
        at = settled("10 frames forward", prevOf(at + 11), nextOf(at + 9));
        nav.naRecule10Frames->trigger();
        at = settled("10 frames backward", prevOf(at - 9), nextOf(at - 11));
        nav.naAvanceSeconde->trigger();
        at = settled("second forward", at + 1, at + 40);
        // A typed frame of the file shows it; a typed empty slot shows a neighbour.
        const int typed = slots[slots.size() / 2];
        nav.SeekToText(TimecodeText(grid.TimeOf(typed), d));
        at = settled("typed frame", typed, typed);
        for (int slot = slots.front(); slot < slots.back(); ++slot) {
            if (present.count(slot))
                continue;
            nav.SeekToText(TimecodeText(grid.TimeOf(slot), d));
            at = settled("typed empty slot", prevOf(slot), nextOf(slot));
            break;
        }
        nav.naAvanceFin->trigger();
        at = settled("end", slots.back(), slots.back());
        nav.naReculeFrame->trigger();
        at = settled("frame back from the last frame", prevOf(slots.back()), prevOf(slots.back()));
        nav.naAvanceFrame->trigger();
        at = settled("frame forward onto the last frame", slots.back(), slots.back());
        nav.naReculeDebut->trigger();
        settled("start", slots.front(), slots.front());
    }
}

// With precise seeking off, a typed position at or past the end shows the last frame, even where
// the program's length is an estimate past it (the sound of this AVI runs longer).
TEST(NavTypedPosition, PastTheEndShowsTheLastFrameWithPreciseSeekingOff)
{
    const QString name = QStringLiteral("fi_divx_unpacked.avi");
    const QString path = mediatest::corpus(name);
    if (path.isEmpty())
        GTEST_SKIP() << "corpus missing: build the corpus target";
    const int last = ManifestFrames(name) - 1;
    ASSERT_GT(last, 20);
    TNavGraph g(path);
    ASSERT_TRUE(g.ok());
    TNavMan &nav = g.nav;
    nav.caSeekPrecision->SetChecked(false);
    const TFrameGrid grid(g.d());
    // The length the window takes from the longer sound: 56 ms past the last frame's end.
    nav.MediaDuration = grid.TimeOf(last + 1) + 560000;
    nav.EndPosition = grid.TimeOf(last + 1);
    nav.waStrPosition->SetValue(QStringLiteral("0:00:00:05"));
    EXPECT_EQ(g.waitShown(5), 5);
    for (const char *text : {"0:00:05:09", "0:10:00:00", "0:00:05:09"}) {
        nav.waStrPosition->SetValue(QString::fromLatin1(text));
        EXPECT_EQ(g.waitShown(last), last) << text;
        EXPECT_EQ(nav.GetPosition(), grid.TimeOf(last)) << text;
    }
}

// A file cut in the middle (a copy that stopped half way) keeps the length its header gives:
// its last frames are missing. A frame step forward from the last frame left stays there after
// one exact move: the stream's end is not taken for an empty slot of a variable rate, each of
// which would seek again (the window froze for seconds, sixteen moves each waiting for frames
// that never come). Counted by the flushes that reach the renderer.
TEST(NavDamaged, AStepPastTheLastFrameOfACutFileMovesOnce)
{
    for (const char *file : {"fi_h264_23976.mkv", "fi_h264_2997.mkv"}) {
        SCOPED_TRACE(file);
        const QString whole = mediatest::corpus(QString::fromLatin1(file));
        if (whole.isEmpty())
            GTEST_SKIP() << "corpus missing: build the corpus target";
        QTemporaryDir dir;
        const QString path = dir.filePath(QString::fromLatin1(file));
        {
            QFile in(whole), out(path);
            ASSERT_TRUE(in.open(QIODevice::ReadOnly) && out.open(QIODevice::WriteOnly));
            const QByteArray bytes = in.readAll();
            ASSERT_EQ(out.write(bytes.left(bytes.size() / 2)), bytes.size() / 2);
        }
        TNavGraph g(path);
        ASSERT_TRUE(g.ok());
        TNavMan &nav = g.nav;
        nav.caSeekPrecision->SetChecked(true);
        const int64_t d = g.d();
        const TFrameGrid grid(d);
        // The last frame there is: the last one that moves on the way to the header's end.
        int last = 0;
        for (int64_t t = 0; t < nav.EndPosition; t += 5 * d) {
            nav.SeekPrecise(t);
            const int shown = g.shownFrame();
            if (shown <= last)
                break;
            last = shown;
        }
        nav.SeekPrecise(grid.TimeOf(last));
        for (int before = -1; before != g.shownFrame();) {
            before = g.shownFrame();
            nav.StepForward(d);
        }
        last = g.shownFrame();
        ASSERT_GT(last, 5);
        ASSERT_LT(grid.TimeOf(last), nav.EndPosition - TNavMan::OneSecond / 2) << "the copy is not cut short";

        std::atomic<int> flushes{0};
        GstPad *pad = gst_element_get_static_pad(g.renderer.Renderer(), "sink");
        ASSERT_NE(pad, nullptr);
        const gulong probe = gst_pad_add_probe(
            pad, GST_PAD_PROBE_TYPE_EVENT_FLUSH,
            [](GstPad *, GstPadProbeInfo *info, gpointer data) {
                if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_START)
                    ++*static_cast<std::atomic<int> *>(data);
                return GST_PAD_PROBE_OK;
            },
            &flushes, nullptr);
        nav.StepForward(d);
        gst_pad_remove_probe(pad, probe);
        gst_object_unref(pad);
        EXPECT_EQ(g.shownFrame(), last);
        EXPECT_EQ(nav.GetPosition(), grid.TimeOf(last));
        EXPECT_LE(flushes.load(), 6);
    }
}
