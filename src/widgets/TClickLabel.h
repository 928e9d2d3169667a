#pragma once
// A label that reports a left click, and can show a picture stretched over its whole rectangle
// (the thumbnail): the picture is shared, not copied, and scaled only when painted.
// Main thread only.
#include <QImage>
#include <QLabel>

class TClickLabel : public QLabel
{
    Q_OBJECT
public:
    explicit TClickLabel(QWidget *parent = nullptr);

    // Shows image stretched over the label instead of its text (null: the text again).
    void SetImage(const QImage &image);
    const QImage &Image() const { return m_image; }

Q_SIGNALS:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
    QImage m_scaled; // m_image at the label's size, made at the first paint after a change
    bool m_pressed = false;
};
