#include "media/TDecoderWalk.h"

#include <algorithm>
#include <cstring>

namespace {

std::vector<TGstFactory> listFactories(GstElementFactoryListType type)
{
    std::vector<TGstFactory> out;
    GList *list = gst_element_factory_list_get_elements(type, GST_RANK_MARGINAL);
    for (GList *l = list; l; l = l->next)
        out.push_back(TGstFactory::ref(GST_ELEMENT_FACTORY(l->data)));
    gst_plugin_feature_list_free(list);
    TDecoderWalk::SortByRank(out);
    return out;
}

bool hasKlass(GstElementFactory *f, const char *word)
{
    const char *klass = gst_element_factory_get_metadata(f, GST_ELEMENT_METADATA_KLASS);
    return klass && strstr(klass, word);
}

// Calls fn with the caps of every template of direction dir until it answers true.
template <class Fn> bool anyTemplate(GstElementFactory *f, GstPadDirection dir, Fn fn)
{
    for (const GList *l = gst_element_factory_get_static_pad_templates(f); l; l = l->next) {
        auto *t = static_cast<GstStaticPadTemplate *>(l->data);
        if (t->direction != dir)
            continue;
        TGstCaps c = TGstCaps::adopt(gst_static_pad_template_get_caps(t));
        if (c && fn(c.get()))
            return true;
    }
    return false;
}

// Caps holding only the media type of caps ("video/x-h264"), or empty caps.
TGstCaps mediaTypeOnly(GstCaps *caps)
{
    if (!caps || gst_caps_is_empty(caps) || gst_caps_is_any(caps))
        return TGstCaps::adopt(gst_caps_new_empty());
    return TGstCaps::adopt(
        gst_caps_new_empty_simple(gst_structure_get_name(gst_caps_get_structure(caps, 0))));
}

} // namespace

void TDecoderWalk::SortByRank(std::vector<TGstFactory> &factories)
{
    std::stable_sort(factories.begin(), factories.end(), [](const TGstFactory &a, const TGstFactory &b) {
        return gst_plugin_feature_rank_compare_func(a.get(), b.get()) < 0;
    });
}

bool TDecoderWalk::IsDecoder(GstElementFactory *f)
{
    return f && hasKlass(f, "Decoder");
}

bool TDecoderWalk::IsParser(GstElementFactory *f)
{
    return f && hasKlass(f, "Parser") && !hasKlass(f, "Decoder");
}

QByteArray TDecoderWalk::FactoryName(GstElement *e)
{
    GstElementFactory *f = e ? gst_element_get_factory(e) : nullptr;
    return f ? QByteArray(gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(f))) : QByteArray();
}

bool TDecoderWalk::TakesDirectly(GstElementFactory *f, GstCaps *caps)
{
    if (!f || !caps || gst_caps_is_empty(caps))
        return false;
    if (gst_caps_is_fixed(caps))
        return gst_element_factory_can_sink_all_caps(f, caps);
    return gst_element_factory_can_sink_any_caps(f, caps);
}

bool TDecoderWalk::CanGive(GstElementFactory *f, GstCaps *caps)
{
    if (!f)
        return false;
    if (!caps || gst_caps_is_any(caps))
        return true;
    return anyTemplate(f, GST_PAD_SRC, [caps](GstCaps *t) { return gst_caps_can_intersect(t, caps); });
}

namespace {
bool fitsWith(GstElementFactory *f, GstCaps *caps, GstCaps *downstream,
              const std::vector<TGstFactory> &parsers, TDecoderChoice &out)
{
    using W = TDecoderWalk;
    out = {};
    if (!f || !caps)
        return false;
    if (downstream && !W::CanGive(f, downstream))
        return false;
    if (W::TakesDirectly(f, caps)) {
        out.Decoder = TGstFactory::ref(f);
        return true;
    }
    // A parser of the same media type whose output the factory takes: it frames the stream
    // (and states it parsed) the way the decoder wants it.
    const TGstCaps sameType = mediaTypeOnly(caps);
    for (const TGstFactory &p : parsers) {
        if (p.get() == f || !W::IsParser(p) || !W::TakesDirectly(p, caps))
            continue;
        if (!W::CanGive(p, sameType))
            continue;
        // The parser frames the stream; it does not turn one format into another (ADTS into
        // LOAS, AC-3 into E-AC-3): the decoder must take the stream's own format.
        if (!gst_element_factory_can_sink_any_caps(f, caps))
            continue;
        const bool feeds = anyTemplate(p, GST_PAD_SRC, [f](GstCaps *given) {
            return anyTemplate(f, GST_PAD_SINK,
                               [given](GstCaps *taken) { return gst_caps_can_intersect(given, taken); });
        });
        if (feeds) {
            out.Decoder = TGstFactory::ref(f);
            out.Parser = p;
            return true;
        }
    }
    return false;
}
} // namespace

bool TDecoderWalk::Fits(GstElementFactory *f, GstCaps *caps, GstCaps *downstream, TDecoderChoice &out)
{
    out = {};
    // Most factories do not take the stream's format at all: no need to look at the parsers.
    if (!f || !caps || !gst_element_factory_can_sink_any_caps(f, caps))
        return false;
    return fitsWith(f, caps, downstream, listFactories(GST_ELEMENT_FACTORY_TYPE_PARSER), out);
}

std::vector<TDecoderChoice> TDecoderWalk::Decoders(GstCaps *caps, GstCaps *downstream)
{
    std::vector<TDecoderChoice> out;
    if (!caps)
        return out;
    // The registry can grow while the program runs (plugins of the private folder): list it
    // each time.
    const std::vector<TGstFactory> parsers = listFactories(GST_ELEMENT_FACTORY_TYPE_PARSER);
    for (const TGstFactory &f : listFactories(GST_ELEMENT_FACTORY_TYPE_DECODER)) {
        TDecoderChoice c;
        if (fitsWith(f, caps, downstream, parsers, c))
            out.push_back(std::move(c));
    }
    return out;
}
