// The renderer manager's actions: display, flips, borders, overlay settings and the separate
// window's bounds.
#include "actions/TCheckAction.h"
#include "actions/TColorAction.h"
#include "actions/TDoubleAction.h"
#include "actions/TFontAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TPointAction.h"
#include "actions/TRectAction.h"
#include "playback/TWindowLessMan.h"
#include "playback/Tplaque.h"
#include "widgets/TVDIcons.h"

void TWindowLessMan::CreateActions()
{
    caFullscreen = new TCheckAction(QStringLiteral("caFullscreen"), this);
    caFlipVertical = new TCheckAction(QStringLiteral("caFlipVertical"), this);
    caFlipHorizontal = new TCheckAction(QStringLiteral("caFlipHorizontal"), this);
    caPreviewform = new TCheckAction(QStringLiteral("caPreviewform"), this);
    caKeepAspectratio = new TCheckAction(QStringLiteral("caKeepAspectratio"), this);
    iaFullBorderWidth = new TIntegerAction(QStringLiteral("iaFullBorderWidth"), this);
    iaInsertAlignLines = new TIntegerAction(QStringLiteral("iaInsertAlignLines"), this);
    iaWinBorderWidth = new TIntegerAction(QStringLiteral("iaWinBorderWidth"), this);
    iaBorderColor = new TColorAction(QStringLiteral("iaBorderColor"), this);
    iaBackColor = new TColorAction(QStringLiteral("iaBackColor"), this);
    caInsertTextOn = new TCheckAction(QStringLiteral("caInsertTextOn"), this);
    iaInsertBorderWidth = new TIntegerAction(QStringLiteral("iaInsertBorderWidth"), this);
    iaInsertBorderColor = new TColorAction(QStringLiteral("iaInsertBorderColor"), this);
    faInsertFont = new TFontAction(QStringLiteral("faInsertFont"), this);
    iaInsertTransparentColor = new TColorAction(QStringLiteral("iaInsertTransparentColor"), this);
    caInsertAntiAliasing = new TCheckAction(QStringLiteral("caInsertAntiAliasing"), this);
    daInsertTransparency = new TDoubleAction(QStringLiteral("daInsertTransparency"), this);
    paInsertPosition = new TPointAction(QStringLiteral("paInsertPosition"), this);
    raPreviewSave = new TRectAction(QStringLiteral("raPreviewSave"), this);
    iaTimerInterval = new TIntegerAction(QStringLiteral("iaTimerInterval"), this);
}

void TWindowLessMan::InitActions()
{
    auto init = [](TCustomAbstractAction *a, const QString &scriptName, const QString &shortcut,
                   bool atLoad) {
        a->SetName(a->InternalId());
        a->SetScriptName(scriptName);
        a->SetCaption(a->InternalId().mid(2));
        a->SetShortCut(QKeySequence(shortcut));
        a->SetApplyWhenLoad(atLoad);
        a->SetIncludePrefs(true);
    };
    auto faces = [](TCheckAction *a, const QString &trueCaption, const QString &falseCaption, int trueImage,
                    int falseImage) {
        a->SetTrueCaption(trueCaption);
        a->SetFalseCaption(falseCaption);
        a->SetTrueHint(trueCaption);
        a->SetFalseHint(falseCaption);
        a->SetTrueImageIndex(trueImage);
        a->SetFalseImageIndex(falseImage);
    };
    auto value = [](auto *a, const auto &v) {
        a->SetDefaultValue(v);
        a->Value = v;
    };

    init(caFullscreen, QStringLiteral("FullScreen"), QStringLiteral("Alt+Return"), false);
    faces(caFullscreen, QStringLiteral("Quitter le Plein écran"), QStringLiteral("Plein écran"),
          TVDIcons::imgFullscreen, TVDIcons::imgFullscreen);
    caFullscreen->SetFalseHint(QStringLiteral("Cliquez pour voir la vidéo en plein écran\r\n"
                                              "Pour quitter le plein écran, tapez à nouveau ALT+Entrée"));
    caFullscreen->SetDefaultValue(false);

    init(caFlipVertical, QStringLiteral("FlipVertical"), QStringLiteral("Ctrl+Alt+V"), true);
    faces(caFlipVertical, QStringLiteral("Flip Vertical"), QStringLiteral("Flip Vertical"),
          TVDIcons::imgFlipVerticalOn, TVDIcons::imgFlipVerticalOff);
    caFlipVertical->SetDefaultValue(false);

    init(caFlipHorizontal, QStringLiteral("FlipHorizontal"), QStringLiteral("Ctrl+Alt+H"), true);
    faces(caFlipHorizontal, QStringLiteral("Flip Horizontal"), QStringLiteral("Flip Horizontal"),
          TVDIcons::imgFlipHorizontalOn, TVDIcons::imgFlipHorizontalOff);
    caFlipHorizontal->SetDefaultValue(false);

    init(caPreviewform, QStringLiteral("Previewform"), QStringLiteral("Alt+Backspace"), true);
    faces(caPreviewform, QStringLiteral("Fermer l'écran séparé"), QStringLiteral("Ouvrir l'écran séparé"), -1,
          -1);
    caPreviewform->SetDefaultValue(false);

    init(caKeepAspectratio, QStringLiteral("KeepAspectRatio"), QStringLiteral("Alt+R"), false);
    faces(caKeepAspectratio, QStringLiteral("Ajuster l'Aspect Ratio"),
          QStringLiteral("Garder l'Aspect Ratio"), -1, -1);
    caKeepAspectratio->SetDefaultValue(true);

    init(iaFullBorderWidth, QStringLiteral("FullBorderWidth"), QString(), false);
    value(iaFullBorderWidth, 0);
    init(iaInsertAlignLines, QStringLiteral("AlignLines"), QString(), true);
    value(iaInsertAlignLines, 0);
    init(iaWinBorderWidth, QStringLiteral("WinBorderWidth"), QString(), false);
    value(iaWinBorderWidth, 0);
    init(iaBorderColor, QStringLiteral("BorderColor"), QString(), false);
    value(iaBorderColor, TColors::clRed);
    init(iaBackColor, QStringLiteral("BackColor"), QString(), true);
    value(iaBackColor, TColors::clSilver);

    init(caInsertTextOn, QStringLiteral("InsertTextOn"), QStringLiteral("Ctrl+I"), true);
    faces(caInsertTextOn, QStringLiteral("Désactiver l'incrustation"),
          QStringLiteral("Activer l'incrustation"), TVDIcons::imgInsertTextOn, TVDIcons::imgInsertTextOff);
    caInsertTextOn->SetDefaultValue(false);

    init(iaInsertBorderWidth, QStringLiteral("InsertBorderWidth"), QString(), true);
    value(iaInsertBorderWidth, 2);
    init(iaInsertBorderColor, QStringLiteral("InsertBorderColor"), QString(), true);
    value(iaInsertBorderColor, TColors::clBlack);

    init(faInsertFont, QStringLiteral("InsertFont"), QString(), true);
    TFontDesc font;
    font.Name = QStringLiteral("Arial");
    font.Bold = true;
    font.Color = TColors::clYellow;
    font.PixelsPerInch = TOverlayPainter::PixelsPerInch;
    font.SetHeightPixels(33);
    value(faInsertFont, font);

    init(iaInsertTransparentColor, QStringLiteral("InsertTransparentColor"), QString(), false);
    value(iaInsertTransparentColor, TColors::clWhite);

    init(caInsertAntiAliasing, QStringLiteral("InsertAntiAliasing"), QStringLiteral("Ctrl+N"), true);
    faces(caInsertAntiAliasing, QStringLiteral("Désactiver l'antialiasing"),
          QStringLiteral("Activer l'antialiasing"), -1, -1);
    caInsertAntiAliasing->SetDefaultValue(true);

    init(daInsertTransparency, QStringLiteral("InsertTransparency"), QString(), false);
    value(daInsertTransparency, 1.0);
    init(paInsertPosition, QStringLiteral("InsertPosition"), QString(), true);
    value(paInsertPosition, QPoint(5000, 8200));
    init(raPreviewSave, QStringLiteral("PreviewSave"), QString(), true);
    value(raPreviewSave, TRectValue{0, 0, 640, 480});
    init(iaTimerInterval, QStringLiteral("TimerInterval"), QString(), false);
    value(iaTimerInterval, 3000);
}

void TWindowLessMan::FindActions()
{
    caFullscreen = FindByInternalId<TCheckAction>(QStringLiteral("caFullscreen"));
    caFlipVertical = FindByInternalId<TCheckAction>(QStringLiteral("caFlipVertical"));
    caFlipHorizontal = FindByInternalId<TCheckAction>(QStringLiteral("caFlipHorizontal"));
    caPreviewform = FindByInternalId<TCheckAction>(QStringLiteral("caPreviewform"));
    caKeepAspectratio = FindByInternalId<TCheckAction>(QStringLiteral("caKeepAspectratio"));
    iaFullBorderWidth = FindByInternalId<TIntegerAction>(QStringLiteral("iaFullBorderWidth"));
    iaInsertAlignLines = FindByInternalId<TIntegerAction>(QStringLiteral("iaInsertAlignLines"));
    iaWinBorderWidth = FindByInternalId<TIntegerAction>(QStringLiteral("iaWinBorderWidth"));
    iaBorderColor = FindByInternalId<TColorAction>(QStringLiteral("iaBorderColor"));
    iaBackColor = FindByInternalId<TColorAction>(QStringLiteral("iaBackColor"));
    caInsertTextOn = FindByInternalId<TCheckAction>(QStringLiteral("caInsertTextOn"));
    iaInsertBorderWidth = FindByInternalId<TIntegerAction>(QStringLiteral("iaInsertBorderWidth"));
    iaInsertBorderColor = FindByInternalId<TColorAction>(QStringLiteral("iaInsertBorderColor"));
    faInsertFont = FindByInternalId<TFontAction>(QStringLiteral("faInsertFont"));
    iaInsertTransparentColor = FindByInternalId<TColorAction>(QStringLiteral("iaInsertTransparentColor"));
    caInsertAntiAliasing = FindByInternalId<TCheckAction>(QStringLiteral("caInsertAntiAliasing"));
    daInsertTransparency = FindByInternalId<TDoubleAction>(QStringLiteral("daInsertTransparency"));
    paInsertPosition = FindByInternalId<TPointAction>(QStringLiteral("paInsertPosition"));
    raPreviewSave = FindByInternalId<TRectAction>(QStringLiteral("raPreviewSave"));
    iaTimerInterval = FindByInternalId<TIntegerAction>(QStringLiteral("iaTimerInterval"));
}

void TWindowLessMan::ConnectActions()
{
    caFullscreen->InternalTrueApply = [this] { SetFullScreenOn(true); };
    caFullscreen->InternalFalseApply = [this] { SetFullScreenOn(false); };
    caFlipVertical->InternalTrueApply = [this] { SetFlipVertical(true); };
    caFlipVertical->InternalFalseApply = [this] { SetFlipVertical(false); };
    caFlipHorizontal->InternalTrueApply = [this] { SetFlipHorizontal(true); };
    caFlipHorizontal->InternalFalseApply = [this] { SetFlipHorizontal(false); };
    caPreviewform->InternalTrueApply = [this] { SetPreviewWindowOn(true); };
    caPreviewform->InternalFalseApply = [this] { SetPreviewWindowOn(false); };
    caKeepAspectratio->InternalTrueApply = [this] { SetKeepAspectratio(true); };
    caKeepAspectratio->InternalFalseApply = [this] { SetKeepAspectratio(false); };
    iaFullBorderWidth->InternalApply = [this](const int &v) { SetFullBorderWidth(v); };
    iaInsertAlignLines->InternalApply = [this](const int &v) { SetInsertAlignLines(v); };
    iaInsertAlignLines->InternalBeforeSave = [this](int &v) {
        v = m_insertAlignLines;
        return true;
    };
    iaWinBorderWidth->InternalApply = [this](const int &v) { SetWinBorderWidth(v); };
    iaBorderColor->InternalApply = [this](const TColor &v) { SetBorderColor(v); };
    iaBackColor->InternalApply = [this](const TColor &v) { SetBackColor(v); };
    caInsertTextOn->InternalTrueApply = [this] {
        m_lastOverlayFrames = FramesDrawn();
        DrawOverlay();
    };
    caInsertTextOn->InternalFalseApply = [this] { HideOverlay(); };
    iaInsertBorderWidth->InternalApply = [this](const int &v) { SetInsertBorderWidth(v); };
    iaInsertBorderColor->InternalApply = [this](const TColor &v) { SetInsertBorderColor(v); };
    faInsertFont->InternalApply = [this](const TFontDesc &v) { SetInsertFont(v); };
    iaInsertTransparentColor->InternalApply = [this](const TColor &v) { SetInsertTransparentColor(v); };
    caInsertAntiAliasing->InternalTrueApply = [this] { SetInsertAntiAliasing(true); };
    caInsertAntiAliasing->InternalFalseApply = [this] { SetInsertAntiAliasing(false); };
    daInsertTransparency->InternalApply = [this](const double &v) { SetInsertTransparency(v); };
    paInsertPosition->InternalApply = [this](const QPoint &v) { SetInsertPosition(v); };
    raPreviewSave->InternalApply = [this](const TRectValue &v) { SetPreviewRect(v.toQRect()); };
    raPreviewSave->InternalBeforeSave = [this](TRectValue &v) {
        v = TRectValue::fromQRect(PreviewBounds());
        return true;
    };
    // iaTimerInterval is read when full screen starts.

    // Alt+Enter leaves full screen from the plate too.
    if (m_plaque)
        m_plaque->addAction(caFullscreen);
}
