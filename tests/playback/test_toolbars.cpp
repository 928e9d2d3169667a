#include "actions/TCheckAction.h"
#include "actions/TCustomVDActionList.h"
#include "actions/TNopeAction.h"
#include "playback/TVDBar.h"
#include "playback/TVDImgSpeedButton.h"
#include "playback/TVDToolBars.h"
#include "widgets/TVDIcons.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWidget>

namespace {

TCustomAbstractAction *make(TVDActionList &list, const QString &name)
{
    TCustomAbstractAction *a = name.startsWith("ca")
                                   ? static_cast<TCustomAbstractAction *>(new TCheckAction(name, &list))
                                   : new TNopeAction(name, &list);
    a->SetName(name);
    return a;
}

} // namespace

TEST(VDToolBars, MainToolBarAsTabled)
{
    QWidget window;
    TVDActionList list;
    list.SetImages(TVDIcons::Create(&list));
    const QStringList names{"waOpenFile",
                            "naPasteFile",
                            "naCloseFile",
                            "",
                            "naGrab",
                            "naCopy",
                            "caIntervalloShow",
                            "",
                            "caFullscreen",
                            "caMute",
                            "caInsertTextOn",
                            "caFlipVertical",
                            "caFlipHorizontal",
                            "",
                            "naShowImagette",
                            "naShowSaveImages",
                            "naShowDVIncrust",
                            "naShowIncrust",
                            "",
                            "caHelp",
                            "caScript",
                            "caOptions",
                            "caAbout",
                            "naQuit"};
    QList<TCustomAbstractAction *> entries;
    for (const QString &n : names)
        entries << (n.isEmpty() ? nullptr : make(list, n));
    TVDBar *bar = TVDToolBars::CreateMainToolBar(&window, entries);
    window.resize(800, 600);
    window.show();
    QCoreApplication::processEvents();

    ASSERT_EQ(bar->Controls().size(), names.size());
    EXPECT_EQ(bar->height(), 32);
    // 19 buttons of 29 and 4 separators of 12, from x 0, top 2, height 28.
    int x = 0;
    for (int i = 0; i < names.size(); ++i) {
        QWidget *w = bar->Controls()[i];
        EXPECT_EQ(w->x(), x) << i;
        EXPECT_EQ(w->y(), 2);
        EXPECT_EQ(w->height(), 28);
        x += names[i].isEmpty() ? 12 : 29;
    }

    auto btn = [&](const QString &n) { return TVDToolBars::ButtonOf(bar, entries[names.indexOf(n)]); };
    // Check actions: a group of their own, all up allowed, down while checked.
    EXPECT_GT(btn("caMute")->GroupIndex(), 0);
    EXPECT_NE(btn("caMute")->GroupIndex(), btn("caFullscreen")->GroupIndex());
    auto *mute = static_cast<TCheckAction *>(entries[names.indexOf("caMute")]);
    auto *full = static_cast<TCheckAction *>(entries[names.indexOf("caFullscreen")]);
    mute->SetChecked(true);
    full->SetChecked(true);
    EXPECT_TRUE(btn("caMute")->Down());
    EXPECT_TRUE(btn("caFullscreen")->Down());
    mute->SetChecked(false);
    EXPECT_FALSE(btn("caMute")->Down());
    // The panel buttons: one down at a time.
    EXPECT_EQ(btn("naShowImagette")->GroupIndex(), TVDToolBars::PanelGroup);
    btn("naShowImagette")->SetDown(true);
    btn("naShowIncrust")->SetDown(true);
    EXPECT_FALSE(btn("naShowImagette")->Down());
    // Options and about share a group.
    EXPECT_EQ(btn("caOptions")->GroupIndex(), btn("caAbout")->GroupIndex());
    EXPECT_EQ(btn("naQuit")->GroupIndex(), 0);
    // Images only.
    EXPECT_TRUE(btn("naGrab")->text().isEmpty());
}

TEST(VDToolBars, NavigationRowAsTabled)
{
    QWidget window;
    TVDActionList list;
    list.SetImages(TVDIcons::Create(&list));
    QList<TCustomAbstractAction *> actions;
    for (const char *n : {"naReculeDebut", "naReculeHigh", "naReculeMedium", "naReculeLow", "caPlay",
                          "naAvanceLow", "naAvanceMedium", "naAvanceHigh", "naAvanceFin"})
        actions << make(list, QString::fromLatin1(n));
    auto *play = static_cast<TCheckAction *>(actions[4]);
    play->SetTrueCaption("Pause");
    play->SetFalseCaption("Lecture");
    play->SetTrueImageIndex(TVDIcons::imgPause);
    play->SetFalseImageIndex(TVDIcons::imgPlay);
    TVDBar *bar = TVDToolBars::CreateNavigationRow(&window, actions);
    window.show();
    QCoreApplication::processEvents();

    std::vector<int> xs;
    for (QWidget *w : bar->Controls())
        xs.push_back(w->x());
    EXPECT_EQ(xs, (std::vector<int>{4, 44, 84, 124, 164, 245, 285, 325, 365}));
    EXPECT_EQ(bar->size(), QSize(409, 44));
    TVDImgSpeedButton *pb = TVDToolBars::ButtonOf(bar, play);
    EXPECT_EQ(pb->width(), 73);
    EXPECT_EQ(pb->text(), "Lecture");
    EXPECT_EQ(pb->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
    play->SetChecked(true);
    EXPECT_EQ(pb->text(), "Pause");
    EXPECT_EQ(pb->ImageIndex(), TVDIcons::imgPause);
    EXPECT_TRUE(TVDToolBars::ButtonOf(bar, actions[0])->text().isEmpty());
}
