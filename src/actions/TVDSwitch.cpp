#include "actions/TVDSwitch.h"

#include "actions/TCheckAction.h"
#include "actions/TCustomAbstractAction.h"
#include "actions/TCustomVDActionList.h"
#include "core/FramixLog.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMainWindow>
#include <QWidget>

void TSuperList::Add(TCustomAbstractAction *action, const QString &text, TSwitchMode mode,
                     const QString &argument)
{
    auto e = std::make_shared<TActionEx>();
    e->Action = action;
    e->Text = text;
    e->Mode = mode;
    e->Argument = argument.isEmpty() ? text : argument;
    m_items.push_back(std::move(e));
}

TVDSwitch::TVDSwitch(QObject *parent) : QObject(parent)
{
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState s) {
            if (s == Qt::ApplicationActive)
                ApplicationActivated();
        });
    }
}

TVDSwitch::~TVDSwitch() = default;

void TVDSwitch::RegisterList(TCustomVDActionList *list)
{
    if (!list)
        return;
    for (TCustomAbstractAction *a : list->TypedActions())
        m_table.append(Entry{a->Switch(), a});
}

void TVDSwitch::UnregisterList(TCustomVDActionList *list)
{
    if (!list)
        return;
    const QList<TCustomAbstractAction *> actions = list->TypedActions();
    for (TCustomAbstractAction *a : actions) {
        for (qsizetype i = 0; i < m_table.size(); ++i) {
            if (m_table[i].action == a) {
                m_table.removeAt(i);
                break;
            }
        }
    }
    // Entries of actions destroyed meanwhile are of no use either.
    m_table.removeIf([](const Entry &e) { return e.action.isNull(); });
}

void TVDSwitch::ParseCommandLine()
{
    ParseCommandLine(QCoreApplication::arguments());
}

void TVDSwitch::ParseCommandLine(const QStringList &args)
{
    m_pending.Clear();
    m_quit = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i].isEmpty())
            break;
        ParseParam(args[i]);
    }
}

void TVDSwitch::ParseParam(const QString &text)
{
    if (text.isEmpty())
        return;
    TSwitchMode mode;
    switch (text[0].unicode()) {
    case u'+':
        mode = smOn;
        break;
    case u'-':
        mode = smOff;
        break;
    case u'/':
        mode = smSet;
        break;
    default:
        mode = smBare;
        break;
    }
    // On Linux an absolute path also begins with "/": an argument whose name part holds a "/"
    // (no switch name does) or that names an existing file is a path, given as it is.
    if (mode == smSet) {
        const qsizetype eq = text.indexOf(u'=');
        const QString head = text.mid(1, eq > 0 ? eq - 1 : -1);
        if (head.contains(u'/') || QFileInfo::exists(text))
            mode = smBare;
    }
    QString name, value;
    if (mode == smBare) {
        value = text;
    } else {
        const qsizetype eq = text.indexOf(u'=');
        if (eq > 0) {
            name = text.mid(1, eq - 1).toLower();
            value = text.mid(eq + 1);
        } else {
            name = text.mid(1).toLower();
        }
    }
    if (name.isEmpty()) {
        if (DefaultAction)
            m_pending.Add(DefaultAction.data(), value, mode, text);
        return;
    }
    // A misspelt switch must not pass unnoticed in a batch script, nor be taken for a file
    // name (the file opener is the default action): it is named and left out.
    TCustomAbstractAction *action = FindSwitch(name);
    if (action)
        m_pending.Add(action, value, mode, text);
    else if (name == u"quit")
        return;
    else if (mode == smSet && value.isEmpty() && name.contains(u'.') && DefaultAction)
        // "/clip.dv" with no such file: no switch name holds a dot, so it is a path that is
        // missing, and the file opener says so.
        m_pending.Add(DefaultAction.data(), text, smBare, text);
    else
        m_status.UnknownArgument(text);
}

TCustomAbstractAction *TVDSwitch::FindSwitch(const QString &name)
{
    if (m_table.isEmpty())
        return nullptr;
    const QString n = name.toLower();
    if (n.isEmpty())
        return DefaultAction.data();
    if (n == u"quit") {
        m_quit = true;
        return nullptr;
    }
    for (const Entry &e : std::as_const(m_table))
        if (e.action && !e.key.isEmpty() && e.key.compare(n, Qt::CaseInsensitive) == 0)
            return e.action.data();
    return nullptr;
}

void TVDSwitch::ExecuteAll()
{
    if (m_pending.IsEmpty())
        return;
    m_executing = true;
    m_current = -1;
    try {
        // The event loop gets turns in between, so a handler may re-enter: the pending list
        // is read afresh at every step and each entry is held while it runs.
        while (m_current < m_pending.Count() - 1) {
            ++m_current;
            const std::shared_ptr<TActionEx> entry = m_pending.Item(m_current);
            QCoreApplication::processEvents();
            TCustomAbstractAction *a = entry ? entry->Action.data() : nullptr;
            if (!a)
                continue;
            if (!a->Enabled()) {
                // Asked for and not done (a grab with no picture to grab, a command of a
                // video that did not open): said, and the run does not end as a success.
                m_status.NotAvailable(entry->Argument);
                continue;
            }
            qCDebug(lcActions).noquote() << "command line:" << a->Name() << entry->Text;
            if (auto *check = dynamic_cast<TCheckAction *>(a)) {
                switch (entry->Mode) {
                case smOn:
                    check->SetChecked(true);
                    break;
                case smOff:
                    check->SetChecked(false);
                    break;
                case smSet:
                    check->Toggle();
                    break;
                case smBare:
                    break;
                }
            } else if (QString expected; !a->AcceptsText(entry->Text, &expected)) {
                const QString arg = entry->Argument;
                const qsizetype eq = arg.indexOf(u'=');
                m_status.BadValue(eq > 0 ? arg.left(eq) : arg, entry->Text, expected);
            } else {
                a->SetValueFromText(entry->Text);
            }
            QCoreApplication::processEvents();
        }
    } catch (...) {
        // A throwing handler (the application's) ends the run of the command line there.
        const std::shared_ptr<TActionEx> entry = m_pending.Item(m_current);
        qCWarning(lcActions).noquote()
            << "command line stopped at argument" << m_current + 1
            << (entry && entry->Action ? entry->Action->Name() + u':' : QString()) << currentExceptionText();
    }
    if (m_quit)
        CloseMainWindow();
    m_executing = false;
}

void TVDSwitch::Run()
{
    if (m_executing)
        return;
    if (m_commandLine)
        ParseCommandLine(*m_commandLine);
    else
        ParseCommandLine();
    if (!m_pending.IsEmpty())
        ExecuteAll();
    else if (auto f = OnNoCommandLine)
        f();
    m_pending.Clear();
}

void TVDSwitch::CloseMainWindow()
{
    QWidget *w = MainWindow.data();
    if (!w) {
        for (QWidget *top : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMainWindow *>(top)) {
                w = top;
                break;
            }
        }
    }
    if (w)
        w->close();
}

void TVDSwitch::ApplicationActivated()
{
    if (m_activated) {
        if (auto f = OnActivate)
            f();
        return;
    }
    m_activated = true;
    if (auto f = OnActivate)
        f();
    Run();
}

QStringList TVDSwitch::SplitCommandLine(const QString &commandLine)
{
    QStringList out;
    const qsizetype n = commandLine.size();
    auto at = [&](qsizetype i) -> char16_t { return i < n ? commandLine[i].unicode() : u'\0'; };
    qsizetype p = 0;
    for (;;) {
        // Skip blanks and empty quote pairs where an argument would begin.
        for (;;) {
            while (at(p) != u'\0' && at(p) <= u' ')
                ++p;
            if (at(p) == u'"' && at(p + 1) == u'"')
                p += 2;
            else
                break;
        }
        QString arg;
        while (at(p) > u' ') {
            if (at(p) == u'"') {
                ++p;
                while (at(p) != u'\0' && at(p) != u'"')
                    arg.append(QChar(at(p++)));
                if (at(p) != u'\0')
                    ++p;
            } else {
                arg.append(QChar(at(p++)));
            }
        }
        if (arg.isEmpty())
            break;
        out.append(arg);
    }
    return out;
}
