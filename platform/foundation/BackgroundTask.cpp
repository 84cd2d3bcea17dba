#include "platform/foundation/BackgroundTask.h"

#include <QLoggingCategory>

namespace platform {

namespace {
Q_LOGGING_CATEGORY(lcBackground, "chronark.background")
}

void BackgroundTask::logFailure(const char *what)
{
    qCCritical(lcBackground) << "A background task failed:" << what;
}

} // namespace platform
