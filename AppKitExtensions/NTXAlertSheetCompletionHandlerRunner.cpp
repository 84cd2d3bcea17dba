#include "AppKitExtensions/NTXAlertSheetCompletionHandlerRunner.h"

#include "platform/foundation/Exception.h"

#include <QEvent>
#include <QMessageBox>
#include <QWidget>

NTXAlertSheetCompletionHandlerRunner::NTXAlertSheetCompletionHandlerRunner(
    QMessageBox *alert, NTXNSAlertExtensions::CompletionHandler handler)
    : m_alert(alert)
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
        finish(NTXNSAlertExtensions::ModalResponseAbort);
        return;
    }
    m_window = window;
    if (window && m_alert->parentWidget() != window)
        m_alert->setParent(window, m_alert->windowFlags() | Qt::Dialog);
    if (window)
        window->installEventFilter(this);
    connect(m_alert.data(), &QDialog::finished, this, [this](int result) {
        QMessageBox *alert = m_alert.data();
        alertDidEnd(alert, NTXNSAlertExtensions::returnCodeForButton(alert, alert ? alert->clickedButton() : nullptr,
                                                                     result));
    });
    // By the time destroyed() is sent the alert is only a QObject: forget it before
    // finishing, so nothing reads it as the box it was.
    connect(m_alert.data(), &QObject::destroyed, this, [this]() {
        m_alert.clear();
        finish(NTXNSAlertExtensions::ModalResponseAbort);
    });
    m_alert->open();
}

void NTXAlertSheetCompletionHandlerRunner::alertDidEnd(QMessageBox *alert, int returnCode)
{
    if (alert != m_alertIdentity)
        throw platform::Exception(platform::Exception::InternalInconsistencyException,
                                  QStringLiteral("Got a alert different from what I expected -- This should never happen"));
    finish(returnCode);
}

bool NTXAlertSheetCompletionHandlerRunner::eventFilter(QObject *watched, QEvent *event)
{
    // the window hidden or closed by the program (a window-modal sheet keeps the user
    // from closing it)
    if (watched == m_window && !m_ended && event->type() == QEvent::Hide && !event->spontaneous()) {
        QPointer<QMessageBox> alert = m_alert;
        finish(NTXNSAlertExtensions::ModalResponseAbort);
        if (alert)
            alert->hide();
    }
    return false;
}

void NTXAlertSheetCompletionHandlerRunner::finish(int returnCode)
{
    if (m_ended)
        return;
    m_ended = true;
    if (m_window)
        m_window->removeEventFilter(this);
    if (m_alert)
        disconnect(m_alert.data(), nullptr, this, nullptr);
    // the handler runs after the alert's own handling of the click has returned
    QMetaObject::invokeMethod(
        this,
        [this, returnCode]() {
            NTXNSAlertExtensions::CompletionHandler handler = std::move(m_handler);
            m_handler = nullptr;
            if (handler)
                handler(m_alert.data(), returnCode);
            deleteLater();
        },
        Qt::QueuedConnection);
}
