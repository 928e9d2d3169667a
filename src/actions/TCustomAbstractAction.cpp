#include "actions/TCustomAbstractAction.h"

#include "actions/TCustomVDActionList.h"
#include "widgets/TImageList.h"

#include <QSignalBlocker>
#include <QWidget>

QStringList *TCustomAbstractAction::MacroLines = nullptr;
std::function<void(const QString &line)> TCustomAbstractAction::MacroLineAdded;
bool TCustomAbstractAction::MacroNested = false;

QObject *TCustomAbstractAction::OwnerScope(QObject *owner)
{
    QObject *o = owner;
    while (o) {
        if (auto *w = qobject_cast<QWidget *>(o); w && w->isWindow())
            return o;
        if (o->property("vdOwnerScope").toBool())
            return o;
        if (!o->parent())
            return o;
        o = o->parent();
    }
    return nullptr;
}

TCustomAbstractAction::TCustomAbstractAction(QObject *owner) : QAction(OwnerScope(owner))
{
    Init();
}

TCustomAbstractAction::TCustomAbstractAction(const QString &internalId, TCustomVDActionList *list)
    : QAction(OwnerScope(list))
{
    Init();
    m_internalId = internalId;
    m_category = QStringLiteral("internal");
    SetActionList(list);
}

TCustomAbstractAction::~TCustomAbstractAction()
{
    if (m_actionList)
        m_actionList->RemoveAction(this);
}

void TCustomAbstractAction::Init()
{
    // Menus, buttons and shortcuts all arrive here. A checkable action without AutoCheck
    // keeps its state: Qt has already toggled it, so it is put back before executing.
    connect(this, &QAction::triggered, this, [this](bool checked) {
        if (isCheckable() && !m_autoCheck) {
            QSignalBlocker block(this);
            QAction::setChecked(!checked);
        }
        PrepareAndApply();
    });
}

void TCustomAbstractAction::SetName(const QString &name)
{
    const QString old = objectName();
    if (name == old)
        return;
    QString candidate = name;
    if (QObject *owner = parent(); owner && !name.isEmpty()) {
        auto used = [&](const QString &n) {
            const auto found = owner->findChildren<QObject *>(n);
            for (QObject *o : found)
                if (o != this)
                    return true;
            return owner->objectName() == n;
        };
        for (int i = 2; used(candidate) || used(candidate + u'_'); ++i)
            candidate = name + QString::number(i);
    }
    setObjectName(candidate);
    // The caption and the script name follow the name while they are derived from it.
    const QString oldWord = old.mid(2);
    const QString newWord = candidate.mid(2);
    if (Caption() == oldWord)
        SetCaption(newWord);
    if (m_scriptName == oldWord)
        m_scriptName = newWord;
    if (!m_internalId.isEmpty() && m_internalId == old)
        m_internalId = candidate;
}

void TCustomAbstractAction::SetHint(const QString &hint)
{
    m_hint = hint;
    setToolTip(hint);
    setStatusTip(hint);
}

void TCustomAbstractAction::SetImageIndex(int index)
{
    if (index == m_imageIndex)
        return;
    m_imageIndex = index;
    UpdateIcon();
    if (m_actionList && OnImageChanged)
        OnImageChanged(m_actionList->Images(), index);
}

void TCustomAbstractAction::UpdateIcon()
{
    TImageList *images = m_actionList ? m_actionList->Images() : nullptr;
    setIcon(images ? images->Icon(m_imageIndex) : QIcon());
}

void TCustomAbstractAction::SetShortCut(const QKeySequence &shortCut)
{
    m_shortCut = shortCut;
    ApplyShortcuts();
}

void TCustomAbstractAction::SetSecondaryShortcuts(const QList<QKeySequence> &shortcuts)
{
    m_secondary = shortcuts;
    ApplyShortcuts();
}

void TCustomAbstractAction::ApplyShortcuts()
{
    QList<QKeySequence> all;
    if (!m_shortCut.isEmpty())
        all.append(m_shortCut);
    for (const QKeySequence &k : m_secondary)
        if (!k.isEmpty())
            all.append(k);
    setShortcuts(all);
}

void TCustomAbstractAction::SetAutoCheck(bool autoCheck)
{
    m_autoCheck = autoCheck;
    if (autoCheck)
        setCheckable(true);
}

TCustomVDActionList *TCustomAbstractAction::ActionList() const
{
    return m_actionList.data();
}

void TCustomAbstractAction::SetActionList(TCustomVDActionList *list)
{
    if (list == m_actionList)
        return;
    if (m_actionList)
        m_actionList->RemoveAction(this);
    m_actionList = list;
    if (list)
        list->AddAction(this);
    UpdateIcon();
}

void TCustomAbstractAction::ResetBindings()
{
    m_category.clear();
    m_scriptName.clear();
    m_shortCut = QKeySequence();
    m_secondary.clear();
    ApplyShortcuts();
}

QString TCustomAbstractAction::TakeVariables(const QString &def)
{
    if (m_variables.isEmpty())
        m_variables = def;
    return m_variables;
}

void TCustomAbstractAction::MacroScope::Enter(const QString &line, bool record)
{
    if (m_owns || !Recording())
        return;
    MacroNested = true;
    m_owns = true;
    if (record) {
        MacroLines->append(line);
        if (auto f = MacroLineAdded)
            f(line);
    }
}

TCustomAbstractAction::MacroScope::~MacroScope()
{
    if (m_owns)
        MacroNested = false;
}

namespace TScriptArgs {

std::int64_t ToInt(const TScriptValue &v)
{
    if (auto p = std::get_if<std::int64_t>(&v))
        return *p;
    if (auto p = std::get_if<double>(&v))
        return static_cast<std::int64_t>(*p);
    if (auto p = std::get_if<bool>(&v))
        return *p ? 1 : 0;
    if (auto p = std::get_if<QString>(&v))
        return p->toLongLong();
    return 0;
}

double ToDouble(const TScriptValue &v)
{
    if (auto p = std::get_if<double>(&v))
        return *p;
    if (auto p = std::get_if<std::int64_t>(&v))
        return static_cast<double>(*p);
    if (auto p = std::get_if<bool>(&v))
        return *p ? 1.0 : 0.0;
    if (auto p = std::get_if<QString>(&v))
        return p->toDouble();
    return 0.0;
}

bool ToBool(const TScriptValue &v)
{
    if (auto p = std::get_if<bool>(&v))
        return *p;
    if (auto p = std::get_if<std::int64_t>(&v))
        return *p != 0;
    if (auto p = std::get_if<double>(&v))
        return *p != 0.0;
    if (auto p = std::get_if<QString>(&v))
        return p->compare(u"true", Qt::CaseInsensitive) == 0;
    return false;
}

QString ToString(const TScriptValue &v)
{
    if (auto p = std::get_if<QString>(&v))
        return *p;
    if (auto p = std::get_if<std::int64_t>(&v))
        return QString::number(*p);
    if (auto p = std::get_if<double>(&v))
        return QString::number(*p, 'g', 15);
    if (auto p = std::get_if<bool>(&v))
        return *p ? QStringLiteral("True") : QStringLiteral("False");
    return {};
}

} // namespace TScriptArgs

bool TCustomAbstractAction::AcceptsText(const QString &, QString *) const
{
    return true;
}
