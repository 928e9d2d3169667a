// Runs a fuzz target without libFuzzer: every file of the seed folder given as argument,
// then pseudo-random inputs (mutated seeds and fresh bytes). The count comes from
// FRAMIX_FUZZ_RUNS (default 20000) so the test suite's long mode can run far more.
#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::vector<QByteArray> seeds;
    if (argc > 1) {
        QDir dir(QString::fromLocal8Bit(argv[1]));
        for (const QString &name : dir.entryList(QDir::Files)) {
            QFile f(dir.filePath(name));
            if (f.open(QIODevice::ReadOnly))
                seeds.push_back(f.readAll());
        }
    }
    for (const QByteArray &s : seeds)
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(s.constData()), s.size());

    long runs = 20000;
    if (const char *env = std::getenv("FRAMIX_FUZZ_RUNS"))
        runs = std::atol(env);
    std::mt19937 rng(12345);
    std::vector<uint8_t> buf;
    for (long i = 0; i < runs; ++i) {
        if (!seeds.empty() && (i & 1)) {
            const QByteArray &s = seeds[rng() % seeds.size()];
            buf.assign(s.begin(), s.end());
            const int flips = 1 + rng() % 8;
            for (int k = 0; k < flips && !buf.empty(); ++k) {
                switch (rng() % 3) {
                case 0:
                    buf[rng() % buf.size()] = uint8_t(rng());
                    break;
                case 1:
                    buf.resize(rng() % (buf.size() + 1));
                    break;
                default:
                    buf.insert(buf.begin() + rng() % (buf.size() + 1), uint8_t(rng()));
                    break;
                }
            }
        } else {
            buf.resize(rng() % 512);
            for (auto &b : buf)
                b = uint8_t(rng());
        }
        LLVMFuzzerTestOneInput(buf.data(), buf.size());
    }
    std::printf("%zu seeds and %ld generated inputs without a fault\n", seeds.size(), runs);
    return 0;
}
