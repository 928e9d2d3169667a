// Where a benchmark finds what it measures: the program and the corpus beside the benchmark's
// own build folder, unless FRAMIX or CORPUS name others.
#pragma once

#include <QCoreApplication>
#include <QFileInfo>
#include <QString>

namespace benchsupport {

inline QString binDir()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).absolutePath();
}

inline QString framixPath()
{
    const QString env = qEnvironmentVariable("FRAMIX");
    return env.isEmpty() ? binDir() + "/../framix" : env;
}

inline QString corpusDir()
{
    const QString env = qEnvironmentVariable("CORPUS");
    return env.isEmpty() ? binDir() + "/../corpus" : env;
}

} // namespace benchsupport
