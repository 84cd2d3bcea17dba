// Another program's change that lands at any step of a save of the real document
// (before the write, after it, after the last look before the rename, after the
// rename, after the save's look at what it wrote) is never taken for the save's own:
// the save, or the next one, asks before writing over it, and the file keeps the
// other program's bytes until the person says otherwise. On tmpfs (times to the
// nanosecond) and on a file system with whole-second times; a rewrite in place that
// keeps the size and puts the modification time back, and a file of the same size
// and time put in the file's place.
#include "TestMyDocumentSupport.h"

#include "platform/foundation/RegularFile.h"
#include "platform/foundation/SaveFile.h"
#include "tests/support/ScopedFileSystem.h"
#include "tests/support/WriteGate.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <utility>

using namespace mydoctest;
using testsupport::ScopedFileSystem;

namespace {

enum class Step { BeforeWrite, AfterWrite, AfterCheck, AfterRename, AfterLook };

const char *nameOf(Step step)
{
    switch (step) {
    case Step::BeforeWrite:
        return "before the write";
    case Step::AfterWrite:
        return "after the write";
    case Step::AfterCheck:
        return "after the last look";
    case Step::AfterRename:
        return "after the rename";
    case Step::AfterLook:
        return "after the save's look";
    }
    return "?";
}

// The real document, whose background saves wait at a gate at one step of their
// write (the first time they reach it), with what the write and its check tell
// passed on as they are.
class SteppedDocument : public MyDocument
{
public:
    using MyDocument::MyDocument;
    // The step whose gate the next save meets (none: no gate).
    std::optional<Step> held;
    std::shared_ptr<testsupport::WriteGate> gate = std::make_shared<testsupport::WriteGate>();

protected:
    FileWriter makeFileWriter(const QString &path, const QString &typeName) override
    {
        FileWriter writer = MyDocument::makeFileWriter(path, typeName);
        if (!writer || !held || *held == Step::AfterLook)
            return writer;
        writer.write = [write = writer.write, gate = gate, step = *held](const ReplaceCheck &mayReplace, QString *reason) {
            const auto at = [&](Step here) {
                if (here == step)
                    gate->pass();
            };
            at(Step::BeforeWrite);
            bool asked = false;
            const ReplaceCheck gated(ReplaceCheck::Check([&](const platform::SaveFile::Written *written) {
                const bool first = !std::exchange(asked, true);
                if (first)
                    at(Step::AfterWrite);
                const bool answer = written ? mayReplace(*written) : mayReplace();
                if (first)
                    at(Step::AfterCheck);
                return answer;
            }));
            const bool saved = write(gated, reason);
            if (saved)
                at(Step::AfterRename);
            return saved;
        };
        return writer;
    }
};

class MyDocumentSaveStepsTest : public MyDocumentFixture, public ::testing::WithParamInterface<ScopedFileSystem::Kind>
{
protected:
    // Another program's change: bytes of the file's size, its modification time put
    // back, written in place or put in its place by rename.
    static QByteArray change(const QString &file, bool renamed, char fill)
    {
        struct stat st {};
        if (::stat(QFile::encodeName(file).constData(), &st) != 0)
            return QByteArray();
        const QByteArray theirs(qsizetype(st.st_size), fill);
        const struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
        const QString written = renamed ? QFileInfo(file).absolutePath() + QStringLiteral("/theirs.tmp") : file;
        QFile opened(written);
        if (!opened.open(renamed ? QIODevice::WriteOnly : QIODevice::ReadWrite) || opened.write(theirs) != theirs.size())
            return QByteArray();
        opened.close();
        if (::utimensat(AT_FDCWD, QFile::encodeName(written).constData(), times, 0) != 0)
            return QByteArray();
        if (renamed && ::rename(QFile::encodeName(written).constData(), QFile::encodeName(file).constData()) != 0)
            return QByteArray();
        return theirs;
    }

    static QStringList namesIn(const QString &folder)
    {
        QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        names.removeOne(QStringLiteral("lost+found"));
        return names;
    }
};

} // namespace

TEST_P(MyDocumentSaveStepsTest, AChangeLandingAtAnyStepOfASaveIsAskedAboutBeforeItIsWrittenOver)
{
    const ScopedFileSystem fileSystem(GetParam());
    if (fileSystem.path().isEmpty())
        GTEST_SKIP() << fileSystem.skipReason().toStdString();
    const QString file = fileSystem.path() + QStringLiteral("/steps.chronark");
    {
        ProbeDocument *writer = newDocument();
        ASSERT_NE(writer, nullptr);
        fill(writer, {makeJob(QStringLiteral("Saved before"), 10, {{9, 30}})});
        writer->setFilePath(file);
        ASSERT_TRUE(saveAndWait(writer));
        writer->close();
        drainEvents();
    }
    controller->addDocumentType(platform::DocumentType(
        MyDocument::TypeName, {MyDocument::FileExtension}, MyDocument::MimeType,
        [services = services](QObject *parent) -> platform::Document * { return new SteppedDocument(parent, services); }));
    auto *document = dynamic_cast<SteppedDocument *>(controller->openDocumentWithContentsOfFile(file, true));
    ASSERT_NE(document, nullptr);
    const auto edit = [document](int round) {
        document->edits().addNode(makeJob(QStringLiteral("Mine %1").arg(round), 10, {{13, 0}}), document->jobList(), 0);
        return QTest::qWaitFor([document] { return document->isDocumentEdited(); });
    };
    const QString question = QStringLiteral("The file has been changed by another application since you opened or saved it.");

    int round = 0;
    for (const bool renamed : {false, true}) {
        for (const Step step : {Step::BeforeWrite, Step::AfterWrite, Step::AfterCheck, Step::AfterRename, Step::AfterLook}) {
            SCOPED_TRACE(testing::Message() << nameOf(step) << (renamed ? ", put in its place" : ", rewritten in place"));
            ++round;
            ASSERT_TRUE(edit(round));
            if (step == Step::AfterCheck) {
                // The last look's guard is the file's identity: it tells every change
                // once the file's own last change is a grain of its times behind.
                ASSERT_TRUE(QTest::qWaitFor([&] { return platform::RegularFile::identityOf(file)->isSettled(); }, 5000));
            }
            document->held = step;
            document->gate->close();
            const int arrived = document->gate->arrived();
            int calls = 0;
            bool saved = false;
            document->saveDocumentWithCompletion([&](bool ok) {
                saved = ok;
                ++calls;
            });
            if (step == Step::AfterLook) {
                ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }, 20000));
                ASSERT_TRUE(saved);
            } else {
                ASSERT_TRUE(QTest::qWaitFor([&] { return document->gate->arrived() == arrived + 1; }, 20000));
            }
            document->held.reset();
            const QByteArray theirs = change(file, renamed, char('a' + round % 26));
            ASSERT_FALSE(theirs.isEmpty());
            document->gate->open();

            // The save asks, or ends: then the next one asks.
            const auto asking = [document] {
                const QList<QMessageBox *> boxes = document->mainWindow()->findChildren<QMessageBox *>();
                return std::any_of(boxes.begin(), boxes.end(), [](QMessageBox *box) { return box->isVisible(); });
            };
            ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1 || asking(); }, 20000));
            if (calls == 1) {
                EXPECT_TRUE(step == Step::AfterRename || step == Step::AfterLook) << "no question, and no write";
                EXPECT_TRUE(saved);
                EXPECT_EQ(testsupport::readFile(file), theirs);
                EXPECT_TRUE(document->fileChangedOnDisk()) << "the change was taken for the save's own";
                ASSERT_TRUE(edit(round));
                document->saveDocumentWithCompletion([&](bool) { ++calls; });
            }
            QMessageBox *box = waitForMessageBox(document->mainWindow(), 20000);
            ASSERT_NE(box, nullptr) << "saved over the change without asking";
            EXPECT_EQ(box->text(), question);
            EXPECT_EQ(testsupport::readFile(file), theirs);
            EXPECT_EQ(namesIn(fileSystem.path()), QStringList{QStringLiteral("steps.chronark")});
            EXPECT_TRUE(document->isDocumentEdited());
            QPointer<QMessageBox> guard(box);
            box->reject();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !guard && !document->isSaving(); }, 20000));
            EXPECT_EQ(testsupport::readFile(file), theirs);

            // Saved over after the question: the document's own file again.
            document->saveDocumentWithCompletion([](bool) {});
            QMessageBox *again = waitForMessageBox(document->mainWindow(), 20000);
            ASSERT_NE(again, nullptr);
            clickButton(again, QStringLiteral("&Save Anyway"));
            ASSERT_TRUE(QTest::qWaitFor([&] { return !document->isSaving() && !document->isDocumentEdited(); }, 20000));
            EXPECT_TRUE(testsupport::readFile(file).startsWith(MyDocument::WrittenFileBeginning.toByteArray()));
            EXPECT_FALSE(document->fileChangedOnDisk());
        }
    }
    document->close();
    drainEvents();
}

INSTANTIATE_TEST_SUITE_P(FileSystems, MyDocumentSaveStepsTest,
                         ::testing::Values(ScopedFileSystem::Kind::Tmpfs, ScopedFileSystem::Kind::WholeSeconds),
                         [](const ::testing::TestParamInfo<ScopedFileSystem::Kind> &kind) {
                             return kind.param == ScopedFileSystem::Kind::Tmpfs ? std::string("Tmpfs")
                                                                                 : std::string("WholeSeconds");
                         });
