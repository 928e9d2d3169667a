#include "media/TScenesList.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

// Writes scene files in the layout the reader expects.
struct SceneFileWriter
{
    QByteArray b;
    void zeros(int n) { b.append(QByteArray(n, '\0')); }
    void u8(int v) { b.append(char(v)); }
    void be16(int v) { u8(v >> 8), u8(v & 0xFF); }
    void le16(int v) { u8(v & 0xFF), u8(v >> 8); }
    void le32(int32_t v)
    {
        for (int i = 0; i < 4; ++i)
            u8(int((uint32_t(v) >> (8 * i)) & 0xFF));
    }
    void shortString(const QByteArray &s) { u8(int(s.size())), b.append(s); }
    void header(int count, int start, int value2, int flagsA = 0, int flagsB = 0)
    {
        zeros(24);
        shortString("name");
        zeros(8);
        le16(count);
        zeros(11);
        u8(flagsA);
        u8(flagsB);
        zeros(12);
        shortString("");
        le32(start);
        le32(value2);
        zeros(6);
        shortString("xyz");
        zeros(8);
        zeros(4);
        if (flagsB & 0x40)
            zeros(4);
        if (flagsA & 0x80)
            shortString("opt");
    }
    void record(int start, int value2, int flagsA = 0, int flagsB = 0)
    {
        zeros(3);
        u8(flagsA);
        u8(flagsB);
        zeros(3);
        shortString("scene");
        le32(start);
        le32(value2);
        zeros(6);
        zeros(12);
        if (flagsB & 0x40)
            zeros(4);
        if (flagsA & 0x80) {
            // The longest escapes: 255, FFFF, 255, then a 16-bit count of two-byte units.
            u8(255), be16(0xFFFF), u8(255), be16(3), zeros(6);
        }
    }
};

} // namespace

TEST(Scenes, CountZeroGivesTheHeaderScene)
{
    SceneFileWriter w;
    w.header(0, 42, 7);
    QTemporaryDir dir;
    const QString path = dir.filePath("v.scn");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(w.b);
    f.close();
    TScenesList list;
    ASSERT_TRUE(list.LoadScenes(path));
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Scene(0)->StartFrame, 42);
    EXPECT_EQ(list.Scene(0)->Value2, 7);
    EXPECT_EQ(list.Scene(0)->FileName, path);
    EXPECT_EQ(list.Scene(1), nullptr);
    EXPECT_EQ(list.Scene(-1), nullptr);

    EXPECT_FALSE(list.LoadScenes(dir.filePath("missing.scn")));
    EXPECT_EQ(list.Count(), 1);
}

TEST(Scenes, RecordsFlagsEscapesAndPartialReads)
{
    SceneFileWriter w;
    w.header(3, 0, 1, 0x80, 0x40);
    w.record(100, 2, 0x80, 0x40);
    w.record(250, 3);
    // The middle escape: 255 then a 16-bit count below FEFF.
    w.zeros(3), w.u8(0), w.u8(0), w.zeros(3), w.u8(255), w.be16(300), w.zeros(300);
    w.le32(-1), w.le32(4), w.zeros(18);
    TScenesList list;
    ASSERT_TRUE(list.LoadScenesFromData(w.b, "a.scn"));
    ASSERT_EQ(list.Count(), 4);
    EXPECT_EQ(list.Scene(1)->StartFrame, 100);
    EXPECT_EQ(list.Scene(2)->StartFrame, 250);
    EXPECT_EQ(list.Scene(3)->StartFrame, -1);
    EXPECT_EQ(list.Scene(3)->Value2, 4);

    EXPECT_EQ(list.NextSceneStart(-5, 999), 0);
    EXPECT_EQ(list.NextSceneStart(100, 999), 250); // equal start: the following scene
    EXPECT_EQ(list.NextSceneStart(250, 999), 999); // the negative start is passed over
    EXPECT_EQ(list.PrevSceneStart(250), -1);       // a negative start stops the backward search
    EXPECT_EQ(list.PrevSceneStart(-1), 0);

    // Truncated in the third record: false, the scenes read before it stay.
    TScenesList partial;
    EXPECT_FALSE(partial.LoadScenesFromData(w.b.left(w.b.size() - 10), "b.scn"));
    EXPECT_EQ(partial.Count(), 3);
    // Truncated in the header: false, the list is left as it was.
    EXPECT_FALSE(partial.LoadScenesFromData(w.b.left(60), "c.scn"));
    EXPECT_EQ(partial.Count(), 3);
    partial.ClearScenes();
    EXPECT_EQ(partial.Count(), 0);
    EXPECT_EQ(partial.NextSceneStart(0, 7), 7);
    EXPECT_EQ(partial.PrevSceneStart(10), 0);
}
