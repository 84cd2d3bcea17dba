#pragma once
// What the live links show the user: the alert when the server application cannot
// be found, an error that stopped the search for it, and the opening of the
// application's web address. The default shows application-modal alerts that end
// in a handler (no nested event loop) and opens the address with the desktop's
// browser; tests put an object of their own in its place.
// GUI thread only. setCurrent() does not take ownership; a null pointer restores
// the default.
#include <QString>
#include <QUrl>

class LiveLinkUserInterface
{
public:
    virtual ~LiveLinkUserInterface() = default;

    static LiveLinkUserInterface &current();
    static void setCurrent(LiveLinkUserInterface *userInterface);

    // A critical alert with the button "okTitle" and, when the URL is not empty, the
    // button "getApplicationTitle" that opens it through openUrl().
    virtual void showServerNotFoundAlert(const QString &title, const QString &message, const QString &okTitle,
                                         const QString &getApplicationTitle, const QUrl &url);
    virtual void presentError(const QString &text, const QString &reason);
    virtual void openUrl(const QUrl &url);
};

// Shows the server-not-found alert for the application name: the texts of the
// strings table; the URL and its button only for an http or https address.
void LiveLinkShowServerNotFoundAlert(const QString &applicationName, const QUrl &url);
