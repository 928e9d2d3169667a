#include "playback/TPreviewForm.h"

#include <QCloseEvent>

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
