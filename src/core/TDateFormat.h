#pragma once
// The one date-time formatter of the program: the overlay's date codes, the notifier's date texts,
// the macro header and the scripts' FormatDateTime all format through it. Date-times are doubles
// counting days since 30 December 1899 (the fraction is the time of day).
//
// Tokens: d dd ddd dddd ddddd dddddd, m mm mmm mmmm (m/mm right after an hour token = minutes),
// yy yyyy, h hh, n nn, s ss, z zzz, t tt, c, am/pm a/p, "/" ":" (regional separators), text in single
// or double quotes copied; an empty format counts as "c". Anything else is copied.
//
// Regional parts (names, short and long date, short and long time, separators) come from a QLocale;
// the system's, or French (France) when the system locale is C/POSIX.
#include <QLocale>
#include <QString>

class TDateFormat
{
public:
    explicit TDateFormat(const QLocale &locale);

    // The formatter for the system locale (French when that is C/POSIX). Cheap to call, any thread.
    static const TDateFormat &system();
    // The locale of the regional parts: the system's, or French (France) when that is C/POSIX.
    static QLocale regionalLocale();

    // Formats dt; an empty text when dt is not a representable date (NaN, infinite, outside the
    // years 1-9999).
    QString format(const QString &fmt, double dt) const;

    QString shortDateFormat() const { return m_shortDate; } // Qt pattern, "dd/MM/yyyy"
    QString longDateFormat() const { return m_longDate; }
    QString shortTimeFormat() const { return m_shortTime; }
    QString longTimeFormat() const { return m_longTime; }
    QChar dateSeparator() const { return m_dateSep; }
    QChar timeSeparator() const { return m_timeSep; }
    const QLocale &locale() const { return m_locale; }

private:
    QLocale m_locale;
    QString m_shortDate, m_longDate, m_shortTime, m_longTime;
    QChar m_dateSep, m_timeSep;
};

// TDateFormat::system().format(fmt, dt).
QString FormatDateTime(const QString &fmt, double dt);

// Conversions between the day-count form and broken-down dates. DateTimeFromParts returns false for
// a date or time that is not a valid calendar date-time (the caller's calendar check).
bool DateTimeFromParts(int year, int month, int day, int hour, int minute, int second, int msec, double &dt);
