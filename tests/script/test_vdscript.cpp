// The script component: its messages, the built-ins, the actions reached from scripts, macro
// recording and stopping a script with naAbort.
#include "ScriptTestUtil.h"

#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TColorAction.h"
#include "actions/TCustomVDActionList.h"
#include "actions/TDoubleAction.h"
#include "actions/TFontAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TPointAction.h"
#include "actions/TRectAction.h"
#include "actions/TVDActionComponent.h"
#include "actions/TWidestringAction.h"
#include "script/TVDScript.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

namespace {

template <class A> A *makeAction(TVDActionList &list, const QString &name)
{
    auto *a = new A(name, &list);
    a->SetName(name);
    return a;
}

QStringList run(TVDScript &s, const QString &text)
{
    s.SetScript(text.split(QLatin1Char('\n')));
    s.CompileScript();
    QStringList all = s.Messages();
    s.RunScript();
    return all + s.Messages();
}

TEST(VDScript, MessagesOfCompileAndRun)
{
    TVDScript s;
    EXPECT_EQ(run(s, "begin\nend."),
              (QStringList{"*** Compilation succeeded ***", "*** Exécution réussie ***"}));
    EXPECT_EQ(run(s, "begin\n  Grabb;\nend."),
              (QStringList{"[Erreur] (2:3): identificateur inconnu 'Grabb'", "### Compilation Failed",
                           "### Compilation non prête"}));
    EXPECT_EQ(run(s, "var i: Integer;\nbegin\n  i := 0;\n  i := 1 div i;\nend."),
              (QStringList{"*** Compilation succeeded ***",
                           "### Erreur pendant l'exécution: Division par zéro (ligne 4)"}));
}

TEST(VDScript, BuiltInDeclarationsConstantsAndTypes)
{
    TVDScript s;
    QStringList shown;
    s.ShowMessageHandler = [&](const QString &t) { shown << t; };
    const char *src = R"(
var g: TGUID; r: TRect; p: TPoint; icons: TBorderIcons; sp: TSavePreferences; ods: TOwnerDrawState;
    b: TBitmap; al: TAlignment; fs: TFormStyle; sc: TShortCut;
begin
  g.D4[7] := 1; r.Right := 5; p.x := 2; icons := [biHelp]; sp := spNone; ods := [odFocused];
  al := taCenter; fs := fsStayOnTop; sc := $4000 + 78;
  showmessage(IntToStr(clMoneyGreen) + ' ' + IntToStr(clSkyBlue) + ' ' + IntToStr(clCream) + ' ' +
              IntToStr(SecsPerDay) + ' ' + IntToStr(MSecPerDay) + ' ' + IntToStr(Ord(sp)) + ' ' +
              IntToStr(clRed) + ' ' + IntToStr(Ord(psDot)) + ' ' + IntToStr(Ord(bsClear)));
  processmessages;
  sleep(1);
end.)";
    EXPECT_EQ(run(s, src), (QStringList{"*** Compilation succeeded ***", "*** Exécution réussie ***"}));
    EXPECT_EQ(shown, QStringList{"12639424 15780518 15793151 86400 86400000 2 255 2 1"});
}

TEST(VDScript, FileNameFunctionsAndFiles)
{
    TVDScript s;
    QStringList shown;
    s.ShowMessageHandler = [&](const QString &t) { shown << t; };
    QTemporaryDir dir;
    const QString d = dir.path();
    const char *src = R"(
begin
  showmessage(changefileext('/a/b.c/photo.jpg', '.bmp') + '|' + changefileext('/a/b.c/photo', '.bmp'));
  showmessage(extractfilename('/a/b/c.txt') + '|' + extractfilepath('/a/b/c.txt') + '|' +
              extractfileext('/a/b/c.tar.gz') + '|' + extractfileext('/a/b.d/c'));
end.)";
    run(s, src);
    EXPECT_EQ(shown, (QStringList{"/a/b.c/photo.bmp|/a/b.c/photo.bmp", "c.txt|/a/b/|.gz|"}));

    shown.clear();
    const QString files = QStringLiteral(R"(
begin
  forcedirectories('%1/x/y/z');
  if DirectoryExists('%1/x/y/z') then showmessage('made');
  renamefile('%1/x/y', '%1/x/w');
  if DirectoryExists('%1/x/w/z') then showmessage('renamed');
  forcedirectories('');
  showmessage('not reached');
end.)")
                              .arg(d);
    EXPECT_EQ(run(s, files).last(),
              "### Erreur pendant l'exécution: Impossible de créer le dossier: nom vide (ligne 7)");
    EXPECT_EQ(shown, (QStringList{"made", "renamed"}));
}

TEST(VDScript, FindFirstListsEveryEntry)
{
    TVDScript s;
    QStringList found;
    s.ShowMessageHandler = [&](const QString &t) { found << t; };
    QTemporaryDir dir;
    for (const char *n : {"a.txt", "b.jpg", ".hidden", "noext"}) {
        QFile f(dir.filePath(n));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    QDir(dir.path()).mkdir("sub");
    const QString src = QStringLiteral(R"(
var f: widestring;
begin
  f := findfirst('%1', '%2');
  while f <> '' do begin showmessage(f); f := findnext; end;
  findclose;
end.)");
    const QString d = dir.path();
    run(s, src.arg(d, "*.*"));
    EXPECT_EQ(found, (QStringList{d + "/.", d + "/..", d + "/.hidden", d + "/a.txt", d + "/b.jpg",
                                  d + "/noext", d + "/sub"}));
    found.clear();
    run(s, src.arg(d + "/", "?.txt"));
    EXPECT_EQ(found, QStringList{d + "/a.txt"});
    found.clear();
    run(s, src.arg(d, "*.png"));
    EXPECT_TRUE(found.isEmpty());
    run(s, src.arg(d + "/missing", "*"));
    EXPECT_TRUE(found.isEmpty());
}

TEST(VDScript, DeleteFileToRecycleBin)
{
    QTemporaryDir dir;
    // The trash of this test lives in its own folder: Qt may also put a trash folder relative
    // to the current folder, so the test works from inside the temporary folder.
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    const QString oldCwd = QDir::currentPath();
    qputenv("XDG_DATA_HOME", dir.filePath("data").toLocal8Bit());
    QDir::setCurrent(dir.path());
    QFile f(dir.filePath("old.txt"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    TVDScript s;
    QStringList shown;
    s.ShowMessageHandler = [&](const QString &t) { shown << t; };
    run(s, QStringLiteral(
               "begin if deletefiletorecyclebin('%1') then showmessage('yes') else showmessage('no');"
               " if deletefiletorecyclebin('%1') then showmessage('yes') else showmessage('no'); end.")
               .arg(f.fileName()));
    EXPECT_EQ(shown, (QStringList{"yes", "no"}));
    EXPECT_FALSE(QFile::exists(f.fileName()));
    qputenv("XDG_DATA_HOME", oldData);
    QDir::setCurrent(oldCwd);
}

struct TActions
{
    TVDActionList list;
    TIntegerAction *digits = makeAction<TIntegerAction>(list, "iaDigits");
    TWidestringAction *root = makeAction<TWidestringAction>(list, "waRoot");
    TColorAction *colour = makeAction<TColorAction>(list, "laColour");
    TDoubleAction *offset = makeAction<TDoubleAction>(list, "daOffset");
    TBooleanAction *confirm = makeAction<TBooleanAction>(list, "baConfirm");
    TFontAction *font = makeAction<TFontAction>(list, "faFont");
    TPointAction *where = makeAction<TPointAction>(list, "paWhere");
    TRectAction *bounds = makeAction<TRectAction>(list, "raBounds");
    TCheckAction *sliders = makeAction<TCheckAction>(list, "caSliders");
    TNopeAction *grab = makeAction<TNopeAction>(list, "naGrab");
    QStringList applied;

    TActions()
    {
        digits->OnAfterApply = [this](const int &v) { applied << QStringLiteral("Digits %1").arg(v); };
        grab->OnAfterApply = [this] { applied << QStringLiteral("Grab"); };
        sliders->OnAfterTrueApply = [this] { applied << QStringLiteral("Sliders on"); };
        sliders->OnAfterFalseApply = [this] { applied << QStringLiteral("Sliders off"); };
    }
};

TEST(VDScript, EveryActionClassIsReachedFromAScript)
{
    TVDScript s;
    TActions a;
    a.list.SetPascalScript(&s);
    const char *src = R"(
begin
  Digits(4);
  Root('photo');
  Colour(clRed);
  Offset(1.25);
  Confirm(True);
  Font('Courier New', 12, $00FF00, True, False, True, False);
  Where(10, -20);
  Bounds(1, 2, 3, 4);
  setSliders(True);
  Sliders;
  Grab;
end.)";
    EXPECT_EQ(run(s, src), (QStringList{"*** Compilation succeeded ***", "*** Exécution réussie ***"}));
    EXPECT_EQ(a.digits->Value, 4);
    EXPECT_EQ(a.root->Value, "photo");
    EXPECT_EQ(a.colour->Value, 0x0000FF);
    EXPECT_DOUBLE_EQ(a.offset->Value, 1.25);
    EXPECT_TRUE(a.confirm->Value);
    EXPECT_EQ(a.font->Value.Name, "Courier New");
    EXPECT_EQ(a.font->Value.Size, 12);
    EXPECT_EQ(a.font->Value.Color, 0x00FF00);
    EXPECT_TRUE(a.font->Value.Bold);
    EXPECT_FALSE(a.font->Value.Italic);
    EXPECT_TRUE(a.font->Value.Underline);
    EXPECT_EQ(a.where->Value, QPoint(10, -20));
    // The procedure's parameters are left, right, top, bottom.
    EXPECT_EQ(a.bounds->Value, (TRectValue{1, 3, 2, 4}));
    EXPECT_FALSE(a.sliders->Checked()); // set True, then toggled
    EXPECT_EQ(a.applied, (QStringList{"Digits 4", "Sliders on", "Sliders off", "Grab"}));
}

TEST(VDScript, CompileChainOrder)
{
    // The component's own declarations come first, then OnScriptCompile, then the lists in the
    // order in which they were connected: the first registration of a name wins.
    TVDScript s;
    TVDActionList first, second;
    auto *one = makeAction<TIntegerAction>(first, "iaValue");
    auto *two = makeAction<TIntegerAction>(second, "iaValue");
    auto *own = makeAction<TNopeAction>(second, "naTrim"); // a built-in routine's name: hidden
    first.SetPascalScript(&s);
    second.SetPascalScript(&s);
    EXPECT_EQ(run(s, "begin Value(7); end.").last(), "*** Exécution réussie ***");
    EXPECT_EQ(one->Value, 7);
    EXPECT_EQ(two->Value, 0);
    bool userRan = false;
    s.OnScriptCompile = [&](TVDScript &sender) {
        userRan = true;
        sender.RegisterMethod("procedure Value(const n: Integer);",
                              [](const std::vector<TScriptValue> &) -> TScriptValue { return {}; });
    };
    EXPECT_EQ(run(s, "begin Value(8); end.").last(), "*** Exécution réussie ***");
    EXPECT_TRUE(userRan);
    EXPECT_EQ(one->Value, 7);
    (void)own;
}

TEST(VDScript, MacroOfThreeLinesAndItsReplay)
{
    TActions a;
    QStringList lines{"old text"};
    TVDScript::StartMacro(&lines);
    EXPECT_TRUE(TVDScript::MacroRecording());
    a.digits->SetValue(4);
    a.digits->SetValue(5);
    a.grab->trigger();
    TVDScript::StopMacro();
    EXPECT_FALSE(TVDScript::MacroRecording());
    ASSERT_EQ(lines.size(), 7);
    EXPECT_TRUE(lines[0].startsWith("//Macro enregistrée le "));
    EXPECT_TRUE(lines[0].contains(" à "));
    EXPECT_EQ(lines.mid(1),
              (QStringList{"", "begin", "    Digits(4);", "    Digits(5);", "    Grab;", "end."}));

    // A longer macro over every value class, replayed on fresh actions.
    QStringList macro;
    TVDScript::StartMacro(&macro);
    a.digits->SetValue(-5);
    a.root->SetValue("it's");
    a.colour->SetValue(0xFF00000F);
    a.offset->SetValue(-2.5);
    a.confirm->SetValue(true);
    TFontDesc font;
    font.Name = "Liberation Sans";
    font.Size = 14;
    font.Color = 0x123456;
    font.Italic = true;
    a.font->SetValue(font);
    a.where->SetValue(QPoint(3, 4));
    a.bounds->SetValue(TRectValue{10, 20, 30, 40});
    a.sliders->SetChecked(true);
    a.grab->trigger();
    TVDScript::StopMacro();

    TActions b;
    TVDScript s;
    b.list.SetPascalScript(&s);
    s.SetScript(macro);
    s.CompileScript();
    ASSERT_EQ(s.Messages().last(), "*** Compilation succeeded ***") << s.Messages().join('\n').toStdString();
    s.RunScript();
    ASSERT_EQ(s.Messages().last(), "*** Exécution réussie ***");
    EXPECT_EQ(b.digits->Value, a.digits->Value);
    EXPECT_EQ(b.root->Value, a.root->Value);
    EXPECT_EQ(b.colour->Value, a.colour->Value);
    EXPECT_EQ(b.offset->Value, a.offset->Value);
    EXPECT_EQ(b.confirm->Value, a.confirm->Value);
    EXPECT_EQ(b.font->Value.Name, a.font->Value.Name);
    EXPECT_EQ(b.font->Value.Size, a.font->Value.Size);
    EXPECT_EQ(b.font->Value.Color, a.font->Value.Color);
    EXPECT_EQ(b.font->Value.Italic, a.font->Value.Italic);
    EXPECT_EQ(b.where->Value, a.where->Value);
    EXPECT_EQ(b.bounds->Value, a.bounds->Value);
    EXPECT_EQ(b.sliders->Checked(), a.sliders->Checked());
    EXPECT_EQ(b.applied.last(), "Grab");
}

TEST(VDScript, NaAbortStopsAnEndlessLoop)
{
    TVDScript s;
    TVDActionList list;
    auto *abort = makeAction<TNopeAction>(list, "naAbort");
    abort->InternalApply = [&] { s.Abort(); };
    bool secondRefused = false;
    // Esc pressed while the script runs: handled through the script's input handling.
    QTimer::singleShot(150, [&] { abort->trigger(); });
    QTimer::singleShot(50, [&] {
        s.RunScript();
        secondRefused = s.Messages().contains("### Un script est déjà en cours d'exécution");
    });
    bool finished = false;
    QObject::connect(&s, &TVDScript::RunFinished, [&] { finished = true; });
    const QStringList out = run(s, "var i: Integer;\nbegin\n  while True do\n    i := i + 1;\nend.");
    EXPECT_EQ(out.last(), "### Erreur pendant l'exécution: Script interrompu (ligne 4)");
    EXPECT_TRUE(secondRefused);
    EXPECT_TRUE(finished);
    EXPECT_FALSE(s.IsRunning());
    // A long sleep is stopped as well.
    QTimer::singleShot(150, [&] { abort->trigger(); });
    EXPECT_EQ(run(s, "begin\n  sleep(60000);\n  sleep(1);\nend.").last(),
              "### Erreur pendant l'exécution: Script interrompu (ligne 2)");
}

// A handler that runs during the script (a window closed, its components freed) may destroy
// the script component itself: the run stops and unwinds without touching it.
TEST(VDScript, ComponentDestroyedDuringItsRun)
{
    for (const char *body : {"while True do\n    i := i + 1;", "sleep(60000);"}) {
        auto *s = new TVDScript;
        bool finished = false;
        QObject::connect(s, &TVDScript::RunFinished, [&] { finished = true; });
        QTimer::singleShot(150, [&] { delete s; });
        s->SetScript(QString("var i: Integer;\nbegin\n  %1\nend.").arg(body).split('\n'));
        s->CompileScript();
        s->RunScript();
        EXPECT_FALSE(finished) << body;
    }
}

} // namespace
