#pragma once
// A boolean setting (not a two-state command: see TCheckAction). Applies only when the value
// changes. Command line: true, vrai, t, v or a non-zero integer mean True.
#include "actions/TValueAction.h"

using TPrepareBooleanEvent = TValueAction<bool>::TPrepareEvent;
using TApplyBooleanEvent = TValueAction<bool>::TApplyEvent;

class TBooleanAction : public TValueAction<bool>
{
    Q_OBJECT
public:
    using TValueAction<bool>::TValueAction;

    void SetValueFromText(const QString &text) override;
    QString MacroLine() const override;

    // Shown as a check item (a menu entry): the check mark follows the value, and a trigger
    // turns the value over when no prepare handler fills it (a setting has no command to run).
    void ShowAsToggle();
    void PrepareAndApply() override;
    void Apply() override;

protected:
    bool SkipsUnchanged() const override { return true; }
    QString TypeWord() const override { return QStringLiteral("Boolean"); }
    QString DefaultVariables() const override { return QStringLiteral("aBoolean"); }
    bool ReadPrefs(TVardoPreferences &prefs, const bool &def) override;
    bool WritePrefs(TVardoPreferences &prefs, const bool &v) override;
    bool FromScript(const std::vector<TScriptValue> &args) const override;

private:
    bool m_toggle = false;
};
