#pragma once
// Turns script text into tokens, with the preprocessor applied on the way: {$DEFINE x},
// {$UNDEF x}, {$IFDEF x}/{$IFNDEF x}/{$ELSE}/{$ENDIF} and {$I file} / {$INCLUDE file}, the
// file being read relative to the script's folder. Identifiers and keywords are compared
// case-insensitively (TToken::lower).
#include "script/TScriptMessage.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace pscript {

enum class ETok : std::uint8_t { Ident, Int, Float, String, Symbol, End };

struct TToken
{
    ETok kind = ETok::End;
    QString text;  // identifier as written, string value, or the symbol ("..", ":=", "<=" ...)
    QString lower; // identifiers: lower case (keywords are recognised by it)
    std::int64_t ival = 0;
    double fval = 0;
    int file = 0; // 0: the script; n: the n-th included file (see TScriptLexer::files)
    int line = 1;
    int col = 1;

    bool is(const char *symbolOrKeyword) const
    {
        return (kind == ETok::Symbol && text == QLatin1String(symbolOrKeyword)) ||
               (kind == ETok::Ident && lower == QLatin1String(symbolOrKeyword));
    }
};

bool isReservedWord(const QString &lower);

class TScriptLexer
{
public:
    // `folder`: where {$I name} looks; empty: includes are refused.
    explicit TScriptLexer(QString folder, QStringList defines = {});

    // Appends the tokens of `source` (and of its includes) to `out`, closed by an End token.
    // Returns false with `error` filled at the first fault.
    bool tokenize(const QString &source, std::vector<TToken> &out, TScriptMessage &error);

    // Names of the included files, by file number (index 0 is the script: empty).
    const QStringList &files() const { return m_files; }

private:
    struct TCond
    {
        bool active;       // tokens are kept in this branch
        bool parentActive; // the enclosing branch is kept
        bool seenElse;
    };
    bool lexFile(const QString &text, int fileNo, int depth, std::vector<TToken> &out, TScriptMessage &error);
    bool directive(const QString &body, int fileNo, int line, int col, int depth, std::vector<TToken> &out,
                   TScriptMessage &error);
    bool active() const { return m_conds.empty() || m_conds.back().active; }
    void fail(TScriptMessage &error, int fileNo, int line, int col, const QString &text) const;

    QString m_folder;
    QStringList m_defines; // lower case
    QStringList m_files;
    std::vector<TCond> m_conds;
};

} // namespace pscript
