// The renderer manager: layout and borders, displays, overlay placement and the capture of the
// presented picture from real decoded clips of the corpus.
#include "RendererTestGraph.h"
#include "actions/TCheckAction.h"
#include "actions/TFontAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TRectAction.h"
#include "media/FitRect.h"
#include "media/TFrameIndex.h"
#include "playback/TPreviewForm.h"
#include "playback/TVideoView.h"
#include "playback/TWindowLessMan.h"
#include "playback/Tplaque.h"

#include <gtest/gtest.h>

#include <limits>

#include <QScreen>
#include <QWidget>

using mediatest::waitUntil;
using renderertest::TRendererGraph;

namespace {

// (left, top, right, bottom) of a rectangle.
std::array<int, 4> Ltrb(const QRect &r)
{
    return {r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

QString Clip(const char *name)
{
    const QString f = mediatest::corpus(QString::fromLatin1(name));
    return f;
}

#define REQUIRE_CLIP(var, name)                                                                              \
    const QString var = Clip(name);                                                                          \
    if (var.isEmpty())                                                                                       \
    GTEST_SKIP() << name << " missing: build the corpus target"

// A video panel of 640 x 480 in a shown top-level window.
struct Panel
{
    QWidget top;
    QWidget *panel = new QWidget(&top);
    Panel()
    {
        top.resize(640, 480);
        panel->setGeometry(0, 0, 640, 480);
        panel->setAutoFillBackground(true);
        QPalette pal = panel->palette();
        pal.setColor(QPalette::Window, QColor(10, 20, 30));
        panel->setPalette(pal);
        top.show();
    }
};

int CapturedIndex(TWindowLessMan &man)
{
    QImage img;
    return man.CaptureImage(img) ? FrameIndexFromImage(img) : -2;
}

} // namespace

TEST(WindowLessMan, DestinationRectanglesKeepTheAspectInsideTheBorder)
{
    Panel w;
    TWindowLessMan man;
    man.SetWindow(w.panel);
    EXPECT_EQ(man.WinBorderWidth(), 8);
    man.SetAspectSize(QSize(16, 9));
    EXPECT_EQ(Ltrb(man.WindowDestRect()), (std::array<int, 4>{8, 64, 632, 415}));
    EXPECT_EQ(man.VideoPosition().Dest, man.WindowDestRect());
    man.SetAspectSize(QSize(4, 3));
    EXPECT_EQ(Ltrb(man.WindowDestRect()), (std::array<int, 4>{11, 8, 629, 472}));
    man.SetAspectSize(QSize(0, 0));
    EXPECT_EQ(Ltrb(man.WindowDestRect()), (std::array<int, 4>{8, 8, 632, 472}));

    // Resizing the window lays the picture out again.
    w.panel->resize(400, 300);
    EXPECT_EQ(Ltrb(man.WindowDestRect()), (std::array<int, 4>{8, 8, 392, 292}));

    // A new border width keeps the destination until the next layout.
    man.SetWinBorderWidth(20);
    EXPECT_EQ(Ltrb(man.WindowDestRect()), (std::array<int, 4>{8, 8, 392, 292}));
    man.UpdateLayout();
    EXPECT_EQ(Ltrb(man.WindowDestRect()), (std::array<int, 4>{20, 20, 380, 280}));

    // Widths a script may type: below nothing no border, and one wider than any screen an
    // empty picture, never a rectangle that wraps round (the window is painted with it).
    man.SetWinBorderWidth(-50);
    man.UpdateLayout();
    EXPECT_EQ(Ltrb(man.WindowDestRect()), (std::array<int, 4>{0, 0, 400, 300}));
    man.SetWinBorderWidth(std::numeric_limits<int>::max());
    man.UpdateLayout();
    EXPECT_LE(man.WindowDestRect().width(), 0);
    EXPECT_FALSE(w.panel->grab().isNull());
    man.SetWinBorderWidth(8);
}

TEST(WindowLessMan, BordersInBorderColourOutsideInTheWindowsOwnColour)
{
    Panel w;
    TWindowLessMan man;
    man.SetWindow(w.panel);
    man.SetAspectSize(QSize(16, 9)); // picture (8, 64) - (632, 415), border 8
    man.SetBorderColor(TColors::clRed);
    const QImage img = w.panel->grab().toImage();
    const QColor own(10, 20, 30), border(255, 0, 0);
    EXPECT_EQ(img.pixelColor(320, 20), own);
    EXPECT_EQ(img.pixelColor(320, 55), own);
    EXPECT_EQ(img.pixelColor(320, 56), border);
    EXPECT_EQ(img.pixelColor(320, 63), border);
    EXPECT_EQ(img.pixelColor(0, 200), border);
    EXPECT_EQ(img.pixelColor(320, 415), border);
    EXPECT_EQ(img.pixelColor(320, 423), own);

    man.ClearWindow();
    const QImage cleared = w.panel->grab().toImage();
    EXPECT_EQ(cleared.pixelColor(320, 60), own);
    EXPECT_EQ(cleared.pixelColor(0, 200), own);
}

TEST(WindowLessMan, CaptureWithoutVideoFails)
{
    TWindowLessMan man;
    QImage img(3, 3, QImage::Format_RGB32);
    img.fill(Qt::green);
    EXPECT_FALSE(man.CaptureImage(img));
    EXPECT_EQ(img.size(), QSize(3, 3));
    EXPECT_EQ(img.pixelColor(1, 1), QColor(Qt::green));
    EXPECT_FALSE(man.HasFrame());
}

TEST(WindowLessMan, PausedFramesAfterSeeksAreCaptured)
{
    REQUIRE_CLIP(file, "fi_mjpeg.avi");
    Panel w;
    TWindowLessMan man;
    man.SetWindow(w.panel);
    // An overlay switched on before the video knows no size yet: it is drawn again when the
    // first frame gives one.
    man.OverlayLine(0).Text = QStringLiteral("x");
    man.caInsertTextOn->SetChecked(true);
    EXPECT_TRUE(man.OverlayBitmap().isNull());
    TRendererGraph g(man, file);
    ASSERT_TRUE(g.Pause());
    ASSERT_TRUE(waitUntil([&] { return CapturedIndex(man) == 0; }));
    EXPECT_EQ(man.OverlayBitmap().size(), QSize(640, 480));
    man.caInsertTextOn->SetChecked(false);
    QImage img;
    ASSERT_TRUE(man.CaptureImage(img));
    EXPECT_EQ(img.size(), QSize(640, 480));
    EXPECT_EQ(man.NativeVideoSize(), QSize(640, 480));
    EXPECT_EQ(man.VideoPosition().Source, QRect(0, 0, 640, 480));

    for (int n : {37, 5, 99, 64}) {
        ASSERT_TRUE(g.SeekFrame(n, 25));
        EXPECT_TRUE(waitUntil([&] { return CapturedIndex(man) == n; }))
            << "frame " << n << " shows " << CapturedIndex(man);
    }
    // The picture is painted on the destination rectangle.
    EXPECT_TRUE(waitUntil([&] { return man.FramesDrawn() > 0; }));
    EXPECT_EQ(man.View()->geometry(), man.WindowDestRect());
    EXPECT_TRUE(man.View()->isVisible());

    // Taken out of the graph, the renderer shows and captures nothing.
    man.AttachToGraph(nullptr);
    EXPECT_FALSE(man.CaptureImage(img));
}

TEST(WindowLessMan, FlipsMirrorTheCapturedPicture)
{
    REQUIRE_CLIP(file, "fi_mjpeg.avi");
    TWindowLessMan man;
    TRendererGraph g(man, file);
    ASSERT_TRUE(g.Pause());
    ASSERT_TRUE(g.SeekFrame(21, 25));
    ASSERT_TRUE(waitUntil([&] { return CapturedIndex(man) == 21; }));
    QImage plain, flipped;
    ASSERT_TRUE(man.CaptureImage(plain));

    man.caFlipHorizontal->SetChecked(true);
    ASSERT_TRUE(man.CaptureImage(flipped));
    EXPECT_EQ(flipped, plain.mirrored(true, false));
    EXPECT_NE(flipped, plain);
    man.caFlipVertical->SetChecked(true);
    ASSERT_TRUE(man.CaptureImage(flipped));
    EXPECT_EQ(flipped, plain.mirrored(true, true));
    man.caFlipHorizontal->SetChecked(false);
    ASSERT_TRUE(man.CaptureImage(flipped));
    EXPECT_EQ(flipped, plain.mirrored(false, true));
    man.caFlipVertical->SetChecked(false);
    ASSERT_TRUE(man.CaptureImage(flipped));
    EXPECT_EQ(flipped, plain);
}

TEST(WindowLessMan, OverlayAtItsAnchorWithTheKeyColourTransparent)
{
    REQUIRE_CLIP(file, "fi_dv_pal.dv");
    TWindowLessMan man;
    TRendererGraph g(man, file);
    ASSERT_TRUE(g.Pause());
    ASSERT_TRUE(waitUntil([&] { return CapturedIndex(man) == 0; }));
    QImage plain;
    ASSERT_TRUE(man.CaptureImage(plain));
    ASSERT_EQ(plain.size(), QSize(720, 576));

    man.SetInsertPosition(QPoint(5000, 8200));
    man.SetInsertAutoSize(true);
    man.SetInsertTransparentColor(TColors::clFuchsia);
    TFontDesc font = man.InsertFont();
    font.Color = TColors::clRed;
    man.SetInsertFont(font);
    man.OverlayLine(0).Text = QStringLiteral("MMMM");
    man.caInsertTextOn->SetChecked(true);
    EXPECT_EQ(man.OverlayState(), TOverlayState::On);
    EXPECT_EQ(man.OverlayBitmap().size(), QSize(720, 576));
    EXPECT_EQ(man.InsertFont().Size, 20);
    EXPECT_EQ(man.Overlay().Anchor(QSize(720, 576)), QPoint(360, 472));
    ASSERT_EQ(man.Overlay().Placements().size(), 1u);
    EXPECT_EQ(man.Overlay().Placements()[0].TopLeft, QPoint(362, 474));

    QImage with;
    ASSERT_TRUE(man.CaptureImage(with));
    const QImage &overlay = man.OverlayBitmap();
    int text = 0, keyed = 0;
    for (int y = 0; y < 576; ++y)
        for (int x = 0; x < 720; ++x) {
            const QRgb o = overlay.pixel(x, y) & 0xFFFFFF;
            if (o == 0xFF00FF) {
                keyed += with.pixel(x, y) == plain.pixel(x, y);
                ASSERT_EQ(with.pixel(x, y), plain.pixel(x, y)) << x << "," << y;
            } else if (o == 0xFF0000) {
                ++text;
                ASSERT_EQ(with.pixel(x, y) & 0xFFFFFF, 0xFF0000u) << x << "," << y;
            }
        }
    EXPECT_GT(text, 100);
    EXPECT_GT(keyed, 720 * 500);
    // The text sits right of and below the anchor; the frame is still readable around it.
    EXPECT_EQ(FrameIndexFromImage(with), 0);

    // The overlay is never mirrored with the picture.
    man.caFlipHorizontal->SetChecked(true);
    QImage flipped;
    ASSERT_TRUE(man.CaptureImage(flipped));
    const QPoint in = man.Overlay().Placements()[0].TopLeft + QPoint(4, 12);
    if ((overlay.pixel(in) & 0xFFFFFF) == 0xFF0000) {
        EXPECT_EQ(flipped.pixel(in) & 0xFFFFFF, 0xFF0000u);
    }

    // Off: the capture is the picture alone again.
    man.caFlipHorizontal->SetChecked(false);
    man.caInsertTextOn->SetChecked(false);
    QImage off;
    ASSERT_TRUE(man.CaptureImage(off));
    EXPECT_EQ(off, plain);
}

TEST(WindowLessMan, WideDvFrameCapturesAtItsStoredSize)
{
    REQUIRE_CLIP(file, "dv_pal_wide_date.dv");
    Panel w;
    TWindowLessMan man;
    man.SetWindow(w.panel);
    TRendererGraph g(man, file);
    ASSERT_TRUE(g.Pause());
    ASSERT_TRUE(waitUntil([&] { return man.HasFrame(); }));
    QImage img;
    ASSERT_TRUE(man.CaptureImage(img));
    EXPECT_EQ(img.size(), QSize(720, 576)) << "the aspect correction belongs to the grab";
    // On screen it is letterboxed to 16:9 when the aspect is kept.
    man.SetKeepAspectratio(true);
    const QRect pic = man.View()->PictureRect();
    EXPECT_NEAR(double(pic.width()) / pic.height(), 16.0 / 9.0, 0.01);
    EXPECT_EQ(pic.width(), man.WindowDestRect().width());
}

TEST(WindowLessMan, PlayingPaintsEveryFrameOnceAndEndsOnTheLast)
{
    REQUIRE_CLIP(file, "fi_mjpeg.avi");
    Panel w;
    TWindowLessMan man;
    man.SetWindow(w.panel);
    TRendererGraph g(man, file);
    g.Graph()->setClockEnabled(false); // as fast as decoded
    bool ended = false;
    QObject::connect(g.Graph(), &TGstGraph::completed, [&] { ended = true; });
    ASSERT_TRUE(g.Pause());
    ASSERT_TRUE(waitUntil([&] { return man.HasFrame(); }));
    man.RefreshOverlay();
    EXPECT_EQ(man.LastOverlayFrames(), man.FramesDrawn());
    ASSERT_TRUE(g.Graph()->run());
    ASSERT_TRUE(waitUntil([&] { return ended; }, 60000));
    EXPECT_TRUE(waitUntil([&] { return CapturedIndex(man) == 99; }));
    EXPECT_NE(man.FramesDrawn(), man.LastOverlayFrames());
    EXPECT_GT(man.FramesDrawn(), 1);
    EXPECT_LE(man.FramesDrawn(), 100) << "a frame is counted once however often it is painted";
}

TEST(WindowLessMan, FullScreenPlateOnTheMonitorAndItsHint)
{
    Panel w;
    TWindowLessMan man;
    man.SetWindow(w.panel);
    man.SetAspectSize(QSize(4, 3));
    man.iaTimerInterval->SetValue(30);
    man.caFullscreen->SetChecked(true);
    Tplaque *plate = man.Plaque();
    ASSERT_TRUE(plate->isVisible());
    const QSize screen = w.panel->screen()->geometry().size();
    EXPECT_EQ(plate->geometry(), w.panel->screen()->geometry());
    EXPECT_EQ(man.FullDestRect(), FitRect(4, 3, QRect(QPoint(), screen), 8, true));
    EXPECT_EQ(man.VideoPosition().Dest, man.FullDestRect());
    EXPECT_EQ(man.View()->parentWidget(), plate);
    EXPECT_EQ(plate->Shape()->geometry(), man.FullDestRect().adjusted(-8, -8, 8, 8));
    EXPECT_TRUE(plate->PanelQuit()->isVisible());
    EXPECT_TRUE(waitUntil([&] { return !plate->PanelQuit()->isVisible(); }));

    man.caFullscreen->SetChecked(false);
    EXPECT_FALSE(plate->isVisible());
    EXPECT_EQ(man.View()->parentWidget(), w.panel);
    EXPECT_EQ(man.VideoPosition().Dest, man.WindowDestRect());

    man.iaTimerInterval->SetValue(0);
    man.caFullscreen->SetChecked(true);
    EXPECT_FALSE(plate->PanelQuit()->isVisible()) << "no hint with an interval of 0";
    man.caFullscreen->SetChecked(false);
    // A negative one: no hint either, rather than one that never goes.
    man.iaTimerInterval->SetValue(-5);
    man.caFullscreen->SetChecked(true);
    EXPECT_FALSE(plate->PanelQuit()->isVisible()) << "no hint with a negative interval";
    man.caFullscreen->SetChecked(false);
}

TEST(WindowLessMan, SeparateWindowTakesThePictureAndKeepsItsBounds)
{
    Panel w;
    TWindowLessMan man;
    man.SetWindow(w.panel);
    man.raPreviewSave->SetValue(TRectValue{50, 60, 450, 360});
    man.caPreviewform->SetChecked(true);
    TPreviewForm *form = man.PreviewForm();
    ASSERT_TRUE(form->isVisible());
    EXPECT_EQ(form->geometry(), QRect(50, 60, 400, 300));
    EXPECT_EQ(man.BoundWindow(), form);
    EXPECT_EQ(man.View()->parentWidget(), form);
    EXPECT_EQ(Ltrb(man.WindowDestRect()), (std::array<int, 4>{8, 8, 392, 292}));

    form->setGeometry(70, 80, 320, 240);
    EXPECT_EQ(Ltrb(man.WindowDestRect()), (std::array<int, 4>{8, 8, 312, 232}));
    // Closing the window brings the picture back and unchecks the action.
    form->close();
    EXPECT_FALSE(man.caPreviewform->Checked());
    EXPECT_EQ(man.BoundWindow(), w.panel);
    EXPECT_EQ(man.View()->parentWidget(), w.panel);
    EXPECT_EQ(man.PreviewRect(), QRect(70, 80, 320, 240));
}

TEST(WindowLessMan, ActionsAndTheirDefaults)
{
    TWindowLessMan man;
    EXPECT_EQ(man.caFullscreen->ShortCut(), QKeySequence(QStringLiteral("Alt+Return")));
    EXPECT_EQ(man.caFullscreen->Caption(), "Plein écran");
    EXPECT_TRUE(man.caKeepAspectratio->Checked());
    EXPECT_FALSE(man.KeepAspectratio()) << "the default is not applied by itself";
    EXPECT_EQ(man.faInsertFont->DefaultValue.HeightPixels(), 33);
    EXPECT_TRUE(man.faInsertFont->DefaultValue.Bold);
    EXPECT_EQ(man.iaTimerInterval->DefaultValue, 3000);

    // Alignment: every line follows; the stored value is the manager's.
    man.iaInsertAlignLines->SetValue(2);
    for (int i = 0; i < TOverlayPainter::LineCount; ++i)
        EXPECT_EQ(man.OverlayLine(i).Align, 2);
    int stored = -1;
    EXPECT_TRUE(man.iaInsertAlignLines->InternalBeforeSave(stored));
    EXPECT_EQ(stored, 2);
}

TEST(WindowLessMan, FramesCountWithoutADisplayAndAfterTheWindowIsGone)
{
    REQUIRE_CLIP(file, "fi_mjpeg.avi");
    TWindowLessMan man;
    auto *panel = new QWidget;
    panel->resize(320, 240);
    panel->show();
    man.SetWindow(panel);
    delete panel; // the window goes first; the manager keeps taking frames
    EXPECT_EQ(man.BoundWindow(), nullptr);
    TRendererGraph g(man, file);
    ASSERT_TRUE(g.Pause());
    // Nobody can paint the frame: it counts on arrival, so a wait for a drawn frame ends.
    EXPECT_TRUE(waitUntil([&] { return man.FramesDrawn() > 0; }));
    EXPECT_TRUE(waitUntil([&] { return CapturedIndex(man) == 0; }));

    Panel w;
    man.SetWindow(w.panel);
    EXPECT_EQ(man.View()->parentWidget(), w.panel);
    EXPECT_TRUE(man.View()->isVisible());
}
