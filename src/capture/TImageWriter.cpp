#include "capture/TImageWriter.h"

#include "capture/TImageMetadata.h"
#include "core/FramixLog.h"

#include <QBuffer>
#include <QDateTime>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtEndian>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <jpeglib.h>

namespace {

constexpr int BmpFileHeaderSize = 14;
constexpr int BmpInfoHeaderSize = 40;

void Put16(uchar *p, quint16 v)
{
    qToLittleEndian(v, p);
}
void Put32(uchar *p, quint32 v)
{
    qToLittleEndian(v, p);
}

// The reason of a failed file operation, in the words the window shows to the user.
QString ReasonText(int err)
{
    switch (err) {
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("le dossier n'existe pas");
    case EACCES:
    case EPERM:
        return QStringLiteral("accès refusé");
    case EROFS:
        return QStringLiteral("le disque est protégé en écriture");
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("le disque est plein");
    case EFBIG:
        return QStringLiteral("le fichier est trop volumineux");
    case EISDIR:
        return QStringLiteral("un dossier porte déjà ce nom");
    case ENAMETOOLONG:
        return QStringLiteral("le nom du fichier est trop long");
    default:
        return QString::fromLocal8Bit(std::strerror(err));
    }
}

// Taken while the program's libraries are loaded, before main runs.
const qint64 kProcessStart = QDateTime::currentMSecsSinceEpoch();

// The temporary name WriteFileAtomic gives: "." + the target's name cut to its first
// kTempStemBytes bytes + "." + a 32-bit random number in base 36 + ".tmp". Only targets of the
// image types (or names cut short, whose type is gone) count: nothing else is written this way.
constexpr qsizetype kTempStemBytes = 200;

bool IsLeftoverName(const QByteArray &name)
{
    if (!name.startsWith('.') || !name.endsWith(".tmp"))
        return false;
    const QByteArray rest = name.mid(1, name.size() - 5);
    const qsizetype dot = rest.lastIndexOf('.');
    if (dot <= 0)
        return false;
    const QByteArray random = rest.mid(dot + 1);
    if (random.isEmpty() || random.size() > 7)
        return false;
    for (char c : random)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z')))
            return false;
    const QByteArray stem = rest.left(dot);
    if (stem.size() == kTempStemBytes)
        return true;
    const QByteArray lower = stem.toLower();
    return lower.endsWith(".bmp") || lower.endsWith(".jpg") || lower.endsWith(".jpeg") ||
           lower.endsWith(".png");
}

bool WriteAll(int fd, const char *data, qint64 size)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(qMin<qint64>(size, 1 << 30)));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// JPEG encoder: one IJG compressor kept for the writer's life. Errors of the library come back
// through longjmp into Compress, whose frame holds nothing that needs destruction.

struct TImageWriter::TJpegEncoder
{
    struct TErrorManager
    {
        jpeg_error_mgr pub;
        std::jmp_buf jump;
        char message[JMSG_LENGTH_MAX];
    };

    // Destination that appends the compressed bytes to a QByteArray through a staging buffer.
    struct TDestination
    {
        jpeg_destination_mgr pub;
        QByteArray *out;
        JOCTET buffer[64 * 1024];
    };

    jpeg_compress_struct cinfo{};
    TErrorManager err{};
    TDestination dest{};
    bool created = false;

    TJpegEncoder()
    {
        cinfo.err = jpeg_std_error(&err.pub);
        err.pub.error_exit = &ErrorExit;
        err.pub.output_message = [](j_common_ptr) {}; // warnings are not shown to anyone
        if (setjmp(err.jump) == 0) {
            jpeg_create_compress(&cinfo);
            created = true;
        }
        dest.pub.init_destination = &InitDestination;
        dest.pub.empty_output_buffer = &EmptyOutputBuffer;
        dest.pub.term_destination = &TermDestination;
    }

    ~TJpegEncoder()
    {
        if (created)
            jpeg_destroy_compress(&cinfo);
    }

    static void ErrorExit(j_common_ptr c)
    {
        auto *e = reinterpret_cast<TErrorManager *>(c->err);
        (*c->err->format_message)(c, e->message);
        std::longjmp(e->jump, 1);
    }

    static void InitDestination(j_compress_ptr c)
    {
        auto *d = reinterpret_cast<TDestination *>(c->dest);
        d->pub.next_output_byte = d->buffer;
        d->pub.free_in_buffer = sizeof d->buffer;
    }

    static boolean EmptyOutputBuffer(j_compress_ptr c)
    {
        auto *d = reinterpret_cast<TDestination *>(c->dest);
        d->out->append(reinterpret_cast<const char *>(d->buffer), qsizetype(sizeof d->buffer));
        d->pub.next_output_byte = d->buffer;
        d->pub.free_in_buffer = sizeof d->buffer;
        return TRUE;
    }

    static void TermDestination(j_compress_ptr c)
    {
        auto *d = reinterpret_cast<TDestination *>(c->dest);
        d->out->append(reinterpret_cast<const char *>(d->buffer),
                       qsizetype(sizeof d->buffer - d->pub.free_in_buffer));
    }

    // Compresses rows of packed R, G, B bytes. out must outlive the call.
    bool Compress(const uchar *bits, qsizetype bytesPerLine, int w, int h, int quality, QByteArray *out)
    {
        if (!created) {
            std::snprintf(err.message, sizeof err.message, "%s", "encoder unavailable");
            return false;
        }
        if (setjmp(err.jump) != 0) {
            jpeg_abort_compress(&cinfo);
            return false;
        }
        dest.out = out;
        cinfo.dest = &dest.pub;
        cinfo.image_width = JDIMENSION(w);
        cinfo.image_height = JDIMENSION(h);
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, quality, TRUE); // TRUE: baseline quantisation tables
        jpeg_start_compress(&cinfo, TRUE);
        while (cinfo.next_scanline < cinfo.image_height) {
            JSAMPROW row = const_cast<JSAMPROW>(bits + qsizetype(cinfo.next_scanline) * bytesPerLine);
            jpeg_write_scanlines(&cinfo, &row, 1);
        }
        jpeg_finish_compress(&cinfo);
        return true;
    }
};

// ---------------------------------------------------------------------------------------------

TImageWriter::TImageWriter() : m_jpeg(std::make_unique<TJpegEncoder>())
{}

TImageWriter::~TImageWriter() = default;

QByteArray TImageWriter::EncodeBmp(const QImage &image)
{
    if (image.isNull())
        return {};
    const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
    const qint64 w = bgr.width();
    const qint64 h = bgr.height();
    const qint64 stride = (w * 3 + 3) & ~qint64(3);
    const qint64 imageSize = stride * h;
    const qint64 offset = BmpFileHeaderSize + BmpInfoHeaderSize;
    if (bgr.isNull() || offset + imageSize > qint64(0x7FFFFFFF))
        return {};

    QByteArray file(qsizetype(offset + imageSize), '\0');
    uchar *p = reinterpret_cast<uchar *>(file.data());
    // File header.
    p[0] = 'B';
    p[1] = 'M';
    Put32(p + 2, quint32(offset + imageSize));
    Put16(p + 6, 0);
    Put16(p + 8, 0);
    Put32(p + 10, quint32(offset));
    // Information header (BITMAPINFOHEADER).
    uchar *i = p + BmpFileHeaderSize;
    Put32(i + 0, BmpInfoHeaderSize);
    Put32(i + 4, quint32(w));
    Put32(i + 8, quint32(h)); // positive height: rows stored bottom-up
    Put16(i + 12, 1);         // planes
    Put16(i + 14, 24);        // bits per pixel
    Put32(i + 16, 0);         // BI_RGB, uncompressed
    Put32(i + 20, quint32(imageSize));
    Put32(i + 24, quint32(qMax(0, image.dotsPerMeterX())));
    Put32(i + 28, quint32(qMax(0, image.dotsPerMeterY())));
    Put32(i + 32, 0); // colours used
    Put32(i + 36, 0); // important colours
    // Pixels: the bottom row first; the padding bytes stay zero.
    uchar *rows = p + offset;
    for (qint64 y = 0; y < h; ++y)
        std::memcpy(rows + (h - 1 - y) * stride, bgr.constScanLine(int(y)), size_t(w * 3));
    return file;
}

bool TImageWriter::EncodeJpeg(const QImage &image, int quality, QByteArray &out)
{
    out.clear();
    if (image.isNull()) {
        m_error = QStringLiteral("L'image à enregistrer est vide");
        return false;
    }
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    if (rgb.isNull()) {
        m_error = QStringLiteral("Mémoire insuffisante pour coder l'image");
        return false;
    }
    if (!m_jpeg->Compress(rgb.constBits(), rgb.bytesPerLine(), rgb.width(), rgb.height(),
                          qBound(1, quality, 100), &out)) {
        out.clear();
        m_error = QStringLiteral("Erreur du codage JPEG : ") + QString::fromLocal8Bit(m_jpeg->err.message);
        return false;
    }
    return true;
}

bool TImageWriter::SaveBmp(const QImage &image, const QString &path)
{
    m_warning.clear();
    qCDebug(lcCapture) << "encoding" << image.size() << "as BMP";
    const QByteArray data = EncodeBmp(image);
    if (data.isEmpty()) {
        m_error = QStringLiteral("Impossible d'enregistrer l'image ") + path +
                  QStringLiteral(" : l'image est vide");
        return false;
    }
    return Save(data, path);
}

bool TImageWriter::SaveJpeg(const QImage &image, const QString &path, int quality,
                            const TImageProvenance *metadata)
{
    qCDebug(lcCapture) << "encoding" << image.size() << "as JPEG of quality" << quality;
    QByteArray data;
    if (!EncodeJpeg(image, quality, data)) {
        m_error =
            QStringLiteral("Impossible d'enregistrer l'image ") + path + QStringLiteral(" : ") + m_error;
        return false;
    }
    AddMetadata(data, path, metadata);
    return Save(data, path);
}

QByteArray TImageWriter::EncodePng(const QImage &image)
{
    QByteArray out;
    if (image.isNull())
        return out;
    // 24-bit like the other formats: the grab has no alpha to keep.
    const QImage rgb =
        image.format() == QImage::Format_RGB888 ? image : image.convertToFormat(QImage::Format_RGB888);
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    // Qt's PNG "quality" sets zlib's effort: its default costs about 180 ms a 1080p grab, 80
    // (level 1) about 120 ms for files a little larger; the picture is lossless either way.
    if (!rgb.save(&buffer, "PNG", 80))
        out.clear();
    return out;
}

bool TImageWriter::SavePng(const QImage &image, const QString &path, const TImageProvenance *metadata)
{
    qCDebug(lcCapture) << "encoding" << image.size() << "as PNG";
    QByteArray data = EncodePng(image);
    if (data.isEmpty()) {
        m_error = QStringLiteral("Impossible d'enregistrer l'image ") + path +
                  QString::fromUtf8(image.isNull() ? " : l'image est vide" : " : erreur du codage PNG");
        return false;
    }
    AddMetadata(data, path, metadata);
    return Save(data, path);
}

void TImageWriter::AddMetadata(QByteArray &data, const QString &path, const TImageProvenance *metadata)
{
    m_warning.clear();
    if (!metadata)
        return;
    QString reason;
    // A refusal keeps the encoded picture as it was: the image is saved without its metadata.
    if (!ImageMetadata::Embed(data, *metadata, &reason)) {
        m_warning = QStringLiteral("Image %1 enregistrée sans sa date ni son origine : %2").arg(path, reason);
        qCWarning(lcCapture).noquote() << "metadata not written into" << path + u':' << reason;
    }
}

qint64 TImageWriter::ProcessStart()
{
    return kProcessStart;
}

int TImageWriter::RemoveLeftovers(const QString &folder, qint64 before)
{
    // The names as bytes: a name cut inside a multi-byte character does not survive a
    // decoding to text and back.
    const QByteArray dirPath = QFile::encodeName(folder);
    DIR *dir = ::opendir(dirPath.constData());
    if (!dir)
        return 0;
    int removed = 0;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (!IsLeftoverName(name))
            continue;
        struct stat st
        {
        };
        // A link or a folder of that name is not ours; a file written since the start may be
        // the save of another instance in progress.
        if (::fstatat(::dirfd(dir), name.constData(), &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode))
            continue;
        const qint64 modified = qint64(st.st_mtim.tv_sec) * 1000 + st.st_mtim.tv_nsec / 1000000;
        if (modified >= before)
            continue;
        if (::unlinkat(::dirfd(dir), name.constData(), 0) == 0) {
            ++removed;
            qCInfo(lcCapture).noquote()
                << "removed the leftover of an interrupted save:" << folder + u'/' + QFile::decodeName(name);
        }
    }
    ::closedir(dir);
    return removed;
}

bool TImageWriter::Save(const QByteArray &data, const QString &path)
{
    // Before the write: on a full disk the leftovers' room may be what the new image needs.
    const QString folder = QFileInfo(path).absolutePath();
    if (!m_swept.contains(folder) && QFileInfo(folder).isDir()) {
        m_swept.insert(folder);
        RemoveLeftovers(folder, kProcessStart);
    }
    QString reason;
    if (WriteFileAtomic(path, data, &reason)) {
        qCInfo(lcCapture).noquote() << "image written:" << path << data.size() << "bytes";
        m_error.clear();
        return true;
    }
    m_error = QStringLiteral("Impossible d'enregistrer l'image ") + path + QStringLiteral(" : ") + reason;
    // The caller tells the user, in French; the log keeps the detail.
    qCInfo(lcCapture).noquote() << "image not written:" << path + u':' << reason;
    return false;
}

bool TImageWriter::WriteFileAtomic(const QString &path, const QByteArray &data, QString *reason)
{
    auto fail = [reason](int err) {
        if (reason)
            *reason = ReasonText(err);
        return false;
    };
    if (path.isEmpty())
        return fail(ENOENT);

    const QFileInfo info(path);
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    const QByteArray base = QFile::encodeName(info.fileName());

    // The folder by descriptor: the temporary file is made, and removed after a failure, in the
    // folder itself even if it is moved or renamed during the save (a path would then name
    // nothing, and the temporary file would stay behind in the moved folder).
    const int dir = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0)
        return fail(errno);
    struct TCloseDir
    {
        int fd;
        ~TCloseDir() { ::close(fd); }
    } closeDir{dir};

    // A hidden temporary name beside the target, so that the rename stays on one file system.
    // The temporary name must fit where the target's name fits: a long target name is cut
    // (by bytes: only the uniqueness of the name matters, not its text).
    const QByteArray stem = base.left(kTempStemBytes);
    QByteArray temp;
    int fd = -1;
    for (int attempt = 0; attempt < 64 && fd < 0; ++attempt) {
        temp = "." + stem + '.' + QByteArray::number(QRandomGenerator::global()->generate(), 36) + ".tmp";
        fd = ::openat(dir, temp.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return fail(errno);

    // Keep the permissions of the file being replaced.
    struct stat st
    {
    };
    if (::stat(target.constData(), &st) == 0 && S_ISREG(st.st_mode))
        (void)::fchmod(fd, st.st_mode & 07777);

    int err = 0;
    if (!WriteAll(fd, data.constData(), data.size()) || ::fsync(fd) != 0)
        err = errno;
    if (::close(fd) != 0 && err == 0)
        err = errno;
    // To the target's path: a folder moved away meanwhile is a folder that no longer exists
    // where the image was asked for, and the save fails as it would have a moment later.
    if (err == 0 && ::renameat(dir, temp.constData(), AT_FDCWD, target.constData()) != 0)
        err = errno;
    if (err != 0) {
        ::unlinkat(dir, temp.constData(), 0);
        return fail(err);
    }

    // Make the rename itself durable; a failure here does not undo the save.
    const int dirFd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        (void)::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}
