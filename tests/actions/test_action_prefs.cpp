// Loading and saving actions and lists through the preferences component, on an in-memory
// ini store.
#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TFontAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TPointAction.h"
#include "actions/TRectAction.h"
#include "actions/TVDActionComponent.h"
#include "actions/TWidestringAction.h"
#include "core/FramixLog.h"
#include "prefs/TIniPreferencesMan.h"
#include "prefs/TVardoPreferences.h"

#include "LogCapture.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

namespace {

struct Fixture
{
    QTemporaryDir dir;
    TVardoPreferences gp{nullptr, dir.path()};
    TIniPreferencesMan *store = nullptr;
    Fixture()
    {
        auto s = std::make_unique<TIniPreferencesMan>(QString());
        store = s.get();
        gp.UseStore(spPortable, std::move(s));
    }
};

template <class A> A *make(TCustomVDActionList &list, const QString &name)
{
    auto *a = new A(name, &list);
    a->SetName(name);
    return a;
}

} // namespace

TEST(ActionPrefs, NothingStoredGivesDefaultsAfterOnDefaultAndAppliesWhenAsked)
{
    Fixture f;
    TVDActionList list;
    auto *ia = make<TIntegerAction>(list, "iaDigits");
    ia->SetDefaultValue(4);
    ia->OnDefault = [](int &d) {
        d = 5;
        return true;
    };
    int applied = -1;
    ia->InternalApply = [&](const int &v) { applied = v; };
    ia->SetApplyWhenLoad(true);
    auto *wa = make<TWidestringAction>(list, "waRoot");
    wa->SetDefaultValue("image");
    wa->Value = "stale";
    bool waApplied = false;
    wa->OnAfterApply = [&](const QString &) { waApplied = true; };
    auto *ca = make<TCheckAction>(list, "caSliders");
    ca->SetTrueCaption("Masquer");
    ca->SetFalseCaption("Afficher");
    ca->OnDefault = [](bool &d) {
        d = true;
        return true;
    };
    auto *excluded = make<TIntegerAction>(list, "iaExcluded");
    excluded->SetIncludePrefs(false);
    excluded->SetApplyWhenLoad(true);
    excluded->SetDefaultValue(9);
    bool excludedApplied = false;
    excluded->InternalApply = [&](const int &) { excludedApplied = true; };

    EXPECT_TRUE(list.LoadFromPrefs(f.gp));
    EXPECT_EQ(ia->Value, 5);
    EXPECT_EQ(applied, 5);
    EXPECT_EQ(wa->Value, "image");
    EXPECT_FALSE(waApplied);
    // Loaded True without ApplyWhenLoad still shows the True face.
    EXPECT_TRUE(ca->Checked());
    EXPECT_EQ(ca->Caption(), "Masquer");
    EXPECT_EQ(excluded->Value, 0);
    EXPECT_FALSE(excludedApplied);
}

TEST(ActionPrefs, SaveThenLoadEveryType)
{
    Fixture f;
    TVDActionList list;
    auto *ia = make<TIntegerAction>(list, "iaDigits");
    auto *wa = make<TWidestringAction>(list, "waRoot");
    auto *ba = make<TBooleanAction>(list, "baAuto");
    auto *pa = make<TPointAction>(list, "paInsertPosition");
    auto *ra = make<TRectAction>(list, "raFormSave");
    auto *fa = make<TFontAction>(list, "faInsertFont");
    auto *ca = make<TCheckAction>(list, "caPlay");
    auto *na = make<TNopeAction>(list, "naGrab");
    ia->Value = -42;
    wa->Value = "Vidéo d'été";
    ba->Value = true;
    pa->Value = QPoint(7, -8);
    ra->Value = TRectValue{10, 20, 310, 220};
    fa->Value.Name = "Liberation Mono";
    fa->Value.Size = 15;
    fa->Value.Italic = true;
    fa->Value.Color = 0x123456;
    ca->SetDefaultValue(true);
    int nopeSaves = 0;
    na->BeforeSave = [&] {
        ++nopeSaves;
        return true;
    };
    // BeforeSave may change the value itself; the check action's handlers change only what
    // is stored.
    ia->InternalBeforeSave = [](int &v) {
        v = -43;
        return true;
    };
    ca->BeforeSave = [](bool &v) {
        v = false;
        return true;
    };
    int listSaved = 0;
    list.OnSaveToPrefs = [&](TVardoPreferences &) {
        ++listSaved;
        return true;
    };
    EXPECT_TRUE(list.SaveToPrefs(f.gp));
    EXPECT_EQ(ia->Value, -43);
    EXPECT_TRUE(ca->Checked());
    EXPECT_EQ(nopeSaves, 1);
    EXPECT_EQ(listSaved, 1);
    EXPECT_TRUE(f.store->Lines().contains("Digits=-43"));
    EXPECT_TRUE(f.store->Lines().contains("InsertPosition.X=7"));
    EXPECT_TRUE(f.store->Lines().contains("[FormSave]"));
    EXPECT_TRUE(f.store->Lines().contains("Right=310"));

    TVDActionList other;
    auto *ia2 = make<TIntegerAction>(other, "iaDigits");
    auto *wa2 = make<TWidestringAction>(other, "waRoot");
    auto *ba2 = make<TBooleanAction>(other, "baAuto");
    auto *pa2 = make<TPointAction>(other, "paInsertPosition");
    auto *ra2 = make<TRectAction>(other, "raFormSave");
    auto *fa2 = make<TFontAction>(other, "faInsertFont");
    auto *ca2 = make<TCheckAction>(other, "caPlay");
    ca2->SetDefaultValue(true);
    EXPECT_TRUE(other.LoadFromPrefs(f.gp));
    EXPECT_EQ(ia2->Value, -43);
    EXPECT_EQ(wa2->Value, "Vidéo d'été");
    EXPECT_TRUE(ba2->Value);
    EXPECT_EQ(pa2->Value, QPoint(7, -8));
    EXPECT_EQ(ra2->Value, (TRectValue{10, 20, 310, 220}));
    EXPECT_EQ(fa2->Value, fa->Value);
    EXPECT_FALSE(ca2->Checked());
}

TEST(ActionPrefs, APartlyStoredFontTakesTheWholeDefault)
{
    Fixture f;
    f.gp.OpenKey("InsertFont");
    f.gp.WriteString("Name", "Partial");
    f.gp.CloseKey();
    TVDActionList list;
    auto *fa = make<TFontAction>(list, "faInsertFont");
    fa->DefaultValue.Name = "Liberation Serif";
    fa->DefaultValue.Size = 22;
    EXPECT_TRUE(list.LoadFromPrefs(f.gp));
    EXPECT_EQ(fa->Value, fa->DefaultValue);
}

TEST(ActionPrefs, AFailedActionFailsTheListButTheOthersStillRun)
{
    Fixture f;
    TVDActionList list;
    auto *a = make<TIntegerAction>(list, "iaA");
    auto *b = make<TIntegerAction>(list, "iaB");
    auto *c = make<TIntegerAction>(list, "iaC");
    a->SetDefaultValue(1);
    b->SetDefaultValue(2);
    c->SetDefaultValue(3);
    b->OnDefault = [](int &) -> bool { throw std::runtime_error("broken handler"); };
    QStringList order;
    list.OnLoadFromPrefs = [&](TVardoPreferences &) {
        order << "list";
        return true;
    };
    a->InternalApply = [&](const int &) { order << "a"; };
    c->InternalApply = [&](const int &) { order << "c"; };
    a->SetApplyWhenLoad(true);
    c->SetApplyWhenLoad(true);
    EXPECT_FALSE(list.LoadFromPrefs(f.gp));
    EXPECT_EQ(a->Value, 1);
    EXPECT_EQ(c->Value, 3);
    EXPECT_EQ(order, (QStringList{"a", "c", "list"}));

    // The list's own handler counts as well.
    b->OnDefault = nullptr;
    list.OnLoadFromPrefs = [](TVardoPreferences &) { return false; };
    EXPECT_FALSE(list.LoadFromPrefs(f.gp));
    list.OnLoadFromPrefs = nullptr;
    EXPECT_TRUE(list.LoadFromPrefs(f.gp));

    // A throwing save handler: false, the action keeps what it reached.
    b->BeforeSave = [](int &v) -> bool {
        v = 20;
        throw 1;
    };
    EXPECT_FALSE(list.SaveToPrefs(f.gp));
    EXPECT_EQ(b->Value, 20);
    int stored = 0;
    EXPECT_TRUE(f.store->ReadInteger("C", stored));
    EXPECT_EQ(stored, 3);
}

// A throwing handler fails its action quietly for the user, but never silently for the log: the
// warning names the action, the direction and what was thrown, also when it is no exception class.
TEST(ActionPrefs, AThrowingHandlerIsLoggedWithTheActionAndWhatItThrew)
{
    Fixture f;
    TVDActionList list;
    list.setObjectName("alMain");
    auto *ia = make<TIntegerAction>(list, "iaBroken");
    auto *ca = make<TCheckAction>(list, "caBroken");
    auto *na = make<TNopeAction>(list, "naBroken");
    ia->OnDefault = [](int &) -> bool { throw std::runtime_error("no default today"); };
    ca->InternalDefault = [](bool &) -> bool { throw 7; };
    na->InternalApply = [] { throw std::logic_error("nothing to apply"); };
    na->SetApplyWhenLoad(true);
    {
        TLogCapture log(lcActions());
        EXPECT_FALSE(list.LoadFromPrefs(f.gp));
        EXPECT_EQ(log.linesWith({"loading", "iaBroken", "no default today"}).size(), 1)
            << log.lines().join('\n').toStdString();
        EXPECT_EQ(log.linesWith({"loading", "caBroken", "int"}).size(), 1)
            << log.lines().join('\n').toStdString();
        EXPECT_EQ(log.linesWith({"loading", "naBroken", "nothing to apply"}).size(), 1)
            << log.lines().join('\n').toStdString();
    }
    ia->OnDefault = nullptr;
    ca->InternalDefault = nullptr;
    na->InternalApply = nullptr;
    ia->BeforeSave = [](int &) -> bool { throw std::bad_alloc(); };
    list.OnSaveToPrefs = [](TVardoPreferences &) -> bool { throw std::runtime_error("list handler"); };
    {
        TLogCapture log(lcActions());
        EXPECT_FALSE(list.SaveToPrefs(f.gp));
        EXPECT_EQ(log.linesWith({"saving", "iaBroken", "bad_alloc"}).size(), 1)
            << log.lines().join('\n').toStdString();
        EXPECT_EQ(log.linesWith({"saving", "alMain", "list handler"}).size(), 1)
            << log.lines().join('\n').toStdString();
    }
}

TEST(ActionPrefs, ModeNoneReadsDefaultsAndWritesNothing)
{
    QTemporaryDir dir;
    TVardoPreferences gp(nullptr, dir.path());
    EXPECT_EQ(gp.Mode(), spNone);
    TVDActionList list;
    auto *ia = make<TIntegerAction>(list, "iaDigits");
    ia->SetDefaultValue(6);
    EXPECT_TRUE(list.LoadFromPrefs(gp));
    EXPECT_EQ(ia->Value, 6);
    // Every write reports false in mode none.
    EXPECT_FALSE(list.SaveToPrefs(gp));
    EXPECT_FALSE(gp.OpenKey("ShowForm"));
}
