#include "media/TPrivateFilters.h"

#include "media/TDecoderMan.h"
#include "media/TMediaFactory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

const QString TPrivateFilters::kSettingsFile = QStringLiteral("PrivateFilters.ini");

namespace {

struct TProperty
{
    QByteArray Family, Name, Value;
};

std::vector<TProperty> &properties()
{
    static std::vector<TProperty> list;
    return list;
}

// The role records keep a GUID made from the role, so that links to them stay valid when the
// settings name another family.
TFilterRec *roleRecord(const char *role, const QString &name)
{
    TFilterRec *r =
        TFilterRecs::Global().FindOrAdd(FactoryGuid(QByteArray("framix-private:") + role), name, fkPrivate);
    r->Kind = fkPrivate;
    return r;
}

// The element factories of the registry whose names belong to family.
QList<QByteArray> registryMembers(const QByteArray &family)
{
    QList<QByteArray> out;
    if (family.trimmed().isEmpty())
        return out;
    GList *list = gst_registry_get_feature_list(gst_registry_get(), GST_TYPE_ELEMENT_FACTORY);
    for (GList *l = list; l; l = l->next) {
        const QByteArray name(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(l->data)));
        if (FamilyContains(family, name))
            out.append(name);
    }
    gst_plugin_feature_list_free(list);
    return out;
}

bool rawVideoFilter(GstElementFactory *f)
{
    if (!f || TDecoderWalk::IsDecoder(f))
        return false;
    TGstCaps raw = TGstCaps::adopt(gst_caps_from_string("video/x-raw"));
    return gst_element_factory_can_sink_any_caps(f, raw) && gst_element_factory_can_src_any_caps(f, raw);
}

QByteArray firstMember(TFilterRec *rec)
{
    if (!rec)
        return {};
    const auto m = TPrivateFactories::Global().Members(rec->Factory);
    return m.empty() ? QByteArray()
                     : QByteArray(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(m.front().get())));
}

} // namespace

QString TPrivateFilters::DefaultFolder()
{
    const QString exe = QCoreApplication::applicationDirPath();
    const QString beside = exe + QStringLiteral("/private");
    if (QFileInfo(beside).isDir())
        return beside;
    return QDir::cleanPath(exe + QStringLiteral("/../share/framix/private"));
}

QString TPrivateFilters::MissingSettingsMessage(const QString &settingsPath)
{
    return QStringLiteral("Impossible d'installer les filtres privés ") + settingsPath;
}

void TPrivateFilters::AddRecords()
{
    SplitterSource = roleRecord("SplitterSource", QStringLiteral("Private Splitter Source"));
    VideoDecoder = roleRecord("VideoDecoder", QStringLiteral("Private Video Decoder"));
    AudioDecoder = roleRecord("AudioDecoder", QStringLiteral("Private Audio Decoder"));
    VideoPostProcessor = roleRecord("VideoPostProcessor", QStringLiteral("Private Video Post-processor"));
}

QStringList TPrivateFilters::Install(const QString &folder)
{
    QStringList messages;
    AddRecords();
    Forget();
    Folder = folder;
    auto &factories = TPrivateFactories::Global();
    // Plugin files first: their factories win over the registry's of the same name.
    QList<QByteArray> fromFiles;
    const QDir dir(folder);
    for (const QFileInfo &fi : dir.entryInfoList({QStringLiteral("*.so")}, QDir::Files, QDir::Name)) {
        const QString path = fi.absoluteFilePath();
        TGError err; // the reason is not shown: a plugin that does not load is an entry without factory
        TGstObjectRef<GstPlugin> plugin =
            TGstObjectRef<GstPlugin>::adopt(gst_plugin_load_file(path.toUtf8().constData(), err.out()));
        if (!plugin) {
            RegisterPrivateFactory(fi.completeBaseName().toUtf8(), path); // an entry without factory
            continue;
        }
        GList *features =
            gst_registry_get_feature_list_by_plugin(gst_registry_get(), gst_plugin_get_name(plugin));
        for (GList *l = features; l; l = l->next) {
            if (!GST_IS_ELEMENT_FACTORY(l->data))
                continue;
            const QByteArray name(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(l->data)));
            RegisterPrivateFactory(name, path);
            fromFiles.append(name);
        }
        gst_plugin_feature_list_free(features);
    }

    const QString settings = dir.filePath(kSettingsFile);
    GKeyFile *kf = g_key_file_new();
    SettingsRead =
        QFileInfo(settings).isFile() &&
        g_key_file_load_from_file(kf, QFile::encodeName(settings).constData(), G_KEY_FILE_NONE, nullptr);
    if (!SettingsRead) {
        messages.append(MissingSettingsMessage(settings));
        g_key_file_free(kf);
        return messages;
    }
    auto role = [kf](const char *key) {
        const TGChars v(g_key_file_get_string(kf, "Roles", key, nullptr));
        return QByteArray(v.get()).trimmed();
    };
    auto enrol = [&](const QByteArray &family) {
        for (const QByteArray &name : registryMembers(family))
            if (!fromFiles.contains(name) && !factories.Find(FactoryGuid(name)))
                RegisterPrivateFactory(name);
    };
    for (TFilterRec *rec : {SplitterSource, VideoDecoder, AudioDecoder}) {
        const char *key = rec == SplitterSource ? "SplitterSource"
                          : rec == VideoDecoder ? "VideoDecoder"
                                                : "AudioDecoder";
        rec->Factory = role(key);
        enrol(rec->Factory);
    }
    // The post-processor works on decoded pictures: only raw-video elements of its family.
    const QByteArray post = role("VideoPostProcessor");
    enrol(post);
    QList<QByteArray> kept;
    for (const TGstFactory &m : factories.Members(post))
        if (rawVideoFilter(m))
            kept.append(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(m.get())));
    VideoPostProcessor->Factory = kept.join(';');

    gsize groups = 0;
    gchar **names = g_key_file_get_groups(kf, &groups);
    for (gsize i = 0; i < groups; ++i) {
        const QByteArray group(names[i]);
        if (!group.startsWith("Properties "))
            continue;
        const QByteArray family = group.mid(int(strlen("Properties "))).trimmed();
        gsize count = 0;
        gchar **keys = g_key_file_get_keys(kf, names[i], &count, nullptr);
        for (gsize k = 0; keys && k < count; ++k) {
            const TGChars v(g_key_file_get_string(kf, names[i], keys[k], nullptr));
            properties().push_back({family, QByteArray(keys[k]), QByteArray(v.get()).trimmed()});
        }
        g_strfreev(keys);
    }
    g_strfreev(names);
    g_key_file_free(kf);
    return messages;
}

void TPrivateFilters::ApplyProperties(GstElement *e)
{
    const QByteArray name = TDecoderWalk::FactoryName(e);
    if (name.isEmpty())
        return;
    for (const TProperty &p : properties())
        if (FamilyContains(p.Family, name) &&
            g_object_class_find_property(G_OBJECT_GET_CLASS(e), p.Name.constData()))
            gst_util_set_object_arg(G_OBJECT(e), p.Name.constData(), p.Value.constData());
}

void TPrivateFilters::Use(bool on, TMediaFactory *factory, TDecoderMan *video, TDecoderMan *audio)
{
    if (!SplitterSource)
        AddRecords();
    if (on) {
        if (factory) {
            const QByteArray source = firstMember(SplitterSource);
            factory->SetDefaultSource(source.isEmpty() ? TElementRec{}
                                                       : TElementRec{SplitterSource->Name, source});
        }
        if (video) {
            video->Candidates = {VideoDecoder};
            video->PostFilter1 = firstMember(VideoPostProcessor).isEmpty() ? nullptr : VideoPostProcessor;
        }
        if (audio)
            audio->Candidates = {AudioDecoder};
        return;
    }
    for (TFilterRec *rec : {SplitterSource, VideoDecoder, AudioDecoder, VideoPostProcessor})
        ReleaseInstance(rec);
    if (video) {
        video->Candidates.clear();
        if (video->PostFilter1 == VideoPostProcessor)
            video->PostFilter1 = nullptr;
    }
    if (audio)
        audio->Candidates.clear();
    if (factory)
        factory->SetDefaultSource(TElementRec{});
}

void TPrivateFilters::Forget()
{
    properties().clear();
    SettingsRead = false;
    for (TFilterRec *rec : {SplitterSource, VideoDecoder, AudioDecoder, VideoPostProcessor}) {
        if (rec) {
            rec->Factory.clear();
            ReleaseInstance(rec);
        }
    }
}
