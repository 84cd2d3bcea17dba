#include "NTXAppKit/reporting/NTXCrashReporter.h"

#include "NTXAppKit/reporting/NTXConsoleLog.h"
#include "NTXAppKit/reporting/NTXCrashHandler.h"
#include "NTXAppKit/reporting/NTXModalRunner.h"
#include "NTXAppKit/reporting/NTXMultipartForm.h"
#include "platform/drawing/ProgressIndicator.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/Exception.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/RegularFile.h"
#include "platform/foundation/UserDefaults.h"

#include <QDialog>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

namespace {

QString crashFolderOverride;
QString consoleLogOverride;
platform::UserDefaults *defaultsOverride = nullptr;
int timeLimit = platform::HttpRequest::DefaultTimeLimitMs;

QString text(const QString &key)
{
    return platform::Bundle::bundleNamed(QStringLiteral("NTXAppKit"))
        .localizedString(key, NTXCrashReporter::StringsTable);
}

// The end of the file, at most MaxReadBytes; nothing when it cannot be read.
std::optional<QString> readEnd(const QString &path)
{
    QFile file;
    if (!platform::RegularFile::openForReading(file, path))
        return std::nullopt;
    const qint64 size = file.size();
    if (size > NTXCrashReporter::MaxReadBytes)
        file.seek(size - NTXCrashReporter::MaxReadBytes);
    return QString::fromUtf8(file.read(NTXCrashReporter::MaxReadBytes));
}

} // namespace

bool NTXCrashReporter::installCrashHandler()
{
    const platform::Bundle &bundle = platform::Bundle::mainBundle();
    const QString version = bundle.objectForInfoDictionaryKey(QStringLiteral("CFBundleShortVersionString")).toString();
    const bool installed = NTXCrashHandler::install(crashFolder(), applicationName(), version);
    NTXConsoleLog::install(consoleLogPath(), applicationName());
    return installed;
}

void NTXCrashReporter::setFolders(const QString &crashFolderPath, const QString &consoleLog)
{
    crashFolderOverride = crashFolderPath;
    consoleLogOverride = consoleLog;
}

QString NTXCrashReporter::crashFolder()
{
    return crashFolderOverride.isEmpty() ? NTXCrashHandler::defaultFolder() : crashFolderOverride;
}

QString NTXCrashReporter::consoleLogPath()
{
    return consoleLogOverride.isEmpty() ? NTXConsoleLog::defaultPath() : consoleLogOverride;
}

void NTXCrashReporter::setUserDefaults(platform::UserDefaults *defaults)
{
    defaultsOverride = defaults;
}

platform::UserDefaults &NTXCrashReporter::userDefaults()
{
    return defaultsOverride ? *defaultsOverride : platform::UserDefaults::standardUserDefaults();
}

void NTXCrashReporter::setTimeLimit(int msecs)
{
    timeLimit = msecs;
}

QString NTXCrashReporter::applicationName()
{
    const QString name =
        platform::Bundle::mainBundle().objectForInfoDictionaryKey(QStringLiteral("CFBundleExecutable")).toString();
    return name.isEmpty() ? QStringLiteral("chronark") : name;
}

QString NTXCrashReporter::displayName()
{
    const QString name =
        platform::Bundle::mainBundle().objectForInfoDictionaryKey(QStringLiteral("CFBundleName")).toString();
    if (!name.isEmpty())
        return name;
    const QString shown = QGuiApplication::applicationDisplayName();
    return shown.isEmpty() ? applicationName() : shown;
}

QString NTXCrashReporter::pathAndNameOfCrashReportFile()
{
    const QString folder = crashFolder();
    const QString prefix = applicationName() + QLatin1Char('_');
    QStringList entries;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext() && entries.size() < MaxFolderEntries) {
        const QString relative = it.next().mid(folder.size() + 1);
        if (relative.startsWith(prefix) && relative.endsWith(QLatin1String(".crash")))
            entries.append(relative);
    }
    std::sort(entries.begin(), entries.end());
    QString newest;
    QDateTime newestDate;
    for (const QString &entry : entries) {
        const QDateTime date = QFileInfo(folder + QLatin1Char('/') + entry).lastModified().toUTC();
        if (newest.isEmpty() || date > newestDate) {
            newest = entry;
            newestDate = date;
        }
    }
    return newest.isEmpty() ? QString() : folder + QLatin1Char('/') + newest;
}

QString NTXCrashReporter::lastCrashReport()
{
    const QString path = pathAndNameOfCrashReportFile();
    if (path.isEmpty())
        return QString();
    const std::optional<QString> content = readEnd(path);
    if (!content)
        return UnreadableReport;
    const QStringList pieces = content->split(ReportSeparator);
    return pieces.isEmpty() ? UnreadableReport : NTXCrashHandler::localTimeLines(pieces.last());
}

QString NTXCrashReporter::consoleLog()
{
    const std::optional<QString> content = readEnd(consoleLogPath());
    if (!content)
        return QString();
    const QStringList lines = content->split(QLatin1Char('\n'));
    const QString marker = applicationName() + QLatin1Char('[');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].contains(marker))
            return lines.mid(i).join(QLatin1Char('\n'));
    }
    return QString();
}

QDateTime NTXCrashReporter::lastCheckDate()
{
    const QVariant stored = userDefaults().objectForKey(LastCrashReportDateKey);
    if (!stored.isValid())
        return QDateTime();
    // Older versions stored a float; doubleForKey reads either.
    const double seconds = userDefaults().doubleForKey(LastCrashReportDateKey);
    return QDateTime::fromMSecsSinceEpoch(qRound64(seconds * 1000.0), Qt::UTC);
}

std::unique_ptr<QMessageBox> NTXCrashReporter::makeCrashAlert()
{
    return NTXModalRunner::makeAlert(text(QStringLiteral("WANT_TO_SEND_CRASH_TITLE")),
                                     text(QStringLiteral("WANT_TO_SEND_CRASH")).arg(displayName()),
                                     text(QStringLiteral("WANT_TO_SEND_CRASH_SEND")),
                                     text(QStringLiteral("WANT_TO_SEND_CRASH_DONT_SEND")));
}

void NTXCrashReporter::checkForCrash()
{
    try {
        const QString path = pathAndNameOfCrashReportFile();
        if (path.isEmpty())
            return;
        const QDateTime crashDate = QFileInfo(path).lastModified().toUTC();
        const QDateTime stored = lastCheckDate();
        const QDateTime since = stored.isValid() ? stored : QDateTime::fromMSecsSinceEpoch(0, Qt::UTC);
        if (!crashDate.isValid() || !(since < crashDate))
            return;
        NTXModalRunner::runAlert(makeCrashAlert(), [](int button) {
            if (button != 1) {
                auto *reporter = new NTXCrashReporter;
                reporter->showReporterDialog();
            }
        });
        // The log just offered counts as seen, whatever the answer (stored in full
        // precision, so that a later crash is never lost in rounding).
        platform::UserDefaults &defaults = userDefaults();
        defaults.setDouble(double(platform::Clock::now().toMSecsSinceEpoch()) / 1000.0, LastCrashReportDateKey);
    } catch (const platform::Exception &e) {
        qWarning("Exception during check for crash: %s", e.what());
    }
}

NTXCrashReporter::NTXCrashReporter()
{
    m_window = new QDialog;
    m_window->setObjectName(QStringLiteral("reporterWindow"));
    m_window->setWindowTitle(text(QStringLiteral("REPORTER_WINDOW_TITLE")));
    auto *layout = new QVBoxLayout(m_window);
    layout->addWidget(new QLabel(text(QStringLiteral("REPORTER_REPORT_LABEL"))));
    m_report = new QPlainTextEdit;
    m_report->setObjectName(QStringLiteral("reportTextView"));
    m_report->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(m_report, 3);
    layout->addWidget(new QLabel(text(QStringLiteral("REPORTER_DESCRIBE_LABEL"))));
    m_describe = new QPlainTextEdit;
    m_describe->setObjectName(QStringLiteral("describeTextView"));
    layout->addWidget(m_describe, 1);
    auto *buttons = new QHBoxLayout;
    m_progress = new platform::ProgressIndicator;
    m_progress->setObjectName(QStringLiteral("progressIndicator"));
    m_progress->setControlSize(platform::ProgressIndicator::ControlSize::Small);
    m_progress->setDisplayedWhenStopped(false);
    buttons->addWidget(m_progress);
    buttons->addStretch();
    m_dontSend = new QPushButton(text(QStringLiteral("WANT_TO_SEND_CRASH_DONT_SEND")));
    m_dontSend->setProperty("tag", 0);
    m_send = new QPushButton(text(QStringLiteral("WANT_TO_SEND_CRASH_SEND")));
    m_send->setProperty("tag", 1);
    m_send->setDefault(true);
    buttons->addWidget(m_dontSend);
    buttons->addWidget(m_send);
    layout->addLayout(buttons);
    m_window->resize(560, 460);
    connect(m_send, &QPushButton::clicked, this,
            platform::ExceptionBoundary::guarded(this, "Send", [this] { sendActionAbort(m_send); }));
    connect(m_dontSend, &QPushButton::clicked, this,
            platform::ExceptionBoundary::guarded(this, "Don't Send", [this] { sendActionAbort(m_dontSend); }));
    // Closed in any way (also by the window manager), the window lets the reporter go.
    connect(m_window, &QDialog::finished, this, &QObject::deleteLater);
}

NTXCrashReporter::~NTXCrashReporter()
{
    delete m_window.data();
}

void NTXCrashReporter::showReporterDialog()
{
    m_report->setPlainText(lastCrashReport() + QStringLiteral("\n\n") + consoleLog());
    m_describe->setPlainText(QString());
    NTXModalRunner::runDialog(*m_window);
}

void NTXCrashReporter::sendActionAbort(QObject *sender)
{
    const bool send = sender && sender->property("tag").toInt() == 1;
    if (send && m_post.isRunning())
        return;
    if (send) {
        const QUrl url(platform::Bundle::mainBundle().objectForInfoDictionaryKey(CGIURLKey).toString());
        const QByteArray body =
            NTXMultipartForm::crashReportBody(m_report->toPlainText(), m_describe->toPlainText());
        m_send->setEnabled(false);
        m_progress->startAnimation();
        // The reporter is the context: closing the window lets it go, and the post with it.
        m_post = NTXMultipartForm::request(url, QStringLiteral("NTXCrashReporter"), body, timeLimit)
                     .send(this, [this](const platform::HttpRequest::Response &) {
                         m_progress->stopAnimation();
                         close();
                     });
        return;
    }
    close();
}

void NTXCrashReporter::close()
{
    m_post.cancel();
    m_window->hide();
    m_window->done(QDialog::Accepted);
    deleteLater();
}
