#include "FoundationExtensions/NTXAppMeasurementNumberFormatter.h"

#include "FoundationExtensions/NTXApplicationMeasurementCenter.h"
#include "FoundationExtensions/NTXNumberContainer.h"
#include "platform/archive/Coder.h"

NTXAppMeasurementNumberFormatter::NTXAppMeasurementNumberFormatter()
{
    setup();
    setAppUnitType(0);
}

NTXAppMeasurementNumberFormatter::NTXAppMeasurementNumberFormatter(const NTXAppMeasurementNumberFormatter &other)
    : NTXMeasurementNumberFormatter(other), m_appUnitType(other.m_appUnitType)
{
    setup();
}

NTXAppMeasurementNumberFormatter::~NTXAppMeasurementNumberFormatter()
{
    platform::NotificationCenter::defaultCenter().removeObserver(m_token);
}

std::unique_ptr<platform::Formatter> NTXAppMeasurementNumberFormatter::clone() const
{
    return std::make_unique<NTXAppMeasurementNumberFormatter>(*this);
}

void NTXAppMeasurementNumberFormatter::setup()
{
    NTXApplicationMeasurementCenter *center = NTXApplicationMeasurementCenter::informationCenter();
    m_token = platform::NotificationCenter::defaultCenter().addObserver(
        nullptr, NTXApplicationMeasurementCenter::AppUnitDidChangeNotification, center,
        [this](const platform::Notification &notification) {
            const QVariant slot = notification.userInfo.value(NTXApplicationMeasurementCenter::SlotKey);
            if (slot.isValid() && slot.toInt() == m_appUnitType)
                setAppUnitType(m_appUnitType);
        });
}

void NTXAppMeasurementNumberFormatter::setAppUnitType(int slot)
{
    m_appUnitType = slot;
    setShowType(NTXApplicationMeasurementCenter::informationCenter()->measurementUnitTypeForFCHAppUnitType(slot));
}

QString NTXAppMeasurementNumberFormatter::stringForObjectValue(const QVariant &value) const
{
    if (auto container = std::dynamic_pointer_cast<NTXNumberContainer>(platform::Coder::objectFromValue(value))) {
        const QString number = NTXMeasurementNumberFormatter::stringForObjectValue(container->numberObject());
        return container->infoString().isNull() ? number : number + QLatin1Char(' ') + container->infoString();
    }
    return NTXMeasurementNumberFormatter::stringForObjectValue(value);
}
