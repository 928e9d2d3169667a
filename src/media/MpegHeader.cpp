#include "media/MpegHeader.h"

bool MpegIsSequenceHeader(const uint8_t *buf, size_t len)
{
    if (!buf || len < kMpegSequenceHeaderMin)
        return false;
    return buf[0] == 0x00 && buf[1] == 0x00 && buf[2] == 0x01 && buf[3] == 0xB3 && (buf[7] & 0xF0) != 0 &&
           (buf[7] & 0x0F) != 0;
}

int MpegWidth(const uint8_t *buf, size_t len)
{
    if (!buf || len < 7)
        return 0;
    return (int(buf[4]) << 4) | (buf[5] >> 4);
}

int MpegHeight(const uint8_t *buf, size_t len)
{
    if (!buf || len < 7)
        return 0;
    return (int(buf[5] & 0x0F) << 8) | buf[6];
}

int MpegAspect(const uint8_t *buf, size_t len)
{
    if (!buf || len < kMpegSequenceHeaderMin)
        return 2;
    switch (buf[7] >> 4) {
    case 2:
        return 0;
    case 3:
        return 1;
    default:
        return 2;
    }
}

double MpegFrameRate(const uint8_t *buf, size_t len)
{
    if (!buf || len < kMpegSequenceHeaderMin)
        return 0;
    switch (buf[7] & 0x0F) {
    case 1:
        return 24000.0 / 1001.0;
    case 2:
        return 24;
    case 3:
        return 25;
    case 4:
        return 30000.0 / 1001.0;
    case 5:
        return 30;
    case 6:
        return 50;
    case 7:
        return 60000.0 / 1001.0;
    case 8:
        return 60;
    default:
        return 0;
    }
}
