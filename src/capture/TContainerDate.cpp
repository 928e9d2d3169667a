#include "capture/TContainerDate.h"

#include "core/FramixLog.h"
#include "media/gst/TGstHandles.h"

#include <QFileInfo>
#include <QUrl>

#include <gst/pbutils/pbutils.h>

#include <chrono>
#include <memory>

namespace {

// The discoverer gives up on a file it cannot read within this time (ns).
constexpr GstClockTime DiscoverTimeout = 5 * GST_SECOND;

struct TUnref
{
    void operator()(gpointer p) const { g_object_unref(p); }
};
struct TDateTimeUnref
{
    void operator()(GstDateTime *p) const { gst_date_time_unref(p); }
};
struct TGDateTimeUnref
{
    void operator()(GDateTime *p) const { g_date_time_unref(p); }
};

} // namespace

QDateTime TContainerDate::Read(const QString &path)
{
    GError *error = nullptr;
    std::unique_ptr<GstDiscoverer, TUnref> discoverer(gst_discoverer_new(DiscoverTimeout, &error));
    if (!discoverer) {
        g_clear_error(&error);
        return QDateTime();
    }
    const QByteArray uri = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toEncoded();
    std::unique_ptr<GstDiscovererInfo, TUnref> info(
        gst_discoverer_discover_uri(discoverer.get(), uri.constData(), &error));
    g_clear_error(&error);
    if (!info)
        return QDateTime();
    // Only the containers whose field is the recording's creation time in UTC: an AVI's IDIT
    // date, for one, is the day of the capture to a computer, in no stated zone.
    std::unique_ptr<GstDiscovererStreamInfo, TUnref> top(gst_discoverer_info_get_stream_info(info.get()));
    if (!top || !GST_IS_DISCOVERER_CONTAINER_INFO(top.get()))
        return QDateTime();
    const TGstCaps caps = TGstCaps::adopt(gst_discoverer_stream_info_get_caps(top.get()));
    const GstStructure *s =
        caps && !gst_caps_is_empty(caps.get()) ? gst_caps_get_structure(caps.get(), 0) : nullptr;
    const bool recordingContainer =
        s && (gst_structure_has_name(s, "video/quicktime") || gst_structure_has_name(s, "video/x-matroska") ||
              gst_structure_has_name(s, "video/webm"));
    if (!recordingContainer)
        return QDateTime();
    const GstTagList *tags = gst_discoverer_info_get_tags(info.get());
    GstDateTime *raw = nullptr;
    if (!tags || !gst_tag_list_get_date_time(tags, GST_TAG_DATE_TIME, &raw) || !raw)
        return QDateTime();
    std::unique_ptr<GstDateTime, TDateTimeUnref> when(raw);
    // A date without a time of day is no recording time.
    if (!gst_date_time_has_time(when.get()))
        return QDateTime();
    std::unique_ptr<GDateTime, TGDateTimeUnref> g(gst_date_time_to_g_date_time(when.get()));
    if (!g)
        return QDateTime();
    const qint64 ms =
        qint64(g_date_time_to_unix(g.get())) * 1000 + g_date_time_get_microsecond(g.get()) / 1000;
    qCDebug(lcCapture) << "container creation time of" << path << ms;
    return QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
}

QDateTime TContainerDate::CreationTime(const QString &path)
{
    const QDateTime modified = QFileInfo(path).lastModified();
    if (path != m_path || modified != m_modified) {
        m_path = path;
        m_modified = modified;
        if (m_pending.valid() && path == m_pendingPath && modified == m_pendingModified) {
            m_creation = m_pending.get();
        } else {
            // A read for another file may still run: it goes on beside this one.
            m_creation = path.isEmpty() ? QDateTime() : Read(path);
        }
    }
    return m_creation;
}

void TContainerDate::Prefetch(const QString &path)
{
    const QDateTime modified = QFileInfo(path).lastModified();
    if (path.isEmpty() || (path == m_path && modified == m_modified) ||
        (m_pending.valid() && path == m_pendingPath && modified == m_pendingModified))
        return;
    // One read in the background at a time, and the window never waits for one it no longer
    // needs: while the one before runs (files opened in quick succession), this file's time is
    // read when a grab asks for it, as without a prefetch.
    if (m_pending.valid() && m_pending.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
        return;
    m_pendingPath = path;
    m_pendingModified = modified;
    m_pending = std::async(std::launch::async, [path] { return Read(path); });
}
