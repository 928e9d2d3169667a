// Expressions of TScriptParser: operators with Pascal precedence, designators, calls, the
// standard routines' argument checks, implicit conversions and constant folding.
#include "script/TScriptInterpreter.h"
#include "script/TScriptParser.h"

namespace pscript {

namespace {
const int kMaxOperatorDepth = 1000;
const qsizetype kMaxConstString = 1 << 16;
} // namespace

TExprPtr TScriptParser::newExpr(EExpr kind, const TScriptType *type, const TToken &at)
{
    auto e = std::make_unique<TExpr>();
    e->kind = kind;
    e->type = type;
    e->line = at.line;
    e->col = at.col;
    return e;
}

TExprPtr TScriptParser::constant(const TScriptType *type, TRunValue v, const TToken &at)
{
    auto e = newExpr(EExpr::Const, type, at);
    e->value = std::move(v);
    return e;
}

TExprPtr TScriptParser::constExpr(const TScriptType **type)
{
    const TToken at = tok();
    TExprPtr e = fold(parseExpr());
    if (e->kind != EExpr::Const)
        errorAt(at, QStringLiteral("expression constante attendue"));
    if (type)
        *type = e->type;
    return e;
}

bool TScriptParser::sameType(const TScriptType *a, const TScriptType *b) const
{
    if (a == b)
        return true;
    if (!a || !b || a->kind != b->kind)
        return false;
    switch (a->kind) {
    case ETypeKind::Integer:
        return a->bits == b->bits && a->isSigned == b->isSigned;
    case ETypeKind::Float:
    case ETypeKind::Boolean:
    case ETypeKind::Char:
    case ETypeKind::String:
        return true;
    case ETypeKind::Enum:
        return a->enumNames == b->enumNames;
    case ETypeKind::DynArray:
        return sameType(a->elem, b->elem);
    case ETypeKind::Set:
        return !a->elem || !b->elem || sameType(a->elem, b->elem) ||
               (a->elem->kind == b->elem->kind && a->elem->kind != ETypeKind::Enum) ||
               (a->elem->kind == ETypeKind::Enum && a->elem->enumNames == b->elem->enumNames);
    default:
        return false;
    }
}

bool TScriptParser::isLValue(const TExpr &e) const
{
    switch (e.kind) {
    case EExpr::Var:
        return true;
    case EExpr::Field:
    case EExpr::StrIndex:
        return isLValue(*e.args[0]);
    case EExpr::Index:
        return e.args[0]->type->kind == ETypeKind::DynArray || isLValue(*e.args[0]);
    case EExpr::Member:
        return e.args.size() == 1 && e.index == 0;
    default:
        return false;
    }
}

bool TScriptParser::assignable(const TScriptType *target, const TExpr &e) const
{
    const TScriptType *src = e.type;
    if (sameType(target, src))
        return true;
    switch (target->kind) {
    case ETypeKind::Integer:
        return src->kind == ETypeKind::Integer;
    case ETypeKind::Float:
        return src->isNumeric();
    case ETypeKind::String:
        return src->kind == ETypeKind::Char;
    case ETypeKind::Char:
        return e.kind == EExpr::Const && src->kind == ETypeKind::String && e.value.s.size() == 1;
    case ETypeKind::Class:
        return src->kind == ETypeKind::Nil || (src->kind == ETypeKind::Class && src->inheritsFrom(target));
    case ETypeKind::DynArray:
        return src->kind == ETypeKind::Nil;
    default:
        return false;
    }
}

TExprPtr TScriptParser::coerce(TExprPtr e, const TScriptType *target, const TToken &at)
{
    if (!assignable(target, *e))
        errorAt(at,
                QStringLiteral("types incompatibles: '%1' et '%2'").arg(typeName(target), typeName(e->type)));
    const TScriptType *src = e->type;
    EConvert conv;
    if (target->kind == ETypeKind::Integer && src->kind == ETypeKind::Integer) {
        if (target->bits >= 64 || (src->low >= target->low && src->high <= target->high)) {
            return e;
        }
        conv = EConvert::Narrow;
    } else if (target->kind == ETypeKind::Float && src->kind == ETypeKind::Integer) {
        conv = EConvert::IntToFlt;
    } else if (target->kind == ETypeKind::String && src->kind == ETypeKind::Char) {
        conv = EConvert::CharToStr;
    } else if (target->kind == ETypeKind::Char && src->kind == ETypeKind::String) {
        return constant(m_char, TRunValue::fromChar(e->value.s[0].unicode()), at);
    } else if (target->kind == ETypeKind::DynArray && src->kind == ETypeKind::Nil) {
        return constant(target, defaultValue(target, nullptr), at);
    } else if (target->kind == ETypeKind::Set && src->kind == ETypeKind::Set) {
        e->type = src == m_emptySet ? target : src;
        return e;
    } else {
        return e;
    }
    auto c = newExpr(EExpr::Convert, target, at);
    c->index = int(conv);
    c->depth = e->depth + 1;
    c->args.push_back(std::move(e));
    return fold(std::move(c));
}

TExprPtr TScriptParser::fold(TExprPtr e)
{
    bool allConst = !e->args.empty();
    for (const auto &a : e->args)
        allConst = allConst && a->kind == EExpr::Const;
    if (!allConst)
        return e;
    try {
        TRunValue v;
        // Constant strings stay small: a longer one is left to the run and its memory cap.
        if (e->kind == EExpr::Binary && e->cls == EOpClass::Str &&
            e->args[0]->value.s.size() + e->args[1]->value.s.size() > kMaxConstString)
            return e;
        if (e->kind == EExpr::Binary)
            v = TScriptInterpreter::binaryOp(e->op, e->cls, e->args[0]->value, e->args[1]->value);
        else if (e->kind == EExpr::Unary)
            v = TScriptInterpreter::unaryOp(e->op, e->cls, e->args[0]->value);
        else if (e->kind == EExpr::Convert)
            v = TScriptInterpreter::convert(EConvert(e->index), e->type, e->args[0]->value);
        else
            return e;
        const TToken at{ETok::End, {}, {}, 0, 0, 0, e->line, e->col};
        return constant(e->type, std::move(v), at);
    } catch (const EScriptRuntime &) {
        return e; // left to the run: it fails there, if it ever runs
    }
}

// ---------------------------------------------------------------- operators

TExprPtr TScriptParser::parseExpr()
{
    enter();
    TExprPtr l = parseSimple();
    for (;;) {
        const TToken at = tok();
        EOp op;
        if (at.is("="))
            op = EOp::Eq;
        else if (at.is("<>"))
            op = EOp::Ne;
        else if (at.is("<"))
            op = EOp::Lt;
        else if (at.is(">"))
            op = EOp::Gt;
        else if (at.is("<="))
            op = EOp::Le;
        else if (at.is(">="))
            op = EOp::Ge;
        else if (at.is("in"))
            op = EOp::In;
        else
            break;
        next();
        l = binary(op, std::move(l), parseSimple(), at);
    }
    leave();
    return l;
}

TExprPtr TScriptParser::parseSimple()
{
    TExprPtr l = parseTerm();
    for (;;) {
        const TToken at = tok();
        EOp op;
        if (at.is("+"))
            op = EOp::Add;
        else if (at.is("-"))
            op = EOp::Sub;
        else if (at.is("or"))
            op = EOp::Or;
        else if (at.is("xor"))
            op = EOp::Xor;
        else
            break;
        next();
        l = binary(op, std::move(l), parseTerm(), at);
    }
    return l;
}

TExprPtr TScriptParser::parseTerm()
{
    TExprPtr l = parseFactor();
    for (;;) {
        const TToken at = tok();
        EOp op;
        if (at.is("*"))
            op = EOp::Mul;
        else if (at.is("/"))
            op = EOp::Divide;
        else if (at.is("div"))
            op = EOp::IntDiv;
        else if (at.is("mod"))
            op = EOp::Mod;
        else if (at.is("and"))
            op = EOp::And;
        else if (at.is("shl"))
            op = EOp::Shl;
        else if (at.is("shr"))
            op = EOp::Shr;
        else
            break;
        next();
        l = binary(op, std::move(l), parseFactor(), at);
    }
    return l;
}

TExprPtr TScriptParser::binary(EOp op, TExprPtr l, TExprPtr r, const TToken &at)
{
    const TScriptType *lt = l->type, *rt = r->type;
    auto bad = [&]() {
        errorAt(at, QStringLiteral("types incompatibles: '%1' et '%2'").arg(typeName(lt), typeName(rt)));
    };
    const TScriptType *result = nullptr;
    EOpClass cls = EOpClass::Int;
    const bool ints = lt->kind == ETypeKind::Integer && rt->kind == ETypeKind::Integer;
    const bool nums = lt->isNumeric() && rt->isNumeric();
    const bool strs = lt->isStringLike() && rt->isStringLike();
    const TScriptType *intResult =
        (lt->bits >= 64 && lt->low < 0) || (rt->bits >= 64 && rt->low < 0) || lt->bits > 32 || rt->bits > 32
            ? m_int64
            : m_int;
    auto toFloat = [&]() {
        l = coerce(std::move(l), m_double, at);
        r = coerce(std::move(r), m_double, at);
    };
    auto toString = [&]() {
        l = coerce(std::move(l), m_string, at);
        r = coerce(std::move(r), m_string, at);
    };
    switch (op) {
    case EOp::Add:
    case EOp::Sub:
    case EOp::Mul:
        if (ints) {
            result = intResult;
        } else if (nums) {
            toFloat();
            result = m_double;
            cls = EOpClass::Flt;
        } else if (op == EOp::Add && strs) {
            toString();
            result = m_string;
            cls = EOpClass::Str;
        } else if (lt->kind == ETypeKind::Set && rt->kind == ETypeKind::Set && sameType(lt, rt)) {
            result = lt == m_emptySet ? rt : lt;
            cls = EOpClass::Set;
        } else {
            bad();
        }
        break;
    case EOp::Divide:
        if (!nums)
            bad();
        toFloat();
        result = m_double;
        cls = EOpClass::Flt;
        break;
    case EOp::IntDiv:
    case EOp::Mod:
    case EOp::Shl:
        if (!ints)
            bad();
        result = intResult;
        break;
    case EOp::Shr:
        if (!ints)
            bad();
        result = intResult;
        cls = lt->bits <= 32 ? EOpClass::Int32 : EOpClass::Int;
        break;
    case EOp::And:
    case EOp::Or:
    case EOp::Xor:
        if (ints) {
            result = intResult;
        } else if (lt->kind == ETypeKind::Boolean && rt->kind == ETypeKind::Boolean) {
            result = m_bool;
            cls = EOpClass::Bool;
        } else {
            bad();
        }
        break;
    case EOp::In:
        if (rt->kind != ETypeKind::Set || !lt->isOrdinal())
            bad();
        if (rt->elem && !sameType(lt, rt->elem) &&
            !(lt->kind == ETypeKind::Integer && rt->elem->kind == ETypeKind::Integer))
            bad();
        result = m_bool;
        cls = EOpClass::Ord;
        break;
    default: // comparisons
        result = m_bool;
        if (ints || (lt->isOrdinal() && sameType(lt, rt)) ||
            (lt->kind == ETypeKind::Char && rt->kind == ETypeKind::Char)) {
            cls = EOpClass::Ord;
        } else if (nums) {
            toFloat();
            cls = EOpClass::Flt;
        } else if (strs) {
            toString();
            cls = EOpClass::Str;
        } else if (lt->kind == ETypeKind::Set && rt->kind == ETypeKind::Set && sameType(lt, rt) &&
                   op != EOp::Lt && op != EOp::Gt) {
            cls = EOpClass::Set;
        } else if ((op == EOp::Eq || op == EOp::Ne) &&
                   ((lt->kind == ETypeKind::Class || lt->kind == ETypeKind::Nil ||
                     lt->kind == ETypeKind::DynArray) &&
                    (rt->kind == ETypeKind::Class || rt->kind == ETypeKind::Nil ||
                     rt->kind == ETypeKind::DynArray))) {
            cls = EOpClass::Ref;
        } else {
            bad();
        }
    }
    auto e = newExpr(EExpr::Binary, result, at);
    e->op = op;
    e->cls = cls;
    e->depth = 1 + std::max(l->depth, r->depth);
    if (e->depth > kMaxOperatorDepth)
        errorAt(at, QStringLiteral("expression trop complexe"));
    e->args.push_back(std::move(l));
    e->args.push_back(std::move(r));
    return fold(std::move(e));
}

TExprPtr TScriptParser::unary(EOp op, TExprPtr e, const TToken &at)
{
    const TScriptType *t = e->type;
    auto u = newExpr(EExpr::Unary, t, at);
    if (op == EOp::Neg) {
        if (!t->isNumeric())
            errorAt(at, QStringLiteral("type numérique attendu"));
        u->cls = t->kind == ETypeKind::Float ? EOpClass::Flt : EOpClass::Int;
        if (t->kind == ETypeKind::Integer)
            u->type = t->bits > 32 ? m_int64 : m_int;
    } else {
        if (t->kind == ETypeKind::Boolean)
            u->cls = EOpClass::Bool;
        else if (t->kind == ETypeKind::Integer)
            u->cls = EOpClass::Int;
        else
            errorAt(at, QStringLiteral("type booléen ou entier attendu"));
    }
    u->op = op;
    u->depth = e->depth + 1;
    u->args.push_back(std::move(e));
    return fold(std::move(u));
}

// ---------------------------------------------------------------- factors

TExprPtr TScriptParser::parseFactor()
{
    enter();
    const TToken at = tok();
    TExprPtr e;
    switch (at.kind) {
    case ETok::Int:
        next();
        e = constant(at.ival >= INT32_MIN && at.ival <= INT32_MAX ? m_int : m_int64,
                     TRunValue::fromInt(at.ival), at);
        break;
    case ETok::Float:
        next();
        e = constant(m_double, TRunValue::fromFloat(at.fval), at);
        break;
    case ETok::String:
        next();
        if (at.text.size() == 1)
            e = constant(m_char, TRunValue::fromChar(at.text[0].unicode()), at);
        else
            e = constant(m_string, TRunValue::fromStr(at.text), at);
        break;
    case ETok::Symbol:
        if (accept("(")) {
            e = parseExpr();
            expect(")");
            e = parseSelectors(std::move(e));
        } else if (accept("-")) {
            e = unary(EOp::Neg, parseFactor(), at);
        } else if (accept("+")) {
            e = parseFactor();
            if (!e->type->isNumeric())
                errorAt(at, QStringLiteral("type numérique attendu"));
        } else if (accept("[")) {
            e = parseSetConstructor(at);
        } else {
            error(QStringLiteral("expression attendue mais '%1' trouvé").arg(at.text));
        }
        break;
    case ETok::Ident:
        if (at.is("not")) {
            next();
            e = unary(EOp::Not, parseFactor(), at);
        } else if (at.is("nil")) {
            next();
            e = constant(m_nil, TRunValue::nil(), at);
        } else if (isReservedWord(at.lower)) {
            error(QStringLiteral("expression attendue mais '%1' trouvé").arg(at.text));
        } else {
            next();
            if (TExprPtr w = withField(at))
                e = parseSelectors(std::move(w));
            else
                e = parseDesignator(at, lookup(at.lower));
        }
        break;
    case ETok::End:
        error(QStringLiteral("expression attendue mais fin du texte trouvée"));
    }
    leave();
    return e;
}

TExprPtr TScriptParser::withField(const TToken &identTok)
{
    for (auto it = m_with.rbegin(); it != m_with.rend(); ++it) {
        const TScriptType *t = it->type;
        auto base = [&]() {
            auto v = newExpr(EExpr::Var, t, identTok);
            v->slot = it->slot;
            v->global = it->global;
            v->byRef = it->byRef;
            return v;
        };
        if (t->kind == ETypeKind::Record) {
            const int fi = t->fieldIndex(identTok.text);
            if (fi >= 0) {
                auto f = newExpr(EExpr::Field, t->fields[size_t(fi)].type, identTok);
                f->index = fi;
                f->args.push_back(base());
                return f;
            }
        } else if (const TClassMember *m = t->findMember(identTok.text)) {
            return parseMemberCall(base(), *m, identTok);
        }
    }
    return nullptr;
}

TExprPtr TScriptParser::parseDesignator(const TToken &at, TSymbol *sym)
{
    if (!sym)
        errorAt(at, QStringLiteral("identificateur inconnu '%1'").arg(at.text));
    TExprPtr e;
    switch (sym->kind) {
    case TSymbol::S::Const:
        e = constant(sym->type, sym->value, at);
        break;
    case TSymbol::S::Var:
        e = newExpr(EExpr::Var, sym->type, at);
        e->slot = sym->slot;
        e->global = sym->global;
        e->byRef = sym->byRef;
        break;
    case TSymbol::S::Routine:
        e = parseCall(at, sym->routine, tok().is("("));
        break;
    case TSymbol::S::Intrinsic:
        e = parseIntrinsic(at, sym->intrinsic);
        break;
    case TSymbol::S::Type:
        if (tok().is("("))
            return parseSelectors(typeCast(at, sym->type));
        if (sym->type->kind == ETypeKind::Class && accept(".")) {
            const TToken mt = tok();
            const QString member = expectIdent();
            if (member.toLower() != QLatin1String("create"))
                errorAt(mt, QStringLiteral("seul le constructeur Create peut être appelé sur une classe"));
            if (accept("(")) {
                if (!tok().is(")")) {
                    do
                        parseExpr();
                    while (accept(","));
                }
                expect(")");
            }
            e = newExpr(EExpr::New, sym->type, at);
            e->name = sym->type->name;
            break;
        }
        errorAt(at, QStringLiteral("expression attendue mais type '%1' trouvé").arg(at.text));
    }
    return parseSelectors(std::move(e));
}

TExprPtr TScriptParser::typeCast(const TToken &at, const TScriptType *target)
{
    expect("(");
    const TToken vt = tok();
    TExprPtr v = parseExpr();
    expect(")");
    const TScriptType *src = v->type;
    auto c = newExpr(EExpr::Convert, target, at);
    if (target->isOrdinal() && src->isOrdinal()) {
        c->index = int(EConvert::OrdCast);
    } else if (assignable(target, *v)) {
        return coerce(std::move(v), target, vt);
    } else {
        errorAt(at,
                QStringLiteral("transtypage incorrect de '%1' en '%2'").arg(typeName(src), typeName(target)));
    }
    c->args.push_back(std::move(v));
    return fold(std::move(c));
}

TExprPtr TScriptParser::parseSelectors(TExprPtr e)
{
    for (;;) {
        const TToken at = tok();
        if (accept(".")) {
            const TToken ft = tok();
            const QString name = expectIdent();
            if (e->type->kind == ETypeKind::Record) {
                const int fi = e->type->fieldIndex(name);
                if (fi < 0)
                    errorAt(ft, QStringLiteral("champ inconnu '%1'").arg(name));
                auto f = newExpr(EExpr::Field, e->type->fields[size_t(fi)].type, ft);
                f->index = fi;
                f->args.push_back(std::move(e));
                e = std::move(f);
            } else if (e->type->kind == ETypeKind::Class) {
                const TClassMember *m = e->type->findMember(name);
                if (!m)
                    errorAt(ft, QStringLiteral("identificateur inconnu '%1'").arg(name));
                e = parseMemberCall(std::move(e), *m, ft);
            } else {
                errorAt(ft, QStringLiteral("record ou objet attendu avant '.%1'").arg(name));
            }
        } else if (accept("[")) {
            do {
                const TToken it = tok();
                TExprPtr index = parseExpr();
                const TScriptType *t = e->type;
                if (t->kind == ETypeKind::String) {
                    auto x = newExpr(EExpr::StrIndex, m_char, at);
                    x->args.push_back(std::move(e));
                    x->args.push_back(coerce(std::move(index), m_int64, it));
                    e = std::move(x);
                } else if (t->kind == ETypeKind::StaticArray || t->kind == ETypeKind::DynArray) {
                    if (!index->type->isOrdinal())
                        errorAt(it, QStringLiteral("index ordinal attendu"));
                    if (t->kind == ETypeKind::DynArray && index->type->kind != ETypeKind::Integer)
                        errorAt(it, QStringLiteral("index entier attendu"));
                    if (t->indexType && t->indexType->kind == ETypeKind::Enum &&
                        !sameType(t->indexType, index->type))
                        errorAt(it, QStringLiteral("types incompatibles: '%1' et '%2'")
                                        .arg(typeName(t->indexType), typeName(index->type)));
                    auto x = newExpr(EExpr::Index, t->elem, at);
                    x->args.push_back(std::move(e));
                    x->args.push_back(std::move(index));
                    e = std::move(x);
                } else {
                    errorAt(at, QStringLiteral("tableau ou chaîne attendu"));
                }
            } while (accept(","));
            expect("]");
        } else {
            return e;
        }
    }
}

TExprPtr TScriptParser::parseMemberCall(TExprPtr obj, const TClassMember &m, const TToken &at)
{
    auto e = newExpr(EExpr::Member, m.isProperty ? m.type : (m.type ? m.type : m_void), at);
    e->name = m.name;
    e->args.push_back(std::move(obj));
    if (m.isProperty && m.readOnly)
        e->index = 2; // read-only property
    if (!m.isProperty) {
        size_t n = 0;
        if (accept("(")) {
            if (!tok().is(")")) {
                do {
                    const TToken it = tok();
                    TExprPtr a = parseExpr();
                    if (n >= m.params.size())
                        errorAt(it, QStringLiteral("trop de paramètres"));
                    e->args.push_back(coerce(std::move(a), m.params[n++], it));
                } while (accept(","));
            }
            expect(")");
        }
        if (n < m.params.size())
            errorAt(at, QStringLiteral("paramètres insuffisants pour '%1'").arg(m.name));
        e->index = 1; // a method call
    }
    return e;
}

TExprPtr TScriptParser::parseSetConstructor(const TToken &at)
{
    auto e = newExpr(EExpr::SetCons, m_emptySet, at);
    const TScriptType *elem = nullptr;
    bool allConst = true;
    if (!tok().is("]")) {
        do {
            const TToken it = tok();
            TExprPtr lo = parseExpr();
            if (lo->type->kind == ETypeKind::String && lo->kind == EExpr::Const && lo->value.s.size() == 1)
                lo = coerce(std::move(lo), m_char, it);
            if (!lo->type->isOrdinal())
                errorAt(it, QStringLiteral("élément d'ensemble ordinal attendu"));
            if (!elem)
                elem = lo->type;
            else if (!sameType(elem, lo->type) &&
                     !(elem->kind == ETypeKind::Integer && lo->type->kind == ETypeKind::Integer))
                errorAt(it, QStringLiteral("types incompatibles: '%1' et '%2'")
                                .arg(typeName(elem), typeName(lo->type)));
            if (accept("..")) {
                const TToken ht = tok();
                TExprPtr hi = parseExpr();
                if (!sameType(lo->type, hi->type) &&
                    !(lo->type->kind == ETypeKind::Integer && hi->type->kind == ETypeKind::Integer))
                    errorAt(ht, QStringLiteral("types incompatibles: '%1' et '%2'")
                                    .arg(typeName(lo->type), typeName(hi->type)));
                auto r = newExpr(EExpr::Range, lo->type, it);
                allConst = allConst && lo->kind == EExpr::Const && hi->kind == EExpr::Const;
                r->args.push_back(std::move(lo));
                r->args.push_back(std::move(hi));
                e->args.push_back(std::move(r));
            } else {
                allConst = allConst && lo->kind == EExpr::Const;
                e->args.push_back(std::move(lo));
            }
        } while (accept(","));
    }
    expect("]");
    if (elem) {
        if (elem->kind == ETypeKind::Enum) {
            TScriptType *st = newType(ETypeKind::Set);
            st->elem = elem;
            e->type = st;
        } else if (elem->kind == ETypeKind::Char) {
            e->type = m_charSet;
        } else {
            e->type = m_byteSet;
        }
    }
    if (allConst) {
        TSetBits bits{};
        for (const auto &a : e->args) {
            const std::int64_t lo = (a->kind == EExpr::Range ? a->args[0]->value : a->value).ordinal();
            const std::int64_t hi = (a->kind == EExpr::Range ? a->args[1]->value : a->value).ordinal();
            if (lo < 0 || hi > 255)
                errorAt(at, QStringLiteral("élément d'ensemble hors limites (0..255)"));
            for (std::int64_t v = lo; v <= hi; ++v)
                bits[size_t(v) >> 6] |= std::uint64_t(1) << (v & 63);
        }
        return constant(e->type, TRunValue::fromSet(bits), at);
    }
    return e;
}

TExprPtr TScriptParser::parseArrayOfConst()
{
    const TToken at = tok();
    expect("[");
    auto e = newExpr(EExpr::ArrayOfConst, m_arrayOfConst, at);
    if (!tok().is("]")) {
        do {
            const TToken it = tok();
            TExprPtr a = parseExpr();
            const TScriptType *t = a->type;
            if (t->kind == ETypeKind::Char)
                a = coerce(std::move(a), m_string, it);
            else if (!t->isNumeric() && t->kind != ETypeKind::String && t->kind != ETypeKind::Boolean)
                errorAt(it, QStringLiteral("type de paramètre incorrect pour 'array of const'"));
            e->args.push_back(std::move(a));
        } while (accept(","));
    }
    expect("]");
    return e;
}

TStmtPtr TScriptParser::parseWith()
{
    const TToken at = tok();
    next();
    auto s = newStmt(EStmt::Compound, at);
    size_t pushed = 0;
    do {
        const TToken it = tok();
        TExprPtr target = parseExpr();
        const TScriptType *t = target->type;
        if (t->kind != ETypeKind::Record && t->kind != ETypeKind::Class)
            errorAt(it, QStringLiteral("record ou objet attendu"));
        const bool byRef = isLValue(*target) && t->kind == ETypeKind::Record;
        if (t->kind == ETypeKind::Record && !byRef)
            errorAt(it, QStringLiteral("variable attendue"));
        auto bind = newStmt(EStmt::WithBind, it);
        bind->slot = newSlot(nullptr, bind->global);
        bind->clone = !byRef;
        bind->a = std::move(target);
        m_with.push_back({t, bind->slot, bind->global, byRef});
        ++pushed;
        s->body.push_back(std::move(bind));
    } while (accept(","));
    expect("do");
    s->body.push_back(parseStatement());
    m_with.resize(m_with.size() - pushed);
    return s;
}

} // namespace pscript
