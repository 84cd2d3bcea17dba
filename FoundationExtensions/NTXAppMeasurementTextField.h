#pragma once
// A measurement text field that follows the unit the user chose for one application
// slot (NTXApplicationMeasurementCenter), re-reading it when the centre announces a
// change of that slot. Archivable in keyed archives (the slot under "_calUnitType");
// a coder that fails yields no field. Observes for its whole life. Main thread only.
#include "FoundationExtensions/NTXMeasurementTextField.h"

namespace platform {
class Coder;
}

class NTXAppMeasurementTextField : public NTXMeasurementTextField
{
    Q_OBJECT
public:
    explicit NTXAppMeasurementTextField(QWidget *parent = nullptr);
    ~NTXAppMeasurementTextField() override;

    static NTXAppMeasurementTextField *fromCoder(platform::Coder &coder, QWidget *parent = nullptr);
    void encodeWithCoder(platform::Coder &coder) const;

    int calUnitType() const { return m_calUnitType; }
    void setCalUnitType(int slot);

private:
    void setup();

    int m_calUnitType = 0;
};
