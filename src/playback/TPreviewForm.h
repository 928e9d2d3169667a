#pragma once
// The separate window that can show the video instead of the main window's video panel. The
// renderer manager owns it, binds the picture to it and keeps its bounds. Closing it only
// hides it and reports the close (the manager then brings the video back to its window).
// Main thread only.
#include <QMenu>
#include <QPointer>
#include <QRect>
#include <QWidget>

class TPreviewForm : public QWidget
{
    Q_OBJECT
public:
    explicit TPreviewForm(QWidget *parent = nullptr);

    // Where the window opens when no place of its own is known yet (or the known one lies on
    // no screen): beside the main window, on its right where the screen has room, else on its
    // left, else at the screen's right edge; its top at the main window's client top, so that
    // the title bar stays on the screen. Frames are the windows with their decorations.
    static QRect PlaceBeside(const QRect &mainFrame, const QRect &mainClient, QSize size,
                             const QRect &screen);

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
