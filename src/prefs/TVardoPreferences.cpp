#include "prefs/TVardoPreferences.h"

#include "core/FramixLog.h"
#include "core/IPromptService.h"
#include "prefs/TIniPreferencesMan.h"
#include "prefs/TNonePreferencesMan.h"
#include "prefs/TRegPreferencesMan.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QWidget>

TVardoPreferences::TVardoPreferences(QWidget *ownerForm, const QString &programFolder, QObject *parent)
    : QObject(parent ? parent : static_cast<QObject *>(ownerForm)),
      m_store(std::make_unique<TNonePreferencesMan>()), m_ownerForm(ownerForm)
{
    QString folder = programFolder.isEmpty() ? QCoreApplication::applicationDirPath() : programFolder;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    m_programFolder = folder;
    if (ownerForm)
        ownerForm->installEventFilter(this);
}

TVardoPreferences::~TVardoPreferences()
{
    if (m_ownerForm)
        m_ownerForm->removeEventFilter(this);
    // Freeing the store writes an ini file.
    m_store.reset();
}

QString TVardoPreferences::IniFileName() const
{
    return TPreferencesMan::IniFileName(m_programFolder, titre);
}

void TVardoPreferences::SetMode(TSavePreferences mode)
{
    if (mode == m_mode)
        return;
    m_mode = mode;
    OpenStore();
}

// --- Typed operations -------------------------------------------------------------------

bool TVardoPreferences::OpenKey(const QString &name)
{
    return Active() && m_store->OpenKey(name, true);
}

bool TVardoPreferences::CloseKey()
{
    return Active() && m_store->CloseKey();
}

bool TVardoPreferences::GetKeyNames(QStringList &list)
{
    return Active() && m_store->GetKeyNames(list);
}

bool TVardoPreferences::ReadBool(const QString &key, bool def)
{
    bool v = def;
    return Active() && m_store->ReadBool(key, v) ? v : def;
}

int TVardoPreferences::ReadInteger(const QString &key, int def)
{
    std::int32_t v = def;
    return Active() && m_store->ReadInteger(key, v) ? v : def;
}

double TVardoPreferences::ReadFloat(const QString &key, double def)
{
    double v = def;
    return Active() && m_store->ReadFloat(key, v) ? v : def;
}

QString TVardoPreferences::ReadString(const QString &key, const QString &def)
{
    QString v = def;
    return Active() && m_store->ReadString(key, v) ? v : def;
}

QPoint TVardoPreferences::ReadPoint(const QString &key, const QPoint &def)
{
    QPoint v = def;
    return Active() && m_store->ReadPoint(key, v) ? v : def;
}

QRect TVardoPreferences::ReadRect(const QString &key, const QRect &def)
{
    QRect v = def;
    return Active() && m_store->ReadRect(key, v) ? v : def;
}

TFontDesc TVardoPreferences::ReadFont(const QString &key, const TFontDesc &def)
{
    // A font read part-way has some attributes changed: the caller gets the whole default.
    TFontDesc v = def;
    return Active() && m_store->ReadFont(key, v) ? v : def;
}

bool TVardoPreferences::WriteBool(const QString &key, bool value)
{
    return Active() && m_store->WriteBool(key, value);
}

bool TVardoPreferences::WriteInteger(const QString &key, int value)
{
    return Active() && m_store->WriteInteger(key, value);
}

bool TVardoPreferences::WriteFloat(const QString &key, double value)
{
    return Active() && m_store->WriteFloat(key, value);
}

bool TVardoPreferences::WriteString(const QString &key, const QString &value)
{
    return Active() && m_store->WriteString(key, value);
}

bool TVardoPreferences::WritePoint(const QString &key, const QPoint &value)
{
    return Active() && m_store->WritePoint(key, value);
}

bool TVardoPreferences::WriteRect(const QString &key, const QRect &value)
{
    return Active() && m_store->WriteRect(key, value);
}

bool TVardoPreferences::WriteFont(const QString &key, const TFontDesc &value)
{
    return Active() && m_store->WriteFont(key, value);
}

// --- Modes and stores -------------------------------------------------------------------

TSavePreferences TVardoPreferences::DetectMode() const
{
    if (QFileInfo::exists(IniFileName()))
        return spPortable;
    if (TRegPreferencesMan::KeyExists(TPreferencesMan::RegistryBasePath(titre)))
        return spRegistre;
    return spNone;
}

void TVardoPreferences::OpenStore()
{
    m_store.reset();
    switch (m_mode) {
    case spRegistre: {
        auto store = std::make_unique<TRegPreferencesMan>(TPreferencesMan::RegistryBasePath(titre), true);
        qCInfo(lcPrefs).noquote() << "preferences in the per-user store" << store->FileName();
        m_store = std::move(store);
        break;
    }
    case spPortable:
        qCInfo(lcPrefs).noquote() << "preferences in the portable file" << IniFileName();
        m_store = std::make_unique<TIniPreferencesMan>(IniFileName(), true);
        break;
    case spNone:
        qCInfo(lcPrefs) << "preferences not kept";
        m_store = std::make_unique<TNonePreferencesMan>();
        break;
    }
    if (auto f = OnChangeMode)
        f(m_mode);
    // The data of every other mode goes as soon as a mode is opened.
    if (m_mode != spPortable)
        TPreferencesMan::DeleteIniFile(m_programFolder, titre);
    if (m_mode != spRegistre)
        TPreferencesMan::DeleteRegistryKey(titre);
}

void TVardoPreferences::UseStore(TSavePreferences mode, std::unique_ptr<TPreferencesMan> store)
{
    m_store.reset();
    m_mode = mode;
    m_store = store ? std::move(store) : std::make_unique<TNonePreferencesMan>();
}

bool TVardoPreferences::SaveInfo(const QString &ver)
{
    try {
        WriteString(QStringLiteral("Version"), ver);
        WriteString(QStringLiteral("Dernière Sauvegarde"), SaveStamp(QDateTime::currentDateTime()));
        WriteString(QStringLiteral("ExeName"), QCoreApplication::applicationFilePath());
        return true;
    } catch (const std::exception &e) {
        // The stores throw nothing of their own: this is the allocator or the file system's
        // library giving up.
        qCWarning(lcPrefs) << "writing the version information:" << e.what();
        return false;
    }
}

QString TVardoPreferences::SaveStamp(const QDateTime &when)
{
    return when.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
}

// --- Owner window hooks -----------------------------------------------------------------

void TVardoPreferences::SetFormHandlers(std::function<void()> onShow,
                                        std::function<void(bool &)> onCloseQuery)
{
    m_formOnShow = std::move(onShow);
    m_formOnCloseQuery = std::move(onCloseQuery);
}

void TVardoPreferences::FormShow()
{
    // Only the first show loads: showing the window again (after a hide) must not reload the
    // store over the changes made since.
    if (!m_hooked || m_loaded) {
        if (auto f = m_formOnShow)
            f();
        return;
    }
    m_loaded = true;
    QCoreApplication::processEvents();
    m_mode = DetectMode();
    OpenStore();
    if (auto f = m_formOnShow)
        f();
    if (auto f = OnLoadPrefs)
        f(*this);
    qCDebug(lcPrefs) << "preferences loaded";
}

void TVardoPreferences::FormCloseQuery(bool &canClose)
{
    if (auto f = m_formOnCloseQuery)
        f(canClose);
    // A window that refuses to close keeps everything as it is: saving now and giving the
    // hooks back would lose the save of the close that comes later.
    if (!canClose || !m_hooked)
        return;
    if (!SettleModeForClose()) {
        canClose = false;
        return;
    }
    if (m_mode != spNone) {
        // A store whose folder cannot be written refuses every value (and then has nothing to
        // commit): that is a failed save too.
        const bool accepted = WriteString(QStringLiteral("Version"), version);
        SaveInfo(version);
        if (auto f = OnSavePrefs)
            f(*this);
        // Commit now: a failed write stays pending and is tried again when the store goes.
        if (!m_store->Flush() || !accepted) {
            const QString text = SaveFailureText();
            qCInfo(lcPrefs).noquote() << "preferences not saved:" << text;
            if (auto f = OnSaveFailed)
                f(text);
        } else {
            qCInfo(lcPrefs) << "preferences saved";
        }
    }
    m_hooked = false;
}

QString TVardoPreferences::SaveFailureText() const
{
    QString file;
    if (const auto *reg = dynamic_cast<const TRegPreferencesMan *>(m_store.get()))
        file = reg->FileName();
    else if (const auto *ini = dynamic_cast<const TIniPreferencesMan *>(m_store.get()))
        file = ini->FileName();
    const QFileInfo info(file);
    const QFileInfo folder(info.absolutePath());
    QString reason = QStringLiteral("erreur d'écriture (disque plein ?)");
    if (!folder.isDir())
        reason = QStringLiteral("le dossier n'existe pas");
    else if (info.exists() && !info.isWritable())
        reason = QStringLiteral("le fichier est protégé en écriture");
    else if (!folder.isWritable())
        reason = QStringLiteral("accès refusé au dossier");
    return QStringLiteral("Impossible d'enregistrer les préférences dans %1 : %2").arg(file, reason);
}

bool TVardoPreferences::SettleModeForClose()
{
    if (!m_hooked || m_mode != spNone || m_modeSettled)
        return true;
    const std::optional<TSavePreferences> chosen =
        m_prompts ? m_prompts->AskSaveMode(QStringLiteral("Enregistrement des préférences de %1").arg(titre))
                  : std::nullopt;
    if (!chosen)
        return false;
    m_modeSettled = true;
    m_mode = *chosen;
    OpenStore();
    return true;
}

bool TVardoPreferences::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_ownerForm) {
        if (event->type() == QEvent::Show && !event->spontaneous()) {
            FormShow();
        } else if (event->type() == QEvent::Close) {
            bool canClose = true;
            FormCloseQuery(canClose);
            if (!canClose) {
                event->ignore();
                return true;
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
