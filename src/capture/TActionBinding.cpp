#include "capture/TActionBinding.h"

#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TWidestringAction.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QSignalBlocker>
#include <QSlider>
#include <QSpinBox>

namespace {

// Chains show(control, value) after the action's current OnBeforeApply and shows the value now.
template <class Action, class Control, class Show> void Follow(Action *action, Control *control, Show show)
{
    QPointer<Control> guard(control);
    auto before = action->OnBeforeApply;
    action->OnBeforeApply = [before, guard, show](const typename Action::ValueType &v) {
        if (before)
            before(v);
        if (guard) {
            const QSignalBlocker block(guard.data());
            show(guard.data(), v);
        }
    };
    const QSignalBlocker block(control);
    show(control, action->Value);
}

} // namespace

namespace TActionBinding {

void Bind(QCheckBox *box, TBooleanAction *action)
{
    Follow(action, box, [](QCheckBox *b, bool v) { b->setChecked(v); });
    QObject::connect(box, &QCheckBox::toggled, action, [action](bool on) { action->SetValue(on); });
}

void Bind(QCheckBox *box, TCheckAction *action)
{
    QPointer<QCheckBox> guard(box);
    auto follow = [guard](TCheckAction::TApplyEvent before, bool on) {
        return [before, guard, on] {
            if (before)
                before();
            if (guard) {
                const QSignalBlocker block(guard.data());
                guard->setChecked(on);
            }
        };
    };
    action->OnBeforeTrueApply = follow(action->OnBeforeTrueApply, true);
    action->OnBeforeFalseApply = follow(action->OnBeforeFalseApply, false);
    {
        const QSignalBlocker block(box);
        box->setChecked(action->Checked());
    }
    QObject::connect(box, &QCheckBox::toggled, action, [action](bool on) { action->SetChecked(on); });
}

void Bind(QLineEdit *edit, TWidestringAction *action)
{
    Follow(action, edit, [](QLineEdit *e, const QString &v) {
        if (e->text() != v)
            e->setText(v);
    });
    QObject::connect(edit, &QLineEdit::textEdited, action,
                     [action](const QString &t) { action->SetValue(t); });
}

void Show(QLineEdit *edit, TWidestringAction *action)
{
    Follow(action, edit, [](QLineEdit *e, const QString &v) { e->setText(v); });
}

void BindNumber(QLineEdit *edit, TIntegerAction *action)
{
    Follow(action, edit, [](QLineEdit *e, int v) {
        // "007" and "7" are the same number: keep what the user typed.
        bool ok = false;
        const int shown = e->text().trimmed().toInt(&ok);
        if (!ok || shown != v)
            e->setText(QString::number(v));
    });
    QObject::connect(edit, &QLineEdit::textEdited, action, [action](const QString &t) {
        bool ok = false;
        const int v = t.trimmed().toInt(&ok);
        action->SetValue(ok ? v : 0);
    });
}

void Bind(QSpinBox *spin, TIntegerAction *action)
{
    Follow(action, spin, [](QSpinBox *s, int v) { s->setValue(v); });
    QObject::connect(spin, &QSpinBox::valueChanged, action, [action](int v) { action->SetValue(v); });
}

void Bind(QButtonGroup *group, TIntegerAction *action, std::function<int(int)> idOf)
{
    Follow(action, group, [idOf](QButtonGroup *g, int v) {
        QAbstractButton *b = g->button(idOf ? idOf(v) : v);
        if (b) {
            b->setChecked(true);
            return;
        }
        // No button for this value: none is checked.
        const bool exclusive = g->exclusive();
        g->setExclusive(false);
        for (QAbstractButton *other : g->buttons()) {
            const QSignalBlocker block(other);
            other->setChecked(false);
        }
        g->setExclusive(exclusive);
    });
    QObject::connect(group, &QButtonGroup::idClicked, action, [action](int id) { action->SetValue(id); });
}

void Bind(QSlider *slider, TIntegerAction *action, QLabel *number)
{
    QPointer<QLabel> label(number);
    Follow(action, slider, [label](QSlider *s, int v) {
        s->setValue(v);
        if (label)
            label->setNum(v);
    });
    QObject::connect(slider, &QSlider::valueChanged, action, [action](int v) { action->SetValue(v); });
}

void Bind(QAbstractButton *button, TCheckAction *action)
{
    QPointer<QAbstractButton> guard(button);
    auto follow = [guard](bool on) {
        if (guard && guard->isChecked() != on) {
            const QSignalBlocker block(guard.data());
            guard->setChecked(on);
        }
    };
    auto beforeTrue = action->OnBeforeTrueApply;
    action->OnBeforeTrueApply = [beforeTrue, follow] {
        if (beforeTrue)
            beforeTrue();
        follow(true);
    };
    auto beforeFalse = action->OnBeforeFalseApply;
    action->OnBeforeFalseApply = [beforeFalse, follow] {
        if (beforeFalse)
            beforeFalse();
        follow(false);
    };
    button->setCheckable(true);
    follow(action->Checked());
    QObject::connect(button, &QAbstractButton::toggled, action, [action](bool on) {
        if (action->Checked() != on)
            action->SetChecked(on);
    });
}

void Bind(QComboBox *box, TWidestringAction *action, bool selectOnly)
{
    box->setEditable(true);
    Follow(action, box, [selectOnly](QComboBox *b, const QString &v) {
        const int index = b->findText(v);
        if (index >= 0)
            b->setCurrentIndex(index);
        else if (selectOnly)
            b->setCurrentIndex(-1);
        // What was typed stays in the field (an entry of the list or not).
        if (b->currentText() != v)
            b->setEditText(v);
    });
    QObject::connect(box, &QComboBox::editTextChanged, action,
                     [action](const QString &t) { action->SetValue(t); });
}

} // namespace TActionBinding
