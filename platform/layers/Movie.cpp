#include "platform/layers/Movie.h"

namespace platform {

std::optional<double> Movie::seconds(const Time &time)
{
    if (time.indefinite || time.timeScale <= 0 || time.value < 0)
        return std::nullopt;
    return double(time.value) / double(time.timeScale);
}

} // namespace platform
