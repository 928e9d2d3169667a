#include "core/TDateFormat.h"

#include <gtest/gtest.h>

namespace {
double dateTime(int y, int mo, int d, int h, int mi, int s, int ms)
{
    double dt = 0;
    EXPECT_TRUE(DateTimeFromParts(y, mo, d, h, mi, s, ms, dt));
    return dt;
}
} // namespace

TEST(DateFormat, EveryTokenInFrench)
{
    const TDateFormat fr(QLocale(QLocale::French, QLocale::France));
    const double dt = dateTime(2003, 11, 23, 8, 9, 10, 45); // a Sunday
    const struct
    {
        const char *fmt, *text;
    } cases[] = {
        {"d", "23"},
        {"dd", "23"},
        {"ddd", "dim."},
        {"dddd", "dimanche"},
        {"ddddd", "23/11/2003"},
        {"dddddd", "dimanche 23 novembre 2003"},
        {"m", "11"},
        {"mm", "11"},
        {"mmm", "nov."},
        {"mmmm", "novembre"},
        {"yy", "03"},
        {"yyyy", "2003"},
        {"h", "8"},
        {"hh", "08"},
        {"n", "9"},
        {"nn", "09"},
        {"s", "10"},
        {"ss", "10"},
        {"z", "45"},
        {"zzz", "045"},
        {"t", "08:09"},
        {"tt", "08:09:10"},
        {"c", "23/11/2003 08:09:10"},
        {"", "23/11/2003 08:09:10"},
        {"h:m", "8:9"},
        {"hh:mm", "08:09"},
        {"hh'h'mm", "08h09"},
        {"mm hh mm", "11 08 09"},
        {"hh:mm am/pm", "08:09 am"},
        {"h a/p", "8 a"},
        {"H AM/PM", "8 AM"},
        {"'dd' \"mm\" dd", "dd mm 23"},
        {"dd/mm/yyyy", "23/11/2003"},
        {"dddddd - tt", "dimanche 23 novembre 2003 - 08:09:10"},
        {"d mmm yyyy", "23 nov. 2003"},
        {"x-q!", "x-q!"},
        {"'unterminated", "unterminated"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(fr.format(QString::fromUtf8(c.fmt), dt), QString::fromUtf8(c.text)) << c.fmt;

    const double evening = dateTime(2003, 11, 5, 20, 9, 0, 0);
    EXPECT_EQ(fr.format("d dd", evening), "5 05");
    EXPECT_EQ(fr.format("hh:nn am/pm", evening), "08:09 pm");
    EXPECT_EQ(fr.format("h a/p", evening), "8 p");
    EXPECT_EQ(fr.format("hh", evening), "20");
    EXPECT_EQ(fr.format("h am/pm", dateTime(2003, 11, 5, 0, 30, 0, 0)), "12 am");

    // "c" leaves the time out at exactly midnight.
    EXPECT_EQ(fr.format("c", dateTime(2003, 11, 23, 0, 0, 0, 0)), "23/11/2003");
    EXPECT_EQ(fr.format("", dateTime(2003, 11, 23, 0, 0, 0, 1)), "23/11/2003 00:00:00");
}

TEST(DateFormat, RegionalSeparatorsAndBadValues)
{
    const TDateFormat de(QLocale(QLocale::German, QLocale::Germany));
    const double dt = dateTime(2003, 11, 23, 8, 9, 10, 0);
    EXPECT_EQ(de.format("dd/mm/yyyy hh:nn", dt), "23.11.2003 08:09");
    EXPECT_EQ(de.format("dddd", dt), "Sonntag");

    const TDateFormat &sys = TDateFormat::system();
    if (QLocale::system().language() == QLocale::C) {
        EXPECT_EQ(sys.locale().language(), QLocale::French);
    }
    EXPECT_EQ(FormatDateTime("yyyy", dt), "2003");

    EXPECT_EQ(sys.format("c", std::nan("")), "");
    EXPECT_EQ(sys.format("c", 1e300), "");
    EXPECT_EQ(sys.format("yyyy", -1e9), "");
    // A time that rounds up to midnight belongs to the next day.
    EXPECT_EQ(sys.format("dd hh:nn:ss zzz", dateTime(2003, 11, 23, 23, 59, 59, 999) + 0.6 / 86400000.0),
              "24 00:00:00 000");
    // Before the epoch the fraction is still the time of day.
    EXPECT_EQ(sys.format("yyyy-mm-dd hh:nn", -1.25), "1899-12-29 06:00");
    double out = 0;
    EXPECT_FALSE(DateTimeFromParts(2003, 2, 29, 0, 0, 0, 0, out));
    EXPECT_FALSE(DateTimeFromParts(2003, 1, 1, 24, 0, 0, 0, out));
    EXPECT_FALSE(DateTimeFromParts(2000, 0, 0, 0, 0, 0, 0, out));
    EXPECT_TRUE(DateTimeFromParts(1899, 12, 30, 0, 0, 0, 0, out));
    EXPECT_EQ(out, 0.0);
}
