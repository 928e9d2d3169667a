// A monkey on the whole main window: the real window on the offscreen platform, a corpus video
// open, and a seeded random stream of what a user and a script can do to it: every typed action
// of every list set to random values (as a script would), the shortcut keys, clicks, drags and
// wheel turns on the video, the sliders, the panels and pages, videos of the corpus opened and
// closed (damaged ones too), interval captures started and stopped, scripts started and
// aborted. After every event the main thread must have stayed responsive (a watchdog prints
// every thread's stack and aborts when it has not answered for 5 s), and two invariants hold
// once the video is paused: the frame shown is the frame the position field names, and the name
// of the next image is the one the settings make.
//
// FRAMIX_MONKEY_SEED and FRAMIX_MONKEY_EVENTS replay a run; FRAMIX_LONG=1 runs 100,000 events on
// two seeds. A failure prints the seed, the event's number and the events that led to it.
#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TColorAction.h"
#include "actions/TCustomVDActionList.h"
#include "actions/TDoubleAction.h"
#include "actions/TFontAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TPointAction.h"
#include "actions/TRectAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TGrabber.h"
#include "capture/TIntervalCapture.h"
#include "capture/TShowForm.h"
#include "capture/Tnavframe.h"
#include "media/FrameGrid.h"
#include "media/TFrameIndex.h"
#include "media/Timecode.h"
#include "playback/TNavMan.h"
#include "playback/TTextGauge.h"
#include "playback/TVideoMan.h"
#include "script/TVDScript.h"
#include "shell/TScriptForm.h"
#include "shell/TVDAppliMan.h"

#include "TScriptedPromptService.h"
#include "TestPaths.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
#include <QMenu>
#include <QRandomGenerator>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <unistd.h>

namespace {

using SteadyClock = std::chrono::steady_clock;

// What a crash prints: the event under way and the replay line, kept as plain characters so
// that the signal handler reads them without a lock or an allocation.
char g_crashEvent[512];
char g_crashReplay[160];

void PrintAllStacks()
{
    const std::string pid = std::to_string(getpid());
    const std::string gdb =
        "gdb -batch -nx -p " + pid + " -ex 'set pagination off' -ex 'thread apply all bt' 1>&2";
    if (std::system(gdb.c_str()) != 0)
        std::system(
            ("for t in /proc/" + pid + "/task/*; do echo \"== $t $(cat $t/comm)\"; cat $t/stack; done 1>&2")
                .c_str());
    std::fflush(stderr);
}

// A crash of a random run is worth nothing without its seed and its stacks; the handler takes
// them (gdb is not async-signal-safe, but the process is lost anyway) and lets the signal kill.
void OnCrash(int signal)
{
    const char head[] = "\nCRASH: signal during \"";
    (void)!::write(STDERR_FILENO, head, sizeof head - 1);
    (void)!::write(STDERR_FILENO, g_crashEvent, ::strnlen(g_crashEvent, sizeof g_crashEvent));
    (void)!::write(STDERR_FILENO, "\"\n", 2);
    (void)!::write(STDERR_FILENO, g_crashReplay, ::strnlen(g_crashReplay, sizeof g_crashReplay));
    (void)!::write(STDERR_FILENO, "\n", 1);
    PrintAllStacks();
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

void CopyForCrash(char *to, std::size_t size, const std::string &from)
{
    const std::size_t n = std::min(size - 1, from.size());
    std::memcpy(to, from.data(), n);
    to[n] = '\0';
}

// The main thread must answer: a timer of the main thread beats every 100 ms, also inside the
// nested loops of interval runs and scripts; 5 s without a beat, or one event that does not end
// within two minutes, and the watchdog prints every thread's stack, the replay line, and aborts.
// Time during which the watchdog could not run itself (a stopped process) does not count.
class Watchdog
{
public:
    explicit Watchdog(std::chrono::milliseconds limit) : m_limit(limit), m_thread([this] { run(); })
    {
        beat();
        m_timer.setInterval(100);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { beat(); });
        m_timer.start();
    }
    ~Watchdog()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_quit = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    void beat() { m_lastBeat.store(SteadyClock::now().time_since_epoch().count()); }
    void event(std::string what)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        CopyForCrash(g_crashEvent, sizeof g_crashEvent, what);
        m_what = std::move(what);
        m_eventStart = SteadyClock::now();
        beat();
    }
    void setReplay(std::string replay)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        CopyForCrash(g_crashReplay, sizeof g_crashReplay, replay);
        m_replay = std::move(replay);
    }

private:
    void run()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        while (!m_quit) {
            m_changed.wait_for(lock, std::chrono::milliseconds(250));
            if (m_quit)
                break;
            const auto now = SteadyClock::now();
            // The watchdog itself did not run for a while (the process was stopped, or the
            // machine starved it): the main thread cannot be blamed for that gap, so the
            // clocks start again from here.
            if (now - m_lastWake > std::chrono::seconds(1)) {
                m_eventStart += now - m_lastWake;
                beat();
            }
            m_lastWake = now;
            const auto last = SteadyClock::time_point(SteadyClock::duration(m_lastBeat.load()));
            const bool silent = now - last > m_limit;
            const bool endless = !m_what.empty() && now - m_eventStart > std::chrono::minutes(2);
            if (!silent && !endless)
                continue;
            std::fprintf(stderr, "\nWATCHDOG: the main thread %s during \"%s\"\n%s\n",
                         silent ? "did not answer for 5 s" : "has not finished an event in 2 minutes",
                         m_what.c_str(), m_replay.c_str());
            // The main thread must not wait on this lock while its stack is taken.
            lock.unlock();
            PrintAllStacks();
            std::signal(SIGABRT, SIG_DFL);
            std::abort();
        }
    }

    std::chrono::milliseconds m_limit;
    std::atomic<SteadyClock::rep> m_lastBeat{0};
    QTimer m_timer;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_what, m_replay;
    SteadyClock::time_point m_eventStart;
    SteadyClock::time_point m_lastWake = SteadyClock::now();
    bool m_quit = false;
    std::thread m_thread;
};

// Actions the monkey leaves alone: they end the program or hand the desktop to another program
// (browser, mail, file manager), which a test must not start.
bool ExcludedAction(const QString &name)
{
    static const QStringList names{"naQuit", "naHomePage", "naEMail", "naParentFolder"};
    return names.contains(name);
}

// Settings that name a file or a folder get one of these, never a random text: a random path
// could be anywhere on the machine.
bool PathAction(const QString &name)
{
    for (const char *part : {"Dossier", "Folder", "Dir", "File", "Fichier"})
        if (name.contains(QLatin1String(part)))
            return true;
    return false;
}

// Keys the test library can type (it has no text for the media keys).
bool Typeable(Qt::Key key)
{
    return (key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde) ||
           (key >= Qt::Key_Escape && key <= Qt::Key_Direction_R);
}

// The offscreen platform says at every raise that it cannot: noise in a run of 100,000 events.
QtMessageHandler g_previousHandler = nullptr;

void QuietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    if (g_previousHandler)
        g_previousHandler(type, context, message);
}

class Monkey
{
public:
    Monkey(quint32 seed, int events) : m_seed(seed), m_events(events), m_random(seed) {}

    void run()
    {
        ASSERT_TRUE(m_work.isValid());
        if (!g_previousHandler)
            g_previousHandler = qInstallMessageHandler(QuietHandler);
        // Relative paths a random setting makes land in the test's own folder.
        QDir::setCurrent(m_work.path());
        m_images = m_work.filePath("images");
        ASSERT_TRUE(QDir().mkpath(m_images));
        ASSERT_TRUE(QDir().mkpath(m_work.filePath("scripts")));
        collectClips();
        ASSERT_FALSE(m_clips.isEmpty()) << "no corpus: build the corpus target";

        m_form = std::make_unique<TShowForm>(m_prompts, nullptr, m_work.filePath("program"));
        m_form->resize(1100, 800);
        m_form->show();
        QCoreApplication::processEvents();
        m_grabber = m_form->grabber();
        m_grabber->waDossierSave->SetValue(m_images);
        m_grabber->baConfirmerImage->SetValue(false);
        collectActions();
        m_form->openfile(m_clips.value(0));

        for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
            std::signal(signal, OnCrash);
        Watchdog watchdog(std::chrono::milliseconds(5000));
        m_watchdog = &watchdog;
        // Questions go through the prompt service, which answers at once; the window's own
        // pickers (a colour, a font) are modal dialogs the user closes: the monkey closes them
        // a second later, and a run of an action that opens one is recorded.
        QTimer modalGuard;
        QObject::connect(&modalGuard, &QTimer::timeout, [this] {
            if (QWidget *modal = QApplication::activeModalWidget()) {
                if (++m_modalSeen < 3)
                    return;
                ++m_dialogsClosed;
                log(QStringLiteral("closed the dialog %1 \"%2\"")
                        .arg(QString::fromLatin1(modal->metaObject()->className()), modal->windowTitle()));
                modal->close();
            }
            m_modalSeen = 0;
        });
        modalGuard.start(500);
        QElapsedTimer clock;
        clock.start();
        // FRAMIX_MONKEY_SLOW_MS names every event that held the window longer: the freezes a
        // user would feel that stay under the watchdog's limit, or a slow build's limit.
        const int slowMs = qEnvironmentVariableIntValue("FRAMIX_MONKEY_SLOW_MS");
        for (m_index = 0; m_index < m_events && !::testing::Test::HasFatalFailure(); ++m_index) {
            watchdog.setReplay(replayLine());
            const qint64 started = clock.elapsed();
            const QString what = oneEvent();
            if (slowMs > 0 && clock.elapsed() - started > slowMs)
                std::fprintf(stderr, "monkey: event %d took %lld ms: %s\n", m_index + 1,
                             static_cast<long long>(clock.elapsed() - started), qPrintable(what));
            log(what);
            closePopups();
            checkInvariants();
            if (::testing::Test::HasFailure()) {
                report();
                break;
            }
            // A long run says how far it got, so that a run cut short still has its figure.
            if ((m_index + 1) % 10000 == 0)
                std::fprintf(stderr, "monkey: seed %u, %d events survived in %lld s\n", m_seed, m_index + 1,
                             static_cast<long long>(clock.elapsed() / 1000));
        }
        watchdog.event("closing the window");
        m_form->close();
        m_form.reset();
        m_watchdog = nullptr;
        std::fprintf(
            stderr,
            "monkey: seed %u, %d events in %lld ms; frames checked %d, names checked %d, dialogs closed %d\n",
            m_seed, m_index, static_cast<long long>(clock.elapsed()), m_framesChecked, m_namesChecked,
            m_dialogsClosed);
    }

    int eventsSurvived() const { return m_index; }

private:
    std::string replayLine() const
    {
        return "replay: FRAMIX_MONKEY_SEED=" + std::to_string(m_seed) +
               " FRAMIX_MONKEY_EVENTS=" + std::to_string(m_index + 1);
    }
    void log(const QString &what)
    {
        m_last.push_back(QStringLiteral("#%1 %2").arg(m_index).arg(what));
        if (m_last.size() > 25)
            m_last.pop_front();
    }
    void report()
    {
        std::string text = replayLine() + "\nlast events:\n";
        for (const QString &e : m_last)
            text += "  " + e.toStdString() + "\n";
        ADD_FAILURE() << text;
    }

    void collectClips()
    {
        // In a fixed order, so that a seed replays: the frame-index clips first (they carry the
        // frames' numbers for the invariant; the first one opens at the start), then the rest.
        // Copies in the test's folder: the monkey saves scripts and scenes wherever a dialog
        // answer points, and the corpus is shared with every other test.
        QStringList index, other;
        const QDir source(framixtest::corpusDir());
        const QDir copies(m_work.filePath("corpus"));
        QDirIterator it(framixtest::corpusDir(), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString original = it.next();
            const QString rel = source.relativeFilePath(original);
            if (rel.startsWith('.') || rel.contains("/.") || QFileInfo(original).size() > 40 * 1024 * 1024)
                continue; // hidden, or a cost that is not sane
            const QString f = copies.filePath(rel);
            QDir().mkpath(QFileInfo(f).path());
            if (!QFile::copy(original, f))
                continue;
            if (!TShowForm::ficmanTestExtension(u'.' + QFileInfo(f).suffix().toLower()))
                continue; // a side file (scenes) copied beside its clip
            (QFileInfo(f).fileName().startsWith("fi_") && !f.contains("/damaged/") ? index : other) << f;
        }
        index.sort();
        other.sort();
        const QString first = copies.filePath("fi_dv_pal.dv");
        index.removeAll(first);
        m_clips = QStringList{first} + index + other;
    }

    void collectActions()
    {
        for (TCustomVDActionList *list : m_form->ActionLists())
            for (TCustomAbstractAction *a : list->TypedActions())
                if (!ExcludedAction(a->Name()))
                    m_actions.append(a);
        if (TScriptForm *s = m_form->scriptForm())
            for (TCustomVDActionList *list : s->findChildren<TCustomVDActionList *>())
                for (TCustomAbstractAction *a : list->TypedActions())
                    if (!ExcludedAction(a->Name()) && !m_actions.contains(a))
                        m_actions.append(a);
        for (const QPointer<TCustomAbstractAction> &a : std::as_const(m_actions)) {
            QList<QKeySequence> keys = a->SecondaryShortcuts();
            keys.prepend(a->ShortCut());
            for (const QKeySequence &k : keys)
                if (!k.isEmpty() && Typeable(k[0].key()))
                    m_keys.append(k[0]);
        }
    }

    int pick(int n) { return n > 0 ? int(m_random.bounded(quint32(n))) : 0; }
    bool chance(int percent) { return pick(100) < percent; }

    int randomInt()
    {
        switch (pick(10)) {
        case 0:
            return pick(2) ? INT_MAX : INT_MIN;
        case 1:
            return int(m_random.bounded(-1000000, 1000000));
        case 2:
        case 3:
            return -pick(20);
        default:
            return pick(pick(2) ? 10 : 1000);
        }
    }
    double randomDouble()
    {
        switch (pick(6)) {
        case 0:
            return (pick(2) ? 1 : -1) * 1e300;
        case 1:
            return 0;
        default:
            return (m_random.generateDouble() - 0.5) * std::pow(10.0, pick(7));
        }
    }
    QString randomText()
    {
        static const QStringList texts{"",
                                       "x",
                                       "Framix",
                                       "%D %T %S %N %R %F %P %E %%",
                                       "%d/%t",
                                       "dddd dd mmmm yyyy hh:nn:ss",
                                       "\"quoted\" 'text'",
                                       "é€😀",
                                       "   ",
                                       "line\nbreak",
                                       "a/b",
                                       "..",
                                       "Arial",
                                       "Liberation Sans",
                                       "0:00:01:00",
                                       "-5",
                                       "abc"};
        if (chance(5))
            return QString(pick(2000) + 1, QChar(u'a' + pick(26)));
        return texts.at(pick(int(texts.size())));
    }
    QString randomPath()
    {
        const QStringList paths{m_images,
                                m_images + "/",
                                m_work.filePath("scripts"),
                                m_work.filePath("absent/folder"),
                                m_work.filePath("images/x.bmp"),
                                m_clips.value(pick(int(m_clips.size()))),
                                ""};
        return paths.at(pick(int(paths.size())));
    }

    // --- Events --------------------------------------------------------------------------------

    QString oneEvent()
    {
        m_prompts.chosenFile = chance(70) ? m_clips.value(pick(int(m_clips.size()))) : QString();
        m_prompts.chosenFolder = chance(70) ? m_images : QString();
        m_prompts.replace = TReplaceAnswer(pick(4));
        m_prompts.yesNo = chance(50);
        const int kind = pick(100);
        if (kind < 35)
            return actionEvent();
        if (kind < 55)
            return keyEvent();
        if (kind < 70)
            return mouseEvent();
        if (kind < 80)
            return widgetEvent();
        if (kind < 90)
            return openEvent();
        if (kind < 96)
            return intervalEvent();
        return scriptEvent();
    }

    QString actionEvent()
    {
        TCustomAbstractAction *a = m_actions.value(pick(int(m_actions.size()))).data();
        if (!a)
            return "action gone";
        const QString name = a->Name();
        m_watchdog->event(name.toStdString());
        if (!a->Enabled() && chance(80))
            return name + " (disabled)";
        if (auto *c = dynamic_cast<TCheckAction *>(a)) {
            const bool v = chance(50);
            c->SetChecked(v);
            return QStringLiteral("%1 := %2").arg(name).arg(v);
        }
        if (auto *b = dynamic_cast<TBooleanAction *>(a)) {
            const bool v = chance(50);
            b->SetValue(v);
            return QStringLiteral("%1 := %2").arg(name).arg(v);
        }
        if (auto *i = dynamic_cast<TIntegerAction *>(a)) {
            const int v = randomInt();
            i->SetValue(v);
            return QStringLiteral("%1 := %2").arg(name).arg(v);
        }
        if (auto *d = dynamic_cast<TDoubleAction *>(a)) {
            const double v = randomDouble();
            d->SetValue(v);
            return QStringLiteral("%1 := %2").arg(name).arg(v);
        }
        if (auto *w = dynamic_cast<TWidestringAction *>(a)) {
            const QString v = PathAction(name) ? randomPath() : randomText();
            // A script file runs as it opens: a saved endless loop is stopped like any run.
            if (name == QLatin1String("waScriptFile"))
                stopSoon();
            w->SetValue(v);
            return QStringLiteral("%1 := \"%2\"").arg(name, v.left(60));
        }
        if (auto *c = dynamic_cast<TColorAction *>(a)) {
            const quint32 v = m_random.generate();
            a->SetValueFromText(QString::number(qint32(v)));
            Q_UNUSED(c);
            return QStringLiteral("%1 := %2").arg(name).arg(qint32(v));
        }
        if (dynamic_cast<TPointAction *>(a) || dynamic_cast<TRectAction *>(a)) {
            const QString v = QStringLiteral("%1,%2,%3,%4")
                                  .arg(randomInt())
                                  .arg(randomInt())
                                  .arg(randomInt())
                                  .arg(randomInt());
            if (a->AcceptsText(v))
                a->SetValueFromText(v);
            return QStringLiteral("%1 := %2").arg(name, v);
        }
        if (dynamic_cast<TFontAction *>(a)) {
            a->PrepareAndApply();
            return name + " (prepare)";
        }
        if (auto *n = dynamic_cast<TNopeAction *>(a)) {
            // Long runs stop themselves a moment later.
            if (n->Name() == QLatin1String("naIntervalloStart") ||
                n->Name() == QLatin1String("naExecuteScript") || n->Name() == QLatin1String("naExecuteMacro"))
                stopSoon();
            n->Apply();
            return name;
        }
        a->trigger();
        return name + " (trigger)";
    }

    QString keyEvent()
    {
        if (m_keys.isEmpty())
            return "no keys";
        const QKeyCombination k = m_keys.at(pick(int(m_keys.size())));
        QPointer<QWidget> target = QApplication::focusWidget() ? QApplication::focusWidget() : m_form.get();
        if (!target->isVisible())
            target = m_form.get();
        const QString text = QKeySequence(k).toString();
        m_watchdog->event("key " + text.toStdString());
        // Keys that start a run (Ctrl+J, Ctrl+F12) get it stopped again.
        stopSoon();
        // As the window system delivers it (QTest has no text for some of these keys).
        const QString typed =
            k.keyboardModifiers() & ~Qt::ShiftModifier ? QString() : QKeySequence(k.key()).toString().left(1);
        QKeyEvent press(QEvent::KeyPress, k.key(), k.keyboardModifiers(),
                        typed.size() == 1 ? typed : QString());
        QApplication::sendEvent(target, &press);
        QKeyEvent release(QEvent::KeyRelease, k.key(), k.keyboardModifiers(), QString());
        if (target)
            QApplication::sendEvent(target, &release);
        return "key " + text;
    }

    QString mouseEvent()
    {
        QWidget *video = m_form->videoArea();
        if (!video->isVisible())
            return "video hidden";
        const QPoint p(pick(qMax(1, video->width())), pick(qMax(1, video->height())));
        const Qt::MouseButton button = chance(80)   ? Qt::LeftButton
                                       : chance(50) ? Qt::RightButton
                                                    : Qt::MiddleButton;
        m_watchdog->event("mouse on the video");
        switch (pick(4)) {
        case 0:
            QTest::mouseClick(video, button, {}, p);
            return QStringLiteral("click %1,%2").arg(p.x()).arg(p.y());
        case 1:
            QTest::mouseDClick(video, button, {}, p);
            return QStringLiteral("double click %1,%2").arg(p.x()).arg(p.y());
        case 2: {
            const QPoint q(pick(qMax(1, video->width())), pick(qMax(1, video->height())));
            QTest::mousePress(video, button, {}, p);
            for (int i = 1; i <= 4; ++i)
                QTest::mouseMove(video, p + (q - p) * i / 4);
            QTest::mouseRelease(video, button, {}, q);
            return QStringLiteral("drag %1,%2 -> %3,%4").arg(p.x()).arg(p.y()).arg(q.x()).arg(q.y());
        }
        default: {
            const int delta = (pick(2) ? 1 : -1) * 120 * (1 + pick(3));
            QWheelEvent wheel(p, video->mapToGlobal(p), {}, QPoint(0, delta), Qt::NoButton, {},
                              Qt::NoScrollPhase, false);
            QApplication::sendEvent(video, &wheel);
            return QStringLiteral("wheel %1").arg(delta);
        }
        }
    }

    QString widgetEvent()
    {
        Tnavframe *nav = m_form->navFrame();
        m_watchdog->event("widgets");
        switch (pick(5)) {
        case 0: {
            QSlider *s = nav->tb;
            if (!s->isVisible())
                return "slider hidden";
            const int v = s->minimum() + pick(qMax(1, s->maximum() - s->minimum() + 1));
            if (chance(50)) {
                s->setSliderDown(true);
                s->setValue(v);
                s->setSliderDown(false);
            } else {
                QTest::mouseClick(s, Qt::LeftButton, {}, QPoint(pick(qMax(1, s->width())), s->height() / 2));
            }
            return QStringLiteral("position slider %1").arg(v);
        }
        case 1: {
            QWidget *g = nav->VolumeGauge;
            if (!g->isVisible())
                return "volume hidden";
            const QPoint p(pick(qMax(1, g->width())), g->height() / 2);
            QTest::mousePress(g, Qt::LeftButton, {}, p);
            QTest::mouseMove(g, QPoint(pick(qMax(1, g->width())), p.y()));
            QTest::mouseRelease(g, Qt::LeftButton, {}, QPoint(pick(qMax(1, g->width())), p.y()));
            return "volume gauge";
        }
        case 2: {
            const int panel = pick(6) - 1;
            m_form->ShowPanel(panel);
            return QStringLiteral("panel %1").arg(panel);
        }
        case 3: {
            QLineEdit *edit = nav->CurrentEdit;
            if (!edit->isVisible())
                return "position field hidden";
            const QString text = chance(70) ? QStringLiteral("0:00:%1:%2")
                                                  .arg(pick(6), 2, 10, QLatin1Char('0'))
                                                  .arg(pick(30), 2, 10, QLatin1Char('0'))
                                            : randomText();
            edit->setFocus();
            edit->selectAll();
            // Each character as a key event with its text (QTest knows no keys beyond ASCII).
            for (const QChar ch : text) {
                QKeyEvent press(QEvent::KeyPress, ch.isDigit() ? Qt::Key(ch.unicode()) : Qt::Key_unknown,
                                Qt::NoModifier, QString(ch));
                QApplication::sendEvent(edit, &press);
            }
            QTest::keyClick(edit, Qt::Key_Return);
            m_form->videoArea()->setFocus();
            return "typed position \"" + text.left(40) + "\"";
        }
        default: {
            // A child of a panel, a page or a tab: any button of the visible window.
            const QList<QAbstractButton *> buttons = m_form->findChildren<QAbstractButton *>();
            QList<QAbstractButton *> shown;
            // A tool button of an action left alone (Quit) is left alone too.
            for (QAbstractButton *b : buttons)
                if (b->isVisible() && b->isEnabled() &&
                    !(b->objectName().startsWith(QLatin1String("btn_")) &&
                      ExcludedAction(b->objectName().mid(4))))
                    shown << b;
            if (shown.isEmpty())
                return "no button";
            QAbstractButton *b = shown.at(pick(int(shown.size())));
            const QString name = b->objectName() + " \"" + b->text() + "\"";
            stopSoon();
            QTest::mouseClick(b, Qt::LeftButton, {}, b->rect().center());
            return "button " + name;
        }
        }
    }

    QString openEvent()
    {
        if (chance(25)) {
            m_watchdog->event("close the video");
            m_form->closefile();
            return "close the video";
        }
        const QString clip =
            m_clips.value(chance(50) ? pick(qMin<int>(4, int(m_clips.size()))) : pick(int(m_clips.size())));
        m_watchdog->event("open " + clip.toStdString());
        m_form->openfile(clip);
        return "open " + QFileInfo(clip).fileName();
    }

    QString intervalEvent()
    {
        TIntervalCapture *interval = m_form->intervalCapture();
        interval->iaIntervalloDelai->SetValue(1 + pick(30));
        interval->iaIntervalloUnit->SetValue(pick(3));
        interval->caIntervalloShow->SetChecked(true);
        m_watchdog->event("interval run");
        stopSoon();
        interval->naIntervalloStart->Apply();
        return "interval run";
    }

    QString scriptEvent()
    {
        TScriptForm *s = m_form->scriptForm();
        if (!s)
            return "no script window";
        // Settings changed in a loop, and a run that goes on until it is aborted.
        QStringList lines{"var i: integer;", "begin", "  for i := 1 to 1000000 do", "  begin"};
        for (int n = 0; n < 3; ++n) {
            TCustomAbstractAction *a = m_actions.value(pick(int(m_actions.size()))).data();
            if (!a)
                continue;
            if (dynamic_cast<TIntegerAction *>(a))
                lines << QStringLiteral("    set%1(i mod %2);").arg(a->ScriptName()).arg(1 + pick(50));
            else if (dynamic_cast<TCheckAction *>(a) || dynamic_cast<TBooleanAction *>(a))
                lines << QStringLiteral("    set%1(i mod 2 = 0);").arg(a->ScriptName());
        }
        lines << "  end;"
              << "end.";
        s->SetEditorLines(lines);
        m_watchdog->event("script");
        stopSoon();
        s->Execute();
        return "script " + lines.mid(4, lines.size() - 6).join(u' ');
    }

    // A run started now (interval capture, script) is stopped by a later event of the user: Esc,
    // the interval's break, the video closed under it, or the window's abort.
    void stopSoon()
    {
        const int ms = pick(400);
        const int how = pick(4);
        QPointer<TShowForm> form(m_form.get());
        QTimer::singleShot(ms, form, [form, how] {
            if (!form)
                return;
            switch (how) {
            case 0:
                QTest::keyClick(form, Qt::Key_Escape);
                break;
            case 1:
                form->intervalCapture()->naIntervalloBreak->Apply();
                if (TVDScript *script = form->appliMan()->Script())
                    script->Abort();
                break;
            case 2:
                form->closefile();
                if (TVDScript *script = form->appliMan()->Script())
                    script->Abort();
                break;
            default:
                form->windowActions().naAbort->Apply();
                break;
            }
        });
    }

    void closePopups()
    {
        while (QWidget *popup = QApplication::activePopupWidget())
            popup->close();
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *menu = qobject_cast<QMenu *>(w); menu && menu->isVisible())
                menu->close();
    }

    // --- Invariants ----------------------------------------------------------------------------

    void checkInvariants()
    {
        m_watchdog->event("invariants");
        TNavMan *nav = m_form->navMan();
        if (!m_form->hasVideo() || nav->caPlay->Checked() || m_form->intervalCapture()->Running())
            return;
        if (m_form->appliMan()->Script() && m_form->appliMan()->Script()->IsRunning())
            return;
        QLineEdit *edit = m_form->navFrame()->CurrentEdit;
        const bool frameClip = QFileInfo(m_form->currentFile()).fileName().startsWith("fi_") &&
                               !m_form->currentFile().contains("/damaged/");
        // The paused graph settles: the frame shown and the position field agree within 3 s.
        int shown = -1, named = -1;
        QElapsedTimer clock;
        clock.start();
        do {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            if (!m_form->hasVideo() || nav->caPlay->Checked())
                return;
            QImage img;
            shown = frameClip && m_form->videoMan()->CaptureImage(img) ? FrameIndexFromImage(img) : -1;
            // A refused text stays in the field, marked, until a position replaces it.
            named = edit->hasFocus() || nav->PositionEditMarked()
                        ? -1
                        : int(nav->Grid().IndexAt(TimecodeToTime(edit->text(), nav->FrameDuration)));
            if (shown < 0 || named < 0 || shown == named)
                break;
            QThread::msleep(10);
        } while (clock.elapsed() < 3000);
        if (shown >= 0 && named >= 0) {
            ++m_framesChecked;
            EXPECT_EQ(shown, named) << "the frame shown is not the one the position field names (\""
                                    << edit->text().toStdString() << "\")";
        }

        // The name follows the frame shown by a posted message: it may take a moment.
        QString expected, name;
        clock.restart();
        do {
            expected = expectedName();
            name = m_grabber->ImageFileName;
            if (expected.isEmpty() || name == expected)
                break;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            QThread::msleep(10);
        } while (clock.elapsed() < 2000 && m_form->hasVideo());
        if (expected.isEmpty() || !m_form->hasVideo())
            return;
        ++m_namesChecked;
        EXPECT_EQ(name.toStdString(), expected.toStdString()) << "the next image's name is stale";
    }

    // The name the settings give the next image (empty for a naming mode without a suffix).
    QString expectedName() const
    {
        const TGrabber &g = *m_grabber;
        if (g.iaImageAjouter->Value != 0 && g.iaImageAjouter->Value != 1)
            return {};
        const QString root = g.iaNomFichierImage->Value == 0
                                 ? g.waDefaultRacine->Value
                                 : TGrabber::RootFromVideoName(
                                       m_form->currentFile(),
                                       g.baLimiterLongueur->Value ? qMax(0, g.iaRacineLength->Value) : -1);
        const QString suffix =
            g.iaImageAjouter->Value == 0
                ? TGrabber::TimeStampText(g.Host.FramePosition ? g.Host.FramePosition() : 0,
                                          m_form->navMan()->FrameDuration)
                : TGrabber::PaddedNumber(g.iaNextNum->Value, g.iaDigits->Value);
        // An empty folder is the default folder.
        QString folder =
            g.waDossierSave->Value.isEmpty() ? TGrabber::DefaultFolder() : g.waDossierSave->Value;
        if (!folder.endsWith(u'/'))
            folder += u'/';
        return folder + root + u'_' + suffix + TGrabber::ExtensionOf(g.iaImageExtension->Value);
    }

    quint32 m_seed;
    int m_events;
    QRandomGenerator m_random;
    QTemporaryDir m_work;
    QString m_images;
    QStringList m_clips;
    TScriptedPromptService m_prompts;
    std::unique_ptr<TShowForm> m_form;
    TGrabber *m_grabber = nullptr;
    QList<QPointer<TCustomAbstractAction>> m_actions;
    QList<QKeyCombination> m_keys;
    Watchdog *m_watchdog = nullptr;
    std::deque<QString> m_last;
    int m_index = 0;
    int m_framesChecked = 0;
    int m_modalSeen = 0;
    int m_dialogsClosed = 0;
    int m_namesChecked = 0;
};

quint32 SeedFromEnvironment(quint32 fallback)
{
    bool ok = false;
    const quint32 seed = qEnvironmentVariable("FRAMIX_MONKEY_SEED").toUInt(&ok);
    return ok ? seed : fallback;
}

int EventsFromEnvironment(int fallback)
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("FRAMIX_MONKEY_EVENTS", &ok);
    return ok && n > 0 ? n : fallback;
}

bool LongMode()
{
    return qEnvironmentVariable("FRAMIX_LONG") == QLatin1String("1");
}

} // namespace

TEST(Monkey, TheWholeWindowSurvivesARandomUser)
{
    if (!QFileInfo::exists(framixtest::corpusFile("fi_dv_pal.dv")))
        GTEST_SKIP() << "the corpus is missing: build the corpus target";
    const bool replay = !qEnvironmentVariableIsEmpty("FRAMIX_MONKEY_SEED");
    // The normal suite replays one seed that a whole run survived, so that it fails only when
    // the program changes; the long mode draws new ones. FRAMIX_MONKEY_SEED=399811978 found
    // an outline freeze and a crash of a decoder change, both mended; it also met, twice, a
    // probe of damaged/ext_mov_cut90.mov (opened over an XviD AVI) that sat out 5 s: parsebin
    // had kept qtdemux's error to itself (mended: the demuxer's paused reading task ends the
    // wait). FRAMIX_MONKEY_SEED=752165050 met it on ext_mov_cut50.mov at event 8619.
    constexpr quint32 kSurvivedSeed = 2731659466u;
    QList<quint32> seeds{
        SeedFromEnvironment(LongMode() ? QRandomGenerator::global()->generate() : kSurvivedSeed)};
    if (LongMode() && !replay)
        seeds << QRandomGenerator::global()->generate();
    const int events = EventsFromEnvironment(LongMode() ? 100000 : 2000);
    for (quint32 seed : seeds) {
        std::fprintf(stderr, "monkey: seed %u, %d events (FRAMIX_MONKEY_SEED=%u replays it)\n", seed, events,
                     seed);
        SCOPED_TRACE(testing::Message() << "FRAMIX_MONKEY_SEED=" << seed);
        Monkey monkey(seed, events);
        monkey.run();
        if (::testing::Test::HasFailure())
            break;
        EXPECT_EQ(monkey.eventsSurvived(), events);
    }
}
