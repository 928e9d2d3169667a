#include "playback/Tplaque.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>

namespace {
constexpr int HintMargin = 16;  // distance of the hint from the plate's top edge
constexpr int HintPadding = 12; // space around the hint's text
} // namespace

TPlaqueShape::TPlaqueShape(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_TransparentForMouseEvents); // clicks reach the plate (its menu)
}

void TPlaqueShape::SetBrushColor(const QColor &c)
{
    if (c != m_brush) {
        m_brush = c;
        update();
    }
}

void TPlaqueShape::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), m_brush);
}

void TPlaqueHint::mousePressEvent(QMouseEvent *event)
{
    QLabel::mousePressEvent(event);
    Q_EMIT Clicked();
}

Tplaque::Tplaque(QWidget *parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint)
{
    // The plate is never the application's last window: closing it must not end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setWindowTitle(QStringLiteral("Framix"));

    m_shape = new TPlaqueShape(this);
    m_shape->setObjectName(QStringLiteral("Shape"));
    m_shape->hide(); // placed by the renderer manager once it knows the picture's rectangle

    m_panelQuit = new TPlaqueHint(QuitHintText(), this);
    m_panelQuit->setObjectName(QStringLiteral("PanelQuit"));
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(17);
    m_panelQuit->setFont(f);
    m_panelQuit->setAlignment(Qt::AlignCenter);
    m_panelQuit->setAutoFillBackground(true);
    QPalette pal = m_panelQuit->palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 225)); // information (tool-tip) yellow
    pal.setColor(QPalette::WindowText, Qt::black);
    m_panelQuit->setPalette(pal);
    m_panelQuit->setFrameShape(QFrame::Box);
    m_panelQuit->setCursor(Qt::PointingHandCursor);
    connect(m_panelQuit, &TPlaqueHint::Clicked, this, &Tplaque::QuitHintClicked);
    PlaceHint();
}

void Tplaque::SetBackColor(const QColor &c)
{
    if (c != m_back) {
        m_back = c;
        update();
    }
}

void Tplaque::SetShape(const QRect &rect, const QColor &color)
{
    m_shape->setGeometry(rect);
    m_shape->SetBrushColor(color);
    m_shape->show();
    m_shape->raise();
    // The hint stays above the shape.
    m_panelQuit->raise();
}

void Tplaque::ShowQuitHint()
{
    PlaceHint();
    m_panelQuit->show();
    m_panelQuit->raise();
}

void Tplaque::HideQuitHint()
{
    m_panelQuit->hide();
}

void Tplaque::PlaceHint()
{
    const QSize text = m_panelQuit->fontMetrics().size(Qt::TextSingleLine, QuitHintText());
    const QSize size(text.width() + 2 * HintPadding, text.height() + HintPadding);
    m_panelQuit->setGeometry((width() - size.width()) / 2, HintMargin, size.width(), size.height());
}

void Tplaque::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), m_back);
}

void Tplaque::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    PlaceHint();
}

void Tplaque::contextMenuEvent(QContextMenuEvent *event)
{
    if (m_menu)
        m_menu->popup(event->globalPos());
    else
        QWidget::contextMenuEvent(event);
}
