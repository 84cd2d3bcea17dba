// One HTTP request sent without waiting, against a loopback server the test starts:
// the answer arrives in a later pass while the thread keeps serving its event loop;
// a stalled server and one that trickles run into the time limit; a reply past the
// size bound is refused; cancelling or losing the context means no completion.
#include "platform/foundation/HttpRequest.h"
#include "tests/support/LoopbackHttpServer.h"

#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

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
    for (LoopbackHttpServer::Mode mode : {LoopbackHttpServer::Mode::Stall, LoopbackHttpServer::Mode::Trickle}) {
        server.mode = mode;
        HttpRequest request(server.url());
        request.setTimeLimit(600);
        const Sent sent = sendAndWait(request, &context);
        ASSERT_TRUE(sent.response);
        EXPECT_FALSE(sent.response->received);
        EXPECT_TRUE(sent.response->error.contains(QStringLiteral("no answer within 600 ms"))) << sent.response->error.toStdString();
        EXPECT_GT(sent.passesWhileWaiting, 0) << "the thread went on serving its event loop";
        EXPECT_EQ(sent.completions, 1);
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
}

TEST(HttpRequest, CancellingOrLosingTheContextMeansNoCompletion)
{
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

} // namespace
