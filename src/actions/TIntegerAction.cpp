#include "actions/TIntegerAction.h"

#include "actions/TActionText.h"
#include "prefs/TVardoPreferences.h"

void TIntegerAction::SetValueFromText(const QString &text)
{
    SetValue(TActionText::IntegerOr(text, -1));
}

bool TIntegerAction::AcceptsText(const QString &text, QString *expected) const
{
    int v = -1;
    const bool read = text.isEmpty() || TActionText::ReadInteger(text, v);
    if (read && (!m_ranged || (v >= m_lowest && v <= m_highest)))
        return true;
    if (expected)
        *expected = m_ranged ? QStringLiteral("un entier de %1 à %2").arg(m_lowest).arg(m_highest)
                             : QStringLiteral("un entier");
    return false;
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
