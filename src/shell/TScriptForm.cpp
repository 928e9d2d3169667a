#include "shell/TScriptForm.h"

#include "actions/TCustomAbstractAction.h"
#include "actions/TCustomVDActionList.h"
#include "actions/TNopeAction.h"
#include "actions/TRectAction.h"
#include "actions/TWidestringAction.h"
#include "core/FramixLog.h"
#include "playback/TVDBar.h"
#include "playback/TVDImgSpeedButton.h"
#include "playback/TVDSeparator.h"
#include "script/TVDScript.h"
#include "shell/QsciHeaders.h"
#include "shell/TFichierMan.h"
#include "shell/TScriptFile.h"
#include "widgets/TVDIcons.h"

#include <QCloseEvent>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>

namespace {

constexpr int kBarHeight = 41;
constexpr int kButtonSize = 37;
constexpr int kMemoHeight = 49;
constexpr int kPanelWidth = 145;
constexpr int kPanelHeight = 265;
constexpr int kStateWidth = 120;

QString NamePart(const QString &path)
{
    return QFileInfo(path).fileName();
}

// The Pascal lexer with the window's colours: comments green italic, numbers navy, strings
// purple, symbols blue, reserved words maroon bold.
QsciLexerPascal *MakeLexer(QObject *parent, const QFont &font)
{
    auto *lexer = new QsciLexerPascal(parent);
    lexer->setDefaultFont(font);
    lexer->setFont(font);
    QFont italic = font;
    italic.setItalic(true);
    QFont bold = font;
    bold.setBold(true);
    const QColor green(0x00, 0x80, 0x00), navy(0x00, 0x00, 0x80), purple(0x80, 0x00, 0x80),
        blue(0x00, 0x00, 0xFF), maroon(0x80, 0x00, 0x00);
    for (int style :
         {QsciLexerPascal::Comment, QsciLexerPascal::CommentParenthesis, QsciLexerPascal::CommentLine}) {
        lexer->setColor(green, style);
        lexer->setFont(italic, style);
    }
    for (int style : {QsciLexerPascal::Number, QsciLexerPascal::HexNumber})
        lexer->setColor(navy, style);
    for (int style :
         {QsciLexerPascal::SingleQuotedString, QsciLexerPascal::UnclosedString, QsciLexerPascal::Character})
        lexer->setColor(purple, style);
    lexer->setColor(blue, QsciLexerPascal::Operator);
    lexer->setColor(maroon, QsciLexerPascal::Keyword);
    lexer->setFont(bold, QsciLexerPascal::Keyword);
    for (int style : {QsciLexerPascal::PreProcessor, QsciLexerPascal::PreProcessorParenthesis})
        lexer->setColor(green, style);
    return lexer;
}

} // namespace

TScriptForm::TScriptForm(TVDScript *script, TImageList *images, QWidget *parent)
    : QMainWindow(parent), m_script(script), m_images(images ? images : TVDIcons::Create(this))
{
    setObjectName(QStringLiteral("ScriptForm"));
    setWindowTitle(QStringLiteral("Scripts"));
    CreateActions();
    CreateControls();
    ConfigureFileMan();
    CreateMenus();
    setGeometry(DefaultBounds());
    // The window starts with the template and the state "Nouveau".
    ficman_script->NewFile();
}

TScriptForm::~TScriptForm()
{
    // A recording into this window's lines ends with it.
    if (TCustomAbstractAction::MacroLines == &m_macroLines) {
        TCustomAbstractAction::MacroLines = nullptr;
        TCustomAbstractAction::MacroLineAdded = nullptr;
    }
    if (m_script && m_script->IsRunning())
        m_script->Abort();
}

QStringList TScriptForm::NewFileTemplate()
{
    return {QStringLiteral("//Ecrivez un script entre begin et end."),
            QStringLiteral("//N'oubliez pas de finir chaque commande par ;"), QStringLiteral("begin"),
            QString(), QStringLiteral("end.")};
}

// --- Actions ---------------------------------------------------------------------------------

void TScriptForm::CreateActions()
{
    al_script = new TVDActionList(this);
    al_script->setObjectName(QStringLiteral("al_script"));
    al_script->SetImages(m_images);
    auto init = [this](TCustomAbstractAction *a, const QString &scriptName, const QString &shortcut) {
        a->SetName(a->InternalId());
        a->SetCategory(QStringLiteral("Vardo"));
        a->SetScriptName(scriptName);
        a->SetShortCut(QKeySequence(shortcut));
        a->SetIncludePrefs(true);
        a->SetActionList(al_script);
    };
    raScriptFormSave = new TRectAction(QStringLiteral("raScriptFormSave"), al_script);
    init(raScriptFormSave, QStringLiteral("ScriptFormSave"), QString());
    raScriptFormSave->SetApplyWhenLoad(true);
    naExecuteMacro = new TNopeAction(QStringLiteral("naExecuteMacro"), al_script);
    init(naExecuteMacro, QStringLiteral("ExecuteMacro"), QStringLiteral("F5"));
    naExecuteMacro->SetCaption(QStringLiteral("Exécuter"));
    naExecuteMacro->SetHint(QStringLiteral("Exécuter la macro"));
    // Start and stop have no script name: they are never recorded and scripts cannot call them.
    naStartMacro = new TNopeAction(QStringLiteral("naStartMacro"), al_script);
    init(naStartMacro, QString(), QStringLiteral("F3"));
    naStartMacro->SetCaption(QStringLiteral("Démarrer"));
    naStartMacro->SetHint(QStringLiteral("Commencer à  enregistrer une macro"));
    naStopMacro = new TNopeAction(QStringLiteral("naStopMacro"), al_script);
    init(naStopMacro, QString(), QStringLiteral("F4"));
    naStopMacro->SetCaption(QStringLiteral("Arrêter"));
    naStopMacro->SetHint(QStringLiteral("Arrêter l'enregistrement de la macro"));

    raScriptFormSave->InternalDefault = [](TRectValue &v) {
        v = TRectValue::fromQRect(DefaultBounds());
        return true;
    };
    raScriptFormSave->InternalBeforeSave = [this](TRectValue &v) {
        v = TRectValue::fromQRect(isMaximized() || isFullScreen() ? normalGeometry() : geometry());
        return true;
    };
    raScriptFormSave->InternalApply = [this](const TRectValue &v) {
        const QRect r = v.toQRect();
        // A stored rectangle with no area would make the window unreachable.
        setGeometry(r.width() > 0 && r.height() > 0 ? r : DefaultBounds());
    };
    naExecuteMacro->InternalApply = [this] { Execute(); };
    naStartMacro->InternalApply = [this] { StartMacro(); };
    naStopMacro->InternalApply = [this] { StopMacro(); };

    ficman_script = new TFichierMan(this);
    ficman_script->setObjectName(QStringLiteral("ficman_script"));
    ficman_script->SetImages(m_images);
}

// --- Controls --------------------------------------------------------------------------------

void TScriptForm::CreateControls()
{
    auto *client = new QWidget(this);
    setCentralWidget(client);

    ScriptBar = new TVDBar(client);
    ScriptBar->setObjectName(QStringLiteral("ScriptBar"));
    ScriptBar->SetButtonHeight(kButtonSize);
    ScriptBar->SetButtonWidth(kButtonSize);
    ScriptBar->SetButtonTop(2);
    ScriptBar->setGeometry(0, 0, width(), kBarHeight);
    auto button = [this](TCustomAbstractAction *a) {
        auto *b = new TVDImgSpeedButton(ScriptBar);
        b->SetImages(m_images);
        b->resize(kButtonSize, kButtonSize);
        b->SetAction(a);
        if (a)
            b->setObjectName(QStringLiteral("btn_") + a->objectName());
        return b;
    };
    for (TCustomAbstractAction *a : {static_cast<TCustomAbstractAction *>(ficman_script->naNewFile),
                                     static_cast<TCustomAbstractAction *>(ficman_script->waOpenFile),
                                     static_cast<TCustomAbstractAction *>(ficman_script->naPasteFile),
                                     static_cast<TCustomAbstractAction *>(ficman_script->naSaveFile),
                                     static_cast<TCustomAbstractAction *>(ficman_script->naParentFolder)})
        button(a);
    sep = new TVDSeparator(ScriptBar);
    sep->setObjectName(QStringLiteral("sep"));
    sep->resize(12, kButtonSize);
    m_helpButton = button(nullptr);
    m_helpButton->setObjectName(QStringLiteral("btn_help"));
    m_helpButton->setIcon(m_images->Icon(TVDIcons::imgHelp));
    m_closeButton = button(nullptr);
    m_closeButton->setObjectName(QStringLiteral("btn_close"));
    m_closeButton->setIcon(m_images->Icon(TVDIcons::imgScript));
    m_closeButton->setToolTip(QStringLiteral("Fermer la page des scripts"));
    ScriptBar->Realign();

    Editor = new QsciScintilla(client);
    Editor->setObjectName(QStringLiteral("Editor"));
    SetupEditor();

    Memo = new QPlainTextEdit(client);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setReadOnly(true);
    QPalette pal = Memo->palette();
    pal.setColor(QPalette::Base, pal.color(QPalette::ToolTipBase));
    pal.setColor(QPalette::Text, pal.color(QPalette::ToolTipText));
    Memo->setPalette(pal);

    Panel = new QWidget(client);
    Panel->setObjectName(QStringLiteral("Panel"));
    Panel->resize(kPanelWidth, kPanelHeight);
    m_execute = new QPushButton(Panel);
    m_execute->setObjectName(QStringLiteral("btn_execute"));
    m_execute->setGeometry(12, 24, 120, 32);
    m_execute->setToolTip(naExecuteMacro->Hint());
    connect(m_execute, &QPushButton::clicked, naExecuteMacro, &QAction::trigger);
    m_macros = new QGroupBox(QStringLiteral("Macros"), Panel);
    m_macros->setGeometry(12, 80, 120, 120);
    m_start = new QPushButton(m_macros);
    m_start->setObjectName(QStringLiteral("btn_start"));
    m_start->setGeometry(12, 28, 96, 32);
    m_stop = new QPushButton(m_macros);
    m_stop->setObjectName(QStringLiteral("btn_stop"));
    m_stop->setGeometry(12, 72, 96, 32);
    for (auto [b, a] : {std::pair{m_start, naStartMacro}, std::pair{m_stop, naStopMacro}}) {
        b->setToolTip(a->Hint());
        connect(b, &QPushButton::clicked, a, &QAction::trigger);
    }
    m_execute->setText(naExecuteMacro->Caption());
    m_start->setText(naStartMacro->Caption());
    m_stop->setText(naStopMacro->Caption());

    m_panelName = new QLabel(this);
    m_panelName->setObjectName(QStringLiteral("panelName"));
    m_panelName->setAlignment(Qt::AlignCenter);
    m_panelState = new QLabel(this);
    m_panelState->setObjectName(QStringLiteral("panelState"));
    m_panelState->setFixedWidth(kStateWidth);
    m_panelState->setAlignment(Qt::AlignCenter);
    statusBar()->addWidget(m_panelName, 1);
    statusBar()->addPermanentWidget(m_panelState);
    statusBar()->setSizeGripEnabled(false);
}

void TScriptForm::SetupEditor()
{
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::Monospace);
    // 17 pixels at 96 dpi. QScintilla sizes its styles in points: a font given in pixels has
    // no point size and shows at a size nobody can read.
    font.setPointSizeF(17 * 72.0 / 96.0);
    Editor->setFont(font);
    Editor->setLexer(MakeLexer(Editor, font));
    Editor->setUtf8(true);
    Editor->setMarginWidth(0, QStringLiteral("00000"));
    Editor->setMarginLineNumbers(0, true);
    Editor->setAutoIndent(true);
    Editor->setEolMode(QsciScintilla::EolWindows);
    Editor->setBraceMatching(QsciScintilla::SloppyBraceMatch);
    connect(Editor, &QsciScintilla::textChanged, this, &TScriptForm::EditorChanged);
    // Ctrl+V is the editor's paste while it has the focus (see eventFilter).
    Editor->installEventFilter(this);
}

void TScriptForm::CreateMenus()
{
    menuBar()->setNativeMenuBar(false);
    m_scriptsMenu = menuBar()->addMenu(QStringLiteral("Scripts"));
    m_scriptsMenu->addAction(ficman_script->naNewFile);
    m_scriptsMenu->addAction(ficman_script->waOpenFile);
    m_scriptsMenu->addAction(ficman_script->naPasteFile);
    m_scriptsMenu->addAction(ficman_script->naSaveFile);
    m_scriptsMenu->addAction(ficman_script->waSaveFileAs);
    m_scriptsMenu->addSeparator();
    m_scriptsMenu->addAction(ficman_script->naParentFolder);
    m_scriptsMenu->addSeparator();
    for (int i = 0; i < 5; ++i)
        m_scriptsMenu->addAction(ficman_script->naRecent[size_t(i)]);
    m_scriptsMenu->addSeparator();
    m_helpItem = m_scriptsMenu->addAction(QStringLiteral("Afficher l'Aide"));
    m_closeItem = m_scriptsMenu->addAction(QStringLiteral("Fermer"));
    m_closeItem->setToolTip(QStringLiteral("Fermer la page des scripts"));
    m_closeItem->setStatusTip(m_closeItem->toolTip());
    auto run = [](const QPointer<TCustomAbstractAction> &a) {
        if (a)
            a->trigger();
    };
    connect(m_helpItem, &QAction::triggered, this, [this, run] { run(m_helpCommand); });
    connect(m_closeItem, &QAction::triggered, this, [this, run] { run(m_closeCommand); });
    connect(m_helpButton, &QToolButton::clicked, this, [this, run] { run(m_helpCommand); });
    connect(m_closeButton, &QToolButton::clicked, this, [this, run] { run(m_closeCommand); });

    m_macrosMenu = menuBar()->addMenu(QStringLiteral("Macros"));
    m_macrosMenu->addAction(naStartMacro);
    m_macrosMenu->addAction(naStopMacro);
    m_macrosMenu->addAction(naExecuteMacro);
}

void TScriptForm::ConfigureFileMan()
{
    ficman_script->ConfigureForScripts(Editor);
    ficman_script->OnNewFile = [this] {
        SetEditorLines(NewFileTemplate());
        m_panelName->setText(NamePart(ficman_script->CurrentFile()));
        SetStatus(StateNew());
    };
    ficman_script->OnOpenFile = [this](const QString &path) { return LoadFile(path); };
    ficman_script->OnErrorOpenFile = [this](const QString &path) {
        // A file that could not be read was explained by LoadFile; a name that is no file was not.
        if (!QFileInfo(path).isFile()) {
            Memo->clear();
            AddMessage(QStringLiteral("### Le fichier %1 n'existe pas.").arg(path));
        }
    };
    ficman_script->OnSaveFile = [this](const QString &path) { SaveFile(path); };
}

void TScriptForm::BindCommands(TCustomAbstractAction *help, TCustomAbstractAction *close)
{
    m_helpCommand = help;
    m_closeCommand = close;
    if (help)
        m_helpButton->setToolTip(help->Hint().isEmpty() ? help->Caption() : help->Hint());
}

QList<TCustomVDActionList *> TScriptForm::HelpLists() const
{
    return {ficman_script, al_script};
}

// --- Show, hide, layout ----------------------------------------------------------------------

void TScriptForm::ShowForm()
{
    ficman_script->Filter = QStringLiteral("Fichiers Macro (*.txt)|*.txt");
    m_start->setText(QStringLiteral("Démarrer"));
    m_stop->setText(QStringLiteral("Arrêter"));
    show();
    raise();
    activateWindow();
}

void TScriptForm::HideForm()
{
    hide();
}

void TScriptForm::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    RunLayout();
}

void TScriptForm::RunLayout()
{
    QWidget *client = centralWidget();
    const int W = client->width();
    // The status bar lies outside the client area here; the editor's height keeps its room.
    const int H = client->height() + statusBar()->height();
    const int statusHeight = statusBar()->height();
    ScriptBar->setGeometry(0, 0, W, kBarHeight);
    Editor->setGeometry(8, kBarHeight + 8, qMax(0, W - kPanelWidth - 8),
                        qMax(0, H - kMemoHeight - statusHeight - kBarHeight - 24));
    Memo->setGeometry(8, Editor->geometry().bottom() + 1 + 8, Editor->width(), kMemoHeight);
    Panel->move(W - kPanelWidth, qMax(kBarHeight, H - kPanelHeight - kMemoHeight));
    sep->resize(qMax(0, W - sep->x() - 2 * ScriptBar->ButtonWidth()), sep->height());
    ScriptBar->Layout();
    m_panelName->setMinimumWidth(qMax(0, W - kStateWidth));
}

void TScriptForm::closeEvent(QCloseEvent *event)
{
    // Closing the window stops a script that runs from it; the window only hides.
    if (m_script && m_script->IsRunning())
        m_script->Abort();
    event->accept();
    if (auto f = OnClosed)
        f();
}

bool TScriptForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == Editor) {
        if (event->type() == QEvent::FocusIn)
            ficman_script->naPasteFile->SetShortCut(QKeySequence());
        else if (event->type() == QEvent::FocusOut)
            ficman_script->naPasteFile->SetShortCut(QKeySequence(QStringLiteral("Ctrl+V")));
    }
    return QMainWindow::eventFilter(watched, event);
}

// --- Text and messages -----------------------------------------------------------------------

QStringList TScriptForm::EditorLines() const
{
    return TScriptFile::SplitLines(Editor->text());
}

void TScriptForm::SetEditorLines(const QStringList &lines)
{
    m_settingText = true;
    Editor->setText(lines.join(QLatin1String("\r\n")));
    m_settingText = false;
}

QStringList TScriptForm::MemoLines() const
{
    const QString text = Memo->toPlainText();
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

void TScriptForm::AddMessage(const QString &line)
{
    Memo->appendPlainText(line);
    if (auto f = OnMessage)
        f(line);
}

void TScriptForm::SetStatus(const QString &state)
{
    m_panelState->setText(state);
}

void TScriptForm::EditorChanged()
{
    if (m_settingText)
        return;
    ficman_script->SetModified(true);
    m_panelName->setText(NamePart(ficman_script->CurrentFile()));
    SetStatus(StateModified());
}

// --- Files -----------------------------------------------------------------------------------

bool TScriptForm::LoadFile(const QString &path)
{
    const TScriptFile::TReadResult r = TScriptFile::Read(path);
    if (!r.ok) {
        Memo->clear();
        AddMessage(QStringLiteral("### ") + r.error);
        return false;
    }
    SetEditorLines(r.lines);
    m_panelName->setText(NamePart(path));
    SetStatus(StateOpen());
    Memo->clear();
    if (r.encoding == TScriptFile::TEncoding::Latin1)
        AddMessage(QStringLiteral("Le fichier %1 n'est pas en UTF-8 : il a été lu en Latin-1 "
                                  "et sera enregistré en UTF-8.")
                       .arg(NamePart(path)));
    return true;
}

void TScriptForm::SaveFile(const QString &path)
{
    QString error;
    if (!TScriptFile::Write(path, EditorLines(), &error)) {
        AddMessage(QStringLiteral("### ") + error);
        // The text is not on disk: it stays marked as modified.
        QMetaObject::invokeMethod(
            this, [this] { ficman_script->SetModified(true); }, Qt::QueuedConnection);
        return;
    }
    m_panelName->setText(NamePart(path));
    SetStatus(StateSaved());
}

bool TScriptForm::OpenScript(const QString &path)
{
    ficman_script->CloseFile();
    return ficman_script->OpenFile(path);
}

// --- Execute and record ----------------------------------------------------------------------

bool TScriptForm::Execute()
{
    if (!m_script)
        return false;
    if (m_script->IsRunning()) {
        AddMessage(QStringLiteral("### Un script est déjà en cours d'exécution"));
        return false;
    }
    Memo->clear();
    m_script->SetScript(EditorLines());
    const QString file = ficman_script->CurrentFile();
    m_script->SetScriptFolder(file.isEmpty() ? QString() : QFileInfo(file).absolutePath());
    m_script->CompileScript();
    for (const QString &m : m_script->Messages())
        AddMessage(m);
    const bool compiled = m_script->Compiled();
    const QPointer<TScriptForm> self(this);
    m_script->RunScript();
    if (!self || !m_script)
        return false;
    const QStringList messages = m_script->Messages();
    for (const QString &m : messages)
        AddMessage(m);
    const bool ok =
        compiled && !messages.isEmpty() && messages.last() == QStringLiteral("*** Exécution réussie ***");
    qCInfo(lcShell) << "script run" << (ok ? "succeeded" : "failed");
    return ok;
}

void TScriptForm::StartMacro()
{
    // A new recording replaces one in progress.
    TVDScript::StopMacro();
    TVDScript::StartMacro(&m_macroLines);
    TCustomAbstractAction::MacroLineAdded = [this](const QString &) { SetEditorLines(m_macroLines); };
    SetEditorLines(m_macroLines);
    EditorChanged();
}

void TScriptForm::StopMacro()
{
    if (TCustomAbstractAction::MacroLines != &m_macroLines)
        return;
    TVDScript::StopMacro();
    TCustomAbstractAction::MacroLineAdded = nullptr;
    SetEditorLines(m_macroLines);
    m_macroLines.clear();
    EditorChanged();
}
