#pragma once
// Base of media devices and sources: a piece of a filter graph that can be connected into the
// graph of a graph manager and disconnected again. Main thread only.
#include <QString>

#include <cstdint>
#include <vector>

class TGrapheMan;
class TMediaDevice;

class TGraphChunk
{
public:
    TGraphChunk(const QString &name, int index) : Name(name), Index(index) {}
    virtual ~TGraphChunk() = default;
    TGraphChunk(const TGraphChunk &) = delete;
    TGraphChunk &operator=(const TGraphChunk &) = delete;

    TGrapheMan *Graph = nullptr; // the graph manager this chunk is connected to, or none
    QString Name;
    int Index = 1;                    // 1-based number on the parent
    TGrapheMan *OwnerGraph = nullptr; // assigned by the media factory
    TMediaDevice *Parent = nullptr;

    // Name, or Name + " #" + Index from the second on.
    QString DisplayName() const
    {
        return Index < 2 ? Name : Name + QStringLiteral(" #") + QString::number(Index);
    }

    // Builds this chunk's elements into Graph.
    virtual bool Connect() = 0;
    virtual bool Disconnect() = 0;
    // Duration of Graph in media time (100 ns), 0 when unknown.
    virtual int64_t Duration();
};

// A typed list whose index access gives none out of range. Not owning.
template <class T> class TChunkList
{
public:
    T *Items(int i) const { return i >= 0 && i < Count() ? m_items[size_t(i)] : nullptr; }
    T *operator[](int i) const { return Items(i); }
    int Count() const { return int(m_items.size()); }
    void Add(T *item) { m_items.push_back(item); }
    void Clear() { m_items.clear(); }
    auto begin() const { return m_items.begin(); }
    auto end() const { return m_items.end(); }

private:
    std::vector<T *> m_items;
};
