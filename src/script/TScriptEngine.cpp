#include "script/TScriptEngine.h"

#include "core/FramixLog.h"
#include "core/TColors.h"
#include "script/TScriptGraphics.h"
#include "script/TScriptLexer.h"
#include "script/TScriptParser.h"

using namespace pscript;

TScriptEngine::TScriptEngine() = default;
TScriptEngine::~TScriptEngine() = default;

void TScriptEngine::RaiseRuntimeError(const QString &text)
{
    throw EScriptRuntime(text);
}

bool TScriptEngine::apply(const TRegistration &r)
{
    QString error;
    switch (r.kind) {
    case TRegistration::K::Method: {
        m_building->externals.push_back(r.method);
        if (!m_parser->registerMethod(r.text, int(m_building->externals.size()) - 1, error)) {
            m_building->externals.pop_back();
            return false;
        }
        return true;
    }
    case TRegistration::K::Constant: {
        TRunValue v;
        if (auto *i = std::get_if<std::int64_t>(&r.value))
            v = TRunValue::fromInt(*i);
        else if (auto *d = std::get_if<double>(&r.value))
            v = TRunValue::fromFloat(*d);
        else if (auto *b = std::get_if<bool>(&r.value))
            v = TRunValue::fromBool(*b);
        else if (auto *s = std::get_if<QString>(&r.value))
            v = TRunValue::fromStr(*s);
        else
            return false;
        const QString t = r.text.toLower();
        const bool ok =
            (v.k == TRunValue::K::Str &&
             (t == QLatin1String("string") || t == QLatin1String("widestring"))) ||
            (v.k == TRunValue::K::Bool && t == QLatin1String("boolean")) ||
            (v.k == TRunValue::K::Int && t != QLatin1String("string") && t != QLatin1String("widestring") &&
             t != QLatin1String("boolean")) ||
            (v.k == TRunValue::K::Float && (t == QLatin1String("double") || t == QLatin1String("extended") ||
                                            t == QLatin1String("single")));
        return ok && m_parser->registerConstant(r.name, r.text, v, error);
    }
    case TRegistration::K::Type:
        return m_parser->registerType(r.name, r.text, error);
    case TRegistration::K::Graphics: {
        // The graphics classes name TRect; declare it when the host has not.
        m_parser->registerType(QStringLiteral("TRect"),
                               QStringLiteral("record Left, Top, Right, Bottom: Integer; end;"), error);
        m_parser->registerType(QStringLiteral("TPoint"), QStringLiteral("record x,y: Longint; end;"), error);
        for (const TColors::TColorIdent &c : TColors::Idents()) {
            // An existing constant of the same name (clMoneyGreen ...) is kept.
            m_parser->registerConstant(QString::fromLatin1(c.name), QStringLiteral("Integer"),
                                       TRunValue::fromInt(c.value), error);
        }
        return m_parser->registerDeclarations(graphicsDeclarations(), error);
    }
    }
    return false;
}

bool TScriptEngine::RegisterMethod(const QString &declaration, TScriptMethod method)
{
    TRegistration r{TRegistration::K::Method, QString(), declaration, std::move(method), {}};
    if (m_compiling)
        return apply(r);
    // Outside a compile: check it now on a scratch parser (with the methods kept so far, so
    // that a duplicate name is refused), keep it for every compile.
    TScriptProgram scratch;
    TScriptParser parser(scratch);
    QString error;
    m_parser = &parser;
    m_building = &scratch;
    for (const TRegistration &p : m_persistent)
        apply(p);
    const bool ok = parser.registerMethod(declaration, 0, error);
    m_parser = nullptr;
    m_building = nullptr;
    if (!ok)
        return false;
    m_persistent.push_back(std::move(r));
    return true;
}

bool TScriptEngine::AddConstant(const QString &name, const QString &typeName, const TScriptValue &value)
{
    TRegistration r{TRegistration::K::Constant, name, typeName, {}, value};
    if (m_compiling)
        return apply(r);
    m_persistent.push_back(std::move(r));
    return true;
}

bool TScriptEngine::AddType(const QString &name, const QString &definition)
{
    TRegistration r{TRegistration::K::Type, name, definition, {}, {}};
    if (m_compiling)
        return apply(r);
    m_persistent.push_back(std::move(r));
    return true;
}

bool TScriptEngine::AddGraphicsDeclarations()
{
    TRegistration r{TRegistration::K::Graphics, {}, {}, {}, {}};
    if (m_compiling)
        return apply(r);
    m_persistent.push_back(std::move(r));
    return true;
}

bool TScriptEngine::Compile(const QString &source)
{
    m_messages.clear();
    if (m_running || m_compiling) {
        m_messages.push_back({TScriptMessage::EKind::Error, QString(), 0, 0,
                              QStringLiteral("un script est en cours d'exécution")});
        return false;
    }
    m_program.reset();
    auto program = std::make_unique<TScriptProgram>();
    TScriptParser parser(*program);
    m_building = program.get();
    m_parser = &parser;
    m_compiling = true;
    struct TEnd
    {
        TScriptEngine &self;
        ~TEnd()
        {
            self.m_compiling = false;
            self.m_parser = nullptr;
            self.m_building = nullptr;
        }
    } end{*this};

    for (const TRegistration &r : m_persistent)
        apply(r);
    if (OnCompile)
        OnCompile(*this);

    TScriptLexer lexer(m_folder, m_defines);
    std::vector<TToken> tokens;
    TScriptMessage msg;
    if (!lexer.tokenize(source, tokens, msg)) {
        qCInfo(lcScript).noquote() << "script not compiled:" << msg.file << "line"
                                   << QString::number(msg.line) + u':' << msg.text;
        m_messages.push_back(msg);
        return false;
    }
    program->files = lexer.files();
    try {
        parser.parseProgram(std::move(tokens));
    } catch (const ECompileError &e) {
        TScriptMessage m;
        m.kind = TScriptMessage::EKind::Error;
        m.file = e.file > 0 && e.file < lexer.files().size() ? lexer.files()[e.file] : QString();
        m.line = e.line;
        m.col = e.col;
        m.text = e.text;
        qCInfo(lcScript).noquote() << "script not compiled:" << m.file << "line"
                                   << QString::number(m.line) + u':' << m.text;
        m_messages.push_back(m);
        return false;
    }
    m_program = std::move(program);
    qCDebug(lcScript) << "script compiled from" << m_program->files.size() << "source files";
    return true;
}

bool TScriptEngine::Run()
{
    m_runError.clear();
    m_runErrorLine = 0;
    if (m_running) {
        m_runError = QStringLiteral("Un script est déjà en cours d'exécution");
        return false;
    }
    if (!m_program) {
        m_runError = QStringLiteral("Aucun programme compilé");
        return false;
    }
    TScriptInterpreter interp(*m_program, m_limits);
    interp.setIdleCallback(m_idle);
    m_interp = &interp;
    m_running = true;
    struct TEnd
    {
        TScriptEngine &self;
        ~TEnd()
        {
            self.m_running = false;
            self.m_interp = nullptr;
        }
    } end{*this};
    qCDebug(lcScript) << "script running";
    try {
        interp.run();
    } catch (const EScriptRuntime &e) {
        m_runErrorLine = e.line;
        m_runError = e.line > 0 ? QStringLiteral("%1 (ligne %2)").arg(e.text).arg(e.line) : e.text;
        qCInfo(lcScript).noquote() << "script stopped:" << m_runError;
        return false;
    }
    qCDebug(lcScript) << "script ended";
    return true;
}

void TScriptEngine::Abort()
{
    if (m_interp)
        m_interp->requestAbort();
}
