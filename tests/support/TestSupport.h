#pragma once
// Small helpers shared by the test programs.
#include <QByteArray>
#include <QImage>
#include <QProcessEnvironment>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// Absolute path of a file under tests/data.
QString dataPath(const QString &relative);

// The bytes of a file (empty when it cannot be read).
QByteArray readFile(const QString &path);

// Writes bytes to a file, creating folders; answers whether it worked.
bool writeFile(const QString &path, const QByteArray &bytes);

// A square picture for the galleries: a vertical gradient in a hue of its own (hue
// step × index) with the number index + 1 in large white figures.
QImage numberedPicture(int index, int side, int hueStep);

// Where a test puts a picture it made for a person to look at: the folder named by
// CHRONARK_SCREENSHOT_DIR, else "chronark-screenshots" in the temporary folder
// (created when missing), never the working or the program's folder.
QString screenshotPath(const QString &fileName);

// Delivers what the last few event-loop passes queued: a sheet's end handler runs in
// the pass after the sheet ended, and may queue one more call.
void settleEvents();

// Points the XDG folders (config, data, cache, state, and the runtime folder when the
// session gives none) at a fresh temporary folder for the lifetime of the object, so a
// test never touches the user's real files. The folder is in
// memory (/dev/shm) where the system has one: the settings and records written there are
// synced to a disk that parallel test programs keep busy, and what a test measures is
// not how long the disk takes. In a child of a test (see childEnvironment()) it is in the
// parent's home instead, which the parent removes: a child that ends without unwinding
// (a death test's exit()) leaves none.
// Qt's own settings of the user (QSettings::UserScope: the file dialogs keep their state
// there) are kept in its config folder while it lives, and where they were before
// afterwards: Qt takes the folder from the environment only once in a process, and
// would write into a home that was removed.
class ScopedXdgHome
{
public:
    ScopedXdgHome();
    ~ScopedXdgHome();
    QString path() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir{folderTemplate()};
    QByteArray m_old[4];
    QString m_oldSettingsFolder;
    QByteArray m_oldRuntime;
    bool m_hadRuntime = false;
    bool m_setRuntime = false;

    static QString folderTemplate();
    static void pointSettingsAt(const QString &folder);
};

// The environment for this test program run again as a child of the test (a process
// that crashes on purpose, a run at another scale factor): the test's own, and a mark by
// which the child uses the parent's user folders and a temporary folder inside them,
// which the parent removes, so that a child that ends without unwinding leaves nothing.
QProcessEnvironment childEnvironment();
// Whether this process is such a child (or a death test's child).
bool isChildOfATest(int argc, char **argv);
// In a process marked as such a child: the folder holding the user folders it got from
// its parent (the parent's home, which the parent removes); else empty. A
// ScopedXdgHome made in the child goes there.
QString parentsHome();

// Sets (or, given a null value, unsets) one environment variable for the lifetime of
// the object and puts the old value back afterwards, also when it was not set: a test
// that points the process at a private service (PULSE_SERVER, XDG_RUNTIME_DIR …)
// leaves no address of a stopped one to the tests after it.
class ScopedEnv
{
public:
    ScopedEnv(const char *name, const QByteArray &value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv &) = delete;
    ScopedEnv &operator=(const ScopedEnv &) = delete;

private:
    QByteArray m_name;
    QByteArray m_old;
    bool m_had;
};

// Runs the code of its scope under another local time zone (TZ), and puts the old
// one back afterwards.
class ScopedTimeZone
{
public:
    explicit ScopedTimeZone(const char *tz);
    ~ScopedTimeZone();

private:
    QByteArray m_old;
    bool m_had;
};

} // namespace testsupport
