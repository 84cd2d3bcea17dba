#pragma once
// An HTTP server on 127.0.0.1 that a test starts itself, on the test's own thread:
// it keeps every raw request (head and body, read to its Content-Length) and answers
// each in one way: at once, never (a stalled server), or a byte at a time without end
// (a server whose answer trickles in), by a script of the test, or as a hostile server
// would: a chunked answer without end, one of one-byte chunks each with an 8 KiB
// chunk extension, header lines without end, one header line without end, a head
// that drips. Endless answers are made as the connection takes
// them (never held whole), up to streamLimit bytes. It counts the connections the
// client closed and the bytes of endless answers it sent.
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <functional>
#include <memory>

namespace testsupport {

class LoopbackHttpServer : public QObject
{
public:
    enum class Mode {
        Answer,  // status line, Content-Length, body, close
        Stall,   // reads the request and never answers
        Trickle, // status line and a large Content-Length, then one byte every 20 ms
        Script,  // what script() answers to the request, then close
        EndlessChunks,      // a chunked answer of 64 KiB chunks
        ExtendedChunks,     // a chunked answer of one-byte chunks with 8 KiB extensions
        EndlessHeaders,     // the status line, then header lines of 100 bytes
        EndlessHeaderLine,  // the status line, then one header line that never ends
        DrippingHead,       // the status line and one header line, a byte every 20 ms
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
    std::function<QByteArray(const QByteArray &request)> script;
    qint64 streamLimit = qint64(2) << 30;
    // Bytes of endless answers written so far.
    qint64 streamed = 0;
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
        case Mode::Script:
            socket->write(script(requests.last()));
            socket->setProperty("closedByServer", true);
            socket->disconnectFromHost();
            return;
        case Mode::EndlessChunks:
            stream(socket, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n",
                   "10000\r\n" + QByteArray(0x10000, 'c') + "\r\n");
            return;
        case Mode::ExtendedChunks:
            stream(socket, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n",
                   "1;" + QByteArray(8 * 1024 - 2, 'e') + "\r\nc\r\n");
            return;
        case Mode::EndlessHeaders:
            stream(socket, "HTTP/1.1 200 OK\r\n", "X-Filler: " + QByteArray(88, 'h') + "\r\n");
            return;
        case Mode::EndlessHeaderLine:
            stream(socket, "HTTP/1.1 200 OK\r\nX-Long: ", QByteArray(0x10000, 'l'));
            return;
        case Mode::DrippingHead: {
            socket->write("HTTP/1.1 200 OK\r\nX-Drip: ");
            auto *timer = new QTimer(socket);
            QPointer<QTcpSocket> guard(socket);
            connect(timer, &QTimer::timeout, this, [this, guard] {
                if (guard && guard->state() == QAbstractSocket::ConnectedState && trickled < 100000) {
                    guard->write("d");
                    ++trickled;
                }
            });
            timer->start(20);
            return;
        }
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

    // Writes the head, then the piece again and again as the connection takes it: at
    // most a few pieces wait in the socket at any time.
    void stream(QTcpSocket *socket, const QByteArray &head, const QByteArray &piece)
    {
        socket->write(head);
        QPointer<QTcpSocket> guard(socket);
        const auto pump = [this, guard, piece] {
            while (guard && guard->state() == QAbstractSocket::ConnectedState && guard->bytesToWrite() < 4 * piece.size()
                   && streamed < streamLimit) {
                guard->write(piece);
                streamed += piece.size();
            }
        };
        connect(socket, &QTcpSocket::bytesWritten, this, pump);
        pump();
    }

    QTcpServer m_server;
};

} // namespace testsupport
