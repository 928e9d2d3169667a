#include "actions/TFontAction.h"

#include "actions/TActionText.h"
#include "prefs/TVardoPreferences.h"

QString TFontAction::GetScriptDeclaration()
{
    return QStringLiteral("procedure ") + ScriptName() +
           QStringLiteral("(aName:widestring;aSize:integer;aColor:TColor;isBold:Boolean;isItalic:Boolean;"
                          "isUnderline:Boolean;isStrikeOut:Boolean);");
}

QString TFontAction::GetSwitchSyntax()
{
    return u'/' + Switch() + u'=' + TakeVariables(DefaultVariables());
}

void TFontAction::SetValueFromText(const QString &)
{}

QString TFontAction::MacroLine() const
{
    using namespace TActionText;
    const QString sep = QStringLiteral(", ");
    return CallLine(PascalString(Value.Name) + sep + QString::number(Value.Size) + sep +
                    PascalColor(Value.Color) + sep + PascalBool(Value.Bold) + sep + PascalBool(Value.Italic) +
                    sep + PascalBool(Value.Underline) + sep + PascalBool(Value.StrikeOut));
}

TFontDesc TFontAction::ReadPrefs(TVardoPreferences &prefs, const TFontDesc &def)
{
    return prefs.ReadFont(ScriptName(), def);
}

bool TFontAction::WritePrefs(TVardoPreferences &prefs, const TFontDesc &v)
{
    return prefs.WriteFont(ScriptName(), v);
}

TFontDesc TFontAction::FromScript(const std::vector<TScriptValue> &args) const
{
    using namespace TScriptArgs;
    // A fresh font with exactly the given name, size, colour and styles.
    TFontDesc f;
    f.Name = ToString(Arg(args, 0));
    f.Size = int(ToInt(Arg(args, 1)));
    f.Color = static_cast<TColor>(static_cast<std::uint32_t>(ToInt(Arg(args, 2))));
    f.Bold = ToBool(Arg(args, 3));
    f.Italic = ToBool(Arg(args, 4));
    f.Underline = ToBool(Arg(args, 5));
    f.StrikeOut = ToBool(Arg(args, 6));
    return f;
}
