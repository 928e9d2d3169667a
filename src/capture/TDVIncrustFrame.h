#pragma once
// The DV date panel: the recording date of the frame shown (or a fictive one when the video
// carries none), the two date-code formats of the overlay lines, and the correction of a
// camcorder clock that was wrong, either in whole hours or, in the advanced mode, as the
// corrected date and time itself.
//
// The panel keeps only what it shows: DvDate (the DV date of the frame shown, whole seconds, or
// 31 December 1999 00:00:00) and CorrectedDate. Every setting lives in the window's actions:
// the controls set them and follow them (TActionBinding). The window tells the panel when the
// frame's DV date changed (SetDvDate) and when the offset was applied (OffsetApplied).
// Main thread only.
#include <QFrame>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QSpinBox;
class QWidget;
class TCheckAction;
class TDoubleAction;
class TNopeAction;
class TWidestringAction;

class TDVIncrustFrame : public QFrame
{
    Q_OBJECT
public:
    struct TActions
    {
        TWidestringAction *FormatDatecode1;
        TWidestringAction *FormatDatecode2;
        TCheckAction *DecalageAvance;
        TDoubleAction *DecalageHoraire;
        TNopeAction *InsertDatecode;
        TNopeAction *InsertTimecode;
    };
    TDVIncrustFrame(const TActions &actions, QWidget *parent = nullptr);

    // The formats the two format boxes offer.
    static QStringList DateFormats();
    // The offset as the panel words it: "aucun", " 02 heures", " 1 jour 12 h", " 01 minute 30 s".
    static QString OffsetText(double days);
    // 31 December 1999, 00:00:00: the date shown for a video without DV dates.
    static double FictiveDate();

    // The DV date of the frame shown (valid: read from the frame); the milliseconds are dropped.
    void SetDvDate(bool valid, double date);
    double DvDate() const { return m_dvDate; }
    double CorrectedDate() const { return m_corrected; }
    // The window applied the offset x (days): the offset label, and the advanced fields or the
    // hours field, follow it.
    void OffsetApplied(double x);
    // The advanced mode was switched: which fields are shown.
    void AdvancedShown(bool advanced);

    QLabel *DateLabel() const { return m_dateLabel; }
    QLabel *OffsetLabel() const { return m_offsetLabel; }
    QComboBox *FormatBox1() const { return m_format1; }
    QComboBox *FormatBox2() const { return m_format2; }
    QSpinBox *HoursSpin() const { return m_hours; }
    QCheckBox *AdvancedBox() const { return m_advanced; }
    QDateEdit *DateEdit() const { return m_date; }
    QSpinBox *HourSpin() const { return m_hour; }
    QSpinBox *MinuteSpin() const { return m_minute; }
    QSpinBox *SecondSpin() const { return m_second; }
    QPushButton *ResetButton() const { return m_reset; }

private:
    void ShowCorrected(double date);
    void AdvancedEdited();

    TActions m_a;
    double m_dvDate = 0;
    double m_corrected = 0;
    QLabel *m_dateLabel = nullptr;
    QComboBox *m_format1 = nullptr;
    QComboBox *m_format2 = nullptr;
    QSpinBox *m_hours = nullptr;
    QWidget *m_hoursRow = nullptr;
    QCheckBox *m_advanced = nullptr;
    QWidget *m_advancedRow = nullptr;
    QDateEdit *m_date = nullptr;
    QSpinBox *m_hour = nullptr;
    QSpinBox *m_minute = nullptr;
    QSpinBox *m_second = nullptr;
    QLabel *m_offsetLabel = nullptr;
    QPushButton *m_reset = nullptr;
};
