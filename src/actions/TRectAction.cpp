#include "actions/TRectAction.h"

#include "actions/TActionText.h"
#include "prefs/TVardoPreferences.h"

QString TRectAction::GetSwitchSyntax()
{
    const QString v = TakeVariables(DefaultVariables());
    return u'/' + Switch() + u'=' + (v == DefaultVariables() ? QStringLiteral("aRect") : v);
}

void TRectAction::SetValueFromText(const QString &text)
{
    TRectValue r;
    if (TActionText::ReadRect(text, r))
        SetValue(r);
}

QString TRectAction::MacroLine() const
{
    return CallLine(QString::number(Value.Left) + u',' + QString::number(Value.Right) + u',' +
                    QString::number(Value.Top) + u',' + QString::number(Value.Bottom));
}

TRectValue TRectAction::ReadPrefs(TVardoPreferences &prefs, const TRectValue &def)
{
    return TRectValue::fromQRect(prefs.ReadRect(ScriptName(), def.toQRect()));
}

bool TRectAction::WritePrefs(TVardoPreferences &prefs, const TRectValue &v)
{
    return prefs.WriteRect(ScriptName(), v.toQRect());
}

TRectValue TRectAction::FromScript(const std::vector<TScriptValue> &args) const
{
    using namespace TScriptArgs;
    TRectValue r;
    r.Left = int(ToInt(Arg(args, 0)));
    r.Right = int(ToInt(Arg(args, 1)));
    r.Top = int(ToInt(Arg(args, 2)));
    r.Bottom = int(ToInt(Arg(args, 3)));
    return r;
}

bool TRectAction::AcceptsText(const QString &text, QString *expected) const
{
    TRectValue v;
    const bool ok = TActionText::ReadRect(text, v);
    if (!ok && expected)
        *expected = QStringLiteral("un rectangle (gauche, haut, droite, bas)");
    return ok;
}
