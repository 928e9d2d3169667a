// The full-screen plate: its colour, the border shape, the quit hint and closing.
#include "playback/Tplaque.h"

#include <gtest/gtest.h>

#include <QMenu>
#include <QSignalSpy>
#include <QTest>

TEST(Plaque, StartsBlackWithTheQuitHint)
{
    Tplaque plate;
    plate.resize(400, 300);
    EXPECT_EQ(plate.PanelQuit()->text(), "Alt+Entrée pour quitter le mode Plein Ecran");
    EXPECT_EQ(plate.PanelQuit()->font().pixelSize(), 17);
    const QImage img = plate.grab().toImage();
    EXPECT_EQ(img.pixelColor(5, 290), QColor(Qt::black));
    // The hint: light yellow, inside the plate, centred horizontally.
    const QRect hint = plate.PanelQuit()->geometry();
    EXPECT_TRUE(plate.rect().contains(hint));
    EXPECT_LE(std::abs(hint.center().x() - 200), 1);
    EXPECT_EQ(img.pixelColor(hint.left() + 3, hint.top() + 3), QColor(255, 255, 225));
}

TEST(Plaque, BackColourShapeAndHintVisibility)
{
    Tplaque plate;
    plate.resize(400, 300);
    plate.SetBackColor(QColor(192, 192, 192));
    plate.SetShape(QRect(50, 80, 300, 200), QColor(255, 0, 0));
    plate.HideQuitHint();
    QImage img = plate.grab().toImage();
    EXPECT_EQ(img.pixelColor(10, 10), QColor(192, 192, 192));
    EXPECT_EQ(img.pixelColor(50, 80), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(349, 279), QColor(255, 0, 0));
    EXPECT_EQ(img.pixelColor(350, 280), QColor(192, 192, 192));
    const QRect hint = plate.PanelQuit()->geometry();
    EXPECT_EQ(img.pixelColor(hint.left() + 3, hint.top() + 3), QColor(192, 192, 192));

    plate.ShowQuitHint();
    img = plate.grab().toImage();
    EXPECT_EQ(img.pixelColor(hint.left() + 3, hint.top() + 3), QColor(255, 255, 225));
    // The hint follows the plate's width.
    plate.resize(800, 600);
    plate.grab(); // delivers the pending resize of the hidden plate
    EXPECT_LE(std::abs(plate.PanelQuit()->geometry().center().x() - 400), 1);
}

TEST(Plaque, ClosingOnlyHidesAndHintClicksAreReported)
{
    Tplaque plate;
    plate.resize(300, 200);
    QSignalSpy clicks(&plate, &Tplaque::QuitHintClicked);
    plate.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&plate));
    QTest::mouseClick(plate.PanelQuit(), Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);

    EXPECT_TRUE(plate.close());
    EXPECT_FALSE(plate.isVisible());
    EXPECT_FALSE(plate.testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_FALSE(plate.testAttribute(Qt::WA_QuitOnClose));
    plate.show();
    EXPECT_TRUE(plate.isVisible());

    QMenu menu;
    plate.SetPopupMenu(&menu);
    EXPECT_EQ(plate.PopupMenu(), &menu);
}
