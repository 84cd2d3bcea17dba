#include "application/tree/DocumentReadAhead.h"

#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/RegularFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

namespace {

// The file as it stands: its size and modification time (-1 and invalid when it
// cannot be looked at).
std::pair<qint64, QDateTime> fileStamp(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return {-1, QDateTime()};
    return {info.size(), info.lastModified()};
}

} // namespace

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
        m_tasks.push_back(platform::BackgroundTask::run(
            this,
            [key, started = m_startedFuture](const platform::BackgroundTask::Token &) {
                Outcome outcome = readFile(key);
                // The tree goes to the GUI thread through the application object.
                started.wait();
                return outcome;
            },
            [this, key](Outcome outcome) { finished(key, std::move(outcome)); }));
    }
}

DocumentReadAhead::Outcome DocumentReadAhead::readFile(const QString &path)
{
    Outcome outcome;
    // Noted before the read: a file written meanwhile differs at take().
    std::tie(outcome.size, outcome.modified) = fileStamp(path);
    {
        // Only the XML form: an older archive is decoded where it always was.
        QFile file;
        if (!platform::RegularFile::openForReading(file, path))
            return outcome;
        if (DocumentFileFormat::kindOfLeadingBytes(file.read(13)) != DocumentFileFormat::Kind::Xml)
            return outcome;
    }
    DocumentFileFormat::ReadResult result;
    if (DocumentFileFormat::readFromFile(path, DocumentFileFormat::TypeName, result) && result.root)
        outcome.result = std::move(result);
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

std::optional<DocumentFileFormat::ReadResult> DocumentReadAhead::take(const QString &path)
{
    auto it = m_entries.find(keyForPath(path));
    if (it == m_entries.end() || !it->done || !it->outcome.result)
        return std::nullopt;
    std::optional<DocumentFileFormat::ReadResult> result = std::move(it->outcome.result);
    const Outcome outcome = std::move(it->outcome);
    m_entries.erase(it);
    if (fileStamp(keyForPath(path)) != std::pair(outcome.size, outcome.modified))
        return std::nullopt;
    return result;
}
