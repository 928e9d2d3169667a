#pragma once
// The standard routines every script sees (IntToStr, Copy, Format, ...). The parser checks a
// call against the entry's parameter codes; the interpreter runs the routines that work on
// variables (Inc, Delete, SetLength, ...) itself and hands the others to TScriptStdLib::call.
#include "script/TScriptTypes.h"

#include <random>
#include <vector>

namespace pscript {

enum class EIntrinsic : std::uint8_t {
    IntToStr,
    StrToInt,
    StrToIntDef,
    FloatToStr,
    StrToFloat,
    StrToFloatDef,
    Format,
    Length,
    Copy,
    Pos,
    Delete,
    Insert,
    UpperCase,
    LowerCase,
    Trim,
    TrimLeft,
    TrimRight,
    Chr,
    Ord,
    Inc,
    Dec,
    Now,
    Date,
    Time,
    FormatDateTime,
    DateToStr,
    TimeToStr,
    DateTimeToStr,
    EncodeDate,
    EncodeTime,
    Round,
    Trunc,
    Int,
    Frac,
    Abs,
    Sqr,
    Sqrt,
    Sin,
    Cos,
    ArcTan,
    Exp,
    Ln,
    Power,
    Random,
    Randomize,
    FileExists,
    DirectoryExists,
    SetLength,
    High,
    Low,
    Succ,
    Pred,
    Odd,
    IntToHex,
    StringOfChar,
    CompareText,
    CompareStr,
    SameText,
    QuotedStr,
    Include,
    Exclude,
    Assigned,
    Pi,
    Min,
    Max,
    Count
};

// Parameter codes: s string (Char accepted), i integer, f floating point (integer accepted),
// n number, o ordinal, O ordinal variable, S string variable, A string or dynamic array
// variable, a string or array (or type), t type or expression, c "array of const", C Char,
// e set variable, x anything.
// Result codes: v none, s string, i Integer, I Int64, f Double, b Boolean, c Char,
// = the first argument's type, h High/Low, r Random, m Min/Max.
struct TIntrinsicInfo
{
    const char *name;
    const char *params;
    int minArgs;
    char result;
    bool pure; // may be evaluated at compile time with constant arguments
};

const TIntrinsicInfo &intrinsicInfo(EIntrinsic id);
// -1 when `lowerName` is not a standard routine.
int findIntrinsic(const QString &lowerName);

class TScriptStdLib
{
public:
    // Runs a value routine (not Inc, Dec, Delete, Insert, SetLength, Include, Exclude, High,
    // Low, Length of arrays: the interpreter does those). Throws EScriptRuntime.
    static TRunValue call(EIntrinsic id, std::vector<TRunValue> &args, TMemAccount *account,
                          std::mt19937_64 &rng);

    // Delphi-style Format: %d %u %s %f %e %g %n %x %m with [-][width][.prec], %%.
    static QString format(const QString &fmt, const std::vector<TRunValue> &args, TMemAccount *account);
    // FloatToStr: up to 15 significant digits, "." as decimal separator.
    static QString floatToStr(double v);
    static bool strToFloat(const QString &text, double &v);
    static bool strToInt(const QString &text, std::int64_t &v);
    // Date-times are days since 30 December 1899.
    static double now();
    static QString formatDateTime(const QString &fmt, double dt);
};

} // namespace pscript
