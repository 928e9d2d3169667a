#pragma once
// Reading and writing script files. Scripts are stored as UTF-8 with CR LF line ends; a file
// that is not valid UTF-8 (written by an older program in Latin-1 or Windows-1252) is read as
// Latin-1 and the caller says so, so that nothing is silently mangled. Files that cannot be
// script text (NUL bytes, larger than MaxBytes) are refused with a French message, and the
// caller keeps what it had.
#include <QString>
#include <QStringList>

class TScriptFile
{
public:
    // Far above any script a person writes; a larger file is a wrong choice, not a script.
    static constexpr qint64 MaxBytes = 8 * 1024 * 1024;

    enum class TEncoding { Utf8, Latin1 };
    struct TReadResult
    {
        bool ok = false;
        QStringList lines;
        TEncoding encoding = TEncoding::Utf8;
        // Why the file was refused (ok false).
        QString error;
    };

    static TReadResult Read(const QString &path);
    // Writes atomically; false and `error` when the file could not be written.
    static bool Write(const QString &path, const QStringList &lines, QString *error);
    // Splits text on CR LF, LF or CR.
    static QStringList SplitLines(const QString &text);
};
