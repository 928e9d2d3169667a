#pragma once
// The manual page framix(1), in roff, made from the same switch tables as --help so that the two
// never disagree. The build runs framix-manpage (src/app/manpage/) to write it.
#include <QString>

class TShowForm;

// `date` goes into the page's header ("2026-12-10").
QString FramixManPage(const TShowForm &form, const QString &date);

// Text made safe for a roff line: backslashes, hyphens and a leading dot or quote escaped.
QString RoffEscape(const QString &text);
