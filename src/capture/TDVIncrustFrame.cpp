#include "capture/TDVIncrustFrame.h"

#include "actions/TCheckAction.h"
#include "actions/TDoubleAction.h"
#include "actions/TNopeAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TActionBinding.h"
#include "core/TDateFormat.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace {

const QDate kDayZero(1899, 12, 30);
// Far enough for any camcorder clock, small enough for whole seconds in 64 bits.
constexpr double kMaxOffsetDays = 1.0e6;

double Clamped(double x)
{
    if (!std::isfinite(x))
        return 0;
    return std::clamp(x, -kMaxOffsetDays, kMaxOffsetDays);
}

QSpinBox *Spin(QWidget *parent, int lo, int hi, const QString &suffix = QString())
{
    auto *s = new QSpinBox(parent);
    s->setRange(lo, hi);
    s->setSuffix(suffix);
    return s;
}

} // namespace

QStringList TDVIncrustFrame::DateFormats()
{
    return {QStringLiteral("ddddd"),    QStringLiteral("tt"),        QStringLiteral("dddddd"),
            QStringLiteral("ddddd tt"), QStringLiteral("dddddd tt"), QStringLiteral("d mmm yyyy"),
            QStringLiteral("dd"),       QStringLiteral("dddd"),      QStringLiteral("hh:mm"),
            QStringLiteral("hh:mm:ss")};
}

double TDVIncrustFrame::FictiveDate()
{
    double d = 0;
    DateTimeFromParts(1999, 12, 31, 0, 0, 0, 0, d);
    return d;
}

QString TDVIncrustFrame::OffsetText(double days)
{
    const std::int64_t S = std::llround(Clamped(days) * 86400.0);
    const std::int64_t d = S / 86400, h = (S / 3600) % 24, m = (S / 60) % 60, s = S % 60;
    auto two = [](std::int64_t v) { return QString::asprintf("%.2lld", static_cast<long long>(v)); };
    QString t;
    if (d != 0)
        t += QStringLiteral(" %1 jour").arg(d) + (std::llabs(d) > 1 ? QStringLiteral("s") : QString());
    if (h != 0) {
        t += u' ' + two(h) + QStringLiteral(" h");
        if (d == 0)
            t += QStringLiteral("eure") + (std::llabs(h) > 1 ? QStringLiteral("s") : QString());
    }
    if (m != 0) {
        t += u' ' + two(m) + QStringLiteral(" m");
        if (d == 0 && h == 0)
            t += QStringLiteral("inute") + (std::llabs(m) > 1 ? QStringLiteral("s") : QString());
    }
    if (s != 0) {
        t += u' ' + two(s) + QStringLiteral(" s");
        if (d == 0 && h == 0 && m == 0)
            t += QStringLiteral("econde") + (std::llabs(s) > 1 ? QStringLiteral("s") : QString());
    }
    return t.isEmpty() ? QStringLiteral("aucun") : t;
}

TDVIncrustFrame::TDVIncrustFrame(const TActions &actions, QWidget *parent) : QFrame(parent), m_a(actions)
{
    setFrameShape(QFrame::StyledPanel);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(6, 6, 6, 6);

    auto *title = new QLabel(QStringLiteral("<b>Date DV</b>"), this);
    v->addWidget(title);
    m_dateLabel = new QLabel(this);
    m_dateLabel->setObjectName(QStringLiteral("DvDateLab"));
    m_dateLabel->setWordWrap(true);
    v->addWidget(m_dateLabel);

    // One above the other: their captions do not fit side by side in the panel's width.
    auto *insert = new QVBoxLayout;
    insert->setSpacing(2);
    for (TNopeAction *a : {m_a.InsertDatecode, m_a.InsertTimecode}) {
        auto *b = new QToolButton(this);
        b->setDefaultAction(a);
        b->setToolButtonStyle(Qt::ToolButtonTextOnly);
        b->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        insert->addWidget(b);
    }
    v->addLayout(insert);

    auto *formats = new QGroupBox(QStringLiteral("Formats de %D"), this);
    auto *fg = new QGridLayout(formats);
    m_format1 = new QComboBox(formats);
    m_format1->setObjectName(QStringLiteral("FormatBox1"));
    m_format2 = new QComboBox(formats);
    m_format2->setObjectName(QStringLiteral("FormatBox2"));
    for (QComboBox *b : {m_format1, m_format2}) {
        b->addItems(DateFormats());
        b->setInsertPolicy(QComboBox::NoInsert);
        b->setMaxVisibleItems(10);
    }
    fg->addWidget(new QLabel(QStringLiteral("Ligne 1 :"), formats), 0, 0);
    fg->addWidget(m_format1, 0, 1);
    fg->addWidget(new QLabel(QStringLiteral("Ligne 2 :"), formats), 1, 0);
    fg->addWidget(m_format2, 1, 1);
    fg->setColumnStretch(1, 1);
    v->addWidget(formats);
    TActionBinding::Bind(m_format1, m_a.FormatDatecode1);
    TActionBinding::Bind(m_format2, m_a.FormatDatecode2, true);

    auto *offset = new QGroupBox(QStringLiteral("Correction de l'horloge du caméscope"), this);
    auto *og = new QVBoxLayout(offset);
    m_hoursRow = new QWidget(offset);
    auto *hr = new QHBoxLayout(m_hoursRow);
    hr->setContentsMargins(0, 0, 0, 0);
    hr->addWidget(new QLabel(QStringLiteral("Décalage :"), m_hoursRow));
    m_hours = Spin(m_hoursRow, -1000000, 1000000, QStringLiteral(" h"));
    m_hours->setObjectName(QStringLiteral("HoursSpin"));
    hr->addWidget(m_hours, 1);
    og->addWidget(m_hoursRow);

    m_advanced = new QCheckBox(QStringLiteral("Avancé"), offset);
    m_advanced->setObjectName(QStringLiteral("AdvancedBox"));
    og->addWidget(m_advanced);

    m_advancedRow = new QWidget(offset);
    auto *ag = new QGridLayout(m_advancedRow);
    ag->setContentsMargins(0, 0, 0, 0);
    m_date = new QDateEdit(m_advancedRow);
    m_date->setObjectName(QStringLiteral("CorrectedDateEdit"));
    m_date->setDisplayFormat(TDateFormat::system().shortDateFormat());
    m_date->setCalendarPopup(true);
    m_date->setDateRange(QDate(100, 1, 1), QDate(9999, 12, 31));
    m_hour = Spin(m_advancedRow, 0, 23, QStringLiteral(" h"));
    m_minute = Spin(m_advancedRow, 0, 59, QStringLiteral(" min"));
    m_second = Spin(m_advancedRow, 0, 59, QStringLiteral(" s"));
    ag->addWidget(new QLabel(QStringLiteral("Date corrigée :"), m_advancedRow), 0, 0, 1, 3);
    ag->addWidget(m_date, 1, 0, 1, 3);
    ag->addWidget(m_hour, 2, 0);
    ag->addWidget(m_minute, 2, 1);
    ag->addWidget(m_second, 2, 2);
    og->addWidget(m_advancedRow);

    auto *lr = new QHBoxLayout;
    m_offsetLabel = new QLabel(offset);
    m_offsetLabel->setObjectName(QStringLiteral("OffsetLab"));
    m_offsetLabel->setWordWrap(true);
    m_reset = new QPushButton(QStringLiteral("Reset"), offset);
    lr->addWidget(m_offsetLabel, 1);
    lr->addWidget(m_reset);
    og->addLayout(lr);
    v->addWidget(offset);
    v->addStretch(1);

    TActionBinding::Bind(m_advanced, m_a.DecalageAvance);
    connect(m_hours, &QSpinBox::valueChanged, this,
            [this](int n) { m_a.DecalageHoraire->SetValue(n / 24.0); });
    connect(m_date, &QDateEdit::dateChanged, this, [this] { AdvancedEdited(); });
    for (QSpinBox *s : {m_hour, m_minute, m_second})
        connect(s, &QSpinBox::valueChanged, this, [this] { AdvancedEdited(); });
    connect(m_reset, &QPushButton::clicked, this, [this] { m_a.DecalageHoraire->SetValue(0); });

    SetDvDate(false, FictiveDate());
    AdvancedShown(m_a.DecalageAvance->Checked());
}

void TDVIncrustFrame::SetDvDate(bool valid, double date)
{
    if (!valid || !std::isfinite(date))
        date = FictiveDate();
    else
        date = std::floor(date * 86400.0 + 1e-6) / 86400.0; // whole seconds
    m_dvDate = date;
    const QString text = FormatDateTime(QStringLiteral("ddddd tt"), date);
    m_dateLabel->setText(
        (valid ? QStringLiteral("Date de la vidéo DV: ") : QStringLiteral("Date fictive: ")) + text);
    ShowCorrected(m_dvDate + Clamped(m_a.DecalageHoraire->Value));
}

void TDVIncrustFrame::ShowCorrected(double date)
{
    m_corrected = date;
    const std::int64_t secs = std::llround(date * 86400.0);
    std::int64_t day = secs / 86400, rest = secs % 86400;
    if (rest < 0) {
        rest += 86400;
        --day;
    }
    const QSignalBlocker b1(m_date), b2(m_hour), b3(m_minute), b4(m_second);
    m_date->setDate(kDayZero.addDays(day));
    m_hour->setValue(int(rest / 3600));
    m_minute->setValue(int(rest / 60 % 60));
    m_second->setValue(int(rest % 60));
}

void TDVIncrustFrame::AdvancedEdited()
{
    const double date = double(kDayZero.daysTo(m_date->date())) + m_hour->value() / 24.0 +
                        m_minute->value() / 1440.0 + m_second->value() / 86400.0;
    m_corrected = date;
    m_a.DecalageHoraire->SetValue(date - m_dvDate);
}

void TDVIncrustFrame::OffsetApplied(double x)
{
    m_offsetLabel->setText(QStringLiteral("Décalage : ") + OffsetText(x));
    if (m_a.DecalageAvance->Checked()) {
        ShowCorrected(m_dvDate + Clamped(x));
    } else {
        const QSignalBlocker block(m_hours);
        m_hours->setValue(int(std::llround(Clamped(x) * 24.0)));
    }
}

void TDVIncrustFrame::AdvancedShown(bool advanced)
{
    m_hoursRow->setVisible(!advanced);
    m_advancedRow->setVisible(advanced);
}
