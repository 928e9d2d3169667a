#include "media/TFrameCache.h"

#include <iterator>
#include <utility>

namespace {

// A buffer whose pool hands out a fixed number of buffers is copied: holding it would starve
// the decoder. A pool without a maximum (and a buffer of no pool) is safe to hold.
bool MustCopy(GstBuffer *buffer)
{
    GstBufferPool *pool = buffer->pool;
    if (!pool)
        return false;
    GstStructure *config = gst_buffer_pool_get_config(pool);
    guint maxBuffers = 0;
    const bool known =
        config && gst_buffer_pool_config_get_params(config, nullptr, nullptr, nullptr, &maxBuffers);
    if (config)
        gst_structure_free(config);
    return !known || maxBuffers != 0;
}

} // namespace

void TFrameCache::SetLimit(std::size_t bytes)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_limit = bytes;
    if (bytes == 0)
        clearLocked();
    else if (m_bytes > m_limit && !m_entries.empty())
        evictLocked(m_entries.rbegin()->first);
}

std::size_t TFrameCache::Limit() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_limit;
}

bool TFrameCache::Enabled() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_limit > 0;
}

void TFrameCache::Offer(int64_t position, GstBuffer *buffer, GstCaps *caps, int64_t pts)
{
    // A picture decoded without its references (the leading pictures of a group decoded from
    // its key frame on) is not the frame at its position.
    if (!buffer || !caps || GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_CORRUPTED))
        return;
    const std::size_t bytes = gst_buffer_get_size(buffer);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_limit == 0 || bytes == 0 || bytes > m_limit)
            return;
        if (m_hasHorizon && position < m_horizon)
            return;
    }
    // Copied outside the lock: a 1080p picture takes a while.
    TGstBuffer kept =
        MustCopy(buffer) ? TGstBuffer::adopt(gst_buffer_copy_deep(buffer)) : TGstBuffer::ref(buffer);
    if (!kept)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_limit == 0)
        return;
    if (!m_caps || !gst_caps_is_equal(m_caps, caps)) {
        clearLocked();
        m_caps = TGstCaps::ref(caps);
    }
    auto it = m_entries.find(position);
    if (it != m_entries.end()) {
        m_bytes -= it->second.Bytes;
        m_entries.erase(it);
    }
    m_entries.emplace(position, TStored{std::move(kept), pts, bytes});
    m_bytes += bytes;
    evictLocked(position);
}

void TFrameCache::SetHorizon(int64_t target)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hasHorizon = true;
    m_horizon = target;
}

void TFrameCache::ClearHorizon()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_hasHorizon = false;
}

void TFrameCache::evictLocked(int64_t focus)
{
    while (m_bytes > m_limit && m_entries.size() > 1) {
        // The farther end from the focus goes (ties: the earlier one).
        auto first = m_entries.begin();
        auto last = std::prev(m_entries.end());
        const uint64_t below = first->first < focus ? uint64_t(focus) - uint64_t(first->first) : 0;
        const uint64_t above = last->first > focus ? uint64_t(last->first) - uint64_t(focus) : 0;
        auto victim = below >= above ? first : last;
        if (victim->first == focus)
            victim = victim == first ? last : first;
        m_bytes -= victim->second.Bytes;
        m_entries.erase(victim);
    }
}

std::optional<TFrameCache::TEntry> TFrameCache::Find(int64_t position) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_entries.find(position);
    if (it == m_entries.end())
        return std::nullopt;
    return TEntry{position, it->second.Buffer, m_caps, it->second.Pts};
}

bool TFrameCache::Span(int64_t &first, int64_t &last) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_entries.empty())
        return false;
    first = m_entries.begin()->first;
    last = m_entries.rbegin()->first;
    return true;
}

void TFrameCache::Clear()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    clearLocked();
}

void TFrameCache::clearLocked()
{
    m_entries.clear();
    m_bytes = 0;
    m_caps.reset();
}

std::size_t TFrameCache::Bytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_bytes;
}

int TFrameCache::Count() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return int(m_entries.size());
}
