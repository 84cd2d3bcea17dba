// Escape typed through the X server on the progress sheet of every kind of job (a PDF,
// RTF, XML, CSV or text file written over an old one, and the print preview's layout)
// does what the sheet's Cancel does: the job ends cancelled, the old file keeps its
// bytes and nothing is left beside it, and the print preview closes. An operation of
// the test's own stands first in the job's queue, one at a time, until the key has
// done its work, so the job's work cannot be done before the key arrives.
#include "tests/support/DesktopTestSupport.h"
#include "NTXAppKit/NTXProgressWindowController/NTXProgressWindowController.h"
#include "application/export/DocumentPrintPanel.h"
#include "application/export/ExportJob.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QPushButton>
#include <QSemaphore>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

namespace {

constexpr int Patience = 15000;

NodePtr makeTree(int jobs)
{
    const QDateTime at(QDate(2024, 3, 4), QTime(8, 0));
    NodePtr root = Node::create(Node::Root, at);
    for (int j = 0; j < jobs; ++j) {
        NodePtr job = Node::create(Node::Job, at);
        job->setItemName(QStringLiteral("Job %1").arg(j));
        root->addChild(job);
    }
    return root;
}

struct Kind
{
    const char *name;
    // Starts the job on the window; a file job writes `path`.
    std::function<ExportJob *(QWidget *window, const DocumentExporter &exporter, const QString &path)> start;
};

ExportJob *startFormat(QWidget *window, const DocumentExporter &exporter, const QString &path,
                       DocumentExporter::Format format)
{
    return ExportJob::start(window, exporter, path, format, DocumentExporter::FileSettings());
}

const Kind Kinds[] = {
    {"PDF",
     [](QWidget *window, const DocumentExporter &exporter, const QString &path) {
         DocumentExporter::PdfPages pages;
         pages.info = DocumentExporter::exportPrintInfo();
         return ExportJob::start(window, exporter, path, pages);
     }},
    {"RTF", [](QWidget *w, const DocumentExporter &e, const QString &p) { return startFormat(w, e, p, DocumentExporter::Rtf); }},
    {"XML", [](QWidget *w, const DocumentExporter &e, const QString &p) { return startFormat(w, e, p, DocumentExporter::Xml); }},
    {"CSV", [](QWidget *w, const DocumentExporter &e, const QString &p) { return startFormat(w, e, p, DocumentExporter::Csv); }},
    {"Text", [](QWidget *w, const DocumentExporter &e, const QString &p) { return startFormat(w, e, p, DocumentExporter::TabText); }},
};

class ProgressSheetEscapeX11 : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
        if (!desktoptest::WindowManager::isInstalled())
            GTEST_SKIP() << "openbox and xprop are needed";
        windowManager = std::make_unique<desktoptest::WindowManager>();
        ASSERT_TRUE(windowManager->isRunning());
        window.resize(500, 400);
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window, Patience));
    }

    // Waits until the sheet has the keyboard, then types Escape.
    static bool escapeOn(QWidget *sheet)
    {
        return QTest::qWaitFor([sheet] { return QApplication::activeWindow() == sheet; }, Patience) &&
               desktoptest::sendKeys({QStringLiteral("Escape")});
    }

    // Lets the job's work start only once opened (or once it goes).
    class Gate
    {
    public:
        explicit Gate(ExportJob *job) : m_open(std::make_shared<QSemaphore>())
        {
            platform::OperationQueue &queue = job->progress().operationQueue();
            queue.setMaxConcurrentOperationCount(1);
            queue.addOperation([open = m_open](platform::Operation &) { open->acquire(); });
        }
        ~Gate() { open(); }
        void open()
        {
            if (!m_opened)
                m_open->release();
            m_opened = true;
        }

    private:
        std::shared_ptr<QSemaphore> m_open;
        bool m_opened = false;
    };

    std::unique_ptr<desktoptest::WindowManager> windowManager;
    QWidget window;
};

} // namespace

TEST_F(ProgressSheetEscapeX11, EscapeOnAFileJobsSheetCancelsItAndTheOldFileStays)
{
    const NodePtr root = makeTree(200);
    const DocumentExporter exporter(root, {}, CurrencyFormatter(QLocale(QLocale::English, QLocale::UnitedStates)), {});
    for (const Kind &kind : Kinds) {
        SCOPED_TRACE(kind.name);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("old.out"));
        ASSERT_TRUE(testsupport::writeFile(path, "the old file's bytes"));
        bool ended = false;
        ExportJob::Outcome outcome = ExportJob::Written;
        {
            QPointer<ExportJob> job = kind.start(&window, exporter, path);
            Gate gate(job);
            QObject::connect(job, &ExportJob::finished, [&](ExportJob::Outcome how, const QString &) {
                ended = true;
                outcome = how;
            });
            const QPointer<QDialog> sheet = job->progress().window();
            ASSERT_TRUE(escapeOn(sheet));
            // The key did what Cancel does, before the work could begin.
            ASSERT_TRUE(QTest::qWaitFor([&] { return !job || !job->progress().cancelButton()->isEnabled(); }, Patience));
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, 60000));
        EXPECT_EQ(outcome, ExportJob::Cancelled);
        EXPECT_EQ(testsupport::readFile(path), "the old file's bytes");
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
                  QStringList{QStringLiteral("old.out")});
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; }, Patience));
    }
}

TEST_F(ProgressSheetEscapeX11, EscapeOnThePrintPreviewsSheetEndsThePrint)
{
    testsupport::ScopedXdgHome home;
    platform::UserDefaults defaults(home.path() + QStringLiteral("/defaults.conf"));
    auto panel = std::make_unique<DocumentPrintPanel>(&window, defaults, makeTree(200), QList<NodePtr>(),
                                                      CurrencyFormatter(QLocale(QLocale::English, QLocale::UnitedStates)));
    int result = -1;
    QObject::connect(panel.get(), &DocumentPrintPanel::finished, [&](int code) { result = code; });
    {
        panel->open();
        ASSERT_NE(panel->layoutJob(), nullptr);
        QPointer<ExportJob> job = panel->layoutJob();
        Gate gate(job);
        ASSERT_TRUE(escapeOn(job->progress().window()));
        ASSERT_TRUE(QTest::qWaitFor([&] { return result != -1 || !job || !job->progress().cancelButton()->isEnabled(); },
                                    Patience));
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return result != -1; }, 60000));
    EXPECT_EQ(result, QDialog::Rejected);
    EXPECT_EQ(panel->layoutJob(), nullptr);
    EXPECT_EQ(panel->printTextView(), nullptr);
    EXPECT_FALSE(panel->previewDialog()->isVisible());
    for (QDialog *dialog : window.findChildren<QDialog *>())
        EXPECT_FALSE(dialog->isVisible()) << dialog->objectName().toStdString();
}
