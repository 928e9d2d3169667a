// Calls of TScriptParser: routines of the script, registered methods and the standard
// routines, with their argument checks and compile-time evaluation.
#include "script/TScriptInterpreter.h"
#include "script/TScriptParser.h"

namespace pscript {

namespace {
const qsizetype kMaxConstString = 1 << 16;
}

TExprPtr TScriptParser::parseCall(const TToken &at, TRoutine *r, bool hasParens)
{
    auto e =
        newExpr(r->externalIndex >= 0 ? EExpr::ExtCall : EExpr::Call, r->result ? r->result : m_void, at);
    e->routine = r;
    e->name = r->name;
    size_t n = 0;
    if (hasParens) {
        expect("(");
        if (!tok().is(")")) {
            do {
                const TToken it = tok();
                if (n >= r->params.size())
                    errorAt(it, QStringLiteral("trop de paramètres pour '%1'").arg(r->name));
                TExprPtr a = parseExpr();
                const TParamInfo &p = r->params[n++];
                if (p.mode == EParamMode::Var || p.mode == EParamMode::Out) {
                    if (!isLValue(*a) || a->kind == EExpr::StrIndex || a->kind == EExpr::Member)
                        errorAt(it, QStringLiteral("variable attendue pour le paramètre '%1'").arg(p.name));
                    if (!sameType(p.type, a->type))
                        errorAt(it, QStringLiteral("types incompatibles: '%1' et '%2'")
                                        .arg(typeName(p.type), typeName(a->type)));
                    e->args.push_back(std::move(a));
                } else {
                    e->args.push_back(coerce(std::move(a), p.type, it));
                }
            } while (accept(","));
        }
        expect(")");
    }
    if (n < r->params.size())
        errorAt(at, QStringLiteral("paramètres insuffisants pour '%1'").arg(r->name));
    return e;
}

TExprPtr TScriptParser::parseIntrinsic(const TToken &at, int id)
{
    const TIntrinsicInfo &info = intrinsicInfo(EIntrinsic(id));
    const QString codes = QString::fromLatin1(info.params);
    auto e = newExpr(EExpr::Intrinsic, m_void, at);
    e->index = id;
    e->name = QString::fromLatin1(info.name);
    if (accept("(")) {
        if (!tok().is(")")) {
            do {
                const TToken it = tok();
                const size_t n = e->args.size();
                if (n >= size_t(codes.size()))
                    errorAt(it, QStringLiteral("trop de paramètres pour '%1'").arg(e->name));
                const char code = codes[n].toLatin1();
                if (code == 'c' && tok().is("[")) {
                    e->args.push_back(parseArrayOfConst());
                    continue;
                }
                if (code == 't' && tok().kind == ETok::Ident) {
                    TSymbol *s = lookup(tok().lower);
                    if (s && s->kind == TSymbol::S::Type && !peekTok().is("(")) {
                        next();
                        auto t = newExpr(EExpr::TypeRef, s->type, it);
                        e->args.push_back(std::move(t));
                        continue;
                    }
                }
                TExprPtr a = parseExpr();
                const TScriptType *t = a->type;
                auto bad = [&]() {
                    errorAt(it, QStringLiteral("type de paramètre incorrect pour '%1'").arg(e->name));
                };
                switch (code) {
                case 's':
                    if (!t->isStringLike())
                        bad();
                    a = coerce(std::move(a), m_string, it);
                    break;
                case 'i':
                    if (t->kind != ETypeKind::Integer)
                        bad();
                    break;
                case 'f':
                    if (!t->isNumeric())
                        bad();
                    a = coerce(std::move(a), m_double, it);
                    break;
                case 'n':
                    if (!t->isNumeric())
                        bad();
                    break;
                case 'o':
                    if (!t->isOrdinal())
                        bad();
                    break;
                case 'O':
                    if (!t->isOrdinal() || !isLValue(*a) || a->kind == EExpr::StrIndex)
                        bad();
                    break;
                case 'S':
                    if (t->kind != ETypeKind::String || !isLValue(*a))
                        bad();
                    break;
                case 'A':
                    if ((t->kind != ETypeKind::String && t->kind != ETypeKind::DynArray) || !isLValue(*a))
                        bad();
                    break;
                case 'a':
                case 't':
                    if (t->kind == ETypeKind::Char && code == 'a')
                        a = coerce(std::move(a), m_string, it);
                    else if (!t->isStringLike() && t->kind != ETypeKind::StaticArray &&
                             t->kind != ETypeKind::DynArray && !(code == 't' && t->isOrdinal()))
                        bad();
                    break;
                case 'C':
                    if (!assignable(m_char, *a))
                        bad();
                    a = coerce(std::move(a), m_char, it);
                    break;
                case 'e':
                    if (t->kind != ETypeKind::Set || !isLValue(*a))
                        bad();
                    break;
                case 'c':
                    bad();
                    break;
                default:
                    break;
                }
                e->args.push_back(std::move(a));
            } while (accept(","));
        }
        expect(")");
    }
    if (e->args.size() < size_t(info.minArgs))
        errorAt(at, QStringLiteral("paramètres insuffisants pour '%1'").arg(e->name));
    const auto ie = EIntrinsic(id);
    if (ie == EIntrinsic::Include || ie == EIntrinsic::Exclude) {
        const TScriptType *st = e->args[0]->type;
        const TScriptType *vt = e->args[1]->type;
        if (!vt->isOrdinal() || (st->elem && !sameType(st->elem, vt) &&
                                 !(st->elem->kind == ETypeKind::Integer && vt->kind == ETypeKind::Integer)))
            errorAt(at, QStringLiteral("type de paramètre incorrect pour '%1'").arg(e->name));
    }
    if (ie == EIntrinsic::Assigned) {
        const ETypeKind k = e->args[0]->type->kind;
        if (k != ETypeKind::Class && k != ETypeKind::DynArray && k != ETypeKind::Nil)
            errorAt(at, QStringLiteral("type de paramètre incorrect pour '%1'").arg(e->name));
    }
    switch (info.result) {
    case 's':
        e->type = m_string;
        break;
    case 'i':
        e->type = m_int;
        break;
    case 'I':
        e->type = m_int64;
        break;
    case 'f':
        e->type = m_double;
        break;
    case 'b':
        e->type = m_bool;
        break;
    case 'c':
        e->type = m_char;
        break;
    case '=':
        e->type = e->args[0]->type;
        break;
    case 'r':
        e->type = e->args.empty() ? m_double : m_int;
        break;
    case 'm': {
        const bool i =
            e->args[0]->type->kind == ETypeKind::Integer && e->args[1]->type->kind == ETypeKind::Integer;
        e->type = i ? m_int64 : m_double;
        if (!i) {
            e->args[0] = coerce(std::move(e->args[0]), m_double, at);
            e->args[1] = coerce(std::move(e->args[1]), m_double, at);
        }
        break;
    }
    case 'h': {
        const bool high = ie == EIntrinsic::High;
        const TScriptType *t = e->args[0]->type;
        if (t->isOrdinal() || t->kind == ETypeKind::StaticArray) {
            const TScriptType *rt =
                t->kind == ETypeKind::StaticArray ? (t->indexType ? t->indexType : m_int) : t;
            if (rt->kind == ETypeKind::Integer && rt->bits < 64 && t->kind == ETypeKind::StaticArray)
                rt = m_int;
            const std::int64_t v = high ? t->high : t->low;
            TRunValue cv = rt->kind == ETypeKind::Boolean ? TRunValue::fromBool(v != 0)
                           : rt->kind == ETypeKind::Char  ? TRunValue::fromChar(char16_t(v))
                                                          : TRunValue::fromInt(v);
            return constant(rt, cv, at);
        }
        if (e->args[0]->kind == EExpr::TypeRef)
            errorAt(at, QStringLiteral("type de paramètre incorrect pour '%1'").arg(e->name));
        e->type = m_int;
        break;
    }
    default:
        e->type = m_void;
        break;
    }
    if (ie == EIntrinsic::Length && e->args[0]->type->kind == ETypeKind::StaticArray)
        return constant(m_int, TRunValue::fromInt(e->args[0]->type->arrayLength()), at);
    if (info.pure && ie != EIntrinsic::High && ie != EIntrinsic::Low) {
        bool allConst = true;
        for (const auto &a : e->args)
            allConst = allConst && a->kind == EExpr::Const && a->type->kind != ETypeKind::DynArray;
        if (allConst) {
            std::vector<TRunValue> vals;
            for (const auto &a : e->args)
                vals.push_back(a->value);
            try {
                std::mt19937_64 rng;
                TMemAccount account(kMaxConstString * 2);
                TRunValue v = TScriptStdLib::call(ie, vals, &account, rng);
                if (ie == EIntrinsic::Succ || ie == EIntrinsic::Pred || ie == EIntrinsic::Ord)
                    v = TScriptInterpreter::convert(EConvert::OrdCast, e->type, v);
                return constant(e->type, std::move(v), at);
            } catch (const EScriptRuntime &) {
                // fails at run time, if it runs
            }
        }
    }
    return e;
}

} // namespace pscript
