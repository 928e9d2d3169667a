// The date formatter on arbitrary formats (scripts pass user text) and arbitrary day counts.
#include "core/TDateFormat.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const TDateFormat fr(QLocale(QLocale::French, QLocale::France));
    double dt = 37948.33969;
    if (size >= sizeof dt) {
        std::memcpy(&dt, data, sizeof dt);
        data += sizeof dt;
        size -= sizeof dt;
    }
    const QString fmt = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    (void)fr.format(fmt, dt);
    (void)fr.format(fmt, 37948.33969);
    (void)TDateFormat::system().format(fmt, -dt);
    return 0;
}
