#include "capture/TDossiersFrame.h"

#include "actions/TBooleanAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TActionBinding.h"
#include "capture/TGrabber.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

using namespace TActionBinding;

TDossiersFrame::TDossiersFrame(TGrabber &grabber, QWidget *parent) : QFrame(parent), m_grabber(grabber)
{
    setObjectName(QStringLiteral("SaveImagesFrame"));
    auto *v = new QVBoxLayout(this);

    // Folder.
    v->addWidget(new QLabel(QStringLiteral("Dossier où enregistrer les images"), this));
    auto *folderRow = new QHBoxLayout;
    m_folder = new QLineEdit(this);
    m_folder->setReadOnly(true);
    m_browse = new QToolButton(this);
    m_browse->setText(QStringLiteral("..."));
    m_browse->setToolTip(QStringLiteral("Choisir le dossier des images"));
    folderRow->addWidget(m_folder, 1);
    folderRow->addWidget(m_browse);
    v->addLayout(folderRow);
    connect(m_browse, &QToolButton::clicked, this, &TDossiersFrame::BrowseFolder);
    ChooseFolder = [this](const QString &current) {
        return QFileDialog::getExistingDirectory(this, QStringLiteral("Dossier où enregistrer les images"),
                                                 current, QFileDialog::ShowDirsOnly | QFileDialog::ReadOnly);
    };

    // Root.
    auto *rootBox = new QGroupBox(QStringLiteral("Racine des noms"), this);
    auto *rg = new QGridLayout(rootBox);
    auto *fixedRoot = new QRadioButton(QStringLiteral("Utiliser la racine suivante:"), rootBox);
    m_root = new QLineEdit(rootBox);
    auto *videoRoot = new QRadioButton(QStringLiteral("Utiliser les noms de fichiers vidéo"), rootBox);
    m_limit = new QCheckBox(QStringLiteral("Limiter la longueur utilisée"), rootBox);
    m_length = new QLineEdit(rootBox);
    m_length->setMaximumWidth(60);
    rg->addWidget(fixedRoot, 0, 0, 1, 2);
    rg->addWidget(m_root, 1, 0, 1, 2);
    rg->addWidget(videoRoot, 2, 0, 1, 2);
    rg->addWidget(m_limit, 3, 0, 1, 2);
    rg->addWidget(new QLabel(QStringLiteral("Longueur maxi:"), rootBox), 4, 0);
    rg->addWidget(m_length, 4, 1);
    m_rootGroup = new QButtonGroup(this);
    m_rootGroup->addButton(fixedRoot, 0);
    m_rootGroup->addButton(videoRoot, 1);
    v->addWidget(rootBox);

    // Suffix.
    auto *suffixBox = new QGroupBox(QStringLiteral("Suffixe"), this);
    auto *sg = new QGridLayout(suffixBox);
    auto *stamp = new QRadioButton(QStringLiteral("Ajouter le timestamp"), suffixBox);
    auto *number = new QRadioButton(QStringLiteral("Numéroter depuis"), suffixBox);
    m_nextNum = new QSpinBox(suffixBox);
    m_nextNum->setRange(0, 999999);
    m_digits = new QSpinBox(suffixBox);
    m_digits->setRange(1, 16);
    sg->addWidget(stamp, 0, 0, 1, 2);
    sg->addWidget(number, 1, 0);
    sg->addWidget(m_nextNum, 1, 1);
    sg->addWidget(new QLabel(QStringLiteral("Nb de digits:"), suffixBox), 2, 0);
    sg->addWidget(m_digits, 2, 1);
    m_suffixGroup = new QButtonGroup(this);
    m_suffixGroup->addButton(stamp, 0);
    m_suffixGroup->addButton(number, 1);
    v->addWidget(suffixBox);

    // Format and quality.
    auto *formatBox = new QGroupBox(QStringLiteral("Format"), this);
    auto *fg = new QHBoxLayout(formatBox);
    auto *bmp = new QRadioButton(QStringLiteral("bmp"), formatBox);
    auto *jpeg = new QRadioButton(QStringLiteral("jpeg"), formatBox);
    auto *png = new QRadioButton(QStringLiteral("png"), formatBox);
    fg->addWidget(bmp);
    fg->addWidget(jpeg);
    fg->addWidget(png);
    m_formatGroup = new QButtonGroup(this);
    m_formatGroup->addButton(bmp, 0);
    m_formatGroup->addButton(jpeg, 1);
    m_formatGroup->addButton(png, 2);
    v->addWidget(formatBox);

    auto *qualityRow = new QHBoxLayout;
    qualityRow->addWidget(new QLabel(QStringLiteral("Qualité jpeg"), this));
    m_quality = new QSlider(Qt::Horizontal, this);
    m_quality->setRange(1, 100);
    m_qualityNumber = new QLabel(this);
    m_qualityNumber->setMinimumWidth(30);
    qualityRow->addWidget(m_quality, 1);
    qualityRow->addWidget(m_qualityNumber);
    v->addLayout(qualityRow);
    m_widen = new QCheckBox(QStringLiteral("Corriger l'aspect en élargissant"), this);
    m_widen->setObjectName(QStringLiteral("WidenBox"));
    v->addWidget(m_widen);
    v->addStretch(1);

    Show(m_folder, grabber.waDossierSave);
    Bind(m_rootGroup, grabber.iaNomFichierImage);
    Bind(m_root, grabber.waDefaultRacine);
    Bind(m_limit, grabber.baLimiterLongueur);
    BindNumber(m_length, grabber.iaRacineLength);
    Bind(m_suffixGroup, grabber.iaImageAjouter);
    Bind(m_nextNum, grabber.iaNextNum);
    Bind(m_digits, grabber.iaDigits);
    // 0 BMP, 2 PNG, any other value JPEG.
    Bind(m_formatGroup, grabber.iaImageExtension, [](int value) { return TGrabber::FormatOf(value); });
    Bind(m_quality, grabber.iaJpegCompressionQuality, m_qualityNumber);
    Bind(m_widen, grabber.baElargir);
    m_widen->setToolTip(grabber.baElargir->Hint());
}

void TDossiersFrame::BrowseFolder()
{
    if (!ChooseFolder)
        return;
    QString folder = ChooseFolder(m_grabber.waDossierSave->Value);
    if (folder.isEmpty())
        return;
    if (!folder.endsWith(u'/'))
        folder += u'/';
    m_grabber.waDossierSave->SetValue(folder);
}
