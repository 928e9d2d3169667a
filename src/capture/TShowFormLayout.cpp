// Where everything sits in the main window, and which settings panel is shown.
#include "capture/TShowForm.h"

#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "capture/Tnavframe.h"
#include "playback/TVDBar.h"
#include "playback/TVDImgSpeedButton.h"
#include "playback/TVDSeparator.h"
#include "playback/TVDToolBars.h"
#include "playback/TVideoMan.h"

#include <QFrame>
#include <QLabel>
#include <QSlider>
#include <QStyle>
#include <QToolButton>

#include <algorithm>

TShowFormLayout TShowFormLayout::Compute(int W, int H, bool basculer, bool sliders, QSize navSize,
                                         int intervalHeight, int intervalWidth)
{
    TShowFormLayout l;
    l.LeftFrame = basculer ? W - PanelWidth : 0;
    l.VideoStart = basculer ? 0 : PanelWidth;
    l.VSeparator = QRect(basculer ? l.LeftFrame - 1 : PanelWidth + 1, 54, 2, H - 84);
    l.HSeparator = QRect(0, 29, W, 2);
    l.Title = QRect(0, 30, W, TitleHeight);
    l.Status = QRect(0, H - StatusHeight, W, StatusHeight);
    const int videoTop = HautTop + HautHeight;
    l.Video = QRect(l.VideoStart + 8 + (sliders ? 0 : 11), videoTop, W - 314, H - 238 - intervalHeight);
    l.Haut = QRect(l.Video.x(), HautTop, l.Video.width(), HautHeight);
    l.Nav = QRect(l.Video.x() + (l.Video.width() - navSize.width()) / 2, videoTop + l.Video.height(),
                  navSize.width(), navSize.height());
    // Stacked under the navigation panel, never over it: a panel laid on the navigation row
    // would hide the buttons and take their clicks.
    // As wide as its controls need (at least the navigation panel's width), centred the same.
    if (intervalHeight > 0) {
        const int w = std::min(std::max(navSize.width(), intervalWidth), l.Video.width());
        l.Interval = QRect(l.Video.x() + (l.Video.width() - w) / 2, l.Nav.bottom() + 1, w, intervalHeight);
    }
    l.Panels = QRect(l.LeftFrame, HautTop, PanelWidth, H - 80);
    l.ScnX = W - 30;
    l.SrtX = W - 48;
    l.ModdX = W - 80;
    // Twenty 29-pixel buttons take 580 pixels; a window narrower than that gets no gaps at all.
    l.ToolSeparator = std::max(0, (W - 580) / 4);
    return l;
}

void TShowForm::RunLayout()
{
    const int W = m_client->width();
    const int H = m_client->height();
    const bool interval = intervalloframe && !intervalloframe->isHidden();
    m_layout = TShowFormLayout::Compute(W, H, caBasculerVue->Checked(), caSliders->Checked(),
                                        QSize(Tnavframe::PanelWidth, Tnavframe::PanelHeight),
                                        interval ? TShowFormLayout::IntervalHeight : 0,
                                        intervalloframe ? intervalloframe->minimumSizeHint().width() : 0);
    const TShowFormLayout &l = m_layout;
    iaLeftFrame->SetValue(l.LeftFrame);

    VLine->setGeometry(l.VSeparator);
    HLine->setGeometry(l.HSeparator);
    PanelTitre->setGeometry(l.Title);
    PlaceTitleMarkers();
    panelImage->setGeometry(l.Status);
    ImageLab->setGeometry(4, 0, l.Status.width() - 40, l.Status.height());
    ParentFolderButton->setGeometry(l.Status.width() - 30, 0, 26, l.Status.height());
    videoPanel->setGeometry(l.Video);
    PanelHaut->setGeometry(l.Haut);
    navframe->setGeometry(l.Nav);
    if (interval)
        intervalloframe->setGeometry(l.Interval);
    // Every settings panel gets the column's whole height: their controls lay themselves out in it.
    for (QWidget *w : {ImagetteFrame, SaveImagesFrame, IncrustFrame, DVIncrustFrame})
        if (w)
            w->setGeometry(l.Panels);

    barUnique->setGeometry(0, 0, W, 32);
    for (QWidget *c : barUnique->Controls())
        if (auto *sep = qobject_cast<TVDSeparator *>(c))
            sep->resize(l.ToolSeparator, sep->height());
    barUnique->Layout();

    ReadVideoRect();
    vidman->Repaint();
}

void TShowForm::ReadVideoRect()
{
    vidman->UpdateLayout();
    VideoRect = vidman->WindowDestRect();
    if (!VideoRect.isValid())
        VideoRect = QRect(QPoint(0, 0), videoPanel->size());
    // The overlay position sliders run along the picture, under it and at its right, each
    // longer than the picture by its handle so that the handle's middle meets the picture's
    // edges at 0 and 10000.
    const QRect v = videoPanel->geometry();
    const int inset = Xslider->style()->pixelMetric(QStyle::PM_SliderLength, nullptr, Xslider) / 2;
    const QRect pic = VideoRect.translated(v.topLeft());
    Xslider->setGeometry(pic.left() - inset, pic.bottom() + 1, pic.width() + 2 * inset, 20);
    Yslider->setGeometry(pic.right() + 1, pic.top() - inset, 20, pic.height() + 2 * inset);
    Xslider->raise();
    Yslider->raise();
}

void TShowForm::PlaceTitleMarkers()
{
    const int w = PanelTitre->width();
    const int h = PanelTitre->height();
    EnCoursLab->setGeometry(4, 0, std::max(0, m_layout.ModdX - 8), h);
    moddlab->setGeometry(m_layout.ModdX, 0, 32, h);
    srtlab->setGeometry(m_layout.SrtX, 0, 18, h);
    scnLab->setGeometry(m_layout.ScnX, 0, std::max(0, w - m_layout.ScnX), h);
}

void TShowForm::PlaceHautLabels()
{
    const int p = PanelHaut->width() / 2 - 2;
    const int w = std::max(0, p - 2);
    VideoFormatLab->setGeometry(2, 2, w, 18);
    VideoDecoderLab->setGeometry(2, 20, w, 18);
    AudioFormatLab->setGeometry(p, 2, w, 18);
    AudioDecoderLab->setGeometry(p, 20, w, 18);
}

void TShowForm::ShowPanel(int index)
{
    QWidget *panels[] = {ImagetteFrame, SaveImagesFrame, DVIncrustFrame, IncrustFrame};
    const TNopeAction *buttons[] = {naShowImagette, naShowSaveImages, naShowDVIncrust, naShowIncrust};
    for (QWidget *p : panels)
        if (p)
            p->hide();
    for (int i = 0; i < 4; ++i) {
        TVDImgSpeedButton *b = TVDToolBars::ButtonOf(barUnique, buttons[i]);
        if (i == index) {
            if (panels[i]) {
                panels[i]->show();
                panels[i]->raise();
            }
            if (b)
                b->SetDown(true);
        } else if (b && b->Down() && (index < 0 || index > 3)) {
            b->setChecked(false);
        }
    }
}
