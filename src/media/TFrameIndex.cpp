#include "media/TFrameIndex.h"

#include <QImage>

#include <array>
#include <cmath>

namespace {

constexpr int kCols = 8;
constexpr int kRows = 5;
constexpr double kGridX0 = 0.12, kGridX1 = 0.88;
constexpr double kGridY0 = 0.10, kGridY1 = 0.70;
constexpr std::array<int, kCols> kGuard{1, 0, 1, 1, 0, 0, 1, 0};
// Black and white of the guard row must differ by at least this much (0-255 grey levels).
constexpr double kMinContrast = 60.0;

// Mean grey level of the central half of one cell; img is 32-bit (RGB32/ARGB32).
double cellMean(const QImage &img, int col, int row)
{
    const double cw = (kGridX1 - kGridX0) / kCols;
    const double ch = (kGridY1 - kGridY0) / kRows;
    const double x0 = (kGridX0 + (col + 0.25) * cw) * img.width();
    const double x1 = (kGridX0 + (col + 0.75) * cw) * img.width();
    const double y0 = (kGridY0 + (row + 0.25) * ch) * img.height();
    const double y1 = (kGridY0 + (row + 0.75) * ch) * img.height();
    const int ix0 = static_cast<int>(std::floor(x0)),
              ix1 = std::max(ix0 + 1, static_cast<int>(std::ceil(x1)));
    const int iy0 = static_cast<int>(std::floor(y0)),
              iy1 = std::max(iy0 + 1, static_cast<int>(std::ceil(y1)));
    // A big picture need not be read pixel by pixel: about 16 x 16 samples per cell are plenty.
    const int sx = std::max(1, (ix1 - ix0) / 16), sy = std::max(1, (iy1 - iy0) / 16);
    double sum = 0;
    long count = 0;
    for (int y = iy0; y < iy1 && y < img.height(); y += sy) {
        const auto *line = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = ix0; x < ix1 && x < img.width(); x += sx) {
            sum += qGray(line[x]);
            ++count;
        }
    }
    return count ? sum / count : 0.0;
}

} // namespace

int FrameIndexFromImage(const QImage &img)
{
    // Below 2 pixels per half cell the pattern cannot be told from noise.
    if (img.isNull() || img.width() < 64 || img.height() < 48)
        return -1;
    QImage rgb = img;
    if (rgb.format() != QImage::Format_RGB32 && rgb.format() != QImage::Format_ARGB32)
        rgb = img.convertToFormat(QImage::Format_RGB32);

    std::array<std::array<double, kCols>, kRows> m{};
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kCols; ++c)
            m[r][c] = cellMean(rgb, c, r);

    double white = 0, black = 0;
    for (int c = 0; c < kCols; ++c)
        (kGuard[c] ? white : black) += m[0][c];
    white /= 4;
    black /= 4;
    const double contrast = white - black;
    if (contrast < kMinContrast)
        return -1;
    const double mid = (white + black) / 2;
    for (int c = 0; c < kCols; ++c) {
        const bool isWhite = m[0][c] > mid;
        if (isWhite != (kGuard[c] == 1) || std::abs(m[0][c] - mid) < contrast / 4)
            return -1;
    }

    unsigned bits = 0;
    int ones = 0;
    for (int j = 0; j < 16; ++j) {
        const double a = m[1 + j / 4][2 * (j % 4)];
        const double b = m[1 + j / 4][2 * (j % 4) + 1];
        // Each cell of a pair must be clearly on its own side of the guard's mid level.
        if (std::abs(a - b) < contrast / 2 || std::abs(a - mid) < contrast / 4 ||
            std::abs(b - mid) < contrast / 4)
            return -1;
        if (a > b) {
            bits |= 1u << j;
            ++ones;
        }
    }
    if ((ones & 1) == 0)
        return -1;
    return static_cast<int>(bits & 0x7FFF);
}
