#pragma once
// The documents of a launch, read on a pool thread (platform::BackgroundTask) while
// the application object, the controller and a window are made, so that the window
// shows the document as soon as the file is read. Nothing of the document machinery
// changes: a document opened for a file read ahead takes the tree from here in place
// of reading the file again (MyDocument::readFromFile(), through DocumentServices),
// and everything else (the alert of a failed read, the untouched documents of a
// refused one, the recent files) goes as for any file opened.
//
// What is read ahead is only offered, never imposed: take() hands over the answer
// once, and only when the file still is the one that was read. The file is opened
// once (never a pipe or device: platform::RegularFile), and its identity (device,
// inode, size, modification and change times to the nanosecond) is taken from that
// descriptor before its content is read; take() compares it with what the path
// names then, so a file replaced by rename, a symbolic link switched, or a write in
// place (also one that puts the modification time back) is read again by the
// caller. So is a file changed within the grain of its file system's times when it
// is read (a second on ext4 with small inodes, two on FAT): a write after the read
// could leave the same identity there. The reading thread first makes room on its heap for the tree
// (platform::ThreadHeap), which it then builds without a system call per page. The
// answer is the tree, or the reader's refusal of the file as it still
// is (the caller shows its alert without reading the file again). A read that fails
// while the content is read is such a refusal too: every read answers, so nothing
// waits for one that never comes. One that ran out of memory says so (the file may
// well be sound), and its thread gives the room the tree took back to the system,
// so that the rest of the application has it again; a read for which the system made
// no thread says the same of the file as it is then, and so does one whose tree would
// not fit in what a limit of the address space leaves. Both forms are read here, the
// XML and the older archive, under the bounds of DocumentFileFormat::readFromFile().
// A file that could not be opened, a file changed since, or one never read here
// answer nothing: the caller reads the file itself, with the reason of any failure
// the reader gives then.
//
// The launch reads its files here, and so does the application controller for the
// files it opens later (the open dialog, the recent files, another program's
// request), and a document for the file it reverts to (MyDocument::readFileAhead()),
// so that no file is read on the GUI thread.
//
// Reading may start before the application object is made (the launch starts with
// it): a read then hands its tree over only once applicationStarted() was called,
// which the launch does as soon as the application object exists (the application
// object waits for the pool's threads when it goes, so it must not be destroyed
// before that call). Made with an application object, it counts as started.
//
// Owned by whoever starts the launch (application/controller/main.cpp), and one by the
// application controller for later requests; destroying it cancels
// what is read (a late result is dropped). GUI thread only (the thread that makes
// the application object); the reading itself touches no object outside the tree
// it makes, which belongs to the GUI thread from its delivery on.
#include "application/tree/DocumentFileFormat.h"
#include "platform/foundation/BackgroundTask.h"
#include "platform/foundation/RegularFile.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QFile;
#include <functional>
#include <future>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class DocumentReadAhead : public QObject
{
    Q_OBJECT
public:
    explicit DocumentReadAhead(QObject *parent = nullptr);
    ~DocumentReadAhead() override;

    // Starts reading each file not read or being read yet (empty names are left out).
    void read(const QStringList &paths);
    // The application object exists: reads started before hand their trees over.
    void applicationStarted();
    // Reads started whose answers have not come back yet.
    bool isReading() const { return m_reading > 0; }
    // Calls `then` on the GUI thread once no read is outstanding: in the pass in
    // which the last one ends, or in a later pass when none is. Not called when the
    // context goes first, or after cancel().
    void whenRead(QObject *context, std::function<void()> then);
    // Drops what is read and what waits for it; nothing is delivered after this.
    void cancel();

    // What reads a file's content on the pool thread: DocumentFileFormat::readFromOpenFile
    // unless set (tests put a reader that fails in its place). Applies to reads started
    // after the call; the reader must be safe to call on any thread.
    using Reader = std::function<bool(QFile &file, DocumentFileFormat::ReadResult &out)>;
    void setReader(Reader reader);

    // What the read gave for a file.
    struct Offer
    {
        // The tree the file gave.
        std::optional<DocumentFileFormat::ReadResult> result;
        // The reader refused the file, which is still as it was read.
        bool refused = false;
        // The refusal is the memory's: the tree outgrew it while the file was read.
        bool outOfMemory = false;
        bool isEmpty() const { return !result && !refused; }
    };
    // The answer for the file (its absolute path), handed over once; empty when it
    // was not read ahead (or not to its end), could not be opened, or the file
    // changed since.
    Offer take(const QString &path);

    // The absolute path a file is known by here and in the document machinery.
    static QString keyForPath(const QString &path);

private:
    // What the pool thread learnt of one file.
    struct Outcome
    {
        std::optional<DocumentFileFormat::ReadResult> result;
        bool refused = false;
        bool outOfMemory = false;
        // The file read, as its descriptor told before the read.
        std::optional<platform::RegularFile::Identity> identity;
    };
    struct Entry
    {
        bool done = false;
        Outcome outcome;
    };
    // Reads the file; `reading` gets the identity of the file once its content is read.
    static Outcome readFile(const QString &path, const Reader &reader,
                            std::optional<platform::RegularFile::Identity> &reading);
    // What a read that threw answers: a refusal of the file being read.
    static Outcome failedRead(const std::optional<platform::RegularFile::Identity> &identity);
    // What a read no thread could be made for answers: the file refused for want of memory.
    static Outcome unstartedRead(const QString &path);
    void finished(const QString &key, Outcome outcome);
    void notifyIfDone();

    Reader m_reader;
    std::shared_ptr<std::promise<void>> m_started = std::make_shared<std::promise<void>>();
    std::shared_future<void> m_startedFuture = m_started->get_future().share();
    bool m_applicationStarted = false;
    QHash<QString, Entry> m_entries;
    std::vector<platform::BackgroundTask> m_tasks;
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> m_waiting;
    int m_reading = 0;
};
