#include "capture/TShowForm.h"

#include "script/TVDScript.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <cstdio>

TShowForm::TShowForm(bool headless, QWidget *parent) : QMainWindow(parent), m_headless(headless)
{
    setWindowTitle(QStringLiteral("Framix"));
    resize(640, 480);
}

bool TShowForm::processCommandLine(const QStringList &args)
{
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
            std::printf("framix [/switch[=valeur]] [+switch] [-switch] [quit] [fichier]\n");
            return false;
        }
        if (a.compare(QLatin1String("quit"), Qt::CaseInsensitive) == 0) {
            m_quit = true;
            continue;
        }
        if (QFileInfo(a).isFile())
            m_fileToOpen = QFileInfo(a).absoluteFilePath();
    }
    return true;
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
