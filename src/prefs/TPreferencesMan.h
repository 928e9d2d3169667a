// The abstract preference store: a hierarchical key/value store with a current key.
//
// Keys are addressed by a path of key names joined with "\" (empty for the store's root);
// values are named entries of the current key, typed string, boolean, 32-bit integer or
// double. Every operation returns its success; a failed read leaves the caller's variable
// untouched so that the caller can fall back to its default. Key and value names compare
// without regard to case. Stores live on the user-interface thread only.
//
// Three stores exist: TNonePreferencesMan (stores nothing), TIniPreferencesMan (the portable
// Framix.ini file) and TRegPreferencesMan (the per-user store under $XDG_CONFIG_HOME/Vardo).
#pragma once

#include "prefs/TFontDesc.h"

#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <cstdint>

class TPreferencesMan
{
public:
    TPreferencesMan() = default;
    virtual ~TPreferencesMan() = default;
    TPreferencesMan(const TPreferencesMan &) = delete;
    TPreferencesMan &operator=(const TPreferencesMan &) = delete;

    // Current key path ("" = root, "ShowForm", "ShowForm\InsertFont").
    const QString &Path() const { return m_path; }

    // Appends the names of the current key's values / direct sub-keys to the list.
    virtual bool GetValueNames(QStringList &list) = 0;
    virtual bool GetKeyNames(QStringList &list) = 0;
    // Current key := current key + "\" + name (name alone at the root). With create False a
    // missing key is a failure in stores that can tell; the current key is then unchanged.
    virtual bool OpenKey(const QString &name, bool create) = 0;
    // Makes the parent of the current key current.
    virtual bool CloseKey() = 0;

    virtual bool WriteString(const QString &name, const QString &value) = 0;
    virtual bool ReadString(const QString &name, QString &value) = 0;
    virtual bool DeleteValue(const QString &name) = 0;
    virtual bool WriteBool(const QString &name, bool value) = 0;
    virtual bool ReadBool(const QString &name, bool &value) = 0;
    virtual bool WriteInteger(const QString &name, std::int32_t value) = 0;
    virtual bool ReadInteger(const QString &name, std::int32_t &value) = 0;
    virtual bool WriteFloat(const QString &name, double value) = 0;
    virtual bool ReadFloat(const QString &name, double &value) = 0;

    // Commits pending changes to disk now (stores also commit when destroyed). False when the
    // data could not be written; the changes stay pending and are tried again later.
    virtual bool Flush() { return true; }

    // Composite values, the same layout in every store (key = the action's ScriptName):
    //  point:     integers key + ".X" and key + ".Y" in the current key;
    //  rectangle: sub-key "key" holding integers Left, Top, Right, Bottom;
    //  font:      sub-key "key" holding Charset, Color, Name, Pitch, PixelsperInch, Size,
    //             Bold, Italic, StrikeOut, Underline.
    // A QRect maps to Left = left(), Top = top(), Right = left() + width(),
    // Bottom = top() + height() (right and bottom edges exclusive, as stored by the original
    // program). Reads succeed only when every part was read; a failed font read may have
    // changed some fields, so the caller then takes its whole default font.
    bool WritePoint(const QString &key, const QPoint &p);
    bool ReadPoint(const QString &key, QPoint &p);
    bool WriteRect(const QString &key, const QRect &r);
    bool ReadRect(const QString &key, QRect &r);
    bool WriteFont(const QString &key, const TFontDesc &f);
    bool ReadFont(const QString &key, TFontDesc &f);

    // "Software\Vardo\" + title: the base path of the per-user store of an application.
    static QString RegistryBasePath(const QString &title);
    // folder + title + ".ini" (folder with or without a trailing separator).
    static QString IniFileName(const QString &folder, const QString &title);
    // Deletes folder/title.ini if it exists. True when no such file remains.
    static bool DeleteIniFile(const QString &folder, const QString &title);
    // Deletes the per-user store of the application title with everything below it, then the
    // Vardo level when nothing else is left in it. True when nothing of title remains.
    static bool DeleteRegistryKey(const QString &title);

protected:
    // "a\b" + "c" -> "a\b\c"; "" + "c" -> "c".
    static QString ChildPath(const QString &path, const QString &name);
    // "a\b\c" -> "a\b"; "a" -> "".
    static QString ParentPath(const QString &path);

    QString m_path;
};
