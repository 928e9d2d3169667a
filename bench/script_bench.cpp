// How long the script interpreter takes for one million integer additions and for 100,000
// string concatenations (median of several runs, compile time excluded).
#include "script/TScriptEngine.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
double medianMs(const char *source, int rounds)
{
    TScriptEngine engine;
    if (!engine.Compile(QString::fromUtf8(source))) {
        std::fprintf(stderr, "compile failed: %s\n", qPrintable(engine.Messages().front().render()));
        return -1;
    }
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer t;
        t.start();
        if (!engine.Run()) {
            std::fprintf(stderr, "run failed: %s\n", qPrintable(engine.RunError()));
            return -1;
        }
        times.push_back(double(t.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const char *additions = "var i, s: Integer; begin s := 0; for i := 1 to 1000000 do s := s + i; end.";
    const char *concats =
        "var i: Integer; s: string; begin s := ''; for i := 1 to 100000 do s := s + 'x'; end.";
    const int rounds = 5;
    std::printf("| script loop | median (ms, %d runs) |\n|---|---|\n", rounds);
    std::printf("| 1,000,000 integer additions | %.1f |\n", medianMs(additions, rounds));
    std::printf("| 100,000 string concatenations | %.1f |\n", medianMs(concats, rounds));
    return 0;
}
