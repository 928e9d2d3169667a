#include "prefs/TIniPreferencesMan.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <limits>
#include <memory>

namespace {

// The file's bytes, shown as text when a comparison fails.
struct FileBytes
{
    QByteArray bytes;
    bool operator==(const FileBytes &) const = default;
};
void PrintTo(const FileBytes &f, std::ostream *os)
{
    QString s;
    for (qsizetype i = 0; i + 1 < f.bytes.size(); i += 2)
        s += QChar(char16_t(uchar(f.bytes[i]) | (uchar(f.bytes[i + 1]) << 8)));
    *os << f.bytes.size() << " bytes: " << s.toUtf8().replace("\r\n", "|\n").toStdString();
}

// The expected file: byte-order mark, then the text as UTF-16 little-endian.
FileBytes Utf16File(const QString &text)
{
    QByteArray out("\xFF\xFE", 2);
    for (QChar c : text) {
        out.append(char(c.unicode() & 0xFF));
        out.append(char(c.unicode() >> 8));
    }
    return {out};
}

FileBytes ReadAll(const QString &name)
{
    QFile f(name);
    return {f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray()};
}

void WriteAll(const QString &name, const QByteArray &bytes)
{
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

class IniStore : public testing::Test
{
protected:
    QTemporaryDir dir;
    QString file = dir.filePath(QStringLiteral("Framix.ini"));

    std::unique_ptr<TIniPreferencesMan> Open()
    {
        auto s = std::make_unique<TIniPreferencesMan>(file, true);
        s->SetDecimalSeparator(QLatin1Char(','));
        return s;
    }
};

} // namespace

TEST_F(IniStore, FreshStoreSavesRootHeaderOnly)
{
    Open().reset();
    EXPECT_EQ(ReadAll(file), Utf16File(QStringLiteral("[]\r\n")));
}

TEST_F(IniStore, WholeFileLayout)
{
    {
        auto s = Open();
        EXPECT_TRUE(s->WriteString(QStringLiteral("Version"), QStringLiteral("Framix 6 de Vardo")));
        ASSERT_TRUE(s->OpenKey(QStringLiteral("ShowForm"), true));
        EXPECT_EQ(s->Path(), QStringLiteral("ShowForm"));
        EXPECT_TRUE(s->WriteBool(QStringLiteral("Sliders"), true));
        EXPECT_TRUE(s->WriteInteger(QStringLiteral("Digits"), -42));
        EXPECT_TRUE(s->WriteFloat(QStringLiteral("InsertTransparency"), 0.75));
        EXPECT_TRUE(s->WritePoint(QStringLiteral("InsertPosition"), QPoint(5000, 8200)));
        TFontDesc font;
        font.Name = QStringLiteral("Arial");
        font.Size = 16;
        font.Color = 0x800000;
        font.Bold = true;
        EXPECT_TRUE(s->WriteFont(QStringLiteral("InsertFont"), font));
        EXPECT_EQ(s->Path(), QStringLiteral("ShowForm"));
        EXPECT_TRUE(s->WriteRect(QStringLiteral("FormSave"), QRect(10, 20, 300, 200)));
        // Same name twice: one line, at its first place, with the last value.
        EXPECT_TRUE(s->WriteBool(QStringLiteral("sliders"), false));
        EXPECT_TRUE(s->CloseKey());
        EXPECT_EQ(s->Path(), QString());
        // A new root value goes before the empty line that ends the root section.
        EXPECT_TRUE(s->WriteString(QStringLiteral("ExeName"), QStringLiteral("/opt/framix/framix")));
    }
    EXPECT_EQ(ReadAll(file), Utf16File(QStringLiteral("[]\r\n"
                                                      "Version=Framix 6 de Vardo\r\n"
                                                      "ExeName=/opt/framix/framix\r\n"
                                                      "\r\n"
                                                      "[ShowForm]\r\n"
                                                      "sliders=False\r\n"
                                                      "Digits=-42\r\n"
                                                      "InsertTransparency=0,75\r\n"
                                                      "InsertPosition.X=5000\r\n"
                                                      "InsertPosition.Y=8200\r\n"
                                                      "\r\n"
                                                      "[ShowForm\\InsertFont]\r\n"
                                                      "Charset=1\r\n"
                                                      "Color=8388608\r\n"
                                                      "Name=Arial\r\n"
                                                      "Pitch=0\r\n"
                                                      "PixelsperInch=96\r\n"
                                                      "Size=16\r\n"
                                                      "Bold=True\r\n"
                                                      "Italic=False\r\n"
                                                      "StrikeOut=False\r\n"
                                                      "Underline=False\r\n"
                                                      "\r\n"
                                                      "[ShowForm\\FormSave]\r\n"
                                                      "Left=10\r\n"
                                                      "Top=20\r\n"
                                                      "Right=310\r\n"
                                                      "Bottom=220\r\n")));
}

TEST_F(IniStore, RoundTripOfEveryType)
{
    TFontDesc font;
    font.Name = QStringLiteral("Liberation Sans");
    font.Size = 27;
    font.Color = 0x00FFFF;
    font.Charset = 0;
    font.Pitch = 2;
    font.PixelsPerInch = 120;
    font.Italic = font.Underline = font.StrikeOut = true;
    const double floats[] = {0.1,     -2.5, 1.0 / 3,      1e20, 1.5e-7, 123456789012345.0,
                             0.00001, -0.0, 6.02214076e23};
    const QString texts[] = {QString(),
                             QStringLiteral("é ü ß € ✓ 日本"),
                             QStringLiteral("a=b=c"),
                             QStringLiteral("two\r\nlines"),
                             QStringLiteral("lf\nonly"),
                             QStringLiteral("\\~looks escaped"),
                             QStringLiteral("C:\\new\\readme"),
                             QStringLiteral("[not a header]"),
                             QString(QChar(0xD800)) + QStringLiteral("x")};
    {
        auto s = Open();
        ASSERT_TRUE(s->OpenKey(QStringLiteral("Types"), true));
        for (int i = 0; i < int(std::size(texts)); ++i)
            EXPECT_TRUE(s->WriteString(QStringLiteral("s%1").arg(i), texts[i]));
        for (int i = 0; i < int(std::size(floats)); ++i)
            EXPECT_TRUE(s->WriteFloat(QStringLiteral("f%1").arg(i), floats[i]));
        EXPECT_TRUE(s->WriteInteger(QStringLiteral("imin"), std::numeric_limits<std::int32_t>::min()));
        EXPECT_TRUE(s->WriteInteger(QStringLiteral("imax"), std::numeric_limits<std::int32_t>::max()));
        EXPECT_TRUE(s->WriteBool(QStringLiteral("yes"), true));
        EXPECT_TRUE(s->WriteBool(QStringLiteral("no"), false));
        EXPECT_TRUE(s->WritePoint(QStringLiteral("P"), QPoint(-3, 7)));
        EXPECT_TRUE(s->WriteRect(QStringLiteral("R"), QRect(QPoint(-5, -6), QPoint(99, 199))));
        EXPECT_TRUE(s->WriteFont(QStringLiteral("F"), font));
    }
    auto s = Open();
    EXPECT_EQ(s->LoadResult(), TIniPreferencesMan::TLoadResult::Ok);
    ASSERT_TRUE(s->OpenKey(QStringLiteral("types"), false));
    for (int i = 0; i < int(std::size(texts)); ++i) {
        QString v = QStringLiteral("unset");
        EXPECT_TRUE(s->ReadString(QStringLiteral("S%1").arg(i), v));
        EXPECT_EQ(v, texts[i]) << i;
    }
    for (int i = 0; i < int(std::size(floats)); ++i) {
        double v = 99;
        EXPECT_TRUE(s->ReadFloat(QStringLiteral("f%1").arg(i), v));
        // 15 significant digits are kept, as the file format has always done.
        EXPECT_NEAR(v, floats[i], std::abs(floats[i]) * 1e-14) << i;
    }
    std::int32_t i = 0;
    EXPECT_TRUE(s->ReadInteger(QStringLiteral("imin"), i));
    EXPECT_EQ(i, std::numeric_limits<std::int32_t>::min());
    EXPECT_TRUE(s->ReadInteger(QStringLiteral("imax"), i));
    EXPECT_EQ(i, std::numeric_limits<std::int32_t>::max());
    bool b = false;
    EXPECT_TRUE(s->ReadBool(QStringLiteral("yes"), b));
    EXPECT_TRUE(b);
    EXPECT_TRUE(s->ReadBool(QStringLiteral("no"), b));
    EXPECT_FALSE(b);
    QPoint p;
    EXPECT_TRUE(s->ReadPoint(QStringLiteral("P"), p));
    EXPECT_EQ(p, QPoint(-3, 7));
    QRect r;
    EXPECT_TRUE(s->ReadRect(QStringLiteral("R"), r));
    EXPECT_EQ(r, QRect(QPoint(-5, -6), QPoint(99, 199)));
    TFontDesc f;
    EXPECT_TRUE(s->ReadFont(QStringLiteral("F"), f));
    EXPECT_EQ(f, font);
    EXPECT_EQ(s->Path(), QStringLiteral("types"));
}

TEST_F(IniStore, EscapingTouchesOnlyValuesThatNeedIt)
{
    TIniPreferencesMan s{QString()};
    s.WriteString(QStringLiteral("a"), QStringLiteral("l1\r\nl2\\x"));
    s.WriteString(QStringLiteral("b"), QStringLiteral("\\~x"));
    s.WriteString(QStringLiteral("c"), QStringLiteral("C:\\new\\r"));
    EXPECT_EQ(s.Lines(), QStringList({QStringLiteral("[]"), QStringLiteral("a=\\~l1\\r\\nl2\\\\x"),
                                      QStringLiteral("b=\\~\\\\~x"), QStringLiteral("c=C:\\new\\r")}));
}

TEST_F(IniStore, ReadsThatFailOrGiveZero)
{
    WriteAll(file, Utf16File(QStringLiteral("[]\r\nb=true\r\ni=abc\r\nf=x1\r\nh=$FF\r\nbig=99999999999\r\n"
                                            "noequals\r\n\r\nafter=1\r\n"))
                       .bytes);
    auto s = Open();
    bool b = true;
    EXPECT_FALSE(s->ReadBool(QStringLiteral("b"), b)); // case matters
    EXPECT_TRUE(b);
    std::int32_t i = 5;
    EXPECT_TRUE(s->ReadInteger(QStringLiteral("i"), i)); // present but not a number: 0
    EXPECT_EQ(i, 0);
    EXPECT_TRUE(s->ReadInteger(QStringLiteral("h"), i));
    EXPECT_EQ(i, 255);
    EXPECT_TRUE(s->ReadInteger(QStringLiteral("big"), i));
    EXPECT_EQ(i, 0);
    double f = 3;
    EXPECT_TRUE(s->ReadFloat(QStringLiteral("f"), f));
    EXPECT_EQ(f, 0);
    i = 5;
    EXPECT_FALSE(s->ReadInteger(QStringLiteral("after"), i)); // beyond the empty line
    EXPECT_FALSE(s->ReadInteger(QStringLiteral("missing"), i));
    EXPECT_EQ(i, 5);
    QStringList names;
    s->GetValueNames(names);
    EXPECT_EQ(names, QStringList({"b", "i", "f", "h", "big"}));
    // Floats read with either separator.
    s->WriteString(QStringLiteral("dot"), QStringLiteral("1.5E3"));
    s->WriteString(QStringLiteral("comma"), QStringLiteral("-2,25"));
    EXPECT_TRUE(s->ReadFloat(QStringLiteral("dot"), f));
    EXPECT_EQ(f, 1500);
    EXPECT_TRUE(s->ReadFloat(QStringLiteral("comma"), f));
    EXPECT_EQ(f, -2.25);
    // Names that cannot be one entry line are refused.
    EXPECT_FALSE(s->WriteString(QStringLiteral("a=b"), QStringLiteral("x")));
    EXPECT_FALSE(s->WriteString(QStringLiteral("a\nb"), QStringLiteral("x")));
    EXPECT_FALSE(s->DeleteValue(QStringLiteral("missing")));
    EXPECT_TRUE(s->DeleteValue(QStringLiteral("B")));
    EXPECT_FALSE(s->ReadBool(QStringLiteral("b"), b));
}

TEST_F(IniStore, FloatTexts)
{
    const QChar c = QLatin1Char(',');
    EXPECT_EQ(TIniPreferencesMan::FormatFloat(0.1, c), QStringLiteral("0,1"));
    EXPECT_EQ(TIniPreferencesMan::FormatFloat(100, c), QStringLiteral("100"));
    EXPECT_EQ(TIniPreferencesMan::FormatFloat(-2.5, QLatin1Char('.')), QStringLiteral("-2.5"));
    EXPECT_EQ(TIniPreferencesMan::FormatFloat(1.0 / 3, c), QStringLiteral("0,333333333333333"));
    EXPECT_EQ(TIniPreferencesMan::FormatFloat(1e20, c), QStringLiteral("1E20"));
    EXPECT_EQ(TIniPreferencesMan::FormatFloat(999999999999999.0, c), QStringLiteral("999999999999999"));
    EXPECT_EQ(TIniPreferencesMan::FormatFloat(1e15, c), QStringLiteral("1E15"));
    EXPECT_EQ(TIniPreferencesMan::FormatFloat(0.00001, c), QStringLiteral("0,00001"));
    EXPECT_EQ(TIniPreferencesMan::FormatFloat(1.5e-6, c), QStringLiteral("1,5E-6"));
    EXPECT_EQ(TIniPreferencesMan::FormatFloat(0, c), QStringLiteral("0"));
    EXPECT_EQ(TIniPreferencesMan::FormatFloat(std::numeric_limits<double>::infinity(), c),
              QStringLiteral("INF"));
    EXPECT_TRUE(std::isnan(TIniPreferencesMan::ParseFloat(QStringLiteral("NAN"))));
    EXPECT_EQ(TIniPreferencesMan::ParseFloat(QStringLiteral("1,5E-6")), 1.5e-6);
}

TEST_F(IniStore, SectionsAndKeyNames)
{
    auto s = Open();
    QRect r(1, 1, 1, 1);
    // Reading a missing rectangle leaves an empty section behind, which is saved.
    EXPECT_FALSE(s->ReadRect(QStringLiteral("FormSave"), r));
    EXPECT_EQ(r, QRect(1, 1, 1, 1));
    s->OpenKey(QStringLiteral("ShowForm"), true);
    s->OpenKey(QStringLiteral("VideoDecoders"), true);
    s->OpenKey(QStringLiteral("Deep"), true);
    s->CloseKey();
    s->CloseKey();
    s->OpenKey(QStringLiteral("InsertFont"), true);
    s->CloseKey();
    EXPECT_EQ(s->Path(), QStringLiteral("ShowForm"));
    QStringList names;
    EXPECT_TRUE(s->GetKeyNames(names));
    EXPECT_EQ(names, QStringList({"VideoDecoders", "VideoDecoders\\Deep", "InsertFont"}));
    s->CloseKey();
    names.clear();
    EXPECT_TRUE(s->GetKeyNames(names)); // top-level sections are not prefixed with "\"
    EXPECT_TRUE(names.isEmpty());
    s.reset();
    EXPECT_EQ(ReadAll(file), Utf16File(QStringLiteral("[]\r\n\r\n[FormSave]\r\n\r\n[ShowForm]\r\n\r\n"
                                                      "[ShowForm\\VideoDecoders]\r\n\r\n"
                                                      "[ShowForm\\VideoDecoders\\Deep]\r\n\r\n"
                                                      "[ShowForm\\InsertFont]\r\n")));
}

TEST_F(IniStore, ReadEncodings)
{
    struct Case
    {
        QByteArray bytes;
        const char *what;
    };
    const QString expected = QStringLiteral("Fran\u00e7ais \u20ac");
    const Case cases[] = {
        {QByteArray("\xEF\xBB\xBF[]\r\nv=Fran\xC3\xA7"
                    "ais \xE2\x82\xAC\r\n"),
         "UTF-8 with mark"},
        {QByteArray("[]\nv=Fran\xC3\xA7"
                    "ais \xE2\x82\xAC"),
         "UTF-8 without mark, LF"},
        {QByteArray("[]\rv=Fran\xE7"
                    "ais \x80\r"),
         "Windows-1252 without mark, CR"},
        {QByteArray("\xFE\xFF\0[\0]\0\r\0\n\0v\0=\0F\0r\0a\0n\0\xE7\0a\0i\0s\0 \x20\xAC", 34), "UTF-16 BE"},
    };
    for (const Case &c : cases) {
        TIniPreferencesMan s{QString()};
        EXPECT_EQ(s.LoadFromBytes(c.bytes), TIniPreferencesMan::TLoadResult::Ok) << c.what;
        QString v;
        EXPECT_TRUE(s.ReadString(QStringLiteral("v"), v)) << c.what;
        EXPECT_EQ(v, expected) << c.what;
    }
}

TEST_F(IniStore, BadFilesAreKeptAside)
{
    const QString bak = file + QStringLiteral(".bak");
    // UTF-16 without its mark: unusable, moved aside whole, defaults used.
    const QByteArray noMark("[\0]\0\r\0\n\0a\0=\0"
                            "1\0",
                            16);
    WriteAll(file, noMark);
    {
        auto s = Open();
        EXPECT_EQ(s->LoadResult(), TIniPreferencesMan::TLoadResult::Unusable);
        std::int32_t i = 7;
        EXPECT_FALSE(s->ReadInteger(QStringLiteral("a"), i));
        EXPECT_EQ(ReadAll(bak).bytes, noMark);
    }
    EXPECT_EQ(ReadAll(file), Utf16File(QStringLiteral("[]\r\n")));

    // Truncated in the middle of a character: what is readable is used, the original is copied.
    QByteArray truncated = Utf16File(QStringLiteral("[]\r\na=12\r\n")).bytes;
    truncated.append('\x33');
    WriteAll(file, truncated);
    {
        auto s = Open();
        EXPECT_EQ(s->LoadResult(), TIniPreferencesMan::TLoadResult::Lossy);
        std::int32_t i = 0;
        EXPECT_TRUE(s->ReadInteger(QStringLiteral("a"), i));
        EXPECT_EQ(i, 12);
        EXPECT_EQ(ReadAll(bak).bytes, truncated);
    }

    // Enormous: not read at all.
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(TIniPreferencesMan::MaxFileSize + 10));
    }
    {
        auto s = Open();
        EXPECT_EQ(s->LoadResult(), TIniPreferencesMan::TLoadResult::Unusable);
        EXPECT_EQ(QFileInfo(bak).size(), TIniPreferencesMan::MaxFileSize + 10);
    }
    EXPECT_EQ(ReadAll(file), Utf16File(QStringLiteral("[]\r\n")));
}

TEST_F(IniStore, UnwritableFileReportsFailure)
{
    // The program folder is missing (a file stands where a folder is needed).
    WriteAll(dir.filePath(QStringLiteral("notafolder")), "x");
    TIniPreferencesMan s(dir.filePath(QStringLiteral("notafolder/Framix.ini")), true);
    EXPECT_FALSE(s.WriteString(QStringLiteral("a"), QStringLiteral("b")));
    EXPECT_FALSE(s.WriteInteger(QStringLiteral("i"), 1));
    EXPECT_FALSE(s.WriteFont(QStringLiteral("F"), TFontDesc{}));
    EXPECT_FALSE(s.Flush());
}

TEST_F(IniStore, DeleteIniFile)
{
    WriteAll(file, "x");
    QFile::setPermissions(file, QFile::ReadOwner);
    EXPECT_TRUE(TPreferencesMan::DeleteIniFile(dir.path(), QStringLiteral("Framix")));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(TPreferencesMan::DeleteIniFile(dir.path() + QLatin1Char('/'), QStringLiteral("Framix")));
}
