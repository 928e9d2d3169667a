// MPEG sequence-header readers on arbitrary buffers of any length.
#include "media/MpegHeader.h"

#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    for (size_t len = 0; len <= size && len <= 12; ++len) {
        const std::vector<uint8_t> exact(data, data + len); // any overread is out of bounds
        const uint8_t *p = exact.empty() ? nullptr : exact.data();
        const bool header = MpegIsSequenceHeader(p, len);
        const int w = MpegWidth(p, len), h = MpegHeight(p, len), a = MpegAspect(p, len);
        const double fps = MpegFrameRate(p, len);
        if (w < 0 || w > 4095 || h < 0 || h > 4095 || a < 0 || a > 2 || fps < 0 || fps > 60)
            std::abort();
        if (header && len < kMpegSequenceHeaderMin)
            std::abort();
        if (header && fps == 0 && (p[7] & 0x0F) <= 8)
            std::abort();
    }
    const std::vector<uint8_t> exact(data, data + size);
    (void)MpegIsSequenceHeader(exact.data(), exact.size());
    return 0;
}
