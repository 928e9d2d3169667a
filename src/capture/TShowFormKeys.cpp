// Text fields in which the volume and play keys are typed as text.
#include "capture/TShowForm.h"

#include "actions/TCheckAction.h"
#include "actions/TNopeAction.h"
#include "playback/TAudioMan.h"
#include "playback/TNavMan.h"

#include <QEvent>
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
