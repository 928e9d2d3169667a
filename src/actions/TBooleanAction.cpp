#include "actions/TBooleanAction.h"

#include "actions/TActionText.h"
#include "prefs/TVardoPreferences.h"

void TBooleanAction::SetValueFromText(const QString &text)
{
    SetValue(TActionText::ReadBoolean(text));
}

QString TBooleanAction::MacroLine() const
{
    return CallLine(TActionText::PascalBool(Value));
}

void TBooleanAction::ShowAsToggle()
{
    m_toggle = true;
    setCheckable(true);
    setChecked(Value);
}

void TBooleanAction::PrepareAndApply()
{
    if (m_toggle && !OnPrepare && !InternalPrepare)
        SetValue(!Value);
    else
        TValueAction<bool>::PrepareAndApply();
}

void TBooleanAction::Apply()
{
    TValueAction<bool>::Apply();
    if (m_toggle)
        setChecked(Value);
}

bool TBooleanAction::ReadPrefs(TVardoPreferences &prefs, const bool &def)
{
    return prefs.ReadBool(ScriptName(), def);
}

bool TBooleanAction::WritePrefs(TVardoPreferences &prefs, const bool &v)
{
    return prefs.WriteBool(ScriptName(), v);
}

bool TBooleanAction::FromScript(const std::vector<TScriptValue> &args) const
{
    return TScriptArgs::ToBool(TScriptArgs::Arg(args, 0));
}
