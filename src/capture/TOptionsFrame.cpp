#include "capture/TOptionsFrame.h"

#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TActionBinding.h"
#include "prefs/TVardoPreferences.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const QString kMissing = QStringLiteral("Réglage indisponible dans cette version");

QLabel *Explanation(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setWordWrap(true);
    l->setTextFormat(Qt::PlainText);
    QFont f = l->font();
    f.setItalic(true);
    l->setFont(f);
    l->setContentsMargins(0, 0, 0, 6);
    return l;
}

QCheckBox *BoolBox(const QString &caption, TBooleanAction *action, QWidget *parent)
{
    auto *box = new QCheckBox(caption, parent);
    if (action) {
        TActionBinding::Bind(box, action);
        box->setToolTip(action->Hint());
    } else {
        box->setEnabled(false);
        box->setToolTip(kMissing);
    }
    return box;
}

// A control mirrors its action; without one it is disabled and says so.
template <class W, class A> void BindOrDisable(W *widget, A *action)
{
    if (action)
        TActionBinding::Bind(widget, action);
    else {
        widget->setEnabled(false);
        widget->setToolTip(kMissing);
    }
}

QCheckBox *CheckBox(const QString &caption, TCheckAction *action, QWidget *parent)
{
    auto *box = new QCheckBox(caption, parent);
    BindOrDisable(box, action);
    return box;
}

// A number field after its caption, bound to action (disabled when there is none). Every change
// sets the action; the field also shows the value in force (the default until the preferences
// say otherwise), so it never claims a value the program does not use.
QLayout *SpinRow(const QString &caption, QSpinBox *spin, TIntegerAction *action, QWidget *parent)
{
    auto *h = new QHBoxLayout;
    h->addWidget(new QLabel(caption, parent));
    h->addWidget(spin);
    h->addStretch(1);
    BindOrDisable(spin, action);
    return h;
}

// A read-only folder field with its "..." button, under its caption.
QLayout *FolderRow(const QString &caption, QLineEdit *&edit, QToolButton *&button, TWidestringAction *action,
                   QWidget *parent)
{
    auto *v = new QVBoxLayout;
    v->setSpacing(2);
    v->addWidget(new QLabel(caption, parent));
    auto *h = new QHBoxLayout;
    edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    button = new QToolButton(parent);
    button->setText(QStringLiteral("..."));
    button->setToolTip(QStringLiteral("Choisir le dossier"));
    h->addWidget(edit, 1);
    h->addWidget(button);
    v->addLayout(h);
    if (action) {
        TActionBinding::Show(edit, action);
        edit->setToolTip(action->Hint());
    } else {
        edit->setEnabled(false);
        button->setEnabled(false);
        edit->setToolTip(kMissing);
    }
    return v;
}

} // namespace

TOptionsFrame::TOptionsFrame(TVardoPreferences *gp, const TOptionsActions &actions, QWidget *parent)
    : QFrame(parent), m_actions(actions)
{
    setObjectName(QStringLiteral("OptionsFrame"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    ChooseFolder = [this](const QString &title, const QString &current) {
        return QFileDialog::getExistingDirectory(this, title, current, QFileDialog::ShowDirsOnly);
    };

    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(12, 12, 12, 12);
    auto *title = new QLabel(QStringLiteral("Options"), this);
    QFont tf = title->font();
    tf.setPointSize(tf.pointSize() + 4);
    tf.setBold(true);
    title->setFont(tf);
    v->addWidget(title);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("OptionsTabs"));
    m_tabs->addTab(PreferencesTab(gp), QStringLiteral("Préferences"));
    m_tabs->addTab(SettingsTab(), QStringLiteral("Réglages"));
    m_tabs->addTab(AdvancedTab(), QStringLiteral("Avancés"));
    v->addWidget(m_tabs, 1);
    resize(560, 420);
}

QWidget *TOptionsFrame::PreferencesTab(TVardoPreferences *gp)
{
    auto *tab = new QWidget;
    auto *v = new QVBoxLayout(tab);
    v->addWidget(Explanation(
        QStringLiteral(
            "Framix garde ses réglages d'une session à l'autre. En mode normal ils vont dans votre "
            "dossier de configuration personnel ; en mode portable dans le fichier Framix.ini à côté "
            "du programme, pour l'emporter sur une clé USB. Le changement de mode prend effet tout "
            "de suite : les réglages de l'autre mode sont effacés et les valeurs actuelles seront "
            "enregistrées à la fermeture."),
        tab));
    auto *box = new QGroupBox(QStringLiteral("Sauver les préférences en quittant"), tab);
    auto *bv = new QVBoxLayout(box);
    m_mode = new QButtonGroup(this);
    const QString captions[] = {QStringLiteral("Mode normal (registre)"),
                                QStringLiteral("Mode portable (clé USB)"),
                                QStringLiteral("Ne pas enregistrer en quittant")};
    for (int i = 0; i < 3; ++i) {
        auto *r = new QRadioButton(captions[i], box);
        m_mode->addButton(r, i);
        bv->addWidget(r);
    }
    v->addWidget(box);
    v->addStretch(1);
    if (!gp) {
        box->setEnabled(false);
        return tab;
    }
    // The component's mode changes (the save-mode question at exit, a script) select the item.
    QPointer<QButtonGroup> group(m_mode);
    auto show = [group](TSavePreferences mode) {
        if (!group)
            return;
        const QSignalBlocker block(group.data());
        if (QAbstractButton *b = group->button(int(mode)))
            b->setChecked(true);
    };
    auto before = gp->OnChangeMode;
    gp->OnChangeMode = [before, show](TSavePreferences mode) {
        if (before)
            before(mode);
        show(mode);
    };
    show(gp->Mode());
    QPointer<TVardoPreferences> prefs(gp);
    connect(m_mode, &QButtonGroup::idClicked, this, [prefs](int id) {
        if (prefs && id >= spRegistre && id <= spNone)
            prefs->SetMode(TSavePreferences(id));
    });
    return tab;
}

QWidget *TOptionsFrame::SettingsTab()
{
    auto *tab = new QWidget;
    auto *v = new QVBoxLayout(tab);
    v->addWidget(Explanation(
        QStringLiteral(
            "Comment Framix numérote et enregistre les images, et où il range vos scripts. Ces "
            "réglages sont aussi accessibles depuis les menus, les scripts et la ligne de commande."),
        tab));
    m_raz = BoolBox(QStringLiteral("Remettre les numéros à 1 quand on ouvre une vidéo"),
                    m_actions.baRAZWhenOpenFile, tab);
    m_saveOnClick = BoolBox(QStringLiteral("Enregistrer l'image quand on clique sur la vidéo"),
                            m_actions.baSauverQuandClic, tab);
    m_confirm =
        BoolBox(QStringLiteral("Confirmer avant d'écraser une image"), m_actions.baConfirmerImage, tab);
    v->addWidget(m_raz);
    v->addWidget(m_saveOnClick);
    v->addWidget(m_confirm);
    m_metadata = BoolBox(QStringLiteral("Écrire la date et l'origine dans les images"),
                         m_actions.baImageMetadata, tab);
    v->addWidget(m_metadata);
    v->addSpacing(8);
    v->addLayout(FolderRow(QStringLiteral("Dossier des scripts"), m_scriptsFolder, m_scriptsBrowse,
                           m_actions.waDossierScripts, tab));
    connect(m_scriptsBrowse, &QToolButton::clicked, this, &TOptionsFrame::BrowseScriptsFolder);
    m_keepScript =
        CheckBox(QStringLiteral("Conserver le fichier script en quittant"), m_actions.caConserverScript, tab);
    v->addWidget(m_keepScript);
    v->addStretch(1);
    return tab;
}

QWidget *TOptionsFrame::AdvancedTab()
{
    auto *tab = new QWidget;
    auto *v = new QVBoxLayout(tab);
    v->addWidget(Explanation(
        QStringLiteral(
            "Les filtres privés sont des décodeurs GStreamer rangés dans un dossier à part, essayés "
            "avant ceux du système ; changer ce réglage rouvre la vidéo en cours. La navigation précise "
            "s'arrête exactement sur l'image demandée : Framix se place un peu avant (la préposition, "
            "en millisecondes) puis avance image par image. Les images décodées autour de la position "
            "restent en mémoire, dans la limite donnée : reculer d'une image les affiche sans tout "
            "décoder de nouveau depuis l'image clé."),
        tab));
    m_privateFilters =
        BoolBox(QStringLiteral("Utiliser les filtres privés"), m_actions.baUsePrivateFilters, tab);
    v->addWidget(m_privateFilters);
    v->addLayout(FolderRow(QStringLiteral("Dossier des filtres privés"), m_privateFolder, m_privateBrowse,
                           m_actions.waPrivateFolder, tab));
    connect(m_privateBrowse, &QToolButton::clicked, this, &TOptionsFrame::BrowsePrivateFolder);
    v->addSpacing(8);
    m_seekPrecision = CheckBox(QStringLiteral("Navigation précise"), m_actions.caSeekPrecision, tab);
    v->addWidget(m_seekPrecision);

    m_seekPrepos = new QSpinBox(tab);
    m_seekPrepos->setRange(0, 600000);
    m_seekPrepos->setSingleStep(100);
    m_seekPrepos->setSuffix(QStringLiteral(" ms"));
    m_seekPrepos->setValue(1000);
    v->addLayout(SpinRow(QStringLiteral("Preposition pour Navigation précise"), m_seekPrepos,
                         m_actions.iaSeekPrepos, tab));

    m_frameCache = new QSpinBox(tab);
    m_frameCache->setRange(0, 65536);
    m_frameCache->setSingleStep(64);
    m_frameCache->setSuffix(QStringLiteral(" Mo"));
    m_frameCache->setSpecialValueText(QStringLiteral("Aucune"));
    m_frameCache->setValue(256);
    m_frameCache->setToolTip(
        QStringLiteral("Les images décodées autour de la position sont gardées en mémoire : reculer "
                       "d'une image les affiche sans tout décoder de nouveau depuis l'image clé. "
                       "0 : aucune mémoire."));
    v->addLayout(SpinRow(QStringLiteral("Mémoire des images décodées (pas en arrière)"), m_frameCache,
                         m_actions.iaFrameCache, tab));
    v->addStretch(1);
    return tab;
}

void TOptionsFrame::BrowseScriptsFolder()
{
    TWidestringAction *a = m_actions.waDossierScripts;
    if (!a || !ChooseFolder)
        return;
    const QString folder = ChooseFolder(QStringLiteral("Dossier des scripts"), a->Value);
    if (!folder.isEmpty())
        a->SetValue(folder);
}

void TOptionsFrame::BrowsePrivateFolder()
{
    TWidestringAction *a = m_actions.waPrivateFolder;
    if (!a || !ChooseFolder)
        return;
    QString folder = ChooseFolder(QStringLiteral("Dossier des filtres privés"), a->Value);
    if (folder.isEmpty())
        return;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    a->SetValue(folder);
}
