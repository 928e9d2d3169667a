#pragma once
// Decoder links: which decoder (a filter record) serves a media type. The key is the major type,
// subtype and format type; all three must be equal (GUID_NULL is an ordinary value here).
//
// Four global lists live for the whole run: the video and audio default links (decoders kept
// out of the automatic connection for the types they serve; empty on this platform, the
// mechanism stays) and the video and audio learned links (the decoder that ended up serving each
// type, kept in the preferences under the section the owner chooses). Main thread only.
#include "media/TFilterRec.h"

#include <vector>

class TPreferencesMan;

struct TMediaKey
{
    TGuid MajorType, SubType, FormatType;
    bool operator==(const TMediaKey &) const = default;
};

struct TDecoderLink
{
    TMediaKey Key;
    TFilterRec *Decoder = nullptr;
    // A default link fits a stream when its major type is the stream's or GUID_NULL, and either
    // its subtype is the stream's or both its subtype and format type are GUID_NULL.
    bool Fits(const TMediaKey &stream) const;
};

class TDecoderLinks
{
public:
    int IndexOf(const TMediaKey &key) const;
    // Adds the link, or gives an existing one the new decoder.
    void SetDecoder(const TMediaKey &key, TFilterRec *rec);
    TFilterRec *GetDecoder(const TMediaKey &key) const;
    bool Remove(const TMediaKey &key);
    void Clear() { m_links.clear(); }
    int Count() const { return int(m_links.size()); }
    const TDecoderLink &Items(int i) const { return m_links[size_t(i)]; }
    auto begin() const { return m_links.begin(); }
    auto end() const { return m_links.end(); }

    // Sub-sections "dc" + i of the current section of prefs, one per link whose decoder is
    // not external (i = its position in the list). Sub-sections left over from a longer list
    // are emptied, so that a link removed since does not come back at the next start.
    bool Save(TPreferencesMan &prefs) const;
    // Reads every sub-section of the current section; one that does not parse is skipped.
    bool Load(TPreferencesMan &prefs);

private:
    std::vector<TDecoderLink> m_links;
};

// The lists and records made at start-up.
struct TDecoderLists
{
    static TDecoderLinks &VideoDefaults();
    static TDecoderLinks &VideoLearned();
    static TDecoderLinks &AudioDefaults();
    static TDecoderLinks &AudioLearned();
    static TFilterRec *NoVideoDecoder(); // "Aucun décodeur Video", GUID_NULL, kind 0
    static TFilterRec *NoAudioDecoder(); // "Aucun décodeur Audio", GUID_NULL, kind 0
};
