#include "playback/TVDToolBars.h"

#include "actions/TCheckAction.h"
#include "playback/TVDBar.h"
#include "playback/TVDImgSpeedButton.h"
#include "playback/TVDSeparator.h"

#include <QSet>

TVDBar *TVDToolBars::CreateMainToolBar(QWidget *parent, const QList<TCustomAbstractAction *> &entries,
                                       TImageList *images)
{
    static const QSet<QString> panels{QStringLiteral("naShowImagette"), QStringLiteral("naShowSaveImages"),
                                      QStringLiteral("naShowDVIncrust"), QStringLiteral("naShowIncrust")};
    static const QSet<QString> pages{QStringLiteral("caOptions"), QStringLiteral("caAbout")};

    auto *bar = new TVDBar(parent);
    bar->setObjectName(QStringLiteral("barUnique"));
    bar->resize(bar->width(), 32);
    bar->SetButtonHeight(28);
    bar->SetButtonWidth(29);
    bar->SetButtonTop(2);
    int nextGroup = 1;
    // A new child joins the end of the row: entry order is row order.
    for (TCustomAbstractAction *a : entries) {
        if (!a) {
            auto *sep = new TVDSeparator(bar);
            sep->resize(12, 28);
        } else {
            auto *b = new TVDImgSpeedButton(bar);
            b->setObjectName(QStringLiteral("btn_") + a->objectName());
            b->resize(29, 28);
            b->SetImages(images);
            const QString id = a->InternalId().isEmpty() ? a->objectName() : a->InternalId();
            if (panels.contains(id)) {
                b->SetGroupIndex(PanelGroup);
            } else if (pages.contains(id)) {
                b->SetGroupIndex(PagesGroup);
                b->SetAllowAllUp(true);
            } else if (qobject_cast<TCheckAction *>(a)) {
                b->SetGroupIndex(nextGroup++);
                b->SetAllowAllUp(true);
            }
            b->SetAction(a);
        }
    }
    bar->Realign();
    return bar;
}

TVDBar *TVDToolBars::CreateNavigationRow(QWidget *parent, const QList<TCustomAbstractAction *> &actions,
                                         TImageList *images)
{
    auto *bar = new TVDBar(parent);
    bar->setObjectName(QStringLiteral("navigationRow"));
    bar->SetButtonHeight(32);
    bar->SetButtonWidth(32);
    bar->SetButtonTop(6);
    bar->SetButtonMargin(4);
    bar->SetButtonSpacing(8);
    bar->SetAutosize(true);
    for (qsizetype i = 0; i < actions.size(); ++i) {
        auto *b = new TVDImgSpeedButton(bar);
        b->SetImages(images);
        if (i == 4) {
            b->resize(73, 32);
            b->SetLinkCaption(true);
        } else {
            b->resize(32, 32);
        }
        b->SetAction(actions[i]);
        if (actions[i])
            b->setObjectName(QStringLiteral("btn_") + actions[i]->objectName());
    }
    bar->Realign();
    return bar;
}

TVDImgSpeedButton *TVDToolBars::ButtonOf(TVDBar *bar, const TCustomAbstractAction *action)
{
    if (!bar)
        return nullptr;
    for (QWidget *w : bar->Controls())
        if (auto *b = qobject_cast<TVDImgSpeedButton *>(w); b && b->Action() == action)
            return b;
    return nullptr;
}
