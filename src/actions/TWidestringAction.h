#pragma once
// A text setting. Command line: the text as given. Macro: the text as a Pascal string.
#include "actions/TValueAction.h"

using TPrepareWideStringEvent = TValueAction<QString>::TPrepareEvent;
using TApplyWideStringEvent = TValueAction<QString>::TApplyEvent;

class TWidestringAction : public TValueAction<QString>
{
    Q_OBJECT
public:
    using TValueAction<QString>::TValueAction;

    void SetValueFromText(const QString &text) override;
    QString MacroLine() const override;

protected:
    QString TypeWord() const override { return QStringLiteral("widestring"); }
    QString DefaultVariables() const override { return QStringLiteral("aWidestring"); }
    QString ReadPrefs(TVardoPreferences &prefs, const QString &def) override;
    bool WritePrefs(TVardoPreferences &prefs, const QString &v) override;
    QString FromScript(const std::vector<TScriptValue> &args) const override;
};
