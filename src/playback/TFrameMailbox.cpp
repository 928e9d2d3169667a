#include "playback/TFrameMailbox.h"

// Runs on a streaming thread.
void TFrameMailbox::Put(GstSample *sample)
{
    if (!sample)
        return;
    TGstSample keep = TGstSample::ref(sample);
    TGstSample previous;
    {
        std::lock_guard lock(m_mutex);
        if (m_sample && gst_sample_get_buffer(m_sample) == gst_sample_get_buffer(sample))
            return;
        previous = std::move(m_sample);
        m_sample = std::move(keep);
        ++m_sequence;
        if (!m_unread) {
            m_unread = true;
            if (m_wake)
                m_wake();
        }
    }
    // The frame replaced is released outside the lock.
}

TGstSample TFrameMailbox::Take(std::uint64_t *sequence)
{
    std::lock_guard lock(m_mutex);
    m_unread = false;
    if (sequence)
        *sequence = m_sequence;
    return m_sample;
}

TGstSample TFrameMailbox::Peek(std::uint64_t *sequence) const
{
    std::lock_guard lock(m_mutex);
    if (sequence)
        *sequence = m_sequence;
    return m_sample;
}

void TFrameMailbox::Clear()
{
    TGstSample previous;
    std::lock_guard lock(m_mutex);
    previous = std::move(m_sample);
    m_unread = false;
}

void TFrameMailbox::SetWake(std::function<void()> wake)
{
    std::lock_guard lock(m_mutex);
    m_wake = std::move(wake);
}
