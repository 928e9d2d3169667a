#include "app/FramixMain.h"

#include "actions/TVDSwitch.h"
#include "capture/TShowForm.h"
#include "core/FramixLog.h"
#include "core/THeadlessPromptService.h"
#include "media/gst/TPluginPreload.h"
#include "prefs/TWindowPromptService.h"
#include "shell/TDesktopNotifier.h"
#include "shell/TQtTranslations.h"
#include "shell/TVDAppliMan.h"

#include <fcntl.h>
#include <gst/gst.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <memory>

#include <QApplication>
#include <QDir>
#include <QSocketNotifier>
#include <QTimer>

namespace {

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

bool argsAskOffscreen(int argc, char **argv)
{
    for (int i = 1; i + 1 < argc; ++i)
        if (qstrcmp(argv[i], "-platform") == 0 && qstrcmp(argv[i + 1], "offscreen") == 0)
            return true;
    return false;
}

// SIGTERM (a logout, `kill`, `timeout`) and SIGINT (Ctrl+C) end the program as a close of the
// window does: a running interval capture or script stops after its step, the preferences are
// saved, no save is cut in the middle. The handler only writes the signal's number into a pipe;
// the main thread reads it from the event loop (which the interval capture and the scripts keep
// turning). A second signal while the first is handled ends the program at once.
int s_signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t s_signalled = 0;

extern "C" void onTerminationSignal(int sig)
{
    if (s_signalled) {
        std::signal(sig, SIG_DFL);
        std::raise(sig);
        return;
    }
    s_signalled = sig;
    const char byte = char(sig);
    const int saved = errno;
    (void)!::write(s_signalPipe[1], &byte, 1);
    errno = saved;
}

bool installTerminationSignals()
{
    if (::pipe2(s_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    struct sigaction sa
    {
    };
    sa.sa_handler = &onTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    return ::sigaction(SIGTERM, &sa, nullptr) == 0 && ::sigaction(SIGINT, &sa, nullptr) == 0;
}

} // namespace

void ensureRuntimeDir()
{
    // A session without XDG_RUNTIME_DIR (a batch job, a container) gets the folder Qt would take
    // by itself, without Qt's warning about it on every run.
    if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        return;
    const QByteArray dir = QDir::tempPath().toLocal8Bit() + "/runtime-" + QByteArray::number(uint(getuid()));
    if (mkdir(dir.constData(), 0700) != 0 && errno != EEXIST)
        return;
    struct stat st
    {
    };
    // Only a folder of this user that nobody else can enter (Qt's own condition).
    if (stat(dir.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
        (st.st_mode & 077) == 0)
        qputenv("XDG_RUNTIME_DIR", dir);
}

int FramixMain(int argc, char **argv)
{
    // Without a display Framix runs headless on the offscreen platform. The run's mode is
    // decided here, once: it picks the prompt service and ends a headless run with its command
    // line; nothing else asks.
    if (!hasDisplay() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const bool headless = argsAskOffscreen(argc, argv) || qgetenv("QT_QPA_PLATFORM") == "offscreen";
    // Log lines name their category ("framix.media: ..."); QT_MESSAGE_PATTERN still overrides.
    qSetMessagePattern(QStringLiteral("%{if-category}%{category}: %{endif}%{message}"));

    ensureRuntimeDir();
    // A file-size limit (ulimit -f) makes a write fail with "file too large", which the writers
    // report, instead of killing the program in the middle of a run.
    std::signal(SIGXFSZ, SIG_IGN);
    const bool signalsWatched = installTerminationSignals();
    gst_init(&argc, &argv);
    const TPluginPreload preload(TPluginPreload::DecoderPlugins());
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Framix"));
    QApplication::setOrganizationName(QStringLiteral("Vardo"));
    QApplication::setApplicationVersion(QStringLiteral(FRAMIX_VERSION));
    // The desktop entry's name: Wayland compositors and task bars match the window to it.
    QGuiApplication::setDesktopFileName(QStringLiteral("fr.vardo.Framix"));
    // The interface is French: Qt's own dialogs and buttons are too.
    TQtTranslations::InstallFrench(&app);
    guint gstMajor = 0, gstMinor = 0, gstMicro = 0, gstNano = 0;
    gst_version(&gstMajor, &gstMinor, &gstMicro, &gstNano);
    qCInfo(lcApp).noquote().nospace()
        << "Framix " << QApplication::applicationVersion() << (headless ? " headless" : " with a window")
        << " on " << QGuiApplication::platformName() << ", GStreamer " << gstMajor << '.' << gstMinor << '.'
        << gstMicro;

    // Both services outlive the window; only the chosen one is ever asked.
    THeadlessPromptService headlessPrompts;
    TWindowPromptService windowPrompts(TVDAppliMan::ProductName());
    TDesktopNotifier notifier;
    windowPrompts.SetNotifier(
        [&notifier](const QString &summary, const QString &body, std::function<void()> clicked) {
            notifier.Notify(summary, body, std::move(clicked));
        });
    IPromptService &prompts = headless ? static_cast<IPromptService &>(headlessPrompts) : windowPrompts;
    TShowForm window(prompts);
    windowPrompts.SetParentWindow(&window);
    // Headless, the lines about arguments go through the run's own output, so that they count
    // as what the run said and break an open progress line; a window leaves them on stderr.
    if (headless)
        window.RunStatus().OnMessage = [&headlessPrompts](const QString &line) {
            headlessPrompts.Report(line, true);
        };
    if (!window.processCommandLine(QApplication::arguments().mid(1)))
        return window.exitCode();
    int endSignal = 0;
    std::unique_ptr<QSocketNotifier> signalNotifier;
    if (signalsWatched) {
        signalNotifier = std::make_unique<QSocketNotifier>(s_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(signalNotifier.get(), &QSocketNotifier::activated, &window, [&] {
            char byte = 0;
            if (::read(s_signalPipe[0], &byte, 1) != 1 || endSignal != 0)
                return;
            endSignal = byte;
            const QString line =
                QStringLiteral("Signal %1 reçu : Framix s'arrête.")
                    .arg(byte == SIGINT ? QStringLiteral("SIGINT") : QStringLiteral("SIGTERM"));
            if (headless)
                headlessPrompts.Report(line, true);
            else
                qCWarning(lcApp).noquote() << line;
            window.appliMan()->Switch()->StopCommandLine();
            window.close();
        });
    }
    window.show();
    // The first activation runs the command line; a window that is never activated (some
    // window managers, the offscreen platform) runs it once the event loop starts.
    QTimer::singleShot(0, &window, [&window, &headlessPrompts, headless, &endSignal] {
        if (endSignal != 0)
            return;
        window.runCommandLine();
        if (!headless)
            return;
        if (!headlessPrompts.Reported())
            headlessPrompts.Report(QStringLiteral("Aucune vidéo ouverte."), false);
        // Nobody can close a window that nobody sees: a headless run ends with its command line.
        if (window.isVisible())
            window.close();
    });
    const int rc = QApplication::exec();
    // Ended by a signal: the shell's convention, 128 + the signal's number.
    const int code = rc != 0 ? rc : endSignal != 0 ? 128 + endSignal : window.exitCode();
    qCInfo(lcApp).nospace() << "event loop ended with " << rc << ", exit code " << code;
    return code;
}
