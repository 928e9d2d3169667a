#include "playback/TVDImgSpeedButton.h"

#include "actions/TCustomAbstractAction.h"
#include "actions/TCustomVDActionList.h"
#include "widgets/TImageList.h"

#include <QRegularExpression>

TVDImgSpeedButton::TVDImgSpeedButton(QWidget *parent) : QToolButton(parent)
{
    setAutoRaise(true); // flat, raised under the mouse: the speed-button look
    setToolButtonStyle(Qt::ToolButtonIconOnly);
    setIconSize(QSize(24, 24));
    setFocusPolicy(Qt::NoFocus);
    connect(this, &QAbstractButton::clicked, this, [this] {
        // QAction::trigger runs the action's execute handler (PrepareAndApply).
        if (m_action && m_action->isEnabled())
            m_action->trigger();
    });
}

TVDImgSpeedButton::~TVDImgSpeedButton()
{
    Release();
}

void TVDImgSpeedButton::Release()
{
    if (m_changed)
        disconnect(m_changed);
    m_changed = {};
    m_action = nullptr;
}

void TVDImgSpeedButton::SetAction(TCustomAbstractAction *action)
{
    if (action == m_action)
        return;
    Release();
    if (!action)
        return;
    if (!m_ownCaptionSaved) {
        m_ownCaption = text();
        m_ownCaptionSaved = true;
    }
    m_action = action;
    // QAction::changed covers caption, hint, icon, enabled, visible and checked.
    m_changed = connect(action, &QAction::changed, this, &TVDImgSpeedButton::UpdateFromAction);
    connect(action, &QObject::destroyed, this, [this] { Release(); });
    UpdateFromAction();
}

void TVDImgSpeedButton::UpdateFromAction()
{
    TCustomAbstractAction *a = m_action;
    if (!a)
        return;
    m_imageIndex = a->ImageIndex();
    TImageList *images = m_images ? m_images.data() : (a->ActionList() ? a->ActionList()->Images() : nullptr);
    setIcon(images ? images->Icon(m_imageIndex) : QIcon());
    setToolTip(ToolTipOf(a));
    setStatusTip(a->Hint());
    setEnabled(a->isEnabled());
    setVisible(a->isVisible());
    // A command without a state leaves the down state to the owner (radio rows of panels).
    if (m_groupIndex > 0 && a->isCheckable())
        SetDown(a->isChecked());
    ApplyCaption(m_linkCaption ? a->Caption() : m_ownCaption);
}

QString TVDImgSpeedButton::ToolTipOf(const TCustomAbstractAction *a)
{
    if (!a)
        return QString();
    // The hint, else the caption without its accelerator mark, then the keys that run it.
    QString text = a->Hint();
    if (text.isEmpty())
        text = QString(a->Caption()).remove(QRegularExpression(QStringLiteral("&(?!&)")));
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    QStringList keys;
    for (const QKeySequence &k : a->shortcuts())
        if (!k.isEmpty())
            keys << k.toString(QKeySequence::NativeText);
    if (keys.isEmpty())
        return text;
    return text + QStringLiteral(" (") + keys.join(QStringLiteral(", ")) + u')';
}

void TVDImgSpeedButton::ApplyCaption(const QString &caption)
{
    setText(caption);
    setToolButtonStyle(caption.isEmpty() ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
}

void TVDImgSpeedButton::SetLinkCaption(bool link)
{
    if (link == m_linkCaption)
        return;
    m_linkCaption = link;
    ApplyCaption(link && m_action ? m_action->Caption() : m_ownCaption);
}

void TVDImgSpeedButton::SetCaption(const QString &caption)
{
    m_ownCaption = caption;
    m_ownCaptionSaved = true;
    if (!m_linkCaption || !m_action)
        ApplyCaption(caption);
}

void TVDImgSpeedButton::SetImages(TImageList *images)
{
    m_images = images;
    if (m_action)
        UpdateFromAction();
    else if (images)
        setIcon(images->Icon(m_imageIndex));
}

void TVDImgSpeedButton::SetGroupIndex(int index)
{
    m_groupIndex = index;
    setCheckable(index > 0);
    if (m_action)
        UpdateFromAction();
}

void TVDImgSpeedButton::SetAllowAllUp(bool allow)
{
    m_allowAllUp = allow;
}

void TVDImgSpeedButton::SetDown(bool down)
{
    if (m_groupIndex <= 0) {
        setChecked(false);
        return;
    }
    if (down && parentWidget()) {
        const auto siblings = parentWidget()->findChildren<TVDImgSpeedButton *>(Qt::FindDirectChildrenOnly);
        for (TVDImgSpeedButton *b : siblings)
            if (b != this && b->m_groupIndex == m_groupIndex && b->isChecked())
                b->setChecked(false);
    }
    setChecked(down);
}

void TVDImgSpeedButton::nextCheckState()
{
    // A click presses a grouped button; it releases it only when the group may be all up.
    // The action, executed right after, may set the down state again from its checked state.
    if (!isChecked())
        SetDown(true);
    else if (m_allowAllUp)
        SetDown(false);
}
