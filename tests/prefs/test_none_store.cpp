#include "prefs/TNonePreferencesMan.h"

#include <gtest/gtest.h>

TEST(NoneStore, WritesSucceedReadsFailNothingKept)
{
    TNonePreferencesMan s;
    EXPECT_TRUE(s.OpenKey(QString(), true));
    EXPECT_TRUE(s.OpenKey(QStringLiteral("ShowForm"), false));
    EXPECT_EQ(s.Path(), QStringLiteral("ShowForm"));
    EXPECT_TRUE(s.WriteString(QStringLiteral("a"), QStringLiteral("x")));
    EXPECT_TRUE(s.WriteInteger(QStringLiteral("i"), 5));
    EXPECT_TRUE(s.WriteBool(QStringLiteral("b"), true));
    EXPECT_TRUE(s.WriteFloat(QStringLiteral("f"), 1.5));
    EXPECT_TRUE(s.WriteFont(QStringLiteral("Font"), TFontDesc{}));
    EXPECT_TRUE(s.WriteRect(QStringLiteral("R"), QRect(1, 2, 3, 4)));
    EXPECT_EQ(s.Path(), QStringLiteral("ShowForm"));

    QString str = QStringLiteral("default");
    std::int32_t i = 7;
    bool b = true;
    double f = 2.5;
    QRect r(9, 9, 9, 9);
    EXPECT_FALSE(s.ReadString(QStringLiteral("a"), str));
    EXPECT_FALSE(s.ReadInteger(QStringLiteral("i"), i));
    EXPECT_FALSE(s.ReadBool(QStringLiteral("b"), b));
    EXPECT_FALSE(s.ReadFloat(QStringLiteral("f"), f));
    EXPECT_FALSE(s.ReadRect(QStringLiteral("R"), r));
    EXPECT_EQ(str, QStringLiteral("default"));
    EXPECT_EQ(i, 7);
    EXPECT_TRUE(b);
    EXPECT_EQ(f, 2.5);
    EXPECT_EQ(r, QRect(9, 9, 9, 9));
    QStringList names;
    EXPECT_FALSE(s.GetKeyNames(names));
    EXPECT_FALSE(s.GetValueNames(names));
    EXPECT_FALSE(s.DeleteValue(QStringLiteral("a")));
    EXPECT_TRUE(s.CloseKey());
    EXPECT_EQ(s.Path(), QString());
}
