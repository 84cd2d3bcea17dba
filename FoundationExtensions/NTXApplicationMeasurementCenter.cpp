#include "FoundationExtensions/NTXApplicationMeasurementCenter.h"

#include "FoundationExtensions/NTXMeasurementUnits.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"

namespace {

struct Slot
{
    const char *key;
    int unit;
};

constexpr Slot Slots[] = {
    {"NTXICPageUnitMeasurementType", NTXCentimeterUnit},
    {"NTXICFontUnitMeasurementType", NTXPointUnit},
    {"NTXICLineUnitMeasurementType", NTXMillimeterUnit},
    {"NTXICTextRulerUnitMeasurementType", NTXMillimeterUnit},
};

NTXApplicationMeasurementCenter *sharedCenter = nullptr;

} // namespace

QString NTXApplicationMeasurementCenter::defaultsKey(int slot)
{
    return slot >= 0 && slot <= 3 ? QString::fromLatin1(Slots[slot].key) : QString();
}

void NTXApplicationMeasurementCenter::initializeInformationCenter()
{
    if (sharedCenter)
        return;
    QVariantMap defaults;
    for (const Slot &slot : Slots)
        defaults.insert(QString::fromLatin1(slot.key), slot.unit);
    platform::UserDefaults::standardUserDefaults().registerDefaults(defaults);
    sharedCenter = new NTXApplicationMeasurementCenter;
}

NTXApplicationMeasurementCenter *NTXApplicationMeasurementCenter::informationCenter()
{
    initializeInformationCenter();
    return sharedCenter;
}

int NTXApplicationMeasurementCenter::measurementUnitTypeForFCHAppUnitType(int slot) const
{
    const QString key = defaultsKey(slot);
    return key.isNull() ? NTXPointUnit : int(platform::UserDefaults::standardUserDefaults().integerForKey(key));
}

void NTXApplicationMeasurementCenter::setMeasurementUnitType(int unit, int slot)
{
    const QString key = defaultsKey(slot);
    if (!key.isNull())
        platform::UserDefaults::standardUserDefaults().setInteger(unit, key);
    platform::NotificationCenter::defaultCenter().post(AppUnitDidChangeNotification, this, {{SlotKey, slot}});
}
