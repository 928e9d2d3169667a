#pragma once
// The keyboard shortcuts of a window, dispatched by us rather than by Qt: a key is matched
// first against the items of the window's main menu, searched depth-first in menu order (a
// match consumes the key even when the item is disabled), then against the action lists in
// their order (the first enabled action with that shortcut runs). Qt alone fires neither of
// two enabled actions that share a shortcut (Ctrl+N, Alt+F5 and Alt+F6 are shared here).
//
// Keys typed into a text field keep their editing meaning: plain keys (no Ctrl or Alt) other
// than the function keys and Escape, and the standard editing keys (copy, cut, paste, select
// all, undo, redo), stay with the field.
//
// A side window (the script window) has lists of its own: while it is the active window its keys
// are matched against its lists only, except the keys it leaves to the main window (F1, F12),
// which take the main window's way.
//
// The dispatcher filters the application's events; it serves the key events of the windows it
// is given (the main window and the displays that show its video). Main thread only.
#include <QKeySequence>
#include <QList>
#include <QMenuBar>
#include <QObject>
#include <QPointer>

class QAction;
class QKeyEvent;
class QMenu;
class QMenuBar;
class QWidget;
class TCustomVDActionList;

class TKeyDispatcher : public QObject
{
    Q_OBJECT
public:
    explicit TKeyDispatcher(QObject *parent = nullptr);
    ~TKeyDispatcher() override;

    void AddWindow(QWidget *window);
    void SetMenuBar(QMenuBar *menu) { m_menu = menu; }
    // Lists are searched in the order they were added.
    void AddList(TCustomVDActionList *list);
    // Keys of `window` go to `lists`, but for `mainKeys`, which go the main window's way.
    void AddSideWindow(QWidget *window, const QList<TCustomVDActionList *> &lists,
                       const QList<QKeySequence> &mainKeys);

    struct Match
    {
        QAction *action = nullptr;
        bool fromMenu = false;
    };
    // What `key` reaches when typed in `window` (none: the main window); action nullptr:
    // nothing.
    Match Find(const QKeySequence &key, const QWidget *window = nullptr) const;
    // Runs what `key` reaches; true when the key is consumed.
    bool Dispatch(const QKeySequence &key, const QWidget *window = nullptr);

    // The key of an event (modifiers included), empty for modifier keys alone.
    static QKeySequence KeyOf(const QKeyEvent *event);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct SideWindow
    {
        QPointer<QWidget> window;
        QList<QPointer<TCustomVDActionList>> lists;
        QList<QKeySequence> mainKeys;
    };
    // The window of receiver when it is one of ours, else nullptr.
    QWidget *Served(QObject *receiver) const;
    const SideWindow *SideOf(const QWidget *window) const;
    static QAction *FindInLists(const QList<QPointer<TCustomVDActionList>> &lists, const QKeySequence &key);
    static bool LeftToTextField(QObject *receiver, const QKeyEvent *event);
    static QAction *FindInMenu(const QMenu *menu, const QKeySequence &key);
    static bool Matches(const QAction *action, const QKeySequence &key);

    QList<QPointer<QWidget>> m_windows;
    QPointer<QMenuBar> m_menu;
    QList<QPointer<TCustomVDActionList>> m_lists;
    QList<SideWindow> m_sides;
};
