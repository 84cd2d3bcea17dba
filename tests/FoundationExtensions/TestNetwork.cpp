#include "FoundationExtensions/NTXNetwork.h"

#include <QObject>
#include <QTest>

#include <gtest/gtest.h>
#include <optional>

// Only names that resolve without the outside network are asked.
TEST(Network, LoopbackIsReachable)
{
    EXPECT_TRUE(NTXNetwork::checkIfSiteReachable(QStringLiteral("localhost")));
    EXPECT_TRUE(NTXNetwork::checkIfSiteReachable(QStringLiteral("127.0.0.1")));
}

TEST(Network, NamesThatCannotResolveAreUnreachable)
{
    EXPECT_FALSE(NTXNetwork::checkIfSiteReachable(QString()));
    EXPECT_FALSE(NTXNetwork::checkIfSiteReachable(QStringLiteral("nothing.invalid")));
    EXPECT_FALSE(NTXNetwork::checkIfSiteReachable(QStringLiteral("NOTHING.Invalid.")));
    // No ASCII form: a label longer than 63 characters cannot be written in DNS.
    EXPECT_FALSE(NTXNetwork::checkIfSiteReachable(QString(70, QChar(0xE9)) + QStringLiteral(".example")));
    EXPECT_FALSE(NTXNetwork::checkIfSiteReachable(QStringLiteral("bad host name")));
}

// The same answers without blocking: always in a later pass of the event loop.
TEST(Network, AsynchronousCheckAnswersLater)
{
    const struct {
        QString host;
        bool reachable;
    } cases[] = {
        {QStringLiteral("localhost"), true},
        {QStringLiteral("127.0.0.1"), true},
        {QString(), false},
        {QStringLiteral("nothing.invalid"), false},
        {QStringLiteral("bad host name"), false},
    };
    for (const auto &c : cases) {
        QObject context;
        std::optional<bool> answer;
        NTXNetwork::checkIfSiteReachable(c.host, &context, [&](bool reachable) { answer = reachable; });
        EXPECT_FALSE(answer.has_value()) << c.host.toStdString();
        EXPECT_TRUE(QTest::qWaitFor([&] { return answer.has_value(); }, 10000)) << c.host.toStdString();
        EXPECT_EQ(answer.value_or(!c.reachable), c.reachable) << c.host.toStdString();
    }

    // No answer reaches a context that is gone (answers come in order: once the
    // later one is in, the earlier would have been).
    bool answered = false;
    {
        QObject gone;
        NTXNetwork::checkIfSiteReachable(QStringLiteral("nothing.invalid"), &gone, [&](bool) { answered = true; });
    }
    QObject context;
    bool later = false;
    NTXNetwork::checkIfSiteReachable(QStringLiteral("nothing.invalid"), &context, [&](bool) { later = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return later; }, 10000));
    EXPECT_FALSE(answered);
}
