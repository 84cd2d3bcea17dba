#include "AppKitExtensions/NTXAlertSheetCompletionHandlerRunner.h"

#include "platform/drawing/Sheet.h"
#include "platform/foundation/AssertionHandler.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QWidget>

NTXAlertSheetCompletionHandlerRunner::NTXAlertSheetCompletionHandlerRunner(
    QMessageBox *alert, NTXNSAlertExtensions::CompletionHandler handler)
    // The application holds it while its sheet runs, so one still pending when the
    // application ends goes with it.
    : QObject(QCoreApplication::instance())
    , m_alert(alert)
    , m_alertIdentity(alert)
    , m_handler(std::move(handler))
{
}

NTXAlertSheetCompletionHandlerRunner::~NTXAlertSheetCompletionHandlerRunner() = default;

void NTXAlertSheetCompletionHandlerRunner::startOnWindow(QWidget *window)
{
    if (m_started)
        return;
    m_started = true;
    if (!m_alert) {
        QMetaObject::invokeMethod(this,
                                  platform::ExceptionBoundary::guarded(this, "the completion of no alert", [this] {
                                      finish(NTXNSAlertExtensions::ModalResponseAbort);
                                  }),
                                  Qt::QueuedConnection);
        return;
    }
    // The sheet's handler runs in the pass after the alert ended; the alert is still
    // there unless it was destroyed (then the handler gets none).
    platform::Sheet::begin(m_alert.data(), window, [this](int result) {
        if (m_directCode) {
            finish(*m_directCode);
            return;
        }
        QMessageBox *alert = m_alert.data();
        if (result == platform::Sheet::Aborted || !alert)
            finish(NTXNSAlertExtensions::ModalResponseAbort);
        else
            finish(NTXNSAlertExtensions::returnCodeForButton(alert, alert->clickedButton(), result));
    });
}

void NTXAlertSheetCompletionHandlerRunner::alertDidEnd(QMessageBox *alert, int returnCode)
{
    if (alert != m_alertIdentity)
        platform::AssertionHandler::current().handleFailureInFunction(
            QStringLiteral("-[NTXAlertSheetCompletionHandlerRunner alertDidEnd:returnCode:contextInfo:]"),
            QStringLiteral("AppKitExtensions/NTXNSAlert.Extensions"), 46,
            QStringLiteral("Got a alert different from what I expected -- This should never happen"));
    if (m_ended || m_directCode)
        return;
    m_directCode = returnCode;
    if (!platform::Sheet::end(m_alert.data(), returnCode))
        QMetaObject::invokeMethod(
            this, platform::ExceptionBoundary::guarded(this, "the completion", [this, returnCode] { finish(returnCode); }),
            Qt::QueuedConnection);
}

void NTXAlertSheetCompletionHandlerRunner::finish(int returnCode)
{
    if (m_ended)
        return;
    m_ended = true;
    NTXNSAlertExtensions::CompletionHandler handler = std::move(m_handler);
    m_handler = nullptr;
    if (handler)
        handler(m_alert.data(), returnCode);
    deleteLater();
}
