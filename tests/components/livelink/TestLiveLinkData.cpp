#include "components/livelink/LiveLink.h"
#include "components/livelink/LiveLinkConnectionName.h"
#include "components/livelink/LiveLinkData.h"
#include "components/livelink/LiveLinkItemKey.h"
#include "components/livelink/LiveLinkServerApplication.h"
#include "platform/archive/PropertyList.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Exception.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {

const QString BundleId = QStringLiteral("org.chronark.tests.LiveLinkData");

class LiveLinkDataTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_info = platform::Bundle::mainBundle().infoDictionary();
        platform::Bundle::mainBundle().setInfoDictionary(
            {{QStringLiteral("CFBundleIdentifier"), BundleId},
             {QStringLiteral("LiveLinkApplicationURL"), QStringLiteral("https://www.chronark.org/get")}});
    }
    void TearDown() override
    {
        platform::Bundle::mainBundle().setInfoDictionary(m_info);
        platform::Clock::useSystemClock();
    }

private:
    QVariantMap m_info;
};

QString reasonOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const platform::Exception &exception) {
        EXPECT_EQ(exception.name(), platform::Exception::InvalidArgumentException);
        return exception.reason();
    }
    return QString();
}

} // namespace

TEST_F(LiveLinkDataTest, CreatedDataCarriesTheApplicationAndRefreshRate)
{
    const QVariantMap plain = LiveLinkDataCreate(QStringLiteral("Editor"), QStringLiteral("v1"));
    EXPECT_EQ(plain.value(QStringLiteral("bundleId")).toString(), BundleId);
    EXPECT_EQ(plain.value(QStringLiteral("version")).toString(), QStringLiteral("A"));
    EXPECT_EQ(plain.value(QStringLiteral("serverAppName")).toString(), QStringLiteral("test_components_livelink"));
    EXPECT_EQ(plain.value(QStringLiteral("ApplicationURL")).toString(), QStringLiteral("https://www.chronark.org/get"));
    EXPECT_FALSE(plain.contains(QStringLiteral("serverActionKey")));
    ASSERT_TRUE(plain.contains(QStringLiteral("refresh")));
    EXPECT_EQ(plain.value(QStringLiteral("refresh")).toDouble(), 0.0);
    EXPECT_EQ(LiveLinkData::liveLinkActionName(plain), QStringLiteral("Edit"));
    EXPECT_EQ(LiveLinkData::liveLinkEditMenuTitle(plain), QStringLiteral("Edit in test_components_livelink"));
    EXPECT_TRUE(LiveLinkDataIsFromThisApplication(plain));

    // Through the bytes and back: the same data, "refresh" 0.0 included.
    const std::optional<QVariantMap> read = LiveLinkData::fromBytes(LiveLinkData::toBytes(plain).value());
    ASSERT_TRUE(read);
    EXPECT_EQ(*read, plain);

    const QVariantMap refreshing = LiveLinkData::liveLinkDataWithServerName(QStringLiteral("Editor"), {}, 0.1);
    EXPECT_EQ(LiveLinkData::liveLinkActionName(refreshing), QStringLiteral("Refresh"));
    EXPECT_EQ(LiveLinkData::liveLinkSuggestedRefreshRate(refreshing), double(0.1f));
    EXPECT_FALSE(refreshing.contains(QStringLiteral("appData")));

    QVariantMap foreign = plain;
    foreign.remove(QStringLiteral("bundleId"));
    EXPECT_FALSE(LiveLinkDataIsFromThisApplication(foreign));
    EXPECT_EQ(LiveLinkEditItemsMenuTitle(), QStringLiteral("Edit LiveLink Items"));
    EXPECT_EQ(LiveLinkEditItemMenuTitle(), QStringLiteral("Edit LiveLink Item"));
}

TEST_F(LiveLinkDataTest, BadDataRaisesTheFormatExceptions)
{
    EXPECT_EQ(reasonOf([] { LiveLinkDataCreate(QString(), {}); }),
              QStringLiteral("LiveLink Data cannot be created without a server name."));
    const QString reason = reasonOf([] {
        LiveLink::editLiveLinkData(QVariantMap{{QStringLiteral("serverName"), QStringLiteral("Editor")}},
                                   QStringLiteral("doc"), nullptr, QStringLiteral("never-opened"));
    });
    EXPECT_TRUE(reason.startsWith(QStringLiteral("LiveLinkData is not of the correct format: "))) << qPrintable(reason);
    EXPECT_TRUE(reason.contains(QStringLiteral("Editor")));
    EXPECT_TRUE(reasonOf([] {
                    LiveLink::editLiveLinkData(QByteArray("<plist>"), QStringLiteral("doc"), nullptr,
                                               QStringLiteral("never-opened"));
                }).startsWith(QStringLiteral("LiveLinkData is not of the correct format: ")));
}

TEST_F(LiveLinkDataTest, ItemKeysCountSecondsAndCalls)
{
    // The whole seconds' low 32 bits, and a counter that outgrows four digits.
    EXPECT_EQ(LiveLinkFormatItemKey(QStringLiteral("id"), 819'029'152, 0), QStringLiteral("id30d164a0.0000"));
    EXPECT_EQ(LiveLinkFormatItemKey(QStringLiteral("id"), 5, 0xffff), QStringLiteral("id00000005.ffff"));
    EXPECT_EQ(LiveLinkFormatItemKey(QStringLiteral("id"), 5, 0x10000), QStringLiteral("id00000005.10000"));
    EXPECT_EQ(LiveLinkFormatItemKey(QStringLiteral("id"), qint64(1) << 32 | 7, 1), QStringLiteral("id00000007.0001"));

    const QDateTime reference(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    platform::Clock::setNow(reference.addSecs(819'029'152));
    const QString first = LiveLinkCreateItemKey();
    const QString second = LiveLinkCreateItemKey();
    EXPECT_TRUE(first.startsWith(BundleId + QStringLiteral("30d164a0."))) << qPrintable(first);
    EXPECT_NE(first, second);
    EXPECT_EQ(first.section(u'.', -1).toUInt(nullptr, 16) + 1, second.section(u'.', -1).toUInt(nullptr, 16));

    // A clock in 1999: 31,622,401 seconds before the reference date.
    platform::Clock::setNow(QDateTime(QDate(1999, 12, 31), QTime(23, 59, 59), Qt::UTC));
    EXPECT_TRUE(LiveLinkCreateItemKey().startsWith(BundleId + QStringLiteral("fe1d7aff.")));
}

TEST_F(LiveLinkDataTest, OutsideBytesAreCheckedAndFormatsFilledOnce)
{
    const QVariantMap good{{QStringLiteral("bundleId"), QStringLiteral("org.example.a")},
                           {QStringLiteral("serverName"), QStringLiteral("S")},
                           {QStringLiteral("serverAppName"), QStringLiteral("%@ %1")},
                           {QStringLiteral("serverActionKey"), QStringLiteral("%1 %@")},
                           {QStringLiteral("appData"), QVariantList{1, QStringLiteral("x")}}};
    const auto bytes = [](const QVariant &value) { return platform::PropertyList::write(value).value(); };
    const std::optional<QVariantMap> read = LiveLinkData::fromBytes(bytes(good));
    ASSERT_TRUE(read);
    // The action title and the name are put in as they are, never read as formats.
    EXPECT_EQ(LiveLinkData::liveLinkEditMenuTitle(*read), QStringLiteral("%1 %@ in %@ %1"));

    const auto with = [&](const QString &key, const QVariant &value) {
        QVariantMap changed = good;
        if (value.isValid())
            changed.insert(key, value);
        else
            changed.remove(key);
        return bytes(changed);
    };
    for (const QByteArray &bad : {QByteArray("not a property list"), bytes(QVariantList{good}),
                                  with(QStringLiteral("serverName"), {}), with(QStringLiteral("bundleId"), QString()),
                                  with(QStringLiteral("bundleId"), 7), with(QStringLiteral("refresh"), QStringLiteral("fast")),
                                  with(QStringLiteral("version"), QVariantList{}),
                                  QByteArray(LiveLinkData::MaxBytes + 1, ' ')})
        EXPECT_FALSE(LiveLinkData::fromBytes(bad)) << bad.left(200).constData();
}

TEST(LiveLinkConnectionName, NamesAreValidBusNamesAndDistinct)
{
    const QString longName(300, u'x');
    const QList<QPair<QString, QString>> pairs{
        {QStringLiteral("org.chronark.Chronark"), QStringLiteral("Editor")},
        {QStringLiteral("org.chronark"), QStringLiteral("Chronark.Editor")},
        {QStringLiteral("org.chronark.Chronark.Editor"), QString()},
        {QString(), QString()},
        {QStringLiteral("."), QString()},
        {QString(), QStringLiteral(".")},
        {QStringLiteral("1st.2nd"), QStringLiteral("3")},
        {QStringLiteral("a_b"), QStringLiteral("c")},
        {QStringLiteral("a_5fb"), QStringLiteral("c")},
        {QStringLiteral("a-b"), QStringLiteral("c:d")},
        {QStringLiteral("Bücher.app"), QStringLiteral("Seite ½")},
        {longName, QStringLiteral("Editor")},
        {longName, QStringLiteral("Editor2")},
        {longName + QStringLiteral(".a"), QStringLiteral("b")},
        {QStringLiteral("a"), longName},
        {QStringLiteral("a.b"), QStringLiteral("_h") + QString(64, u'0')},
    };
    QSet<QString> names;
    for (const auto &[bundleId, server] : pairs) {
        const QString name = LiveLinkServerConnectionName(bundleId, server);
        EXPECT_TRUE(LiveLinkConnectionName::isValidBusName(name)) << qPrintable(name);
        names.insert(name);
    }
    EXPECT_EQ(names.size(), pairs.size());
    EXPECT_EQ(LiveLinkServerConnectionName(QStringLiteral("org.chronark.Chronark"), QStringLiteral("Editor")),
              QStringLiteral("org.chronark.Chronark.Editor"));
    EXPECT_EQ(LiveLinkServerConnectionName(QStringLiteral("1st.a"), QStringLiteral("b_c")),
              QStringLiteral("_31st.a.b_5fc"));
}

TEST(LiveLinkServerApplication, ServerListsAndLaunchNames)
{
    EXPECT_TRUE(LiveLinkServerNamesContain(QStringLiteral("Editor"), QStringLiteral("Viewer;Editor;")));
    EXPECT_TRUE(LiveLinkServerNamesContain(QStringLiteral("Editor"), QStringLiteral("Editor")));
    EXPECT_FALSE(LiveLinkServerNamesContain(QStringLiteral("Editor"), QStringLiteral("Editor2")));
    EXPECT_FALSE(LiveLinkServerNamesContain(QStringLiteral("Editor"), QString()));
    for (const QString &refused : {QString(), QStringLiteral("/bin/true"), QStringLiteral("-h"), QStringLiteral(".hidden"),
                                   QStringLiteral("bin/true")})
        EXPECT_FALSE(LiveLinkServerApplication::launch(refused)) << qPrintable(refused);
}
