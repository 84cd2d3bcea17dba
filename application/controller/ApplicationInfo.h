#pragma once
// The application's information list (executable name, bundle identifier, version,
// the addresses of the crash-report and feedback servers, the feedback subject prefix
// and web page, and where the application can be had, for live links),
// made from the build information and put on the main bundle, where the framework's
// services read it. Stateless; call once at start-up, before anything reads it.
#include <QVariantMap>

namespace ApplicationInfo {

QVariantMap infoDictionary();
void install();

} // namespace ApplicationInfo
