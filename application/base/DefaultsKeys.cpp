#include "application/base/DefaultsKeys.h"

#include "NTXAppKit/sounds/NTXSoundManager.h"

const QString OpenEmptyDocumentKey = QStringLiteral("OpenEmptyDocument");
const QString OpenLastEditedDocKey = QStringLiteral("OpenLastEditedDoc");
const QString LestEditedFileNameKey = QStringLiteral("LestEditedFileName");
const QString AutoSaveTimerKey = QStringLiteral("AutoSaveTimer");
const QString MetallStyleKey = QStringLiteral("MetallStyle");
const QString ShowChronarkMenuKey = QStringLiteral("ShowChronarkMenu");
const QString ChronarkMenuHideDoneJobsKey = QStringLiteral("RUZChronarkMenuHideDoneJobs");
const QString StopTimerWhenInactiveTimeKey = QStringLiteral("RUZStopTimerWhenInactiveTime");
const QString StopTimerWhenSleepKey = QStringLiteral("RUZStopTimerWhenSleep");
const QString StopTimerWhenInactiveKey = QStringLiteral("RUZStopTimerWhenInactive");
const QString ChronarkKeyCodeKey = QStringLiteral("ChronarkKeyCode");
const QString ChronarkKeyModifierKey = QStringLiteral("ChronarkKeyModifier");
const QString AcceptHotKeyKey = QStringLiteral("AcceptHotKey");
const QString AllwaysMutelyKey = QStringLiteral("AllwaysMutely");
const QString StartSoundKey = QStringLiteral("StartSound");
const QString StopSoundKey = QStringLiteral("StopSound");
const QString TimerSoundKey = QStringLiteral("TimerSound");
const QString SoundRepeatKey = QStringLiteral("SoundRepeat");
const QString UpdateAutoSearchKey = QStringLiteral("UpdateAutoSearch");
const QString UpdateStatusKey = QStringLiteral("UpdateStatus");
const QString UpdateDateKey = QStringLiteral("UpdateDate");
const QString LastExportTypeKey = QStringLiteral("LastExportType");
const QString ExportEncodingKey = QStringLiteral("ExportEncoding");
const QString ExportWithoutTimeEntryKey = QStringLiteral("ExportWithoutTimeEntry");
const QString ExportWithoutDayEntryKey = QStringLiteral("ExportWithoutDayEntry");
const QString ExportSelectedJobsKey = QStringLiteral("RUZExportSelectedJobs");
const QString ExportEncodingNewKey = QStringLiteral("RUZExportEncodingNew");
const QString LastExportFolderKey = QStringLiteral("LastExportFolder");
const QString PrintWithoutTimeEntryKey = QStringLiteral("PrintWithoutTimeEntry");
const QString PrintWithoutDayEntryKey = QStringLiteral("PrintWithoutDayEntry");
const QString PrintSelectedJobsKey = QStringLiteral("RUZPrintSelectedJobs");

const QString PrefsChangedNotification = QStringLiteral("PrefsChanged");

namespace DefaultsKeys {

QList<QPair<QString, QVariant>> registeredDefaultsTable(const QString &defaultSoundName)
{
    // Flags are booleans, counts and codes integers, minutes and intervals doubles
    // (read back with floatForKey), names and dates strings.
    return {
        {OpenEmptyDocumentKey, true},
        {OpenLastEditedDocKey, false},
        {LestEditedFileNameKey, QStringLiteral("")},
        {AutoSaveTimerKey, 0},
        {MetallStyleKey, true},
        {ShowChronarkMenuKey, false},
        {ChronarkMenuHideDoneJobsKey, false},
        {StopTimerWhenInactiveTimeKey, 5.0},
        {StopTimerWhenSleepKey, true},
        {StopTimerWhenInactiveKey, false},
        {ChronarkKeyCodeKey, -1},
        {ChronarkKeyModifierKey, 0},
        {AcceptHotKeyKey, false},
        {AllwaysMutelyKey, true},
        {StartSoundKey, defaultSoundName},
        {StopSoundKey, defaultSoundName},
        {TimerSoundKey, defaultSoundName},
        {SoundRepeatKey, 2.0},
        {UpdateAutoSearchKey, false},
        {UpdateStatusKey, QStringLiteral("LSUPStatus1")},
        {UpdateDateKey, QStringLiteral("-")},
        {LastExportTypeKey, 0.0},
        {ExportEncodingKey, 0.0},
        {ExportWithoutTimeEntryKey, false},
        {ExportWithoutDayEntryKey, false},
        {ExportSelectedJobsKey, false},
        {ExportEncodingNewKey, 4},
        {PrintWithoutTimeEntryKey, false},
        {PrintWithoutDayEntryKey, false},
        {PrintSelectedJobsKey, false},
    };
}

QString defaultSoundName(const NTXSoundManager *soundCatalogue)
{
    if (!soundCatalogue || soundCatalogue->count() == 0)
        return QStringLiteral("");
    return soundCatalogue->getSoundNameAtIndex(0);
}

QVariantMap registeredDefaults(const NTXSoundManager *soundCatalogue)
{
    if (!soundCatalogue)
        soundCatalogue = NTXSoundManager::getSharedSoundManager();
    QVariantMap map;
    const auto table = registeredDefaultsTable(defaultSoundName(soundCatalogue));
    for (const auto &[key, value] : table)
        map.insert(key, value);
    return map;
}

} // namespace DefaultsKeys
