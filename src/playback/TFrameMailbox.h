#pragma once
// The latest-frame mailbox between the video sink's streaming thread and the main thread.
// The streaming thread drops each decoded sample in (replacing the one before, which is never
// waited for); the first sample after the main thread last looked wakes it once through a
// queued call. A busy main thread therefore sees only the newest frame and never holds the
// decoder back.
//
// Threading: Put runs on a streaming thread; everything else on the main thread. The wake-up
// function is called with the mailbox lock held, so clearing it (SetWake({})) guarantees that
// no wake-up starts afterwards.
#include "media/gst/TGstHandles.h"

#include <cstdint>
#include <functional>
#include <mutex>

class TFrameMailbox
{
public:
    // Streaming thread: keeps sample (a reference is taken) as the latest. The same buffer
    // delivered twice (as preroll, then again when playing starts) counts once.
    void Put(GstSample *sample);

    // Main thread: the latest sample (empty when none) and its sequence number (0 when none;
    // every new sample gets the next number). Marks the mailbox read: the next Put wakes again.
    TGstSample Take(std::uint64_t *sequence = nullptr);
    // Main thread: the latest sample without marking the mailbox read.
    TGstSample Peek(std::uint64_t *sequence = nullptr) const;
    // Drops the latest sample (a new video, a cleared window).
    void Clear();

    // Any thread; see the header comment. Called when a sample lands in a read mailbox.
    void SetWake(std::function<void()> wake);

private:
    mutable std::mutex m_mutex;
    TGstSample m_sample;
    std::uint64_t m_sequence = 0;
    bool m_unread = false;
    std::function<void()> m_wake;
};
