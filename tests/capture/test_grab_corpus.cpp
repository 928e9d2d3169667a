// Grabs from a real decoded clip through the renderer manager, on the offscreen platform: the
// saved image shows the frame its name says, at the displayed aspect, and the thumbnail leads
// back to that frame.
#include "../playback/RendererTestGraph.h"
#include "actions/TBooleanAction.h"
#include "actions/TCustomVDActionList.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TGrabber.h"
#include "capture/TImagetteFrame.h"
#include "core/THeadlessPromptService.h"
#include "media/TFrameIndex.h"
#include "media/Timecode.h"
#include "widgets/TClickLabel.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

using mediatest::waitUntil;
using renderertest::TRendererGraph;

namespace {

constexpr std::int64_t Frame = 400000; // 25 frames per second

int ShownIndex(TWindowLessMan &man)
{
    QImage img;
    return man.CaptureImage(img) ? FrameIndexFromImage(img) : -2;
}

} // namespace

TEST(GrabCorpus, GrabSavesTheShownFrameAtTheDisplayedAspect)
{
    const QString clip = mediatest::corpus(QStringLiteral("fi_dv_pal.dv"));
    if (clip.isEmpty())
        GTEST_SKIP() << "fi_dv_pal.dv missing: build the corpus target";

    QWidget window;
    window.resize(640, 480);
    QWidget *videoPanel = new QWidget(&window);
    videoPanel->setGeometry(0, 0, 400, 300);
    TImagetteFrame *imagette = new TImagetteFrame(&window);
    imagette->setGeometry(400, 0, 240, 480);
    window.show();

    TWindowLessMan man;
    man.SetWindow(videoPanel);
    TRendererGraph graph(man, clip);
    ASSERT_TRUE(graph.Pause());

    TVDActionList gpal(&window);
    THeadlessPromptService prompts;
    TGrabber grab(&window, &gpal, prompts);
    QTemporaryDir dir;
    bool playing = false;
    int shown = 37;
    grab.Host.HasVideo = [] { return true; };
    grab.Host.Playing = [&] { return playing; };
    grab.Host.FramePosition = [&] { return shown * Frame; };
    grab.Host.FrameDuration = [] { return Frame; };
    grab.Host.PositionText = [&] { return TimecodeText(shown * Frame, Frame); };
    grab.Host.SeekToText = [&](const QString &text) {
        shown = int(TimecodeToTime(text, Frame) / Frame);
        graph.SeekFrame(shown, 25);
    };
    grab.SetRenderer(&man);
    grab.SetImagette(imagette);
    grab.waDossierSave->SetValue(dir.path());

    ASSERT_TRUE(graph.SeekFrame(37, 25));
    ASSERT_TRUE(waitUntil([&] { return ShownIndex(man) == 37; }));

    // 4:3 PAL: a BMP of 720 x 540 named by its time stamp, showing frame 37.
    man.SetAspectSize(QSize(4, 3));
    ASSERT_EQ(grab.Grab(), TGrabber::TGrabStatus::gsSaved);
    const QString bmp = dir.path() + QStringLiteral("/Framix_0.00.01.12.bmp");
    QImage saved(bmp);
    ASSERT_FALSE(saved.isNull()) << qPrintable(bmp);
    EXPECT_EQ(saved.size(), QSize(720, 540));
    EXPECT_EQ(FrameIndexFromImage(saved), 37);
    EXPECT_EQ(imagette->SizeText(), QStringLiteral("720 x 540"));
    EXPECT_EQ(imagette->NameText(), QStringLiteral("Framix_0.00.01.12.bmp"));
    EXPECT_TRUE(imagette->Saved());
    EXPECT_EQ(grab.iaNextNum->Value, 2);

    // Forced to 16:9 with the deinterlacer on: the copy is the frame at its captured size, the
    // grab (by a click on the video) writes 720 x 405.
    man.SetAspectSize(QSize(16, 9));
    grab.baImageDeinterlacer->SetValue(true);
    grab.iaImageExtension->SetValue(1);
    grab.naCopy->Apply();
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(720, 576));
    EXPECT_EQ(FrameIndexFromImage(copied), 37);
    EXPECT_FALSE(imagette->Saved());
    grab.VideoMousePress(Qt::LeftButton, QPoint(10, 10));
    const QImage jpeg(dir.path() + QStringLiteral("/Framix_0.00.01.12.jpg"));
    EXPECT_EQ(jpeg.size(), QSize(720, 405));
    EXPECT_EQ(FrameIndexFromImage(jpeg), 37);

    // The thumbnail's picture leads back to frame 37.
    ASSERT_TRUE(graph.SeekFrame(5, 25));
    shown = 5;
    ASSERT_TRUE(waitUntil([&] { return ShownIndex(man) == 5; }));
    QTest::mouseClick(imagette->PictureLabel(), Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return ShownIndex(man) == 37; }));

    // "Playing" while the renderer draws nothing more: the wait for a fresh frame gives up and
    // the grab still completes.
    playing = true;
    man.RefreshOverlay();
    grab.iaImageAjouter->SetValue(1);
    EXPECT_EQ(grab.Grab(), TGrabber::TGrabStatus::gsSaved);
    EXPECT_EQ(FrameIndexFromImage(QImage(dir.path() + QStringLiteral("/Framix_003.jpg"))), 37);
}
