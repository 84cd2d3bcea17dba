#pragma once
// Stands between an alert run as a sheet and its completion handler: it lives from
// the start of the sheet until the handler has run, then deletes itself. The sheet
// itself is a platform::Sheet. GUI thread only.
#include "AppKitExtensions/NTXNSAlertExtensions.h"

#include <QObject>
#include <QPointer>
#include <optional>

class QMessageBox;
class QWidget;

class NTXAlertSheetCompletionHandlerRunner : public QObject
{
    Q_OBJECT
public:
    NTXAlertSheetCompletionHandlerRunner(QMessageBox *alert, NTXNSAlertExtensions::CompletionHandler handler);
    ~NTXAlertSheetCompletionHandlerRunner() override;

    // Opens the alert window-modal on the window and waits for its end.
    void startOnWindow(QWidget *window);
    // The end of the alert: the handler is called in the next event-loop pass, then
    // the runner goes. An alert other than the runner's own is a failed assertion
    // (platform::AssertionHandler: an internal inconsistency) and changes nothing.
    void alertDidEnd(QMessageBox *alert, int returnCode);

    bool hasEnded() const { return m_ended; }

private:
    void finish(int returnCode);

    QPointer<QMessageBox> m_alert;
    const QMessageBox *m_alertIdentity = nullptr;
    std::optional<int> m_directCode; // given through alertDidEnd()
    NTXNSAlertExtensions::CompletionHandler m_handler;
    bool m_started = false;
    bool m_ended = false;
};
