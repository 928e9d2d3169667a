#pragma once
// A script host that records the declarations it is given and can call the bound methods,
// standing in for the script engine.
#include "actions/IScriptHost.h"

#include <QString>
#include <QStringList>

#include <utility>
#include <vector>

class FakeScriptHost : public IScriptHost
{
public:
    std::vector<std::pair<QString, TScriptMethod>> methods;
    bool refuse = false;
    // Declarations refused one by one when they contain this text.
    QString refuseContaining;

    bool RegisterMethod(const QString &declaration, TScriptMethod method) override
    {
        if (refuse || (!refuseContaining.isEmpty() && declaration.contains(refuseContaining)))
            return false;
        methods.emplace_back(declaration, std::move(method));
        return true;
    }

    QStringList declarations() const
    {
        QStringList out;
        for (const auto &m : methods)
            out << m.first;
        return out;
    }

    // Calls the method whose declaration is exactly `declaration`; false when there is none.
    bool call(const QString &declaration, const std::vector<TScriptValue> &args = {})
    {
        for (auto &m : methods) {
            if (m.first == declaration) {
                m.second(args);
                return true;
            }
        }
        return false;
    }
};
