#pragma once
// Writes a grabbed picture as an uncompressed 24-bit BMP, a baseline colour JPEG or a lossless
// 24-bit PNG file. JPEG and PNG may carry the grab's metadata (TImageMetadata), put into the
// encoded bytes before they are written: a file never exists without it when it could be written,
// and a metadata failure never costs the picture (it is saved without, and Warning() says why).
//
// Every save is atomic: the bytes go to a temporary file in the target's folder, which is
// flushed to disk and then renamed over the target. An interrupted or failed save therefore
// never leaves a truncated image and never destroys an earlier file of the same name. A failed
// save returns false and leaves a French text in ErrorText() that the window can show as it is.
//
// A save killed between the creation of its temporary file and the rename (power cut, SIGKILL)
// leaves that hidden file behind. The first save of a writer into a folder removes such leftovers
// there: only names of the exact form this writer gives its temporary files, only regular files,
// and only files last written before this process started (another instance may be saving now).
//
// One writer lives as long as the main window (it keeps the JPEG encoder). Main thread only.
#include <QByteArray>
#include <QImage>
#include <QSet>
#include <QString>

#include <memory>

struct TImageProvenance;

class TImageWriter
{
public:
    TImageWriter();
    ~TImageWriter();
    TImageWriter(const TImageWriter &) = delete;
    TImageWriter &operator=(const TImageWriter &) = delete;

    // The picture as a 24-bit BMP file: 14-byte file header, 40-byte information header,
    // bottom-up rows of blue, green, red padded to a multiple of 4 bytes. Alpha is dropped.
    // Empty for a null picture.
    static QByteArray EncodeBmp(const QImage &image);

    // The picture as a baseline colour JPEG; quality is clamped to 1 (worst) .. 100 (best).
    // False (and ErrorText set) when the picture is null or the encoder fails.
    bool EncodeJpeg(const QImage &image, int quality, QByteArray &out);

    bool SaveBmp(const QImage &image, const QString &path);
    // The picture as a 24-bit PNG; empty for a null picture or a failed encoding.
    static QByteArray EncodePng(const QImage &image);

    // metadata: written into the file when given (null: the bytes of a plain encoding).
    bool SaveJpeg(const QImage &image, const QString &path, int quality,
                  const TImageProvenance *metadata = nullptr);
    bool SavePng(const QImage &image, const QString &path, const TImageProvenance *metadata = nullptr);

    // Writes data to path through a temporary file in the same folder, flushed before the
    // rename. Never creates the folder. On failure sets *errorText (when given) to the reason,
    // in French, without the file name; no temporary file is left behind.
    static bool WriteFileAtomic(const QString &path, const QByteArray &data, QString *reason = nullptr);

    // Removes from folder the temporary image files that an interrupted save left there and
    // that were last modified before `before` (milliseconds since the epoch). Returns how many.
    static int RemoveLeftovers(const QString &folder, qint64 before);
    // When this process started, in milliseconds since the epoch.
    static qint64 ProcessStart();

    // The message of the last failed save or encoding, for example
    // "Impossible d'enregistrer l'image /x/y.bmp : le dossier n'existe pas".
    QString ErrorText() const { return m_error; }
    // After a save that succeeded: why the metadata asked for is not in the file (one line,
    // French), empty when it is or none was asked for.
    QString Warning() const { return m_warning; }

private:
    bool Save(const QByteArray &data, const QString &path);
    void AddMetadata(QByteArray &data, const QString &path, const TImageProvenance *metadata);

    struct TJpegEncoder;
    std::unique_ptr<TJpegEncoder> m_jpeg;
    QString m_error;
    QString m_warning;
    // The folders whose leftovers were removed already by this writer.
    QSet<QString> m_swept;
};
