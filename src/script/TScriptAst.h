#pragma once
// The compiled form of a script: typed expression and statement trees produced by
// TScriptParser (which has already checked types and resolved every name to a slot, a routine
// or a built-in) and walked by TScriptInterpreter.
#include "actions/IScriptRegistrar.h"
#include "script/TScriptTypes.h"

#include <memory>
#include <vector>

namespace pscript {

enum class EExpr : std::uint8_t {
    Const,        // value
    Var,          // slot in the global frame or the current frame; byRef: the slot holds a Ref
    Field,        // args[0].fields[index]
    Index,        // args[0][args[1]] of an array
    StrIndex,     // args[0][args[1]] of a string: a Char
    Call,         // routine (declared in the script) with args
    ExtCall,      // registered method
    Intrinsic,    // built-in routine `index` (EIntrinsic)
    Unary,        // op on args[0]
    Binary,       // op on args[0], args[1]
    SetCons,      // elements: single values or Range nodes
    Range,        // args[0]..args[1] inside a set constructor
    Convert,      // implicit conversion `op` (EConvert) of args[0] to `type`
    ArrayOfConst, // [a, b, c] given to an "array of const" parameter
    TypeRef,      // a type name used as an argument (High(Integer))
    Member,       // member `name` of a class object (compile-time only classes)
    New,          // TClass.Create
};

enum class EOp : std::uint8_t {
    Add,
    Sub,
    Mul,
    Divide,
    IntDiv,
    Mod,
    Shl,
    Shr,
    And,
    Or,
    Xor,
    Eq,
    Ne,
    Lt,
    Gt,
    Le,
    Ge,
    In,
    Neg,
    Not,
};
// How the operands of an operation are taken (the parser has converted both to it).
enum class EOpClass : std::uint8_t { Int, Int32, Flt, Str, Bool, Ord, Set, Ref };
enum class EConvert : std::uint8_t { IntToFlt, CharToStr, Narrow, OrdCast };

struct TRoutine;

struct TExpr
{
    EExpr kind = EExpr::Const;
    const TScriptType *type = nullptr;
    int line = 0, col = 0;
    TRunValue value;
    int slot = -1;
    int index = 0; // field index, intrinsic id, convert kind
    int depth = 1; // height of an operator tree (bounded: the run walks it recursively)
    bool global = false;
    bool byRef = false;
    EOp op = EOp::Add;
    EOpClass cls = EOpClass::Int;
    TRoutine *routine = nullptr;
    QString name;
    std::vector<std::unique_ptr<TExpr>> args;
};
using TExprPtr = std::unique_ptr<TExpr>;

enum class EStmt : std::uint8_t {
    Empty,
    Compound,
    Assign,
    Call,
    If,
    While,
    Repeat,
    For,
    Case,
    Break,
    Continue,
    Exit,
    WithBind,
};

struct TCaseLabel
{
    TRunValue low, high;
};

struct TStmt;
using TStmtPtr = std::unique_ptr<TStmt>;

struct TCaseBranch
{
    std::vector<TCaseLabel> labels;
    TStmtPtr body;
};

struct TStmt
{
    EStmt kind = EStmt::Empty;
    int line = 0, col = 0;
    TExprPtr a, b, c;           // Assign: target, value; If/While/Repeat: condition; For: var, from, to
    std::vector<TStmtPtr> body; // Compound, Repeat: list; If: then [, else]; For/While/WithBind: body
    bool down = false;          // for ... downto
    bool clone = false;         // Assign: copy a record or static array
    bool strCase = false;       // case on strings
    int slot = -1;              // Exit: result slot; WithBind: hidden slot
    bool global = false;        // WithBind in the main program
    std::vector<TCaseBranch> branches;
    TStmtPtr elseBody;
};

enum class EParamMode : std::uint8_t { Value, Const, Var, Out };

struct TParamInfo
{
    QString name;
    const TScriptType *type = nullptr;
    EParamMode mode = EParamMode::Value;
};

struct TRoutine
{
    QString name;
    std::vector<TParamInfo> params;
    const TScriptType *result = nullptr;
    int resultSlot = -1;
    std::vector<const TScriptType *> slotTypes; // params, result, locals, hidden
    TStmtPtr body;
    bool defined = false;
    int externalIndex = -1; // registered method
    int line = 0, col = 0;
};

// Everything a run needs; owned by the engine from a successful compile until the next one.
struct TScriptProgram
{
    std::vector<std::unique_ptr<TScriptType>> types;
    std::vector<std::unique_ptr<TRoutine>> routines;
    std::vector<const TScriptType *> globalTypes;
    std::vector<std::pair<int, TRunValue>> globalInits; // typed constants
    TStmtPtr main;
    std::vector<TScriptMethod> externals;
    QStringList files;
};

} // namespace pscript
