#pragma once
// Messages between the media engine's streaming elements and the manager components, with the
// result codes of graph operations.
#include <cstdint>

inline constexpr unsigned WM_NOTIFY_VIDEOFORMAT = 9219; // posted, TVideoData copy, wParam 4 then 2
inline constexpr unsigned WM_NOTIFY_AUDIOFORMAT = 9220; // posted, TframeData copy, wParam 3
inline constexpr unsigned WM_NOTIFY_DVFRAME = 9226;     // posted, TframeData copy
inline constexpr unsigned WM_NOTIFY_DVINCRUST = 9228;   // sent, TIncrustDV copy
inline constexpr unsigned WM_FRAMES_TEXT = 9242;        // sent, QString copy, wParam slot, lParam position
inline constexpr unsigned WM_NOTIFY_SYSDATE = 9243;
inline constexpr unsigned WM_NOTIFY_NUMERO = 9245;
inline constexpr unsigned WM_NOTIFY_FILENAME = 9246;
inline constexpr unsigned WM_FRAMES_POSITION = 9248; // posted, QString copy, wParam slot, lParam position
// Posted by the sample notifier (wParam = low 32 bits), sent by the frames notifier (wParam = the
// duration, 100000 when the input gives none).
inline constexpr unsigned WM_NOTIFY_FRAMEDURATION = 9249;
inline constexpr unsigned WM_FRAMES_REACHED = 9250; // sent, wParam watch target, lParam position
