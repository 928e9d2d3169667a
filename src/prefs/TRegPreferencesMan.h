// The per-user store of normal mode, the counterpart of the registry key
// HKEY_CURRENT_USER\Software\Vardo\<title> of the Windows program.
//
// The base path "Software\Vardo\Framix" maps to the folder $XDG_CONFIG_HOME/Vardo/Framix
// (default ~/.config); the leading "Software" is dropped. The folder holds one file,
// Preferences.json, with the tree of keys below the base key:
//
//   { "format": "Framix preferences", "version": 1,
//     "values": [ { "name": "Version", "type": "string", "data": "..." },
//                 { "name": "Digits",  "type": "dword",  "data": 4294967254 },
//                 { "name": "Zoom",    "type": "binary", "data": "000000000000f03f" } ],
//     "keys":   [ { "name": "ShowForm", "values": [...], "keys": [...] } ] }
//
// Value types are those of the registry: strings (REG_SZ), booleans and integers as 32-bit
// words (REG_DWORD, two's complement), floats as the 8 little-endian bytes of the IEEE double
// (REG_BINARY). A string that is not valid UTF-16 (a lone surrogate) is kept as "utf16", the
// hexadecimal of its code units, so that every string reads back unchanged. Key and value
// names compare without regard to case and keep the case they were created with.
//
// Reads are typed: reading a value of another type fails (the caller uses its default), a
// boolean word other than 0 or 1 leaves the variable unchanged but succeeds, a float must be
// exactly 8 bytes.
//
// Changes are kept in memory and committed atomically (temporary file, then rename) by
// CloseKey(), Flush() and the destructor. When the file was changed by another store object in
// the meantime, the changes of this object are replayed onto the file's current content, so
// two objects on the same store do not undo each other's writes. A file that cannot be read is
// renamed with a ".bak" suffix (or copied there when only part of it could be used).
#pragma once

#include "prefs/TPreferencesMan.h"

#include <QByteArray>
#include <memory>
#include <vector>

class TRegPreferencesMan : public TPreferencesMan
{
public:
    // Opens the base key, creating its folder when create is True. IsOpen() tells whether it
    // could be opened; a store that is not open fails every operation.
    TRegPreferencesMan(const QString &basePath, bool create = true);
    ~TRegPreferencesMan() override;

    bool GetValueNames(QStringList &list) override;
    bool GetKeyNames(QStringList &list) override;
    bool OpenKey(const QString &name, bool create) override;
    bool CloseKey() override;
    bool WriteString(const QString &name, const QString &value) override;
    bool ReadString(const QString &name, QString &value) override;
    bool DeleteValue(const QString &name) override;
    bool WriteBool(const QString &name, bool value) override;
    bool ReadBool(const QString &name, bool &value) override;
    bool WriteInteger(const QString &name, std::int32_t value) override;
    bool ReadInteger(const QString &name, std::int32_t &value) override;
    bool WriteFloat(const QString &name, double value) override;
    bool ReadFloat(const QString &name, double &value) override;
    bool Flush() override;

    bool IsOpen() const { return m_open; }
    const QString &FileName() const { return m_fileName; }

    // Folder of a base path: $XDG_CONFIG_HOME + "/Vardo/Framix" for "Software\Vardo\Framix".
    static QString FolderOf(const QString &basePath);
    static QString FileOf(const QString &basePath);
    // Whether the store of the base path exists (the registry key can be opened).
    static bool KeyExists(const QString &basePath);

    // Files above this size are not loaded (they are kept aside as .bak).
    static constexpr qint64 MaxFileSize = 32 * 1024 * 1024;

    // Parses the bytes of a store file; true when the content was fully understood. Used by the
    // loader and by the fuzzer; the tree is discarded.
    static bool ParseForCheck(const QByteArray &bytes);

    struct TValue
    {
        enum TType { String, Dword, Binary };
        QString Name;
        TType Type = String;
        QString Str;
        std::uint32_t Word = 0;
        QByteArray Bin;
    };
    struct TKey
    {
        QString Name;
        std::vector<TValue> Values;
        std::vector<std::unique_ptr<TKey>> Keys;
        TValue *FindValue(const QString &name);
        TKey *FindKey(const QString &name);
    };

private:
    struct TChange
    {
        enum TKind { CreateKey, SetValue, RemoveValue };
        TKind Kind;
        QString Path;
        TValue Value; // SetValue: the value; RemoveValue: its name
    };

    enum class TLoad { Missing, Ok, Lossy, Unusable };
    static TLoad Parse(const QByteArray &bytes, TKey &root);
    static QByteArray Serialize(const TKey &root);
    TLoad LoadFile(TKey &root);
    TKey *Resolve(const QString &path, bool create);
    void Apply(const TChange &c, TKey &root);
    bool Put(TValue v);
    const TValue *Get(const QString &name);

    QString m_fileName;
    TKey m_root;
    TKey *m_current = nullptr;
    bool m_open = false;
    bool m_writable = true;
    std::vector<TChange> m_changes; // not yet committed, in order
};
