#pragma once
// How the reporting windows run modally: alert panels and the reporter and feedback
// windows go through here, so that tests and the gallery can answer them instead of
// a person. By default both are application-modal platform::Sheet sheets without a
// window: they return at once and the answer arrives in a handler.
// Main thread only; the runners are process-wide.
#include <QString>
#include <functional>
#include <memory>

class QDialog;
class QMessageBox;

class NTXModalRunner
{
public:
    // The alert's buttons in the order they were added: 0 default, 1 alternate.
    // The runner answers the index of the button pressed.
    using AlertRunner = std::function<int(QMessageBox &alert)>;
    // Shows the window; one of its buttons closes it.
    using DialogRunner = std::function<void(QDialog &window)>;
    using AlertHandler = std::function<void(int buttonIndex)>;

    // An alert panel with a default button and, when its text is not empty, an
    // alternate one. It is wide enough for its title in the window manager's title
    // bar, beside the bar's buttons, and for its message at about 50 characters a
    // line (never wider than the screen).
    static std::unique_ptr<QMessageBox> makeAlert(const QString &title, const QString &message,
                                                  const QString &defaultButton, const QString &alternateButton);
    // That width of the alert's contents, in device-independent pixels.
    static int minimumAlertWidth(const QMessageBox &alert);
    // Shows the alert, and deletes it once the handler (which may be empty) has the
    // index of the button pressed (0 when the alert went away unanswered).
    static void runAlert(std::unique_ptr<QMessageBox> alert, AlertHandler handler);
    static void runDialog(QDialog &window);
    // An empty runner puts the default back.
    static void setAlertRunner(AlertRunner runner);
    static void setDialogRunner(DialogRunner runner);
};
