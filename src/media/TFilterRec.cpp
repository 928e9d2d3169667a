#include "media/TFilterRec.h"

#include "media/TPrivateFilters.h"
#include "media/gst/TGstGraph.h"

#include <QHash>
#include <QUuid>

namespace {

// The name space of the factory GUIDs.
const QUuid kFactoryNamespace(QStringLiteral("{8cb030cf-68f7-4eae-b29f-b72a6dfadb47}"));

QHash<QByteArray, QByteArray> &guidIndex()
{
    static QHash<QByteArray, QByteArray> index; // GUID text (bytes) -> factory name
    return index;
}

void indexRegistry()
{
    auto &index = guidIndex();
    GList *list = gst_registry_get_feature_list(gst_registry_get(), GST_TYPE_ELEMENT_FACTORY);
    for (GList *l = list; l; l = l->next) {
        const QByteArray name(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(l->data)));
        index.insert(FactoryGuid(name).toString().toLatin1(), name);
    }
    gst_plugin_feature_list_free(list);
}

TGstElement makeFrom(GstElementFactory *f)
{
    return f ? TGstElement::sink(gst_element_factory_create(f, nullptr)) : TGstElement();
}

} // namespace

TGuid FactoryGuid(const QByteArray &factory)
{
    const QUuid u = QUuid::createUuidV5(kFactoryNamespace, factory);
    TGuid g;
    g.Data1 = u.data1;
    g.Data2 = u.data2;
    g.Data3 = u.data3;
    for (int i = 0; i < 8; ++i)
        g.Data4[i] = u.data4[i];
    return g;
}

QByteArray FactoryOfGuid(const TGuid &guid)
{
    if (guid.isNull())
        return {};
    if (const TPrivateFactory *p = TPrivateFactories::Global().Find(guid))
        return p->Name;
    const QByteArray key = guid.toString().toLatin1();
    auto &index = guidIndex();
    if (!index.contains(key))
        indexRegistry(); // the registry may have grown since the last look
    return index.value(key);
}

bool FamilyContains(const QByteArray &family, const QByteArray &name)
{
    for (const QByteArray &part : family.split(';')) {
        const QByteArray pattern = part.trimmed();
        if (!pattern.isEmpty() && g_pattern_match_simple(pattern.constData(), name.constData()))
            return true;
    }
    return false;
}

// --- records -------------------------------------------------------------------------------

TFilterRecs &TFilterRecs::Global()
{
    static TFilterRecs recs;
    return recs;
}

TFilterRec *TFilterRecs::FindOrAdd(const TGuid &clsid, const QString &name, uint8_t kind)
{
    for (auto &r : m_recs)
        if (r->Clsid == clsid && r->Name == name)
            return r.get();
    auto rec = std::make_unique<TFilterRec>();
    rec->Clsid = clsid;
    rec->Name = name;
    rec->Kind = kind;
    rec->Factory = FactoryOfGuid(clsid);
    m_recs.push_back(std::move(rec));
    return m_recs.back().get();
}

TFilterRec *TFilterRecs::FindOrAddFactory(const QByteArray &factory, const QString &name, uint8_t kind)
{
    TFilterRec *rec = FindOrAdd(FactoryGuid(factory), name, kind);
    rec->Factory = factory;
    return rec;
}

TFilterRec *TFilterRecs::FindByName(const QString &name) const
{
    for (auto &r : m_recs)
        if (r->Name == name)
            return r.get();
    return nullptr;
}

TGstElement GetInstance(TFilterRec *rec, GstCaps *caps)
{
    if (!rec)
        return {};
    if (rec->Kind == fkPrivate) {
        // A family (a single name is a family of one): the member that takes the stream.
        if (rec->Factory.isEmpty())
            if (const TPrivateFactory *p = TPrivateFactories::Global().Find(rec->Clsid))
                rec->Factory = p->Name;
        TDecoderChoice choice;
        if (rec->Instance && caps &&
            !TDecoderWalk::Fits(gst_element_get_factory(rec->Instance), caps, nullptr, choice))
            rec->Instance.reset();
        if (!rec->Instance) {
            for (const TGstFactory &m : TPrivateFactories::Global().Members(rec->Factory)) {
                if (!caps || TDecoderWalk::Fits(m, caps, nullptr, choice)) {
                    rec->Instance = makeFrom(m);
                    if (rec->Instance)
                        TPrivateFilters::ApplyProperties(rec->Instance);
                    break;
                }
            }
        }
        return rec->Instance;
    }
    if (!rec->Instance && rec->Kind == fkRegistered && !rec->Clsid.isNull()) {
        if (rec->Factory.isEmpty())
            rec->Factory = FactoryOfGuid(rec->Clsid);
        if (!rec->Factory.isEmpty())
            rec->Instance = MakeElement(rec->Factory.constData());
    }
    return rec->Instance;
}

void ReleaseInstance(TFilterRec *rec, GstElement *obj)
{
    if (!rec)
        return;
    if (rec->Kind == fkExternal) {
        if (obj)
            rec->Instance = TGstElement::ref(obj);
        return;
    }
    rec->Instance.reset();
}

// --- private factories ---------------------------------------------------------------------

TPrivateFactories &TPrivateFactories::Global()
{
    static TPrivateFactories factories;
    return factories;
}

const TPrivateFactory *TPrivateFactories::Find(const TGuid &clsid) const
{
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it)
        if (it->Clsid == clsid)
            return &*it;
    return nullptr;
}

std::vector<TGstFactory> TPrivateFactories::Members(const QByteArray &family) const
{
    std::vector<TGstFactory> out;
    QList<QByteArray> seen;
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
        if (seen.contains(it->Name))
            continue;
        seen.append(it->Name);
        if (it->Factory && FamilyContains(family, it->Name))
            out.push_back(it->Factory);
    }
    TDecoderWalk::SortByRank(out);
    return out;
}

const TPrivateFactory &RegisterPrivateFactory(const QByteArray &name, const QString &pluginPath)
{
    TPrivateFactory entry;
    entry.Name = name;
    entry.Clsid = FactoryGuid(name);
    if (pluginPath.isEmpty()) {
        entry.Factory = TGstFactory::adopt(gst_element_factory_find(name.constData()));
    } else {
        TGError err; // the reason is not shown: a plugin that does not load is an entry without factory
        entry.Module =
            TGstObjectRef<GstPlugin>::adopt(gst_plugin_load_file(pluginPath.toUtf8().constData(), err.out()));
        if (entry.Module) {
            TGstFactory f = TGstFactory::adopt(gst_element_factory_find(name.constData()));
            // Only the factory that plugin brought.
            const gchar *owner =
                f ? gst_plugin_feature_get_plugin_name(GST_PLUGIN_FEATURE(f.get())) : nullptr;
            if (owner && g_strcmp0(owner, gst_plugin_get_name(entry.Module)) == 0)
                entry.Factory = f;
        }
    }
    auto &all = TPrivateFactories::Global();
    all.Append(std::move(entry));
    return *all.Find(FactoryGuid(name));
}
