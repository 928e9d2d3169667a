#pragma once
// The full-window pages of the application manager and the about frame.
//
// A page covers the client area of the window it is laid over (a main window's central widget,
// or the whole window), follows its size, and keeps its frame centred. The about frame holds
// the title, the information text, the warranty notice and the close line; the application
// manager fills it each time the page opens.
//
// Main thread only.
#include <QFrame>
#include <QPointer>

class QLabel;
class TLinkEdit;

class TFullWindowPage : public QFrame
{
    Q_OBJECT
public:
    // A hidden page over `window`, in `colour`.
    TFullWindowPage(QWidget *window, const QColor &colour, const QString &name);

    QWidget *Frame() const { return m_frame; }
    // The frame shown centred on the page (the page takes it as a child).
    void SetFrame(QWidget *frame);
    // Shows the page in front of the window's other children.
    void ShowInFront();
    // Left and top of a frame of `frame` size centred on a page of `page` size.
    static QPoint CentredPos(const QSize &page, const QSize &frame);

protected:
    bool eventFilter(QObject *watched, QEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    void Cover();
    void Centre();

    QPointer<QWidget> m_window;
    QPointer<QWidget> m_frame;
};

class TAboutFrame : public QFrame
{
    Q_OBJECT
public:
    explicit TAboutFrame(QWidget *parent = nullptr);

    QLabel *TitleLabel() const { return m_title; }
    TLinkEdit *InfoText() const { return m_info; }
    QLabel *WarrantyLabel() const { return m_warranty; }
    TLinkEdit *CloseLine() const { return m_close; }

private:
    QLabel *m_title = nullptr;
    TLinkEdit *m_info = nullptr;
    QLabel *m_warranty = nullptr;
    TLinkEdit *m_close = nullptr;
};
