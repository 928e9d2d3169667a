// Image files as the grab writes them: the exact BMP layout, JPEG that decodes back, and saves
// that never destroy an earlier file when they fail.
#include "capture/TImageWriter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QtEndian>

#include <csignal>
#include <fcntl.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

QImage TestPicture(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 37) & 0xFF, (y * 53) & 0xFF, (x * y * 11) & 0xFF));
    return img;
}

// Large flat blocks of colour: a JPEG of this keeps every block close to its colour.
QImage Blocks(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    const QRgb colours[] = {qRgb(200, 30, 30), qRgb(30, 200, 30), qRgb(30, 30, 200), qRgb(240, 240, 240)};
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, colours[(x * 2 / w) + 2 * (y * 2 / h)]);
    return img;
}

quint32 Le32(const QByteArray &b, int at)
{
    return qFromLittleEndian<quint32>(b.constData() + at);
}
quint16 Le16(const QByteArray &b, int at)
{
    return qFromLittleEndian<quint16>(b.constData() + at);
}

QByteArray ReadAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteText(const QString &path, const QByteArray &text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QStringList Entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Makes the calling thread act as an ordinary user on the file system, so that a read-only
// folder refuses writes even when the tests run as root.
struct TUnprivilegedFiles
{
    bool root = ::geteuid() == 0;
    TUnprivilegedFiles()
    {
        if (root)
            ::setfsuid(65534);
    }
    ~TUnprivilegedFiles()
    {
        if (root)
            ::setfsuid(0);
    }
};

} // namespace

TEST(ImageWriter, BmpHeaderAndPaddedBottomUpRows)
{
    const QImage img = TestPicture(3, 2); // 9 bytes of pixels per row, padded to 12
    const QByteArray bmp = TImageWriter::EncodeBmp(img);
    ASSERT_EQ(bmp.size(), 14 + 40 + 12 * 2);
    EXPECT_EQ(bmp.left(2), QByteArray("BM"));
    EXPECT_EQ(Le32(bmp, 2), quint32(bmp.size()));
    EXPECT_EQ(Le32(bmp, 6), 0u); // both reserved words
    EXPECT_EQ(Le32(bmp, 10), 54u);
    EXPECT_EQ(Le32(bmp, 14), 40u);
    EXPECT_EQ(Le32(bmp, 18), 3u);
    EXPECT_EQ(Le32(bmp, 22), 2u);
    EXPECT_EQ(Le16(bmp, 26), 1);
    EXPECT_EQ(Le16(bmp, 28), 24);
    EXPECT_EQ(Le32(bmp, 30), 0u);
    EXPECT_EQ(Le32(bmp, 34), 24u);
    EXPECT_EQ(Le32(bmp, 46), 0u);
    EXPECT_EQ(Le32(bmp, 50), 0u);

    // The first stored row is the picture's bottom row, as blue, green, red.
    for (int row = 0; row < 2; ++row) {
        const int y = 1 - row;
        const int at = 54 + row * 12;
        for (int x = 0; x < 3; ++x) {
            const QRgb p = img.pixel(x, y);
            EXPECT_EQ(uchar(bmp[at + 3 * x]), qBlue(p));
            EXPECT_EQ(uchar(bmp[at + 3 * x + 1]), qGreen(p));
            EXPECT_EQ(uchar(bmp[at + 3 * x + 2]), qRed(p));
        }
        EXPECT_EQ(bmp.mid(at + 9, 3), QByteArray(3, '\0'));
    }
}

TEST(ImageWriter, BmpDecodesToTheSamePixelsForEveryRowPadding)
{
    for (int w : {1, 2, 3, 4, 5, 33}) {
        QImage img = TestPicture(w, 7);
        img.setPixel(0, 0, qRgba(10, 20, 30, 0)); // alpha is not part of a 24-bit file
        const QImage back = QImage::fromData(TImageWriter::EncodeBmp(img), "BMP");
        ASSERT_FALSE(back.isNull()) << w;
        ASSERT_EQ(back.size(), img.size());
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(back.pixel(x, y) & 0xFFFFFF, img.pixel(x, y) & 0xFFFFFF)
                    << w << ":" << x << "," << y;
    }
    EXPECT_TRUE(TImageWriter::EncodeBmp(QImage()).isEmpty());
}

TEST(ImageWriter, JpegIsBaselineColourAndFollowsQuality)
{
    TImageWriter writer;
    const QImage img = Blocks(64, 48);
    QByteArray best, worst;
    ASSERT_TRUE(writer.EncodeJpeg(img, 100, best));
    ASSERT_TRUE(writer.EncodeJpeg(TestPicture(64, 48), 1, worst));
    QByteArray fine;
    ASSERT_TRUE(writer.EncodeJpeg(TestPicture(64, 48), 95, fine));
    EXPECT_LT(worst.size(), fine.size());

    EXPECT_TRUE(best.startsWith("\xFF\xD8"));
    EXPECT_TRUE(best.contains("\xFF\xC0")) << "baseline frame header";
    EXPECT_FALSE(best.contains("\xFF\xC2")) << "no progressive frame";

    const QImage back = QImage::fromData(best, "JPEG");
    ASSERT_EQ(back.size(), img.size());
    EXPECT_FALSE(back.isGrayscale());
    for (int y = 4; y < 48; y += 8)
        for (int x = 4; x < 64; x += 8) {
            const QRgb a = img.pixel(x, y), b = back.pixel(x, y);
            ASSERT_LE(std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                          std::abs(qBlue(a) - qBlue(b)),
                      12)
                << x << "," << y;
        }

    // Out-of-range qualities are clamped, and the same encoder serves again after them.
    QByteArray clamped;
    EXPECT_TRUE(writer.EncodeJpeg(img, 0, clamped));
    EXPECT_FALSE(QImage::fromData(clamped, "JPEG").isNull());
    EXPECT_TRUE(writer.EncodeJpeg(img, 500, clamped));
    EXPECT_FALSE(QImage::fromData(clamped, "JPEG").isNull());
    EXPECT_FALSE(writer.EncodeJpeg(QImage(), 50, clamped));
}

TEST(ImageWriter, JpegEncoderRecoversFromALibraryError)
{
    TImageWriter writer;
    QByteArray out;
    // Wider than the format allows (65500): the library refuses it.
    const QImage tooWide(70000, 1, QImage::Format_RGB32);
    ASSERT_FALSE(tooWide.isNull());
    EXPECT_FALSE(writer.EncodeJpeg(tooWide, 50, out));
    EXPECT_TRUE(out.isEmpty());
    EXPECT_TRUE(writer.ErrorText().startsWith("Erreur du codage JPEG")) << writer.ErrorText().toStdString();
    EXPECT_TRUE(writer.EncodeJpeg(Blocks(16, 16), 50, out));
    EXPECT_FALSE(QImage::fromData(out, "JPEG").isNull());
}

TEST(ImageWriter, SavesReplaceAnExistingFileAndLeaveNoTemporary)
{
    QTemporaryDir dir;
    const QString bmpPath = dir.filePath("Framix_001.bmp");
    const QString jpgPath = dir.filePath("Framix_002.jpg");
    WriteText(bmpPath, "old content");
    QFile::setPermissions(bmpPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    const QFile::Permissions before = QFile::permissions(bmpPath);

    TImageWriter writer;
    const QImage img = TestPicture(20, 10);
    ASSERT_TRUE(writer.SaveBmp(img, bmpPath)) << writer.ErrorText().toStdString();
    ASSERT_TRUE(writer.SaveJpeg(Blocks(32, 32), jpgPath, 80)) << writer.ErrorText().toStdString();
    EXPECT_TRUE(writer.ErrorText().isEmpty());

    EXPECT_EQ(QImage(bmpPath, "BMP"), img.convertToFormat(QImage(bmpPath).format()));
    EXPECT_EQ(QImage(jpgPath).size(), QSize(32, 32));
    EXPECT_EQ(QFile::permissions(bmpPath), before) << "the replaced file's permissions are kept";
    EXPECT_EQ(Entries(dir.path()), QStringList({"Framix_001.bmp", "Framix_002.jpg"}));

    // A name as long as a file name may be (255 bytes) is saved too.
    const QString longName = QString(251, u'x') + QStringLiteral(".bmp");
    EXPECT_TRUE(writer.SaveBmp(img, dir.filePath(longName))) << writer.ErrorText().toStdString();
}

TEST(ImageWriter, MissingFolderIsReportedAndNotCreated)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("absent/Framix_001.bmp");
    TImageWriter writer;
    EXPECT_FALSE(writer.SaveBmp(TestPicture(4, 4), path));
    EXPECT_EQ(writer.ErrorText(), "Impossible d'enregistrer l'image " + path + " : le dossier n'existe pas");
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("absent")));
    EXPECT_FALSE(writer.SaveJpeg(TestPicture(4, 4), path, 50));
    EXPECT_TRUE(writer.ErrorText().endsWith(" : le dossier n'existe pas"));
}

TEST(ImageWriter, ReadOnlyFolderKeepsThePreviousFile)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Framix_001.jpg");
    WriteText(path, "previous image");
    ASSERT_TRUE(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                                      QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther));
    TImageWriter writer;
    bool saved = true;
    {
        TUnprivilegedFiles asUser;
        saved = writer.SaveJpeg(Blocks(16, 16), path, 50);
    }
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    EXPECT_FALSE(saved);
    EXPECT_EQ(writer.ErrorText(), "Impossible d'enregistrer l'image " + path + " : accès refusé");
    EXPECT_EQ(ReadAll(path), QByteArray("previous image"));
    EXPECT_EQ(Entries(dir.path()), QStringList({"Framix_001.jpg"}));
}

TEST(ImageWriter, WriteCutShortKeepsThePreviousFileAndRemovesTheTemporary)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Framix_001.bmp");
    WriteText(path, "previous image");

    // A file-size limit makes the write fail half-way, as a full disk would.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    TImageWriter writer;
    const bool saved = writer.SaveBmp(TestPicture(200, 100), path);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(writer.ErrorText(),
              "Impossible d'enregistrer l'image " + path + " : le fichier est trop volumineux");
    EXPECT_EQ(ReadAll(path), QByteArray("previous image"));
    EXPECT_EQ(Entries(dir.path()), QStringList({"Framix_001.bmp"}));
}

TEST(ImageWriter, FolderMovedDuringASaveKeepsNoTemporaryInIt)
{
    // The folder is renamed while a large save writes into it (the user moves it away in the
    // middle of an interval run): the save fails as one into a missing folder, and the
    // temporary file does not stay behind in the moved folder.
    QTemporaryDir root;
    const QByteArray data(64 << 20, 'x');
    int caught = 0;
    for (int round = 0; round < 3; ++round) {
        const QString folder = root.filePath(QStringLiteral("images%1").arg(round));
        const QString moved = folder + QStringLiteral("-moved");
        ASSERT_TRUE(QDir().mkpath(folder));
        bool ok = true;
        QString reason;
        std::thread save([&] { ok = TImageWriter::WriteFileAtomic(folder + "/x.bmp", data, &reason); });
        // Once the temporary file exists, the folder goes.
        for (int i = 0; i < 2000 && QDir(folder).entryList(QDir::Hidden | QDir::Files).isEmpty(); ++i)
            QThread::usleep(500);
        const bool midSave = !QDir(folder).entryList(QDir::Hidden | QDir::Files).isEmpty();
        ASSERT_TRUE(QDir().rename(folder, moved));
        save.join();
        if (midSave) {
            ++caught;
            EXPECT_FALSE(ok);
            EXPECT_EQ(reason, QStringLiteral("le dossier n'existe pas"));
        }
        EXPECT_EQ(QDir(moved).entryList(QDir::Hidden | QDir::Files),
                  ok ? QStringList{"x.bmp"} : QStringList());
        EXPECT_FALSE(QFileInfo::exists(folder)) << "the folder is not made again";
    }
    EXPECT_GT(caught, 0) << "no rename fell during a save";
}

TEST(ImageWriter, TargetThatIsAFolderFailsWithoutTouchingIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Framix_001.bmp");
    ASSERT_TRUE(QDir(dir.path()).mkdir("Framix_001.bmp"));
    TImageWriter writer;
    EXPECT_FALSE(writer.SaveBmp(TestPicture(4, 4), path));
    EXPECT_EQ(writer.ErrorText(),
              "Impossible d'enregistrer l'image " + path + " : un dossier porte déjà ce nom");
    EXPECT_TRUE(QFileInfo(path).isDir());
    EXPECT_EQ(Entries(dir.path()), QStringList({"Framix_001.bmp"}));
    EXPECT_FALSE(writer.SaveBmp(QImage(), dir.filePath("x.bmp")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("x.bmp")));
}

namespace {

// Sets a file's modification time (a link's own) to `secondsAgo` before now.
void Age(const QString &path, int secondsAgo)
{
    timespec times[2];
    ::clock_gettime(CLOCK_REALTIME, &times[0]);
    times[0].tv_sec -= secondsAgo;
    times[1] = times[0];
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW), 0)
        << path.toStdString();
}

} // namespace

TEST(ImageWriter, FirstSaveIntoAFolderRemovesTheLeftoversOfAKilledSave)
{
    QTemporaryDir dir, other;
    // What a kill between the temporary file's creation and the rename leaves, before this
    // process started; each of the image types, and a name cut to 200 bytes.
    const QString cut = QString(200, u'n');
    const QStringList leftovers{".Framix_001.bmp.k3j9x.tmp", ".Framix_002.jpg.1z141z3.tmp", ".x.JPEG.0.tmp",
                                ".clip_0.00.01.00.png.a1.tmp", "." + cut + ".qq.tmp"};
    // Not ours, or not old: a save of another instance in progress (written just now), other
    // temporary files, names that only look alike, a folder and a link of the pattern.
    const QStringList kept{".Framix_003.bmp.zz.tmp", ".notes.txt.k3j9x.tmp", ".x.bmp.K3J9X.tmp",
                           ".x.bmp.12345678.tmp",    "x.bmp.k3j9x.tmp",      ".x.bmp.tmp",
                           ".x.bmp.k3j9x.tmp~",      ".bmp.abc.tmp",         "Framix_000.bmp"};
    for (const QString &name : leftovers + kept) {
        WriteText(dir.filePath(name), "partial image");
        if (!name.startsWith(".Framix_003"))
            Age(dir.filePath(name), 3600);
    }
    ASSERT_TRUE(QDir(dir.path()).mkdir(".folder.bmp.abc.tmp"));
    Age(dir.filePath(".folder.bmp.abc.tmp"), 3600);
    ASSERT_TRUE(QFile::link(dir.filePath("Framix_000.bmp"), dir.filePath(".link.bmp.abc.tmp")));
    Age(dir.filePath(".link.bmp.abc.tmp"), 3600);
    WriteText(other.filePath(".y.bmp.abc.tmp"), "partial image");
    Age(other.filePath(".y.bmp.abc.tmp"), 3600);

    TImageWriter writer;
    ASSERT_TRUE(writer.SaveBmp(TestPicture(8, 8), dir.filePath("Framix_010.bmp")))
        << writer.ErrorText().toStdString();
    QStringList expected = kept + QStringList{".folder.bmp.abc.tmp", ".link.bmp.abc.tmp", "Framix_010.bmp"};
    expected.sort();
    QStringList now = Entries(dir.path());
    now.sort();
    EXPECT_EQ(now.join(u' ').toStdString(), expected.join(u' ').toStdString());
    EXPECT_EQ(ReadAll(dir.filePath(".link.bmp.abc.tmp")), QByteArray("partial image"))
        << "the link's target stays";
    EXPECT_EQ(Entries(other.path()), QStringList{".y.bmp.abc.tmp"}) << "a folder nobody saved into";

    // A later leftover in a folder swept already waits for the next run of the program.
    WriteText(dir.filePath(".Framix_011.bmp.b.tmp"), "partial image");
    Age(dir.filePath(".Framix_011.bmp.b.tmp"), 3600);
    ASSERT_TRUE(writer.SaveJpeg(Blocks(16, 16), dir.filePath("Framix_012.jpg"), 50));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(".Framix_011.bmp.b.tmp")));
    TImageWriter next;
    ASSERT_TRUE(next.SaveJpeg(Blocks(16, 16), dir.filePath("Framix_013.jpg"), 50));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(".Framix_011.bmp.b.tmp")));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(".Framix_003.bmp.zz.tmp")));
}
