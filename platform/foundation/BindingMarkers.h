#pragma once
// Marker values and options of bindings that bound controls interpret themselves.
//
// The no-selection marker is the value a controller hands to a bound control when it
// has nothing selected: a QVariant of its own type that is neither a number, a
// string nor nil, so a control tells it apart from every value a model can hold.
// ConditionallySetsHiddenBindingOption asks a bound control to hide the part the
// binding feeds while the value is empty (nil, the marker, or 0).
//
// Plain values: any thread.
#include <QMetaType>
#include <QString>
#include <QVariant>

namespace platform {

inline const QString ConditionallySetsHiddenBindingOption = QStringLiteral("NSConditionallySetsHidden");

struct NoSelectionMarker
{
    bool operator==(const NoSelectionMarker &) const { return true; }
};

// The marker as a value, and the test for it.
QVariant noSelectionMarker();
bool isNoSelectionMarker(const QVariant &value);

} // namespace platform

Q_DECLARE_METATYPE(platform::NoSelectionMarker)
