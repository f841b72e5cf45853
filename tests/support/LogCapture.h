#pragma once

#include <QLoggingCategory>
#include <QMutex>
#include <QStringList>

// Records log messages for its lifetime; one at a time, messages may come from any thread.
// LogCapture() turns on every "com.ostavel.app" category and records "Category: text";
// LogCapture("com.ostavel.app.X") turns on X's info lines and records X's messages alone.
class LogCapture {
public:
    LogCapture() { install(QStringLiteral("com.ostavel.app.*=true")); }
    explicit LogCapture(const char* category)
        : m_category(category)
    {
        install(QString::fromUtf8(category) + QStringLiteral(".info=true"));
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        QLoggingCategory::setFilterRules(QString());
        s_current = nullptr;
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const
    {
        QMutexLocker lock(&m_mutex);
        return m_lines;
    }
    void clear()
    {
        QMutexLocker lock(&m_mutex);
        m_lines.clear();
    }

private:
    void install(const QString& rules)
    {
        s_current = this;
        QLoggingCategory::setFilterRules(rules);
        m_previous = qInstallMessageHandler(&LogCapture::handle);
    }

    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        LogCapture* self = s_current;
        if (!self)
            return;
        if (self->m_category) {
            if (context.category && qstrcmp(context.category, self->m_category) == 0) {
                QMutexLocker lock(&self->m_mutex);
                self->m_lines << message;
            } else if (self->m_previous) {
                self->m_previous(type, context, message);
            }
            return;
        }
        QString category = QString::fromUtf8(context.category);
        category.remove(QStringLiteral("com.ostavel.app."));
        QMutexLocker lock(&self->m_mutex);
        self->m_lines << category + QStringLiteral(": ") + message;
    }

    static inline LogCapture* s_current = nullptr;
    const char* m_category = nullptr;
    QtMessageHandler m_previous = nullptr;
    mutable QMutex m_mutex;
    QStringList m_lines;
};
