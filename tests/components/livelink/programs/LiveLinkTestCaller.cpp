// A client of the live-link tests that opens links the raw way and leaves without
// closing them, as a program that crashes or is killed does:
//   livelink-test-caller SERVER PREFIX COUNT ANSWERS
// sends COUNT "InitiateLink" calls to the bus name SERVER on the session bus, for the
// item keys PREFIX-0 … PREFIX-(COUNT-1), waits until the bus daemon has taken all of
// them (it answers a question of ours sent after them: a call still in this process's
// queue when it ends would never reach the server), and ends at once (no closing, no
// goodbye to the bus) when ANSWERS of them are answered; with ANSWERS 0, right then.
// It prints its unique bus name first, and ends with 2 when the bus cannot be reached.
#include "components/livelink/LiveLinkBus.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>

#include <cstdio>
#include <unistd.h>

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    if (arguments.size() != 5)
        return 2;
    const QString server = arguments.at(1);
    const QString prefix = arguments.at(2);
    const int count = arguments.at(3).toInt();
    const int leaveAfter = arguments.at(4).toInt();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return 2;
    std::printf("%s\n", qUtf8Printable(bus.baseService()));
    std::fflush(stdout);

    int answered = 0;
    for (int i = 0; i < count; ++i) {
        QDBusMessage call = QDBusMessage::createMethodCall(server, LiveLinkBus::ServerPath, LiveLinkBus::ServerInterface,
                                                           QStringLiteral("InitiateLink"));
        call << QVariant::fromValue(QDBusObjectPath(LiveLinkBus::LinkPathPrefix + QString::number(i)))
             << QStringLiteral("doc") << QStringLiteral("caller") << QStringLiteral("%1-%2").arg(prefix).arg(i);
        auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call, LiveLinkBus::CallTimeoutMs));
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished, [&answered, leaveAfter] {
            if (++answered == leaveAfter)
                ::_exit(0);
        });
    }
    // Asked after the calls, over the same connection: answered once they are taken. The
    // answers to the calls meanwhile wait for the event loop.
    (void)bus.interface()->isServiceRegistered(server);
    if (leaveAfter == 0 || answered >= leaveAfter)
        ::_exit(0);
    return QCoreApplication::exec();
}
