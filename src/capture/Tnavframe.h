#pragma once
// The navigation panel under the video: the position field (Enter seeks to the typed position,
// "0:00:00:00" before a video), the position slider, the duration label, the volume gauge
// (needle, 0 to 10000 shown as a percentage, hidden without audio) and the row of the nine
// navigation buttons. The navigation and audio managers drive the field, the slider and the
// gauge; the panel itself keeps no state. Main thread only.
#include <QFrame>
#include <QList>

class QLabel;
class QLineEdit;
class QSlider;
class TCustomAbstractAction;
class TImageList;
class TTextGauge;
class TVDBar;

class Tnavframe : public QFrame
{
    Q_OBJECT
public:
    static constexpr int PanelWidth = 488;
    static constexpr int PanelHeight = 104;

    explicit Tnavframe(QWidget *parent = nullptr);

    // Builds the button row from the nine navigation actions, left to right (the fifth is play).
    void SetNavigationActions(const QList<TCustomAbstractAction *> &actions, TImageList *images);

    QLineEdit *CurrentEdit = nullptr;
    QSlider *tb = nullptr;
    QLabel *DurationLab = nullptr;
    TTextGauge *VolumeGauge = nullptr;
    TVDBar *NavRow = nullptr;
};
