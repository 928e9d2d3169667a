#pragma once
// What an action needs of the script engine: register a method of the program under a
// Pascal declaration text ("procedure Digits(const aInteger:integer);"). The engine parses
// the declaration to learn the parameters, converts a script call's arguments to the
// declared types in order and calls the method with them.
#include <QString>

#include <cstdint>
#include <functional>
#include <variant>
#include <vector>

// A value crossing between a script and the program. Integer, Cardinal, Byte, Word, TColor
// and enumerations travel as int64; Double/Extended/Single as double; Boolean as bool;
// string, widestring and Char as QString. A procedure returns monostate.
using TScriptValue = std::variant<std::monostate, std::int64_t, double, bool, QString>;
using TScriptMethod = std::function<TScriptValue(const std::vector<TScriptValue> &args)>;

class IScriptRegistrar
{
public:
    virtual ~IScriptRegistrar() = default;
    // Returns false when the engine refuses the declaration (syntax error, duplicate name).
    virtual bool RegisterMethod(const QString &declaration, TScriptMethod method) = 0;
};
