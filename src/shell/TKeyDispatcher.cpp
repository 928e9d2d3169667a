#include "shell/TKeyDispatcher.h"

#include "actions/TCustomVDActionList.h"

#include <QAbstractSpinBox>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QTextEdit>

TKeyDispatcher::TKeyDispatcher(QObject *parent) : QObject(parent)
{
    qApp->installEventFilter(this);
}

TKeyDispatcher::~TKeyDispatcher()
{
    qApp->removeEventFilter(this);
}

void TKeyDispatcher::AddWindow(QWidget *window)
{
    if (window)
        m_windows.append(window);
}

void TKeyDispatcher::AddList(TCustomVDActionList *list)
{
    if (list)
        m_lists.append(list);
}

bool TKeyDispatcher::Matches(const QAction *action, const QKeySequence &key)
{
    if (!action || action->isSeparator())
        return false;
    for (const QKeySequence &k : action->shortcuts())
        if (!k.isEmpty() && k.matches(key) == QKeySequence::ExactMatch)
            return true;
    return false;
}

QAction *TKeyDispatcher::FindInMenu(const QMenu *menu, const QKeySequence &key)
{
    if (!menu)
        return nullptr;
    for (QAction *a : menu->actions()) {
        if (Matches(a, key))
            return a;
        if (QAction *found = FindInMenu(a->menu(), key))
            return found;
    }
    return nullptr;
}

void TKeyDispatcher::AddSideWindow(QWidget *window, const QList<TCustomVDActionList *> &lists,
                                   const QList<QKeySequence> &mainKeys)
{
    if (!window)
        return;
    SideWindow side{window, {}, mainKeys};
    for (TCustomVDActionList *l : lists)
        side.lists.append(l);
    m_sides.append(side);
}

const TKeyDispatcher::SideWindow *TKeyDispatcher::SideOf(const QWidget *window) const
{
    for (const SideWindow &s : m_sides)
        if (window && s.window == window)
            return &s;
    return nullptr;
}

QAction *TKeyDispatcher::FindInLists(const QList<QPointer<TCustomVDActionList>> &lists,
                                     const QKeySequence &key)
{
    for (const QPointer<TCustomVDActionList> &list : lists) {
        if (!list)
            continue;
        for (QAction *a : list->Actions())
            if (a->isEnabled() && Matches(a, key))
                return a;
    }
    return nullptr;
}

TKeyDispatcher::Match TKeyDispatcher::Find(const QKeySequence &key, const QWidget *window) const
{
    if (key.isEmpty())
        return {};
    if (const SideWindow *side = SideOf(window)) {
        bool toMain = false;
        for (const QKeySequence &k : side->mainKeys)
            toMain = toMain || k.matches(key) == QKeySequence::ExactMatch;
        if (!toMain)
            return {FindInLists(side->lists, key), false};
    }
    if (m_menu) {
        for (QAction *top : m_menu->actions()) {
            if (Matches(top, key))
                return {top, true};
            if (QAction *a = FindInMenu(top->menu(), key))
                return {a, true};
        }
    }
    return {FindInLists(m_lists, key), false};
}

bool TKeyDispatcher::Dispatch(const QKeySequence &key, const QWidget *window)
{
    const Match m = Find(key, window);
    if (!m.action)
        return false;
    if (m.action->isEnabled())
        m.action->trigger();
    return true;
}

QKeySequence TKeyDispatcher::KeyOf(const QKeyEvent *event)
{
    const int key = event->key();
    if (key == 0 || key == Qt::Key_unknown || key == Qt::Key_Shift || key == Qt::Key_Control ||
        key == Qt::Key_Alt || key == Qt::Key_Meta || key == Qt::Key_AltGr)
        return {};
    Qt::KeyboardModifiers mods =
        event->modifiers() &
        (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier | Qt::KeypadModifier);
    // The keypad flag matters only for the keypad's own operator keys (Num+ and Num-); its
    // arrows and Home/End are the ordinary keys.
    if (key != Qt::Key_Plus && key != Qt::Key_Minus && key != Qt::Key_Asterisk && key != Qt::Key_Slash)
        mods &= ~Qt::KeypadModifier;
    return QKeySequence(QKeyCombination(mods, Qt::Key(key)));
}

QWidget *TKeyDispatcher::Served(QObject *receiver) const
{
    auto *w = qobject_cast<QWidget *>(receiver);
    if (!w)
        return nullptr;
    QWidget *top = w->window();
    for (const QPointer<QWidget> &win : m_windows)
        if (win && win == top)
            return top;
    return SideOf(top) ? top : nullptr;
}

bool TKeyDispatcher::LeftToTextField(QObject *receiver, const QKeyEvent *event)
{
    auto isText = [](QWidget *w) {
        return qobject_cast<QLineEdit *>(w) || qobject_cast<QAbstractSpinBox *>(w) ||
               qobject_cast<QTextEdit *>(w) || qobject_cast<QPlainTextEdit *>(w) ||
               (qobject_cast<QComboBox *>(w) && static_cast<QComboBox *>(w)->isEditable());
    };
    // A key the field does not use (Up, Page Down in a one-line field) goes on to its parents:
    // it is still typed in the field, and stays there.
    if (!isText(qobject_cast<QWidget *>(receiver)) && !isText(QApplication::focusWidget()))
        return false;
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::Cut) ||
        event->matches(QKeySequence::Paste) || event->matches(QKeySequence::SelectAll) ||
        event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo))
        return true;
    const int key = event->key();
    const bool functionKey = (key >= Qt::Key_F1 && key <= Qt::Key_F35) || key == Qt::Key_Escape;
    return !functionKey && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
}

bool TKeyDispatcher::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type t = event->type();
    QWidget *window = (t == QEvent::ShortcutOverride || t == QEvent::KeyPress) ? Served(watched) : nullptr;
    if (window) {
        auto *ke = static_cast<QKeyEvent *>(event);
        if (!LeftToTextField(watched, ke)) {
            const QKeySequence key = KeyOf(ke);
            if (t == QEvent::ShortcutOverride) {
                // Claimed here so that Qt's own shortcut map never sees the key; it comes back
                // as a key press, which runs it.
                if (Find(key, window).action) {
                    ke->accept();
                    return true;
                }
            } else if (Dispatch(key, window)) {
                ke->accept();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
