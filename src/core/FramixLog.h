#pragma once
// The logging categories of the program, one per subsystem. Every category shows warnings and
// errors by default; the detail of a run (debug and info) is switched on with QT_LOGGING_RULES,
// for example QT_LOGGING_RULES="framix.*=true" or "framix.playback.debug=true".
//
// The program's own command-line output (the headless answers, the report of an opened file)
// is not logging and does not go through these categories.
#include <QLoggingCategory>
#include <QString>

Q_DECLARE_LOGGING_CATEGORY(lcCore)     // framix.core: message hand-over between threads
Q_DECLARE_LOGGING_CATEGORY(lcPrefs)    // framix.prefs: preference stores
Q_DECLARE_LOGGING_CATEGORY(lcActions)  // framix.actions: actions, their handlers, switches
Q_DECLARE_LOGGING_CATEGORY(lcGst)      // framix.gst: the pipeline, its state and its bus
Q_DECLARE_LOGGING_CATEGORY(lcMedia)    // framix.media: sources, demuxers, decoders
Q_DECLARE_LOGGING_CATEGORY(lcScript)   // framix.script: compiling and running scripts
Q_DECLARE_LOGGING_CATEGORY(lcPlayback) // framix.playback: navigation, seeks, renderers
Q_DECLARE_LOGGING_CATEGORY(lcShell)    // framix.shell: files, keys, desktop services
Q_DECLARE_LOGGING_CATEGORY(lcCapture)  // framix.capture: opening videos, grabs, interval capture
Q_DECLARE_LOGGING_CATEGORY(lcApp)      // framix.app: the program's start and end

// For a log line inside a catch block: what the exception being handled says (what() of a
// std::exception, else the name of its type). Never rethrows.
QString currentExceptionText();
