#pragma once
// QScintilla's headers use the bare Qt keywords (slots, signals), which the build turns off
// (QT_NO_KEYWORDS): include them through here only.
#define slots Q_SLOTS
#define signals Q_SIGNALS
#include <Qsci/qscilexerpascal.h>
#include <Qsci/qsciscintilla.h>
#undef slots
#undef signals
