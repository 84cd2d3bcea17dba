#include "platform/foundation/MimeDatabaseWarmUp.h"

#include "platform/foundation/BackgroundTask.h"

#include <QDir>
#include <QMimeDatabase>

#include <atomic>

namespace platform {

void MimeDatabaseWarmUp::start()
{
    static std::atomic<bool> started{false};
    if (started.exchange(true))
        return;
    BackgroundTask::runWithoutResult([](const BackgroundTask::Token &) { read(); });
}

void MimeDatabaseWarmUp::read()
{
    const QMimeDatabase database;
    // Every type (the globs, the magic and the type tree), and a folder as the
    // dialogs look one up.
    (void)database.allMimeTypes();
    (void)database.mimeTypeForFile(QDir::homePath());
}

} // namespace platform
