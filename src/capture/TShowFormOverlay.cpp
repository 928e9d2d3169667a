// The overlay in the main window: its actions in gpal (patterns, formats, custom lines, modes,
// font, DV date offset), the producers of the code values it arms from the patterns (the DV
// channel of the video source's sample notifier, the system-date timer, the file name, the image
// number), the window's reactions to the video manager's overlay actions, the position sliders,
// and the DV date and overlay panels. Main thread only; the values the producers send reach the
// video manager, which expands the patterns and has the renderer draw them.
#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TColorAction.h"
#include "actions/TCustomVDActionList.h"
#include "actions/TDoubleAction.h"
#include "actions/TFontAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TPointAction.h"
#include "actions/TWidestringAction.h"
#include "capture/TDVIncrustFrame.h"
#include "capture/TGrabber.h"
#include "capture/TIncrustFrame.h"
#include "capture/TShowForm.h"
#include "core/TColors.h"
#include "core/TDateFormat.h"
#include "media/TMediaDevice.h"
#include "media/TNotifier.h"
#include "media/TavSource.h"
#include "playback/TNavMan.h"
#include "playback/TVideoMan.h"
#include "shell/TVDAppliMan.h"

#include <QDateTime>
#include <QSignalBlocker>
#include <QSlider>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

template <class A>
A *OverlayAction(TShowForm *owner, TCustomVDActionList *list, const QString &name, const QString &category,
                 const QString &sw, const QString &shortcut, const QString &caption, bool load)
{
    auto *a = new A(owner);
    a->SetName(name);
    a->SetCategory(category);
    a->SetScriptName(name.mid(2));
    a->SetSwitch(sw);
    a->SetShortCut(QKeySequence(shortcut));
    a->SetIncludePrefs(true);
    a->SetApplyWhenLoad(load);
    a->SetCaption(caption);
    a->SetHint(caption);
    a->SetActionList(list);
    return a;
}

double NowDays()
{
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    double dt = 0;
    DateTimeFromParts(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec(), dt);
    return dt;
}

// An offset the video manager can add to a date: NaN and the infinities count as none.
double UsableOffset(double days)
{
    return std::isfinite(days) ? std::clamp(days, -1.0e6, 1.0e6) : 0.0;
}

} // namespace

void TShowForm::AddOverlayActions()
{
    const QString incruster = QStringLiteral("cat_Incruster");
    const QString insert = QStringLiteral("cat_Insert");
    TOverlayActions &o = m_ov;

    o.waIncrustPattern1 = OverlayAction<TWidestringAction>(
        this, gpal, QStringLiteral("waIncrustPattern1"), incruster, QStringLiteral("ipat1"), QString(),
        QStringLiteral("Ligne 1 de l'incrustation (codes %S %N %T %D %R %F %P %E)"), true);
    o.waIncrustPattern1->SetDefaultValue(QStringLiteral("Aucune incrustation n'a été définie."));
    o.waIncrustPattern2 = OverlayAction<TWidestringAction>(this, gpal, QStringLiteral("waIncrustPattern2"),
                                                           incruster, QStringLiteral("ipat2"), QString(),
                                                           QStringLiteral("Ligne 2 de l'incrustation"), true);
    o.waIncrustPattern2->SetDefaultValue(QStringLiteral(" \"%F\""));
    o.waFormatDatecode1 = OverlayAction<TWidestringAction>(
        this, gpal, QStringLiteral("waFormatDatecode1"), incruster, QStringLiteral("fd1"), QString(),
        QStringLiteral("Format de la date DV (%D) de la ligne 1"), true);
    o.waFormatDatecode1->SetDefaultValue(QStringLiteral("ddddd"));
    o.waFormatDatecode2 = OverlayAction<TWidestringAction>(
        this, gpal, QStringLiteral("waFormatDatecode2"), incruster, QStringLiteral("fd2"), QString(),
        QStringLiteral("Format de la date DV (%D) de la ligne 2"), true);
    o.waFormatDatecode2->SetDefaultValue(QStringLiteral("tt"));
    o.waInsertPerso1 = OverlayAction<TWidestringAction>(
        this, gpal, QStringLiteral("waInsertPerso1"), incruster, QStringLiteral("p1"), QString(),
        QStringLiteral("Ligne 1 du texte personnalisé"), true);
    o.waInsertPerso1->SetDefaultValue(TVDAppliMan::ProductName());
    o.waInsertPerso2 = OverlayAction<TWidestringAction>(
        this, gpal, QStringLiteral("waInsertPerso2"), incruster, QStringLiteral("p2"), QString(),
        QStringLiteral("Ligne 2 du texte personnalisé"), true);
    o.waInsertPerso2->SetDefaultValue(QStringLiteral("Image extraite par %1 de %2")
                                          .arg(TVDAppliMan::ProductName(), TVDAppliMan::MakerName()));

    o.naSoustitres = OverlayAction<TNopeAction>(
        this, gpal, QStringLiteral("naSoustitres"), QStringLiteral("cat_Vardo"), QStringLiteral("sub"),
        QString(), QStringLiteral("Incrustation façon sous-titres (centrée, en bas, blanche)"), false);
    // The key Windows numbers 0xDC: "*" beside Enter on the French keyboard.
    o.baInsertAutoSize = OverlayAction<TBooleanAction>(
        this, gpal, QStringLiteral("baInsertAutoSize"), incruster, QStringLiteral("auto"),
        QStringLiteral("Ctrl+*"), QStringLiteral("Taille du texte adaptée à l'image"), true);
    o.baInsertAutoSize->SetDefaultValue(true);
    o.waInsertFontName = OverlayAction<TWidestringAction>(this, gpal, QStringLiteral("waInsertFontName"),
                                                          incruster, QStringLiteral("ifname"), QString(),
                                                          QStringLiteral("Police de l'incrustation"), false);
    o.laInsertFontColor = OverlayAction<TColorAction>(
        this, gpal, QStringLiteral("laInsertFontColor"), incruster, QStringLiteral("ifCol"), QString(),
        QStringLiteral("Couleur du texte de l'incrustation"), false);
    o.laInsertFontColor->SetDefaultValue(TColors::clBlack);
    o.iaInsertFontSize = OverlayAction<TIntegerAction>(this, gpal, QStringLiteral("iaInsertFontSize"),
                                                       incruster, QStringLiteral("ifSize"), QString(),
                                                       QStringLiteral("Taille du texte en points"), true);
    o.iaInsertFontSize->SetDefaultValue(0);
    struct StyleDef
    {
        TCheckAction **field;
        const char *name;
        const char *caption;
        bool load;
    };
    const StyleDef styles[] = {{&o.caIncrustBold, "caIncrustBold", "Gras", true},
                               {&o.caIncrustItalic, "caIncrustItalic", "Italique", false},
                               {&o.caIncrustUnderline, "caIncrustUnderline", "Souligné", false},
                               {&o.caIncrustStrikeOut, "caIncrustStrikeOut", "Barré", false}};
    for (const StyleDef &d : styles) {
        *d.field = OverlayAction<TCheckAction>(this, gpal, QString::fromLatin1(d.name), incruster, QString(),
                                               QString(), QString::fromUtf8(d.caption), d.load);
        (*d.field)->SetDefaultValue(false);
    }
    // The offset before the mode that rounds it: the advanced mode loads with the offset in place.
    o.daDecalageHoraire = OverlayAction<TDoubleAction>(
        this, gpal, QStringLiteral("daDecalageHoraire"), incruster, QStringLiteral("dh"), QString(),
        QStringLiteral("Décalage de la date DV, en jours (1/24 = une heure)"), true);
    o.daDecalageHoraire->SetDefaultValue(0);
    o.caDecalageAvance =
        OverlayAction<TCheckAction>(this, gpal, QStringLiteral("caDecalageAvance"), incruster,
                                    QStringLiteral("da"), QString(), QStringLiteral("Avancé"), true);
    o.caDecalageAvance->SetTrueCaption(QStringLiteral("Avancé"));
    o.caDecalageAvance->SetFalseCaption(QStringLiteral("Avancé"));
    o.caDecalageAvance->SetDefaultValue(false);

    // Last: it sets the patterns of the stored mode again.
    o.iaInsertMode =
        OverlayAction<TIntegerAction>(this, gpal, QStringLiteral("iaInsertMode"), insert, QString(),
                                      QString(), QStringLiteral("Mode d'incrustation (0 à 5)"), true);
    o.iaInsertMode->SetDefaultValue(0);

    TDVIncrustFrame::TActions dv{o.waFormatDatecode1, o.waFormatDatecode2, o.caDecalageAvance,
                                 o.daDecalageHoraire, naInsertDatecode,    naInsertTimecode};
    m_dvPanel = new TDVIncrustFrame(dv, m_client);
    TakePanelPlace(DVIncrustFrame, m_dvPanel);
    TIncrustFrame::TActions in{
        {naInsertTimestamp, naInsertNumero, naInsertTimecode, naInsertDatecode, naInsertPerso,
         naInsertSysdateTime},
        o.waInsertPerso1,
        o.waInsertPerso2,
        o.waInsertFontName,
        o.laInsertFontColor,
        o.iaInsertFontSize,
        o.baInsertAutoSize,
        {o.caIncrustBold, o.caIncrustItalic, o.caIncrustUnderline, o.caIncrustStrikeOut},
        o.naSoustitres,
        caSliders,
        vidman->caInsertTextOn,
        vidman->faInsertFont,
        vidman->iaInsertBorderWidth,
        vidman->iaInsertBorderColor,
        vidman->daInsertTransparency,
        vidman->iaInsertAlignLines,
        vidman->caInsertAntiAliasing};
    m_incrustPanel = new TIncrustFrame(in, m_client);
    TakePanelPlace(IncrustFrame, m_incrustPanel);
    AddShortcutFreeField(m_incrustPanel->PersoEdit1());
    AddShortcutFreeField(m_incrustPanel->PersoEdit2());

    ConnectOverlayActions();
}

void TShowForm::ConnectOverlayActions()
{
    TOverlayActions &o = m_ov;
    auto refresh = [this] { NavMan->RefreshFrame(); };

    o.waIncrustPattern1->InternalApply = [this](const QString &v) {
        vidman->OverlaySlot(0).Pattern = v;
        ArmOverlay();
        vidman->ExpandOverlay();
    };
    o.waIncrustPattern2->InternalApply = [this](const QString &v) {
        vidman->OverlaySlot(1).Pattern = v;
        ArmOverlay();
        vidman->ExpandOverlay();
    };
    o.waFormatDatecode1->InternalApply = [this, refresh](const QString &v) {
        vidman->OverlaySlot(0).DateFormat = v;
        vidman->ExpandOverlay();
        refresh();
    };
    o.waFormatDatecode2->InternalApply = [this, refresh](const QString &v) {
        vidman->OverlaySlot(1).DateFormat = v;
        vidman->ExpandOverlay();
        refresh();
    };

    TNopeAction *modes[] = {naInsertTimestamp, naInsertNumero, naInsertTimecode,
                            naInsertDatecode,  naInsertPerso,  naInsertSysdateTime};
    for (int i = 0; i < 6; ++i)
        modes[i]->InternalApply = [this, i] {
            SetInsertMode(i);
            vidman->caInsertTextOn->SetChecked(true);
        };
    o.iaInsertMode->InternalApply = [this](const int &mode) { SetInsertMode(mode); };
    o.iaInsertMode->InternalBeforeSave = [this](int &v) {
        v = insertModeDown();
        return true;
    };
    o.naSoustitres->InternalApply = [this] { SubtitlePreset(); };

    o.baInsertAutoSize->InternalApply = [this, refresh](const bool &on) {
        vidman->SetInsertAutoSize(on);
        refresh();
    };
    // The font's attributes are changed in place and the font applied again (not recorded: the
    // attribute's own action was).
    auto refont = [this](auto change) {
        TFontDesc f = vidman->faInsertFont->Value;
        change(f);
        vidman->faInsertFont->Value = f;
        vidman->faInsertFont->Apply();
    };
    o.waInsertFontName->InternalApply = [refont](const QString &name) {
        // An empty name keeps the font; one this system lacks is drawn in a family it substitutes.
        if (!name.trimmed().isEmpty())
            refont([&name](TFontDesc &f) { f.Name = name.trimmed(); });
    };
    o.laInsertFontColor->InternalApply = [refont](const TColor &c) {
        refont([c](TFontDesc &f) { f.Color = c; });
    };
    o.iaInsertFontSize->InternalApply = [refont](const int &size) {
        // 0 (the default) keeps the font's size; anything else is held to what can be drawn.
        if (size > 0)
            refont([size](TFontDesc &f) { f.Size = std::clamp(size, 1, 500); });
    };
    o.caIncrustBold->InternalTrueApply = [refont] { refont([](TFontDesc &f) { f.Bold = true; }); };
    o.caIncrustBold->InternalFalseApply = [refont] { refont([](TFontDesc &f) { f.Bold = false; }); };
    o.caIncrustItalic->InternalTrueApply = [refont] { refont([](TFontDesc &f) { f.Italic = true; }); };
    o.caIncrustItalic->InternalFalseApply = [refont] { refont([](TFontDesc &f) { f.Italic = false; }); };
    o.caIncrustUnderline->InternalTrueApply = [refont] { refont([](TFontDesc &f) { f.Underline = true; }); };
    o.caIncrustUnderline->InternalFalseApply = [refont] {
        refont([](TFontDesc &f) { f.Underline = false; });
    };
    o.caIncrustStrikeOut->InternalTrueApply = [refont] { refont([](TFontDesc &f) { f.StrikeOut = true; }); };
    o.caIncrustStrikeOut->InternalFalseApply = [refont] {
        refont([](TFontDesc &f) { f.StrikeOut = false; });
    };

    o.daDecalageHoraire->InternalApply = [this, refresh](const double &x) {
        vidman->SetDateOffset(UsableOffset(x));
        refresh();
        m_dvPanel->OffsetApplied(x);
    };
    o.caDecalageAvance->InternalTrueApply = [this] {
        m_dvPanel->AdvancedShown(true);
        m_ov.daDecalageHoraire->Apply();
    };
    o.caDecalageAvance->InternalFalseApply = [this] {
        m_dvPanel->AdvancedShown(false);
        const double x = UsableOffset(m_ov.daDecalageHoraire->Value);
        m_ov.daDecalageHoraire->SetValue(std::round(x * 24.0) / 24.0);
    };

    // The window's reactions to the video manager's overlay actions, after the manager's own.
    auto afterCheck = [](TCheckAction *a, std::function<void()> onTrue, std::function<void()> onFalse) {
        auto t = a->OnAfterTrueApply;
        a->OnAfterTrueApply = [t, onTrue] {
            if (t)
                t();
            onTrue();
        };
        auto f = a->OnAfterFalseApply;
        a->OnAfterFalseApply = [f, onFalse] {
            if (f)
                f();
            onFalse();
        };
    };
    afterCheck(
        vidman->caInsertTextOn,
        [this, refresh] {
            ArmOverlay();
            refresh();
        },
        [this, refresh] {
            if (caSliders->Checked())
                caSliders->SetChecked(false);
            ArmOverlay();
            refresh();
        });
    afterCheck(vidman->caInsertAntiAliasing, refresh, refresh);
    afterCheck(
        NavMan->caPlay, [] {},
        [this, refresh] {
            ArmOverlay();
            refresh();
        });
    auto afterValue = [](auto *a, std::function<void()> f) {
        auto before = a->OnAfterApply;
        a->OnAfterApply = [before, f](const auto &v) {
            if (before)
                before(v);
            f();
        };
    };
    afterValue(vidman->faInsertFont, refresh);
    afterValue(vidman->iaInsertBorderWidth, refresh);
    afterValue(vidman->iaInsertBorderColor, refresh);
    afterValue(vidman->daInsertTransparency, refresh);
    afterValue(vidman->iaInsertAlignLines, refresh);
    afterValue(vidman->paInsertPosition, [this, refresh] {
        const QPoint p = vidman->paInsertPosition->Value;
        {
            const QSignalBlocker bx(Xslider), by(Yslider);
            Xslider->setValue(p.x());
            Yslider->setValue(10000 - p.y());
        }
        refresh();
    });
    auto slid = [this] {
        vidman->paInsertPosition->SetValue(QPoint(Xslider->value(), 10000 - Yslider->value()));
    };
    connect(Xslider, &QSlider::valueChanged, this, slid);
    connect(Yslider, &QSlider::valueChanged, this, slid);
    {
        const QPoint p = vidman->paInsertPosition->Value;
        const QSignalBlocker bx(Xslider), by(Yslider);
        Xslider->setValue(p.x());
        Yslider->setValue(10000 - p.y());
    }

    connect(TimerSysDate, &QTimer::timeout, this, [this, refresh] {
        vidman->SetSysDate(TIncrustSysDate{true, NowDays()});
        refresh();
    });
}

void TShowForm::ArmOverlay()
{
    const bool on = vidman->caInsertTextOn->Checked();
    const QString codes =
        on ? (m_ov.waIncrustPattern1->Value + u'\r' + m_ov.waIncrustPattern2->Value).toUpper() : QString();

    if (VideoSource && VideoSource != TMediaPlaceholders::NoVideo())
        if (TNotifier *n = VideoSource->DvNotifier()) {
            n->SetIncrustTarget(vidman->VideoInbox<TDvIncrustMsg>());
            n->SetNotifyIncrust(codes.contains(QLatin1String("%D")) || codes.contains(QLatin1String("%T")));
        }

    if (codes.contains(QLatin1String("%R"))) {
        if (!TimerSysDate->isActive()) {
            // The first value at once: a grab right after switching on carries the date too.
            vidman->SetSysDate(TIncrustSysDate{true, NowDays()});
            TimerSysDate->start();
        }
    } else {
        TimerSysDate->stop();
    }

    const bool fileCode = codes.contains(QLatin1String("%F"));
    if (fileCode && !FileCodeOn && !CurrentVideoFile.isEmpty())
        vidman->SetFileName(TIncrustFileName{true, CurrentVideoFile});
    FileCodeOn = fileCode;

    NumberCodeOn = codes.contains(QLatin1String("%N"));
    if (NumberCodeOn && m_grabber)
        vidman->SetNumero(TIncrustNumero{true, m_grabber->NumberText});
}

bool TShowForm::sysDateTimerOn() const
{
    return TimerSysDate->isActive();
}

int TShowForm::insertModeDown() const
{
    return m_incrustPanel ? m_incrustPanel->ModeDown() : -1;
}

void TShowForm::SetInsertMode(int mode)
{
    QString line1, line2;
    switch (mode) {
    case 0:
        line1 = QStringLiteral("%S");
        break;
    case 1:
        line1 = QStringLiteral("%N");
        break;
    case 2:
        line1 = QStringLiteral("%T");
        break;
    case 3:
        line1 = line2 = QStringLiteral("%D");
        break;
    case 4:
        line1 = m_ov.waInsertPerso1->Value;
        line2 = m_ov.waInsertPerso2->Value;
        break;
    case 5:
        line1 = QStringLiteral("%R");
        break;
    default:
        // No mode (none was down when saved): the patterns stay as they are.
        m_incrustPanel->SetModeDown(-1);
        return;
    }
    m_ov.iaInsertMode->Value = mode;
    m_incrustPanel->SetModeDown(mode);
    m_ov.waIncrustPattern1->SetValue(line1);
    m_ov.waIncrustPattern2->SetValue(line2);
}

void TShowForm::SubtitlePreset()
{
    vidman->iaInsertAlignLines->SetValue(2);
    vidman->paInsertPosition->SetValue(QPoint(5000, 8200));
    TFontDesc f = vidman->faInsertFont->Value;
    const int height = vidman->VideoFormat().Height;
    if (height > 0)
        f.Size = std::max(1, height / 30);
    f.Color = TColors::clWhite;
    vidman->faInsertFont->Value = f;
    vidman->faInsertFont->Apply();
    vidman->iaInsertBorderWidth->SetValue(2);
}

void TShowForm::RefreshDVPanel()
{
    TNotifier *n =
        VideoSource && VideoSource != TMediaPlaceholders::NoVideo() ? VideoSource->DvNotifier() : nullptr;
    naInsertDatecode->SetEnabled(n != nullptr);
    naInsertTimecode->SetEnabled(n != nullptr);
    const TframeData frame = n ? n->GetFrameData() : TframeData{};
    m_dvPanel->SetDvDate(frame.DateValid, frame.RecDate);
}
