// Wave format tags and their names, in tag order (looked up by binary search).
#include "media/MediaFormat.h"

#include <algorithm>
#include <iterator>

namespace {
struct TTagName
{
    uint16_t tag;
    const char *name;
};

constexpr TTagName kTags[] = {
    {1, "PCM"}, {2, "ADPCM"}, {3, "IEEE_FLOAT"}, {4, "VSELP"}, {5, "IBM_CVSD"}, {6, "ALAW"}, {7, "MULAW"},
    {8, "DTS"}, {9, "DRM"}, {16, "OKI_ADPCM"}, {17, "DVI_ADPCM"}, {18, "MEDIASPACE_ADPCM"},
    {19, "SIERRA_ADPCM"}, {20, "G723_ADPCM"}, {21, "DIGISTD"}, {22, "DIGIFIX"}, {23, "DIALOGIC_OKI_ADPCM"},
    {24, "MEDIAVISION_ADPCM"}, {25, "HP_CU"}, {32, "YAMAHA_ADPCM"}, {33, "SONARC"},
    {34, "DSPGROUP_TRUESPEECH"}, {35, "ECHOSC1"}, {36, "AUDIOFILE_AF36"}, {37, "APTX"},
    {38, "AUDIOFILE_AF10"}, {39, "PROSODY_1612"}, {40, "LRC"}, {48, "DOLBY_AC2"}, {49, "GSM610"},
    {50, "MSNAUDIO"}, {51, "ANTEX_ADPCME"}, {52, "CONTROL_RES_VQLPC"}, {53, "DIGIREAL"}, {54, "DIGIADPCM"},
    {55, "CONTROL_RES_CR10"}, {56, "NMS_VBXADPCM"}, {57, "CS_IMAADPCM"}, {58, "ECHOSC3"},
    {59, "ROCKWELL_ADPCM"}, {60, "ROCKWELL_DIGITALK"}, {61, "XEBEC"}, {64, "G721_ADPCM"}, {65, "G728_CELP"},
    {66, "MSG723"}, {80, "MPEG Audio"}, {82, "RT24"}, {83, "PAC"}, {85, "MP3"}, {89, "LUCENT G.723"},
    {96, "CIRRUS"}, {97, "ESPCM"}, {98, "VOXWARE"}, {99, "CANOPUS_ATRAC"}, {100, "G726_ADPCM"},
    {101, "G722_ADPCM"}, {102, "DSAT"}, {103, "DSAT_DISPLAY"}, {105, "VOXWARE_BYTE_ALIGNED"},
    {112, "VOXWARE_AC8"}, {113, "VOXWARE_AC10"}, {114, "VOXWARE_AC16"}, {115, "VOXWARE_AC20"},
    {116, "VOXWARE_RT24"}, {117, "VOXWARE_RT29"}, {118, "VOXWARE_RT29HW"}, {119, "VOXWARE_VR12"},
    {120, "VOXWARE_VR18"}, {121, "VOXWARE_TQ40"}, {128, "SOFTSOUND"}, {129, "VOXWARE_TQ60"}, {130, "MSRT24"},
    {131, "G729A"}, {132, "MVI_MV12"}, {133, "DF_G726"}, {134, "DF_GSM610"}, {136, "ISIAUDIO "},
    {137, "ONLIVE"}, {145, "SBC24"}, {146, "DOLBY_AC3_SPDIF"}, {151, "ZYXEL_ADPCM"}, {152, "PHILIPS_LPCBB"},
    {153, "PACKED"}, {255, "AAC"}, {256, "RHETOREX_ADPCM"}, {257, "IRAT"}, {273, "VIVO_G723"},
    {274, "VIVO_SIREN"}, {291, "DIGITAL_G723"}, {293, "SANYO_LD_ADPCM"}, {304, "SIPROLAB_ACEPLNET"},
    {305, "SIPROLAB_ACELP4800"}, {306, "SIPROLAB_ACELP8V3"}, {307, "SIPROLAB_G729"}, {308, "SIPROLAB_G729A"},
    {309, "SIPROLAB_KELVIN"}, {320, "G726ADPCM"}, {336, "QUALCOMM_PUREVOICE"}, {337, "QUALCOMM_HALFRATE"},
    {341, "TUBGSM"}, {352, "MSAUDIO1"}, {353, "WMA"}, {354, "WMA_Pro"}, {355, "WMA_Lossless"},
    {368, "UNISYS_NAP_ADPCM"}, {369, "UNISYS_NAP_ULAW"}, {370, "UNISYS_NAP_ALAW"}, {371, "UNISYS_NAP_16K"},
    {512, "CREATIVE_ADPCM"}, {514, "CREATIVE_FASTSPEECH8"}, {515, "CREATIVE_FASTSPEECH10"},
    {544, "QUARTERDECK"}, {768, "FM_TOWNS_SND"}, {1024, "BTV_DIGITAL"}, {1664, "VME_VMPCM"}, {4096, "OLIGSM"},
    {4097, "OLIADPCM"}, {4098, "OLICELP"}, {4099, "OLISBC"}, {4100, "OLIOPR"}, {4352, "LH_CODEC"},
    {4353, "LH_SELP"}, {4354, "LH_SBC"}, {4355, "LH_SBC"}, {4356, "LH_SBC"}, {5120, "NORRIS"},
    {5121, "ISIAUDIO"}, {5376, "SOUNDSPACE_MUSICOMPRESS"}, {6172, "VOXWARE_RT24_Speech"},
    {8132, "NCTSOFT_ALF2CD"}, {8192, "AC3"}, {8193, "DTS"}, {8194, "14_4"}, {8195, "28_8"}, {8196, "COOK"},
    {8197, "DNET"}, {26447, "OGG_VORBIS1"}, {26448, "OGG_VORBIS2"}, {26449, "OGG_VORBIS3"},
    {26479, "OGG_VORBIS1+"}, {26480, "OGG_VORBIS2+"}, {26481, "OGG_VORBIS3+"}, {31265, "GSM_AMR"},
    {31266, "GSM_AMR"},
};
static_assert(std::size(kTags) == 144);
} // namespace

QString WaveFormatTagName(uint16_t tag)
{
    const auto it = std::lower_bound(std::begin(kTags), std::end(kTags), tag,
                                     [](const TTagName &row, uint16_t t) { return row.tag < t; });
    if (it == std::end(kTags) || it->tag != tag)
        return {};
    return QString::fromLatin1(it->name);
}
