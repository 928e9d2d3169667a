#include "script/TScriptGraphics.h"

namespace {
// The toolkit's graphics classes as scripts know them. They exist for compiling only: the
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
)";

const TGraphicsColor kColors[] = {
    {"clBlack", 0x000000},
    {"clMaroon", 0x000080},
    {"clGreen", 0x008000},
    {"clOlive", 0x008080},
    {"clNavy", 0x800000},
    {"clPurple", 0x800080},
    {"clTeal", 0x808000},
    {"clGray", 0x808080},
    {"clSilver", 0xC0C0C0},
    {"clRed", 0x0000FF},
    {"clLime", 0x00FF00},
    {"clYellow", 0x00FFFF},
    {"clBlue", 0xFF0000},
    {"clFuchsia", 0xFF00FF},
    {"clAqua", 0xFFFF00},
    {"clLtGray", 0xC0C0C0},
    {"clDkGray", 0x808080},
    {"clWhite", 0xFFFFFF},
    {"clScrollBar", 0xFF000000 | 0},
    {"clBackground", 0xFF000000 | 1},
    {"clActiveCaption", 0xFF000000 | 2},
    {"clInactiveCaption", 0xFF000000 | 3},
    {"clMenu", 0xFF000000 | 4},
    {"clWindow", 0xFF000000 | 5},
    {"clWindowFrame", 0xFF000000 | 6},
    {"clMenuText", 0xFF000000 | 7},
    {"clWindowText", 0xFF000000 | 8},
    {"clCaptionText", 0xFF000000 | 9},
    {"clActiveBorder", 0xFF000000 | 10},
    {"clInactiveBorder", 0xFF000000 | 11},
    {"clAppWorkSpace", 0xFF000000 | 12},
    {"clHighlight", 0xFF000000 | 13},
    {"clHighlightText", 0xFF000000 | 14},
    {"clBtnFace", 0xFF000000 | 15},
    {"clBtnShadow", 0xFF000000 | 16},
    {"clGrayText", 0xFF000000 | 17},
    {"clBtnText", 0xFF000000 | 18},
    {"clInactiveCaptionText", 0xFF000000 | 19},
    {"clBtnHighlight", 0xFF000000 | 20},
    {"cl3DDkShadow", 0xFF000000 | 21},
    {"cl3DLight", 0xFF000000 | 22},
    {"clInfoText", 0xFF000000 | 23},
    {"clInfoBk", 0xFF000000 | 24},
    {"clHotLight", 0xFF000000 | 26},
    {"clGradientActiveCaption", 0xFF000000 | 27},
    {"clGradientInactiveCaption", 0xFF000000 | 28},
    {"clMenuHighlight", 0xFF000000 | 29},
    {"clMenuBar", 0xFF000000 | 30},
    {"clNone", 0x1FFFFFFF},
    {"clDefault", 0x20000000},
};
} // namespace

QString graphicsDeclarations()
{
    return QString::fromLatin1(kGraphicsDeclarations);
}

const TGraphicsColor *graphicsColors(size_t &count)
{
    count = sizeof(kColors) / sizeof(kColors[0]);
    return kColors;
}
