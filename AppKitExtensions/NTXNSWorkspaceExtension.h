#pragma once
// What an application asks of the desktop: its task-bar presence, an e-mail in the
// user's mail program, and starting at login.
// - There is no Dock icon here: showing activates the application; hiding asks the
//   user to relaunch in an application-modal alert that returns at once ("relaunch
//   now" starts our executable again, with its arguments, as the application quits,
//   so a cancelled quit leaves no second instance).
// - E-mail: a mailto address built here (to, subject, body, one attach per file, all
//   percent-encoded, so quotes, "&" and line breaks arrive unchanged) handed as the one
//   argument of xdg-email, which finds the user's mail program. Nothing waits for it:
//   the answer comes in a later event-loop pass, true when xdg-email exits 0 within
//   MailTimeoutMs, false for a missing attachment (before anything runs), a program
//   that fails or cannot start, or one that takes longer (it is killed); none once the
//   context is gone.
// - Login item: an entry "$XDG_CONFIG_HOME/autostart/<desktop file name>.desktop"
//   (written atomically, never through a link at its place: a link there is
//   replaced by the entry itself) whose Exec starts our executable. Registered = such an entry,
//   not hidden, whose program resolves to our executable; removal deletes all of them.
//   Unreadable or oversized entries are skipped.
// Main thread only (the alert and the process handling need it).
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QMessageBox;
class QObject;
class QWidget;

namespace NTXNSWorkspaceExtension {

constexpr int MailTimeoutMs = 10000;

void setShowsDockIcon(bool show);
// The relaunch alert (the caller owns it): warning style, buttons "relaunch now"
// (first) and "later", texts from the table "NTXLocalizable" of the main bundle.
QMessageBox *makeRelaunchAlert(QWidget *parent = nullptr);
// Starts the program with the arguments (QProcess, no shell) when the application is
// about to quit; once, however often asked. Defaults: our executable and arguments.
void relaunchWhenQuitting(const QString &program = QString(), const QStringList &arguments = QStringList());

// The mailto address, or nothing when an attachment is not an existing file.
std::optional<QString> mailtoAddress(const QString &recipient, const QString &subject, const QString &body,
                                     const QStringList &attachments);
void emailTo(const QString &recipient, const QString &subject, const QString &body, const QStringList &attachments,
             QObject *context, std::function<void(bool sent)> answer);

// The autostart folder and the entry's file name for our application.
QString autostartFolder();
QString loginItemFileName();
bool isAppRegisteredAsLoginItem();
bool addAppAsLoginItem();
void removeAppFromLoginItem();
// The same for any executable (the application uses its own).
bool isRegisteredAsLoginItem(const QString &executable);
bool addLoginItem(const QString &executable, const QString &name, const QString &fileName);
void removeLoginItems(const QString &executable);

} // namespace NTXNSWorkspaceExtension
