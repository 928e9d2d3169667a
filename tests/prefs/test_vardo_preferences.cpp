// The preferences component: mode detection, store opening and removal of the other modes'
// data, the owner window's show and close-query hooks, and the save-mode dialog, driven on
// the offscreen platform.
#include "prefs/TIniPreferencesMan.h"
#include "prefs/TRegPreferencesMan.h"
#include "prefs/TSavePrefsForm.h"
#include "prefs/TVardoPreferences.h"
#include "prefs/TWindowPromptService.h"
#include "widgets/TLinkEdit.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

namespace {

const QString kBase = TPreferencesMan::RegistryBasePath(QStringLiteral("Framix"));

// Every test starts without a per-user store and with an empty program folder.
struct PrefsTest : testing::Test
{
    QTemporaryDir folder;
    // Asks with the real save-mode dialog, answered by answerDialog().
    TWindowPromptService prompts{QStringLiteral("Framix")};
    void SetUp() override { TPreferencesMan::DeleteRegistryKey(QStringLiteral("Framix")); }
    void TearDown() override { TPreferencesMan::DeleteRegistryKey(QStringLiteral("Framix")); }

    QString iniFile() const { return folder.path() + QStringLiteral("/Framix.ini"); }

    void makeUserStore(int digits)
    {
        TRegPreferencesMan s(kBase, true);
        s.WriteInteger(QStringLiteral("Digits"), digits);
    }
    void makeIni(int digits)
    {
        TIniPreferencesMan s(iniFile(), true);
        s.WriteInteger(QStringLiteral("Digits"), digits);
    }
    static bool userStoreExists() { return TRegPreferencesMan::KeyExists(kBase); }
};

// Answers the next modal dialog: clicks a button, or closes it by its frame.
void answerDialog(TWindowPromptService &prompts, QPushButton *(TSavePrefsForm::*button)() const)
{
    QTimer::singleShot(0, prompts.SaveModeDialog(), [&prompts, button] {
        TSavePrefsForm *d = prompts.SaveModeDialog();
        if (button)
            (d->*button)()->click();
        else
            d->close();
    });
}

} // namespace

TEST_F(PrefsTest, NothingStoredRunsOnDefaultsAndAsksAtExit)
{
    QWidget window;
    TVardoPreferences gp(&window, folder.path());
    gp.SetPromptService(&prompts);
    gp.version = "Framix 6.2.1 de Vardo";
    QList<TSavePreferences> modes;
    gp.OnChangeMode = [&](TSavePreferences m) { modes << m; };
    int loaded = -1;
    gp.OnLoadPrefs = [&](TVardoPreferences &p) { loaded = p.ReadInteger("Digits", 4); };
    gp.OnSavePrefs = [&](TVardoPreferences &p) {
        EXPECT_TRUE(p.OpenKey("ShowForm"));
        EXPECT_TRUE(p.WriteInteger("Digits", 5));
        EXPECT_TRUE(p.CloseKey());
    };
    window.show(); // the show hook loads
    EXPECT_EQ(gp.Mode(), spNone);
    EXPECT_EQ(loaded, 4);
    EXPECT_EQ(modes, QList<TSavePreferences>{spNone});

    answerDialog(prompts, &TSavePrefsForm::PortableButton);
    EXPECT_TRUE(window.close());
    EXPECT_EQ(prompts.SaveModeDialog()->windowTitle(), "Enregistrement des préférences de Framix");
    EXPECT_EQ(gp.Mode(), spPortable);
    EXPECT_FALSE(gp.FormHooked());
    EXPECT_FALSE(userStoreExists());
    ASSERT_TRUE(QFile::exists(iniFile()));
    TIniPreferencesMan ini(iniFile(), false);
    QString version, stamp, exe;
    EXPECT_TRUE(ini.ReadString("Version", version));
    EXPECT_EQ(version, "Framix 6.2.1 de Vardo");
    EXPECT_TRUE(ini.ReadString("Dernière Sauvegarde", stamp));
    EXPECT_TRUE(QDateTime::fromString(stamp, "dd/MM/yyyy hh:mm:ss").isValid()) << stamp.toStdString();
    EXPECT_TRUE(ini.ReadString("ExeName", exe));
    EXPECT_EQ(exe, QCoreApplication::applicationFilePath());
    EXPECT_TRUE(ini.OpenKey("ShowForm", false));
    std::int32_t digits = 0;
    EXPECT_TRUE(ini.ReadInteger("Digits", digits));
    EXPECT_EQ(digits, 5);
}

TEST_F(PrefsTest, PortableWinsAndTheUserStoreGoesAtStart)
{
    makeUserStore(7);
    makeIni(8);
    TVardoPreferences gp(nullptr, folder.path());
    gp.SetPromptService(&prompts);
    int loaded = 0;
    gp.OnLoadPrefs = [&](TVardoPreferences &p) { loaded = p.ReadInteger("Digits", 4); };
    gp.FormShow();
    EXPECT_EQ(gp.Mode(), spPortable);
    EXPECT_EQ(loaded, 8);
    EXPECT_FALSE(userStoreExists());
    // Existing preferences: no dialog, saved into the same store.
    bool saved = false;
    gp.OnSavePrefs = [&](TVardoPreferences &p) { saved = p.WriteInteger("Digits", 9); };
    bool canClose = true;
    gp.FormCloseQuery(canClose);
    EXPECT_TRUE(canClose);
    EXPECT_TRUE(saved);
    TIniPreferencesMan ini(iniFile(), false);
    std::int32_t digits = 0;
    EXPECT_TRUE(ini.ReadInteger("Digits", digits));
    EXPECT_EQ(digits, 9);
}

TEST_F(PrefsTest, NormalModeSwitchedToPortableAtRunTime)
{
    makeUserStore(3);
    TVardoPreferences gp(nullptr, folder.path());
    gp.SetPromptService(&prompts);
    gp.version = "v";
    gp.FormShow();
    EXPECT_EQ(gp.Mode(), spRegistre);
    EXPECT_EQ(gp.ReadInteger("Digits", 0), 3);
    gp.SetMode(spPortable);
    EXPECT_FALSE(userStoreExists());           // deleted at the switch
    EXPECT_EQ(gp.ReadInteger("Digits", 0), 0); // values reach the new store at the next save
    gp.OnSavePrefs = [](TVardoPreferences &p) { p.WriteInteger("Digits", 3); };
    bool canClose = true;
    gp.FormCloseQuery(canClose);
    TIniPreferencesMan ini(iniFile(), false);
    QString s;
    EXPECT_TRUE(ini.ReadString("Version", s));
    EXPECT_TRUE(ini.ReadString("Dernière Sauvegarde", s));
    EXPECT_TRUE(ini.ReadString("ExeName", s));
    EXPECT_EQ(ini.Lines().value(0), "[]");

    // Back to normal: the ini file goes at once, the per-user store exists again.
    gp.SetMode(spRegistre);
    EXPECT_FALSE(QFile::exists(iniFile()));
    EXPECT_TRUE(gp.WriteInteger("Digits", 1));
    EXPECT_TRUE(gp.Store()->Flush());
    EXPECT_TRUE(userStoreExists());
}

TEST_F(PrefsTest, AucunLeavesNothingBehindAndAsksAgainNextTime)
{
    makeUserStore(3);
    makeIni(4);
    {
        TVardoPreferences gp(nullptr, folder.path());
        gp.SetPromptService(&prompts);
        gp.FormShow();
        gp.SetMode(spNone); // from the options panel
        EXPECT_FALSE(userStoreExists());
        EXPECT_FALSE(QFile::exists(iniFile()));
        int saves = 0;
        gp.OnSavePrefs = [&](TVardoPreferences &) { ++saves; };
        answerDialog(prompts, &TSavePrefsForm::AucunButton);
        bool canClose = true;
        gp.FormCloseQuery(canClose);
        EXPECT_TRUE(canClose);
        EXPECT_EQ(saves, 0);
        EXPECT_EQ(gp.Mode(), spNone);
    }
    EXPECT_FALSE(userStoreExists());
    EXPECT_FALSE(QFile::exists(iniFile()));
    TVardoPreferences next(nullptr, folder.path());
    next.SetPromptService(&prompts);
    next.FormShow();
    EXPECT_EQ(next.Mode(), spNone);
    EXPECT_EQ(next.ReadInteger("Digits", 11), 11);
    EXPECT_FALSE(next.WriteInteger("Digits", 1));
    answerDialog(prompts, &TSavePrefsForm::NormalButton);
    bool canClose = true;
    next.FormCloseQuery(canClose);
    EXPECT_EQ(next.Mode(), spRegistre);
    EXPECT_TRUE(userStoreExists());
}

TEST_F(PrefsTest, ClosingTheDialogByItsFrameCancelsTheClosing)
{
    QWidget window;
    TVardoPreferences gp(&window, folder.path());
    gp.SetPromptService(&prompts);
    int saves = 0;
    gp.OnSavePrefs = [&](TVardoPreferences &) { ++saves; };
    window.show();
    answerDialog(prompts, nullptr);
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(gp.FormHooked());
    EXPECT_EQ(saves, 0);
    EXPECT_FALSE(prompts.SaveModeDialog()->Answered());

    // The next attempt asks again; this time the answer is given.
    answerDialog(prompts, &TSavePrefsForm::NormalButton);
    EXPECT_TRUE(window.close());
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(userStoreExists());
    EXPECT_FALSE(gp.FormHooked());
}

// Nobody to ask where to save: the first close is called off and nothing is written.
TEST_F(PrefsTest, WithoutAPromptServiceTheFirstCloseIsCalledOff)
{
    TVardoPreferences gp(nullptr, folder.path());
    int saves = 0;
    gp.OnSavePrefs = [&](TVardoPreferences &) { ++saves; };
    gp.FormShow();
    bool canClose = true;
    gp.FormCloseQuery(canClose);
    EXPECT_FALSE(canClose);
    EXPECT_TRUE(gp.FormHooked());
    EXPECT_EQ(saves, 0);
    EXPECT_FALSE(userStoreExists());
    EXPECT_FALSE(QFile::exists(iniFile()));
}

TEST_F(PrefsTest, TheWindowsOwnHandlersRunInOrder)
{
    makeIni(2);
    QWidget window;
    TVardoPreferences gp(&window, folder.path());
    gp.SetPromptService(&prompts);
    QStringList order;
    bool refuse = true;
    gp.SetFormHandlers([&] { order << QString("form show, mode %1").arg(gp.Mode()); },
                       [&](bool &canClose) {
                           order << "form close query";
                           canClose = !refuse;
                       });
    gp.OnLoadPrefs = [&](TVardoPreferences &) { order << "load"; };
    gp.OnSavePrefs = [&](TVardoPreferences &) { order << "save"; };
    window.show();
    EXPECT_EQ(order, (QStringList{"form show, mode 1", "load"}));
    // Shown again after a hide: nothing is reloaded over the session's changes.
    window.hide();
    order.clear();
    window.show();
    EXPECT_EQ(order, QStringList{"form show, mode 1"});

    // A window that refuses to close: nothing is saved, the hooks stay.
    order.clear();
    EXPECT_FALSE(window.close());
    EXPECT_EQ(order, QStringList{"form close query"});
    EXPECT_TRUE(gp.FormHooked());

    order.clear();
    refuse = false;
    EXPECT_TRUE(window.close());
    EXPECT_EQ(order, (QStringList{"form close query", "save"}));
    EXPECT_FALSE(gp.FormHooked());

    // Given back: from now on only the window's own handlers run.
    order.clear();
    window.show();
    EXPECT_EQ(order, QStringList{"form show, mode 1"});
}

TEST_F(PrefsTest, TypedReadsFallBackToTheirDefaults)
{
    TVardoPreferences gp(nullptr, folder.path());
    gp.SetPromptService(&prompts);
    gp.SetMode(spPortable);
    EXPECT_TRUE(gp.WriteString("Text", "abc"));
    EXPECT_TRUE(gp.WriteString("NotANumber", "abc"));
    EXPECT_TRUE(gp.WriteBool("Flag", true));
    EXPECT_TRUE(gp.WriteFloat("Ratio", 1.5));
    EXPECT_TRUE(gp.WritePoint("Pos", QPoint(3, 4)));
    EXPECT_TRUE(gp.WriteRect("Box", QRect(10, 20, 300, 200)));
    TFontDesc font;
    font.Name = "Liberation Sans";
    font.Bold = true;
    EXPECT_TRUE(gp.WriteFont("Font", font));
    EXPECT_EQ(gp.ReadString("Text", "d"), "abc");
    EXPECT_EQ(gp.ReadString("Missing", "d"), "d");
    EXPECT_TRUE(gp.ReadBool("Flag", false));
    EXPECT_TRUE(gp.ReadBool("Text", true)); // "abc" is no boolean: the default
    EXPECT_DOUBLE_EQ(gp.ReadFloat("Ratio", 0), 1.5);
    EXPECT_EQ(gp.ReadPoint("Pos", QPoint()), QPoint(3, 4));
    EXPECT_EQ(gp.ReadPoint("Nowhere", QPoint(1, 1)), QPoint(1, 1));
    EXPECT_EQ(gp.ReadRect("Box", QRect()), QRect(10, 20, 300, 200));
    EXPECT_EQ(gp.ReadFont("Font", TFontDesc()), font);
    TFontDesc def;
    def.Name = "Default";
    EXPECT_EQ(gp.ReadFont("NoFont", def), def);
    QStringList keys;
    EXPECT_TRUE(gp.OpenKey("Box"));
    EXPECT_TRUE(gp.CloseKey());
    gp.SetMode(spNone);
    EXPECT_FALSE(gp.GetKeyNames(keys));
    EXPECT_EQ(gp.ReadInteger("Anything", 6), 6);
}

TEST(SavePrefsForm, TextsButtonsAndAnswers)
{
    TSavePrefsForm d;
    EXPECT_EQ(d.size(), QSize(551, 364));
    EXPECT_EQ(d.Label()->RichText(), TSavePrefsForm::kRichText);
    EXPECT_TRUE(d.Label()->toPlainText().contains(
        "Voulez-vous enregistrer vos préférences pour pouvoir les retrouver au prochain lancement?"));
    EXPECT_FALSE(d.Label()->toPlainText().contains("<i>"));
    struct B
    {
        QPushButton *b;
        const char *text;
        const char *hint;
    };
    const B buttons[] = {
        {d.NormalButton(), "Normal",
         "Enregistre les préférences dans le registre.\nSi un fichier ini existait, il est supprimé."},
        {d.PortableButton(), "Portable",
         "Enregistre les préférences dans un fichier ini.\nEfface les valeurs contenues dans le registre."},
        {d.AucunButton(), "Aucun",
         "Quitte sans enregistrer les préférences.\nSi elles existaient dans un fichier ini ou dans le "
         "registre,\nelles "
         "sont effacées."},
    };
    for (const B &b : buttons) {
        EXPECT_EQ(b.b->text(), QString::fromUtf8(b.text));
        EXPECT_EQ(b.b->toolTip(), QString::fromUtf8(b.hint));
        EXPECT_EQ(b.b->size(), QSize(120, 60));
        EXPECT_FALSE(b.b->icon().isNull());
    }
    EXPECT_EQ(d.NormalButton()->y(), d.AucunButton()->y());

    QTimer::singleShot(0, &d, [&] { d.AucunButton()->click(); });
    EXPECT_TRUE(d.Ask());
    EXPECT_EQ(d.ChosenMode(), spNone);
    QTimer::singleShot(0, &d, [&] { d.PortableButton()->click(); });
    EXPECT_TRUE(d.Ask());
    EXPECT_EQ(d.ChosenMode(), spPortable);
    QTimer::singleShot(0, &d, [&] { d.reject(); }); // Escape, or the frame's close button
    EXPECT_FALSE(d.Ask());
    EXPECT_FALSE(d.Answered());
}

TEST(VardoPreferences, SaveStampFormat)
{
    EXPECT_EQ(TVardoPreferences::SaveStamp(QDateTime(QDate(2024, 3, 5), QTime(9, 7, 3))),
              "05/03/2024 09:07:03");
}
