// The video manager's overlay codes: the values the notifiers and the main window hand over,
// and the expansion of the eight patterns into the renderer's overlay lines.
#include "core/TDateFormat.h"
#include "playback/TVideoMan.h"

QString TVideoMan::ExpandPattern(const TOverlaySlot &slot, const TOverlayValues &v, double dateOffset)
{
    // Each code is replaced in the text produced so far, so a value that itself holds a later
    // code is expanded too.
    QString text = slot.Pattern;
    auto put = [&text, &slot](const char *code, bool available, const QString &value) {
        text.replace(QLatin1String(code), available ? value : slot.Missing, Qt::CaseInsensitive);
    };
    // Formatting only what is used: a date costs a locale lookup.
    auto uses = [&text](const char *code) { return text.contains(QLatin1String(code), Qt::CaseInsensitive); };
    if (uses("%D"))
        put("%D", v.DvDateValid,
            v.DvDateValid ? FormatDateTime(slot.DateFormat, v.RecDate + dateOffset) : QString());
    put("%T", v.TimecodeValid, v.TimecodeStr);
    put("%S", v.TimestampValid, v.TimestampText);
    if (uses("%R"))
        put("%R", v.SysDateValid, v.SysDateValid ? FormatDateTime(slot.SysDateFormat, v.SysDate) : QString());
    put("%N", v.NumeroValid, v.NumeroText);
    put("%F", v.FileNameValid, v.FileBaseName);
    put("%P", v.FileNameValid, v.FileFolder);
    put("%E", v.FileNameValid, v.FileExtension);
    return text;
}

void TVideoMan::ExpandOverlay()
{
    bool changed = false;
    for (int i = 0; i < kSlots; ++i) {
        const TOverlaySlot &slot = m_slots[size_t(i)];
        Tligne &line = OverlayLine(i);
        const bool enabled = !slot.Pattern.isEmpty();
        const QString text = enabled ? ExpandPattern(slot, m_values, m_dateOffset) : QString();
        if (enabled != bool(line.Enabled) || text != line.Text) {
            line.Enabled = enabled;
            line.Text = text;
            changed = true;
        }
    }
    // The time stamp arrives with every frame: lines that read the same are not drawn again
    // (at native size, on the main thread, while the streaming thread waits).
    if (changed)
        RefreshOverlay();
}

void TVideoMan::SetDateOffset(double days)
{
    m_dateOffset = days;
    ExpandOverlay();
}

void TVideoMan::SetIncrustDV(const TIncrustDV &dv)
{
    m_values.DvDateValid = dv.DateValid;
    m_values.TimecodeValid = dv.TimecodeValid;
    m_values.RecDate = dv.RecDate;
    m_values.TimecodeStr = dv.TimecodeStr;
    ExpandOverlay();
}

void TVideoMan::SetTimestampText(const QString &text)
{
    m_values.TimestampText = text;
    m_values.TimestampValid = true;
    ExpandOverlay();
}

void TVideoMan::SetSysDate(const TIncrustSysDate &date)
{
    m_values.SysDateValid = date.Available;
    m_values.SysDate = date.Date;
    ExpandOverlay();
}

void TVideoMan::SetNumero(const TIncrustNumero &numero)
{
    m_values.NumeroValid = numero.Available;
    m_values.NumeroText = numero.Text;
    ExpandOverlay();
}

void TVideoMan::SetFileName(const TIncrustFileName &file)
{
    // The folder keeps its trailing separator, the extension its dot (the last dot of the name).
    const QString &path = file.Path;
    const int slash = int(path.lastIndexOf(QLatin1Char('/')));
    const QString name = path.mid(slash + 1);
    const int dot = int(name.lastIndexOf(QLatin1Char('.')));
    m_values.FileNameValid = file.Available;
    m_values.FileFolder = path.left(slash + 1);
    m_values.FileBaseName = dot >= 0 ? name.left(dot) : name;
    m_values.FileExtension = dot >= 0 ? name.mid(dot) : QString();
    ExpandOverlay();
}
