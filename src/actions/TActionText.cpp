#include "actions/TActionText.h"

#include <QLocale>

#include <cmath>
#include <cstdint>

namespace TActionText {

bool ReadInteger(const QString &text, int &value)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    bool negative = false;
    if (i < n && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    if (i >= n)
        return false;
    if (text[i] == u'$') {
        ++i;
        if (i >= n || n - i > 8)
            return false;
        std::uint32_t u = 0;
        for (; i < n; ++i) {
            const char16_t c = text[i].unicode();
            int d;
            if (c >= u'0' && c <= u'9')
                d = c - u'0';
            else if (c >= u'a' && c <= u'f')
                d = c - u'a' + 10;
            else if (c >= u'A' && c <= u'F')
                d = c - u'A' + 10;
            else
                return false;
            u = (u << 4) | std::uint32_t(d);
        }
        // The 32-bit pattern: $FFFFFFFF is -1, $FF00000F a system colour.
        const auto v = static_cast<std::int32_t>(u);
        value = negative ? static_cast<std::int32_t>(0u - u) : v;
        return true;
    }
    std::int64_t acc = 0;
    for (; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        acc = acc * 10 + (c - u'0');
        if (acc > std::int64_t(INT32_MAX) + 1)
            return false;
    }
    if (negative)
        acc = -acc;
    if (acc > INT32_MAX || acc < INT32_MIN)
        return false;
    value = static_cast<int>(acc);
    return true;
}

int IntegerOr(const QString &text, int fallback)
{
    int v;
    return ReadInteger(text, v) ? v : fallback;
}

bool ReadColor(const QString &text, TColor &value)
{
    if (TColors::FromIdent(text, value))
        return true;
    int v;
    if (!ReadInteger(text, v))
        return false;
    value = v;
    return true;
}

bool ReadDouble(const QString &text, double &value)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return false;
    // Group separators are refused: "1,500" must not read as 1500 in one locale and 1.5 in
    // another.
    QLocale user;
    user.setNumberOptions(QLocale::RejectGroupSeparator);
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    double v = user.toDouble(t, &ok);
    if (!ok)
        v = c.toDouble(t, &ok);
    // Infinities and NaN are no setting, and no recorded macro could carry them.
    if (!ok || !std::isfinite(v))
        return false;
    value = v;
    return true;
}

bool ReadBoolean(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t == u"true" || t == u"vrai" || t == u"t" || t == u"v")
        return true;
    int v;
    return ReadInteger(t, v) && v != 0;
}

namespace {

// The text between the brackets, split at its commas; false without brackets.
bool BracketPieces(const QString &text, QStringList &pieces)
{
    const QString t = text.trimmed();
    if (t.size() < 2 || !t.startsWith(u'(') || !t.endsWith(u')'))
        return false;
    pieces = t.mid(1, t.size() - 2).split(u',');
    return true;
}

} // namespace

bool ReadPoint(const QString &text, QPoint &value)
{
    QStringList p;
    if (!BracketPieces(text, p) || p.size() < 2)
        return false;
    // Y is everything after the first comma.
    const QString y = p.mid(1).join(u',');
    value = QPoint(IntegerOr(p[0].trimmed(), 0), IntegerOr(y.trimmed(), 0));
    return true;
}

bool ReadRect(const QString &text, TRectValue &value)
{
    QStringList p;
    if (!BracketPieces(text, p) || p.size() < 4)
        return false;
    const QString bottom = p.mid(3).join(u',');
    value.Left = IntegerOr(p[0].trimmed(), 0);
    value.Top = IntegerOr(p[1].trimmed(), 0);
    value.Right = IntegerOr(p[2].trimmed(), 0);
    value.Bottom = IntegerOr(bottom.trimmed(), 0);
    return true;
}

QString PascalString(const QString &text)
{
    QString s = text;
    s.replace(u'\'', QStringLiteral("''"));
    return u'\'' + s + u'\'';
}

QString PascalColor(TColor color)
{
    return u'$' + QString::number(static_cast<std::uint32_t>(color), 16).toUpper().rightJustified(6, u'0');
}

QString PascalDouble(double value)
{
    return QString::number(value, 'g', 15);
}

} // namespace TActionText
