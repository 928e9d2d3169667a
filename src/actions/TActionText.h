#pragma once
// Text forms of action values: how command-line text reads into a value, and how a value is
// written into a recorded macro line (Pascal syntax, so the macro runs as a script).
#include "core/TColors.h"

#include <QPoint>
#include <QString>

#include "actions/TRectValue.h"

namespace TActionText {

// An optional sign and decimal digits, or "$" and hexadecimal digits (up to 8, taken as the
// 32-bit pattern so that $FF00000F is a system colour). No surrounding blanks. False when the
// text is not such an integer or does not fit in 32 bits.
bool ReadInteger(const QString &text, int &value);
// ReadInteger, or `fallback` when the text is not an integer.
int IntegerOr(const QString &text, int fallback);

// A colour identifier (any case) or an integer as above.
bool ReadColor(const QString &text, TColor &value);

// The user's locale notation; a point as decimal separator is accepted as well so that a
// command line works whatever the locale. Blanks around the number are ignored; group
// separators, infinities and NaN are refused.
bool ReadDouble(const QString &text, double &value);

// Trimmed and lower-cased: "true", "vrai", "t", "v" or an integer other than 0 mean True;
// anything else (the empty text included) means False.
bool ReadBoolean(const QString &text);

// "(x, y)": brackets and a comma required; each piece read as an integer, 0 when invalid.
bool ReadPoint(const QString &text, QPoint &value);
// "(left, top, right, bottom)": brackets and three commas required; pieces 0 when invalid.
bool ReadRect(const QString &text, TRectValue &value);

// Pascal string literal: single quotes around the text, a quote inside doubled ('it''s').
QString PascalString(const QString &text);
// "$" + upper-case hexadecimal of the 32-bit pattern, at least 6 digits ($0000FF, $FF00000F).
QString PascalColor(TColor color);
// A double as a Pascal literal: decimal point whatever the locale, up to 15 significant digits.
QString PascalDouble(double value);
inline QString PascalBool(bool b)
{
    return b ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace TActionText
