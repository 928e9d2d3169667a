#include "prefs/TNonePreferencesMan.h"

bool TNonePreferencesMan::GetValueNames(QStringList &)
{
    return false;
}
bool TNonePreferencesMan::GetKeyNames(QStringList &)
{
    return false;
}

bool TNonePreferencesMan::OpenKey(const QString &name, bool)
{
    // The path is still followed so that Path() reads the same in every mode.
    if (!name.isEmpty())
        m_path = ChildPath(m_path, name);
    return true;
}

bool TNonePreferencesMan::CloseKey()
{
    m_path = ParentPath(m_path);
    return true;
}

bool TNonePreferencesMan::WriteString(const QString &, const QString &)
{
    return true;
}
bool TNonePreferencesMan::ReadString(const QString &, QString &)
{
    return false;
}
bool TNonePreferencesMan::DeleteValue(const QString &)
{
    return false;
}
bool TNonePreferencesMan::WriteBool(const QString &, bool)
{
    return true;
}
bool TNonePreferencesMan::ReadBool(const QString &, bool &)
{
    return false;
}
bool TNonePreferencesMan::WriteInteger(const QString &, std::int32_t)
{
    return true;
}
bool TNonePreferencesMan::ReadInteger(const QString &, std::int32_t &)
{
    return false;
}
bool TNonePreferencesMan::WriteFloat(const QString &, double)
{
    return true;
}
bool TNonePreferencesMan::ReadFloat(const QString &, double &)
{
    return false;
}
