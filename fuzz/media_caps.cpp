// Media types from arbitrary caps strings, and every description built from them.
#include "media/MediaFormat.h"
#include "media/gst/TMediaType.h"

#include <gst/gst.h>

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const bool initialised = [] {
        gst_init(nullptr, nullptr);
        return true;
    }();
    (void)initialised;
    const std::string text(reinterpret_cast<const char *>(data), size); // stops at the first NUL
    const TMediaType mt = TMediaType::fromCapsString(text.c_str());
    const TVideoData v = VideoDataFromMediaType(mt);
    (void)VideoCodecName(mt);
    TframeData fd;
    fd.AudioCodec = AudioCodecName(mt);
    (void)AudioFormatFromMediaType(mt, fd);
    // The same block truncated at every length the readers test against.
    for (int cut : {0, 17, 18, 87, 88, 103, 104, 111, 112, 135, 136}) {
        TMediaType t = mt;
        if (t.Format.size() > cut)
            t.Format.truncate(cut);
        (void)VideoDataFromMediaType(t);
        (void)AudioFormatFromMediaType(t, fd);
        (void)AudioCodecName(t);
    }
    (void)v;
    return 0;
}
