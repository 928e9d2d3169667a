#include "media/gst/TMediaType.h"

#include <gst/gst.h>

TMediaType TMediaType::fromCaps(const GstCaps *caps)
{
    if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps))
        return {};
    return fromStructure(gst_caps_get_structure(caps, 0));
}

TMediaType TMediaType::fromStructure(const GstStructure *s)
{
    TMediaType mt;
    if (!s)
        return mt;
    mt.CapsName = QString::fromUtf8(gst_structure_get_name(s));
    if (mt.CapsName.startsWith(QLatin1String("video/")) || mt.CapsName.startsWith(QLatin1String("image/")))
        mt.majortype = MEDIATYPE_Video;
    else if (mt.CapsName.startsWith(QLatin1String("audio/")))
        mt.majortype = MEDIATYPE_Audio;
    else
        mt.majortype = MEDIATYPE_Stream;
    return mt;
}

TMediaType TMediaType::fromCapsString(const char *text)
{
    if (!text)
        return {};
    GstCaps *caps = gst_caps_from_string(text);
    if (!caps)
        return {};
    TMediaType mt = fromCaps(caps);
    gst_caps_unref(caps);
    return mt;
}
