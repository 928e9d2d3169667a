#pragma once
// Descriptions of media types: the TVideoData record, codec names, the audio fields of TframeData.
// Pure functions without state; the sample notifier calls them on the streaming thread.
#include "media/TVideoData.h"
#include "media/TframeData.h"
#include "media/gst/TMediaType.h"

#include <QString>
#include <cstdint>

// The video description of a media type; Known = false when no video format block is recognised.
TVideoData VideoDataFromMediaType(const TMediaType &mt);
// Compression name: "DV Type 1/2", "RGB24" ..., a FourCC, "MPEG1", "MPEG2".
QString VideoCodecName(const TMediaType &mt);
// Four characters from the four bytes of v, lowest byte first; a byte below 32 becomes a space.
QString FourCCText(uint32_t v);
// Audio compression name; empty unless the major type is Audio.
QString AudioCodecName(const TMediaType &mt);
// Fills the audio fields of fd (AudioCodec must already be set) from a WaveFormatEx type; false
// (fd untouched) for any other type.
bool AudioFormatFromMediaType(const TMediaType &mt, TframeData &fd);
// Name of a wave format tag ("PCM", "IEEE_FLOAT", "MP3" ...), empty when unknown.
QString WaveFormatTagName(uint16_t tag);
