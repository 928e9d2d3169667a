#pragma once
// A floating-point setting. Command line: the user's notation (or a point), -1.0 when invalid.
// Macro: the number with a decimal point whatever the locale.
#include "actions/TValueAction.h"

using TPrepareDoubleEvent = TValueAction<double>::TPrepareEvent;
using TApplyDoubleEvent = TValueAction<double>::TApplyEvent;

class TDoubleAction : public TValueAction<double>
{
    Q_OBJECT
public:
    using TValueAction<double>::TValueAction;

    void SetValueFromText(const QString &text) override;
    bool AcceptsText(const QString &text, QString *expected = nullptr) const override;
    QString MacroLine() const override;

protected:
    QString TypeWord() const override { return QStringLiteral("Double"); }
    QString DefaultVariables() const override { return QStringLiteral("aDouble"); }
    double ReadPrefs(TVardoPreferences &prefs, const double &def) override;
    bool WritePrefs(TVardoPreferences &prefs, const double &v) override;
    double FromScript(const std::vector<TScriptValue> &args) const override;
};
