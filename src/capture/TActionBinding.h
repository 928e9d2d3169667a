#pragma once
// Binds panel controls to typed actions, the same way for every panel:
//   - a change made by the user in the control sets the action's value, which applies it;
//   - applying the action (from the control, a menu, a script, a switch, the preferences) sets
//     the control to the value, with the control's signals blocked, so nothing else happens to
//     the control and no change comes back from it.
// The control follows the action through the action's OnBeforeApply event (handlers bound
// earlier still run first), so it shows the new value before the owner's own handlers run. A
// control destroyed before its action is simply skipped.
//
// Each Bind also shows the action's current value in the control at once. Main thread only.
#include <functional>

class QAbstractButton;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSlider;
class QSpinBox;
class TBooleanAction;
class TCheckAction;
class TIntegerAction;
class TWidestringAction;

namespace TActionBinding {

void Bind(QCheckBox *box, TBooleanAction *action);
// A check action: the box follows both states (every set applies the action, even to the state it
// has, so the box never lags), and clicking the box checks or unchecks the action.
void Bind(QCheckBox *box, TCheckAction *action);
// Every keystroke sets the action; the cursor stays where it is while the text is the same.
void Bind(QLineEdit *edit, TWidestringAction *action);
// Shows the text only (a field the user does not type in, such as a chosen folder).
void Show(QLineEdit *edit, TWidestringAction *action);
// A number typed as text; a text that is not a number counts as 0.
void BindNumber(QLineEdit *edit, TIntegerAction *action);
void Bind(QSpinBox *spin, TIntegerAction *action);
// The button whose id idOf(value) is checked (none when no button has that id); clicking a
// button sets the action to its id. idOf defaults to the value itself.
void Bind(QButtonGroup *group, TIntegerAction *action, std::function<int(int)> idOf = {});
// The slider, and the label showing the number when given.
void Bind(QSlider *slider, TIntegerAction *action, QLabel *number = nullptr);
// A check box or a checkable button and a check action, both ways.
void Bind(QAbstractButton *button, TCheckAction *action);
// An editable list: every change of its text sets the action. Applying the action selects the
// matching entry (selectOnly: no entry and the text kept in the field when none matches) or
// shows the text.
void Bind(QComboBox *box, TWidestringAction *action, bool selectOnly = false);

} // namespace TActionBinding
