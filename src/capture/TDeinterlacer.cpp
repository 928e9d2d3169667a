#include "capture/TDeinterlacer.h"

#include <QtEndian>

#include <cstring>

namespace {

// Byte offsets of blue, green and red inside one 4-byte pixel.
struct TChannelOffsets
{
    int b, g, r;
};

bool ChannelOffsets(QImage::Format format, TChannelOffsets &off)
{
    switch (format) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
        // Stored as one 0xAARRGGBB word: B G R A in memory on little-endian machines.
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
        off = {0, 1, 2};
#else
        off = {3, 2, 1};
#endif
        return true;
    case QImage::Format_RGBX8888:
    case QImage::Format_RGBA8888:
    case QImage::Format_RGBA8888_Premultiplied:
        off = {2, 1, 0}; // byte order R G B A whatever the machine
        return true;
    default:
        return false;
    }
}

inline TDeinterlacer::TRgb Pixel(const uchar *row, int x, const TChannelOffsets &off)
{
    const uchar *p = row + 4 * x;
    return {p[off.r], p[off.g], p[off.b]};
}

} // namespace

bool TDeinterlacer::IsCorrectable(QImage::Format format)
{
    TChannelOffsets off{};
    return ChannelOffsets(format, off);
}

void TDeinterlacer::Deinterlace(const QImage &input, QImage &output)
{
    // Holding a second reference keeps the source pixels intact even when output is input:
    // the first write into output then detaches it.
    const QImage src = input;
    if (src.isNull()) {
        output = QImage();
        return;
    }

    TChannelOffsets off{};
    if (!ChannelOffsets(src.format(), off)) {
        output = src.copy();
        return;
    }

    const int w = src.width();
    const int h = src.height();
    if (output.size() != src.size() || output.format() != src.format() ||
        output.constBits() == src.constBits())
        output = QImage(src.size(), src.format());
    if (output.isNull()) { // out of memory: leave the caller without a correction
        output = QImage();
        return;
    }
    const size_t rowBytes = size_t(w) * 4;
    for (int y = 0; y < h; ++y)
        std::memcpy(output.scanLine(y), src.constScanLine(y), rowBytes);
    output.setDotsPerMeterX(src.dotsPerMeterX());
    output.setDotsPerMeterY(src.dotsPerMeterY());

    const size_t count = size_t(w) * size_t(h);
    m_combMask.resize(count);
    m_keepMask.resize(count);
    m_width = w;
    m_height = h;

    // Detection on the odd rows that have a row below them.
    for (int r = 1; r < h - 1; r += 2) {
        const uchar *prev = src.constScanLine(r - 1);
        const uchar *cur = src.constScanLine(r);
        const uchar *next = src.constScanLine(r + 1);
        std::uint8_t *comb = m_combMask.data() + size_t(r) * w;
        for (int x = 0; x < w; ++x)
            comb[x] = Score(Pixel(prev, x, off), Pixel(cur, x, off), Pixel(next, x, off)) > CombThreshold;
    }

    // Isolation filter: a detected pixel is kept only with a detected horizontal neighbour.
    for (int r = 1; r < h - 1; r += 2) {
        const std::uint8_t *comb = m_combMask.data() + size_t(r) * w;
        std::uint8_t *keep = m_keepMask.data() + size_t(r) * w;
        for (int x = 0; x < w; ++x) {
            const bool left = x > 0 && comb[x - 1];
            const bool right = x < w - 1 && comb[x + 1];
            keep[x] = comb[x] && (left || right);
        }
    }

    // Interpolation of the kept pixels from the input rows above and below; the fourth byte
    // keeps its copied value.
    for (int r = 1; r < h - 1; r += 2) {
        const uchar *prev = src.constScanLine(r - 1);
        const uchar *next = src.constScanLine(r + 1);
        uchar *out = output.scanLine(r);
        const std::uint8_t *keep = m_keepMask.data() + size_t(r) * w;
        for (int x = 0; x < w; ++x) {
            if (!keep[x])
                continue;
            const int i = 4 * x;
            for (int c : {off.b, off.g, off.r})
                out[i + c] = uchar((prev[i + c] + next[i + c]) / 2);
        }
    }
}
