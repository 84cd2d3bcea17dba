#pragma once
// What an interrupted atomic save leaves beside its file, and its removal.
//
// QSaveFile writes a file NAME through a temporary file in the same folder, named
// NAME, a dot and six ASCII letters ("NAME.Glywoo"), and renames it over NAME when
// it commits. A process killed before the rename (or a full stop of the machine)
// leaves that temporary file behind, whole or in part, and no later save removes
// it. removeFor() does, after a save of NAME succeeded: it removes the files beside
// NAME that are such leftovers of the same writer, and nothing else. A leftover
// - is named NAME, a dot and exactly six ASCII letters (the saved file's real name:
//   a save through a symbolic link writes beside the link's target);
// - is a regular file (not a link, folder, pipe or device) of the user running us;
// - begins with the bytes the writer begins every such file with (the caller's);
// - was last changed before the given moment, the start of the save that succeeded:
//   another process still writing its own temporary file is left alone. The moment
//   and the file times are the system's (files carry the system's time, not the
//   application's clock).
// Other names, other files' temporaries and anything that cannot be looked at are
// passed over.
//
// Re-entrant; no shared state; meant for the thread that wrote the file. Answers the
// number of files removed; a file that cannot be removed is passed over.
#include <QByteArrayView>
#include <QDateTime>
#include <QString>

namespace platform::SaveFileLeftovers {

// Whether a file name has the form of a temporary file of a save of savedFileName.
bool isTemporaryNameOf(const QString &fileName, const QString &savedFileName);

int removeFor(const QString &savedPath, QByteArrayView leadingBytes, const QDateTime &changedBefore);

} // namespace platform::SaveFileLeftovers
