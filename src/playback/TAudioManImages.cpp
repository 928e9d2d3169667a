// The audio status pictures, drawn here: a loudspeaker, alone (no audio), crossed out in red
// (the audio cannot be decoded), with a warning sign (no output device), struck through
// (muted) or sounding. In the order of their indexes in AudioImages.
#include "playback/TAudioMan.h"
#include "widgets/TImageList.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>

namespace {

constexpr int kSize = 24;

void DrawSpeaker(QPainter &p, const QColor &color)
{
    QPainterPath body;
    body.moveTo(3, 9);
    body.lineTo(7, 9);
    body.lineTo(12, 4);
    body.lineTo(12, 20);
    body.lineTo(7, 15);
    body.lineTo(3, 15);
    body.closeSubpath();
    p.setPen(QPen(color.darker(160), 1));
    p.setBrush(color);
    p.drawPath(body);
}

QIcon StatusIcon(int index)
{
    QImage img(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor grey(140, 140, 140), dark(50, 50, 60);
    switch (index) {
    case 0: // no audio
        DrawSpeaker(p, grey);
        break;
    case 1: // not decodable
        DrawSpeaker(p, grey);
        p.setPen(QPen(QColor(210, 20, 20), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(15, 8), QPointF(21, 16));
        p.drawLine(QPointF(21, 8), QPointF(15, 16));
        break;
    case 2: { // no output device
        DrawSpeaker(p, grey);
        QPainterPath tri;
        tri.moveTo(18, 8);
        tri.lineTo(23, 20);
        tri.lineTo(13, 20);
        tri.closeSubpath();
        p.setPen(QPen(QColor(120, 90, 0), 1));
        p.setBrush(QColor(245, 200, 30));
        p.drawPath(tri);
        p.setPen(QPen(Qt::black, 1.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(18, 12), QPointF(18, 16));
        p.drawPoint(QPointF(18, 18.5));
        break;
    }
    case 3: // muted
        DrawSpeaker(p, dark);
        p.setPen(QPen(QColor(210, 20, 20), 2.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(3, 21), QPointF(21, 3));
        break;
    default: // sounding
        DrawSpeaker(p, dark);
        p.setPen(QPen(dark, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(9, 7, 8, 10), -50 * 16, 100 * 16);
        p.drawArc(QRectF(8, 3, 14, 18), -50 * 16, 100 * 16);
        break;
    }
    p.end();
    return QIcon(QPixmap::fromImage(img));
}

} // namespace

TImageList *TAudioMan::MakeStatusImages(QObject *parent)
{
    // Pictures need the graphical application object.
    if (!qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return nullptr;
    auto *list = new TImageList(parent);
    for (int i = 0; i < 5; ++i)
        list->Add(StatusIcon(i));
    return list;
}
