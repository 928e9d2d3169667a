#pragma once
// Messages between the media engine's streaming elements and the manager components.
#include "media/TFormatStage.h"
#include "media/TIncrustDV.h"
#include "media/TVideoData.h"
#include "media/TframeData.h"

#include <QString>

#include <cstdint>

// One record per message, each a copy of what the streaming thread saw (never an address into
// a ring it goes on writing). The comments give the message each stands for in the documents.

// WM_NOTIFY_VIDEOFORMAT: posted by the sample notifier, stage 4 (aspect) then 2 (text).
struct TVideoFormatMsg
{
    TFormatStage stage{};
    TVideoData video;
};

// WM_NOTIFY_AUDIOFORMAT: posted by the sample notifier, stage 3.
struct TAudioFormatMsg
{
    TFormatStage stage{};
    TframeData frame;
};

// WM_NOTIFY_DVFRAME: posted by the sample notifier with the values of the previous sample and
// the ring slot they were kept in.
struct TDvFrameMsg
{
    int slot = 0;
    TframeData frame;
};

// WM_NOTIFY_DVINCRUST: sent by the sample notifier (its wait ends on flush).
struct TDvIncrustMsg
{
    int slot = 0;
    TIncrustDV value;
};

// WM_FRAMES_TEXT: sent by the frames notifier when the position text of a frame changed.
struct TFramesTextMsg
{
    int slot = 0;
    int64_t position = 0;
    QString text;
};

// WM_FRAMES_POSITION: posted by the frames notifier for every frame while texts are on.
struct TFramesPositionMsg
{
    int slot = 0;
    int64_t position = 0;
    QString text;
};

// WM_NOTIFY_FRAMEDURATION: posted by the sample notifier with the low 32 bits of the frame
// duration, sent by the frames notifier with the whole duration (100000 when the input gives
// none). The navigation manager reads the low 32 bits as a signed value.
struct TFrameDurationMsg
{
    uint64_t duration = 0;
};

// WM_FRAMES_REACHED: sent by the frames notifier when a watch fires: its target and the
// position of the frame that reached it.
struct TFramesReachedMsg
{
    int64_t target = 0;
    int64_t position = 0;
};
