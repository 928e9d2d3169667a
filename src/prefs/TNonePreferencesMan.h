// The store of the "no preferences" mode: keys open and writes succeed, nothing is kept,
// every read fails so that callers use their defaults.
#pragma once

#include "prefs/TPreferencesMan.h"

class TNonePreferencesMan : public TPreferencesMan
{
public:
    TNonePreferencesMan() = default;

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
};
