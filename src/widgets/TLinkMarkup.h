// The small tag language of the link label, without any widget: it turns marked-up text into
// the displayed text, the runs of character attributes that cover it, the alignment of the
// lines that br tags end, and the link ranges.
//
//   <b> </b> <i> </i> <u> </u> <s> </s>        styles on and off
//   <color NAME> </color>                       colour by name / back to the control's colour
//   <size N> </size>   <font FACE> </font>      size in points, font face
//   <url ADDRESS> </url> <mail ADDRESS> </mail> <link TARGET> </link>
//   <br> <br left> <br right> <br center>       line break, aligning the line it ends
//
// A tag runs from "<" to the next ">"; its name is what precedes the first space, its parameter
// what follows it (both trimmed, compared without regard to case). A "<" inside a tag displays
// a "<". Unknown tags and colour names change nothing; an unterminated tag at the end of the
// text is dropped. Every line break of the displayed text (br, or CR LF / CR / LF of the
// markup) is one '\n' character, so positions in the displayed text are those of a
// QTextDocument holding it.
#pragma once

#include <QColor>
#include <QString>
#include <optional>
#include <vector>

enum class TLinkKind { Url, Mail, Custom };

struct TLinkAttributes
{
    QString Face;
    int Size = 10; // points, as given (0 when the size tag's parameter is not a number)
    QColor Color;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    bool operator==(const TLinkAttributes &) const = default;
};

// What the control gives the markup: its own attributes and alignment, the link colours and the
// two system colours that colour names refer to.
struct TLinkDefaults
{
    TLinkAttributes Control;
    Qt::Alignment Alignment = Qt::AlignLeft;
    QColor UrlColor, MailColor, LinkColor;
    QColor ButtonFace, AppWorkspace;
};

struct TLinkRun
{
    int Start = 0;
    int Length = 0;
    TLinkAttributes Attributes;
};

// The run [Start, BreakPos] ends with the line break at BreakPos; the lines it touches take
// Alignment.
struct TLinkLineAlignment
{
    int Start = 0;
    int BreakPos = 0;
    Qt::Alignment Alignment;
};

struct TLinkSpan
{
    int Start = 0;
    int End = 0; // exclusive
    QString Target;
    TLinkKind Kind = TLinkKind::Url;
};

struct TLinkRendering
{
    QString Displayed;
    std::vector<TLinkRun> Runs; // in order, contiguous, covering Displayed
    std::vector<TLinkLineAlignment> Alignments;
    std::vector<TLinkSpan> Links;
};

class TLinkMarkup
{
public:
    // The attributes the next rendering starts from: they are not reset between renderings, so
    // a tag left open still acts at the start of the next text. Reset() makes them the
    // control's again.
    void Reset(const TLinkDefaults &defaults);
    const TLinkAttributes &Current() const { return FCurrent; }

    TLinkRendering Render(const QString &markup, const TLinkDefaults &defaults);

    // The link at a position of the displayed text, found by walking the markup.
    struct TLinkHit
    {
        QString Target;
        TLinkKind Kind;
    };
    static std::optional<TLinkHit> LinkAt(const QString &markup, int position);

    // The colour of a name of the color tag ("NAVY"), or an invalid colour for other names.
    static QColor ColorByName(const QString &upperName, const TLinkDefaults &defaults);
    // Colour from a $00BBGGRR value.
    static QColor FromTColor(std::uint32_t bgr);

    // Sizes beyond what a font can show are shown at the nearest size that it can.
    static constexpr int MinShownSize = 1;
    static constexpr int MaxShownSize = 1638;

private:
    TLinkAttributes FCurrent;
    // Colour and styles saved by the link tags (one pair shared by url, mail and link).
    QColor FSavedColor;
    bool FSavedBold = false, FSavedItalic = false, FSavedUnderline = false, FSavedStrikeOut = false;
    bool FInitialised = false;
};
