// The headless prompt service: every question gets its safe answer, and each says so in exactly
// one line on the stream it belongs to (a log of an unattended run is read by people and scripts).
#include "core/THeadlessPromptService.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QList>

#include <cstdio>

namespace {

QByteArray ReadAll(std::FILE *f)
{
    std::fflush(f);
    std::rewind(f);
    QByteArray out;
    char buf[512];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        out.append(buf, qsizetype(n));
    return out;
}

struct Streams
{
    std::FILE *out = std::tmpfile();
    std::FILE *err = std::tmpfile();
    ~Streams()
    {
        std::fclose(out);
        std::fclose(err);
    }
};

} // namespace

TEST(HeadlessPrompts, QuestionsGetTheSafeAnswerAndOneLineOnStderr)
{
    Streams s;
    ASSERT_TRUE(s.out && s.err);
    THeadlessPromptService p(s.out, s.err);

    EXPECT_FALSE(p.AskYesNo(QStringLiteral("Voulez-vous écraser le fichier existant:\r\n/x/a.avi ?"), false));
    EXPECT_TRUE(p.AskYesNo(QStringLiteral("Continuer\nmaintenant ?"), true));
    const QString replace =
        QStringLiteral("Le fichier /i/Framix_001.bmp existe déjà. Voulez-vous le remplacer?\r\n\r\n"
                       "Cliquez sur \"Oui à Tous\" pour ne plus être interrogé.");
    EXPECT_EQ(p.AskReplace(replace, false), TReplaceAnswer::No);
    EXPECT_EQ(p.AskReplace(replace, true), TReplaceAnswer::No);
    EXPECT_EQ(p.AskSaveMode(QStringLiteral("Enregistrement des préférences de Framix")), spNone);
    EXPECT_FALSE(p.Reported()) << "questions say nothing about the file";
    p.ShowError(QStringLiteral("Impossible d'installer\r\nle filtre"));

    EXPECT_EQ(ReadAll(s.err),
              QByteArray("Voulez-vous écraser le fichier existant: /x/a.avi ? -> &Non (sans affichage)\n"
                         "Continuer maintenant ? -> &Oui (sans affichage)\n"
                         "Le fichier /i/Framix_001.bmp existe déjà. Voulez-vous le remplacer? -> Non\n"
                         "Le fichier /i/Framix_001.bmp existe déjà. Voulez-vous le remplacer? -> Non\n"
                         "Enregistrement des préférences -> Aucun (sans affichage)\n"
                         "Impossible d'installer le filtre\n"));
    EXPECT_TRUE(ReadAll(s.out).isEmpty());
}

TEST(HeadlessPrompts, ChoicesAreEmptyAndReportsGoToTheirStream)
{
    Streams s;
    ASSERT_TRUE(s.out && s.err);
    THeadlessPromptService p(s.out, s.err);

    EXPECT_TRUE(p.ChooseOpenFile(QStringLiteral("Sélectionnez le fichier à ouvrir"), QStringLiteral("/v"),
                                 QStringLiteral("*.avi"))
                    .isEmpty());
    EXPECT_TRUE(p.Reported()) << "an unanswered choice is what the run has to show for its command";
    EXPECT_TRUE(p.ChooseFolder(QStringLiteral("Sélectionnez un dossier"), QStringLiteral("/v")).isEmpty());
    p.Report(QStringLiteral("Impossible d'ouvrir le fichier /v/a.avi"), true);
    // A report keeps its lines as they are (the opened file's description has several).
    p.Report(QStringLiteral("/v/a.dv\nDV PAL"), false);

    EXPECT_EQ(ReadAll(s.err), QByteArray("Sélectionnez le fichier à ouvrir : aucun choix (sans affichage)\n"
                                         "Sélectionnez un dossier : aucun choix (sans affichage)\n"
                                         "Impossible d'ouvrir le fichier /v/a.avi\n"));
    EXPECT_EQ(ReadAll(s.out), QByteArray("/v/a.dv\nDV PAL\n"));
}

TEST(HeadlessPrompts, ProgressInALogIsOneLinePerTenth)
{
    Streams s;
    ASSERT_TRUE(s.out && s.err);
    THeadlessPromptService p(s.out, s.err);

    // 37 steps: a log (not a terminal) gets the first step, one line per tenth crossed and the
    // end, never one per step.
    for (int k = 1; k <= 37; ++k)
        p.Progress(k, 37);
    p.Progress(3, 0); // nothing to count: nothing said
    const QList<QByteArray> lines = ReadAll(s.err).split('\n');
    ASSERT_EQ(lines.size(), 11 + 1) << "ten tenths, the first step and the final empty piece";
    EXPECT_EQ(lines.first(), QByteArray("Capture par intervalles : 1/37 (2 %)"));
    EXPECT_EQ(lines.at(1), QByteArray("Capture par intervalles : 4/37 (10 %)"));
    EXPECT_EQ(lines.at(10), QByteArray("Capture par intervalles : 37/37 (100 %)"));
    EXPECT_TRUE(lines.last().isEmpty());
    EXPECT_TRUE(ReadAll(s.out).isEmpty()) << "progress never mixes with the images written";

    // A second run starts counting again.
    std::FILE *err2 = std::tmpfile();
    THeadlessPromptService q(s.out, err2);
    q.Progress(1, 2);
    q.Progress(2, 2);
    q.Progress(1, 2);
    EXPECT_EQ(ReadAll(err2), QByteArray("Capture par intervalles : 1/2 (50 %)\n"
                                        "Capture par intervalles : 2/2 (100 %)\n"
                                        "Capture par intervalles : 1/2 (50 %)\n"));
    std::fclose(err2);
}
