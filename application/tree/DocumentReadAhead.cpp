#include "application/tree/DocumentReadAhead.h"

#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/PoolThreads.h"
#include "platform/foundation/RegularFile.h"
#include "platform/foundation/ThreadHeap.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTimer>

#include <new>

DocumentReadAhead::DocumentReadAhead(QObject *parent) : QObject(parent)
{
    if (QCoreApplication::instance())
        applicationStarted();
}

DocumentReadAhead::~DocumentReadAhead()
{
    cancel();
    // No read waits for an application object that never comes.
    applicationStarted();
}

void DocumentReadAhead::setReader(Reader reader)
{
    m_reader = std::move(reader);
}

void DocumentReadAhead::applicationStarted()
{
    if (m_applicationStarted)
        return;
    m_applicationStarted = true;
    m_started->set_value();
}

QString DocumentReadAhead::keyForPath(const QString &path)
{
    if (path.isEmpty())
        return QString();
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

void DocumentReadAhead::read(const QStringList &paths)
{
    for (const QString &path : paths) {
        const QString key = keyForPath(path);
        if (key.isEmpty() || m_entries.contains(key))
            continue;
        m_entries.insert(key, Entry());
        ++m_reading;
        // The identity of the file whose content the pool thread reads, kept apart
        // from the outcome so that a read that fails (memory ran out) still says
        // which file it refused.
        auto identity = std::make_shared<std::optional<platform::RegularFile::Identity>>();
        m_tasks.push_back(platform::BackgroundTask::run(
            this,
            [key, identity, reader = m_reader, started = m_startedFuture](const platform::BackgroundTask::Token &) {
                // The outcome, or the failure, goes to the GUI thread through the
                // application object: however the work ends, not before it exists.
                const auto holdUntilStarted = qScopeGuard([&started] { started.wait(); });
                return readFile(key, reader, *identity);
            },
            [this, key](Outcome outcome) { finished(key, std::move(outcome)); },
            [this, key, identity](const QString &reason) {
                finished(key, reason == platform::PoolThreads::unavailableReason() ? unstartedRead(key)
                                                                                   : failedRead(*identity));
            }));
    }
}

DocumentReadAhead::Outcome DocumentReadAhead::failedRead(const std::optional<platform::RegularFile::Identity> &identity)
{
    // A file whose content was being read is refused as the reader refuses it; one
    // that failed before is left to the caller, which reads it itself.
    Outcome outcome;
    outcome.identity = identity;
    outcome.refused = identity.has_value();
    return outcome;
}

DocumentReadAhead::Outcome DocumentReadAhead::unstartedRead(const QString &path)
{
    // The system has no thread for the read (as where memory ran out): the file, as it
    // is now, is refused for want of memory. One that is gone is left to the caller,
    // which tells why.
    Outcome outcome;
    outcome.identity = platform::RegularFile::identityOf(path);
    outcome.refused = outcome.identity.has_value();
    outcome.outOfMemory = outcome.refused;
    return outcome;
}

DocumentReadAhead::Outcome DocumentReadAhead::readFile(const QString &path, const Reader &reader,
                                                      std::optional<platform::RegularFile::Identity> &reading)
{
    Outcome outcome;
    QFile file;
    if (!platform::RegularFile::openForReading(file, path))
        return outcome;
    // Taken before the content is read: a file written meanwhile differs at take().
    const std::optional<platform::RegularFile::Identity> identity = platform::RegularFile::settledIdentityOf(file);
    // Changed within the grain of a file system with coarse times: a write after the
    // read could leave the same identity. The caller reads it.
    if (!identity || !identity->isSettled())
        return outcome;
    outcome.identity = identity;
    reading = identity;
    // Where the address space is limited (ulimit -v) and has no room left for the tree
    // (about one and a half times the file's size), the file is refused for want of
    // memory before the tree takes any: a tree that grew until the memory ran out
    // would make the other threads' allocations fail meanwhile, wherever they are.
    if (platform::ThreadHeap::addressSpaceLeft() < identity->size / 2 * 3) {
        outcome.refused = true;
        outcome.outOfMemory = true;
        return outcome;
    }
    // Made first, so that what the tree takes can be given back after a failure.
    platform::ThreadHeap::Reclaim reclaim;
    // The tree takes about one and a half times the file's size (an older archive's
    // less): its room on this thread's heap is made in a few steps, not a page at a
    // time while the GUI thread starts up beside it.
    platform::ThreadHeap::reserve(identity->size * 2);
    // What DocumentFileFormat::readFromFile() reads, from this one descriptor.
    DocumentFileFormat::ReadResult result;
    bool read = false;
    try {
        read = reader ? reader(file, result) : DocumentFileFormat::readFromOpenFile(file, result);
    } catch (const std::bad_alloc &) {
        result = {};
        outcome.outOfMemory = true;
    }
    // What the reader built is freed by now (and so is the exception), but the heap
    // of this thread keeps its room, which the other threads cannot use.
    if (outcome.outOfMemory)
        reclaim.giveBack();
    if (read && result.root)
        outcome.result = std::move(result);
    else
        outcome.refused = true;
    return outcome;
}

void DocumentReadAhead::finished(const QString &key, Outcome outcome)
{
    auto it = m_entries.find(key);
    if (it == m_entries.end() || it->done)
        return;
    it->done = true;
    it->outcome = std::move(outcome);
    --m_reading;
    notifyIfDone();
}

void DocumentReadAhead::whenRead(QObject *context, std::function<void()> then)
{
    m_waiting.emplace_back(context, std::move(then));
    if (!isReading()) {
        // Never from inside the caller: in a later pass, as when a read ends.
        QTimer::singleShot(0, this, platform::ExceptionBoundary::guarded(this, "the documents read ahead", [this] {
            notifyIfDone();
        }));
    }
}

void DocumentReadAhead::notifyIfDone()
{
    if (isReading())
        return;
    auto waiting = std::move(m_waiting);
    m_waiting.clear();
    for (auto &[context, then] : waiting) {
        if (context && then)
            then();
    }
}

void DocumentReadAhead::cancel()
{
    for (const platform::BackgroundTask &task : m_tasks)
        task.cancel();
    m_tasks.clear();
    m_waiting.clear();
    m_entries.clear();
    m_reading = 0;
}

DocumentReadAhead::Offer DocumentReadAhead::take(const QString &path)
{
    const QString key = keyForPath(path);
    auto it = m_entries.find(key);
    if (it == m_entries.end() || !it->done)
        return {};
    Outcome outcome = std::move(it->outcome);
    m_entries.erase(it);
    // The path must name the very file read, unchanged.
    if (!outcome.identity || platform::RegularFile::identityOf(key) != outcome.identity)
        return {};
    Offer offer;
    offer.result = std::move(outcome.result);
    offer.refused = outcome.refused;
    offer.outOfMemory = outcome.outOfMemory;
    return offer;
}
