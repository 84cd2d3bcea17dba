#pragma once
// The INI file behind platform::UserDefaults, read and written on a thread of its own,
// so that no caller waits for the disk: writing the file ends in an fdatasync, which a
// busy disk or a network home stretches to seconds.
//
// Changes are queued with copies of their values (setValue(), remove()) and written in
// the order they were queued: the thread takes every change queued so far, hands them to
// the settings library and writes the file once, so that two values set quickly leave the
// file with the last. flush() waits until everything queued before it is written (the
// flush at quit, synchronize()); the destructor flushes and ends the thread. The library
// writes the file through a new file renamed into its place: a process that ends in
// the middle leaves the file as it was before that write or after it, never half.
//
// The file is read and written only while it is a regular file (or missing), and only
// while the library's lock file beside it ("Chronark.conf.lock"), which it opens before
// every write, is a regular file or missing itself (not a link): when anything else has
// either name, at start-up or right before any write, nothing is written or read any
// more (isStored() answers false for good) and a warning says so once. A symbolic link
// in the place of the file is read through, but never written through: the write puts
// a regular file in the place of the link.
//
// Ownership: owned by its UserDefaults. Threads: every member may be called from any
// thread but the writer's own; flush() and the constructor wait for the writer.
#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <atomic>
#include <memory>

namespace platform {

class UserDefaultsWriter
{
public:
    // Starts the thread, which opens the file and reads what it holds (stored keys and
    // values, as the library reads them; empty when the file is not stored).
    explicit UserDefaultsWriter(const QString &filePath);
    ~UserDefaultsWriter();
    UserDefaultsWriter(const UserDefaultsWriter &) = delete;
    UserDefaultsWriter &operator=(const UserDefaultsWriter &) = delete;

    // What the file held when it was opened.
    QVariantMap initialContent() const { return m_initial; }
    // Whether the values are still stored in the file (see above).
    bool isStored() const { return m_stored.load(); }

    // Queue a change of one stored key (in the file's form).
    void setValue(const QString &storedKey, const QVariant &storedValue);
    void remove(const QString &storedKey);

    struct Flushed
    {
        bool written = false;  // the file holds every change queued before the flush
        QVariantMap content;   // with reread: what the file holds then, other writers' changes too
    };
    // Waits until every change queued before it is written.
    Flushed flush(bool reread);

    // The lock file the settings library makes beside the file while it writes it.
    static QString lockFilePath(const QString &filePath);

private:
    struct Shared;
    // On the thread: opens the file and answers its content; then writes what is queued
    // until the owner goes.
    QVariantMap open();
    void run();
    // Whether the file may be read and written still; when not, stops storing for good
    // (with the warning).
    bool keepsStoring();
    // Writes what is pending when the file may still be written, never through a link
    // at its place.
    bool write();

    const QString m_filePath;
    std::atomic<bool> m_stored{true};
    QVariantMap m_initial;
    std::unique_ptr<Shared> m_shared;
};

} // namespace platform
