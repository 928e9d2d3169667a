#include "widgets/TClickLabel.h"

#include <QMouseEvent>
#include <QPainter>

TClickLabel::TClickLabel(QWidget *parent) : QLabel(parent)
{}

void TClickLabel::SetImage(const QImage &image)
{
    m_image = image;
    m_scaled = QImage();
    update();
}

void TClickLabel::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void TClickLabel::mouseReleaseEvent(QMouseEvent *event)
{
    // A click is a press and a release of the left button inside the label.
    const bool click =
        m_pressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (click)
        Q_EMIT Clicked();
}

void TClickLabel::paintEvent(QPaintEvent *event)
{
    if (m_image.isNull()) {
        QLabel::paintEvent(event);
        return;
    }
    if (m_scaled.size() != size())
        m_scaled = m_image.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QPainter p(this);
    p.drawImage(0, 0, m_scaled);
}
