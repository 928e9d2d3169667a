// Grab and save inside the whole main window: the name carries the time stamp of the frame the
// navigation manager shows, the file shows that frame, the thumbnail leads back to it.
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TGrabber.h"
#include "capture/TImagetteFrame.h"
#include "capture/TShowForm.h"
#include "core/THeadlessPromptService.h"
#include "media/TFrameIndex.h"
#include "playback/TNavMan.h"
#include "playback/TVideoMan.h"
#include "widgets/TClickLabel.h"

#include "../media/MediaTestUtil.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
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

} // namespace

TEST(ShowFormGrab, GrabThroughTheWindow)
{
    const QString clip = framixtest::corpusFile(QStringLiteral("fi_dv_pal.dv"));
    if (!QFileInfo::exists(clip))
        GTEST_SKIP() << "corpus not generated";
    QTemporaryDir program, images;
    THeadlessPromptService prompts;
    TShowForm f(prompts, nullptr, program.path());
    f.show();
    QCoreApplication::processEvents();
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
