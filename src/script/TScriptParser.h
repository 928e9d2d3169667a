#pragma once
// Parser and semantic checks in one pass (Pascal declares before use): builds the typed trees
// of TScriptAst.h, resolving every identifier, checking every type, folding constant
// expressions. The first fault ends the compile with one message (ECompileError).
//
// The same parser reads the registration texts: method declarations, type definitions and the
// graphics class declarations (classes are accepted only there).
#include "script/TScriptAst.h"
#include "script/TScriptLexer.h"
#include "script/TScriptStdLib.h"

#include <QHash>

namespace pscript {

struct ECompileError
{
    QString text;
    int file = 0, line = 0, col = 0;
};

struct TSymbol
{
    enum class S : std::uint8_t { Const, Type, Var, Routine, Intrinsic };
    S kind = S::Const;
    const TScriptType *type = nullptr;
    TRunValue value;
    int slot = -1;
    bool global = false;
    bool byRef = false;
    bool typedConst = false;
    TRoutine *routine = nullptr;
    int intrinsic = -1;
};

class TScriptParser
{
public:
    explicit TScriptParser(TScriptProgram &program);

    // --- Registration (before the script): each returns false with `error` on a fault.
    bool registerMethod(const QString &declaration, int externalIndex, QString &error);
    bool registerConstant(const QString &name, const QString &typeName, const TRunValue &value,
                          QString &error);
    bool registerType(const QString &name, const QString &definition, QString &error);
    // A text of type declarations ("type A = ...; B = class ... end;"), classes allowed.
    bool registerDeclarations(const QString &text, QString &error);

    // --- The script: throws ECompileError.
    void parseProgram(std::vector<TToken> tokens);

    const TScriptType *builtin(const char *lowerName) const;

private:
    friend class TExprScope;
    // tokens
    const TToken &tok() const { return m_toks[m_pos]; }
    const TToken &peekTok(int ahead = 1) const;
    void next()
    {
        if (m_pos + 1 < m_toks.size())
            ++m_pos;
    }
    bool accept(const char *sym);
    void expect(const char *sym);
    QString expectIdent();
    [[noreturn]] void error(const QString &text) const;
    [[noreturn]] void errorAt(const TToken &t, const QString &text) const;
    void enter(); // nesting guard: depth and machine stack
    void leave() { --m_depth; }
    void setTokens(std::vector<TToken> tokens);

    // scopes
    TSymbol *lookup(const QString &lower);
    void declare(const TToken &at, const QString &name, TSymbol sym);
    int newSlot(const TScriptType *type, bool &global);
    TScriptType *newType(ETypeKind kind, const QString &name = QString());
    void addBuiltins();
    const TScriptType *integerType(const QString &name, int bits, bool isSigned);

    // declarations (TScriptParser.cpp)
    void parseDeclarations(bool global);
    void parseConstSection();
    void parseTypeSection();
    void parseVarSection(bool global);
    void parseRoutine();
    TRoutine *parseRoutineHeader(bool isFunction, bool registration, QString &name);
    const TScriptType *parseType(const QString &name = QString());
    const TScriptType *parseClassType(const QString &name);
    bool sameSignature(const TRoutine &a, const TRoutine &b) const;

    // statements (TScriptParser.cpp)
    TStmtPtr parseStatement();
    TStmtPtr parseCompound();
    TStmtPtr parseSimpleStatement();
    TStmtPtr parseIf();
    TStmtPtr parseWhile();
    TStmtPtr parseRepeat();
    TStmtPtr parseFor();
    TStmtPtr parseCase();
    TStmtPtr parseWith();
    TStmtPtr parseExit();
    TStmtPtr newStmt(EStmt kind, const TToken &at);

    // expressions (TScriptParserExpr.cpp)
    TExprPtr parseExpr();
    TExprPtr parseSimple();
    TExprPtr parseTerm();
    TExprPtr parseFactor();
    TExprPtr parseDesignator(const TToken &identTok, TSymbol *sym);
    TExprPtr parseSelectors(TExprPtr e);
    TExprPtr parseSetConstructor(const TToken &at);
    TExprPtr parseCall(const TToken &at, TRoutine *r, bool hasParens);
    TExprPtr parseIntrinsic(const TToken &at, int id);
    TExprPtr parseMemberCall(TExprPtr obj, const TClassMember &m, const TToken &at);
    TExprPtr binary(EOp op, TExprPtr l, TExprPtr r, const TToken &at);
    TExprPtr unary(EOp op, TExprPtr e, const TToken &at);
    TExprPtr fold(TExprPtr e);
    TExprPtr newExpr(EExpr kind, const TScriptType *type, const TToken &at);
    TExprPtr constant(const TScriptType *type, TRunValue v, const TToken &at);

public:
    // Converts e to `target` for an assignment or a value parameter; throws when incompatible.
    TExprPtr coerce(TExprPtr e, const TScriptType *target, const TToken &at);

private:
    bool assignable(const TScriptType *target, const TExpr &e) const;
    bool sameType(const TScriptType *a, const TScriptType *b) const;
    bool isLValue(const TExpr &e) const;
    TExprPtr constExpr(const TScriptType **type = nullptr);
    TExprPtr parseArrayOfConst();
    TExprPtr withField(const TToken &identTok);
    TExprPtr typeCast(const TToken &at, const TScriptType *target);
    std::int64_t constOrdinal(const TScriptType **type = nullptr);
    QString typeName(const TScriptType *t) const;

    TScriptProgram &m_prog;
    std::vector<TToken> m_toks;
    size_t m_pos = 0;
    std::vector<QHash<QString, TSymbol>> m_scopes; // 0 system, 1 script globals, 2 routine
    TRoutine *m_routine = nullptr;                 // routine being compiled
    int m_loopDepth = 0;
    int m_depth = 0;
    std::uintptr_t m_stackBase = 0;
    bool m_allowClasses = false;
    struct TWithEntry
    {
        const TScriptType *type;
        int slot;
        bool global;
        bool byRef;
    };
    std::vector<TWithEntry> m_with;
    QHash<QString, const TScriptType *> m_builtins;
    const TScriptType *m_int = nullptr, *m_int64 = nullptr, *m_double = nullptr, *m_bool = nullptr,
                      *m_char = nullptr, *m_string = nullptr, *m_nil = nullptr, *m_void = nullptr,
                      *m_emptySet = nullptr, *m_arrayOfConst = nullptr, *m_byteSet = nullptr,
                      *m_charSet = nullptr;
};

} // namespace pscript
