// Statements of TScriptParser.
#include "script/TScriptParser.h"

namespace pscript {

// ---------------------------------------------------------------- statements

TStmtPtr TScriptParser::newStmt(EStmt kind, const TToken &at)
{
    auto s = std::make_unique<TStmt>();
    s->kind = kind;
    s->line = at.line;
    s->col = at.col;
    return s;
}

TStmtPtr TScriptParser::parseCompound()
{
    const TToken at = tok();
    expect("begin");
    auto s = newStmt(EStmt::Compound, at);
    for (;;) {
        if (tok().is("end"))
            break;
        s->body.push_back(parseStatement());
        if (!accept(";"))
            break;
    }
    expect("end");
    return s;
}

TStmtPtr TScriptParser::parseStatement()
{
    enter();
    TStmtPtr s;
    const TToken &t = tok();
    if (t.is("begin"))
        s = parseCompound();
    else if (t.is("if"))
        s = parseIf();
    else if (t.is("while"))
        s = parseWhile();
    else if (t.is("repeat"))
        s = parseRepeat();
    else if (t.is("for"))
        s = parseFor();
    else if (t.is("case"))
        s = parseCase();
    else if (t.is("with"))
        s = parseWith();
    else if (t.is(";") || t.is("end") || t.is("until") || t.is("else"))
        s = newStmt(EStmt::Empty, t);
    else if (t.kind == ETok::Ident && !isReservedWord(t.lower))
        s = parseSimpleStatement();
    else if (t.is("try") || t.is("raise") || t.is("goto"))
        error(QStringLiteral("instruction non prise en charge '%1'").arg(t.text));
    else
        error(QStringLiteral("instruction attendue mais '%1' trouvé")
                  .arg(t.kind == ETok::End ? QStringLiteral("fin du texte") : t.text));
    leave();
    return s;
}

TStmtPtr TScriptParser::parseSimpleStatement()
{
    const TToken at = tok();
    const bool shadowed = lookup(at.lower) && lookup(at.lower)->kind != TSymbol::S::Intrinsic;
    if (!shadowed && (at.lower == QLatin1String("break") || at.lower == QLatin1String("continue"))) {
        if (m_loopDepth == 0)
            error(QStringLiteral("'%1' en dehors d'une boucle").arg(at.text));
        next();
        return newStmt(at.lower == QLatin1String("break") ? EStmt::Break : EStmt::Continue, at);
    }
    if (!shadowed && at.lower == QLatin1String("exit"))
        return parseExit();

    TExprPtr target;
    // Assigning to the function's own name sets its result.
    if (m_routine && m_routine->result && at.lower == m_routine->name.toLower() && peekTok().is(":=")) {
        next();
        target = newExpr(EExpr::Var, m_routine->result, at);
        target->slot = m_routine->resultSlot;
    } else {
        next();
        if (TExprPtr w = withField(at))
            target = parseSelectors(std::move(w));
        else
            target = parseDesignator(at, lookup(at.lower));
    }
    if (accept(":=")) {
        if (!isLValue(*target))
            errorAt(at, QStringLiteral("on ne peut pas affecter une valeur à cette expression"));
        auto s = newStmt(EStmt::Assign, at);
        const TToken vt = tok();
        TExprPtr value = parseExpr();
        value = coerce(std::move(value), target->type, vt);
        s->clone = target->type->kind == ETypeKind::Record || target->type->kind == ETypeKind::StaticArray;
        s->a = std::move(target);
        s->b = std::move(value);
        return s;
    }
    if (target->kind != EExpr::Call && target->kind != EExpr::ExtCall && target->kind != EExpr::Intrinsic &&
        target->kind != EExpr::Member && target->kind != EExpr::New)
        errorAt(at, QStringLiteral("instruction attendue"));
    auto s = newStmt(EStmt::Call, at);
    s->a = std::move(target);
    return s;
}

TStmtPtr TScriptParser::parseExit()
{
    const TToken at = tok();
    next();
    auto s = newStmt(EStmt::Exit, at);
    if (accept("(")) {
        if (!m_routine || !m_routine->result)
            errorAt(at, QStringLiteral("Exit avec une valeur hors d'une fonction"));
        const TToken vt = tok();
        s->a = coerce(parseExpr(), m_routine->result, vt);
        s->slot = m_routine->resultSlot;
        s->clone =
            m_routine->result->kind == ETypeKind::Record || m_routine->result->kind == ETypeKind::StaticArray;
        expect(")");
    }
    return s;
}

TStmtPtr TScriptParser::parseIf()
{
    const TToken at = tok();
    next();
    auto s = newStmt(EStmt::If, at);
    const TToken ct = tok();
    s->a = coerce(parseExpr(), m_bool, ct);
    expect("then");
    s->body.push_back(parseStatement());
    if (accept("else"))
        s->body.push_back(parseStatement());
    return s;
}

TStmtPtr TScriptParser::parseWhile()
{
    const TToken at = tok();
    next();
    auto s = newStmt(EStmt::While, at);
    const TToken ct = tok();
    s->a = coerce(parseExpr(), m_bool, ct);
    expect("do");
    ++m_loopDepth;
    s->body.push_back(parseStatement());
    --m_loopDepth;
    return s;
}

TStmtPtr TScriptParser::parseRepeat()
{
    const TToken at = tok();
    next();
    auto s = newStmt(EStmt::Repeat, at);
    ++m_loopDepth;
    for (;;) {
        if (tok().is("until"))
            break;
        s->body.push_back(parseStatement());
        if (!accept(";"))
            break;
    }
    --m_loopDepth;
    expect("until");
    const TToken ct = tok();
    s->a = coerce(parseExpr(), m_bool, ct);
    return s;
}

TStmtPtr TScriptParser::parseFor()
{
    const TToken at = tok();
    next();
    auto s = newStmt(EStmt::For, at);
    const TToken vt = tok();
    const QString name = expectIdent();
    TSymbol *sym = lookup(name.toLower());
    if (!sym)
        errorAt(vt, QStringLiteral("identificateur inconnu '%1'").arg(name));
    if (sym->kind != TSymbol::S::Var || sym->typedConst || !sym->type->isOrdinal())
        errorAt(vt, QStringLiteral("variable de contrôle de boucle incorrecte '%1'").arg(name));
    s->a = newExpr(EExpr::Var, sym->type, vt);
    s->a->slot = sym->slot;
    s->a->global = sym->global;
    s->a->byRef = sym->byRef;
    expect(":=");
    const TToken ft = tok();
    s->b = coerce(parseExpr(), sym->type, ft);
    if (accept("downto"))
        s->down = true;
    else
        expect("to");
    const TToken tt = tok();
    s->c = coerce(parseExpr(), sym->type, tt);
    expect("do");
    ++m_loopDepth;
    s->body.push_back(parseStatement());
    --m_loopDepth;
    return s;
}

TStmtPtr TScriptParser::parseCase()
{
    const TToken at = tok();
    next();
    auto s = newStmt(EStmt::Case, at);
    const TToken st = tok();
    s->a = parseExpr();
    const TScriptType *selType = s->a->type;
    if (selType->kind == ETypeKind::Char)
        s->a = coerce(std::move(s->a), m_string, st), selType = m_string;
    s->strCase = selType->kind == ETypeKind::String;
    if (!selType->isOrdinal() && !s->strCase)
        errorAt(st, QStringLiteral("expression ordinale ou chaîne attendue"));
    expect("of");
    while (!tok().is("else") && !tok().is("end")) {
        TCaseBranch b;
        do {
            const TToken lt = tok();
            TExprPtr lo = fold(coerce(constExpr(), selType, lt));
            TCaseLabel label;
            label.low = lo->value;
            label.high = lo->value;
            if (accept("..")) {
                const TToken ht = tok();
                TExprPtr hi = fold(coerce(constExpr(), selType, ht));
                label.high = hi->value;
            }
            b.labels.push_back(label);
        } while (accept(","));
        expect(":");
        b.body = parseStatement();
        s->branches.push_back(std::move(b));
        if (!accept(";"))
            break;
    }
    if (accept("else")) {
        auto e = newStmt(EStmt::Compound, tok());
        for (;;) {
            if (tok().is("end"))
                break;
            e->body.push_back(parseStatement());
            if (!accept(";"))
                break;
        }
        s->elseBody = std::move(e);
    }
    expect("end");
    return s;
}

} // namespace pscript
