// Fuzzes the command line: splitting a command-line string, parsing each argument into a
// pending entry, executing the entries on actions of every class, and the text readings and
// macro lines they go through. The value each action ends with must read back from its own
// text form, and every recorded line must be a well-formed Pascal call.
//
// Actions are QActions and need a GUI application. libFuzzer runs the target with no
// application, so it makes an offscreen QApplication; the ctest driver makes a plain
// QCoreApplication, and the target then fuzzes splitting, parsing and the readings only.
#include "actions/TActionText.h"
#include "actions/TBooleanAction.h"
#include "actions/TCheckAction.h"
#include "actions/TColorAction.h"
#include "actions/TDoubleAction.h"
#include "actions/TFontAction.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TPointAction.h"
#include "actions/TRectAction.h"
#include "actions/TVDActionComponent.h"
#include "actions/TVDSwitch.h"
#include "actions/TWidestringAction.h"

#include <QApplication>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

void Check(bool ok)
{
    if (!ok)
        std::abort();
}

struct Rig
{
    TVDSwitch sw;
    TVDActionList list;
    TWidestringAction *wa = new TWidestringAction(QStringLiteral("wa"), &list);
    TIntegerAction *ia = new TIntegerAction(QStringLiteral("ia"), &list);
    TColorAction *la = new TColorAction(QStringLiteral("la"), &list);
    TDoubleAction *da = new TDoubleAction(QStringLiteral("da"), &list);
    TBooleanAction *ba = new TBooleanAction(QStringLiteral("ba"), &list);
    TPointAction *pa = new TPointAction(QStringLiteral("pa"), &list);
    TRectAction *ra = new TRectAction(QStringLiteral("ra"), &list);
    TFontAction *fa = new TFontAction(QStringLiteral("fa"), &list);
    TCheckAction *ca = new TCheckAction(QStringLiteral("ca"), &list);
    TNopeAction *na = new TNopeAction(QStringLiteral("na"), &list);
    QStringList macro;

    Rig()
    {
        const char *names[] = {"w", "i", "c", "d", "b", "p", "r", "f", "x", "n"};
        int k = 0;
        for (TCustomAbstractAction *a : list.TypedActions()) {
            a->SetSwitch(QString::fromLatin1(names[k]));
            a->SetScriptName(QStringLiteral("S") + QString::fromLatin1(names[k]));
            ++k;
        }
        list.SetSwitch(&sw);
    }
};

bool GuiAvailable()
{
    static const bool gui = [] {
        if (!QCoreApplication::instance()) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char arg0[] = "actions_cmdline";
            static char *argv[] = {arg0, nullptr};
            new QApplication(argc, argv); // lives for the whole run
        }
        return qobject_cast<QApplication *>(QCoreApplication::instance()) != nullptr;
    }();
    return gui;
}

void CheckReadings(const QString &text)
{
    int i = 0;
    if (TActionText::ReadInteger(text, i)) {
        int back = 0;
        Check(TActionText::ReadInteger(QString::number(i), back) && back == i);
    }
    TColor c = 0;
    if (TActionText::ReadColor(text, c)) {
        TColor back = 0;
        Check(TActionText::ReadColor(TActionText::PascalColor(c), back) && back == c);
    }
    QPoint p;
    TActionText::ReadPoint(text, p);
    TRectValue r;
    TActionText::ReadRect(text, r);
    TActionText::ReadBoolean(text);
    double d = 0;
    if (TActionText::ReadDouble(text, d))
        Check(std::isfinite(d)); // a macro line cannot carry inf or nan
}

void CheckValuesReadBack(Rig &rig)
{
    int i = 0;
    Check(TActionText::ReadInteger(QString::number(rig.ia->Value), i) && i == rig.ia->Value);
    TColor c = 0;
    Check(TActionText::ReadColor(TActionText::PascalColor(rig.la->Value), c) && c == rig.la->Value);
    QPoint p;
    Check(
        TActionText::ReadPoint(QStringLiteral("(%1,%2)").arg(rig.pa->Value.x()).arg(rig.pa->Value.y()), p) &&
        p == rig.pa->Value);
    const TRectValue &rv = rig.ra->Value;
    TRectValue r;
    Check(TActionText::ReadRect(
              QStringLiteral("(%1,%2,%3,%4)").arg(rv.Left).arg(rv.Top).arg(rv.Right).arg(rv.Bottom), r) &&
          r == rv);
    const double dv = rig.da->Value;
    if (std::isfinite(dv)) {
        double d = 0;
        Check(TActionText::ReadDouble(TActionText::PascalDouble(dv), d));
        Check(d == dv || std::abs(d - dv) <= std::abs(dv) * 1e-14);
    }
}

void CheckMacroLines(const QStringList &lines)
{
    for (const QString &l : lines) {
        Check(l.startsWith(QStringLiteral("    ")));
        Check(l.endsWith(u';'));
        // Quotes come in pairs: every text is one well-formed Pascal string.
        Check(l.count(u'\'') % 2 == 0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096)
        return 0;
    // The first byte chooses how the bytes become text: UTF-8, or UTF-16 code units (lone
    // surrogates and NULs included).
    QString line;
    if (size > 0 && (data[0] & 1)) {
        for (size_t k = 1; k + 1 < size; k += 2)
            line.append(QChar(char16_t(data[k] | (data[k + 1] << 8))));
    } else {
        line = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    }

    const QStringList args = TVDSwitch::SplitCommandLine(line);
    for (const QString &a : args) {
        Check(!a.isEmpty());
        CheckReadings(a);
        const qsizetype eq = a.indexOf(u'=');
        if (eq >= 0)
            CheckReadings(a.mid(eq + 1));
    }

    if (!GuiAvailable()) {
        TVDSwitch sw;
        sw.ParseCommandLine(args);
        Check(sw.Pending().Count() == 0); // nothing registered, no default action
        return 0;
    }

    static Rig *rig = new Rig;
    rig->macro.clear();
    TCustomAbstractAction::MacroLines = &rig->macro;
    QStringList withProgram = args;
    if (withProgram.isEmpty())
        withProgram << QStringLiteral("framix");
    rig->sw.ParseCommandLine(withProgram);
    Check(rig->sw.Pending().Count() <= int(withProgram.size()) - 1);
    rig->sw.ExecuteAll();
    TCustomAbstractAction::MacroLines = nullptr;
    Check(!rig->sw.Executing());
    Check(!TCustomAbstractAction::MacroNested);
    CheckMacroLines(rig->macro);
    CheckValuesReadBack(*rig);
    return 0;
}
