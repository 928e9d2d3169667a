#include "actions/TDoubleAction.h"

#include "actions/TActionText.h"
#include "prefs/TVardoPreferences.h"

void TDoubleAction::SetValueFromText(const QString &text)
{
    double v;
    SetValue(TActionText::ReadDouble(text, v) ? v : -1.0);
}

QString TDoubleAction::MacroLine() const
{
    return CallLine(TActionText::PascalDouble(Value));
}

double TDoubleAction::ReadPrefs(TVardoPreferences &prefs, const double &def)
{
    return prefs.ReadFloat(ScriptName(), def);
}

bool TDoubleAction::WritePrefs(TVardoPreferences &prefs, const double &v)
{
    return prefs.WriteFloat(ScriptName(), v);
}

double TDoubleAction::FromScript(const std::vector<TScriptValue> &args) const
{
    return TScriptArgs::ToDouble(TScriptArgs::Arg(args, 0));
}

bool TDoubleAction::AcceptsText(const QString &text, QString *expected) const
{
    double v = 0;
    const bool ok = text.isEmpty() || TActionText::ReadDouble(text, v);
    if (!ok && expected)
        *expected = QStringLiteral("un nombre");
    return ok;
}
