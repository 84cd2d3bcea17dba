#include "components/livelink/LiveLinkUserInterface.h"

#include "components/livelink/LiveLinkStrings.h"
#include "platform/document/DocumentAlert.h"

#include <QDesktopServices>

namespace {

LiveLinkUserInterface *currentUserInterface = nullptr;

bool isWebAddress(const QUrl &url)
{
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() && (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

} // namespace

LiveLinkUserInterface &LiveLinkUserInterface::current()
{
    static LiveLinkUserInterface standard;
    return currentUserInterface ? *currentUserInterface : standard;
}

void LiveLinkUserInterface::setCurrent(LiveLinkUserInterface *userInterface)
{
    currentUserInterface = userInterface;
}

void LiveLinkUserInterface::showServerNotFoundAlert(const QString &title, const QString &message,
                                                    const QString &okTitle, const QString &getApplicationTitle,
                                                    const QUrl &url)
{
    QList<platform::DocumentAlert::Button> buttons{{QMessageBox::Ok, okTitle}};
    if (!url.isEmpty())
        buttons.append({QMessageBox::Open, getApplicationTitle});
    platform::DocumentAlert::open(nullptr, QMessageBox::Critical, title, message, buttons, QMessageBox::Ok,
                                  QMessageBox::Ok, [url](QMessageBox::StandardButton button) {
                                      if (button == QMessageBox::Open)
                                          LiveLinkUserInterface::current().openUrl(url);
                                  });
}

void LiveLinkUserInterface::presentError(const QString &text, const QString &reason)
{
    platform::DocumentAlert::openError(nullptr, text, reason);
}

void LiveLinkUserInterface::openUrl(const QUrl &url)
{
    if (isWebAddress(url))
        QDesktopServices::openUrl(url);
}

void LiveLinkShowServerNotFoundAlert(const QString &applicationName, const QUrl &url)
{
    const QUrl address = isWebAddress(url) ? url : QUrl();
    const QString title = LiveLinkStrings::fill(LiveLinkStrings::text(QStringLiteral("_AppNotFoundTitle")),
                                                {platform::DocumentAlert::quotedName(applicationName)});
    const QString message = LiveLinkStrings::text(address.isEmpty() ? QStringLiteral("_AppNotFoundMessageNoURL")
                                                                    : QStringLiteral("_AppNotFoundMessageWithURL"));
    LiveLinkUserInterface::current().showServerNotFoundAlert(title, message, LiveLinkStrings::text(QStringLiteral("_OK")),
                                                             LiveLinkStrings::text(QStringLiteral("_GetApplication")),
                                                             address);
}
