#include "actions/TPointAction.h"

#include "actions/TActionText.h"
#include "prefs/TVardoPreferences.h"

void TPointAction::SetValueFromText(const QString &text)
{
    QPoint p;
    if (TActionText::ReadPoint(text, p))
        SetValue(p);
}

QString TPointAction::MacroLine() const
{
    return CallLine(QString::number(Value.x()) + u',' + QString::number(Value.y()));
}

QPoint TPointAction::ReadPrefs(TVardoPreferences &prefs, const QPoint &def)
{
    return prefs.ReadPoint(ScriptName(), def);
}

bool TPointAction::WritePrefs(TVardoPreferences &prefs, const QPoint &v)
{
    return prefs.WritePoint(ScriptName(), v);
}

QPoint TPointAction::FromScript(const std::vector<TScriptValue> &args) const
{
    using namespace TScriptArgs;
    return QPoint(int(ToInt(Arg(args, 0))), int(ToInt(Arg(args, 1))));
}

bool TPointAction::AcceptsText(const QString &text, QString *expected) const
{
    QPoint v;
    const bool ok = TActionText::ReadPoint(text, v);
    if (!ok && expected)
        *expected = QStringLiteral("un point (x, y)");
    return ok;
}
