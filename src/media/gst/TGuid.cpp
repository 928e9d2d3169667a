#include "media/gst/TGuid.h"

QString TGuid::toString() const
{
    return QString::asprintf("{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", Data1, Data2, Data3,
                             Data4[0], Data4[1], Data4[2], Data4[3], Data4[4], Data4[5], Data4[6], Data4[7]);
}

TGuid TGuid::fromString(const QString &text, bool *ok)
{
    if (ok)
        *ok = false;
    QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('{')) && t.endsWith(QLatin1Char('}')))
        t = t.mid(1, t.size() - 2);
    // 8-4-4-4-12 hexadecimal digits.
    if (t.size() != 36 || t[8] != QLatin1Char('-') || t[13] != QLatin1Char('-') ||
        t[18] != QLatin1Char('-') || t[23] != QLatin1Char('-'))
        return {};
    const QString hex = QString(t).remove(QLatin1Char('-'));
    if (hex.size() != 32)
        return {};
    uint8_t b[16];
    for (int i = 0; i < 16; ++i) {
        bool good = false;
        b[i] = uint8_t(hex.mid(2 * i, 2).toUInt(&good, 16));
        if (!good || !hex[2 * i].isLetterOrNumber() || !hex[2 * i + 1].isLetterOrNumber())
            return {};
    }
    TGuid g;
    g.Data1 = (uint32_t(b[0]) << 24) | (uint32_t(b[1]) << 16) | (uint32_t(b[2]) << 8) | b[3];
    g.Data2 = uint16_t((b[4] << 8) | b[5]);
    g.Data3 = uint16_t((b[6] << 8) | b[7]);
    for (int i = 0; i < 8; ++i)
        g.Data4[i] = b[8 + i];
    if (ok)
        *ok = true;
    return g;
}
