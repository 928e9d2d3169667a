// The video manager's message displays: the label and the picture shown in the bound window
// when there is no video (VideoState 0) or when it cannot be decoded (VideoState 2), their
// layout, and the two pictures, drawn here.
#include "playback/TVideoMan.h"

#include "widgets/TLinkEdit.h"

#include <QEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>

QString TVideoMan::DefaultNoVideoText()
{
    return QStringLiteral("<color blue>Aucun flux vidéo n'a été connecté</color><br center>");
}

QString TVideoMan::DefaultBadVideoText()
{
    return QStringLiteral("Le flux vidéo n'a pas pu être décompressé<br center>");
}

namespace {

// A screen with a strip of film: the frame both pictures share.
void DrawScreen(QPainter &p, const QColor &glass)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 70), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(200, 200, 205));
    p.drawRoundedRect(QRectF(16, 28, 160, 116), 10, 10);
    p.setPen(Qt::NoPen);
    p.setBrush(glass);
    p.drawRect(QRectF(28, 40, 136, 92));
    // The film strip's perforations along the top and bottom of the glass.
    p.setBrush(QColor(235, 235, 235));
    for (int x = 34; x < 160; x += 16) {
        p.drawRect(QRectF(x, 44, 8, 6));
        p.drawRect(QRectF(x, 122, 8, 6));
    }
    // The stand.
    p.setBrush(QColor(60, 60, 70));
    p.drawRect(QRectF(86, 146, 20, 16));
    p.drawRoundedRect(QRectF(56, 160, 80, 10), 4, 4);
}

QImage MakePicture(bool bad)
{
    QImage img(TVideoMan::kPictureSize, TVideoMan::kPictureSize, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    if (!bad) {
        DrawScreen(p, QColor(40, 40, 48));
        // The "no" sign over an empty screen.
        p.setPen(QPen(QColor(0, 0, 200), 9, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(96, 86), 32, 32);
        p.drawLine(QPointF(73, 109), QPointF(119, 63));
    } else {
        DrawScreen(p, QColor(90, 90, 100));
        // Scrambled blocks of a picture that does not decode.
        const QColor blocks[] = {QColor(20, 160, 60), QColor(200, 40, 160), QColor(30, 60, 200),
                                 QColor(220, 200, 30)};
        for (int i = 0; i < 12; ++i)
            p.fillRect(QRectF(30 + (i * 37) % 120, 54 + (i * 23) % 60, 14, 10), blocks[i % 4]);
        // A warning triangle.
        QPainterPath tri;
        tri.moveTo(96, 56);
        tri.lineTo(132, 120);
        tri.lineTo(60, 120);
        tri.closeSubpath();
        p.setPen(QPen(QColor(120, 0, 0), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(QColor(230, 30, 30));
        p.drawPath(tri);
        p.setPen(QPen(Qt::white, 8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(96, 76), QPointF(96, 100));
        p.drawPoint(QPointF(96, 112));
    }
    p.end();
    return img;
}

} // namespace

QPixmap TVideoMan::NoVideoPicture()
{
    // Kept as an image: a pixmap may not outlive the application object.
    static const QImage picture = MakePicture(false);
    return QPixmap::fromImage(picture);
}

QPixmap TVideoMan::BadVideoPicture()
{
    static const QImage picture = MakePicture(true);
    return QPixmap::fromImage(picture);
}

void TVideoMan::ShowMessage(const QString &text, const QPixmap &picture)
{
    MessageLayout();
    if (m_label) {
        m_label->SetRichText(text);
        // Read-only text without caret or selection.
        QTextCursor c = m_label->textCursor();
        c.clearSelection();
        m_label->setTextCursor(c);
        m_label->setCursorWidth(0);
    }
    if (m_picture)
        m_picture->setPixmap(picture);
    MessageLayout();
}

void TVideoMan::ShowNoVideo()
{
    m_videoState = TVideoState::NoVideo;
    ShowMessage(OnNoVideoStream ? OnNoVideoStream() : DefaultNoVideoText(), NoVideoPicture());
}

void TVideoMan::ShowBadVideo()
{
    m_videoState = TVideoState::NotDecodable;
    ShowMessage(OnBadVideoStream ? OnBadVideoStream() : DefaultBadVideoText(), BadVideoPicture());
}

void TVideoMan::ShowVideo()
{
    m_videoState = TVideoState::Shown;
    MessageLayout();
}

void TVideoMan::BoundWindowChanged()
{
    // The new window shows the display of the current state.
    switch (m_videoState) {
    case TVideoState::NoVideo:
        ShowNoVideo();
        break;
    case TVideoState::NotDecodable:
        ShowBadVideo();
        break;
    default:
        ShowVideo();
        break;
    }
    if (QWidget *w = BoundWindow())
        w->update();
}

void TVideoMan::MessageLayout()
{
    QWidget *w = BoundWindow();
    // Without a window they wait; a window that went away took them along (made again here).
    if (!w)
        return;
    if (!m_label) {
        m_label = new TLinkEdit();
        m_label->setFrameStyle(QFrame::NoFrame);
        m_label->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_label->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        m_label->setTextInteractionFlags(Qt::NoTextInteraction);
        m_label->setFocusPolicy(Qt::NoFocus);
        m_label->setCursorWidth(0);
        m_label->installEventFilter(this);
        m_label->hide();
    }
    if (!m_picture) {
        m_picture = new QLabel();
        m_picture->setFixedSize(kPictureSize, kPictureSize);
        m_picture->setAlignment(Qt::AlignCenter);
        m_picture->hide();
    }
    if (m_label->parentWidget() != w)
        m_label->setParent(w);
    if (m_picture->parentWidget() != w)
        m_picture->setParent(w);
    // The label in the window's own colour.
    QPalette pal = m_label->palette();
    const QColor own = w->palette().color(w->backgroundRole());
    pal.setColor(QPalette::Base, own);
    pal.setColor(QPalette::Window, own);
    m_label->setPalette(pal);
    m_label->viewport()->setAutoFillBackground(true);

    const QRect client = w->rect();
    const bool message = m_videoState != TVideoState::Shown;
    const int labelHeight = leHeight;
    const int labelTop = client.height() - labelHeight - 8;
    m_label->setGeometry(8, labelTop, client.width() - 16, labelHeight);
    m_picture->move((client.width() - kPictureSize) / 2, (labelTop - kPictureSize) / 2);
    m_label->setVisible(message && client.width() > 16);
    m_picture->setVisible(message);
    if (message) {
        m_label->raise();
        m_picture->raise();
    } else {
        UpdateLayout();
    }
    m_label->viewport()->update();
}

bool TVideoMan::eventFilter(QObject *watched, QEvent *event)
{
    const bool handled = TWindowLessMan::eventFilter(watched, event);
    // The event's type first: a watched widget also sends events from its destructor, when it
    // is no longer of its own class and the guarded pointer must not be read as one.
    if (event->type() == QEvent::Resize && watched == BoundWindow()) {
        MessageLayout();
    } else if (event->type() == QEvent::FocusIn && watched == m_label.data()) {
        // The label never keeps the focus: the window it lies on takes it.
        if (QWidget *w = BoundWindow())
            w->setFocus();
    }
    return handled;
}
