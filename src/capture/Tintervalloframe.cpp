#include "capture/Tintervalloframe.h"

#include "actions/TCustomAbstractAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "capture/TIntervalCapture.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>

namespace {

QString switchText(bool on)
{
    return on ? QStringLiteral("Arrêter") : QStringLiteral("Démarrer");
}

} // namespace

Tintervalloframe::Tintervalloframe(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("intervalloframe"));
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    auto *caption = new QLabel(QStringLiteral("Une image toutes les"), this);
    m_delai = new QSpinBox(this);
    m_delai->setRange(1, 999999);
    m_delai->setValue(10);
    m_delai->setToolTip(QStringLiteral("Intervalle entre deux images"));
    m_unit = new QComboBox(this);
    m_unit->addItems({QStringLiteral("Frames"), QStringLiteral("Secondes"), QStringLiteral("Minutes")});
    m_countCaption = new QLabel(QStringLiteral("Images à prendre :"), this);
    m_countCaption->setVisible(false);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("CountLab"));
    m_count->setToolTip(QStringLiteral("Nombre d'images restant à prendre"));
    m_countCaption->setToolTip(m_count->toolTip());
    m_count->setMinimumWidth(40);
    m_count->setVisible(false);
    // Hidden until the first count, their room kept: the panel's width does not change then.
    for (QLabel *l : {m_countCaption, m_count}) {
        QSizePolicy p = l->sizePolicy();
        p.setRetainSizeWhenHidden(true);
        l->setSizePolicy(p);
    }
    m_switch = new QPushButton(switchText(false), this);
    m_switch->setCheckable(true);
    m_switch->setToolTip(QStringLiteral("Démarrer ou arrêter l'intervallomètre"));
    row->addWidget(caption);
    row->addWidget(m_delai);
    row->addWidget(m_unit);
    row->addWidget(m_countCaption);
    row->addWidget(m_count);
    row->addStretch(1);
    row->addWidget(m_switch);

    // Only the user's changes reach these: the Show... methods block the signals.
    connect(m_delai, &QSpinBox::valueChanged, this, &Tintervalloframe::UserDelai);
    connect(m_unit, &QComboBox::currentIndexChanged, this, &Tintervalloframe::UserUnit);
    connect(m_switch, &QPushButton::toggled, this, &Tintervalloframe::UserSwitch);
}

void Tintervalloframe::Bind(TIntervalCapture *capture)
{
    m_capture = capture;
}

int Tintervalloframe::DelaiEditValue() const
{
    return m_delai->value();
}

void Tintervalloframe::ShowDelai(int delai)
{
    // A delay the field cannot hold (0 before any is set) leaves the field as it is.
    if (delai < m_delai->minimum() || delai > m_delai->maximum())
        return;
    const QSignalBlocker block(m_delai);
    m_delai->setValue(delai);
}

void Tintervalloframe::ShowUnit(int unit)
{
    const QSignalBlocker block(m_unit);
    m_unit->setCurrentIndex(unit >= 0 && unit < m_unit->count() ? unit : -1);
}

void Tintervalloframe::ShowCount(std::int64_t remaining)
{
    m_count->setText(QString::number(remaining));
    m_count->setVisible(true);
    m_countCaption->setVisible(true);
}

void Tintervalloframe::ShowRunning(bool running)
{
    {
        const QSignalBlocker block(m_switch);
        m_switch->setChecked(running);
    }
    m_switch->setText(switchText(running));
    m_delai->setEnabled(!running);
    m_unit->setEnabled(!running);
}

void Tintervalloframe::UserDelai(int value)
{
    if (!m_capture)
        return;
    m_capture->iaIntervalloDelai->SetValue(value);
    m_capture->Count();
}

void Tintervalloframe::UserUnit(int index)
{
    if (!m_capture || index < 0)
        return;
    m_capture->iaIntervalloUnit->SetValue(index);
    m_capture->Count();
}

void Tintervalloframe::UserSwitch(bool on)
{
    if (!m_capture) {
        ShowRunning(false);
        return;
    }
    if (on) {
        // The run loop lives inside this call; the switch shows its state from the capture.
        m_capture->naIntervalloStart->Apply();
    } else {
        // The start action is still being applied below us: the stop is a command of its own
        // in a macro being recorded, not part of the start.
        TCustomAbstractAction::MacroNested = false;
        m_capture->naIntervalloBreak->Apply();
        // Stays on until the run has really ended.
        if (m_capture && m_capture->Running()) {
            const QSignalBlocker block(m_switch);
            m_switch->setChecked(true);
        }
    }
}
