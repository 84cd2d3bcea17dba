#pragma once
// The application's user-defaults keys, shared by every class that reads or writes
// them, and the table of their registered defaults. The text of each constant is the
// key as it is stored; several keys are spelled as they always were ("LestEdited…",
// "Metall…", "Allways…") because users' stored preferences carry those spellings.
#include <QList>
#include <QPair>
#include <QString>
#include <QVariant>
#include <QVariantMap>

class NTXSoundManager;

extern const QString OpenEmptyDocumentKey;            // "OpenEmptyDocument"
extern const QString OpenLastEditedDocKey;            // "OpenLastEditedDoc"
extern const QString LestEditedFileNameKey;           // "LestEditedFileName"
extern const QString AutoSaveTimerKey;                // "AutoSaveTimer"
extern const QString MetallStyleKey;                  // "MetallStyle"
extern const QString ShowChronarkMenuKey;             // "ShowChronarkMenu"
extern const QString ChronarkMenuHideDoneJobsKey;     // "RUZChronarkMenuHideDoneJobs"
extern const QString StopTimerWhenInactiveTimeKey;    // "RUZStopTimerWhenInactiveTime"
extern const QString StopTimerWhenSleepKey;           // "RUZStopTimerWhenSleep"
extern const QString StopTimerWhenInactiveKey;        // "RUZStopTimerWhenInactive"
extern const QString ChronarkKeyCodeKey;              // "ChronarkKeyCode"
extern const QString ChronarkKeyModifierKey;          // "ChronarkKeyModifier"
extern const QString AcceptHotKeyKey;                 // "AcceptHotKey"
extern const QString AllwaysMutelyKey;                // "AllwaysMutely"
extern const QString StartSoundKey;                   // "StartSound"
extern const QString StopSoundKey;                    // "StopSound"
extern const QString TimerSoundKey;                   // "TimerSound"
extern const QString SoundRepeatKey;                  // "SoundRepeat"
extern const QString UpdateAutoSearchKey;             // "UpdateAutoSearch"
extern const QString UpdateStatusKey;                 // "UpdateStatus"
extern const QString UpdateDateKey;                   // "UpdateDate"
extern const QString LastExportTypeKey;               // "LastExportType"
extern const QString ExportEncodingKey;               // "ExportEncoding"
extern const QString ExportWithoutTimeEntryKey;       // "ExportWithoutTimeEntry"
extern const QString ExportWithoutDayEntryKey;        // "ExportWithoutDayEntry"
extern const QString ExportSelectedJobsKey;           // "RUZExportSelectedJobs"
extern const QString ExportEncodingNewKey;            // "RUZExportEncodingNew"
extern const QString PrintWithoutTimeEntryKey;        // "PrintWithoutTimeEntry"
extern const QString PrintWithoutDayEntryKey;         // "PrintWithoutDayEntry"
extern const QString PrintSelectedJobsKey;            // "RUZPrintSelectedJobs"
// Not registered (no default): the folder of the last export or print to a file.
extern const QString LastExportFolderKey;             // "LastExportFolder"

// Posted (no object) after a preference pane wrote its keys; documents and the
// application controller re-read the defaults on it.
extern const QString PrefsChangedNotification;        // "PrefsChanged"

namespace DefaultsKeys {

// The registered defaults in their documented order: key and default value. The
// three sound keys default to `defaultSoundName`.
QList<QPair<QString, QVariant>> registeredDefaultsTable(const QString &defaultSoundName);

// The table as one dictionary, ready for platform::UserDefaults::registerDefaults().
// The sound keys default to the name of the catalogue's first sound (an empty name
// for an empty catalogue); without a catalogue the application's shared one is asked.
QVariantMap registeredDefaults(const NTXSoundManager *soundCatalogue = nullptr);

// The name of the catalogue's first sound; empty when the catalogue has none.
QString defaultSoundName(const NTXSoundManager *soundCatalogue);

} // namespace DefaultsKeys
