// Filter records, private factories and decoder links: identity rules, the fit of default
// links, and the links' round trip through both preference stores.
#include "media/TDecoderLinks.h"
#include "media/gst/TGstGraph.h"
#include "prefs/TIniPreferencesMan.h"
#include "prefs/TRegPreferencesMan.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

const TMediaKey kDv{MEDIATYPE_Video, MEDIASUBTYPE_dvsd, FORMAT_VideoInfo};
const TMediaKey kAc3{MEDIATYPE_Audio, MEDIASUBTYPE_DOLBY_AC3, FORMAT_WaveFormatEx};
const TMediaKey kNullKey{GUID_NULL, GUID_NULL, GUID_NULL};

} // namespace

TEST(FilterRecs, FactoryGuidIsTheNameBasedUuidOfTheFactoryName)
{
    // Values of the v5 UUID in the program's name space, worked out independently.
    EXPECT_EQ(FactoryGuid("avdec_h264").toString(), "{A1C479C4-62F3-5FE9-BA26-1ADB457A5DAF}");
    EXPECT_EQ(FactoryGuid("dvdec").toString(), "{1EE939C2-E2D8-5A91-86F3-E45D510AE6D6}");
    // And back: a stored GUID finds its factory in the registry.
    EXPECT_EQ(FactoryOfGuid(FactoryGuid("dvdec")), QByteArray("dvdec"));
    EXPECT_TRUE(FactoryOfGuid(FactoryGuid("no-such-factory")).isEmpty());
    EXPECT_TRUE(FactoryOfGuid(GUID_NULL).isEmpty());
}

TEST(FilterRecs, FindOrAddMatchesGuidAndNameButNotKind)
{
    auto &recs = TFilterRecs::Global();
    TFilterRec *a = recs.FindOrAddFactory("dvdec", "test dvdec", fkRegistered);
    EXPECT_EQ(a->Factory, QByteArray("dvdec"));
    EXPECT_EQ(recs.FindOrAdd(FactoryGuid("dvdec"), "test dvdec", fkPrivate), a);
    EXPECT_EQ(a->Kind, fkRegistered);
    // Same GUID, other name: another record.
    EXPECT_NE(recs.FindOrAdd(FactoryGuid("dvdec"), "test dvdec 2", fkRegistered), a);
    // A record found from a stored GUID knows its factory and makes its element.
    TFilterRec *b = recs.FindOrAdd(FactoryGuid("identity"), "test identity", fkRegistered);
    EXPECT_EQ(b->Factory, QByteArray("identity"));
    TGstElement e = GetInstance(b);
    ASSERT_TRUE(e);
    EXPECT_EQ(GetInstance(b).get(), e.get()); // kept
    ReleaseInstance(b);
    EXPECT_FALSE(b->Instance);
    // The "no decoder" records stand for the absence of a decoder and make nothing.
    TFilterRec *none = TDecoderLists::NoVideoDecoder();
    EXPECT_EQ(none->Name, QStringLiteral("Aucun décodeur Video"));
    EXPECT_EQ(TDecoderLists::NoAudioDecoder()->Name, QStringLiteral("Aucun décodeur Audio"));
    EXPECT_TRUE(none->Clsid.isNull());
    EXPECT_FALSE(GetInstance(none));
}

TEST(FilterRecs, ExternalRecordsKeepWhatTheyAreGiven)
{
    TFilterRec *ext =
        TFilterRecs::Global().FindOrAdd(FactoryGuid("framix-test-external"), "test external", fkExternal);
    TGstElement e = MakeElement("identity");
    ReleaseInstance(ext, e);
    EXPECT_EQ(GetInstance(ext).get(), e.get());
    ReleaseInstance(ext); // nothing given: kept
    EXPECT_EQ(ext->Instance.get(), e.get());
}

TEST(FilterRecs, LatestPrivateRegistrationWinsAndFamiliesChooseByCaps)
{
    auto &pf = TPrivateFactories::Global();
    const int before = pf.Count();
    // A plugin file that cannot be loaded still gives an entry, without factory.
    QTemporaryDir dir;
    const QString bogus = dir.filePath("libbogus.so");
    QFile f(bogus);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a plugin");
    f.close();
    const TPrivateFactory &broken = RegisterPrivateFactory("framixtestbroken", bogus);
    EXPECT_FALSE(broken.Factory);
    EXPECT_EQ(pf.Count(), before + 1);
    TFilterRec *rec =
        TFilterRecs::Global().FindOrAdd(FactoryGuid("framixtestbroken"), "test broken", fkPrivate);
    EXPECT_FALSE(GetInstance(rec));
    // Registered again from the registry: the later entry is the one found.
    RegisterPrivateFactory("framixtestbroken");
    EXPECT_EQ(pf.Find(FactoryGuid("framixtestbroken")), &pf.Items(pf.Count() - 1));

    RegisterPrivateFactory("dvdec");
    RegisterPrivateFactory("avdec_dvvideo");
    RegisterPrivateFactory("avdec_mpeg2video");
    TFilterRec *family =
        TFilterRecs::Global().FindOrAdd(FactoryGuid("framix-test-family"), "test family", fkPrivate);
    family->Factory = "avdec_dvvideo;avdec_mpeg2*;dvdec";
    TGstCaps dv = TGstCaps::adopt(gst_caps_from_string("video/x-dv, systemstream=(boolean)false"));
    TGstCaps mpeg2 =
        TGstCaps::adopt(gst_caps_from_string("video/mpeg, mpegversion=(int)2, systemstream=(boolean)false"));
    EXPECT_EQ(TDecoderWalk::FactoryName(GetInstance(family, dv)), QByteArray("avdec_dvvideo")); // best rank
    // A kept element that does not take the new stream is replaced.
    EXPECT_EQ(TDecoderWalk::FactoryName(GetInstance(family, mpeg2)), QByteArray("avdec_mpeg2video"));
    ReleaseInstance(family);
    EXPECT_TRUE(FamilyContains("avdec_*;dvdec", "dvdec"));
    EXPECT_FALSE(FamilyContains("avdec_*;dvdec", "dvdemux"));
}

TEST(DecoderLinks, KeyNeedsAllThreeGuidsAndDefaultsFitByTheirRule)
{
    TDecoderLinks links;
    TFilterRec *a = TFilterRecs::Global().FindOrAddFactory("avdec_dvvideo", "avdec_dvvideo", fkRegistered);
    TFilterRec *b = TFilterRecs::Global().FindOrAddFactory("dvdec", "dvdec", fkRegistered);
    links.SetDecoder(kDv, a);
    links.SetDecoder(kNullKey, b);
    EXPECT_EQ(links.GetDecoder(kDv), a);
    EXPECT_EQ(links.GetDecoder(kNullKey), b);
    EXPECT_EQ(links.GetDecoder({MEDIATYPE_Video, MEDIASUBTYPE_dvsd, FORMAT_None}), nullptr);
    links.SetDecoder(kDv, b); // replaced, not added
    EXPECT_EQ(links.Count(), 2);
    EXPECT_EQ(links.GetDecoder(kDv), b);
    EXPECT_TRUE(links.Remove(kDv));
    EXPECT_FALSE(links.Remove(kDv));
    EXPECT_EQ(links.IndexOf(kNullKey), 0);

    // Fit of a default link: major type equal or null; subtype equal, or subtype and format
    // type both null.
    EXPECT_TRUE((TDecoderLink{{MEDIATYPE_Video, MEDIASUBTYPE_dvsd, GUID_NULL}, a}).Fits(kDv));
    EXPECT_TRUE((TDecoderLink{{GUID_NULL, MEDIASUBTYPE_dvsd, FORMAT_MPEG2Video}, a}).Fits(kDv));
    EXPECT_TRUE((TDecoderLink{{MEDIATYPE_Video, GUID_NULL, GUID_NULL}, a}).Fits(kDv));
    EXPECT_FALSE((TDecoderLink{{MEDIATYPE_Video, GUID_NULL, FORMAT_VideoInfo}, a}).Fits(kDv));
    EXPECT_FALSE((TDecoderLink{{MEDIATYPE_Audio, MEDIASUBTYPE_dvsd, GUID_NULL}, a}).Fits(kDv));
    EXPECT_FALSE((TDecoderLink{{MEDIATYPE_Video, MEDIASUBTYPE_MPEG2_VIDEO, GUID_NULL}, a}).Fits(kDv));
}

// The round trip of learned links through one store; open(true) makes a fresh store object on
// the same data, positioned in the section the owner chose.
void RoundTrip(const std::function<std::unique_ptr<TPreferencesMan>()> &open)
{
    auto &recs = TFilterRecs::Global();
    TFilterRec *reg = recs.FindOrAddFactory("a52dec", "a52dec", fkRegistered);
    TFilterRec *priv = recs.FindOrAdd(FactoryGuid("framix-test-private"), "test private decoder", fkPrivate);
    TFilterRec *ext = recs.FindOrAdd(FactoryGuid("framix-test-external-2"), "test external 2", fkExternal);
    TDecoderLinks saved;
    saved.SetDecoder(kAc3, reg);
    saved.SetDecoder(kNullKey, ext); // external: never saved
    saved.SetDecoder(kDv, priv);
    {
        auto p = open();
        ASSERT_TRUE(saved.Save(*p));
        QStringList keys;
        p->GetKeyNames(keys);
        EXPECT_EQ(keys.size(), 2) << keys.join(',').toStdString();
        // The values as stored: GUID texts with braces, the name, the private flag.
        ASSERT_TRUE(p->OpenKey("dc2", false));
        QString text;
        bool flag = false;
        EXPECT_TRUE(p->ReadString("majortype", text));
        EXPECT_EQ(text, MEDIATYPE_Video.toString());
        EXPECT_TRUE(p->ReadString("decoderguid", text));
        EXPECT_EQ(text, priv->Clsid.toString());
        EXPECT_TRUE(p->ReadString("name", text));
        EXPECT_EQ(text, "test private decoder");
        EXPECT_TRUE(p->ReadBool("Private", flag));
        EXPECT_TRUE(flag);
        p->CloseKey();
        // A sub-section that does not parse is skipped.
        ASSERT_TRUE(p->OpenKey("dc7", true));
        p->WriteString("majortype", "{not a guid}");
        p->WriteString("subtype", GUID_NULL.toString());
        p->WriteString("formattype", GUID_NULL.toString());
        p->WriteString("decoderguid", reg->Clsid.toString());
        p->WriteString("name", "a52dec");
        p->CloseKey();
        p->Flush();
    }
    TDecoderLinks loaded;
    {
        auto p = open();
        ASSERT_TRUE(loaded.Load(*p));
    }
    ASSERT_EQ(loaded.Count(), 2);
    EXPECT_EQ(loaded.GetDecoder(kAc3), reg);
    EXPECT_EQ(loaded.GetDecoder(kDv), priv);
    EXPECT_EQ(loaded.GetDecoder(kNullKey), nullptr);

    // A link removed since the last save does not come back.
    loaded.Remove(kAc3);
    {
        auto p = open();
        loaded.Save(*p);
        p->Flush();
    }
    TDecoderLinks again;
    {
        auto p = open();
        again.Load(*p);
    }
    EXPECT_EQ(again.Count(), 1);
    EXPECT_EQ(again.GetDecoder(kAc3), nullptr);
    EXPECT_EQ(again.GetDecoder(kDv), priv);
}

TEST(DecoderLinks, LearnedLinksSurviveTheIniStore)
{
    QTemporaryDir dir;
    const QString file = dir.filePath("Framix.ini");
    RoundTrip([&] {
        auto p = std::make_unique<TIniPreferencesMan>(file, true);
        p->OpenKey("ShowForm", true);
        p->OpenKey("AudioDecoders", true);
        return std::unique_ptr<TPreferencesMan>(std::move(p));
    });
}

TEST(DecoderLinks, LearnedLinksSurviveTheRegistryStore)
{
    const QString base = TPreferencesMan::RegistryBasePath("FramixDecoderLinksTest");
    TPreferencesMan::DeleteRegistryKey("FramixDecoderLinksTest");
    RoundTrip([&] {
        auto p = std::make_unique<TRegPreferencesMan>(base, true);
        p->OpenKey("ShowForm", true);
        p->OpenKey("VideoDecoders", true);
        return std::unique_ptr<TPreferencesMan>(std::move(p));
    });
    TPreferencesMan::DeleteRegistryKey("FramixDecoderLinksTest");
}
