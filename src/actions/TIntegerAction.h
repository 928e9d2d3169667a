#pragma once
// A 32-bit integer setting. Command line: decimal or $hex, -1 when the text is no integer.
#include "actions/TValueAction.h"

using TPrepareIntegerEvent = TValueAction<int>::TPrepareEvent;
using TApplyIntegerEvent = TValueAction<int>::TApplyEvent;

class TIntegerAction : public TValueAction<int>
{
    Q_OBJECT
public:
    using TValueAction<int>::TValueAction;

    void SetValueFromText(const QString &text) override;
    QString MacroLine() const override;

protected:
    QString TypeWord() const override { return QStringLiteral("integer"); }
    QString DefaultVariables() const override { return QStringLiteral("aInteger"); }
    int ReadPrefs(TVardoPreferences &prefs, const int &def) override;
    bool WritePrefs(TVardoPreferences &prefs, const int &v) override;
    int FromScript(const std::vector<TScriptValue> &args) const override;
};
