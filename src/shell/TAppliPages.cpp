#include "shell/TAppliPages.h"

#include "widgets/TLinkEdit.h"

#include <QEvent>
#include <QLabel>
#include <QMainWindow>
#include <QVBoxLayout>

TFullWindowPage::TFullWindowPage(QWidget *window, const QColor &colour, const QString &name)
    : QFrame(window), m_window(window)
{
    setObjectName(name);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colour);
    setPalette(pal);
    hide();
    if (window)
        window->installEventFilter(this);
    Cover();
}

QPoint TFullWindowPage::CentredPos(const QSize &page, const QSize &frame)
{
    return {(page.width() - frame.width()) / 2, (page.height() - frame.height()) / 2};
}

void TFullWindowPage::SetFrame(QWidget *frame)
{
    if (m_frame == frame)
        return;
    if (m_frame && m_frame->parent() == this)
        m_frame->hide();
    m_frame = frame;
    if (frame) {
        frame->setParent(this);
        frame->show();
        Centre();
    }
}

void TFullWindowPage::ShowInFront()
{
    Cover();
    show();
    raise();
}

void TFullWindowPage::Cover()
{
    if (!m_window)
        return;
    // Over a main window's central widget: its menu bar stays reachable.
    auto *mw = qobject_cast<QMainWindow *>(m_window.data());
    if (mw && mw->centralWidget())
        setGeometry(mw->centralWidget()->geometry());
    else
        setGeometry(m_window->rect());
}

void TFullWindowPage::Centre()
{
    if (m_frame)
        m_frame->move(CentredPos(size(), m_frame->size()));
}

bool TFullWindowPage::eventFilter(QObject *watched, QEvent *e)
{
    if (watched == m_window && (e->type() == QEvent::Resize || e->type() == QEvent::LayoutRequest))
        Cover();
    return QFrame::eventFilter(watched, e);
}

void TFullWindowPage::resizeEvent(QResizeEvent *e)
{
    QFrame::resizeEvent(e);
    Centre();
}

TAboutFrame::TAboutFrame(QWidget *parent) : QFrame(parent)
{
    setObjectName(QStringLiteral("AboutFrame"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(255, 255, 255));
    setPalette(pal);
    resize(560, 430);

    auto *lay = new QVBoxLayout(this);
    lay->setContentsMargins(20, 16, 20, 14);
    lay->setSpacing(10);

    m_title = new QLabel(this);
    m_title->setObjectName(QStringLiteral("AboutTitle"));
    QFont tf = m_title->font();
    tf.setPointSize(18);
    tf.setBold(true);
    m_title->setFont(tf);
    m_title->setStyleSheet(QStringLiteral("color: navy"));
    m_title->setAlignment(Qt::AlignCenter);
    lay->addWidget(m_title);

    m_info = new TLinkEdit(this);
    m_info->setObjectName(QStringLiteral("AboutInfo"));
    m_info->setFrameShape(QFrame::NoFrame);
    lay->addWidget(m_info, 1);

    m_warranty = new QLabel(this);
    m_warranty->setObjectName(QStringLiteral("AboutWarranty"));
    m_warranty->setWordWrap(true);
    QFont wf = m_warranty->font();
    wf.setPointSize(8);
    wf.setItalic(true);
    m_warranty->setFont(wf);
    lay->addWidget(m_warranty);

    m_close = new TLinkEdit(this);
    m_close->setObjectName(QStringLiteral("AboutClose"));
    m_close->setFrameShape(QFrame::NoFrame);
    m_close->setFixedHeight(30);
    m_close->SetDefaultAlignment(Qt::AlignHCenter);
    lay->addWidget(m_close);
}
