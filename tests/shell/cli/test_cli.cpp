// The program run as a user runs it: a process on the command line, headless, with a clip made
// for the test. What it prints is read line by line and every line must be one the test expects
// (no library noise, no message said twice); the exit status tells scripts what happened.
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

namespace {

struct ProcessRun
{
    int code = -1;
    QStringList out;
    QStringList err;
};

QString framixProgram()
{
    return QStringLiteral(FRAMIX_BINARY_DIR "/framix");
}

// A user's session without display or sound server, with its own home and preferences.
QProcessEnvironment sessionOf(const QString &home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name :
         {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "QT_LOGGING_RULES", "GST_DEBUG"})
        env.remove(QString::fromLatin1(name));
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    return env;
}

QStringList linesOf(const QByteArray &bytes)
{
    QStringList lines = QString::fromUtf8(bytes).split(u'\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

ProcessRun runProgram(const QString &program, const QStringList &args, const QProcessEnvironment &env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    ProcessRun r;
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        ADD_FAILURE() << "framix did not end: " << args.join(u' ').toStdString();
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = linesOf(p.readAllStandardOutput());
    r.err = linesOf(p.readAllStandardError());
    return r;
}

bool ffmpeg(const QStringList &args)
{
    QProcess p;
    p.start(QStringLiteral("ffmpeg"), QStringList{"-nostdin", "-v", "error", "-y"} + args);
    return p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The line a machine without sound says once; on a machine with a sound server it is absent.
const QString kNoSound = QStringLiteral("Aucune sortie audio sur cette machine : le son n'est pas lu.");

const QString kNoPrefs = QStringLiteral("Enregistrement des préférences -> Aucun (sans affichage)");

class Cli : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_media = new QTemporaryDir;
        ASSERT_TRUE(s_media->isValid());
        // A two-second clip with sound, and an AVI whose only stream is sound: it opens, yet no
        // frame can ever be grabbed from it.
        ASSERT_TRUE(ffmpeg({"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=2", "-f", "lavfi",
                            "-i", "sine=frequency=440:duration=2", "-c:v", "mjpeg", "-q:v", "5", "-pix_fmt",
                            "yuvj420p", "-c:a", "pcm_s16le", s_media->filePath("clip.avi")}));
        ASSERT_TRUE(ffmpeg({"-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-c:a", "pcm_s16le",
                            s_media->filePath("sound.avi")}));
        // Something that only has the name of a video.
        QFile junk(s_media->filePath("junk.avi"));
        ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
        QByteArray bytes(64 * 1024, '\0');
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 7919) >> 3);
        junk.write(bytes);
    }
    static void TearDownTestSuite()
    {
        delete s_media;
        s_media = nullptr;
    }
    void SetUp() override
    {
        ASSERT_TRUE(m_home.isValid());
        m_images = m_home.filePath(QStringLiteral("images"));
        ASSERT_TRUE(QDir().mkpath(m_images));
    }
    ProcessRun framix(const QStringList &args)
    {
        return runProgram(framixProgram(), args, sessionOf(m_home.path()));
    }
    static QString media(const char *name) { return s_media->filePath(QString::fromLatin1(name)); }
    QStringList imagesWritten() const { return QDir(m_images).entryList(QDir::Files, QDir::Name); }
    // The lines of stderr without the one about sound, which depends on the machine, and the
    // safe answer to where the preferences go, which every headless run gives at its end.
    static QStringList withoutSound(QStringList lines)
    {
        EXPECT_LE(lines.count(kNoSound), 1) << "said once";
        lines.removeAll(kNoSound);
        EXPECT_LE(lines.count(kNoPrefs), 1);
        lines.removeAll(kNoPrefs);
        return lines;
    }

    static QTemporaryDir *s_media;
    QTemporaryDir m_home;
    QString m_images;
};

QTemporaryDir *Cli::s_media = nullptr;

} // namespace

TEST_F(Cli, AGrabPrintsTheReportAndOneLinePerImageAndNothingElse)
{
    const QString clip = media("clip.avi");
    const ProcessRun r = framix({clip, "/savfold=" + m_images, "/g", "/quit"});
    EXPECT_EQ(r.code, 0) << r.err.join(u'\n').toStdString();
    const QStringList images = imagesWritten();
    ASSERT_EQ(images.size(), 1) << images.join(u' ').toStdString();
    EXPECT_GT(QFileInfo(m_images + u'/' + images.at(0)).size(), 320 * 240 * 3);
    EXPECT_EQ(r.out,
              (QStringList{QStringLiteral("Ouvert : ") + clip, QStringLiteral("  Flux : 1 vidéo, 1 audio"),
                           QStringLiteral("Image enregistrée : ") + m_images + u'/' + images.at(0)}));
    // Nothing from ALSA, OpenAL, Qt or GStreamer: a line not expected here fails the test.
    EXPECT_EQ(withoutSound(r.err), QStringList()) << r.err.join(u'\n').toStdString();
}

TEST_F(Cli, AnUnknownSwitchIsNamedAndTheOtherArgumentsStillRun)
{
    const ProcessRun r =
        framix({"/o=" + media("clip.avi"), "/bogus=1", "/savfold=" + m_images, "/g", "/quit"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(imagesWritten().size(), 1) << "the grab after the typo ran";
    EXPECT_EQ(withoutSound(r.err), QStringList{QStringLiteral("Argument inconnu : /bogus=1")});
    EXPECT_EQ(r.out.filter(QStringLiteral("Image enregistrée : ")).size(), 1);
}

TEST_F(Cli, ValuesThatDoNotReadAreRefusedOneLineEach)
{
    const ProcessRun r =
        framix({"/qual=abc", "/iex=7", media("clip.avi"), "/savfold=" + m_images, "/g", "/quit"});
    EXPECT_EQ(r.code, 2);
    EXPECT_EQ(withoutSound(r.err),
              (QStringList{
                  QStringLiteral("Valeur incorrecte pour /qual : « abc » (attendu : un entier de 0 à 100)"),
                  QStringLiteral("Valeur incorrecte pour /iex : « 7 » (attendu : un entier de 0 à 1)")}));
    // The refused values changed nothing: the grab is the stored default format, a bitmap.
    const QStringList images = imagesWritten();
    ASSERT_EQ(images.size(), 1);
    EXPECT_TRUE(images.first().endsWith(QLatin1String(".bmp"))) << images.first().toStdString();
}

TEST_F(Cli, AMissingFileSaysSoOnceAndExitsOne)
{
    const QString missing = m_home.filePath(QStringLiteral("nulle-part.dv"));
    const ProcessRun r = framix({missing, "/quit"});
    EXPECT_EQ(r.code, 1);
    const QStringList err = withoutSound(r.err);
    ASSERT_EQ(err.size(), 1) << err.join(u'\n').toStdString();
    EXPECT_TRUE(err.first().startsWith(QStringLiteral("Impossible d'ouvrir ") + missing))
        << err.first().toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.join(u'\n').toStdString();
}

TEST_F(Cli, AFileThatDoesNotOpenSaysSoOnceAndTheRestStillRuns)
{
    const QString junk = media("junk.avi");
    const ProcessRun r = framix({junk, "/savfold=" + m_images, "/g", media("clip.avi"), "/g", "/quit"});
    EXPECT_EQ(r.code, 1) << "the video that did not open explains the grab that wrote nothing";
    const QStringList err = withoutSound(r.err);
    ASSERT_EQ(err.size(), 2) << err.join(u'\n').toStdString();
    EXPECT_TRUE(err.at(0).startsWith(QStringLiteral("Impossible d'ouvrir ") + junk))
        << err.at(0).toStdString();
    EXPECT_EQ(err.at(1), QStringLiteral("Commande indisponible ici : /g"));
    EXPECT_EQ(imagesWritten().size(), 1) << "the second file opened and was grabbed";
}

TEST_F(Cli, AGrabThatWritesNothingExitsThree)
{
    // The file opens (it has a sound stream), but there is no picture to grab.
    const ProcessRun r = framix({media("sound.avi"), "/savfold=" + m_images, "/g", "/quit"});
    EXPECT_EQ(r.code, 3) << r.err.join(u'\n').toStdString();
    EXPECT_TRUE(imagesWritten().isEmpty());
    EXPECT_EQ(r.out.filter(QStringLiteral("Image enregistrée")).size(), 0);
    EXPECT_EQ(r.out.value(0), QStringLiteral("Ouvert : ") + media("sound.avi"));
    EXPECT_EQ(withoutSound(r.err), QStringList{QStringLiteral("Commande indisponible ici : /g")});
}

TEST_F(Cli, HelpAndVersionPrintOnStandardOutputAndExitZero)
{
    // "/clip.dv" that does not exist is a missing file, not an unknown switch.
    const ProcessRun top = framix({"/nulle-part.dv", "/quit"});
    EXPECT_EQ(top.code, 1);
    EXPECT_EQ(withoutSound(top.err).size(), 1);

    const ProcessRun help = framix({"--help"});
    EXPECT_EQ(help.code, 0);
    EXPECT_TRUE(help.err.isEmpty()) << help.err.join(u'\n').toStdString();
    const QString text = help.out.join(u'\n');
    for (const char *expected : {"/g ", "/qual=", "/quit", "Code de sortie :", "  2  un argument"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(expected))) << expected;
    const ProcessRun version = framix({"--version"});
    EXPECT_EQ(version.code, 0);
    ASSERT_EQ(version.out.size(), 1);
    EXPECT_TRUE(version.out.first().startsWith(QLatin1String("Framix " FRAMIX_VERSION)))
        << version.out.first().toStdString();
}
