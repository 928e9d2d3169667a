#pragma once
// The images of an action list, addressed by an action's ImageIndex.
#include <QIcon>
#include <QList>
#include <QObject>

class TImageList : public QObject
{
    Q_OBJECT
public:
    explicit TImageList(QObject *parent = nullptr) : QObject(parent) {}

    int Count() const { return int(m_icons.size()); }
    int Add(const QIcon &icon)
    {
        m_icons.append(icon);
        return Count() - 1;
    }
    // An empty icon for an index out of range (-1 included).
    QIcon Icon(int index) const { return index >= 0 && index < Count() ? m_icons[index] : QIcon(); }
    void Clear() { m_icons.clear(); }

private:
    QList<QIcon> m_icons;
};
