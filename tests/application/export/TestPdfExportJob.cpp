// The PDF written on a pool thread under a progress sheet: its pages against those
// the calling thread paints from the same tree (rendered by pdftoppm) at every bound
// and with a failure, a cancel that leaves the old file whole and nothing beside it,
// and a tree that changes while the file is written.
#include "application/export/PdfExportJob.h"
#include "NTXAppKit/NTXProgressWindowController/NTXProgressWindowController.h"
#include "tests/application/export/RenderedPdf.h"
#include "platform/print/PagedTextPrinter.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
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

class PdfExportJobTest : public ::testing::Test
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
        PdfExportJob::Outcome outcome = PdfExportJob::Failed;
        QString reason;
    };

    // Starts a job; the returned end is filled in when it finishes.
    std::shared_ptr<End> start(const DocumentExporter &exporter, const QString &path,
                               const DocumentExporter::PdfPages &pages, QPointer<PdfExportJob> *started = nullptr)
    {
        auto end = std::make_shared<End>();
        PdfExportJob *job = PdfExportJob::start(&window, exporter, path, pages);
        QObject::connect(job, &PdfExportJob::finished, [end](PdfExportJob::Outcome outcome, const QString &reason) {
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
TEST_F(PdfExportJobTest, WritesThePagesTheCallingThreadWritesAtEveryBound)
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
        EXPECT_EQ(end->outcome, PdfExportJob::Written) << end->reason.toStdString();
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
    EXPECT_EQ(end->outcome, PdfExportJob::Failed);
    EXPECT_EQ(end->reason, reason);
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(below));
}

// The sheet shows the progress while the pages are made; its Cancel ends the work:
// told as cancelled, the old file whole (or none where there was none), and nothing
// else left in the folder.
TEST_F(PdfExportJobTest, CancelLeavesTheOldFileWholeAndNothingBeside)
{
    const NodePtr root = makeTree(20000);
    for (const bool old : {true, false}) {
        SCOPED_TRACE(old ? "over an old file" : "a new file");
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("out.pdf"));
        if (old) {
            ASSERT_TRUE(testsupport::writeFile(path, "old contents"));
        }
        QPointer<PdfExportJob> job;
        const std::shared_ptr<End> end = start(exporterOf(root), path, exportPages(), &job);
        ASSERT_TRUE(job);
        NTXProgressWindowController &progress = job->progress();
        const QPointer<QDialog> sheet = progress.window();
        EXPECT_TRUE(sheet->isVisible());
        EXPECT_EQ(sheet->parentWidget(), &window);
        EXPECT_TRUE(progress.cancelButton()->isVisible());
        ASSERT_TRUE(QTest::qWaitFor([&] { return end->ended || progress.progressIndicator()->value() > 0; }, 60000));
        ASSERT_FALSE(end->ended) << "the work ended before it could be cancelled";
        QTest::mouseClick(progress.cancelButton(), Qt::LeftButton);
        ASSERT_TRUE(wait(end));
        EXPECT_EQ(end->outcome, PdfExportJob::Cancelled);
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
TEST_F(PdfExportJobTest, AJobThatGoesLeavesNoFile)
{
    const NodePtr root = makeTree(20000);
    QTemporaryDir folder;
    QPointer<PdfExportJob> job;
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
TEST_F(PdfExportJobTest, TheFileShowsTheTreeAsItWasWhenTheExportBegan)
{
    if (!renderedpdf::havePoppler()) {
        GTEST_SKIP() << "poppler-utils is not installed (tools/dev setup)";
    }
    const NodePtr root = makeTree(3000);
    const QString before = dir.filePath(QStringLiteral("before.pdf"));
    QString reason;
    ASSERT_TRUE(writeHere(exporterOf(root), before, exportPages(), &reason)) << reason.toStdString();

    std::mt19937 random(20261209);
    QPointer<PdfExportJob> job;
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
    EXPECT_EQ(end->outcome, PdfExportJob::Written) << end->reason.toStdString();
    EXPECT_TRUE(std::is_sorted(shown.begin(), shown.end()));
    EXPECT_GT(shown.size(), 1);
    const QString text = pdfText(path);
    EXPECT_FALSE(text.contains(QStringLiteral("Renamed")));
    EXPECT_EQ(text, pdfText(before));
}
