#pragma once
// The overlay panel: what the overlay says (the six modes and the two custom lines) and how it
// looks (font, size, colour, border, alignment, transparency), with the subtitle preset and the
// switches of the overlay and of its position sliders.
//
// It holds no state of its own: every control sets one of the window's or the video manager's
// actions and follows it (TActionBinding); the mode buttons show the mode last chosen, which the
// window reads back when it saves (ModeDown). Main thread only.
#include <QColor>
#include <QFrame>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFontComboBox;
class QLineEdit;
class QSpinBox;
class QToolButton;
class TBooleanAction;
class TCheckAction;
class TColorAction;
class TDoubleAction;
class TFontAction;
class TIntegerAction;
class TNopeAction;
class TWidestringAction;

class TIncrustFrame : public QFrame
{
    Q_OBJECT
public:
    struct TActions
    {
        TNopeAction *Modes[6]; // naInsertTimestamp … naInsertSysdateTime, in mode order
        TWidestringAction *InsertPerso1;
        TWidestringAction *InsertPerso2;
        TWidestringAction *InsertFontName;
        TColorAction *InsertFontColor;
        TIntegerAction *InsertFontSize;
        TBooleanAction *InsertAutoSize;
        TCheckAction *Styles[4]; // bold, italic, underline, strike-out
        TNopeAction *Soustitres;
        TCheckAction *Sliders;
        // The video manager's.
        TCheckAction *InsertTextOn;
        TFontAction *InsertFont;
        TIntegerAction *InsertBorderWidth;
        TColorAction *InsertBorderColor;
        TDoubleAction *InsertTransparency;
        TIntegerAction *InsertAlignLines;
        TCheckAction *InsertAntiAliasing;
    };
    TIncrustFrame(const TActions &actions, QWidget *parent = nullptr);

    // The captions of the mode buttons and of the border menu.
    static QStringList ModeCaptions();
    static QStringList BorderCaptions();

    // The mode button pressed (-1: none).
    int ModeDown() const;
    void SetModeDown(int mode);

    // Asks for a colour (false when cancelled). Replaceable for tests; by default the toolkit's
    // colour dialog.
    std::function<bool(QColor &)> ChooseColor;

    QButtonGroup *ModeGroup() const { return m_modes; }
    QLineEdit *PersoEdit1() const { return m_perso1; }
    QLineEdit *PersoEdit2() const { return m_perso2; }
    QFontComboBox *FontBox() const { return m_font; }
    QToolButton *FontColorButton() const { return m_fontColor; }
    QComboBox *SizeBox() const { return m_size; }
    QComboBox *BorderBox() const { return m_border; }
    QToolButton *BorderColorButton() const { return m_borderColor; }
    QButtonGroup *AlignGroup() const { return m_align; }
    QSpinBox *TransparencySpin() const { return m_transparency; }
    QCheckBox *OverlayBox() const { return m_on; }
    // The size box's text was chosen or typed (Enter, leaving the field).
    void SizeChosen(const QString &text);

private:
    void ShowSize();
    void ShowFont();

    TActions m_a;
    QButtonGroup *m_modes = nullptr;
    QLineEdit *m_perso1 = nullptr;
    QLineEdit *m_perso2 = nullptr;
    QFontComboBox *m_font = nullptr;
    QToolButton *m_fontColor = nullptr;
    QComboBox *m_size = nullptr;
    QComboBox *m_border = nullptr;
    QToolButton *m_borderColor = nullptr;
    QButtonGroup *m_align = nullptr;
    QSpinBox *m_transparency = nullptr;
    QCheckBox *m_on = nullptr;
};
