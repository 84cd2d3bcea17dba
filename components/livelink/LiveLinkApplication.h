#pragma once
// What the live links need to know of the running application: its bundle
// identifier (the main bundle's information list, "CFBundleIdentifier") and its
// process name (the file name of its executable).
// Stateless; thread-safe.
#include <QString>

namespace LiveLinkApplication {

QString bundleIdentifier();
// Empty before the application object exists.
QString processName();

} // namespace LiveLinkApplication
