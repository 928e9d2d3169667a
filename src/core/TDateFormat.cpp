#include "core/TDateFormat.h"

#include <QDate>
#include <QTime>
#include <cmath>

namespace {

constexpr qint64 kMsPerDay = 86400000;
const QDate kEpoch(1899, 12, 30);
// Days of 0001-01-01 and 9999-12-31 from the epoch.
constexpr double kMinDay = -693593;
constexpr double kMaxDay = 2958465;

struct TParts
{
    QDate date;
    int hour = 0, minute = 0, second = 0, msec = 0;
    QTime time() const { return QTime(hour, minute, second, msec); }
};

bool decode(double dt, TParts &p)
{
    if (!std::isfinite(dt) || dt < kMinDay - 1 || dt >= kMaxDay + 1)
        return false;
    qint64 days = qint64(std::trunc(dt));
    qint64 ms = std::llround(std::fabs(dt - std::trunc(dt)) * double(kMsPerDay));
    if (ms >= kMsPerDay) { // rounds up to the next midnight, later in time either side of the epoch
        ms -= kMsPerDay;
        days += dt < 0 ? -1 : 1;
    }
    p.date = kEpoch.addDays(days);
    if (!p.date.isValid() || p.date.year() < 1 || p.date.year() > 9999)
        return false;
    p.hour = int(ms / 3600000);
    p.minute = int(ms / 60000 % 60);
    p.second = int(ms / 1000 % 60);
    p.msec = int(ms % 1000);
    return true;
}

// Qt 6 puts the time zone ("t") into the long time format; the program's long time has none.
QString withoutZone(QString f)
{
    QString out;
    bool quoted = false;
    for (QChar c : f) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        out += c;
    }
    return out.trimmed();
}

QChar firstSeparator(const QString &f, QChar def)
{
    bool quoted = false;
    for (QChar c : f) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (!quoted && !c.isLetter() && !c.isSpace())
            return c;
    }
    return def;
}

QString number(int v, int digits)
{
    return QString::number(v).rightJustified(digits, QLatin1Char('0'));
}

bool startsWithCi(const QString &s, qsizetype i, const char *what)
{
    return s.mid(i, qsizetype(strlen(what))).compare(QLatin1String(what), Qt::CaseInsensitive) == 0;
}

// Whether an am/pm or a/p marker follows position i outside quotes (12-hour clock for this hour).
bool twelveHourAhead(const QString &f, qsizetype i)
{
    QChar quote;
    for (; i < f.size(); ++i) {
        const QChar c = f[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"'))
            quote = c;
        else if ((c == QLatin1Char('a') || c == QLatin1Char('A')) &&
                 (startsWithCi(f, i, "am/pm") || startsWithCi(f, i, "a/p") || startsWithCi(f, i, "ampm")))
            return true;
    }
    return false;
}

} // namespace

QLocale TDateFormat::regionalLocale()
{
    const QLocale sys = QLocale::system();
    if (sys.language() == QLocale::C)
        return QLocale(QLocale::French, QLocale::France);
    return sys;
}

TDateFormat::TDateFormat(const QLocale &locale) : m_locale(locale)
{
    if (locale.language() == QLocale::French && locale.territory() == QLocale::France) {
        m_shortDate = QStringLiteral("dd/MM/yyyy");
        m_longDate = QStringLiteral("dddd d MMMM yyyy");
        m_shortTime = QStringLiteral("HH:mm");
        m_longTime = QStringLiteral("HH:mm:ss");
    } else {
        m_shortDate = locale.dateFormat(QLocale::ShortFormat);
        m_longDate = locale.dateFormat(QLocale::LongFormat);
        m_shortTime = withoutZone(locale.timeFormat(QLocale::ShortFormat));
        m_longTime = withoutZone(locale.timeFormat(QLocale::LongFormat));
    }
    m_dateSep = firstSeparator(m_shortDate, QLatin1Char('/'));
    m_timeSep = firstSeparator(m_shortTime, QLatin1Char(':'));
}

const TDateFormat &TDateFormat::system()
{
    static const TDateFormat instance(regionalLocale());
    return instance;
}

QString TDateFormat::format(const QString &fmtIn, double dt) const
{
    TParts p;
    if (!decode(dt, p))
        return {};
    const QString fmt = fmtIn.isEmpty() ? QStringLiteral("c") : fmtIn;
    QString out;
    QChar last; // the last letter token, upper-cased: "m" after "h" means minutes
    const qsizetype n = fmt.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar ch = fmt[i];
        qsizetype count = 1;
        while (i + count < n && fmt[i + count] == ch)
            ++count;
        QChar tok = ch.toUpper();
        const bool letter = tok >= QLatin1Char('A') && tok <= QLatin1Char('Z');
        if (letter) {
            if (tok == QLatin1Char('M') && last == QLatin1Char('H') && count <= 2)
                tok = QLatin1Char('N');
            last = tok;
        }
        switch (tok.unicode()) {
        case 'Y':
            out += count <= 2 ? number(p.date.year() % 100, 2) : number(p.date.year(), 4);
            break;
        case 'M':
            if (count <= 2)
                out += number(p.date.month(), int(count));
            else
                out += m_locale.monthName(p.date.month(),
                                          count == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            break;
        case 'D':
            if (count <= 2)
                out += number(p.date.day(), int(count));
            else if (count <= 4)
                out += m_locale.dayName(p.date.dayOfWeek(),
                                        count == 3 ? QLocale::ShortFormat : QLocale::LongFormat);
            else
                out += m_locale.toString(p.date, count == 5 ? m_shortDate : m_longDate);
            break;
        case 'H': {
            int h = p.hour;
            if (twelveHourAhead(fmt, i + count))
                h = h == 0 ? 12 : h > 12 ? h - 12 : h;
            out += number(h, count <= 1 ? 1 : 2);
            break;
        }
        case 'N':
            out += number(p.minute, count <= 1 ? 1 : 2);
            break;
        case 'S':
            out += number(p.second, count <= 1 ? 1 : 2);
            break;
        case 'Z':
            out += number(p.msec, count <= 2 ? 1 : 3);
            break;
        case 'T':
            out += m_locale.toString(p.time(), count <= 1 ? m_shortTime : m_longTime);
            break;
        case 'C':
            out += m_locale.toString(p.date, m_shortDate);
            if (p.hour || p.minute || p.second || p.msec)
                out += QLatin1Char(' ') + m_locale.toString(p.time(), m_longTime);
            break;
        case 'A':
            count = 1;
            if (startsWithCi(fmt, i, "am/pm")) {
                out += fmt.mid(p.hour >= 12 ? i + 3 : i, 2);
                count = 5;
            } else if (startsWithCi(fmt, i, "a/p")) {
                out += fmt[p.hour >= 12 ? i + 2 : i];
                count = 3;
            } else if (startsWithCi(fmt, i, "ampm")) {
                out += p.hour >= 12 ? m_locale.pmText() : m_locale.amText();
                count = 4;
            } else {
                out += ch;
            }
            break;
        case '/':
            out += QString(count, m_dateSep);
            break;
        case ':':
            out += QString(count, m_timeSep);
            break;
        case '\'':
        case '"': {
            const qsizetype end = fmt.indexOf(ch, i + 1);
            const qsizetype stop = end < 0 ? n : end;
            out += fmt.mid(i + 1, stop - i - 1);
            count = end < 0 ? n - i : stop - i + 1;
            break;
        }
        default:
            out += QString(count, ch);
            break;
        }
        i += count;
    }
    return out;
}

QString FormatDateTime(const QString &fmt, double dt)
{
    return TDateFormat::system().format(fmt, dt);
}

bool DateTimeFromParts(int year, int month, int day, int hour, int minute, int second, int msec, double &dt)
{
    const QDate d(year, month, day);
    if (year < 1 || year > 9999 || !d.isValid() || hour < 0 || hour > 23 || minute < 0 || minute > 59 ||
        second < 0 || second > 59 || msec < 0 || msec > 999)
        return false;
    const double days = double(kEpoch.daysTo(d));
    const double t = double(((hour * 60 + minute) * 60 + second) * 1000 + msec) / double(kMsPerDay);
    dt = days >= 0 ? days + t : days - t;
    return true;
}
