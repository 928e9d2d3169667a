// Faults that arrive while the program works: an interval capture whose image folder fills up,
// disappears or turns read-only, a preference store that cannot be written at the end, and
// SIGTERM in the middle of a run (the video changing under a run: tests/capture). Each is a run of the
// real program, headless, as a user's shell runs it. Each must end by itself, say what happened
// in one line, exit with the status of the command-line rules, and leave every image it wrote
// and the preference file whole.
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <grp.h>
#include <ostream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

constexpr uid_t kUserId = 65534; // "nobody": an ordinary user, for the runs where root would ignore modes

QString framixProgram()
{
    return QStringLiteral(FRAMIX_BINARY_DIR "/framix");
}

bool runTool(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    return p.waitForFinished(180000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

QStringList linesOf(const QByteArray &bytes)
{
    QStringList lines = QString::fromUtf8(bytes).split(u'\n', Qt::SkipEmptyParts);
    return lines;
}

// The lines of a headless run's standard error that say something about the run: not the one
// about the machine's sound, nor the progress of the interval capture.
QStringList messagesOf(const QStringList &err)
{
    QStringList out;
    for (const QString &line : err)
        if (!line.startsWith(QLatin1String("Aucune sortie audio")) &&
            !line.startsWith(QLatin1String("Capture par intervalles : ")))
            out << line;
    return out;
}

// Hidden temporary files: what a save cut short would leave.
QStringList hiddenFiles(const QString &folder)
{
    return QDir(folder)
        .entryList(QDir::Hidden | QDir::Files | QDir::System)
        .filter(QRegularExpression("^\\."));
}

// Every image decodes whole (a JPEG ends with its end-of-image marker).
int brokenImages(const QString &folder, QStringList *names = nullptr)
{
    int broken = 0;
    for (const QFileInfo &fi : QDir(folder).entryInfoList({"x_*"}, QDir::Files, QDir::Name)) {
        QFile f(fi.filePath());
        const QByteArray data = f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
        QImage img;
        const bool whole = (!fi.fileName().endsWith(".jpg") || data.endsWith("\xff\xd9")) &&
                           img.loadFromData(data) && img.size() == QSize(320, 240);
        if (!whole) {
            ++broken;
            if (names)
                *names << fi.fileName();
        }
    }
    return broken;
}

bool mountWorks()
{
    static const int works = [] {
        if (::geteuid() != 0)
            return 0;
        QTemporaryDir probe;
        const QByteArray at = QFile::encodeName(probe.path());
        if (::mount("tmpfs", at.constData(), "tmpfs", 0, "size=64k") != 0)
            return 0;
        ::umount2(at.constData(), MNT_DETACH);
        return 1;
    }();
    return works == 1;
}

class Faults : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_media = new QTemporaryDir;
        ASSERT_TRUE(s_media->isValid());
        ::chmod(QFile::encodeName(s_media->path()).constData(), 0755);
        // 16 s of an intra-only video: every grab is cheap, a run of one image a frame lasts
        // long enough to be hit in the middle.
        ASSERT_TRUE(runTool("ffmpeg", {"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                                       "testsrc=size=320x240:rate=25:duration=16", "-c:v", "mjpeg", "-q:v",
                                       "5", "-pix_fmt", "yuvj420p", s_media->filePath("clip.avi")}));
        ::chmod(QFile::encodeName(s_media->filePath("clip.avi")).constData(), 0644);
    }
    static void TearDownTestSuite()
    {
        delete s_media;
        s_media = nullptr;
    }

    void SetUp() override
    {
        ASSERT_TRUE(QFileInfo(framixProgram()).isExecutable());
        ASSERT_TRUE(m_home.isValid());
        m_images = m_home.filePath("images");
        m_store = m_home.filePath(".config/Vardo/Framix");
        ASSERT_TRUE(QDir().mkpath(m_images));
        // The preferences are kept in the per-user store: the run saves them at its end.
        ASSERT_TRUE(QDir().mkpath(m_store));
    }
    void TearDown() override
    {
        if (m_proc.state() != QProcess::NotRunning) {
            m_proc.kill();
            m_proc.waitForFinished(10000);
        }
        if (m_mounted)
            ::umount2(QFile::encodeName(m_images).constData(), MNT_DETACH);
        if (m_asUser)
            runTool("chown", {"-R", "0:0", m_home.path()});
    }

    // The image folder becomes a file system of its own, `size` bytes large.
    bool mountImages(const char *size)
    {
        if (!mountWorks())
            return false;
        const QByteArray options = QByteArray("size=") + size;
        m_mounted =
            ::mount("tmpfs", QFile::encodeName(m_images).constData(), "tmpfs", 0, options.constData()) == 0;
        return m_mounted;
    }

    // A file system with a file open for writing refuses to turn read-only (EBUSY); the run
    // keeps one open only while it writes an image, so the remount is tried again between two.
    bool remountImagesReadOnly()
    {
        const QByteArray at = QFile::encodeName(m_images);
        QElapsedTimer clock;
        clock.start();
        while (::mount("tmpfs", at.constData(), "tmpfs", MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
            if (errno != EBUSY || clock.elapsed() > 10000)
                return false;
            QThread::usleep(200);
        }
        return true;
    }

    // The program runs as an ordinary user: file modes then hold for it even when the tests
    // run as root.
    void runAsUser()
    {
        if (::geteuid() != 0)
            return;
        m_asUser = true;
        // A copy of the plugin registry: the user can neither write root's nor should every
        // run scan the plugins again.
        const QString registry = qEnvironmentVariableIsEmpty("GST_REGISTRY")
                                     ? QDir::homePath() + "/.cache/gstreamer-1.0/registry.x86_64.bin"
                                     : qEnvironmentVariable("GST_REGISTRY");
        QFile::copy(registry, m_home.filePath("gst-registry.bin"));
        ::chmod(QFile::encodeName(m_home.path()).constData(), 0755);
        ASSERT_TRUE(runTool("chown", {"-R", QStringLiteral("%1:%1").arg(kUserId), m_home.path()}));
    }

    void start(const QStringList &args, rlim_t fileSizeLimit = 0)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name :
             {"DISPLAY", "WAYLAND_DISPLAY", "QT_LOGGING_RULES", "GST_DEBUG", "XDG_RUNTIME_DIR"})
            env.remove(QString::fromLatin1(name));
        env.insert("HOME", m_home.path());
        env.insert("XDG_CONFIG_HOME", m_home.filePath(".config"));
        env.insert("LC_ALL", "C.UTF-8");
        env.insert("QT_QPA_PLATFORM", "offscreen");
        if (m_asUser) {
            // Its own plugin registry: the user cannot write root's.
            env.insert("GST_REGISTRY", m_home.filePath("gst-registry.bin"));
        }
        m_proc.setProcessEnvironment(env);
        const bool asUser = m_asUser;
        m_proc.setChildProcessModifier([asUser, fileSizeLimit] {
            if (fileSizeLimit > 0) {
                const rlimit limit{fileSizeLimit, fileSizeLimit};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            if (asUser) {
                (void)!::setgroups(0, nullptr);
                (void)!::setgid(kUserId);
                (void)!::setuid(kUserId);
            }
        });
        m_proc.start(framixProgram(), QStringList{"-platform", "offscreen"} + args);
        ASSERT_TRUE(m_proc.waitForStarted(10000));
    }

    // Waits until `count` images are in the folder (false when the run ended or 60 s passed).
    bool waitForImages(int count)
    {
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 60000 && m_proc.state() == QProcess::Running) {
            if (QDir(m_images).entryList({"x_*"}, QDir::Files).size() >= count)
                return true;
            m_proc.waitForFinished(20);
        }
        return false;
    }

    // The exit status, -1 for a run that a signal ended, -2 for one that did not end in time.
    int finish(int timeoutMs = 60000)
    {
        if (!m_proc.waitForFinished(timeoutMs)) {
            m_proc.kill();
            m_proc.waitForFinished(10000);
            m_err = linesOf(m_proc.readAllStandardError());
            return -2;
        }
        m_err = linesOf(m_proc.readAllStandardError());
        m_out = linesOf(m_proc.readAllStandardOutput());
        return m_proc.exitStatus() == QProcess::NormalExit ? m_proc.exitCode() : -1;
    }
    QString errText() const { return m_err.join(u'\n'); }

    QStringList intervalArgs(const QString &extra = QString()) const
    {
        QStringList args{"/o=" + s_media->filePath("clip.avi"),
                         "/savfold=" + m_images + "/",
                         "/root=x",
                         "/addi=0",
                         "/iex=1",
                         "/idelai=1",
                         "/iunit=0",
                         "/si",
                         "/inter",
                         "/quit"};
        if (!extra.isEmpty())
            args.insert(2, extra);
        return args;
    }

    QByteArray storeBytes() const
    {
        QFile f(m_store + "/Preferences.json");
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The store on disk reads as a whole tree of preferences.
    bool storeWhole() const
    {
        QJsonParseError error{};
        const QJsonDocument doc = QJsonDocument::fromJson(storeBytes(), &error);
        return error.error == QJsonParseError::NoError &&
               doc.object().value("format").toString() == QLatin1String("Framix preferences");
    }

    static QTemporaryDir *s_media;
    QTemporaryDir m_home;
    QString m_images, m_store;
    QProcess m_proc;
    QStringList m_out, m_err;
    bool m_mounted = false;
    bool m_asUser = false;
};

QTemporaryDir *Faults::s_media = nullptr;

} // namespace

TEST_F(Faults, ImageFolderFillingUpEndsTheRunWithOneMessage)
{
    // 1 MB holds four 320x240 bitmaps: the fifth finds the disk full.
    if (!mountImages("1m"))
        GTEST_SKIP() << "mounting a small file system needs root";
    QStringList args = intervalArgs();
    args.replaceInStrings(QStringLiteral("/iex=1"), QStringLiteral("/iex=0"));
    start(args);
    const int code = finish();
    EXPECT_EQ(code, 3) << errText().toStdString();
    const QStringList messages = messagesOf(m_err);
    ASSERT_EQ(messages.size(), 1) << errText().toStdString();
    EXPECT_TRUE(messages.first().startsWith("Impossible d'enregistrer l'image " + m_images + "/x_"));
    EXPECT_TRUE(messages.first().endsWith(" : le disque est plein")) << messages.first().toStdString();
    const QStringList images = QDir(m_images).entryList({"x_*.bmp"}, QDir::Files);
    EXPECT_GE(images.size(), 3);
    EXPECT_LE(images.size(), 4);
    EXPECT_EQ(brokenImages(m_images), 0);
    EXPECT_EQ(hiddenFiles(m_images), QStringList()) << "the temporary file of the failed save is gone";
    EXPECT_EQ(m_out.filter("Image enregistrée").size(), images.size());
    EXPECT_TRUE(storeWhole()) << "the preferences were saved at the end";
}

TEST_F(Faults, FileSizeLimitIsAWriteErrorNotAKill)
{
    // ulimit -f: a bitmap of 230 kB is over the limit, JPEG and preferences are not.
    QStringList args = intervalArgs();
    args.replaceInStrings(QStringLiteral("/iex=1"), QStringLiteral("/iex=0"));
    start(args, 100 * 1024);
    const int code = finish();
    EXPECT_EQ(code, 3) << "SIGXFSZ must not end the program; " << errText().toStdString();
    const QStringList messages = messagesOf(m_err);
    ASSERT_EQ(messages.size(), 1) << errText().toStdString();
    EXPECT_TRUE(messages.first().endsWith(" : le fichier est trop volumineux"))
        << messages.first().toStdString();
    EXPECT_EQ(QDir(m_images).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    EXPECT_TRUE(storeWhole());
}

TEST_F(Faults, ImageFolderMovedAwayMidRunKeepsTheImagesWritten)
{
    start(intervalArgs());
    ASSERT_TRUE(waitForImages(5)) << errText().toStdString();
    const QString moved = m_home.filePath("images-moved");
    ASSERT_TRUE(QDir().rename(m_images, moved));
    const int code = finish();
    EXPECT_EQ(code, 3) << errText().toStdString();
    const QStringList messages = messagesOf(m_err);
    ASSERT_EQ(messages.size(), 1) << errText().toStdString();
    EXPECT_TRUE(messages.first().endsWith(" : le dossier n'existe pas")) << messages.first().toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_images)) << "the folder is not made again";
    const int written = QDir(moved).entryList({"x_*.jpg"}, QDir::Files).size();
    EXPECT_GE(written, 5);
    EXPECT_EQ(written, m_out.filter("Image enregistrée").size());
    QStringList broken;
    EXPECT_EQ(brokenImages(moved, &broken), 0) << broken.join(u' ').toStdString();
    EXPECT_EQ(hiddenFiles(moved), QStringList());
    EXPECT_TRUE(storeWhole());
}

TEST_F(Faults, ImageFolderTurningReadOnlyMidRunEndsTheRun)
{
    const bool mounted = mountImages("64m");
    if (!mounted && ::geteuid() == 0)
        GTEST_SKIP() << "root writes into a read-only folder; remounting needs a mount";
    start(intervalArgs());
    ASSERT_TRUE(waitForImages(5)) << errText().toStdString();
    const QByteArray at = QFile::encodeName(m_images);
    if (mounted)
        ASSERT_TRUE(remountImagesReadOnly()) << std::strerror(errno);
    else
        ASSERT_EQ(::chmod(at.constData(), 0555), 0);
    const int code = finish();
    if (!mounted)
        ::chmod(at.constData(), 0755);
    EXPECT_EQ(code, 3) << errText().toStdString();
    const QStringList messages = messagesOf(m_err);
    ASSERT_EQ(messages.size(), 1) << errText().toStdString();
    EXPECT_TRUE(
        messages.first().endsWith(mounted ? " : le disque est protégé en écriture" : " : accès refusé"))
        << messages.first().toStdString();
    EXPECT_GE(QDir(m_images).entryList({"x_*.jpg"}, QDir::Files).size(), 5);
    EXPECT_EQ(brokenImages(m_images), 0);
    EXPECT_EQ(hiddenFiles(m_images), QStringList());
    EXPECT_TRUE(storeWhole());
}

TEST_F(Faults, ReadOnlyPreferencesAreReportedAndLeftAsTheyWere)
{
    // A first run makes the store; then the file, and in a second case its folder, are made
    // read-only, and a run that changes a setting ends.
    runAsUser();
    start({"/qual=61", "/quit"});
    ASSERT_EQ(finish(), 0) << errText().toStdString();
    ASSERT_TRUE(storeWhole());
    const QString file = m_store + "/Preferences.json";
    const QByteArray before = storeBytes();

    ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    start({"/qual=62", "/quit"});
    EXPECT_EQ(finish(), 3) << errText().toStdString();
    EXPECT_EQ(messagesOf(m_err).join(u'\n'), "Impossible d'enregistrer les préférences dans " + file +
                                                 " : le fichier est protégé en écriture");
    EXPECT_EQ(storeBytes(), before);

    ASSERT_TRUE(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    ASSERT_EQ(::chmod(QFile::encodeName(m_store).constData(), 0555), 0);
    start({"/qual=63", "/quit"});
    const int code = finish();
    ::chmod(QFile::encodeName(m_store).constData(), 0755);
    EXPECT_EQ(code, 3) << errText().toStdString();
    EXPECT_EQ(messagesOf(m_err).join(u'\n'),
              "Impossible d'enregistrer les préférences dans " + file + " : accès refusé au dossier");
    EXPECT_EQ(storeBytes(), before);
    EXPECT_EQ(QDir(m_store).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Preferences.json"});
}

TEST_F(Faults, SigtermStopsTheRunCleanlyAndSavesThePreferences)
{
    start(intervalArgs("/p1=MarqueurArret"));
    ASSERT_TRUE(waitForImages(5)) << errText().toStdString();
    ASSERT_EQ(::kill(pid_t(m_proc.processId()), SIGTERM), 0);
    QElapsedTimer clock;
    clock.start();
    const int code = finish(30000);
    EXPECT_LT(clock.elapsed(), 10000) << "stops after the step in progress";
    EXPECT_EQ(code, 128 + SIGTERM) << "ended by itself, saying why: " << errText().toStdString();
    EXPECT_EQ(messagesOf(m_err).join(u'\n'), "Signal SIGTERM reçu : Framix s'arrête.")
        << errText().toStdString();
    const int written = QDir(m_images).entryList({"x_*.jpg"}, QDir::Files).size();
    EXPECT_GE(written, 5);
    EXPECT_LT(written, 400) << "the run did not go on to its end";
    EXPECT_EQ(written, m_out.filter("Image enregistrée").size());
    EXPECT_EQ(brokenImages(m_images), 0);
    EXPECT_EQ(hiddenFiles(m_images), QStringList());
    EXPECT_TRUE(storeWhole());
    EXPECT_TRUE(storeBytes().contains("MarqueurArret")) << "the setting of the command line was saved";
    EXPECT_EQ(QDir(m_store).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{"Preferences.json"});
}
