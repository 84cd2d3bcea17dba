// The export panel and the print preview of a document window: the accessories'
// coupled boxes and defaults (written on OK only), the formats offered, the alert of
// a failed export, and the PDFs of printing and of the export read back with
// pdftotext (words, and where they stand on the page).
#include "tests/application/document/TestMyDocumentSupport.h"

#include "application/base/DefaultsKeys.h"
#include "application/export/DocumentExportPanel.h"
#include "AppKitExtensions/NTXSelectEncodingsPanel.h"
#include "application/export/DocumentPrintAccessoryViewController.h"
#include "application/export/DocumentPrintDialog.h"
#include "application/export/DocumentPrintPanel.h"
#include "application/export/PreviewText.h"
#include "application/export/PrintPreviewView.h"
#include "application/export/ExportJob.h"
#include "platform/drawing/Sheet.h"
#include "platform/print/PagedTextPrinter.h"
#include "platform/print/PrintInfo.h"
#include "tests/application/export/RenderedPdf.h"
#include "NTXAppKit/NTXProgressWindowController/NTXProgressWindowController.h"
#include "FoundationExtensions/NTXStringEncodings.h"
#include "tests/support/HeldPool.h"
#include "tests/support/PrivateCups.h"

#include <QPainter>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QDialog>
#include <QLabel>
#include <QAction>
#include <QPrinter>
#include <QBuffer>
#include <QSpinBox>
#include <QTcpServer>
#include <QTcpSocket>
#include <QLocalSocket>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTextDocument>

#include <cmath>
#include <random>

using namespace mydoctest;

namespace {

struct Word
{
    QString text;
    double xMin, yMin, xMax;
};

// The words of a PDF's first page with their boxes in points (pdftotext -bbox).
QList<Word> pdfWords(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), QStringLiteral("-f"), QStringLiteral("1"),
                                                QStringLiteral("-l"), QStringLiteral("1"), path, QStringLiteral("-")});
    process.waitForFinished(30000);
    const QString html = QString::fromUtf8(process.readAllStandardOutput());
    static const QRegularExpression word(
        QStringLiteral(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)</word>)re"));
    QList<Word> words;
    for (const QRegularExpressionMatch &m : word.globalMatch(html))
        words.append({m.captured(4), m.captured(1).toDouble(), m.captured(2).toDouble(), m.captured(3).toDouble()});
    return words;
}

// The words of a PDF's pages (of one page, when given), line by line.
QStringList pdfWordList(const QString &path, int page = 0)
{
    QStringList arguments{QStringLiteral("-layout")};
    if (page > 0)
        arguments << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l") << QString::number(page);
    QProcess process;
    process.start(QStringLiteral("pdftotext"), arguments << path << QStringLiteral("-"));
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput()).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
}

QStringList texts(const QList<Word> &words)
{
    QStringList list;
    for (const Word &w : words)
        list << w.text;
    return list;
}

// A print server that accepts connections and never answers (a network print
// server that hangs), on 127.0.0.1, started and stopped by the test; CUPS_SERVER
// names it while it lives (libcups reads it anew for every call of ours). Once
// passTo() names a CUPS server's socket, it is a gate opened: what its clients sent
// and send goes on to that server, and its answers come back.
class SilentPrintServer
{
public:
    SilentPrintServer() : m_oldServer(qgetenv("CUPS_SERVER")), m_hadServer(qEnvironmentVariableIsSet("CUPS_SERVER"))
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = m_server.nextPendingConnection()) {
                ++m_accepted;
                m_clients.append(socket);
                // Read and kept until the gate opens: the client is never short of room
                // to write.
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                    if (auto *cups = socket->findChild<QLocalSocket *>())
                        cups->write(socket->readAll());
                    else if (m_passTo.isEmpty())
                        socket->setProperty("held", QByteArray(socket->property("held").toByteArray() + socket->readAll()));
                });
                if (!m_passTo.isEmpty())
                    pass(socket);
            }
        });
        qputenv("CUPS_SERVER", name().toLatin1());
    }
    ~SilentPrintServer()
    {
        if (m_hadServer)
            qputenv("CUPS_SERVER", m_oldServer);
        else
            qunsetenv("CUPS_SERVER");
        m_server.close();
    }
    bool isListening() const { return m_server.isListening(); }
    QString name() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }
    int accepted() const { return m_accepted; }
    void passTo(const QString &socketPath)
    {
        m_passTo = socketPath;
        for (QTcpSocket *client : std::as_const(m_clients))
            if (client)
                pass(client);
    }

private:
    void pass(QTcpSocket *client)
    {
        auto *cups = new QLocalSocket(client);
        QObject::connect(cups, &QLocalSocket::readyRead, client, [client, cups] { client->write(cups->readAll()); });
        QObject::connect(cups, &QLocalSocket::disconnected, client, &QTcpSocket::disconnectFromHost);
        QObject::connect(client, &QTcpSocket::disconnected, cups, &QLocalSocket::disconnectFromServer);
        cups->connectToServer(m_passTo);
        cups->waitForConnected(10000);
        cups->write(QByteArray(client->property("held").toByteArray() + client->readAll()));
    }

    QList<QPointer<QTcpSocket>> m_clients;
    QString m_passTo;
    QByteArray m_oldServer;
    bool m_hadServer;
    QTcpServer m_server;
    int m_accepted = 0;
};

class ExportPanelTest : public MyDocumentFixture
{
protected:
    void SetUp() override
    {
        MyDocumentFixture::SetUp();
        document = newDocument(true);
        ASSERT_NE(document, nullptr);
        alpha = makeJob(QStringLiteral("Alpha"), 60, {{8, 90}});
        day = alpha->childAtIndex(0);
        day->setItemName(QStringLiteral("Monday"));
        entry = day->childAtIndex(0);
        group = makeNode(Node::Group, QStringLiteral("Clients"));
        group->addChild(makeJob(QStringLiteral("Beta"), 0, {}));
        fill(document, {group, alpha});
    }

    // The file of an export is written by a job on a pool thread: its end.
    void waitForTheExport()
    {
        drainEvents();
        // The job gone, and its sheet: the next command finds the window free.
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return !document->documentWindow()->findChild<ExportJob *>() &&
                   !platform::Sheet::sheetOfWindow(document->documentWindow());
        }, 60000));
        // Its end handler, a pass later.
        drainEvents();
    }

    // How a print job ended.
    struct PrintEnd
    {
        bool ended = false;
        ExportJob::Outcome outcome = ExportJob::Failed;
        QString reason;
    };
    // Prints on the printer chosen through the panel; `meanwhile` has the job while it
    // runs (its sheet on the document window). Its end.
    PrintEnd printOn(DocumentPrintPanel *panel, const PrintChoice &choice,
                     const std::function<void(ExportJob *)> &meanwhile = {})
    {
        auto end = std::make_shared<PrintEnd>();
        QPointer<ExportJob> job;
        const auto connection = QObject::connect(panel, &DocumentPrintPanel::printJobStarted, [&](ExportJob *started) {
            job = started;
            QObject::connect(started, &ExportJob::finished, [end](ExportJob::Outcome outcome, const QString &reason) {
                *end = {true, outcome, reason};
            });
        });
        QString reason;
        EXPECT_TRUE(panel->printOn(choice, &reason)) << reason.toStdString();
        QObject::disconnect(connection);
        EXPECT_TRUE(job);
        if (job) {
            EXPECT_EQ(job->progress().window()->parentWidget(), document->documentWindow());
            if (meanwhile)
                meanwhile(job);
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return end->ended; }, 120000));
        return *end;
    }

    DocumentExportPanel *openExportPanel()
    {
        document->saveAsRTFFile(nullptr);
        return document->findChild<DocumentExportPanel *>();
    }

    template <typename T>
    static T *control(QWidget *view, const char *name)
    {
        T *widget = view->findChild<T *>(QLatin1String(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    ProbeDocument *document = nullptr;
    NodePtr alpha, day, entry, group;
};

} // namespace

TEST_F(ExportPanelTest, AccessoryCouplesTheBoxesAndOffersFiveFormats)
{
    defaults->setInteger(6, LastExportTypeKey); // a stored "xlsx" selects RTF
    select(document, {entry});
    DocumentExportPanel *panel = openExportPanel();
    ASSERT_NE(panel, nullptr);
    QWidget *view = panel->exportView();
    auto *format = control<QComboBox>(view, "exportFormatPopup");
    auto *withoutTime = control<QCheckBox>(view, "exportWithoutTimeEntry");
    auto *withoutDay = control<QCheckBox>(view, "exportWithoutDayEntry");
    EXPECT_EQ(format->count(), 5);
    EXPECT_EQ(format->currentData().toInt(), 0);
    EXPECT_EQ(panel->savePanel()->defaultSuffix(), QStringLiteral("rtf"));
    // One selected entry gives no export list: the box is off and the whole tree goes.
    EXPECT_FALSE(control<QCheckBox>(view, "exportSelectedJobs")->isEnabled());
    EXPECT_FALSE(control<QComboBox>(view, "exportEncodingPopup")->isEnabled());

    withoutDay->click();
    EXPECT_TRUE(withoutTime->isChecked());
    withoutTime->click();
    EXPECT_FALSE(withoutDay->isChecked());
    format->setCurrentIndex(format->findData(4));
    Q_EMIT format->activated(format->currentIndex());
    EXPECT_EQ(panel->savePanel()->defaultSuffix(), QStringLiteral("csv"));
    EXPECT_TRUE(control<QComboBox>(view, "exportSeparatorPopup")->isEnabled());

    withoutDay->click();
    QPointer<QFileDialog> dialog = panel->savePanel();
    dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("declined"));
    dialog->reject();
    drainEvents();
    EXPECT_EQ(defaults->integerForKey(LastExportTypeKey), 6);
    EXPECT_FALSE(defaults->objectForKey(ExportWithoutDayEntryKey).toBool());

    // The next export of the window asks afresh: what is stored, no name, the only-
    // selected box as the selection has it now.
    select(document, {group, alpha});
    panel = openExportPanel();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(dialog);
    EXPECT_EQ(panel->savePanel(), dialog.data());
    view = panel->exportView();
    EXPECT_EQ(control<QComboBox>(view, "exportFormatPopup")->currentData().toInt(), 0);
    EXPECT_EQ(panel->savePanel()->defaultSuffix(), QStringLiteral("rtf"));
    EXPECT_FALSE(control<QCheckBox>(view, "exportWithoutDayEntry")->isChecked());
    EXPECT_FALSE(control<QCheckBox>(view, "exportWithoutTimeEntry")->isChecked());
    EXPECT_TRUE(control<QCheckBox>(view, "exportSelectedJobs")->isEnabled());
    EXPECT_FALSE(control<QComboBox>(view, "exportSeparatorPopup")->isEnabled());
    EXPECT_EQ(panel->savePanel()->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text(), QString());
    EXPECT_EQ(control<QComboBox>(view, "exportFormatPopup")->count(), 5);
    panel->savePanel()->reject();
    drainEvents();
}

TEST_F(ExportPanelTest, OkWritesTheFileAndTheDefaults)
{
    select(document, {group, alpha});
    DocumentExportPanel *panel = openExportPanel();
    ASSERT_NE(panel, nullptr);
    auto *format = control<QComboBox>(panel->exportView(), "exportFormatPopup");
    format->setCurrentIndex(format->findData(2));
    Q_EMIT format->activated(format->currentIndex());
    control<QCheckBox>(panel->exportView(), "exportSelectedJobs")->click();
    control<QCheckBox>(panel->exportView(), "exportWithoutDayEntry")->click();
    panel->savePanel()->selectFile(path(QStringLiteral("jobs")));
    QMetaObject::invokeMethod(panel->savePanel(), "accept");
    waitForTheExport();
    const QString text = QString::fromUtf8(testsupport::readFile(path(QStringLiteral("jobs.txt"))));
    // Jobs first, then groups; the days left out.
    EXPECT_LT(text.indexOf(QStringLiteral("Alpha")), text.indexOf(QStringLiteral("Clients")));
    EXPECT_FALSE(text.contains(QStringLiteral("Monday")));
    EXPECT_EQ(defaults->integerForKey(LastExportTypeKey), 2);
    EXPECT_TRUE(defaults->boolForKey(ExportWithoutTimeEntryKey));
    EXPECT_TRUE(defaults->boolForKey(ExportSelectedJobsKey));
}

// Every format offered, chosen after a name with each format's extension (and with
// another or none) was typed, and chosen before it: a name that ends in the extension
// of another format offered, in any case, has it replaced the same way for every
// format (the chosen format's own stays as typed); another name keeps what it has and
// gains the extension when the panel is accepted.
// The file written is the one the name field shows.
TEST_F(ExportPanelTest, ANameWithTheExtensionOfAFormatOfferedGetsTheChosenOne)
{
    const QStringList offered{QStringLiteral("rtf"), QStringLiteral("pdf"), QStringLiteral("txt"),
                              QStringLiteral("xml"), QStringLiteral("csv")};
    struct Name
    {
        QString typed;
        bool offeredExtension;
    };
    QList<Name> names;
    for (const QString &extension : offered) {
        names.append({QStringLiteral("w.") + extension, true});
        names.append({QStringLiteral("w.") + extension.toUpper(), true});
    }
    names.append({QStringLiteral("w.2026"), false});
    names.append({QStringLiteral("w"), false});
    const QDir folder(dir.path());
    int run = 0;
    for (int format = 0; format < offered.size(); ++format) {
        const QString extension = offered[format];
        for (const Name &name : names) {
            for (const bool typedFirst : {true, false}) {
                SCOPED_TRACE(QStringLiteral("%1 %2 %3").arg(name.typed, extension, typedFirst ? QStringLiteral("typed first") : QStringLiteral("chosen first")).toStdString());
                DocumentExportPanel *panel = openExportPanel();
                ASSERT_NE(panel, nullptr);
                QFileDialog *dialog = panel->savePanel();
                const QString sub = QStringLiteral("run%1").arg(++run);
                ASSERT_TRUE(folder.mkpath(sub));
                dialog->setDirectory(folder.filePath(sub));
                auto *field = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
                ASSERT_NE(field, nullptr);
                auto *popup = control<QComboBox>(panel->exportView(), "exportFormatPopup");
                // The format chosen before is another one, so that choosing changes it.
                popup->setCurrentIndex(popup->findData((format + 1) % offered.size()));
                Q_EMIT popup->activated(popup->currentIndex());
                const auto choose = [&] {
                    popup->setCurrentIndex(popup->findData(format));
                    Q_EMIT popup->activated(popup->currentIndex());
                };
                const QString stem = name.typed.left(name.typed.indexOf(QLatin1Char('.')) < 0
                                                         ? name.typed.size()
                                                         : name.typed.indexOf(QLatin1Char('.')));
                // The format's own extension stays as typed, in any case.
                const bool own = name.typed.endsWith(QLatin1Char('.') + extension, Qt::CaseInsensitive);
                if (typedFirst) {
                    field->setText(name.typed);
                    choose();
                    EXPECT_EQ(field->text().toStdString(),
                              (name.offeredExtension && !own ? stem + QLatin1Char('.') + extension : name.typed).toStdString());
                } else {
                    choose();
                    field->setText(name.typed);
                }
                const QString written = own ? name.typed
                                        : name.offeredExtension || name.typed == stem
                                            ? stem + QLatin1Char('.') + extension
                                            : name.typed + QLatin1Char('.') + extension;
                QMetaObject::invokeMethod(dialog, "accept");
                waitForTheExport();
                EXPECT_EQ(QDir(folder.filePath(sub)).entryList(QDir::Files).join(QLatin1Char(' ')).toStdString(),
                          written.toStdString());
            }
        }
    }
}

// A file of the name the chosen format gives is there already: the panel asks about
// replacing that file, not the one typed.
TEST_F(ExportPanelTest, TheReplaceQuestionNamesTheFileWritten)
{
    ASSERT_TRUE(testsupport::writeFile(path(QStringLiteral("w.xml")), "old contents"));
    DocumentExportPanel *panel = openExportPanel();
    ASSERT_NE(panel, nullptr);
    QFileDialog *dialog = panel->savePanel();
    dialog->setDirectory(dir.path());
    auto *popup = control<QComboBox>(panel->exportView(), "exportFormatPopup");
    popup->setCurrentIndex(popup->findData(int(DocumentExporter::Xml)));
    Q_EMIT popup->activated(popup->currentIndex());
    dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("w.csv"));
    // The question runs a loop of its own: it is answered from there, when it shows.
    QString question;
    QTimer answer;
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            question = box->text();
            box->button(QMessageBox::No)->click();
            answer.stop();
        }
    });
    answer.start(10);
    QMetaObject::invokeMethod(dialog, "accept");
    answer.stop();
    EXPECT_TRUE(question.contains(QStringLiteral("w.xml"))) << question.toStdString();
    EXPECT_EQ(testsupport::readFile(path(QStringLiteral("w.xml"))), "old contents");
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("w.csv"))));
    dialog->reject();
    drainEvents();
}

TEST_F(ExportPanelTest, PanelsOpenInTheFolderOfTheLastExportElseInTheDocumentsFolder)
{
    // Without a last export: the documents folder, or the home folder without one.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString first = QFileInfo(documents).isDir() ? documents : QDir::homePath();
    EXPECT_EQ(DocumentExportPanel::startFolder(*defaults), first);
    DocumentExportPanel *panel = openExportPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->savePanel()->directory().absolutePath(), QDir(first).absolutePath());
    EXPECT_NE(panel->savePanel()->directory().absolutePath(), QDir::currentPath());

    // OK keeps the folder of the file written.
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("exports"))));
    panel->savePanel()->selectFile(path(QStringLiteral("exports/out")));
    QMetaObject::invokeMethod(panel->savePanel(), "accept");
    waitForTheExport();
    ASSERT_TRUE(QFileInfo::exists(path(QStringLiteral("exports/out.rtf"))));
    EXPECT_EQ(defaults->stringForKey(LastExportFolderKey), QFileInfo(path(QStringLiteral("exports"))).absoluteFilePath());
    panel = openExportPanel();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->savePanel()->directory().absolutePath(), QFileInfo(path(QStringLiteral("exports"))).absoluteFilePath());
    panel->savePanel()->reject();
    drainEvents();

    // Printing to a file starts there too.
    document->printDocument(nullptr);
    DocumentPrintPanel *print = document->findChild<DocumentPrintPanel *>();
    ASSERT_NE(print, nullptr);
    if (print->printer().outputFormat() == QPrinter::PdfFormat) {
        EXPECT_EQ(QFileInfo(print->printer().outputFileName()).absolutePath(),
                  QFileInfo(path(QStringLiteral("exports"))).absoluteFilePath());
    }
    // Its question for the file, still up when the print panel goes (its document
    // closing): the window keeps the file dialog, which goes with the window only.
    ASSERT_TRUE(QTest::qWaitFor([&] { return print->printTextView() != nullptr; }, 60000));
    for (QAction *action : print->previewDialog()->findChildren<QAction *>()) {
        if (action->text() == QCoreApplication::translate("QPrintPreviewDialog", "Print"))
            action->trigger();
    }
    // Without printers it asks for the file at once; else the PDF file is chosen.
    QPointer<QFileDialog> files;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        files = print->previewDialog()->findChild<QFileDialog *>(QStringLiteral("printToFile"));
        if (files && files->isVisible())
            return true;
        DocumentPrintDialog *dialog = print->previewDialog()->findChild<DocumentPrintDialog *>();
        if (dialog && dialog->isVisible()) {
            dialog->printerPopup()->setCurrentIndex(dialog->printerPopup()->findData(QString()));
            if (dialog->choice().toFile())
                dialog->accept();
        }
        return false;
    }, 60000));
    delete print;
    ASSERT_TRUE(files);
    EXPECT_EQ(files->parentWidget(), document->documentWindow());
    EXPECT_FALSE(files->isVisible());
    drainEvents();

    // A folder that is gone is forgotten.
    ASSERT_TRUE(QDir(path(QStringLiteral("exports"))).removeRecursively());
    EXPECT_EQ(DocumentExportPanel::startFolder(*defaults), first);
}

TEST_F(ExportPanelTest, AStoredEncodingThatCannotBeUsedIsReplacedAndAnExportInOneRefused)
{
    // Mac Japanese has no converter here: the accessory starts with UTF-8.
    defaults->setInteger(qint64(NTXStringEncodings::MacJapaneseStringEncoding), ExportEncodingNewKey);
    EXPECT_EQ(DocumentExportPanel::usableStoredEncoding(*defaults), NTXStringEncodings::UTF8StringEncoding);
    defaults->setInteger(987654, ExportEncodingNewKey);
    EXPECT_EQ(DocumentExportPanel::usableStoredEncoding(*defaults), NTXStringEncodings::UTF8StringEncoding);
    defaults->setInteger(qint64(NTXStringEncodings::UnicodeStringEncoding), ExportEncodingNewKey);
    EXPECT_EQ(DocumentExportPanel::usableStoredEncoding(*defaults), NTXStringEncodings::UnicodeStringEncoding);

    defaults->setInteger(qint64(NTXStringEncodings::MacJapaneseStringEncoding), ExportEncodingNewKey);
    defaults->setInteger(DocumentExporter::TabText, LastExportTypeKey);
    DocumentExportPanel *panel = openExportPanel();
    ASSERT_NE(panel, nullptr);
    auto *encoding = control<QComboBox>(panel->exportView(), "exportEncodingPopup");
    EXPECT_EQ(encoding->currentText(), QStringLiteral("Unicode (UTF-8)"));
    for (int i = 0; i < encoding->count(); ++i)
        EXPECT_NE(encoding->itemText(i), NTXStringEncodings::displayName(NTXStringEncodings::MacJapaneseStringEncoding));
    EXPECT_EQ(panel->choices().encoding, NTXStringEncodings::UTF8StringEncoding);
    panel->savePanel()->reject();
    drainEvents();

    // Chosen all the same (a stored choice of an older version): the export is
    // refused with its alert and the file chosen stays as it was.
    ASSERT_TRUE(testsupport::writeFile(path(QStringLiteral("kept.txt")), "old contents"));
    const DocumentExporter exporter(document->jobList(), {}, document->formatter(), {});
    QString reason;
    EXPECT_FALSE(exporter.writeFile(path(QStringLiteral("kept.txt")), DocumentExporter::TabText, {},
                                    NTXStringEncodings::MacJapaneseStringEncoding, document->docValues(), 0, &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_EQ(testsupport::readFile(path(QStringLiteral("kept.txt"))), "old contents");
}

TEST_F(ExportPanelTest, TheEncodingListCommandLeavesTheChosenEncodingToExportAndStore)
{
    defaults->setInteger(qint64(NTXStringEncodings::MacOSRomanStringEncoding), ExportEncodingNewKey);
    defaults->setInteger(DocumentExporter::TabText, LastExportTypeKey);
    DocumentExportPanel *panel = openExportPanel();
    ASSERT_NE(panel, nullptr);
    auto *encoding = control<QComboBox>(panel->exportView(), "exportEncodingPopup");
    const QString roman = NTXStringEncodings::displayName(NTXStringEncodings::MacOSRomanStringEncoding);
    ASSERT_EQ(encoding->currentText(), roman);
    // The last item is "Customize Encodings List…": picking it opens the list's panel.
    encoding->setCurrentIndex(encoding->count() - 1);
    drainEvents();
    EXPECT_EQ(encoding->currentText(), roman);
    EXPECT_EQ(panel->choices().encoding, NTXStringEncodings::MacOSRomanStringEncoding);
    NTXSelectEncodingsPanel::sharedPanel().hide();

    panel->savePanel()->selectFile(path(QStringLiteral("roman")));
    QMetaObject::invokeMethod(panel->savePanel(), "accept");
    waitForTheExport();
    EXPECT_TRUE(QFileInfo::exists(path(QStringLiteral("roman.txt"))));
    EXPECT_EQ(defaults->integerForKey(ExportEncodingNewKey), qint64(NTXStringEncodings::MacOSRomanStringEncoding));
}

// Written by a job on a pool thread (RTF, PDF), whose progress
// sheet has gone when the alert comes.
TEST_F(ExportPanelTest, AnExportThatCannotBeWrittenShowsAnAlert)
{
    // Below a regular file nothing can be made, whatever the user's rights.
    ASSERT_TRUE(testsupport::writeFile(path(QStringLiteral("plain")), "x"));
    for (const int format : {int(DocumentExporter::Rtf), int(DocumentExporter::Pdf)}) {
        const QString name = QStringLiteral("out.") + DocumentExporter::fileExtension(format);
        SCOPED_TRACE(name.toStdString());
        DocumentExportPanel *panel = openExportPanel();
        ASSERT_NE(panel, nullptr);
        auto *popup = control<QComboBox>(panel->exportView(), "exportFormatPopup");
        popup->setCurrentIndex(popup->findData(format));
        Q_EMIT popup->activated(popup->currentIndex());
        panel->savePanel()->selectFile(path(QStringLiteral("plain/") + name));
        QMetaObject::invokeMethod(panel->savePanel(), "done", Q_ARG(int, QDialog::Accepted));
        QMessageBox *box = waitForMessageBox(document->documentWindow(), 60000);
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->text().contains(name)) << box->text().toStdString();
        EXPECT_FALSE(box->informativeText().isEmpty());
        for (QDialog *other : document->documentWindow()->findChildren<QDialog *>())
            EXPECT_TRUE(other == box || !other->isVisible()) << other->objectName().toStdString();
        clickButton(box, QStringLiteral("OK"));
    }
}

// A PDF of 20,000 entries is written while the GUI thread goes on (the watchdog of
// the test program fails any delivery that holds it long): the progress sheet is on
// the document window until the file is there with every job.
TEST_F(ExportPanelTest, ALargePdfIsWrittenUnderAProgressSheet)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext is not installed (tools/dev setup)";
    QList<NodePtr> jobs;
    for (int j = 0; j < 200; ++j) {
        QList<std::pair<int, int>> entries;
        for (int e = 0; e < 100; ++e)
            entries.append({8, 1 + e});
        jobs.append(makeJob(QStringLiteral("Job%1").arg(j), 50, entries));
    }
    fill(document, jobs);
    DocumentExportPanel *panel = openExportPanel();
    ASSERT_NE(panel, nullptr);
    auto *popup = control<QComboBox>(panel->exportView(), "exportFormatPopup");
    popup->setCurrentIndex(popup->findData(int(DocumentExporter::Pdf)));
    Q_EMIT popup->activated(popup->currentIndex());
    panel->savePanel()->selectFile(path(QStringLiteral("large.pdf")));
    QMetaObject::invokeMethod(panel->savePanel(), "accept");
    ASSERT_TRUE(QTest::qWaitFor([&] { return document->documentWindow()->findChild<ExportJob *>(); }));
    QPointer<ExportJob> job = document->documentWindow()->findChild<ExportJob *>();
    QDialog *sheet = job->progress().window();
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->parentWidget(), document->documentWindow());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !job; }, 120000));
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {path(QStringLiteral("large.pdf")), QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(60000));
    const QString words = QString::fromUtf8(text.readAllStandardOutput());
    EXPECT_TRUE(words.contains(QStringLiteral("Job0")));
    EXPECT_TRUE(words.contains(QStringLiteral("Job199")));
    QSet<QString> names;
    for (const QRegularExpressionMatch &m : QRegularExpression(QStringLiteral("\\bJob\\d+\\b")).globalMatch(words))
        names.insert(m.captured());
    EXPECT_EQ(names.size(), 200);
    for (QMessageBox *box : document->documentWindow()->findChildren<QMessageBox *>())
        EXPECT_FALSE(box->isVisible());
}

TEST_F(ExportPanelTest, PrintedAndExportedPdfsShowTheTextOnTheSamePage)
{
    if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
        GTEST_SKIP() << "pdftotext is not installed (tools/dev setup)";
    select(document, {alpha});
    document->printDocument(nullptr);
    DocumentPrintPanel *panel = document->findChild<DocumentPrintPanel *>();
    ASSERT_NE(panel, nullptr);
    // The text is laid out on a pool thread.
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->printTextView() != nullptr; }, 60000));
    DocumentPrintAccessoryViewController *accessory = panel->printAccessoryViewController();
    EXPECT_TRUE(accessory->printSelectedJobs()->isEnabled());

    // A print into a file is written by a job on a pool thread.
    const auto printTo = [&](const QString &name) {
        panel->printer().setOutputFormat(QPrinter::PdfFormat);
        panel->printer().setOutputFileName(path(name));
        QPointer<ExportJob> job;
        const auto connection = QObject::connect(panel, &DocumentPrintPanel::printJobStarted,
                                                 [&](ExportJob *started) { job = started; });
        EXPECT_TRUE(panel->printTo(panel->printer()));
        QObject::disconnect(connection);
        EXPECT_TRUE(job);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !job; }, 60000));
        return pdfWords(path(name));
    };
    const QList<Word> printed = printTo(QStringLiteral("printed.pdf"));
    ASSERT_FALSE(printed.isEmpty());
    // The pages the print panel painted on the printer on the GUI thread.
    if (renderedpdf::havePoppler()) {
        QPrinter reference(QPrinter::HighResolution);
        reference.setPageLayout(panel->printer().pageLayout());
        reference.setOutputFormat(QPrinter::PdfFormat);
        reference.setOutputFileName(path(QStringLiteral("reference.pdf")));
        // The preview's pages, painted as print() paints a page.
        QPainter painter;
        ASSERT_TRUE(painter.begin(&reference));
        const PreviewText &shown = *panel->printTextView();
        for (int page = 0; page < shown.pageCount(); ++page) {
            if (page > 0) {
                ASSERT_TRUE(reference.newPage());
            }
            painter.save();
            painter.scale(reference.logicalDpiX() / 72.0, reference.logicalDpiY() / 72.0);
            shown.drawPage(painter, platform::PrintInfo::shared(), page);
            painter.restore();
        }
        painter.end();
        EXPECT_TRUE(renderedpdf::pages(path(QStringLiteral("printed.pdf"))) ==
                    renderedpdf::pages(path(QStringLiteral("reference.pdf"))));
    }
    EXPECT_EQ(printed.first().text, QStringLiteral("Chronark"));
    EXPECT_NEAR(printed.first().xMin, 35, 1);
    EXPECT_TRUE(texts(printed).contains(QStringLiteral("Alpha")));
    EXPECT_TRUE(texts(printed).contains(QStringLiteral("Monday")));
    // The turnovers of the job, its day and its entry end at the same right tab stop,
    // counted from the margin whatever the indent.
    QStringList turnovers;
    for (const Word &word : printed) {
        if (word.text.endsWith(QStringLiteral("90.00"))) {
            turnovers << word.text;
            EXPECT_NEAR(word.xMax, 435, 5);
        }
    }
    EXPECT_EQ(turnovers.size(), 3) << texts(printed).join(QLatin1Char(' ')).toStdString();

    // Without days: the coupled box goes on too, the defaults follow at once.
    accessory->printWithoutDayEntry()->click();
    EXPECT_TRUE(accessory->printWithoutTimeEntry()->isChecked());
    EXPECT_TRUE(accessory->withoutTimeEntry());
    EXPECT_TRUE(defaults->boolForKey(PrintWithoutDayEntryKey));
    const QStringList withoutDays = texts(printTo(QStringLiteral("without-days.pdf")));
    EXPECT_TRUE(withoutDays.contains(QStringLiteral("Alpha")));
    EXPECT_FALSE(withoutDays.contains(QStringLiteral("Monday")));
    panel->previewDialog()->reject();
    drainEvents();

    // A later PDF export starts from the same margins.
    const DocumentExporter exporter(document->jobList(), {}, document->formatter(), {});
    QString reason;
    ASSERT_TRUE(exporter.writeFile(path(QStringLiteral("exported.pdf")), DocumentExporter::Pdf, {}, 4,
                                   document->docValues(), 0, &reason))
        << reason.toStdString();
    const QList<Word> exported = pdfWords(path(QStringLiteral("exported.pdf")));
    ASSERT_FALSE(exported.isEmpty());
    EXPECT_NEAR(exported.first().xMin, printed.first().xMin, 0.5);
    EXPECT_NEAR(exported.first().yMin, printed.first().yMin, 0.5);
}

// The printed text is laid out on a pool thread under a sheet on the preview, which
// shows the pages once it is there. Seeded clicks on the print options, some while a
// layout runs: after each the text the preview shows is the export's text with the
// options of the boxes. The sheet's Cancel then ends the print.
TEST_F(ExportPanelTest, ThePreviewShowsTheTextLaidOutOffTheWindowAndCancelEndsThePrint)
{
    QList<NodePtr> jobs;
    for (int j = 0; j < 60; ++j) {
        QList<std::pair<int, int>> entries;
        for (int e = 0; e < 100; ++e)
            entries.append({8, 1 + e});
        jobs.append(makeJob(QStringLiteral("Job%1").arg(j), 50, entries));
    }
    fill(document, jobs);
    select(document, {jobs[3], jobs[7]});
    document->printDocument(nullptr);
    QPointer<DocumentPrintPanel> panel = document->findChild<DocumentPrintPanel *>();
    ASSERT_NE(panel, nullptr);
    // Nothing is laid out on the GUI thread: the job's sheet is on the preview.
    ASSERT_NE(panel->layoutJob(), nullptr);
    EXPECT_EQ(panel->printTextView(), nullptr);
    EXPECT_EQ(panel->layoutJob()->progress().window()->parentWidget(), panel->previewDialog());
    DocumentPrintAccessoryViewController *accessory = panel->printAccessoryViewController();
    QCheckBox *const boxes[] = {accessory->printSelectedJobs(), accessory->printWithoutTimeEntry(),
                                accessory->printWithoutDayEntry()};
    const auto expectedText = [&] {
        DocumentExporter::Options options;
        options.withoutTimeEntries = boxes[1]->isChecked();
        options.withoutDayEntries = boxes[2]->isChecked();
        const QList<NodePtr> list = boxes[0]->isChecked()
                                        ? DocumentExporter::exportListFromSelection({jobs[3], jobs[7]})
                                        : QList<NodePtr>();
        const QSizeF page = panel->printer().pageLayout().paintRect(QPageLayout::Point).size();
        return DocumentExporter(document->jobList(), list, document->formatter(), options)
            .textDocument(page.width(), {}, page.height())
            ->toPlainText();
    };
    std::mt19937 random(8801);
    for (int step = 0; step < 6; ++step) {
        SCOPED_TRACE(step);
        if (random() % 2 == 0) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return !panel->layoutJob(); }, 60000));
        }
        boxes[random() % 3]->click();
        ASSERT_NE(panel->layoutJob(), nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !panel->layoutJob(); }, 60000));
        ASSERT_NE(panel->printTextView(), nullptr);
        EXPECT_EQ(panel->printTextView()->toPlainText(), expectedText());
        EXPECT_TRUE(panel->previewDialog()->isVisible());
        EXPECT_GE(panel->previewWidget()->pageCount(), 1);
    }
    // The pages shown are those of the text.
    const QSizeF page = panel->printer().pageLayout().paintRect(QPageLayout::Point).size();
    EXPECT_EQ(panel->previewWidget()->pageCount(),
              int(std::ceil(panel->printTextView()->height() / page.height() - 1e-6)));

    QLabel *count = panel->previewDialog()->findChild<QLabel *>(QStringLiteral("pageCount"));
    ASSERT_NE(count, nullptr);
    EXPECT_EQ(count->text().trimmed(), QStringLiteral("/ %1").arg(panel->previewWidget()->pageCount()));

    // Landscape: the text is laid out anew for the wider page, and shown on it.
    QAction *landscape = nullptr;
    for (QAction *item : panel->previewDialog()->findChildren<QAction *>()) {
        if (item->text() == QStringLiteral("Landscape"))
            landscape = item;
    }
    ASSERT_NE(landscape, nullptr);
    landscape->trigger();
    ASSERT_NE(panel->layoutJob(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel->layoutJob(); }, 60000));
    const QSizeF wide = panel->printer().pageLayout().paintRect(QPageLayout::Point).size();
    EXPECT_GT(wide.width(), page.width());
    EXPECT_EQ(panel->printTextView()->pageSize(), wide);
    EXPECT_EQ(panel->previewWidget()->pageCount(),
              int(std::ceil(panel->printTextView()->height() / wide.height() - 1e-6)));
    EXPECT_EQ(count->text().trimmed(), QStringLiteral("/ %1").arg(panel->previewWidget()->pageCount()));

    // Cancel while the text is laid out: the preview closes and the panel goes.
    boxes[1]->click();
    QPointer<ExportJob> job = panel->layoutJob();
    ASSERT_TRUE(job);
    job->progress().cancelButton()->click();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !panel; }, 60000));
    EXPECT_FALSE(job);
    for (QDialog *dialog : document->documentWindow()->findChildren<QDialog *>())
        EXPECT_FALSE(dialog->isVisible()) << dialog->objectName().toStdString();
}

// Printing on a printer is a job on a pool thread under a sheet on the document
// window, as a print into a file is. A CUPS server of the test's own prints: the
// virtual PDF printer (cups-pdf) prints every page, CUPS's PDF printer prints the
// document's text, the print dialog's CUPS options go with it (a page range prints
// that page alone), and a Cancel before the pages are whole prints nothing.
TEST_F(ExportPanelTest, APrinterPrintsTheDocumentFromAJobAndACancelPrintsNothing)
{
    // Qt reads the printers once a process: run where no test before asked for them
    // without this test's server (a whole program's run), in a process of its own.
    constexpr char Child[] = "CHRONARK_PRINTER_TEST_CHILD";
    if (!qEnvironmentVariableIsSet(Child)) {
        QProcess child;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(Child), QStringLiteral("1"));
        child.setProcessEnvironment(environment);
        child.setProcessChannelMode(QProcess::MergedChannels);
        const auto *test = testing::UnitTest::GetInstance()->current_test_info();
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--gtest_filter=%1.%2").arg(QString::fromLatin1(test->test_suite_name()),
                                                                 QString::fromLatin1(test->name()))});
        ASSERT_TRUE(child.waitForStarted(60000));
        QByteArray output;
        const bool ended = QTest::qWaitFor([&] {
            output += child.readAll();
            return child.state() == QProcess::NotRunning;
        }, 590000);
        output += child.readAll();
        if (!ended)
            child.kill();
        ASSERT_TRUE(ended) << output.toStdString();
        ASSERT_EQ(child.exitStatus(), QProcess::NormalExit) << output.toStdString();
        ASSERT_EQ(child.exitCode(), 0) << output.toStdString();
        if (output.contains("[  SKIPPED ]"))
            GTEST_SKIP() << output.mid(output.indexOf("[  SKIPPED ]")).left(300).toStdString();
        return;
    }
    testsupport::PrivateCups cups;
    if (!cups.skipReason().isEmpty())
        GTEST_SKIP() << cups.skipReason().toStdString();
    ASSERT_TRUE(cups.isReady()) << cups.failure().toStdString() << cups.log().toStdString();
    QList<NodePtr> jobs;
    for (int j = 0; j < 12; ++j) {
        QList<std::pair<int, int>> entries;
        for (int e = 0; e < 12; ++e)
            entries.append({8, 1 + e});
        jobs.append(makeJob(QStringLiteral("Job%1").arg(j), 50, entries));
    }
    fill(document, jobs);
    document->printDocument(nullptr);
    DocumentPrintPanel *panel = document->findChild<DocumentPrintPanel *>();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->printTextView() != nullptr; }, 60000));
    ASSERT_GE(panel->previewWidget()->pageCount(), 2);
    const QStringList expected =
        panel->printTextView()->toPlainText().split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    QPrinter &printer = panel->printer();
    // The server's printers, asked for as the preview opened.
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->printers().has_value(); }, 60000));
    EXPECT_EQ(panel->printers()->state, platform::PrinterQueue::Printers::Answered) << panel->printers()->reason.toStdString();
    QStringList names;
    for (const platform::PrinterQueue::Printer &known : panel->printers()->printers)
        names << known.name;
    EXPECT_TRUE(names.contains(QString::fromLatin1(testsupport::PrivateCups::Printer))) << names.join(u' ').toStdString();
    EXPECT_TRUE(names.contains(QString::fromLatin1(testsupport::PrivateCups::FilePrinter))) << names.join(u' ').toStdString();
    PrintChoice choice;
    const auto choose = [&](const char *name) { choice.printer = QString::fromLatin1(name); };
    const auto print = [&](const std::function<void(ExportJob *)> &meanwhile) { return printOn(panel, choice, meanwhile); };
    const auto completed = [&](const char *name, int count) {
        return QTest::qWaitFor([&] { return cups.completedJobs(name) >= count && !cups.hasPendingJobs(); }, 120000);
    };

    // The virtual printer: every page.
    choose(testsupport::PrivateCups::Printer);
    const PrintEnd virtualPrint = print([](ExportJob *) {});
    ASSERT_EQ(virtualPrint.outcome, ExportJob::Written) << virtualPrint.reason.toStdString();
    ASSERT_TRUE(completed(testsupport::PrivateCups::Printer, 1)) << cups.log().toStdString();
    ASSERT_EQ(cups.printed().size(), 1);
    QProcess pdfinfo;
    pdfinfo.start(QStringLiteral("pdfinfo"), {cups.printed().first()});
    ASSERT_TRUE(pdfinfo.waitForFinished(60000));
    const QByteArray info = pdfinfo.readAllStandardOutput();
    // The pages of the text laid out for the printer's own page.
    const QSizeF area = printer.pageLayout().paintRect(QPageLayout::Point).size();
    const int printerPages = platform::PagedTextPrinter::pageCount(
        *DocumentExporter(document->jobList(), {}, document->formatter(), {}).textDocument(area.width(), {}, area.height()),
        area.height());
    EXPECT_GE(printerPages, 2);
    const QRegularExpressionMatch count =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)$"), QRegularExpression::MultilineOption)
            .match(QString::fromUtf8(info));
    EXPECT_EQ(count.captured(1).toInt(), printerPages) << info.toStdString();

    // The document's text: the words of the PDF of the same pages written here (a line
    // at a page's edge stands in the text of both pages), every word of the document
    // among them in its order.
    choose(testsupport::PrivateCups::FilePrinter);
    const PrintEnd whole = print([](ExportJob *) {});
    ASSERT_EQ(whole.outcome, ExportJob::Written) << whole.reason.toStdString();
    ASSERT_TRUE(completed(testsupport::PrivateCups::FilePrinter, 1)) << cups.log().toStdString();
    DocumentExporter::PdfPages here;
    here.info = platform::PrintInfo::shared();
    here.printerLayout = printer.pageLayout();
    here.resolution = printer.resolution();
    QString reason;
    ASSERT_TRUE(DocumentExporter::writeAtomically(
        path(QStringLiteral("here.pdf")),
        [&](QIODevice &device, QString *why) {
            return DocumentExporter(document->jobList(), {}, document->formatter(), {}).writePdf(device, here, why);
        },
        &reason))
        << reason.toStdString();
    const QStringList printedWords = pdfWordList(cups.filePrinted());
    EXPECT_EQ(printedWords.join(QLatin1Char(' ')).toStdString(),
              pdfWordList(path(QStringLiteral("here.pdf"))).join(QLatin1Char(' ')).toStdString());
    qsizetype found = 0;
    for (const QString &word : printedWords) {
        if (found < expected.size() && word == expected.at(found))
            ++found;
    }
    EXPECT_EQ(found, expected.size()) << "the document's words up to " << found << " are printed in their order";
    const QStringList secondPage = pdfWordList(cups.filePrinted(), 2);
    ASSERT_FALSE(secondPage.isEmpty());

    // Cancelled before the work could begin: the printer gets nothing.
    const PrintEnd cancelled = print([](ExportJob *job) {
        testsupport::HeldPool held;
        job->progress().cancelButton()->click();
    });
    EXPECT_EQ(cancelled.outcome, ExportJob::Cancelled);

    // The dialog's choice of the second page alone.
    choice.pageRanges = QStringLiteral("2");
    const PrintEnd second = print([](ExportJob *) {});
    ASSERT_EQ(second.outcome, ExportJob::Written) << second.reason.toStdString();
    ASSERT_TRUE(completed(testsupport::PrivateCups::FilePrinter, 2)) << cups.log().toStdString();
    // The cancelled print never reached the printer.
    EXPECT_EQ(cups.completedJobs(testsupport::PrivateCups::FilePrinter), 2);
    EXPECT_EQ(pdfWordList(cups.filePrinted()).join(QLatin1Char(' ')).toStdString(),
              secondPage.join(QLatin1Char(' ')).toStdString());
    choice.pageRanges.clear();

    // An instance of a printer prints on its queue.
    choose("ChronarkPdfFile/draft");
    const PrintEnd instance = print([](ExportJob *) {});
    ASSERT_EQ(instance.outcome, ExportJob::Written) << instance.reason.toStdString();
    ASSERT_TRUE(completed(testsupport::PrivateCups::FilePrinter, 3)) << cups.log().toStdString();

    // A printer the server does not have: the job is refused, and said to be.
    choose("ChronarkNoSuchPrinter");
    const PrintEnd refused = print([](ExportJob *) {});
    EXPECT_EQ(refused.outcome, ExportJob::Failed);
    EXPECT_FALSE(refused.reason.isEmpty());

    // Cancelled once the pages are whole, before the printer has them: nothing
    // reaches the printer, and nothing is said to have.
    QBuffer pdf;
    pdf.setData("%PDF-1.4\n%%EOF\n");
    pdf.open(QIODevice::ReadOnly);
    QString why;
    int id = -1;
    EXPECT_FALSE(platform::PrinterQueue::submit({QString::fromLatin1(testsupport::PrivateCups::FilePrinter), {}, {}},
                                                pdf, &why, [] { return true; }, &id));
    EXPECT_TRUE(why.isEmpty()) << why.toStdString();
    EXPECT_EQ(id, 0);
    EXPECT_FALSE(cups.hasPendingJobs());
    EXPECT_EQ(cups.completedJobs(testsupport::PrivateCups::FilePrinter), 3);

    // A printer that refuses jobs: the print fails with the server's own reason.
    ASSERT_TRUE(cups.acceptJobs(testsupport::PrivateCups::FilePrinter, false));
    choose(testsupport::PrivateCups::FilePrinter);
    const PrintEnd rejected = print([](ExportJob *) {});
    EXPECT_EQ(rejected.outcome, ExportJob::Failed);
    EXPECT_TRUE(rejected.reason.contains(QLatin1String("not accepting jobs"))) << rejected.reason.toStdString();
    ASSERT_TRUE(cups.acceptJobs(testsupport::PrivateCups::FilePrinter, true));

    // Cancelled once the pages are whole, before the server has answered for the job:
    // the printer prints nothing, and the print ends cancelled.
    choose(testsupport::PrivateCups::Printer);
    {
        SilentPrintServer gate;
        const PrintEnd late = print([&](ExportJob *job) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return gate.accepted() > 0; }, 60000));
            job->progress().cancelButton()->click();
            gate.passTo(cups.socket());
        });
        EXPECT_EQ(late.outcome, ExportJob::Cancelled) << late.reason.toStdString();
        // The job the server made meanwhile is withdrawn, not printed.
        EXPECT_TRUE(QTest::qWaitFor([&] { return !cups.hasPendingJobs(); }, 60000));
        EXPECT_EQ(cups.printed().size(), 1);
    }
    panel->previewDialog()->reject();
    drainEvents();
}

// The dialog's choice is what the printer gets: copies (more than one only when asked
// for, collated then), the sides, the pages, the orientation and the paper; a printer
// instance's name goes whole (the queue takes the instance apart).
TEST_F(ExportPanelTest, ThePrintDialogsChoiceIsWhatThePrinterGets)
{
    const auto options = [](const PrintChoice &choice, QPageLayout::Orientation orientation) {
        const QPageLayout layout(QPageSize(QPageSize::A4), orientation, QMarginsF());
        const platform::PrinterQueue::Job job = DocumentPrintPanel::queueJob(choice, layout, QStringLiteral("Title"));
        QStringList list;
        for (const auto &[name, value] : job.options)
            list << QString::fromLatin1(name + '=' + value);
        EXPECT_EQ(job.title, QStringLiteral("Title"));
        EXPECT_EQ(job.printer, choice.printer);
        return list.join(QLatin1Char(' ')).toStdString();
    };
    PrintChoice choice;
    choice.printer = QStringLiteral("office/draft");
    EXPECT_EQ(options(choice, QPageLayout::Portrait), "media=A4 sides=one-sided");
    choice.copies = 2;
    EXPECT_EQ(options(choice, QPageLayout::Portrait), "media=A4 copies=2 Collate=True sides=one-sided");
    choice.collate = false;
    choice.copies = 3;
    choice.sides = PrintChoice::TwoSidedLongEdge;
    choice.pageRanges = QStringLiteral("2-3,5");
    EXPECT_EQ(options(choice, QPageLayout::Landscape),
              "media=A4 copies=3 sides=two-sided-long-edge landscape= page-ranges=2-3,5");
    choice.copies = 1;
    choice.sides = PrintChoice::TwoSidedShortEdge;
    choice.pageRanges.clear();
    EXPECT_EQ(options(choice, QPageLayout::Portrait), "media=A4 sides=two-sided-short-edge");
}

// A print server that accepts and never answers holds nothing: the preview opens
// at once, the print dialog too, with the PDF file offered while the server is asked;
// then the dialog names the server that does not answer, and the pages still go into
// a PDF file. A print on one of its printers ends with a reason naming it (not a
// stale error of the system), and a Cancel while the server is silent ends the print
// at once.
TEST_F(ExportPanelTest, APrintServerThatNeverAnswersHoldsNothingAndThePdfFileStillWorks)
{
    SilentPrintServer server;
    ASSERT_TRUE(server.isListening());
    document->printDocument(nullptr);
    QPointer<DocumentPrintPanel> panel = document->findChild<DocumentPrintPanel *>();
    ASSERT_TRUE(panel);
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->printTextView() != nullptr; }, 60000));

    // Print: the dialog, at once, with what is known.
    for (QAction *action : panel->previewDialog()->findChildren<QAction *>()) {
        if (action->text() == QCoreApplication::translate("QPrintPreviewDialog", "Print"))
            action->trigger();
    }
    QPointer<DocumentPrintDialog> dialog = panel->previewDialog()->findChild<DocumentPrintDialog *>();
    ASSERT_TRUE(dialog);
    // Shown once the layout's progress sheet on the preview has gone.
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog->isVisible(); }, 60000));
    if (!panel->printers()) {
        EXPECT_EQ(dialog->printerPopup()->count(), 1);
        EXPECT_TRUE(dialog->printerPopup()->currentData().toString().isEmpty());
        EXPECT_FALSE(dialog->serverMessage()->text().isEmpty());
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return panel->printers().has_value(); }, 60000));
    EXPECT_GE(server.accepted(), 1);
    EXPECT_EQ(panel->printers()->state, platform::PrinterQueue::Printers::Silent);
    EXPECT_TRUE(dialog->serverMessage()->text().contains(server.name())) << dialog->serverMessage()->text().toStdString();
    EXPECT_TRUE(dialog->serverMessage()->isVisibleTo(dialog));
    // Only the PDF file to choose, and chosen.
    ASSERT_EQ(dialog->printerPopup()->count(), 1);
    EXPECT_TRUE(dialog->choice().toFile());
    EXPECT_FALSE(dialog->copies()->isEnabled());

    // A print on a printer of that server: the job tells the reason, naming it.
    PrintChoice office;
    office.printer = QStringLiteral("office");
    const int before = server.accepted();
    const PrintEnd silent = printOn(panel, office);
    EXPECT_EQ(silent.outcome, ExportJob::Failed);
    EXPECT_TRUE(silent.reason.contains(server.name())) << silent.reason.toStdString();
    EXPECT_GT(server.accepted(), before);
    // Cancelled while the server is silent, the pages whole: the print ends, cancelled.
    const PrintEnd cancelled = printOn(panel, office, [&](ExportJob *job) {
        const int now = server.accepted();
        ASSERT_TRUE(QTest::qWaitFor([&] { return server.accepted() > now; }, 60000));
        job->progress().cancelButton()->click();
    });
    EXPECT_EQ(cancelled.outcome, ExportJob::Cancelled) << cancelled.reason.toStdString();

    // The pages go into a PDF file all the same.
    ASSERT_TRUE(dialog);
    dialog->accept();
    QFileDialog *files = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        files = panel->previewDialog()->findChild<QFileDialog *>(QStringLiteral("printToFile"));
        return files && files->isVisible();
    }, 60000));
    // The name typed into the panel's field, as a person does.
    files->setDirectory(path(QString()));
    QLineEdit *field = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(field, nullptr);
    field->setText(QStringLiteral("silent.pdf"));
    QStringList failures;
    QObject::connect(panel, &DocumentPrintPanel::printFailed, [&](const QString &reason) { failures << reason; });
    QPointer<QFileDialog> keptFiles = files;
    static_cast<QDialog *>(files)->accept();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !panel; }, 60000));
    // The preview went; the window keeps the file dialog for its next print to a file.
    ASSERT_TRUE(keptFiles);
    EXPECT_EQ(keptFiles->parentWidget(), document->documentWindow());
    EXPECT_FALSE(keptFiles->isVisible());
    // The print on the silent server was told as failed, naming it, once the preview
    // had gone (the cancelled one was not told).
    QMessageBox *alert = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        alert = qobject_cast<QMessageBox *>(platform::Sheet::sheetOfWindow(document->documentWindow()));
        return alert && alert->isVisible();
    }, 60000));
    const QString told = alert->text() + QLatin1Char(' ') + alert->informativeText();
    EXPECT_TRUE(told.contains(server.name())) << told.toStdString();
    alert->accept();
    waitForTheExport();
    EXPECT_GT(QFileInfo(path(QStringLiteral("silent.pdf"))).size(), 0) << failures.join(u' ').toStdString();
}
