#pragma once
// A colour setting, $00BBGGRR (see TColors). Command line: a colour identifier or an integer;
// other text leaves the value alone. Macro: $ and at least 6 upper-case hexadecimal digits.
#include "actions/TValueAction.h"
#include "core/TColors.h"
using TPrepareColorEvent = TValueAction<TColor>::TPrepareEvent;
using TApplyColorEvent = TValueAction<TColor>::TApplyEvent;

class TColorAction : public TValueAction<TColor>
{
    Q_OBJECT
public:
    using TValueAction<TColor>::TValueAction;

    void SetValueFromText(const QString &text) override;
    bool AcceptsText(const QString &text, QString *expected = nullptr) const override;
    QString MacroLine() const override;

protected:
    QString TypeWord() const override { return QStringLiteral("TColor"); }
    QString DefaultVariables() const override { return QStringLiteral("aColor"); }
    TColor ReadPrefs(TVardoPreferences &prefs, const TColor &def) override;
    bool WritePrefs(TVardoPreferences &prefs, const TColor &v) override;
    TColor FromScript(const std::vector<TScriptValue> &args) const override;
};
