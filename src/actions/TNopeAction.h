#pragma once
// A plain command without a value (naGrab, naOpen ...). Executing it runs the prepare handlers
// and then Apply. Applying it records "    ScriptName;" whatever applied it (menu, script,
// command line), unless its ScriptName is empty: then it is neither offered to scripts nor
// recorded.
#include "actions/TCustomAbstractAction.h"

#include <functional>

using TPrepareNopeEvent = std::function<bool()>;
using TApplyNopeEvent = std::function<void()>;

class TNopeAction : public TAbstractAction
{
    Q_OBJECT
public:
    using TAbstractAction::TAbstractAction;

    TPrepareNopeEvent OnPrepare;
    TApplyNopeEvent OnBeforeApply;
    TApplyNopeEvent OnAfterApply;
    TPrepareNopeEvent BeforeSave; // result ignored

    TPrepareNopeEvent InternalPrepare;
    TPrepareNopeEvent InternalBeforeSave;
    TApplyNopeEvent InternalApply;

    bool AddToScript(IScriptRegistrar &script) override;
    void PrepareAndApply() override;
    QString GetScriptDeclaration() override;
    QString GetSwitchSyntax() override;
    void ResetBindings() override;
    // The text is ignored: the command is applied.
    void SetValueFromText(const QString &text) override;
    void Apply() override;
    // Nothing is stored: loading applies when ApplyWhenLoad, saving runs the BeforeSave handlers.
    bool LoadFromPrefs(TVardoPreferences &prefs) override;
    bool SaveToPrefs(TVardoPreferences &prefs) override;
};
