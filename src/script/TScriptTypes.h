#pragma once
// Types and run-time values of the script language.
//
// A TScriptType describes one type known to a compiled program (built-in, registered or
// declared by the script); a TRunValue is one value at run time. Records and static arrays
// have value semantics (assignment copies them, see TRunValue::cloned); dynamic arrays are
// shared between variables like in Pascal. Every variable lives in a slot of a TStore (a
// frame, a record, an array), so that a var parameter can keep its target store alive.
//
// All of this runs on the thread that runs the script (the main thread in the program).
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

namespace pscript {

enum class ETypeKind : std::uint8_t {
    Void,
    Integer,
    Float,
    Boolean,
    Char,
    String,
    Enum,
    Set,
    Record,
    StaticArray,
    DynArray,
    Class,
    Nil,
    ArrayOfConst, // open "array of const" parameter of Format
};

struct TScriptType;

struct TFieldInfo
{
    QString name;
    const TScriptType *type = nullptr;
};

struct TClassMember
{
    QString name;
    const TScriptType *type = nullptr; // property type or function result (nullptr: procedure)
    bool isProperty = false;
    bool readOnly = false;
    std::vector<const TScriptType *> params;
};

struct TScriptType
{
    ETypeKind kind = ETypeKind::Void;
    QString name;
    // Integer kinds: storage width in bits (8, 16, 32, 64) and signedness; enumerations and
    // subranges keep their bounds in low/high.
    int bits = 64;
    bool isSigned = true;
    std::int64_t low = 0, high = 0;
    QStringList enumNames;
    // Set: element type; arrays: element type and (static) bounds, index type for enums.
    const TScriptType *elem = nullptr;
    const TScriptType *indexType = nullptr;
    std::vector<TFieldInfo> fields;
    // Class: ancestor and members (declared for compiling only; no object is ever created).
    const TScriptType *parent = nullptr;
    std::vector<TClassMember> members;

    bool isOrdinal() const
    {
        return kind == ETypeKind::Integer || kind == ETypeKind::Boolean || kind == ETypeKind::Char ||
               kind == ETypeKind::Enum;
    }
    bool isNumeric() const { return kind == ETypeKind::Integer || kind == ETypeKind::Float; }
    bool isStringLike() const { return kind == ETypeKind::String || kind == ETypeKind::Char; }
    int fieldIndex(const QString &fieldName) const;
    const TClassMember *findMember(const QString &memberName) const;
    bool inheritsFrom(const TScriptType *ancestor) const;
    std::int64_t arrayLength() const { return high - low + 1; }
};

// Raised for every run-time error; the interpreter adds the line.
class EScriptRuntime : public std::runtime_error
{
public:
    explicit EScriptRuntime(const QString &message) : std::runtime_error(message.toStdString()), text(message)
    {}
    QString text;
    int line = 0;
};

// Live memory of one run, counted by the stores; crossing the cap is a run-time error.
class TMemAccount
{
public:
    explicit TMemAccount(std::int64_t cap) : m_cap(cap) {}
    void add(std::int64_t bytes);
    void remove(std::int64_t bytes) { m_used -= bytes; }
    // Refuses a temporary string of `chars` characters that would not fit either.
    void checkString(std::int64_t chars) const;
    std::int64_t used() const { return m_used; }
    std::int64_t cap() const { return m_cap; }

private:
    std::int64_t m_cap;
    std::int64_t m_used = 0;
};

using TSetBits = std::array<std::uint64_t, 4>; // elements 0..255

struct TStore;

struct TRunValue
{
    enum class K : std::uint8_t { None, Int, Float, Bool, Char, Str, Set, Rec, Arr, Ref, Nil };
    K k = K::None;
    union {
        std::int64_t i = 0; // Int, Ref (slot index), Char (code)
        double d;
        bool b;
    };
    QString s;
    std::shared_ptr<TStore> p;           // Rec/Arr: elements; Ref: the store holding the target
    std::shared_ptr<const TSetBits> set; // Set

    static TRunValue fromInt(std::int64_t v)
    {
        TRunValue r;
        r.k = K::Int;
        r.i = v;
        return r;
    }
    static TRunValue fromFloat(double v)
    {
        TRunValue r;
        r.k = K::Float;
        r.d = v;
        return r;
    }
    static TRunValue fromBool(bool v)
    {
        TRunValue r;
        r.k = K::Bool;
        r.b = v;
        return r;
    }
    static TRunValue fromChar(char16_t v)
    {
        TRunValue r;
        r.k = K::Char;
        r.i = v;
        return r;
    }
    static TRunValue fromStr(QString v)
    {
        TRunValue r;
        r.k = K::Str;
        r.s = std::move(v);
        return r;
    }
    static TRunValue fromSet(TSetBits bits)
    {
        TRunValue r;
        r.k = K::Set;
        r.set = std::make_shared<const TSetBits>(bits);
        return r;
    }
    static TRunValue nil()
    {
        TRunValue r;
        r.k = K::Nil;
        return r;
    }
    static TRunValue ref(std::shared_ptr<TStore> store, std::int64_t index)
    {
        TRunValue r;
        r.k = K::Ref;
        r.p = std::move(store);
        r.i = index;
        return r;
    }

    // Ordinal value of an Int, Bool or Char (enumerations are Int).
    std::int64_t ordinal() const { return k == K::Bool ? (b ? 1 : 0) : i; }
    double asFloat() const { return k == K::Float ? d : double(i); }
    QString asString() const { return k == K::Char ? QString(QChar(char16_t(i))) : s; }
    bool inSet(std::int64_t v) const
    {
        return set && v >= 0 && v < 256 && ((*set)[size_t(v) >> 6] >> (v & 63) & 1);
    }
    // A copy with value semantics: records and static arrays are copied deeply.
    TRunValue cloned() const;
    // Approximate bytes held by the value itself (not by nested stores).
    std::int64_t cost() const;
};

// The slots of a frame, record or array. Writes go through set() so that the memory account
// stays right.
struct TStore
{
    TStore(std::shared_ptr<TMemAccount> account, std::size_t count);
    ~TStore();
    TStore(const TStore &) = delete;
    TStore &operator=(const TStore &) = delete;

    void set(std::size_t index, TRunValue v);
    void resize(std::size_t count); // new slots start as None
    std::size_t size() const { return items.size(); }

    std::vector<TRunValue> items;
    std::shared_ptr<TMemAccount> account;
    std::int64_t bytes = 0;
    bool isRecord = false; // deep-copied on assignment
    bool isStatic = false; // static array: deep-copied on assignment
    std::int64_t low = 0;  // array index of slot 0
};

// The default (zero) value of a type: records and static arrays get their slots.
TRunValue defaultValue(const TScriptType *t, const std::shared_ptr<TMemAccount> &account);
// Narrows an integer to the width of its type (Byte 300 -> 44), as assignment does.
std::int64_t narrowInteger(const TScriptType *t, std::int64_t v);

} // namespace pscript
