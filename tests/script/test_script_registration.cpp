// Registration of methods, constants, types and the graphics declarations; stopping a run.
#include "ScriptTestUtil.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>

#include <chrono>
#include <memory>

namespace {

TEST(ScriptRegistration, MethodsReceiveTheDeclaredParametersInOrder)
{
    TPrintingEngine p;
    std::vector<TScriptValue> got;
    ASSERT_TRUE(p.engine.RegisterMethod(
        "procedure Take(const a:integer; b: Double; c: Boolean; d: widestring; e: Char; f: Byte);",
        [&](const std::vector<TScriptValue> &a) -> TScriptValue {
            got = a;
            return {};
        }));
    ASSERT_TRUE(p.engine.RegisterMethod("function Twice(x: Integer): Integer;",
                                        [](const std::vector<TScriptValue> &a) -> TScriptValue {
                                            return std::int64_t(std::get<std::int64_t>(a[0]) * 2);
                                        }));
    ASSERT_TRUE(p.engine.RegisterMethod("function Greet(const who: string): string;",
                                        [](const std::vector<TScriptValue> &a) -> TScriptValue {
                                            return QStringLiteral("salut ") + std::get<QString>(a[0]);
                                        }));
    EXPECT_EQ(
        p.run("begin Take(-5, 2, True, 'txt', 'z', 300); Print(IntToStr(Twice(21)) + Greet('toi')); end."),
        "42salut toi");
    ASSERT_EQ(got.size(), 6u);
    EXPECT_EQ(std::get<std::int64_t>(got[0]), -5);
    EXPECT_EQ(std::get<double>(got[1]), 2.0);
    EXPECT_EQ(std::get<bool>(got[2]), true);
    EXPECT_EQ(std::get<QString>(got[3]), "txt");
    EXPECT_EQ(std::get<QString>(got[4]), "z");
    EXPECT_EQ(std::get<std::int64_t>(got[5]), 44); // 300 stored into a Byte

    // Wrong argument types and counts are compile errors.
    EXPECT_EQ(p.run("begin Twice('ab') end."), "[Erreur] (1:13): types incompatibles: 'Integer' et 'string'");
    EXPECT_EQ(p.run("begin Twice end."), "[Erreur] (1:7): paramètres insuffisants pour 'Twice'");
}

TEST(ScriptRegistration, RefusedDeclarations)
{
    TScriptEngine e;
    auto nop = [](const std::vector<TScriptValue> &) -> TScriptValue { return {}; };
    EXPECT_FALSE(e.RegisterMethod("procedure (;", nop));
    EXPECT_FALSE(e.RegisterMethod("procedure P(var x: Integer);", nop));
    EXPECT_FALSE(e.RegisterMethod("procedure P(x: TUnknown);", nop));
    EXPECT_TRUE(e.RegisterMethod("procedure P;", nop));
    EXPECT_FALSE(e.RegisterMethod("procedure p(x: Integer);", nop)); // same name
    // During a compile, a duplicate is refused and the script still compiles.
    bool second = true;
    e.OnCompile = [&](TScriptEngine &eng) {
        eng.RegisterMethod("procedure Q;", nop);
        second = eng.RegisterMethod("procedure Q;", nop);
    };
    EXPECT_TRUE(e.Compile("begin P; Q; end."));
    EXPECT_FALSE(second);
}

TEST(ScriptRegistration, ConstantsAndTypes)
{
    TPrintingEngine p;
    p.engine.AddConstant("SecsPerDay", "Longint", std::int64_t(86400));
    p.engine.AddConstant("clCream", "Integer", std::int64_t(15793151));
    p.engine.AddType("TAlignment", "(taLeftJustify, taRightJustify, taCenter)");
    p.engine.AddType("HResult", "LongInt");
    p.engine.AddType("TGUID", "record D1: LongWord; D2: Word; D3: Word; D4: array[0..7] of Byte; end;");
    p.engine.AddType("TBorderIcon", "(biSystemMenu, biMinimize, biMaximize, biHelp)");
    p.engine.AddType("TBorderIcons", "set of TBorderIcon");
    p.engine.AddType("TTextLayout", "( tlTop, tlCenter, tlBottom )");
    const char *src = R"(
var a: TAlignment; h: HResult; g: TGUID; icons: TBorderIcons; t: TTextLayout;
begin
  a := taCenter; h := -1; g.D4[7] := 255; g.D1 := $FFFFFFFF;
  icons := [biSystemMenu, biHelp]; t := tlBottom;
  if biHelp in icons then Print('icons');
  Print(IntToStr(Ord(a)) + ' ' + IntToStr(h) + ' ' + IntToStr(g.D4[7]) + ' ' + IntToStr(g.D1) + ' ' +
        IntToStr(SecsPerDay) + ' ' + IntToStr(clCream) + ' ' + IntToStr(Ord(t)));
end.)";
    EXPECT_EQ(p.run(src), "icons|2 -1 255 4294967295 86400 15793151 2");
}

TEST(ScriptRegistration, GraphicsClassesCompileButCannotBeCreated)
{
    TPrintingEngine p;
    p.engine.AddGraphicsDeclarations();
    const char *src = R"(
var b: TBitmap; f: TFont; st: TFontStyles; ps: TPenStyle; c: TColor;
begin
  c := clRed; st := [fsBold, fsItalic]; ps := psDash;
  if (c = $0000FF) and (clNone = $1FFFFFFF) and (fsBold in st) then Print('decls');
  if b = nil then Print('nil');
  Print(IntToStr(clLtGray) + ' ' + IntToStr(clDkGray) + ' ' + IntToStr(clMedGray) + ' ' + IntToStr(clBtnFace));
  b.Free;
  b := TBitmap.Create;
  b.Canvas.Pen.Color := clBlue;
end.)";
    EXPECT_EQ(p.run(src),
              "RUNTIME: Impossible de créer un objet TBitmap: cette classe n'est déclarée que pour "
              "la compilation (ligne 9)");
    EXPECT_EQ(p.out, (QStringList{"decls", "nil", "12632256 8421504 10789024 -16777201"}));
    EXPECT_EQ(p.run("var c: TCanvas;\nbegin\n  c.TextOut(1, 2, 'x');\nend."),
              "RUNTIME: Accès à un objet nil ('TextOut') (ligne 3)");
    EXPECT_TRUE(p.run("var b: TBitmap; begin b.Canvas := nil; end.").startsWith("[Erreur]"));
    EXPECT_TRUE(p.run("var b: TBitmap; begin b.Unknown := 1; end.").startsWith("[Erreur]"));
}

TEST(ScriptRegistration, AbortStopsAnEndlessLoopFromTheIdleCallback)
{
    TPrintingEngine p;
    int idleCalls = 0;
    p.engine.SetIdleCallback([&] {
        ++idleCalls;
        QCoreApplication::processEvents();
    });
    // Input handled while the script runs: a timer stands for the user pressing Esc.
    QTimer::singleShot(150, [&] { p.engine.Abort(); });
    EXPECT_EQ(p.run("var i: Integer;\nbegin\n  while True do\n    Inc(i);\nend."),
              "RUNTIME: Script interrompu (ligne 4)");
    EXPECT_GE(idleCalls, 1);
    EXPECT_FALSE(p.engine.IsRunning());
}

TEST(ScriptRegistration, InputIsHandledOncePerIntervalWhileAScriptRuns)
{
    TPrintingEngine p;
    // A clock that moves one millisecond each time it is read.
    auto fake = std::make_shared<std::chrono::steady_clock::time_point>();
    pscript::TRunLimits limits;
    limits.clock = [fake] { return *fake += std::chrono::milliseconds(1); };
    p.engine.SetLimits(limits);
    std::vector<std::chrono::steady_clock::time_point> calls;
    p.engine.SetIdleCallback([&] { calls.push_back(*fake); });
    EXPECT_EQ(p.run("var i: Integer;\nbegin\n  for i := 1 to 300000 do ;\n  Print('fin')\nend."), "fin");
    ASSERT_GE(calls.size(), 5u);
    const auto start = std::chrono::steady_clock::time_point() + std::chrono::milliseconds(1);
    EXPECT_GE(calls[0] - start, std::chrono::milliseconds(100));
    for (size_t n = 1; n < calls.size(); ++n) {
        // Never before the interval has passed, and at the first check after it.
        EXPECT_GE(calls[n] - calls[n - 1], std::chrono::milliseconds(100));
        EXPECT_LE(calls[n] - calls[n - 1], std::chrono::milliseconds(102));
    }

    // While the clock stands still, input is not handled at all.
    limits.clock = [] { return std::chrono::steady_clock::time_point(); };
    p.engine.SetLimits(limits);
    calls.clear();
    EXPECT_EQ(p.run("var i: Integer;\nbegin\n  for i := 1 to 300000 do ;\n  Print('fin')\nend."), "fin");
    EXPECT_TRUE(calls.empty());
}

TEST(ScriptRegistration, SlowMethodsDoNotHideTheScriptFromInput)
{
    // Each call of the program's method takes 40 ms (a window shown, a picture redrawn): input
    // is handled once the interval has passed, not 256 calls (ten seconds) later.
    TPrintingEngine p;
    auto fake = std::make_shared<std::chrono::steady_clock::time_point>();
    pscript::TRunLimits limits;
    limits.clock = [fake] { return *fake; };
    p.engine.SetLimits(limits);
    p.engine.RegisterMethod("procedure Slow;", [fake](const std::vector<TScriptValue> &) -> TScriptValue {
        *fake += std::chrono::milliseconds(40);
        return {};
    });
    std::vector<std::chrono::steady_clock::time_point> calls;
    p.engine.SetIdleCallback([&] { calls.push_back(*fake); });
    EXPECT_EQ(p.run("var i: Integer;\nbegin\n  for i := 1 to 50 do Slow;\n  Print('fin')\nend."), "fin");
    // 2 s of calls: input every 120 ms (the first call past each 100 ms).
    ASSERT_GE(calls.size(), 15u);
    for (size_t n = 1; n < calls.size(); ++n)
        EXPECT_LE(calls[n] - calls[n - 1], std::chrono::milliseconds(120));
}

TEST(ScriptRegistration, LongStringWorkDoesNotHideTheScriptFromInput)
{
    // Long string work counts extra steps in jumps; each turn of this loop adds a multiple of
    // 256 of them, and input must still be handled (and Esc heard).
    TPrintingEngine p;
    pscript::TRunLimits limits;
    limits.maxSteps = 256 * 400;
    limits.clock = [] {
        static std::chrono::steady_clock::time_point t;
        return t += std::chrono::milliseconds(50);
    };
    p.engine.SetLimits(limits);
    int idleCalls = 0;
    p.engine.SetIdleCallback([&] {
        ++idleCalls;
        p.engine.Abort();
    });
    EXPECT_EQ(
        p.run("var s, t: string;\nbegin\n  SetLength(t, 520192);\n  while True do\n    s := t + t;\nend."),
        "RUNTIME: Script interrompu (ligne 4)");
    EXPECT_EQ(idleCalls, 1);
}

TEST(ScriptRegistration, OneRunAtATime)
{
    TPrintingEngine p;
    bool nestedRun = true, nestedCompile = true;
    QString nestedError;
    p.engine.RegisterMethod("procedure Reenter;", [&](const std::vector<TScriptValue> &) -> TScriptValue {
        nestedRun = p.engine.Run();
        nestedError = p.engine.RunError();
        nestedCompile = p.engine.Compile("begin end.");
        return {};
    });
    EXPECT_EQ(p.run("begin Reenter; Print('done') end."), "done");
    EXPECT_FALSE(nestedRun);
    EXPECT_FALSE(nestedCompile);
    EXPECT_EQ(nestedError, "Un script est déjà en cours d'exécution");
}

TEST(ScriptRegistration, MethodsStopTheScriptWithARuntimeError)
{
    TPrintingEngine p;
    p.engine.RegisterMethod("procedure Fail;", [](const std::vector<TScriptValue> &) -> TScriptValue {
        TScriptEngine::RaiseRuntimeError(QStringLiteral("refusé"));
    });
    EXPECT_EQ(p.run("begin\n  Print('a');\n  Fail;\n  Print('b');\nend."), "RUNTIME: refusé (ligne 3)");
}

} // namespace
