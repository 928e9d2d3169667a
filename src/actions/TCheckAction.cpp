#include "actions/TCheckAction.h"

#include "actions/TActionText.h"
#include "core/FramixLog.h"
#include "prefs/TVardoPreferences.h"

TCheckAction::TCheckAction(QObject *owner) : TCustomAbstractAction(owner)
{
    InitCheck();
}

TCheckAction::TCheckAction(const QString &internalId, TCustomVDActionList *list)
    : TCustomAbstractAction(internalId, list)
{
    InitCheck();
}

void TCheckAction::InitCheck()
{
    // Checkable so that menus show the state, but the trigger handler keeps Qt from toggling
    // it: PrepareAndApply decides.
    setCheckable(true);
    SetAutoCheck(false);
}

void TCheckAction::SetChecked(bool checked)
{
    QAction::setChecked(checked);
    MacroScope scope;
    if (Recording())
        scope.Enter(MacroLine(), ScriptName() != u"Script");
    Apply();
}

QString TCheckAction::MacroLine() const
{
    return QStringLiteral("    set") + ScriptName() + u'(' + TActionText::PascalBool(Checked()) +
           QStringLiteral(");");
}

void TCheckAction::SetDefaultValue(bool value)
{
    m_defaultValue = value;
    QAction::setChecked(value);
    UpdateFace();
}

void TCheckAction::UpdateFace()
{
    const bool on = Checked();
    SetCaption(on ? m_trueCaption : m_falseCaption);
    SetHint(on ? m_trueHint : m_falseHint);
    SetImageIndex(on ? m_trueImageIndex : m_falseImageIndex);
}

void TCheckAction::SetTrueCaption(const QString &s)
{
    m_trueCaption = s;
    if (Checked())
        SetCaption(s);
}

void TCheckAction::SetFalseCaption(const QString &s)
{
    m_falseCaption = s;
    if (!Checked())
        SetCaption(s);
}

void TCheckAction::SetTrueHint(const QString &s)
{
    m_trueHint = s;
    if (Checked())
        SetHint(s);
}

void TCheckAction::SetFalseHint(const QString &s)
{
    m_falseHint = s;
    if (!Checked())
        SetHint(s);
}

void TCheckAction::SetTrueImageIndex(int i)
{
    m_trueImageIndex = i;
    if (Checked())
        SetImageIndex(i);
}

void TCheckAction::SetFalseImageIndex(int i)
{
    m_falseImageIndex = i;
    if (!Checked())
        SetImageIndex(i);
}

bool TCheckAction::AddToScript(IScriptRegistrar &script)
{
    QPointer<TCustomAbstractAction> self = Self();
    auto *check = this;
    const bool setOk = script.RegisterMethod(
        QStringLiteral("procedure set") + ScriptName() + QStringLiteral("(const aBoolean:Boolean);"),
        [self, check](const std::vector<TScriptValue> &args) -> TScriptValue {
            if (self)
                check->SetChecked(TScriptArgs::ToBool(TScriptArgs::Arg(args, 0)));
            return {};
        });
    if (!setOk)
        return false;
    return script.RegisterMethod(QStringLiteral("procedure ") + ScriptName() + u';',
                                 [self, check](const std::vector<TScriptValue> &) -> TScriptValue {
                                     if (self)
                                         check->Toggle();
                                     return {};
                                 });
}

void TCheckAction::PrepareAndApply()
{
    if (auto f = OnPrepare; f && !f())
        return;
    if (auto f = InternalPrepare; f && !f())
        return;
    SetChecked(!Checked());
}

QString TCheckAction::GetScriptDeclaration()
{
    return QStringLiteral("procedure set") + ScriptName() + QStringLiteral("(const ") +
           TakeVariables(QStringLiteral("fisTrue")) + QStringLiteral(":Boolean);\r\nprocedure ") +
           ScriptName() + u';';
}

QString TCheckAction::GetSwitchSyntax()
{
    return u'/' + Switch() + QStringLiteral(" +") + Switch() + QStringLiteral(" -") + Switch();
}

void TCheckAction::ResetBindings()
{
    TCustomAbstractAction::ResetBindings();
    InternalPrepare = nullptr;
    InternalDefault = nullptr;
    InternalBeforeSave = nullptr;
    InternalTrueApply = nullptr;
    InternalFalseApply = nullptr;
}

void TCheckAction::SetValueFromText(const QString &text)
{
    SetChecked(TActionText::ReadBoolean(text));
}

void TCheckAction::Apply()
{
    if (Checked()) {
        if (auto f = OnBeforeTrueApply)
            f();
        if (auto f = InternalTrueApply)
            f();
        if (auto f = OnAfterTrueApply)
            f();
    } else {
        if (auto f = OnBeforeFalseApply)
            f();
        if (auto f = InternalFalseApply)
            f();
        if (auto f = OnAfterFalseApply)
            f();
    }
    UpdateFace();
}

bool TCheckAction::LoadFromPrefs(TVardoPreferences &prefs)
{
    try {
        if (auto f = OnDefault)
            f(m_defaultValue);
        if (auto f = InternalDefault)
            f(m_defaultValue);
        QAction::setChecked(prefs.ReadBool(ScriptName(), m_defaultValue));
        UpdateFace();
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

bool TCheckAction::SaveToPrefs(TVardoPreferences &prefs)
{
    try {
        bool copy = Checked();
        if (auto f = BeforeSave)
            f(copy);
        if (auto f = InternalBeforeSave)
            f(copy);
        return prefs.WriteBool(ScriptName(), copy);
    } catch (...) {
        qCWarning(lcActions).noquote()
            << "saving" << Name() << "to the preferences:" << currentExceptionText();
        return false;
    }
}
