#pragma once
// The private filters: element factories that the program prefers to the registry's choice.
// The private folder holds GStreamer plugin files (loaded with gst_plugin_load_file) and the
// settings file that names, for each role, a family of factories chosen by caps, and element
// properties to apply. The settings are read when the private folder is installed and forgotten
// again at exit (nothing is written anywhere).
//
// Roles and their records (kind 1): "Private Splitter Source" (the media factory's default
// source while in use), "Private Video Decoder" and "Private Audio Decoder" (the decoder
// managers' candidates), "Private Video Post-processor" (the video decoder manager's first post
// filter; raw-video elements only, never a decoder). Main thread only.
#include "media/TFilterRec.h"

#include <QList>
#include <QString>
#include <QStringList>

class TMediaFactory;
class TDecoderMan;

class TPrivateFilters
{
public:
    static const QString kSettingsFile; // "PrivateFilters.ini"

    // <program folder>/private, else <program folder>/../share/framix/private.
    static QString DefaultFolder();
    // The message shown when the settings file of a private folder is missing.
    static QString MissingSettingsMessage(const QString &settingsPath);

    // Loads the plugin files of folder, reads its settings and registers the private factories
    // and the four records (the records exist afterwards whatever happened; without settings
    // they make nothing). Returns the messages to show the user (none when all went well).
    QStringList Install(const QString &folder);
    // Private filters on: the factory's default source, the candidates and the video post filter
    // come from the records. Off: their instances are released, the candidates and the post
    // filter emptied and the factory back to its own default source. Any pointer may be null.
    void Use(bool on, TMediaFactory *factory, TDecoderMan *video, TDecoderMan *audio);
    // Forgets the settings (program exit).
    void Forget();

    TFilterRec *SplitterSource = nullptr;
    TFilterRec *VideoDecoder = nullptr;
    TFilterRec *AudioDecoder = nullptr;
    TFilterRec *VideoPostProcessor = nullptr;
    QString Folder;
    bool SettingsRead = false;

    // Applies the properties of the settings to an element made from a family member.
    static void ApplyProperties(GstElement *e);

private:
    void AddRecords();
};
