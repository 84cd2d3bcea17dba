// The files written on a pool thread under a progress sheet: a PDF's pages against
// those the calling thread paints from the same tree (rendered by pdftoppm) at every
// bound and with a failure, every other format byte for byte against the file the
// calling thread writes, a cancel in every format that leaves the old file whole and
// nothing beside it, a tree that changes while the file is written, and the printed
// text laid out there.
#include "application/export/ExportJob.h"
#include "application/export/PreviewText.h"
#include "NTXAppKit/NTXProgressWindowController/NTXProgressWindowController.h"
#include "tests/application/export/RenderedPdf.h"
#include "platform/print/PagedTextPrinter.h"
#include "platform/print/PrintInfo.h"
#include "platform/drawing/Sheet.h"
#include "tests/support/TestSupport.h"
#include "FoundationExtensions/NTXStringEncodings.h"

#include <QRegularExpression>
#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QTextDocument>
#include <functional>

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QThreadPool>
#include <QWidget>
#include <algorithm>
#include <random>

namespace {

QDateTime at(int day, int hour, int minute = 0)
{
    return QDateTime(QDate(2024, 3, day), QTime(hour, minute), Qt::OffsetFromUTC, 3600);
}

NodePtr add(const NodePtr &parent, int type, const QString &name, const QDateTime &created)
{
    NodePtr node = Node::create(type, created);
    node->setItemName(name);
    parent->addChild(node);
    return node;
}

// Jobs of up to 10 days of up to 10 entries each; every seventh node has a description
// of two lines.
NodePtr makeTree(int entries)
{
    NodePtr root = Node::create(Node::Root, at(4, 8));
    int made = 0;
    for (int j = 0; made < entries; ++j) {
        NodePtr job = add(root, Node::Job, QStringLiteral("Job %1").arg(j), at(4, 8));
        job->setWage(40 + j % 30);
        for (int d = 0; d < 10 && made < entries; ++d) {
            NodePtr day = add(job, Node::Day, QStringLiteral("Day %1.%2").arg(j).arg(d), at(1 + d, 0));
            for (int e = 0; e < 10 && made < entries; ++e, ++made) {
                NodePtr entry = add(day, Node::TimeEntry, QStringLiteral("Entry %1").arg(made), at(1 + d, 8 + e % 8));
                entry->setlDate(at(1 + d, 8 + e % 8, 30 + e));
                entry->setWage(job->wage());
                if (made % 7 == 0)
                    entry->setDescript(QStringLiteral("What was done in %1,\nand why").arg(made));
                entry->refreshWorkTime();
                entry->recalcWorkTime();
            }
        }
    }
    root->recalcWorkTimeForTree();
    return root;
}

DocumentExporter exporterOf(const NodePtr &root, DocumentExporter::Options options = {}, QList<NodePtr> list = {})
{
    return DocumentExporter(root, list, CurrencyFormatter(QLocale(QLocale::English, QLocale::UnitedStates)), options);
}

QString pdfText(const QString &pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    EXPECT_TRUE(process.waitForFinished(120000));
    return QString::fromUtf8(process.readAllStandardOutput());
}

// What the calling thread writes, into a file.
bool writeHere(const DocumentExporter &exporter, const QString &path, const DocumentExporter::PdfPages &pages,
               QString *reason)
{
    return DocumentExporter::writeAtomically(
        path, [&](QIODevice &device, QString *why) { return exporter.writePdf(device, pages, why); }, reason);
}

class ExportJobTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        window.resize(400, 300);
        window.show();
    }

    struct End
    {
        bool ended = false;
        ExportJob::Outcome outcome = ExportJob::Failed;
        QString reason;
    };

    // Starts a job; the returned end is filled in when it finishes.
    std::shared_ptr<End> start(const DocumentExporter &exporter, const QString &path,
                               const DocumentExporter::PdfPages &pages, QPointer<ExportJob> *started = nullptr)
    {
        auto end = std::make_shared<End>();
        ExportJob *job = ExportJob::start(&window, exporter, path, pages);
        QObject::connect(job, &ExportJob::finished, [end](ExportJob::Outcome outcome, const QString &reason) {
            *end = {true, outcome, reason};
        });
        if (started)
            *started = job;
        return end;
    }

    static bool wait(const std::shared_ptr<End> &end) { return QTest::qWaitFor([&] { return end->ended; }, 120000); }

    QTemporaryDir dir;
    QWidget window;
};

void drainEvents()
{
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

DocumentExporter::PdfPages exportPages()
{
    DocumentExporter::PdfPages pages;
    pages.info = DocumentExporter::exportPrintInfo();
    return pages;
}

} // namespace

// An empty tree, one entry, about a page, just over it, many pages; an export list
// and the options; a printer's own landscape page and a centred last page: the pool
// thread's file shows the pages the calling thread paints. A folder that cannot be
// made fails the same way on both, with no file.
TEST_F(ExportJobTest, WritesThePagesTheCallingThreadWritesAtEveryBound)
{
    if (!renderedpdf::havePoppler()) {
        GTEST_SKIP() << "poppler-utils is not installed (tools/dev setup)";
    }
    DocumentExporter::PdfPages landscape;
    landscape.info.setVerticallyCentered(true);
    landscape.printerLayout =
        QPageLayout(QPageSize(QPageSize::A5), QPageLayout::Landscape, QMarginsF(12, 15, 18, 20), QPageLayout::Millimeter);
    landscape.resolution = 600;
    landscape.title = QStringLiteral("Printed");
    const NodePtr many = makeTree(130);
    struct Case
    {
        const char *name;
        NodePtr root;
        DocumentExporter::Options options;
        QList<NodePtr> list;
        DocumentExporter::PdfPages pages;
    };
    const QList<Case> cases = {
        {"empty", Node::create(Node::Root, at(4, 8)), {}, {}, exportPages()},
        {"one entry", makeTree(1), {}, {}, exportPages()},
        {"about a page", makeTree(34), {}, {}, exportPages()},
        {"over a page", makeTree(40), {}, {}, exportPages()},
        {"many pages", many, {}, {}, exportPages()},
        {"list and options", many, {true, false}, {many->childAtIndex(1), many->childAtIndex(0)}, exportPages()},
        {"printer's page", many, {}, {}, landscape},
    };
    int index = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const DocumentExporter exporter = exporterOf(c.root, c.options, c.list);
        const QString here = dir.filePath(QStringLiteral("here%1.pdf").arg(index));
        const QString there = dir.filePath(QStringLiteral("there%1.pdf").arg(index++));
        QString reason;
        ASSERT_TRUE(writeHere(exporter, here, c.pages, &reason)) << reason.toStdString();
        const std::shared_ptr<End> end = start(exporter, there, c.pages);
        ASSERT_TRUE(wait(end));
        EXPECT_EQ(end->outcome, ExportJob::Written) << end->reason.toStdString();
        const QList<QByteArray> expected = renderedpdf::pages(here);
        ASSERT_FALSE(expected.isEmpty());
        EXPECT_TRUE(renderedpdf::pages(there) == expected);
    }

    // Below a regular file nothing can be made.
    ASSERT_TRUE(testsupport::writeFile(dir.filePath(QStringLiteral("plain")), "x"));
    const QString below = dir.filePath(QStringLiteral("plain/out.pdf"));
    QString reason;
    EXPECT_FALSE(writeHere(exporterOf(many), below, exportPages(), &reason));
    const std::shared_ptr<End> end = start(exporterOf(many), below, exportPages());
    ASSERT_TRUE(wait(end));
    EXPECT_EQ(end->outcome, ExportJob::Failed);
    EXPECT_EQ(end->reason, reason);
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(below));
}

// The sheet shows the progress while the pages are made; its Cancel ends the work:
// told as cancelled, the old file whole (or none where there was none), and nothing
// else left in the folder.
TEST_F(ExportJobTest, CancelLeavesTheOldFileWholeAndNothingBeside)
{
    const NodePtr root = makeTree(20000);
    for (const bool old : {true, false}) {
        SCOPED_TRACE(old ? "over an old file" : "a new file");
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("out.pdf"));
        if (old) {
            ASSERT_TRUE(testsupport::writeFile(path, "old contents"));
        }
        QPointer<ExportJob> job;
        const std::shared_ptr<End> end = start(exporterOf(root), path, exportPages(), &job);
        ASSERT_TRUE(job);
        NTXProgressWindowController &progress = job->progress();
        const QPointer<QDialog> sheet = progress.window();
        // Sheets on a window show one at a time: after the one of the job before.
        EXPECT_TRUE(QTest::qWaitFor([&] { return sheet && sheet->isVisible(); }, 60000));
        EXPECT_EQ(sheet->parentWidget(), &window);
        EXPECT_TRUE(progress.cancelButton()->isVisible());
        ASSERT_TRUE(QTest::qWaitFor([&] { return end->ended || progress.progressIndicator()->value() > 0; }, 60000));
        ASSERT_FALSE(end->ended) << "the work ended before it could be cancelled";
        QTest::mouseClick(progress.cancelButton(), Qt::LeftButton);
        ASSERT_TRUE(wait(end));
        EXPECT_EQ(end->outcome, ExportJob::Cancelled);
        EXPECT_TRUE(end->reason.isEmpty());
        // Closed, and gone with the job.
        EXPECT_TRUE(!sheet || !sheet->isVisible());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !job; }));
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                  old ? QStringList{QStringLiteral("out.pdf")} : QStringList());
        if (old) {
            EXPECT_EQ(testsupport::readFile(path), "old contents");
        }
    }
}

// The window goes (and the job with it) while the pages are made: nobody is told,
// and the file begun is taken away.
TEST_F(ExportJobTest, AJobThatGoesLeavesNoFile)
{
    const NodePtr root = makeTree(20000);
    QTemporaryDir folder;
    QPointer<ExportJob> job;
    const std::shared_ptr<End> end = start(exporterOf(root), folder.filePath(QStringLiteral("out.pdf")), exportPages(), &job);
    ASSERT_TRUE(QTest::qWaitFor([&] { return end->ended || job->progress().progressIndicator()->value() > 0; }, 60000));
    ASSERT_FALSE(end->ended) << "the work ended before the job could go";
    delete job.data();
    // The work sees itself cancelled at its next page or node and ends.
    EXPECT_TRUE(QTest::qWaitFor([] { return QThreadPool::globalInstance()->activeThreadCount() == 0; }, 60000));
    drainEvents();
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
    EXPECT_FALSE(end->ended);
}

// Seeded edits of the tree (names, descriptions, times, nodes added and taken away)
// while the file is written: the file shows the tree as it was when the export began,
// and the progress only went forward.
TEST_F(ExportJobTest, TheFileShowsTheTreeAsItWasWhenTheExportBegan)
{
    if (!renderedpdf::havePoppler()) {
        GTEST_SKIP() << "poppler-utils is not installed (tools/dev setup)";
    }
    const NodePtr root = makeTree(3000);
    const QString before = dir.filePath(QStringLiteral("before.pdf"));
    QString reason;
    ASSERT_TRUE(writeHere(exporterOf(root), before, exportPages(), &reason)) << reason.toStdString();

    std::mt19937 random(20261209);
    QPointer<ExportJob> job;
    const QString path = dir.filePath(QStringLiteral("during.pdf"));
    const std::shared_ptr<End> end = start(exporterOf(root), path, exportPages(), &job);
    QList<int> shown{0};
    int edits = 0;
    while (!end->ended) {
        const NodePtr jobNode = root->childAtIndex(qsizetype(random() % root->childrenCount()));
        const NodePtr day = jobNode->childrenCount() ? jobNode->childAtIndex(qsizetype(random() % jobNode->childrenCount())) : NodePtr();
        switch (random() % 5) {
        case 0:
            jobNode->setItemName(QStringLiteral("Renamed %1").arg(edits));
            break;
        case 1:
            jobNode->setDescript(QStringLiteral("Changed %1").arg(edits));
            break;
        case 2:
            add(root, Node::Job, QStringLiteral("Added %1").arg(edits), at(5, 9));
            break;
        case 3:
            if (day)
                jobNode->delChild(day);
            break;
        case 4:
            if (day && day->childrenCount()) {
                const NodePtr entry = day->childAtIndex(0);
                entry->setlDate(entry->lDate().addSecs(600));
                entry->refreshWorkTime();
                entry->recalcWorkTime();
            }
            break;
        }
        ++edits;
        // One edit for each pass that delivers something (a step of the progress).
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (job && job->progress().progressIndicator()->value() != shown.last())
            shown.append(job->progress().progressIndicator()->value());
    }
    EXPECT_GT(edits, 0);
    EXPECT_EQ(end->outcome, ExportJob::Written) << end->reason.toStdString();
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_GT(shown.size(), 1);
    const QString text = pdfText(path);
    EXPECT_FALSE(text.contains(QStringLiteral("Renamed")));
    EXPECT_EQ(text, pdfText(before));
}

namespace {

// A seeded tree of the shapes the walk treats apart: groups holding jobs and groups,
// jobs with days and entries, names and descriptions with commas, quotes, tabs, line
// breaks and letters outside Latin-1, empty names, descriptions on every level.
NodePtr randomTree(std::mt19937 &random, int entries)
{
    static const QStringList words{QStringLiteral("plain"), QStringLiteral("a, b"), QStringLiteral("\"quoted\""),
                                   QStringLiteral("tab\there"), QStringLiteral("two\nlines"), QStringLiteral("Ærø ß"),
                                   QStringLiteral("日本語"), QStringLiteral(""), QStringLiteral("cr\r\nlf"),
                                   QStringLiteral("{brace}\\")};
    const auto word = [&] { return words[int(random() % words.size())]; };
    NodePtr root = Node::create(Node::Root, at(4, 8));
    NodePtr group = add(root, Node::Group, QStringLiteral("Group ") + word(), at(4, 8));
    NodePtr inner = add(group, Node::Group, word(), at(4, 8));
    int made = 0;
    for (int j = 0; made < entries; ++j) {
        const NodePtr parent = j % 3 == 0 ? root : j % 3 == 1 ? group : inner;
        NodePtr job = add(parent, Node::Job, QStringLiteral("Job %1 ").arg(j) + word(), at(4, 8));
        job->setWage(float(random() % 120));
        if (random() % 2)
            job->setDescript(word() + QLatin1Char(' ') + word());
        for (int d = 0; d < 1 + int(random() % 4) && made < entries; ++d) {
            NodePtr day = add(job, Node::Day, word(), at(1 + d, 0));
            if (random() % 4 == 0)
                day->setDescript(word());
            for (int e = 0; e < 1 + int(random() % 6) && made < entries; ++e, ++made) {
                NodePtr entry = add(day, Node::TimeEntry, word(), at(1 + d, 8 + e));
                entry->setlDate(at(1 + d, 8 + e, int(random() % 60)));
                entry->setWage(job->wage());
                if (random() % 3 == 0)
                    entry->setDescript(word() + QLatin1Char('\n') + word());
                entry->refreshWorkTime();
                entry->recalcWorkTime();
            }
        }
    }
    root->recalcWorkTimeForTree();
    return root;
}

// A format and what it is written with, chosen by the seed.
DocumentExporter::FileSettings randomSettings(std::mt19937 &random)
{
    static const quint32 encodings[] = {NTXStringEncodings::UTF8StringEncoding, NTXStringEncodings::UnicodeStringEncoding,
                                        NTXStringEncodings::ISOLatin1StringEncoding,
                                        NTXStringEncodings::MacOSRomanStringEncoding,
                                        NTXStringEncodings::UTF16LittleEndianStringEncoding};
    DocumentExporter::FileSettings settings;
    settings.textEncoding = encodings[random() % std::size(encodings)];
    settings.csv.encoding = encodings[random() % std::size(encodings)];
    settings.csv.separatorType = int(random() % 3);
    settings.csv.lineEndType = int(random() % 3);
    settings.treeFlags = int(random() % 4);
    settings.store.setWindowFrame(QRectF(10, 20, 600 + random() % 200, 400));
    settings.store.setDescriptVisible(random() % 2);
    return settings;
}

// What the calling thread writes in a format, into a file.
QByteArray writtenHere(const DocumentExporter &exporter, const QString &path, DocumentExporter::Format format,
                       const DocumentExporter::FileSettings &settings)
{
    QString reason;
    EXPECT_TRUE(exporter.writeFile(path, format, settings.csv, settings.textEncoding, settings.store,
                                   settings.treeFlags, &reason))
        << reason.toStdString();
    return testsupport::readFile(path);
}

} // namespace

// Seeded trees, options, export lists and settings: RTF, tab text, XML and CSV that
// the job writes on a pool thread are the files the calling thread writes, byte for
// byte; the job's sheet is on the window while it runs.
TEST_F(ExportJobTest, EveryOtherFormatIsTheFileTheCallingThreadWrites)
{
    std::mt19937 random(88);
    const DocumentExporter::Format formats[] = {DocumentExporter::Rtf, DocumentExporter::TabText, DocumentExporter::Xml,
                                                DocumentExporter::Csv};
    for (int round = 0; round < 12; ++round) {
        const NodePtr root = randomTree(random, 1 + int(random() % 150));
        DocumentExporter::Options options;
        options.withoutTimeEntries = random() % 3 == 0;
        options.withoutDayEntries = options.withoutTimeEntries && random() % 2;
        QList<NodePtr> list;
        if (random() % 2) {
            for (const NodePtr &node : root->children())
                if (random() % 2)
                    list.append(node);
        }
        const DocumentExporter exporter = exporterOf(root, options, DocumentExporter::exportListFromSelection(list));
        const DocumentExporter::FileSettings settings = randomSettings(random);
        for (const DocumentExporter::Format format : formats) {
            SCOPED_TRACE(QStringLiteral("round %1, %2").arg(round).arg(DocumentExporter::fileExtension(format)).toStdString());
            const QString here = dir.filePath(QStringLiteral("here%1.%2").arg(round).arg(DocumentExporter::fileExtension(format)));
            const QString there = dir.filePath(QStringLiteral("there%1.%2").arg(round).arg(DocumentExporter::fileExtension(format)));
            const QByteArray hereBytes = writtenHere(exporter, here, format, settings);
            ASSERT_FALSE(hereBytes.isEmpty());
            auto end = std::make_shared<End>();
            QPointer<ExportJob> job = ExportJob::start(&window, exporter, there, format, settings);
            QObject::connect(job, &ExportJob::finished, [end](ExportJob::Outcome outcome, const QString &reason) {
                *end = {true, outcome, reason};
            });
            EXPECT_EQ(job->progress().window()->parentWidget(), &window);
            ASSERT_TRUE(wait(end));
            EXPECT_EQ(end->outcome, ExportJob::Written) << end->reason.toStdString();
            // A selection exported as XML stands in a document element made as it is
            // written, dated then: the two writes may fall in different seconds.
            const auto undated = [](QByteArray xml) {
                static const QRegularExpression wrapper(QStringLiteral("<document createDate=\"[^\"]*\" lastDate=\"[^\"]*\""));
                return QString::fromUtf8(xml).replace(wrapper, QStringLiteral("<document")).toUtf8();
            };
            QByteArray written = testsupport::readFile(there);
            QByteArray expected = hereBytes;
            if (format == DocumentExporter::Xml && !list.isEmpty()) {
                written = undated(written);
                expected = undated(expected);
            }
            qsizetype at = 0;
            while (at < written.size() && at < expected.size() && written.at(at) == expected.at(at))
                ++at;
            EXPECT_TRUE(written == expected) << "first difference at byte " << at << ": here «"
                                             << expected.mid(std::max<qsizetype>(0, at - 60), 140).toStdString()
                                             << "», the job's «"
                                             << written.mid(std::max<qsizetype>(0, at - 60), 140).toStdString() << "»";
        }
    }
}

// The Cancel of a job whose writing goes on until it is told to stop (half of it
// written already): told as cancelled, the old file whole, nothing beside it.
TEST_F(ExportJobTest, ACancelWhileAnyFileIsWrittenLeavesTheOldFileWhole)
{
    const QString path = dir.filePath(QStringLiteral("out.csv"));
    ASSERT_TRUE(testsupport::writeFile(path, "old contents"));
    auto end = std::make_shared<End>();
    QPointer<ExportJob> job = ExportJob::start(
        &window, path, [](QIODevice &device, QString *, const DocumentExporter::Progress &progress) {
            device.write("the first half");
            while (progress(0.5))
                QThread::yieldCurrentThread();
            return false;
        });
    QObject::connect(job, &ExportJob::finished, [end](ExportJob::Outcome outcome, const QString &reason) {
        *end = {true, outcome, reason};
    });
    NTXProgressWindowController &progress = job->progress();
    ASSERT_TRUE(QTest::qWaitFor([&] { return progress.progressIndicator()->value() > 0; }, 60000));
    QTest::mouseClick(progress.cancelButton(), Qt::LeftButton);
    ASSERT_TRUE(wait(end));
    EXPECT_EQ(end->outcome, ExportJob::Cancelled);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !job; }));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System), QStringList{QStringLiteral("out.csv")});
    EXPECT_EQ(testsupport::readFile(path), "old contents");
}

// Every format asks its progress while it builds a large text (RTF, tab text and CSV
// many times, XML at its end): stopped at any of those asks, the writing fails with
// no reason, and the file stays as it was.
TEST_F(ExportJobTest, EveryFormatStopsWhereverItsProgressSaysSo)
{
    const NodePtr root = makeTree(6000);
    const DocumentExporter exporter = exporterOf(root);
    std::mt19937 random(8802);
    for (const DocumentExporter::Format format : {DocumentExporter::Rtf, DocumentExporter::TabText,
                                                  DocumentExporter::Xml, DocumentExporter::Csv, DocumentExporter::Pdf}) {
        SCOPED_TRACE(DocumentExporter::fileExtension(format).toStdString());
        // How often it asks when it goes on, and that the last ask says the whole.
        int asks = 0;
        double last = 0;
        QBuffer whole;
        whole.open(QIODevice::WriteOnly);
        QString reason;
        ASSERT_TRUE(exporter.write(whole, format, {}, &reason, [&](double done) {
            ++asks;
            EXPECT_GE(done, last);
            last = done;
            return true;
        }));
        EXPECT_EQ(last, 1.0);
        EXPECT_GE(asks, format == DocumentExporter::Xml ? 1 : 20);
        for (int k : {1, int(random() % asks) + 1, asks}) {
            SCOPED_TRACE(k);
            const QString path = dir.filePath(QStringLiteral("stopped.") + DocumentExporter::fileExtension(format));
            ASSERT_TRUE(testsupport::writeFile(path, "old contents"));
            int asked = 0;
            reason.clear();
            EXPECT_FALSE(DocumentExporter::writeAtomically(
                path,
                [&](QIODevice &device, QString *why) {
                    return exporter.write(device, format, {}, why, [&](double) { return ++asked < k; });
                },
                &reason));
            EXPECT_EQ(asked, k);
            EXPECT_EQ(testsupport::readFile(path), "old contents");
        }
    }
}

// The printed text laid out on a pool thread: the formatted text the calling thread
// makes, taken once; a job that goes before it ends leaves nothing to take.
TEST_F(ExportJobTest, TheTextLaidOutThereIsTheTextLaidOutHere)
{
    std::mt19937 random(881);
    const NodePtr root = randomTree(random, 400);
    const DocumentExporter exporter = exporterOf(root);
    const std::unique_ptr<QTextDocument> here = exporter.textDocument(500, {}, 700);
    auto end = std::make_shared<End>();
    QPointer<ExportJob> job = ExportJob::layOut(&window, exporter, QSizeF(500, 700));
    QObject::connect(job, &ExportJob::finished, [end, job, &here](ExportJob::Outcome outcome, const QString &reason) {
        *end = {true, outcome, reason};
        if (outcome == ExportJob::Written) {
            const ExportJob::LaidOutText text = job->takeText();
            ASSERT_TRUE(text);
            EXPECT_EQ(text->pageSize(), QSizeF(500, 700));
            EXPECT_NEAR(text->height(), here->size().height(), 0.01);
            EXPECT_EQ(text->pageCount(), platform::PagedTextPrinter::pageCount(*here, 700));
            end->reason = text->toPlainText();
            EXPECT_FALSE(job->takeText());
        }
    });
    ASSERT_TRUE(wait(end));
    EXPECT_EQ(end->outcome, ExportJob::Written);
    EXPECT_EQ(end->reason, here->toPlainText());
    EXPECT_FALSE(job && job->takeText());
}

// The pages PagedTextPrinter paints, a paragraph at a time from the first one on the
// page, are those Qt's layout paints when it is handed each page's clip: a tree whose
// descriptions wrap over several lines, some across a page's end, and a centred last
// page.
TEST_F(ExportJobTest, ThePagesAreThoseQtsOwnLayoutPaints)
{
    if (!renderedpdf::havePoppler()) {
        GTEST_SKIP() << "poppler-utils is not installed (tools/dev setup)";
    }
    std::mt19937 random(8803);
    const NodePtr root = randomTree(random, 600);
    int n = 0;
    const std::function<void(const NodePtr &)> describe = [&](const NodePtr &node) {
        if (++n % 5 == 0)
            node->setDescript(QStringLiteral("A description long enough to wrap over more than one line of the "
                                             "printed page, so that its paragraph may end on the next page. ")
                                  .repeated(1 + n % 3));
        for (const NodePtr &child : node->children())
            describe(child);
    };
    describe(root);
    for (const bool centred : {false, true}) {
        SCOPED_TRACE(centred ? "centred" : "at the top");
        platform::PrintInfo info = DocumentExporter::exportPrintInfo();
        info.setVerticallyCentered(centred);
        const QString printed = dir.filePath(QStringLiteral("printed%1.pdf").arg(centred));
        const QString reference = dir.filePath(QStringLiteral("reference%1.pdf").arg(centred));
        {
            QPdfWriter writer(printed);
            info.applyTo(writer);
            const QRectF paintRect = writer.pageLayout().paintRect(QPageLayout::Point);
            const std::unique_ptr<QTextDocument> text =
                exporterOf(root).textDocument(paintRect.width(), {}, paintRect.height());
            ASSERT_TRUE(platform::PagedTextPrinter::print(*text, writer, info, true));
        }
        {
            // Qt's layout paints each page, with the page's clip.
            QPdfWriter writer(reference);
            info.applyTo(writer);
            const QRectF paintRect = writer.pageLayout().paintRect(QPageLayout::Point);
            const std::unique_ptr<QTextDocument> text =
                exporterOf(root).textDocument(paintRect.width(), {}, paintRect.height());
            const qreal height = paintRect.height();
            const qreal total = text->size().height();
            const int pages = std::max(1, int(std::ceil(total / height - 1e-6)));
            ASSERT_GT(pages, 3);
            QPainter painter(&writer);
            for (int page = 0; page < pages; ++page) {
                if (page > 0)
                    writer.newPage();
                const qreal top = page * height;
                const qreal offset = centred && page == pages - 1 ? std::max<qreal>(0, (height - (total - top)) / 2) : 0;
                painter.save();
                painter.scale(writer.logicalDpiX() / 72.0, writer.logicalDpiY() / 72.0);
                painter.translate(0, offset - top);
                QAbstractTextDocumentLayout::PaintContext context;
                context.clip = QRectF(0, top, paintRect.width(), height);
                painter.setClipRect(context.clip);
                text->documentLayout()->draw(&painter, context);
                painter.restore();
            }
        }
        const QList<QByteArray> expected = renderedpdf::pages(reference);
        ASSERT_FALSE(expected.isEmpty());
        EXPECT_TRUE(renderedpdf::pages(printed) == expected);
    }
}

// A tree of many slices of nodes, edited between the passes in which the job copies
// it (seeded: names, descriptions, nodes added and taken away): the file is the one
// the tree gave at the command. A Cancel while the copy is made ends the job there:
// told as cancelled, its sheet closed, the old file whole.
TEST_F(ExportJobTest, TheCopyMadeInSlicesIsTheTreeAtTheCommandAndCancelStopsIt)
{
    const NodePtr root = makeTree(20000);
    const QByteArray expected = exporterOf(root).tabTextData(NTXStringEncodings::UTF8StringEncoding);
    DocumentExporter::FileSettings settings;
    settings.textEncoding = NTXStringEncodings::UTF8StringEncoding;
    const QString path = dir.filePath(QStringLiteral("sliced.txt"));
    auto end = std::make_shared<End>();
    QPointer<ExportJob> job = ExportJob::start(&window, exporterOf(root), path, DocumentExporter::TabText, settings);
    QObject::connect(job, &ExportJob::finished, [end](ExportJob::Outcome outcome, const QString &reason) {
        *end = {true, outcome, reason};
    });
    std::mt19937 random(8804);
    int passes = 0;
    while (!end->ended) {
        const NodePtr jobNode = root->childAtIndex(qsizetype(random() % root->childrenCount()));
        switch (random() % 4) {
        case 0:
            jobNode->setItemName(QStringLiteral("Renamed %1").arg(passes));
            break;
        case 1:
            jobNode->setDescript(QStringLiteral("Changed %1").arg(passes));
            break;
        case 2:
            add(root, Node::Job, QStringLiteral("Added %1").arg(passes), at(5, 9));
            break;
        case 3:
            if (jobNode->childrenCount())
                jobNode->delChild(jobNode->childAtIndex(0));
            break;
        }
        ++passes;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
    // More passes than one slice of the copy takes.
    EXPECT_GT(passes, 20000 / int(ExportJob::CopySliceNodes));
    EXPECT_EQ(end->outcome, ExportJob::Written) << end->reason.toStdString();
    EXPECT_TRUE(testsupport::readFile(path) == expected);

    ASSERT_TRUE(testsupport::writeFile(path, "old contents"));
    *end = {};
    job = ExportJob::start(&window, exporterOf(root), path, DocumentExporter::TabText, settings);
    QObject::connect(job, &ExportJob::finished, [end](ExportJob::Outcome outcome, const QString &reason) {
        *end = {true, outcome, reason};
    });
    const QPointer<QDialog> sheet = job->progress().window();
    // The sheet of the job before went a pass ago: this one shows once its end was told.
    EXPECT_TRUE(QTest::qWaitFor([&] { return sheet && sheet->isVisible(); }, 60000));
    job->progress().cancelButton()->click();
    ASSERT_TRUE(wait(end));
    EXPECT_EQ(end->outcome, ExportJob::Cancelled);
    EXPECT_TRUE(!sheet || !sheet->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !job; }));
    EXPECT_EQ(testsupport::readFile(path), "old contents");
    EXPECT_EQ(QDir(dir.path()).entryList({QStringLiteral("sliced*")}, QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("sliced.txt")});
}

// The progress sheet holds its window as every sheet does, in the one queue of the
// window's sheets: keys the desktop still sends to a menu that stood on the window and
// hid reach no field of the window under the sheet; an alert begun on the window
// waits for the sheet, and Escape cancels the job (the sheet has the keyboard); then
// the alert shows.
TEST_F(ExportJobTest, TheProgressSheetHoldsItsWindowInTheQueueOfItsSheets)
{
    auto *field = new QLineEdit(&window);
    field->setFocus();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    auto end = std::make_shared<End>();
    QPointer<ExportJob> job;
    {
        // The work goes on until it is cancelled: the sheet stays until it is answered.
        job = ExportJob::start(&window, dir.filePath(QStringLiteral("held.txt")),
                               [](QIODevice &, QString *, const DocumentExporter::Progress &progress) {
                                   while (progress(0.5))
                                       QThread::msleep(1);
                                   return false;
                               });
        QObject::connect(job, &ExportJob::finished, [end](ExportJob::Outcome outcome, const QString &reason) {
            *end = {true, outcome, reason};
        });
        ASSERT_TRUE(job);
        const QPointer<QDialog> sheet = job->progress().window();
        ASSERT_TRUE(QTest::qWaitFor([&] { return sheet && sheet->isVisible(); }, 60000));
        EXPECT_EQ(platform::Sheet::sheetOfWindow(&window), sheet.data());

        // A menu of the window that hid: what it still gets goes through the hold.
        QMenu menu(&window);
        menu.addAction(QStringLiteral("Item"));
        menu.popup(window.mapToGlobal(QPoint(10, 10)));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
        menu.hide();
        QTest::keyClicks(&menu, QStringLiteral("typed"));
        EXPECT_EQ(field->text(), QString());

        // An alert on the window waits for the sheet.
        auto *alert = new QMessageBox(QMessageBox::Warning, QStringLiteral("Alert"), QStringLiteral("Over the export"),
                                      QMessageBox::Ok, &window);
        int answered = 0;
        platform::Sheet::begin(alert, &window, [&](int) { ++answered; });
        testsupport::settleEvents();
        EXPECT_FALSE(alert->isVisible());

        // Escape on the sheet, which has the keyboard: the job ends cancelled.
        // (The menu took the keyboard for a while: the desktop gives it back to the
        // sheet.)
        sheet->activateWindow();
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == sheet; }, 60000));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : sheet.data(), Qt::Key_Escape);
        ASSERT_TRUE(QTest::qWaitFor([&] { return alert->isVisible(); }, 60000));
        alert->accept();
        EXPECT_TRUE(QTest::qWaitFor([&] { return answered == 1; }, 60000));
        delete alert;
    }
    ASSERT_TRUE(wait(end));
    EXPECT_EQ(end->outcome, ExportJob::Cancelled);
    EXPECT_EQ(field->text(), QString());
    delete field;
}
