#pragma once
// Where the tests find the generated media corpus and the source tree.
#include <QString>

namespace framixtest {
inline QString corpusDir()
{
    return QStringLiteral(FRAMIX_CORPUS_DIR);
}
inline QString corpusFile(const QString &name)
{
    return corpusDir() + QLatin1Char('/') + name;
}
inline QString sourceDir()
{
    return QStringLiteral(FRAMIX_SOURCE_DIR);
}
} // namespace framixtest
