#include "platform/foundation/UserDefaults.h"

#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/RegularFile.h"
#include "tests/support/PipeOpener.h"
#include "tests/support/QtWarningCheck.h"
#include "tests/support/TestSupport.h"

#include <QDateTime>
#include <QDir>
#include <QSettings>
#include <QFileInfo>
#include <QLockFile>
#include <QPointF>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <limits>
#include <memory>

using platform::Notification;
using platform::NotificationCenter;
using platform::UserDefaults;

namespace {

class UserDefaultsTest : public ::testing::Test
{
protected:
    QString path() const { return m_dir.path() + QStringLiteral("/Chronark/Chronark.conf"); }
    QTemporaryDir m_dir;
};

TEST_F(UserDefaultsTest, UserValuesOverRegisteredDefaults)
{
    UserDefaults d(path());
    d.registerDefaults({{QStringLiteral("AutoSaveTimer"), 5}, {QStringLiteral("StartSound"), QStringLiteral("Glass")}});
    d.registerDefaults({{QStringLiteral("AutoSaveTimer"), 10}}); // merged, replaces the key
    EXPECT_EQ(d.integerForKey(QStringLiteral("AutoSaveTimer")), 10);
    EXPECT_EQ(d.stringForKey(QStringLiteral("StartSound")), QStringLiteral("Glass"));
    EXPECT_FALSE(d.objectForKey(QStringLiteral("Missing")).isValid());

    d.setInteger(2, QStringLiteral("AutoSaveTimer"));
    EXPECT_EQ(d.integerForKey(QStringLiteral("AutoSaveTimer")), 2);
    d.removeObjectForKey(QStringLiteral("AutoSaveTimer"));
    EXPECT_EQ(d.integerForKey(QStringLiteral("AutoSaveTimer")), 10);
    d.setObject(QVariant(), QStringLiteral("StartSound")); // nothing: no user value
    EXPECT_EQ(d.stringForKey(QStringLiteral("StartSound")), QStringLiteral("Glass"));
    EXPECT_TRUE(d.persistentValues().isEmpty());
    EXPECT_EQ(d.dictionaryRepresentation().size(), 2);
}

TEST_F(UserDefaultsTest, ValuesKeepTheirTypeAcrossRestart)
{
    const QDateTime when(QDate(2011, 10, 30), QTime(2, 30, 15, 250), Qt::OffsetFromUTC, 7200);
    const QByteArray bytes("\x00\x01@ByteArray(\xff)\n,", 17);
    const QVariantMap values{
        {QStringLiteral("int"), 42},
        {QStringLiteral("long"), qlonglong(1) << 40},
        {QStringLiteral("double"), 0.1},
        {QStringLiteral("float"), 1.1f},
        {QStringLiteral("bool"), true},
        {QStringLiteral("plain"), QStringLiteral("Glass")},
        {QStringLiteral("commas"), QStringLiteral("a, b, c")},
        {QStringLiteral("looksTagged"), QStringLiteral("@ByteArray(x)")},
        {QStringLiteral("looksJson"), QStringLiteral("{\"int\":\"5\"}")},
        {QStringLiteral("numberText"), QStringLiteral("12")},
        {QStringLiteral("empty"), QString(QLatin1String(""))},
        {QStringLiteral("lines"), QStringLiteral("line 1\nline 2\t\"quoted\" ; # = [x]")},
        {QStringLiteral("unicode"), QStringLiteral("Zeit \u2026 \U0001F552")},
        {QStringLiteral("data"), bytes},
        {QStringLiteral("date"), when},
        {QStringLiteral("strings"), QStringList({"UTF-8", "ISO-8859-1"})},
        {QStringLiteral("list"), QVariantList({1, QStringLiteral("two"), QVariantList({3.5, false})})},
        {QStringLiteral("map"), QVariantMap({{"width", 120}, {"id", QStringLiteral("outlineName")},
                                             {"nested", QVariantMap({{"k", QByteArray("v")}})}})},
    };
    {
        UserDefaults d(path());
        for (auto it = values.begin(); it != values.end(); ++it)
            ASSERT_TRUE(d.setObject(it.value(), it.key())) << qPrintable(it.key());
        EXPECT_TRUE(d.synchronize());
    }
    ASSERT_TRUE(QFileInfo::exists(path()));
    UserDefaults reread(path());
    for (auto it = values.begin(); it != values.end(); ++it) {
        const QVariant v = reread.objectForKey(it.key());
        EXPECT_EQ(v.typeId(), it.value().typeId()) << qPrintable(it.key());
        EXPECT_EQ(v, it.value()) << qPrintable(it.key());
    }
    EXPECT_EQ(reread.objectForKey(QStringLiteral("date")).toDateTime().offsetFromUtc(), 7200);
    EXPECT_EQ(reread.dataForKey(QStringLiteral("data")), bytes);
}

TEST_F(UserDefaultsTest, KeysRoundTripExactly)
{
    const QStringList keys{QStringLiteral("NSWindow Frame ChronarkPreferenceWindowController"),
                           QStringLiteral("a/b"), QStringLiteral("/leading//double/"), QStringLiteral("back\\slash"),
                           QStringLiteral("%2F"), QStringLiteral("%"), QString(QLatin1String("")),
                           QStringLiteral("AllwaysMutely"), QStringLiteral("allwaysmutely"),
                           QStringLiteral("General"), QStringLiteral("[General]"), QStringLiteral("#not a comment"),
                           QStringLiteral("key = value; x"), QStringLiteral("Größe \u00e9\u4e2d")};
    {
        UserDefaults d(path());
        for (int i = 0; i < keys.size(); ++i)
            d.setInteger(i, keys.at(i));
    }
    UserDefaults reread(path());
    const QVariantMap stored = reread.persistentValues();
    EXPECT_EQ(stored.size(), keys.size());
    for (int i = 0; i < keys.size(); ++i)
        EXPECT_EQ(reread.integerForKey(keys.at(i)), i) << qPrintable(keys.at(i));
    reread.removeObjectForKey(QStringLiteral("a/b"));
    reread.synchronize();
    UserDefaults third(path());
    EXPECT_FALSE(third.objectForKey(QStringLiteral("a/b")).isValid());
    EXPECT_EQ(third.persistentValues().size(), keys.size() - 1);
}

TEST_F(UserDefaultsTest, TypedAccessorsConvertLikeCocoa)
{
    UserDefaults d(path());
    d.registerDefaults({
        {"yes", QStringLiteral("YES")}, {"Yes", QStringLiteral("Yes")}, {"true", QStringLiteral("TRUE")},
        {"one", QStringLiteral("1")}, {"seven", QStringLiteral(" 7 dwarves")}, {"zero", QStringLiteral("0")},
        {"no", QStringLiteral("no")}, {"two", 2}, {"half", 0.5}, {"nought", 0.0}, {"neg", QStringLiteral("-12.75e1x")},
        {"big", 1e300}, {"list", QStringList({"a", "b"})}, {"mixed", QVariantList({"a", 1})},
        {"data", QByteArray("raw")}, {"flag", true},
    });
    EXPECT_TRUE(d.boolForKey("yes"));
    EXPECT_TRUE(d.boolForKey("Yes"));
    EXPECT_TRUE(d.boolForKey("true"));
    EXPECT_TRUE(d.boolForKey("one"));
    EXPECT_TRUE(d.boolForKey("seven"));
    EXPECT_FALSE(d.boolForKey("zero"));
    EXPECT_FALSE(d.boolForKey("no"));
    EXPECT_TRUE(d.boolForKey("two"));
    EXPECT_TRUE(d.boolForKey("half"));
    EXPECT_FALSE(d.boolForKey("nought"));
    EXPECT_FALSE(d.boolForKey("missing"));
    EXPECT_FALSE(d.boolForKey("list"));

    EXPECT_EQ(d.integerForKey("seven"), 7);
    EXPECT_EQ(d.integerForKey("half"), 0);
    EXPECT_EQ(d.integerForKey("neg"), -12);
    EXPECT_EQ(d.integerForKey("flag"), 1);
    EXPECT_EQ(d.integerForKey("big"), std::numeric_limits<qint64>::max());
    EXPECT_EQ(d.integerForKey("data"), 0);
    EXPECT_DOUBLE_EQ(d.doubleForKey("neg"), -127.5);
    EXPECT_DOUBLE_EQ(d.doubleForKey("two"), 2.0);
    EXPECT_FLOAT_EQ(d.floatForKey("half"), 0.5f);
    EXPECT_EQ(d.doubleForKey("no"), 0.0);

    EXPECT_EQ(d.stringForKey("two"), QStringLiteral("2"));
    EXPECT_EQ(d.stringForKey("half"), QStringLiteral("0.5"));
    EXPECT_EQ(d.stringForKey("flag"), QStringLiteral("1"));
    EXPECT_TRUE(d.stringForKey("list").isNull());
    EXPECT_TRUE(d.stringForKey("data").isNull());

    EXPECT_EQ(d.arrayForKey("list"), QVariantList({"a", "b"}));
    EXPECT_EQ(d.stringArrayForKey("list"), QStringList({"a", "b"}));
    EXPECT_TRUE(d.stringArrayForKey("mixed").isEmpty());
    EXPECT_EQ(d.arrayForKey("mixed").size(), 2);
    EXPECT_TRUE(d.arrayForKey("yes").isEmpty());
    EXPECT_TRUE(d.dictionaryForKey("list").isEmpty());
    EXPECT_EQ(d.dataForKey("data"), QByteArray("raw"));
    EXPECT_TRUE(d.dataForKey("yes").isEmpty());
}

TEST_F(UserDefaultsTest, EveryChangePostsDidChange)
{
    UserDefaults d(path());
    QObject observer;
    int posts = 0;
    NotificationCenter::defaultCenter().addObserver(&observer, UserDefaults::DidChangeNotification, nullptr,
                                                    [&](const Notification &n) {
                                                        EXPECT_EQ(n.object, nullptr);
                                                        ++posts;
                                                    });
    d.setBool(true, QStringLiteral("ShowChronarkMenu"));
    d.setBool(true, QStringLiteral("ShowChronarkMenu"));
    d.setString(QStringLiteral("Ping"), QStringLiteral("TimerSound"));
    d.removeObjectForKey(QStringLiteral("TimerSound"));
    EXPECT_EQ(posts, 4);
    EXPECT_EQ(d.setObject(QVariant(QPointF(1, 2)), QStringLiteral("ShowChronarkMenu")), false);
    EXPECT_EQ(posts, 4);
    EXPECT_TRUE(d.boolForKey(QStringLiteral("ShowChronarkMenu")));
}

TEST_F(UserDefaultsTest, SynchronizeSeesOtherWritersAndHandEditedFiles)
{
    ASSERT_TRUE(testsupport::writeFile(path(), "[General]\nAutoSaveTimer=5\nEncodings=4, 5\n"));
    {
        QSettings other(path(), QSettings::IniFormat);
        other.setValue(QStringLiteral("Junk"), QByteArray("{\"int\":\"x\"}"));
    }
    UserDefaults a(path());
    EXPECT_EQ(a.integerForKey(QStringLiteral("AutoSaveTimer")), 5);
    EXPECT_EQ(a.stringForKey(QStringLiteral("AutoSaveTimer")), QStringLiteral("5"));
    EXPECT_EQ(a.arrayForKey(QStringLiteral("Encodings")).size(), 2);
    EXPECT_EQ(a.dataForKey(QStringLiteral("Junk")), QByteArray("{\"int\":\"x\"}"));

    UserDefaults b(path());
    b.setDouble(2.5, QStringLiteral("RUZStopTimerWhenInactiveTime"));
    EXPECT_TRUE(b.synchronize());
    EXPECT_FALSE(a.objectForKey(QStringLiteral("RUZStopTimerWhenInactiveTime")).isValid());
    EXPECT_TRUE(a.synchronize());
    EXPECT_DOUBLE_EQ(a.doubleForKey(QStringLiteral("RUZStopTimerWhenInactiveTime")), 2.5);
}

TEST_F(UserDefaultsTest, DeeplyNestedStoredValueIsNotDecoded)
{
    QByteArray deep;
    for (int i = 0; i < 200; ++i)
        deep += "{\"list\":[";
    deep += "{\"int\":\"1\"}";
    for (int i = 0; i < 200; ++i)
        deep += "]}";
    const QVariant decoded = UserDefaults::decodeValue(QVariant(deep));
    EXPECT_EQ(decoded.typeId(), QMetaType::QByteArray);

    QVariant nested = 1;
    for (int i = 0; i < 100; ++i)
        nested = QVariantList{nested};
    UserDefaults d(path());
    EXPECT_FALSE(d.setObject(nested, QStringLiteral("TooDeep")));
}

TEST(UserDefaultsLocation, FollowsXdgConfigHome)
{
    testsupport::ScopedXdgHome home;
    EXPECT_EQ(UserDefaults::defaultFilePath(),
              qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Chronark/Chronark.conf"));
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(UserDefaults::defaultFilePath(), QDir::homePath() + QStringLiteral("/.config/Chronark/Chronark.conf"));
    qputenv("XDG_CONFIG_HOME", "relative/ignored");
    EXPECT_EQ(UserDefaults::defaultFilePath(), QDir::homePath() + QStringLiteral("/.config/Chronark/Chronark.conf"));
    qputenv("XDG_CONFIG_HOME", saved);
}

// The application's defaults are kept in the file first asked for, for the life of the
// process.
TEST(UserDefaultsLocation, TheStandardFileIsTheOneFirstAskedFor)
{
    const QString first = UserDefaults::standardFilePath();
    testsupport::ScopedXdgHome home;
    EXPECT_NE(UserDefaults::defaultFilePath(), first);
    EXPECT_EQ(UserDefaults::standardFilePath(), first);
    EXPECT_EQ(UserDefaults::standardUserDefaults().filePath(), first);
}

// A test's home of its own does not keep the application's defaults (the test program's
// folders do): a write after the home went does not make it again.
TEST(UserDefaultsLocation, TheStandardDefaultsMakeNoHomeOfATestAgain)
{
    const QString key = QStringLiteral("TestWrittenAfterAHomeWent");
    QString gone;
    {
        testsupport::ScopedXdgHome home;
        gone = home.path();
        UserDefaults &defaults = UserDefaults::standardUserDefaults();
        EXPECT_FALSE(defaults.filePath().startsWith(gone + u'/')) << defaults.filePath().toStdString();
        defaults.setBool(true, key);
        defaults.flush();
    }
    ASSERT_FALSE(QFileInfo::exists(gone));
    UserDefaults &defaults = UserDefaults::standardUserDefaults();
    defaults.setBool(false, key);
    defaults.flush();
    EXPECT_FALSE(QFileInfo::exists(gone)) << "made again: " << gone.toStdString();
    EXPECT_TRUE(QFileInfo(defaults.filePath()).isFile());
    defaults.removeObjectForKey(key);
    defaults.flush();
}

} // namespace

// Defaults whose values never changed write nothing, when they are flushed or go: the
// last flush of a program's defaults leaves no file nor folder behind.
TEST_F(UserDefaultsTest, DefaultsNeverChangedMakeNoFileNorFolder)
{
    const QString folder = QFileInfo(path()).absolutePath();
    {
        UserDefaults defaults(path());
        EXPECT_EQ(defaults.stringForKey(QStringLiteral("Missing")), QString());
        defaults.flush();
        EXPECT_FALSE(QFileInfo::exists(folder));
    }
    EXPECT_FALSE(QFileInfo::exists(folder));
}

// A pipe where the settings file belongs is neither read nor written (reading it
// would wait for a writer): the values live in memory until the defaults go.
TEST_F(UserDefaultsTest, APipeInThePlaceOfTheFileIsNeverOpenedAndValuesStayInMemory)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path()).absolutePath()));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
    testsupport::PipeOpener writer(path(), O_WRONLY);
    ASSERT_TRUE(QTest::qWaitFor([&] { return writer.isWaitingInOpen(); }, 10000));
    {
        testsupport::ExpectedQtWarning warning(QStringLiteral("is not a regular file"));
        UserDefaults defaults(path());
        EXPECT_FALSE(defaults.isStored());
        EXPECT_EQ(defaults.filePath(), path());
        defaults.registerDefaults({{QStringLiteral("Registered"), 5}});
        defaults.setString(QStringLiteral("kept"), QStringLiteral("Key"));
        EXPECT_EQ(defaults.stringForKey(QStringLiteral("Key")), QStringLiteral("kept"));
        EXPECT_EQ(defaults.integerForKey(QStringLiteral("Registered")), 5);
        EXPECT_FALSE(defaults.synchronize());
        EXPECT_EQ(defaults.stringForKey(QStringLiteral("Key")), QStringLiteral("kept"));
        defaults.removeObjectForKey(QStringLiteral("Key"));
        EXPECT_TRUE(defaults.stringForKey(QStringLiteral("Key")).isNull());
    }
    EXPECT_TRUE(writer.isWaitingInOpen());
    EXPECT_EQ(platform::RegularFile::kindOf(path()), platform::RegularFile::Kind::Special);
}

// A pipe put there while the application runs: the next synchronize stops storing,
// keeping every value, and never opens it.
TEST_F(UserDefaultsTest, APipePutInThePlaceOfTheFileLaterStopsTheStoringOnly)
{
    UserDefaults defaults(path());
    defaults.setInteger(7, QStringLiteral("Seven"));
    ASSERT_TRUE(defaults.synchronize());
    EXPECT_TRUE(defaults.isStored());
    ASSERT_TRUE(QFile::remove(path()));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
    testsupport::PipeOpener writer(path(), O_WRONLY);
    ASSERT_TRUE(QTest::qWaitFor([&] { return writer.isWaitingInOpen(); }, 10000));
    {
        testsupport::ExpectedQtWarning warning(QStringLiteral("is not a regular file"));
        defaults.setInteger(8, QStringLiteral("Eight"));
        EXPECT_FALSE(defaults.synchronize());
    }
    EXPECT_FALSE(defaults.isStored());
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("Seven")), 7);
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("Eight")), 8);
    EXPECT_TRUE(writer.isWaitingInOpen());
}

// The settings library opens its lock file beside the file before every write, and
// reads it when it cannot make it: a pipe there is never opened, neither at a
// synchronize() nor at the write the library defers to a later pass, and the values
// stay in memory. Without a pipe, the deferred write still stores the values.
TEST_F(UserDefaultsTest, APipeAtTheSettingsLockIsNeverOpened)
{
    const QString lock = path() + QStringLiteral(".lock");
    {
        UserDefaults defaults(path());
        defaults.setInteger(7, QStringLiteral("Seven"));
        // Written in a later pass, without a synchronize().
        // (The library takes its lock away once the write is done. Read as bytes: a
        // settings object of the test would share the library's unwritten changes.)
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return testsupport::readFile(path()).contains("Seven") && !QFileInfo::exists(lock);
        }, 10000));

        ASSERT_EQ(::mkfifo(QFile::encodeName(lock).constData(), 0600), 0);
        testsupport::PipeOpener writer(lock, O_WRONLY);
        ASSERT_TRUE(QTest::qWaitFor([&] { return writer.isWaitingInOpen(); }, 10000));
        {
            testsupport::ExpectedQtWarning warning(QStringLiteral("Chronark.conf.lock is not a regular file"));
            defaults.setInteger(8, QStringLiteral("Eight"));
            // The write comes (on the writing thread) and goes.
            ASSERT_TRUE(QTest::qWaitFor([&] { return !defaults.isStored(); }, 10000));
            EXPECT_FALSE(defaults.synchronize());
        }
        EXPECT_TRUE(writer.isWaitingInOpen());
        EXPECT_EQ(defaults.integerForKey(QStringLiteral("Seven")), 7);
        EXPECT_EQ(defaults.integerForKey(QStringLiteral("Eight")), 8);
        // (Read as bytes: the settings library would open its lock, the pipe, to read.)
        EXPECT_FALSE(testsupport::readFile(path()).contains("Eight"));
    }

    // There at start-up, or as a link to a pipe: the file is not even read.
    ASSERT_TRUE(QFile::remove(lock));
    const QString pipe = m_dir.filePath(QStringLiteral("pipe"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(pipe, lock));
    testsupport::PipeOpener writer(pipe, O_WRONLY);
    ASSERT_TRUE(QTest::qWaitFor([&] { return writer.isWaitingInOpen(); }, 10000));
    {
        testsupport::ExpectedQtWarning warning(QStringLiteral("Chronark.conf.lock is not a regular file"));
        UserDefaults defaults(path());
        EXPECT_FALSE(defaults.isStored());
        defaults.setInteger(9, QStringLiteral("Nine"));
        QCoreApplication::sendPostedEvents(nullptr, 0);
        EXPECT_EQ(defaults.integerForKey(QStringLiteral("Nine")), 9);
    }
    EXPECT_TRUE(writer.isWaitingInOpen());
}

// A link in the place of the settings file is read through, but never written
// through: a write (a synchronize or the deferred one) puts a regular file with the
// values in its place, and the file it named stays as it was.
TEST_F(UserDefaultsTest, ALinkAtTheFileIsReadThroughButNeverWrittenThrough)
{
    const QString elsewhere = m_dir.filePath(QStringLiteral("elsewhere.conf"));
    {
        QSettings seed(elsewhere, QSettings::IniFormat);
        seed.setValue(QStringLiteral("Kept"), QStringLiteral("from the linked file"));
    }
    const QByteArray linkedBytes = testsupport::readFile(elsewhere);
    ASSERT_FALSE(linkedBytes.isEmpty());
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path()).absolutePath()));
    for (const bool deferred : {false, true}) {
        SCOPED_TRACE(deferred ? "deferred write" : "synchronize");
        QFile::remove(path());
        ASSERT_TRUE(QFile::link(elsewhere, path()));
        UserDefaults defaults(path());
        EXPECT_EQ(defaults.stringForKey(QStringLiteral("Kept")), QStringLiteral("from the linked file"));
        defaults.setInteger(42, QStringLiteral("Answer"));
        if (deferred)
            ASSERT_TRUE(QTest::qWaitFor([&] { return !QFileInfo(path()).isSymLink(); }, 10000));
        else
            ASSERT_TRUE(defaults.synchronize());
        EXPECT_FALSE(QFileInfo(path()).isSymLink());
        EXPECT_EQ(testsupport::readFile(elsewhere), linkedBytes);
        QSettings stored(path(), QSettings::IniFormat);
        EXPECT_EQ(stored.value(QStringLiteral("Kept")).toString(), QStringLiteral("from the linked file"));
        EXPECT_TRUE(stored.contains(QStringLiteral("Answer")));
    }
}

// Whole numbers of every kind read back as integers: a negative one stays negative,
// an unsigned one beyond the largest integer gives the largest.
TEST_F(UserDefaultsTest, IntegersOfEveryKindKeepTheirSign)
{
    UserDefaults d(path());
    d.registerDefaults({{QStringLiteral("negative"), -3}, {QStringLiteral("negativeLong"), qlonglong(-4)}});
    EXPECT_EQ(d.integerForKey(QStringLiteral("negative")), -3);
    EXPECT_EQ(d.integerForKey(QStringLiteral("negativeLong")), -4);
    ASSERT_TRUE(d.setObject(QVariant(qulonglong(5)), QStringLiteral("unsigned")));
    ASSERT_TRUE(d.setObject(QVariant(std::numeric_limits<qulonglong>::max()), QStringLiteral("huge")));
    ASSERT_TRUE(d.setObject(QVariant(qulonglong(std::numeric_limits<qint64>::max())), QStringLiteral("largest")));
    ASSERT_TRUE(d.setObject(QVariant(-7), QStringLiteral("stored")));
    EXPECT_EQ(d.integerForKey(QStringLiteral("unsigned")), 5);
    EXPECT_EQ(d.integerForKey(QStringLiteral("huge")), std::numeric_limits<qint64>::max());
    EXPECT_EQ(d.integerForKey(QStringLiteral("largest")), std::numeric_limits<qint64>::max());
    EXPECT_EQ(d.integerForKey(QStringLiteral("stored")), -7);
}

// setObject answers whether the value is now the key's: removing with an invalid value
// does it; a list or map with one value that cannot be stored is refused whole, and
// the old value stays.
TEST_F(UserDefaultsTest, AContainerWithOneUnstorableValueIsRefusedWhole)
{
    UserDefaults d(path());
    d.setString(QStringLiteral("old"), QStringLiteral("Map"));
    d.setString(QStringLiteral("old"), QStringLiteral("Hash"));
    d.setString(QStringLiteral("old"), QStringLiteral("List"));
    {
        testsupport::ExpectedQtWarning warning(QStringLiteral("cannot be stored"));
        EXPECT_FALSE(d.setObject(QVariantMap{{QStringLiteral("a"), 1}, {QStringLiteral("b"), QPointF(1, 2)}},
                                 QStringLiteral("Map")));
    }
    {
        testsupport::ExpectedQtWarning warning(QStringLiteral("cannot be stored"));
        EXPECT_FALSE(d.setObject(QVariantHash{{QStringLiteral("a"), QPointF(1, 2)}}, QStringLiteral("Hash")));
    }
    {
        testsupport::ExpectedQtWarning warning(QStringLiteral("cannot be stored"));
        EXPECT_FALSE(d.setObject(QVariantList{1, QVariantList{QPointF(1, 2)}}, QStringLiteral("List")));
    }
    for (const char *key : {"Map", "Hash", "List"})
        EXPECT_EQ(d.stringForKey(QString::fromLatin1(key)), QStringLiteral("old")) << key;

    ASSERT_TRUE(d.setObject(QVariantMap{{QStringLiteral("a"), 1}}, QStringLiteral("Map")));
    EXPECT_EQ(d.dictionaryForKey(QStringLiteral("Map")), (QVariantMap{{QStringLiteral("a"), 1}}));
    EXPECT_TRUE(d.setObject(QVariant(), QStringLiteral("Map")));
    EXPECT_FALSE(d.objectForKey(QStringLiteral("Map")).isValid());
    EXPECT_TRUE(d.setObject(QVariant(), QStringLiteral("Never set")));
}

// A save that fails part-way is reported: with a link at the file, the regular file
// that takes the link's place cannot be written (a file size limit stops the write,
// for the super-user too), and neither the link nor the file it names changes.
TEST_F(UserDefaultsTest, AFailedWriteInThePlaceOfALinkIsReportedAndChangesNothing)
{
    const QString elsewhere = m_dir.filePath(QStringLiteral("elsewhere.conf"));
    {
        QSettings seed(elsewhere, QSettings::IniFormat);
        seed.setValue(QStringLiteral("Kept"), QString(200, u'k'));
    }
    const QByteArray linkedBytes = testsupport::readFile(elsewhere);
    ASSERT_GT(linkedBytes.size(), 64);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path()).absolutePath()));
    ASSERT_TRUE(QFile::link(elsewhere, path()));
    UserDefaults defaults(path());
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 64;
    // The limit comes before the change: the writer's thread may write it at once.
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    defaults.setInteger(42, QStringLiteral("Answer"));
    const bool written = defaults.synchronize();
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(written);
    EXPECT_TRUE(QFileInfo(path()).isSymLink());
    EXPECT_EQ(testsupport::readFile(elsewhere), linkedBytes);
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("Answer")), 42);
    // The next write, with room, goes through.
    EXPECT_TRUE(defaults.synchronize());
    EXPECT_FALSE(QFileInfo(path()).isSymLink());
    EXPECT_EQ(testsupport::readFile(elsewhere), linkedBytes);
}

// A pipe put in the place of the file after the file was written: the write of the
// next change, on the writing thread, stops the storing, and the settings library
// never gets to open the pipe itself.
TEST_F(UserDefaultsTest, APipePutThereBeforeTheDeferredWriteIsNeverOpened)
{
    UserDefaults defaults(path());
    defaults.setInteger(7, QStringLiteral("Seven"));
    ASSERT_TRUE(defaults.synchronize());
    ASSERT_TRUE(QFile::remove(path()));
    ASSERT_EQ(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
    testsupport::PipeOpener writer(path(), O_WRONLY);
    ASSERT_TRUE(QTest::qWaitFor([&] { return writer.isWaitingInOpen(); }, 10000));
    {
        testsupport::ExpectedQtWarning warning(QStringLiteral("is not a regular file"));
        defaults.setInteger(8, QStringLiteral("Eight"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !defaults.isStored(); }, 10000));
        for (int pass = 0; pass < 5; ++pass)
            QCoreApplication::sendPostedEvents(nullptr, 0);
    }
    EXPECT_TRUE(writer.isWaitingInOpen());
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("Seven")), 7);
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("Eight")), 8);
}

// Numbers at the edges of their kinds: the largest and smallest int and the largest
// unsigned int come back after a restart as they were, of their kind; a number read
// from a text takes every digit, 9 too, and stops at the first character that is not
// part of it.
TEST_F(UserDefaultsTest, NumbersAtTheEdgesOfTheirKinds)
{
    {
        UserDefaults d(path());
        ASSERT_TRUE(d.setObject(QVariant(std::numeric_limits<int>::max()), QStringLiteral("MaxInt")));
        ASSERT_TRUE(d.setObject(QVariant(std::numeric_limits<int>::min()), QStringLiteral("MinInt")));
        ASSERT_TRUE(d.setObject(QVariant(std::numeric_limits<uint>::max()), QStringLiteral("MaxUInt")));
        ASSERT_TRUE(d.setObject(QVariantList{QStringLiteral("a"), QStringLiteral("b")}, QStringLiteral("Names")));
        ASSERT_TRUE(d.synchronize());
    }
    UserDefaults d(path());
    EXPECT_EQ(d.objectForKey(QStringLiteral("MaxInt")), QVariant(std::numeric_limits<int>::max()));
    EXPECT_EQ(d.objectForKey(QStringLiteral("MaxInt")).typeId(), QMetaType::Int);
    EXPECT_EQ(d.objectForKey(QStringLiteral("MinInt")), QVariant(std::numeric_limits<int>::min()));
    EXPECT_EQ(d.objectForKey(QStringLiteral("MaxUInt")), QVariant(std::numeric_limits<uint>::max()));
    EXPECT_EQ(d.objectForKey(QStringLiteral("MaxUInt")).typeId(), QMetaType::UInt);
    EXPECT_EQ(d.stringArrayForKey(QStringLiteral("Names")), QStringList({QStringLiteral("a"), QStringLiteral("b")}));

    d.registerDefaults({{QStringLiteral("nines"), QStringLiteral("19.99")},
                        {QStringLiteral("comma"), QStringLiteral("12,5")},
                        {QStringLiteral("nine"), QStringLiteral("9")},
                        {QStringLiteral("point"), QStringLiteral("7.")}});
    EXPECT_DOUBLE_EQ(d.doubleForKey(QStringLiteral("nines")), 19.99);
    EXPECT_DOUBLE_EQ(d.doubleForKey(QStringLiteral("comma")), 12.0);
    EXPECT_DOUBLE_EQ(d.doubleForKey(QStringLiteral("nine")), 9.0);
    EXPECT_DOUBLE_EQ(d.doubleForKey(QStringLiteral("point")), 7.0);
    EXPECT_EQ(d.integerForKey(QStringLiteral("nines")), 19);
}

namespace {

// What a fresh reader of the file (another launch) gets: the stored values, decoded.
// Read from a copy: a settings object of this process on the file itself would share
// the changes the library holds for it in memory.
QVariantMap storedIn(const QString &path)
{
    // A copy of a name never read before: the settings library keeps what it read of a
    // file in the process, and takes it again for a file of the same name, size and time
    // to the millisecond (on a file system in memory, the copy of a moment ago).
    static int copies = 0;
    const QString copy = path + QStringLiteral(".copy%1").arg(++copies);
    if (!QFile::copy(path, copy))
        return {};
    QSettings file(copy, QSettings::IniFormat);
    QVariantMap values;
    const QStringList keys = file.allKeys();
    for (const QString &key : keys)
        values.insert(UserDefaults::decodeKey(key), UserDefaults::decodeValue(file.value(key)));
    return values;
}

} // namespace

// Changes of every kind in a seeded random order (setting a key again and again,
// quickly, removing it, synchronizing, flushing, a restart): what the defaults answer
// is always what was set last, and once flushed the file holds exactly that, the last
// value of every key; a change after a flush reaches the file when the defaults go.
TEST_F(UserDefaultsTest, TheFileEndsWithTheLastValueOfEveryKeyInAnyOrderOfChanges)
{
    const quint32 seed = 20261209;
    SCOPED_TRACE(seed);
    QRandomGenerator random(seed);
    QVariantMap model;
    auto defaults = std::make_unique<UserDefaults>(path());
    for (int step = 0; step < 600; ++step) {
        const QString key = QStringLiteral("Key%1").arg(random.bounded(8));
        const int what = random.bounded(20);
        SCOPED_TRACE(step);
        if (what < 12) {
            const QVariant value = random.bounded(3) == 0 ? QVariant(QString::number(random.generate()))
                                   : random.bounded(2) == 0 ? QVariant(qlonglong(random.generate()))
                                                            : QVariant(QVariantList{step, QStringLiteral("x")});
            defaults->setObject(value, key);
            model.insert(key, value);
        } else if (what < 15) {
            defaults->removeObjectForKey(key);
            model.remove(key);
        } else if (what < 17) {
            defaults->flush();
            EXPECT_EQ(storedIn(path()), model);
        } else if (what < 18) {
            ASSERT_TRUE(defaults->synchronize());
            EXPECT_EQ(storedIn(path()), model);
        } else {
            // The last change before going is written as the defaults go.
            defaults.reset();
            EXPECT_EQ(storedIn(path()), model);
            defaults = std::make_unique<UserDefaults>(path());
        }
        ASSERT_EQ(defaults->persistentValues(), model);
    }
}

// In a process of its own, the flush at quit leaves every change in the file
// even when the process ends right after its loop (no destructor runs); and a process
// killed while it writes leaves a whole file with values it wrote, in their order.
TEST_F(UserDefaultsTest, AProcessQuittingOrKilledWhileItWritesLeavesAWholeFile)
{
    const QByteArray mode = qgetenv("CHRONARK_TEST_DEFAULTS_CHILD");
    const QString childPath = qEnvironmentVariable("CHRONARK_TEST_DEFAULTS_PATH");
    if (mode == "quit") {
        UserDefaults defaults(childPath);
        for (int i = 0; i <= 200; ++i)
            defaults.setInteger(i, QStringLiteral("Counter%1").arg(i % 7));
        QTimer::singleShot(0, QCoreApplication::instance(), &QCoreApplication::quit);
        QCoreApplication::exec();
        std::_Exit(0);
    }
    if (mode == "kill") {
        UserDefaults defaults(childPath);
        defaults.setString(QStringLiteral("written once"), QStringLiteral("Fixed"));
        defaults.flush();
        std::fputs("ready\n", stdout);
        std::fflush(stdout);
        for (qint64 i = 0;; ++i) {
            defaults.setInteger(i, QStringLiteral("Counter"));
            defaults.setInteger(i, QStringLiteral("Follower"));
            if (i % 16 == 0)
                defaults.flush();
        }
    }

    const auto runChild = [&](const QByteArray &childMode, QProcess &child) {
        QProcessEnvironment environment = testsupport::childEnvironment();
        environment.insert(QStringLiteral("CHRONARK_TEST_DEFAULTS_CHILD"), QString::fromLatin1(childMode));
        environment.insert(QStringLiteral("CHRONARK_TEST_DEFAULTS_PATH"), path());
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=UserDefaultsTest.AProcessQuittingOrKilledWhileItWritesLeavesAWholeFile")});
        return child.waitForStarted(60000);
    };
    {
        QProcess child;
        ASSERT_TRUE(runChild("quit", child));
        ASSERT_TRUE(child.waitForFinished(60000));
        EXPECT_EQ(child.exitCode(), 0);
        const QVariantMap stored = storedIn(path());
        ASSERT_EQ(stored.size(), 7);
        for (int k = 0; k < 7; ++k) // the last value each key got: 200, 199, …, 194
            EXPECT_EQ(stored.value(QStringLiteral("Counter%1").arg(k)).toLongLong(), 200 - ((200 - k) % 7)) << k;
    }
    ASSERT_TRUE(QFile::remove(path()));
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        QProcess child;
        ASSERT_TRUE(runChild("kill", child));
        while (!child.readAllStandardOutput().contains("ready"))
            ASSERT_TRUE(child.waitForReadyRead(60000));
        // Some writes later, more each round (the file's replacements say when).
        for (int write = 0; write <= round; ++write) {
            const QDateTime written = QFileInfo(path()).lastModified();
            ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo(path()).lastModified() != written; }, 30000));
        }
        ::kill(pid_t(child.processId()), SIGKILL);
        ASSERT_TRUE(child.waitForFinished(60000));
        const QVariantMap stored = storedIn(path());
        EXPECT_EQ(stored.value(QStringLiteral("Fixed")), QVariant(QStringLiteral("written once")));
        // In their order: the follower was set after the counter, each time.
        const qlonglong counter = stored.value(QStringLiteral("Counter")).toLongLong();
        const qlonglong follower = stored.value(QStringLiteral("Follower")).toLongLong();
        EXPECT_GE(counter, 0);
        EXPECT_TRUE(follower == counter || follower == counter - 1) << counter << " " << follower;
    }
}

// The file is written off the caller's thread: while another holds the settings'
// lock (a disk that does not answer would hold the writer alike), changes are taken,
// answered and announced at once; the file gets them, in their order, once the lock
// is free.
TEST_F(UserDefaultsTest, ChangesWaitForNoDisk)
{
    UserDefaults defaults(path());
    defaults.setInteger(0, QStringLiteral("Held"));
    ASSERT_TRUE(defaults.synchronize());
    auto held = std::make_unique<QLockFile>(path() + QStringLiteral(".lock"));
    ASSERT_TRUE(held->tryLock(0));
    QObject observer;
    int posts = 0;
    NotificationCenter::defaultCenter().addObserver(&observer, UserDefaults::DidChangeNotification, nullptr,
                                                    [&](const Notification &) { ++posts; });
    for (int i = 1; i <= 3; ++i)
        defaults.setInteger(i, QStringLiteral("Held"));
    defaults.setString(QStringLiteral("also"), QStringLiteral("Other"));
    EXPECT_EQ(posts, 4);
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("Held")), 3);
    QCoreApplication::processEvents();
    EXPECT_TRUE(defaults.isStored());
    // (Read as bytes: the settings library would wait for the lock to read.)
    EXPECT_FALSE(testsupport::readFile(path()).contains("Other"));
    held.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return storedIn(path()).contains(QStringLiteral("Other")); }, 30000));
    EXPECT_EQ(storedIn(path()).value(QStringLiteral("Held")).toLongLong(), 3);
}
