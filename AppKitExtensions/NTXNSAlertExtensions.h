#pragma once
// Alerts run as window-modal sheets that end in a completion handler. The handler is
// called exactly once, with the alert and the return code, in the event-loop pass
// after the alert ended (so it may delete or reuse the alert): when a button ends the
// alert, and also when the parent window is hidden or closed (the alert is ended with
// ModalResponseAbort) or when the alert is destroyed before it ended (the alert
// argument is then null). The caller need not keep anything.
//
// Return codes: buttons added with addButtonWithTitle() answer AlertFirstButtonReturn,
// AlertSecondButtonReturn, … in the order they were added; other buttons answer what
// QMessageBox answers for them (the standard button's value).
#include <QString>
#include <QVariantList>
#include <functional>

class QAbstractButton;
class QMessageBox;
class QWidget;

namespace NTXNSAlertExtensions {

using CompletionHandler = std::function<void(QMessageBox *alert, int returnCode)>;

constexpr int AlertFirstButtonReturn = 1000;
constexpr int AlertSecondButtonReturn = 1001;
constexpr int AlertThirdButtonReturn = 1002;
// The sheet ended without a button: its window went away.
constexpr int ModalResponseAbort = -1001;

// Adds a button; the first one added is the default button (Return), the second
// answers Escape, a third is the destructive choice. Answers the button (null for no
// alert).
QAbstractButton *addButtonWithTitle(QMessageBox *alert, const QString &title);
// The return code a button of the alert stands for.
int returnCodeForButton(const QMessageBox *alert, const QAbstractButton *button, int dialogResult);

// Runs the alert as a sheet on the window (application-modal without a window) and
// calls the handler when it ends. Returns at once. The alert becomes a child of the
// window. A null handler is allowed.
void beginSheetModalForWindow(QMessageBox *alert, QWidget *window, CompletionHandler handler);

// The informative text from a printf-style format: %@ (any value as text), %d %i %u
// (with l, ll, h, q, z length letters), %f %e %g (with width and precision), %s, %c,
// %x %X %o, %% and positional forms such as %1$@. Missing arguments read as empty.
QString formatText(const QString &format, const QVariantList &arguments);

} // namespace NTXNSAlertExtensions

// Builds an alert from texts and runs it as a sheet on the window: the message, a
// default button, an alternate and an other button when their titles are not empty,
// and the informative text formatted from the format and arguments when a format is
// given (a null format gives no informative text). The alert is deleted after the
// handler has run.
void NTXBeginAlertSheetWithHandler(const QString &messageText, const QString &defaultButton,
                                   const QString &alternateButton, const QString &otherButton, QWidget *window,
                                   NTXNSAlertExtensions::CompletionHandler handler,
                                   const QString &informativeFormat = QString(),
                                   const QVariantList &arguments = QVariantList());
