#include "AppKitExtensions/NTXNSWorkspaceExtension.h"

#include "AppKitExtensions/NTXNSAlertExtensions.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/DesktopEntry.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/RegularFile.h"
#include "platform/foundation/SaveFile.h"
#include "platform/foundation/SaveFileLeftovers.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <memory>
#include <utility>

namespace NTXNSWorkspaceExtension {

namespace {

QString text(const char *key)
{
    return platform::Bundle::mainBundle().localizedString(QString::fromLatin1(key), QStringLiteral("NTXLocalizable"));
}

QString encoded(const QString &value, const QByteArray &keep = QByteArray())
{
    return QString::fromLatin1(QUrl::toPercentEncoding(value, keep));
}

QString canonical(const QString &path)
{
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? QFileInfo(path).absoluteFilePath() : resolved;
}

// The program an entry starts, resolved to a file, or "" when it has none.
QString entryProgram(const platform::DesktopEntry &entry)
{
    const std::optional<QStringList> arguments = platform::DesktopEntry::execArguments(entry.value(QStringLiteral("Exec")));
    if (!arguments || arguments->isEmpty())
        return QString();
    QString program = arguments->first();
    if (!program.contains(QLatin1Char('/')))
        program = QStandardPaths::findExecutable(program);
    return program.isEmpty() ? QString() : canonical(program);
}

// The entries of the autostart folder that start the executable (hidden ones too).
QStringList entriesFor(const QString &executable, bool visibleOnly)
{
    QStringList found;
    const QString target = canonical(executable);
    const QDir folder(autostartFolder());
    for (const QFileInfo &info : folder.entryInfoList({QStringLiteral("*.desktop")}, QDir::Files)) {
        if (info.size() > platform::DesktopEntry::MaxBytes)
            continue;
        QFile file;
        if (!platform::RegularFile::openForReading(file, info.absoluteFilePath()))
            continue;
        const std::optional<platform::DesktopEntry> entry = platform::DesktopEntry::parse(file.read(platform::DesktopEntry::MaxBytes + 1));
        if (!entry || (visibleOnly && entry->isHidden()))
            continue;
        if (entryProgram(*entry) == target)
            found.append(info.absoluteFilePath());
    }
    return found;
}

} // namespace

void setShowsDockIcon(bool show)
{
    if (show) {
        if (QWidget *window = QApplication::activeWindow()) {
            window->raise();
            window->activateWindow();
        } else {
            for (QWidget *top : QApplication::topLevelWidgets()) {
                if (top->isVisible()) {
                    top->raise();
                    top->activateWindow();
                    break;
                }
            }
        }
        return;
    }
    NTXNSAlertExtensions::beginSheetModalForWindow(makeRelaunchAlert(), nullptr, [](QMessageBox *alert, int code) {
        if (alert)
            alert->deleteLater();
        if (code == NTXNSAlertExtensions::AlertFirstButtonReturn) {
            relaunchWhenQuitting();
            QCoreApplication::quit();
        }
    });
}

QMessageBox *makeRelaunchAlert(QWidget *parent)
{
    auto *alert = new QMessageBox(parent);
    alert->setIcon(QMessageBox::Warning);
    NTXNSAlertExtensions::addButtonWithTitle(alert, text("NTXLRelaunchNow"));
    NTXNSAlertExtensions::addButtonWithTitle(alert, text("NTXLLater"));
    alert->setText(NTXNSAlertExtensions::formatText(text("NTXLRelaunchAlertTitle"),
                                                    {QGuiApplication::applicationDisplayName()}));
    alert->setInformativeText(text("NTXLRelaunchAlertText"));
    return alert;
}

void relaunchWhenQuitting(const QString &program, const QStringList &arguments)
{
    static bool scheduled = false;
    if (scheduled || !QCoreApplication::instance())
        return;
    scheduled = true;
    const QString path = program.isEmpty() ? QCoreApplication::applicationFilePath() : program;
    const QStringList args = program.isEmpty() ? QCoreApplication::arguments().mid(1) : arguments;
    QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, platform::ExceptionBoundary::guarded(nullptr, "aboutToQuit", [path, args] {
        QProcess::startDetached(path, args);
    }));
}

std::optional<QString> mailtoAddress(const QString &recipient, const QString &subject, const QString &body,
                                     const QStringList &attachments)
{
    QStringList parameters;
    if (!subject.isEmpty())
        parameters.append(QStringLiteral("subject=") + encoded(subject));
    if (!body.isEmpty())
        parameters.append(QStringLiteral("body=") + encoded(body));
    for (const QString &path : attachments) {
        const QFileInfo info(path);
        if (!info.isFile())
            return std::nullopt;
        parameters.append(QStringLiteral("attach=") + encoded(info.absoluteFilePath()));
    }
    QString address = QStringLiteral("mailto:") + encoded(recipient, "@");
    if (!parameters.isEmpty())
        address += QLatin1Char('?') + parameters.join(QLatin1Char('&'));
    return address;
}

void emailTo(const QString &recipient, const QString &subject, const QString &body, const QStringList &attachments,
             QObject *context, std::function<void(bool sent)> answer)
{
    // Answered once, in a later pass, while the context lives.
    auto answerOnce = [answered = std::make_shared<bool>(false), answer = std::move(answer)](bool sent) {
        if (!std::exchange(*answered, true) && answer)
            answer(sent);
    };
    const std::optional<QString> address = mailtoAddress(recipient, subject, body, attachments);
    if (!address) {
        QTimer::singleShot(0, context, platform::ExceptionBoundary::guarded(context, "an e-mail's answer",
                                                                           [answerOnce]() mutable { answerOnce(false); }));
        return;
    }
    auto *process = new QProcess(context);
    process->setProgram(QStringLiteral("xdg-email"));
    process->setArguments({*address});
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->setStandardOutputFile(QProcess::nullDevice());
    auto *limit = new QTimer(process);
    limit->setSingleShot(true);
    QObject::connect(process, &QProcess::finished, process,
            platform::ExceptionBoundary::guarded(process, "xdg-email finished",
                                                 [process, answerOnce](int code, QProcess::ExitStatus status) mutable {
                                                     process->deleteLater();
                                                     answerOnce(status == QProcess::NormalExit && code == 0);
                                                 }));
    QObject::connect(process, &QProcess::errorOccurred, process,
            platform::ExceptionBoundary::guarded(process, "xdg-email failed",
                                                 [process, answerOnce](QProcess::ProcessError error) mutable {
                                                     if (error != QProcess::FailedToStart)
                                                         return; // finished follows
                                                     process->deleteLater();
                                                     answerOnce(false);
                                                 }));
    // Too slow: answered now, and the program killed (its end is then only collected).
    QObject::connect(limit, &QTimer::timeout, process,
            platform::ExceptionBoundary::guarded(process, "xdg-email's time limit", [process, answerOnce]() mutable {
                answerOnce(false);
                process->kill();
            }));
    limit->start(MailTimeoutMs);
    process->start();
}

QString autostartFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("autostart"));
}

QString loginItemFileName()
{
    QString name = QGuiApplication::desktopFileName();
    if (name.isEmpty())
        name = QCoreApplication::applicationName();
    return name + QStringLiteral(".desktop");
}

bool isAppRegisteredAsLoginItem() { return isRegisteredAsLoginItem(QCoreApplication::applicationFilePath()); }

bool addAppAsLoginItem()
{
    return addLoginItem(QCoreApplication::applicationFilePath(), QGuiApplication::applicationDisplayName(),
                        loginItemFileName());
}

void removeAppFromLoginItem() { removeLoginItems(QCoreApplication::applicationFilePath()); }

bool isRegisteredAsLoginItem(const QString &executable) { return !entriesFor(executable, true).isEmpty(); }

bool addLoginItem(const QString &executable, const QString &name, const QString &fileName)
{
    if (!QDir().mkpath(autostartFolder()))
        return false;
    platform::DesktopEntry entry;
    entry.setValue(QStringLiteral("Type"), QStringLiteral("Application"));
    entry.setValue(QStringLiteral("Name"), name);
    entry.setValue(QStringLiteral("Exec"), platform::DesktopEntry::execLine({QFileInfo(executable).absoluteFilePath()}));
    // Whatever has the entry's name, a link too, is replaced: nothing is written
    // through a link into a file elsewhere.
    platform::SaveFile file(QDir(autostartFolder()).filePath(fileName), platform::SaveFile::FinalLink::Replace);
    file.setRecordFolder(platform::SaveFileLeftovers::defaultRecordFolder());
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = entry.toBytes();
    return file.write(bytes) == bytes.size() && file.commit();
}

void removeLoginItems(const QString &executable)
{
    for (const QString &path : entriesFor(executable, false))
        QFile::remove(path);
}

} // namespace NTXNSWorkspaceExtension
