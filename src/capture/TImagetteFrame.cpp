#include "capture/TImagetteFrame.h"

#include "media/FitRect.h"
#include "widgets/TClickLabel.h"

#include <QLabel>

namespace {

// Hints keep the line break of their original text; tool tips want a plain "\n".
QString HintText(const char *text)
{
    return QString::fromUtf8(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

void SetBackground(QWidget *w, const QColor &c)
{
    QPalette pal = w->palette();
    pal.setColor(QPalette::Window, c);
    w->setPalette(pal);
    w->setAutoFillBackground(true);
}

} // namespace

TImagetteFrame::TImagetteFrame(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("ImagetteFrame"));
    m_timecodeFrame = new QFrame(this);
    m_timecodeFrame->setFrameShape(QFrame::Box);
    m_timecode = new QLabel(this);
    m_timecode->setAlignment(Qt::AlignCenter);
    m_size = new QLabel(this);
    m_picture = new TClickLabel(this);
    m_picture->setCursor(Qt::PointingHandCursor);
    m_picture->setToolTip(QStringLiteral("Cliquez sur l'image pour revenir à cette position de la vidéo"));
    m_name = new TClickLabel(this);
    m_name->setAlignment(Qt::AlignCenter);
    m_highlight = new QFrame(this);
    m_highlight->setFrameShape(QFrame::Box);
    m_highlight->setLineWidth(2);
    m_highlight->setAttribute(Qt::WA_TransparentForMouseEvents);

    connect(m_picture, &TClickLabel::Clicked, this, [this] {
        if (!m_timecode->text().isEmpty())
            Q_EMIT PictureClicked(m_timecode->text());
    });
    connect(m_name, &TClickLabel::Clicked, this, &TImagetteFrame::NameClicked);
    Clear();
}

void TImagetteFrame::ShowCapture(const QImage &picture, QSize saveSize, const QString &timecode,
                                 const QString &name)
{
    m_saveSize = saveSize;
    m_size->setText(QStringLiteral("%1 x %2").arg(saveSize.width()).arg(saveSize.height()));
    m_picture->SetImage(picture);
    m_timecode->setText(timecode);
    m_name->setText(name);
    SetSaved(false);
    LayoutImagette();
}

void TImagetteFrame::SetSaved(bool saved)
{
    m_saved = saved;
    if (saved) {
        SetBackground(m_name, QColor(192, 220, 192));
        m_name->setToolTip(QStringLiteral("Cette image a déjà été enregistrée"));
        m_name->setCursor(Qt::ArrowCursor);
    } else {
        SetBackground(m_name, palette().color(QPalette::Button));
        m_name->setToolTip(HintText("Cette image n'a pas encore été enregistrée\r\n"
                                    "Cliquez sur ce label pour l'enregistrer"));
        m_name->setCursor(Qt::PointingHandCursor);
    }
}

void TImagetteFrame::HideHighlight()
{
    m_highlight->hide();
}

void TImagetteFrame::Clear()
{
    m_picture->SetImage(QImage());
    m_size->clear();
    m_name->clear();
    m_name->setToolTip(QString());
    m_name->setAutoFillBackground(false);
    m_name->setCursor(Qt::ArrowCursor);
    m_saved = false;
    m_timecode->clear();
    m_saveSize = QSize();
    LayoutImagette();
    m_highlight->show();
    m_highlight->raise();
}

void TImagetteFrame::LayoutImagette()
{
    const QRect pic = FitRect(m_saveSize.width(), m_saveSize.height(), rect(), Margin, true);
    m_picture->setGeometry(pic);
    const int line = fontMetrics().height() + 4;
    m_name->setGeometry(pic.left(), pic.top() + pic.height(), pic.width(), line);
    m_timecode->setGeometry(pic.left(), pic.top() - 34, pic.width(), line);
    m_timecodeFrame->setGeometry(pic.left(), pic.top() - 42, pic.width(), 42 - 14);
    m_size->setGeometry(pic.left(), pic.top() - 12 - fontMetrics().height(), pic.width(),
                        fontMetrics().height());
    m_highlight->setGeometry(pic);
}

void TImagetteFrame::resizeEvent(QResizeEvent *event)
{
    QFrame::resizeEvent(event);
    LayoutImagette();
}

QString TImagetteFrame::SizeText() const
{
    return m_size->text();
}
QString TImagetteFrame::TimecodeText() const
{
    return m_timecode->text();
}
QString TImagetteFrame::NameText() const
{
    return m_name->text();
}
QString TImagetteFrame::NameHint() const
{
    return m_name->toolTip();
}
QRect TImagetteFrame::PictureRect() const
{
    return m_picture->geometry();
}
bool TImagetteFrame::HighlightVisible() const
{
    return m_highlight->isVisibleTo(const_cast<TImagetteFrame *>(this));
}
