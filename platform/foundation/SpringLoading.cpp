#include "platform/foundation/SpringLoading.h"

#include "platform/foundation/UserDefaults.h"

namespace platform {

double SpringLoading::delay()
{
    const QVariant stored = UserDefaults::standardUserDefaults().objectForKey(DelayKey);
    bool ok = false;
    const double milliseconds = stored.toDouble(&ok);
    return stored.isValid() && ok ? milliseconds / 1000.0 : DefaultDelay;
}

} // namespace platform
