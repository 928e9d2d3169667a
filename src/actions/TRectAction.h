#pragma once
// A rectangle setting (window bounds and the like), held as its four edges (TRectValue). Its
// DefaultValue is set in code (or by OnDefault).
// Script procedure: four integers in the order Left, Right, Top, Bottom. The declaration always
// names four parameters: an empty Variables becomes "left,right,top,bottom" whichever text is
// asked for first, and the switch syntax then shows "aRect" (the switch takes one bracketed
// rectangle). Command line: "(left, top, right, bottom)"; other text leaves the value alone.
#include "actions/TRectValue.h"
#include "actions/TValueAction.h"

using TPrepareRectEvent = TValueAction<TRectValue>::TPrepareEvent;
using TApplyRectEvent = TValueAction<TRectValue>::TApplyEvent;

class TRectAction : public TValueAction<TRectValue>
{
    Q_OBJECT
public:
    using TValueAction<TRectValue>::TValueAction;

    QString GetSwitchSyntax() override;
    void SetValueFromText(const QString &text) override;
    bool AcceptsText(const QString &text, QString *expected = nullptr) const override;
    // Left, Right, Top, Bottom: the parameter order of the script procedure.
    QString MacroLine() const override;

protected:
    QString TypeWord() const override { return QStringLiteral("integer"); }
    QString DefaultVariables() const override { return QStringLiteral("left,right,top,bottom"); }
    TRectValue ReadPrefs(TVardoPreferences &prefs, const TRectValue &def) override;
    bool WritePrefs(TVardoPreferences &prefs, const TRectValue &v) override;
    TRectValue FromScript(const std::vector<TScriptValue> &args) const override;
};
