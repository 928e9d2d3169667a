#include "script/TScriptLexer.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cmath>

namespace pscript {

namespace {
const int kMaxIncludeDepth = 16;
const qsizetype kMaxIncludeSize = 4 * 1024 * 1024;

bool isIdentStart(QChar c)
{
    return c == QLatin1Char('_') || (c.unicode() < 128 && c.isLetter());
}
bool isIdentChar(QChar c)
{
    return isIdentStart(c) || (c.unicode() < 128 && c.isDigit());
}
int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}
} // namespace

bool isReservedWord(const QString &lower)
{
    static const char *const words[] = {
        "and",    "array",     "as",         "begin", "case", "class",     "const",   "constructor", "div",
        "do",     "downto",    "else",       "end",   "for",  "function",  "if",      "in",          "is",
        "mod",    "nil",       "not",        "of",    "or",   "procedure", "program", "property",    "record",
        "repeat", "set",       "shl",        "shr",   "then", "to",        "type",    "until",       "uses",
        "var",    "while",     "with",       "xor",   "try",  "except",    "finally", "raise",       "goto",
        "label",  "inherited", "destructor", "out",
    };
    for (const char *w : words)
        if (lower == QLatin1String(w))
            return true;
    return false;
}

TScriptLexer::TScriptLexer(QString folder, QStringList defines) : m_folder(std::move(folder))
{
    for (const QString &d : defines)
        m_defines << d.toLower();
    m_files << QString();
}

void TScriptLexer::fail(TScriptMessage &error, int fileNo, int line, int col, const QString &text) const
{
    error.kind = TScriptMessage::EKind::Error;
    error.file = fileNo > 0 && fileNo < m_files.size() ? m_files[fileNo] : QString();
    error.line = line;
    error.col = col;
    error.text = text;
}

bool TScriptLexer::tokenize(const QString &source, std::vector<TToken> &out, TScriptMessage &error)
{
    m_conds.clear();
    if (!lexFile(source, 0, 0, out, error))
        return false;
    if (!m_conds.empty()) {
        const int line = out.empty() ? 1 : out.back().line;
        fail(error, 0, line, 1, QStringLiteral("{$ENDIF} manquant"));
        return false;
    }
    TToken end;
    end.kind = ETok::End;
    end.line = out.empty() ? 1 : out.back().line;
    end.col = out.empty() ? 1 : out.back().col;
    out.push_back(end);
    return true;
}

bool TScriptLexer::lexFile(const QString &text, int fileNo, int depth, std::vector<TToken> &out,
                           TScriptMessage &error)
{
    const qsizetype n = text.size();
    qsizetype pos = 0;
    int line = 1;
    qsizetype lineStart = 0;
    auto col = [&](qsizetype at) { return int(at - lineStart) + 1; };
    auto newline = [&](qsizetype at) {
        ++line;
        lineStart = at + 1;
    };

    while (pos < n) {
        const QChar c = text[pos];
        if (c == QLatin1Char('\n')) {
            newline(pos);
            ++pos;
            continue;
        }
        if (c.isSpace()) {
            ++pos;
            continue;
        }
        const int tokLine = line, tokCol = col(pos);
        // Comments and directives.
        if (c == QLatin1Char('/') && pos + 1 < n && text[pos + 1] == QLatin1Char('/')) {
            while (pos < n && text[pos] != QLatin1Char('\n'))
                ++pos;
            continue;
        }
        if (c == QLatin1Char('{') ||
            (c == QLatin1Char('(') && pos + 1 < n && text[pos + 1] == QLatin1Char('*'))) {
            const bool brace = c == QLatin1Char('{');
            qsizetype p = pos + (brace ? 1 : 2);
            const qsizetype bodyStart = p;
            qsizetype bodyEnd = -1;
            while (p < n) {
                if (brace && text[p] == QLatin1Char('}')) {
                    bodyEnd = p;
                    ++p;
                    break;
                }
                if (!brace && text[p] == QLatin1Char('*') && p + 1 < n && text[p + 1] == QLatin1Char(')')) {
                    bodyEnd = p;
                    p += 2;
                    break;
                }
                if (text[p] == QLatin1Char('\n'))
                    newline(p);
                ++p;
            }
            if (bodyEnd < 0) {
                fail(error, fileNo, tokLine, tokCol, QStringLiteral("commentaire non terminé"));
                return false;
            }
            pos = p;
            const QString body = text.mid(bodyStart, bodyEnd - bodyStart);
            if (body.startsWith(QLatin1Char('$'))) {
                if (!directive(body.mid(1), fileNo, tokLine, tokCol, depth, out, error))
                    return false;
            }
            continue;
        }

        TToken t;
        t.file = fileNo;
        t.line = tokLine;
        t.col = tokCol;
        if (isIdentStart(c)) {
            qsizetype p = pos;
            while (p < n && isIdentChar(text[p]))
                ++p;
            t.kind = ETok::Ident;
            t.text = text.mid(pos, p - pos);
            t.lower = t.text.toLower();
            pos = p;
        } else if (c.unicode() < 128 && c.isDigit()) {
            qsizetype p = pos;
            while (p < n && text[p].unicode() < 128 && text[p].isDigit())
                ++p;
            bool isFloat = false;
            if (p + 1 < n && text[p] == QLatin1Char('.') && text[p + 1].unicode() < 128 &&
                text[p + 1].isDigit()) {
                isFloat = true;
                ++p;
                while (p < n && text[p].unicode() < 128 && text[p].isDigit())
                    ++p;
            }
            if (p < n && (text[p] == QLatin1Char('e') || text[p] == QLatin1Char('E'))) {
                qsizetype q = p + 1;
                if (q < n && (text[q] == QLatin1Char('+') || text[q] == QLatin1Char('-')))
                    ++q;
                if (q < n && text[q].unicode() < 128 && text[q].isDigit()) {
                    isFloat = true;
                    p = q;
                    while (p < n && text[p].unicode() < 128 && text[p].isDigit())
                        ++p;
                }
            }
            const QString lit = text.mid(pos, p - pos);
            pos = p;
            if (isFloat) {
                t.kind = ETok::Float;
                t.fval = lit.toDouble();
            } else {
                bool ok = false;
                t.ival = lit.toLongLong(&ok);
                if (!ok) {
                    // Too large for Int64: a floating-point constant, as Pascal compilers do.
                    t.kind = ETok::Float;
                    t.fval = lit.toDouble();
                } else {
                    t.kind = ETok::Int;
                }
            }
            t.text = lit;
        } else if (c == QLatin1Char('$')) {
            qsizetype p = pos + 1;
            std::uint64_t v = 0;
            bool overflow = false;
            while (p < n && hexDigit(text[p]) >= 0) {
                if (v >> 60)
                    overflow = true;
                v = (v << 4) | std::uint64_t(hexDigit(text[p]));
                ++p;
            }
            if (p == pos + 1) {
                fail(error, fileNo, tokLine, tokCol, QStringLiteral("chiffre hexadécimal attendu"));
                return false;
            }
            if (overflow) {
                fail(error, fileNo, tokLine, tokCol, QStringLiteral("constante hexadécimale trop grande"));
                return false;
            }
            t.kind = ETok::Int;
            t.ival = std::int64_t(v);
            t.text = text.mid(pos, p - pos);
            pos = p;
        } else if (c == QLatin1Char('\'') || c == QLatin1Char('#')) {
            // 'abc''d'#13#10'e' is one string token.
            QString value;
            while (pos < n && (text[pos] == QLatin1Char('\'') || text[pos] == QLatin1Char('#'))) {
                if (text[pos] == QLatin1Char('\'')) {
                    qsizetype p = pos + 1;
                    bool closed = false;
                    while (p < n) {
                        if (text[p] == QLatin1Char('\'')) {
                            if (p + 1 < n && text[p + 1] == QLatin1Char('\'')) {
                                value += QLatin1Char('\'');
                                p += 2;
                                continue;
                            }
                            closed = true;
                            ++p;
                            break;
                        }
                        if (text[p] == QLatin1Char('\n'))
                            break;
                        value += text[p];
                        ++p;
                    }
                    if (!closed) {
                        fail(error, fileNo, tokLine, tokCol, QStringLiteral("chaîne non terminée"));
                        return false;
                    }
                    pos = p;
                } else {
                    qsizetype p = pos + 1;
                    std::uint32_t code = 0;
                    if (p < n && text[p] == QLatin1Char('$')) {
                        ++p;
                        const qsizetype s = p;
                        while (p < n && hexDigit(text[p]) >= 0 && code <= 0xFFFF)
                            code = code * 16 + std::uint32_t(hexDigit(text[p++]));
                        if (p == s)
                            code = 0x110000;
                    } else {
                        const qsizetype s = p;
                        while (p < n && text[p].unicode() < 128 && text[p].isDigit() && code <= 0xFFFF)
                            code = code * 10 + std::uint32_t(text[p++].unicode() - '0');
                        if (p == s)
                            code = 0x110000;
                    }
                    if (code > 0xFFFF) {
                        fail(error, fileNo, tokLine, tokCol, QStringLiteral("caractère #n incorrect"));
                        return false;
                    }
                    value += QChar(char16_t(code));
                    pos = p;
                }
            }
            t.kind = ETok::String;
            t.text = value;
        } else {
            static const char *const two[] = {":=", "<=", ">=", "<>", "..", "(.", ".)"};
            t.kind = ETok::Symbol;
            QString sym;
            if (pos + 1 < n) {
                const QString pair = text.mid(pos, 2);
                for (const char *s : two)
                    if (pair == QLatin1String(s))
                        sym = pair;
            }
            if (sym.isEmpty()) {
                static const QString singles = QStringLiteral("+-*/=<>()[],;:.^@");
                if (!singles.contains(c)) {
                    fail(error, fileNo, tokLine, tokCol, QStringLiteral("caractère inattendu '%1'").arg(c));
                    return false;
                }
                sym = QString(c);
            }
            pos += sym.size();
            if (sym == QLatin1String("(."))
                sym = QStringLiteral("[");
            else if (sym == QLatin1String(".)"))
                sym = QStringLiteral("]");
            t.text = sym;
        }
        if (active())
            out.push_back(std::move(t));
    }
    return true;
}

bool TScriptLexer::directive(const QString &body, int fileNo, int line, int col, int depth,
                             std::vector<TToken> &out, TScriptMessage &error)
{
    const QString trimmed = body.trimmed();
    const qsizetype sp = trimmed.indexOf(QRegularExpression(QStringLiteral("\\s")));
    const QString name = (sp < 0 ? trimmed : trimmed.left(sp)).toUpper();
    const QString arg = sp < 0 ? QString() : trimmed.mid(sp + 1).trimmed();

    if (name == QLatin1String("IFDEF") || name == QLatin1String("IFNDEF")) {
        const bool defined = m_defines.contains(arg.toLower());
        const bool cond = name == QLatin1String("IFDEF") ? defined : !defined;
        m_conds.push_back({active() && cond, active(), false});
        return true;
    }
    if (name == QLatin1String("ELSE")) {
        if (m_conds.empty() || m_conds.back().seenElse) {
            fail(error, fileNo, line, col, QStringLiteral("{$ELSE} sans {$IFDEF}"));
            return false;
        }
        TCond &c = m_conds.back();
        c.seenElse = true;
        c.active = c.parentActive && !c.active;
        return true;
    }
    if (name == QLatin1String("ENDIF")) {
        if (m_conds.empty()) {
            fail(error, fileNo, line, col, QStringLiteral("{$ENDIF} sans {$IFDEF}"));
            return false;
        }
        m_conds.pop_back();
        return true;
    }
    if (!active())
        return true;
    if (name == QLatin1String("DEFINE")) {
        if (!m_defines.contains(arg.toLower()))
            m_defines << arg.toLower();
        return true;
    }
    if (name == QLatin1String("UNDEF")) {
        m_defines.removeAll(arg.toLower());
        return true;
    }
    if (name == QLatin1String("I") || name == QLatin1String("INCLUDE")) {
        QString fileName = arg;
        if (fileName.size() >= 2 && fileName.startsWith(QLatin1Char('\'')) &&
            fileName.endsWith(QLatin1Char('\'')))
            fileName = fileName.mid(1, fileName.size() - 2);
        if (depth >= kMaxIncludeDepth) {
            fail(error, fileNo, line, col, QStringLiteral("trop d'inclusions imbriquées"));
            return false;
        }
        if (m_folder.isEmpty() || fileName.isEmpty()) {
            fail(error, fileNo, line, col,
                 QStringLiteral("fichier d'inclusion introuvable '%1'").arg(fileName));
            return false;
        }
        const QString path = QFileInfo(fileName).isAbsolute() ? fileName : QDir(m_folder).filePath(fileName);
        QFile f(path);
        if (!QFileInfo(path).isFile() || !f.open(QIODevice::ReadOnly) || f.size() > kMaxIncludeSize) {
            fail(error, fileNo, line, col,
                 QStringLiteral("fichier d'inclusion introuvable '%1'").arg(fileName));
            return false;
        }
        const QString text = QString::fromUtf8(f.readAll());
        m_files << QFileInfo(fileName).fileName();
        const int no = int(m_files.size()) - 1;
        const size_t condDepth = m_conds.size();
        if (!lexFile(text, no, depth + 1, out, error))
            return false;
        if (m_conds.size() != condDepth) {
            fail(error, no, 1, 1, QStringLiteral("{$ENDIF} manquant"));
            return false;
        }
        return true;
    }
    return true; // other directives ({$R ...}, {$H+}) mean nothing here
}

} // namespace pscript
