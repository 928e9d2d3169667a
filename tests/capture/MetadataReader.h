#pragma once
// Reads the metadata of an image file back, with exiv2 itself and with exiftool, for the tests
// of what the grab writes.
#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

// exiv2 0.27 hands its images out as std::auto_ptr.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#include <exiv2/exiv2.hpp>

namespace metadatatest {

// Every EXIF and XMP key of the file with its value as text; empty when exiv2 cannot read it.
inline QMap<QString, QString> Exiv2Tags(const QString &path)
{
    QMap<QString, QString> out;
    try {
        auto img = Exiv2::ImageFactory::open(path.toStdString());
        if (!img.get())
            return out;
        img->readMetadata();
        for (const auto &d : img->exifData())
            out.insert(QString::fromStdString(d.key()), QString::fromStdString(d.toString()));
        for (const auto &d : img->xmpData())
            out.insert(QString::fromStdString(d.key()), QString::fromStdString(d.toString()));
    } catch (const std::exception &) {
        out.clear();
    }
    return out;
}

inline bool HaveExifTool()
{
    return !QStandardPaths::findExecutable(QStringLiteral("exiftool")).isEmpty();
}

// exiftool's tags of the files (numeric values, no group names), one object per file in the
// order given, values as text.
inline QList<QMap<QString, QString>> ExifToolTags(const QStringList &paths)
{
    QList<QMap<QString, QString>> out;
    QProcess p;
    p.start(QStringLiteral("exiftool"), QStringList{QStringLiteral("-j"), QStringLiteral("-n")} + paths);
    if (!p.waitForFinished(60000))
        return out;
    const QJsonArray files = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
    for (const QJsonValue &file : files) {
        QMap<QString, QString> tags;
        const QJsonObject o = file.toObject();
        for (auto it = o.begin(); it != o.end(); ++it)
            tags.insert(it.key(), it.value().toVariant().toString());
        out.append(tags);
    }
    return out;
}

inline QMap<QString, QString> ExifToolTags(const QString &path)
{
    const auto all = ExifToolTags(QStringList{path});
    return all.isEmpty() ? QMap<QString, QString>() : all.first();
}

} // namespace metadatatest

#pragma GCC diagnostic pop
