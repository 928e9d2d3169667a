#include "shell/TFichierMan.h"

#include "actions/TBooleanAction.h"
#include "actions/TNopeAction.h"
#include "actions/TWidestringAction.h"
#include "core/FramixLog.h"
#include "prefs/TWindowPromptService.h"
#include "widgets/TVDIcons.h"

#include <QClipboard>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QDir>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <QWidget>

#include <utility>

namespace {

const QString kCopiedFilesFormat = QStringLiteral("x-special/gnome-copied-files");

bool IsFile(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isFile();
}

QString WithoutTrailingSeparator(QString folder)
{
    while (folder.size() > 1 && folder.endsWith(u'/'))
        folder.chop(1);
    return folder;
}

QString WithTrailingSeparator(const QString &folder)
{
    return folder.isEmpty() || folder.endsWith(u'/') ? folder : folder + u'/';
}

} // namespace

TFichierMan::TFichierMan(QObject *parent) : TVDActionComponent(parent)
{
    ChooseOpenFile = [](const QString &title, const QString &folder, const QString &filter) {
        return QFileDialog::getOpenFileName(nullptr, title, folder, filter);
    };
    // The file manager asks about an existing target itself (DeleteExisting).
    ChooseSaveFile = [](const QString &title, const QString &start, const QString &filter,
                        const QString &defaultSuffix) {
        return ChooseSaveFileDialog(nullptr, title, start, filter, defaultSuffix);
    };
    ChooseFolder = [](const QString &title, const QString &start) {
        return QFileDialog::getExistingDirectory(nullptr, title, start);
    };
    AskYesNo = [](const QString &text) {
        QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(), text);
        QAbstractButton *yes = box.addButton(QStringLiteral("&Oui"), QMessageBox::YesRole);
        box.addButton(QStringLiteral("&Non"), QMessageBox::NoRole);
        box.exec();
        return box.clickedButton() == yes;
    };
    OpenUrl = [](const QUrl &url) { return QDesktopServices::openUrl(url); };
    BuildActions();
}

TFichierMan::~TFichierMan()
{
    if (m_dragControl)
        m_dragControl->removeEventFilter(this);
}

// --- Actions -----------------------------------------------------------------------------

void TFichierMan::CreateActions()
{
    // List order is load order: the recent list and the folder first, then the current file,
    // and "open last file" last of all, so that reopening finds everything in place.
    naNewFile = new TNopeAction(QStringLiteral("naNewFile"), this);
    waOpenFile = new TWidestringAction(QStringLiteral("waOpenFile"), this);
    naPasteFile = new TNopeAction(QStringLiteral("naPasteFile"), this);
    naSaveFile = new TNopeAction(QStringLiteral("naSaveFile"), this);
    waSaveFileAs = new TWidestringAction(QStringLiteral("waSaveFileAs"), this);
    naCloseFile = new TNopeAction(QStringLiteral("naCloseFile"), this);
    naParentFolder = new TNopeAction(QStringLiteral("naParentFolder"), this);
    for (int i = 0; i < RecentCount; ++i)
        naRecent[size_t(i)] = new TNopeAction(QStringLiteral("naRecent%1").arg(i + 1), this);
    for (int i = 0; i < RecentCount; ++i)
        waRecentFilename[size_t(i)] =
            new TWidestringAction(QStringLiteral("waRecentFilename%1").arg(i + 1), this);
    waInitialDir = new TWidestringAction(QStringLiteral("waInitialDir"), this);
    waCurrentFileName = new TWidestringAction(QStringLiteral("waCurrentFileName"), this);
    baOpenLastFile = new TBooleanAction(QStringLiteral("baOpenLastFile"), this);
}

void TFichierMan::InitActions()
{
    auto init = [](TCustomAbstractAction *a, const QString &caption, const QString &shortcut, int image) {
        a->SetName(a->InternalId());
        a->SetScriptName(a->InternalId().mid(2));
        a->SetCaption(caption);
        a->SetShortCut(QKeySequence(shortcut));
        a->SetImageIndex(image);
        a->SetIncludePrefs(true);
    };
    init(naNewFile, QStringLiteral("Nouveau..."), QStringLiteral("Ctrl+N"), TVDIcons::imgNewFile);
    init(waOpenFile, QStringLiteral("Ouvrir..."), QStringLiteral("Ctrl+O"), TVDIcons::imgOpenFile);
    waOpenFile->SetSwitch(QStringLiteral("o"));
    init(naPasteFile, QStringLiteral("Coller"), QStringLiteral("Ctrl+V"), TVDIcons::imgPasteFile);
    init(naSaveFile, QStringLiteral("Enregistrer"), QStringLiteral("Ctrl+S"), TVDIcons::imgSaveImages);
    init(waSaveFileAs, QStringLiteral("Enregistrer sous..."), QStringLiteral("Shift+Ctrl+S"),
         TVDIcons::imgSaveFileAs);
    init(naCloseFile, QStringLiteral("Fermer"), QStringLiteral("Ctrl+F"), TVDIcons::imgCloseFile);
    init(naParentFolder, QStringLiteral("Dossier parent"), QStringLiteral("F9"), TVDIcons::imgParentFolder);
    for (int i = 0; i < RecentCount; ++i) {
        init(naRecent[size_t(i)], QStringLiteral("%1 ").arg(i + 1), QString(), TVDIcons::imgRecent);
        naRecent[size_t(i)]->setVisible(false);
        init(waRecentFilename[size_t(i)], QStringLiteral("Filename%1").arg(i + 1), QString(), -1);
        waRecentFilename[size_t(i)]->SetApplyWhenLoad(true);
    }
    init(waInitialDir, QStringLiteral("Dossier initial"), QString(), -1);
    waInitialDir->SetApplyWhenLoad(true);
    init(waCurrentFileName, QStringLiteral("Fichier Courant"), QString(), -1);
    waCurrentFileName->SetApplyWhenLoad(true);
    init(baOpenLastFile, QStringLiteral("Fichier précédent"), QString(), -1);
    baOpenLastFile->SetApplyWhenLoad(true);
    baOpenLastFile->SetDefaultValue(true);
}

void TFichierMan::FindActions()
{
    naNewFile = FindByInternalId<TNopeAction>(QStringLiteral("naNewFile"));
    waCurrentFileName = FindByInternalId<TWidestringAction>(QStringLiteral("waCurrentFileName"));
    baOpenLastFile = FindByInternalId<TBooleanAction>(QStringLiteral("baOpenLastFile"));
    waOpenFile = FindByInternalId<TWidestringAction>(QStringLiteral("waOpenFile"));
    waInitialDir = FindByInternalId<TWidestringAction>(QStringLiteral("waInitialDir"));
    naPasteFile = FindByInternalId<TNopeAction>(QStringLiteral("naPasteFile"));
    naSaveFile = FindByInternalId<TNopeAction>(QStringLiteral("naSaveFile"));
    waSaveFileAs = FindByInternalId<TWidestringAction>(QStringLiteral("waSaveFileAs"));
    naCloseFile = FindByInternalId<TNopeAction>(QStringLiteral("naCloseFile"));
    naParentFolder = FindByInternalId<TNopeAction>(QStringLiteral("naParentFolder"));
    for (int i = 0; i < RecentCount; ++i) {
        naRecent[size_t(i)] = FindByInternalId<TNopeAction>(QStringLiteral("naRecent%1").arg(i + 1));
        waRecentFilename[size_t(i)] =
            FindByInternalId<TWidestringAction>(QStringLiteral("waRecentFilename%1").arg(i + 1));
    }
}

void TFichierMan::ConnectActions()
{
    naNewFile->InternalApply = [this] {
        CloseFile();
        NewFile();
    };
    waOpenFile->InternalPrepare = [this](QString &v) {
        v = ChooseOpenFile ? ChooseOpenFile(QStringLiteral("Sélectionnez le fichier à ouvrir"),
                                            WithoutTrailingSeparator(m_initialDir), DialogFilter())
                           : QString();
        return !v.isEmpty();
    };
    waOpenFile->InternalApply = [this](const QString &v) {
        CloseFile();
        OpenFile(v);
    };
    waCurrentFileName->InternalApply = [this](const QString &v) {
        m_currentFile = v;
        // An empty name is no file at all, not a new one.
        m_fileState = v.isEmpty() ? fsNone : (IsFile(v) ? fsOpen : fsNew);
    };
    waCurrentFileName->InternalBeforeSave = [this](QString &v) {
        v = m_fileState != fsNone && m_openLast ? m_currentFile : QString();
        return true;
    };
    baOpenLastFile->InternalPrepare = [this](bool &v) {
        v = !baOpenLastFile->Value;
        m_userToggle = true;
        return true;
    };
    baOpenLastFile->InternalApply = [this](const bool &v) {
        const bool byUser = std::exchange(m_userToggle, false);
        m_openLast = v;
        if (!v) {
            // The user's command closes the file; loading or a script only change the setting.
            if (byUser)
                CloseFile();
            return;
        }
        if (IsFile(m_currentFile))
            OpenFile(m_currentFile);
        else
            NewFile();
    };
    waInitialDir->InternalPrepare = [this](QString &v) {
        v = ChooseFolder ? ChooseFolder(QStringLiteral("Sélectionnez un dossier"), m_initialDir) : QString();
        return !v.isEmpty();
    };
    waInitialDir->InternalApply = [this](const QString &v) { m_initialDir = v; };
    naPasteFile->InternalApply = [this] { PasteReplacing(); };
    naSaveFile->InternalApply = [this] {
        if (m_fileState == fsNew) {
            waSaveFileAs->PrepareAndApply();
        } else if (m_fileState == fsOpen) {
            if (OnSaveFile)
                OnSaveFile(m_currentFile);
            m_modified = false;
        }
    };
    waSaveFileAs->InternalPrepare = [this](QString &v) { return PrepareSaveAs(v); };
    waSaveFileAs->InternalApply = [this](const QString &v) { SaveFileAs(v); };
    naCloseFile->InternalApply = [this] { CloseFile(); };
    naParentFolder->InternalApply = [this] { ShowInFolder(); };
    for (int i = 0; i < RecentCount; ++i) {
        naRecent[size_t(i)]->InternalApply = [this, i] { OpenFile(waRecentFilename[size_t(i)]->Value); };
        waRecentFilename[size_t(i)]->InternalApply = [this, i](const QString &v) {
            TNopeAction *a = naRecent[size_t(i)];
            a->SetCaption(QString::number(i + 1) + u' ' + ShortName(v, RecentLength));
            // A vanished file keeps its entry but is not offered.
            a->setVisible(IsFile(v));
        };
    }
}

void TFichierMan::ConfigureForVideos(QWidget *videoArea)
{
    ExistingOnly = true;
    Filter.clear();
    DeleteExisting = ctAskif;
    RecentLength = 50;
    SetDragControl(videoArea);
    for (TCustomAbstractAction *a :
         {static_cast<TCustomAbstractAction *>(naNewFile), static_cast<TCustomAbstractAction *>(naSaveFile),
          static_cast<TCustomAbstractAction *>(waSaveFileAs)}) {
        a->setVisible(false);
        a->setEnabled(false);
        a->SetShortCut(QKeySequence());
    }
}

void TFichierMan::ConfigureForScripts(QWidget *editor)
{
    ExistingOnly = false;
    Filter = QStringLiteral("Fichiers Macro (*.txt)|*.txt");
    DefaultExtension = QStringLiteral(".txt");
    NewFileName = QStringLiteral("script.txt");
    DeleteExisting = ctAskif;
    RecentLength = 50;
    KeepFileOnError = true;
    SetDragControl(editor);
}

// --- State -------------------------------------------------------------------------------

QStringList TFichierMan::RecentFiles() const
{
    QStringList out;
    for (TWidestringAction *a : waRecentFilename)
        out << a->Value;
    return out;
}

void TFichierMan::SetRecent(int index, const QString &path)
{
    waRecentFilename[size_t(index)]->SetValue(path);
}

void TFichierMan::PutRecent(const QString &path)
{
    int found = -1;
    for (int i = 0; i < RecentCount && found < 0; ++i)
        if (waRecentFilename[size_t(i)]->Value == path)
            found = i;
    if (found == 0)
        return;
    const int last = found > 0 ? found : RecentCount - 1;
    for (int i = last; i > 0; --i)
        SetRecent(i, waRecentFilename[size_t(i - 1)]->Value);
    SetRecent(0, path);
}

// --- Operations --------------------------------------------------------------------------

bool TFichierMan::OpenFile(const QString &pathIn)
{
    if (pathIn.isEmpty())
        return false;
    // A relative path (command line) is kept absolute, so the recent list stays usable.
    const QString path = QFileInfo(pathIn).absoluteFilePath();
    if (const QString why = RefusalOf(path); !why.isEmpty()) {
        // A name that is no file (gone, mistyped on the command line or in a script) is a
        // failure the owner reports, not a silent no-op.
        Refuse(path, why);
        return RefuseFile();
    }
    const TKeptFile previous{m_currentFile, m_fileState, m_modified};
    waCurrentFileName->SetValue(path);
    m_fileState = fsOpen;
    if (OnOpenFile && !OnOpenFile(path)) {
        if (OnErrorOpenFile)
            OnErrorOpenFile(path);
        if (KeepFileOnError) {
            // The owner kept its previous content: the refused file must not become the file
            // that content is saved to.
            waCurrentFileName->SetValue(previous.file);
            m_fileState = previous.state;
            m_modified = previous.modified;
            return RefuseFile();
        }
    }
    m_closed.reset();
    PutRecent(path);
    m_modified = false;
    return true;
}

bool TFichierMan::RefuseFile()
{
    // Open closes the current file first; an owner that kept that file's content gets its name
    // back, so that saving still writes where the content came from.
    if (KeepFileOnError && m_fileState == fsNone && m_closed) {
        waCurrentFileName->SetValue(m_closed->file);
        m_fileState = m_closed->state;
        m_modified = m_closed->modified;
    }
    m_closed.reset();
    return false;
}

void TFichierMan::CloseFile()
{
    if (m_fileState == fsNone)
        return;
    if (m_modified && AskYesNo &&
        AskYesNo(QStringLiteral(
            "Voulez-vous sauver le fichier ouvert ?\r\nSinon, toutes les modifications seront perdues"))) {
        if (m_fileState == fsNew)
            waSaveFileAs->PrepareAndApply();
        else
            naSaveFile->PrepareAndApply();
    }
    if (OnCloseFile)
        OnCloseFile(m_currentFile);
    if (KeepFileOnError)
        m_closed = TKeptFile{m_currentFile, m_fileState, m_modified};
    waCurrentFileName->SetValue(QString());
    m_fileState = fsNone;
}

void TFichierMan::SetOpenLast(bool on)
{
    m_openLast = on;
    baOpenLastFile->Value = on;
}

void TFichierMan::NewFile()
{
    if (ExistingOnly)
        return;
    QString name = QFileInfo(NewFileName).completeBaseName();
    if (name.isEmpty())
        name = NewFileName;
    m_closed.reset();
    waCurrentFileName->SetValue(WithTrailingSeparator(m_initialDir) + name + DefaultExtension);
    m_fileState = fsNew;
    if (OnNewFile)
        OnNewFile();
    m_modified = false;
}

QStringList TFichierMan::FilesOf(const QMimeData *mime)
{
    QStringList files;
    if (!mime)
        return files;
    QList<QUrl> urls = mime->urls();
    if (urls.isEmpty() && mime->hasFormat(kCopiedFilesFormat)) {
        // "copy" or "cut" on the first line, then one URL per line.
        const QStringList lines =
            QString::fromUtf8(mime->data(kCopiedFilesFormat)).split(u'\n', Qt::SkipEmptyParts);
        for (qsizetype i = 1; i < lines.size(); ++i)
            urls << QUrl(lines[i].trimmed());
    }
    for (const QUrl &u : std::as_const(urls))
        if (u.isLocalFile() && !u.toLocalFile().isEmpty())
            files << u.toLocalFile();
    if (files.isEmpty() && urls.isEmpty() && mime->hasText()) {
        // A path copied as text (from a terminal, an editor): each line that is a file URL
        // or names an existing file.
        const QStringList lines = mime->text().split(u'\n', Qt::SkipEmptyParts);
        for (const QString &raw : lines) {
            const QString line = raw.trimmed();
            const QUrl url(line);
            if (url.isLocalFile())
                files << url.toLocalFile();
            else if (!line.isEmpty() && QFileInfo(line).isFile())
                files << line;
        }
    }
    return files;
}

QString TFichierMan::RefusalOf(const QString &path) const
{
    if (!QFileInfo::exists(path))
        return QStringLiteral("le fichier n'existe pas");
    if (!IsFile(path))
        return QStringLiteral("ce n'est pas un fichier");
    if (OnTestExtension && !OnTestExtension(Extension(path), path))
        return QStringLiteral("ce type de fichier (%1) n'est pas pris en charge")
            .arg(Extension(path).isEmpty() ? QStringLiteral("sans extension") : Extension(path));
    return QString();
}

void TFichierMan::Refuse(const QString &path, const QString &why)
{
    qCInfo(lcShell).noquote() << "not opened:" << path << "-" << why;
    // An owner that does not tell refusals apart (the script window) hears of them as a failed
    // open.
    if (OnRefusedFile)
        OnRefusedFile(path, why);
    else if (OnErrorOpenFile && !path.isEmpty())
        OnErrorOpenFile(path);
}

bool TFichierMan::PasteReplacing()
{
    QClipboard *cb = QGuiApplication::clipboard();
    const QStringList files = cb ? FilesOf(cb->mimeData()) : QStringList();
    if (files.isEmpty()) {
        Refuse(QString(), QStringLiteral("le presse-papiers ne contient aucun fichier"));
        return false;
    }
    const QString path = QFileInfo(files.first()).absoluteFilePath();
    if (const QString why = RefusalOf(path); !why.isEmpty()) {
        Refuse(path, why);
        return false;
    }
    CloseFile();
    return OpenFile(path);
}

bool TFichierMan::PasteFrom(const QMimeData *mime)
{
    const QStringList files = FilesOf(mime);
    return !files.isEmpty() && OpenFile(files.first());
}

bool TFichierMan::PasteClipboard()
{
    QClipboard *cb = QGuiApplication::clipboard();
    return cb && PasteFrom(cb->mimeData());
}

bool TFichierMan::DropFrom(const QMimeData *mime)
{
    const QStringList files = FilesOf(mime);
    if (files.isEmpty())
        return false;
    // File names are case-sensitive here: only the very same path is the current file.
    if (QFileInfo(files.first()).absoluteFilePath() == m_currentFile)
        return false;
    return OpenFile(files.first());
}

QMimeData *TFichierMan::CreateDragData() const
{
    if (!IsFile(m_currentFile))
        return nullptr;
    auto *mime = new QMimeData;
    const QUrl url = QUrl::fromLocalFile(m_currentFile);
    mime->setUrls({url});
    mime->setData(kCopiedFilesFormat, "copy\n" + url.toEncoded());
    return mime;
}

bool TFichierMan::ShowInFolder()
{
    if (m_currentFile.isEmpty())
        return false;
    const QFileInfo info(m_currentFile);
    const QUrl folder = QUrl::fromLocalFile(info.absolutePath());
    auto fallback = [this, folder] {
        if (OpenUrl && QFileInfo(folder.toLocalFile()).isDir())
            OpenUrl(folder);
    };
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!info.exists() || !bus.isConnected()) {
        fallback();
        return true;
    }
    QDBusMessage msg = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
    msg << QStringList{QUrl::fromLocalFile(info.absoluteFilePath()).toString()} << QString();
    // Asynchronous: the main thread never waits for a file manager that may be slow to start.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(msg, 5000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [fallback](QDBusPendingCallWatcher *w) {
        if (w->isError())
            fallback();
        w->deleteLater();
    });
    return true;
}

bool TFichierMan::PrepareSaveAs(QString &target)
{
    if (!OnSaveFile || m_fileState == fsNone || !ChooseSaveFile)
        return false;
    QString ext = DefaultExtension;
    if (ext.startsWith(u'.'))
        ext.remove(0, 1);
    QString name = ChooseSaveFile(QStringLiteral("Sélectionner le fichier cible"),
                                  NextFreeName(m_currentFile), DialogFilter(), ext);
    if (name.isEmpty())
        return false;
    const QFileInfo picked(name);
    if (!NewFileName.isEmpty() && picked.fileName() == NewFileName) {
        // The template's own name is not a target: "script.txt" becomes "script1.txt".
        const QString suffix = picked.suffix().isEmpty() ? QString() : u'.' + picked.suffix();
        name = WithTrailingSeparator(picked.path()) + picked.completeBaseName() + u'1' + suffix;
    }
    if (QFileInfo::exists(name)) {
        switch (DeleteExisting) {
        case ctAlways:
            break;
        case ctNever:
            return false;
        case ctAskif:
            if (!AskYesNo || !AskYesNo(QStringLiteral("Voulez-vous écraser le fichier existant:\r\n") + name +
                                       QStringLiteral(" ?")))
                return false;
            break;
        }
    }
    target = name;
    return true;
}

void TFichierMan::SaveFileAs(const QString &target)
{
    if (m_fileState == fsNone || target.isEmpty())
        return;
    waCurrentFileName->SetValue(target);
    if (OnSaveFile)
        OnSaveFile(target);
    m_fileState = fsOpen;
    if (QFileInfo::exists(target)) {
        // The entry of the name saved under is replaced by the new name.
        for (int i = 0; i < RecentCount - 1; ++i)
            SetRecent(i, waRecentFilename[size_t(i + 1)]->Value);
        SetRecent(RecentCount - 1, QString());
        PutRecent(target);
    }
    m_modified = false;
}

QString TFichierMan::DialogFilter() const
{
    QStringList out;
    const QStringList parts = Filter.split(u'|');
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString desc = parts[i].trimmed();
        QString patterns = parts[i + 1].trimmed();
        patterns.replace(u';', u' ');
        out << (desc.contains(u'(') ? desc : desc + QStringLiteral(" (") + patterns + u')');
    }
    out << QStringLiteral("Tous fichiers (*.*)");
    return out.join(QStringLiteral(";;"));
}

// --- Text helpers ------------------------------------------------------------------------

QString TFichierMan::Extension(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot < 0 || dot < slash)
        return QString();
    return path.mid(dot).toLower();
}

QString TFichierMan::ShortName(const QString &path, int width)
{
    const qsizetype slash = path.lastIndexOf(u'/');
    QString folder = path.left(slash + 1);
    QString name = path.mid(slash + 1);
    const int nameRoom = std::max(0, width - 4);
    if (name.size() > nameRoom)
        name.truncate(nameRoom);
    const qsizetype folderRoom = std::max<qsizetype>(0, width - name.size());
    if (folder.size() > folderRoom)
        folder = folder.left(folderRoom) + QStringLiteral(".../");
    return folder + name;
}

QString TFichierMan::NextFreeName(const QString &path)
{
    if (path.isEmpty() || !QFileInfo::exists(path))
        return path;
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    const bool hasExt = dot > slash + 1;
    QString base = hasExt ? path.left(dot) : path;
    const QString ext = hasExt ? path.mid(dot) : QString();
    const qsizetype n = base.size();
    if (n >= 4 && base[n - 4] == u'_' && base[n - 3].isDigit() && base[n - 2].isDigit() &&
        base[n - 1].isDigit())
        base.chop(4);
    for (int k = 1; k < 1000000; ++k) {
        const QString candidate = base + u'_' + QStringLiteral("%1").arg(k, 3, 10, QLatin1Char('0')) + ext;
        if (!QFileInfo::exists(candidate))
            return candidate;
    }
    return path;
}

// --- Drop target and drag source -----------------------------------------------------------

void TFichierMan::SetDragControl(QWidget *control)
{
    if (m_dragControl == control)
        return;
    if (m_dragControl)
        m_dragControl->removeEventFilter(this);
    m_dragControl = control;
    m_dragArmed = false;
    if (control) {
        control->setAcceptDrops(true);
        control->installEventFilter(this);
    }
}

bool TFichierMan::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_dragControl)
        return TVDActionComponent::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
        auto *e = static_cast<QDragMoveEvent *>(event);
        if (FilesOf(e->mimeData()).isEmpty())
            break;
        e->acceptProposedAction();
        return true;
    }
    case QEvent::Drop: {
        auto *e = static_cast<QDropEvent *>(event);
        if (FilesOf(e->mimeData()).isEmpty())
            break;
        e->acceptProposedAction();
        DropFrom(e->mimeData());
        return true;
    }
    case QEvent::MouseButtonPress: {
        // Recorded only; the control's own handlers still run.
        auto *e = static_cast<QMouseEvent *>(event);
        m_dragStart = e->position().toPoint();
        m_dragArmed = true;
        break;
    }
    case QEvent::MouseButtonRelease:
        m_dragArmed = false;
        break;
    case QEvent::MouseMove: {
        auto *e = static_cast<QMouseEvent *>(event);
        if (!m_dragArmed || !(e->buttons() & (Qt::LeftButton | Qt::RightButton)))
            break;
        const QPoint d = e->position().toPoint() - m_dragStart;
        if (std::abs(d.x()) < 10 && std::abs(d.y()) < 10)
            break;
        m_dragArmed = false;
        if (QMimeData *mime = CreateDragData()) {
            auto *drag = new QDrag(m_dragControl);
            drag->setMimeData(mime);
            drag->exec(Qt::CopyAction, Qt::CopyAction);
        }
        break;
    }
    default:
        break;
    }
    return TVDActionComponent::eventFilter(watched, event);
}
