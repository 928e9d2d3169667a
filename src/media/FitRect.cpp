#include "media/FitRect.h"

#include <cstdint>

QRect FitRect(int aw, int ah, const QRect &area, int margin, bool relative)
{
    const int64_t x = int64_t(area.x()) + margin;
    const int64_t y = int64_t(area.y()) + margin;
    const int64_t W = int64_t(area.width()) - 2 * int64_t(margin);
    const int64_t H = int64_t(area.height()) - 2 * int64_t(margin);
    int64_t rx = x, ry = y, rw = W, rh = H;
    if (aw > 0 && ah > 0) {
        if (W * ah < H * aw) {
            rh = W * ah / aw;
            ry = y + (H - rh) / 2;
        } else {
            rw = H * aw / ah;
            rx = x + (W - rw) / 2;
        }
    }
    if (relative) {
        rx -= area.x();
        ry -= area.y();
    }
    return QRect(int(rx), int(ry), int(rw), int(rh));
}
