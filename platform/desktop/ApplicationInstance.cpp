#include "platform/desktop/ApplicationInstance.h"

#include "platform/foundation/ExceptionBoundary.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QUrl>
#include <QVariantMap>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// RequestName: fail at once instead of waiting in the queue; the answer "now the owner".
constexpr uint DoNotQueue = 4;
constexpr uint PrimaryOwner = 1;

// org.freedesktop.Application on the instance's object.
class ApplicationAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    ApplicationAdaptor(ApplicationInstance *instance, const QDBusConnection &bus)
        : QDBusAbstractAdaptor(instance), m_instance(instance), m_bus(bus)
    {
    }

public Q_SLOTS:
    void Activate(const QVariantMap &platformData)
    {
        Q_UNUSED(platformData);
        m_instance->activate();
    }
    void Open(const QStringList &uris, const QVariantMap &platformData, const QDBusMessage &message)
    {
        Q_UNUSED(platformData);
        if (m_instance->open(uris))
            return;
        // Refused whole: the caller is told why.
        message.setDelayedReply(true);
        m_bus.send(message.createErrorReply(
            QDBusError::LimitsExceeded,
            QStringLiteral("A request may name at most %1 files.").arg(ApplicationInstance::MaximumRequestNames)));
    }
    void ActivateAction(const QString &name, const QVariantList &parameter, const QVariantMap &platformData)
    {
        Q_UNUSED(name);
        Q_UNUSED(parameter);
        Q_UNUSED(platformData);
        m_instance->activate();
    }

private:
    ApplicationInstance *m_instance;
    QDBusConnection m_bus;
};

// The request's names in parts a request may carry, in their order; one empty part
// (Activate) without names.
QList<QStringList> partsOf(const QStringList &uris)
{
    if (uris.isEmpty())
        return {QStringList()};
    QList<QStringList> parts;
    for (qsizetype from = 0; from < uris.size(); from += ApplicationInstance::MaximumRequestNames)
        parts.append(uris.mid(from, ApplicationInstance::MaximumRequestNames));
    return parts;
}

// Whether what the path names itself (a link not followed) is a folder that this user
// owns and that no one else may enter; a folder of this user's with more permissions
// is given 0700 first. *reason tells why not.
bool isPrivateFolder(const QString &path, QString *reason)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(native.constData(), &st) != 0) {
        *reason = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
        *reason = QStringLiteral("it is a symbolic link");
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *reason = QStringLiteral("it is no folder");
        return false;
    }
    if (st.st_uid != ::geteuid()) {
        *reason = QStringLiteral("it belongs to user %1").arg(st.st_uid);
        return false;
    }
    if ((st.st_mode & 07777) == 0700)
        return true;
    // Ours, but open to others: closed, and looked at again (by the same lstat).
    struct stat again {};
    if (::chmod(native.constData(), 0700) != 0 || ::lstat(native.constData(), &again) != 0 || !S_ISDIR(again.st_mode)
        || again.st_uid != ::geteuid() || (again.st_mode & 07777) != 0700) {
        *reason = QStringLiteral("its permissions (%1) could not be made 0700").arg(st.st_mode & 07777, 4, 8, QLatin1Char('0'));
        return false;
    }
    return true;
}

// Whether the socket's name is free, or names a socket of this user's (a link not
// followed); *reason tells why not.
bool isOwnSocketOrFree(const QString &path, QString *reason)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) {
        if (errno == ENOENT)
            return true;
        *reason = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
        *reason = QStringLiteral("it is a symbolic link");
        return false;
    }
    if (!S_ISSOCK(st.st_mode)) {
        *reason = QStringLiteral("it is no socket");
        return false;
    }
    if (st.st_uid != ::geteuid()) {
        *reason = QStringLiteral("it belongs to user %1").arg(st.st_uid);
        return false;
    }
    return true;
}

QStringList urisOf(const QStringList &files)
{
    QStringList uris;
    for (const QString &file : files)
        uris << QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath()).toString(QUrl::FullyEncoded);
    return uris;
}

} // namespace

ApplicationInstance::ApplicationInstance(const QString &identifier, QObject *parent)
    : ApplicationInstance(identifier, QDBusConnection::sessionBus(), parent)
{
}

ApplicationInstance::ApplicationInstance(const QString &identifier, const QDBusConnection &bus, QObject *parent)
    : QObject(parent), m_identifier(identifier), m_bus(bus)
{
}

ApplicationInstance::~ApplicationInstance()
{
    if (m_ownsName) {
        m_bus.unregisterObject(objectPath(m_identifier));
        m_bus.unregisterService(m_identifier);
    }
    if (m_server)
        m_server->close();
}

QString ApplicationInstance::objectPath(const QString &identifier)
{
    QString path = QLatin1Char('/') + identifier;
    path.replace(QLatin1Char('.'), QLatin1Char('/'));
    path.replace(QLatin1Char('-'), QLatin1Char('_'));
    return path;
}

QString ApplicationInstance::socketPath() const
{
    return runtimeFolder() + QLatin1Char('/') + m_identifier + QStringLiteral(".instance");
}

QString ApplicationInstance::runtimeFolder()
{
    const QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!folder.isEmpty() && QFileInfo(folder).isDir())
        return folder;
    // Named by the user's id: a user's name may be reused, or a prefix of another's.
    return QDir::tempPath() + QStringLiteral("/runtime-") + QString::number(::geteuid());
}

bool ApplicationInstance::checkSocketPlace(QString *reason) const
{
    const QString folder = runtimeFolder();
    // Made here when missing, for this user alone (in a shared folder such as /tmp,
    // another user may have made it first: then it is not ours, below).
    if (::mkdir(QFile::encodeName(folder).constData(), 0700) != 0 && errno != EEXIST) {
        *reason = QStringLiteral("%1 cannot be made: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    QString why;
    if (!isPrivateFolder(folder, &why)) {
        *reason = QStringLiteral("%1 is not a folder of this user's alone: %2").arg(folder, why);
        return false;
    }
    const QString path = socketPath();
    if (!isOwnSocketOrFree(path, &why)) {
        *reason = QStringLiteral("%1 is not a socket of this user's: %2").arg(path, why);
        return false;
    }
    return true;
}

ApplicationInstance::Role ApplicationInstance::claim(const QStringList &files)
{
    const QStringList uris = urisOf(files);
    if (m_bus.isConnected())
        return claimOnBus(uris);
    return claimOnSocket(uris);
}

ApplicationInstance::Role ApplicationInstance::claimOnBus(const QStringList &uris)
{
    QDBusConnection &bus = m_bus;
    const QString path = objectPath(m_identifier);
    // The object first, so that a request right after the name is taken finds it.
    new ApplicationAdaptor(this, bus);
    if (!bus.registerObject(path, this, QDBusConnection::ExportAdaptors))
        return Role::Standalone;
    // The bus daemon answers at once; one that does not within ClaimTimeout leaves this
    // launch on its own, its object kept (should the name come to it after all, later
    // launches hand their files to it).
    QDBusMessage request = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                          QStringLiteral("/org/freedesktop/DBus"),
                                                          QStringLiteral("org.freedesktop.DBus"),
                                                          QStringLiteral("RequestName"));
    request << m_identifier << uint(DoNotQueue);
    const QDBusMessage reply = bus.call(request, QDBus::Block, ClaimTimeout);
    if (reply.type() != QDBusMessage::ReplyMessage && QDBusError(reply).type() == QDBusError::NoReply) {
        qInfo("The session bus did not answer the request for %s; running on our own.", qUtf8Printable(m_identifier));
        return Role::Standalone;
    }
    if (reply.type() == QDBusMessage::ReplyMessage && reply.signature() == QLatin1String("u")
        && reply.arguments().constFirst().toUInt() == PrimaryOwner) {
        m_ownsName = true;
        return Role::Primary;
    }
    bus.unregisterObject(path);

    // The files go in parts, each within what is left of the one deadline.
    const QDeadlineTimer deadline(HandOverTimeout);
    const QList<QStringList> parts = partsOf(uris);
    for (const QStringList &part : parts) {
        QDBusMessage call = QDBusMessage::createMethodCall(m_identifier, path, QString::fromLatin1(Interface),
                                                           part.isEmpty() ? QStringLiteral("Activate") : QStringLiteral("Open"));
        if (part.isEmpty())
            call << QVariantMap();
        else
            call << part << QVariantMap();
        const QDBusMessage answer = bus.call(call, QDBus::Block, int(std::max<qint64>(1, deadline.remainingTime())));
        if (answer.type() == QDBusMessage::ReplyMessage)
            continue;
        if (QDBusError(answer).type() == QDBusError::NoReply || QDBusError(answer).type() == QDBusError::Timeout) {
            qInfo("The running instance did not answer within %d ms.", HandOverTimeout);
            return Role::NotAnswering;
        }
        qInfo("The running instance refused the request (%s); running on our own.", qUtf8Printable(answer.errorMessage()));
        return Role::Standalone;
    }
    return Role::HandedOver;
}

ApplicationInstance::Role ApplicationInstance::handOverOnSocket(const QStringList &uris, const QDeadlineTimer &deadline)
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(int(std::max<qint64>(1, deadline.remainingTime())))) {
        // Nothing listens there (a socket file left by an instance that is gone, or
        // none); one that listens but does not take the connection is stopped or busy.
        const QLocalSocket::LocalSocketError error = socket.error();
        if (error == QLocalSocket::ServerNotFoundError || error == QLocalSocket::ConnectionRefusedError)
            return Role::Primary;
        qInfo("The running instance did not take the connection on %s within %d ms.", qUtf8Printable(socketPath()),
              HandOverTimeout);
        return Role::NotAnswering;
    }
    QByteArray request = uris.isEmpty() ? QByteArrayLiteral("Activate\n") : QByteArrayLiteral("Open\n");
    for (const QString &uri : uris)
        request += uri.toUtf8() + '\n';
    request += '\n';
    socket.write(request);
    // One deadline for the whole exchange, however the answer trickles in.
    QByteArray answer;
    while (socket.bytesToWrite() > 0 && !deadline.hasExpired())
        socket.waitForBytesWritten(int(std::max<qint64>(1, deadline.remainingTime())));
    while (!answer.contains('\n') && !deadline.hasExpired()
           && socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime()))))
        answer += socket.readAll();
    if (answer.startsWith("OK\n"))
        return Role::HandedOver;
    if (socket.state() == QLocalSocket::ConnectedState && !answer.contains('\n')) {
        qInfo("The running instance did not answer on %s within %d ms.", qUtf8Printable(socketPath()), HandOverTimeout);
        return Role::NotAnswering;
    }
    qInfo("The running instance refused the request on %s; running on our own.", qUtf8Printable(socketPath()));
    return Role::Standalone;
}

ApplicationInstance::Role ApplicationInstance::claimOnSocket(const QStringList &uris)
{
    const QString path = socketPath();
    // A folder or socket another user could have made or reached is never used: a
    // request sent there would hand the files to that user's program.
    QString unsafe;
    if (!checkSocketPlace(&unsafe)) {
        qWarning("Not using the socket for one running instance (%s); running on our own.", qUtf8Printable(unsafe));
        return Role::Standalone;
    }
    const QDeadlineTimer deadline(HandOverTimeout);
    const QList<QStringList> parts = partsOf(uris);
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const Role role = handOverOnSocket(parts.at(i), deadline);
        if (role == Role::HandedOver) {
            if (i + 1 == parts.size())
                return Role::HandedOver;
            continue;
        }
        if (role != Role::Primary)
            return role;
        // No instance listens: this launch is the one, unless a part went already
        // to an instance that went meanwhile (then it runs on its own).
        if (i > 0)
            return Role::Standalone;
        break;
    }
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // No one answered: a socket file left there belongs to an instance that is gone.
    QLocalServer::removeServer(path);
    if (!m_server->listen(path)) {
        qInfo("Cannot listen on %s: %s", qUtf8Printable(path), qUtf8Printable(m_server->errorString()));
        return Role::Standalone;
    }
    connect(m_server, &QLocalServer::newConnection, this, platform::ExceptionBoundary::guarded(this, "newConnection", [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this,
                platform::ExceptionBoundary::guarded(this, "readyRead", [this, socket] { readRequest(socket); }));
            readRequest(socket);
        }
    }));
    return Role::Primary;
}

void ApplicationInstance::readRequest(QLocalSocket *socket)
{
    QByteArray buffer = socket->property("request").toByteArray() + socket->readAll();
    if (buffer.size() > MaximumRequestSize) {
        socket->abort();
        return;
    }
    const qsizetype end = buffer.indexOf("\n\n");
    if (end < 0) {
        socket->setProperty("request", buffer);
        return;
    }
    socket->setProperty("request", QVariant());
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    const QByteArray verb = lines.value(0);
    if (verb == "Activate" && lines.size() == 1) {
        socket->write("OK\n");
        activate();
    } else if (verb == "Open" && lines.size() - 1 <= MaximumRequestNames) {
        QStringList uris;
        for (qsizetype i = 1; i < lines.size(); ++i)
            uris << QString::fromUtf8(lines.at(i));
        socket->write("OK\n");
        open(uris);
    } else {
        socket->abort();
        return;
    }
    socket->flush();
    socket->disconnectFromServer();
}

void ApplicationInstance::activate()
{
    Q_EMIT activateRequested();
}

QString ApplicationInstance::boundedUri(const QString &uri)
{
    if (uri.size() <= MaximumUriLength)
        return uri;
    qsizetype length = MaximumUriLength;
    // Not inside "%XX": the cut name stays a name the parser takes as it is.
    for (qsizetype i = length - 1; i >= length - 2; --i) {
        if (uri.at(i) == QLatin1Char('%')) {
            length = i;
            break;
        }
    }
    // Not between the two halves of a surrogate pair.
    if (uri.at(length - 1).isHighSurrogate())
        --length;
    return uri.left(length);
}

bool ApplicationInstance::open(const QStringList &requested)
{
    if (requested.size() > MaximumRequestNames)
        return false;
    // Cut first: nothing below sees more of a name than a file's name can hold.
    QStringList uris;
    uris.reserve(requested.size());
    for (const QString &uri : requested)
        uris << boundedUri(uri);
    QStringList paths;
    for (const QString &uri : uris) {
        const QUrl url(uri);
        if (url.isLocalFile())
            paths << QDir::cleanPath(url.toLocalFile());
    }
    if (paths.isEmpty())
        Q_EMIT activateRequested();
    else
        Q_EMIT openRequested(paths);
    return true;
}

} // namespace platform

#include "ApplicationInstance.moc"
