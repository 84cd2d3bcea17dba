#pragma once
// Crash logs of this application, offered once to be sent. At launch checkForCrash()
// looks for the newest crash log that the crash handler (NTXCrashHandler) wrote;
// when it is newer than the last one found, the user is asked whether to send it,
// and the reporter window shows the report with the application's recent console
// output and takes a description; "Send" posts both to the address of the
// information list's "NTXCrashReporterCGIURL".
//
// The class operations read the standard folders unless tests point them
// elsewhere (setFolders()). A reporter object lives for one run of its window and
// deletes itself when its window closes. Main thread only. "Send" posts without
// waiting: the window stays up and usable, its progress indicator turning, until the
// answer is in or the time limit passed (the answer is not looked at), then it
// closes; closing the window meanwhile (or deleting the reporter) cancels the post.
#include "platform/network/HttpRequest.h"

#include <QDialog>
#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <QUrl>


class QMessageBox;
class QPlainTextEdit;
namespace platform {
class ProgressIndicator;
}
class QPushButton;

namespace platform {
class UserDefaults;
}

class NTXCrashReporter : public QObject
{
    Q_OBJECT
public:
    static inline const QString LastCrashReportDateKey = QStringLiteral("NTXCrashReporterLastCrashReportDate");
    static inline const QString CGIURLKey = QStringLiteral("NTXCrashReporterCGIURL");
    static inline const QString StringsTable = QStringLiteral("NTXCrashReporter");
    static inline const QString ReportSeparator = QStringLiteral("\n\n**********\n\n");
    static inline const QString UnreadableReport = QStringLiteral("*** Couldn't read Report ***");
    // Most bytes read of a crash log or of the console log (their ends are read).
    static constexpr qint64 MaxReadBytes = 1024 * 1024;
    // Most entries looked at in the crash-log folder.
    static constexpr int MaxFolderEntries = 10000;

    // The crash handler and the console log, for the standard folders; first thing in
    // main(). Reads the executable's name and version from the main bundle's
    // information list.
    static bool installCrashHandler();

    // The launch check; platform exceptions inside are caught and logged.
    static void checkForCrash();
    // The newest "<executable>_*.crash" below the crash-log folder (entries in name
    // order; of equal dates the first stays); empty when there is none.
    static QString pathAndNameOfCrashReportFile();
    // The last report of the crash log; UnreadableReport when it cannot be read;
    // empty without a crash log.
    static QString lastCrashReport();
    // The lines of the console log from the first one naming "<executable>[" on.
    static QString consoleLog();
    // The executable's name (file names and console lines).
    static QString applicationName();
    // The name the user knows the application by (the information list's
    // "CFBundleName", else the application's display name): the alert's text.
    static QString displayName();

    // Where the class operations look (tests); empty texts restore the standard ones.
    static void setFolders(const QString &crashFolder, const QString &consoleLogPath);
    static QString crashFolder();
    static QString consoleLogPath();
    // The defaults used (the standard ones unless set; tests).
    static void setUserDefaults(platform::UserDefaults *defaults);
    static platform::UserDefaults &userDefaults();
    // The request's time limit (tests).
    static void setTimeLimit(int msecs);

    // The date stored by the last check that found a new log (a double; an older
    // float value is read too); invalid when none is stored.
    static QDateTime lastCheckDate();

    // The "send?" alert of the launch check, naming the application by its display
    // name, as wide as its title and text need (NTXModalRunner::makeAlert()).
    static std::unique_ptr<QMessageBox> makeCrashAlert();

    NTXCrashReporter();
    ~NTXCrashReporter() override;

    QDialog *reporterWindow() const { return m_window; }
    QPlainTextEdit *reportTextView() const { return m_report; }
    QPlainTextEdit *describeTextView() const { return m_describe; }
    QPushButton *sendButton() const { return m_send; }
    QPushButton *dontSendButton() const { return m_dontSend; }

    // Fills the window and runs it modally.
    void showReporterDialog();
    platform::ProgressIndicator *progressIndicator() const { return m_progress; }
    // Whether the post is on its way.
    bool isSending() const { return m_post.isRunning(); }

    // Both buttons' action. Tag 1 ("Send") posts the report and closes the window once
    // the post is done; any other sender closes it at once. Closing ends the run and
    // lets the reporter go.
    void sendActionAbort(QObject *sender);

private:
    void close();

    QPointer<QDialog> m_window;
    QPlainTextEdit *m_report = nullptr;
    QPlainTextEdit *m_describe = nullptr;
    QPushButton *m_send = nullptr;
    QPushButton *m_dontSend = nullptr;
    platform::ProgressIndicator *m_progress = nullptr;
    platform::HttpRequest::Pending m_post;
};
