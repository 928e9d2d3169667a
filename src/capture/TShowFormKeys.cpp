// Text fields in which the volume and play keys are typed as text.
#include "capture/TShowForm.h"

#include "actions/TCheckAction.h"
#include "actions/TNopeAction.h"
#include "playback/TAudioMan.h"
#include "playback/TNavMan.h"

#include <QEvent>
#include <QWheelEvent>
#include <QWidget>

void TShowForm::AddShortcutFreeField(QWidget *field)
{
    if (!field)
        return;
    m_shortcutFreeFields.append(field);
    field->installEventFilter(this);
}

bool TShowForm::FieldFocus(QObject *watched, QEvent *event)
{
    const QEvent::Type t = event->type();
    if (t != QEvent::FocusIn && t != QEvent::FocusOut)
        return false;
    for (const QPointer<QWidget> &f : std::as_const(m_shortcutFreeFields)) {
        if (f && f == watched) {
            SetFieldShortcuts(t == QEvent::FocusOut);
            return true;
        }
    }
    return false;
}

void TShowForm::SetFieldShortcuts(bool on)
{
    audman->naIncVolume->SetShortCut(on ? QKeySequence(QStringLiteral("Num++")) : QKeySequence());
    audman->naIncVolume->SetSecondaryShortcuts(on ? QList<QKeySequence>{QKeySequence(QStringLiteral("Alt+P"))}
                                                  : QList<QKeySequence>{});
    audman->naDecVolume->SetShortCut(on ? QKeySequence(QStringLiteral("Num+-")) : QKeySequence());
    NavMan->caPlay->SetShortCut(on ? QKeySequence(QStringLiteral("Ctrl+Space")) : QKeySequence());
}

QList<TShowForm::TPlayerKey> TShowForm::PlayerKeys() const
{
    // Second shortcuts, as a media player's users try them first. None of these keys is the
    // shortcut of any action; plain keys typed into a text field stay with the field (the key
    // dispatcher leaves them there).
    return {
        {NavMan->caPlay, QKeySequence(Qt::Key_Space)},
        {NavMan->naReculeFrame, QKeySequence(Qt::Key_Left)},
        {NavMan->naAvanceFrame, QKeySequence(Qt::Key_Right)},
        {NavMan->naRecule10Frames, QKeySequence(Qt::SHIFT | Qt::Key_Left)},
        {NavMan->naAvance10Frames, QKeySequence(Qt::SHIFT | Qt::Key_Right)},
        {NavMan->naAvanceSeconde, QKeySequence(Qt::Key_Up)},
        {NavMan->naReculeSeconde, QKeySequence(Qt::Key_Down)},
        {NavMan->naAvanceMinute, QKeySequence(Qt::Key_PageUp)},
        {NavMan->naReculeMinute, QKeySequence(Qt::Key_PageDown)},
        {NavMan->naReculeDebut, QKeySequence(Qt::Key_Home)},
        {NavMan->naAvanceFin, QKeySequence(Qt::Key_End)},
    };
}

void TShowForm::AddPlayerKeys()
{
    for (const TPlayerKey &k : PlayerKeys()) {
        if (!k.action)
            continue;
        QList<QKeySequence> keys = k.action->SecondaryShortcuts();
        if (!keys.contains(k.key))
            keys.append(k.key);
        k.action->SetSecondaryShortcuts(keys);
    }
}

bool TShowForm::VideoWheel(const QWheelEvent *event)
{
    if (!HasVideo)
        return false;
    // One frame per notch (120 eighths of a degree); finer wheels add up to a notch.
    m_videoWheelRest += event->angleDelta().y();
    while (m_videoWheelRest >= 120 || m_videoWheelRest <= -120) {
        const bool forward = m_videoWheelRest > 0;
        m_videoWheelRest += forward ? -120 : 120;
        TNopeAction *step = forward ? NavMan->naAvanceFrame : NavMan->naReculeFrame;
        if (step && step->isEnabled())
            step->Apply();
    }
    return true;
}
