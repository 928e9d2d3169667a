#include "widgets/TClickLabel.h"

#include <QMouseEvent>
#include <QPainter>

namespace {

// image at half its width and height, each pixel the mean of the 2 x 2 block it stands for,
// byte by byte: right for the 24-bit and 32-bit formats the grabs are in; null (no reduction)
// for any other.
QImage Halved(const QImage &image)
{
    const int bytes = image.depth() / 8;
    if ((image.format() != QImage::Format_RGB888 && bytes != 4) || image.width() < 2 || image.height() < 2)
        return {};
    QImage half(image.width() / 2, image.height() / 2, image.format());
    if (half.isNull())
        return {};
    for (int y = 0; y < half.height(); ++y) {
        const uchar *a = image.constScanLine(2 * y);
        const uchar *b = image.constScanLine(2 * y + 1);
        uchar *out = half.scanLine(y);
        for (int x = 0; x < half.width(); ++x, a += 2 * bytes, b += 2 * bytes, out += bytes)
            for (int c = 0; c < bytes; ++c)
                out[c] = uchar((a[c] + a[c + bytes] + b[c] + b[c + bytes] + 2) / 4);
    }
    return half;
}

} // namespace

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
    if (m_scaled.size() != size()) {
        // A smooth scale of a 24-bit picture first converts the whole of it: at every grab of a
        // 1080p frame an 8 MB buffer faulted in, some 40 ms of the window's thread. Halving by
        // averaging (every source pixel still counts) brings it within four times the label.
        QImage source = m_image;
        while (source.width() > 4 * width() && source.height() > 4 * height()) {
            QImage half = Halved(source);
            if (half.isNull())
                break;
            source = std::move(half);
        }
        m_scaled = source.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    QPainter p(this);
    p.drawImage(0, 0, m_scaled);
}
