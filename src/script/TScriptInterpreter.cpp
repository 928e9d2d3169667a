#include "script/TScriptInterpreter.h"

#include "script/TScriptStdLib.h"

#include <QDateTime>

#include <limits>

namespace pscript {

namespace {
const std::uintptr_t kMaxRunStack = 4 * 1024 * 1024;

TRunValue ordinalValue(const TScriptType *t, std::int64_t v)
{
    switch (t->kind) {
    case ETypeKind::Char:
        return TRunValue::fromChar(char16_t(v));
    case ETypeKind::Boolean:
        return TRunValue::fromBool(v != 0);
    case ETypeKind::Integer:
        return TRunValue::fromInt(narrowInteger(t, v));
    default:
        return TRunValue::fromInt(v);
    }
}

[[noreturn]] void divByZero()
{
    throw EScriptRuntime(QStringLiteral("Division par zéro"));
}
} // namespace

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

// ---------------------------------------------------------------- pure operations

TRunValue TScriptInterpreter::binaryOp(EOp op, EOpClass cls, const TRunValue &a, const TRunValue &b)
{
    using R = TRunValue;
    switch (cls) {
    case EOpClass::Int:
    case EOpClass::Int32: {
        const std::uint64_t x = std::uint64_t(a.i), y = std::uint64_t(b.i);
        switch (op) {
        case EOp::Add:
            return R::fromInt(std::int64_t(x + y));
        case EOp::Sub:
            return R::fromInt(std::int64_t(x - y));
        case EOp::Mul:
            return R::fromInt(std::int64_t(x * y));
        case EOp::IntDiv:
            if (b.i == 0)
                divByZero();
            if (b.i == -1)
                return R::fromInt(std::int64_t(0 - x));
            return R::fromInt(a.i / b.i);
        case EOp::Mod:
            if (b.i == 0)
                divByZero();
            if (b.i == -1)
                return R::fromInt(0);
            return R::fromInt(a.i % b.i);
        case EOp::Shl:
            return R::fromInt(std::int64_t(cls == EOpClass::Int32 ? x << (y & 31) : x << (y & 63)));
        case EOp::Shr:
            if (cls == EOpClass::Int32)
                return R::fromInt(std::int64_t(std::uint32_t(x) >> (y & 31)));
            return R::fromInt(std::int64_t(x >> (y & 63)));
        case EOp::And:
            return R::fromInt(std::int64_t(x & y));
        case EOp::Or:
            return R::fromInt(std::int64_t(x | y));
        case EOp::Xor:
            return R::fromInt(std::int64_t(x ^ y));
        default:
            break;
        }
        break;
    }
    case EOpClass::Flt: {
        const double x = a.asFloat(), y = b.asFloat();
        switch (op) {
        case EOp::Add:
            return R::fromFloat(x + y);
        case EOp::Sub:
            return R::fromFloat(x - y);
        case EOp::Mul:
            return R::fromFloat(x * y);
        case EOp::Divide:
            if (y == 0)
                divByZero();
            return R::fromFloat(x / y);
        case EOp::Eq:
            return R::fromBool(x == y);
        case EOp::Ne:
            return R::fromBool(x != y);
        case EOp::Lt:
            return R::fromBool(x < y);
        case EOp::Gt:
            return R::fromBool(x > y);
        case EOp::Le:
            return R::fromBool(x <= y);
        case EOp::Ge:
            return R::fromBool(x >= y);
        default:
            break;
        }
        break;
    }
    case EOpClass::Str: {
        if (op == EOp::Add)
            return R::fromStr(a.s + b.s);
        const int c = a.s.compare(b.s);
        switch (op) {
        case EOp::Eq:
            return R::fromBool(c == 0);
        case EOp::Ne:
            return R::fromBool(c != 0);
        case EOp::Lt:
            return R::fromBool(c < 0);
        case EOp::Gt:
            return R::fromBool(c > 0);
        case EOp::Le:
            return R::fromBool(c <= 0);
        case EOp::Ge:
            return R::fromBool(c >= 0);
        default:
            break;
        }
        break;
    }
    case EOpClass::Bool:
        switch (op) {
        case EOp::And:
            return R::fromBool(a.b && b.b);
        case EOp::Or:
            return R::fromBool(a.b || b.b);
        case EOp::Xor:
            return R::fromBool(a.b != b.b);
        default:
            break;
        }
        break;
    case EOpClass::Ord: {
        const std::int64_t x = a.ordinal(), y = b.ordinal();
        switch (op) {
        case EOp::Eq:
            return R::fromBool(x == y);
        case EOp::Ne:
            return R::fromBool(x != y);
        case EOp::Lt:
            return R::fromBool(x < y);
        case EOp::Gt:
            return R::fromBool(x > y);
        case EOp::Le:
            return R::fromBool(x <= y);
        case EOp::Ge:
            return R::fromBool(x >= y);
        case EOp::In:
            return R::fromBool(b.inSet(x));
        default:
            break;
        }
        break;
    }
    case EOpClass::Set: {
        const TSetBits x = a.set ? *a.set : TSetBits{}, y = b.set ? *b.set : TSetBits{};
        TSetBits r{};
        bool sub = true, super = true, eq = true;
        for (size_t w = 0; w < 4; ++w) {
            switch (op) {
            case EOp::Add:
                r[w] = x[w] | y[w];
                break;
            case EOp::Sub:
                r[w] = x[w] & ~y[w];
                break;
            case EOp::Mul:
                r[w] = x[w] & y[w];
                break;
            default:
                break;
            }
            sub = sub && (x[w] & ~y[w]) == 0;
            super = super && (y[w] & ~x[w]) == 0;
            eq = eq && x[w] == y[w];
        }
        switch (op) {
        case EOp::Add:
        case EOp::Sub:
        case EOp::Mul:
            return R::fromSet(r);
        case EOp::Eq:
            return R::fromBool(eq);
        case EOp::Ne:
            return R::fromBool(!eq);
        case EOp::Le:
            return R::fromBool(sub);
        case EOp::Ge:
            return R::fromBool(super);
        default:
            break;
        }
        break;
    }
    case EOpClass::Ref: {
        const bool same =
            (a.k == TRunValue::K::Nil || !a.p) && (b.k == TRunValue::K::Nil || !b.p) ? true : a.p == b.p;
        return R::fromBool(op == EOp::Eq ? same : !same);
    }
    }
    throw EScriptRuntime(QStringLiteral("opération incorrecte"));
}

TRunValue TScriptInterpreter::unaryOp(EOp op, EOpClass cls, const TRunValue &a)
{
    if (op == EOp::Neg)
        return cls == EOpClass::Flt ? TRunValue::fromFloat(-a.d)
                                    : TRunValue::fromInt(std::int64_t(0 - std::uint64_t(a.i)));
    if (cls == EOpClass::Bool)
        return TRunValue::fromBool(!a.b);
    return TRunValue::fromInt(~a.i);
}

TRunValue TScriptInterpreter::convert(EConvert kind, const TScriptType *target, const TRunValue &v)
{
    switch (kind) {
    case EConvert::IntToFlt:
        return TRunValue::fromFloat(double(v.i));
    case EConvert::CharToStr:
        return TRunValue::fromStr(v.asString());
    case EConvert::Narrow:
        return TRunValue::fromInt(narrowInteger(target, v.i));
    case EConvert::OrdCast:
        return ordinalValue(target, v.ordinal());
    }
    return v;
}

// ---------------------------------------------------------------- running

void TScriptInterpreter::run()
{
    m_stackBase = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    m_lastIdle = std::chrono::steady_clock::now();
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
    if ((m_steps & 255) == 0 && m_idle) {
        const auto now = std::chrono::steady_clock::now();
        if (now - m_lastIdle >= m_limits.idleInterval) {
            m_idle();
            m_lastIdle = std::chrono::steady_clock::now();
            if (m_abort)
                fail(QStringLiteral("Script interrompu"));
        }
    }
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

// ---------------------------------------------------------------- expressions

TScriptInterpreter::TLoc TScriptInterpreter::slotLoc(int slot, bool global, bool byRef)
{
    const std::shared_ptr<TStore> &store = global ? m_globals : m_frame;
    if (!byRef)
        return TLoc{store, size_t(slot)};
    const TRunValue &r = store->items[size_t(slot)];
    if (r.k != TRunValue::K::Ref || !r.p || r.i < 0 || size_t(r.i) >= r.p->items.size())
        fail(QStringLiteral("Référence de variable incorrecte"));
    return TLoc{r.p, size_t(r.i)};
}

std::int64_t TScriptInterpreter::arrayIndex(const TStore *store, std::int64_t index, bool isStatic) const
{
    const std::int64_t low = isStatic && store ? store->low : 0;
    const std::int64_t size = store ? std::int64_t(store->items.size()) : 0;
    if (index < low || index - low >= size)
        fail(QStringLiteral("Index hors limites (%1)").arg(index));
    return index - low;
}

TScriptInterpreter::TLoc TScriptInterpreter::locate(const TExpr &e)
{
    switch (e.kind) {
    case EExpr::Var:
        return slotLoc(e.slot, e.global, e.byRef);
    case EExpr::Field: {
        const TLoc base = locate(*e.args[0]);
        const TRunValue &rec = base.get();
        if (!rec.p || size_t(e.index) >= rec.p->items.size())
            fail(QStringLiteral("Accès à un record incorrect"));
        return TLoc{rec.p, size_t(e.index)};
    }
    case EExpr::Index: {
        const bool isStatic = e.args[0]->type->kind == ETypeKind::StaticArray;
        std::shared_ptr<TStore> store;
        if (isStatic)
            store = locate(*e.args[0]).get().p;
        else
            store = eval(*e.args[0]).p;
        const std::int64_t index = eval(*e.args[1]).ordinal();
        return TLoc{store, size_t(arrayIndex(store.get(), index, isStatic))};
    }
    case EExpr::Member:
        eval(*e.args[0]);
        fail(QStringLiteral("Accès à un objet nil ('%1')").arg(e.name));
    default:
        fail(QStringLiteral("expression non affectable"));
    }
}

TRunValue TScriptInterpreter::eval(const TExpr &e)
{
    switch (e.kind) {
    case EExpr::Const:
        return e.value;
    case EExpr::Var:
        return slotLoc(e.slot, e.global, e.byRef).get();
    case EExpr::Field: {
        const TRunValue rec = eval(*e.args[0]);
        if (!rec.p || size_t(e.index) >= rec.p->items.size())
            fail(QStringLiteral("Accès à un record incorrect"));
        return rec.p->items[size_t(e.index)];
    }
    case EExpr::Index: {
        const TRunValue arr = eval(*e.args[0]);
        const std::int64_t index = eval(*e.args[1]).ordinal();
        const bool isStatic = e.args[0]->type->kind == ETypeKind::StaticArray;
        return arr.p->items[size_t(arrayIndex(arr.p.get(), index, isStatic))];
    }
    case EExpr::StrIndex: {
        const TRunValue str = eval(*e.args[0]);
        const std::int64_t index = eval(*e.args[1]).i;
        if (index < 1 || index > str.s.size())
            fail(QStringLiteral("Index hors limites (%1)").arg(index));
        return TRunValue::fromChar(str.s[qsizetype(index - 1)].unicode());
    }
    case EExpr::Call:
        return evalCall(e);
    case EExpr::ExtCall:
        return evalExternal(e);
    case EExpr::Intrinsic:
        return evalIntrinsic(e);
    case EExpr::Unary:
        return unaryOp(e.op, e.cls, eval(*e.args[0]));
    case EExpr::Binary: {
        const TRunValue a = eval(*e.args[0]);
        if (e.cls == EOpClass::Bool && e.op == EOp::And && !a.b)
            return TRunValue::fromBool(false);
        if (e.cls == EOpClass::Bool && e.op == EOp::Or && a.b)
            return TRunValue::fromBool(true);
        const TRunValue b = eval(*e.args[1]);
        if (e.cls == EOpClass::Str) {
            const std::int64_t len = std::int64_t(a.s.size()) + b.s.size();
            if (e.op == EOp::Add)
                m_account->checkString(len);
            m_steps += len >> 12; // long strings cost time: count it against the step limit
        }
        try {
            return binaryOp(e.op, e.cls, a, b);
        } catch (EScriptRuntime &err) {
            fail(err.text);
        }
    }
    case EExpr::SetCons:
        return evalSet(e);
    case EExpr::Convert:
        return convert(EConvert(e.index), e.type, eval(*e.args[0]));
    case EExpr::ArrayOfConst: {
        TRunValue r;
        r.k = TRunValue::K::Arr;
        r.p = std::make_shared<TStore>(m_account, e.args.size());
        for (size_t n = 0; n < e.args.size(); ++n)
            r.p->set(n, eval(*e.args[n]));
        return r;
    }
    case EExpr::Member: {
        const TRunValue obj = eval(*e.args[0]);
        if (obj.k == TRunValue::K::Nil && e.name.compare(QLatin1String("Free"), Qt::CaseInsensitive) == 0)
            return {};
        fail(QStringLiteral("Accès à un objet nil ('%1')").arg(e.name));
    }
    case EExpr::New:
        fail(QStringLiteral(
                 "Impossible de créer un objet %1: cette classe n'est déclarée que pour la compilation")
                 .arg(e.name));
    case EExpr::Range:
    case EExpr::TypeRef:
        break;
    }
    return {};
}

TRunValue TScriptInterpreter::evalSet(const TExpr &e)
{
    TSetBits bits{};
    for (const auto &a : e.args) {
        std::int64_t lo, hi;
        if (a->kind == EExpr::Range) {
            lo = eval(*a->args[0]).ordinal();
            hi = eval(*a->args[1]).ordinal();
        } else {
            lo = hi = eval(*a).ordinal();
        }
        if (lo > hi)
            continue;
        if (lo < 0 || hi > 255)
            fail(QStringLiteral("Élément d'ensemble hors limites (0..255)"));
        for (std::int64_t v = lo; v <= hi; ++v)
            bits[size_t(v) >> 6] |= std::uint64_t(1) << (v & 63);
    }
    return TRunValue::fromSet(bits);
}

TRunValue TScriptInterpreter::evalCall(const TExpr &e)
{
    const TRoutine *r = e.routine;
    const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    if (m_depth >= m_limits.maxDepth || (m_stackBase > here && m_stackBase - here > kMaxRunStack))
        fail(QStringLiteral("Débordement de pile (plus de %1 appels imbriqués)").arg(m_depth));
    if (!r->body)
        fail(QStringLiteral("routine '%1' sans corps").arg(r->name));
    auto frame = newFrame(r->slotTypes);
    for (size_t n = 0; n < r->params.size(); ++n) {
        const TParamInfo &p = r->params[n];
        if (p.mode == EParamMode::Var || p.mode == EParamMode::Out) {
            const TLoc loc = locate(*e.args[n]);
            frame->set(n, TRunValue::ref(loc.store, std::int64_t(loc.index)));
        } else {
            TRunValue v = eval(*e.args[n]);
            frame->set(n, p.mode == EParamMode::Value ? v.cloned() : std::move(v));
        }
    }
    struct TRestore
    {
        TScriptInterpreter &self;
        std::shared_ptr<TStore> saved;
        ~TRestore()
        {
            self.m_frame = std::move(saved);
            --self.m_depth;
        }
    } restore{*this, m_frame};
    ++m_depth;
    m_frame = frame;
    const int callerLine = m_line;
    exec(*r->body);
    m_line = callerLine;
    if (r->resultSlot >= 0)
        return std::move(frame->items[size_t(r->resultSlot)]);
    return {};
}

TRunValue TScriptInterpreter::evalExternal(const TExpr &e)
{
    const TRoutine *r = e.routine;
    std::vector<TScriptValue> args;
    args.reserve(e.args.size());
    for (size_t n = 0; n < e.args.size(); ++n) {
        const TRunValue v = eval(*e.args[n]);
        switch (r->params[n].type->kind) {
        case ETypeKind::Float:
            args.emplace_back(v.asFloat());
            break;
        case ETypeKind::Boolean:
            args.emplace_back(v.b);
            break;
        case ETypeKind::String:
        case ETypeKind::Char:
            args.emplace_back(v.asString());
            break;
        default:
            args.emplace_back(v.ordinal());
            break;
        }
    }
    if (r->externalIndex < 0 || size_t(r->externalIndex) >= m_prog.externals.size() ||
        !m_prog.externals[size_t(r->externalIndex)])
        fail(QStringLiteral("méthode '%1' non disponible").arg(r->name));
    const int line = m_line;
    TScriptValue result;
    try {
        result = m_prog.externals[size_t(r->externalIndex)](args);
    } catch (EScriptRuntime &err) {
        m_line = line;
        fail(err.text);
    } catch (const std::exception &err) {
        m_line = line;
        fail(QString::fromUtf8(err.what()));
    }
    m_line = line;
    if (m_abort)
        fail(QStringLiteral("Script interrompu"));
    if (!r->result)
        return {};
    auto asInt = [&]() -> std::int64_t {
        if (auto *i = std::get_if<std::int64_t>(&result))
            return *i;
        if (auto *d = std::get_if<double>(&result))
            return std::isfinite(*d) && std::fabs(*d) < 9.2e18 ? std::int64_t(*d) : 0;
        if (auto *b = std::get_if<bool>(&result))
            return *b;
        return 0;
    };
    switch (r->result->kind) {
    case ETypeKind::Float: {
        if (auto *d = std::get_if<double>(&result))
            return TRunValue::fromFloat(*d);
        return TRunValue::fromFloat(double(asInt()));
    }
    case ETypeKind::Boolean:
        return TRunValue::fromBool(asInt() != 0);
    case ETypeKind::String: {
        if (auto *s = std::get_if<QString>(&result))
            return TRunValue::fromStr(*s);
        return TRunValue::fromStr(QString());
    }
    case ETypeKind::Char: {
        if (auto *s = std::get_if<QString>(&result))
            return TRunValue::fromChar(s->isEmpty() ? 0 : s->at(0).unicode());
        return TRunValue::fromChar(char16_t(asInt()));
    }
    default:
        return ordinalValue(r->result, asInt());
    }
}

TRunValue TScriptInterpreter::evalIntrinsic(const TExpr &e)
{
    const auto id = EIntrinsic(e.index);
    switch (id) {
    case EIntrinsic::Inc:
    case EIntrinsic::Dec: {
        const std::int64_t delta = e.args.size() > 1 ? eval(*e.args[1]).i : 1;
        const TLoc loc = locate(*e.args[0]);
        const std::int64_t v = loc.get().ordinal();
        const std::uint64_t nv = id == EIntrinsic::Inc ? std::uint64_t(v) + std::uint64_t(delta)
                                                       : std::uint64_t(v) - std::uint64_t(delta);
        loc.set(ordinalValue(e.args[0]->type, std::int64_t(nv)));
        return {};
    }
    case EIntrinsic::Delete: {
        const std::int64_t index = eval(*e.args[1]).i, count = eval(*e.args[2]).i;
        const TLoc loc = locate(*e.args[0]);
        QString s = loc.get().s;
        m_steps += s.size() >> 12;
        if (index >= 1 && index <= s.size() && count > 0) {
            s.remove(qsizetype(index - 1), qsizetype(std::min<std::int64_t>(count, s.size() - index + 1)));
            loc.set(TRunValue::fromStr(std::move(s)));
        }
        return {};
    }
    case EIntrinsic::Insert: {
        const QString src = eval(*e.args[0]).s;
        std::int64_t index = eval(*e.args[2]).i;
        const TLoc loc = locate(*e.args[1]);
        QString s = loc.get().s;
        m_account->checkString(std::int64_t(s.size()) + src.size());
        m_steps += (s.size() + src.size()) >> 12;
        index = std::clamp<std::int64_t>(index, 1, s.size() + 1);
        s.insert(qsizetype(index - 1), src);
        loc.set(TRunValue::fromStr(std::move(s)));
        return {};
    }
    case EIntrinsic::SetLength: {
        const std::int64_t count = std::max<std::int64_t>(0, eval(*e.args[1]).i);
        const TLoc loc = locate(*e.args[0]);
        const TScriptType *t = e.args[0]->type;
        m_steps += count >> 8;
        if (t->kind == ETypeKind::String) {
            m_account->checkString(count);
            QString s = loc.get().s;
            if (count < s.size())
                s.truncate(qsizetype(count));
            else
                s.append(QString(qsizetype(count - s.size()), QChar(0)));
            loc.set(TRunValue::fromStr(std::move(s)));
            return {};
        }
        if (count > (std::int64_t(1) << 40))
            fail(QStringLiteral("Mémoire insuffisante"));
        // A new array: another variable sharing the old one keeps it unchanged.
        const TRunValue old = loc.get();
        TRunValue r;
        r.k = TRunValue::K::Arr;
        r.p = std::make_shared<TStore>(m_account, size_t(count));
        const size_t keep = old.p ? std::min(old.p->items.size(), size_t(count)) : 0;
        for (size_t n = 0; n < keep; ++n)
            r.p->set(n, old.p->items[n].cloned());
        for (size_t n = keep; n < size_t(count); ++n)
            r.p->set(n, defaultValue(t->elem, m_account));
        loc.set(std::move(r));
        return {};
    }
    case EIntrinsic::Include:
    case EIntrinsic::Exclude: {
        const std::int64_t v = eval(*e.args[1]).ordinal();
        const TLoc loc = locate(*e.args[0]);
        if (v < 0 || v > 255)
            fail(QStringLiteral("Élément d'ensemble hors limites (0..255)"));
        TSetBits bits = loc.get().set ? *loc.get().set : TSetBits{};
        const std::uint64_t bit = std::uint64_t(1) << (v & 63);
        if (id == EIntrinsic::Include)
            bits[size_t(v) >> 6] |= bit;
        else
            bits[size_t(v) >> 6] &= ~bit;
        loc.set(TRunValue::fromSet(bits));
        return {};
    }
    case EIntrinsic::High:
    case EIntrinsic::Low:
    case EIntrinsic::Length: {
        const TRunValue v = eval(*e.args[0]);
        const std::int64_t len = v.k == TRunValue::K::Arr ? (v.p ? std::int64_t(v.p->items.size()) : 0)
                                                          : std::int64_t(v.asString().size());
        const bool isString = v.k != TRunValue::K::Arr;
        if (id == EIntrinsic::Length)
            return TRunValue::fromInt(len);
        if (id == EIntrinsic::High)
            return TRunValue::fromInt(isString ? len : len - 1);
        return TRunValue::fromInt(isString ? 1 : 0);
    }
    case EIntrinsic::Assigned: {
        const TRunValue v = eval(*e.args[0]);
        if (v.k == TRunValue::K::Arr)
            return TRunValue::fromBool(v.p && !v.p->items.empty());
        return TRunValue::fromBool(v.k != TRunValue::K::Nil && v.k != TRunValue::K::None);
    }
    default:
        break;
    }
    std::vector<TRunValue> args;
    args.reserve(e.args.size());
    for (const auto &a : e.args)
        args.push_back(eval(*a));
    TRunValue r;
    try {
        r = TScriptStdLib::call(id, args, m_account.get(), m_rng);
    } catch (EScriptRuntime &err) {
        fail(err.text);
    }
    if (r.k == TRunValue::K::Str)
        m_steps += r.s.size() >> 12;
    if (id == EIntrinsic::Succ || id == EIntrinsic::Pred)
        return ordinalValue(e.type, r.ordinal());
    return r;
}

} // namespace pscript
