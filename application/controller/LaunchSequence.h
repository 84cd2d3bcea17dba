#pragma once
// The application's launch, as AppController::launch() describes it: the files of the
// command line are opened, a crash report left by the last run is offered, the last
// edited document is reopened ("OpenLastEditedDoc"), an untitled document opens when
// none is open and "OpenEmptyDocument" says so, and the later work runs: the silent
// update check ("UpdateAutoSearch") and the preferences window controller, each on
// its own. With a read-ahead the files and the last edited document are read on a
// pool thread while the first document window is made (a read that takes longer than
// File › Open waits shows its progress window); the rest runs in the pass in
// which the reads end, and the later work waits until a document window was first
// drawn (the next pass when none shows). A quit before the reads end ends the launch:
// the reads are cancelled and nothing more opens. Qt's MIME database, which the file
// dialogs read on the GUI thread, is read on a pool thread as the launch begins.
//
// Owned by its AppController (a child object, through a unique_ptr), next to the file
// reading and the preferences window it uses, which must outlive it. Destroying it
// drops what the launch prepared (the window made ahead; later files go to the
// controller's own reader); the launch's read-ahead must outlive the launch (or be
// cancelled). GUI thread only. Memory that runs out while the window is made ahead
// only costs the head start (the window is made when the document opens); memory that
// runs out while the launch opens its files read ahead ends the application with a
// line on the standard error and AppController::OutOfMemoryExitCode. A part of the
// later work that throws (memory ran out) is logged and leaves the other to run.
// Nothing else here throws.
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

class AppController;
class DocumentReadAhead;
class FileOpening;
class PreferenceWindowSetup;

class LaunchSequence : public QObject
{
    Q_OBJECT
public:
    // `updateCheck` runs the update check silently (a check that could not start counts
    // as failed).
    LaunchSequence(AppController &controller, FileOpening &fileOpening, PreferenceWindowSetup &preferences,
                   std::function<void()> updateCheck);
    ~LaunchSequence() override;

    // Opens the files (empty names left out); with a read-ahead, once it has read them.
    void launch(const QStringList &files, DocumentReadAhead *readAhead);
    // What follows the files of a launch without a read-ahead: the crash report, the
    // last edited document, the update check in the next pass, the preferences window.
    void applicationDidFinishLaunching();

private:
    // The rest of the launch once the files are read; `deferred`: the update check
    // and the preferences window controller wait for a document window's first drawing.
    void finishLaunch(const QStringList &files, bool deferred);
    void didFinishLaunching(bool deferred);
    // The launch's work nobody sees at once: the silent update check (when
    // "UpdateAutoSearch" is set) and the preferences window controller, each on its
    // own. One that fails (memory ran out) is logged and leaves the other to run: a
    // check that could not start counts as failed, and the preferences are made when
    // they are first shown.
    void doLaterLaunchWork();
    // The last edited document the launch reopens ("OpenLastEditedDoc"), else empty.
    QString documentToReopen() const;
    // The launch no longer needs what it prepared (the files read, the window made).
    void dropLaunchPreparation();

    AppController &m_controller;
    FileOpening &m_fileOpening;
    PreferenceWindowSetup &m_preferences;
    std::function<void()> m_updateCheck;
};
