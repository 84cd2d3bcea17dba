// The document: names, edited state, window title, save, save as, revert, close.
#include "TestDocumentSupport.h"
#include "tests/support/QtWarningCheck.h"

#include "platform/document/MenuItemValidation.h"
#include "platform/drawing/Sheet.h"

#include <QAction>
#include <QKeySequence>
#include <QPointer>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>

using namespace doctest;
using platform::Document;
namespace menu = platform::MenuItemValidation;

using DocumentTest = DocumentFixture;

// Names and titles ------------------------------------------------------------------

TEST_F(DocumentTest, UntitledDocumentsAreNumberedAndNumbersAreReused)
{
    TextDocument *first = newText(false);
    TextDocument *second = newText(false);
    TextDocument *third = newText(false);
    ASSERT_TRUE(first && second && third);
    EXPECT_EQ(first->displayName(), QStringLiteral("Untitled"));
    EXPECT_EQ(second->displayName(), QStringLiteral("Untitled 2"));
    EXPECT_EQ(third->displayName(), QStringLiteral("Untitled 3"));

    second->close();
    drainEvents();
    TextDocument *fourth = newText(false);
    EXPECT_EQ(fourth->displayName(), QStringLiteral("Untitled 2"));
    EXPECT_EQ(controller->documents().size(), 3);
}

TEST_F(DocumentTest, DisplayNameAndWindowTitleFollowTheFile)
{
    TextDocument *doc = newText();
    ASSERT_TRUE(doc);
    ASSERT_TRUE(doc->mainWindow());
    EXPECT_EQ(doc->mainWindow()->windowTitle(), QStringLiteral("\u2068Untitled\u2069[*]"));
    EXPECT_FALSE(doc->mainWindow()->isWindowModified());

    QSignalSpy renamed(doc, &Document::displayNameChanged);
    ASSERT_TRUE(doc->saveToFile(path(QStringLiteral("notes.txtdoc")), TextTypeName, Document::SaveOperation::SaveAs));
    EXPECT_EQ(doc->displayName(), QStringLiteral("notes.txtdoc"));
    EXPECT_EQ(doc->filePath(), path(QStringLiteral("notes.txtdoc")));
    EXPECT_EQ(renamed.count(), 1);
    EXPECT_EQ(doc->mainWindow()->windowTitle(), QStringLiteral("\u2068notes.txtdoc\u2069[*]"));
}

// Edited state ------------------------------------------------------------------------

TEST_F(DocumentTest, EditedStateFollowsTheUndoChangeCount)
{
    TextDocument *doc = openText(QStringLiteral("a.txtdoc"), "one");
    ASSERT_TRUE(doc);
    QSignalSpy edited(doc, &Document::documentEditedChanged);
    EXPECT_FALSE(doc->isDocumentEdited());

    doc->setText(QStringLiteral("two"));
    ASSERT_TRUE(waitEdited(doc));
    EXPECT_TRUE(doc->mainWindow()->isWindowModified());

    doc->undoManager()->undo();
    EXPECT_EQ(doc->text(), QStringLiteral("one"));
    EXPECT_FALSE(doc->isDocumentEdited()) << "undoing back to the saved state is clean";
    EXPECT_FALSE(doc->mainWindow()->isWindowModified());

    doc->undoManager()->redo();
    EXPECT_TRUE(doc->isDocumentEdited());

    ASSERT_TRUE(doc->saveToFile(doc->filePath(), TextTypeName, Document::SaveOperation::Save));
    EXPECT_FALSE(doc->isDocumentEdited());
    doc->undoManager()->undo();
    EXPECT_TRUE(doc->isDocumentEdited()) << "undoing past the save edits the document";
    EXPECT_EQ(edited.count(), 5);
}

TEST_F(DocumentTest, ANewEditAfterUndoingPastTheSaveKeepsTheDocumentEdited)
{
    TextDocument *doc = openText(QStringLiteral("past.txtdoc"), "one");
    ASSERT_TRUE(doc);
    doc->setText(QStringLiteral("two"));
    drainEvents();
    ASSERT_TRUE(doc->saveToFile(doc->filePath(), TextTypeName, Document::SaveOperation::Save));
    ASSERT_FALSE(doc->isDocumentEdited());
    doc->undoManager()->undo();
    ASSERT_EQ(doc->text(), QStringLiteral("one"));
    ASSERT_TRUE(doc->isDocumentEdited());

    // A different edit: the saved "two" can no longer be reached by redo.
    doc->setText(QStringLiteral("three"));
    drainEvents();
    EXPECT_EQ(doc->text(), QStringLiteral("three"));
    EXPECT_TRUE(doc->isDocumentEdited()) << "the file holds \"two\", the document \"three\"";
    EXPECT_TRUE(doc->mainWindow()->isWindowModified());
    doc->undoManager()->undo();
    EXPECT_TRUE(doc->isDocumentEdited()) << "the file holds \"two\", the document \"one\"";
}

TEST_F(DocumentTest, ChangesRecordedByHandCountToo)
{
    TextDocument *doc = newText(false);
    doc->updateChangeCount(Document::ChangeType::Done);
    EXPECT_TRUE(doc->isDocumentEdited());
    doc->updateChangeCount(Document::ChangeType::Undone);
    EXPECT_FALSE(doc->isDocumentEdited());
    doc->updateChangeCount(Document::ChangeType::Done);
    doc->updateChangeCount(Document::ChangeType::Done);
    doc->updateChangeCount(Document::ChangeType::Cleared);
    EXPECT_FALSE(doc->isDocumentEdited());
}

// The undo manager's count and the changes recorded by hand are two accounts: an
// undo never takes back a change by hand, nor the other way round.
TEST_F(DocumentTest, AnUndoAndAChangeByHandNeverCancel)
{
    TextDocument *doc = openText(QStringLiteral("apart.txtdoc"), "one");
    ASSERT_NE(doc, nullptr);
    doc->setText(QStringLiteral("two"));
    drainEvents();
    ASSERT_TRUE(doc->saveToFile(doc->filePath(), TextTypeName, Document::SaveOperation::Save));
    ASSERT_FALSE(doc->isDocumentEdited());
    doc->undo(nullptr);
    doc->updateChangeCount(Document::ChangeType::Done);
    EXPECT_TRUE(doc->isDocumentEdited()) << "the file holds \"two\"";
    doc->redo(nullptr);
    EXPECT_TRUE(doc->isDocumentEdited()) << "the change by hand is not in the file";
    doc->updateChangeCount(Document::ChangeType::Undone);
    EXPECT_FALSE(doc->isDocumentEdited());

    // Recorded by hand while an undo runs: the undo counts it already.
    doc->undoManager()->registerUndo([doc] { doc->updateChangeCount(Document::ChangeType::Done); });
    drainEvents();
    ASSERT_TRUE(doc->isDocumentEdited());
    doc->undo(nullptr);
    EXPECT_FALSE(doc->isDocumentEdited());
}

TEST_F(DocumentTest, SavingInTheSamePassAsTheEditLeavesTheDocumentClean)
{
    TextDocument *doc = openText(QStringLiteral("b.txtdoc"), "x");
    doc->setText(QStringLiteral("y"));
    ASSERT_TRUE(doc->saveToFile(doc->filePath(), TextTypeName, Document::SaveOperation::Save));
    drainEvents();
    EXPECT_FALSE(doc->isDocumentEdited());
    EXPECT_TRUE(doc->undoManager()->canUndo());
}

// Saving ------------------------------------------------------------------------------

TEST_F(DocumentTest, SaveWritesTheFileAndNotesItAsRecent)
{
    TextDocument *doc = newText(false);
    doc->setText(QStringLiteral("hello"));
    ASSERT_TRUE(waitEdited(doc));
    const QString file = path(QStringLiteral("hello.txtdoc"));
    ASSERT_TRUE(doc->saveToFile(file, TextTypeName, Document::SaveOperation::SaveAs));
    EXPECT_EQ(testsupport::readFile(file), QByteArray("TEXT\nhello"));
    EXPECT_FALSE(doc->isDocumentEdited());
    EXPECT_EQ(controller->recentDocumentPaths(), QStringList{file});

    // The save action writes to the document's file.
    doc->setText(QStringLiteral("hello again"));
    ASSERT_TRUE(waitEdited(doc));
    doc->saveDocument(nullptr);
    EXPECT_EQ(testsupport::readFile(file), QByteArray("TEXT\nhello again"));
    EXPECT_FALSE(doc->isDocumentEdited());
}

TEST_F(DocumentTest, SaveToWritesACopyAndKeepsTheDocumentAsItIs)
{
    TextDocument *doc = openText(QStringLiteral("c.txtdoc"), "c");
    doc->setText(QStringLiteral("changed"));
    ASSERT_TRUE(waitEdited(doc));
    const QString copy = path(QStringLiteral("copy.txtdoc"));
    ASSERT_TRUE(doc->saveToFile(copy, TextTypeName, Document::SaveOperation::SaveTo));
    EXPECT_EQ(testsupport::readFile(copy), QByteArray("TEXT\nchanged"));
    EXPECT_EQ(doc->filePath(), path(QStringLiteral("c.txtdoc")));
    EXPECT_TRUE(doc->isDocumentEdited());
}

TEST_F(DocumentTest, FailedSaveShowsAnAlertKeepsTheOldFileAndStaysEdited)
{
    TextDocument *doc = openText(QStringLiteral("keep.txtdoc"), "original");
    ASSERT_TRUE(activate(doc));
    doc->setText(QStringLiteral("new text"));
    ASSERT_TRUE(waitEdited(doc));
    doc->failWrites = true;

    bool result = true;
    int calls = 0;
    doc->saveDocumentWithCompletion([&](bool saved) {
        result = saved;
        ++calls;
    });
    QMessageBox *box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("The document “\u2068keep.txtdoc\u2069” could not be saved."));
    // Which file, and why.
    EXPECT_TRUE(doctest::quotes(box->informativeText(), QStringLiteral("The file "), doc->filePath(),
                                QStringLiteral(" could not be written: The disk is full.")))
        << box->informativeText().toStdString();
    EXPECT_EQ(box->parentWidget(), doc->mainWindow());
    EXPECT_EQ(platform::Sheet::activeSheet(), box);
    answer(box, QMessageBox::Ok);
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }));
    EXPECT_FALSE(result);
    drainEvents();
    EXPECT_EQ(calls, 1);

    EXPECT_EQ(testsupport::readFile(doc->filePath()), QByteArray("TEXT\noriginal"));
    EXPECT_TRUE(doc->isDocumentEdited());
    EXPECT_EQ(doc->text(), QStringLiteral("new text"));
}

// A file deep in folders: the alert cuts its path in the middle, so that both the start
// of its folder and the file's own name are seen.
TEST_F(DocumentTest, TheAlertOfAFailedSaveKeepsTheNameOfAFileDeepInFolders)
{
    QString folder = QStringLiteral("Customers");
    for (int i = 0; i < 12; ++i)
        folder += QStringLiteral("/Projects of the year %1").arg(2000 + i);
    ASSERT_TRUE(QDir().mkpath(path(folder)));
    TextDocument *doc = openText(folder + QStringLiteral("/Invoices March.txtdoc"), "original");
    ASSERT_NE(doc, nullptr);
    ASSERT_TRUE(activate(doc));
    doc->setText(QStringLiteral("new text"));
    ASSERT_TRUE(waitEdited(doc));
    doc->failWrites = true;
    bool done = false;
    doc->saveDocumentWithCompletion([&](bool) { done = true; });
    QMessageBox *box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    const QString said = box->informativeText();
    EXPECT_TRUE(said.contains(QStringLiteral("Invoices March.txtdoc\u2069"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("\u2068") + dir.path().left(8))) << said.toStdString();
    EXPECT_TRUE(said.contains(QChar(0x2026))) << said.toStdString();
    EXPECT_LT(said.size(), doc->filePath().size());
    answer(box, QMessageBox::Ok);
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }));
}

TEST_F(DocumentTest, SavingOverAFileChangedElsewhereAsksFirst)
{
    TextDocument *doc = openText(QStringLiteral("shared.txtdoc"), "original");
    ASSERT_TRUE(activate(doc));
    const QString file = doc->filePath();
    EXPECT_FALSE(doc->fileChangedOnDisk());

    struct Change
    {
        const char *what;
        QByteArray bytes;
        bool keepSize;
    } changes[] = {{"other size", "TEXT\nanother program wrote this", false},
                   {"same size, other time", "TEXT\nORIGINAL", true}};
    for (const Change &change : changes) {
        SCOPED_TRACE(change.what);
        doc->setText(QStringLiteral("mine"));
        ASSERT_TRUE(waitEdited(doc));
        ASSERT_TRUE(testsupport::writeFile(file, change.bytes));
        if (change.keepSize) {
            QFile f(file);
            ASSERT_TRUE(f.open(QIODevice::ReadWrite));
            ASSERT_TRUE(f.setFileTime(QDateTime::currentDateTime().addDays(-3), QFileDevice::FileModificationTime));
        }
        ASSERT_TRUE(doc->fileChangedOnDisk());

        int calls = 0;
        bool saved = true;
        auto handler = [&](bool result) {
            saved = result;
            ++calls;
        };
        doc->saveDocumentWithCompletion(handler);
        QMessageBox *box = waitForMessageBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(),
                  QStringLiteral("The file has been changed by another application since you opened or saved it."));
        EXPECT_EQ(box->button(QMessageBox::Save)->text(), QStringLiteral("&Save Anyway"));
        EXPECT_EQ(box->button(QMessageBox::Cancel)->text(), QStringLiteral("Cancel"));
        EXPECT_EQ(static_cast<QAbstractButton *>(box->defaultButton()), box->button(QMessageBox::Cancel));
        answer(box, QMessageBox::Cancel);
        ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }));
        EXPECT_FALSE(saved);
        EXPECT_EQ(testsupport::readFile(file), change.bytes);
        EXPECT_TRUE(doc->isDocumentEdited());

        doc->saveDocumentWithCompletion(handler);
        answer(waitForMessageBox(), QMessageBox::Save);
        ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 2; }));
        EXPECT_TRUE(saved);
        EXPECT_EQ(testsupport::readFile(file), QByteArray("TEXT\nmine"));
        EXPECT_FALSE(doc->isDocumentEdited());
        EXPECT_FALSE(doc->fileChangedOnDisk());
    }
    // The document's own saves are no change: the next save asks nothing.
    doc->setText(QStringLiteral("mine again"));
    ASSERT_TRUE(waitEdited(doc));
    doc->saveDocument(nullptr);
    EXPECT_TRUE(visibleMessageBoxes().isEmpty());
    EXPECT_EQ(testsupport::readFile(file), QByteArray("TEXT\nmine again"));
}

TEST_F(DocumentTest, AutosaveSavesOnlyEditedDocumentsAndNeverOverwritesAChangedFile)
{
    TextDocument *doc = openText(QStringLiteral("auto.txtdoc"), "original");
    TextDocument *untitled = newText(false);
    untitled->setText(QStringLiteral("never saved"));
    ASSERT_TRUE(waitEdited(untitled));

    doc->autosaveDocument();
    untitled->autosaveDocument();
    EXPECT_EQ(doc->writes, 0);
    EXPECT_EQ(untitled->writes, 0);

    doc->setText(QStringLiteral("edited"));
    ASSERT_TRUE(waitEdited(doc));
    doc->autosaveDocument();
    EXPECT_EQ(doc->writes, 1);
    EXPECT_FALSE(doc->isDocumentEdited());

    testsupport::CapturedLog log;
    doc->setText(QStringLiteral("edited again"));
    ASSERT_TRUE(waitEdited(doc));
    ASSERT_TRUE(testsupport::writeFile(doc->filePath(), "TEXT\nwritten elsewhere"));
    doc->autosaveDocument();
    doc->autosaveDocument();
    // The offscreen platform's own lines about the alert's window are no autosave's.
    const QStringList logged = log.linesContaining(QStringLiteral("autosav"));
    EXPECT_EQ(doc->writes, 1);
    EXPECT_EQ(testsupport::readFile(doc->filePath()), QByteArray("TEXT\nwritten elsewhere"));
    EXPECT_TRUE(doc->isDocumentEdited());
    // The person is asked once (see TestDocumentSaving.cpp); nothing is written.
    EXPECT_NE(waitForMessageBox(), nullptr);
    EXPECT_EQ(visibleMessageBoxes().size(), 1);
    ASSERT_EQ(logged.size(), 1);
    EXPECT_TRUE(logged.first().contains(doc->filePath()));
}

TEST_F(DocumentTest, SavingToAFolderOrAnImpossiblePathFailsWithAReason)
{
    TextDocument *doc = newText(false);
    QString reason;
    EXPECT_FALSE(doc->saveToFile(dir.path(), TextTypeName, Document::SaveOperation::SaveAs, &reason));
    EXPECT_EQ(reason, platformText("FileIsFolderReason"));
    EXPECT_EQ(doc->writes, 0);

    ASSERT_TRUE(testsupport::writeFile(path(QStringLiteral("plain")), "x"));
    reason.clear();
    EXPECT_FALSE(doc->saveToFile(path(QStringLiteral("plain/inside.txtdoc")), TextTypeName,
                                 Document::SaveOperation::SaveAs, &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_TRUE(doc->filePath().isEmpty());
    EXPECT_EQ(doc->displayName(), QStringLiteral("Untitled"));
}

TEST_F(DocumentTest, SaveAsAsksForAFileInADialog)
{
    TextDocument *doc = newText();
    ASSERT_TRUE(activate(doc));
    doc->setText(QStringLiteral("chosen"));
    ASSERT_TRUE(waitEdited(doc));

    int calls = 0;
    bool saved = false;
    doc->saveDocumentWithCompletion([&](bool ok) {
        saved = ok;
        ++calls;
    });
    QFileDialog *dialog = waitForFileDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_EQ(dialog->nameFilters(), QStringList{QStringLiteral("Text Format (*.txtdoc)")});
    EXPECT_EQ(dialog->defaultSuffix(), QStringLiteral("txtdoc"));
    EXPECT_EQ(platform::Sheet::activeSheet(), dialog);

    // A second request while the dialog is open is answered "not saved" at once.
    bool second = true;
    doc->saveDocumentAsWithCompletion([&](bool ok) { second = ok; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !second; }));

    const QString file = path(QStringLiteral("chosen.txtdoc"));
    // Type the path into the dialog's name field, as the user would.
    auto *nameField = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(nameField, nullptr);
    nameField->setText(file);
    QMetaObject::invokeMethod(dialog, "accept");
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }));
    EXPECT_TRUE(saved);
    EXPECT_EQ(doc->filePath(), file);
    EXPECT_EQ(testsupport::readFile(file), QByteArray("TEXT\nchosen"));
}

TEST_F(DocumentTest, CancellingTheSaveDialogSavesNothing)
{
    TextDocument *doc = newText();
    ASSERT_TRUE(activate(doc));
    int calls = 0;
    bool saved = true;
    doc->saveDocumentAsWithCompletion([&](bool ok) {
        saved = ok;
        ++calls;
    });
    QPointer<QFileDialog> dialog = waitForFileDialog();
    ASSERT_NE(dialog, nullptr);
    auto *nameField = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(nameField, nullptr);
    EXPECT_EQ(nameField->text(), QStringLiteral("Untitled.txtdoc"));
    nameField->setText(path(QStringLiteral("declined.txtdoc")));
    dialog->reject();
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }));
    EXPECT_FALSE(saved);
    EXPECT_TRUE(doc->filePath().isEmpty());
    EXPECT_EQ(doc->writes, 0);

    // Asked again, the window's dialog asks afresh: the document's name, not the one
    // declined.
    doc->saveDocumentAsWithCompletion([&](bool ok) {
        saved = ok;
        ++calls;
    });
    QFileDialog *again = waitForFileDialog();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again, dialog.data());
    EXPECT_EQ(again->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->text(), QStringLiteral("Untitled.txtdoc"));
    EXPECT_EQ(again->nameFilters(), QStringList{QStringLiteral("Text Format (*.txtdoc)")});
    again->reject();
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 2; }));
    EXPECT_FALSE(saved);
    EXPECT_EQ(doc->writes, 0);
}

// Reading and reverting -----------------------------------------------------------

TEST_F(DocumentTest, RevertReadsTheFileAgainAndDropsTheUndoHistory)
{
    TextDocument *doc = openText(QStringLiteral("r.txtdoc"), "saved");
    doc->setText(QStringLiteral("unsaved"));
    ASSERT_TRUE(waitEdited(doc));
    ASSERT_TRUE(doc->revertToSaved());
    EXPECT_EQ(doc->text(), QStringLiteral("saved"));
    EXPECT_FALSE(doc->isDocumentEdited());
    EXPECT_FALSE(doc->undoManager()->canUndo());
}

TEST_F(DocumentTest, AFailedRevertKeepsTheDocumentAsItWas)
{
    TextDocument *doc = openText(QStringLiteral("r2.txtdoc"), "saved");
    ASSERT_TRUE(activate(doc));
    doc->setText(QStringLiteral("unsaved"));
    ASSERT_TRUE(waitEdited(doc));
    ASSERT_TRUE(testsupport::writeFile(doc->filePath(), "garbage"));

    QString reason;
    EXPECT_FALSE(doc->revertToSaved(&reason));
    EXPECT_EQ(reason, QStringLiteral("The file is not a text document."));
    EXPECT_EQ(doc->text(), QStringLiteral("unsaved"));
    EXPECT_TRUE(doc->isDocumentEdited());
    EXPECT_TRUE(doc->undoManager()->canUndo());

    // Through the menu action: confirm, then the failure is reported.
    doc->revertDocumentToSaved(nullptr);
    QMessageBox *confirm = waitForMessageBox();
    ASSERT_NE(confirm, nullptr);
    EXPECT_EQ(confirm->text(),
              QStringLiteral("Do you want to revert to the most recently saved version of the document “\u2068r2.txtdoc\u2069”?"));
    answer(confirm, QMessageBox::Discard);
    QMessageBox *failure = waitForMessageBox();
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(failure->text(), QStringLiteral("The document “\u2068r2.txtdoc\u2069” could not be reverted to the saved version."));
    answer(failure, QMessageBox::Ok);
    EXPECT_EQ(doc->text(), QStringLiteral("unsaved"));
}

TEST_F(DocumentTest, RevertActionAsksFirst)
{
    TextDocument *doc = openText(QStringLiteral("r3.txtdoc"), "saved");
    ASSERT_TRUE(activate(doc));
    doc->setText(QStringLiteral("unsaved"));
    ASSERT_TRUE(waitEdited(doc));

    doc->revertDocumentToSaved(nullptr);
    answer(waitForMessageBox(), QMessageBox::Cancel);
    drainEvents();
    EXPECT_EQ(doc->text(), QStringLiteral("unsaved"));

    doc->revertDocumentToSaved(nullptr);
    QMessageBox *box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->button(QMessageBox::Discard)->text(), QStringLiteral("&Revert"));
    // Alt+R answers it from the keyboard.
    EXPECT_EQ(QKeySequence::mnemonic(box->button(QMessageBox::Discard)->text()), QKeySequence(Qt::ALT | Qt::Key_R));
    answer(box, QMessageBox::Discard);
    ASSERT_TRUE(QTest::qWaitFor([&] { return doc->text() == QStringLiteral("saved"); }));
    EXPECT_FALSE(doc->isDocumentEdited());
}

// The revert that was agreed to waits for its file to be read (ahead, off the GUI
// thread where the document reads so), the document as it is meanwhile; then it takes
// the file. When the read is done, a document edited meanwhile drops it and asks
// again (the question was about the changes before: the new ones stay until the
// answer), one saved meanwhile (or still saving then) reads its file again once no
// save runs and reverts to that, one whose file became another reads that one, and
// one closed meanwhile takes nothing.
TEST_F(DocumentTest, ARevertTakesItsFileWhenReadUnlessTheDocumentWasEditedSavedOrClosedMeanwhile)
{
    TextDocument *doc = openText(QStringLiteral("ahead.txtdoc"), "saved");
    ASSERT_TRUE(activate(doc));
    doc->holdReadsAhead = true;
    const auto agree = [&] {
        doc->revertDocumentToSaved(nullptr);
        answer(waitForMessageBox(), QMessageBox::Discard);
        ASSERT_TRUE(QTest::qWaitFor([&] { return doc->isReadingAhead(); }));
        EXPECT_TRUE(doc->isRevertReading());
    };

    doc->setText(QStringLiteral("unsaved"));
    ASSERT_TRUE(waitEdited(doc));
    agree();
    // Another revert while one reads asks nothing.
    doc->revertDocumentToSaved(nullptr);
    drainEvents();
    EXPECT_TRUE(visibleMessageBoxes().isEmpty());
    EXPECT_EQ(doc->text(), QStringLiteral("unsaved"));
    EXPECT_TRUE(doc->isDocumentEdited());
    doc->finishReadAhead();
    EXPECT_EQ(doc->text(), QStringLiteral("saved"));
    EXPECT_FALSE(doc->isDocumentEdited());
    EXPECT_FALSE(doc->undoManager()->canUndo());
    EXPECT_FALSE(doc->isRevertReading());
    EXPECT_TRUE(doc->droppedReads.isEmpty());

    // Edited while the file is read.
    doc->setText(QStringLiteral("first"));
    ASSERT_TRUE(waitEdited(doc));
    agree();
    doc->setText(QStringLiteral("second"));
    drainEvents();
    doc->finishReadAhead();
    EXPECT_EQ(doc->droppedReads, QStringList{doc->filePath()});
    EXPECT_EQ(doc->text(), QStringLiteral("second"));
    QMessageBox *again = waitForMessageBox();
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again->button(QMessageBox::Discard), nullptr);
    answer(again, QMessageBox::Cancel);
    drainEvents();
    EXPECT_EQ(doc->text(), QStringLiteral("second"));
    EXPECT_TRUE(doc->isDocumentEdited());
    EXPECT_TRUE(doc->undoManager()->canUndo());
    EXPECT_FALSE(doc->isRevertReading());

    // Saved while the file is read: the file read is no longer the file.
    agree();
    const int readsBefore = doc->readsAhead;
    ASSERT_TRUE(doc->saveToFile(doc->filePath(), TextTypeName, platform::Document::SaveOperation::Save));
    doc->finishReadAhead();
    EXPECT_EQ(doc->droppedReads.size(), 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return doc->isReadingAhead(); }));
    EXPECT_EQ(doc->readsAhead, readsBefore + 1);
    doc->finishReadAhead();
    EXPECT_EQ(doc->text(), QStringLiteral("second"));
    EXPECT_FALSE(doc->isDocumentEdited());
    EXPECT_FALSE(doc->isRevertReading());

    // A save written in the background begins while the file is read, and is still
    // being written when the read is done: the file is read again once it ends.
    doc->writeInBackground = true;
    doc->setText(QStringLiteral("background"));
    ASSERT_TRUE(waitEdited(doc));
    agree();
    doc->gate->close();
    bool saved = false;
    doc->saveDocumentWithCompletion([&](bool ok) { saved = ok; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return doc->gate->arrived() == 1; }));
    const int readsDuringSave = doc->readsAhead;
    doc->finishReadAhead();
    drainEvents();
    EXPECT_EQ(doc->readsAhead, readsDuringSave);
    EXPECT_TRUE(doc->isRevertReading());
    doc->gate->open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return saved && doc->isReadingAhead(); }));
    EXPECT_EQ(doc->readsAhead, readsDuringSave + 1);
    doc->finishReadAhead();
    EXPECT_EQ(doc->text(), QStringLiteral("background"));
    EXPECT_FALSE(doc->isRevertReading());
    doc->writeInBackground = false;

    // The document's file becomes another while the file is read: that one is read.
    const QString moved = path(QStringLiteral("moved.txtdoc"));
    ASSERT_TRUE(writeText(moved, "moved"));
    doc->setText(QStringLiteral("before the move"));
    ASSERT_TRUE(waitEdited(doc));
    agree();
    doc->setFilePath(moved);
    doc->finishReadAhead();
    ASSERT_TRUE(QTest::qWaitFor([&] { return doc->isReadingAhead(); }));
    doc->finishReadAhead();
    EXPECT_EQ(doc->text(), QStringLiteral("moved"));
    EXPECT_FALSE(doc->isDocumentEdited());
    const int dropped = int(doc->droppedReads.size());

    // Closed while the file is read.
    doc->setText(QStringLiteral("third"));
    ASSERT_TRUE(waitEdited(doc));
    agree();
    QPointer<TextDocument> guard(doc);
    doc->close();
    const int readsFromFile = doc->reads;
    doc->finishReadAhead();
    EXPECT_EQ(doc->droppedReads.size(), dropped + 1);
    EXPECT_EQ(doc->reads, readsFromFile);
    drainEvents();
    EXPECT_TRUE(visibleMessageBoxes().isEmpty());
    EXPECT_TRUE(guard.isNull());
    EXPECT_TRUE(testsupport::readFile(path(QStringLiteral("ahead.txtdoc"))) == "TEXT\nbackground");
    EXPECT_TRUE(testsupport::readFile(moved) == "TEXT\nmoved");
}

TEST_F(DocumentTest, LoadingAMissingOrRefusedFileAnswersFailure)
{
    TextDocument doc;
    QString reason;
    EXPECT_FALSE(doc.loadFromFile(path(QStringLiteral("missing.txtdoc")), TextTypeName, &reason));
    EXPECT_EQ(reason, platformText("FileDoesNotExistReason"));
    EXPECT_EQ(doc.reads, 0);
    ASSERT_TRUE(testsupport::writeFile(path(QStringLiteral("bad.txtdoc")), "nope"));
    EXPECT_FALSE(doc.loadFromFile(path(QStringLiteral("bad.txtdoc")), TextTypeName, &reason));
    EXPECT_TRUE(doc.filePath().isEmpty());
}

// Closing -------------------------------------------------------------------------------

TEST_F(DocumentTest, ClosingACleanDocumentAsksNothing)
{
    TextDocument *doc = openText(QStringLiteral("clean.txtdoc"), "x");
    QPointer<TextDocument> guard(doc);
    QPointer<QWidget> window(doc->mainWindow());
    doc->performClose(nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return guard.isNull(); }));
    drainEvents();
    EXPECT_TRUE(window.isNull());
    EXPECT_TRUE(visibleMessageBoxes().isEmpty());
    EXPECT_TRUE(controller->documents().isEmpty());
}

TEST_F(DocumentTest, ClosingAnEditedDocumentReviewsItsChanges)
{
    TextDocument *doc = openText(QStringLiteral("edit.txtdoc"), "before");
    ASSERT_TRUE(activate(doc));
    QPointer<TextDocument> guard(doc);
    doc->setText(QStringLiteral("after"));
    ASSERT_TRUE(waitEdited(doc));

    // Cancel keeps everything.
    doc->performClose(nullptr);
    QMessageBox *box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(),
              QStringLiteral("Do you want to save the changes to the document “\u2068edit.txtdoc\u2069” before closing?"));
    EXPECT_EQ(box->button(QMessageBox::Save)->text(), QStringLiteral("&Save"));
    EXPECT_EQ(box->button(QMessageBox::Discard)->text(), QStringLiteral("&Don’t Save"));
    EXPECT_EQ(box->button(QMessageBox::Cancel)->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(static_cast<QAbstractButton *>(box->defaultButton()), box->button(QMessageBox::Save));
    answer(box, QMessageBox::Cancel);
    drainEvents();
    ASSERT_FALSE(guard.isNull());
    EXPECT_TRUE(doc->mainWindow()->isVisible());

    // Save writes the file, then closes.
    doc->performClose(nullptr);
    answer(waitForMessageBox(), QMessageBox::Save);
    ASSERT_TRUE(QTest::qWaitFor([&] { return guard.isNull(); }));
    EXPECT_EQ(testsupport::readFile(path(QStringLiteral("edit.txtdoc"))), QByteArray("TEXT\nafter"));
}

TEST_F(DocumentTest, DontSaveClosesWithoutWriting)
{
    TextDocument *doc = openText(QStringLiteral("drop.txtdoc"), "before");
    ASSERT_TRUE(activate(doc));
    QPointer<TextDocument> guard(doc);
    doc->setText(QStringLiteral("after"));
    ASSERT_TRUE(waitEdited(doc));
    doc->performClose(nullptr);
    answer(waitForMessageBox(), QMessageBox::Discard);
    ASSERT_TRUE(QTest::qWaitFor([&] { return guard.isNull(); }));
    EXPECT_EQ(testsupport::readFile(path(QStringLiteral("drop.txtdoc"))), QByteArray("TEXT\nbefore"));
}

TEST_F(DocumentTest, SaveFailingDuringCloseKeepsTheDocumentOpen)
{
    TextDocument *doc = openText(QStringLiteral("fail.txtdoc"), "before");
    ASSERT_TRUE(activate(doc));
    QPointer<TextDocument> guard(doc);
    doc->setText(QStringLiteral("after"));
    ASSERT_TRUE(waitEdited(doc));
    doc->failWrites = true;
    doc->performClose(nullptr);
    answer(waitForMessageBox(), QMessageBox::Save);
    QMessageBox *failure = waitForMessageBox();
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(failure->text(), QStringLiteral("The document “\u2068fail.txtdoc\u2069” could not be saved."));
    answer(failure, QMessageBox::Ok);
    drainEvents();
    ASSERT_FALSE(guard.isNull());
    EXPECT_TRUE(doc->isDocumentEdited());
    EXPECT_EQ(testsupport::readFile(path(QStringLiteral("fail.txtdoc"))), QByteArray("TEXT\nbefore"));
}

TEST_F(DocumentTest, TheWindowsCloseButtonGoesThroughTheReview)
{
    TextDocument *doc = openText(QStringLiteral("wm.txtdoc"), "x");
    ASSERT_TRUE(activate(doc));
    QPointer<TextDocument> guard(doc);
    doc->setText(QStringLiteral("y"));
    ASSERT_TRUE(waitEdited(doc));

    EXPECT_FALSE(doc->mainWindow()->close()) << "the window stays while the user is asked";
    QMessageBox *box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(doc->mainWindow()->isVisible());
    answer(box, QMessageBox::Discard);
    ASSERT_TRUE(QTest::qWaitFor([&] { return guard.isNull(); }));
}

TEST_F(DocumentTest, CanCloseRunsItsHandlerOnceWhenTheDocumentGoesAway)
{
    TextDocument *doc = openText(QStringLiteral("gone.txtdoc"), "x");
    ASSERT_TRUE(activate(doc));
    doc->setText(QStringLiteral("y"));
    ASSERT_TRUE(waitEdited(doc));
    int calls = 0;
    bool answerGiven = true;
    doc->canCloseDocument([&](bool mayClose) {
        ++calls;
        answerGiven = mayClose;
    });
    ASSERT_NE(waitForMessageBox(), nullptr);
    delete doc; // takes its window and the alert with it
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }));
    drainEvents();
    EXPECT_EQ(calls, 1);
    EXPECT_FALSE(answerGiven);
}

// Menu validation -------------------------------------------------------------------

TEST_F(DocumentTest, ValidatesItsMenuItemsByState)
{
    QAction save, saveAs, revert, close, undo, redo, other;
    menu::setAction(&save, "saveDocument:");
    menu::setAction(&saveAs, "saveDocumentAs:");
    menu::setAction(&revert, "revertDocumentToSaved:");
    menu::setAction(&close, "performClose:");
    menu::setAction(&undo, "undo:");
    menu::setAction(&redo, "redo:");
    menu::setAction(&other, "somethingElse:");

    TextDocument *untitled = newText(false);
    EXPECT_TRUE(untitled->validateMenuItem(&save)) << "an untitled document can be saved";
    EXPECT_FALSE(untitled->validateMenuItem(&revert));
    EXPECT_TRUE(untitled->validateMenuItem(&saveAs));
    EXPECT_TRUE(untitled->validateMenuItem(&close));
    EXPECT_TRUE(untitled->validateMenuItem(&other));
    EXPECT_FALSE(untitled->validateMenuItem(nullptr));

    TextDocument *doc = openText(QStringLiteral("v.txtdoc"), "x", false);
    EXPECT_FALSE(doc->validateMenuItem(&save));
    EXPECT_FALSE(doc->validateMenuItem(&revert));
    EXPECT_FALSE(doc->validateMenuItem(&undo));
    EXPECT_EQ(undo.text(), QStringLiteral("&Undo"));

    doc->setText(QStringLiteral("y"));
    ASSERT_TRUE(waitEdited(doc));
    EXPECT_TRUE(doc->validateMenuItem(&save));
    EXPECT_TRUE(doc->validateMenuItem(&revert));
    EXPECT_TRUE(doc->validateMenuItem(&undo));
    EXPECT_EQ(undo.text(), QStringLiteral("&Undo Typing"));
    EXPECT_FALSE(doc->validateMenuItem(&redo));

    doc->undo(nullptr);
    EXPECT_TRUE(doc->validateMenuItem(&redo));
    EXPECT_EQ(redo.text(), QStringLiteral("&Redo Typing"));
    EXPECT_EQ(doc->text(), QStringLiteral("x"));
    doc->redo(nullptr);
    EXPECT_EQ(doc->text(), QStringLiteral("y"));
}

TEST_F(DocumentTest, UndoTitlesEscapeAmpersands)
{
    TextDocument *doc = newText(false);
    doc->setText(QStringLiteral("a"));
    doc->undoManager()->setActionName(QStringLiteral("Cut & Paste"));
    QAction undo;
    menu::setAction(&undo, "undo:");
    EXPECT_TRUE(doc->validateMenuItem(&undo));
    EXPECT_EQ(undo.text(), QStringLiteral("&Undo Cut && Paste"));
}

// Texts -------------------------------------------------------------------------------

TEST(DocumentTexts, EveryTextTheMachineryShowsLivesInThePlatformStringTable)
{
    const QString root = QStringLiteral(CHRONARK_TEST_DATA_DIR "/../..");
    const auto table = platform::Bundle::parseStringsData(
        testsupport::readFile(root + QStringLiteral("/resources/platform/Localizable.strings")));
    ASSERT_TRUE(table.has_value()) << "the table parses";

    // The keys the sources look up.
    const QRegularExpression lookup(QStringLiteral(R"re((?:localizedString\(QStringLiteral|\btext)\("([A-Za-z]+)"\))re"));
    QStringList keys;
    for (const char *source : {"Document.cpp", "DocumentController.cpp", "StandardMenus.cpp", "DocumentAlert.cpp"}) {
        const QString text = QString::fromUtf8(
            testsupport::readFile(root + QStringLiteral("/platform/document/") + QString::fromLatin1(source)));
        ASSERT_FALSE(text.isEmpty()) << source;
        for (const QRegularExpressionMatch &m : lookup.globalMatch(text))
            keys << m.captured(1);
    }
    EXPECT_GT(keys.size(), 30);
    for (const QString &key : keys)
        EXPECT_TRUE(table->contains(key)) << key.toStdString();
    EXPECT_EQ(table->value(QStringLiteral("SaveChangesMessage")),
              QStringLiteral("Do you want to save the changes to the document “%1” before closing?"));
}
