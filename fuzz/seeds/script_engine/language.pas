program Seed;
{$DEFINE X}
const N = 5; S = 'a''b'#13#10;
type
  TC = (cRed, cGreen, cBlue);
  TCs = set of TC;
  TR = record x, y: Integer; n: string; end;
  TA = array[1..3, 0..1] of Byte;
var i, j: Integer; r, q: TR; cs: TCs; a: TA; d: array of Double; s: string; c: Char; b: Boolean; f: Double;
function Fib(n: Integer): Int64;
begin if n < 2 then Result := n else Result := Fib(n - 1) + Fib(n - 2); end;
procedure Sw(var x, y: Integer); var t: Integer; begin t := x; x := y; y := t; end;
begin
  {$IFDEF X} i := $1F; {$ELSE} i := 0; {$ENDIF}
  j := i div 3 + i mod 4 - (i shl 2) xor (i shr 1) and not 0;
  Sw(i, j); r.x := 1; q := r; with q do begin y := x * 2; n := 'z'; end;
  cs := [cRed..cGreen] + [cBlue] - [cRed]; Include(cs, cRed); b := cGreen in cs;
  a[2, 1] := 7; SetLength(d, 4); d[3] := 1.5 / 3; f := Sqrt(2) * Round(2.5);
  for i := 1 to N do begin if i = 2 then continue; if i = 4 then break; s := s + IntToStr(i); end;
  for i := 3 downto 1 do Inc(j, i);
  while j > 0 do Dec(j, 7);
  repeat Inc(j) until j >= 3;
  case j of 1: s := 'one'; 2..5: s := 'few'; else s := 'many'; end;
  case s of 'few': c := 'f'; end;
  s := Format('%d %s %.2f %x', [Fib(10), s, f, 255]) + Copy(S, 1, 2) + UpperCase(Trim(' a ')) + Chr(65);
  Delete(s, 1, 1); Insert('x', s, 2); j := Pos('x', s) + Length(s) + Ord(c);
  Print(s + FormatDateTime('yyyy-mm-dd', Now) + FloatToStr(StrToFloat('1.5')) + IntToStr(StrToIntDef('q', Twice(3))));
end.
