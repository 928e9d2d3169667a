#pragma once
// A script engine with "procedure Print(const s: string);" collecting what the script prints.
#include "script/TScriptEngine.h"

#include <QStringList>

#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

struct TPrintingEngine
{
    TScriptEngine engine;
    QStringList out;

    TPrintingEngine()
    {
        engine.RegisterMethod(QStringLiteral("procedure Print(const s: string);"),
                              [this](const std::vector<TScriptValue> &a) -> TScriptValue {
                                  out << std::get<QString>(a[0]);
                                  return {};
                              });
    }

    // Compiles and runs; returns the printed lines joined by "|", or the first compiler
    // message, or "RUNTIME: " + the run-time error.
    QString run(const QString &source)
    {
        out.clear();
        if (!engine.Compile(source))
            return engine.Messages().empty() ? QStringLiteral("COMPILE?")
                                             : engine.Messages().front().render();
        if (!engine.Run())
            return QStringLiteral("RUNTIME: ") + engine.RunError();
        return out.join(QLatin1Char('|'));
    }
};
