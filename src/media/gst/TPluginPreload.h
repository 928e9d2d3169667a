#pragma once
// Loads GStreamer plugins on a worker thread while the program starts, so that the first open
// does not wait for them. The decoders' plugin (libav) costs some 160 ms of relocations when
// loaded, which an open would otherwise spend on the main thread between the probe and the
// first decoder; loading it beside the window's construction and the probe hides it.
//
// The registry's own lock makes a load safe beside any other use of it; a plugin already
// loaded is only looked up. The worker is joined when the object goes.
#include <thread>
#include <vector>

class TPluginPreload
{
public:
    explicit TPluginPreload(std::vector<const char *> plugins);
    ~TPluginPreload();
    TPluginPreload(const TPluginPreload &) = delete;
    TPluginPreload &operator=(const TPluginPreload &) = delete;

    // The plugins that the program's decoders come from.
    static std::vector<const char *> DecoderPlugins();

private:
    std::thread m_worker;
};
