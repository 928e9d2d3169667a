#include "actions/TCheckAction.h"
#include "actions/TNopeAction.h"
#include "actions/TVDActionComponent.h"
#include "playback/TVDBar.h"
#include "playback/TVDImgSpeedButton.h"
#include "playback/TVDSeparator.h"
#include "widgets/TImageList.h"
#include "widgets/TVDIcons.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWidget>

#include <memory>

namespace {

QWidget *button(TVDBar &bar, int w, int h = 32)
{
    auto *b = new TVDImgSpeedButton(&bar);
    b->resize(w, h);
    return b;
}

std::vector<int> lefts(const TVDBar &bar)
{
    std::vector<int> out;
    for (QWidget *w : bar.Controls())
        out.push_back(w->x());
    return out;
}

// The navigation panel's row: margin 4, spacing 8, 32-pixel buttons and a 73-pixel play button.
struct NavRow
{
    QWidget window;
    TVDBar *bar = new TVDBar(&window);
    std::vector<QWidget *> buttons;
    NavRow()
    {
        bar->SetButtonHeight(32);
        bar->SetButtonTop(6);
        bar->SetButtonMargin(4);
        bar->SetButtonSpacing(8);
        bar->SetAutosize(true);
        for (int i = 0; i < 9; ++i)
            buttons.push_back(button(*bar, i == 4 ? 73 : 32));
        window.resize(600, 100);
        window.show();
        QCoreApplication::processEvents();
    }
};

} // namespace

TEST(VDBar, NavigationRowPlacesItsNineButtonsAndSizesItself)
{
    NavRow row;
    EXPECT_EQ(lefts(*row.bar), (std::vector<int>{4, 44, 84, 124, 164, 245, 285, 325, 365}));
    EXPECT_EQ(row.bar->size(), QSize(409, 44));
    for (QWidget *b : row.buttons) {
        EXPECT_EQ(b->y(), 6);
        EXPECT_EQ(b->height(), 32);
    }
    EXPECT_EQ(row.buttons[4]->width(), 73);

    // A hidden child keeps its place in the order but takes no room.
    row.buttons[1]->hide();
    EXPECT_EQ(row.buttons[2]->x(), 44);
    EXPECT_EQ(row.buttons[1]->x(), 44);
    EXPECT_EQ(row.bar->width(), 369);
    row.buttons[1]->show();
    EXPECT_EQ(row.buttons[2]->x(), 84);
    EXPECT_EQ(row.bar->width(), 409);
}

TEST(VDBar, ChildMovedBetweenNeighboursChangesTheOrder)
{
    NavRow row;
    // The last button given a left edge between the first and the second becomes second.
    row.buttons[8]->move(20, 6);
    EXPECT_EQ(row.bar->Controls().at(1), row.buttons[8]);
    EXPECT_EQ(row.buttons[8]->x(), 44);
    EXPECT_EQ(row.buttons[1]->x(), 84);
    EXPECT_EQ(row.bar->width(), 409);

    // A child added later joins the end of the row.
    auto *extra = button(*row.bar, 32);
    extra->show();
    QCoreApplication::processEvents();
    EXPECT_EQ(row.bar->Controls().last(), extra);
    EXPECT_EQ(extra->x(), 405);
    EXPECT_EQ(row.bar->width(), 449);

    // A destroyed child leaves the row.
    delete row.buttons[0];
    QCoreApplication::processEvents();
    EXPECT_EQ(row.bar->Controls().size(), 9);
    EXPECT_EQ(row.bar->Controls().first()->x(), 4);
}

TEST(VDBar, AutoSeparationSharesTheFreeWidthAndAlignmentMovesTheRow)
{
    QWidget window;
    auto *bar = new TVDBar(&window);
    bar->setGeometry(0, 0, 500, 32);
    bar->SetButtonTop(2);
    std::vector<QWidget *> kids;
    kids.push_back(button(*bar, 29));
    kids.push_back(button(*bar, 29));
    kids.push_back(new TVDSeparator(bar));
    kids.push_back(button(*bar, 29));
    kids.push_back(new TVDSeparator(bar));
    kids.push_back(button(*bar, 29));
    kids[2]->resize(12, 28);
    kids[4]->resize(12, 28);
    window.resize(500, 32);
    window.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(lefts(*bar), (std::vector<int>{0, 29, 58, 70, 99, 111}));

    bar->SetAutoSeparation(true);
    EXPECT_EQ(kids[2]->width(), 192);
    EXPECT_EQ(kids[4]->width(), 192);
    EXPECT_EQ(lefts(*bar), (std::vector<int>{0, 29, 58, 250, 279, 471}));

    // Without shared separators the row of 4 x 29 + 2 x 12 = 140 pixels moves right or centre.
    bar->SetAutoSeparation(false);
    kids[2]->resize(12, 28);
    kids[4]->resize(12, 28);
    bar->SetAlignment(TVDBar::TBarAlignment::taRightJustify);
    EXPECT_EQ(kids[0]->x(), 360);
    EXPECT_EQ(kids[5]->x(), 471);
    bar->SetAlignment(TVDBar::TBarAlignment::taCenter);
    EXPECT_EQ(kids[0]->x(), 180);

    // A bar narrower than its buttons gives its separators no width, never a negative one.
    bar->SetAlignment(TVDBar::TBarAlignment::taLeftJustify);
    bar->SetAutoSeparation(true);
    bar->resize(100, 32);
    EXPECT_EQ(kids[2]->width(), 0);
    EXPECT_GE(kids[3]->x(), kids[1]->x() + 29);
}

TEST(VDBar, MinimumWidthWidensNarrowChildren)
{
    QWidget window;
    auto *bar = new TVDBar(&window);
    auto *a = button(*bar, 10);
    auto *b = button(*bar, 40);
    bar->SetButtonMinWidth(30);
    window.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(a->width(), 30);
    EXPECT_EQ(b->width(), 40);
    EXPECT_EQ(b->x(), 30);
    EXPECT_EQ(a->height(), 28); // default button height
    EXPECT_EQ(a->y(), 4);       // default top
}

namespace {

class TDemoMan : public TVDActionComponent
{
public:
    TDemoMan()
    {
        images = TVDIcons::Create(this);
        SetImages(images);
        mute = new TCheckAction(QStringLiteral("caMute"), this);
        mute->SetTrueCaption("Remettre le son");
        mute->SetFalseCaption("Couper le Son");
        mute->SetTrueHint("Cliquez pour remettre le son");
        mute->SetFalseHint("Cliquez pour couper le son");
        mute->SetTrueImageIndex(TVDIcons::imgSoundOff);
        mute->SetFalseImageIndex(TVDIcons::imgSoundOn);
        grab = new TNopeAction(QStringLiteral("naGrab"), this);
        grab->SetCaption("Capturer");
        grab->SetHint("Capturer l'image");
        grab->SetImageIndex(TVDIcons::imgGrab);
        grab->InternalApply = [this] { ++grabs; };
    }
    TImageList *images = nullptr;
    TCheckAction *mute = nullptr;
    TNopeAction *grab = nullptr;
    int grabs = 0;
};

bool sameImage(const QIcon &a, const QIcon &b)
{
    return !a.isNull() && a.pixmap(24).toImage() == b.pixmap(24).toImage();
}

} // namespace

TEST(VDImgSpeedButton, FollowsItsCheckActionFaceAndDownState)
{
    QWidget window;
    TDemoMan man;
    auto *b = new TVDImgSpeedButton(&window);
    b->SetCaption("own");
    b->SetGroupIndex(1);
    b->SetAllowAllUp(true);
    b->SetAction(man.mute);

    EXPECT_EQ(b->toolTip(), "Cliquez pour couper le son");
    EXPECT_EQ(b->ImageIndex(), TVDIcons::imgSoundOn);
    EXPECT_TRUE(sameImage(b->icon(), man.images->Icon(TVDIcons::imgSoundOn)));
    EXPECT_EQ(b->text(), "own"); // images only unless linked
    EXPECT_FALSE(b->Down());

    man.mute->SetChecked(true);
    EXPECT_TRUE(b->Down());
    EXPECT_EQ(b->toolTip(), "Cliquez pour remettre le son");
    EXPECT_EQ(b->ImageIndex(), TVDIcons::imgSoundOff);
    EXPECT_TRUE(sameImage(b->icon(), man.images->Icon(TVDIcons::imgSoundOff)));

    // The linked caption follows the state; unlinking gives the own caption back.
    b->SetLinkCaption(true);
    EXPECT_EQ(b->text(), "Remettre le son");
    EXPECT_EQ(b->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    man.mute->SetChecked(false);
    EXPECT_EQ(b->text(), "Couper le Son");
    b->SetLinkCaption(false);
    EXPECT_EQ(b->text(), "own");

    // A click executes the action: the check action toggles and the button follows.
    window.show();
    b->click();
    EXPECT_TRUE(man.mute->Checked());
    EXPECT_TRUE(b->Down());
    b->click();
    EXPECT_FALSE(man.mute->Checked());
    EXPECT_FALSE(b->Down());

    man.mute->setEnabled(false);
    EXPECT_FALSE(b->isEnabled());
    b->click();
    EXPECT_FALSE(man.mute->Checked());
    man.mute->setEnabled(true);
    man.mute->setVisible(false);
    EXPECT_TRUE(b->isHidden());
    man.mute->setVisible(true);
    EXPECT_FALSE(b->isHidden());

    // Releasing the link: later changes of the action no longer reach the button.
    b->SetAction(nullptr);
    man.mute->SetChecked(true);
    EXPECT_FALSE(b->Down());
}

TEST(VDImgSpeedButton, GroupedButtonsAreExclusiveAndNopeActionsRun)
{
    QWidget window;
    TDemoMan man;
    auto *a = new TVDImgSpeedButton(&window);
    auto *b = new TVDImgSpeedButton(&window);
    auto *other = new TVDImgSpeedButton(&window);
    a->SetGroupIndex(5);
    b->SetGroupIndex(5);
    other->SetGroupIndex(6);
    a->SetAction(man.grab);
    other->SetDown(true);
    window.show();

    a->click();
    EXPECT_EQ(man.grabs, 1);
    EXPECT_TRUE(a->Down());
    b->SetDown(true);
    EXPECT_FALSE(a->Down());
    EXPECT_TRUE(other->Down()); // another group is left alone
    // Without AllowAllUp a click on the down button leaves it down.
    b->click();
    EXPECT_TRUE(b->Down());
    // A change of a nope action does not touch the down state the owner gave.
    a->SetDown(true);
    man.grab->SetHint("autre");
    EXPECT_TRUE(a->Down());
    EXPECT_EQ(a->toolTip(), "autre");
}

TEST(VDImgSpeedButton, DestroyedActionReleasesTheLink)
{
    QWidget window;
    auto *b = new TVDImgSpeedButton(&window);
    {
        TDemoMan man;
        b->SetAction(man.grab);
        EXPECT_EQ(b->Action(), man.grab);
    }
    EXPECT_EQ(b->Action(), nullptr);
    b->click(); // nothing to run, nothing to crash
}

TEST(VDIcons, EveryIndexHasAnImage)
{
    std::unique_ptr<TImageList> list(TVDIcons::Create());
    ASSERT_EQ(list->Count(), TVDIcons::imgCount);
    for (int i = 0; i < list->Count(); ++i)
        EXPECT_FALSE(list->Icon(i).pixmap(24).isNull()) << i;
}
