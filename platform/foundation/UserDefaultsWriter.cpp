#include "platform/foundation/UserDefaultsWriter.h"

#include "platform/foundation/RegularFile.h"
#include "platform/foundation/SaveFile.h"

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QMutexLocker>
#include <QSettings>
#include <QStringList>

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

namespace platform {

namespace {

struct Change
{
    enum class Kind { Set, Remove, Flush } kind;
    QString key;
    QVariant value;
    bool reread = false;
    std::shared_ptr<std::promise<UserDefaultsWriter::Flushed>> done;
};

} // namespace

// What the callers and the thread share: the queue of changes.
struct UserDefaultsWriter::Shared
{
    std::mutex mutex;
    std::condition_variable queued;
    std::deque<Change> changes;
    bool ending = false;
    std::thread thread;
    // The thread's own (touched by it alone once it runs).
    std::unique_ptr<QSettings> settings;
};

namespace {

bool acceptable(RegularFile::Kind kind)
{
    return kind == RegularFile::Kind::Missing || kind == RegularFile::Kind::Regular;
}

QVariantMap contentOf(QSettings &settings)
{
    QVariantMap content;
    const QStringList keys = settings.allKeys();
    for (const QString &key : keys)
        content.insert(key, settings.value(key));
    return content;
}

} // namespace

QString UserDefaultsWriter::lockFilePath(const QString &filePath)
{
    return filePath + QStringLiteral(".lock");
}

UserDefaultsWriter::UserDefaultsWriter(const QString &filePath)
    : m_filePath(filePath), m_shared(std::make_unique<Shared>())
{
    // The thread opens and reads the file (the settings object is its own from the
    // start); the owner waits for what it read.
    auto opened = std::make_shared<std::promise<QVariantMap>>();
    std::future<QVariantMap> content = opened->get_future();
    m_shared->thread = std::thread([this, opened] {
        opened->set_value(open());
        run();
    });
    m_initial = content.get();
}

UserDefaultsWriter::~UserDefaultsWriter()
{
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->ending = true;
    }
    m_shared->queued.notify_one();
    m_shared->thread.join();
}

QVariantMap UserDefaultsWriter::open()
{
    if (!keepsStoring())
        return {};
    m_shared->settings = std::make_unique<QSettings>(m_filePath, QSettings::IniFormat);
    return contentOf(*m_shared->settings);
}

bool UserDefaultsWriter::keepsStoring()
{
    if (!m_stored.load())
        return false;
    // The settings library reads the file as it finds it, and opens its lock file
    // (reading it when another holds it) before it writes: a pipe at either would
    // hold the thread until some process opened its other end. The lock is looked
    // at as it stands (a link there could lead to one).
    const bool fileAcceptable = acceptable(RegularFile::kindOf(m_filePath));
    if (fileAcceptable && acceptable(RegularFile::kindOfEntry(lockFilePath(m_filePath))))
        return true;
    m_stored.store(false);
    if (QSettings *settings = m_shared->settings.get()) {
        // Deleting the settings would write and read the file once more: they are kept
        // aside, never deleted (not even when the process ends: the list itself is never
        // destroyed), their pending update dropped.
        QCoreApplication::removePostedEvents(settings, QEvent::UpdateRequest);
        static QMutex asideMutex;
        static auto *aside = new std::vector<std::unique_ptr<QSettings>>;
        QMutexLocker asideLock(&asideMutex);
        aside->push_back(std::move(m_shared->settings));
    }
    qWarning("UserDefaults: %s is not a regular file; the preferences are kept until the application quits "
             "and not stored",
             qPrintable(fileAcceptable ? lockFilePath(m_filePath) : m_filePath));
    return false;
}

bool UserDefaultsWriter::write()
{
    if (!keepsStoring())
        return false;
    QSettings &settings = *m_shared->settings;
    // The library writes the file a link in its place names: a regular file holding
    // what the link leads to takes the link's place first, and the library, which
    // reads it again as changed, writes that one.
    if (QFileInfo(m_filePath).isSymLink()) {
        QFile linked;
        const QByteArray content = RegularFile::openForReading(linked, m_filePath) ? linked.readAll() : QByteArray();
        SaveFile replacement(m_filePath, SaveFile::FinalLink::Replace);
        if (!replacement.open(QIODevice::WriteOnly) || replacement.write(content) != content.size()
            || !replacement.commit())
            return false;
    }
    settings.sync();
    // The library's own later write (an update it posted to itself, which this thread
    // never delivers) has nothing left to do.
    QCoreApplication::removePostedEvents(&settings, QEvent::UpdateRequest);
    return settings.status() == QSettings::NoError;
}

void UserDefaultsWriter::run()
{
    Shared &shared = *m_shared;
    for (;;) {
        std::deque<Change> changes;
        bool ending = false;
        {
            std::unique_lock<std::mutex> lock(shared.mutex);
            shared.queued.wait(lock, [&] { return shared.ending || !shared.changes.empty(); });
            changes.swap(shared.changes);
            ending = shared.ending;
        }
        bool pending = false;
        for (Change &change : changes) {
            QSettings *settings = m_stored.load() ? shared.settings.get() : nullptr;
            switch (change.kind) {
            case Change::Kind::Set:
                if (settings)
                    settings->setValue(change.key, change.value);
                pending = true;
                break;
            case Change::Kind::Remove:
                if (settings)
                    settings->remove(change.key);
                pending = true;
                break;
            case Change::Kind::Flush: {
                Flushed flushed;
                flushed.written = write();
                pending = false;
                if (change.reread && m_stored.load())
                    flushed.content = contentOf(*shared.settings);
                change.done->set_value(flushed);
                break;
            }
            }
        }
        if (pending || ending)
            write();
        if (ending)
            break;
    }
    // Written: the settings have nothing left to write as they go.
    shared.settings.reset();
}

void UserDefaultsWriter::setValue(const QString &storedKey, const QVariant &storedValue)
{
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->changes.push_back({Change::Kind::Set, storedKey, storedValue, false, nullptr});
    }
    m_shared->queued.notify_one();
}

void UserDefaultsWriter::remove(const QString &storedKey)
{
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->changes.push_back({Change::Kind::Remove, storedKey, QVariant(), false, nullptr});
    }
    m_shared->queued.notify_one();
}

UserDefaultsWriter::Flushed UserDefaultsWriter::flush(bool reread)
{
    auto done = std::make_shared<std::promise<Flushed>>();
    std::future<Flushed> flushed = done->get_future();
    {
        std::lock_guard<std::mutex> lock(m_shared->mutex);
        m_shared->changes.push_back({Change::Kind::Flush, QString(), QVariant(), reread, done});
    }
    m_shared->queued.notify_one();
    return flushed.get();
}

} // namespace platform
