#include "capture/Tnavframe.h"

#include "playback/TTextGauge.h"
#include "playback/TVDBar.h"
#include "playback/TVDToolBars.h"

#include <QLabel>
#include <QLineEdit>
#include <QSlider>

Tnavframe::Tnavframe(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("navframe"));
    resize(PanelWidth, PanelHeight);

    CurrentEdit = new QLineEdit(QStringLiteral("0:00:00:00"), this);
    CurrentEdit->setObjectName(QStringLiteral("CurrentEdit"));
    CurrentEdit->setGeometry(4, 4, 96, 24);
    CurrentEdit->setAlignment(Qt::AlignCenter);

    DurationLab = new QLabel(this);
    DurationLab->setObjectName(QStringLiteral("DurationLab"));
    DurationLab->setGeometry(PanelWidth - 100, 4, 96, 24);
    DurationLab->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    tb = new QSlider(Qt::Horizontal, this);
    tb->setObjectName(QStringLiteral("tb"));
    tb->setGeometry(108, 4, PanelWidth - 216, 24);
    tb->setRange(0, 1000000);
    tb->setPageStep(50000);
    tb->setSingleStep(50000);

    VolumeGauge = new TTextGauge(this);
    VolumeGauge->setObjectName(QStringLiteral("VolumeGauge"));
    VolumeGauge->setGeometry(420, 36, 64, 64);
    VolumeGauge->SetGaugeKind(TGaugeKind::gkNeedle);
    VolumeGauge->SetTextKind(TTextKind::tkPercentDone);
    VolumeGauge->SetMinValue(0);
    VolumeGauge->SetMaxValue(10000);
    VolumeGauge->hide();
}

void Tnavframe::SetNavigationActions(const QList<TCustomAbstractAction *> &actions, TImageList *images)
{
    delete NavRow;
    NavRow = TVDToolBars::CreateNavigationRow(this, actions, images);
    NavRow->move(4, 32);
    NavRow->show();
}
