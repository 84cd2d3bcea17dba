#pragma once
// Finding and launching the application that serves a live link. An application is
// its desktop entry: "<bundle identifier>.desktop" in the XDG applications folders
// (QStandardPaths::ApplicationsLocation), whose "X-LiveLink-BundleId" is the bundle
// identifier and whose "X-LiveLink-Server" (a ";" list) names its servers.
//
// Entries are outside files: read through platform::DesktopEntry (bounded). A
// folder that does not exist is skipped silently; one that cannot be listed is
// reported through LiveLinkUserInterface and the search goes on.
// GUI thread only (it may present an error).
#include <QString>

// Whether the value of "X-LiveLink-Server" names the server (one of its
// ";"-separated names equals it).
bool LiveLinkServerNamesContain(const QString &serverName, const QString &value);

// Searches the folder and its subfolders down to four levels below it (depth
// counts from the start's) for an entry of the bundle identifier that names the
// server; answers its path, or an empty string.
QString LiveLinkFindServerApplication(const QString &bundleIdentifier, const QString &serverName,
                                      const QString &folderPath, int depth);

namespace LiveLinkServerApplication {

// The application of the bundle identifier that serves the server: its own entry
// when that names the server, else the first found in the applications folders.
QString locate(const QString &bundleIdentifier, const QString &serverName);

// Starts the program of the name, found on PATH, without a shell or arguments.
// Only a plain name is started (no "/", not beginning with "-" or ".").
bool launch(const QString &programName);

} // namespace LiveLinkServerApplication
