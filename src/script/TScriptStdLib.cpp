#include "script/TScriptStdLib.h"

#include "core/TDateFormat.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTimeZone>

#include <algorithm>

#include <cmath>
#include <cstring>
#include <limits>

namespace pscript {

namespace {

const TIntrinsicInfo kInfos[] = {
    {"IntToStr", "i", 1, 's', true},
    {"StrToInt", "s", 1, 'I', true},
    {"StrToIntDef", "si", 2, 'I', true},
    {"FloatToStr", "f", 1, 's', true},
    {"StrToFloat", "s", 1, 'f', true},
    {"StrToFloatDef", "sf", 2, 'f', true},
    {"Format", "sc", 2, 's', false},
    {"Length", "a", 1, 'i', true},
    {"Copy", "sii", 2, 's', true},
    {"Pos", "ss", 2, 'i', true},
    {"Delete", "Sii", 3, 'v', false},
    {"Insert", "sSi", 3, 'v', false},
    {"UpperCase", "s", 1, 's', true},
    {"LowerCase", "s", 1, 's', true},
    {"Trim", "s", 1, 's', true},
    {"TrimLeft", "s", 1, 's', true},
    {"TrimRight", "s", 1, 's', true},
    {"Chr", "i", 1, 'c', true},
    {"Ord", "o", 1, 'I', true},
    {"Inc", "Oi", 1, 'v', false},
    {"Dec", "Oi", 1, 'v', false},
    {"Now", "", 0, 'f', false},
    {"Date", "", 0, 'f', false},
    {"Time", "", 0, 'f', false},
    {"FormatDateTime", "sf", 2, 's', false},
    {"DateToStr", "f", 1, 's', false},
    {"TimeToStr", "f", 1, 's', false},
    {"DateTimeToStr", "f", 1, 's', false},
    {"EncodeDate", "iii", 3, 'f', true},
    {"EncodeTime", "iiii", 4, 'f', true},
    {"Round", "f", 1, 'I', true},
    {"Trunc", "f", 1, 'I', true},
    {"Int", "f", 1, 'f', true},
    {"Frac", "f", 1, 'f', true},
    {"Abs", "n", 1, '=', true},
    {"Sqr", "n", 1, '=', true},
    {"Sqrt", "f", 1, 'f', true},
    {"Sin", "f", 1, 'f', true},
    {"Cos", "f", 1, 'f', true},
    {"ArcTan", "f", 1, 'f', true},
    {"Exp", "f", 1, 'f', true},
    {"Ln", "f", 1, 'f', true},
    {"Power", "ff", 2, 'f', true},
    {"Random", "i", 0, 'r', false},
    {"Randomize", "", 0, 'v', false},
    {"FileExists", "s", 1, 'b', false},
    {"DirectoryExists", "s", 1, 'b', false},
    {"SetLength", "Ai", 2, 'v', false},
    {"High", "t", 1, 'h', true},
    {"Low", "t", 1, 'h', true},
    {"Succ", "o", 1, '=', true},
    {"Pred", "o", 1, '=', true},
    {"Odd", "i", 1, 'b', true},
    {"IntToHex", "ii", 2, 's', true},
    {"StringOfChar", "Ci", 2, 's', true},
    {"CompareText", "ss", 2, 'i', true},
    {"CompareStr", "ss", 2, 'i', true},
    {"SameText", "ss", 2, 'b', true},
    {"QuotedStr", "s", 1, 's', true},
    {"Include", "ex", 2, 'v', false},
    {"Exclude", "ex", 2, 'v', false},
    {"Assigned", "x", 1, 'b', false},
    {"Pi", "", 0, 'f', true},
    {"Min", "nn", 2, 'm', true},
    {"Max", "nn", 2, 'm', true},
};
static_assert(sizeof(kInfos) / sizeof(kInfos[0]) == size_t(EIntrinsic::Count));

[[noreturn]] void fail(const QString &text)
{
    throw EScriptRuntime(text);
}

QString checked(QString s, TMemAccount *account)
{
    if (account)
        account->checkString(s.size());
    return s;
}

const double kUnixEpochDays = 25569.0; // 1970-01-01 as a day count from 1899-12-30

QString padded(QString s, int width, bool left, TMemAccount *account)
{
    if (width > s.size()) {
        if (account)
            account->checkString(width);
        s = left ? s.leftJustified(width) : s.rightJustified(width);
    }
    return s;
}

} // namespace

const TIntrinsicInfo &intrinsicInfo(EIntrinsic id)
{
    return kInfos[size_t(id)];
}

int findIntrinsic(const QString &lowerName)
{
    for (size_t i = 0; i < size_t(EIntrinsic::Count); ++i)
        if (lowerName == QString::fromLatin1(kInfos[i].name).toLower())
            return int(i);
    return -1;
}

QString TScriptStdLib::floatToStr(double v)
{
    if (std::isnan(v))
        return QStringLiteral("NAN");
    if (std::isinf(v))
        return v > 0 ? QStringLiteral("INF") : QStringLiteral("-INF");
    QString s = QString::number(v, 'g', 15);
    // Qt writes 1e+20; Pascal users read 1E20.
    if (s.contains(QLatin1Char('e'))) {
        s.replace(QLatin1String("e+"), QLatin1String("E"));
        s.replace(QLatin1String("e-"), QLatin1String("E-"));
    }
    return s;
}

bool TScriptStdLib::strToFloat(const QString &text, double &v)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    v = t.toDouble(&ok);
    return ok && !t.isEmpty();
}

bool TScriptStdLib::strToInt(const QString &text, std::int64_t &v)
{
    const QString t = text.trimmed();
    bool ok = false;
    if (t.startsWith(QLatin1Char('$')) || t.startsWith(QLatin1String("-$"))) {
        const bool neg = t.startsWith(QLatin1Char('-'));
        const qulonglong u = t.mid(neg ? 2 : 1).toULongLong(&ok, 16);
        v = neg ? -std::int64_t(u) : std::int64_t(u);
        return ok;
    }
    v = t.toLongLong(&ok);
    return ok;
}

double TScriptStdLib::now()
{
    const QDateTime local = QDateTime::currentDateTime();
    const qint64 ms = local.toMSecsSinceEpoch() + qint64(local.offsetFromUtc()) * 1000;
    return kUnixEpochDays + double(ms) / 86400000.0;
}

QString TScriptStdLib::formatDateTime(const QString &fmt, double dt)
{
    return FormatDateTime(fmt, dt);
}

QString TScriptStdLib::format(const QString &fmt, const std::vector<TRunValue> &args, TMemAccount *account)
{
    QString out;
    size_t argNo = 0;
    const qsizetype n = fmt.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = fmt[i];
        if (c != QLatin1Char('%')) {
            out += c;
            continue;
        }
        if (i + 1 < n && fmt[i + 1] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        qsizetype p = i + 1;
        bool left = false;
        if (p < n && fmt[p] == QLatin1Char('-')) {
            left = true;
            ++p;
        }
        int width = -1, prec = -1;
        auto number = [&](int &into) {
            if (p < n && fmt[p] == QLatin1Char('*')) {
                if (argNo >= args.size() || args[argNo].k != TRunValue::K::Int)
                    fail(QStringLiteral("Format '%1' incorrect ou incompatible avec les arguments").arg(fmt));
                into = int(std::clamp<std::int64_t>(args[argNo++].i, 0, 1 << 20));
                ++p;
                return;
            }
            while (p < n && fmt[p].unicode() < 128 && fmt[p].isDigit()) {
                into = (into < 0 ? 0 : into) * 10 + (fmt[p].unicode() - '0');
                if (into > (1 << 20))
                    fail(QStringLiteral("Format '%1' incorrect ou incompatible avec les arguments").arg(fmt));
                ++p;
            }
        };
        number(width);
        if (p < n && fmt[p] == QLatin1Char('.')) {
            ++p;
            prec = 0;
            number(prec);
        }
        if (p >= n || argNo >= args.size())
            fail(QStringLiteral("Format '%1' incorrect ou incompatible avec les arguments").arg(fmt));
        const QChar conv = fmt[p].toLower();
        const TRunValue &a = args[argNo++];
        const bool isInt = a.k == TRunValue::K::Int;
        const bool isNum = isInt || a.k == TRunValue::K::Float;
        QString piece;
        auto bad = [&]() {
            fail(QStringLiteral("Format '%1' incorrect ou incompatible avec les arguments").arg(fmt));
        };
        switch (conv.unicode()) {
        case 'd':
        case 'u':
            if (!isInt)
                bad();
            piece = QString::number(conv == QLatin1Char('u') ? std::int64_t(std::uint32_t(a.i)) : a.i);
            if (prec > 0 && piece.size() < prec) {
                const bool neg = piece.startsWith(QLatin1Char('-'));
                piece = (neg ? QStringLiteral("-") : QString()) +
                        piece.mid(neg ? 1 : 0).rightJustified(prec - (neg ? 0 : 0), QLatin1Char('0'));
            }
            break;
        case 'x':
            if (!isInt)
                bad();
            piece = QString::number(
                        a.i >= 0 || a.i < -0x80000000LL ? quint64(a.i) : quint64(std::uint32_t(a.i)), 16)
                        .toUpper();
            if (prec > 0)
                piece = piece.rightJustified(prec, QLatin1Char('0'));
            break;
        case 'f':
        case 'n':
        case 'm':
        case 'e':
        case 'g': {
            if (!isNum)
                bad();
            const double v = a.asFloat();
            if (conv == QLatin1Char('e'))
                piece = QString::number(v, 'E', prec < 0 ? 15 : qMin(prec, 30));
            else if (conv == QLatin1Char('g'))
                piece = floatToStr(v);
            else {
                piece = QString::number(v, 'f', prec < 0 ? 2 : qMin(prec, 30));
                if (conv == QLatin1Char('n') || conv == QLatin1Char('m')) {
                    const qsizetype dot = piece.indexOf(QLatin1Char('.'));
                    qsizetype start = piece.startsWith(QLatin1Char('-')) ? 1 : 0;
                    for (qsizetype k = (dot < 0 ? piece.size() : dot) - 3; k > start; k -= 3)
                        piece.insert(k, QLatin1Char(' '));
                }
            }
            break;
        }
        case 's':
            if (a.k != TRunValue::K::Str && a.k != TRunValue::K::Char)
                bad();
            piece = a.asString();
            if (prec >= 0)
                piece = piece.left(prec);
            break;
        default:
            bad();
        }
        out += padded(piece, width, left, account);
        if (account)
            account->checkString(out.size());
        i = p;
    }
    return out;
}

TRunValue TScriptStdLib::call(EIntrinsic id, std::vector<TRunValue> &a, TMemAccount *account,
                              std::mt19937_64 &rng)
{
    using R = TRunValue;
    switch (id) {
    case EIntrinsic::IntToStr:
        return R::fromStr(QString::number(a[0].i));
    case EIntrinsic::StrToInt: {
        std::int64_t v = 0;
        if (!strToInt(a[0].asString(), v))
            fail(QStringLiteral("'%1' n'est pas une valeur entière correcte").arg(a[0].asString().left(100)));
        return R::fromInt(v);
    }
    case EIntrinsic::StrToIntDef: {
        std::int64_t v = 0;
        return R::fromInt(strToInt(a[0].asString(), v) ? v : a[1].i);
    }
    case EIntrinsic::FloatToStr:
        return R::fromStr(floatToStr(a[0].asFloat()));
    case EIntrinsic::StrToFloat: {
        double v = 0;
        if (!strToFloat(a[0].asString(), v))
            fail(QStringLiteral("'%1' n'est pas une valeur en virgule flottante correcte")
                     .arg(a[0].asString().left(100)));
        return R::fromFloat(v);
    }
    case EIntrinsic::StrToFloatDef: {
        double v = 0;
        return R::fromFloat(strToFloat(a[0].asString(), v) ? v : a[1].asFloat());
    }
    case EIntrinsic::Format: {
        std::vector<TRunValue> items;
        if (a[1].p)
            items = a[1].p->items;
        return R::fromStr(format(a[0].asString(), items, account));
    }
    case EIntrinsic::Length:
        return R::fromInt(a[0].asString().size());
    case EIntrinsic::Copy: {
        const QString s = a[0].asString();
        std::int64_t from = a[1].i;
        std::int64_t count = a.size() > 2 ? a[2].i : std::numeric_limits<std::int64_t>::max();
        if (from < 1)
            from = 1;
        if (from > s.size() || count <= 0)
            return R::fromStr(QString());
        count = std::min<std::int64_t>(count, s.size() - from + 1);
        return R::fromStr(s.mid(from - 1, count));
    }
    case EIntrinsic::Pos: {
        const QString sub = a[0].asString();
        if (sub.isEmpty())
            return R::fromInt(0);
        return R::fromInt(a[1].asString().indexOf(sub) + 1);
    }
    case EIntrinsic::UpperCase:
        return R::fromStr(a[0].asString().toUpper());
    case EIntrinsic::LowerCase:
        return R::fromStr(a[0].asString().toLower());
    case EIntrinsic::Trim: {
        QString s = a[0].asString();
        qsizetype b = 0, e = s.size();
        while (b < e && s[b].unicode() <= ' ')
            ++b;
        while (e > b && s[e - 1].unicode() <= ' ')
            --e;
        return R::fromStr(s.mid(b, e - b));
    }
    case EIntrinsic::TrimLeft: {
        QString s = a[0].asString();
        qsizetype b = 0;
        while (b < s.size() && s[b].unicode() <= ' ')
            ++b;
        return R::fromStr(s.mid(b));
    }
    case EIntrinsic::TrimRight: {
        QString s = a[0].asString();
        qsizetype e = s.size();
        while (e > 0 && s[e - 1].unicode() <= ' ')
            --e;
        return R::fromStr(s.left(e));
    }
    case EIntrinsic::Chr:
        if (a[0].i < 0 || a[0].i > 0xFFFF)
            fail(QStringLiteral("Erreur de limite: Chr(%1)").arg(a[0].i));
        return R::fromChar(char16_t(a[0].i));
    case EIntrinsic::Ord:
        return R::fromInt(a[0].ordinal());
    case EIntrinsic::Now:
        return R::fromFloat(now());
    case EIntrinsic::Date:
        return R::fromFloat(std::floor(now()));
    case EIntrinsic::Time: {
        const double t = now();
        return R::fromFloat(t - std::floor(t));
    }
    case EIntrinsic::FormatDateTime:
        return R::fromStr(checked(formatDateTime(a[0].asString(), a[1].asFloat()), account));
    case EIntrinsic::DateToStr:
        return R::fromStr(formatDateTime(QStringLiteral("ddddd"), a[0].asFloat()));
    case EIntrinsic::TimeToStr:
        return R::fromStr(formatDateTime(QStringLiteral("tt"), a[0].asFloat()));
    case EIntrinsic::DateTimeToStr:
        return R::fromStr(formatDateTime(QStringLiteral("c"), a[0].asFloat()));
    case EIntrinsic::EncodeDate: {
        const QDate d(int(std::clamp<std::int64_t>(a[0].i, -1, 10000)),
                      int(std::clamp<std::int64_t>(a[1].i, 0, 13)),
                      int(std::clamp<std::int64_t>(a[2].i, 0, 32)));
        if (!d.isValid() || d.year() < 1 || d.year() > 9999)
            fail(QStringLiteral("Date incorrecte"));
        return R::fromFloat(double(QDate(1899, 12, 30).daysTo(d)));
    }
    case EIntrinsic::EncodeTime: {
        if (a[0].i < 0 || a[0].i > 23 || a[1].i < 0 || a[1].i > 59 || a[2].i < 0 || a[2].i > 59 ||
            a[3].i < 0 || a[3].i > 999)
            fail(QStringLiteral("Heure incorrecte"));
        return R::fromFloat((a[0].i * 3600000.0 + a[1].i * 60000.0 + a[2].i * 1000.0 + a[3].i) / 86400000.0);
    }
    case EIntrinsic::Round:
    case EIntrinsic::Trunc: {
        const double v = a[0].asFloat();
        // Round: banker's rounding like Pascal; out of the Int64 range is an error, not UB.
        const double r = id == EIntrinsic::Round ? std::nearbyint(v) : std::trunc(v);
        if (!(r >= -9.2233720368547758e18 && r < 9.2233720368547758e18))
            fail(QStringLiteral("Opération en virgule flottante incorrecte"));
        return R::fromInt(std::int64_t(r));
    }
    case EIntrinsic::Int:
        return R::fromFloat(std::trunc(a[0].asFloat()));
    case EIntrinsic::Frac: {
        const double v = a[0].asFloat();
        return R::fromFloat(v - std::trunc(v));
    }
    case EIntrinsic::Abs:
        if (a[0].k == TRunValue::K::Int)
            return R::fromInt(a[0].i < 0 ? std::int64_t(0 - std::uint64_t(a[0].i)) : a[0].i);
        return R::fromFloat(std::fabs(a[0].d));
    case EIntrinsic::Sqr:
        if (a[0].k == TRunValue::K::Int)
            return R::fromInt(std::int64_t(std::uint64_t(a[0].i) * std::uint64_t(a[0].i)));
        return R::fromFloat(a[0].d * a[0].d);
    case EIntrinsic::Sqrt:
        if (a[0].asFloat() < 0)
            fail(QStringLiteral("Opération en virgule flottante incorrecte"));
        return R::fromFloat(std::sqrt(a[0].asFloat()));
    case EIntrinsic::Sin:
        return R::fromFloat(std::sin(a[0].asFloat()));
    case EIntrinsic::Cos:
        return R::fromFloat(std::cos(a[0].asFloat()));
    case EIntrinsic::ArcTan:
        return R::fromFloat(std::atan(a[0].asFloat()));
    case EIntrinsic::Exp:
        return R::fromFloat(std::exp(a[0].asFloat()));
    case EIntrinsic::Ln:
        if (a[0].asFloat() <= 0)
            fail(QStringLiteral("Opération en virgule flottante incorrecte"));
        return R::fromFloat(std::log(a[0].asFloat()));
    case EIntrinsic::Power:
        return R::fromFloat(std::pow(a[0].asFloat(), a[1].asFloat()));
    case EIntrinsic::Random:
        if (a.empty())
            return R::fromFloat(std::uniform_real_distribution<double>(0.0, 1.0)(rng));
        if (a[0].i <= 0)
            return R::fromInt(0);
        return R::fromInt(std::int64_t(rng() % std::uint64_t(a[0].i)));
    case EIntrinsic::Randomize:
        rng.seed(std::uint64_t(QDateTime::currentMSecsSinceEpoch()));
        return {};
    case EIntrinsic::FileExists:
        return R::fromBool(QFileInfo(a[0].asString()).isFile());
    case EIntrinsic::DirectoryExists:
        return R::fromBool(!a[0].asString().isEmpty() && QFileInfo(a[0].asString()).isDir());
    case EIntrinsic::Succ:
    case EIntrinsic::Pred: {
        const std::int64_t d = id == EIntrinsic::Succ ? 1 : -1;
        if (a[0].k == TRunValue::K::Bool)
            return R::fromBool((a[0].ordinal() + d) & 1);
        if (a[0].k == TRunValue::K::Char)
            return R::fromChar(char16_t(a[0].i + d));
        return R::fromInt(std::int64_t(std::uint64_t(a[0].i) + std::uint64_t(d)));
    }
    case EIntrinsic::Odd:
        return R::fromBool(a[0].i & 1);
    case EIntrinsic::IntToHex: {
        const int digits = int(std::clamp<std::int64_t>(a[1].i, 0, 64));
        return R::fromStr(
            QString::number(quint64(a[0].i), 16).toUpper().rightJustified(digits, QLatin1Char('0')));
    }
    case EIntrinsic::StringOfChar: {
        const std::int64_t count = std::max<std::int64_t>(0, a[1].i);
        if (account)
            account->checkString(count);
        return R::fromStr(QString(qsizetype(count), a[0].k == TRunValue::K::Char
                                                        ? QChar(char16_t(a[0].i))
                                                        : (a[0].s.isEmpty() ? QChar(0) : a[0].s[0])));
    }
    case EIntrinsic::CompareText:
        return R::fromInt(a[0].asString().toLower().compare(a[1].asString().toLower()));
    case EIntrinsic::CompareStr:
        return R::fromInt(a[0].asString().compare(a[1].asString()));
    case EIntrinsic::SameText:
        return R::fromBool(a[0].asString().compare(a[1].asString(), Qt::CaseInsensitive) == 0);
    case EIntrinsic::QuotedStr: {
        QString s = a[0].asString();
        s.replace(QLatin1String("'"), QLatin1String("''"));
        return R::fromStr(checked(QLatin1Char('\'') + s + QLatin1Char('\''), account));
    }
    case EIntrinsic::Assigned:
        return R::fromBool(a[0].k != TRunValue::K::Nil && a[0].k != TRunValue::K::None &&
                           !(a[0].k == TRunValue::K::Arr && !a[0].p));
    case EIntrinsic::Pi:
        return R::fromFloat(M_PI);
    case EIntrinsic::Min:
    case EIntrinsic::Max: {
        const bool wantMin = id == EIntrinsic::Min;
        if (a[0].k == TRunValue::K::Int && a[1].k == TRunValue::K::Int)
            return R::fromInt(wantMin ? std::min(a[0].i, a[1].i) : std::max(a[0].i, a[1].i));
        return R::fromFloat(wantMin ? std::min(a[0].asFloat(), a[1].asFloat())
                                    : std::max(a[0].asFloat(), a[1].asFloat()));
    }
    default:
        fail(QStringLiteral("routine standard non disponible ici"));
    }
}

} // namespace pscript
