#pragma once
// Filter records: how the program knows an element it may put into a graph.
//
// A record's identifier is an element factory name (`Factory`); the GUID kept for it (`Clsid`)
// is the name-based (v5) UUID of that name, so that stored values keep the GUID form. A record
// of the private filters names a family of factories instead ("avdec_*"): the member that takes
// the stream is chosen by caps when the element is made; such a record keeps a GUID made from
// its role, so that links to it stay valid when the settings name another family. Records of
// elements handed in by the program (kind 2) carry a GUID of their own and no factory.
//
// Kinds: 0 = made from the GStreamer registry, 1 = private (made from a private factory),
// 2 = external (an element handed in by the program; never made or dropped here).
//
// Records, the global record list and the private factories live for the whole run; main
// thread only.
#include "media/TDecoderWalk.h"
#include "media/gst/MediaGuids.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

enum : uint8_t { fkRegistered = 0, fkPrivate = 1, fkExternal = 2 };

struct TFilterRec
{
    TGstElement Instance; // made on demand and kept
    TGuid Clsid;
    QString Name; // also the name the element gets in the graph
    uint8_t Kind = fkRegistered;
    QByteArray Factory; // factory name, or the family of a private record

    // The GUID text stored for the record, "{XXXXXXXX-...}".
    QString ClsidText() const { return Clsid.toString(); }
};

// The name-based (v5) UUID of a factory name, in a name space of the program's own.
TGuid FactoryGuid(const QByteArray &factory);
// The factory of the registry (or of the private factories) whose GUID is guid; empty if none.
QByteArray FactoryOfGuid(const TGuid &guid);

class TFilterRecs
{
public:
    static TFilterRecs &Global();

    // The record whose GUID and name both match (the kind is not compared), else a new one.
    TFilterRec *FindOrAdd(const TGuid &clsid, const QString &name, uint8_t kind);
    // The same for a factory name (or a private family): the GUID is made from it.
    TFilterRec *FindOrAddFactory(const QByteArray &factory, const QString &name, uint8_t kind);
    TFilterRec *FindByName(const QString &name) const;
    int Count() const { return int(m_recs.size()); }
    TFilterRec *Items(int i) const { return i >= 0 && i < Count() ? m_recs[size_t(i)].get() : nullptr; }

private:
    std::vector<std::unique_ptr<TFilterRec>> m_recs;
};

// The element of a record, made when it has none: kind 1 from the private factories (a family
// chooses the member that takes caps, behind a parser if need be; a kept element that does not
// take caps is replaced), kind 0 from the registry. Empty when it cannot be made.
TGstElement GetInstance(TFilterRec *rec, GstCaps *caps = nullptr);
// Kind 2: keeps obj as the instance when given. Other kinds: the instance is dropped.
void ReleaseInstance(TFilterRec *rec, GstElement *obj = nullptr);

// A factory of the private filters: a factory loaded from a plugin file of the private folder,
// or a factory of the registry that the private settings name.
struct TPrivateFactory
{
    TGuid Clsid;
    QByteArray Name;                 // factory name
    TGstFactory Factory;             // empty when the factory could not be found
    TGstObjectRef<GstPlugin> Module; // the plugin loaded from the private folder, if any
};

class TPrivateFactories
{
public:
    static TPrivateFactories &Global();
    // Searches from the last entry backwards: the most recent registration wins.
    const TPrivateFactory *Find(const TGuid &clsid) const;
    // The factories of a family ("avdec_*;dvdec": names with * wildcards, separated by ';'),
    // one per name (the most recent registration), best rank first.
    std::vector<TGstFactory> Members(const QByteArray &family) const;
    void Append(TPrivateFactory f) { m_items.push_back(std::move(f)); }
    int Count() const { return int(m_items.size()); }
    const TPrivateFactory &Items(int i) const { return m_items[size_t(i)]; }
    // Forgets every entry (the plugins stay loaded: GStreamer never unloads a plugin).
    void Clear() { m_items.clear(); }

private:
    std::vector<TPrivateFactory> m_items;
};

// Registers the factory `name`, from the plugin file at pluginPath (loaded with
// gst_plugin_load_file) or from the registry when pluginPath is empty. The entry is appended
// whatever the outcome; without a factory its records cannot be made.
const TPrivateFactory &RegisterPrivateFactory(const QByteArray &name, const QString &pluginPath = QString());

// Whether a factory name belongs to a family (see TPrivateFactories::Members).
bool FamilyContains(const QByteArray &family, const QByteArray &name);
