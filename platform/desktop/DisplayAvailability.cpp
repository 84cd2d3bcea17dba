#include "platform/desktop/DisplayAvailability.h"

#include <xcb/xcb.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace platform {

namespace {

// The value of Qt's option ("-name value" or "--name value"); the last one given
// counts, as it does for Qt.
QString optionValue(const QStringList &arguments, const QString &name)
{
    QString value;
    for (qsizetype i = 0; i + 1 < arguments.size(); ++i) {
        QString argument = arguments.at(i);
        if (argument.startsWith(QLatin1String("--")))
            argument.remove(0, 1);
        if (argument == QLatin1Char('-') + name)
            value = arguments.at(++i);
    }
    return value;
}

QString quoted(const QString &name)
{
    return QLatin1Char('"') + name + QLatin1Char('"');
}

} // namespace

bool DisplayAvailability::xDisplayAnswers(const QString &display)
{
    if (display.isEmpty())
        return false;
    xcb_connection_t *connection = xcb_connect(display.toLocal8Bit().constData(), nullptr);
    const bool answers = connection && xcb_connection_has_error(connection) == 0;
    if (connection)
        xcb_disconnect(connection);
    return answers;
}

bool DisplayAvailability::waylandDisplayAnswers(const QString &display, const QString &runtimeFolder)
{
    const QString name = display.isEmpty() ? QStringLiteral("wayland-0") : display;
    if (!name.startsWith(QLatin1Char('/')) && runtimeFolder.isEmpty())
        return false;
    const QByteArray path =
        (name.startsWith(QLatin1Char('/')) ? name : runtimeFolder + QLatin1Char('/') + name).toLocal8Bit();
    sockaddr_un address{};
    if (path.isEmpty() || std::size_t(path.size()) >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
    const int socketHandle = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (socketHandle < 0)
        return false;
    const bool answers = ::connect(socketHandle, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    ::close(socketHandle);
    return answers;
}

QString DisplayAvailability::problem(const QStringList &arguments, const QProcessEnvironment &environment)
{
    const QString x = optionValue(arguments, QStringLiteral("display")).isEmpty()
                          ? environment.value(QStringLiteral("DISPLAY"))
                          : optionValue(arguments, QStringLiteral("display"));
    const QString wayland = environment.value(QStringLiteral("WAYLAND_DISPLAY"));

    // The platforms Qt would try, in its order.
    QString named = optionValue(arguments, QStringLiteral("platform"));
    if (named.isEmpty())
        named = environment.value(QStringLiteral("QT_QPA_PLATFORM"));
    QStringList platforms;
    for (const QString &spec : named.split(QLatin1Char(';'), Qt::SkipEmptyParts))
        platforms << spec.section(QLatin1Char(':'), 0, 0).trimmed();
    if (named.isEmpty()) {
        if (!wayland.isEmpty() || environment.value(QStringLiteral("XDG_SESSION_TYPE")) == QLatin1String("wayland"))
            platforms << QStringLiteral("wayland");
        // X when its display is named: a Wayland display alone is no X display unset.
        if (!x.isEmpty() || platforms.isEmpty())
            platforms << QStringLiteral("xcb");
    }

    QStringList problems;
    for (const QString &platform : platforms) {
        if (platform == QLatin1String("xcb")) {
            if (x.isEmpty())
                problems << QStringLiteral("cannot open a display: DISPLAY is not set");
            else if (xDisplayAnswers(x))
                return QString();
            else
                problems << QStringLiteral("cannot open display %1").arg(quoted(x));
        } else if (platform.startsWith(QLatin1String("wayland"))) {
            if (waylandDisplayAnswers(wayland, environment.value(QStringLiteral("XDG_RUNTIME_DIR"))))
                return QString();
            problems << QStringLiteral("cannot open Wayland display %1")
                            .arg(quoted(wayland.isEmpty() ? QStringLiteral("wayland-0") : wayland));
        } else {
            // Offscreen, a frame buffer, VNC …: Qt's choice stands.
            return QString();
        }
    }
    if (named.isEmpty() && x.isEmpty() && wayland.isEmpty())
        return QStringLiteral("cannot open a display: neither DISPLAY nor WAYLAND_DISPLAY is set");
    problems.removeDuplicates();
    return problems.join(QStringLiteral("; "));
}

} // namespace platform
