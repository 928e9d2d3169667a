#pragma once
// A panel that lines up its child widgets from left to right: every visible child is placed at
// ButtonTop with the height ButtonHeight and its own width (at least ButtonMinWidth), separated
// by ButtonSpacing, with ButtonMargin before the first and after the last. The row sits left,
// right or centred; with Autosize the bar takes the size of its row; with AutoSeparation the
// separators (TVDSeparator) share the width the other children leave.
//
// The order of the row is the order of the children's left edges (ties keep the order in which
// they were added): a child is moved within the row by giving it a left edge between those of
// its new neighbours and calling Realign(). A child added while its left edge is still 0 joins
// the end of the row. Hidden children keep their place in the order but take no room.
//
// The layout runs whenever a layout property changes, the bar is resized, and a child is
// added, removed, shown, hidden or resized. Main thread only.
#include <QFrame>
#include <QList>
#include <QPointer>

class TVDBar : public QFrame
{
    Q_OBJECT
public:
    enum class TBarAlignment { taLeftJustify, taRightJustify, taCenter };

    explicit TVDBar(QWidget *parent = nullptr);
    ~TVDBar() override;

    int ButtonHeight() const { return m_buttonHeight; }
    void SetButtonHeight(int v);
    // Kept for the owner's use; the layout uses each child's own width.
    int ButtonWidth() const { return m_buttonWidth; }
    void SetButtonWidth(int v);
    int ButtonMargin() const { return m_buttonMargin; }
    void SetButtonMargin(int v);
    int ButtonTop() const { return m_buttonTop; }
    void SetButtonTop(int v);
    int ButtonSpacing() const { return m_buttonSpacing; }
    void SetButtonSpacing(int v);
    int ButtonMinWidth() const { return m_buttonMinWidth; }
    void SetButtonMinWidth(int v);
    TBarAlignment Alignment() const { return m_alignment; }
    void SetAlignment(TBarAlignment v);
    bool Autosize() const { return m_autosize; }
    void SetAutosize(bool v);
    bool AutoSeparation() const { return m_autoSeparation; }
    void SetAutoSeparation(bool v);

    // The children known to the bar, in row order.
    QList<QWidget *> Controls() const;

    // The alignment pass: orders the children by their left edges, then lays them out.
    void Realign();
    // Places the children in their current order.
    void Layout();

protected:
    bool event(QEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;

private:
    struct Entry
    {
        QPointer<QWidget> control;
        bool placed = false; // laid out once, or given a left edge of its own
    };
    void Forget(QObject *o);
    void Prune();

    int m_buttonHeight = 28;
    int m_buttonWidth = 28;
    int m_buttonMargin = 0;
    int m_buttonTop = 4;
    int m_buttonSpacing = 0;
    int m_buttonMinWidth = 0;
    TBarAlignment m_alignment = TBarAlignment::taLeftJustify;
    bool m_autosize = false;
    bool m_autoSeparation = false;

    QList<Entry> m_controls;
    bool m_inLayout = false;
    bool m_inAlign = false;
};
