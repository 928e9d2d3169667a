#pragma once
// Comb removal for a grabbed frame. Where the two fields of an interlaced frame show a moving
// object at different places, the odd lines stand out from both their neighbours; those pixels
// (and only those) are replaced by the average of the lines above and below.
//
// One instance lives as long as the main window: its two work masks are resized, not
// reallocated, at every call, so a grab of the same size allocates nothing. Main thread only.
#include <QImage>

#include <cstdint>
#include <vector>

class TDeinterlacer
{
public:
    // Detection threshold: a pixel is combed when its weighted score exceeds this value.
    static constexpr int CombThreshold = 2000;

    // output := full copy of input (size, format, pixels); then, when the input holds 32-bit
    // pixels with 8-bit blue, green and red channels, the combed pixels of its odd rows are
    // interpolated. Any other format comes out as the plain copy. input and output may be
    // the same object. The output's buffer is reused when it already has the input's size
    // and format and does not share the input's pixels.
    void Deinterlace(const QImage &input, QImage &output);

    // Raw detection and isolation-filtered masks of the last call, width x height bytes,
    // row-major, 0 or 1. Only the odd rows below the last one hold results.
    const std::vector<std::uint8_t> &CombMask() const { return m_combMask; }
    const std::vector<std::uint8_t> &KeepMask() const { return m_keepMask; }
    int MaskWidth() const { return m_width; }
    int MaskHeight() const { return m_height; }

    struct TRgb
    {
        int r, g, b;
    };
    // Detection score of pixel c between its vertical neighbours p (above) and n (below):
    // large and positive when c is much lighter, or much darker, than both.
    static int Score(TRgb p, TRgb c, TRgb n)
    {
        return 3 * (p.r - c.r) * (n.r - c.r) + 6 * (p.g - c.g) * (n.g - c.g) + (p.b - c.b) * (n.b - c.b);
    }

    // True for the formats whose pixels the correction reads and writes.
    static bool IsCorrectable(QImage::Format format);

private:
    std::vector<std::uint8_t> m_combMask;
    std::vector<std::uint8_t> m_keepMask;
    int m_width = 0;
    int m_height = 0;
};
