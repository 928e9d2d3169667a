#pragma once
// Helpers of the corpus checks: the manifest written by tests/media-corpus/generate.sh, running
// command lines a few at a time, and the whole DV frames of raw DV and DV AVI files.
#include "TestPaths.h"

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstring>
#include <vector>

namespace corpus {

inline const QJsonObject &manifest()
{
    static const QJsonObject m = [] {
        QFile f(framixtest::corpusFile(QStringLiteral("manifest.json")));
        if (!f.open(QIODevice::ReadOnly))
            return QJsonObject();
        return QJsonDocument::fromJson(f.readAll()).object();
    }();
    return m;
}

inline QJsonObject files()
{
    return manifest().value(QStringLiteral("files")).toObject();
}

inline bool hasKind(const QJsonObject &entry, const QString &kind)
{
    return entry.value(QStringLiteral("kinds")).toArray().contains(kind);
}

inline bool isDamaged(const QJsonObject &entry)
{
    return !entry.value(QStringLiteral("damaged")).isNull();
}

struct RunResult
{
    QString label;
    int exitCode = -1;
    bool finished = false;
    QByteArray output;
};

// Runs every command (program + arguments), at most `parallel` at a time, each within timeoutMs.
inline std::vector<RunResult> runAll(const std::vector<std::pair<QString, QStringList>> &commands,
                                     int parallel, int timeoutMs)
{
    std::vector<RunResult> results(commands.size());
    size_t next = 0;
    struct Running
    {
        QProcess *proc;
        size_t index;
    };
    std::vector<Running> running;
    while (next < commands.size() || !running.empty()) {
        while (next < commands.size() && static_cast<int>(running.size()) < parallel) {
            auto *p = new QProcess;
            p->setProcessChannelMode(QProcess::MergedChannels);
            p->start(commands[next].first, commands[next].second);
            results[next].label = commands[next].second.join(QLatin1Char(' '));
            running.push_back({p, next++});
        }
        // Wait for the oldest; the others go on meanwhile.
        Running r = running.front();
        running.erase(running.begin());
        RunResult &res = results[r.index];
        res.finished = r.proc->waitForFinished(timeoutMs);
        if (!res.finished)
            r.proc->kill(), r.proc->waitForFinished(2000);
        res.exitCode = r.proc->exitStatus() == QProcess::NormalExit ? r.proc->exitCode() : -1;
        res.output = r.proc->readAll();
        delete r.proc;
    }
    return results;
}

// The whole DV frames of a file: a raw DV file is a plain run of frames; in an AVI (type 1 or 2)
// they are the 'movi' chunks of stream 00 whose size is one frame.
inline std::vector<QByteArray> dvFrames(const QString &path, int frameBytes)
{
    std::vector<QByteArray> frames;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return frames;
    const QByteArray data = f.readAll();
    if (!path.endsWith(QLatin1String(".avi"))) {
        for (qsizetype at = 0; at + frameBytes <= data.size(); at += frameBytes)
            frames.push_back(data.mid(at, frameBytes));
        return frames;
    }
    auto u32 = [&](qsizetype at) {
        quint32 v;
        std::memcpy(&v, data.constData() + at, 4);
        return v; // little-endian host
    };
    // Walk RIFF > LIST movi, descending into LIST rec, in file order.
    auto walk = [&](auto &&self, qsizetype at, qsizetype end) -> void {
        while (at + 8 <= end) {
            const QByteArray id = data.mid(at, 4);
            const qsizetype size = u32(at + 4);
            if (id == "LIST") {
                const QByteArray type = data.mid(at + 8, 4);
                if (type == "movi" || type == "rec ")
                    self(self, at + 12, std::min<qsizetype>(at + 8 + size, data.size()));
            } else if (id.startsWith("00") && size == frameBytes && at + 8 + size <= data.size()) {
                frames.push_back(data.mid(at + 8, size));
            }
            at += 8 + size + (size & 1);
        }
    };
    walk(walk, 12, data.size());
    return frames;
}

} // namespace corpus
