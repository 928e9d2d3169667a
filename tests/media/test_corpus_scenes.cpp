// The scene files of the corpus follow the scene file layout, and hold the scenes the manifest
// promises to the tests of the scene reader. Read here with a minimal reader of that layout.
#include "CorpusSupport.h"

#include <gtest/gtest.h>

using namespace corpus;

namespace {

class Reader
{
public:
    explicit Reader(QByteArray d) : m_d(std::move(d)) {}
    bool ok() const { return m_ok; }
    void skip(qsizetype n)
    {
        if (m_at + n > m_d.size())
            m_ok = false;
        m_at = std::min(m_at + n, m_d.size());
    }
    unsigned byte()
    {
        const QByteArray b = take(1);
        return b.isEmpty() ? 0u : static_cast<unsigned char>(b[0]);
    }
    unsigned be16() { return (byte() << 8) | byte(); }
    qint32 i32()
    {
        const QByteArray b = take(4);
        if (b.size() < 4)
            return 0;
        qint32 v;
        std::memcpy(&v, b.constData(), 4);
        return v;
    }
    void string()
    {
        const unsigned n = byte();
        if (n < 255)
            return skip(n);
        const unsigned v = be16();
        if (v < 0xFEFF)
            return skip(v);
        const unsigned d = byte();
        if (d < 255)
            return skip(2 * d);
        skip(2 * qsizetype(be16()));
    }

private:
    QByteArray take(qsizetype n)
    {
        if (m_at + n > m_d.size()) {
            m_ok = false;
            m_at = m_d.size();
            return {};
        }
        const QByteArray b = m_d.mid(m_at, n);
        m_at += n;
        return b;
    }
    QByteArray m_d;
    qsizetype m_at = 0;
    bool m_ok = true;
};

// Returns whether the whole file was read; scenes gets {start, value2} of every scene read.
bool readScenes(const QByteArray &data, QList<QPair<int, int>> &scenes)
{
    Reader r(data);
    r.skip(24);
    r.string();
    r.skip(8);
    const unsigned count = r.byte() | (r.byte() << 8);
    r.skip(11);
    unsigned fa = r.byte(), fb = r.byte();
    r.skip(12);
    r.string();
    const int start = r.i32(), value2 = r.i32();
    r.skip(6);
    r.string();
    r.skip(12);
    if (fb & 0x40)
        r.skip(4);
    if (fa & 0x80)
        r.string();
    if (!r.ok())
        return false;
    scenes.append({start, value2});
    for (unsigned i = 0; i < count; ++i) {
        r.skip(3);
        fa = r.byte();
        fb = r.byte();
        r.skip(3);
        r.string();
        const int s = r.i32(), v = r.i32();
        r.skip(6 + 12);
        if (fb & 0x40)
            r.skip(4);
        if (fa & 0x80)
            r.string();
        if (!r.ok())
            return false;
        scenes.append({s, v});
    }
    return true;
}

} // namespace

TEST(CorpusScenes, SceneFilesHoldTheScenesOfTheManifest)
{
    const QJsonObject scenes = manifest().value("scenes").toObject();
    ASSERT_GE(scenes.size(), 5);
    bool sawFailure = false;
    for (auto it = scenes.begin(); it != scenes.end(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        QFile f(framixtest::corpusFile(it.key()));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        QList<QPair<int, int>> got;
        const bool loads = readScenes(f.readAll(), got);
        const QJsonObject want = it.value().toObject();
        EXPECT_EQ(loads, want.value("loads").toBool());
        sawFailure = sawFailure || !loads;
        const QJsonArray list = want.value("scenes").toArray();
        ASSERT_EQ(got.size(), list.size());
        for (qsizetype i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].first, list[i].toArray()[0].toInt());
            EXPECT_EQ(got[i].second, list[i].toArray()[1].toInt());
        }
    }
    EXPECT_TRUE(sawFailure);
}
