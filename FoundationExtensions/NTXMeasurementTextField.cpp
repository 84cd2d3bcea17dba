#include "FoundationExtensions/NTXMeasurementTextField.h"

#include "FoundationExtensions/NTXMeasurementNumberFormatter.h"

NTXMeasurementTextField::NTXMeasurementTextField(QWidget *parent) : platform::TextField(parent) {}

NTXMeasurementTextField::~NTXMeasurementTextField() = default;

NTXMeasurementNumberFormatter *NTXMeasurementTextField::measurementFormatter() const
{
    return dynamic_cast<NTXMeasurementNumberFormatter *>(formatter());
}

void NTXMeasurementTextField::setShowMeasurementType(int unit)
{
    if (NTXMeasurementNumberFormatter *existing = measurementFormatter()) {
        existing->setShowType(unit);
    } else {
        auto created = std::make_unique<NTXMeasurementNumberFormatter>();
        created->setShowType(unit);
        setFormatter(std::move(created));
    }
    updateGeometry();
    update();
}
