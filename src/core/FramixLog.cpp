#include "core/FramixLog.h"

#include <cstdlib>
#include <cxxabi.h>
#include <exception>
#include <memory>
#include <typeinfo>

Q_LOGGING_CATEGORY(lcCore, "framix.core", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPrefs, "framix.prefs", QtWarningMsg)
Q_LOGGING_CATEGORY(lcActions, "framix.actions", QtWarningMsg)
Q_LOGGING_CATEGORY(lcGst, "framix.gst", QtWarningMsg)
Q_LOGGING_CATEGORY(lcMedia, "framix.media", QtWarningMsg)
Q_LOGGING_CATEGORY(lcScript, "framix.script", QtWarningMsg)
Q_LOGGING_CATEGORY(lcPlayback, "framix.playback", QtWarningMsg)
Q_LOGGING_CATEGORY(lcShell, "framix.shell", QtWarningMsg)
Q_LOGGING_CATEGORY(lcCapture, "framix.capture", QtWarningMsg)
Q_LOGGING_CATEGORY(lcApp, "framix.app", QtWarningMsg)

namespace {

QString unknownExceptionText()
{
    const std::type_info *type = abi::__cxa_current_exception_type();
    if (!type)
        return QStringLiteral("no exception");
    int status = 0;
    std::unique_ptr<char, void (*)(void *)> name(abi::__cxa_demangle(type->name(), nullptr, nullptr, &status),
                                                 &std::free);
    return QStringLiteral("exception of type ") +
           QString::fromLatin1(status == 0 && name ? name.get() : type->name());
}

} // namespace

QString currentExceptionText()
{
    if (!std::current_exception())
        return QStringLiteral("no exception");
    // Rethrown here only to be told apart; the catch-all below is the point of this helper: it
    // names what the caller's catch-all swallowed.
    try {
        throw;
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return unknownExceptionText();
    }
}
