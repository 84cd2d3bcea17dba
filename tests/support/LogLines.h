#pragma once
// Collects the log lines of one category (or of every category) while it lives; each
// line is passed on to the handler installed before it, so the Qt warning check still
// sees it.
//
// One at a time, GUI thread only.
#include <QByteArray>
#include <QStringList>
#include <QtGlobal>

#include <utility>

namespace testsupport {

class LogLines
{
public:
    // An empty category collects every line.
    explicit LogLines(QByteArray category = {}) : m_category(std::move(category)), m_previous(qInstallMessageHandler(&LogLines::handle))
    {
        s_current = this;
    }
    ~LogLines()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }
    LogLines(const LogLines &) = delete;
    LogLines &operator=(const LogLines &) = delete;

    // The lines collected since the last call.
    QStringList take() { return std::exchange(m_lines, {}); }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &text)
    {
        LogLines *current = s_current;
        if (current
            && (current->m_category.isEmpty() || (context.category && current->m_category == context.category)))
            current->m_lines.append(text);
        if (current && current->m_previous)
            current->m_previous(type, context, text);
    }
    static inline LogLines *s_current = nullptr;
    QByteArray m_category;
    QtMessageHandler m_previous;
    QStringList m_lines;
};

} // namespace testsupport
