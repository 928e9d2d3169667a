#include "playback/TVDBar.h"

#include "playback/TVDSeparator.h"

#include <QChildEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QMoveEvent>

#include <algorithm>
#include <climits>

TVDBar::TVDBar(QWidget *parent) : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
}

TVDBar::~TVDBar()
{
    // The children are destroyed by QWidget after this; nothing must lay them out any more.
    for (const Entry &e : std::as_const(m_controls))
        if (e.control)
            e.control->removeEventFilter(this);
    m_controls.clear();
}

#define TVDBAR_SETTER(Name, member)                                                                          \
    void TVDBar::Set##Name(decltype(member) v)                                                               \
    {                                                                                                        \
        if (member == v)                                                                                     \
            return;                                                                                          \
        member = v;                                                                                          \
        Layout();                                                                                            \
    }
TVDBAR_SETTER(ButtonHeight, m_buttonHeight)
TVDBAR_SETTER(ButtonWidth, m_buttonWidth)
TVDBAR_SETTER(ButtonMargin, m_buttonMargin)
TVDBAR_SETTER(ButtonTop, m_buttonTop)
TVDBAR_SETTER(ButtonSpacing, m_buttonSpacing)
TVDBAR_SETTER(ButtonMinWidth, m_buttonMinWidth)
TVDBAR_SETTER(Alignment, m_alignment)
TVDBAR_SETTER(Autosize, m_autosize)
TVDBAR_SETTER(AutoSeparation, m_autoSeparation)
#undef TVDBAR_SETTER

QList<QWidget *> TVDBar::Controls() const
{
    QList<QWidget *> out;
    for (const Entry &e : m_controls)
        if (e.control)
            out.append(e.control.data());
    return out;
}

void TVDBar::Prune()
{
    m_controls.removeIf([](const Entry &e) { return e.control.isNull(); });
}

void TVDBar::Forget(QObject *o)
{
    m_controls.removeIf([o](const Entry &e) { return e.control.isNull() || e.control.data() == o; });
}

// A child counts as visible unless it was hidden on purpose: before the bar is shown, Qt marks
// every child hidden until the bar's show reaches it.
static bool Shown(const QWidget *bar, const QWidget *w)
{
    if (w->testAttribute(Qt::WA_WState_ExplicitShowHide))
        return !w->isHidden();
    return !bar->isVisible() || !w->isHidden();
}

void TVDBar::Realign()
{
    if (m_inAlign)
        return;
    m_inAlign = true;
    Prune();
    for (Entry &e : m_controls)
        if (!e.placed && e.control->x() != 0)
            e.placed = true;
    // Ordered by left edge; children never placed go to the end, in the order they came.
    std::stable_sort(m_controls.begin(), m_controls.end(), [](const Entry &a, const Entry &b) {
        const int ka = a.placed ? a.control->x() : INT_MAX;
        const int kb = b.placed ? b.control->x() : INT_MAX;
        return ka < kb;
    });
    Layout();
    m_inAlign = false;
}

void TVDBar::Layout()
{
    if (m_inLayout)
        return;
    Prune();
    if (m_controls.isEmpty())
        return;
    m_inLayout = true;

    int total = 2 * m_buttonMargin - m_buttonSpacing;
    int others = total;
    int separators = 0;
    for (const Entry &e : std::as_const(m_controls)) {
        QWidget *w = e.control;
        if (w->parentWidget() != this || !Shown(this, w))
            continue;
        total += w->width() + m_buttonSpacing;
        if (qobject_cast<TVDSeparator *>(w))
            ++separators;
        else
            others += w->width() + m_buttonSpacing;
    }

    if (m_autoSeparation && separators > 0) {
        // A bar narrower than its buttons leaves the separators empty rather than negative.
        const int share = std::max(0, (width() - others) / separators);
        for (const Entry &e : std::as_const(m_controls)) {
            auto *sep = qobject_cast<TVDSeparator *>(e.control.data());
            if (!sep || sep->parentWidget() != this)
                continue;
            if (Shown(this, sep))
                total += share - sep->width();
            sep->resize(share, sep->height());
        }
    }

    int x = m_buttonMargin;
    if (m_alignment == TBarAlignment::taRightJustify)
        x = width() - total;
    else if (m_alignment == TBarAlignment::taCenter)
        x = (width() - total) / 2;

    for (Entry &e : m_controls) {
        QWidget *w = e.control;
        if (w->parentWidget() != this)
            continue;
        e.placed = true;
        if (Shown(this, w)) {
            w->setGeometry(x, m_buttonTop, std::max(w->width(), m_buttonMinWidth), m_buttonHeight);
            x += w->width() + m_buttonSpacing;
        } else {
            w->move(x, w->y());
        }
    }

    if (m_autosize)
        resize(x + m_buttonMargin, 2 * m_buttonTop + m_buttonHeight);
    m_inLayout = false;
}

bool TVDBar::event(QEvent *e)
{
    switch (e->type()) {
    case QEvent::ChildAdded: {
        // The child is still being constructed: only note it, lay out later.
        QObject *child = static_cast<QChildEvent *>(e)->child();
        if (child->isWidgetType()) {
            auto *w = static_cast<QWidget *>(child);
            bool known = false;
            for (const Entry &en : std::as_const(m_controls))
                known = known || en.control == w;
            if (!known) {
                m_controls.append(Entry{w, false});
                w->installEventFilter(this);
            }
            QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
        }
        break;
    }
    case QEvent::ChildRemoved:
        Forget(static_cast<QChildEvent *>(e)->child());
        QCoreApplication::postEvent(this, new QEvent(QEvent::LayoutRequest));
        break;
    case QEvent::LayoutRequest:
    case QEvent::Show:
        Realign();
        break;
    default:
        break;
    }
    return QFrame::event(e);
}

bool TVDBar::eventFilter(QObject *watched, QEvent *e)
{
    switch (e->type()) {
    case QEvent::ShowToParent:
    case QEvent::HideToParent:
    case QEvent::Resize:
    case QEvent::Move:
        if (!m_inLayout && watched->isWidgetType() &&
            static_cast<QWidget *>(watched)->parentWidget() == this) {
            // A real move places the child (a move event sent late, at show, carries no move).
            if (e->type() == QEvent::Move) {
                auto *me = static_cast<QMoveEvent *>(e);
                for (Entry &en : m_controls)
                    if (en.control == watched && me->pos() != me->oldPos())
                        en.placed = true;
            }
            Realign();
        }
        break;
    default:
        break;
    }
    return QFrame::eventFilter(watched, e);
}

void TVDBar::resizeEvent(QResizeEvent *e)
{
    QFrame::resizeEvent(e);
    Realign();
}
