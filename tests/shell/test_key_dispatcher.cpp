// Key routing: the main menu first (a disabled item still takes its key), then the lists; a
// side window's keys go to its own lists but for the keys it leaves to the main window.
#include "actions/TCustomVDActionList.h"
#include "actions/TNopeAction.h"
#include "shell/TKeyDispatcher.h"

#include <gtest/gtest.h>

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace {

TNopeAction *Make(QObject *owner, TCustomVDActionList &list, const QString &name, const QString &key,
                  int &count)
{
    auto *a = new TNopeAction(owner);
    a->SetName(name);
    a->SetScriptName(name);
    a->SetShortCut(QKeySequence(key));
    a->SetActionList(&list);
    a->OnAfterApply = [&count] { ++count; };
    return a;
}

} // namespace

TEST(KeyDispatcher, MenuFirstThenListsThenSideWindows)
{
    QMainWindow main;
    QWidget side;
    TVDActionList mainList(&main), otherList(&main), sideList(&side);
    int inMenu = 0, shared = 0, listOnly = 0, help = 0, sideRun = 0;
    TNopeAction *menuItem = Make(&main, mainList, "Numero", "Ctrl+N", inMenu);
    Make(&main, otherList, "AntiAliasing", "Ctrl+N", shared);
    Make(&main, otherList, "Volume", "Num++", listOnly);
    Make(&main, otherList, "Help", "F1", help);
    Make(&main, otherList, "Grab", "F5", shared);
    Make(&side, sideList, "Execute", "F5", sideRun);
    QMenu *sub = main.menuBar()->addMenu("Incruster")->addMenu("Sous-menu");
    sub->addAction(menuItem);

    TKeyDispatcher keys;
    keys.AddWindow(&main);
    keys.SetMenuBar(main.menuBar());
    keys.AddList(&mainList);
    keys.AddList(&otherList);
    keys.AddSideWindow(&side, {&sideList}, {QKeySequence("F1"), QKeySequence("F12")});

    EXPECT_TRUE(keys.Dispatch(QKeySequence("Ctrl+N")));
    EXPECT_EQ(inMenu, 1);
    EXPECT_EQ(shared, 0);
    menuItem->SetEnabled(false);
    EXPECT_TRUE(keys.Dispatch(QKeySequence("Ctrl+N"))) << "a disabled item still takes its key";
    EXPECT_EQ(inMenu, 1);
    EXPECT_EQ(shared, 0);

    EXPECT_TRUE(keys.Dispatch(QKeySequence(QKeyCombination(Qt::KeypadModifier, Qt::Key_Plus))));
    EXPECT_EQ(listOnly, 1);
    EXPECT_FALSE(keys.Dispatch(QKeySequence("Ctrl+Q")));

    EXPECT_TRUE(keys.Dispatch(QKeySequence("F5"), &side));
    EXPECT_EQ(sideRun, 1);
    EXPECT_EQ(shared, 0);
    EXPECT_TRUE(keys.Dispatch(QKeySequence("F1"), &side));
    EXPECT_EQ(help, 1);
    EXPECT_FALSE(keys.Dispatch(QKeySequence("Ctrl+N"), &side)) << "the main menu is not the side window's";
}
