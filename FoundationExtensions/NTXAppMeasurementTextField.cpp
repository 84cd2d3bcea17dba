#include "FoundationExtensions/NTXAppMeasurementTextField.h"

#include "FoundationExtensions/NTXApplicationMeasurementCenter.h"
#include "platform/archive/Coder.h"
#include "platform/foundation/NotificationCenter.h"

namespace {
const QString CalUnitTypeKey = QStringLiteral("_calUnitType");
}

NTXAppMeasurementTextField::NTXAppMeasurementTextField(QWidget *parent) : NTXMeasurementTextField(parent)
{
    setCalUnitType(0);
    setup();
}

NTXAppMeasurementTextField::~NTXAppMeasurementTextField() = default;

NTXAppMeasurementTextField *NTXAppMeasurementTextField::fromCoder(platform::Coder &coder, QWidget *parent)
{
    if (!coder.allowsKeyedCoding())
        return nullptr;
    const qint32 slot = coder.decodeInt32(CalUnitTypeKey);
    if (coder.failed())
        return nullptr;
    auto *field = new NTXAppMeasurementTextField(parent);
    field->setCalUnitType(slot);
    return field;
}

void NTXAppMeasurementTextField::encodeWithCoder(platform::Coder &coder) const
{
    if (coder.allowsKeyedCoding())
        coder.encodeInt32(m_calUnitType, CalUnitTypeKey);
}

void NTXAppMeasurementTextField::setup()
{
    NTXApplicationMeasurementCenter *center = NTXApplicationMeasurementCenter::informationCenter();
    platform::NotificationCenter::defaultCenter().addObserver(
        this, NTXApplicationMeasurementCenter::AppUnitDidChangeNotification, center,
        [this](const platform::Notification &notification) {
            const QVariant slot = notification.userInfo.value(NTXApplicationMeasurementCenter::SlotKey);
            if (slot.isValid() && slot.toInt() == m_calUnitType)
                setCalUnitType(m_calUnitType);
        });
}

void NTXAppMeasurementTextField::setCalUnitType(int slot)
{
    const int unit = NTXApplicationMeasurementCenter::informationCenter()->measurementUnitTypeForFCHAppUnitType(slot);
    m_calUnitType = slot;
    setShowMeasurementType(unit);
}
