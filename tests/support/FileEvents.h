#pragma once
// Counts what inotify tells of a file or a folder (IN_OPEN, IN_ACCESS, …), for the
// tests that tell whether a file was opened or read. A folder's events can be taken
// for the entry of one name only, whatever file stands in that name's place. Two
// like events in a row are told as one (inotify joins them while they are unread).
//
// GUI thread (or one thread); never throws.
#include <QByteArray>
#include <QFile>
#include <QString>

#include <sys/inotify.h>
#include <unistd.h>

namespace testsupport {

class FileEvents
{
public:
    FileEvents(const QString &path, quint32 mask)
    {
        m_fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd >= 0)
            m_watch = ::inotify_add_watch(m_fd, QFile::encodeName(path).constData(), mask);
    }
    ~FileEvents()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileEvents(const FileEvents &) = delete;
    FileEvents &operator=(const FileEvents &) = delete;

    bool isWatching() const { return m_watch >= 0; }
    // The events of the mask since the last call (of the entry of that name in a
    // watched folder, when a name is given); the others since then are dropped.
    int take(quint32 mask, const QString &name = QString())
    {
        const QByteArray entry = QFile::encodeName(name);
        int count = 0;
        alignas(struct inotify_event) char buffer[4096];
        for (ssize_t got; (got = ::read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (char *at = buffer; at < buffer + got;) {
                const auto *event = reinterpret_cast<const struct inotify_event *>(at);
                const bool named = entry.isEmpty() || (event->len > 0 && entry == event->name);
                count += (event->mask & mask) && named ? 1 : 0;
                at += sizeof(struct inotify_event) + event->len;
            }
        }
        return count;
    }

private:
    int m_fd = -1;
    int m_watch = -1;
};

} // namespace testsupport
