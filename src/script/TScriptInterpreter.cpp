// Runs of TScriptInterpreter: the main block, the step accounting (limits, abort, input
// handling) and the statements. Expressions and calls are in files of their own.
#include "script/TScriptInterpreter.h"

#include <QDateTime>

namespace pscript {

TScriptInterpreter::TScriptInterpreter(const TScriptProgram &program, TRunLimits limits)
    : m_prog(program), m_limits(limits), m_account(std::make_shared<TMemAccount>(limits.maxMemory)),
      m_rng(std::uint64_t(QDateTime::currentMSecsSinceEpoch()))
{}

void TScriptInterpreter::fail(const QString &text) const
{
    EScriptRuntime e(text);
    e.line = m_line;
    throw e;
}

// ---------------------------------------------------------------- running

void TScriptInterpreter::run()
{
    m_stackBase = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    m_lastIdle = now();
    m_nextIdleCheck = 256;
    try {
        m_globals = newFrame(m_prog.globalTypes);
        for (const auto &[slot, value] : m_prog.globalInits)
            m_globals->set(size_t(slot), value.cloned());
        m_frame = m_globals;
        if (m_prog.main)
            exec(*m_prog.main);
    } catch (EScriptRuntime &e) {
        if (e.line == 0)
            e.line = m_line;
        m_frame.reset();
        m_globals.reset();
        throw;
    } catch (const std::bad_alloc &) {
        m_frame.reset();
        m_globals.reset();
        EScriptRuntime e(QStringLiteral("Mémoire insuffisante"));
        e.line = m_line;
        throw e;
    }
    m_frame.reset();
    m_globals.reset();
}

void TScriptInterpreter::step(int line)
{
    m_line = line;
    ++m_steps;
    if (m_abort)
        fail(QStringLiteral("Script interrompu"));
    if (m_limits.maxSteps > 0 && m_steps > m_limits.maxSteps)
        fail(QStringLiteral("Nombre maximal d'instructions dépassé"));
    // The clock is read every 256 steps. Long string work adds to m_steps in jumps, so the
    // next reading is a threshold, not a multiple of 256 that a jump could step over forever.
    if (m_steps >= m_nextIdleCheck) {
        m_nextIdleCheck = m_steps + 256;
        checkIdle();
    }
}

void TScriptInterpreter::checkIdle()
{
    if (!m_idle || now() - m_lastIdle < m_limits.idleInterval)
        return;
    m_idle();
    m_lastIdle = now();
    if (m_abort)
        fail(QStringLiteral("Script interrompu"));
}

std::chrono::steady_clock::time_point TScriptInterpreter::now() const
{
    return m_limits.clock ? m_limits.clock() : std::chrono::steady_clock::now();
}

std::shared_ptr<TStore> TScriptInterpreter::newFrame(const std::vector<const TScriptType *> &types)
{
    auto frame = std::make_shared<TStore>(m_account, types.size());
    for (size_t n = 0; n < types.size(); ++n)
        if (types[n])
            frame->set(n, defaultValue(types[n], m_account));
    return frame;
}

TScriptInterpreter::EFlow TScriptInterpreter::execBody(const std::vector<TStmtPtr> &body)
{
    for (const auto &s : body) {
        const EFlow f = exec(*s);
        if (f != EFlow::Normal)
            return f;
    }
    return EFlow::Normal;
}

TScriptInterpreter::EFlow TScriptInterpreter::exec(const TStmt &s)
{
    step(s.line);
    switch (s.kind) {
    case EStmt::Empty:
        return EFlow::Normal;
    case EStmt::Compound:
        return execBody(s.body);
    case EStmt::Assign: {
        if (s.a->kind == EExpr::StrIndex) {
            const TRunValue ch = eval(*s.b);
            const std::int64_t index = eval(*s.a->args[1]).i;
            const TLoc loc = locate(*s.a->args[0]);
            QString text = loc.get().s;
            if (index < 1 || index > text.size())
                fail(QStringLiteral("Index hors limites (%1)").arg(index));
            loc.set(TRunValue::fromStr(QString())); // the slot lets go: no copy of the text
            text[qsizetype(index - 1)] = QChar(char16_t(ch.i));
            loc.set(TRunValue::fromStr(std::move(text)));
            return EFlow::Normal;
        }
        if (s.a->kind == EExpr::Var && s.b->kind == EExpr::Binary && s.b->cls == EOpClass::Str &&
            s.b->op == EOp::Add && s.b->args[0]->kind == EExpr::Var && s.b->args[0]->slot == s.a->slot &&
            s.b->args[0]->global == s.a->global && s.b->args[0]->byRef == s.a->byRef) {
            // s := s + x appends in place instead of copying s every time.
            const TRunValue tail = eval(*s.b->args[1]);
            const TLoc loc = locate(*s.a);
            QString text = loc.get().s;             // shared until the slot lets go of it below
            loc.set(TRunValue::fromStr(QString())); // keeps the memory account right
            const std::int64_t len = std::int64_t(text.size()) + tail.s.size();
            try {
                m_account->checkString(len);
            } catch (EScriptRuntime &err) {
                loc.set(TRunValue::fromStr(std::move(text)));
                fail(err.text);
            }
            m_steps += tail.s.size() >> 12;
            text.append(tail.s);
            loc.set(TRunValue::fromStr(std::move(text)));
            return EFlow::Normal;
        }
        TRunValue v = eval(*s.b);
        if (s.clone)
            v = v.cloned();
        locate(*s.a).set(std::move(v));
        return EFlow::Normal;
    }
    case EStmt::Call:
        eval(*s.a);
        return EFlow::Normal;
    case EStmt::If:
        if (eval(*s.a).b)
            return exec(*s.body[0]);
        if (s.body.size() > 1)
            return exec(*s.body[1]);
        return EFlow::Normal;
    case EStmt::While:
        for (;;) {
            step(s.line);
            if (!eval(*s.a).b)
                break;
            const EFlow f = exec(*s.body[0]);
            if (f == EFlow::Break)
                break;
            if (f == EFlow::Exit)
                return f;
        }
        return EFlow::Normal;
    case EStmt::Repeat:
        for (;;) {
            step(s.line);
            const EFlow f = execBody(s.body);
            if (f == EFlow::Break)
                break;
            if (f == EFlow::Exit)
                return f;
            if (eval(*s.a).b)
                break;
        }
        return EFlow::Normal;
    case EStmt::For:
        return execFor(s);
    case EStmt::Case:
        return execCase(s);
    case EStmt::Break:
        return EFlow::Break;
    case EStmt::Continue:
        return EFlow::Continue;
    case EStmt::Exit:
        if (s.a) {
            TRunValue v = eval(*s.a);
            m_frame->set(size_t(s.slot), s.clone ? v.cloned() : std::move(v));
        }
        return EFlow::Exit;
    case EStmt::WithBind: {
        const std::shared_ptr<TStore> &store = s.global ? m_globals : m_frame;
        if (s.clone) {
            store->set(size_t(s.slot), eval(*s.a));
        } else {
            const TLoc loc = locate(*s.a);
            store->set(size_t(s.slot), TRunValue::ref(loc.store, std::int64_t(loc.index)));
        }
        return EFlow::Normal;
    }
    }
    return EFlow::Normal;
}

TScriptInterpreter::EFlow TScriptInterpreter::execFor(const TStmt &s)
{
    const std::int64_t from = eval(*s.b).ordinal();
    const std::int64_t to = eval(*s.c).ordinal();
    if (s.down ? from < to : from > to)
        return EFlow::Normal;
    const TLoc loc = locate(*s.a);
    const TScriptType *t = s.a->type;
    for (std::int64_t v = from;; v += s.down ? -1 : 1) {
        step(s.line);
        loc.set(ordinalValue(t, v));
        const EFlow f = exec(*s.body[0]);
        if (f == EFlow::Break)
            break;
        if (f == EFlow::Exit)
            return f;
        if (v == to)
            break;
    }
    return EFlow::Normal;
}

TScriptInterpreter::EFlow TScriptInterpreter::execCase(const TStmt &s)
{
    const TRunValue sel = eval(*s.a);
    for (const TCaseBranch &b : s.branches) {
        for (const TCaseLabel &l : b.labels) {
            const bool hit =
                s.strCase ? sel.s.compare(l.low.asString()) >= 0 && sel.s.compare(l.high.asString()) <= 0
                          : sel.ordinal() >= l.low.ordinal() && sel.ordinal() <= l.high.ordinal();
            if (hit)
                return exec(*b.body);
        }
    }
    if (s.elseBody)
        return exec(*s.elseBody);
    return EFlow::Normal;
}

} // namespace pscript
