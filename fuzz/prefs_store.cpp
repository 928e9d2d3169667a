// Fuzzes the reading of the per-user preference file (its JSON tree of typed values).
#include "prefs/TRegPreferencesMan.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TRegPreferencesMan::ParseForCheck(
        QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size)));
    return 0;
}
