#pragma once
// The application controller as the benchmarks that open documents make it: over the
// benchmark's user defaults, with desktop services that talk to no bus.
#include "bench/BenchBus.h"

#include "application/controller/AppController.h"
#include "platform/desktop/DesktopNotifier.h"
#include "platform/desktop/SleepMonitor.h"
#include "platform/foundation/UserDefaults.h"

namespace benchcontroller {

inline AppController *controllerWithoutBus(platform::UserDefaults &defaults)
{
    AppController::Services services;
    services.defaults = &defaults;
    services.notifier = new platform::DesktopNotifier(benchbus::noBus());
    services.sleepMonitor = new platform::SleepMonitor(benchbus::noBus());
    return AppController::create(services);
}

} // namespace benchcontroller
