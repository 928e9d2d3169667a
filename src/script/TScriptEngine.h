#pragma once
// The script engine: compiles a Pascal-like script text against the declarations registered
// with it and runs the result on the calling thread.
//
// Registration. Methods, constants and types registered outside a compile stay registered
// for every later compile; those registered from the OnCompile hook (which the engine calls
// at the start of every compile, after its standard library) belong to that compile only.
//
// Runs. One run at a time: while a script runs, the idle callback lets the program handle
// input at most every 100 ms, Abort() stops the script at its next statement ("Script
// interrompu"), and Compile and Run refuse to start. Limits on steps, call depth and memory
// turn runaway scripts into run-time errors (see TRunLimits).
#include "actions/IScriptRegistrar.h"
#include "script/TScriptInterpreter.h"
#include "script/TScriptMessage.h"

#include <functional>
#include <memory>
#include <vector>

namespace pscript {
class TScriptParser;
}

class TScriptEngine : public IScriptRegistrar
{
public:
    TScriptEngine();
    ~TScriptEngine() override;
    TScriptEngine(const TScriptEngine &) = delete;
    TScriptEngine &operator=(const TScriptEngine &) = delete;

    // --- Registration
    // A method under a declaration text ("function Twice(x: Integer): Integer;"). Parameters
    // and result may be ordinal, floating point, Boolean, Char or string; var parameters are
    // refused. The method receives the arguments converted to the declared types, in order.
    bool RegisterMethod(const QString &declaration, TScriptMethod method) override;
    // A constant of a known type ("Integer", "Longint", "Double", "string", "Boolean").
    bool AddConstant(const QString &name, const QString &typeName, const TScriptValue &value);
    // A named type from its definition text: "(taLeft, taRight)", "record x, y: Longint; end;",
    // "set of TBorderIcon", "Longint".
    bool AddType(const QString &name, const QString &definition);
    // The colour constants, font/pen/brush enumerations and graphics classes, for compiling
    // only: creating such an object at run time is a run-time error.
    bool AddGraphicsDeclarations();
    // Called at the start of every compile, after the standard library; register here.
    std::function<void(TScriptEngine &)> OnCompile;

    // --- Settings
    // Folder for {$I file}; empty: includes are refused.
    void SetScriptFolder(const QString &folder) { m_folder = folder; }
    void SetDefines(const QStringList &defines) { m_defines = defines; }
    void SetLimits(const pscript::TRunLimits &limits) { m_limits = limits; }
    const pscript::TRunLimits &Limits() const { return m_limits; }
    // Called while a script runs, at most every Limits().idleInterval.
    void SetIdleCallback(std::function<void()> idle) { m_idle = std::move(idle); }

    // --- Compiling and running
    bool Compile(const QString &source);
    bool Compiled() const { return m_program != nullptr; }
    const std::vector<TScriptMessage> &Messages() const { return m_messages; }
    bool Run();
    // The last run-time error: "Division par zéro (ligne 5)".
    QString RunError() const { return m_runError; }
    int RunErrorLine() const { return m_runErrorLine; }
    bool IsRunning() const { return m_running; }
    // Stops the running script at its next statement with "Script interrompu".
    void Abort();
    // True from Abort() until the running script has stopped.
    bool AbortRequested() const { return m_interp && m_interp->abortRequested(); }

    // For registered methods: stop the script with this run-time error.
    [[noreturn]] static void RaiseRuntimeError(const QString &text);

private:
    struct TRegistration
    {
        enum class K { Method, Constant, Type, Graphics } kind;
        QString name, text;
        TScriptMethod method;
        TScriptValue value;
    };
    bool apply(const TRegistration &r);

    std::vector<TRegistration> m_persistent;
    std::unique_ptr<pscript::TScriptProgram> m_program;
    pscript::TScriptProgram *m_building = nullptr;   // during Compile
    pscript::TScriptParser *m_parser = nullptr;      // during Compile
    pscript::TScriptInterpreter *m_interp = nullptr; // during Run
    std::vector<TScriptMessage> m_messages;
    QString m_folder;
    QStringList m_defines;
    pscript::TRunLimits m_limits;
    std::function<void()> m_idle;
    QString m_runError;
    int m_runErrorLine = 0;
    bool m_running = false;
    bool m_compiling = false;
};
