#include "platform/foundation/BindingMarkers.h"

namespace platform {

QVariant noSelectionMarker()
{
    return QVariant::fromValue(NoSelectionMarker());
}

bool isNoSelectionMarker(const QVariant &value)
{
    return value.metaType() == QMetaType::fromType<NoSelectionMarker>();
}

} // namespace platform
