#pragma once
// A flat image button bound to a typed action: it shows the action's image (from its own image
// list, else from the action list's), hint, enabled state and visibility, and follows every
// change of the action, a check action's switch between its two faces included. A button with a
// group index shows the action's checked state as its down state; buttons of one parent that
// share a group index are exclusive (at most one down), and with AllowAllUp false a click on
// the down button leaves it down. Clicking executes the action.
//
// Caption: with LinkCaption the button shows the action's caption; without it, its own caption
// (remembered the first time an action is assigned, or set with SetCaption). A button without a
// caption shows its image only; with one, the image sits left of the text.
//
// Main thread only. The button does not own its action; the link ends when either goes.
#include "actions/TCustomAbstractAction.h"
#include "widgets/TImageList.h"

#include <QMetaObject>
#include <QPointer>
#include <QToolButton>

class TVDImgSpeedButton : public QToolButton
{
    Q_OBJECT
public:
    explicit TVDImgSpeedButton(QWidget *parent = nullptr);
    ~TVDImgSpeedButton() override;

    TCustomAbstractAction *Action() const { return m_action; }
    // What the button's tooltip says of a: its hint (else its caption) and its keys.
    static QString ToolTipOf(const TCustomAbstractAction *a);
    // Binds the button (nullptr releases the link).
    void SetAction(TCustomAbstractAction *action);

    bool LinkCaption() const { return m_linkCaption; }
    void SetLinkCaption(bool link);

    // The button's own caption, shown when the caption is not linked.
    QString OwnCaption() const { return m_ownCaption; }
    void SetCaption(const QString &caption);

    // Images drawn by the button; none: those of the action's list.
    TImageList *Images() const { return m_images; }
    void SetImages(TImageList *images);
    int ImageIndex() const { return m_imageIndex; }

    int GroupIndex() const { return m_groupIndex; }
    void SetGroupIndex(int index);
    bool AllowAllUp() const { return m_allowAllUp; }
    void SetAllowAllUp(bool allow);
    bool Down() const { return isChecked(); }
    // Pressing a grouped button releases the others of its group.
    void SetDown(bool down);

    // Copies the action's face and state (run at every change of the action).
    void UpdateFromAction();

protected:
    void nextCheckState() override;

private:
    void ApplyCaption(const QString &text);
    void Release();

    QPointer<TCustomAbstractAction> m_action;
    QMetaObject::Connection m_changed;
    QPointer<TImageList> m_images;
    int m_imageIndex = -1;
    bool m_linkCaption = false;
    bool m_ownCaptionSaved = false;
    QString m_ownCaption;
    int m_groupIndex = 0;
    bool m_allowAllUp = false;
};
