#include "media/PictureHeaders.h"

namespace {

// Reads bits most significant first; past the end it reads zeros and says so.
class TBitReader
{
public:
    TBitReader(const uint8_t *buf, size_t len) : m_buf(buf), m_len(len) {}
    uint32_t read(int n)
    {
        uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            const size_t byte = m_pos >> 3;
            int bit = 0;
            if (byte < m_len)
                bit = (m_buf[byte] >> (7 - (m_pos & 7))) & 1;
            else
                m_overrun = true;
            v = (v << 1) | uint32_t(bit);
            ++m_pos;
        }
        return v;
    }
    bool overrun() const { return m_overrun; }

private:
    const uint8_t *m_buf;
    size_t m_len;
    size_t m_pos = 0;
    bool m_overrun = false;
};

// The offset just past the next start code prefix 00 00 01 at or after from, or len.
size_t nextStartCode(const uint8_t *buf, size_t len, size_t from)
{
    for (size_t i = from; i + 3 < len; ++i)
        if (buf[i] == 0 && buf[i + 1] == 0 && buf[i + 2] == 1)
            return i + 3;
    return len;
}

} // namespace

bool Mpeg4FindVol(const uint8_t *buf, size_t len, TMpeg4Vol &vol)
{
    if (!buf)
        return false;
    for (size_t at = nextStartCode(buf, len, 0); at < len; at = nextStartCode(buf, len, at)) {
        const uint8_t code = buf[at];
        if (code < 0x20 || code > 0x2F)
            continue;
        TBitReader b(buf + at + 1, len - at - 1);
        b.read(1); // random_accessible_vol
        b.read(8); // video_object_type_indication
        int verid = 1;
        if (b.read(1)) { // is_object_layer_identifier
            verid = int(b.read(4));
            b.read(3); // priority
        }
        if (b.read(4) == 15) // aspect_ratio_info: an extended pixel aspect follows
            b.read(16);
        if (b.read(1)) { // vol_control_parameters
            b.read(2);   // chroma_format
            b.read(1);   // low_delay
            if (b.read(1))
                b.read(79); // vbv_parameters
        }
        const uint32_t shape = b.read(2);
        if (shape == 3 && verid != 1)
            b.read(4); // video_object_layer_shape_extension
        b.read(1);     // marker
        const int resolution = int(b.read(16));
        b.read(1); // marker
        const bool fixed = b.read(1);
        int bits = 1;
        while (bits < 16 && (1 << bits) < resolution)
            ++bits;
        const int fixedIncrement = fixed ? int(b.read(bits)) : 0;
        if (b.overrun() || shape != 0 || resolution == 0)
            return false;
        vol.Resolution = resolution;
        vol.IncrementBits = bits;
        vol.FixedIncrement = fixedIncrement;
        return true;
    }
    return false;
}

std::vector<TMpeg4Vop> Mpeg4Vops(const uint8_t *buf, size_t len, const TMpeg4Vol &vol)
{
    std::vector<TMpeg4Vop> vops;
    if (!buf || vol.IncrementBits <= 0)
        return vops;
    for (size_t at = nextStartCode(buf, len, 0); at < len; at = nextStartCode(buf, len, at)) {
        if (buf[at] != 0xB6)
            continue;
        TBitReader b(buf + at + 1, len - at - 1);
        TMpeg4Vop v;
        v.CodingType = TMpeg4Vop::Type(b.read(2));
        // Seconds are counted in ones; more than an hour of them is no header of a real stream.
        int modulo = 0;
        while (b.read(1) && !b.overrun() && modulo < 3600)
            ++modulo;
        v.ModuloTimeBase = modulo;
        b.read(1); // marker
        v.TimeIncrement = int(b.read(vol.IncrementBits));
        b.read(1); // marker
        v.Coded = b.read(1) != 0;
        if (!b.overrun())
            vops.push_back(v);
    }
    return vops;
}

bool MpegFirstPicture(const uint8_t *buf, size_t len, TMpegPicture &picture)
{
    if (!buf)
        return false;
    bool group = false;
    for (size_t at = nextStartCode(buf, len, 0); at < len; at = nextStartCode(buf, len, at)) {
        const uint8_t code = buf[at];
        if (code == 0xB8) {
            group = true;
        } else if (code == 0x00) {
            if (at + 3 > len)
                return false;
            TBitReader b(buf + at + 1, len - at - 1);
            picture.TemporalReference = int(b.read(10));
            picture.CodingType = int(b.read(3));
            picture.GroupStart = group;
            return !b.overrun();
        }
    }
    return false;
}
