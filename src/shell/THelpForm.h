#pragma once
// The help window "Aide pour Raccourcis, Script et Macros": one tab per group of action lists,
// each a list of the actions' script names; the selected action's name and shortcuts, hint,
// script declaration, switch syntax and comments on the right. A right click sorts the lists
// alphabetically, by shortcut or by switch; a double click runs the action as its menu item
// would.
//
// Texts are read from the actions when an entry is shown, so they follow later changes; the
// display texts and keys are those of the filling or of the last sort.
//
// Created hidden by the application manager, which shows and hides it; closing it by its
// frame reports OnClosed. Main thread only.
#include "actions/TCustomAbstractAction.h"
#include "shell/TObjetListBox.h"

#include <QPointer>
#include <QWidget>

#include <functional>

class QMenu;
class QTabWidget;
class QsciScintilla;
class TCustomVDActionList;
class TLinkEdit;

// An entry of the help window: one typed action, by its script name.
class TActionObjet : public TAbstractListObjet
{
public:
    explicit TActionObjet(TCustomAbstractAction *action);
    TCustomAbstractAction *Action() const { return m_action; }
    QString GetSortKey(const TSortIndex &order) const override;
    // The shortcut as shown and sorted ("Ctrl+O"), empty without one.
    static QString ShortcutText(const TCustomAbstractAction *action);
    // Its second shortcuts, comma-separated ("Space, Left"), empty without any.
    static QString SecondaryShortcutsText(const TCustomAbstractAction *action);

private:
    QPointer<TCustomAbstractAction> m_action;
};

class THelpForm : public QWidget
{
    Q_OBJECT
public:
    explicit THelpForm(QWidget *parent = nullptr);
    ~THelpForm() override;

    // Adds every typed action of `list` to the tab named `name` (made when missing).
    void AddList(const QString &name, TCustomVDActionList *list);
    // Shows the action selected in `lb` in the fields.
    void lbClick(TObjetListBox *lb);
    // Runs the selected action as a click on its menu item (nothing when it is disabled).
    void lbDblClick(TObjetListBox *lb);
    // Sorts every list of the window in `order`.
    void trier(const TSortIndex &order);

    // The list of the tab named `name`, nullptr when there is none.
    TObjetListBox *ListOf(const QString &name) const;
    TObjetListBox *CurrentList() const;
    QTabWidget *Tabs() const { return m_pc; }
    QMenu *SortMenu() const { return m_pmenu; }
    TLinkEdit *NameField() const { return m_leName; }
    TLinkEdit *HintField() const { return m_leHint; }
    QsciScintilla *SyntaxField() const { return m_leSyntaxe; }
    TLinkEdit *SwitchField() const { return m_leSwitch; }
    TLinkEdit *CommentField() const { return m_leCommentaire; }

    // Closing by the window's frame (not hiding through the help action).
    std::function<void()> OnClosed;

protected:
    void closeEvent(QCloseEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void changeEvent(QEvent *e) override;

private:
    TLinkEdit *MakeField(const QColor &background, int pixels, bool bold, bool italic, const QColor &color);

    QTabWidget *m_pc = nullptr;
    QMenu *m_pmenu = nullptr;
    TLinkEdit *m_leName = nullptr;
    TLinkEdit *m_leHint = nullptr;
    QsciScintilla *m_leSyntaxe = nullptr;
    TLinkEdit *m_leSwitch = nullptr;
    TLinkEdit *m_leCommentaire = nullptr;
};
