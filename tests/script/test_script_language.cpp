// The language: programs using each feature, checked by what they print.
#include "ScriptTestUtil.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

TEST(ScriptLanguage, EmptyProgramAndProgramHeader)
{
    TPrintingEngine p;
    EXPECT_EQ(p.run("begin end."), "");
    EXPECT_TRUE(p.engine.Messages().empty());
    EXPECT_EQ(p.run("program Test; begin Print('x') end."), "x");
}

TEST(ScriptLanguage, LexicalForms)
{
    TPrintingEngine p;
    const char *src = R"(
// line comment
{ brace comment } (* paren comment *)
BEGIN
  print('it''s');            { doubled quote }
  PRINT(IntToStr($1F));       // hexadecimal
  Print('a'#13#10'b');        // control characters
  Print(IntToStr(Length(#65#66)));
  pRiNt(IntToStr(1E3 = 1000.0 = True));
end.)";
    // 1E3 = 1000.0 gives True, then True = True: Pascal compares left to right at one level.
    const QString r = p.run(src);
    EXPECT_TRUE(r.startsWith("[Erreur]")) << r.toStdString();
    const char *ok = R"(
BEGIN
  print('it''s');
  PRINT(IntToStr($1F));
  Print('a'#13#10'b');
  Print(IntToStr(Length(#65#66)));
end.)";
    EXPECT_EQ(p.run(ok), "it's|31|a\r\nb|2");
}

TEST(ScriptLanguage, OperatorsAndPrecedence)
{
    TPrintingEngine p;
    const char *src = R"(
var i: Integer; b: Boolean; d: Double;
begin
  Print(IntToStr(2 + 3 * 4));
  Print(IntToStr((2 + 3) * 4));
  Print(IntToStr(17 div 5) + ' ' + IntToStr(17 mod 5) + ' ' + IntToStr(-17 div 5) + ' ' + IntToStr(-17 mod 5));
  Print(IntToStr(1 shl 4) + ' ' + IntToStr(256 shr 2));
  Print(IntToStr(12 and 10) + ' ' + IntToStr(12 or 3) + ' ' + IntToStr(12 xor 10) + ' ' + IntToStr(not 0));
  b := (1 < 2) and not (3 > 4) or False;
  if b then Print('bool ok');
  if True xor True then Print('wrong') else Print('xor ok');
  d := 7 / 2;
  Print(FloatToStr(d));
  Print(FloatToStr(1.5 + 2));
  i := -5;
  Print(IntToStr(-i) + ' ' + IntToStr(Abs(i)));
  if 'abc' < 'abd' then Print('str lt');
  if 'abc' = 'ab' + 'c' then Print('str eq');
  if 'b' > 'a' then Print('char gt');
  Print(IntToStr(-1 shr 28));
end.)";
    EXPECT_EQ(p.run(src),
              "14|20|3 2 -3 -2|16 64|8 15 6 -1|bool ok|xor ok|3.5|3.5|5 5|str lt|str eq|char gt|15");
}

TEST(ScriptLanguage, IntegerTypesWrapLikePascal)
{
    TPrintingEngine p;
    const char *src = R"(
var b: Byte; w: Word; s: SmallInt; c: Cardinal; i: Integer; l: Longint; i64: Int64;
begin
  b := 250; b := b + 10; Print(IntToStr(b));
  w := 0; Dec(w); Print(IntToStr(w));
  s := 32767; Inc(s); Print(IntToStr(s));
  c := 0; c := c - 1; Print(IntToStr(c));
  i := MaxInt; Inc(i); Print(IntToStr(i));
  l := 100000; i64 := Int64(l) * l; Print(IntToStr(i64));
  Print(IntToStr(High(Byte)) + ' ' + IntToStr(Low(SmallInt)) + ' ' + IntToStr(High(Cardinal)));
end.)";
    EXPECT_EQ(p.run(src), "4|65535|-32768|4294967295|-2147483648|10000000000|255 -32768 4294967295");
}

TEST(ScriptLanguage, ConstTypeVarAndRecords)
{
    TPrintingEngine p;
    const char *src = R"(
const
  Max = 3;
  Greeting = 'Bonjour';
  Ratio: Double = 0.5;
type
  TPoint2 = record x, y: Integer; end;
  TLine = record a, b: TPoint2; name: string; end;
var
  p, q: TPoint2;
  ln: TLine;
begin
  p.x := 1; p.y := 2;
  q := p;            // a copy
  q.x := 10;
  Print(IntToStr(p.x) + ',' + IntToStr(q.x));
  ln.a := p; ln.b.y := Max; ln.name := Greeting;
  with ln do begin
    a.x := 7;
    name := name + '!';
  end;
  with ln.b do y := y * 2;
  Print(IntToStr(ln.a.x) + ' ' + IntToStr(ln.b.y) + ' ' + ln.name + ' ' + FloatToStr(Ratio));
end.)";
    EXPECT_EQ(p.run(src), "1,10|7 6 Bonjour! 0.5");
}

TEST(ScriptLanguage, EnumerationsAndSets)
{
    TPrintingEngine p;
    const char *src = R"(
type
  TColour = (Red, Green, Blue, Yellow);
  TColours = set of TColour;
var
  c: TColour; s, t: TColours; digits: set of Byte; ch: Char;
begin
  s := [Red, Blue];
  t := [Blue..Yellow];
  if Blue in s then Print('in');
  if not (Green in s) then Print('not in');
  s := s + [Green];
  if s = [Red..Blue] then Print('union');
  s := s - [Red];
  if s * t = [Blue] then Print('intersection');
  if [Blue] <= t then Print('subset');
  Include(s, Yellow); Exclude(s, Green);
  for c := Red to Yellow do
    if c in s then Print(IntToStr(Ord(c)));
  c := Succ(Red); Print(IntToStr(Ord(c)) + IntToStr(Ord(High(TColour))));
  digits := [0..9];
  if 5 in digits then Print('digit');
  ch := 'e';
  if ch in ['a'..'z'] then Print('lower');
end.)";
    EXPECT_EQ(p.run(src), "in|not in|union|intersection|subset|2|3|13|digit|lower");
}

TEST(ScriptLanguage, StaticAndDynamicArrays)
{
    TPrintingEngine p;
    const char *src = R"(
type TGrid = array[1..3, 0..1] of Integer;
var
  a: array[1..5] of Integer;
  g, g2: TGrid;
  d, e: array of string;
  i, sum: Integer;
begin
  for i := Low(a) to High(a) do a[i] := i * i;
  sum := 0;
  for i := 1 to 5 do sum := sum + a[i];
  Print(IntToStr(sum) + ' ' + IntToStr(Length(a)));
  g[2, 1] := 42; g2 := g; g2[2, 1] := 0;
  Print(IntToStr(g[2][1]) + ' ' + IntToStr(g2[2, 1]));
  SetLength(d, 3);
  d[0] := 'a'; d[2] := 'c';
  e := d;                  // dynamic arrays are shared
  e[1] := 'b';
  Print(d[0] + d[1] + d[2] + ' ' + IntToStr(High(d)) + IntToStr(Length(d)));
  SetLength(d, 4);         // a new array: e keeps the old one
  d[3] := 'z';
  Print(IntToStr(Length(e)) + ' ' + d[1] + d[3]);
end.)";
    EXPECT_EQ(p.run(src), "55 5|42 0|abc 23|3 bz");
}

TEST(ScriptLanguage, ControlFlow)
{
    TPrintingEngine p;
    const char *src = R"(
var i, j, n: Integer; s: string;
begin
  s := '';
  for i := 1 to 10 do begin
    if i mod 2 = 0 then continue;
    if i > 7 then break;
    s := s + IntToStr(i);
  end;
  Print(s);
  s := '';
  for i := 3 downto 1 do s := s + IntToStr(i);
  Print(s);
  n := 0; i := 0;
  while i < 100 do begin Inc(i); if i = 5 then break; Inc(n, 2); end;
  Print(IntToStr(n));
  j := 0;
  repeat Inc(j); if j = 2 then continue; until j >= 4;
  Print(IntToStr(j));
  for i := 1 to 6 do
    case i of
      1: Print('one');
      2, 3: Print('two-three');
      4..5: Print('four-five');
    else
      Print('other');
    end;
  s := 'beta';
  case s of
    'alpha': Print('A');
    'beta': Print('B');
  end;
  for i := 5 to 1 do Print('never');
end.)";
    EXPECT_EQ(p.run(src), "1357|321|8|4|one|two-three|two-three|four-five|four-five|other|B");
}

TEST(ScriptLanguage, ProceduresFunctionsAndParameters)
{
    TPrintingEngine p;
    const char *src = R"(
type TPair = record a, b: Integer; end;

function Fact(n: Integer): Int64;
begin
  if n <= 1 then Result := 1 else Result := n * Fact(n - 1);
end;

function Twice(x: Integer): Integer;
begin
  Twice := x * 2;     // assignment to the function name
end;

procedure Swap(var x, y: Integer);
var t: Integer;
begin
  t := x; x := y; y := t;
end;

procedure Bump(p: TPair; var q: TPair);
begin
  p.a := 100;          // a copy: the caller's record is unchanged
  q.a := q.a + 1;
end;

function FirstOver(const limit: Integer): Integer;
var i: Integer;
begin
  Result := -1;
  for i := 1 to 100 do
    if i * i > limit then begin Result := i; Exit; end;
end;

function Early(x: Integer): string;
begin
  if x < 0 then Exit('negative');
  Result := 'positive';
end;

procedure IsOdd(n: Integer; var r: Boolean); forward;
procedure IsEven(n: Integer; var r: Boolean);
begin
  if n = 0 then r := True else IsOdd(n - 1, r);
end;
procedure IsOdd(n: Integer; var r: Boolean);
begin
  if n = 0 then r := False else IsEven(n - 1, r);
end;

var x, y: Integer; p1, p2: TPair; r: Boolean; arr: array[0..2] of Integer;
begin
  Print(IntToStr(Fact(20)));
  Print(IntToStr(Twice(21)));
  x := 1; y := 2; Swap(x, y); Print(IntToStr(x) + IntToStr(y));
  arr[0] := 5; arr[2] := 9; Swap(arr[0], arr[2]); Print(IntToStr(arr[0]) + IntToStr(arr[2]));
  p1.a := 1; p2.a := 1; Bump(p1, p2); Print(IntToStr(p1.a) + IntToStr(p2.a));
  Print(IntToStr(FirstOver(50)));
  Print(Early(-1) + ' ' + Early(1));
  IsEven(7, r); if r then Print('even') else Print('odd');
end.)";
    EXPECT_EQ(p.run(src), "2432902008176640000|42|21|95|12|8|negative positive|odd");
}

TEST(ScriptLanguage, StandardLibrary)
{
    TPrintingEngine p;
    const char *src = R"(
var s: string; i: Integer; c: Char;
begin
  Print(IntToStr(StrToInt('123') + StrToIntDef('x', 7)));
  Print(FloatToStr(StrToFloat('2.25') * 2));
  Print(Format('%d-%s-%.2f-%x-%5d|%-4s|', [42, 'ab', 3.14159, 255, 7, 'z']));
  Print(Format('%f %.0f %%', [2.5, 2.5]));
  s := 'Hello World';
  Print(Copy(s, 7, 5) + IntToStr(Pos('World', s)) + IntToStr(Length(s)));
  Delete(s, 1, 6); Print(s);
  Insert('Big ', s, 1); Print(s);
  Print(UpperCase('abc') + LowerCase('DEF') + '[' + Trim('  t  ') + ']');
  c := Chr(65); Print(c + IntToStr(Ord('a')));
  i := 5; Inc(i); Inc(i, 10); Dec(i, 2); Print(IntToStr(i));
  Print(IntToStr(Round(2.5)) + IntToStr(Round(3.5)) + IntToStr(Trunc(-2.7)) + FloatToStr(Abs(-1.5)));
  i := Random(10); if (i >= 0) and (i < 10) then Print('random');
  if Now > 40000 then Print('now');
  if (Date <= Now) and (Time < 1) then Print('date');
  Print(FormatDateTime('yyyy-mm-dd hh:nn:ss', EncodeDate(2003, 11, 23) + EncodeTime(14, 5, 9, 0)));
  SetLength(s, 3); Print(s);
  s := 'abc'; s[2] := 'X'; Print(s + s[3]);
  Print(IntToStr(High(s)) + IntToStr(Low(s)));
  if not FileExists('/nonexistent/file') and DirectoryExists('/') then Print('files');
end.)";
    EXPECT_EQ(p.run(src), "130|4.5|42-ab-3.14-FF-    7|z   ||2.50 3 %|World711|World|Big "
                          "World|ABCdef[t]|A97|14|24-21.5|random|now|"
                          "date|2003-11-23 14:05:09|Big|aXcc|31|files");
}

TEST(ScriptLanguage, CaseInsensitiveIdentifiersAndShadowing)
{
    TPrintingEngine p;
    EXPECT_EQ(p.run("var Counter: integer; begin COUNTER := 3; counter := Counter + 1; "
                    "print(inttostr(cOuNtEr)) end."),
              "4");
    // A script's own declaration may hide a standard routine.
    EXPECT_EQ(p.run("function Trim(s: string): string; begin Result := '<' + s + '>' end; "
                    "begin Print(Trim(' a ')) end."),
              "< a >");
}

TEST(ScriptLanguage, Preprocessor)
{
    TPrintingEngine p;
    const char *src = R"(
{$DEFINE DEBUG}
begin
{$IFDEF DEBUG}
  Print('debug');
{$ELSE}
  Print('release');
{$ENDIF}
{$UNDEF DEBUG}
{$IFNDEF DEBUG}
  Print('undefined');
  {$IFDEF NOTHING} Print('nested'); {$ENDIF}
{$ENDIF}
end.)";
    EXPECT_EQ(p.run(src), "debug|undefined");

    QTemporaryDir dir;
    QFile inc(dir.filePath("outils.inc"));
    ASSERT_TRUE(inc.open(QIODevice::WriteOnly));
    inc.write("function Square(x: Integer): Integer;\nbegin\n  Result := x * x;\nend;\n");
    inc.close();
    p.engine.SetScriptFolder(dir.path());
    EXPECT_EQ(p.run("{$I outils.inc}\nbegin Print(IntToStr(Square(9))) end."), "81");
    // A fault inside an included file names the file.
    QFile bad(dir.filePath("bad.inc"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("procedure X;\nbegin\n  Grabb;\nend;\n");
    bad.close();
    EXPECT_EQ(p.run("{$I bad.inc}\nbegin end."), "[Erreur] bad.inc (3:3): identificateur inconnu 'Grabb'");
    EXPECT_EQ(p.run("{$I missing.inc}\nbegin end."),
              "[Erreur] (1:1): fichier d'inclusion introuvable 'missing.inc'");
    EXPECT_TRUE(p.run("{$IFDEF X}\nbegin end.").startsWith("[Erreur]"));
}

TEST(ScriptLanguage, CompilerMessages)
{
    TPrintingEngine p;
    EXPECT_EQ(p.run("begin\n  naGrab;\n  Grabb;\nend."), "[Erreur] (2:3): identificateur inconnu 'naGrab'");
    EXPECT_EQ(p.run("var i: Integer;\nbegin\n  i := 'text';\nend."),
              "[Erreur] (3:8): types incompatibles: 'Integer' et 'string'");
    EXPECT_EQ(p.run("begin\n  Print('a')\n  Print('b');\nend."),
              "[Erreur] (3:3): 'end' attendu mais 'Print' trouvé");
    EXPECT_EQ(p.run("begin Print('unterminated); end."), "[Erreur] (1:13): chaîne non terminée");
    EXPECT_EQ(p.run("begin break; end."), "[Erreur] (1:7): 'break' en dehors d'une boucle");
    EXPECT_EQ(p.run("procedure P(var x: Integer); begin end;\nbegin P(3) end."),
              "[Erreur] (2:9): variable attendue pour le paramètre 'x'");
    EXPECT_EQ(p.run(""), "[Erreur] (1:1): 'begin' attendu mais 'fin du texte' trouvé");
    // Operator chains are bounded: the run walks them recursively.
    QString chain = "var i: Integer; begin i := 1";
    for (int n = 0; n < 2000; ++n)
        chain += " + i";
    EXPECT_TRUE(p.run(chain + "; end.").contains("expression trop complexe"));
    EXPECT_TRUE(p.run("begin Print(IntToStr(" + QString(500, '(') + "1" + QString(500, ')') + ")) end.")
                    .contains("imbrication trop profonde"));
}

TEST(ScriptLanguage, RuntimeErrorsCarryTheirLine)
{
    TPrintingEngine p;
    EXPECT_EQ(p.run("var a, b: Integer;\nbegin\n  b := 0;\n  a := 10 div b;\nend."),
              "RUNTIME: Division par zéro (ligne 4)");
    EXPECT_EQ(p.run("var d: Double;\nbegin\n  d := 0;\n  d := 1 / d;\nend."),
              "RUNTIME: Division par zéro (ligne 4)");
    EXPECT_EQ(p.run("var a: array[1..3] of Integer; i: Integer;\nbegin\n  i := 4;\n  a[i] := 1;\nend."),
              "RUNTIME: Index hors limites (4) (ligne 4)");
    EXPECT_EQ(p.run("var d: array of Integer;\nbegin\n  d[0] := 1;\nend."),
              "RUNTIME: Index hors limites (0) (ligne 3)");
    EXPECT_EQ(p.run("var s: string;\nbegin\n  s := 'ab';\n  Print(s[3]);\nend."),
              "RUNTIME: Index hors limites (3) (ligne 4)");
    EXPECT_EQ(p.run("begin\n  Print(IntToStr(StrToInt('12x')));\nend."),
              "RUNTIME: '12x' n'est pas une valeur entière correcte (ligne 2)");
    const QString deep = p.run("procedure R(n: Integer); begin R(n + 1) end;\nbegin R(0) end.");
    EXPECT_TRUE(deep.startsWith("RUNTIME: Débordement de pile")) << deep.toStdString();
    // Actions already applied before the error stay applied.
    EXPECT_EQ(p.run("var z: Integer;\nbegin\n  Print('before');\n  z := 0;\n  z := z div z;\n  "
                    "Print('after');\nend."),
              "RUNTIME: Division par zéro (ligne 5)");
    EXPECT_EQ(p.out, QStringList{"before"});
}

TEST(ScriptLanguage, LimitsStopRunawayScripts)
{
    TPrintingEngine p;
    pscript::TRunLimits limits;
    limits.maxSteps = 100000;
    limits.maxMemory = 8 << 20;
    p.engine.SetLimits(limits);
    EXPECT_EQ(p.run("begin\n  while True do ;\nend."),
              "RUNTIME: Nombre maximal d'instructions dépassé (ligne 2)");
    EXPECT_EQ(p.run("var s: string;\nbegin\n  s := 'x';\n  while True do s := s + s;\nend."),
              "RUNTIME: Mémoire insuffisante (ligne 4)");
    EXPECT_EQ(p.run("var a: array of Integer;\nbegin\n  SetLength(a, 100000000);\nend."),
              "RUNTIME: Mémoire insuffisante (ligne 3)");
}

} // namespace
