var a: array[0..2] of Integer; s: string; i: Integer;
procedure R(n: Integer); begin R(n + 1); end;
begin
  i := 3; s := 'x'; while True do s := s + s; a[i] := 1 div (i - 3); R(0);
end.
