#pragma once
// The alerts of the document machinery: message boxes run as platform::Sheet sheets
// (application-modal without a window) that end in a handler. open() returns at once;
// an alert waits while another sheet is up on the window (without a window, while
// another application-modal sheet is up), so that each alert is answered in turn and
// none stands blocked behind another. The handler runs exactly
// once, in the event-loop pass after the alert ended, so it may close or delete the
// window. When the alert goes away without a button (its window was hidden or
// destroyed), the handler gets QMessageBox::NoButton.
//
// Texts come from the string table of the platform bundle (":/bundles/platform").
// Threads: GUI thread only.
#include <QMessageBox>
#include <QString>
#include <functional>

class QWidget;

namespace platform::DocumentAlert {

using Handler = std::function<void(QMessageBox::StandardButton)>;

struct Button
{
    QMessageBox::StandardButton button;
    QString title; // empty: Qt's own title for the button
};

// Shows the alert and answers it (it deletes itself once it ended).
QMessageBox *open(QWidget *window, QMessageBox::Icon icon, const QString &text, const QString &informativeText,
                  const QList<Button> &buttons, QMessageBox::StandardButton defaultButton,
                  QMessageBox::StandardButton escapeButton, Handler handler);

// A one-button ("OK") error alert: the text and the reason below it.
QMessageBox *openError(QWidget *window, const QString &text, const QString &reason, Handler handler = {});
// The same with details (shown on request), set before the alert is laid out.
QMessageBox *openError(QWidget *window, const QString &text, const QString &reason, const QString &details,
                       Handler handler = {});

// Runs a completion handler in the next event-loop pass, so that it may close the
// window whose dialog just ended.
void answerLater(const std::function<void(bool)> &handler, bool value);

// The text of a key of the platform bundle's string table.
QString localizedString(const QString &key);
// The text of a key used as a format: "%1" becomes the argument as quotedName()
// shows it.
QString localizedString(const QString &key, const QString &argument);
// A name (a file's, a document's, a job's) as an alert quotes it: on one line, cut
// with an ellipsis to what the alert shows on one of its lines (some fifty average
// characters of its font), and isolated (DisplayText::isolated()), so that the
// ellipsis and the closing quote are always seen, no direction mark in the name
// turns the rest of the alert around, and laying out the alert costs the same
// however long the name is. A place that shows a name whole in several lines (an
// alert's details) uses DisplayText::setInText().
QString quotedName(const QString &name);
// A file's path as an alert quotes it: as quotedName(), but cut in its middle, so that
// the start of its folder and the file's own name are both seen however deep it lies.
QString quotedPath(const QString &path);
// The text of a key used as a format: "%1" becomes the path as quotedPath() shows it.
QString localizedStringWithPath(const QString &key, const QString &path);

} // namespace platform::DocumentAlert
