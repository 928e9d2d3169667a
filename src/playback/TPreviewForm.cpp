#include "playback/TPreviewForm.h"

#include <QCloseEvent>

#include <algorithm>

TPreviewForm::TPreviewForm(QWidget *parent) : QWidget(parent, Qt::Window)
{
    // Never the application's last window: closing it must not end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    setWindowTitle(QStringLiteral("Framix"));
    setObjectName(QStringLiteral("PreviewForm"));
    setAutoFillBackground(true);
}

void TPreviewForm::closeEvent(QCloseEvent *event)
{
    event->accept();
    Q_EMIT Closed();
}

void TPreviewForm::contextMenuEvent(QContextMenuEvent *event)
{
    if (m_menu)
        m_menu->popup(event->globalPos());
    else
        QWidget::contextMenuEvent(event);
}

QRect TPreviewForm::PlaceBeside(const QRect &mainFrame, const QRect &mainClient, QSize size,
                                const QRect &screen)
{
    // The decorations of this window are taken as those of the main window.
    const int left = mainClient.left() - mainFrame.left();
    const int right = mainFrame.right() - mainClient.right();
    const int top = mainClient.top() - mainFrame.top();
    const int w = std::min(size.width(), std::max(1, screen.width() - left - right));
    const int h = std::min(size.height(), std::max(1, screen.height() - top));
    int x = mainFrame.right() + 1 + left;
    if (x + w + right - 1 > screen.right()) {
        x = mainFrame.left() - right - w;
        if (x - left < screen.left())
            x = screen.right() - right - w + 1;
    }
    const int y = std::clamp(mainClient.top(), screen.top() + top,
                             std::max(screen.top() + top, screen.bottom() - h + 1));
    return QRect(x, y, w, h);
}
