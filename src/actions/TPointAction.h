#pragma once
// A point setting. Its DefaultValue is set in code (or by OnDefault). Script procedure: two
// integers. Command line: "(x, y)"; other text leaves the value alone.
#include "actions/TValueAction.h"
#include <QPoint>
using TPreparePointEvent = TValueAction<QPoint>::TPrepareEvent;
using TApplyPointEvent = TValueAction<QPoint>::TApplyEvent;

class TPointAction : public TValueAction<QPoint>
{
    Q_OBJECT
public:
    using TValueAction<QPoint>::TValueAction;

    void SetValueFromText(const QString &text) override;
    bool AcceptsText(const QString &text, QString *expected = nullptr) const override;
    QString MacroLine() const override;

protected:
    QString TypeWord() const override { return QStringLiteral("integer"); }
    QString DefaultVariables() const override { return QStringLiteral("x,y"); }
    QPoint ReadPrefs(TVardoPreferences &prefs, const QPoint &def) override;
    bool WritePrefs(TVardoPreferences &prefs, const QPoint &v) override;
    QPoint FromScript(const std::vector<TScriptValue> &args) const override;
};
