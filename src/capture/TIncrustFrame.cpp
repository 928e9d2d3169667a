#include "capture/TIncrustFrame.h"

#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TColorAction.h"
#include "actions/TDoubleAction.h"
#include "actions/TFontAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TActionBinding.h"
#include "core/TColors.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFontComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPointer>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

QIcon Swatch(TColor color)
{
    QPixmap p(16, 16);
    p.fill(TColors::ToQColor(color));
    return QIcon(p);
}

// Chains f after the action's current OnAfterApply.
template <class Action, class F> void After(Action *action, F f)
{
    auto before = action->OnAfterApply;
    action->OnAfterApply = [before, f](const typename Action::ValueType &v) {
        if (before)
            before(v);
        f(v);
    };
}

} // namespace

QStringList TIncrustFrame::ModeCaptions()
{
    return {QStringLiteral("Timestamp"), QStringLiteral("Numéro"),       QStringLiteral("Timecode"),
            QStringLiteral("Datecode"),  QStringLiteral("Personnalisé"), QStringLiteral("Date réelle")};
}

QStringList TIncrustFrame::BorderCaptions()
{
    return {QStringLiteral("Aucun bord"), QStringLiteral("1 pixel"),  QStringLiteral("2 pixels"),
            QStringLiteral("3 pixels"),   QStringLiteral("4 pixels"), QStringLiteral("5 pixels")};
}

TIncrustFrame::TIncrustFrame(const TActions &actions, QWidget *parent) : QFrame(parent), m_a(actions)
{
    setFrameShape(QFrame::StyledPanel);
    ChooseColor = [this](QColor &c) {
        const QColor chosen = QColorDialog::getColor(c, this, QStringLiteral("Couleur"));
        if (!chosen.isValid())
            return false;
        c = chosen;
        return true;
    };
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(6, 6, 6, 6);
    v->setSpacing(4);
    v->addWidget(new QLabel(QStringLiteral("<b>Incrustation</b>"), this));

    auto *switches = new QHBoxLayout;
    m_on = new QCheckBox(QStringLiteral("Incruster"), this);
    m_on->setObjectName(QStringLiteral("OverlayBox"));
    auto *sliders = new QCheckBox(QStringLiteral("Curseurs"), this);
    sliders->setObjectName(QStringLiteral("SlidersBox"));
    switches->addWidget(m_on);
    switches->addWidget(sliders);
    v->addLayout(switches);
    TActionBinding::Bind(m_on, m_a.InsertTextOn);
    TActionBinding::Bind(sliders, m_a.Sliders);
    // The sliders need a video: the box follows the action's enabled state.
    sliders->setEnabled(m_a.Sliders->isEnabled());
    connect(m_a.Sliders, &QAction::changed, sliders,
            [sliders, a = m_a.Sliders] { sliders->setEnabled(a->isEnabled()); });

    // --- What the overlay says -------------------------------------------------------------
    auto *what = new QGroupBox(QStringLiteral("Texte"), this);
    auto *wg = new QGridLayout(what);
    wg->setSpacing(3);
    m_modes = new QButtonGroup(this);
    m_modes->setExclusive(true);
    const QStringList captions = ModeCaptions();
    for (int i = 0; i < 6; ++i) {
        auto *b = new QToolButton(what);
        b->setText(captions.at(i));
        b->setToolTip(m_a.Modes[i]->Hint());
        b->setCheckable(true);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        m_modes->addButton(b, i);
        wg->addWidget(b, i / 3, i % 3);
        // The button follows the action's enabled state (the DV modes need DV data).
        b->setEnabled(m_a.Modes[i]->isEnabled());
        connect(m_a.Modes[i], &QAction::changed, b, [b, a = m_a.Modes[i]] { b->setEnabled(a->isEnabled()); });
    }
    connect(m_modes, &QButtonGroup::idClicked, this, [this](int id) { m_a.Modes[id]->trigger(); });
    m_perso1 = new QLineEdit(what);
    m_perso1->setObjectName(QStringLiteral("PersoEdit1"));
    m_perso2 = new QLineEdit(what);
    m_perso2->setObjectName(QStringLiteral("PersoEdit2"));
    m_perso1->setToolTip(QStringLiteral("Ligne 1 du mode personnalisé (codes %S %N %T %D %R %F %P %E)"));
    m_perso2->setToolTip(QStringLiteral("Ligne 2 du mode personnalisé"));
    wg->addWidget(m_perso1, 2, 0, 1, 3);
    wg->addWidget(m_perso2, 3, 0, 1, 3);
    v->addWidget(what);
    TActionBinding::Bind(m_perso1, m_a.InsertPerso1);
    TActionBinding::Bind(m_perso2, m_a.InsertPerso2);

    // --- How it looks ----------------------------------------------------------------------
    auto *look = new QGroupBox(QStringLiteral("Police"), this);
    auto *lg = new QGridLayout(look);
    lg->setSpacing(3);
    m_font = new QFontComboBox(look);
    m_font->setObjectName(QStringLiteral("FontBox"));
    m_font->setMinimumContentsLength(10);
    m_font->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    lg->addWidget(m_font, 0, 0, 1, 4);
    connect(m_font, &QFontComboBox::currentFontChanged, this,
            [this](const QFont &f) { m_a.InsertFontName->SetValue(f.family()); });

    m_size = new QComboBox(look);
    m_size->setObjectName(QStringLiteral("SizeBox"));
    m_size->setEditable(true);
    m_size->setInsertPolicy(QComboBox::NoInsert);
    m_size->addItem(QStringLiteral("auto"));
    for (int s : {8, 10, 12, 14, 16, 18, 20, 24, 28, 32, 36, 48, 72})
        m_size->addItem(QString::number(s));
    connect(m_size, &QComboBox::textActivated, this, [this](const QString &t) { SizeChosen(t); });
    connect(m_size->lineEdit(), &QLineEdit::editingFinished, this,
            [this] { SizeChosen(m_size->currentText()); });
    m_fontColor = new QToolButton(look);
    m_fontColor->setObjectName(QStringLiteral("FontColorButton"));
    m_fontColor->setToolTip(QStringLiteral("Couleur du texte"));
    connect(m_fontColor, &QToolButton::clicked, this, [this] {
        QColor c = TColors::ToQColor(m_a.InsertFont->Value.Color);
        if (ChooseColor && ChooseColor(c))
            m_a.InsertFontColor->SetValue(TColors::FromQColor(c));
    });
    lg->addWidget(new QLabel(QStringLiteral("Taille :"), look), 1, 0);
    lg->addWidget(m_size, 1, 1);
    lg->addWidget(m_fontColor, 1, 2);

    auto *styles = new QHBoxLayout;
    const char *styleText[] = {"G", "I", "S", "B"};
    const char *styleHint[] = {"Gras", "Italique", "Souligné", "Barré"};
    for (int i = 0; i < 4; ++i) {
        auto *b = new QToolButton(look);
        b->setText(QString::fromLatin1(styleText[i]));
        b->setToolTip(QString::fromUtf8(styleHint[i]));
        QFont f = b->font();
        f.setBold(i == 0);
        f.setItalic(i == 1);
        f.setUnderline(i == 2);
        f.setStrikeOut(i == 3);
        b->setFont(f);
        TActionBinding::Bind(b, m_a.Styles[i]);
        styles->addWidget(b);
    }
    styles->addStretch(1);
    lg->addLayout(styles, 2, 0, 1, 4);

    m_border = new QComboBox(look);
    m_border->setObjectName(QStringLiteral("BorderBox"));
    m_border->addItems(BorderCaptions());
    m_borderColor = new QToolButton(look);
    m_borderColor->setObjectName(QStringLiteral("BorderColorButton"));
    m_borderColor->setToolTip(QStringLiteral("Couleur du bord"));
    lg->addWidget(new QLabel(QStringLiteral("Bord :"), look), 3, 0);
    lg->addWidget(m_border, 3, 1);
    lg->addWidget(m_borderColor, 3, 2);
    connect(m_border, &QComboBox::activated, this, [this](int i) { m_a.InsertBorderWidth->SetValue(i); });
    connect(m_borderColor, &QToolButton::clicked, this, [this] {
        QColor c = TColors::ToQColor(m_a.InsertBorderColor->Value);
        if (ChooseColor && ChooseColor(c))
            m_a.InsertBorderColor->SetValue(TColors::FromQColor(c));
    });

    auto *alignRow = new QHBoxLayout;
    m_align = new QButtonGroup(this);
    const char *alignText[] = {"Gauche", "Centre", "Droite"};
    const int alignId[] = {0, 2, 1};
    for (int i = 0; i < 3; ++i) {
        auto *b = new QToolButton(look);
        b->setText(QString::fromLatin1(alignText[i]));
        b->setCheckable(true);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        m_align->addButton(b, alignId[i]);
        alignRow->addWidget(b);
    }
    lg->addLayout(alignRow, 4, 0, 1, 4);
    TActionBinding::Bind(m_align, m_a.InsertAlignLines);

    m_transparency = new QSpinBox(look);
    m_transparency->setObjectName(QStringLiteral("TransparencySpin"));
    m_transparency->setRange(0, 100);
    m_transparency->setToolTip(QStringLiteral("0 invisible … 100 opaque"));
    lg->addWidget(new QLabel(QStringLiteral("Opacité :"), look), 5, 0);
    lg->addWidget(m_transparency, 5, 1);
    connect(m_transparency, &QSpinBox::valueChanged, this,
            [this](int n) { m_a.InsertTransparency->SetValue(n / 100.0); });
    auto *aa = new QCheckBox(QStringLiteral("Lissage"), look);
    TActionBinding::Bind(aa, m_a.InsertAntiAliasing);
    lg->addWidget(aa, 5, 2, 1, 2);
    lg->setColumnStretch(1, 1);
    v->addWidget(look);

    auto *sub = new QPushButton(QStringLiteral("Sous-titres"), this);
    sub->setToolTip(m_a.Soustitres->Hint());
    connect(sub, &QPushButton::clicked, this, [this] { m_a.Soustitres->trigger(); });
    v->addWidget(sub);
    v->addStretch(1);

    // The controls follow their actions, whoever applies them.
    QPointer<TIncrustFrame> self(this);
    After(m_a.InsertFont, [self](const TFontDesc &) {
        if (self)
            self->ShowFont();
    });
    After(m_a.InsertBorderWidth, [self](int w) {
        if (self) {
            const QSignalBlocker block(self->m_border);
            self->m_border->setCurrentIndex(w >= 0 && w <= 5 ? w : -1);
        }
    });
    After(m_a.InsertBorderColor, [self](TColor c) {
        if (self)
            self->m_borderColor->setIcon(Swatch(c));
    });
    After(m_a.InsertTransparency, [self](double t) {
        if (self) {
            const QSignalBlocker block(self->m_transparency);
            self->m_transparency->setValue(std::isfinite(t) ? int(std::lround(t * 100)) : 100);
        }
    });
    After(m_a.InsertAutoSize, [self](bool) {
        if (self)
            self->ShowSize();
    });
    After(m_a.InsertFontSize, [self](int) {
        if (self)
            self->ShowSize();
    });
    m_border->setCurrentIndex(std::clamp(m_a.InsertBorderWidth->Value, 0, 5));
    m_borderColor->setIcon(Swatch(m_a.InsertBorderColor->Value));
    {
        const QSignalBlocker block(m_transparency);
        m_transparency->setValue(int(std::lround(m_a.InsertTransparency->Value * 100)));
    }
    ShowFont();
    ShowSize();
}

void TIncrustFrame::ShowFont()
{
    const TFontDesc &f = m_a.InsertFont->Value;
    {
        const QSignalBlocker block(m_font);
        // A font this system lacks shows its name as typed.
        m_font->setCurrentFont(QFont(f.Name));
        if (m_font->currentText() != f.Name)
            m_font->setEditText(f.Name);
    }
    m_fontColor->setIcon(Swatch(f.Color));
}

void TIncrustFrame::ShowSize()
{
    const QString text =
        m_a.InsertAutoSize->Value ? QStringLiteral("auto") : QString::number(m_a.InsertFontSize->Value);
    const QSignalBlocker block(m_size);
    const int index = m_size->findText(text);
    if (index >= 0)
        m_size->setCurrentIndex(index);
    m_size->setEditText(text);
}

void TIncrustFrame::SizeChosen(const QString &text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0) {
        m_a.InsertAutoSize->SetValue(true);
        ShowSize();
        return;
    }
    bool ok = false;
    const int n = t.toInt(&ok);
    m_a.InsertAutoSize->SetValue(false);
    m_a.InsertFontSize->SetValue(ok ? n : 14);
    ShowSize();
}

int TIncrustFrame::ModeDown() const
{
    return m_modes->checkedId();
}

void TIncrustFrame::SetModeDown(int mode)
{
    if (QAbstractButton *b = m_modes->button(mode)) {
        b->setChecked(true);
        return;
    }
    m_modes->setExclusive(false);
    for (QAbstractButton *b : m_modes->buttons())
        b->setChecked(false);
    m_modes->setExclusive(true);
}
