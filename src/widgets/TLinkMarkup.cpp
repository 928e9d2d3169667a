#include "widgets/TLinkMarkup.h"

namespace {

// Walks the markup once. For every complete tag, after the tag's own displayed output (a "<"
// for each "<" inside it, a line break for br) has been appended to out, calls
// onTag(name, parameter) with both trimmed and untouched in case. An unterminated tag at the
// end is dropped.
template <typename F> void Walk(const QString &markup, QString &out, F &&onTag)
{
    bool inTag = false;
    QString tag;
    const qsizetype n = markup.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = markup[i];
        if (!inTag) {
            if (c == QLatin1Char('<')) {
                inTag = true;
                tag.clear();
            } else if (c == QLatin1Char('\r')) {
                // CR LF, CR and LF are one line break, as the control counts them.
                out += QLatin1Char('\n');
                if (i + 1 < n && markup[i + 1] == QLatin1Char('\n'))
                    ++i;
            } else {
                out += c;
            }
        } else if (c == QLatin1Char('>')) {
            inTag = false;
            const qsizetype sp = tag.indexOf(QLatin1Char(' '));
            const QString name = (sp < 0 ? tag : tag.left(sp)).trimmed();
            const QString param = sp < 0 ? QString() : tag.mid(sp + 1).trimmed();
            if (name.compare(QLatin1String("br"), Qt::CaseInsensitive) == 0)
                out += QLatin1Char('\n');
            onTag(name, param);
        } else if (c == QLatin1Char('<')) {
            out += QLatin1Char('<');
        } else {
            tag += c;
        }
    }
}

std::optional<TLinkKind> OpeningLink(const QString &upperName)
{
    if (upperName == QLatin1String("URL"))
        return TLinkKind::Url;
    if (upperName == QLatin1String("MAIL"))
        return TLinkKind::Mail;
    if (upperName == QLatin1String("LINK"))
        return TLinkKind::Custom;
    return std::nullopt;
}

std::optional<TLinkKind> ClosingLink(const QString &upperName)
{
    if (upperName.startsWith(QLatin1Char('/')))
        return OpeningLink(upperName.mid(1));
    return std::nullopt;
}

} // namespace

QColor TLinkMarkup::FromTColor(std::uint32_t bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

QColor TLinkMarkup::ColorByName(const QString &upperName, const TLinkDefaults &defaults)
{
    struct Named
    {
        const char *name;
        std::uint32_t bgr;
    };
    static const Named table[] = {
        {"RED", 0x0000FF},     {"GREEN", 0x008000},   {"YELLOW", 0x00FFFF},  {"BLUE", 0xFF0000},
        {"BLACK", 0x000000},   {"WHITE", 0xFFFFFF},   {"AQUA", 0xFFFF00},    {"DKGRAY", 0x808080},
        {"OLIVE", 0x008080},   {"PURPLE", 0x800080},  {"FUCHSIA", 0xFF00FF}, {"GRAY", 0x808080},
        {"LIME", 0x00FF00},    {"MAROON", 0x000080},  {"NAVY", 0x800000},    {"LTGRAY", 0xC0C0C0},
        {"MEDGRAY", 0xA4A0A0}, {"SILVER", 0xC0C0C0},  {"TEAL", 0x808000},    {"MONEYGREEN", 0xC0DCC0},
        {"CREAM", 0xF0FBFF},   {"SKYBLUE", 0xF0CAA6},
    };
    for (const Named &c : table)
        if (upperName == QLatin1String(c.name))
            return FromTColor(c.bgr);
    if (upperName == QLatin1String("BTNFACE"))
        return defaults.ButtonFace;
    if (upperName == QLatin1String("APPWORKSPACE"))
        return defaults.AppWorkspace;
    return QColor();
}

void TLinkMarkup::Reset(const TLinkDefaults &defaults)
{
    FCurrent = defaults.Control;
    FSavedColor = defaults.Control.Color;
    FSavedBold = defaults.Control.Bold;
    FSavedItalic = defaults.Control.Italic;
    FSavedUnderline = defaults.Control.Underline;
    FSavedStrikeOut = defaults.Control.StrikeOut;
    FInitialised = true;
}

TLinkRendering TLinkMarkup::Render(const QString &markup, const TLinkDefaults &defaults)
{
    if (!FInitialised)
        Reset(defaults);
    TLinkRendering r;
    r.Displayed.reserve(markup.size());
    int runStart = 0;
    std::optional<TLinkSpan> open;

    auto flushRun = [&](int end) {
        if (end > runStart)
            r.Runs.push_back({runStart, end - runStart, FCurrent});
    };

    Walk(markup, r.Displayed, [&](const QString &name, const QString &param) {
        const int pos = int(r.Displayed.size());
        // The run since the previous tag, this tag's own output included, takes the attributes
        // in force before the tag.
        flushRun(pos);
        const QString n = name.toUpper();
        const QString p = param.toUpper();
        if (n == QLatin1String("BR")) {
            Qt::Alignment a = defaults.Alignment;
            if (p == QLatin1String("LEFT"))
                a = Qt::AlignLeft;
            else if (p == QLatin1String("RIGHT"))
                a = Qt::AlignRight;
            else if (p == QLatin1String("CENTER"))
                a = Qt::AlignHCenter;
            r.Alignments.push_back({runStart, pos - 1, a});
        } else if (n == QLatin1String("B") || n == QLatin1String("/B")) {
            FCurrent.Bold = n.size() == 1;
        } else if (n == QLatin1String("I") || n == QLatin1String("/I")) {
            FCurrent.Italic = n.size() == 1;
        } else if (n == QLatin1String("U") || n == QLatin1String("/U")) {
            FCurrent.Underline = n.size() == 1;
        } else if (n == QLatin1String("S") || n == QLatin1String("/S")) {
            FCurrent.StrikeOut = n.size() == 1;
        } else if (n == QLatin1String("COLOR")) {
            const QColor c = ColorByName(p, defaults);
            if (c.isValid())
                FCurrent.Color = c;
        } else if (n == QLatin1String("/COLOR")) {
            FCurrent.Color = defaults.Control.Color;
        } else if (n == QLatin1String("SIZE")) {
            bool ok = false;
            const int size = p.toInt(&ok);
            FCurrent.Size = ok ? size : 0;
        } else if (n == QLatin1String("/SIZE")) {
            FCurrent.Size = defaults.Control.Size;
        } else if (n == QLatin1String("FONT")) {
            FCurrent.Face = p;
        } else if (n == QLatin1String("/FONT")) {
            FCurrent.Face = defaults.Control.Face;
        } else if (const auto kind = OpeningLink(n)) {
            FSavedColor = FCurrent.Color;
            FSavedBold = FCurrent.Bold;
            FSavedItalic = FCurrent.Italic;
            FSavedUnderline = FCurrent.Underline;
            FSavedStrikeOut = FCurrent.StrikeOut;
            FCurrent.Color = *kind == TLinkKind::Url    ? defaults.UrlColor
                             : *kind == TLinkKind::Mail ? defaults.MailColor
                                                        : defaults.LinkColor;
            FCurrent.Underline = true;
            open = TLinkSpan{pos, pos, param, *kind};
        } else if (const auto closing = ClosingLink(n)) {
            FCurrent.Color = FSavedColor;
            FCurrent.Bold = FSavedBold;
            FCurrent.Italic = FSavedItalic;
            FCurrent.Underline = FSavedUnderline;
            FCurrent.StrikeOut = FSavedStrikeOut;
            if (open && open->Kind == *closing) {
                open->End = pos;
                r.Links.push_back(*open);
                open.reset();
            }
        }
        runStart = pos;
    });
    // The text after the last tag shows in the attributes that tag left.
    flushRun(int(r.Displayed.size()));
    return r;
}

std::optional<TLinkMarkup::TLinkHit> TLinkMarkup::LinkAt(const QString &markup, int position)
{
    QString out;
    std::optional<TLinkSpan> open;
    std::optional<TLinkHit> hit;
    Walk(markup, out, [&](const QString &name, const QString &param) {
        if (hit)
            return;
        const int count = int(out.size());
        const QString n = name.toUpper();
        if (const auto kind = OpeningLink(n)) {
            open = TLinkSpan{count, count, param, *kind};
        } else if (const auto closing = ClosingLink(n)) {
            // A closing tag without its opening one makes no link of the text before it.
            if (open && open->Kind == *closing) {
                if (open->Start <= position && position < count)
                    hit = TLinkHit{open->Target, open->Kind};
                open.reset();
            }
        }
    });
    return hit;
}
