#pragma once
// Scene starts of a video, read from the scene file beside it (same name, extension ".scn").
// Owned by the main window; UI thread only.
#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

struct TScene
{
    QString FileName;       // the scene file it came from
    int32_t StartFrame = 0; // frame number where the scene starts
    int32_t Value2 = 0;     // the second number of the file record (kept, not used by navigation)
};

class TScenesList
{
public:
    // Reads the scene file at path. False when it does not exist or the header cannot be read (the
    // list is then unchanged), or when a record is truncated (the scenes read so far stay).
    bool LoadScenes(const QString &path);
    // Same reading rules on a file already in memory (the list is replaced as by LoadScenes).
    bool LoadScenesFromData(const QByteArray &data, const QString &fileName);
    void ClearScenes() { m_scenes.clear(); }

    // First StartFrame greater than frame, in list order (negative starts passed over); def if none.
    int NextSceneStart(int frame, int def) const;
    // From the last scene backwards, the first StartFrame below frame; 0 if none.
    int PrevSceneStart(int frame) const;

    int Count() const { return int(m_scenes.size()); }
    // The scene at index, or nullptr when the index is out of range.
    const TScene *Scene(int index) const;

private:
    std::vector<TScene> m_scenes;
};
