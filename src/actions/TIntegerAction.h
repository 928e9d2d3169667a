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
    // An integer (the empty text reads as -1) inside the range, when one is set.
    bool AcceptsText(const QString &text, QString *expected = nullptr) const override;
    // The values the command line accepts (both included).
    void SetTextRange(int lowest, int highest)
    {
        m_lowest = lowest;
        m_highest = highest;
        m_ranged = true;
    }
    QString MacroLine() const override;

protected:
    QString TypeWord() const override { return QStringLiteral("integer"); }
    QString DefaultVariables() const override { return QStringLiteral("aInteger"); }
    int ReadPrefs(TVardoPreferences &prefs, const int &def) override;
    bool WritePrefs(TVardoPreferences &prefs, const int &v) override;
    int FromScript(const std::vector<TScriptValue> &args) const override;

private:
    int m_lowest = 0;
    int m_highest = 0;
    bool m_ranged = false;
};
