#include "FakeScriptHost.h"

#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TColorAction.h"
#include "actions/TDoubleAction.h"
#include "actions/TFontAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TPointAction.h"
#include "actions/TRectAction.h"
#include "actions/TVDActionComponent.h"
#include "actions/TWidestringAction.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QWidget>

namespace {

// Records macro lines for the duration of a test.
struct Recording
{
    QStringList lines;
    Recording() { TCustomAbstractAction::MacroLines = &lines; }
    ~Recording()
    {
        TCustomAbstractAction::MacroLines = nullptr;
        TCustomAbstractAction::MacroNested = false;
    }
};

template <class A> A *named(QObject *owner, const QString &name)
{
    auto *a = new A(owner);
    a->SetName(name);
    return a;
}

} // namespace

TEST(TypedActions, MacroLineOfEveryValueClass)
{
    QObject owner;
    Recording rec;
    named<TWidestringAction>(&owner, "waRoot")->SetValue("abc");
    named<TWidestringAction>(&owner, "waQuote")->SetValue("l'été");
    named<TIntegerAction>(&owner, "iaDigits")->SetValue(-5);
    named<TColorAction>(&owner, "laColor")->SetValue(0x0000FF);
    named<TColorAction>(&owner, "laBack")->SetValue(TColors::SystemColor(15));
    named<TDoubleAction>(&owner, "daRatio")->SetValue(1.25);
    named<TBooleanAction>(&owner, "baAuto")->SetValue(true);
    named<TPointAction>(&owner, "paPos")->SetValue(QPoint(10, -20));
    named<TRectAction>(&owner, "raBox")->SetValue(TRectValue{1, 2, 3, 4});
    TFontDesc f;
    f.Name = "Liberation Sans";
    f.Size = 12;
    f.Color = 0x00FF00;
    f.Bold = true;
    f.StrikeOut = true;
    named<TFontAction>(&owner, "faInsert")->SetValue(f);
    named<TCheckAction>(&owner, "caSliders")->SetChecked(true);
    named<TNopeAction>(&owner, "naGrab")->Apply();

    const QStringList expected = {
        "    Root('abc');",      "    Quote('l''été');",
        "    Digits(-5);",       "    Color($0000FF);",
        "    Back($FF00000F);",  "    Ratio(1.25);",
        "    Auto(True);",       "    Pos(10,-20);",
        "    Box(1,3,2,4);",     "    Insert('Liberation Sans', 12, $00FF00, True, False, False, True);",
        "    setSliders(True);", "    Grab;",
    };
    EXPECT_EQ(rec.lines, expected);
    EXPECT_FALSE(TCustomAbstractAction::MacroNested);
}

TEST(TypedActions, DoublesAreRecordedWithAPointWhateverTheLocale)
{
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    QObject owner;
    auto *da = named<TDoubleAction>(&owner, "daRatio");
    da->SetValueFromText("1,5");
    EXPECT_DOUBLE_EQ(da->Value, 1.5);
    da->SetValueFromText("2.5"); // a point is understood too
    EXPECT_DOUBLE_EQ(da->Value, 2.5);
    Recording rec;
    da->SetValue(0.75);
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(rec.lines, QStringList{"    Ratio(0.75);"});
}

TEST(TypedActions, BooleanAppliesOnlyOnChangeOthersAlways)
{
    QObject owner;
    Recording rec;
    int boolApplied = 0, intApplied = 0, textApplied = 0;
    auto *ba = named<TBooleanAction>(&owner, "baAuto");
    ba->OnAfterApply = [&](const bool &) { ++boolApplied; };
    auto *ia = named<TIntegerAction>(&owner, "iaDigits");
    ia->OnAfterApply = [&](const int &) { ++intApplied; };
    auto *wa = named<TWidestringAction>(&owner, "waRoot");
    wa->OnAfterApply = [&](const QString &) { ++textApplied; };

    ba->SetValue(false); // already False
    EXPECT_EQ(boolApplied, 0);
    EXPECT_TRUE(rec.lines.isEmpty());
    ba->SetValue(true);
    ba->SetValue(true);
    EXPECT_EQ(boolApplied, 1);
    ia->SetValue(0);
    ia->SetValue(0);
    wa->SetValue("");
    EXPECT_EQ(intApplied, 2);
    EXPECT_EQ(textApplied, 1);
    EXPECT_EQ(rec.lines,
              (QStringList{"    Auto(True);", "    Digits(0);", "    Digits(0);", "    Root('');"}));
}

TEST(TypedActions, NestedApplicationsAreNotRecorded)
{
    QObject owner;
    Recording rec;
    auto *inner = named<TIntegerAction>(&owner, "iaInner");
    auto *nope = named<TNopeAction>(&owner, "naInner");
    auto *outer = named<TWidestringAction>(&owner, "waOuter");
    outer->InternalApply = [&](const QString &) {
        inner->SetValue(3);
        nope->Apply();
    };
    outer->SetValue("x");
    EXPECT_EQ(rec.lines, QStringList{"    Outer('x');"});
    EXPECT_FALSE(TCustomAbstractAction::MacroNested);
    inner->SetValue(4); // on its own again
    EXPECT_EQ(rec.lines.last(), "    Inner(4);");

    // A handler that throws does not leave recording switched off.
    outer->InternalApply = [](const QString &) { throw 1; };
    EXPECT_ANY_THROW(outer->SetValue("y"));
    EXPECT_FALSE(TCustomAbstractAction::MacroNested);
}

TEST(TypedActions, CheckActionNamedScriptIsNeverRecordedNorWhatItTriggers)
{
    QObject owner;
    Recording rec;
    auto *script = named<TCheckAction>(&owner, "caScript");
    ASSERT_EQ(script->ScriptName(), "Script");
    auto *ia = named<TIntegerAction>(&owner, "iaDigits");
    script->InternalTrueApply = [&] { ia->SetValue(8); };
    script->SetChecked(true);
    EXPECT_TRUE(rec.lines.isEmpty());
    EXPECT_EQ(ia->Value, 8);
    EXPECT_FALSE(TCustomAbstractAction::MacroNested);
}

TEST(TypedActions, NopeWithoutScriptNameIsNeitherRecordedNorOffered)
{
    QObject owner;
    Recording rec;
    auto *na = new TNopeAction(&owner);
    int applied = 0;
    na->InternalApply = [&] { ++applied; };
    na->Apply();
    EXPECT_EQ(applied, 1);
    EXPECT_TRUE(rec.lines.isEmpty());
    FakeScriptHost host;
    EXPECT_FALSE(na->AddToScript(host));
    EXPECT_TRUE(host.methods.empty());
    // Without a name the nope action does not mark nesting: what it triggers is recorded.
    auto *ia = named<TIntegerAction>(&owner, "iaDigits");
    na->InternalApply = [&] { ia->SetValue(1); };
    na->Apply();
    EXPECT_EQ(rec.lines, QStringList{"    Digits(1);"});
}

TEST(TypedActions, EventOrderPrepareAndApply)
{
    QObject owner;
    QStringList order;
    auto *ia = named<TIntegerAction>(&owner, "iaDigits");
    ia->OnBeforeApply = [&](const int &v) { order << QString("before %1").arg(v); };
    ia->InternalApply = [&](const int &v) { order << QString("internal %1").arg(v); };
    ia->OnAfterApply = [&](const int &v) { order << QString("after %1").arg(v); };

    // Without a prepare handler executing does nothing.
    ia->trigger();
    EXPECT_TRUE(order.isEmpty());

    ia->OnPrepare = [&](int &v) {
        order << "prepare";
        v = 5;
        return true;
    };
    ia->InternalPrepare = [&](int &v) {
        order << QString("internal prepare %1").arg(v);
        v += 1;
        return true;
    };
    ia->trigger(); // what a menu or a shortcut does
    EXPECT_EQ(order, (QStringList{"prepare", "internal prepare 5", "before 6", "internal 6", "after 6"}));
    EXPECT_EQ(ia->Value, 6);

    order.clear();
    ia->InternalPrepare = [&](int &) { return false; }; // cancels silently
    ia->PrepareAndApply();
    EXPECT_EQ(order, QStringList{"prepare"});
    EXPECT_EQ(ia->Value, 6);

    // A disabled action is not executed from the user interface.
    order.clear();
    ia->SetEnabled(false);
    ia->trigger();
    EXPECT_TRUE(order.isEmpty());
}

TEST(TypedActions, NopeAndCheckExecution)
{
    QObject owner;
    QStringList order;
    auto *na = named<TNopeAction>(&owner, "naGrab");
    na->OnBeforeApply = [&] { order << "before"; };
    na->InternalApply = [&] { order << "internal"; };
    na->OnAfterApply = [&] { order << "after"; };
    na->trigger();
    EXPECT_EQ(order, (QStringList{"before", "internal", "after"}));
    order.clear();
    na->OnPrepare = [] { return true; };
    na->InternalPrepare = [] { return false; };
    na->trigger();
    EXPECT_TRUE(order.isEmpty());

    auto *ca = named<TCheckAction>(&owner, "caPlay");
    ca->SetTrueCaption("Pause");
    ca->SetFalseCaption("Lecture");
    ca->SetTrueHint("Mettre en pause");
    ca->SetFalseHint("Lire");
    ca->SetTrueImageIndex(4);
    ca->SetFalseImageIndex(3);
    EXPECT_EQ(ca->Caption(), "Lecture");
    EXPECT_EQ(ca->ImageIndex(), 3);
    ca->OnBeforeTrueApply = [&] { order << "before true"; };
    ca->InternalTrueApply = [&] { order << "internal true"; };
    ca->OnAfterTrueApply = [&] { order << "after true"; };
    ca->InternalFalseApply = [&] { order << "internal false"; };
    ca->trigger(); // toggles once (Qt's own toggle is undone)
    EXPECT_TRUE(ca->Checked());
    EXPECT_EQ(order, (QStringList{"before true", "internal true", "after true"}));
    EXPECT_EQ(ca->Caption(), "Pause");
    EXPECT_EQ(ca->Hint(), "Mettre en pause");
    EXPECT_EQ(ca->ImageIndex(), 4);
    order.clear();
    ca->SetChecked(true); // applies again, even to the same state
    ca->Toggle();
    EXPECT_EQ(order, (QStringList{"before true", "internal true", "after true", "internal false"}));
    EXPECT_EQ(ca->Caption(), "Lecture");
    ca->SetFalseCaption("Lire la vidéo"); // the current state's face shows at once
    EXPECT_EQ(ca->Caption(), "Lire la vidéo");

    // DefaultValue sets the state and the face without applying.
    order.clear();
    ca->SetDefaultValue(true);
    EXPECT_TRUE(ca->Checked());
    EXPECT_EQ(ca->Caption(), "Pause");
    EXPECT_TRUE(order.isEmpty());
    ca->InternalPrepare = [] { return false; };
    ca->trigger();
    EXPECT_TRUE(ca->Checked());
}

TEST(TypedActions, CommandLineTexts)
{
    QObject owner;
    auto *ia = named<TIntegerAction>(&owner, "iaDigits");
    ia->SetValueFromText("abc");
    EXPECT_EQ(ia->Value, -1);
    ia->SetValueFromText("$1F");
    EXPECT_EQ(ia->Value, 31);
    ia->SetValueFromText("");
    EXPECT_EQ(ia->Value, -1);

    auto *wa = named<TWidestringAction>(&owner, "waRoot");
    wa->Value = "old";
    wa->SetValueFromText("");
    EXPECT_EQ(wa->Value, "");

    auto *la = named<TColorAction>(&owner, "laColor");
    la->SetValueFromText("clAqua");
    EXPECT_EQ(la->Value, 0xFFFF00);
    int applied = 0;
    la->OnAfterApply = [&](const TColor &) { ++applied; };
    la->SetValueFromText("bleu");
    EXPECT_EQ(la->Value, 0xFFFF00);
    EXPECT_EQ(applied, 0);

    auto *da = named<TDoubleAction>(&owner, "daRatio");
    da->SetValueFromText("x");
    EXPECT_DOUBLE_EQ(da->Value, -1.0);

    auto *ba = named<TBooleanAction>(&owner, "baAuto");
    ba->SetValueFromText("  VRAI ");
    EXPECT_TRUE(ba->Value);
    ba->SetValueFromText("non");
    EXPECT_FALSE(ba->Value);

    auto *pa = named<TPointAction>(&owner, "paPos");
    pa->SetValueFromText("(10, 20)");
    EXPECT_EQ(pa->Value, QPoint(10, 20));
    pa->SetValueFromText("(10 20)");
    EXPECT_EQ(pa->Value, QPoint(10, 20));

    Recording rec;
    auto *ra = named<TRectAction>(&owner, "raBox");
    ra->SetValueFromText("(1,2,3,4)");
    EXPECT_EQ(ra->Value, (TRectValue{1, 2, 3, 4}));
    EXPECT_EQ(rec.lines, QStringList{"    Box(1,3,2,4);"});

    auto *fa = named<TFontAction>(&owner, "faFont");
    const TFontDesc before = fa->Value;
    fa->SetValueFromText("Arial");
    EXPECT_EQ(fa->Value, before);

    auto *ca = named<TCheckAction>(&owner, "caSliders");
    ca->SetValueFromText("v");
    EXPECT_TRUE(ca->Checked());
    ca->SetValueFromText("0");
    EXPECT_FALSE(ca->Checked());

    auto *na = named<TNopeAction>(&owner, "naGrab");
    int grabs = 0;
    na->InternalApply = [&] { ++grabs; };
    na->SetValueFromText("ignored");
    EXPECT_EQ(grabs, 1);
}

TEST(TypedActions, DeclarationsAndSwitchSyntax)
{
    QObject owner;
    auto check = [](TCustomAbstractAction *a, const QString &sw, const QString &decl, const QString &syntax) {
        a->SetSwitch(sw);
        EXPECT_EQ(a->GetScriptDeclaration(), decl) << a->Name().toStdString();
        EXPECT_EQ(a->GetSwitchSyntax(), syntax) << a->Name().toStdString();
    };
    check(named<TWidestringAction>(&owner, "waRoot"), "root", "procedure Root(const aWidestring:widestring);",
          "/root=aWidestring");
    check(named<TIntegerAction>(&owner, "iaDigits"), "digits", "procedure Digits(const aInteger:integer);",
          "/digits=aInteger");
    check(named<TColorAction>(&owner, "laColor"), "color", "procedure Color(const aColor:TColor);",
          "/color=aColor");
    check(named<TDoubleAction>(&owner, "daRatio"), "ratio", "procedure Ratio(const aDouble:Double);",
          "/ratio=aDouble");
    check(named<TBooleanAction>(&owner, "baAuto"), "auto", "procedure Auto(const aBoolean:Boolean);",
          "/auto=aBoolean");
    check(named<TPointAction>(&owner, "paPos"), "pos", "procedure Pos(const x,y:integer);", "/pos=x,y");
    check(named<TRectAction>(&owner, "raBox"), "box", "procedure Box(const left,right,top,bottom:integer);",
          "/box=aRect");
    check(named<TFontAction>(&owner, "faFont"), "font",
          "procedure Font(aName:widestring;aSize:integer;aColor:TColor;isBold:Boolean;isItalic:Boolean;"
          "isUnderline:Boolean;isStrikeOut:Boolean);",
          "/font=aFont");
    check(named<TCheckAction>(&owner, "caPlay"), "play",
          "procedure setPlay(const fisTrue:Boolean);\r\nprocedure Play;", "/play +play -play");
    check(named<TNopeAction>(&owner, "naGrab"), "g", "procedure Grab;", "/g");

    // Variables keeps the default it was given; a rectangle asked for its switch syntax first
    // still declares four parameters.
    auto *ia = named<TIntegerAction>(&owner, "iaWidth");
    ia->GetSwitchSyntax();
    EXPECT_EQ(ia->Variables(), "aInteger");
    auto *ra = named<TRectAction>(&owner, "raForm");
    ra->SetSwitch("form");
    EXPECT_EQ(ra->GetSwitchSyntax(), "/form=aRect");
    EXPECT_EQ(ra->GetScriptDeclaration(), "procedure Form(const left,right,top,bottom:integer);");
    auto *wa = named<TWidestringAction>(&owner, "waName");
    wa->SetVariables("aFileName");
    wa->SetSwitch("o");
    EXPECT_EQ(wa->GetSwitchSyntax(), "/o=aFileName");
    EXPECT_EQ(wa->GetScriptDeclaration(), "procedure Name(const aFileName:widestring);");
}

TEST(TypedActions, ScriptProceduresReachTheActions)
{
    QObject owner;
    FakeScriptHost host;
    Recording rec;
    auto *ia = named<TIntegerAction>(&owner, "iaDigits");
    auto *la = named<TColorAction>(&owner, "laColor");
    auto *pa = named<TPointAction>(&owner, "paPos");
    auto *ra = named<TRectAction>(&owner, "raBox");
    auto *fa = named<TFontAction>(&owner, "faFont");
    auto *ca = named<TCheckAction>(&owner, "caPlay");
    auto *na = named<TNopeAction>(&owner, "naGrab");
    int grabs = 0;
    na->InternalApply = [&] { ++grabs; };
    for (TCustomAbstractAction *a :
         {static_cast<TCustomAbstractAction *>(ia), static_cast<TCustomAbstractAction *>(la),
          static_cast<TCustomAbstractAction *>(pa), static_cast<TCustomAbstractAction *>(ra),
          static_cast<TCustomAbstractAction *>(fa), static_cast<TCustomAbstractAction *>(ca),
          static_cast<TCustomAbstractAction *>(na)})
        EXPECT_TRUE(a->AddToScript(host));
    EXPECT_EQ(host.declarations().last(2), (QStringList{"procedure Play;", "procedure Grab;"}));
    EXPECT_TRUE(host.declarations().contains("procedure setPlay(const aBoolean:Boolean);"));

    ASSERT_TRUE(host.call("procedure Digits(const aInteger:integer);", {std::int64_t(12)}));
    EXPECT_EQ(ia->Value, 12);
    ASSERT_TRUE(host.call("procedure Color(const aColor:TColor);", {std::int64_t(0xFF00000F)}));
    EXPECT_TRUE(TColors::IsSystemColor(la->Value));
    ASSERT_TRUE(host.call("procedure Pos(const x,y:integer);", {std::int64_t(3), std::int64_t(4)}));
    EXPECT_EQ(pa->Value, QPoint(3, 4));
    // Left, Right, Top, Bottom.
    ASSERT_TRUE(host.call("procedure Box(const left,right,top,bottom:integer);",
                          {std::int64_t(1), std::int64_t(2), std::int64_t(3), std::int64_t(4)}));
    EXPECT_EQ(ra->Value, (TRectValue{1, 3, 2, 4}));
    ASSERT_TRUE(host.call(fa->GetScriptDeclaration(), {QString("Courier New"), std::int64_t(14),
                                                       std::int64_t(0xFF), false, true, true, false}));
    EXPECT_EQ(fa->Value.Name, "Courier New");
    EXPECT_EQ(fa->Value.Size, 14);
    EXPECT_EQ(fa->Value.Color, 0xFF);
    EXPECT_FALSE(fa->Value.Bold);
    EXPECT_TRUE(fa->Value.Italic);
    EXPECT_TRUE(fa->Value.Underline);
    EXPECT_FALSE(fa->Value.StrikeOut);
    ASSERT_TRUE(host.call("procedure setPlay(const aBoolean:Boolean);", {true}));
    EXPECT_TRUE(ca->Checked());
    ASSERT_TRUE(host.call("procedure Play;"));
    EXPECT_FALSE(ca->Checked());
    // A disabled action is still reached by scripts.
    na->SetEnabled(false);
    ASSERT_TRUE(host.call("procedure Grab;"));
    EXPECT_EQ(grabs, 1);
    EXPECT_EQ(rec.lines.size(), 8);

    // A method outliving its action does nothing.
    delete ia;
    EXPECT_TRUE(host.call("procedure Digits(const aInteger:integer);", {std::int64_t(1)}));

    // A check action whose first procedure is refused registers nothing more.
    FakeScriptHost picky;
    picky.refuseContaining = "setPlay";
    EXPECT_FALSE(ca->AddToScript(picky));
    EXPECT_TRUE(picky.methods.empty());
}

TEST(TypedActions, NamingAndConstruction)
{
    QWidget form;
    QObject manager(&form);
    auto *a = new TIntegerAction(&manager);
    EXPECT_EQ(a->parent(), &form); // owned by the nearest window
    EXPECT_TRUE(a->IncludePrefs());
    EXPECT_EQ(a->ImageIndex(), -1);
    EXPECT_FALSE(a->ApplyWhenLoad());
    a->SetName("iaDigits");
    EXPECT_EQ(a->ScriptName(), "Digits");
    EXPECT_EQ(a->Caption(), "Digits");

    auto *b = new TIntegerAction(&form);
    b->SetName("iaDigits");
    EXPECT_EQ(b->Name(), "iaDigits2");
    auto *c = new TIntegerAction(&form);
    c->SetName("iaDigits");
    EXPECT_EQ(c->Name(), "iaDigits3");
    QObject other(&form);
    other.setObjectName("naOpen_");
    auto *d = new TNopeAction(&form);
    d->SetName("naOpen");
    EXPECT_EQ(d->Name(), "naOpen2");

    // Renaming carries a derived caption, script name and identifier along, not chosen ones.
    a->SetInternalId("iaDigits");
    a->SetName("iaChiffres");
    EXPECT_EQ(a->ScriptName(), "Chiffres");
    EXPECT_EQ(a->Caption(), "Chiffres");
    EXPECT_EQ(a->InternalId(), "iaChiffres");
    a->SetCaption("Nombre de chiffres");
    a->SetName("iaDigits");
    EXPECT_EQ(a->Caption(), "Nombre de chiffres");

    // CreateInternal: listed, category "internal", owned by the window above the list.
    TVDActionComponent comp(&form);
    auto *e = new TCheckAction(QStringLiteral("caSliders"), &comp);
    EXPECT_EQ(e->ActionList(), &comp);
    EXPECT_EQ(e->Category(), "internal");
    EXPECT_EQ(e->InternalId(), "caSliders");
    EXPECT_EQ(e->parent(), &form);
    EXPECT_FALSE(e->AutoCheck());
    EXPECT_EQ(e->TrueImageIndex(), -1);

    // Shortcuts are Qt key sequences; the primary comes first.
    e->SetShortCut(QKeySequence("Ctrl+Space"));
    e->SetSecondaryShortcuts({QKeySequence("Alt+P")});
    EXPECT_EQ(e->shortcuts().size(), 2);
    EXPECT_EQ(e->ShortCut().toString(QKeySequence::PortableText), "Ctrl+Space");
    e->InternalTrueApply = [] {};
    e->SetCategory("cat_UI");
    e->ResetBindings();
    EXPECT_TRUE(e->shortcuts().isEmpty());
    EXPECT_TRUE(e->Category().isEmpty());
    EXPECT_TRUE(e->ScriptName().isEmpty());
    EXPECT_FALSE(e->InternalTrueApply);
    delete e;
    EXPECT_EQ(comp.ActionCount(), 0);
}
