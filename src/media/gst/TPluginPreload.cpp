#include "media/gst/TPluginPreload.h"

#include <gst/gst.h>

TPluginPreload::TPluginPreload(std::vector<const char *> plugins)
    : m_worker([names = std::move(plugins)] {
          for (const char *name : names)
              if (GstPlugin *plugin = gst_plugin_load_by_name(name))
                  gst_object_unref(plugin);
      })
{}

TPluginPreload::~TPluginPreload()
{
    if (m_worker.joinable())
        m_worker.join();
}

std::vector<const char *> TPluginPreload::DecoderPlugins()
{
    return {"libav"};
}
