#pragma once
// Writes a grabbed picture as an uncompressed 24-bit BMP or a baseline colour JPEG file.
//
// Every save is atomic: the bytes go to a temporary file in the target's folder, which is
// flushed to disk and then renamed over the target. An interrupted or failed save therefore
// never leaves a truncated image and never destroys an earlier file of the same name. A failed
// save returns false and leaves a French text in ErrorText() that the window can show as it is.
//
// One writer lives as long as the main window (it keeps the JPEG encoder). Main thread only.
#include <QByteArray>
#include <QImage>
#include <QString>

#include <memory>

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
    bool SaveJpeg(const QImage &image, const QString &path, int quality);

    // Writes data to path through a temporary file in the same folder, flushed before the
    // rename. Never creates the folder. On failure sets *errorText (when given) to the reason,
    // in French, without the file name; no temporary file is left behind.
    static bool WriteFileAtomic(const QString &path, const QByteArray &data, QString *reason = nullptr);

    // The message of the last failed save or encoding, for example
    // "Impossible d'enregistrer l'image /x/y.bmp : le dossier n'existe pas".
    QString ErrorText() const { return m_error; }

private:
    bool Save(const QByteArray &data, const QString &path);

    struct TJpegEncoder;
    std::unique_ptr<TJpegEncoder> m_jpeg;
    QString m_error;
};
