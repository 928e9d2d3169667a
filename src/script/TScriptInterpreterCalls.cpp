// Calls of TScriptInterpreter: routines of the script, registered methods and the standard
// routines.
#include "script/TScriptInterpreter.h"

#include "script/TScriptStdLib.h"

#include <algorithm>
#include <cmath>

namespace pscript {

namespace {
const std::uintptr_t kMaxRunStack = 4 * 1024 * 1024;
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
    checkIdle();
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
