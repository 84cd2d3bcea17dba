#pragma once
// Which unit the user wants for each of four kinds of length (slots 0 page, 1 font,
// 2 line, 3 text ruler), kept in the user defaults, and the notification of a change.
// One shared instance, created on first use and never freed; main thread only.
// Slots outside 0-3 read as point and are never written, but a change is still
// announced. The notification's object is the centre; the slot is in the user
// information under SlotKey.
#include <QObject>
#include <QString>

class NTXApplicationMeasurementCenter : public QObject
{
    Q_OBJECT
public:
    static inline const QString AppUnitDidChangeNotification =
        QStringLiteral("NTXApplicationMeasurementCenterNTXAppUnitDidChangedNotification");
    static inline const QString SlotKey = QStringLiteral("NTXAppUnitType");

    static NTXApplicationMeasurementCenter *informationCenter();
    // Registers the slots' defaults (once per process) and creates the shared centre.
    static void initializeInformationCenter();

    int measurementUnitTypeForFCHAppUnitType(int slot) const;
    void setMeasurementUnitType(int unit, int slot);
    bool hasSharedInstances() const { return true; }

    // The defaults key of a slot, a null string outside 0-3.
    static QString defaultsKey(int slot);

private:
    NTXApplicationMeasurementCenter() = default;
};
