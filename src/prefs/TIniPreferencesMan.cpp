#include "prefs/TIniPreferencesMan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStringDecoder>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

const QString kMarker = QStringLiteral("\\~");

// Windows-1252 characters of the bytes 0x80..0x9F (0 = unassigned, read as the C1 control).
const char16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                  0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                  0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                  0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QString DecodeUtf16(const QByteArray &bytes, qsizetype from, bool bigEndian)
{
    const qsizetype n = (bytes.size() - from) / 2;
    QString s(n, Qt::Uninitialized);
    const auto *p = reinterpret_cast<const unsigned char *>(bytes.constData()) + from;
    QChar *out = s.data();
    // Code units are taken as they are: a lone surrogate written by the program reads back
    // unchanged.
    for (qsizetype i = 0; i < n; ++i, p += 2)
        out[i] = QChar(bigEndian ? char16_t((p[0] << 8) | p[1]) : char16_t(p[0] | (p[1] << 8)));
    return s;
}

QString DecodeCp1252(const QByteArray &bytes)
{
    QString s(bytes.size(), Qt::Uninitialized);
    QChar *out = s.data();
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const char16_t h = (b >= 0x80 && b < 0xA0) ? kCp1252High[b - 0x80] : 0;
        out[i] = QChar(h ? h : char16_t(b));
    }
    return s;
}

void SplitLines(const QString &text, QStringList &lines)
{
    // CR LF, CR and LF all end a line; a final line break does not start another line.
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            lines.append(text.mid(start, i - start));
            if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        }
    }
    if (start < n)
        lines.append(text.mid(start));
}

bool SameText(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

} // namespace

TIniPreferencesMan::TIniPreferencesMan(const QString &fileName, bool create)
    : m_fileName(fileName), m_decimalSeparator(SystemDecimalSeparator())
{
    Load();
    if (!m_fileName.isEmpty()) {
        // The program folder must exist and take files; a store that cannot be saved says so
        // through its write results.
        const QFileInfo file(m_fileName);
        const QFileInfo dir(file.absolutePath());
        m_writable = dir.isDir() && dir.isWritable() && (!file.exists() || file.isWritable());
    }
    OpenKey(QString(), create);
}

TIniPreferencesMan::~TIniPreferencesMan()
{
    Flush();
}

QChar TIniPreferencesMan::SystemDecimalSeparator()
{
    const QLocale sys = QLocale::system();
    if (sys.language() == QLocale::C)
        return QLatin1Char(',');
    const QString dp = sys.decimalPoint();
    return dp.size() == 1 ? dp[0] : QLatin1Char('.');
}

void TIniPreferencesMan::Load()
{
    m_lines.clear();
    m_loadResult = TLoadResult::Missing;
    if (m_fileName.isEmpty() || !QFileInfo::exists(m_fileName)) {
        m_lines.append(QStringLiteral("[]"));
        return;
    }
    QFile f(m_fileName);
    if (f.size() > MaxFileSize) {
        m_loadResult = TLoadResult::Unusable;
    } else if (f.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = f.read(MaxFileSize + 1);
        f.close();
        m_loadResult = bytes.size() > MaxFileSize ? TLoadResult::Unusable : DecodeLines(bytes, m_lines);
    } else {
        // Unreadable (permissions, a folder of that name): nothing is moved; the store works
        // in memory and its writes report failure.
        m_loadResult = TLoadResult::Unusable;
        m_lines = {QStringLiteral("[]")};
        m_writable = false;
        m_fileName.clear();
        return;
    }
    if (m_loadResult == TLoadResult::Unusable) {
        KeepAside(true);
        m_lines = {QStringLiteral("[]")};
    } else if (m_loadResult == TLoadResult::Lossy) {
        KeepAside(false);
    }
}

void TIniPreferencesMan::KeepAside(bool rename)
{
    const QString bak = m_fileName + QStringLiteral(".bak");
    QFile::remove(bak);
    if (rename)
        QFile::rename(m_fileName, bak);
    else
        QFile::copy(m_fileName, bak);
}

TIniPreferencesMan::TLoadResult TIniPreferencesMan::LoadFromBytes(const QByteArray &bytes)
{
    m_lines.clear();
    const TLoadResult r = DecodeLines(bytes, m_lines);
    if (r == TLoadResult::Unusable)
        m_lines = {QStringLiteral("[]")};
    m_path.clear();
    OpenSection(QString());
    m_dirty = true;
    return r;
}

TIniPreferencesMan::TLoadResult TIniPreferencesMan::DecodeLines(const QByteArray &bytes, QStringList &lines)
{
    lines.clear();
    if (bytes.size() > MaxFileSize)
        return TLoadResult::Unusable;
    const auto *u = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype n = bytes.size();
    QString text;
    bool lossy = false;
    if (n >= 2 && ((u[0] == 0xFF && u[1] == 0xFE) || (u[0] == 0xFE && u[1] == 0xFF))) {
        text = DecodeUtf16(bytes, 2, u[0] == 0xFE);
        lossy = (n % 2) != 0; // truncated: a dangling half code unit
    } else if (n >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) {
        QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = dec(QByteArrayView(bytes).sliced(3));
        lossy = dec.hasError();
    } else {
        // No byte-order mark: the files of this platform are UTF-8; a file that is not valid
        // UTF-8 comes from the Windows ANSI code page (1252, Western European).
        QStringDecoder dec(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        text = dec(bytes);
        if (dec.hasError())
            text = DecodeCp1252(bytes);
        // NUL characters in a file without a mark betray UTF-16 without its mark (or a binary
        // file): reading it as text would turn it into garbage that the next save keeps.
        if (text.contains(QChar(0)))
            return TLoadResult::Unusable;
    }
    SplitLines(text, lines);
    return lossy ? TLoadResult::Lossy : TLoadResult::Ok;
}

QByteArray TIniPreferencesMan::EncodeLines(const QStringList &lines)
{
    qsizetype units = 1;
    for (const QString &l : lines)
        units += l.size() + 2;
    QByteArray out;
    out.reserve(units * 2);
    auto put = [&out](char16_t c) {
        out.append(char(c & 0xFF));
        out.append(char(c >> 8));
    };
    put(0xFEFF);
    for (const QString &l : lines) {
        for (QChar c : l)
            put(c.unicode());
        put(u'\r');
        put(u'\n');
    }
    return out;
}

bool TIniPreferencesMan::Flush()
{
    if (m_fileName.isEmpty())
        return m_writable; // in memory only, or detached from a file that could not be read
    if (!m_dirty)
        return true;
    QSaveFile f(m_fileName);
    // Never write through to the old file: a crash must leave either the old or the new one.
    f.setDirectWriteFallback(false);
    if (!f.open(QIODevice::WriteOnly)) {
        m_writable = false;
        return false;
    }
    const QByteArray bytes = EncodeLines(m_lines);
    if (f.write(bytes) != bytes.size() || !f.commit()) {
        m_writable = false;
        return false;
    }
    m_writable = true;
    m_dirty = false;
    return true;
}

bool TIniPreferencesMan::IsHeader(const QString &line)
{
    return line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'));
}

void TIniPreferencesMan::OpenSection(const QString &path)
{
    const QString header = QLatin1Char('[') + path + QLatin1Char(']');
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (SameText(m_lines[i], header)) {
            m_section = i;
            return;
        }
    }
    // A new section goes at the end, separated by an empty line (none ahead of the first line).
    if (!m_lines.isEmpty())
        m_lines.append(QString());
    m_lines.append(header);
    m_section = m_lines.size() - 1;
    m_dirty = true;
}

bool TIniPreferencesMan::OpenKey(const QString &name, bool)
{
    // A line break in a key name would split its header line.
    if (name.contains(QLatin1Char('\r')) || name.contains(QLatin1Char('\n')))
        return false;
    if (!m_path.isEmpty() || !name.isEmpty())
        m_path = ChildPath(m_path, name);
    OpenSection(m_path);
    return true;
}

bool TIniPreferencesMan::CloseKey()
{
    m_path = ParentPath(m_path);
    OpenSection(m_path);
    return true;
}

qsizetype TIniPreferencesMan::FindEntry(const QString &name, qsizetype *end) const
{
    qsizetype i = m_section + 1;
    qsizetype found = -1;
    for (; i < m_lines.size(); ++i) {
        const QString &l = m_lines[i];
        if (l.isEmpty() || IsHeader(l))
            break;
        if (found < 0) {
            const qsizetype eq = l.indexOf(QLatin1Char('='));
            if (eq >= 0 && QStringView(l).left(eq).compare(name, Qt::CaseInsensitive) == 0) {
                found = i;
                if (!end)
                    return found;
            }
        }
    }
    if (end)
        *end = i;
    return found;
}

bool TIniPreferencesMan::ValidName(const QString &name)
{
    // The name ends at the first "=", and a line starting with "[" may read as a header.
    return !name.contains(QLatin1Char('=')) && !name.contains(QLatin1Char('\r')) &&
           !name.contains(QLatin1Char('\n')) && !name.startsWith(QLatin1Char('['));
}

bool TIniPreferencesMan::Put(const QString &name, const QString &text)
{
    if (!m_writable || !ValidName(name))
        return false;
    qsizetype end = 0;
    const qsizetype at = FindEntry(name, &end);
    const QString line = name + QLatin1Char('=') + text;
    if (at >= 0)
        m_lines[at] = line;
    else
        m_lines.insert(end, line);
    m_dirty = true;
    return true;
}

bool TIniPreferencesMan::Get(const QString &name, QString &text) const
{
    const qsizetype at = FindEntry(name);
    if (at < 0)
        return false;
    const QString &l = m_lines[at];
    text = l.mid(l.indexOf(QLatin1Char('=')) + 1);
    return true;
}

bool TIniPreferencesMan::GetValueNames(QStringList &list)
{
    for (qsizetype i = m_section + 1; i < m_lines.size(); ++i) {
        const QString &l = m_lines[i];
        if (l.isEmpty() || IsHeader(l))
            break;
        const qsizetype eq = l.indexOf(QLatin1Char('='));
        if (eq >= 0)
            list.append(l.left(eq));
    }
    return true;
}

bool TIniPreferencesMan::GetKeyNames(QStringList &list)
{
    const QString prefix = QLatin1Char('[') + m_path + QLatin1Char('\\');
    for (const QString &l : std::as_const(m_lines)) {
        if (l.size() > prefix.size() && l.endsWith(QLatin1Char(']')) &&
            l.startsWith(prefix, Qt::CaseInsensitive))
            list.append(l.mid(prefix.size(), l.size() - prefix.size() - 1));
    }
    return true;
}

bool TIniPreferencesMan::DeleteValue(const QString &name)
{
    if (!m_writable)
        return false;
    const qsizetype at = FindEntry(name);
    if (at < 0)
        return false;
    m_lines.removeAt(at);
    m_dirty = true;
    return true;
}

QString TIniPreferencesMan::EscapeValue(const QString &value)
{
    if (!value.contains(QLatin1Char('\r')) && !value.contains(QLatin1Char('\n')) &&
        !value.contains(QChar(0)) && !value.startsWith(kMarker))
        return value;
    QString out = kMarker;
    out.reserve(value.size() + 8);
    for (QChar c : value) {
        switch (c.unicode()) {
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case 0:
            out += QStringLiteral("\\0");
            break;
        default:
            out += c;
        }
    }
    return out;
}

QString TIniPreferencesMan::UnescapeValue(const QString &text)
{
    if (!text.startsWith(kMarker))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = kMarker.size(); i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\\') || i + 1 >= text.size()) {
            out += c;
            continue;
        }
        const QChar d = text[i + 1];
        switch (d.unicode()) {
        case u'\\':
            out += QLatin1Char('\\');
            break;
        case u'r':
            out += QLatin1Char('\r');
            break;
        case u'n':
            out += QLatin1Char('\n');
            break;
        case u'0':
            out += QChar(0);
            break;
        default:
            out += c;
            out += d; // not ours: kept as written
        }
        ++i;
    }
    return out;
}

bool TIniPreferencesMan::WriteString(const QString &name, const QString &value)
{
    return Put(name, EscapeValue(value));
}

bool TIniPreferencesMan::ReadString(const QString &name, QString &value)
{
    QString t;
    if (!Get(name, t))
        return false;
    value = UnescapeValue(t);
    return true;
}

bool TIniPreferencesMan::WriteBool(const QString &name, bool value)
{
    return Put(name, value ? QStringLiteral("True") : QStringLiteral("False"));
}

bool TIniPreferencesMan::ReadBool(const QString &name, bool &value)
{
    QString t;
    if (!Get(name, t))
        return false;
    if (t == QLatin1String("True"))
        value = true;
    else if (t == QLatin1String("False"))
        value = false;
    else
        return false;
    return true;
}

bool TIniPreferencesMan::WriteInteger(const QString &name, std::int32_t value)
{
    return Put(name, QString::number(value));
}

std::int32_t TIniPreferencesMan::ParseInteger(const QString &text)
{
    // Decimal, and the hexadecimal forms $1F and 0x1F that the toolkit's conversion accepted.
    const QString t = text.trimmed();
    QStringView s(t);
    bool neg = false;
    if (s.startsWith(QLatin1Char('-')) || s.startsWith(QLatin1Char('+'))) {
        neg = s.front() == QLatin1Char('-');
        s = s.sliced(1);
    }
    bool hex = false;
    if (s.startsWith(QLatin1Char('$'))) {
        hex = true;
        s = s.sliced(1);
    } else if (s.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        hex = true;
        s = s.sliced(2);
    }
    for (QChar c : s) {
        const bool digit =
            c.unicode() < 128 && (hex ? std::isxdigit(c.toLatin1()) : std::isdigit(c.toLatin1()));
        if (!digit)
            return 0;
    }
    bool ok = false;
    qint64 v = s.size() <= 17 ? s.toLongLong(&ok, hex ? 16 : 10) : 0;
    if (!ok)
        return 0;
    if (neg)
        v = -v;
    if (v >= std::numeric_limits<std::int32_t>::min() && v <= std::numeric_limits<std::int32_t>::max())
        return static_cast<std::int32_t>(v);
    // Hexadecimal texts of the full 32 bits ($FFFFFFFF) are two's complement.
    if (hex && !neg && v <= 0xFFFFFFFFLL)
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
    return 0;
}

bool TIniPreferencesMan::ReadInteger(const QString &name, std::int32_t &value)
{
    QString t;
    if (!Get(name, t))
        return false;
    value = ParseInteger(t);
    return true;
}

QString TIniPreferencesMan::FormatFloat(double value, QChar decimalSeparator)
{
    if (std::isnan(value))
        return QStringLiteral("NAN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
    if (value == 0)
        return QStringLiteral("0");
    // 15 significant digits, then the shortest of fixed and scientific as the toolkit did:
    // fixed while the integer part has at most 15 digits and the value is at least 1E-5.
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.14e", value);
    QString s = QString::fromLatin1(buf);
    const bool neg = s.startsWith(QLatin1Char('-'));
    if (neg)
        s.remove(0, 1);
    const qsizetype ePos = s.indexOf(QLatin1Char('e'));
    const int exponent = s.mid(ePos + 1).toInt();
    QString digits = s.left(ePos);
    digits.remove(QLatin1Char('.'));
    while (digits.size() > 1 && digits.endsWith(QLatin1Char('0')))
        digits.chop(1);
    QString out;
    if (exponent >= 15 || exponent < -5) {
        out = digits.left(1);
        if (digits.size() > 1)
            out += decimalSeparator + digits.mid(1);
        out += QLatin1Char('E') + QString::number(exponent);
    } else if (exponent < 0) {
        out =
            QLatin1Char('0') + QString(decimalSeparator) + QString(-exponent - 1, QLatin1Char('0')) + digits;
    } else {
        const qsizetype intDigits = exponent + 1;
        if (digits.size() <= intDigits) {
            out = digits + QString(intDigits - digits.size(), QLatin1Char('0'));
        } else {
            out = digits.left(intDigits) + decimalSeparator + digits.mid(intDigits);
        }
    }
    return neg ? QLatin1Char('-') + out : out;
}

double TIniPreferencesMan::ParseFloat(const QString &text)
{
    QString t = text.trimmed();
    // Both separators read, so that a file written under other regional settings still loads.
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    const QString u = t.toUpper();
    if (u == QLatin1String("NAN"))
        return std::numeric_limits<double>::quiet_NaN();
    if (u == QLatin1String("INF") || u == QLatin1String("+INF"))
        return std::numeric_limits<double>::infinity();
    if (u == QLatin1String("-INF"))
        return -std::numeric_limits<double>::infinity();
    // Only plain numbers: toDouble would also take "inf"/"nan" spellings of its own.
    for (QChar c : std::as_const(t)) {
        if (!(c.isDigit() && c.unicode() < 128) && c != QLatin1Char('.') && c != QLatin1Char('-') &&
            c != QLatin1Char('+') && c != QLatin1Char('e') && c != QLatin1Char('E'))
            return 0;
    }
    bool ok = false;
    const double v = QLocale::c().toDouble(t, &ok);
    return ok ? v : 0;
}

bool TIniPreferencesMan::WriteFloat(const QString &name, double value)
{
    return Put(name, FormatFloat(value, m_decimalSeparator));
}

bool TIniPreferencesMan::ReadFloat(const QString &name, double &value)
{
    QString t;
    if (!Get(name, t))
        return false;
    value = ParseFloat(t);
    return true;
}
