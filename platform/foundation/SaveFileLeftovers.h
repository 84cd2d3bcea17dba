#pragma once
// The records a save file (platform::SaveFile) keeps of the names it gives its new
// files, and the removal of what a killed save left by those names.
//
// A save of a file NAME gives its finished new file the name NAME, a dot and six
// ASCII letters ("NAME.Glywoo") and renames it over NAME. A process killed between
// the two (or a full stop of the machine) leaves that file behind. So that only
// such a file is ever removed, and never a person's own "NAME.backup", the writer
// records the exact name and the file it made (its device and inode) before the
// rename, and clears the record after it: one record file per name, in a folder of
// the application's own ("$XDG_STATE_HOME/Chronark/Saves"), named after the saved
// file's real path and the six letters. A record holds the leftover's whole path and
// the device and inode of the file the writer made: one without them (an inode of
// 0) names no file the writer made and is neither written nor taken.
//
// A named file is recorded before it exists too: a pending record holds its name
// alone, written before the file is made (exclusively, under a name nothing had),
// and replaced by the full record once the file exists, before anything is written
// into it. A pending record's file is therefore taken only while it is empty.
//
// Records are written whole or not at all (a new unnamed file linked in; where that
// cannot be, or to replace a record, a temporary file beside the record, named after
// it and ".tmp", renamed over it), read with a bound (RecordByteLimit), and
// opened never through a link nor when they are not regular files. removeRecorded()
// removes what the records of a saved file name and clears them, and removes the
// temporaries of its records that a kill left; it opens nothing to decide: a
// recorded file is removed only when, looked at without following a link, it is a
// regular file of the user running us with one link, in the saved file's folder,
// named NAME plus a dot and six ASCII letters, with the recorded device and inode
// (empty, for a pending record). A record naming anything else is dropped and its
// file left alone. A record that cannot be read now, or whose file cannot be looked
// at or removed now (no descriptor left, say), stays for a later save to look at.
//
// Re-entrant; no shared state beyond the files. Failures answer false or 0; a
// record that cannot be written leaves the save without one (a leftover then stays).
#include <QString>
#include <QStringList>

namespace platform::SaveFileLeftovers {

constexpr qsizetype TemporarySuffixLength = 6;
// Bytes a record may hold; a longer one is no record of ours.
constexpr qint64 RecordByteLimit = 16 * 1024;
// Records of one saved file (and temporaries of them) looked at, at most.
constexpr int RecordsPerFileLimit = 64;

// "$XDG_STATE_HOME/Chronark/Saves" ($XDG_STATE_HOME defaults to ~/.local/state).
QString defaultRecordFolder();

// Whether a file name has the form of a new file of a save of savedFileName.
bool isTemporaryNameOf(const QString &fileName, const QString &savedFileName);

// What a record says: the leftover's path and the file the writer made there
// (device and inode).
struct Record
{
    QString path;
    quint64 device = 0;
    quint64 inode = 0;
};

// Records that the save of savedPath (a real path: no link) gives the file it made
// (device and inode in `record`) the name in `record`: before an unnamed file gets
// the name, once a named one exists. Answers whether it was recorded (never for an
// inode of 0).
bool record(const QString &recordFolder, const QString &savedPath, const Record &record);
// Records, before the file is made, the name a save of savedPath is about to give a
// new named file; record() with its device and inode replaces it once the file
// exists. Answers whether it was recorded.
bool recordPending(const QString &recordFolder, const QString &savedPath, const QString &leftoverPath);
// Clears the record of the new file named `leftoverPath` of the save of savedPath.
void clear(const QString &recordFolder, const QString &savedPath, const QString &leftoverPath);
// Removes the files that the records of savedPath name and that still are what
// the writer made (see above), and clears those records (after a save of savedPath
// succeeded, its own record cleared). Answers the number of files removed.
int removeRecorded(const QString &recordFolder, const QString &savedPath);

} // namespace platform::SaveFileLeftovers
