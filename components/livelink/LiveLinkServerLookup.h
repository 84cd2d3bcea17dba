#pragma once
// One search for the application that serves a live-link server, for
// LiveLinkServer::LiveLinkServerWithName(). It watches the server's bus name
// (QDBusServiceWatcher) and asks the bus daemon for its owner, both without
// waiting; when there is no owner it looks for the application and launches it
// (launching allowed), or shows the server-not-found alert and answers none, and
// then waits for the name to be taken for at most WaitForServerMs.
//
// Ownership: a search owns itself and goes in a later event-loop pass once it has
// answered, or when its context object goes (then it answers nothing). The handler
// is called at most once, never inside start().
// GUI thread only.
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class QDBusServiceWatcher;
class QTimer;

class LiveLinkServerLookup : public QObject
{
public:
    using Handler = std::function<void(const QString &uniqueName)>;

    static constexpr int WaitForServerMs = 10'000;

    static void start(const QString &busName, const QString &serverName, const QString &bundleIdentifier,
                      bool launchIfNeeded, const QUrl &fallbackURL, const QString &appName, QObject *context,
                      Handler found);

private:
    LiveLinkServerLookup(QObject *context, Handler found);
    void ownerUnknown();
    void finish(const QString &uniqueName);

    QString m_serverName;
    QString m_bundleIdentifier;
    bool m_launchIfNeeded = false;
    QUrl m_fallbackURL;
    QString m_appName;
    Handler m_found;
    QDBusServiceWatcher *m_watcher = nullptr;
    QTimer *m_deadline = nullptr;
    bool m_finished = false;
};
