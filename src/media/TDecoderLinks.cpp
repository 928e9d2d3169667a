#include "media/TDecoderLinks.h"

#include "prefs/TPreferencesMan.h"

namespace {
const QString kMajor = QStringLiteral("majortype");
const QString kSub = QStringLiteral("subtype");
const QString kFormat = QStringLiteral("formattype");
const QString kDecoder = QStringLiteral("decoderguid");
const QString kName = QStringLiteral("name");
const QString kPrivate = QStringLiteral("Private");

QString sectionName(int i)
{
    return QStringLiteral("dc") + QString::number(i);
}
} // namespace

bool TDecoderLink::Fits(const TMediaKey &s) const
{
    if (!(Key.MajorType == s.MajorType || Key.MajorType.isNull()))
        return false;
    return Key.SubType == s.SubType || (Key.SubType.isNull() && Key.FormatType.isNull());
}

int TDecoderLinks::IndexOf(const TMediaKey &key) const
{
    for (size_t i = 0; i < m_links.size(); ++i)
        if (m_links[i].Key == key)
            return int(i);
    return -1;
}

void TDecoderLinks::SetDecoder(const TMediaKey &key, TFilterRec *rec)
{
    const int i = IndexOf(key);
    if (i >= 0)
        m_links[size_t(i)].Decoder = rec;
    else
        m_links.push_back({key, rec});
}

TFilterRec *TDecoderLinks::GetDecoder(const TMediaKey &key) const
{
    const int i = IndexOf(key);
    return i >= 0 ? m_links[size_t(i)].Decoder : nullptr;
}

bool TDecoderLinks::Remove(const TMediaKey &key)
{
    const int i = IndexOf(key);
    if (i < 0)
        return false;
    m_links.erase(m_links.begin() + i);
    return true;
}

bool TDecoderLinks::Save(TPreferencesMan &prefs) const
{
    bool ok = true;
    QStringList written;
    for (size_t i = 0; i < m_links.size(); ++i) {
        const TDecoderLink &l = m_links[i];
        if (!l.Decoder || l.Decoder->Kind == fkExternal)
            continue;
        const QString section = sectionName(int(i));
        if (!prefs.OpenKey(section, true)) {
            ok = false;
            continue;
        }
        written.append(section.toLower());
        ok &= prefs.WriteString(kMajor, l.Key.MajorType.toString());
        ok &= prefs.WriteString(kSub, l.Key.SubType.toString());
        ok &= prefs.WriteString(kFormat, l.Key.FormatType.toString());
        ok &= prefs.WriteString(kDecoder, l.Decoder->Clsid.toString());
        ok &= prefs.WriteString(kName, l.Decoder->Name);
        ok &= prefs.WriteBool(kPrivate, l.Decoder->Kind == fkPrivate);
        ok &= prefs.CloseKey();
    }
    // The stores cannot delete a section: empty the ones of links that are gone, so that they
    // no longer parse.
    QStringList keys;
    prefs.GetKeyNames(keys);
    for (const QString &k : keys) {
        if (!k.startsWith(QStringLiteral("dc"), Qt::CaseInsensitive) || written.contains(k.toLower()))
            continue;
        if (!prefs.OpenKey(k, false))
            continue;
        for (const QString &v : {kMajor, kSub, kFormat, kDecoder, kName, kPrivate})
            prefs.DeleteValue(v);
        prefs.CloseKey();
    }
    return ok;
}

bool TDecoderLinks::Load(TPreferencesMan &prefs)
{
    QStringList keys;
    if (!prefs.GetKeyNames(keys))
        return false;
    for (const QString &k : keys) {
        if (!prefs.OpenKey(k, false))
            continue;
        QString major, sub, format, decoder, name;
        bool isPrivate = false;
        bool ok = prefs.ReadString(kMajor, major) && prefs.ReadString(kSub, sub) &&
                  prefs.ReadString(kFormat, format) && prefs.ReadString(kDecoder, decoder) &&
                  prefs.ReadString(kName, name);
        prefs.ReadBool(kPrivate, isPrivate);
        prefs.CloseKey();
        if (!ok)
            continue;
        bool g1 = false, g2 = false, g3 = false, g4 = false;
        const TMediaKey key{TGuid::fromString(major, &g1), TGuid::fromString(sub, &g2),
                            TGuid::fromString(format, &g3)};
        const TGuid clsid = TGuid::fromString(decoder, &g4);
        if (!g1 || !g2 || !g3 || !g4)
            continue;
        SetDecoder(key, TFilterRecs::Global().FindOrAdd(clsid, name, isPrivate ? fkPrivate : fkRegistered));
    }
    return true;
}

TDecoderLinks &TDecoderLists::VideoDefaults()
{
    static TDecoderLinks l;
    return l;
}
TDecoderLinks &TDecoderLists::VideoLearned()
{
    static TDecoderLinks l;
    return l;
}
TDecoderLinks &TDecoderLists::AudioDefaults()
{
    static TDecoderLinks l;
    return l;
}
TDecoderLinks &TDecoderLists::AudioLearned()
{
    static TDecoderLinks l;
    return l;
}
TFilterRec *TDecoderLists::NoVideoDecoder()
{
    static TFilterRec *r =
        TFilterRecs::Global().FindOrAdd(GUID_NULL, QStringLiteral("Aucun décodeur Video"), fkRegistered);
    return r;
}
TFilterRec *TDecoderLists::NoAudioDecoder()
{
    static TFilterRec *r =
        TFilterRecs::Global().FindOrAdd(GUID_NULL, QStringLiteral("Aucun décodeur Audio"), fkRegistered);
    return r;
}
