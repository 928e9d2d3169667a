#pragma once
// The two button rows of the main window, built from the actions they are bound to.
//
// The tool bar (barUnique): 32 pixels high across the top of the window, 28-pixel buttons from
// y 2, 29 pixels wide, 12-pixel separators (the window shares its free width among them), images
// only. A button of a check action has a group index of its own and may be all up, so it stays
// down while its action is checked; the four panel buttons (naShowImagette, naShowSaveImages,
// naShowDVIncrust, naShowIncrust) form one group of which one is down, and caOptions and caAbout
// share another that may be all up.
//
// The navigation row: 32 x 32 buttons from y 6, 4 pixels of margin, 8 of spacing, sized to its
// row; its fifth button (play) is 73 pixels wide and shows its action's caption right of the
// image. Nine buttons make a row of 409 x 44.
#include <QList>

class QWidget;
class TCustomAbstractAction;
class TImageList;
class TVDBar;
class TVDImgSpeedButton;

class TVDToolBars
{
public:
    static constexpr int PanelGroup = 100;
    static constexpr int PagesGroup = 101;

    // `entries` left to right; nullptr stands for a separator.
    static TVDBar *CreateMainToolBar(QWidget *parent, const QList<TCustomAbstractAction *> &entries,
                                     TImageList *images = nullptr);
    // The nine navigation actions, left to right (the fifth is play).
    static TVDBar *CreateNavigationRow(QWidget *parent, const QList<TCustomAbstractAction *> &actions,
                                       TImageList *images = nullptr);
    // The button of `action` on `bar`, nullptr when none.
    static TVDImgSpeedButton *ButtonOf(TVDBar *bar, const TCustomAbstractAction *action);
};
