#pragma once
// An empty gap in a button row (TVDBar): no frame, no caption, nothing painted, so the row's
// background shows through. With AutoSeparation a bar shares its free width among its
// separators.
#include <QFrame>

class TVDSeparator : public QFrame
{
    Q_OBJECT
public:
    explicit TVDSeparator(QWidget *parent = nullptr);
};
