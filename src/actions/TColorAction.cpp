#include "actions/TColorAction.h"

#include "actions/TActionText.h"
#include "prefs/TVardoPreferences.h"

void TColorAction::SetValueFromText(const QString &text)
{
    TColor c;
    if (TActionText::ReadColor(text, c))
        SetValue(c);
}

QString TColorAction::MacroLine() const
{
    return CallLine(TActionText::PascalColor(Value));
}

TColor TColorAction::ReadPrefs(TVardoPreferences &prefs, const TColor &def)
{
    return prefs.ReadInteger(ScriptName(), def);
}

bool TColorAction::WritePrefs(TVardoPreferences &prefs, const TColor &v)
{
    return prefs.WriteInteger(ScriptName(), v);
}

TColor TColorAction::FromScript(const std::vector<TScriptValue> &args) const
{
    // A script's TColor travels as an integer; $FF0000nn may arrive as 4278190080 + nn.
    return static_cast<TColor>(static_cast<std::uint32_t>(TScriptArgs::ToInt(TScriptArgs::Arg(args, 0))));
}

bool TColorAction::AcceptsText(const QString &text, QString *expected) const
{
    TColor v{};
    const bool ok = TActionText::ReadColor(text, v);
    if (!ok && expected)
        *expected = QStringLiteral("une couleur (nom ou $BBGGRR)");
    return ok;
}
