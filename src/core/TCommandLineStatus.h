#pragma once
// The outcome of a run as the process's exit status, and the one line on standard error that
// names each argument the program could not use. Every part of the program that can fail on
// behalf of the command line (the switch table, the file manager, the grabber, the writers)
// tells this object; the entry point returns Code().
//
//   0  everything asked was done
//   1  a video could not be opened (the file does not exist, or nothing in it could be read)
//   2  an argument of the command line was not understood (unknown switch, value that does not
//      parse)
//   3  a grab or a save failed (nothing written, write error), or a command could not run
//      (disabled: no picture to grab)
//
// When several things failed, 2 wins over 1 and 1 over 3: a misread argument usually explains
// the rest, and a video that did not open explains a grab that wrote nothing.
//
// Main thread only.
#include <QString>

#include <cstdio>
#include <functional>

enum class TRunFailure { None = 0, OpenFailed = 1, BadArgument = 2, GrabFailed = 3 };

class TCommandLineStatus
{
public:
    // Messages go to `err` (the caller's stream; tests hand a temporary file).
    explicit TCommandLineStatus(std::FILE *err = stderr) : m_err(err) {}

    // "Argument inconnu : /bogus=1"
    void UnknownArgument(const QString &argument);
    // "Valeur incorrecte pour /qual : abc (attendu : un entier de 0 à 100)"; `expected` may be empty.
    void BadValue(const QString &argument, const QString &value, const QString &expected);
    // "Commande indisponible ici : /g" (its action is disabled: no video, no picture); code 3.
    void NotAvailable(const QString &argument);
    // "Fichier introuvable : /chemin/x.dv"
    void MissingFile(const QString &path);
    // Records a failure whose message the caller has given already (the open error of the file
    // manager, a grab that wrote nothing).
    void Fail(TRunFailure failure);

    TRunFailure Worst() const { return m_worst; }
    int Code() const { return int(m_worst); }
    int MessageCount() const { return m_messages; }
    // Back to "all done" (tests, a second command line).
    void Reset()
    {
        m_worst = TRunFailure::None;
        m_messages = 0;
    }

    // Where the lines go instead of the stream (nullptr: the stream).
    std::function<void(const QString &line)> OnMessage;

    // The exit statuses as the help and the man page show them, one "  N  text" line each.
    static QString StatusHelp();

private:
    void Say(const QString &line);
    static int Rank(TRunFailure f);

    std::FILE *m_err;
    TRunFailure m_worst = TRunFailure::None;
    int m_messages = 0;
};
