//G graphics declarations
var b: TBitmap; al: TAlignment; g: TGUID;
begin
  al := taCenter; g.D4[7] := 255; g.D1 := SecsPerDay;
  if b = nil then b := TBitmap.Create;
  b.Canvas.Pen.Color := clRed; b.Free;
end.
