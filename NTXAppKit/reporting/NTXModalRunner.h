#pragma once
// How the reporting windows run modally: alert panels and the reporter and feedback
// windows go through here, so that tests and the gallery can answer them instead of
// a person. By default an alert runs with exec() and a window with exec().
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
    // Runs the window until one of its buttons closed it.
    using DialogRunner = std::function<void(QDialog &window)>;

    // An alert panel with a default button and, when its text is not empty, an
    // alternate one.
    static std::unique_ptr<QMessageBox> makeAlert(const QString &title, const QString &message,
                                                  const QString &defaultButton, const QString &alternateButton);
    static int runAlert(QMessageBox &alert);
    static void runDialog(QDialog &window);
    // An empty runner puts the default back.
    static void setAlertRunner(AlertRunner runner);
    static void setDialogRunner(DialogRunner runner);
};
