#include "prefs/TPreferencesMan.h"

#include "prefs/TRegPreferencesMan.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

QString TPreferencesMan::ChildPath(const QString &path, const QString &name)
{
    return path.isEmpty() ? name : path + QLatin1Char('\\') + name;
}

QString TPreferencesMan::ParentPath(const QString &path)
{
    const qsizetype i = path.lastIndexOf(QLatin1Char('\\'));
    return i < 0 ? QString() : path.left(i);
}

bool TPreferencesMan::WritePoint(const QString &key, const QPoint &p)
{
    return WriteInteger(key + QStringLiteral(".X"), p.x()) && WriteInteger(key + QStringLiteral(".Y"), p.y());
}

bool TPreferencesMan::ReadPoint(const QString &key, QPoint &p)
{
    std::int32_t x = 0, y = 0;
    if (!ReadInteger(key + QStringLiteral(".X"), x) || !ReadInteger(key + QStringLiteral(".Y"), y))
        return false;
    p = QPoint(x, y);
    return true;
}

// A key that does not open leaves the store where it was: neither the values nor the CloseKey
// may then touch the parent key.
bool TPreferencesMan::WriteRect(const QString &key, const QRect &r)
{
    if (!OpenKey(key, true))
        return false;
    const bool ok = WriteInteger(QStringLiteral("Left"), r.left()) &&
                    WriteInteger(QStringLiteral("Top"), r.top()) &&
                    WriteInteger(QStringLiteral("Right"), r.left() + r.width()) &&
                    WriteInteger(QStringLiteral("Bottom"), r.top() + r.height());
    return CloseKey() && ok;
}

bool TPreferencesMan::ReadRect(const QString &key, QRect &r)
{
    if (!OpenKey(key, false))
        return false;
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;
    const bool ok = ReadInteger(QStringLiteral("Top"), top) && ReadInteger(QStringLiteral("Left"), left) &&
                    ReadInteger(QStringLiteral("Right"), right) &&
                    ReadInteger(QStringLiteral("Bottom"), bottom);
    CloseKey();
    if (!ok)
        return false;
    r = QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
    return true;
}

bool TPreferencesMan::WriteFont(const QString &key, const TFontDesc &f)
{
    if (!OpenKey(key, true))
        return false;
    const bool ok =
        WriteInteger(QStringLiteral("Charset"), f.Charset) &&
        WriteInteger(QStringLiteral("Color"), f.Color) && WriteString(QStringLiteral("Name"), f.Name) &&
        WriteInteger(QStringLiteral("Pitch"), f.Pitch) &&
        WriteInteger(QStringLiteral("PixelsperInch"), f.PixelsPerInch) &&
        WriteInteger(QStringLiteral("Size"), f.Size) && WriteBool(QStringLiteral("Bold"), f.Bold) &&
        WriteBool(QStringLiteral("Italic"), f.Italic) &&
        WriteBool(QStringLiteral("StrikeOut"), f.StrikeOut) &&
        WriteBool(QStringLiteral("Underline"), f.Underline);
    return CloseKey() && ok;
}

bool TPreferencesMan::ReadFont(const QString &key, TFontDesc &f)
{
    if (!OpenKey(key, false))
        return false;
    bool ok = [&] {
        std::int32_t i = 0;
        if (!ReadInteger(QStringLiteral("Charset"), i))
            return false;
        f.Charset = i & 0xFF;
        if (!ReadInteger(QStringLiteral("Color"), i))
            return false;
        f.Color = i;
        if (!ReadString(QStringLiteral("Name"), f.Name))
            return false;
        if (!ReadInteger(QStringLiteral("Pitch"), i))
            return false;
        f.Pitch = i;
        if (!ReadInteger(QStringLiteral("PixelsperInch"), i))
            return false;
        f.PixelsPerInch = i;
        if (!ReadInteger(QStringLiteral("Size"), i))
            return false;
        f.Size = i;
        f.ClearStyle();
        bool b = false;
        if (!ReadBool(QStringLiteral("Bold"), b))
            return false;
        f.Bold = b;
        b = false;
        if (!ReadBool(QStringLiteral("Italic"), b))
            return false;
        f.Italic = b;
        b = false;
        if (!ReadBool(QStringLiteral("StrikeOut"), b))
            return false;
        f.StrikeOut = b;
        b = false;
        if (!ReadBool(QStringLiteral("Underline"), b))
            return false;
        f.Underline = b;
        return true;
    }();
    CloseKey();
    return ok;
}

QString TPreferencesMan::RegistryBasePath(const QString &title)
{
    return QStringLiteral("Software\\Vardo\\") + title;
}

QString TPreferencesMan::IniFileName(const QString &folder, const QString &title)
{
    QString dir = folder;
    if (!dir.isEmpty() && !dir.endsWith(QLatin1Char('/')))
        dir += QLatin1Char('/');
    return dir + title + QStringLiteral(".ini");
}

bool TPreferencesMan::DeleteIniFile(const QString &folder, const QString &title)
{
    const QString name = IniFileName(folder, title);
    QFileInfo info(name);
    if (!info.exists() && !info.isSymLink())
        return true;
    // A read-only file is made writable first, as the user asked for the file to go.
    QFile::setPermissions(name, QFile::ReadOwner | QFile::WriteOwner);
    return QFile::remove(name);
}

bool TPreferencesMan::DeleteRegistryKey(const QString &title)
{
    const QString configHome = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QDir vardo(TRegPreferencesMan::FolderOf(QStringLiteral("Software\\Vardo")));
    if (!vardo.exists())
        return true;
    bool ok = true;
    const QString app = TRegPreferencesMan::FolderOf(RegistryBasePath(title));
    if (!title.isEmpty() && QFileInfo(app).isDir())
        ok = QDir(app).removeRecursively();
    // The maker's level goes only when no other program of the same maker keeps data there.
    if (vardo.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot).isEmpty())
        QDir(configHome).rmdir(QStringLiteral("Vardo"));
    return ok;
}
