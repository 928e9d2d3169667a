#pragma once
// A font setting: face, size, colour, character set, pitch, resolution and styles (TFontDesc).
// Value and DefaultValue start as the default TFontDesc; assigning copies every attribute.
// Script procedure: name, size, colour and the four style flags. The command line cannot set
// a font (SetValueFromText does nothing).
#include "actions/TValueAction.h"
#include "prefs/TFontDesc.h"

using TPrepareFontEvent = TValueAction<TFontDesc>::TPrepareEvent;
using TApplyFontEvent = TValueAction<TFontDesc>::TApplyEvent;

class TFontAction : public TValueAction<TFontDesc>
{
    Q_OBJECT
public:
    using TValueAction<TFontDesc>::TValueAction;

    QString GetScriptDeclaration() override;
    QString GetSwitchSyntax() override;
    void SetValueFromText(const QString &text) override;
    QString MacroLine() const override;

protected:
    QString TypeWord() const override { return QStringLiteral("TFont"); }
    QString DefaultVariables() const override { return QStringLiteral("aFont"); }
    TFontDesc ReadPrefs(TVardoPreferences &prefs, const TFontDesc &def) override;
    bool WritePrefs(TVardoPreferences &prefs, const TFontDesc &v) override;
    TFontDesc FromScript(const std::vector<TScriptValue> &args) const override;
};
