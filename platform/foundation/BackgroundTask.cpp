#include "platform/foundation/BackgroundTask.h"

#include <QLoggingCategory>

namespace platform {

namespace {
Q_LOGGING_CATEGORY(lcBackground, "chronark.background")
}

void BackgroundTask::logFailure(const char *what) noexcept
{
    // The log may fail only where memory ran out: then nothing can be told.
    try {
        qCCritical(lcBackground) << "A background task failed:" << what;
    } catch (...) {
    }
}

} // namespace platform
