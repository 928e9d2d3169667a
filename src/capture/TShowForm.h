#pragma once
// The main window. For now an empty frame that reads the command line and waits for a
// running script before it closes; the managers, menus and tool bars come with the
// main-window work.
#include <QMainWindow>
#include <QPointer>
#include <QStringList>

class TVDScript;

class TShowForm : public QMainWindow
{
    Q_OBJECT
public:
    explicit TShowForm(bool headless, QWidget *parent = nullptr);

    // Reads the arguments: /name, /name=text, +name, -name, "quit", or the path of an
    // existing file. Returns false when the program must end at once (--help, --version).
    bool processCommandLine(const QStringList &args);
    bool quitRequested() const { return m_quit; }
    int exitCode() const { return m_exitCode; }
    bool headless() const { return m_headless; }
    QString fileToOpen() const { return m_fileToOpen; }

    // The script component whose runs a close waits for. A script runs on this thread and
    // lets input be handled while it runs, so a close can arrive in the middle of a run: the
    // window then stops the script and closes once the run has ended.
    void SetScript(TVDScript *script);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QPointer<TVDScript> m_script;
    bool m_closeAfterScript = false;
    bool m_headless = false;
    bool m_quit = false;
    int m_exitCode = 0;
    QString m_fileToOpen;
};
