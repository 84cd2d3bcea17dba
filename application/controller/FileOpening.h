#pragma once
// The reading of the files that requests open (the open dialog, the recent files,
// another program's request): they are read on a pool thread while the windows stay
// alive, by the controller's own DocumentReadAhead, or by the launch's while the launch
// reads its files; a request opens its documents in the pass in which its reads end.
// A file already open is not read (its window only comes to the front). Reads running
// longer than AppController::OpeningProgressDelay milliseconds show the "opening
// documents" progress window (busy, without a button: the documents open as soon as
// their files are read), naming the file of the latest request or how many it has,
// until no request is being read. The launch's own read shows the same window, after
// the same wait (showProgressWhileReading()).
//
// Owned by its AppController (a child object, through a unique_ptr); the reader and
// the progress timer are its children, the progress window is its own. Made, it
// gives the documents' services its reader; destroying it takes the reader from them,
// cancels what is read (no request opens after) and takes the progress window down.
// GUI thread only; nothing here throws (its entries from Qt are guarded).
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <functional>

class AppController;
class DocumentReadAhead;
class QProgressDialog;
class QTimer;
class QWidget;

class FileOpening : public QObject
{
    Q_OBJECT
public:
    explicit FileOpening(AppController &controller);
    ~FileOpening() override;

    // The controller's own reader (the one of the requests after the launch).
    DocumentReadAhead *reader() const { return m_reader; }
    // Reads the files of a request, then calls `ready` on the GUI thread: in the pass
    // in which their reads end, at once when there is nothing to read; never after
    // the reads were cancelled.
    void read(const QStringList &paths, std::function<void()> ready);
    // Shows the progress window, naming the files, once the reader has been reading them
    // for OpeningProgressDelay milliseconds, until it has read them (the launch's read).
    void showProgressWhileReading(const QStringList &paths, DocumentReadAhead *reader);
    // The reads of the requests were cancelled with the launch's: none is waited for
    // any more, and the progress window goes.
    void forgetRequests();
    // The progress window of files being read; null when none shows.
    QWidget *progressWindow() const;

private:
    // A request being read begins: the progress shows after the delay (at once when it
    // shows already, with the new request's files).
    void beginRequest(const QStringList &paths);
    // A request was read: the progress goes with the last one.
    void endRequest();
    void showProgress();
    void endProgress();

    AppController &m_controller;
    DocumentReadAhead *m_reader = nullptr;
    // Requests whose files are being read, the files of the latest, and the progress.
    int m_requestsReading = 0;
    QStringList m_filesBeingRead;
    QTimer *m_progressTimer = nullptr;
    QPointer<QProgressDialog> m_progress;
};
