#pragma once
// A CUPS server of the test's own with two printers that make PDF files, in a
// temporary folder: its configuration, socket, spool, temporary files and the PDF
// files the printers make all lie there. Printer is the virtual PDF printer of
// cups-pdf (CUPS turns the job into PostScript, Ghostscript makes the PDF of it: the
// pages as printed, but their glyphs lose the characters they stand for, so no text
// can be read back); FilePrinter is CUPS's generic PDF printer writing each job into
// one file (CUPS's own page selection, the text readable). The server runs in a mount namespace of its
// own in which that folder's configuration stands at /etc/cups (where cups-pdf reads
// its settings), so nothing of the system's printing is read or changed; this process
// (and the programs it starts) reach it through CUPS_SERVER, set for the object's
// life. Stopped by process id when the object goes.
//
// Needs root (the namespace, and cups-pdf runs as root under the server) and the
// packages cups and printer-driver-cups-pdf: skipReason() says why when it cannot
// start. Make it before anything in the process talks to CUPS (libcups reads
// CUPS_SERVER once a thread). GUI thread.
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

namespace testsupport {

class PrivateCups
{
public:
    static constexpr const char *Printer = "ChronarkPdf";
    static constexpr const char *FilePrinter = "ChronarkPdfFile";

    PrivateCups()
    {
        if (geteuid() != 0) {
            m_skipReason = QStringLiteral("a private CUPS server needs root (a mount namespace, cups-pdf runs as root)");
            return;
        }
        const QString ppd = QStringLiteral("/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd");
        if (!QFileInfo::exists(QStringLiteral("/usr/sbin/cupsd")) ||
            !QFileInfo::exists(QStringLiteral("/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd")) ||
            !QFileInfo::exists(QStringLiteral("/usr/lib/cups/backend/cups-pdf")) || !QFileInfo::exists(ppd)) {
            m_skipReason = QStringLiteral("cups and printer-driver-cups-pdf are not installed (tools/dev setup)");
            return;
        }
        // The server's helpers run as lp and pass through the folder.
        QFile::setPermissions(m_dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner |
                                                QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                                                QFileDevice::ReadOther | QFileDevice::ExeOther);
        const QString root = m_dir.path();
        for (const char *folder : {"etc", "spool", "cache", "state", "tmp", "out", "log", "pdfspool", "file"})
            QDir(root).mkpath(QString::fromLatin1(folder));
        for (const char *shared : {"/tmp", "/file"})
            ::chmod(QFile::encodeName(root + QLatin1String(shared)).constData(), 01777);
        m_socket = root + QStringLiteral("/cups.sock");
        writeFile(root + QStringLiteral("/etc/cupsd.conf"),
                  "Listen " + QFile::encodeName(m_socket) +
                      "\nLogLevel info\nWebInterface No\nBrowsing Off\nDefaultAuthType None\n"
                      "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                      "<Policy default>\n  JobPrivateAccess default\n  JobPrivateValues default\n"
                      "  SubscriptionPrivateAccess default\n  SubscriptionPrivateValues default\n"
                      "  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n");
        const QByteArray r = QFile::encodeName(root);
        writeFile(root + QStringLiteral("/etc/cups-files.conf"),
                  "ServerRoot " + r + "/etc\nRequestRoot " + r + "/spool\nCacheDir " + r + "/cache\nStateDir " + r +
                      "/state\nTempDir " + r + "/tmp\nErrorLog " + r + "/log/error_log\nAccessLog " + r +
                      "/log/access_log\nPageLog " + r +
                      "/log/page_log\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\nUser lp\nGroup lp\n"
                      "SystemGroup root\nFileDevice Yes\nPrintcap " + r + "/state/printcap\nServerKeychain " + r + "/state/ssl\nCreateSelfSignedCerts no\n");
        writeFile(root + QStringLiteral("/etc/cups-pdf.conf"),
                  "Out " + r + "/out\nAnonDirName " + r + "/out\nSpool " + r + "/pdfspool\nLog " + r +
                      "/log\nLogType 1\nGSTmp " + r + "/tmp\n");
        m_oldServer = qgetenv("CUPS_SERVER");
        m_hadServer = qEnvironmentVariableIsSet("CUPS_SERVER");
        qputenv("CUPS_SERVER", QFile::encodeName(m_socket));
        m_server.setProcessChannelMode(QProcess::MergedChannels);
        m_server.start(QStringLiteral("unshare"),
                       {QStringLiteral("--mount"), QStringLiteral("--propagation"), QStringLiteral("private"),
                        QStringLiteral("sh"), QStringLiteral("-c"),
                        QStringLiteral("mount --bind \"$0/etc\" /etc/cups && exec /usr/sbin/cupsd -f -c \"$0/etc/cupsd.conf\" "
                                       "-s \"$0/etc/cups-files.conf\""),
                        root});
        if (!m_server.waitForStarted(10000)) {
            m_skipReason = QStringLiteral("the private CUPS server could not be started: ") + m_server.errorString();
            return;
        }
        // Up once it answers on its socket.
        const bool answers = QTest::qWaitFor(
            [this] {
                QByteArray output;
                return m_server.state() != QProcess::Running ||
                       (run({QStringLiteral("lpstat"), QStringLiteral("-r")}, &output) == 0 &&
                        output.trimmed() == "scheduler is running");
            },
            30000);
        if (!answers || m_server.state() != QProcess::Running) {
            m_skipReason = QStringLiteral("the private CUPS server did not start: ") +
                           QString::fromLocal8Bit(m_server.readAll());
            return;
        }
        const QString generic = QStringLiteral("/usr/share/ppd/cupsfilters/Generic-PDF_Printer-PDF.ppd");
        for (const QStringList &printer : {QStringList{QString::fromLatin1(Printer), QStringLiteral("cups-pdf:/"), ppd},
                                           QStringList{QString::fromLatin1(FilePrinter), QStringLiteral("file://") + filePrinted(), generic}}) {
            QByteArray output;
            if (run({QStringLiteral("lpadmin"), QStringLiteral("-p"), printer[0], QStringLiteral("-E"), QStringLiteral("-v"),
                     printer[1], QStringLiteral("-P"), printer[2]},
                    &output) != 0) {
                m_failure = QStringLiteral("lpadmin could not add %1: %2").arg(printer[0], QString::fromLocal8Bit(output));
                return;
            }
        }
        m_ready = true;
    }

    ~PrivateCups()
    {
        if (m_server.state() == QProcess::Running) {
            m_server.terminate();
            if (!m_server.waitForFinished(30000)) {
                m_server.kill();
                m_server.waitForFinished(10000);
            }
        }
        if (m_hadServer)
            qputenv("CUPS_SERVER", m_oldServer);
        else
            qunsetenv("CUPS_SERVER");
    }

    PrivateCups(const PrivateCups &) = delete;
    PrivateCups &operator=(const PrivateCups &) = delete;

    // Empty when the server runs with the printer (and no failure()).
    QString skipReason() const { return m_skipReason; }
    // Set when the server ran but the printer could not be added.
    QString failure() const { return m_failure; }
    bool isReady() const { return m_ready; }

    // The file FilePrinter writes each job into.
    QString filePrinted() const { return m_dir.filePath(QStringLiteral("file/printed.pdf")); }
    // The jobs a printer completed so far.
    int completedJobs(const char *printer) const
    {
        QByteArray output;
        run({QStringLiteral("lpstat"), QStringLiteral("-W"), QStringLiteral("completed"), QStringLiteral("-o"),
             QString::fromLatin1(printer)},
            &output);
        return int(output.trimmed().isEmpty() ? 0 : output.trimmed().count('\n') + 1);
    }
    // The PDF files the virtual printer made so far.
    QStringList printed() const
    {
        QStringList files;
        for (const QFileInfo &file : QDir(m_dir.filePath(QStringLiteral("out"))).entryInfoList({QStringLiteral("*.pdf")}, QDir::Files))
            files << file.absoluteFilePath();
        return files;
    }
    // Whether the server still holds a job that is not done.
    bool hasPendingJobs() const
    {
        QByteArray output;
        return run({QStringLiteral("lpstat"), QStringLiteral("-o")}, &output) != 0 || !output.trimmed().isEmpty();
    }
    // The server's socket.
    QString socket() const { return m_socket; }
    // Makes the printer take jobs, or refuse them (as cupsreject does).
    bool acceptJobs(const char *printer, bool accept) const
    {
        return run({QString::fromLatin1(accept ? "cupsaccept" : "cupsreject"), QString::fromLatin1(printer)}) == 0;
    }
    // The server's log, for a failure's message.
    QByteArray log() const { return readFile(m_dir.filePath(QStringLiteral("log/error_log"))); }

private:
    int run(const QStringList &command, QByteArray *output = nullptr) const
    {
        QProcess process;
        // This server, whatever CUPS_SERVER names meanwhile.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("CUPS_SERVER"), m_socket);
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(command.first(), command.mid(1));
        if (!process.waitForFinished(30000))
            return -1;
        if (output)
            *output = process.readAllStandardOutput();
        return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    }

    // Under the system's temporary folder, which everyone may pass through: the server's
    // helpers run as lp, and the test run's own temporary folder is its user's alone.
    QTemporaryDir m_dir{QStringLiteral("/tmp/chronark-cups-XXXXXX")};
    QString m_socket;
    QProcess m_server;
    QByteArray m_oldServer;
    bool m_hadServer = false;
    bool m_ready = false;
    QString m_skipReason;
    QString m_failure;
};

} // namespace testsupport
