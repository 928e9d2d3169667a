#pragma once
// A two-state command (caPlay, caSliders ...). Executing it toggles it; its caption, hint and
// image follow its state (the True set when checked, the False set otherwise); every set
// applies it, even to the state it already has, running the True or the False pair of apply
// events. Scripts get "setName(b)" and "Name" (toggle); the command line checks it with
// +name, unchecks it with -name and toggles it with /name.
//
// The state is QAction's checked state (the action is checkable, so menus show it), but it
// must be changed through SetChecked/Toggle: QAction::setChecked bypasses recording and apply.
#include "actions/TCustomAbstractAction.h"

#include <functional>

class TCheckAction : public TCustomAbstractAction
{
    Q_OBJECT
public:
    explicit TCheckAction(QObject *owner = nullptr);
    TCheckAction(const QString &internalId, TCustomVDActionList *list);

    using TPrepareEvent = std::function<bool()>;
    using TBoolPrepareEvent = std::function<bool(bool &)>;
    using TApplyEvent = std::function<void()>;

    TPrepareEvent OnPrepare;
    TBoolPrepareEvent OnDefault;
    TBoolPrepareEvent BeforeSave; // changes only what is stored
    TApplyEvent OnBeforeTrueApply;
    TApplyEvent OnAfterTrueApply;
    TApplyEvent OnBeforeFalseApply;
    TApplyEvent OnAfterFalseApply;

    TPrepareEvent InternalPrepare;
    TBoolPrepareEvent InternalDefault;
    TBoolPrepareEvent InternalBeforeSave;
    TApplyEvent InternalTrueApply;
    TApplyEvent InternalFalseApply;

    bool Checked() const { return isChecked(); }
    // Sets the state, records "    setName(True);" (never for the action named "Script") and
    // applies.
    void SetChecked(bool checked);
    void SetValue(bool checked) { SetChecked(checked); }
    void Toggle() { SetChecked(!Checked()); }

    bool DefaultValue() const { return m_defaultValue; }
    // Also sets the state and the face, without applying or recording.
    void SetDefaultValue(bool value);

    // The faces of the two states; changing the one of the current state shows at once.
    QString TrueCaption() const { return m_trueCaption; }
    void SetTrueCaption(const QString &s);
    QString FalseCaption() const { return m_falseCaption; }
    void SetFalseCaption(const QString &s);
    QString TrueHint() const { return m_trueHint; }
    void SetTrueHint(const QString &s);
    QString FalseHint() const { return m_falseHint; }
    void SetFalseHint(const QString &s);
    int TrueImageIndex() const { return m_trueImageIndex; }
    void SetTrueImageIndex(int i);
    int FalseImageIndex() const { return m_falseImageIndex; }
    void SetFalseImageIndex(int i);

    bool AddToScript(IScriptRegistrar &script) override;
    void PrepareAndApply() override;
    QString GetScriptDeclaration() override;
    QString GetSwitchSyntax() override;
    void ResetBindings() override;
    void SetValueFromText(const QString &text) override;
    void Apply() override;
    bool LoadFromPrefs(TVardoPreferences &prefs) override;
    bool SaveToPrefs(TVardoPreferences &prefs) override;

    QString MacroLine() const;

private:
    void InitCheck();
    // Caption, hint and image of the current state.
    void UpdateFace();

    bool m_defaultValue = false;
    QString m_trueCaption, m_falseCaption, m_trueHint, m_falseHint;
    int m_trueImageIndex = -1;
    int m_falseImageIndex = -1;
};
