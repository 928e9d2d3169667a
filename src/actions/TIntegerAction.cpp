#include "actions/TIntegerAction.h"

#include "actions/TActionText.h"
#include "prefs/TVardoPreferences.h"

void TIntegerAction::SetValueFromText(const QString &text)
{
    SetValue(TActionText::IntegerOr(text, -1));
}

QString TIntegerAction::MacroLine() const
{
    return CallLine(QString::number(Value));
}

int TIntegerAction::ReadPrefs(TVardoPreferences &prefs, const int &def)
{
    return prefs.ReadInteger(ScriptName(), def);
}

bool TIntegerAction::WritePrefs(TVardoPreferences &prefs, const int &v)
{
    return prefs.WriteInteger(ScriptName(), v);
}

int TIntegerAction::FromScript(const std::vector<TScriptValue> &args) const
{
    return static_cast<int>(TScriptArgs::ToInt(TScriptArgs::Arg(args, 0)));
}
