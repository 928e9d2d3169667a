// Scene files of arbitrary content.
#include "media/TScenesList.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    TScenesList list;
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const bool whole = list.LoadScenesFromData(bytes, QStringLiteral("fuzz.scn"));
    if (whole && list.Count() < 1)
        std::abort();
    if (list.Count() > 65536 || list.Scene(list.Count()) != nullptr)
        std::abort();
    for (int frame : {INT32_MIN, -1, 0, 1, 100, INT32_MAX}) {
        (void)list.NextSceneStart(frame, -7);
        (void)list.PrevSceneStart(frame);
    }
    return 0;
}
