// The defaults keys (their stored spellings) and the table of registered defaults.
#include "NTXAppKit/sounds/NTXSoundManager.h"
#include "application/base/DefaultsKeys.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TestSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(DefaultsKeys, KeysKeepTheirStoredSpelling)
{
    const QList<QPair<const QString *, const char *>> keys = {
        {&OpenEmptyDocumentKey, "OpenEmptyDocument"},
        {&OpenLastEditedDocKey, "OpenLastEditedDoc"},
        {&LestEditedFileNameKey, "LestEditedFileName"},
        {&AutoSaveTimerKey, "AutoSaveTimer"},
        {&MetallStyleKey, "MetallStyle"},
        {&ShowChronarkMenuKey, "ShowChronarkMenu"},
        {&ChronarkMenuHideDoneJobsKey, "RUZChronarkMenuHideDoneJobs"},
        {&StopTimerWhenInactiveTimeKey, "RUZStopTimerWhenInactiveTime"},
        {&StopTimerWhenSleepKey, "RUZStopTimerWhenSleep"},
        {&StopTimerWhenInactiveKey, "RUZStopTimerWhenInactive"},
        {&ChronarkKeyCodeKey, "ChronarkKeyCode"},
        {&ChronarkKeyModifierKey, "ChronarkKeyModifier"},
        {&AcceptHotKeyKey, "AcceptHotKey"},
        {&AllwaysMutelyKey, "AllwaysMutely"},
        {&StartSoundKey, "StartSound"},
        {&StopSoundKey, "StopSound"},
        {&TimerSoundKey, "TimerSound"},
        {&SoundRepeatKey, "SoundRepeat"},
        {&UpdateAutoSearchKey, "UpdateAutoSearch"},
        {&UpdateStatusKey, "UpdateStatus"},
        {&UpdateDateKey, "UpdateDate"},
        {&LastExportTypeKey, "LastExportType"},
        {&ExportEncodingKey, "ExportEncoding"},
        {&ExportWithoutTimeEntryKey, "ExportWithoutTimeEntry"},
        {&ExportWithoutDayEntryKey, "ExportWithoutDayEntry"},
        {&ExportSelectedJobsKey, "RUZExportSelectedJobs"},
        {&ExportEncodingNewKey, "RUZExportEncodingNew"},
        {&PrintWithoutTimeEntryKey, "PrintWithoutTimeEntry"},
        {&PrintWithoutDayEntryKey, "PrintWithoutDayEntry"},
        {&PrintSelectedJobsKey, "RUZPrintSelectedJobs"},
    };
    ASSERT_EQ(keys.size(), 30);
    const auto table = DefaultsKeys::registeredDefaultsTable(QStringLiteral("Bell"));
    ASSERT_EQ(table.size(), 30);
    for (int i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(*keys.at(i).first, QString::fromLatin1(keys.at(i).second));
        // the table lists the keys in the same (documented) order
        EXPECT_EQ(table.at(i).first, *keys.at(i).first) << i;
    }
    EXPECT_EQ(PrefsChangedNotification, QStringLiteral("PrefsChanged"));
}

TEST(DefaultsKeys, TableValuesAndTypes)
{
    const auto table = DefaultsKeys::registeredDefaultsTable(QStringLiteral("Bell"));
    QVariantMap map;
    for (const auto &[key, value] : table)
        map.insert(key, value);
    auto typeOf = [&](const QString &key) { return map.value(key).metaType(); };
    const QMetaType boolType = QMetaType::fromType<bool>();
    const QMetaType intType = QMetaType::fromType<int>();
    const QMetaType doubleType = QMetaType::fromType<double>();
    const QMetaType stringType = QMetaType::fromType<QString>();

    for (const QString *key : {&OpenEmptyDocumentKey, &MetallStyleKey, &StopTimerWhenSleepKey, &AllwaysMutelyKey}) {
        EXPECT_EQ(typeOf(*key), boolType) << key->toStdString();
        EXPECT_TRUE(map.value(*key).toBool()) << key->toStdString();
    }
    for (const QString *key : {&OpenLastEditedDocKey, &ShowChronarkMenuKey, &ChronarkMenuHideDoneJobsKey,
                               &StopTimerWhenInactiveKey, &AcceptHotKeyKey, &UpdateAutoSearchKey,
                               &ExportWithoutTimeEntryKey, &ExportWithoutDayEntryKey, &ExportSelectedJobsKey,
                               &PrintWithoutTimeEntryKey, &PrintWithoutDayEntryKey, &PrintSelectedJobsKey}) {
        EXPECT_EQ(typeOf(*key), boolType) << key->toStdString();
        EXPECT_FALSE(map.value(*key).toBool()) << key->toStdString();
    }
    EXPECT_EQ(typeOf(AutoSaveTimerKey), intType);
    EXPECT_EQ(map.value(AutoSaveTimerKey), QVariant(0));
    EXPECT_EQ(map.value(ChronarkKeyCodeKey), QVariant(-1));
    EXPECT_EQ(map.value(ChronarkKeyModifierKey), QVariant(0));
    EXPECT_EQ(map.value(ExportEncodingNewKey), QVariant(4));
    EXPECT_EQ(typeOf(StopTimerWhenInactiveTimeKey), doubleType);
    EXPECT_EQ(map.value(StopTimerWhenInactiveTimeKey).toDouble(), 5.0);
    EXPECT_EQ(map.value(SoundRepeatKey).toDouble(), 2.0);
    EXPECT_EQ(typeOf(LastExportTypeKey), doubleType);
    EXPECT_EQ(typeOf(ExportEncodingKey), doubleType);
    EXPECT_EQ(typeOf(LestEditedFileNameKey), stringType);
    EXPECT_EQ(map.value(LestEditedFileNameKey).toString(), QStringLiteral(""));
    EXPECT_FALSE(map.value(LestEditedFileNameKey).toString().isNull());
    EXPECT_EQ(map.value(UpdateStatusKey), QVariant(QStringLiteral("LSUPStatus1")));
    EXPECT_EQ(map.value(UpdateDateKey), QVariant(QStringLiteral("-")));
    for (const QString *key : {&StartSoundKey, &StopSoundKey, &TimerSoundKey})
        EXPECT_EQ(map.value(*key), QVariant(QStringLiteral("Bell")));
}

TEST(DefaultsKeys, SoundDefaultsAreTheCataloguesFirstSound)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const char *name : {"Glass.wav", "Bell.oga", "notes.txt"})
        ASSERT_TRUE(testsupport::writeFile(dir.filePath(QString::fromLatin1(name)), "x"));
    NTXSoundManager catalogue({dir.path()});
    ASSERT_EQ(catalogue.count(), 2u);
    const QString first = catalogue.getSoundNameAtIndex(0);
    EXPECT_EQ(DefaultsKeys::defaultSoundName(&catalogue), first);
    const QVariantMap map = DefaultsKeys::registeredDefaults(&catalogue);
    EXPECT_EQ(map.size(), 30);
    for (const QString *key : {&StartSoundKey, &StopSoundKey, &TimerSoundKey})
        EXPECT_EQ(map.value(*key).toString(), first);

    NTXSoundManager empty({dir.filePath(QStringLiteral("no such folder"))});
    EXPECT_EQ(DefaultsKeys::defaultSoundName(&empty), QStringLiteral(""));
    EXPECT_EQ(DefaultsKeys::registeredDefaults(&empty).value(StartSoundKey).toString(), QStringLiteral(""));
    EXPECT_EQ(DefaultsKeys::defaultSoundName(nullptr), QStringLiteral(""));
}

TEST(DefaultsKeys, RegisteredInOneCallAndReadBack)
{
    QTemporaryDir dir;
    NTXSoundManager empty(QStringList{});
    platform::UserDefaults defaults(dir.filePath(QStringLiteral("d.conf")));
    defaults.registerDefaults(DefaultsKeys::registeredDefaults(&empty));
    EXPECT_TRUE(defaults.boolForKey(OpenEmptyDocumentKey));
    EXPECT_FALSE(defaults.boolForKey(OpenLastEditedDocKey));
    EXPECT_EQ(defaults.integerForKey(ChronarkKeyCodeKey), -1);
    EXPECT_EQ(defaults.floatForKey(StopTimerWhenInactiveTimeKey), 5.0f);
    EXPECT_EQ(defaults.floatForKey(SoundRepeatKey), 2.0f);
    EXPECT_EQ(defaults.integerForKey(ExportEncodingNewKey), 4);
    EXPECT_EQ(defaults.stringForKey(UpdateStatusKey), QStringLiteral("LSUPStatus1"));
    EXPECT_EQ(defaults.stringForKey(LestEditedFileNameKey), QStringLiteral(""));
    // Registered values are not the user's: nothing is written to the file.
    EXPECT_TRUE(defaults.persistentValues().isEmpty());
    // A user's value wins over the registered one, and removing it brings the default back.
    defaults.setBool(true, AllwaysMutelyKey);
    defaults.setBool(false, AllwaysMutelyKey);
    EXPECT_FALSE(defaults.boolForKey(AllwaysMutelyKey));
    defaults.removeObjectForKey(AllwaysMutelyKey);
    EXPECT_TRUE(defaults.boolForKey(AllwaysMutelyKey));
}

} // namespace
