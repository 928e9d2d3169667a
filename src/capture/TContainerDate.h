#pragma once
// The creation time a container (MP4, MOV, Matroska) gives for its recording, as phones and
// modern camcorders write it (UTC). Read with GStreamer's discoverer, once per file: the answer
// is kept for the path until the file changes. Main thread only.
#include <QDateTime>
#include <QString>

class TContainerDate
{
public:
    // Invalid when the file gives none (DV, AVI, a container without the field) or cannot be read.
    QDateTime CreationTime(const QString &path);
    // The discoverer's answer without the cache.
    static QDateTime Read(const QString &path);

private:
    QString m_path;
    QDateTime m_modified;
    QDateTime m_creation;
};
