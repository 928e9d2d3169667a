#include "script/TScriptParser.h"

namespace pscript {

namespace {
const int kMaxNesting = 200;
const std::uintptr_t kMaxParserStack = 2 * 1024 * 1024;
const std::int64_t kMaxStaticArray = 16 * 1024 * 1024;
} // namespace

TScriptParser::TScriptParser(TScriptProgram &program) : m_prog(program)
{
    m_stackBase = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    m_scopes.emplace_back();
    addBuiltins();
}

// ---------------------------------------------------------------- tokens and errors

void TScriptParser::setTokens(std::vector<TToken> tokens)
{
    m_toks = std::move(tokens);
    if (m_toks.empty() || m_toks.back().kind != ETok::End)
        m_toks.push_back(TToken{});
    m_pos = 0;
}

const TToken &TScriptParser::peekTok(int ahead) const
{
    const size_t at = std::min(m_pos + size_t(ahead), m_toks.size() - 1);
    return m_toks[at];
}

bool TScriptParser::accept(const char *sym)
{
    if (tok().is(sym)) {
        next();
        return true;
    }
    return false;
}

void TScriptParser::expect(const char *sym)
{
    if (!accept(sym)) {
        const QString found = tok().kind == ETok::End ? QStringLiteral("fin du texte") : tok().text;
        error(QStringLiteral("'%1' attendu mais '%2' trouvé").arg(QString::fromLatin1(sym), found));
    }
}

QString TScriptParser::expectIdent()
{
    if (tok().kind != ETok::Ident || isReservedWord(tok().lower))
        error(QStringLiteral("identificateur attendu mais '%1' trouvé")
                  .arg(tok().kind == ETok::End ? QStringLiteral("fin du texte") : tok().text));
    const QString name = tok().text;
    next();
    return name;
}

void TScriptParser::error(const QString &text) const
{
    errorAt(tok(), text);
}

void TScriptParser::errorAt(const TToken &t, const QString &text) const
{
    throw ECompileError{text, t.file, t.line, t.col};
}

void TScriptParser::enter()
{
    ++m_depth;
    const auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    if (m_depth > kMaxNesting || (m_stackBase > here && m_stackBase - here > kMaxParserStack))
        error(QStringLiteral("imbrication trop profonde"));
}

// ---------------------------------------------------------------- scopes and types

TSymbol *TScriptParser::lookup(const QString &lower)
{
    for (auto it = m_scopes.rbegin(); it != m_scopes.rend(); ++it) {
        auto found = it->find(lower);
        if (found != it->end())
            return &found.value();
    }
    return nullptr;
}

void TScriptParser::declare(const TToken &at, const QString &name, TSymbol sym)
{
    const QString lower = name.toLower();
    if (m_scopes.back().contains(lower) || isReservedWord(lower))
        errorAt(at, QStringLiteral("identificateur redéclaré '%1'").arg(name));
    if (m_routine && m_scopes.size() > 2 && lower == QLatin1String("result") && m_routine->result)
        errorAt(at, QStringLiteral("identificateur redéclaré '%1'").arg(name));
    m_scopes.back().insert(lower, std::move(sym));
}

int TScriptParser::newSlot(const TScriptType *type, bool &global)
{
    global = m_routine == nullptr;
    auto &types = global ? m_prog.globalTypes : m_routine->slotTypes;
    types.push_back(type);
    return int(types.size()) - 1;
}

TScriptType *TScriptParser::newType(ETypeKind kind, const QString &name)
{
    auto t = std::make_unique<TScriptType>();
    t->kind = kind;
    t->name = name;
    m_prog.types.push_back(std::move(t));
    return m_prog.types.back().get();
}

const TScriptType *TScriptParser::integerType(const QString &name, int bits, bool isSigned)
{
    TScriptType *t = newType(ETypeKind::Integer, name);
    t->bits = bits;
    t->isSigned = isSigned;
    if (bits == 64) {
        t->low = std::numeric_limits<std::int64_t>::min();
        t->high = std::numeric_limits<std::int64_t>::max();
    } else if (isSigned) {
        t->low = -(std::int64_t(1) << (bits - 1));
        t->high = (std::int64_t(1) << (bits - 1)) - 1;
    } else {
        t->low = 0;
        t->high = (std::int64_t(1) << bits) - 1;
    }
    return t;
}

const TScriptType *TScriptParser::builtin(const char *lowerName) const
{
    return m_builtins.value(QString::fromLatin1(lowerName));
}

void TScriptParser::addBuiltins()
{
    auto add = [&](const char *name, const TScriptType *t) {
        m_builtins.insert(QString::fromLatin1(name).toLower(), t);
        TSymbol s;
        s.kind = TSymbol::S::Type;
        s.type = t;
        m_scopes[0].insert(QString::fromLatin1(name).toLower(), s);
    };
    m_int = integerType(QStringLiteral("Integer"), 32, true);
    m_int64 = integerType(QStringLiteral("Int64"), 64, true);
    add("Integer", m_int);
    add("Longint", m_int);
    add("Int64", m_int64);
    add("Cardinal", integerType(QStringLiteral("Cardinal"), 32, false));
    add("LongWord", builtin("cardinal"));
    add("DWord", builtin("cardinal"));
    add("Word", integerType(QStringLiteral("Word"), 16, false));
    add("Byte", integerType(QStringLiteral("Byte"), 8, false));
    add("SmallInt", integerType(QStringLiteral("SmallInt"), 16, true));
    add("ShortInt", integerType(QStringLiteral("ShortInt"), 8, true));
    add("TColor", m_int);
    TScriptType *dbl = newType(ETypeKind::Float, QStringLiteral("Double"));
    m_double = dbl;
    add("Double", dbl);
    add("Extended", dbl);
    add("Single", dbl);
    add("Real", dbl);
    add("Currency", dbl);
    add("TDateTime", dbl);
    TScriptType *b = newType(ETypeKind::Boolean, QStringLiteral("Boolean"));
    b->low = 0;
    b->high = 1;
    m_bool = b;
    add("Boolean", b);
    TScriptType *c = newType(ETypeKind::Char, QStringLiteral("Char"));
    c->low = 0;
    c->high = 0xFFFF;
    m_char = c;
    add("Char", c);
    add("WideChar", c);
    add("AnsiChar", c);
    m_string = newType(ETypeKind::String, QStringLiteral("string"));
    add("string", m_string);
    add("widestring", m_string);
    add("AnsiString", m_string);
    add("UnicodeString", m_string);
    m_nil = newType(ETypeKind::Nil, QStringLiteral("nil"));
    m_void = newType(ETypeKind::Void, QString());
    TScriptType *es = newType(ETypeKind::Set, QStringLiteral("set"));
    m_emptySet = es;
    m_arrayOfConst = newType(ETypeKind::ArrayOfConst, QStringLiteral("array of const"));
    TScriptType *bs = newType(ETypeKind::Set, QStringLiteral("set of Byte"));
    bs->elem = builtin("byte");
    m_byteSet = bs;
    TScriptType *cs = newType(ETypeKind::Set, QStringLiteral("set of Char"));
    cs->elem = m_char;
    m_charSet = cs;

    TSymbol t;
    t.kind = TSymbol::S::Const;
    t.type = m_bool;
    t.value = TRunValue::fromBool(true);
    m_scopes[0].insert(QStringLiteral("true"), t);
    t.value = TRunValue::fromBool(false);
    m_scopes[0].insert(QStringLiteral("false"), t);
    t.type = m_int;
    t.value = TRunValue::fromInt(2147483647);
    m_scopes[0].insert(QStringLiteral("maxint"), t);
    for (int i = 0; i < int(EIntrinsic::Count); ++i) {
        TSymbol s;
        s.kind = TSymbol::S::Intrinsic;
        s.intrinsic = i;
        m_scopes[0].insert(QString::fromLatin1(intrinsicInfo(EIntrinsic(i)).name).toLower(), s);
    }
}

QString TScriptParser::typeName(const TScriptType *t) const
{
    if (!t)
        return QStringLiteral("?");
    if (!t->name.isEmpty())
        return t->name;
    switch (t->kind) {
    case ETypeKind::Enum:
        return QStringLiteral("énumération");
    case ETypeKind::Set:
        return QStringLiteral("ensemble");
    case ETypeKind::Record:
        return QStringLiteral("record");
    case ETypeKind::StaticArray:
    case ETypeKind::DynArray:
        return QStringLiteral("tableau");
    case ETypeKind::Integer:
        return QStringLiteral("entier");
    default:
        return QStringLiteral("?");
    }
}

// ---------------------------------------------------------------- registration

bool TScriptParser::registerMethod(const QString &declaration, int externalIndex, QString &errorText)
{
    TScriptLexer lexer{QString()};
    std::vector<TToken> toks;
    TScriptMessage msg;
    if (!lexer.tokenize(declaration, toks, msg)) {
        errorText = msg.text;
        return false;
    }
    setTokens(std::move(toks));
    try {
        const bool isFunction = tok().is("function");
        if (!isFunction && !tok().is("procedure"))
            error(QStringLiteral("'procedure' ou 'function' attendu"));
        next();
        QString name;
        const TToken at = tok();
        TRoutine *r = parseRoutineHeader(isFunction, true, name);
        accept(";");
        if (tok().kind != ETok::End)
            error(QStringLiteral("fin de déclaration attendue"));
        auto okType = [](const TScriptType *t) {
            return t->isOrdinal() || t->kind == ETypeKind::Float || t->kind == ETypeKind::String;
        };
        for (const TParamInfo &p : r->params)
            if (!okType(p.type) || p.mode == EParamMode::Var || p.mode == EParamMode::Out)
                errorAt(at, QStringLiteral("type de paramètre non pris en charge pour '%1'").arg(p.name));
        if (r->result && !okType(r->result))
            errorAt(at, QStringLiteral("type de résultat non pris en charge"));
        r->externalIndex = externalIndex;
        r->defined = true;
        TSymbol s;
        s.kind = TSymbol::S::Routine;
        s.routine = r;
        declare(at, name, s);
        return true;
    } catch (const ECompileError &e) {
        errorText = e.text;
        return false;
    }
}

bool TScriptParser::registerConstant(const QString &name, const QString &typeNameText, const TRunValue &value,
                                     QString &errorText)
{
    TSymbol *t = lookup(typeNameText.toLower());
    if (!t || t->kind != TSymbol::S::Type) {
        errorText = QStringLiteral("type inconnu '%1'").arg(typeNameText);
        return false;
    }
    if (name.isEmpty() || m_scopes.back().contains(name.toLower())) {
        errorText = QStringLiteral("identificateur redéclaré '%1'").arg(name);
        return false;
    }
    TSymbol s;
    s.kind = TSymbol::S::Const;
    s.type = t->type;
    s.value = value;
    if (t->type->kind == ETypeKind::Float && value.k == TRunValue::K::Int)
        s.value = TRunValue::fromFloat(double(value.i));
    m_scopes.back().insert(name.toLower(), s);
    return true;
}

bool TScriptParser::registerType(const QString &name, const QString &definition, QString &errorText)
{
    return registerDeclarations(
        QStringLiteral("type ") + name + QStringLiteral(" = ") + definition +
            (definition.trimmed().endsWith(QLatin1Char(';')) ? QString() : QStringLiteral(";")),
        errorText);
}

bool TScriptParser::registerDeclarations(const QString &text, QString &errorText)
{
    TScriptLexer lexer{QString()};
    std::vector<TToken> toks;
    TScriptMessage msg;
    if (!lexer.tokenize(text, toks, msg)) {
        errorText = msg.text;
        return false;
    }
    setTokens(std::move(toks));
    m_allowClasses = true;
    try {
        parseDeclarations(true);
        if (tok().kind != ETok::End)
            error(QStringLiteral("déclaration attendue"));
    } catch (const ECompileError &e) {
        m_allowClasses = false;
        errorText = QStringLiteral("(%1:%2): %3").arg(e.line).arg(e.col).arg(e.text);
        return false;
    }
    m_allowClasses = false;
    return true;
}

// ---------------------------------------------------------------- program and declarations

void TScriptParser::parseProgram(std::vector<TToken> tokens)
{
    setTokens(std::move(tokens));
    m_scopes.emplace_back(); // the script's own globals may hide registered names
    if (accept("program")) {
        expectIdent();
        expect(";");
    }
    if (accept("uses")) {
        do
            expectIdent();
        while (accept(","));
        expect(";");
    }
    parseDeclarations(true);
    for (const auto &r : m_prog.routines)
        if (!r->defined && r->externalIndex < 0)
            errorAt(tok(), QStringLiteral("déclaration forward non résolue '%1'").arg(r->name));
    if (!tok().is("begin"))
        error(QStringLiteral("'begin' attendu mais '%1' trouvé")
                  .arg(tok().kind == ETok::End ? QStringLiteral("fin du texte") : tok().text));
    m_prog.main = parseCompound();
    expect(".");
}

void TScriptParser::parseDeclarations(bool global)
{
    for (;;) {
        if (tok().is("const"))
            parseConstSection();
        else if (tok().is("type"))
            parseTypeSection();
        else if (tok().is("var"))
            parseVarSection(global);
        else if (global && (tok().is("procedure") || tok().is("function")))
            parseRoutine();
        else if (!global && (tok().is("procedure") || tok().is("function")))
            error(QStringLiteral("les routines imbriquées ne sont pas prises en charge"));
        else
            return;
    }
}

void TScriptParser::parseConstSection()
{
    next();
    do {
        const TToken at = tok();
        const QString name = expectIdent();
        const TScriptType *declared = nullptr;
        if (accept(":"))
            declared = parseType();
        expect("=");
        TExprPtr e = constExpr();
        TSymbol s;
        if (declared) {
            // A typed constant: an initialised variable.
            e = coerce(std::move(e), declared, at);
            e = fold(std::move(e));
            if (e->kind != EExpr::Const)
                errorAt(at, QStringLiteral("expression constante attendue"));
            s.kind = TSymbol::S::Var;
            s.type = declared;
            s.typedConst = true;
            s.slot = newSlot(declared, s.global);
            if (!s.global)
                errorAt(at, QStringLiteral("constante typée locale non prise en charge"));
            m_prog.globalInits.emplace_back(s.slot, e->value);
        } else {
            s.kind = TSymbol::S::Const;
            s.type = e->type;
            s.value = e->value;
        }
        declare(at, name, s);
        expect(";");
    } while (tok().kind == ETok::Ident && !isReservedWord(tok().lower));
}

void TScriptParser::parseTypeSection()
{
    next();
    do {
        const TToken at = tok();
        const QString name = expectIdent();
        expect("=");
        const TScriptType *t = parseType(name);
        TSymbol s;
        s.kind = TSymbol::S::Type;
        s.type = t;
        // An alias keeps the type (and its name); a new definition takes the declared name.
        if (t->name.isEmpty())
            const_cast<TScriptType *>(t)->name = name;
        declare(at, name, s);
        expect(";");
    } while (tok().kind == ETok::Ident && !isReservedWord(tok().lower));
}

void TScriptParser::parseVarSection(bool global)
{
    next();
    do {
        std::vector<std::pair<TToken, QString>> names;
        do {
            const TToken at = tok();
            names.emplace_back(at, expectIdent());
        } while (accept(","));
        expect(":");
        const TScriptType *t = parseType();
        if (t->kind == ETypeKind::Void || t->kind == ETypeKind::ArrayOfConst)
            error(QStringLiteral("type de variable incorrect"));
        for (auto &[at, name] : names) {
            TSymbol s;
            s.kind = TSymbol::S::Var;
            s.type = t;
            s.slot = newSlot(t, s.global);
            declare(at, name, s);
        }
        if (global && accept("=")) {
            if (names.size() != 1)
                error(QStringLiteral("une seule variable peut être initialisée"));
            const TToken at = tok();
            TExprPtr e = fold(coerce(constExpr(), t, at));
            if (e->kind != EExpr::Const)
                errorAt(at, QStringLiteral("expression constante attendue"));
            m_prog.globalInits.emplace_back(lookup(names[0].second.toLower())->slot, e->value);
        }
        expect(";");
    } while (tok().kind == ETok::Ident && !isReservedWord(tok().lower));
    (void)global;
}

TRoutine *TScriptParser::parseRoutineHeader(bool isFunction, bool registration, QString &name)
{
    const TToken at = tok();
    name = expectIdent();
    auto r = std::make_unique<TRoutine>();
    r->name = name;
    r->line = at.line;
    r->col = at.col;
    if (accept("(")) {
        if (!tok().is(")")) {
            do {
                EParamMode mode = EParamMode::Value;
                if (accept("const"))
                    mode = EParamMode::Const;
                else if (accept("var"))
                    mode = EParamMode::Var;
                else if (accept("out"))
                    mode = EParamMode::Out;
                std::vector<QString> names;
                do
                    names.push_back(expectIdent());
                while (accept(","));
                expect(":");
                const TScriptType *t = nullptr;
                if (tok().is("array") && peekTok().is("of")) {
                    next();
                    next();
                    if (accept("const")) {
                        t = m_arrayOfConst;
                    } else {
                        TScriptType *dyn = newType(ETypeKind::DynArray);
                        dyn->elem = parseType();
                        t = dyn;
                    }
                } else {
                    t = parseType();
                }
                for (const QString &n : names)
                    r->params.push_back({n, t, mode});
            } while (accept(";"));
        }
        expect(")");
    }
    if (isFunction) {
        expect(":");
        r->result = parseType();
        if (r->result->kind == ETypeKind::Void)
            error(QStringLiteral("type de résultat incorrect"));
    }
    if (!registration) {
        for (const TParamInfo &p : r->params)
            r->slotTypes.push_back(p.type);
        if (r->result) {
            r->slotTypes.push_back(r->result);
            r->resultSlot = int(r->slotTypes.size()) - 1;
        }
    }
    m_prog.routines.push_back(std::move(r));
    return m_prog.routines.back().get();
}

bool TScriptParser::sameSignature(const TRoutine &a, const TRoutine &b) const
{
    if (a.params.size() != b.params.size() || !sameType(a.result, b.result))
        return false;
    for (size_t i = 0; i < a.params.size(); ++i)
        if (a.params[i].mode != b.params[i].mode || !sameType(a.params[i].type, b.params[i].type))
            return false;
    return true;
}

void TScriptParser::parseRoutine()
{
    const bool isFunction = tok().is("function");
    next();
    const TToken at = tok();
    QString name;
    TRoutine *r = parseRoutineHeader(isFunction, false, name);
    expect(";");
    TSymbol *existing = m_scopes.back().contains(name.toLower()) ? &m_scopes.back()[name.toLower()] : nullptr;
    if (existing && existing->kind == TSymbol::S::Routine && !existing->routine->defined &&
        existing->routine->externalIndex < 0) {
        // The body of a forward declaration: same signature, the first routine object is kept.
        if (!sameSignature(*existing->routine, *r))
            errorAt(at, QStringLiteral("la déclaration de '%1' diffère de la déclaration forward").arg(name));
        existing->routine->params = r->params; // parameter names of the body
        existing->routine->slotTypes = r->slotTypes;
        m_prog.routines.pop_back();
        r = existing->routine;
    } else {
        TSymbol s;
        s.kind = TSymbol::S::Routine;
        s.routine = r;
        declare(at, name, s);
    }
    if (tok().is("forward")) {
        next();
        expect(";");
        return;
    }
    m_routine = r;
    m_scopes.emplace_back();
    for (size_t i = 0; i < r->params.size(); ++i) {
        TSymbol p;
        p.kind = TSymbol::S::Var;
        p.type = r->params[i].type;
        p.slot = int(i);
        p.byRef = r->params[i].mode == EParamMode::Var || r->params[i].mode == EParamMode::Out;
        declare(at, r->params[i].name, p);
    }
    if (r->result) {
        TSymbol res;
        res.kind = TSymbol::S::Var;
        res.type = r->result;
        res.slot = r->resultSlot;
        m_scopes.back().insert(QStringLiteral("result"), res);
    }
    parseDeclarations(false);
    if (!tok().is("begin"))
        error(QStringLiteral("'begin' attendu mais '%1' trouvé")
                  .arg(tok().kind == ETok::End ? QStringLiteral("fin du texte") : tok().text));
    r->defined = true; // recursion inside the body is allowed
    r->body = parseCompound();
    expect(";");
    m_scopes.pop_back();
    m_routine = nullptr;
}

std::int64_t TScriptParser::constOrdinal(const TScriptType **type)
{
    const TToken at = tok();
    const TScriptType *t = nullptr;
    TExprPtr e = constExpr(&t);
    if (!t->isOrdinal())
        errorAt(at, QStringLiteral("expression ordinale attendue"));
    if (type)
        *type = t;
    return e->value.ordinal();
}

const TScriptType *TScriptParser::parseType(const QString &name)
{
    enter();
    const TToken at = tok();
    const TScriptType *result = nullptr;
    if (accept("(")) {
        TScriptType *t = newType(ETypeKind::Enum);
        std::int64_t v = 0;
        do {
            const TToken et = tok();
            const QString en = expectIdent();
            t->enumNames << en;
            TSymbol s;
            s.kind = TSymbol::S::Const;
            s.type = t;
            s.value = TRunValue::fromInt(v++);
            declare(et, en, s);
        } while (accept(","));
        expect(")");
        t->low = 0;
        t->high = v - 1;
        result = t;
    } else if (accept("record")) {
        TScriptType *t = newType(ETypeKind::Record);
        while (!tok().is("end")) {
            std::vector<QString> names;
            do {
                const TToken ft = tok();
                const QString fn = expectIdent();
                for (const TFieldInfo &f : t->fields)
                    if (f.name.compare(fn, Qt::CaseInsensitive) == 0)
                        errorAt(ft, QStringLiteral("identificateur redéclaré '%1'").arg(fn));
                names.push_back(fn);
            } while (accept(","));
            expect(":");
            const TScriptType *ft = parseType();
            for (const QString &fn : names)
                t->fields.push_back({fn, ft});
            if (!accept(";"))
                break;
        }
        expect("end");
        result = t;
    } else if (accept("set")) {
        expect("of");
        const TToken et = tok();
        const TScriptType *elem = parseType();
        if (!elem->isOrdinal() || elem->low < 0 || elem->high > 255)
            errorAt(et, QStringLiteral("les ensembles ne peuvent avoir que 256 éléments au plus"));
        TScriptType *t = newType(ETypeKind::Set);
        t->elem = elem;
        result = t;
    } else if (accept("array")) {
        if (accept("[")) {
            // array[a..b, c..d] of T is array[a..b] of array[c..d] of T.
            std::vector<std::pair<std::int64_t, std::int64_t>> dims;
            std::vector<const TScriptType *> indexTypes;
            do {
                const TToken it = tok();
                TSymbol *s = tok().kind == ETok::Ident ? lookup(tok().lower) : nullptr;
                if (s && s->kind == TSymbol::S::Type && !peekTok().is("..")) {
                    next();
                    if (!s->type->isOrdinal() || std::uint64_t(s->type->high) - std::uint64_t(s->type->low) >=
                                                     std::uint64_t(kMaxStaticArray))
                        errorAt(it, QStringLiteral("type d'index incorrect"));
                    dims.emplace_back(s->type->low, s->type->high);
                    indexTypes.push_back(s->type);
                } else {
                    const TScriptType *lt = nullptr;
                    const std::int64_t lo = constOrdinal(&lt);
                    expect("..");
                    const std::int64_t hi = constOrdinal();
                    if (hi < lo || std::uint64_t(hi) - std::uint64_t(lo) >= std::uint64_t(kMaxStaticArray))
                        errorAt(it, QStringLiteral("bornes de tableau incorrectes"));
                    dims.emplace_back(lo, hi);
                    indexTypes.push_back(lt);
                }
            } while (accept(","));
            expect("]");
            expect("of");
            const TScriptType *elem = parseType();
            for (size_t d = dims.size(); d-- > 0;) {
                TScriptType *t = newType(ETypeKind::StaticArray);
                t->low = dims[d].first;
                t->high = dims[d].second;
                t->elem = elem;
                t->indexType = indexTypes[d];
                elem = t;
            }
            result = elem;
        } else {
            expect("of");
            TScriptType *t = newType(ETypeKind::DynArray);
            t->elem = parseType();
            result = t;
        }
    } else if (tok().is("class")) {
        if (!m_allowClasses)
            error(QStringLiteral("les déclarations de classes ne sont pas prises en charge dans un script"));
        result = parseClassType(name);
    } else if (tok().kind == ETok::Ident && !isReservedWord(tok().lower) && !peekTok().is("..")) {
        TSymbol *s = lookup(tok().lower);
        if (!s)
            error(QStringLiteral("identificateur inconnu '%1'").arg(tok().text));
        if (s->kind != TSymbol::S::Type)
            error(QStringLiteral("type attendu mais '%1' trouvé").arg(tok().text));
        next();
        result = s->type;
    } else {
        // Subrange a..b: an integer (or enumeration, char) type with bounds.
        const TScriptType *lt = nullptr;
        const std::int64_t lo = constOrdinal(&lt);
        expect("..");
        const std::int64_t hi = constOrdinal();
        if (hi < lo)
            errorAt(at, QStringLiteral("bornes d'intervalle incorrectes"));
        TScriptType *t = newType(lt->kind);
        *t = *lt;
        t->name.clear();
        t->low = lo;
        t->high = hi;
        if (lt->kind == ETypeKind::Integer) {
            t->bits = 64;
            t->isSigned = true;
        }
        result = t;
    }
    leave();
    return result;
}

const TScriptType *TScriptParser::parseClassType(const QString &name)
{
    expect("class");
    TScriptType *t = newType(ETypeKind::Class, name);
    if (accept("(")) {
        TSymbol *p = lookup(tok().lower);
        if (!p || p->kind != TSymbol::S::Type || p->type->kind != ETypeKind::Class)
            error(QStringLiteral("classe attendue"));
        t->parent = p->type;
        next();
        expect(")");
    }
    // Declared before its members so that they may name the class itself.
    TSymbol self;
    self.kind = TSymbol::S::Type;
    self.type = t;
    m_scopes.back().insert(name.toLower(), self);
    while (!tok().is("end")) {
        TClassMember m;
        if (accept("property")) {
            m.isProperty = true;
            m.name = expectIdent();
            expect(":");
            m.type = parseType();
            if (accept("read"))
                m.readOnly = true;
        } else if (tok().is("procedure") || tok().is("function") || tok().is("constructor")) {
            const bool isFunction = tok().is("function");
            next();
            QString mname;
            TRoutine *r = parseRoutineHeader(isFunction, true, mname);
            r->defined = true; // a member: never called, only checked
            m.name = mname;
            m.type = r->result;
            for (const TParamInfo &p : r->params)
                m.params.push_back(p.type);
        } else {
            error(QStringLiteral("membre de classe attendu"));
        }
        t->members.push_back(m);
        expect(";");
    }
    expect("end");
    m_scopes.back().remove(name.toLower()); // declared again by the type section
    return t;
}

} // namespace pscript
