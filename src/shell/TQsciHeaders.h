#pragma once
// QScintilla's headers use the bare Qt keywords (signals, slots), which our targets switch off
// (QT_NO_KEYWORDS): include them through here.
#define signals Q_SIGNALS
#define slots Q_SLOTS
#include <Qsci/qscilexerpascal.h>
#include <Qsci/qsciscintilla.h>
#undef slots
#undef signals
