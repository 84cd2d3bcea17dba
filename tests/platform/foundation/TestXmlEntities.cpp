#include "platform/foundation/XmlEntities.h"

#include <gtest/gtest.h>

#include <random>

using namespace platform;

TEST(XmlEntities, EscapesTheFiveInOnePass)
{
    EXPECT_EQ(XmlEntities::escaped(QStringLiteral("a<b>&\"c'")), QStringLiteral("a&lt;b&gt;&amp;&quot;c&apos;"));
    // An entity already in the text is escaped again: its "&" is text.
    EXPECT_EQ(XmlEntities::escaped(QStringLiteral("&amp;")), QStringLiteral("&amp;amp;"));
    EXPECT_EQ(XmlEntities::escaped(QString()), QString());
    EXPECT_EQ(XmlEntities::entity(u'<'), QLatin1String("&lt;"));
    EXPECT_TRUE(XmlEntities::entity(u'a').isEmpty());
}

TEST(XmlEntities, TextWithoutEntitiesStaysShared)
{
    const QString plain = QString::fromUtf8("nothing to escape here \u00e9"); // shared data, not a literal's
    QString copy = plain;
    XmlEntities::escape(copy);
    EXPECT_TRUE(copy.isSharedWith(plain));
    XmlEntities::unescape(copy);
    EXPECT_TRUE(copy.isSharedWith(plain));
}

TEST(XmlEntities, DecodesOnceLeftToRight)
{
    EXPECT_EQ(XmlEntities::unescaped(QStringLiteral("a&gt;b &amp;lt; &quot;q&quot; &apos;")),
              QStringLiteral("a>b &lt; \"q\" '"));
    // Unknown, unfinished and numeric references stay as they stand.
    EXPECT_EQ(XmlEntities::unescaped(QStringLiteral("&nbsp; &lt &#60; &")), QStringLiteral("&nbsp; &lt &#60; &"));
}

TEST(XmlEntities, RandomTextsSurviveTheRoundTrip)
{
    std::mt19937 random(55);
    const char16_t alphabet[] = u"ab&;<>\"'ltgqu\u00e9 ";
    for (int round = 0; round < 500; ++round) {
        QString text;
        const int length = int(random() % 40);
        for (int i = 0; i < length; ++i)
            text.append(QChar(alphabet[random() % (std::size(alphabet) - 1)]));
        const QString escaped = XmlEntities::escaped(text);
        for (const QChar c : escaped)
            ASSERT_TRUE(c != u'<' && c != u'>' && c != u'"' && c != u'\'') << escaped.toStdString();
        ASSERT_EQ(XmlEntities::unescaped(escaped), text) << text.toStdString();
    }
}
