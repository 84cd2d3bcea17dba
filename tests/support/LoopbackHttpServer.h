#pragma once
// An HTTP server on 127.0.0.1 that a test starts itself, on the test's own thread:
// it keeps every raw request (head and body, read to its Content-Length) and answers
// each in one way: at once, never (a stalled server), or a byte at a time without end
// (a server whose answer trickles in). It counts the connections the client closed.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <memory>

namespace testsupport {

class LoopbackHttpServer : public QObject
{
public:
    enum class Mode {
        Answer,  // status line, Content-Length, body, close
        Stall,   // reads the request and never answers
        Trickle, // status line and a large Content-Length, then one byte every 20 ms
    };

    LoopbackHttpServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] { accept(); });
    }

    bool isListening() const { return m_server.isListening(); }
    QUrl url(const QString &path = QStringLiteral("/cgi")) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }
    // An address where nothing listens (the connection is refused).
    static QUrl refusedUrl()
    {
        QTcpServer closed;
        closed.listen(QHostAddress::LocalHost, 0);
        const quint16 port = closed.serverPort();
        closed.close();
        return QUrl(QStringLiteral("http://127.0.0.1:%1/cgi").arg(port));
    }

    Mode mode = Mode::Answer;
    int status = 200;
    QByteArray body = "ok";
    QList<QByteArray> requests;
    // Bytes of trickled answers sent so far.
    qsizetype trickled = 0;
    // Connections the client closed before the server did.
    int closedByClient = 0;

private:
    void accept()
    {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            auto buffer = std::make_shared<QByteArray>();
            auto answered = std::make_shared<bool>(false);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer, answered] {
                buffer->append(socket->readAll());
                const qsizetype end = buffer->indexOf("\r\n\r\n");
                if (end < 0 || *answered)
                    return;
                qsizetype length = 0;
                for (const QByteArray &line : buffer->left(end).split('\n')) {
                    if (line.toLower().startsWith("content-length:"))
                        length = line.mid(15).trimmed().toLongLong();
                }
                if (buffer->size() < end + 4 + length)
                    return;
                requests.append(*buffer);
                buffer->clear();
                *answered = true;
                answer(socket);
            });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                if (!socket->property("closedByServer").toBool())
                    ++closedByClient;
                socket->deleteLater();
            });
        }
    }

    void answer(QTcpSocket *socket)
    {
        const QByteArray reason = status >= 200 && status <= 299 ? " OK" : " Failed";
        switch (mode) {
        case Mode::Stall:
            return;
        case Mode::Answer:
            socket->write("HTTP/1.1 " + QByteArray::number(status) + reason + "\r\nContent-Type: text/plain\r\n"
                          "Content-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body);
            socket->setProperty("closedByServer", true);
            socket->disconnectFromHost();
            return;
        case Mode::Trickle: {
            socket->write("HTTP/1.1 " + QByteArray::number(status) + reason
                          + "\r\nContent-Type: text/plain\r\nContent-Length: 1000000\r\n\r\n");
            auto *timer = new QTimer(socket);
            QPointer<QTcpSocket> guard(socket);
            connect(timer, &QTimer::timeout, this, [this, guard] {
                if (guard && guard->state() == QAbstractSocket::ConnectedState && trickled < 999999) {
                    guard->write("1");
                    ++trickled;
                }
            });
            timer->start(20);
            return;
        }
        }
    }

    QTcpServer m_server;
};

} // namespace testsupport
