#include "prefs/TRegPreferencesMan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <cstring>

namespace {

const QString kFormat = QStringLiteral("Framix preferences");
constexpr int kMaxDepth = 200;

bool SameText(const QString &a, const QString &b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QStringList SplitPath(const QString &path)
{
    return path.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
}

// A key name as one folder name: "/" and "%" are percent-encoded, "." and ".." cannot occur.
QString FolderName(const QString &key)
{
    QString out;
    for (QChar c : key) {
        if (c == QLatin1Char('/') || c == QLatin1Char('%') || c.unicode() < 0x20)
            out += QStringLiteral("%%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    if (out == QLatin1String(".") || out == QLatin1String(".."))
        out.replace(QLatin1Char('.'), QStringLiteral("%2e"));
    return out;
}

QJsonArray ValuesToJson(const std::vector<TRegPreferencesMan::TValue> &values)
{
    QJsonArray a;
    for (const auto &v : values) {
        QJsonObject o;
        o.insert(QStringLiteral("name"), v.Name);
        switch (v.Type) {
        case TRegPreferencesMan::TValue::String:
            o.insert(QStringLiteral("type"), QStringLiteral("string"));
            if (v.Str.isValidUtf16()) {
                o.insert(QStringLiteral("data"), v.Str);
            } else {
                QByteArray units(reinterpret_cast<const char *>(v.Str.utf16()), v.Str.size() * 2);
                o.insert(QStringLiteral("utf16"), QString::fromLatin1(units.toHex()));
            }
            break;
        case TRegPreferencesMan::TValue::Dword:
            o.insert(QStringLiteral("type"), QStringLiteral("dword"));
            o.insert(QStringLiteral("data"), double(v.Word));
            break;
        case TRegPreferencesMan::TValue::Binary:
            o.insert(QStringLiteral("type"), QStringLiteral("binary"));
            o.insert(QStringLiteral("data"), QString::fromLatin1(v.Bin.toHex()));
            break;
        }
        a.append(o);
    }
    return a;
}

QJsonObject KeyToJson(const TRegPreferencesMan::TKey &k)
{
    QJsonObject o;
    if (!k.Name.isNull())
        o.insert(QStringLiteral("name"), k.Name);
    o.insert(QStringLiteral("values"), ValuesToJson(k.Values));
    QJsonArray keys;
    for (const auto &sub : k.Keys)
        keys.append(KeyToJson(*sub));
    o.insert(QStringLiteral("keys"), keys);
    return o;
}

bool HexBytes(const QJsonValue &v, QByteArray &out)
{
    if (!v.isString())
        return false;
    const QByteArray text = v.toString().toLatin1();
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    if (text.size() % 2)
        return false;
    out = QByteArray::fromHex(text);
    return true;
}

// Fills k from o; returns false when something had to be skipped.
bool KeyFromJson(const QJsonObject &o, TRegPreferencesMan::TKey &k, int depth)
{
    bool complete = true;
    const QJsonValue values = o.value(QStringLiteral("values"));
    if (!values.isUndefined() && !values.isArray())
        complete = false;
    for (const QJsonValue &jv : values.toArray()) {
        const QJsonObject vo = jv.toObject();
        const QJsonValue name = vo.value(QStringLiteral("name"));
        const QString type = vo.value(QStringLiteral("type")).toString();
        const QJsonValue data = vo.value(QStringLiteral("data"));
        TRegPreferencesMan::TValue v;
        v.Name = name.toString();
        bool ok = name.isString() && !k.FindValue(v.Name);
        if (ok && type == QLatin1String("string")) {
            v.Type = TRegPreferencesMan::TValue::String;
            QByteArray units;
            if (data.isString())
                v.Str = data.toString();
            else if (HexBytes(vo.value(QStringLiteral("utf16")), units) && units.size() % 2 == 0)
                v.Str = QString(reinterpret_cast<const QChar *>(units.constData()), units.size() / 2);
            else
                ok = false;
        } else if (ok && type == QLatin1String("dword")) {
            v.Type = TRegPreferencesMan::TValue::Dword;
            const double d = data.toDouble(-1);
            ok = data.isDouble() && d >= 0 && d <= 4294967295.0 && d == double(std::uint32_t(d));
            v.Word = ok ? std::uint32_t(d) : 0;
        } else if (ok && type == QLatin1String("binary")) {
            v.Type = TRegPreferencesMan::TValue::Binary;
            ok = HexBytes(data, v.Bin);
        } else {
            ok = false;
        }
        if (ok)
            k.Values.push_back(std::move(v));
        else
            complete = false;
    }
    const QJsonValue keys = o.value(QStringLiteral("keys"));
    if (!keys.isUndefined() && !keys.isArray())
        complete = false;
    for (const QJsonValue &jk : keys.toArray()) {
        const QJsonObject ko = jk.toObject();
        const QJsonValue name = ko.value(QStringLiteral("name"));
        if (!jk.isObject() || !name.isString() || name.toString().contains(QLatin1Char('\\')) ||
            name.toString().isEmpty() || k.FindKey(name.toString()) || depth >= kMaxDepth) {
            complete = false;
            continue;
        }
        auto sub = std::make_unique<TRegPreferencesMan::TKey>();
        sub->Name = name.toString();
        complete = KeyFromJson(ko, *sub, depth + 1) && complete;
        k.Keys.push_back(std::move(sub));
    }
    return complete;
}

} // namespace

TRegPreferencesMan::TValue *TRegPreferencesMan::TKey::FindValue(const QString &name)
{
    for (auto &v : Values)
        if (SameText(v.Name, name))
            return &v;
    return nullptr;
}

TRegPreferencesMan::TKey *TRegPreferencesMan::TKey::FindKey(const QString &name)
{
    for (auto &k : Keys)
        if (SameText(k->Name, name))
            return k.get();
    return nullptr;
}

QString TRegPreferencesMan::FolderOf(const QString &basePath)
{
    QStringList parts = SplitPath(basePath);
    if (!parts.isEmpty() && SameText(parts.front(), QStringLiteral("Software")))
        parts.removeFirst();
    QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    for (const QString &p : std::as_const(parts))
        folder += QLatin1Char('/') + FolderName(p);
    return folder;
}

QString TRegPreferencesMan::FileOf(const QString &basePath)
{
    return FolderOf(basePath) + QStringLiteral("/Preferences.json");
}

bool TRegPreferencesMan::KeyExists(const QString &basePath)
{
    return QFileInfo(FolderOf(basePath)).isDir();
}

TRegPreferencesMan::TRegPreferencesMan(const QString &basePath, bool create) : m_fileName(FileOf(basePath))
{
    const QString folder = FolderOf(basePath);
    if (!QFileInfo(folder).isDir() && !(create && QDir().mkpath(folder)))
        return; // the key cannot be opened: every operation fails
    m_open = true;
    m_writable = QFileInfo(folder).isWritable();
    LoadFile(m_root);
    m_current = &m_root;
}

TRegPreferencesMan::~TRegPreferencesMan()
{
    Flush();
}

TRegPreferencesMan::TLoad TRegPreferencesMan::Parse(const QByteArray &bytes, TKey &root)
{
    QJsonParseError err{};
    const QJsonDocument doc = QJsonDocument::fromJson(bytes, &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject())
        return TLoad::Unusable;
    const QJsonObject o = doc.object();
    if (o.value(QStringLiteral("format")).toString() != kFormat)
        return TLoad::Unusable;
    return KeyFromJson(o, root, 0) ? TLoad::Ok : TLoad::Lossy;
}

bool TRegPreferencesMan::ParseForCheck(const QByteArray &bytes)
{
    TKey root;
    return Parse(bytes, root) == TLoad::Ok;
}

QByteArray TRegPreferencesMan::Serialize(const TKey &root)
{
    QJsonObject o = KeyToJson(root);
    o.insert(QStringLiteral("format"), kFormat);
    o.insert(QStringLiteral("version"), 1);
    return QJsonDocument(o).toJson(QJsonDocument::Indented);
}

// Reads the file into root. Unusable content is moved to .bak and partly usable content copied
// there, so that the next commit never silently drops what could not be understood.
TRegPreferencesMan::TLoad TRegPreferencesMan::LoadFile(TKey &root)
{
    root = TKey();
    QFile f(m_fileName);
    if (!f.exists())
        return TLoad::Missing;
    TLoad r = TLoad::Unusable;
    if (f.size() <= MaxFileSize && f.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = f.read(MaxFileSize + 1);
        f.close();
        if (bytes.size() <= MaxFileSize)
            r = Parse(bytes, root);
    }
    if (r == TLoad::Ok)
        return r;
    const QString bak = m_fileName + QStringLiteral(".bak");
    QFile::remove(bak);
    if (r == TLoad::Unusable) {
        root = TKey();
        QFile::rename(m_fileName, bak);
    } else {
        QFile::copy(m_fileName, bak);
    }
    return r;
}

TRegPreferencesMan::TKey *TRegPreferencesMan::Resolve(const QString &path, bool create)
{
    TKey *k = &m_root;
    for (const QString &part : SplitPath(path)) {
        TKey *sub = k->FindKey(part);
        if (!sub) {
            if (!create)
                return nullptr;
            auto made = std::make_unique<TKey>();
            made->Name = part;
            sub = made.get();
            k->Keys.push_back(std::move(made));
        }
        k = sub;
    }
    return k;
}

void TRegPreferencesMan::Apply(const TChange &c, TKey &root)
{
    TKey *k = &root;
    for (const QString &part : SplitPath(c.Path)) {
        TKey *sub = k->FindKey(part);
        if (!sub) {
            auto made = std::make_unique<TKey>();
            made->Name = part;
            sub = made.get();
            k->Keys.push_back(std::move(made));
        }
        k = sub;
    }
    if (c.Kind == TChange::SetValue) {
        if (TValue *v = k->FindValue(c.Value.Name)) {
            const QString name = v->Name;
            *v = c.Value;
            v->Name = name;
        } else {
            k->Values.push_back(c.Value);
        }
    } else if (c.Kind == TChange::RemoveValue) {
        auto &vs = k->Values;
        vs.erase(std::remove_if(vs.begin(), vs.end(),
                                [&](const TValue &v) { return SameText(v.Name, c.Value.Name); }),
                 vs.end());
    }
}

bool TRegPreferencesMan::Flush()
{
    if (!m_open || m_changes.empty())
        return true;
    if (!m_writable)
        return false;
    // Another store object may have committed since this one read the file: start from the file's
    // content and replay this object's changes on top of it.
    QFile current(m_fileName);
    if (current.exists()) {
        TKey disk;
        if (LoadFile(disk) != TLoad::Missing) {
            for (const TChange &c : m_changes)
                Apply(c, disk);
            m_root = std::move(disk);
            m_current = Resolve(m_path, true);
        }
    }
    QDir().mkpath(QFileInfo(m_fileName).absolutePath());
    QSaveFile f(m_fileName);
    f.setDirectWriteFallback(false);
    const QByteArray bytes = Serialize(m_root);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        m_writable = false;
        return false;
    }
    m_changes.clear();
    return true;
}

bool TRegPreferencesMan::OpenKey(const QString &name, bool create)
{
    if (!m_open)
        return false;
    const QString path = m_path.isEmpty() ? name : ChildPath(m_path, name);
    TKey *k = Resolve(path, false);
    if (!k) {
        if (!create || !m_writable)
            return false;
        k = Resolve(path, true);
        m_changes.push_back({TChange::CreateKey, path, {}});
    }
    m_current = k;
    m_path = path;
    return true;
}

bool TRegPreferencesMan::CloseKey()
{
    if (!m_open)
        return false;
    const QString parent = ParentPath(m_path);
    TKey *k = Resolve(parent, false);
    if (!k)
        return false;
    m_current = k;
    m_path = parent;
    // Leaving a key is the natural end of a group of writes: commit them now.
    return Flush();
}

bool TRegPreferencesMan::GetValueNames(QStringList &list)
{
    if (!m_open)
        return false;
    for (const auto &v : m_current->Values)
        list.append(v.Name);
    return true;
}

bool TRegPreferencesMan::GetKeyNames(QStringList &list)
{
    if (!m_open)
        return false;
    // The registry enumerates sub-keys in alphabetical order.
    QStringList names;
    for (const auto &k : m_current->Keys)
        names.append(k->Name);
    names.sort(Qt::CaseInsensitive);
    list.append(names);
    return true;
}

bool TRegPreferencesMan::Put(TValue v)
{
    if (!m_open || !m_writable)
        return false;
    TChange c{TChange::SetValue, m_path, std::move(v)};
    Apply(c, m_root);
    m_changes.push_back(std::move(c));
    return true;
}

const TRegPreferencesMan::TValue *TRegPreferencesMan::Get(const QString &name)
{
    return m_open ? m_current->FindValue(name) : nullptr;
}

bool TRegPreferencesMan::DeleteValue(const QString &name)
{
    if (!m_open || !m_writable || !m_current->FindValue(name))
        return false;
    TChange c{TChange::RemoveValue, m_path, {}};
    c.Value.Name = name;
    Apply(c, m_root);
    m_changes.push_back(std::move(c));
    return true;
}

bool TRegPreferencesMan::WriteString(const QString &name, const QString &value)
{
    TValue v;
    v.Name = name;
    v.Type = TValue::String;
    v.Str = value;
    return Put(std::move(v));
}

bool TRegPreferencesMan::ReadString(const QString &name, QString &value)
{
    const TValue *v = Get(name);
    if (!v || v->Type != TValue::String)
        return false;
    value = v->Str;
    return true;
}

bool TRegPreferencesMan::WriteBool(const QString &name, bool value)
{
    TValue v;
    v.Name = name;
    v.Type = TValue::Dword;
    v.Word = value ? 1 : 0;
    return Put(std::move(v));
}

bool TRegPreferencesMan::ReadBool(const QString &name, bool &value)
{
    const TValue *v = Get(name);
    if (!v || v->Type != TValue::Dword)
        return false;
    if (v->Word <= 1)
        value = v->Word == 1;
    return true;
}

bool TRegPreferencesMan::WriteInteger(const QString &name, std::int32_t value)
{
    TValue v;
    v.Name = name;
    v.Type = TValue::Dword;
    v.Word = static_cast<std::uint32_t>(value);
    return Put(std::move(v));
}

bool TRegPreferencesMan::ReadInteger(const QString &name, std::int32_t &value)
{
    const TValue *v = Get(name);
    if (!v || v->Type != TValue::Dword)
        return false;
    value = static_cast<std::int32_t>(v->Word);
    return true;
}

bool TRegPreferencesMan::WriteFloat(const QString &name, double value)
{
    TValue v;
    v.Name = name;
    v.Type = TValue::Binary;
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, 8);
    v.Bin.resize(8);
    for (int i = 0; i < 8; ++i)
        v.Bin[i] = char((bits >> (8 * i)) & 0xFF);
    return Put(std::move(v));
}

bool TRegPreferencesMan::ReadFloat(const QString &name, double &value)
{
    const TValue *v = Get(name);
    if (!v || v->Type != TValue::Binary || v->Bin.size() != 8)
        return false;
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i)
        bits |= std::uint64_t(static_cast<unsigned char>(v->Bin[i])) << (8 * i);
    std::memcpy(&value, &bits, 8);
    return true;
}
