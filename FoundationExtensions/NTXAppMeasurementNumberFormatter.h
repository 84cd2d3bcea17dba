#pragma once
// A measurement formatter that follows the unit the user chose for one application
// slot (NTXApplicationMeasurementCenter): it re-reads the unit whenever the centre
// announces a change of its slot. A value that is an NTXNumberContainer is shown as
// its number followed by one blank and its info text, when it has one.
// Observes from construction to destruction (copies register on their own).
// Main thread only.
#include "FoundationExtensions/NTXMeasurementNumberFormatter.h"
#include "platform/foundation/NotificationCenter.h"

class NTXAppMeasurementNumberFormatter : public NTXMeasurementNumberFormatter
{
public:
    NTXAppMeasurementNumberFormatter();
    NTXAppMeasurementNumberFormatter(const NTXAppMeasurementNumberFormatter &other);
    NTXAppMeasurementNumberFormatter &operator=(const NTXAppMeasurementNumberFormatter &) = delete;
    ~NTXAppMeasurementNumberFormatter() override;

    std::unique_ptr<platform::Formatter> clone() const override;

    int appUnitType() const { return m_appUnitType; }
    void setAppUnitType(int slot);

    QString stringForObjectValue(const QVariant &value) const override;

private:
    void setup();

    int m_appUnitType = 0;
    platform::NotificationCenter::Token m_token;
};
