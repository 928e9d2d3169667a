#include "media/TScenesList.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>

namespace {

// Sequential reader over a random-access device that fails instead of reading or skipping past
// its end. Every failure is sticky.
class TSceneReader
{
public:
    explicit TSceneReader(QIODevice &dev) : m_dev(dev), m_size(dev.size()) {}

    bool ok() const { return m_ok; }

    bool skip(qint64 n)
    {
        if (!m_ok || n < 0 || m_size - m_pos < n)
            return m_ok = false;
        m_pos += n;
        return true;
    }
    uint8_t byte()
    {
        uint8_t b[1] = {0};
        read(b, 1);
        return b[0];
    }
    uint16_t be16() // first byte high
    {
        uint8_t b[2] = {0, 0};
        read(b, 2);
        return uint16_t((b[0] << 8) | b[1]);
    }
    uint16_t le16()
    {
        uint8_t b[2] = {0, 0};
        read(b, 2);
        return uint16_t(b[0] | (b[1] << 8));
    }
    int32_t le32()
    {
        uint8_t b[4] = {0, 0, 0, 0};
        read(b, 4);
        return int32_t(uint32_t(b[0]) | (uint32_t(b[1]) << 8) | (uint32_t(b[2]) << 16) |
                       (uint32_t(b[3]) << 24));
    }
    // A string the reader does not use: its length is coded on 1, 3, 4 or 6 bytes.
    bool skipString()
    {
        const uint8_t n = byte();
        if (n < 255)
            return skip(n);
        const uint16_t v = be16();
        if (v < 0xFEFF)
            return skip(v);
        const uint8_t d = byte();
        if (d < 255)
            return skip(2 * qint64(d));
        const uint16_t w = be16();
        return skip(2 * qint64(w));
    }

private:
    void read(uint8_t *to, qint64 n)
    {
        if (!m_ok || m_size - m_pos < n || !m_dev.seek(m_pos) ||
            m_dev.read(reinterpret_cast<char *>(to), n) != n) {
            m_ok = false;
            return;
        }
        m_pos += n;
    }

    QIODevice &m_dev;
    qint64 m_size;
    qint64 m_pos = 0;
    bool m_ok = true;
};

// The part shared by the header and the records, from the flags on: returns the scene.
bool readScene(TSceneReader &r, uint8_t flagsA, uint8_t flagsB, bool header, TScene &scene)
{
    r.skipString();
    scene.StartFrame = r.le32();
    scene.Value2 = r.le32();
    r.skip(6);
    if (header) {
        r.skipString();
        r.skip(8);
        r.skip(4);
    } else {
        r.skip(12);
    }
    if (flagsB & 0x40)
        r.skip(4);
    if (flagsA & 0x80)
        r.skipString();
    return r.ok();
}

bool load(QIODevice &dev, const QString &fileName, std::vector<TScene> &scenes)
{
    TSceneReader r(dev);
    r.skip(24);
    r.skipString();
    r.skip(8);
    const int count = r.le16();
    r.skip(11);
    uint8_t flagsA = r.byte();
    uint8_t flagsB = r.byte();
    r.skip(12);
    TScene first;
    first.FileName = fileName;
    if (!readScene(r, flagsA, flagsB, true, first))
        return false; // the list is left as it was
    scenes.clear();
    scenes.push_back(first);
    for (int i = 0; i < count; ++i) {
        r.skip(3);
        flagsA = r.byte();
        flagsB = r.byte();
        r.skip(3);
        TScene s;
        s.FileName = fileName;
        if (!readScene(r, flagsA, flagsB, false, s))
            return false; // the scenes read so far stay
        scenes.push_back(s);
    }
    return true;
}

} // namespace

bool TScenesList::LoadScenes(const QString &path)
{
    QFile f(path);
    if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly))
        return false;
    return load(f, path, m_scenes);
}

bool TScenesList::LoadScenesFromData(const QByteArray &data, const QString &fileName)
{
    QBuffer b;
    b.setData(data);
    if (!b.open(QIODevice::ReadOnly))
        return false;
    return load(b, fileName, m_scenes);
}

int TScenesList::NextSceneStart(int frame, int def) const
{
    for (const TScene &s : m_scenes)
        if (s.StartFrame >= 0 && s.StartFrame > frame)
            return s.StartFrame;
    return def;
}

int TScenesList::PrevSceneStart(int frame) const
{
    for (auto it = m_scenes.rbegin(); it != m_scenes.rend(); ++it)
        if (it->StartFrame < frame)
            return it->StartFrame;
    return 0;
}

const TScene *TScenesList::Scene(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return &m_scenes[size_t(index)];
}
