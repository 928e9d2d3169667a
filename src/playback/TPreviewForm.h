#pragma once
// The separate window that can show the video instead of the main window's video panel. The
// renderer manager owns it, binds the picture to it and keeps its bounds. Closing it only
// hides it and reports the close (the manager then brings the video back to its window).
// Main thread only.
#include <QMenu>
#include <QPointer>
#include <QWidget>

class TPreviewForm : public QWidget
{
    Q_OBJECT
public:
    explicit TPreviewForm(QWidget *parent = nullptr);

    // The menu shown on a right click (the main window's pop-up menu); not owned.
    void SetPopupMenu(QMenu *menu) { m_menu = menu; }

Q_SIGNALS:
    void Closed();

protected:
    void closeEvent(QCloseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    QPointer<QMenu> m_menu;
};
