// What the build installs for the desktop: the entry and the metainfo pass the freedesktop
// validators, an install into a fresh prefix holds every file where the desktop looks for it and
// runs from there, and the Debian package carries those files and its dependencies.
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

namespace {

struct Result
{
    int code = -1;
    QString out;
    QString err;
};

Result runTool(const QString &program, const QStringList &args,
               const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment())
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    Result r;
    if (!p.waitForStarted(30000) || !p.waitForFinished(600000)) {
        p.kill();
        p.waitForFinished();
        r.err = program + QStringLiteral(" did not run");
        return r;
    }
    r.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

const QString kBuild = QStringLiteral(FRAMIX_BINARY_DIR);
const QString kSource = QStringLiteral(FRAMIX_SOURCE_DIR);
const QString kId = QStringLiteral("fr.vardo.Framix");

// Every installed file, relative to the prefix (or the package's root).
const QStringList kInstalled = {
    "bin/framix",
    "share/framix/private/PrivateFilters.ini",
    "share/applications/fr.vardo.Framix.desktop",
    "share/metainfo/fr.vardo.Framix.metainfo.xml",
    "share/icons/hicolor/scalable/apps/fr.vardo.Framix.svg",
    "share/icons/hicolor/16x16/apps/fr.vardo.Framix.png",
    "share/icons/hicolor/32x32/apps/fr.vardo.Framix.png",
    "share/icons/hicolor/48x48/apps/fr.vardo.Framix.png",
    "share/icons/hicolor/64x64/apps/fr.vardo.Framix.png",
    "share/icons/hicolor/128x128/apps/fr.vardo.Framix.png",
    "share/icons/hicolor/256x256/apps/fr.vardo.Framix.png",
    "share/man/man1/framix.1",
};

QStringList filesUnder(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

} // namespace

TEST(Desktop, EntryAndMetainfoValidate)
{
    const Result desktop = runTool(QStringLiteral("desktop-file-validate"),
                                   {kSource + QStringLiteral("/data/") + kId + ".desktop"});
    EXPECT_EQ(desktop.code, 0) << desktop.out.toStdString() << desktop.err.toStdString();
    EXPECT_FALSE(desktop.out.contains(QLatin1String("error"))) << desktop.out.toStdString();

    const QString metainfo = kBuild + QStringLiteral("/data/") + kId + ".metainfo.xml";
    const Result appstream = runTool(QStringLiteral("appstreamcli"), {"validate", "--no-net", metainfo});
    EXPECT_EQ(appstream.code, 0) << appstream.out.toStdString() << appstream.err.toStdString();
    QFile f(metainfo);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString xml = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(xml.contains(QStringLiteral("<release version=\"" FRAMIX_VERSION "\"")))
        << "the version configured in";
}

TEST(Desktop, EveryAcceptedExtensionHasItsMediaTypeInTheEntry)
{
    // The types of the extensions the file manager accepts, raw DV in both of its spellings.
    QFile f(kSource + QStringLiteral("/data/") + kId + ".desktop");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString entry = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(entry.contains(QLatin1String("\nExec=framix %F\n")));
    for (const char *type : {"video/x-msvideo", "video/mpeg", "video/x-ms-wmv", "application/vnd.ms-asf",
                             "video/mp2t", "video/x-matroska", "video/quicktime", "video/mp4", "video/3gpp2",
                             "video/x-ivf", "video/dv", "video/x-dv"})
        EXPECT_TRUE(entry.contains(QString::fromLatin1(type) + u';')) << type;
}

TEST(Desktop, ManualPageHasEverySwitchOfTheHelpAndRendersCleanly)
{
    const QString page = kBuild + QStringLiteral("/framix.1");
    QFile f(page);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("MANWIDTH"), QStringLiteral("100"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    const Result man = runTool(QStringLiteral("man"), {"--warnings", "-E", "UTF-8", "-l", page}, env);
    EXPECT_EQ(man.code, 0);
    EXPECT_TRUE(man.err.isEmpty()) << man.err.toStdString();
    EXPECT_TRUE(man.out.contains(QStringLiteral("CODE DE SORTIE")));

    // Every switch --help lists is in the page.
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    const Result help = runTool(kBuild + QStringLiteral("/framix"), {"--help"}, env);
    ASSERT_EQ(help.code, 0);
    int switches = 0;
    for (const QString &line : help.out.split(u'\n')) {
        if (!line.startsWith(QLatin1String("  /")) && !line.startsWith(QLatin1String("  +")))
            continue;
        const QString syntax = line.trimmed().section(u' ', 0, 0);
        ++switches;
        EXPECT_TRUE(man.out.contains(syntax)) << syntax.toStdString();
    }
    EXPECT_GT(switches, 40);
}

TEST(Install, APrefixGetsEveryFileAndTheProgramRunsFromThere)
{
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    const Result install = runTool(QStringLiteral("cmake"), {"--install", kBuild, "--prefix", prefix.path()});
    ASSERT_EQ(install.code, 0) << install.err.toStdString();
    const QStringList files = filesUnder(prefix.path());
    for (const QString &expected : kInstalled)
        EXPECT_TRUE(files.contains(expected))
            << expected.toStdString() << " in " << files.join(u' ').toStdString();

    // Installed, the program finds its private folder under share/ (a missing one is said on
    // standard error when a video opens).
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.insert(QStringLiteral("HOME"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    const QString clip = home.filePath(QStringLiteral("clip.avi"));
    ASSERT_EQ(
        runTool(QStringLiteral("ffmpeg"), {"-nostdin", "-v", "error", "-f", "lavfi", "-i",
                                           "testsrc=size=160x120:rate=25:duration=1", "-c:v", "mjpeg", clip})
            .code,
        0);
    const Result r = runTool(prefix.filePath(QStringLiteral("bin/framix")), {clip, "/quit"}, env);
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(QStringLiteral("filtres privés"))) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Ouvert : ") + clip)) << r.out.toStdString();
}

TEST(Install, TheDebianPackageHoldsTheFilesAndItsDependencies)
{
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    const Result cpack =
        runTool(QStringLiteral("cpack"),
                {"--config", kBuild + QStringLiteral("/CPackConfig.cmake"), "-B", out.path()});
    ASSERT_EQ(cpack.code, 0) << cpack.out.toStdString() << cpack.err.toStdString();
    const QStringList debs = QDir(out.path()).entryList({QStringLiteral("framix_*.deb")}, QDir::Files);
    ASSERT_EQ(debs.size(), 1) << QDir(out.path()).entryList().join(u' ').toStdString();
    const QString deb = out.filePath(debs.first());
    EXPECT_TRUE(debs.first().startsWith(QStringLiteral("framix_" FRAMIX_VERSION "_")))
        << debs.first().toStdString();

    const Result contents = runTool(QStringLiteral("dpkg-deb"), {"--contents", deb});
    ASSERT_EQ(contents.code, 0) << contents.err.toStdString();
    for (const QString &expected : kInstalled)
        EXPECT_TRUE(contents.out.contains(QStringLiteral(" ./usr/") + expected + u'\n'))
            << expected.toStdString();
    EXPECT_FALSE(contents.out.contains(QStringLiteral("framix-manpage"))) << "a build tool, not installed";

    const Result depends = runTool(QStringLiteral("dpkg-deb"), {"--field", deb, "Depends"});
    ASSERT_EQ(depends.code, 0);
    // The libraries it links (found by dpkg-shlibdeps) and the plugins it loads.
    for (const char *package :
         {"libqt6widgets6", "libqt6dbus6", "libgstreamer1.0-0", "libgstreamer-plugins-base1.0-0",
          "libjpeg62-turbo", "gstreamer1.0-plugins-good", "gstreamer1.0-plugins-bad",
          "gstreamer1.0-plugins-ugly", "gstreamer1.0-libav"})
        EXPECT_TRUE(depends.out.contains(QString::fromLatin1(package)))
            << package << " in " << depends.out.toStdString();
}
