// What a hostile HTTP answer costs the asking thread: a chunked answer without end
// (2 GiB offered, made as the connection takes it), one of one-byte chunks each with an
// 8 KiB chunk extension (as much offered; 1 KiB of body in 8 MiB read) and header lines
// without end, from a server on a thread of its own. platform::HttpRequest (capped at 1 MiB and at 64 MiB)
// beside Qt's network access manager read the way HttpRequest read before (the cap
// checked on each readyRead, the read buffer unbounded). The asking thread is busy
// (busy_ms) in each pass that brings bytes, as a GUI thread drawing and handling keys is.
// Counters: peak_MiB (resident memory above the start), server_MiB (what the server
// sent before the client closed), refused (1 when the answer was refused).
#include "bench/BenchMain.h"
#include "tests/support/ProcessMemory.h"
#include "platform/network/HttpRequest.h"

#include <QElapsedTimer>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <optional>

namespace {

enum class Answer { EndlessChunks, EndlessHeaders, ExtendedChunks };
enum class Client { HttpRequest1MiB, HttpRequest64MiB, UnboundedManager };

// A server on a thread of its own, so that a busy client thread does not slow it.
class HostileServer
{
public:
    explicit HostileServer(Answer answer)
    {
        m_thread.start();
        m_server = new QTcpServer;
        m_server->listen(QHostAddress::LocalHost, 0);
        m_port = m_server->serverPort();
        m_server->moveToThread(&m_thread);
        QObject::connect(m_server, &QTcpServer::newConnection, m_server, [this, answer] {
            QTcpSocket *socket = m_server->nextPendingConnection();
            const QByteArray head = answer == Answer::EndlessHeaders
                ? QByteArray("HTTP/1.1 200 OK\r\n")
                : QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
            const QByteArray piece = answer == Answer::EndlessChunks
                ? QByteArray("10000\r\n").append(QByteArray(0x10000, 'c')).append("\r\n")
                : answer == Answer::ExtendedChunks
                ? QByteArray("1;").append(QByteArray(8 * 1024 - 2, 'e')).append("\r\nc\r\n")
                : QByteArray("X-Filler: ").append(QByteArray(88, 'h')).append("\r\n");
            const auto pump = [this, socket, piece] {
                while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < (1 << 20)
                       && sent < (qint64(2) << 30)) {
                    socket->write(piece);
                    sent += piece.size();
                }
            };
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, head, pump] {
                socket->readAll();
                if (!socket->property("answered").toBool()) {
                    socket->setProperty("answered", true);
                    socket->write(head);
                    pump();
                }
            });
            QObject::connect(socket, &QTcpSocket::bytesWritten, socket, pump);
            QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
                closed = true;
                socket->deleteLater();
            });
        });
    }
    ~HostileServer()
    {
        QMetaObject::invokeMethod(m_server, [server = m_server] { delete server; }, Qt::BlockingQueuedConnection);
        m_thread.quit();
        m_thread.wait();
    }
    QUrl url() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(m_port)); }

    std::atomic<qint64> sent{0};
    std::atomic<bool> closed{false};

private:
    QThread m_thread;
    QTcpServer *m_server = nullptr;
    quint16 m_port = 0;
};

void busyFor(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
    }
}

void BM_HostileAnswer(benchmark::State &state)
{
    const auto answer = Answer(state.range(0));
    const auto client = Client(state.range(1));
    const int busyMs = int(state.range(2));
    double peak = 0, serverMiB = 0, refused = 0;
    for (auto _ : state) {
        HostileServer server(answer);
        testsupport::resetPeakMemory();
        const double start = testsupport::residentMiB();
        bool done = false;
        QTimer busy; // the thread is busy in every pass while the answer comes
        QObject::connect(&busy, &QTimer::timeout, [&] { busyFor(busyMs); });
        if (busyMs > 0)
            busy.start(0);
        QObject context;
        if (client != Client::UnboundedManager) {
            platform::HttpRequest request(server.url());
            request.setTimeLimit(20000);
            request.setMaxReplyBytes(client == Client::HttpRequest1MiB ? (1 << 20) : (64 << 20));
            request.send(&context, [&](const platform::HttpRequest::Response &response) {
                refused = response.received ? 0 : 1;
                done = true;
            });
        } else {
            auto *manager = new QNetworkAccessManager(&context);
            manager->setProxy(QNetworkProxy::NoProxy);
            QNetworkReply *reply = manager->get(QNetworkRequest(server.url()));
            auto body = std::make_shared<QByteArray>();
            constexpr qsizetype Cap = 1 << 20;
            QObject::connect(reply, &QNetworkReply::readyRead, &context, [reply, body] {
                *body += reply->read(Cap + 1 - body->size());
                if (body->size() > Cap)
                    reply->abort();
            });
            QObject::connect(reply, &QNetworkReply::finished, &context, [&, reply] {
                refused = reply->error() != QNetworkReply::NoError ? 1 : 0;
                done = true;
            });
            QTimer::singleShot(20000, reply, [reply] { reply->abort(); });
        }
        QElapsedTimer waited;
        waited.start();
        while (!done && waited.elapsed() < 30000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        busy.stop();
        while (!server.closed && waited.elapsed() < 40000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        peak = testsupport::peakResidentMiB() - start;
        serverMiB = double(server.sent) / (1 << 20);
    }
    state.counters["peak_MiB"] = peak;
    state.counters["server_MiB"] = serverMiB;
    state.counters["refused"] = refused;
}

} // namespace

BENCHMARK(BM_HostileAnswer)
    ->ArgNames({"answer", "client", "busy_ms"})
    ->ArgsProduct({{int(Answer::EndlessChunks)},
                   {int(Client::HttpRequest1MiB), int(Client::HttpRequest64MiB), int(Client::UnboundedManager)},
                   {0, 20}})
    ->Args({int(Answer::ExtendedChunks), int(Client::HttpRequest1MiB), 0})
    ->Args({int(Answer::EndlessHeaders), int(Client::HttpRequest1MiB), 0})
    ->Args({int(Answer::EndlessHeaders), int(Client::UnboundedManager), 0})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    return 0;
}
