// The script window on its own: a real editor, real files, a real script component, offscreen.
#include "actions/TCustomAbstractAction.h"
#include "actions/TCustomVDActionList.h"
#include "actions/TIntegerAction.h"
#include "actions/TNopeAction.h"
#include "actions/TRectAction.h"
#include "actions/TWidestringAction.h"
#include "script/TVDScript.h"
#include "shell/QsciHeaders.h"
#include "shell/TFichierMan.h"
#include "shell/TScriptFile.h"
#include "shell/TScriptForm.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace {

// A window with its own script component; its file questions are answered "no".
struct Form
{
    Form()
    {
        form = std::make_unique<TScriptForm>(&script);
        form->fileMan()->AskYesNo = [this](const QString &) {
            ++questions;
            return false;
        };
    }
    TVDScript script;
    std::unique_ptr<TScriptForm> form;
    int questions = 0;
};

void WriteBytes(const QString &path, const QByteArray &data)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(data);
}

} // namespace

TEST(ScriptForm, StartsWithTheTemplateAndRunsIt)
{
    Form t;
    TScriptForm &f = *t.form;
    EXPECT_EQ(f.geometry(), QRect(300, 300, 800, 560));
    EXPECT_EQ(f.EditorLines(), TScriptForm::NewFileTemplate());
    EXPECT_EQ(f.fileStatePanel()->text(), "Nouveau");
    EXPECT_EQ(f.fileNamePanel()->text(), "script.txt");
    EXPECT_EQ(f.fileMan()->FileState(), TFichierMan::fsNew);
    EXPECT_FALSE(f.fileMan()->Modified()) << "the template is no change of the user's";
    // The colours, and a size one can read (QScintilla sizes its styles in points).
    const QsciLexer *lexer = f.editor()->lexer();
    ASSERT_NE(lexer, nullptr);
    EXPECT_GE(lexer->font(QsciLexerPascal::Default).pointSizeF(), 12.0);
    EXPECT_TRUE(lexer->font(QsciLexerPascal::Keyword).bold());
    EXPECT_EQ(lexer->color(QsciLexerPascal::Keyword), QColor(0x80, 0, 0));
    EXPECT_TRUE(lexer->font(QsciLexerPascal::CommentLine).italic());
    EXPECT_EQ(lexer->color(QsciLexerPascal::CommentLine), QColor(0, 0x80, 0));
    EXPECT_EQ(lexer->color(QsciLexerPascal::Number), QColor(0, 0, 0x80));
    EXPECT_EQ(lexer->color(QsciLexerPascal::SingleQuotedString), QColor(0x80, 0, 0x80));

    // F5: the empty program compiles and runs.
    EXPECT_EQ(f.naExecuteMacro->ShortCut(), QKeySequence("F5"));
    f.naExecuteMacro->trigger();
    EXPECT_EQ(f.MemoLines(), (QStringList{"*** Compilation succeeded ***", "*** Exécution réussie ***"}));

    // A faulty script: the compiler's message, then the run refused; the next run clears the area.
    f.SetEditorLines({"begin", "  nimporte;", "end."});
    EXPECT_FALSE(f.Execute());
    const QStringList memo = f.MemoLines();
    ASSERT_GE(memo.size(), 3);
    EXPECT_EQ(memo.at(memo.size() - 2), "### Compilation Failed");
    EXPECT_EQ(memo.last(), "### Compilation non prête");
    f.SetEditorLines(TScriptForm::NewFileTemplate());
    EXPECT_TRUE(f.Execute());
    EXPECT_EQ(f.MemoLines().size(), 2);

    // Start and stop have no script names; execute is scriptable. The lists for the help window.
    EXPECT_TRUE(f.naStartMacro->ScriptName().isEmpty());
    EXPECT_TRUE(f.naStopMacro->ScriptName().isEmpty());
    EXPECT_EQ(f.naExecuteMacro->ScriptName(), "ExecuteMacro");
    EXPECT_EQ(f.HelpLists(), (QList<TCustomVDActionList *>{f.fileMan(), f.actionList()}));
    EXPECT_EQ(TScriptForm::HelpHeading(), "Scripts");
}

TEST(ScriptForm, RecordsAMacroLineByLine)
{
    Form t;
    TScriptForm &f = *t.form;
    TVDActionList other;
    auto *digits = new TIntegerAction(QStringLiteral("iaDigits"), &other);
    digits->SetScriptName(QStringLiteral("Digits"));
    digits->SetActionList(&other);

    // Stop without start changes nothing.
    const QStringList before = f.EditorLines();
    f.naStopMacro->trigger();
    EXPECT_EQ(f.EditorLines(), before);
    EXPECT_EQ(f.fileStatePanel()->text(), "Nouveau");

    f.naStartMacro->trigger();
    QStringList lines = f.EditorLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[0].startsWith("//Macro enregistrée le "));
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "begin");
    // Each line shows at once, not only at stop.
    digits->SetValue(4);
    EXPECT_EQ(f.EditorLines().size(), 4);
    EXPECT_EQ(f.EditorLines().last(), "    Digits(4);");
    // Recording lasts across hiding and showing.
    f.ShowForm();
    f.HideForm();
    f.naStopMacro->trigger();
    lines = f.EditorLines();
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(lines[3], "    Digits(4);");
    EXPECT_EQ(lines[4], "end.");
    EXPECT_FALSE(TVDScript::MacroRecording());
    EXPECT_EQ(f.fileStatePanel()->text(), "Modifié");
    // A second stop adds nothing; a change after the stop is not recorded.
    f.naStopMacro->trigger();
    digits->SetValue(5);
    EXPECT_EQ(f.EditorLines(), lines);

    // The recorded macro runs against the list it came from.
    other.SetPascalScript(&t.script);
    EXPECT_TRUE(f.Execute()) << f.MemoLines().join('\n').toStdString();
    EXPECT_EQ(digits->Value, 4);

    // A window that goes while it records ends the recording with it.
    auto second = std::make_unique<TScriptForm>(&t.script);
    second->StartMacro();
    EXPECT_TRUE(TVDScript::MacroRecording());
    second.reset();
    EXPECT_FALSE(TVDScript::MacroRecording());
    digits->SetValue(6); // no recording target left: nothing is written anywhere
}

TEST(ScriptForm, FileStatesSaveAndReopen)
{
    Form t;
    TScriptForm &f = *t.form;
    QTemporaryDir dir;
    f.fileMan()->waInitialDir->SetValue(dir.path());
    f.fileMan()->ChooseSaveFile = [&](const QString &, const QString &, const QString &, const QString &) {
        return dir.filePath("été.txt");
    };

    // Typing marks the file modified.
    f.editor()->setCursorPosition(3, 0);
    f.editor()->insert("  showmessage('à bientôt');");
    EXPECT_EQ(f.fileStatePanel()->text(), "Modifié");
    EXPECT_TRUE(f.fileMan()->Modified());

    // Saving a new file asks where, writes UTF-8 with CR LF, and says "Enregistré".
    f.fileMan()->naSaveFile->trigger();
    EXPECT_EQ(f.fileStatePanel()->text(), "Enregistré");
    EXPECT_EQ(f.fileNamePanel()->text(), "été.txt");
    EXPECT_FALSE(f.fileMan()->Modified());
    QFile saved(dir.filePath("été.txt"));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QByteArray bytes = saved.readAll();
    EXPECT_TRUE(bytes.contains("  showmessage('\xc3\xa0 bient\xc3\xb4t');\r\n"));
    EXPECT_TRUE(bytes.endsWith("end.\r\n"));
    EXPECT_EQ(bytes.count("\r\n"), 5);

    // New, then open again: the same lines, "Ouvert", nothing asked (nothing was modified).
    f.fileMan()->naNewFile->trigger();
    EXPECT_EQ(f.EditorLines(), TScriptForm::NewFileTemplate());
    EXPECT_TRUE(f.OpenScript(dir.filePath("été.txt")));
    EXPECT_EQ(f.EditorLines().at(3), "  showmessage('à bientôt');");
    EXPECT_EQ(f.fileStatePanel()->text(), "Ouvert");
    EXPECT_EQ(f.fileMan()->RecentFiles().first(), dir.filePath("été.txt"));
    EXPECT_EQ(t.questions, 0);

    // The show command sets the filter and the captions.
    f.fileMan()->Filter.clear();
    f.ShowForm();
    EXPECT_EQ(f.fileMan()->Filter, "Fichiers Macro (*.txt)|*.txt");
    EXPECT_EQ(f.naStartMacro->Caption(), "Démarrer");
    EXPECT_EQ(f.naStopMacro->Caption(), "Arrêter");
    f.HideForm();
}

// Files that are no script: refused with a message, the editor and its file untouched.
TEST(ScriptForm, BadFilesLeaveTheEditorAlone)
{
    Form t;
    TScriptForm &f = *t.form;
    QTemporaryDir dir;
    const QString good = dir.filePath("bon.txt");
    WriteBytes(good, "begin\r\nend.\r\n");
    ASSERT_TRUE(f.OpenScript(good));
    f.editor()->append("\r\n// à garder");
    const QStringList kept = f.EditorLines();
    ASSERT_TRUE(f.fileMan()->Modified());

    const QString nul = dir.filePath("nul.txt");
    WriteBytes(nul, QByteArray("begin\0end.", 10));
    const QString big = dir.filePath("gros.txt");
    {
        QFile b(big);
        ASSERT_TRUE(b.open(QIODevice::WriteOnly));
        ASSERT_TRUE(b.resize(50LL * 1024 * 1024)); // sparse: 50 MB on the disk's account only
    }
    const QString missing = dir.filePath("absent.txt");
    const struct
    {
        QString path;
        QString message;
    } cases[] = {
        {nul, "### Le fichier nul.txt n'est pas un fichier texte (il contient des octets nuls)."},
        {big, "### Le fichier gros.txt est trop gros pour un script (50 Mo, au plus 8 Mo)."},
        {missing, "### Le fichier " + missing + " n'existe pas."},
    };
    for (const auto &c : cases) {
        // The open command: the modified file is offered for saving first (answered "no").
        const int asked = t.questions;
        f.fileMan()->waOpenFile->SetValue(c.path);
        EXPECT_EQ(t.questions, asked + 1);
        EXPECT_EQ(f.MemoLines(), QStringList{c.message}) << c.path.toStdString();
        EXPECT_EQ(f.EditorLines(), kept);
        // The text still belongs to its file: saving goes there, not to the refused one.
        EXPECT_EQ(f.fileMan()->CurrentFile(), good);
        EXPECT_EQ(f.fileMan()->FileState(), TFichierMan::fsOpen);
        EXPECT_TRUE(f.fileMan()->Modified());
        EXPECT_EQ(f.fileMan()->RecentFiles().first(), good);
    }
    f.fileMan()->naSaveFile->trigger();
    EXPECT_EQ(TScriptFile::Read(good).lines, kept);

    // A Latin-1 file is read as such and said so; a line of 1 MB is no problem.
    const QString latin = dir.filePath("latin.txt");
    WriteBytes(latin, "// caf\xe9\r\nbegin\r\nend.\r\n");
    ASSERT_TRUE(f.OpenScript(latin));
    EXPECT_EQ(f.EditorLines().first(), "// café");
    ASSERT_EQ(f.MemoLines().size(), 1);
    EXPECT_TRUE(f.MemoLines().first().contains("Latin-1"));
    const QString longLine = dir.filePath("long.txt");
    WriteBytes(longLine, "begin\n//" + QByteArray(1024 * 1024, 'x') + "\nend.\n");
    ASSERT_TRUE(f.OpenScript(longLine));
    EXPECT_EQ(f.EditorLines().size(), 3);
    EXPECT_EQ(f.EditorLines().at(1).size(), 2 + 1024 * 1024);
    EXPECT_TRUE(f.MemoLines().isEmpty());
    EXPECT_TRUE(f.Execute());
}

TEST(ScriptFile, ReadsAndSplits)
{
    QTemporaryDir dir;
    const QString p = dir.filePath("s.txt");
    WriteBytes(p, "\xef\xbb\xbf"
                  "a\r\nb\nc\rd");
    TScriptFile::TReadResult r = TScriptFile::Read(p);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.encoding, TScriptFile::TEncoding::Utf8);
    EXPECT_EQ(r.lines, (QStringList{"a", "b", "c", "d"}));
    EXPECT_EQ(TScriptFile::SplitLines("x\r\n"), QStringList{"x"});
    EXPECT_EQ(TScriptFile::SplitLines(""), QStringList{""});
    // An invalid sequence anywhere makes the whole file Latin-1, never a half-decoded mix.
    WriteBytes(p, "\xc3\xa9t\xe9");
    r = TScriptFile::Read(p);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.encoding, TScriptFile::TEncoding::Latin1);
    EXPECT_EQ(r.lines, QStringList{QString::fromLatin1("\xc3\xa9t\xe9")});
    // A file that cannot be written is reported.
    QString error;
    EXPECT_FALSE(TScriptFile::Write(dir.filePath("no/such/folder/s.txt"), {"x"}, &error));
    EXPECT_TRUE(error.startsWith("Impossible d'enregistrer le fichier s.txt"));
}

// An endless script stops when its window is closed.
TEST(ScriptForm, ClosingStopsAnEndlessScript)
{
    Form t;
    TScriptForm &f = *t.form;
    bool closedTold = false;
    f.OnClosed = [&] { closedTold = true; };
    f.ShowForm();
    f.SetEditorLines({"var i: Integer;", "begin", "  while True do", "    i := i + 1;", "end."});
    QTimer::singleShot(0, &f, [&] { f.close(); });
    EXPECT_FALSE(f.Execute());
    EXPECT_TRUE(f.MemoLines().last().startsWith("### Erreur pendant l'exécution: Script interrompu"));
    EXPECT_TRUE(closedTold);
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(f.EditorLines().size(), 5) << "the text stays";
}

TEST(ScriptForm, PasteKeyAndLayout)
{
    Form t;
    TScriptForm &f = *t.form;
    EXPECT_EQ(f.fileMan()->naPasteFile->ShortCut(), QKeySequence("Ctrl+V"));
    QFocusEvent in(QEvent::FocusIn);
    QCoreApplication::sendEvent(f.editor(), &in);
    EXPECT_TRUE(f.fileMan()->naPasteFile->ShortCut().isEmpty()) << "Ctrl+V pastes text in the editor";
    QFocusEvent out(QEvent::FocusOut);
    QCoreApplication::sendEvent(f.editor(), &out);
    EXPECT_EQ(f.fileMan()->naPasteFile->ShortCut(), QKeySequence("Ctrl+V"));

    // The saved bounds come back; a rectangle without area gives the default ones.
    f.raScriptFormSave->SetValue(TRectValue::fromQRect({50, 60, 1000, 700}));
    EXPECT_EQ(f.geometry(), QRect(50, 60, 1000, 700));
    f.show();
    QCoreApplication::processEvents();
    const QWidget *client = f.centralWidget();
    EXPECT_EQ(f.editor()->x(), 8);
    EXPECT_EQ(f.editor()->y(), 41 + 8);
    EXPECT_EQ(f.editor()->width(), client->width() - 145 - 8);
    EXPECT_EQ(f.memo()->height(), 49);
    EXPECT_EQ(f.memo()->y(), f.editor()->geometry().bottom() + 1 + 8);
    EXPECT_LE(f.memo()->geometry().bottom(), client->height()) << "the message area stays in view";
    EXPECT_EQ(f.executeButton()->parentWidget()->x(), client->width() - 145);
    f.raScriptFormSave->SetValue(TRectValue::fromQRect({0, 0, 0, 0}));
    EXPECT_EQ(f.geometry(), QRect(300, 300, 800, 560));
    f.hide();
}
