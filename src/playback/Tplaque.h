#pragma once
// The borderless plate that covers the monitor in full-screen mode. The renderer manager owns
// the one instance: it positions and colours it, moves the border shape drawn around the
// picture, and shows or hides the hint that tells how to leave full screen. Closing the plate
// only hides it. Main thread only.
#include <QColor>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QWidget>

// The rectangle painted around the picture: a solid fill in the border colour, over which the
// video is drawn.
class TPlaqueShape : public QWidget
{
    Q_OBJECT
public:
    explicit TPlaqueShape(QWidget *parent = nullptr);
    QColor BrushColor() const { return m_brush; }
    void SetBrushColor(const QColor &c);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_brush = QColor(192, 192, 192);
};

// The quit hint: a label that reports clicks.
class TPlaqueHint : public QLabel
{
    Q_OBJECT
public:
    using QLabel::QLabel;
Q_SIGNALS:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent *event) override;
};

class Tplaque : public QWidget
{
    Q_OBJECT
public:
    static QString QuitHintText() { return QStringLiteral("Alt+Entrée pour quitter le mode Plein Ecran"); }

    explicit Tplaque(QWidget *parent = nullptr);

    // The plate's own colour (black until the renderer manager sets BackColor).
    QColor BackColor() const { return m_back; }
    void SetBackColor(const QColor &c);

    TPlaqueShape *Shape() const { return m_shape; }
    TPlaqueHint *PanelQuit() const { return m_panelQuit; }

    // Places the border shape (plate coordinates) and gives it its colour.
    void SetShape(const QRect &rect, const QColor &color);
    void ShowQuitHint();
    void HideQuitHint();

    // The menu shown on a right click (the main window's pop-up menu); not owned.
    void SetPopupMenu(QMenu *menu) { m_menu = menu; }
    QMenu *PopupMenu() const { return m_menu; }

Q_SIGNALS:
    // The hint panel was clicked (the renderer manager hides the hint).
    void QuitHintClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void PlaceHint();

    QColor m_back = Qt::black;
    TPlaqueShape *m_shape = nullptr;
    TPlaqueHint *m_panelQuit = nullptr;
    QPointer<QMenu> m_menu;
};
