#pragma once
// A text field for a length kept in points. setShowMeasurementType() gives it a
// measurement formatter in that unit (keeping the digits of the one it has), so it
// shows and reads the length in the unit while the value stays in points.
// Owns its cell and formatter. Main thread only.
#include "platform/drawing/TextField.h"

class NTXMeasurementNumberFormatter;

class NTXMeasurementTextField : public platform::TextField
{
    Q_OBJECT
public:
    explicit NTXMeasurementTextField(QWidget *parent = nullptr);
    ~NTXMeasurementTextField() override;

    void setShowMeasurementType(int unit);
    // The field's measurement formatter, or null when it has another (or none).
    NTXMeasurementNumberFormatter *measurementFormatter() const;
};
