#include "actions/TWidestringAction.h"

#include "actions/TActionText.h"
#include "prefs/TVardoPreferences.h"

void TWidestringAction::SetValueFromText(const QString &text)
{
    SetValue(text);
}

QString TWidestringAction::MacroLine() const
{
    return CallLine(TActionText::PascalString(Value));
}

QString TWidestringAction::ReadPrefs(TVardoPreferences &prefs, const QString &def)
{
    return prefs.ReadString(ScriptName(), def);
}

bool TWidestringAction::WritePrefs(TVardoPreferences &prefs, const QString &v)
{
    return prefs.WriteString(ScriptName(), v);
}

QString TWidestringAction::FromScript(const std::vector<TScriptValue> &args) const
{
    return TScriptArgs::ToString(TScriptArgs::Arg(args, 0));
}
