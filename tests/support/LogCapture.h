#pragma once

#include <QList>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>

// Collects the log lines of one category while it lives (and enables its info lines).
class LogCapture {
public:
    explicit LogCapture(const char* category)
        : m_category(category)
    {
        s_current = this;
        m_previousFilter = QLoggingCategory::installFilter(&LogCapture::filter);
        m_previousHandler = qInstallMessageHandler(&LogCapture::handle);
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previousHandler);
        QLoggingCategory::installFilter(m_previousFilter);
        s_current = nullptr;
    }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    const QStringList& lines() const { return m_lines; }

private:
    static void filter(QLoggingCategory* category)
    {
        if (s_current && s_current->m_previousFilter)
            s_current->m_previousFilter(category);
        if (s_current && qstrcmp(category->categoryName(), s_current->m_category) == 0)
            category->setEnabled(QtInfoMsg, true);
    }
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& message)
    {
        if (!s_current)
            return;
        if (context.category && qstrcmp(context.category, s_current->m_category) == 0)
            s_current->m_lines.append(message);
        else if (s_current->m_previousHandler)
            s_current->m_previousHandler(type, context, message);
    }

    const char* m_category;
    QStringList m_lines;
    QLoggingCategory::CategoryFilter m_previousFilter = nullptr;
    QtMessageHandler m_previousHandler = nullptr;
    static inline LogCapture* s_current = nullptr;
};
