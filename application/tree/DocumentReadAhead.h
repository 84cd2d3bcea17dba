#pragma once
// The documents of a launch, read on a pool thread (platform::BackgroundTask) while
// the application object, the controller and a window are made, so that the window
// shows the document as soon as the file is read. Nothing of the document machinery
// changes: a document opened for a file read ahead takes the tree from here in place
// of reading the file again (MyDocument::readFromFile(), through DocumentServices),
// and everything else (the alert of a failed read, the untouched documents of a
// refused one, the recent files) goes as for any file opened.
//
// What is read ahead is only offered, never imposed: take() hands over a tree once,
// and only when the file still is the one that was read (the same size and
// modification time); a read that failed, an older archive (read on the GUI thread
// as always) or a file changed since answer nothing, and the caller reads the file
// itself, with the reason of any failure the reader gives then.
//
// Reading may start before the application object is made (the launch starts with
// it): a read then hands its tree over only once applicationStarted() was called,
// which the launch does as soon as the application object exists (the application
// object waits for the pool's threads when it goes, so it must not be destroyed
// before that call). Made with an application object, it counts as started.
//
// Owned by whoever starts the launch (application/controller/main.cpp); destroying it cancels
// what is read (a late result is dropped). GUI thread only (the thread that makes
// the application object); the reading itself touches no object outside the tree
// it makes, which belongs to the GUI thread from its delivery on.
#include "application/tree/DocumentFileFormat.h"
#include "platform/foundation/BackgroundTask.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
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

    // The tree read for the file (its absolute path), handed over once; nothing when
    // it was not read ahead, its read failed, or the file changed since.
    std::optional<DocumentFileFormat::ReadResult> take(const QString &path);

    // The absolute path a file is known by here and in the document machinery.
    static QString keyForPath(const QString &path);

private:
    // What the pool thread learnt of one file.
    struct Outcome
    {
        std::optional<DocumentFileFormat::ReadResult> result;
        qint64 size = -1;
        QDateTime modified;
    };
    struct Entry
    {
        bool done = false;
        Outcome outcome;
    };
    static Outcome readFile(const QString &path);
    void finished(const QString &key, Outcome outcome);
    void notifyIfDone();

    std::shared_ptr<std::promise<void>> m_started = std::make_shared<std::promise<void>>();
    std::shared_future<void> m_startedFuture = m_started->get_future().share();
    bool m_applicationStarted = false;
    QHash<QString, Entry> m_entries;
    std::vector<platform::BackgroundTask> m_tasks;
    std::vector<std::pair<QPointer<QObject>, std::function<void()>>> m_waiting;
    int m_reading = 0;
};
