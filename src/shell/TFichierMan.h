#pragma once
// The file commands of a window as typed actions: open (dialog, drop, paste, command line "o"),
// close, new, save, save as, the ten most recent files, the open dialog's initial folder,
// reopening the last file at start, and showing the file in the desktop's file manager. The
// component decides nothing about the content of a file: its owner does the real work in the
// events (OnOpenFile, OnCloseFile, OnNewFile, OnSaveFile, OnTestExtension, OnErrorOpenFile).
//
// Two owners use it: the main window for videos (ConfigureForVideos: existing files only, drag
// control = the video area) and the script window for script files (ConfigureForScripts).
//
// State: CurrentFile, FileState (0 a file is open, 1 a new file not saved yet, 2 no file),
// Modified (set by the owner, cleared after open, new and save), InitialDir, OpenLast.
//
// Preferences: the ten recent paths, the initial folder, the current file and "open last
// file" are stored, in that order, so that at load the recent menu fills first and the last
// file reopens when every other value is in place.
//
// Main thread only. The dialogs and questions go through replaceable functions (tests and
// headless runs give their own answers).
#include "actions/TVDActionComponent.h"

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

class QMimeData;
class QUrl;
class QWidget;
class TBooleanAction;
class TImageList;
class TNopeAction;
class TWidestringAction;

enum TConfirmType { ctAlways, ctNever, ctAskif };

class TFichierMan : public TVDActionComponent
{
    Q_OBJECT
public:
    static constexpr int RecentCount = 10;
    enum TFileState { fsOpen = 0, fsNew = 1, fsNone = 2 };

    explicit TFichierMan(QObject *parent = nullptr);
    ~TFichierMan() override;

    // --- Owners' settings
    // The main window's: existing files only, no filter, asks before replacing, captions 50
    // characters wide, drops and drags on `videoArea`; new, save and save as hidden and disabled;
    // shortcuts only for open, paste, close and parent folder.
    void ConfigureForVideos(QWidget *videoArea);
    // The script window's: new files allowed, "Fichiers Macro (*.txt)|*.txt", ".txt",
    // "script.txt", drops and drags on `editor`.
    void ConfigureForScripts(QWidget *editor);

    // --- Properties
    TConfirmType DeleteExisting = ctAskif;
    // The new-file command does nothing.
    bool ExistingOnly = false;
    // Pairs "description|patterns|..."; the dialog adds "Tous fichiers (*.*)|*.*".
    QString Filter;
    QString DefaultExtension; // with its dot
    QString NewFileName;
    // Width in characters of the recent-file captions.
    int RecentLength = 50;
    // A file the owner refuses to open (OnOpenFile false), or that does not exist, leaves the
    // current file, its state and the recent list as they were, even when the open command
    // closed that file first (the script window: its editor keeps the old text, which must
    // still be saved to where it came from).
    bool KeepFileOnError = false;

    QWidget *DragControl() const { return m_dragControl; }
    // Accepts dropped files from now on; the current file can be dragged out of it.
    void SetDragControl(QWidget *control);

    // --- Events
    std::function<bool(const QString &path)> OnOpenFile;
    // The owner refused the file (OnOpenFile false), or the name is no existing file.
    std::function<void(const QString &path)> OnErrorOpenFile;
    // A file the user named that is not opened at all (missing, not a file, an extension the
    // owner refuses, a paste without any file), with the reason in French; path may be empty.
    std::function<void(const QString &path, const QString &why)> OnRefusedFile;
    std::function<void(const QString &path)> OnCloseFile;
    std::function<void()> OnNewFile;
    std::function<void(const QString &path)> OnSaveFile;
    // The extension in lower case with its dot, and the path.
    std::function<bool(const QString &extension, const QString &path)> OnTestExtension;

    // --- Dialogs and questions (defaults: the Qt dialogs, modal)
    // Path to open, empty when cancelled.
    std::function<QString(const QString &title, const QString &folder, const QString &filter)> ChooseOpenFile;
    // Target of save as, starting from `start`; empty when cancelled.
    std::function<QString(const QString &title, const QString &start, const QString &filter,
                          const QString &defaultSuffix)>
        ChooseSaveFile;
    // A folder, empty when cancelled.
    std::function<QString(const QString &title, const QString &start)> ChooseFolder;
    // A warning with "&Oui" and "&Non"; true for "&Oui".
    std::function<bool(const QString &text)> AskYesNo;
    // Opens a folder in the desktop's file manager (fallback of the parent-folder command).
    std::function<bool(const QUrl &url)> OpenUrl;

    // --- State
    QString CurrentFile() const { return m_currentFile; }
    TFileState FileState() const { return m_fileState; }
    bool Modified() const { return m_modified; }
    void SetModified(bool m) { m_modified = m; }
    QString InitialDir() const { return m_initialDir; }
    bool OpenLast() const { return m_openLast; }
    // Keeps (or forgets) the current file for the next start without opening or closing
    // anything now.
    void SetOpenLast(bool on);
    // The recent paths, entry 1 first.
    QStringList RecentFiles() const;

    // --- Operations
    // Opens an existing file whose extension the owner accepts; false when refused.
    bool OpenFile(const QString &path);
    void CloseFile();
    void NewFile();
    // Opens the first file of a file list (text/uri-list, a file manager's copied-files
    // format, or plain text naming an existing file); false when the data holds none.
    bool PasteFrom(const QMimeData *mime);
    // The clipboard's file list.
    bool PasteClipboard();
    // naPasteFile: the current file is closed only when the clipboard names a file that can
    // be opened; otherwise it stays open and OnRefusedFile says why.
    bool PasteReplacing();
    // A drop: the first file, unless it is the current one. Opens directly (no close first).
    bool DropFrom(const QMimeData *mime);
    // The current file as drag data (text/uri-list and the file manager's copied-files
    // format); nullptr when there is no file to drag.
    QMimeData *CreateDragData() const;
    // Asks the desktop's file manager to show the current file (D-Bus FileManager1.ShowItems,
    // asynchronously); without a session bus, or when the call fails, opens its folder.
    // Returns false when there is nothing to show.
    bool ShowInFolder();
    // Save as of `target` without dialog.
    void SaveFileAs(const QString &target);

    // --- Text helpers
    // The extension of `path` (from its last dot after the last separator), lower case, dot
    // included; empty when none.
    static QString Extension(const QString &path);
    // The caption form of `path` within `width` characters.
    static QString ShortName(const QString &path, int width);
    // `path` when it does not exist; otherwise base_001.ext, base_002.ext ... the first that
    // does not exist (a "_nnn" at the end of the base is replaced).
    static QString NextFreeName(const QString &path);

    // --- Actions (found by their internal ids)
    TNopeAction *naNewFile = nullptr;
    TWidestringAction *waOpenFile = nullptr;
    TNopeAction *naPasteFile = nullptr;
    TNopeAction *naSaveFile = nullptr;
    TWidestringAction *waSaveFileAs = nullptr;
    TNopeAction *naCloseFile = nullptr;
    TNopeAction *naParentFolder = nullptr;
    std::array<TNopeAction *, RecentCount> naRecent{};
    std::array<TWidestringAction *, RecentCount> waRecentFilename{};
    TWidestringAction *waInitialDir = nullptr;
    TWidestringAction *waCurrentFileName = nullptr;
    TBooleanAction *baOpenLastFile = nullptr;

protected:
    void CreateActions() override;
    void InitActions() override;
    void FindActions() override;
    void ConnectActions() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct TKeptFile
    {
        QString file;
        TFileState state = fsNone;
        bool modified = false;
    };
    // A refused open: gives back the file that open closed (KeepFileOnError); false.
    bool RefuseFile();
    // Moves `path` to the head of the recent list.
    void PutRecent(const QString &path);
    void SetRecent(int index, const QString &path);
    bool PrepareSaveAs(QString &target);
    QString DialogFilter() const;
    static QStringList FilesOf(const QMimeData *mime);
    // Why path would not be opened (empty: it would); reported through OnRefusedFile.
    QString RefusalOf(const QString &absolutePath) const;
    void Refuse(const QString &path, const QString &why);

    QString m_currentFile;
    TFileState m_fileState = fsNone;
    bool m_modified = false;
    QString m_initialDir;
    bool m_openLast = false;
    QPointer<QWidget> m_dragControl;
    QPoint m_dragStart;
    bool m_dragArmed = false;
    bool m_userToggle = false;
    // The file the last close let go of, while its owner still holds its content.
    std::optional<TKeptFile> m_closed;
};
