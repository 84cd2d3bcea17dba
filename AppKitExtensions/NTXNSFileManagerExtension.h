#pragma once
// The user's standard folders on this system: Documents, the preferences folder
// ($XDG_CONFIG_HOME), the application-support folder ($XDG_DATA_HOME), the folder
// that holds the home folders, and the temporary folder. Each answers an absolute
// path without "~", or "" when the system knows none. Plain functions, any thread.
#include <QString>

namespace NTXNSFileManagerExtension {

QString documentsDirectory();
QString preferencesDirectory();
QString usersDirectory();
QString applicationSupportDirectory();
QString temporaryFolder();

} // namespace NTXNSFileManagerExtension
