#pragma once
// Walks the trees of a compiled program on the calling thread. A run ends normally, with a
// run-time error (EScriptRuntime, carrying the line) or when stopped: limits on executed
// statements, call depth, machine stack and live memory turn runaway scripts into errors,
// and an abort request ("Script interrompu") is honoured at the next statement. While it runs,
// the idle callback is called at most every `idleInterval` so the program can handle input.
#include "script/TScriptAst.h"

#include <chrono>
#include <functional>
#include <random>

namespace pscript {

struct TRunLimits
{
    std::int64_t maxSteps = 0;            // 0: no limit
    int maxDepth = 1000;                  // nested calls
    std::int64_t maxMemory = 512ll << 20; // bytes held by variables
    std::chrono::milliseconds idleInterval{100};
    // Time for the idle interval; empty: the steady clock.
    std::function<std::chrono::steady_clock::time_point()> clock;
};

class TScriptInterpreter
{
public:
    TScriptInterpreter(const TScriptProgram &program, TRunLimits limits);

    // Runs the main block. Throws EScriptRuntime (with its line) on a run-time error.
    void run();

    void setIdleCallback(std::function<void()> idle) { m_idle = std::move(idle); }
    // May be called from the idle callback (the program's event handling).
    void requestAbort() { m_abort = true; }
    bool abortRequested() const { return m_abort; }

    // Pure operations, shared with the parser's constant folding.
    static TRunValue binaryOp(EOp op, EOpClass cls, const TRunValue &a, const TRunValue &b);
    static TRunValue unaryOp(EOp op, EOpClass cls, const TRunValue &a);
    static TRunValue convert(EConvert kind, const TScriptType *target, const TRunValue &v);

private:
    enum class EFlow { Normal, Break, Continue, Exit };
    struct TLoc
    {
        std::shared_ptr<TStore> store;
        std::size_t index;
        TRunValue &get() const { return store->items[index]; }
        void set(TRunValue v) const { store->set(index, std::move(v)); }
    };

    EFlow exec(const TStmt &s);
    EFlow execBody(const std::vector<TStmtPtr> &body);
    EFlow execFor(const TStmt &s);
    EFlow execCase(const TStmt &s);
    TRunValue eval(const TExpr &e);
    TRunValue evalCall(const TExpr &e);
    TRunValue evalExternal(const TExpr &e);
    TRunValue evalIntrinsic(const TExpr &e);
    TRunValue evalSet(const TExpr &e);
    TLoc locate(const TExpr &e);
    TLoc slotLoc(int slot, bool global, bool byRef);
    void step(int line);
    // Lets input in when the idle interval has passed: every 256 steps, and after every call
    // of the program's methods (one can take long: a window shown, a picture drawn, so 256 of
    // them would keep the program deaf for seconds).
    void checkIdle();
    std::chrono::steady_clock::time_point now() const;
    std::shared_ptr<TStore> newFrame(const std::vector<const TScriptType *> &types);
    [[noreturn]] void fail(const QString &text) const;
    // v as a value of the ordinal type t (Char, Boolean, an integer type narrowed to its size).
    static TRunValue ordinalValue(const TScriptType *t, std::int64_t v);
    std::int64_t arrayIndex(const TStore *store, std::int64_t index, bool isStatic) const;

    const TScriptProgram &m_prog;
    TRunLimits m_limits;
    std::shared_ptr<TMemAccount> m_account;
    std::shared_ptr<TStore> m_globals;
    std::shared_ptr<TStore> m_frame;
    std::function<void()> m_idle;
    std::mt19937_64 m_rng;
    std::int64_t m_steps = 0;
    std::int64_t m_nextIdleCheck = 256;
    int m_depth = 0;
    int m_line = 0;
    bool m_abort = false;
    std::uintptr_t m_stackBase = 0;
    std::chrono::steady_clock::time_point m_lastIdle;
};

} // namespace pscript
