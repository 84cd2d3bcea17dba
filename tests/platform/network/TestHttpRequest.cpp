// One HTTP request sent without waiting, against a loopback server the test starts:
// the answer arrives in a later pass while the thread keeps serving its event loop;
// a stalled server and one that trickles run into the time limit; a reply past the
// size bound is refused; cancelling or losing the context means no completion.
// Hostile servers (an endless chunked answer, one whose chunk extensions carry the
// bytes, endless header lines, a header line without end, a dripping head) are refused
// at their bounds or the time limit, and the connection closes then; every framing of
// an answer is read to its end, and one whose Content-Length fields differ refused.
// Headers that could end their line early (a NUL in a name too) are refused unsent,
// and credentials, their names written in any case, stay with their origin across
// redirects.
#include "platform/network/HttpRequest.h"
#include "tests/support/QtWarningCheck.h"
#include "tests/support/LoopbackHttpServer.h"

#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

using platform::HttpRequest;
using testsupport::LoopbackHttpServer;

namespace {

// Sends and waits (in the test only) for the completion; counts event-loop passes
// that ran meanwhile.
struct Sent
{
    std::optional<HttpRequest::Response> response;
    int completions = 0;
    int passesWhileWaiting = 0;
};

Sent sendAndWait(const HttpRequest &request, QObject *context)
{
    Sent sent;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++sent.passesWhileWaiting; });
    ticker.start(5);
    request.send(context, [&](const HttpRequest::Response &response) {
        ++sent.completions;
        sent.response = response;
    });
    EXPECT_FALSE(sent.response.has_value()) << "the answer comes in a later pass, never during send()";
    EXPECT_TRUE(QTest::qWaitFor([&] { return sent.response.has_value(); }, 30000));
    return sent;
}

TEST(HttpRequest, AnswersArriveInALaterPass)
{
    LoopbackHttpServer server;
    ASSERT_TRUE(server.isListening());
    QObject context;
    server.body = "hello";
    HttpRequest post(server.url(), QByteArrayLiteral("POST"));
    post.setHeader("X-Test", "1");
    post.setHeader("x-test", "2"); // the same header, replaced
    post.setBody("payload");
    const Sent sent = sendAndWait(post, &context);
    ASSERT_TRUE(sent.response);
    EXPECT_TRUE(sent.response->isSuccess());
    EXPECT_EQ(sent.response->body, QByteArray("hello"));
    ASSERT_EQ(server.requests.size(), 1);
    EXPECT_TRUE(server.requests.first().startsWith("POST /cgi HTTP/1.1\r\n"));
    EXPECT_TRUE(server.requests.first().endsWith("\r\n\r\npayload"));
    EXPECT_TRUE(server.requests.first().contains("x-test: 2") || server.requests.first().contains("X-Test: 2"));

    server.status = 404;
    const Sent missing = sendAndWait(HttpRequest(server.url()), &context);
    ASSERT_TRUE(missing.response);
    EXPECT_TRUE(missing.response->received);
    EXPECT_EQ(missing.response->status, 404);
    EXPECT_FALSE(missing.response->isSuccess());

    const Sent refused = sendAndWait(HttpRequest(LoopbackHttpServer::refusedUrl()), &context);
    ASSERT_TRUE(refused.response);
    EXPECT_FALSE(refused.response->received);
    EXPECT_FALSE(refused.response->error.isEmpty());

    // Not an http address: fails without a request, and still in a later pass.
    const Sent ftp = sendAndWait(HttpRequest(QUrl(QStringLiteral("ftp://127.0.0.1/x"))), &context);
    ASSERT_TRUE(ftp.response);
    EXPECT_FALSE(ftp.response->received);
    EXPECT_EQ(ftp.completions, 1);
}

TEST(HttpRequest, StalledAndTricklingServersRunIntoTheTimeLimit)
{
    LoopbackHttpServer server;
    QObject context;
    int closed = 0;
    for (LoopbackHttpServer::Mode mode : {LoopbackHttpServer::Mode::Stall, LoopbackHttpServer::Mode::Trickle,
                                          LoopbackHttpServer::Mode::DrippingHead}) {
        server.mode = mode;
        HttpRequest request(server.url());
        request.setTimeLimit(600);
        const Sent sent = sendAndWait(request, &context);
        ASSERT_TRUE(sent.response);
        EXPECT_FALSE(sent.response->received);
        EXPECT_TRUE(sent.response->error.contains(QStringLiteral("no answer within 600 ms"))) << sent.response->error.toStdString();
        EXPECT_GT(sent.passesWhileWaiting, 0) << "the thread went on serving its event loop";
        EXPECT_EQ(sent.completions, 1);
        // The connection goes with the time limit, not after it.
        ++closed;
        EXPECT_TRUE(QTest::qWaitFor([&] { return server.closedByClient == closed; }, 5000));
    }
    EXPECT_GT(server.trickled, 0);
    EXPECT_EQ(HttpRequest(server.url()).timeLimit(), HttpRequest::DefaultTimeLimitMs);
}

TEST(HttpRequest, RepliesPastTheSizeBoundAreRefused)
{
    LoopbackHttpServer server;
    QObject context;
    server.body = QByteArray(2048, 'x');
    HttpRequest request(server.url());
    request.setMaxReplyBytes(2047);
    Sent sent = sendAndWait(request, &context);
    ASSERT_TRUE(sent.response);
    EXPECT_FALSE(sent.response->received);
    EXPECT_TRUE(sent.response->body.isEmpty());

    request.setMaxReplyBytes(2048); // exactly the bound is read
    sent = sendAndWait(request, &context);
    ASSERT_TRUE(sent.response);
    EXPECT_TRUE(sent.response->isSuccess());
    EXPECT_EQ(sent.response->body.size(), 2048);

    // A trickling answer announcing more than the bound is refused at its head.
    server.mode = LoopbackHttpServer::Mode::Trickle;
    request.setTimeLimit(20000);
    sent = sendAndWait(request, &context);
    ASSERT_TRUE(sent.response);
    EXPECT_TRUE(sent.response->error.contains(QStringLiteral("larger than"))) << sent.response->error.toStdString();
    EXPECT_EQ(HttpRequest(server.url()).maxReplyBytes(), HttpRequest::DefaultMaxReplyBytes);

    // A chunked answer counts what it frames its body with: two bytes of body with
    // 1200 bytes of chunk extensions are past a cap of 1000, with short ones within.
    server.mode = LoopbackHttpServer::Mode::Script;
    for (const int extension : {600, 10}) {
        server.script = [&](const QByteArray &) -> QByteArray {
            const QByteArray chunk = "1;" + QByteArray(extension, 'e') + "\r\nc\r\n";
            return "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + chunk + chunk + "0\r\n\r\n";
        };
        HttpRequest chunked(server.url());
        chunked.setMaxReplyBytes(1000);
        sent = sendAndWait(chunked, &context);
        ASSERT_TRUE(sent.response);
        if (extension == 600) {
            EXPECT_FALSE(sent.response->received);
            EXPECT_TRUE(sent.response->error.contains(QStringLiteral("larger than 1000 bytes")))
                << sent.response->error.toStdString();
        } else {
            EXPECT_TRUE(sent.response->isSuccess()) << sent.response->error.toStdString();
            EXPECT_EQ(sent.response->body, QByteArray("cc"));
        }
    }
}

TEST(HttpRequest, CancellingOrLosingTheContextMeansNoCompletion)
{
    // The exceptions this test provokes are expected to reach the program's nets.
    const testsupport::ExpectedQtWarning expectedExceptions(QStringLiteral("^An exception escaped "));
    LoopbackHttpServer server;
    server.mode = LoopbackHttpServer::Mode::Stall;
    int completions = 0;
    QObject context;
    HttpRequest::Pending pending =
        HttpRequest(server.url()).send(&context, [&](const HttpRequest::Response &) { ++completions; });
    EXPECT_TRUE(pending.isRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests.size() == 1; }));
    pending.cancel();
    EXPECT_FALSE(pending.isRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.closedByClient == 1; })); // the connection went

    auto gone = std::make_unique<QObject>();
    HttpRequest::Pending orphan =
        HttpRequest(server.url()).send(gone.get(), [&](const HttpRequest::Response &) { ++completions; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.requests.size() == 2; }));
    gone.reset();
    EXPECT_FALSE(orphan.isRunning());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.closedByClient == 2; }));
    orphan.cancel(); // harmless
    EXPECT_EQ(completions, 0);

    // A completion that cancels its own request, or throws, ends nothing else.
    server.mode = LoopbackHttpServer::Mode::Answer;
    bool done = false;
    HttpRequest::Pending self;
    self = HttpRequest(server.url()).send(&context, [&](const HttpRequest::Response &) {
        self.cancel();
        done = true;
        throw std::runtime_error("a completion failed");
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }));
    EXPECT_FALSE(self.isRunning());
}

QString errorOf(const Sent &sent)
{
    return sent.response ? sent.response->error : QStringLiteral("no answer");
}

TEST(HttpRequest, EndlessChunkedAnswersStopAtTheCap)
{
    LoopbackHttpServer server; // 2 GiB in 64 KiB chunks, made as the connection takes them
    server.mode = LoopbackHttpServer::Mode::EndlessChunks;
    QObject context;
    int round = 0;
    for (const qsizetype cap : {HttpRequest::DefaultMaxReplyBytes, qsizetype(16) << 20}) {
        server.streamed = 0;
        HttpRequest request(server.url());
        request.setMaxReplyBytes(cap);
        const Sent sent = sendAndWait(request, &context);
        ASSERT_TRUE(sent.response);
        EXPECT_FALSE(sent.response->received);
        EXPECT_TRUE(sent.response->body.isEmpty());
        EXPECT_TRUE(errorOf(sent).contains(QStringLiteral("larger than %1 bytes").arg(cap))) << errorOf(sent).toStdString();
        ++round;
        EXPECT_TRUE(QTest::qWaitFor([&] { return server.closedByClient == round; }, 5000));
        // The answer was taken no further than the cap and what the connection held.
        EXPECT_LT(server.streamed, cap + (qint64(32) << 20));
    }

    // One byte of body in each 8 KiB read: the chunks' extensions count against the
    // cap like their bytes, so the answer stops after about a MiB read, not 8 GiB.
    server.mode = LoopbackHttpServer::Mode::ExtendedChunks;
    server.streamed = 0;
    HttpRequest request(server.url());
    request.setTimeLimit(60000);
    const Sent sent = sendAndWait(request, &context);
    ASSERT_TRUE(sent.response);
    EXPECT_FALSE(sent.response->received);
    EXPECT_TRUE(errorOf(sent).contains(QStringLiteral("larger than %1 bytes").arg(HttpRequest::DefaultMaxReplyBytes)))
        << errorOf(sent).toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.closedByClient == round + 1; }, 5000));
    EXPECT_LT(server.streamed, HttpRequest::DefaultMaxReplyBytes + (qint64(32) << 20));
}

// An answer whose head has that many header lines of that many bytes each.
QByteArray answerWithHead(int lines, qsizetype lineBytes)
{
    QByteArray text;
    text.append("HTTP/1.1 200 OK\r\n");
    for (int i = 0; i < lines; ++i) {
        const QByteArray name = QByteArray("X-").append(QByteArray::number(i)).append(": ");
        text.append(name).append(QByteArray(lineBytes - name.size(), 'v')).append("\r\n");
    }
    text.append("Content-Length: 2\r\n\r\nok");
    return text;
}

TEST(HttpRequest, EndlessHeadsAreRefusedAtTheirBounds)
{
    LoopbackHttpServer server;
    QObject context;
    server.mode = LoopbackHttpServer::Mode::EndlessHeaders;
    Sent sent = sendAndWait(HttpRequest(server.url()), &context);
    EXPECT_FALSE(sent.response->received);
    EXPECT_TRUE(errorOf(sent).contains(QStringLiteral("more than 100 header lines"))) << errorOf(sent).toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.closedByClient == 1; }, 5000));

    server.mode = LoopbackHttpServer::Mode::EndlessHeaderLine;
    server.streamed = 0;
    sent = sendAndWait(HttpRequest(server.url()), &context);
    EXPECT_FALSE(sent.response->received);
    EXPECT_TRUE(errorOf(sent).contains(QStringLiteral("header line longer than 8192 bytes"))) << errorOf(sent).toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.closedByClient == 2; }, 5000));
    EXPECT_LT(server.streamed, qint64(32) << 20);

    // At the bounds the head is read; one past them it is refused.
    server.mode = LoopbackHttpServer::Mode::Script;
    struct Case
    {
        int lines;
        qsizetype lineBytes;
        const char *refusal; // none: read
    };
    for (const Case &c : {Case{HttpRequest::MaxHeaderLines - 1, 100, nullptr}, // with Content-Length: 100 fields
                          Case{HttpRequest::MaxHeaderLines, 100, "more than 100 header lines"},
                          Case{1, HttpRequest::MaxHeaderLineBytes, nullptr},
                          Case{1, HttpRequest::MaxHeaderLineBytes + 1, "header line longer than 8192 bytes"},
                          Case{7, HttpRequest::MaxHeaderLineBytes, nullptr},
                          Case{8, HttpRequest::MaxHeaderLineBytes, "head larger than 65536 bytes"}}) {
        server.script = [&](const QByteArray &) { return answerWithHead(c.lines, c.lineBytes); };
        sent = sendAndWait(HttpRequest(server.url()), &context);
        ASSERT_TRUE(sent.response);
        if (!c.refusal) {
            EXPECT_TRUE(sent.response->isSuccess()) << c.lines << " " << c.lineBytes << " " << errorOf(sent).toStdString();
            EXPECT_EQ(sent.response->body, QByteArray("ok"));
        } else {
            EXPECT_FALSE(sent.response->received) << c.lines << " " << c.lineBytes;
            EXPECT_TRUE(errorOf(sent).contains(QLatin1String(c.refusal))) << errorOf(sent).toStdString();
        }
    }
}

TEST(HttpRequest, EveryFramingIsReadToItsEnd)
{
    LoopbackHttpServer server;
    server.mode = LoopbackHttpServer::Mode::Script;
    QObject context;
    struct Case
    {
        const char *name;
        QByteArray answer;
        QByteArray body; // expected when read
        const char *refusal;
    };
    const QByteArray big(HttpRequest::ReadBufferBytes + 70000, 'b'); // more than one pass reads
    const QList<Case> cases = {
        {"chunked, with an extension and a trailer",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5;x=y\r\nhello\r\n1\r\n \r\n5\r\nworld\r\n0\r\n"
         "X-Trailer: t\r\n\r\n",
         "hello world", nullptr},
        {"chunked, one chunk larger than a pass",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + QByteArray::number(big.size(), 16) + "\r\n" + big
             + "\r\n0\r\n\r\n",
         big, nullptr},
        {"chunked, more chunks than header lines",
         "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + QByteArray("1\r\nc\r\n").repeated(300) + "0\r\n\r\n",
         QByteArray(300, 'c'), nullptr},
        {"until the connection closes", "HTTP/1.0 200 OK\r\n\r\n" + big, big, nullptr},
        {"after a 100 Continue", "HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 200 OK\r\nContent-Length: 3\r\n\r\nabc", "abc",
         nullptr},
        {"line ends without carriage returns", "HTTP/1.1 200 OK\nContent-Length: 3\n\nxyz", "xyz", nullptr},
        {"no content", "HTTP/1.1 204 No Content\r\n\r\n", "", nullptr},
        {"a chunk announced past the cap", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n7fffffff\r\nx", "",
         "larger than"},
        {"a chunk size without end", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n" + QByteArray(9000, '0'), "",
         "header line longer"},
        {"a malformed chunk size", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\n", "", "chunk size"},
        {"two Content-Length fields that agree", "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 3\r\n\r\nabc",
         "abc", nullptr},
        {"a Content-Length listing one length twice", "HTTP/1.1 200 OK\r\nContent-Length: 3, 3\r\n\r\nabc", "abc",
         nullptr},
        {"two Content-Length fields that differ",
         "HTTP/1.1 200 OK\r\nContent-Length: 3\r\nContent-Length: 10\r\n\r\nabcdefghij", "", "Content-Length"},
        {"a Content-Length listing two lengths", "HTTP/1.1 200 OK\r\nContent-Length: 10, 3\r\n\r\nabcdefghij", "",
         "Content-Length"},
        {"a Content-Length with a sign", "HTTP/1.1 200 OK\r\nContent-Length: +3\r\n\r\nabc", "", "Content-Length"},
        {"chunked, whatever Content-Length says",
         "HTTP/1.1 200 OK\r\nContent-Length: 1\r\nTransfer-Encoding: chunked\r\nContent-Length: 2\r\n\r\n"
         "3\r\nabc\r\n0\r\n\r\n",
         "abc", nullptr},
        {"cut before its length", "HTTP/1.1 200 OK\r\nContent-Length: 10\r\n\r\nshort", "", "before the answer's end"},
        {"cut inside a chunk", "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n10\r\nshort", "",
         "before the answer's end"},
        {"not HTTP", "SSH-2.0-OpenSSH\r\n\r\n", "", "not an HTTP answer"},
        {"nothing", "", "", "without an answer"},
    };
    for (const Case &c : cases) {
        server.script = [&](const QByteArray &) { return c.answer; };
        HttpRequest request(server.url());
        request.setMaxReplyBytes(4 * HttpRequest::ReadBufferBytes);
        const Sent sent = sendAndWait(request, &context);
        ASSERT_TRUE(sent.response) << c.name;
        if (!c.refusal) {
            EXPECT_TRUE(sent.response->isSuccess()) << c.name << ": " << errorOf(sent).toStdString();
            EXPECT_EQ(sent.response->body, c.body) << c.name;
        } else {
            EXPECT_FALSE(sent.response->received) << c.name;
            EXPECT_TRUE(errorOf(sent).contains(QLatin1String(c.refusal))) << c.name << ": " << errorOf(sent).toStdString();
        }
    }

    // A HEAD answer has no body whatever its length says.
    server.script = [](const QByteArray &) { return QByteArray("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\n"); };
    const Sent head = sendAndWait(HttpRequest(server.url(), "HEAD"), &context);
    ASSERT_TRUE(head.response);
    EXPECT_TRUE(head.response->isSuccess()) << errorOf(head).toStdString();
    EXPECT_TRUE(server.requests.last().startsWith("HEAD /cgi HTTP/1.1\r\n"));
}

TEST(HttpRequest, RedirectsAreFollowedWithinTheirBound)
{
    LoopbackHttpServer server;
    server.mode = LoopbackHttpServer::Mode::Script;
    QObject context;
    // /hop/N sends to /hop/N-1; /hop/0 answers; a POST answered by 303 goes on as a GET.
    server.script = [&](const QByteArray &request) -> QByteArray {
        const QByteArray path = request.split(' ').value(1);
        if (path.startsWith("/hop/")) {
            const int n = path.mid(5).toInt();
            if (n > 0)
                return "HTTP/1.1 302 Found\r\nLocation: /hop/" + QByteArray::number(n - 1) + "\r\nContent-Length: 0\r\n\r\n";
            return "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nhome";
        }
        if (path == "/see-other")
            return "HTTP/1.1 303 See Other\r\nLocation: " + server.url(QStringLiteral("/hop/0")).toEncoded() + "\r\n\r\n";
        return "HTTP/1.1 301 Moved\r\nLocation: ftp://127.0.0.1/x\r\n\r\n";
    };
    Sent sent = sendAndWait(HttpRequest(server.url(QStringLiteral("/hop/5"))), &context);
    EXPECT_TRUE(sent.response->isSuccess()) << errorOf(sent).toStdString();
    EXPECT_EQ(sent.response->body, QByteArray("home"));
    EXPECT_EQ(server.requests.size(), 6);

    sent = sendAndWait(HttpRequest(server.url(QStringLiteral("/hop/6"))), &context);
    EXPECT_FALSE(sent.response->received);
    EXPECT_TRUE(errorOf(sent).contains(QStringLiteral("more than 5 redirects"))) << errorOf(sent).toStdString();

    HttpRequest post(server.url(QStringLiteral("/see-other")), "POST");
    post.setBody("form");
    sent = sendAndWait(post, &context);
    EXPECT_TRUE(sent.response->isSuccess()) << errorOf(sent).toStdString();
    EXPECT_TRUE(server.requests.last().startsWith("GET /hop/0 HTTP/1.1\r\n"));
    EXPECT_FALSE(server.requests.last().endsWith("form"));

    sent = sendAndWait(HttpRequest(server.url(QStringLiteral("/elsewhere"))), &context);
    EXPECT_FALSE(sent.response->received);
    EXPECT_TRUE(errorOf(sent).contains(QStringLiteral("less safe"))) << errorOf(sent).toStdString();
}

// A header whose name is no token or whose value holds a control character would
// end its line early: a header, or a request of its own, could be smuggled in after
// it. The request fails without being sent, delivered like any failure; a tab and
// bytes past ASCII in a value are sent as they stand.
TEST(HttpRequest, HeadersThatCouldEndTheirLineAreRefusedAndNothingIsSent)
{
    LoopbackHttpServer server;
    QObject context;
    const struct
    {
        QByteArray name;
        QByteArray value;
    } refused[] = {
        {"X-Note", "a\r\nX-Injected: 1"},
        {"X-Note", "a\r\n\r\nGET /smuggled HTTP/1.1\r\nHost: 127.0.0.1"},
        {"X-Note", "a\nb"},
        {"X-Note", "a\rb"},
        {"X-Note", QByteArray("a\0b", 3)},
        {"X-Note", "a\x7f"},
        {"X-Note\r\nX-Injected", "1"},
        {"X-Note: 1\r\nX", "1"},
        {"X Note", "1"},
        {QByteArray("X\0Note", 7), "1"},
        {QByteArray("\0", 1), "1"},
        {"", "1"},
    };
    for (const auto &header : refused) {
        SCOPED_TRACE(header.name.toPercentEncoding().toStdString() + " " + header.value.toPercentEncoding().toStdString());
        HttpRequest request(server.url());
        request.setHeader("User-Agent", "Chronark");
        request.setHeader(header.name, header.value);
        request.setHeader("X-Later", "fine"); // the refusal holds
        const Sent sent = sendAndWait(request, &context);
        ASSERT_TRUE(sent.response);
        EXPECT_FALSE(sent.response->received);
        EXPECT_TRUE(errorOf(sent).contains(QStringLiteral("header"))) << errorOf(sent).toStdString();
        EXPECT_EQ(sent.completions, 1);
    }
    EXPECT_TRUE(server.requests.isEmpty());

    HttpRequest request(server.url());
    request.setHeader("X-Note", "tab\tand \xc3\xa9");
    const Sent sent = sendAndWait(request, &context);
    ASSERT_TRUE(sent.response);
    EXPECT_TRUE(sent.response->isSuccess()) << errorOf(sent).toStdString();
    ASSERT_EQ(server.requests.size(), 1);
    EXPECT_TRUE(server.requests.first().contains("\r\nX-Note: tab\tand \xc3\xa9\r\n"));
}

// Whether the head of a raw request has the header (any case).
bool hasHeader(const QByteArray &request, const QByteArray &name)
{
    return request.left(request.indexOf("\r\n\r\n") + 2).toLower().contains(QByteArray("\r\n" + name.toLower() + ':'));
}

// The caller's credentials and the person's identity go only to the origin they
// were set for: a redirect to another port (another origin) leaves them behind,
// and a redirect back does not bring them again. Other headers go everywhere, and
// a redirect within the origin keeps everything.
TEST(HttpRequest, CredentialsStayWithTheirOriginAcrossRedirects)
{
    LoopbackHttpServer first;
    LoopbackHttpServer second;
    first.mode = second.mode = LoopbackHttpServer::Mode::Script;
    QObject context;
    const auto redirect = [](const QUrl &to) -> QByteArray {
        return "HTTP/1.1 302 Found\r\nLocation: " + to.toEncoded() + "\r\nContent-Length: 0\r\n\r\n";
    };
    const QByteArray done = "HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\ndone";
    // /same: on within the first server; /away: to the second; /back: the second
    // sends back to the first.
    first.script = [&](const QByteArray &request) -> QByteArray {
        const QByteArray path = request.split(' ').value(1);
        if (path == "/same")
            return redirect(first.url(QStringLiteral("/end")));
        if (path == "/away" || path == "/round")
            return redirect(second.url(path == "/away" ? QStringLiteral("/end") : QStringLiteral("/back")));
        return done;
    };
    second.script = [&](const QByteArray &request) -> QByteArray {
        if (request.split(' ').value(1) == "/back")
            return redirect(first.url(QStringLiteral("/end")));
        return done;
    };
    const QByteArray credentials[] = {"Authorization", "Proxy-Authorization", "Cookie", "Cookie2", "From"};
    const QByteArray others[] = {"User-Agent", "Accept-Language", "X-Custom"};
    const struct
    {
        const char *path;
        int firstRequests, secondRequests; // requests each server sees
        bool credentialsAtTheEnd;
    } cases[] = {
        {"/same", 2, 0, true},
        {"/away", 1, 1, false},
        {"/round", 2, 1, false},
    };
    // Header names are the same in any case: each case of them is tried.
    const std::function<QByteArray(const QByteArray &)> spellings[] = {
        [](const QByteArray &name) { return name.toLower(); },
        [](const QByteArray &name) { return name; },
        [](const QByteArray &name) { return name.toUpper(); },
    };
    for (const auto &spelling : spellings) {
        for (const auto &c : cases) {
            SCOPED_TRACE(c.path + (" as " + spelling("Authorization").toStdString()));
            first.requests.clear();
            second.requests.clear();
            HttpRequest request(first.url(QString::fromLatin1(c.path)));
            for (const QByteArray &name : credentials)
                request.setHeader(spelling(name), "secret");
            for (const QByteArray &name : others)
                request.setHeader(name, "value");
            const Sent sent = sendAndWait(request, &context);
            ASSERT_TRUE(sent.response);
            EXPECT_TRUE(sent.response->isSuccess()) << errorOf(sent).toStdString();
            ASSERT_EQ(first.requests.size(), c.firstRequests);
            ASSERT_EQ(second.requests.size(), c.secondRequests);
            // The first request has everything; the one at the end what its origin may have.
            const QByteArray last = c.path == QByteArray("/away") ? second.requests.last() : first.requests.last();
            for (const QByteArray &name : credentials) {
                EXPECT_TRUE(hasHeader(first.requests.first(), name)) << name.constData();
                EXPECT_EQ(hasHeader(last, name), c.credentialsAtTheEnd) << name.constData();
                for (const QByteArray &atSecond : std::as_const(second.requests))
                    EXPECT_FALSE(hasHeader(atSecond, name)) << name.constData();
            }
            for (const QByteArray &name : others)
                EXPECT_TRUE(hasHeader(last, name)) << name.constData();
        }
    }
}

} // namespace
