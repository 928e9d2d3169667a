#include "script/TVDScript.h"

#include "actions/TCustomAbstractAction.h"
#include "core/TDateFormat.h"
#include "script/TScriptStdLib.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QThread>

namespace {

using TArgs = std::vector<TScriptValue>;

QString str(const TArgs &a, size_t n)
{
    return std::get<QString>(a[n]);
}

// The position just after the last "/" (0 when there is none).
qsizetype nameStart(const QString &file)
{
    return file.lastIndexOf(QLatin1Char('/')) + 1;
}

// Lets the program handle input while a script waits or works (at most every 100 ms).
void handleInput()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace

TVDScript::TVDScript(QObject *parent) : QObject(parent)
{
    TCustomAbstractAction::MacroNested = false;
    m_engine->SetIdleCallback(handleInput);
    m_engine->OnCompile = [this](TScriptEngine &) { RunCompileEvent(); };
    SetOnCompile([this](IScriptHost &) {
        RegisterBuiltins();
        m_engine->AddGraphicsDeclarations();
        if (auto f = OnScriptCompile)
            f(*this);
    });
}

TVDScript::~TVDScript()
{
    // A script cannot outlive its component: stop it (this happens only when the component
    // is destroyed from an input handler that ran during the script).
    m_engine->Abort();
}

bool TVDScript::RegisterMethod(const QString &declaration, TScriptMethod method)
{
    return m_engine->RegisterMethod(declaration, std::move(method));
}

void TVDScript::CompileScript()
{
    if (m_engine->IsRunning()) {
        m_messages << QStringLiteral("### Compilation impossible: un script est en cours d'exécution");
        return;
    }
    m_messages.clear();
    m_compiled = m_engine->Compile(m_script.join(QLatin1Char('\n')));
    for (const TScriptMessage &m : m_engine->Messages())
        m_messages << m.render();
    m_messages << (m_compiled ? QStringLiteral("*** Compilation succeeded ***")
                              : QStringLiteral("### Compilation Failed"));
}

void TVDScript::RunScript()
{
    if (m_engine->IsRunning()) {
        // One script at a time: the running one keeps its messages.
        m_messages << QStringLiteral("### Un script est déjà en cours d'exécution");
        return;
    }
    m_messages.clear();
    if (!m_compiled) {
        m_messages << QStringLiteral("### Compilation non prête");
        return;
    }
    m_searchEntries.clear();
    const std::shared_ptr<TScriptEngine> engine = m_engine;
    const QPointer<TVDScript> self(this);
    const bool ok = engine->Run();
    if (!self)
        return; // destroyed by an input handler during the run; the engine stopped with it
    if (ok)
        m_messages << QStringLiteral("*** Exécution réussie ***");
    else
        m_messages << QStringLiteral("### Erreur pendant l'exécution: ") + engine->RunError();
    m_searchEntries.clear();
    Q_EMIT RunFinished();
}

QString TVDScript::FindEntry(bool first)
{
    if (m_searchEntries.isEmpty())
        return QString();
    const QString name = m_searchEntries.takeFirst();
    (void)first;
    return m_searchFolder + name;
}

void TVDScript::RegisterBuiltins()
{
    TScriptEngine &e = *m_engine;
    e.RegisterMethod(QStringLiteral("function findfirst(dossier:widestring;masque:widestring):widestring;"),
                     [this](const TArgs &a) -> TScriptValue {
                         m_searchFolder = str(a, 0);
                         if (!m_searchFolder.endsWith(QLatin1Char('/')))
                             m_searchFolder += QLatin1Char('/');
                         m_searchEntries.clear();
                         QString mask = str(a, 1);
                         if (mask.isEmpty())
                             return QString();
                         // A mask may name a sub-folder ("photos/*.jpg"); the entries found are
                         // still given after the search folder, as the search reports them.
                         const QFileInfo where(m_searchFolder + mask);
                         mask = where.fileName();
                         // Users of such scripts expect *.* to match every name, dotted or not.
                         if (mask == QLatin1String("*.*"))
                             mask = QStringLiteral("*");
                         QDir dir(where.path());
                         if (!dir.exists())
                             return QString();
                         // Every kind of entry, "." and ".." and hidden ones included; names
                         // compare exactly, as Linux file names do.
                         m_searchEntries = dir.entryList(QStringList{mask},
                                                         QDir::AllEntries | QDir::Hidden | QDir::System |
                                                             QDir::CaseSensitive,
                                                         QDir::Name);
                         return FindEntry(true);
                     });
    e.RegisterMethod(QStringLiteral("function findnext:widestring;"),
                     [this](const TArgs &) -> TScriptValue { return FindEntry(false); });
    e.RegisterMethod(QStringLiteral("procedure findclose;"), [this](const TArgs &) -> TScriptValue {
        m_searchEntries.clear();
        return {};
    });
    e.RegisterMethod(QStringLiteral("procedure showmessage(z:string);"),
                     [this](const TArgs &a) -> TScriptValue {
                         if (auto f = ShowMessageHandler)
                             f(str(a, 0));
                         else
                             QMessageBox::information(QApplication::activeWindow(),
                                                      QApplication::applicationDisplayName(), str(a, 0));
                         return {};
                     });
    // The engine, not the component: an input handler may destroy the component during the wait.
    const std::weak_ptr<TScriptEngine> engine = m_engine;
    e.RegisterMethod(QStringLiteral("procedure sleep(milli:Cardinal);"),
                     [engine](const TArgs &a) -> TScriptValue {
                         // The wait goes in slices, so that Esc or closing the window still stops the script.
                         const qint64 total = std::get<std::int64_t>(a[0]);
                         QElapsedTimer t;
                         t.start();
                         QElapsedTimer sinceInput;
                         sinceInput.start();
                         while (t.elapsed() < total) {
                             QThread::msleep(std::uint32_t(qMin<qint64>(20, total - t.elapsed())));
                             if (sinceInput.elapsed() >= 100) {
                                 handleInput();
                                 sinceInput.restart();
                             }
                             const auto running = engine.lock();
                             if (!running || running->AbortRequested())
                                 break;
                         }
                         return {};
                     });
    e.RegisterMethod(QStringLiteral("procedure processmessages;"), [](const TArgs &) -> TScriptValue {
        handleInput();
        return {};
    });
    e.RegisterMethod(
        QStringLiteral("procedure forcedirectories(dir:widestring);"), [](const TArgs &a) -> TScriptValue {
            const QString dir = str(a, 0);
            if (dir.isEmpty())
                TScriptEngine::RaiseRuntimeError(QStringLiteral("Impossible de créer le dossier: nom vide"));
            QDir().mkpath(dir);
            return {};
        });
    e.RegisterMethod(QStringLiteral("function changefileext(fichier:widestring;ext:widestring):widestring;"),
                     [](const TArgs &a) -> TScriptValue {
                         const QString f = str(a, 0);
                         const qsizetype dot = f.lastIndexOf(QLatin1Char('.'));
                         if (dot >= nameStart(f))
                             return f.left(dot) + str(a, 1);
                         return f + str(a, 1);
                     });
    e.RegisterMethod(QStringLiteral("function deletefiletorecyclebin(fichier:widestring):Boolean;"),
                     [](const TArgs &a) -> TScriptValue {
                         const QString f = str(a, 0);
                         return !f.isEmpty() && QFileInfo::exists(f) && QFile::moveToTrash(f);
                     });
    e.RegisterMethod(QStringLiteral("procedure renamefile(oldfile,newname:widestring);"),
                     [](const TArgs &a) -> TScriptValue {
                         QFile::rename(str(a, 0), str(a, 1));
                         return {};
                     });
    e.RegisterMethod(QStringLiteral("function extractfilename(fichier:widestring):widestring;"),
                     [](const TArgs &a) -> TScriptValue { return str(a, 0).mid(nameStart(str(a, 0))); });
    e.RegisterMethod(QStringLiteral("function extractfilepath(fichier:widestring):widestring;"),
                     [](const TArgs &a) -> TScriptValue { return str(a, 0).left(nameStart(str(a, 0))); });
    e.RegisterMethod(QStringLiteral("function extractfileext(fichier:widestring):widestring;"),
                     [](const TArgs &a) -> TScriptValue {
                         const QString f = str(a, 0);
                         const qsizetype dot = f.lastIndexOf(QLatin1Char('.'));
                         return dot >= nameStart(f) ? f.mid(dot) : QString();
                     });

    e.AddConstant(QStringLiteral("clMoneyGreen"), QStringLiteral("Integer"), std::int64_t(12639424));
    e.AddConstant(QStringLiteral("clSkyBlue"), QStringLiteral("Integer"), std::int64_t(15780518));
    e.AddConstant(QStringLiteral("clCream"), QStringLiteral("Integer"), std::int64_t(15793151));
    e.AddConstant(QStringLiteral("SecsPerDay"), QStringLiteral("Longint"), std::int64_t(86400));
    e.AddConstant(QStringLiteral("MSecPerDay"), QStringLiteral("Longint"), std::int64_t(86400000));

    static const char *const types[][2] = {
        {"TAlignment", "(taLeftJustify, taRightJustify, taCenter)"},
        {"HResult", "LongInt"},
        {"THELPCONTEXT", "Longint"},
        {"TSHORTCUT", "WORD"},
        {"TScrollBarInc", "SmallInt"},
        {"TGUID", "record D1: LongWord; D2: Word; D3: Word; D4: array[0..7] of Byte; end;"},
        {"TCLSID", "TGUID"},
        {"TIID", "TGUID"},
        {"TPoint", "record x,y: Longint; end;"},
        {"TRect", "record Left, Top, Right, Bottom: Integer; end;"},
        {"TScrollBarKind", "(sbHorizontal, sbVertical)"},
        {"TFormBorderStyle", "(bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin)"},
        {"TBorderStyle", "TFormBorderStyle"},
        {"TWindowState", "(wsNormal, wsMinimized, wsMaximized)"},
        {"TFormStyle", "(fsNormal, fsMDIChild, fsMDIForm, fsStayOnTop)"},
        {"TPosition", "(poDesigned, poDefault, poDefaultPosOnly, poDefaultSizeOnly, poScreenCenter, "
                      "poDesktopCenter, poMainFormCenter, poOwnerFormCenter)"},
        {"TPrintScale", "(poNone, poProportional, poPrintToFit)"},
        {"TCloseAction", "(caNone, caHide, caFree, caMinimize)"},
        {"TBorderIcon", "(biSystemMenu, biMinimize, biMaximize, biHelp)"},
        {"TBorderIcons", "set of TBorderIcon"},
        {"TEditCharCase", "(ecNormal, ecUpperCase, ecLowerCase)"},
        {"TScrollStyle", "(ssNone, ssHorizontal, ssVertical, ssBoth)"},
        {"TComboBoxStyle", "(csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable)"},
        {"TCheckBoxState", "(cbUnchecked, cbChecked, cbGrayed)"},
        {"TListBoxStyle", "(lbStandard, lbOwnerDrawFixed, lbOwnerDrawVariable)"},
        {"TScrollCode", "(scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, "
                        "scEndScroll)"},
        {"TEOwnerDrawState",
         "(odSelected, odGrayed, odDisabled, odChecked, odFocused, odDefault, odHotLight, "
         "odInactive, odNoAccel, odNoFocusRect, odReserved1, odReserved2, odComboBoxEdit)"},
        {"TOwnerDrawState", "set of TEOwnerDrawState"},
        {"TTextLayout", "( tlTop, tlCenter, tlBottom )"},
        {"TSavePreferences", "(spRegistre,spPortable,spNone)"},
    };
    for (const auto &t : types)
        e.AddType(QString::fromLatin1(t[0]), QString::fromLatin1(t[1]));
}

// ---------------------------------------------------------------- macro recording

QString TVDScript::MacroHeader(double dateTime)
{
    return QStringLiteral("//Macro enregistrée le ") +
           FormatDateTime(QStringLiteral("dddddd à tt"), dateTime);
}

void TVDScript::StartMacro(QStringList *lines)
{
    if (!lines)
        return;
    lines->clear();
    *lines << MacroHeader(pscript::TScriptStdLib::now()) << QString() << QStringLiteral("begin");
    TCustomAbstractAction::MacroLines = lines;
}

void TVDScript::StopMacro()
{
    if (!TCustomAbstractAction::MacroLines)
        return;
    *TCustomAbstractAction::MacroLines << QStringLiteral("end.");
    TCustomAbstractAction::MacroLines = nullptr;
}

bool TVDScript::MacroRecording()
{
    return TCustomAbstractAction::MacroLines != nullptr;
}
