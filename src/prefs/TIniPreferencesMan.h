// The portable store: Framix.ini beside the program.
//
// File format (kept byte-compatible with the files of the Windows program):
//  - UTF-16 little-endian with byte-order mark, every line ended by CR LF;
//  - "[]" is the root section and the first line of a new file; a sub-key's section header is
//    "[" + full key path + "]" ([ShowForm], [ShowForm\InsertFont]);
//  - a section's entries are the lines name=value after its header, up to the first empty line
//    or the next header; a new section is appended as an empty line and its header;
//  - booleans "True"/"False", integers in decimal, floats in general format with up to 15
//    significant digits and the user's decimal separator, strings as they are.
// A string holding a line break (or NUL) cannot be one line: such a value, and only such a value
// (or one that itself begins with the marker), is written as the marker "\~" followed by the
// text with "\" doubled and CR, LF, NUL written \r, \n, \0.
//
// The whole file is held in memory as lines and written atomically (temporary file, then
// rename) by Flush() and when the store is destroyed. A file that cannot be used (too large,
// undecodable) is renamed with a ".bak" suffix and the store starts empty; a file that decodes
// only partly is copied to ".bak" before its readable part is used, so nothing is lost silently.
#pragma once

#include "prefs/TPreferencesMan.h"

#include <QByteArray>

class TIniPreferencesMan : public TPreferencesMan
{
public:
    enum class TLoadResult { Missing, Ok, Lossy, Unusable };

    // Loads fileName when it exists and opens the root section. An empty file name makes a
    // store that lives in memory only (nothing is read or written).
    TIniPreferencesMan(const QString &fileName, bool create = true);
    ~TIniPreferencesMan() override;

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

    const QString &FileName() const { return m_fileName; }
    // How the file was found when the store was created.
    TLoadResult LoadResult() const { return m_loadResult; }
    const QStringList &Lines() const { return m_lines; }
    // Replaces the lines by those decoded from the bytes of a file and reopens the root section.
    TLoadResult LoadFromBytes(const QByteArray &bytes);

    // Decimal separator of float texts: the user's (QLocale::system()), a comma when the
    // system locale is C/POSIX (the French regional settings apply then, as for dates).
    QChar DecimalSeparator() const { return m_decimalSeparator; }
    void SetDecimalSeparator(QChar c) { m_decimalSeparator = c; }
    static QChar SystemDecimalSeparator();

    // Files above this size are not loaded (they are kept aside as .bak).
    static constexpr qint64 MaxFileSize = 32 * 1024 * 1024;

    // Text codecs of the file format, public for tests and fuzzing.
    static QByteArray EncodeLines(const QStringList &lines);
    static TLoadResult DecodeLines(const QByteArray &bytes, QStringList &lines);
    static QString FormatFloat(double value, QChar decimalSeparator);
    static double ParseFloat(const QString &text);         // 0 when not a number
    static std::int32_t ParseInteger(const QString &text); // 0 when not an integer
    static QString EscapeValue(const QString &value);
    static QString UnescapeValue(const QString &text);

private:
    void Load();
    void OpenSection(const QString &path);
    static bool IsHeader(const QString &line);
    // Index of the matching entry in the current section, or -1; end receives the index
    // where the scan stopped.
    qsizetype FindEntry(const QString &name, qsizetype *end = nullptr) const;
    static bool ValidName(const QString &name);
    bool Put(const QString &name, const QString &text);
    bool Get(const QString &name, QString &text) const;
    void KeepAside(bool rename);

    QString m_fileName;
    QStringList m_lines;
    qsizetype m_section = 0; // index of the current section's header line
    QChar m_decimalSeparator;
    TLoadResult m_loadResult = TLoadResult::Missing;
    bool m_writable = true;
    bool m_dirty = true; // written at destruction even when unchanged, as the file always was
};
