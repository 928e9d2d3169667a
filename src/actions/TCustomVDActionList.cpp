#include "actions/TCustomVDActionList.h"

#include "actions/IScriptHost.h"
#include "actions/TCustomAbstractAction.h"
#include "actions/TVDSwitch.h"
#include "core/FramixLog.h"
#include "widgets/TImageList.h"

#include <QAction>

TCustomVDActionList::TCustomVDActionList(QObject *parent) : QObject(parent)
{}

TCustomVDActionList::~TCustomVDActionList()
{
    if (m_switch)
        m_switch->UnregisterList(this);
    if (m_script)
        m_script->RemoveDestroyedWatcher(m_scriptWatcher);
    // The handler left in the script's chain only calls the one it replaced from now on.
    const QList<QAction *> actions = m_actions;
    for (QAction *a : actions) {
        disconnect(a, nullptr, this, nullptr);
        if (auto *t = dynamic_cast<TCustomAbstractAction *>(a); t && t->ActionList() == this)
            t->SetActionList(nullptr);
    }
}

QList<TCustomAbstractAction *> TCustomVDActionList::TypedActions() const
{
    QList<TCustomAbstractAction *> out;
    for (QAction *a : m_actions)
        if (auto *t = dynamic_cast<TCustomAbstractAction *>(a))
            out.append(t);
    return out;
}

void TCustomVDActionList::AddAction(QAction *action)
{
    if (!action || m_actions.contains(action))
        return;
    m_actions.append(action);
    // A plain QAction leaves the list when destroyed; a typed one removes itself earlier.
    connect(action, &QObject::destroyed, this, [this, action] { m_actions.removeAll(action); });
}

void TCustomVDActionList::RemoveAction(QAction *action)
{
    if (m_actions.removeAll(action))
        disconnect(action, &QObject::destroyed, this, nullptr);
}

void TCustomVDActionList::SetImages(TImageList *images)
{
    m_images = images;
    for (TCustomAbstractAction *a : TypedActions())
        a->setIcon(images ? images->Icon(a->ImageIndex()) : QIcon());
}

TCustomAbstractAction *TCustomVDActionList::FindByInternalId(const QString &id) const
{
    for (QAction *a : m_actions)
        if (auto *t = dynamic_cast<TCustomAbstractAction *>(a); t && t->InternalId() == id)
            return t;
    return nullptr;
}

bool TCustomVDActionList::LoadFromPrefs(TVardoPreferences &gp)
{
    bool result = true;
    try {
        // A handler may add or remove actions: work on a snapshot, skipping the departed.
        const QList<QPointer<QAction>> snapshot(m_actions.begin(), m_actions.end());
        for (const QPointer<QAction> &p : snapshot) {
            auto *t = dynamic_cast<TCustomAbstractAction *>(p.data());
            if (t && t->IncludePrefs() && !t->LoadFromPrefs(gp))
                result = false;
        }
        if (auto f = OnLoadFromPrefs; f && !f(gp))
            result = false;
    } catch (...) {
        // OnLoadFromPrefs is the application's; an action's own handlers are caught by the action.
        qCWarning(lcActions).noquote()
            << "loading the list" << objectName() << "from the preferences:" << currentExceptionText();
        return false;
    }
    return result;
}

bool TCustomVDActionList::SaveToPrefs(TVardoPreferences &gp)
{
    bool result = true;
    try {
        const QList<QPointer<QAction>> snapshot(m_actions.begin(), m_actions.end());
        for (const QPointer<QAction> &p : snapshot) {
            auto *t = dynamic_cast<TCustomAbstractAction *>(p.data());
            if (t && t->IncludePrefs() && !t->SaveToPrefs(gp))
                result = false;
        }
        if (auto f = OnSaveToPrefs; f && !f(gp))
            result = false;
    } catch (...) {
        qCWarning(lcActions).noquote()
            << "saving the list" << objectName() << "to the preferences:" << currentExceptionText();
        return false;
    }
    return result;
}

void TCustomVDActionList::ForgetScript()
{
    m_script = nullptr;
    m_scriptWatcher = 0;
    m_savedCompile = nullptr;
}

void TCustomVDActionList::SetPascalScript(IScriptHost *script)
{
    if (script == m_script)
        return;
    if (m_script) {
        m_script->RemoveDestroyedWatcher(m_scriptWatcher);
        if (!script)
            m_script->SetOnCompile(m_savedCompile);
        ForgetScript();
    }
    if (!script)
        return;
    m_script = script;
    m_savedCompile = script->OnCompile();
    // The handler keeps its own copy of the one it replaced, so the chain below it survives
    // this list's destruction; the list's own part is skipped once the list is gone.
    QPointer<TCustomVDActionList> self(this);
    auto saved = m_savedCompile;
    script->SetOnCompile([self, saved](IScriptHost &sender) {
        if (saved)
            saved(sender);
        if (self)
            self->AddActionsToScript(sender);
    });
    m_scriptWatcher = script->AddDestroyedWatcher([self] {
        if (self)
            self->ForgetScript();
    });
}

void TCustomVDActionList::AddActionsToScript(IScriptHost &script)
{
    const QList<QPointer<QAction>> snapshot(m_actions.begin(), m_actions.end());
    for (const QPointer<QAction> &p : snapshot)
        if (auto *t = dynamic_cast<TCustomAbstractAction *>(p.data()))
            t->AddToScript(script);
}

TVDSwitch *TCustomVDActionList::Switch() const
{
    return m_switch.data();
}

TImageList *TCustomVDActionList::Images() const
{
    return m_images.data();
}

void TCustomVDActionList::SetSwitch(TVDSwitch *sw)
{
    if (sw == m_switch)
        return;
    if (m_switch)
        m_switch->UnregisterList(this);
    m_switch = sw;
    if (sw)
        sw->RegisterList(this);
}
