#include "components/livelink/LiveLinkApplication.h"

#include "platform/foundation/Bundle.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace LiveLinkApplication {

QString bundleIdentifier()
{
    return platform::Bundle::mainBundle().objectForInfoDictionaryKey(QStringLiteral("CFBundleIdentifier")).toString();
}

QString processName()
{
    if (!QCoreApplication::instance())
        return QString();
    return QFileInfo(QCoreApplication::applicationFilePath()).fileName();
}

} // namespace LiveLinkApplication
