// The settings panels of the main window. Those whose controls are not built yet are empty
// frames of the right size and place; their owners replace them here.
#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TGrabber.h"
#include "capture/TOptionsFrame.h"
#include "capture/TShowForm.h"
#include "capture/Tintervalloframe.h"
#include "playback/TNavMan.h"
#include "shell/TVDAppliMan.h"

#include <QFrame>

namespace {

QWidget *EmptyPanel(QWidget *client, const QString &name)
{
    auto *f = new QFrame(client);
    f->setObjectName(name);
    f->setFrameShape(QFrame::StyledPanel);
    f->resize(TShowFormLayout::PanelWidth, 400);
    f->hide();
    return f;
}

} // namespace

void TShowForm::CreatePanels(QWidget *client)
{
    intervalloframe = new Tintervalloframe(client);
    intervalloframe->hide();
    intervalloframe->installEventFilter(this);
    SaveImagesFrame = EmptyPanel(client, QStringLiteral("SaveImagesFrame"));
    ImagetteFrame = EmptyPanel(client, QStringLiteral("ImagetteFrame"));
    DVIncrustFrame = EmptyPanel(client, QStringLiteral("DVIncrustFrame"));
    IncrustFrame = EmptyPanel(client, QStringLiteral("IncrustFrame"));
}

void TShowForm::CreateOptionsPage()
{
    if (OptionsFrame)
        return;
    // The script folder and the keep-script flag belong to the script window's wiring, which may
    // or may not have made them: they are looked up by name now, and their fields stay disabled
    // without them.
    TOptionsActions a;
    a.baRAZWhenOpenFile = m_grabber->baRAZWhenOpenFile;
    a.baSauverQuandClic = m_grabber->baSauverQuandClic;
    a.baConfirmerImage = m_grabber->baConfirmerImage;
    a.baImageMetadata = m_grabber->baImageMetadata;
    a.waDossierScripts = dynamic_cast<TWidestringAction *>(FindAction(QStringLiteral("waDossierScripts")));
    a.caConserverScript = dynamic_cast<TCheckAction *>(FindAction(QStringLiteral("caConserverScript")));
    a.baUsePrivateFilters = baUsePrivateFilters;
    a.waPrivateFolder = waPrivateFolder;
    a.caSeekPrecision = NavMan->caSeekPrecision;
    a.iaSeekPrepos = NavMan->iaSeekPrepos;
    a.iaFrameCache = NavMan->iaFrameCache;
    OptionsFrame = new TOptionsFrame(gp, a);
    OptionsFrame->ChooseFolder = [this](const QString &title, const QString &current) {
        return m_prompts.ChooseFolder(title, current);
    };
    am->SetOptionsFrame(OptionsFrame);
}
