#include "actions/TNopeAction.h"

#include "core/FramixLog.h"

bool TNopeAction::AddToScript(IScriptRegistrar &script)
{
    if (ScriptName().isEmpty())
        return false;
    QPointer<TCustomAbstractAction> self = Self();
    return script.RegisterMethod(GetScriptDeclaration(),
                                 [self](const std::vector<TScriptValue> &) -> TScriptValue {
                                     if (self)
                                         self->Apply();
                                     return {};
                                 });
}

void TNopeAction::PrepareAndApply()
{
    if (auto f = OnPrepare; f && !f())
        return;
    if (auto f = InternalPrepare; f && !f())
        return;
    Apply();
}

QString TNopeAction::GetScriptDeclaration()
{
    return QStringLiteral("procedure ") + ScriptName() + u';';
}

QString TNopeAction::GetSwitchSyntax()
{
    return u'/' + Switch();
}

void TNopeAction::ResetBindings()
{
    TAbstractAction::ResetBindings();
    InternalPrepare = nullptr;
    InternalBeforeSave = nullptr;
    InternalApply = nullptr;
}

void TNopeAction::SetValueFromText(const QString &)
{
    Apply();
}

void TNopeAction::Apply()
{
    MacroScope scope;
    if (Recording() && !ScriptName().isEmpty())
        scope.Enter(QStringLiteral("    ") + ScriptName() + u';');
    if (auto f = OnBeforeApply)
        f();
    if (auto f = InternalApply)
        f();
    if (auto f = OnAfterApply)
        f();
}

bool TNopeAction::LoadFromPrefs(TVardoPreferences &)
{
    try {
        if (ApplyWhenLoad())
            Apply();
        return true;
    } catch (...) {
        // The handlers are the application's: whatever they throw fails this one action.
        qCWarning(lcActions).noquote()
            << "loading" << Name() << "from the preferences:" << currentExceptionText();
        return false;
    }
}

bool TNopeAction::SaveToPrefs(TVardoPreferences &)
{
    try {
        if (auto f = BeforeSave)
            f();
        if (auto f = InternalBeforeSave)
            f();
        return true;
    } catch (...) {
        qCWarning(lcActions).noquote()
            << "saving" << Name() << "to the preferences:" << currentExceptionText();
        return false;
    }
}
