#pragma once
// The image-saving panel: folder, root, numbering, format and JPEG quality of the grabbed
// images. It holds no state of its own: every control shows and sets one of the grabber's
// actions (TActionBinding).
//
// The root field is exposed so that the window can take the volume and play shortcuts away
// while it has the focus (typing "+" there must add the character).
// Main thread only.
#include <QFrame>

#include <functional>

class QButtonGroup;
class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QSlider;
class QSpinBox;
class QToolButton;
class TGrabber;

class TDossiersFrame : public QFrame
{
    Q_OBJECT
public:
    TDossiersFrame(TGrabber &grabber, QWidget *parent = nullptr);

    // Asks for an existing folder (no new folder can be made there); empty when cancelled.
    // Replaceable for tests; by default the toolkit's folder dialog.
    std::function<QString(const QString &current)> ChooseFolder;
    // The folder chooser's button: asks, then stores the folder with a trailing "/".
    void BrowseFolder();

    QLineEdit *FolderEdit() const { return m_folder; }
    QLineEdit *RootEdit() const { return m_root; }
    QButtonGroup *RootGroup() const { return m_rootGroup; }
    QCheckBox *LimitBox() const { return m_limit; }
    QLineEdit *LengthEdit() const { return m_length; }
    QButtonGroup *SuffixGroup() const { return m_suffixGroup; }
    QSpinBox *NextNumSpin() const { return m_nextNum; }
    QSpinBox *DigitsSpin() const { return m_digits; }
    QButtonGroup *FormatGroup() const { return m_formatGroup; }
    QSlider *QualitySlider() const { return m_quality; }
    QLabel *QualityLabel() const { return m_qualityNumber; }
    QCheckBox *WidenBox() const { return m_widen; }

private:
    TGrabber &m_grabber;
    QLineEdit *m_folder = nullptr;
    QToolButton *m_browse = nullptr;
    QButtonGroup *m_rootGroup = nullptr;
    QLineEdit *m_root = nullptr;
    QCheckBox *m_limit = nullptr;
    QLineEdit *m_length = nullptr;
    QButtonGroup *m_suffixGroup = nullptr;
    QSpinBox *m_nextNum = nullptr;
    QSpinBox *m_digits = nullptr;
    QButtonGroup *m_formatGroup = nullptr;
    QSlider *m_quality = nullptr;
    QLabel *m_qualityNumber = nullptr;
    QCheckBox *m_widen = nullptr;
};
