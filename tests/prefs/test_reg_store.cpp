#include "prefs/TRegPreferencesMan.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

namespace {

class RegStore : public testing::Test
{
protected:
    const QString base = TPreferencesMan::RegistryBasePath(QStringLiteral("Framix"));
    const QString configHome = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);

    void SetUp() override { QDir(configHome + QStringLiteral("/Vardo")).removeRecursively(); }
    void TearDown() override { SetUp(); }

    std::unique_ptr<TRegPreferencesMan> Open(bool create = true)
    {
        return std::make_unique<TRegPreferencesMan>(base, create);
    }
};

std::uint64_t Bits(double d)
{
    std::uint64_t b = 0;
    std::memcpy(&b, &d, 8);
    return b;
}

} // namespace

TEST_F(RegStore, LivesUnderXdgConfigHome)
{
    EXPECT_EQ(TRegPreferencesMan::FolderOf(base), configHome + QStringLiteral("/Vardo/Framix"));
    EXPECT_FALSE(TRegPreferencesMan::KeyExists(base));
    {
        auto s = Open(false);
        EXPECT_FALSE(s->IsOpen());
        EXPECT_FALSE(s->WriteInteger(QStringLiteral("a"), 1));
        EXPECT_FALSE(s->OpenKey(QStringLiteral("ShowForm"), true));
    }
    EXPECT_FALSE(TRegPreferencesMan::KeyExists(base));
    Open(true).reset();
    EXPECT_TRUE(TRegPreferencesMan::KeyExists(base));
}

TEST_F(RegStore, RoundTripOfEveryType)
{
    const QString texts[] = {QString(), QStringLiteral("Dernière Sauvegarde é€✓"),
                             QStringLiteral("two\r\nlines"),
                             QString(QChar(0xDC00)) + QStringLiteral("lone surrogate"),
                             QStringLiteral("nul") + QChar(0) + QStringLiteral("inside")};
    const double floats[] = {0.1,
                             -0.0,
                             1.0 / 3,
                             std::numeric_limits<double>::quiet_NaN(),
                             -std::numeric_limits<double>::infinity(),
                             5e-324};
    TFontDesc font;
    font.Name = QStringLiteral("Courier New");
    font.Size = 9;
    font.Color = static_cast<std::int32_t>(0xFF00000F);
    font.Pitch = 2;
    font.Bold = font.Underline = true;
    {
        auto s = Open();
        ASSERT_TRUE(s->IsOpen());
        ASSERT_TRUE(s->OpenKey(QStringLiteral("ShowForm"), true));
        for (int i = 0; i < int(std::size(texts)); ++i)
            EXPECT_TRUE(s->WriteString(QStringLiteral("s%1").arg(i), texts[i]));
        for (int i = 0; i < int(std::size(floats)); ++i)
            EXPECT_TRUE(s->WriteFloat(QStringLiteral("f%1").arg(i), floats[i]));
        EXPECT_TRUE(s->WriteInteger(QStringLiteral("min"), std::numeric_limits<std::int32_t>::min()));
        EXPECT_TRUE(s->WriteInteger(QStringLiteral("max"), std::numeric_limits<std::int32_t>::max()));
        EXPECT_TRUE(s->WriteBool(QStringLiteral("t"), true));
        EXPECT_TRUE(s->WritePoint(QStringLiteral("InsertPosition"), QPoint(5000, -8200)));
        EXPECT_TRUE(s->WriteRect(QStringLiteral("FormSave"), QRect(-10, 20, 640, 480)));
        EXPECT_TRUE(s->WriteFont(QStringLiteral("InsertFont"), font));
        EXPECT_EQ(s->Path(), QStringLiteral("ShowForm"));
    }
    auto s = Open(false);
    ASSERT_TRUE(s->OpenKey(QStringLiteral("showform"), false));
    for (int i = 0; i < int(std::size(texts)); ++i) {
        QString v = QStringLiteral("unset");
        EXPECT_TRUE(s->ReadString(QStringLiteral("S%1").arg(i), v));
        EXPECT_EQ(v, texts[i]) << i;
    }
    for (int i = 0; i < int(std::size(floats)); ++i) {
        double v = 0;
        EXPECT_TRUE(s->ReadFloat(QStringLiteral("f%1").arg(i), v));
        EXPECT_EQ(Bits(v), Bits(floats[i])) << i; // the 8 bytes exactly
    }
    std::int32_t i = 0;
    EXPECT_TRUE(s->ReadInteger(QStringLiteral("min"), i));
    EXPECT_EQ(i, std::numeric_limits<std::int32_t>::min());
    EXPECT_TRUE(s->ReadInteger(QStringLiteral("max"), i));
    EXPECT_EQ(i, std::numeric_limits<std::int32_t>::max());
    bool b = false;
    EXPECT_TRUE(s->ReadBool(QStringLiteral("t"), b));
    EXPECT_TRUE(b);
    QPoint p;
    EXPECT_TRUE(s->ReadPoint(QStringLiteral("InsertPosition"), p));
    EXPECT_EQ(p, QPoint(5000, -8200));
    QRect r;
    EXPECT_TRUE(s->ReadRect(QStringLiteral("FormSave"), r));
    EXPECT_EQ(r, QRect(-10, 20, 640, 480));
    TFontDesc f;
    f.Italic = true;
    EXPECT_TRUE(s->ReadFont(QStringLiteral("InsertFont"), f));
    EXPECT_EQ(f, font);
    QStringList keys;
    EXPECT_TRUE(s->GetKeyNames(keys));
    EXPECT_EQ(keys, QStringList({"FormSave", "InsertFont"})); // alphabetical, like the registry
    QStringList values;
    EXPECT_TRUE(s->GetValueNames(values));
    EXPECT_EQ(values.size(), 5 + 6 + 3 + 2);
    EXPECT_EQ(values.front(), QStringLiteral("s0"));
}

TEST_F(RegStore, TypedReadsAndFailures)
{
    auto s = Open();
    s->WriteString(QStringLiteral("str"), QStringLiteral("12"));
    s->WriteInteger(QStringLiteral("two"), 2);
    s->WriteFloat(QStringLiteral("dbl"), 1.5);
    std::int32_t i = 7;
    EXPECT_FALSE(s->ReadInteger(QStringLiteral("str"), i));
    EXPECT_FALSE(s->ReadInteger(QStringLiteral("dbl"), i));
    EXPECT_EQ(i, 7);
    QString str = QStringLiteral("keep");
    EXPECT_FALSE(s->ReadString(QStringLiteral("two"), str));
    EXPECT_EQ(str, QStringLiteral("keep"));
    double d = 9;
    EXPECT_FALSE(s->ReadFloat(QStringLiteral("two"), d));
    EXPECT_EQ(d, 9);
    // A word other than 0 or 1 succeeds without changing the variable.
    bool b = true;
    EXPECT_TRUE(s->ReadBool(QStringLiteral("two"), b));
    EXPECT_TRUE(b);
    b = false;
    EXPECT_TRUE(s->ReadBool(QStringLiteral("two"), b));
    EXPECT_FALSE(b);
    // Writing a name again in other case replaces the value and keeps the first spelling.
    EXPECT_TRUE(s->WriteInteger(QStringLiteral("TWO"), 3));
    QStringList names;
    s->GetValueNames(names);
    EXPECT_EQ(names, QStringList({"str", "two", "dbl"}));
    EXPECT_TRUE(s->DeleteValue(QStringLiteral("Str")));
    EXPECT_FALSE(s->DeleteValue(QStringLiteral("str")));
    // A key that does not open leaves the store where it was; composite reads do not create it.
    EXPECT_FALSE(s->OpenKey(QStringLiteral("Missing"), false));
    EXPECT_EQ(s->Path(), QString());
    QRect r(1, 2, 3, 4);
    EXPECT_FALSE(s->ReadRect(QStringLiteral("FormSave"), r));
    EXPECT_EQ(r, QRect(1, 2, 3, 4));
    TFontDesc f;
    EXPECT_FALSE(s->ReadFont(QStringLiteral("InsertFont"), f));
    names.clear();
    s->GetKeyNames(names);
    EXPECT_TRUE(names.isEmpty());
    EXPECT_EQ(s->Path(), QString());
    EXPECT_TRUE(s->CloseKey()); // at the root: stays there
    EXPECT_EQ(s->Path(), QString());
}

TEST_F(RegStore, TwoObjectsDoNotUndoEachOther)
{
    auto a = Open();
    auto b = Open();
    a->OpenKey(QStringLiteral("ShowForm"), true);
    a->WriteInteger(QStringLiteral("FromA"), 1);
    EXPECT_TRUE(a->CloseKey()); // commits
    b->OpenKey(QStringLiteral("ShowForm\\VideoDecoders"), true);
    b->WriteString(QStringLiteral("FromB"), QStringLiteral("x"));
    EXPECT_TRUE(b->Flush());
    a.reset();
    b.reset();
    auto c = Open(false);
    std::int32_t i = 0;
    QString str;
    ASSERT_TRUE(c->OpenKey(QStringLiteral("ShowForm"), false));
    EXPECT_TRUE(c->ReadInteger(QStringLiteral("FromA"), i));
    ASSERT_TRUE(c->OpenKey(QStringLiteral("VideoDecoders"), false));
    EXPECT_TRUE(c->ReadString(QStringLiteral("FromB"), str));
    EXPECT_EQ(c->Path(), QStringLiteral("ShowForm\\VideoDecoders"));
}

TEST_F(RegStore, CorruptFileIsKeptAside)
{
    const QString file = TRegPreferencesMan::FileOf(base);
    QDir().mkpath(QFileInfo(file).absolutePath());
    const QByteArray junk("{\"format\": \"Framix preferences\", \"values\": [ {\"name\": tru");
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(junk);
    }
    {
        auto s = Open();
        QString v;
        EXPECT_FALSE(s->ReadString(QStringLiteral("Version"), v));
        EXPECT_TRUE(s->WriteString(QStringLiteral("Version"), QStringLiteral("new")));
    }
    QFile bak(file + QStringLiteral(".bak"));
    ASSERT_TRUE(bak.open(QIODevice::ReadOnly));
    EXPECT_EQ(bak.readAll(), junk);
    EXPECT_TRUE(TRegPreferencesMan::ParseForCheck([&] {
        QFile f(file);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }()));
    // Entries of a known file that cannot be understood are skipped, the rest is used.
    EXPECT_FALSE(TRegPreferencesMan::ParseForCheck(
        "{\"format\":\"Framix preferences\",\"values\":[{\"name\":\"a\",\"type\":\"dword\",\"data\":-1}]}"));
}

TEST_F(RegStore, DeleteRegistryKeyRemovesMakerLevelOnlyWhenEmpty)
{
    Open().reset();
    TRegPreferencesMan other(TPreferencesMan::RegistryBasePath(QStringLiteral("Other")), true);
    other.WriteBool(QStringLiteral("x"), true);
    other.Flush();
    EXPECT_TRUE(TPreferencesMan::DeleteRegistryKey(QStringLiteral("Framix")));
    EXPECT_FALSE(TRegPreferencesMan::KeyExists(base));
    EXPECT_TRUE(QFileInfo(configHome + QStringLiteral("/Vardo")).isDir());
    EXPECT_TRUE(TPreferencesMan::DeleteRegistryKey(QStringLiteral("Other")));
    EXPECT_FALSE(QFileInfo(configHome + QStringLiteral("/Vardo")).exists());
    EXPECT_TRUE(TPreferencesMan::DeleteRegistryKey(QStringLiteral("Framix"))); // nothing to do
}

TEST_F(RegStore, UncreatableStoreReportsFailure)
{
    QDir().mkpath(configHome);
    QFile blocker(configHome + QStringLiteral("/Blocked"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    TRegPreferencesMan s(QStringLiteral("Software\\Blocked\\App"), true);
    EXPECT_FALSE(s.IsOpen());
    EXPECT_FALSE(s.WriteString(QStringLiteral("a"), QStringLiteral("b")));
    QString v;
    EXPECT_FALSE(s.ReadString(QStringLiteral("a"), v));
    blocker.remove();
}
