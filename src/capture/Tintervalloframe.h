#pragma once
// The interval-capture panel under the video: the delay, its unit, the number of images still
// to take and the on/off switch. It holds no state of its own: a change made by the user sets
// the bound action (and recomputes the count); an applied action only moves its control.
//
// Main thread only.
#include <QFrame>
#include <QPointer>

#include <cstdint>

class QComboBox;
class QLabel;
class QPushButton;
class QSpinBox;
class TIntervalCapture;

class Tintervalloframe : public QFrame
{
    Q_OBJECT
public:
    explicit Tintervalloframe(QWidget *parent = nullptr);

    // Hooks the controls to the capture's actions (nullptr: unhooks them).
    void Bind(TIntervalCapture *capture);

    // Follow the actions and the run, without setting anything back.
    void ShowDelai(int delai);
    void ShowUnit(int unit);
    void ShowCount(std::int64_t remaining);
    void ShowRunning(bool running);

    // The delay the field shows (10 until the delay setting moves it).
    int DelaiEditValue() const;

    QSpinBox *DelaiEdit() const { return m_delai; }
    QComboBox *UnitList() const { return m_unit; }
    QLabel *CountLabel() const { return m_count; }
    QPushButton *SwitchButton() const { return m_switch; }

private:
    void UserDelai(int value);
    void UserUnit(int index);
    void UserSwitch(bool on);

    QSpinBox *m_delai = nullptr;
    QComboBox *m_unit = nullptr;
    QLabel *m_countCaption = nullptr;
    QLabel *m_count = nullptr;
    QPushButton *m_switch = nullptr;
    QPointer<TIntervalCapture> m_capture;
};
