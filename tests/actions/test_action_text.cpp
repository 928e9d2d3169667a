#include "actions/TActionText.h"
#include "core/TColors.h"

#include <gtest/gtest.h>

using namespace TActionText;

TEST(ActionText, IntegerReadings)
{
    int v = 0;
    EXPECT_TRUE(ReadInteger("42", v));
    EXPECT_EQ(v, 42);
    EXPECT_TRUE(ReadInteger("-5", v));
    EXPECT_EQ(v, -5);
    EXPECT_TRUE(ReadInteger("+7", v));
    EXPECT_EQ(v, 7);
    EXPECT_TRUE(ReadInteger("$1F", v));
    EXPECT_EQ(v, 31);
    EXPECT_TRUE(ReadInteger("$ff", v));
    EXPECT_EQ(v, 255);
    EXPECT_TRUE(ReadInteger("$FFFFFFFF", v));
    EXPECT_EQ(v, -1);
    EXPECT_TRUE(ReadInteger("-2147483648", v));
    EXPECT_EQ(v, INT32_MIN);
    EXPECT_TRUE(ReadInteger("2147483647", v));
    EXPECT_EQ(v, INT32_MAX);

    for (const char *bad : {"", "abc", "12a", " 12", "12 ", "$", "$1G", "2147483648", "-2147483649",
                            "$100000000", "+", "-", "1.5", "99999999999999999999"})
        EXPECT_FALSE(ReadInteger(QString::fromLatin1(bad), v)) << bad;
    EXPECT_EQ(IntegerOr("abc", -1), -1);
}

TEST(ActionText, ColourIdentifiersAndIntegers)
{
    TColor c = 0;
    EXPECT_TRUE(ReadColor("clRed", c));
    EXPECT_EQ(c, 0x0000FF);
    EXPECT_TRUE(ReadColor("CLSKYBLUE", c));
    EXPECT_EQ(c, 0xF0CAA6);
    EXPECT_TRUE(ReadColor("clBtnFace", c));
    EXPECT_EQ(static_cast<std::uint32_t>(c), 0xFF00000Fu);
    EXPECT_TRUE(ReadColor("clMenuBar", c));
    EXPECT_EQ(static_cast<std::uint32_t>(c), 0xFF00001Eu);
    EXPECT_TRUE(ReadColor("clNone", c));
    EXPECT_EQ(c, 0x1FFFFFFF);
    EXPECT_TRUE(ReadColor("clDefault", c));
    EXPECT_EQ(c, 0x20000000);
    EXPECT_TRUE(ReadColor("$00FF00", c));
    EXPECT_EQ(c, 0x00FF00);
    EXPECT_TRUE(ReadColor("255", c));
    EXPECT_EQ(c, 255);
    c = 7;
    EXPECT_FALSE(ReadColor("red", c));
    EXPECT_FALSE(ReadColor("clRouge", c));
    EXPECT_EQ(c, 7);

    EXPECT_EQ(TColors::ToIdent(0x808080), "clGray");
    // The drawing edge: $00BBGGRR to RGB, system colours from the palette.
    EXPECT_EQ(TColors::ToQColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(TColors::ToQColor(0xF0CAA6), QColor(0xA6, 0xCA, 0xF0));
    EXPECT_FALSE(TColors::ToQColor(TColors::clNone).isValid());
    QPalette pal;
    pal.setColor(QPalette::Active, QPalette::Button, QColor(1, 2, 3));
    EXPECT_EQ(TColors::ToQColor(TColors::SystemColor(15), &pal), QColor(1, 2, 3));
    EXPECT_EQ(TColors::FromQColor(QColor(0x12, 0x34, 0x56)), 0x563412);
}

TEST(ActionText, BooleanReadings)
{
    for (const char *t : {"true", "TRUE", "  VRAI  ", "vrai", "t", "V", "2", "-1", "$10", " 1 "})
        EXPECT_TRUE(ReadBoolean(QString::fromLatin1(t))) << t;
    for (const char *f : {"", "0", "non", "false", "faux", "f", "yes", "$0", "abc"})
        EXPECT_FALSE(ReadBoolean(QString::fromLatin1(f))) << f;
}

TEST(ActionText, PointAndRectangleReadings)
{
    QPoint p(99, 99);
    EXPECT_TRUE(ReadPoint("(10, 20)", p));
    EXPECT_EQ(p, QPoint(10, 20));
    EXPECT_TRUE(ReadPoint(" ( -3 ,4 ) ", p));
    EXPECT_EQ(p, QPoint(-3, 4));
    EXPECT_TRUE(ReadPoint("(a,7)", p));
    EXPECT_EQ(p, QPoint(0, 7));
    p = QPoint(99, 99);
    EXPECT_FALSE(ReadPoint("10,20", p));
    EXPECT_FALSE(ReadPoint("(10 20)", p));
    EXPECT_FALSE(ReadPoint("(10,20", p));
    EXPECT_FALSE(ReadPoint("", p));
    EXPECT_EQ(p, QPoint(99, 99));

    TRectValue r;
    EXPECT_TRUE(ReadRect("(1,2,3,4)", r));
    EXPECT_EQ(r, (TRectValue{1, 2, 3, 4}));
    EXPECT_TRUE(ReadRect("( 10 , x , 30 , 40 )", r));
    EXPECT_EQ(r, (TRectValue{10, 0, 30, 40}));
    r = TRectValue{9, 9, 9, 9};
    EXPECT_FALSE(ReadRect("(1,2,3)", r));
    EXPECT_FALSE(ReadRect("1,2,3,4", r));
    EXPECT_EQ(r, (TRectValue{9, 9, 9, 9}));
}

TEST(ActionText, PascalLiterals)
{
    EXPECT_EQ(PascalString("abc"), "'abc'");
    EXPECT_EQ(PascalString("l'image"), "'l''image'");
    EXPECT_EQ(PascalColor(0x0000FF), "$0000FF");
    EXPECT_EQ(PascalColor(static_cast<TColor>(0xFF00000F)), "$FF00000F");
    EXPECT_EQ(PascalColor(0xABCDEF), "$ABCDEF");
    EXPECT_EQ(PascalDouble(1.5), "1.5");
    EXPECT_EQ(PascalDouble(-0.25), "-0.25");
    EXPECT_EQ(PascalDouble(3), "3");
}

TEST(ActionText, RectValueBoundsRoundTrip)
{
    const TRectValue r{10, 20, 310, 220};
    const QRect q = r.toQRect();
    EXPECT_EQ(q.left(), 10);
    EXPECT_EQ(q.width(), 300);
    EXPECT_EQ(q.height(), 200);
    EXPECT_EQ(TRectValue::fromQRect(q), r);
    const TRectValue empty{5, 5, 5, 5};
    EXPECT_EQ(TRectValue::fromQRect(empty.toQRect()), empty);
}
