#include "script/TScriptGraphics.h"

namespace {
// The toolkit's graphics classes as scripts know them (the colour constants before them come
// from TColors). They exist for compiling only: the
// program creates no such object, so every object a script holds is nil at run time.
const char *const kGraphicsDeclarations = R"(
type
  TFontStyle = (fsBold, fsItalic, fsUnderline, fsStrikeOut);
  TFontStyles = set of TFontStyle;
  TFontPitch = (fpDefault, fpVariable, fpFixed);
  TPenStyle = (psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame);
  TPenMode = (pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot,
    pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor);
  TBrushStyle = (bsSolid, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross);
  TFillStyle = (fsSurface, fsBorder);
  TObject = class
    constructor Create;
    procedure Free;
  end;
  TPersistent = class(TObject)
    procedure Assign(Source: TPersistent);
  end;
  TGraphicsObject = class(TPersistent)
  end;
  TFont = class(TGraphicsObject)
    constructor Create;
    property Handle: Integer;
    property Color: TColor;
    property Height: Integer;
    property Name: string;
    property Pitch: TFontPitch;
    property Size: Integer;
    property PixelsPerInch: Integer;
    property Style: TFontStyles;
  end;
  TPen = class(TGraphicsObject)
    constructor Create;
    property Color: TColor;
    property Mode: TPenMode;
    property Style: TPenStyle;
    property Width: Integer;
  end;
  TBrush = class(TGraphicsObject)
    constructor Create;
    property Color: TColor;
    property Style: TBrushStyle;
  end;
  TGraphic = class(TPersistent)
    procedure LoadFromFile(const FileName: string);
    procedure SaveToFile(const FileName: string);
    property Empty: Boolean read;
    property Height: Integer;
    property Modified: Boolean;
    property Width: Integer;
  end;
  TCanvas = class(TPersistent)
    procedure Arc(X1, Y1, X2, Y2, X3, Y3, X4, Y4: Integer);
    procedure Chord(X1, Y1, X2, Y2, X3, Y3, X4, Y4: Integer);
    procedure Draw(X, Y: Integer; Graphic: TGraphic);
    procedure Ellipse(X1, Y1, X2, Y2: Integer);
    procedure FillRect(const Rect: TRect);
    procedure FloodFill(X, Y: Integer; Color: TColor; FillStyle: TFillStyle);
    procedure LineTo(X, Y: Integer);
    procedure MoveTo(X, Y: Integer);
    procedure Pie(X1, Y1, X2, Y2, X3, Y3, X4, Y4: Integer);
    procedure Rectangle(X1, Y1, X2, Y2: Integer);
    procedure Refresh;
    procedure RoundRect(X1, Y1, X2, Y2, X3, Y3: Integer);
    function TextHeight(Text: string): Integer;
    procedure TextOut(X, Y: Integer; Text: string);
    function TextWidth(Text: string): Integer;
    property Handle: Integer;
    property Brush: TBrush;
    property CopyMode: Integer;
    property Font: TFont;
    property Pen: TPen;
  end;
  TBitmap = class(TGraphic)
    constructor Create;
    property Canvas: TCanvas read;
    property Handle: Integer;
    property Monochrome: Boolean;
    property PixelFormat: Integer;
    property Transparent: Boolean;
    property TransparentColor: TColor;
  end;
  TPicture = class(TPersistent)
    constructor Create;
    procedure LoadFromFile(const FileName: string);
    procedure SaveToFile(const FileName: string);
    property Bitmap: TBitmap;
    property Graphic: TGraphic;
    property Height: Integer read;
    property Width: Integer read;
  end;
const
  // The graphics unit's two other names for greys; colour settings do not take them.
  clLtGray = clSilver;
  clDkGray = clGray;
)";

} // namespace

QString graphicsDeclarations()
{
    return QString::fromLatin1(kGraphicsDeclarations);
}
