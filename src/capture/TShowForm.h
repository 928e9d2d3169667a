#pragma once
// The main window. For now a frame that reads the command line through the switch table, opens
// videos through the file commands (command line "o", a bare path, the open dialog) and shows
// what it found in them; the managers, menus and tool bars come with the main-window work.
//
// Headless runs (offscreen platform) print what they did on the standard output, since nobody
// sees the window. A close that arrives while a script runs (scripts run on this thread and let
// input be handled meanwhile) stops the script first and closes once the run has ended.
// Main thread only.
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <memory>

class QLabel;
class TDVMan;
class TFichierMan;
class TMediaFactory;
class TVDScript;
class TVDSwitch;

class TShowForm : public QMainWindow
{
    Q_OBJECT
public:
    explicit TShowForm(bool headless, QWidget *parent = nullptr);
    ~TShowForm() override;

    // Reads the arguments (without the program's name): /name, /name=text, +name, -name, /quit
    // or the path of a file (as /o=path). Returns false when the program must
    // end at once (--help, --version), with exitCode() to return.
    bool processCommandLine(const QStringList &args);
    // Runs the entries read by processCommandLine, in order; closes the window afterwards when
    // /quit was given.
    void runCommandLine();
    bool quitRequested() const;
    int exitCode() const { return m_exitCode; }
    bool headless() const { return m_headless; }
    // The file opened last (empty when none).
    QString currentFile() const;
    // What the window says about the current file.
    QString report() const { return m_report; }
    TFichierMan *fichierMan() const { return m_files; }

    // The script component whose runs a close waits for.
    void SetScript(TVDScript *script);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    bool openVideo(const QString &path);
    void failedToOpen(const QString &path);
    void say(const QString &text, bool error = false);

    bool m_headless = false;
    int m_exitCode = 0;
    QString m_report;
    QLabel *m_view = nullptr;
    std::unique_ptr<TDVMan> m_graph;
    std::unique_ptr<TMediaFactory> m_factory;
    TFichierMan *m_files = nullptr;
    TVDSwitch *m_switch = nullptr;
    QPointer<TVDScript> m_script;
    bool m_closeAfterScript = false;
};
