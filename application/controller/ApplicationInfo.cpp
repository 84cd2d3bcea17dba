#include "application/controller/ApplicationInfo.h"

#include "application/base/BuildInfo.h"
#include "platform/foundation/Bundle.h"

namespace ApplicationInfo {

QVariantMap infoDictionary()
{
    return {
        {QStringLiteral("CFBundleExecutable"), QStringLiteral(CHRONARK_EXECUTABLE_NAME)},
        {QStringLiteral("CFBundleName"), QStringLiteral(CHRONARK_BUNDLE_NAME)},
        {QStringLiteral("CFBundleIdentifier"), QStringLiteral(CHRONARK_BUNDLE_IDENTIFIER)},
        {QStringLiteral("CFBundleShortVersionString"), QStringLiteral(CHRONARK_VERSION_STRING)},
        {QStringLiteral("NTXCrashReporterCGIURL"), QStringLiteral(CHRONARK_CRASH_REPORT_URL)},
        {QStringLiteral("NTXFeedbackProviderCGIURL"), QStringLiteral(CHRONARK_FEEDBACK_URL)},
        {QStringLiteral("NTXFeedbackSubjectPrefix"), QStringLiteral(CHRONARK_FEEDBACK_SUBJECT_PREFIX)},
        {QStringLiteral("NTXFeedbackURL"), QStringLiteral(CHRONARK_FEEDBACK_PAGE_URL)},
        {QStringLiteral("LiveLinkApplicationURL"), QStringLiteral(CHRONARK_APPLICATION_URL)},
    };
}

void install()
{
    platform::Bundle::mainBundle().setInfoDictionary(infoDictionary());
}

} // namespace ApplicationInfo
