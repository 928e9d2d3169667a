#include "capture/TShowForm.h"

#include "actions/TVDSwitch.h"
#include "actions/TWidestringAction.h"
#include "media/TDVMan.h"
#include "media/TDvFileReport.h"
#include "media/TFileDevice.h"
#include "media/TMediaFactory.h"
#include "script/TVDScript.h"
#include "shell/TFichierMan.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <cstdio>

TShowForm::TShowForm(bool headless, QWidget *parent)
    : QMainWindow(parent), m_headless(headless), m_graph(std::make_unique<TDVMan>()),
      m_factory(std::make_unique<TMediaFactory>())
{
    setWindowTitle(QStringLiteral("Framix"));
    resize(640, 480);
    m_view = new QLabel(this);
    m_view->setAlignment(Qt::AlignCenter);
    m_view->setTextInteractionFlags(Qt::TextSelectableByMouse);
    setCentralWidget(m_view);

    m_factory->SetGrapheMan(m_graph.get());
    m_files = new TFichierMan(this);
    m_files->ConfigureForVideos(m_view);
    m_files->OnTestExtension = [this](const QString &, const QString &path) {
        return !m_factory->Choices(path).empty();
    };
    m_files->OnOpenFile = [this](const QString &path) { return openVideo(path); };
    m_files->OnErrorOpenFile = [this](const QString &path) { failedToOpen(path); };

    m_switch = new TVDSwitch(this);
    m_switch->MainWindow = this;
    m_switch->RegisterList(m_files);
    m_switch->DefaultAction = m_files->waOpenFile;
}

// The file manager and the switch table are children: they go before the graph they use.
TShowForm::~TShowForm()
{
    delete m_switch;
    delete m_files;
    m_factory->ClearDevices();
}

bool TShowForm::processCommandLine(const QStringList &args)
{
    QStringList entries{QStringLiteral("framix")};
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == QLatin1String("-platform")) {
            ++i;
            continue;
        }
        if (a == QLatin1String("--version")) {
            std::printf("Framix %s\n", FRAMIX_VERSION);
            return false;
        }
        if (a == QLatin1String("--help")) {
            std::printf("framix [/switch[=valeur]] [+switch] [-switch] [/quit] [fichier]\n");
            return false;
        }
        if (!a.isEmpty())
            entries << a;
    }
    m_switch->ParseCommandLine(entries);
    return true;
}

void TShowForm::runCommandLine()
{
    m_switch->ExecuteAll();
}

bool TShowForm::quitRequested() const
{
    return m_switch->QuitRequested();
}

QString TShowForm::currentFile() const
{
    return m_files->FileState() == TFichierMan::fsOpen ? m_files->CurrentFile() : QString();
}

bool TShowForm::openVideo(const QString &path)
{
    TFileDevice *dev = m_factory->OpenFile(path);
    if (!dev || !dev->Valid)
        return false;
    QStringList lines;
    lines << QStringLiteral("Ouvert : %1").arg(path);
    lines << QStringLiteral("  Flux : %1 vidéo, %2 audio").arg(dev->VideoCount).arg(dev->AudioCount);
    const QString ext = TFichierMan::Extension(path);
    if (ext == QLatin1String(".dv") || ext == QLatin1String(".dif"))
        lines << ReadDvFileReport(path).Text(path);
    say(lines.join(QLatin1Char('\n')));
    return true;
}

void TShowForm::failedToOpen(const QString &path)
{
    m_exitCode = 1;
    say(QStringLiteral("Impossible d'ouvrir le fichier %1").arg(path), true);
}

void TShowForm::say(const QString &text, bool error)
{
    m_report = text;
    m_view->setText(text);
    if (m_headless) {
        std::fprintf(error ? stderr : stdout, "%s\n", qPrintable(text));
        std::fflush(error ? stderr : stdout);
    } else if (error) {
        QMessageBox::warning(this, QStringLiteral("Framix"), text);
    }
}

void TShowForm::SetScript(TVDScript *script)
{
    if (m_script)
        disconnect(m_script, nullptr, this, nullptr);
    m_script = script;
    m_closeAfterScript = false;
    if (!script)
        return;
    connect(script, &TVDScript::RunFinished, this, [this] {
        if (!m_closeAfterScript)
            return;
        m_closeAfterScript = false;
        // Queued: the run's caller is still on the stack when RunFinished is emitted.
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    });
}

void TShowForm::closeEvent(QCloseEvent *event)
{
    if (m_script && m_script->IsRunning()) {
        // The script's run is below this handler on the stack: closing now would pull the
        // window from under it. Stop it; RunFinished closes the window afterwards.
        event->ignore();
        m_closeAfterScript = true;
        m_script->Abort();
        return;
    }
    QMainWindow::closeEvent(event);
}
