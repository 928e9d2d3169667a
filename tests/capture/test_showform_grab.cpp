// Grab and save inside the whole main window: the name carries the time stamp of the frame the
// navigation manager shows, the file shows that frame, the thumbnail leads back to it.
#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TGrabber.h"
#include "capture/TImagetteFrame.h"
#include "capture/TIntervalCapture.h"
#include "capture/TShowForm.h"
#include "core/THeadlessPromptService.h"
#include "media/TFrameIndex.h"
#include "media/Timecode.h"
#include "playback/TNavMan.h"
#include "playback/TVideoMan.h"
#include "widgets/TClickLabel.h"

#include "../media/MediaTestUtil.h"
#include "TScriptedPromptService.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {

bool WaitFor(const std::function<bool()> &pred)
{
    return mediatest::waitUntil(pred, 10000);
}

int Shown(TShowForm &f)
{
    QImage img;
    return f.videoMan()->CaptureImage(img) ? FrameIndexFromImage(img) : -2;
}

// A shown main window with a program folder of its own, its questions answered by the headless
// prompt service, its grabs going to `images`.
struct GrabWindow
{
    GrabWindow() : form(prompts, nullptr, program.path())
    {
        form.show();
        QCoreApplication::processEvents();
        form.grabber()->waDossierSave->SetValue(images.path());
    }
    QTemporaryDir program, images;
    THeadlessPromptService prompts;
    TShowForm form;
};

// The picture, the position field, the next image's name and (overlay) the overlay's time stamp
// all on frame 0 within the wait; else what each shows.
::testing::AssertionResult ShowsTheStart(TShowForm &f, bool overlay)
{
    const QString start = QStringLiteral("0:00:00:00");
    const auto field = [&] { return f.navMan()->PositionEdit()->text(); };
    const auto name = [&] { return QFileInfo(f.grabber()->ImageFileName).fileName(); };
    const auto stamp = [&] { return f.videoMan()->OverlayValues().TimestampText; };
    if (WaitFor([&] {
            return Shown(f) == 0 && field() == start && name() == QStringLiteral("Framix_0.00.00.00.bmp") &&
                   (!overlay || stamp() == start);
        }))
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "shown " << Shown(f) << ", field " << field().toStdString() << ", name " << name().toStdString()
           << ", overlay " << stamp().toStdString();
}

} // namespace

TEST(ShowFormGrab, GrabThroughTheWindow)
{
    const QString clip = framixtest::corpusFile(QStringLiteral("fi_dv_pal.dv"));
    if (!QFileInfo::exists(clip))
        GTEST_SKIP() << "corpus not generated";
    GrabWindow w;
    TShowForm &f = w.form;
    const QTemporaryDir &images = w.images;
    TGrabber &g = *f.grabber();
    ASSERT_EQ(f.FindAction(QStringLiteral("naGrab")), g.naGrab);
    EXPECT_FALSE(g.naGrab->isEnabled()) << "no video yet";

    f.openfile(clip);
    ASSERT_TRUE(f.hasVideo());
    EXPECT_TRUE(g.naGrab->isEnabled());
    g.waDossierSave->SetValue(images.path());
    f.windowActions().iaPanneauActif->SetValue(1);

    f.navMan()->waStrPosition->SetValue(QStringLiteral("0:00:01:12"));
    ASSERT_TRUE(WaitFor([&] { return Shown(f) == 37; }));
    g.naGrab->Apply();
    const QString saved = images.path() + QStringLiteral("/Framix_0.00.01.12.bmp");
    const QImage img(saved);
    ASSERT_FALSE(img.isNull()) << qPrintable(g.ImageFileName);
    EXPECT_EQ(img.size(), QSize(720, 540));
    EXPECT_EQ(FrameIndexFromImage(img), 37);
    EXPECT_EQ(f.windowActions().iaPanneauActif->Value, 0) << "the thumbnail panel comes to the front";
    EXPECT_EQ(f.statusLabel()->text(), g.ImageFileName);

    // Elsewhere in the video, a click on the thumbnail returns to frame 37.
    f.navMan()->waStrPosition->SetValue(QStringLiteral("0:00:00:05"));
    ASSERT_TRUE(WaitFor([&] { return Shown(f) == 5; }));
    EXPECT_EQ(g.Imagette()->TimecodeText(), QStringLiteral("0:00:01:12"));
    QTest::mouseClick(g.Imagette()->PictureLabel(), Qt::LeftButton);
    EXPECT_TRUE(WaitFor([&] { return Shown(f) == 37; }));

    f.closefile();
    EXPECT_TRUE(g.Imagette()->NameText().isEmpty());
    EXPECT_TRUE(g.Imagette()->HighlightVisible());
}

// The overwrite question of a grab goes through the window's prompt service, with the file's
// name in it, and its answer decides: "Non" leaves the earlier image whole, "Oui" replaces it.
TEST(ShowFormGrab, OverwriteQuestionThroughThePromptService)
{
    const QString clip = framixtest::corpusFile(QStringLiteral("fi_dv_pal.dv"));
    if (!QFileInfo::exists(clip))
        GTEST_SKIP() << "corpus not generated";
    QTemporaryDir program, images;
    TScriptedPromptService prompts;
    TShowForm f(prompts, nullptr, program.path());
    f.show();
    QCoreApplication::processEvents();
    TGrabber &g = *f.grabber();
    f.openfile(clip);
    ASSERT_TRUE(f.hasVideo());
    g.waDossierSave->SetValue(images.path());
    g.iaImageAjouter->SetValue(1); // numbered names: the same name until a save succeeds
    ASSERT_TRUE(g.baConfirmerImage->Value);
    const QString path = g.ImageFileName;
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();

    prompts.errors.clear(); // the start-up's own messages (private filters) are not the grab's
    prompts.replace = TReplaceAnswer::No;
    g.naGrab->Apply();
    ASSERT_EQ(prompts.replaceQuestions.size(), 1);
    EXPECT_EQ(prompts.replaceQuestions.first(), TGrabber::ReplaceQuestion(path));
    EXPECT_TRUE(prompts.replaceQuestions.first().contains(path));
    EXPECT_EQ(QFileInfo(path).size(), 3) << "\"Non\": the file is not replaced";
    EXPECT_EQ(g.ImageFileName, path) << "the number does not advance";
    EXPECT_FALSE(f.stopRequested());

    prompts.replace = TReplaceAnswer::Cancel;
    g.naGrab->Apply();
    EXPECT_EQ(prompts.replaceQuestions.size(), 2);
    EXPECT_EQ(QFileInfo(path).size(), 3);
    EXPECT_TRUE(f.stopRequested()) << "\"Annuler\" stops the window's runs";

    prompts.replace = TReplaceAnswer::Yes;
    g.naGrab->Apply();
    EXPECT_EQ(prompts.replaceQuestions.size(), 3);
    EXPECT_EQ(QImage(path).size(), QSize(720, 540)) << "\"Oui\": replaced by the grab";
    EXPECT_TRUE(prompts.errors.isEmpty()) << qPrintable(prompts.errors.join(u'\n'));
    f.closefile();
}

// A video opened while paused goes straight to its first frame, without playing (which let a
// burst of sound out) and without seeking again to the frame it prerolled on; navigation and
// grabs go on from there as after any move. One opened while playing plays.
TEST(ShowFormGrab, OpenedPausedShowsTheFirstFrameWithoutPlaying)
{
    GrabWindow w;
    TShowForm &f = w.form;
    TGrabber &g = *f.grabber();
    TNavMan &nav = *f.navMan();
    std::vector<TGrapheManState> states;
    nav.OnStateChange = [&](TGrapheManState s) { states.push_back(s); };
    // Frame steps land exactly only with precise seeking (a plain seek in a program stream
    // lands on any frame near its target, by design).
    nav.caSeekPrecision->SetChecked(true);

    int opened = 0;
    // B-frames behind an edit list, a program stream that lands late, a transport stream's
    // origin, a variable rate, DV.
    for (const char *name :
         {"fi_mpeg2_ps.mpg", "fi_h264_1080.mp4", "fi_mpeg2_ts.ts", "fi_vfr.mp4", "fi_dv_pal.dv"}) {
        const QString clip = framixtest::corpusFile(QString::fromLatin1(name));
        if (!QFileInfo::exists(clip))
            continue;
        SCOPED_TRACE(name);
        ++opened;
        states.clear();
        f.openfile(clip);
        ASSERT_TRUE(f.hasVideo());
        EXPECT_EQ(std::count(states.begin(), states.end(), TGrapheManState::gmPlaying), 0);
        EXPECT_FALSE(nav.caPlay->Checked());
        EXPECT_EQ(Shown(f), 0);
        EXPECT_EQ(nav.PositionEdit()->text(), QStringLiteral("0:00:00:00"));
        nav.naAvanceFrame->Apply();
        EXPECT_TRUE(WaitFor([&] { return Shown(f) == 1; })) << Shown(f);
        nav.naReculeFrame->Apply();
        EXPECT_TRUE(WaitFor([&] { return Shown(f) == 0; })) << Shown(f);
        const QString folder = w.images.filePath(QString::fromLatin1(name));
        QDir().mkpath(folder);
        g.waDossierSave->SetValue(folder);
        const QString saved = g.ImageFileName;
        g.naGrab->Apply();
        EXPECT_EQ(FrameIndexFromImage(QImage(saved)), 0) << qPrintable(saved);
    }
    if (opened == 0)
        GTEST_SKIP() << "corpus not generated";

    nav.caPlay->SetChecked(true);
    states.clear();
    f.openfile(framixtest::corpusFile(QStringLiteral("fi_dv_pal.dv")));
    EXPECT_TRUE(nav.caPlay->Checked());
    EXPECT_EQ(nav.State(), TGrapheManState::gmPlaying);
    nav.caPlay->SetChecked(false);
    nav.OnStateChange = nullptr;
}

// A speed change (Ctrl+B) stops the graph and starts it again where it stands. Behind a frame
// painted from the decoded-frame cache the graph holds another one: the frame shown, its
// position and the next image's name stay those of the frame shown.
TEST(ShowFormGrab, ASpeedChangeKeepsTheFrameShownAndItsName)
{
    const QString clip = framixtest::corpusFile(QStringLiteral("fi_divx_unpacked.avi"));
    if (!QFileInfo::exists(clip))
        GTEST_SKIP() << "corpus not generated";
    GrabWindow w;
    TShowForm &f = w.form;
    TNavMan &nav = *f.navMan();
    f.openfile(clip);
    ASSERT_TRUE(f.hasVideo());
    for (const bool compatible : {true, false}) {
        SCOPED_TRACE(compatible);
        nav.naAvanceFin->Apply();
        ASSERT_TRUE(WaitFor([&] { return Shown(f) == 99; })) << Shown(f);
        // The start comes from the cache: the open decoded it.
        nav.naReculeDebut->Apply();
        ASSERT_TRUE(WaitFor([&] { return Shown(f) == 0; })) << Shown(f);
        nav.caVitesseCompatible->SetChecked(compatible);
        EXPECT_TRUE(ShowsTheStart(f, false));
        nav.naAvanceFrame->Apply();
        EXPECT_TRUE(WaitFor([&] { return Shown(f) == 1; })) << Shown(f);
    }
}

// The end of an interval run is a posted message; a command given before the window's loop has
// handled it (a speed or decoder change, which stop the graph) must neither run the end in the
// middle of its work nor hide it: the end goes back to the start, and the picture, the field, the
// next image's name and the overlay's time stamp all show frame 0.
TEST(ShowFormGrab, ACommandRightAfterAnIntervalRunLeavesTheRunsEndShown)
{
    for (const char *name : {"fi_dv_pal.dv", "fi_divx_unpacked.avi"}) {
        const QString clip = framixtest::corpusFile(QString::fromLatin1(name));
        if (!QFileInfo::exists(clip))
            GTEST_SKIP() << "corpus not generated";
        GrabWindow w;
        TShowForm &f = w.form;
        TNavMan &nav = *f.navMan();
        TIntervalCapture &interval = *f.intervalCapture();
        f.openfile(clip);
        ASSERT_TRUE(f.hasVideo());
        interval.iaIntervalloDelai->SetValue(1);
        interval.iaIntervalloUnit->SetValue(1); // seconds
        interval.caIntervalloShow->SetChecked(true);
        const std::vector<std::pair<const char *, std::function<void()>>> commands = {
            {"compatible speed", [&] { nav.caVitesseCompatible->SetChecked(true); }},
            {"normal speed", [&] { nav.caVitesseCompatible->SetChecked(false); }},
            {"next decoder", [&] { f.videoMan()->naNextDecoderVideo->Apply(); }},
        };
        for (const bool precise : {false, true}) {
            nav.caSeekPrecision->SetChecked(precise);
            for (const auto &[what, command] : commands) {
                SCOPED_TRACE(::testing::Message() << name << ", precise " << precise << ", " << what);
                ASSERT_TRUE(nav.SeekToText(QStringLiteral("0:00:02:00")));
                ASSERT_TRUE(WaitFor([&] { return Shown(f) == 50; })) << Shown(f);
                interval.Count();
                interval.naIntervalloStart->Apply();
                ASSERT_TRUE(interval.Running()) << "the end is still to come";
                command();
                EXPECT_TRUE(WaitFor([&] { return !interval.Running(); }));
                EXPECT_TRUE(ShowsTheStart(f, true));
                nav.naAvanceFrame->Apply();
                EXPECT_TRUE(WaitFor([&] { return Shown(f) == 1; })) << Shown(f);
            }
        }
        EXPECT_EQ(QDir(w.images.path()).entryList(QDir::Files).size(), 3) << "50, 75 and the last, once each";
    }
}

// A decoder change starts a new decoder wherever the video stands: the frames it gives after it
// carry the times of the frames they show, the position field and the overlay's time stamp name
// them, from the end back to the start and to a typed position.
TEST(ShowFormGrab, FramesKeepTheirNamesAcrossADecoderChange)
{
    for (const char *name : {"fi_divx_unpacked.avi", "fi_divx_packed.avi", "fi_xvid_packed.avi",
                             "fi_xvid_unpacked.avi", "fi_mpeg1.mpg", "fi_mpeg2_ps.mpg", "fi_h264_1080.mp4"}) {
        const QString clip = framixtest::corpusFile(QString::fromLatin1(name));
        if (!QFileInfo::exists(clip))
            continue;
        SCOPED_TRACE(name);
        GrabWindow w;
        TShowForm &f = w.form;
        TNavMan &nav = *f.navMan();
        nav.caSeekPrecision->SetChecked(true); // a typed position is the frame it names
        f.openfile(clip);
        ASSERT_TRUE(f.hasVideo());
        const auto named = [&](int frame) {
            const QString text = TimecodeText(nav.Grid().TimeOf(frame), nav.FrameDuration);
            return WaitFor([&] {
                return Shown(f) == frame && nav.PositionEdit()->text() == text &&
                       f.videoMan()->OverlayValues().TimestampText == text;
            });
        };
        const auto state = [&] {
            return ::testing::Message() << Shown(f) << " " << nav.PositionEdit()->text().toStdString() << " "
                                        << f.videoMan()->OverlayValues().TimestampText.toStdString();
        };
        nav.naAvanceFin->Apply();
        QCoreApplication::processEvents();
        int last = Shown(f);
        ASSERT_GT(last, 90);
        EXPECT_TRUE(named(last)) << state();
        for (int change = 0; change < 2; ++change) {
            SCOPED_TRACE(change);
            // The same frame, or the new decoder's last when it gives fewer at the end
            // (mpeg2dec drops the last two of MPEG-1 and MPEG-2).
            f.videoMan()->naNextDecoderVideo->Apply();
            QCoreApplication::processEvents();
            EXPECT_GE(Shown(f), last - 2);
            EXPECT_TRUE(named(Shown(f))) << state();
            nav.GoToStart();
            EXPECT_TRUE(named(0)) << state();
            ASSERT_TRUE(nav.SeekToText(QStringLiteral("0:00:02:00")));
            EXPECT_TRUE(named(int(nav.Grid().IndexAt(2 * TNavMan::OneSecond)))) << state();
            nav.naAvanceFin->Apply();
            QCoreApplication::processEvents();
            last = Shown(f);
            EXPECT_GT(last, 90);
            EXPECT_TRUE(named(last)) << state();
        }
    }
}
