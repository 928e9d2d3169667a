#pragma once
// The creation time a container (MP4, MOV, Matroska) gives for its recording, as phones and
// modern camcorders write it (UTC). Read with GStreamer's discoverer, once per file: the answer
// is kept for the path until the file changes.
//
// The discoverer builds a pipeline of its own and decodes a frame (a fifth of a second for a
// 1080p file): Prefetch starts it on a worker thread when a file opens, so that the first grab
// finds the answer ready. The object is used on the main thread only; the worker touches
// nothing but its own result.
#include <QDateTime>
#include <QString>

#include <future>

class TContainerDate
{
public:
    // Invalid when the file gives none (DV, AVI, a container without the field) or cannot be read.
    QDateTime CreationTime(const QString &path);
    // Starts reading path's creation time in the background, unless a read for another file
    // still runs (the destructor waits for the one under way: a discoverer's run, 5 s at most).
    void Prefetch(const QString &path);
    // The discoverer's answer without the cache.
    static QDateTime Read(const QString &path);

private:
    QString m_path;
    QDateTime m_modified;
    QDateTime m_creation;
    QString m_pendingPath;
    QDateTime m_pendingModified;
    std::future<QDateTime> m_pending;
};
