// Expressions of TScriptInterpreter: the pure operations (shared with the parser's constant
// folding), reading values and locating assignable places.
#include "script/TScriptInterpreter.h"

namespace pscript {

namespace {
[[noreturn]] void divByZero()
{
    throw EScriptRuntime(QStringLiteral("Division par zéro"));
}

// The six comparisons; false when op is none of them.
template <class T> bool compare(EOp op, T x, T y, bool &result)
{
    switch (op) {
    case EOp::Eq:
        result = x == y;
        return true;
    case EOp::Ne:
        result = x != y;
        return true;
    case EOp::Lt:
        result = x < y;
        return true;
    case EOp::Gt:
        result = x > y;
        return true;
    case EOp::Le:
        result = x <= y;
        return true;
    case EOp::Ge:
        result = x >= y;
        return true;
    default:
        return false;
    }
}
} // namespace

TRunValue TScriptInterpreter::ordinalValue(const TScriptType *t, std::int64_t v)
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
        if (bool r; compare(op, x, y, r))
            return R::fromBool(r);
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
        default:
            break;
        }
        break;
    }
    case EOpClass::Str: {
        if (op == EOp::Add)
            return R::fromStr(a.s + b.s);
        if (bool r; compare(op, a.s.compare(b.s), 0, r))
            return R::fromBool(r);
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
        if (bool r; compare(op, x, y, r))
            return R::fromBool(r);
        switch (op) {
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

} // namespace pscript
