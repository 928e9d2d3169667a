#pragma once
// Which part of a stream's format a notifier's format report is about, in the values its
// messages carry: a video report comes twice (the aspect first, then the description shown in
// the top panel), an audio report once.
enum class TFormatStage : unsigned { VideoAspect = 4, VideoDescription = 2, AudioDescription = 3 };
