#pragma once
// The value a binding reads when its controller has nothing selected: a marker that
// no model value can be mistaken for. Bound views that show it check for it with
// isNoSelectionMarker() (a view that follows a flag, for instance, turns the flag off).
// Stateless; any thread.
#include <QMetaType>
#include <QVariant>

namespace platform {

struct NoSelectionMarker
{
    friend bool operator==(NoSelectionMarker, NoSelectionMarker) { return true; }
};

// The marker as a bound value.
QVariant noSelectionMarker();
bool isNoSelectionMarker(const QVariant &value);

} // namespace platform

Q_DECLARE_METATYPE(platform::NoSelectionMarker)
