// The help window and its list boxes, on real action lists and real widgets.
#include "actions/TCheckAction.h"
#include "actions/TCustomVDActionList.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "shell/QsciHeaders.h"
#include "shell/THelpForm.h"
#include "shell/TObjetListBox.h"
#include "widgets/TLinkEdit.h"

#include <gtest/gtest.h>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QTabWidget>
#include <QTest>
#include <QTextCursor>

#include <memory>

namespace {

// A plain entry with the keys of a file list (none of them computed).
class TTextObjet : public TAbstractListObjet
{
public:
    explicit TTextObjet(const QString &text) : TAbstractListObjet(text, text) {}
};

QStringList Items(const TObjetListBox &lb)
{
    QStringList out;
    for (int i = 0; i < lb.count(); ++i)
        out << lb.item(i)->text();
    return out;
}

template <class A>
A *Make(TCustomVDActionList &list, const QString &id, const QString &shortcut = {}, const QString &sw = {})
{
    auto *a = new A(id, &list);
    a->SetScriptName(id.mid(2));
    a->SetShortCut(QKeySequence(shortcut));
    a->SetSwitch(sw);
    return a;
}

QTextCharFormat FormatAt(TLinkEdit *edit, int pos)
{
    QTextCursor c(edit->document());
    c.setPosition(pos);
    c.setPosition(pos + 1, QTextCursor::KeepAnchor);
    return c.charFormat();
}

int SelectEntry(THelpForm &help, TObjetListBox *lb, const QString &scriptName)
{
    for (int i = 0; i < lb->count(); ++i)
        if (lb->item(i)->text() == scriptName) {
            lb->SelectIndex(i);
            help.lbClick(lb);
            return i;
        }
    return -1;
}

} // namespace

TEST(ObjetListBox, SortedInsertionCountsHintsAndDeletion)
{
    TObjetListBox lb;
    QList<std::pair<int, int>> counts;
    QList<TAbstractListObjet *> active;
    lb.OnCountsChange = [&](int sel, int n) { counts << std::pair{sel, n}; };
    lb.OnActiveChange = [&](TAbstractListObjet *e) { active << e; };
    EXPECT_EQ(lb.SortIndex().Key, "alpha");
    EXPECT_FALSE(lb.KeyDelete());

    // The first entry is selected and reported; later ones go to their sorted place (case
    // ignored) while the selection stays on its entry.
    lb.AddObjet(std::make_unique<TTextObjet>("Moyen"), false);
    ASSERT_EQ(active.size(), 1);
    EXPECT_EQ(active.last()->DisplayText(), "Moyen");
    EXPECT_EQ(lb.AddObjet(std::make_unique<TTextObjet>("alpha"), false), 0);
    EXPECT_EQ(lb.AddObjet(std::make_unique<TTextObjet>("Zoulou"), false), 2);
    EXPECT_EQ(lb.AddObjet(std::make_unique<TTextObjet>("bravo"), false), 1);
    EXPECT_EQ(Items(lb), (QStringList{"alpha", "bravo", "Moyen", "Zoulou"}));
    EXPECT_EQ(lb.SelectedIndex(), 2);
    EXPECT_EQ(lb.Objet(2)->DisplayText(), "Moyen");
    EXPECT_EQ(counts.last(), (std::pair{1, 4}));
    EXPECT_EQ(lb.toolTip(), "un item sélectionné sur 4");

    // An equal key (case ignored) replaces the older entry: one entry per key.
    EXPECT_EQ(lb.AddObjet(std::make_unique<TTextObjet>("ZOULOU"), false), 3);
    EXPECT_EQ(Items(lb), (QStringList{"alpha", "bravo", "Moyen", "ZOULOU"}));

    lb.item(0)->setSelected(true);
    lb.item(3)->setSelected(true);
    lb.ReportCounts();
    EXPECT_EQ(lb.toolTip(), "3 items sélectionnés sur 4");
    EXPECT_EQ(counts.last(), (std::pair{3, 4}));

    // Delete is off by default: the key changes nothing.
    QTest::keyClick(&lb, Qt::Key_Delete);
    EXPECT_EQ(lb.Count(), 4);
    lb.SetKeyDelete(true);
    QTest::keyClick(&lb, Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(lb.Count(), 4) << "Shift+Delete is not a deletion";
    QTest::keyClick(&lb, Qt::Key_Delete);
    // alpha, Moyen and ZOULOU go; the item before the lowest removed place (0) is selected.
    EXPECT_EQ(Items(lb), QStringList{"bravo"});
    EXPECT_EQ(lb.SelectedIndex(), 0);
    EXPECT_EQ(active.last()->DisplayText(), "bravo");

    lb.ClearAll();
    EXPECT_EQ(lb.Count(), 0);
    EXPECT_EQ(lb.SelectedIndex(), -1);
    EXPECT_EQ(active.last(), nullptr);
    EXPECT_EQ(counts.last(), (std::pair{0, 0}));
}

TEST(ObjetListBox, DeleteSelectsTheItemBeforeTheLowestRemovedOne)
{
    TObjetListBox lb;
    for (const char *t : {"a", "b", "c", "d", "e"})
        lb.AddObjet(std::make_unique<TTextObjet>(t), false);
    lb.clearSelection();
    lb.item(2)->setSelected(true);
    lb.item(4)->setSelected(true);
    lb.DeleteSelected();
    EXPECT_EQ(Items(lb), (QStringList{"a", "b", "d"}));
    EXPECT_EQ(lb.SelectedIndex(), 1);
}

TEST(ObjetListBox, AnOrderWithoutKeysKeepsEveryEntry)
{
    // Entries compute no key for the file orders: resorting by size must not fold the list into
    // one entry, and going back to the alphabetical order gives the same list again.
    TObjetListBox lb;
    for (const char *t : {"c", "a", "b"})
        lb.AddObjet(std::make_unique<TTextObjet>(t), false);
    EXPECT_EQ(lb.Objet(0)->GetSortKey(TSortIndex::Taille()), "");
    lb.SetSortIndex(TSortIndex::Taille());
    lb.Resort();
    EXPECT_EQ(lb.Count(), 3);
    lb.SetSortIndex(TSortIndex::Alpha());
    lb.Resort();
    EXPECT_EQ(Items(lb), (QStringList{"a", "b", "c"}));
}

TEST(HelpForm, SortOrdersAndOneEntryPerScriptName)
{
    TCustomVDActionList list;
    Make<TNopeAction>(list, "naOpen", "Ctrl+O", "o");
    Make<TNopeAction>(list, "naQuit", "Alt+F4", "quit");
    Make<TNopeAction>(list, "naGrab", "F5", "g");
    Make<TNopeAction>(list, "naZeta");
    Make<TNopeAction>(list, "naBeta");
    Make<TNopeAction>(list, "naAlpha", "Ctrl+A");
    TCustomVDActionList second;
    // The same script name in another list of the same tab: the later one replaces it.
    auto *again = Make<TNopeAction>(second, "naGrab", "F6");

    THelpForm help;
    EXPECT_EQ(help.windowTitle(), "Aide pour Raccourcis, Script et Macros");
    help.AddList("Framix", &list);
    help.AddList("Framix", &second);
    ASSERT_EQ(help.Tabs()->count(), 1);
    TObjetListBox *lb = help.ListOf("Framix");
    ASSERT_TRUE(lb);
    EXPECT_EQ(lb->objectName(), "lb1");
    EXPECT_EQ(lb->SortIndex().Key, "alpha");
    EXPECT_EQ(Items(*lb), (QStringList{"Alpha", "Beta", "Grab", "Open", "Quit", "Zeta"}));
    EXPECT_EQ(static_cast<TActionObjet *>(lb->Objet(2))->Action(), again);
    // Filled: the first entry is shown.
    EXPECT_EQ(lb->SelectedIndex(), 0);
    EXPECT_TRUE(help.NameField()->DisplayedText().startsWith("Alpha"));

    // By shortcut: by the shortcut's text (Alt+ before Ctrl+ before F), then the actions
    // without a shortcut alphabetically.
    QMenu *menu = help.SortMenu();
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_EQ(menu->actions().at(1)->text(), "Trier par Raccourcis");
    menu->actions().at(1)->trigger();
    EXPECT_EQ(Items(*lb), (QStringList{"Quit", "Alpha", "Open", "Grab", "Beta", "Zeta"}));
    EXPECT_EQ(lb->SortKey(0), "Alt+F4Quit");
    EXPECT_EQ(lb->SortKey(4), "zzzBeta");
    // The entry shown stays selected across the sort.
    EXPECT_EQ(lb->Objet(lb->SelectedIndex())->DisplayText(), "Alpha");

    menu->actions().at(2)->trigger(); // "Trier par Switch"
    EXPECT_EQ(Items(*lb), (QStringList{"Open", "Quit", "Alpha", "Beta", "Grab", "Zeta"}));
    EXPECT_EQ(lb->SortKey(0), "oOpen");
    menu->actions().at(0)->trigger(); // "Ordre alphabétique"
    EXPECT_EQ(Items(*lb), (QStringList{"Alpha", "Beta", "Grab", "Open", "Quit", "Zeta"}));
}

TEST(HelpForm, FieldsOfTheSelectedAction)
{
    TCustomVDActionList list;
    auto *play = Make<TCheckAction>(list, "caPlay", "Space", "play");
    play->SetTrueHint("Mettre en pause");
    play->SetFalseHint("Lire la vidéo");
    play->SetComments({"Première ligne", "seconde <b>ligne</b>"});
    auto *mute = Make<TNopeAction>(list, "naMute");
    mute->SetHint("Couper le son");

    THelpForm help;
    help.AddList("Framix", &list);
    TObjetListBox *lb = help.ListOf("Framix");
    ASSERT_TRUE(lb);

    ASSERT_GE(SelectEntry(help, lb, "Play"), 0);
    EXPECT_EQ(help.NameField()->RichText(), "Play    <size 12><color Black>Space</color></size>");
    EXPECT_EQ(help.HintField()->DisplayedText(), "Lire la vidéo");
    // A check action's declaration: the setter with its boolean parameter, then the toggle.
    QsciScintilla *syntax = help.SyntaxField();
    EXPECT_TRUE(syntax->isReadOnly());
    EXPECT_EQ(syntax->lines(), 2);
    EXPECT_EQ(syntax->text(0).trimmed(), "procedure setPlay(const fisTrue:Boolean);");
    EXPECT_EQ(syntax->text(1).trimmed(), "procedure Play;");
    EXPECT_EQ(help.SwitchField()->DisplayedText(), "Switch:    /play +play -play");
    EXPECT_EQ(help.CommentField()->DisplayedText(), "Première ligne\nseconde ligne");

    // Without a switch: "N/A" in bold navy after the italic label.
    ASSERT_GE(SelectEntry(help, lb, "Mute"), 0);
    TLinkEdit *sw = help.SwitchField();
    EXPECT_EQ(sw->DisplayedText(), "Switch:    N/A");
    const int na = int(sw->DisplayedText().indexOf("N/A"));
    EXPECT_TRUE(FormatAt(sw, 0).fontItalic());
    EXPECT_NE(FormatAt(sw, 0).fontWeight(), QFont::Bold);
    for (int i = na; i < na + 3; ++i) {
        EXPECT_EQ(FormatAt(sw, i).fontWeight(), QFont::Bold) << i;
        EXPECT_EQ(FormatAt(sw, i).foreground().color(), QColor(0, 0, 0x80)) << i;
        EXPECT_FALSE(FormatAt(sw, i).fontItalic()) << i;
    }
    EXPECT_EQ(help.NameField()->RichText(), "Mute    <size 12><color Black></color></size>");

    // Texts are read when the entry is shown: a later change shows at the next click.
    mute->SetHint("Rendre le son");
    help.lbClick(lb);
    EXPECT_EQ(help.HintField()->DisplayedText(), "Rendre le son");

    // Second keys, as the main window gives the media player's ones, follow the shortcut.
    play->SetSecondaryShortcuts({QKeySequence(Qt::Key_Space), QKeySequence(Qt::SHIFT | Qt::Key_Left)});
    ASSERT_GE(SelectEntry(help, lb, "Play"), 0);
    EXPECT_EQ(help.NameField()->DisplayedText(), "Play    Space    aussi : Space, Shift+Left");
}

TEST(HelpForm, DoubleClickRunsTheActionAsItsMenuItemWould)
{
    TCustomVDActionList list;
    auto *nope = Make<TNopeAction>(list, "naGo");
    int ran = 0;
    nope->InternalApply = [&] { ++ran; };
    auto *value = Make<TIntegerAction>(list, "iaDigits");
    value->SetValue(4);
    int applied = 0;
    value->OnAfterApply = [&](const int &) { ++applied; };

    THelpForm help;
    help.AddList("Framix", &list);
    TObjetListBox *lb = help.ListOf("Framix");
    ASSERT_TRUE(lb);

    // A value action without a prepare handler: nothing at all.
    ASSERT_GE(SelectEntry(help, lb, "Digits"), 0);
    help.lbDblClick(lb);
    EXPECT_EQ(applied, 0);
    EXPECT_EQ(value->Value, 4);

    help.show();
    QCoreApplication::processEvents();
    ASSERT_GE(SelectEntry(help, lb, "Go"), 0);
    help.lbDblClick(lb);
    EXPECT_EQ(ran, 1);
    // Through the list's own double click too.
    const QPoint at = lb->visualItemRect(lb->item(lb->SelectedIndex())).center();
    // A double click is a press, a release, then the double-click press on the same item.
    QTest::mouseClick(lb->viewport(), Qt::LeftButton, {}, at);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, at, lb->viewport()->mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(lb->viewport(), &dbl);
    EXPECT_EQ(ran, 2);
    // Disabled: as a greyed menu item, nothing.
    nope->SetEnabled(false);
    help.lbDblClick(lb);
    EXPECT_EQ(ran, 2);
}

TEST(HelpForm, TabsRefreshTheFieldsAndResizeFollowsTheWindow)
{
    TCustomVDActionList main;
    Make<TNopeAction>(main, "naGrab", "F5", "g");
    TCustomVDActionList scripts;
    Make<TNopeAction>(scripts, "naExecuteMacro", "F9");

    THelpForm help;
    help.AddList("Framix", &main);
    help.AddList("Scripts", &scripts);
    ASSERT_EQ(help.Tabs()->count(), 2);
    EXPECT_EQ(help.ListOf("Scripts")->objectName(), "lb2");
    EXPECT_EQ(help.ListOf("Scripts")->toolTip().isEmpty(), false);
    // Filling shows the list filled last; changing the tab shows the selection of the new one.
    EXPECT_TRUE(help.NameField()->DisplayedText().startsWith("ExecuteMacro"));
    help.Tabs()->setCurrentIndex(1);
    help.Tabs()->setCurrentIndex(0);
    EXPECT_TRUE(help.NameField()->DisplayedText().startsWith("Grab"));
    help.Tabs()->setCurrentIndex(1);
    EXPECT_TRUE(help.NameField()->DisplayedText().startsWith("ExecuteMacro"));

    help.resize(1000, 700);
    help.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(help.Tabs()->geometry().bottom() + 1, 700 - 8);
    EXPECT_EQ(help.NameField()->geometry().right() + 1, 1000 - 8);
    for (QWidget *w :
         {static_cast<QWidget *>(help.HintField()), static_cast<QWidget *>(help.SyntaxField()),
          static_cast<QWidget *>(help.SwitchField()), static_cast<QWidget *>(help.CommentField())})
        EXPECT_EQ(w->width(), help.NameField()->width()) << w->objectName().toStdString();
    EXPECT_EQ(help.CommentField()->geometry().bottom() + 1, 700 - 8);

    // Closing by the frame is reported; hiding is not.
    int closed = 0;
    help.OnClosed = [&] { ++closed; };
    help.hide();
    EXPECT_EQ(closed, 0);
    help.show();
    help.close();
    EXPECT_EQ(closed, 1);
}
