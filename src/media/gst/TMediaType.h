#pragma once
// A media type as the rest of the program describes streams: major type, subtype and format type
// identifiers plus a format block in the Windows header layout (see FormatBlocks.h). Built from
// GStreamer caps by fromCaps(); the format-description functions (media/MediaFormat.h) read it.
// A plain value: copyable, no GStreamer reference kept.
#include "media/gst/FormatBlocks.h"
#include "media/gst/MediaGuids.h"

#include <QByteArray>
#include <QString>
#include <cstring>

typedef struct _GstCaps GstCaps;
typedef struct _GstStructure GstStructure;

class TMediaType
{
public:
    TGuid majortype;
    TGuid subtype;
    TGuid formattype = FORMAT_None;
    bool bFixedSizeSamples = false;
    bool bTemporalCompression = false;
    uint32_t lSampleSize = 0;
    QByteArray Format; // the format block (cbFormat = Format.size())
    // Name of the caps structure the type was built from ("video/x-dv", ...), empty otherwise.
    // Kept so that a type that maps to nothing known can still be named.
    QString CapsName;

    size_t cbFormat() const { return size_t(Format.size()); }
    const uint8_t *pbFormat() const { return reinterpret_cast<const uint8_t *>(Format.constData()); }

    // Copies the start of the format block into out when the block is at least sizeof(T) long.
    template <class T> bool readFormat(T &out) const
    {
        if (cbFormat() < sizeof(T))
            return false;
        std::memcpy(&out, pbFormat(), sizeof(T));
        return true;
    }
    template <class T> void setFormat(const T &block, const QByteArray &tail = {})
    {
        Format = QByteArray(reinterpret_cast<const char *>(&block), int(sizeof(T)));
        Format.append(tail);
    }

    bool isVideo() const { return majortype == MEDIATYPE_Video; }
    bool isAudio() const { return majortype == MEDIATYPE_Audio; }
    // Same major type, subtype and format type (the format block is not compared).
    bool sameKind(const TMediaType &o) const
    {
        return majortype == o.majortype && subtype == o.subtype && formattype == o.formattype;
    }
    bool operator==(const TMediaType &o) const { return sameKind(o) && Format == o.Format; }

    // The media type of the first structure of caps. Never fails: caps that map to nothing known
    // give a type with the major type guessed from the structure name ("video/..." is Video,
    // "audio/..." Audio, else Stream), a null subtype, FORMAT_None and no format block.
    // Null or empty caps give a null type (major type GUID_NULL).
    static TMediaType fromCaps(const GstCaps *caps);
    static TMediaType fromStructure(const GstStructure *s);
    // Convenience for tests and fuzzing: parses a caps string first (gst_init must have run).
    static TMediaType fromCapsString(const char *caps);
};
