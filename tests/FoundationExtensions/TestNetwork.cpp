#include "FoundationExtensions/NTXNetwork.h"

#include <gtest/gtest.h>

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
