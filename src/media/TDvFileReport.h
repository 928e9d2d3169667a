#pragma once
// What a raw DV file (.dv, .dif: DIF frames one after the other) holds, read frame by frame with
// the DV pack functions: television system, picture shape, sound, and the recording dates and
// time codes of its first and last frames. Used by the headless run of the program to say what
// it found in a video without building a graph, and by anything that wants a quick summary of a
// tape capture. Reads the file in blocks of one frame; no GStreamer, any thread.
#include <QString>

struct TDvFileReport
{
    bool Valid = false; // at least one whole DIF frame was read
    QString Error;      // why the file could not be read (French), empty otherwise
    qint64 FileSize = 0;
    int System = 2;           // 0 = 625/50, 1 = 525/60 (from the first frame)
    int Frames = 0;           // whole frames in the file
    qint64 TrailingBytes = 0; // bytes after the last whole frame (a cut capture)
    bool Wide = false;        // 16:9 (from the first frame)
    int AudioRate = -1;       // as DvAudioRate of the first frame
    int AudioBits = -1;
    int DatedFrames = 0;                 // frames carrying a valid recording date
    double FirstDate = 0, LastDate = 0;  // day-count form (TDateFormat), valid when DatedFrames > 0
    QString FirstTimecode, LastTimecode; // "h:mm:ss:ff", empty when no frame has one

    // Frames per second of the system (25 or 30000/1001).
    double FramesPerSecond() const;
    // The report as French lines, for the terminal or a message box.
    QString Text(const QString &fileName) const;
};

// Reads `fileName` entirely. A file that is not DV (its first frame has no DIF header of a known
// system) or is shorter than one frame gives Valid = false with Error set.
TDvFileReport ReadDvFileReport(const QString &fileName);
