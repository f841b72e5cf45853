#pragma once

#include <QLoggingCategory>
#include <QMutex>
#include <QStringList>

// Turns on every "com.ostavel.app" category and records their messages as "Category: text" for
// its lifetime. One at a time; messages may come from any thread.
class LogCapture {
public:
    LogCapture()
    {
        s_current = this;
        QLoggingCategory::setFilterRules(QStringLiteral("com.ostavel.app.*=true"));
        m_previous = qInstallMessageHandler(&LogCapture::handle);
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
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& message)
    {
        QString category = QString::fromUtf8(context.category);
        category.remove(QStringLiteral("com.ostavel.app."));
        QMutexLocker lock(&s_current->m_mutex);
        s_current->m_lines << category + QStringLiteral(": ") + message;
    }

    static inline LogCapture* s_current = nullptr;
    QtMessageHandler m_previous = nullptr;
    mutable QMutex m_mutex;
    QStringList m_lines;
};
