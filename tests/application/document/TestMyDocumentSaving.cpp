// Saving a document: the file is written from a copy while the document goes on,
// and a save removes what an interrupted save of the same file left beside it.
#include "TestMyDocumentSupport.h"

#include "application/tree/DocumentFileFormat.h"
#include "platform/foundation/DisplayText.h"
#include "platform/foundation/SaveFileLeftovers.h"

#include <QDir>
#include <QMessageBox>
#include <QPointer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "tests/support/PipeOpener.h"

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace mydoctest;

namespace {

// A document whose writes meet another program's change of the file after their
// first look, just before their last one (before the rename).
class MeddledDocument : public MyDocument
{
public:
    using MyDocument::MyDocument;
    // On the writing thread.
    std::function<void()> meddle;

protected:
    FileWriter makeFileWriter(const QString &path, const QString &typeName) override
    {
        FileWriter writer = MyDocument::makeFileWriter(path, typeName);
        if (!writer || !meddle)
            return writer;
        writer.write = [write = writer.write, meddle = meddle](const ReplaceCheck &mayReplace, QString *reason) {
            return write(
                [&] {
                    meddle();
                    return mayReplace();
                },
                reason);
        };
        return writer;
    }
};

class MyDocumentSavingTest : public MyDocumentFixture
{
protected:
    static QStringList namesIn(const QString &folder)
    {
        QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        names.sort();
        return names;
    }
};

} // namespace

TEST_F(MyDocumentSavingTest, TheFileIsWrittenFromACopyWhileTheDocumentGoesOn)
{
    const QString file = path(QStringLiteral("copy.chronark"));
    ProbeDocument *document = newDocument(true);
    fill(document, {makeJob(QStringLiteral("Kept"), 10, {{9, 30}})});
    document->setFilePath(file);
    ASSERT_TRUE(saveAndWait(document));
    EXPECT_FALSE(document->isDocumentEdited());

    document->edits().addNode(makeJob(QStringLiteral("In the file"), 10, {{10, 15}}), document->jobList(), 1);
    ASSERT_TRUE(QTest::qWaitFor([document] { return document->isDocumentEdited(); }));
    int calls = 0;
    document->saveDocumentWithCompletion([&](bool) { ++calls; });
    // Changed in the same pass as the save began: the file holds the state before.
    document->edits().addNode(makeJob(QStringLiteral("After the save began"), 10, {{11, 15}}), document->jobList(), 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }, 20000));
    EXPECT_TRUE(document->isDocumentEdited()) << "the last job is not in the file";
    EXPECT_FALSE(document->fileChangedOnDisk());

    const QByteArray bytes = testsupport::readFile(file);
    EXPECT_TRUE(bytes.startsWith(MyDocument::WrittenFileBeginning.toByteArray())) << bytes.left(80).constData();
    DocumentFileFormat::ReadResult read;
    ASSERT_TRUE(DocumentFileFormat::readFromFile(file, MyDocument::TypeName, read));
    ASSERT_EQ(read.root->childrenCount(), 2);
    EXPECT_EQ(read.root->childAtIndex(1)->itemName(), QStringLiteral("In the file"));
    // The document's own tree kept its delegate and every node.
    EXPECT_EQ(document->jobList()->childrenCount(), 3);
    EXPECT_EQ(document->outlineModel()->rowCount(), 3);
}

// A name or description holding a character the file cannot hold is saved with
// U+FFFD in its place, and the save says so on the window: the item, the field and
// the character; the same one again is not told at every save, another one is.
TEST_F(MyDocumentSavingTest, ACharacterTheFileCannotHoldIsToldWhenItIsSaved)
{
    const QString file = path(QStringLiteral("characters.chronark"));
    ProbeDocument *document = newDocument(true);
    NodePtr job = makeJob(QStringLiteral("Al") + QChar(0x01) + QStringLiteral("pha"), 10, {{9, 30}});
    fill(document, {job});
    document->setFilePath(file);
    const auto saveAndLook = [&]() -> QString {
        int calls = 0;
        document->saveDocumentWithCompletion([&](bool) { ++calls; });
        [&] { ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }, 20000)); }();
        // Told before the save's answer: open by now, or not at all.
        for (QMessageBox *box : document->mainWindow()->findChildren<QMessageBox *>()) {
            if (!box->isVisible())
                continue;
            const QString told = box->text() + QLatin1Char('|') + box->informativeText();
            QPointer<QMessageBox> guard(box);
            box->accept();
            [&] { ASSERT_TRUE(QTest::qWaitFor([&] { return !guard; })); }();
            return told;
        }
        return QString();
    };
    QString told = saveAndLook();
    EXPECT_TRUE(told.startsWith(QStringLiteral("A character could not be saved.|The name of “")
                                + platform::DisplayText::setInText(job->itemName(), 80)))
        << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("the character U+0001"))) << told.toStdString();
    DocumentFileFormat::ReadResult read;
    ASSERT_TRUE(DocumentFileFormat::readFromFile(file, MyDocument::TypeName, read));
    EXPECT_EQ(read.root->childAtIndex(0)->itemName(), QStringLiteral("Al\uFFFDpha"));

    document->edits().addNode(makeJob(QStringLiteral("Beta"), 10, {{10, 15}}), document->jobList(), 1);
    EXPECT_EQ(saveAndLook(), QString()) << "told once";

    NodePtr gamma = makeJob(QStringLiteral("Gamma"), 10, {{11, 15}});
    gamma->setDescript(QStringLiteral("half ") + QChar(0xD800) + QStringLiteral(" pair"));
    document->edits().addNode(gamma, document->jobList(), 0);
    told = saveAndLook();
    EXPECT_TRUE(told.contains(QStringLiteral("The description of “") + platform::DisplayText::setInText(QStringLiteral("Gamma"), 80)
                              + QStringLiteral("” holds the character U+D800")))
        << told.toStdString();
}

// A save killed at its rename leaves a whole copy named after the file; the next
// save of that file that succeeds removes it, and only what the writer made: the
// name it recorded before making it, never a file it did not make.
TEST_F(MyDocumentSavingTest, ASaveRemovesWhatAnInterruptedSaveOfItsFileLeft)
{
    const QString folder = dir.path();
    const QString name = QStringLiteral("kept.chronark");
    const QString file = path(name);
    ProbeDocument *writer = newDocument();
    fill(writer, {makeJob(QStringLiteral("Saved before"), 10, {{9, 30}})});
    writer->setFilePath(file);
    ASSERT_TRUE(saveAndWait(writer));
    const QByteArray before = testsupport::readFile(file);
    writer->close();
    drainEvents();

    // Another document's file to save from, with one more job.
    const QString source = path(QStringLiteral("source.chronark"));
    ProbeDocument *other = newDocument();
    fill(other, {makeJob(QStringLiteral("Saved before"), 10, {{9, 30}}), makeJob(QStringLiteral("Lost"), 10, {{11, 0}})});
    other->setFilePath(source);
    ASSERT_TRUE(saveAndWait(other));
    other->close();
    drainEvents();

    // Killed by the kernel at the rename of its save of the file.
    for (int run = 0; run < 2; ++run) {
        QProcess save;
        save.start(QStringLiteral(CHRONARK_INTERRUPTED_SAVE), {source, file});
        ASSERT_TRUE(save.waitForFinished(30000));
        ASSERT_EQ(save.exitStatus(), QProcess::CrashExit)
            << "exit code " << save.exitCode() << ": " << save.readAllStandardError().constData();
    }
    EXPECT_EQ(testsupport::readFile(file), before) << "the file itself stays as it was";
    QStringList leftovers;
    for (const QString &entry : namesIn(folder)) {
        if (entry.startsWith(name + u'.'))
            leftovers << entry;
    }
    ASSERT_EQ(leftovers.size(), 2) << qPrintable(namesIn(folder).join(u' '));
    for (const QString &leftover : std::as_const(leftovers)) {
        EXPECT_EQ(leftover.size(), name.size() + 7) << qPrintable(leftover);
        EXPECT_EQ(testsupport::readFile(folder + u'/' + leftover), testsupport::readFile(source)) << "a whole copy";
    }

    // What this writer did not make stays, whatever its name or a record says: the
    // person's own copies (any six letters: "backup", "before", "monday", the last one
    // named by a record without its file), older than the save and begun as every
    // document is; a pipe (never opened: a writer waiting at it stays
    // waiting), a hard link to the document, a symbolic link, a folder, another
    // user's file, other names.
    const QByteArray ours = testsupport::readFile(source);
    for (const char *copy : {"kept.chronark.backup", "kept.chronark.before", "kept.chronark.monday",
                             "kept.chronark.Abcde1", "kept.chronark.Abcdefg", "other.chronark.Abcdef",
                             "kept.chronark.bak"})
        ASSERT_TRUE(testsupport::writeFile(path(QString::fromLatin1(copy)), ours));
    {
        QFile old(path(QStringLiteral("kept.chronark.backup")));
        ASSERT_TRUE(old.open(QIODevice::ReadWrite));
        ASSERT_TRUE(old.setFileTime(QDateTime::currentDateTimeUtc().addDays(-3), QFileDevice::FileModificationTime));
    }
    {
        // A record of this file's saves that names a copy by its name alone (device 0,
        // inode 0), which the writer never writes.
        const QString records = platform::SaveFileLeftovers::defaultRecordFolder();
        const QString monday = path(QStringLiteral("kept.chronark.monday"));
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(monday).constData(), &st), 0);
        const QStringList recorded = namesIn(records);
        const QString realFile = QDir(QFileInfo(folder).canonicalFilePath()).filePath(name);
        ASSERT_TRUE(platform::SaveFileLeftovers::record(records, realFile, {monday, quint64(st.st_dev), quint64(st.st_ino)}));
        QStringList added = namesIn(records);
        for (const QString &known : recorded)
            added.removeOne(known);
        ASSERT_EQ(added.size(), 1);
        ASSERT_TRUE(testsupport::writeFile(QDir(records).filePath(added.constFirst()),
                                           "chronark-save 0 0 " + QFile::encodeName(monday).toPercentEncoding("/") + '\n'));
    }
    const QString pipe = path(QStringLiteral("kept.chronark.abcdef"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    testsupport::PipeOpener blocked(pipe, O_WRONLY);
    ASSERT_TRUE(QTest::qWaitFor([&] { return blocked.isWaitingInOpen(); }, 10000));
    ASSERT_EQ(::link(QFile::encodeName(file).constData(), QFile::encodeName(path(QStringLiteral("kept.chronark.Hardln"))).constData()), 0);
    ASSERT_TRUE(QDir(folder).mkdir(QStringLiteral("kept.chronark.Folder")));
    ASSERT_TRUE(QFile::link(source, path(QStringLiteral("kept.chronark.Linked"))));
    QStringList strangers{QStringLiteral("kept.chronark.Abcde1"), QStringLiteral("kept.chronark.Abcdefg"),
                          QStringLiteral("kept.chronark.Folder"), QStringLiteral("kept.chronark.Hardln"),
                          QStringLiteral("kept.chronark.Linked"), QStringLiteral("kept.chronark.abcdef"),
                          QStringLiteral("kept.chronark.backup"), QStringLiteral("kept.chronark.bak"),
                          QStringLiteral("kept.chronark.before"), QStringLiteral("kept.chronark.monday"),
                          QStringLiteral("other.chronark.Abcdef")};
    if (::geteuid() == 0) {
        // Only the super-user can give a file to another user.
        const QString others = path(QStringLiteral("kept.chronark.Others"));
        ASSERT_TRUE(testsupport::writeFile(others, ours));
        ASSERT_EQ(::chown(QFile::encodeName(others).constData(), 65534, 65534), 0);
        strangers << QStringLiteral("kept.chronark.Others");
    }

    // A failed save removes nothing.
    ProbeDocument *document = openDocument(file, true);
    ASSERT_NE(document, nullptr);
    document->edits().addNode(makeJob(QStringLiteral("Saved after"), 10, {{13, 0}}), document->jobList(), 1);
    ASSERT_TRUE(QTest::qWaitFor([document] { return document->isDocumentEdited(); }));
    {
        // A file size limit stops the write (it holds for the super-user too).
        rlimit saved{};
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        void (*oldHandler)(int) = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 64;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
        document->saveDocument(nullptr);
        QMessageBox *box = waitForMessageBox(document->mainWindow(), 20000);
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(box->informativeText().endsWith(QStringLiteral("File too large"))) << qPrintable(box->informativeText());
        box->reject();
        EXPECT_TRUE(document->isDocumentEdited());
    }
    for (const QString &leftover : std::as_const(leftovers))
        EXPECT_TRUE(QFileInfo::exists(folder + u'/' + leftover)) << qPrintable(leftover);

    ASSERT_TRUE(saveAndWait(document));
    QStringList expected = strangers + QStringList{name, QStringLiteral("source.chronark")};
    expected.sort();
    EXPECT_EQ(namesIn(folder), expected);
    EXPECT_TRUE(blocked.isWaitingInOpen()) << "the pipe was opened";
    for (const char *copy : {"kept.chronark.backup", "kept.chronark.before", "kept.chronark.monday"})
        EXPECT_EQ(testsupport::readFile(path(QString::fromLatin1(copy))), ours) << copy;
    DocumentFileFormat::ReadResult read;
    ASSERT_TRUE(DocumentFileFormat::readFromFile(file, MyDocument::TypeName, read));
    ASSERT_EQ(read.root->childrenCount(), 2);
    EXPECT_EQ(read.root->childAtIndex(1)->itemName(), QStringLiteral("Saved after"));

    // A save through a link to the file cleans beside the file, where the writer wrote.
    document->close();
    drainEvents();
    QProcess save;
    save.start(QStringLiteral(CHRONARK_INTERRUPTED_SAVE), {source, file});
    ASSERT_TRUE(save.waitForFinished(30000));
    ASSERT_EQ(save.exitStatus(), QProcess::CrashExit);
    QStringList added = namesIn(folder);
    for (const QString &known : std::as_const(expected))
        added.removeOne(known);
    ASSERT_EQ(added.size(), 1) << qPrintable(added.join(u' '));
    const QString leftover = added.constFirst();
    EXPECT_EQ(leftover.size(), name.size() + 7) << qPrintable(leftover);
    QTemporaryDir elsewhere;
    ASSERT_TRUE(elsewhere.isValid());
    const QString link = elsewhere.filePath(QStringLiteral("link.chronark"));
    ASSERT_TRUE(QFile::link(file, link));
    ProbeDocument *linked = openDocument(link);
    ASSERT_NE(linked, nullptr);
    linked->updateChangeCount(platform::Document::ChangeType::Done);
    ASSERT_TRUE(saveAndWait(linked));
    EXPECT_FALSE(QFileInfo::exists(folder + u'/' + leftover));
    EXPECT_EQ(namesIn(folder), expected);
}

// Another program rewrites the file in place (the same size, its modification time
// put back) while a save or an autosave writes it: the new file does not take its
// place, nothing of it is left beside the file, the document stays edited, and the
// person is asked whether to save over the change.
TEST_F(MyDocumentSavingTest, AChangeMadeWhileTheFileIsWrittenIsNotWrittenOver)
{
    const QString file = path(QStringLiteral("meddled.chronark"));
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
        [services = services](QObject *parent) -> platform::Document * { return new MeddledDocument(parent, services); }));
    auto *document = dynamic_cast<MeddledDocument *>(controller->openDocumentWithContentsOfFile(file, true));
    ASSERT_NE(document, nullptr);
    for (const bool autosave : {false, true}) {
        SCOPED_TRACE(autosave ? "autosave" : "save");
        document->edits().addNode(makeJob(QStringLiteral("Mine"), 10, {{13, 0}}), document->jobList(), 1);
        ASSERT_TRUE(QTest::qWaitFor([document] { return document->isDocumentEdited(); }));
        QByteArray theirs;
        document->meddle = [&file, &theirs] {
            struct stat st {};
            ::stat(QFile::encodeName(file).constData(), &st);
            QFile opened(file);
            if (!opened.open(QIODevice::ReadWrite))
                return;
            theirs = QByteArray(opened.size(), 'x');
            opened.write(theirs);
            opened.close();
            const struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
            ::utimensat(AT_FDCWD, QFile::encodeName(file).constData(), times, 0);
        };
        int calls = 0;
        if (autosave)
            document->autosaveDocument();
        else
            document->saveDocumentWithCompletion([&](bool) { ++calls; });
        QMessageBox *box = waitForMessageBox(document->mainWindow(), 20000);
        ASSERT_NE(box, nullptr) << "saved over the change without asking";
        EXPECT_EQ(box->text(), QStringLiteral("The file has been changed by another application since you opened or saved it."));
        EXPECT_EQ(testsupport::readFile(file), theirs);
        EXPECT_EQ(namesIn(dir.path()), QStringList{QStringLiteral("meddled.chronark")});
        EXPECT_TRUE(document->isDocumentEdited());
        document->meddle = {};
        QPointer<QMessageBox> guard(box);
        box->reject();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !guard && !document->isSaving(); }));
        EXPECT_EQ(calls, autosave ? 0 : 1);
        EXPECT_EQ(testsupport::readFile(file), theirs);
        // The person's own save over it, after the question: the document's state again.
        document->meddle = {};
        document->saveDocumentWithCompletion([](bool) {});
        QMessageBox *again = waitForMessageBox(document->mainWindow(), 20000);
        ASSERT_NE(again, nullptr);
        clickButton(again, QStringLiteral("&Save Anyway"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !document->isSaving() && !document->isDocumentEdited(); }, 20000));
        EXPECT_TRUE(testsupport::readFile(file).startsWith(MyDocument::WrittenFileBeginning.toByteArray()));
    }
}
