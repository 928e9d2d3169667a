#include "widgets/TClickLabel.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>

namespace {

// A picture of four coloured quarters with a one-pixel black and white grid over the lower
// left one.
QImage Quarters(QSize size, QImage::Format format)
{
    QImage image(size, format);
    QPainter p(&image);
    const int w = size.width() / 2, h = size.height() / 2;
    p.fillRect(0, 0, w, h, Qt::red);
    p.fillRect(w, 0, w, h, Qt::green);
    p.fillRect(w, h, w, h, Qt::blue);
    for (int y = h; y < size.height(); ++y)
        for (int x = 0; x < w; ++x)
            image.setPixelColor(x, y, (x + y) % 2 ? Qt::white : Qt::black);
    return image;
}

QColor At(const QImage &shown, double fx, double fy)
{
    return shown.pixelColor(int(fx * shown.width()), int(fy * shown.height()));
}

void ExpectNear(const QColor &seen, const QColor &wanted, int tolerance)
{
    EXPECT_NEAR(seen.red(), wanted.red(), tolerance) << seen.name().toStdString();
    EXPECT_NEAR(seen.green(), wanted.green(), tolerance) << seen.name().toStdString();
    EXPECT_NEAR(seen.blue(), wanted.blue(), tolerance) << seen.name().toStdString();
}

// The thumbnail of a grab fills the label with the whole picture, each quarter in its place
// and a fine pattern averaged to grey rather than picked to black or white, for a frame far
// larger than the label (1080p, reduced in two passes) as for one close to it (DV). A new
// picture or a new size is drawn again. Grabs come in 24 and 32 bits a pixel.
TEST(ClickLabel, TheThumbnailShowsTheWholePictureAveraged)
{
    TClickLabel label;
    label.resize(160, 90);
    label.show();
    for (const QSize frame : {QSize(1920, 1080), QSize(720, 576), QSize(3840, 2160), QSize(1921, 1081)})
        for (const QImage::Format format : {QImage::Format_RGB888, QImage::Format_RGB32}) {
            SCOPED_TRACE(frame.width());
            SCOPED_TRACE(int(format));
            label.SetImage(Quarters(frame, format));
            const QImage shown = label.grab().toImage();
            ASSERT_EQ(shown.size(), label.size());
            ExpectNear(At(shown, 0.25, 0.25), Qt::red, 8);
            ExpectNear(At(shown, 0.75, 0.25), Qt::green, 8);
            ExpectNear(At(shown, 0.75, 0.75), Qt::blue, 8);
            ExpectNear(At(shown, 0.25, 0.75), QColor(128, 128, 128), 40);
        }
    label.resize(80, 60);
    ExpectNear(At(label.grab().toImage(), 0.75, 0.25), Qt::green, 8);
    label.SetImage(QImage());
    label.setText(QStringLiteral("vide"));
    ExpectNear(At(label.grab().toImage(), 0.75, 0.25), label.palette().color(QPalette::Window), 8);
}

// A click is a press and a release of the left button inside the label.
TEST(ClickLabel, AClickIsAPressAndAReleaseInside)
{
    TClickLabel label;
    label.resize(100, 50);
    label.show();
    QSignalSpy clicked(&label, &TClickLabel::Clicked);
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButton button) {
        QMouseEvent e(type, QPointF(at), label.mapToGlobal(QPointF(at)), button,
                      type == QEvent::MouseButtonPress ? button : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&label, &e);
    };
    send(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {20, 20}, Qt::LeftButton);
    EXPECT_EQ(clicked.count(), 1);
    send(QEvent::MouseButtonPress, {10, 10}, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, {150, 20}, Qt::LeftButton); // dragged out first
    send(QEvent::MouseButtonPress, {10, 10}, Qt::RightButton);
    send(QEvent::MouseButtonRelease, {10, 10}, Qt::RightButton);
    EXPECT_EQ(clicked.count(), 1);
}

} // namespace
