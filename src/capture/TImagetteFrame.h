#pragma once
// The thumbnail panel: the last captured picture (as it is saved), its size, the position of its
// frame and its file name. The name label tells whether the picture was saved; a click on it
// saves it, a click on the picture returns the video to that frame (the grabber connects both).
//
// Layout: the picture takes the largest rectangle of its aspect inside the panel less a 12-pixel
// margin; the name label sits right under it, the size label 12 pixels and the position label 34
// pixels (in a frame 42 pixels) above it; the highlight frame lies on the picture's bounds.
// Main thread only.
#include <QFrame>
#include <QImage>

class QLabel;
class TClickLabel;

class TImagetteFrame : public QFrame
{
    Q_OBJECT
public:
    explicit TImagetteFrame(QWidget *parent = nullptr);

    // Shows a new capture, not saved yet: picture (saveSize is its saved size), position text and
    // the file-name part of the image's name.
    void ShowCapture(const QImage &picture, QSize saveSize, const QString &timecode, const QString &name);
    // The name label in the "saved" state (true) or the "not yet saved" state.
    void SetSaved(bool saved);
    bool Saved() const { return m_saved; }
    void HideHighlight();
    // Empty panel: no picture, labels emptied, highlight frame in front.
    void Clear();
    // Places the children for the current picture size (also on every resize).
    void LayoutImagette();

    QString SizeText() const;
    QString TimecodeText() const;
    QString NameText() const;
    QString NameHint() const;
    QRect PictureRect() const;
    bool HighlightVisible() const;
    TClickLabel *PictureLabel() const { return m_picture; }
    TClickLabel *NameLabel() const { return m_name; }

    static constexpr int Margin = 12;

Q_SIGNALS:
    // The picture was clicked while a position is known; timecode is that position.
    void PictureClicked(const QString &timecode);
    void NameClicked();

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    QSize m_saveSize;
    bool m_saved = false;
    TClickLabel *m_picture = nullptr;
    TClickLabel *m_name = nullptr;
    QLabel *m_timecode = nullptr;
    QFrame *m_timecodeFrame = nullptr;
    QLabel *m_size = nullptr;
    QFrame *m_highlight = nullptr;
};
