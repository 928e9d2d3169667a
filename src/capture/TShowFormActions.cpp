// The main window's own actions (gpal): settings panels, layout, abort, private filters, and
// the overlay entries that the menus show.
#include "capture/TShowForm.h"

#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TCustomVDActionList.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TIntervalCapture.h"
#include "capture/Tnavframe.h"
#include "core/IPromptService.h"
#include "media/TMediaFactory.h"
#include "media/TPrivateFilters.h"
#include "playback/TAudioMan.h"
#include "playback/TVDBar.h"
#include "playback/TVDImgSpeedButton.h"
#include "playback/TVDToolBars.h"
#include "playback/TVideoMan.h"
#include "script/TVDScript.h"
#include "widgets/TVDIcons.h"

#include <QFileInfo>
#include <QSlider>

#include <algorithm>

namespace {

template <class A>
A *MakeAction(TShowForm *owner, TCustomVDActionList *list, const QString &name, const QString &category,
              const QString &scriptName, const QString &sw, const QString &shortcut)
{
    auto *a = new A(owner);
    a->SetName(name);
    a->SetCategory(category);
    a->SetScriptName(scriptName);
    a->SetSwitch(sw);
    a->SetShortCut(QKeySequence(shortcut));
    a->SetIncludePrefs(true);
    a->SetActionList(list);
    return a;
}

void Face(TCustomAbstractAction *a, const QString &caption, const QString &hint, int image = -1)
{
    a->SetCaption(caption);
    a->SetHint(hint);
    a->SetImageIndex(image);
}

} // namespace

void TShowForm::CreateWindowActions()
{
    const QString ui = QStringLiteral("cat_UI");
    const QString vardo = QStringLiteral("cat_Vardo");
    const QString incruster = QStringLiteral("cat_Incruster");
    const QString insert = QStringLiteral("cat_Insert");

    iaPanneauActif =
        MakeAction<TIntegerAction>(this, gpal, QStringLiteral("iaPanneauActif"), ui,
                                   QStringLiteral("PanneauActif"), QStringLiteral("ap"), QString());
    iaPanneauActif->SetApplyWhenLoad(true);
    iaPanneauActif->SetDefaultValue(0);
    Face(iaPanneauActif, QStringLiteral("PanneauActif"),
         QStringLiteral("Panneau de réglages affiché (0 imagette, 1 images, 2 date DV, 3 incrustation)"));

    naShowImagette = MakeAction<TNopeAction>(this, gpal, QStringLiteral("naShowImagette"), ui,
                                             QStringLiteral("ShowImagette"), QStringLiteral("shExtr"),
                                             QStringLiteral("F2"));
    Face(naShowImagette, QStringLiteral("Imagette"),
         QStringLiteral("Afficher l'imagette de la dernière capture"), TVDIcons::imgImagette);
    naShowSaveImages = MakeAction<TNopeAction>(this, gpal, QStringLiteral("naShowSaveImages"), ui,
                                               QStringLiteral("ShowSaveImages"), QStringLiteral("shSav"),
                                               QStringLiteral("F3"));
    Face(naShowSaveImages, QStringLiteral("Enregistrement des images"),
         QStringLiteral("Afficher les réglages d'enregistrement des images"), TVDIcons::imgSaveImages);
    naShowDVIncrust = MakeAction<TNopeAction>(this, gpal, QStringLiteral("naShowDVIncrust"), ui,
                                              QStringLiteral("ShowDVIncrust"), QStringLiteral("shDV"),
                                              QStringLiteral("F4"));
    Face(naShowDVIncrust, QStringLiteral("Date DV"), QStringLiteral("Afficher les réglages de la date DV"),
         TVDIcons::imgDVIncrust);
    naShowIncrust =
        MakeAction<TNopeAction>(this, gpal, QStringLiteral("naShowIncrust"), ui,
                                QStringLiteral("ShowIncrust"), QStringLiteral("ShIn"), QStringLiteral("F6"));
    Face(naShowIncrust, QStringLiteral("Incrustation"),
         QStringLiteral("Afficher les réglages de l'incrustation"), TVDIcons::imgIncrust);

    iaLeftFrame = MakeAction<TIntegerAction>(this, gpal, QStringLiteral("iaLeftFrame"), vardo,
                                             QStringLiteral("LeftFrame"), QStringLiteral("lf"), QString());
    Face(iaLeftFrame, QStringLiteral("LeftFrame"),
         QStringLiteral("Position horizontale des panneaux de réglages"));

    caBasculerVue = MakeAction<TCheckAction>(this, gpal, QStringLiteral("caBasculerVue"), vardo,
                                             QStringLiteral("BasculerVue"), QStringLiteral("bw"),
                                             QStringLiteral("Alt+W"));
    // Checked: the video is on the left, so the command offers to move it to the right.
    caBasculerVue->SetTrueCaption(QStringLiteral("Mettre la Vidéo à droite"));
    caBasculerVue->SetFalseCaption(QStringLiteral("Mettre la Vidéo à Gauche"));
    caBasculerVue->SetTrueHint(QStringLiteral("Mettre la vidéo à droite et les panneaux à gauche"));
    caBasculerVue->SetFalseHint(QStringLiteral("Mettre la vidéo à gauche et les panneaux à droite"));
    caBasculerVue->SetApplyWhenLoad(true);
    caBasculerVue->SetDefaultValue(false);

    naAbort = MakeAction<TNopeAction>(this, gpal, QStringLiteral("naAbort"), vardo, QStringLiteral("Abort"),
                                      QStringLiteral("a"), QStringLiteral("Esc"));
    Face(naAbort, QStringLiteral("Abandon"),
         QStringLiteral("Arrêter l'intervallomètre ou le script en cours et quitter le plein écran"));

    baUsePrivateFilters =
        MakeAction<TBooleanAction>(this, gpal, QStringLiteral("baUsePrivateFilters"), vardo,
                                   QStringLiteral("UsePrivateFilters"), QStringLiteral("priv"), QString());
    Face(baUsePrivateFilters, QStringLiteral("Utiliser les filtres privés"),
         QStringLiteral("Préférer les décodeurs du dossier des filtres privés"));
    baUsePrivateFilters->SetApplyWhenLoad(true);
    baUsePrivateFilters->SetDefaultValue(true);

    waPrivateFolder =
        MakeAction<TWidestringAction>(this, gpal, QStringLiteral("waPrivateFolder"), vardo,
                                      QStringLiteral("waLAVFolder"), QStringLiteral("privf"), QString());
    Face(waPrivateFolder, QStringLiteral("Dossier des filtres privés"),
         QStringLiteral("Dossier des modules et des réglages des filtres privés"));
    waPrivateFolder->SetApplyWhenLoad(true);
    QString privateDefault = TPrivateFilters::DefaultFolder();
    if (!privateDefault.endsWith(u'/'))
        privateDefault += u'/';
    waPrivateFolder->SetDefaultValue(privateDefault);

    // Overlay entries shown by the menus; what they insert comes with the overlay work.
    caSliders =
        MakeAction<TCheckAction>(this, gpal, QStringLiteral("caSliders"), incruster,
                                 QStringLiteral("Sliders"), QStringLiteral("isl"), QStringLiteral("Ctrl+L"));
    caSliders->SetTrueCaption(QStringLiteral("Masquer les curseurs de position"));
    caSliders->SetFalseCaption(QStringLiteral("Afficher les curseurs de position"));
    caSliders->SetTrueHint(QStringLiteral("Masquer les curseurs de position de l'incrustation"));
    caSliders->SetFalseHint(QStringLiteral("Placer l'incrustation avec deux curseurs le long de l'image"));
    caSliders->SetApplyWhenLoad(true);
    caSliders->SetDefaultValue(false);

    struct InsertDef
    {
        TNopeAction **field;
        const char *name;
        const char *sw;
        const char *key;
        const char *caption;
    };
    const InsertDef inserts[] = {
        {&naInsertTimestamp, "InsertTimestamp", "is", "Ctrl+S", "Incruster le timestamp"},
        {&naInsertNumero, "InsertNumero", "in", "Ctrl+N", "Incruster le numéro"},
        {&naInsertTimecode, "InsertTimecode", "it", "Ctrl+T", "Incruster le timecode DV"},
        {&naInsertDatecode, "InsertDatecode", "id", "Ctrl+D", "Incruster la date DV"},
        {&naInsertPerso, "InsertPerso", "ip", "Ctrl+P", "Incruster le texte perso"},
        {&naInsertSysdateTime, "InsertSysdateTime", "ir", "Ctrl+R", "Incruster la date système"},
    };
    for (const InsertDef &d : inserts) {
        const QString script = QString::fromLatin1(d.name);
        *d.field = MakeAction<TNopeAction>(this, gpal, QStringLiteral("na") + script, insert, script,
                                           QString::fromLatin1(d.sw), QString::fromLatin1(d.key));
        Face(*d.field, QString::fromUtf8(d.caption), QString::fromUtf8(d.caption));
    }
}

void TShowForm::ConnectWindowActions()
{
    iaPanneauActif->InternalApply = [this](const int &v) { ShowPanel(v); };
    iaPanneauActif->InternalBeforeSave = [this](int &v) {
        const TNopeAction *buttons[] = {naShowImagette, naShowSaveImages, naShowDVIncrust, naShowIncrust};
        for (int i = 0; i < 4; ++i)
            if (TVDImgSpeedButton *b = TVDToolBars::ButtonOf(barUnique, buttons[i]); b && b->Down()) {
                v = i;
                return true;
            }
        return true;
    };
    naShowImagette->InternalApply = [this] { iaPanneauActif->SetValue(0); };
    naShowSaveImages->InternalApply = [this] { iaPanneauActif->SetValue(1); };
    naShowDVIncrust->InternalApply = [this] { iaPanneauActif->SetValue(2); };
    naShowIncrust->InternalApply = [this] { iaPanneauActif->SetValue(3); };

    // The panels move within the window: a script may type any number, and a widget placed
    // billions of pixels away has a rectangle that no longer fits in an int.
    iaLeftFrame->InternalApply = [this](const int &x) {
        const int left = std::clamp(x, 0, std::max(0, width()));
        for (QWidget *w : {ImagetteFrame, SaveImagesFrame, IncrustFrame, DVIncrustFrame})
            if (w)
                w->move(left, w->y());
    };
    caBasculerVue->InternalTrueApply = [this] { RunLayout(); };
    caBasculerVue->InternalFalseApply = [this] { RunLayout(); };

    naAbort->InternalApply = [this] {
        StopRequested = true;
        if (m_script && m_script->IsRunning())
            m_script->Abort();
        if (vidman->caFullscreen->Checked())
            vidman->caFullscreen->SetChecked(false);
    };

    baUsePrivateFilters->InternalApply = [this](const bool &on) { ApplyPrivateFilters(on); };
    waPrivateFolder->InternalApply = [this](const QString &folder) { ApplyPrivateFolder(folder); };

    caSliders->InternalTrueApply = [this] { ApplySliders(true); };
    caSliders->InternalFalseApply = [this] { ApplySliders(false); };
}

void TShowForm::ApplySliders(bool on)
{
    Xslider->setVisible(on);
    Yslider->setVisible(on);
    if (on) {
        navframe->hide();
        if (intervalloframe)
            intervalloframe->hide();
        if (!vidman->caInsertTextOn->Checked())
            vidman->caInsertTextOn->SetChecked(true);
    } else {
        navframe->setVisible(HasVideo || HasAudio);
        if (intervalloframe && m_interval && m_interval->caIntervalloShow->Checked())
            intervalloframe->show();
    }
    RunLayout();
}

void TShowForm::ApplyPrivateFilters(bool on)
{
    const QString reopen = CurrentVideoFile;
    if (!reopen.isEmpty())
        closefile();
    m_private->Use(on, mf.get(), vidman->Decoders(), audman->Decoders());
    if (!reopen.isEmpty() && QFileInfo(reopen).isFile())
        openfile(reopen);
}

void TShowForm::ApplyPrivateFolder(const QString &folder)
{
    QString f = folder;
    if (!f.isEmpty() && !f.endsWith(u'/'))
        f += u'/';
    for (const QString &message : m_private->Install(f))
        m_prompts.ShowError(message);
    baUsePrivateFilters->Apply();
}
