#pragma once
// Collects what one logging category says while the capture lives (from any thread), so that a
// test can check that a swallowed failure was told, and with what. Lines of other categories
// go on to the handler that was there before. One capture at a time.
#include <QByteArray>
#include <QLoggingCategory>
#include <QMutex>
#include <QStringList>

class TLogCapture
{
public:
    explicit TLogCapture(const QLoggingCategory &category) : m_category(category.categoryName())
    {
        s_current = this;
        m_previous = qInstallMessageHandler(&TLogCapture::handler);
    }
    ~TLogCapture()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    TLogCapture(const TLogCapture &) = delete;
    TLogCapture &operator=(const TLogCapture &) = delete;

    QStringList lines() const
    {
        QMutexLocker lock(&m_mutex);
        return m_lines;
    }
    // The lines that contain every one of `parts`.
    QStringList linesWith(const QStringList &parts) const
    {
        QStringList out;
        for (const QString &line : lines()) {
            bool all = true;
            for (const QString &p : parts)
                all = all && line.contains(p);
            if (all)
                out << line;
        }
        return out;
    }
    void clear()
    {
        QMutexLocker lock(&m_mutex);
        m_lines.clear();
    }

private:
    static void handler(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        TLogCapture *self = s_current;
        if (!self)
            return;
        if (context.category && self->m_category == context.category) {
            QMutexLocker lock(&self->m_mutex);
            self->m_lines << message;
            return;
        }
        if (self->m_previous)
            self->m_previous(type, context, message);
    }

    inline static TLogCapture *s_current = nullptr;
    QByteArray m_category;
    QtMessageHandler m_previous = nullptr;
    mutable QMutex m_mutex;
    QStringList m_lines;
};
