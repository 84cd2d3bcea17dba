#pragma once
// One running instance of the application per user session. The first process to
// claim() owns a well-known name on the session bus (the application's identifier,
// e.g. "org.chronark.Chronark") and answers org.freedesktop.Application (Activate,
// Open) at the object path derived from it ("/org/chronark/Chronark"); a later
// launch hands its files to that process with Open (or asks it to come forward with
// Activate) and is told to exit. Without a session bus a local socket in the user's
// runtime folder ($XDG_RUNTIME_DIR, else "runtime-" and the user's id in the folder
// of temporary files, made for this user alone when missing) does the same. That
// folder is used only when it is a folder (not a link) that this user owns and no
// one else may enter (one of this user's that others may is given 0700 first), and
// the socket only when it is this user's own socket (not a link) or missing: else
// the launch says why and runs on its own (Standalone), so that no other user's
// program is handed the files or answers for the instance.
//
// Ownership: a QObject owned by its parent (or the caller); the bus name and the
// socket are given up when it is deleted. Main thread only: requests arrive as
// openRequested()/activateRequested() on the event loop.
// Failures: a bus that refuses the name or does not answer the request within
// ClaimTimeout leaves the process running on its own (claim() answers Standalone), as
// does an owner that refuses the request. The whole hand-over (every part of it) is
// bounded by HandOverTimeout: an owner that has not answered by then is taken to be
// busy or stopped, and claim() answers NotAnswering (the files were handed to it, and
// it opens them once it goes on; this launch opens none of them). A malformed or oversized
// request on the socket is dropped. A name longer than any file's (a request of
// megabytes) is cut to MaximumUriLength as soon as the request arrives, before it is
// parsed, so that what it costs does not grow with its length; cut there, it still
// names no file, and opening it fails as the whole name would. A request naming more
// than MaximumRequestNames files is refused whole (on the bus with the error
// org.freedesktop.DBus.Error.LimitsExceeded), before any name is looked at.
#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>

class QDeadlineTimer;
class QLocalServer;
class QLocalSocket;

namespace platform {

class ApplicationInstance : public QObject
{
    Q_OBJECT
public:
    enum class Role {
        Primary,    // this process is the running instance
        HandedOver,   // another instance took the request: this process should exit
        NotAnswering, // another instance runs but did not answer in time: say so and exit
        Standalone    // neither could be arranged; this process runs on its own
    };
    static constexpr const char *Interface = "org.freedesktop.Application";
    // How long a launch waits for the bus daemon to answer its request for the name
    // (it answers at once; this bounds a daemon that holds its answers).
    static constexpr int ClaimTimeout = 500; // milliseconds
    // How long a later launch waits, in all, for the running instance to take its
    // files (every part of them). It shows no window meanwhile; the instance answers at
    // once unless it is busy or stopped.
    static constexpr int HandOverTimeout = 2000; // milliseconds
    // The largest request the local socket takes.
    static constexpr qint64 MaximumRequestSize = 1 << 20; // bytes

    // The longest name of a local file a request may carry: "file://" and a path of
    // PATH_MAX bytes, each byte percent-encoded. Longer names name no file.
    static constexpr qsizetype MaximumUriLength = 16 + 3 * 4096;
    // The most files one request may name: more windows than anyone opens at once.
    static constexpr qsizetype MaximumRequestNames = 1024;

    // On the session bus (or, without one, the local socket).
    explicit ApplicationInstance(const QString &identifier, QObject *parent = nullptr);
    // On the given bus.
    ApplicationInstance(const QString &identifier, const QDBusConnection &bus, QObject *parent = nullptr);
    ~ApplicationInstance() override;

    // Becomes the running instance, or hands the files (paths, relative ones to
    // the working folder) to the instance that runs: in parts of at most
    // MaximumRequestNames, in their order.
    Role claim(const QStringList &files);

    QString identifier() const { return m_identifier; }
    // "/org/chronark/Chronark" for "org.chronark.Chronark".
    static QString objectPath(const QString &identifier);
    // The socket used without a session bus.
    QString socketPath() const;

    // Handlers of the bus interface (called by its adaptor).
    void activate();
    // False, and nothing done, for a request naming more than MaximumRequestNames files.
    bool open(const QStringList &uris);

    // The name as a request is taken: as it stands when it is no longer than
    // MaximumUriLength, else cut there (never inside a percent escape).
    static QString boundedUri(const QString &uri);

Q_SIGNALS:
    // Another launch asked to open these files (absolute local paths).
    void openRequested(const QStringList &paths);
    // Another launch without files: the application should come forward.
    void activateRequested();

private:
    Role claimOnBus(const QStringList &uris);
    Role claimOnSocket(const QStringList &uris);
    // Hands one part over through the socket; Primary when no instance listens there.
    Role handOverOnSocket(const QStringList &uris, const QDeadlineTimer &deadline);
    void readRequest(QLocalSocket *socket);
    // The folder of the socket (not checked).
    static QString runtimeFolder();
    // Whether the socket's folder and the socket may be used (see above); makes the
    // folder when it is missing. *reason tells why not.
    bool checkSocketPlace(QString *reason) const;

    QString m_identifier;
    QDBusConnection m_bus;
    bool m_ownsName = false;
    QLocalServer *m_server = nullptr;
};

} // namespace platform
