// Saves written in the background: the state they leave, the saves that wait for
// them, their failures, and the close and the quit that wait for them; the
// autosave over a file another program changed.
#include "TestDocumentSupport.h"
#include "tests/support/QtWarningCheck.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QThreadPool>

using namespace doctest;
using platform::Document;

namespace {

class DocumentSavingTest : public DocumentFixture
{
protected:
    TextDocument *openBackground(const QString &name, const QByteArray &text)
    {
        TextDocument *doc = openText(name, text);
        if (doc)
            doc->writeInBackground = true;
        return doc;
    }

    // Waits until the held writer reached the gate.
    static bool waitArrived(TextDocument *doc, int count)
    {
        return QTest::qWaitFor([&] { return doc->gate->arrived() >= count; });
    }
};

} // namespace

TEST_F(DocumentSavingTest, ASaveHoldsTheStateOfItsStartAndChangesMadeMeanwhileStayUnsaved)
{
    TextDocument *doc = openBackground(QStringLiteral("held.txtdoc"), "original");
    ASSERT_NE(doc, nullptr);
    doc->setText(QStringLiteral("first"));
    ASSERT_TRUE(waitEdited(doc));
    doc->gate->close();
    int calls = 0;
    bool saved = false;
    doc->saveDocumentWithCompletion([&](bool ok) {
        saved = ok;
        ++calls;
    });
    ASSERT_TRUE(waitArrived(doc, 1));
    EXPECT_TRUE(doc->isSaving());
    // Edited while the file is written.
    doc->setText(QStringLiteral("second"));
    drainEvents();
    EXPECT_EQ(testsupport::readFile(doc->filePath()), QByteArray("TEXT\noriginal"));
    EXPECT_EQ(calls, 0);
    doc->gate->open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }));
    EXPECT_TRUE(saved);
    EXPECT_FALSE(doc->isSaving());
    EXPECT_EQ(testsupport::readFile(doc->filePath()), QByteArray("TEXT\nfirst"));
    EXPECT_TRUE(doc->isDocumentEdited()) << "the second text is not in the file";
    EXPECT_FALSE(doc->fileChangedOnDisk()) << "the document's own save is no change from outside";
    // Undoing the second text comes back to the state saved.
    doc->undo(nullptr);
    EXPECT_EQ(doc->text(), QStringLiteral("first"));
    EXPECT_FALSE(doc->isDocumentEdited());
    EXPECT_EQ(doc->writes, 0) << "nothing was written on the GUI thread";
}

// Undo then redo back to the state saved: clean again, whether the redo stack held one
// step or more.
TEST_F(DocumentSavingTest, UndoAndRedoBackToTheSavedStateLeaveItClean)
{
    for (const bool background : {false, true}) {
        SCOPED_TRACE(background);
        TextDocument *doc = openText(background ? QStringLiteral("b.txtdoc") : QStringLiteral("g.txtdoc"), "original");
        ASSERT_NE(doc, nullptr);
        doc->writeInBackground = background;
        doc->setText(QStringLiteral("one"));
        drainEvents();
        doc->setText(QStringLiteral("two"));
        ASSERT_TRUE(waitEdited(doc));
        bool saved = false;
        doc->saveDocumentWithCompletion([&](bool ok) { saved = ok; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return saved; }));
        ASSERT_FALSE(doc->isDocumentEdited());
        doc->undo(nullptr);
        EXPECT_TRUE(doc->isDocumentEdited());
        doc->redo(nullptr);
        EXPECT_FALSE(doc->isDocumentEdited()) << "one step";
        doc->undo(nullptr);
        doc->undo(nullptr);
        doc->redo(nullptr);
        EXPECT_TRUE(doc->isDocumentEdited());
        doc->redo(nullptr);
        EXPECT_FALSE(doc->isDocumentEdited()) << "two steps";
        EXPECT_EQ(doc->text(), QStringLiteral("two"));
    }
}

TEST_F(DocumentSavingTest, ASecondSaveWaitsForTheRunningOneAndAsksNothing)
{
    TextDocument *doc = openBackground(QStringLiteral("twice.txtdoc"), "original");
    ASSERT_NE(doc, nullptr);
    doc->setText(QStringLiteral("one"));
    ASSERT_TRUE(waitEdited(doc));
    doc->gate->close();
    QList<int> order;
    doc->saveDocumentWithCompletion([&](bool ok) { order << (ok ? 1 : -1); });
    ASSERT_TRUE(waitArrived(doc, 1));
    doc->setText(QStringLiteral("two"));
    drainEvents();
    doc->saveDocumentWithCompletion([&](bool ok) { order << (ok ? 2 : -2); });
    doc->autosaveDocument();
    drainEvents();
    EXPECT_EQ(doc->gate->arrived(), 1) << "the second save waits for the first";
    EXPECT_TRUE(order.isEmpty());
    doc->gate->open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() == 2 && !doc->isSaving(); }));
    EXPECT_EQ(order, (QList<int>{1, 2}));
    EXPECT_EQ(*doc->backgroundWrites, 2) << "the autosave found nothing left to save";
    EXPECT_TRUE(visibleMessageBoxes().isEmpty()) << "the first save's file is the document's own";
    EXPECT_EQ(testsupport::readFile(doc->filePath()), QByteArray("TEXT\ntwo"));
    EXPECT_FALSE(doc->isDocumentEdited());
}

TEST_F(DocumentSavingTest, AFailureOrAnExceptionOfTheWriterIsReportedAsBefore)
{
    TextDocument *doc = openBackground(QStringLiteral("fails.txtdoc"), "original");
    ASSERT_NE(doc, nullptr);
    ASSERT_TRUE(activate(doc));
    struct Case
    {
        const char *what;
        bool fail;
        bool raise;
        QString reason;
    } cases[] = {{"refused", true, false, QStringLiteral("The disk is full.")},
                 {"thrown", false, true, QStringLiteral("The writer broke down.")}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        doc->setText(QString::fromLatin1(c.what));
        ASSERT_TRUE(waitEdited(doc));
        doc->failWrites = c.fail;
        doc->throwInBackground = c.raise;
        int calls = 0;
        bool result = true;
        doc->saveDocumentWithCompletion([&](bool saved) {
            result = saved;
            ++calls;
        });
        QMessageBox *box = waitForMessageBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), QStringLiteral("The document “\u2068fails.txtdoc\u2069” could not be saved."));
        EXPECT_TRUE(doctest::quotes(box->informativeText(), QStringLiteral("The file "), doc->filePath(),
                                    QStringLiteral(" could not be written: ") + c.reason))
            << box->informativeText().toStdString();
        EXPECT_EQ(box->parentWidget(), doc->mainWindow());
        answer(box, QMessageBox::Ok);
        ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }));
        EXPECT_FALSE(result);
        EXPECT_TRUE(doc->isDocumentEdited());
        EXPECT_FALSE(doc->isSaving());
        EXPECT_EQ(testsupport::readFile(doc->filePath()), QByteArray("TEXT\noriginal"));
    }
    // The autosave's failure shows the same alert.
    doc->failWrites = true;
    doc->throwInBackground = false;
    doc->autosaveDocument();
    QMessageBox *box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("The document “\u2068fails.txtdoc\u2069” could not be saved."));
    answer(box, QMessageBox::Ok);
    // A later save goes through.
    doc->failWrites = false;
    bool saved = false;
    doc->saveDocumentWithCompletion([&](bool ok) { saved = ok; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return saved; }));
    EXPECT_EQ(testsupport::readFile(doc->filePath()), QByteArray("TEXT\nthrown"));
}

// Autosaves failing one after another (a running counter keeps the document edited)
// show one alert, telling the last failure's reason, not one alert each; a save that
// succeeds closes it, and a failure after that shows a new one.
TEST_F(DocumentSavingTest, AutosavesFailingInARowShareOneAlertUntilASaveSucceeds)
{
    TextDocument *doc = openBackground(QStringLiteral("autosave-fails.txtdoc"), "original");
    ASSERT_NE(doc, nullptr);
    ASSERT_TRUE(activate(doc));
    const auto alerts = [doc] { return doc->mainWindow()->findChildren<QMessageBox *>().size(); };
    doc->failWrites = true;
    for (int failure = 1; failure <= 5; ++failure) {
        SCOPED_TRACE(failure);
        doc->setText(QStringLiteral("edit %1").arg(failure));
        ASSERT_TRUE(waitEdited(doc));
        doc->failureReason = QStringLiteral("Failure number %1.").arg(failure);
        const int writes = *doc->backgroundWrites;
        doc->autosaveDocument();
        ASSERT_TRUE(QTest::qWaitFor([&] { return *doc->backgroundWrites == writes + 1 && !doc->isSaving(); }));
        QCoreApplication::processEvents();
        QMessageBox *box = waitForMessageBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(alerts(), 1);
        EXPECT_TRUE(box->informativeText().endsWith(QStringLiteral(": Failure number %1.").arg(failure)))
            << box->informativeText().toStdString();
    }
    // A save that succeeds: the alert goes.
    doc->failWrites = false;
    doc->autosaveDocument();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !doc->isDocumentEdited() && !doc->isSaving(); }));
    EXPECT_TRUE(QTest::qWaitFor([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return alerts() == 0;
    }));
    // The next failure shows an alert again, and answering it leaves none.
    doc->failWrites = true;
    doc->setText(QStringLiteral("after the save"));
    ASSERT_TRUE(waitEdited(doc));
    doc->autosaveDocument();
    QMessageBox *box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(alerts(), 1);
    answer(box, QMessageBox::Ok);
    EXPECT_TRUE(QTest::qWaitFor([&] {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        return alerts() == 0;
    }));
    doc->failWrites = false;
}

// A copy taken in slices, one per pass of the event loop, holds the document as it
// was when the save began: a change made between its slices stays unsaved. A copy
// that runs out of memory at any slice is reported as one that could not be made at
// all, as before: the same alert, the file as it was, the document edited.
TEST_F(DocumentSavingTest, ACopyTakenInSlicesHoldsTheStateOfItsStartAndFailsAsBefore)
{
    TextDocument *doc = openBackground(QStringLiteral("sliced.txtdoc"), "original");
    ASSERT_NE(doc, nullptr);
    ASSERT_TRUE(activate(doc));
    doc->copySlice = 2;
    doc->setText(QStringLiteral("first version"));
    ASSERT_TRUE(waitEdited(doc));
    int calls = 0;
    bool saved = false;
    doc->saveDocumentWithCompletion([&](bool ok) {
        saved = ok;
        ++calls;
    });
    EXPECT_EQ(*doc->copySlices, 1) << "one slice at once";
    QCoreApplication::processEvents();
    EXPECT_EQ(*doc->copySlices, 2) << "one slice per pass";
    EXPECT_TRUE(doc->isSaving());
    doc->setText(QStringLiteral("changed while copying"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }));
    EXPECT_TRUE(saved);
    EXPECT_EQ(*doc->copySlices, 9) << "18 bytes, 2 a slice";
    EXPECT_EQ(testsupport::readFile(doc->filePath()), QByteArray("TEXT\nfirst version"));
    EXPECT_TRUE(doc->isDocumentEdited()) << "the change made while copying is not in the file";

    QStringList reasons;
    for (const int failsAt : {0, 1, 4}) {
        SCOPED_TRACE(failsAt);
        doc->copyFailsAt = failsAt;
        calls = 0;
        doc->saveDocumentWithCompletion([&](bool ok) {
            saved = ok;
            ++calls;
        });
        QMessageBox *box = waitForMessageBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->text(), QStringLiteral("The document “\u2068sliced.txtdoc\u2069” could not be saved."));
        reasons << box->informativeText();
        answer(box, QMessageBox::Ok);
        ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }));
        EXPECT_FALSE(saved);
        EXPECT_FALSE(doc->isSaving());
        EXPECT_TRUE(doc->isDocumentEdited());
        EXPECT_EQ(testsupport::readFile(doc->filePath()), QByteArray("TEXT\nfirst version"));
    }
    EXPECT_EQ(reasons.size(), 3);
    EXPECT_EQ(reasons.count(reasons.value(0)), 3) << qPrintable(reasons.join(u'|'));
    doc->copyFailsAt = -1;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        if (doc->isSaving() || !doc->isDocumentEdited())
            return !doc->isDocumentEdited();
        doc->saveDocumentWithCompletion({});
        return false;
    }));
    EXPECT_EQ(testsupport::readFile(doc->filePath()), QByteArray("TEXT\nchanged while copying"));

    // A document gone halfway through a copy answers its save and what waits; no
    // slice runs after it, and the file stays as it was.
    const QString file = doc->filePath();
    const std::shared_ptr<int> slices = doc->copySlices;
    doc->setText(QStringLiteral("never written"));
    QList<bool> answers;
    doc->saveDocumentWithCompletion([&](bool ok) { answers << ok; });
    doc->saveDocumentWithCompletion([&](bool ok) { answers << ok; });
    delete doc;
    const int taken = *slices;
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.size() == 2; }));
    EXPECT_EQ(answers, (QList<bool>{false, false}));
    drainEvents();
    EXPECT_EQ(*slices, taken);
    EXPECT_EQ(testsupport::readFile(file), QByteArray("TEXT\nchanged while copying"));
}

TEST_F(DocumentSavingTest, SaveAsWritesInTheBackgroundAndTakesTheNewFile)
{
    TextDocument *doc = newText();
    ASSERT_NE(doc, nullptr);
    doc->writeInBackground = true;
    doc->setText(QStringLiteral("copy"));
    ASSERT_TRUE(waitEdited(doc));
    const QString file = path(QStringLiteral("as.txtdoc"));
    bool done = false;
    bool saved = false;
    doc->saveToFileWithCompletion(file, TextTypeName, Document::SaveOperation::SaveAs,
                                  [&](bool ok, const QString &) {
                                      saved = ok;
                                      done = true;
                                  });
    EXPECT_TRUE(doc->filePath().isEmpty()) << "the document takes the file once it is written";
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }));
    EXPECT_TRUE(saved);
    EXPECT_EQ(doc->filePath(), file);
    EXPECT_EQ(doc->displayName(), QStringLiteral("as.txtdoc"));
    EXPECT_EQ(controller->recentDocumentPaths().value(0), file);
    EXPECT_FALSE(doc->isDocumentEdited());
    EXPECT_EQ(testsupport::readFile(file), QByteArray("TEXT\ncopy"));

    // A copy (save to) leaves the document's file and state alone.
    doc->setText(QStringLiteral("later"));
    ASSERT_TRUE(waitEdited(doc));
    done = false;
    doc->saveToFileWithCompletion(path(QStringLiteral("copy.txtdoc")), TextTypeName, Document::SaveOperation::SaveTo,
                                  [&](bool ok, const QString &) { done = ok; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }));
    EXPECT_EQ(doc->filePath(), file);
    EXPECT_TRUE(doc->isDocumentEdited());
    EXPECT_EQ(testsupport::readFile(path(QStringLiteral("copy.txtdoc"))), QByteArray("TEXT\nlater"));
}

TEST_F(DocumentSavingTest, CloseAndQuitWaitForTheRunningSave)
{
    TextDocument *doc = openBackground(QStringLiteral("quit.txtdoc"), "original");
    ASSERT_NE(doc, nullptr);
    doc->setText(QStringLiteral("autosaved"));
    ASSERT_TRUE(waitEdited(doc));
    doc->gate->close();
    doc->autosaveDocument();
    ASSERT_TRUE(waitArrived(doc, 1));

    QSignalSpy terminating(controller, &platform::DocumentController::willTerminate);
    controller->terminate(nullptr);
    QPointer<TextDocument> alive(doc);
    doc->performClose(nullptr);
    drainEvents();
    EXPECT_EQ(terminating.count(), 0);
    EXPECT_TRUE(alive);
    EXPECT_TRUE(visibleMessageBoxes().isEmpty()) << "no question while the save runs";
    doc->gate->open();
    // Saved by the autosave: nothing to ask, the quit goes ahead and the document closes.
    ASSERT_TRUE(QTest::qWaitFor([&] { return terminating.count() == 1; }));
    EXPECT_TRUE(visibleMessageBoxes().isEmpty());
    EXPECT_EQ(testsupport::readFile(path(QStringLiteral("quit.txtdoc"))), QByteArray("TEXT\nautosaved"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !alive; }));
}

TEST_F(DocumentSavingTest, ADocumentGoneBeforeItsSaveEndedAnswersEveryWaitingHandler)
{
    TextDocument *doc = openBackground(QStringLiteral("gone.txtdoc"), "original");
    ASSERT_NE(doc, nullptr);
    doc->setText(QStringLiteral("last"));
    ASSERT_TRUE(waitEdited(doc));
    const std::shared_ptr<WriteGate> gate = doc->gate;
    gate->close();
    QList<bool> answers;
    bool idle = false;
    doc->saveDocumentWithCompletion([&](bool ok) { answers << ok; });
    ASSERT_TRUE(waitArrived(doc, 1));
    doc->saveDocumentWithCompletion([&](bool ok) { answers << ok; });
    doc->whenNotSaving([&] { idle = true; });
    delete doc;
    ASSERT_TRUE(QTest::qWaitFor([&] { return answers.size() == 2 && idle; }));
    EXPECT_EQ(answers, (QList<bool>{false, false}));
    // The write goes on with its copy and leaves the file whole.
    gate->open();
    QThreadPool::globalInstance()->waitForDone();
    EXPECT_EQ(testsupport::readFile(path(QStringLiteral("gone.txtdoc"))), QByteArray("TEXT\nlast"));
}

TEST_F(DocumentSavingTest, AutosaveOverAFileChangedElsewhereAsksOncePerChange)
{
    TextDocument *doc = openText(QStringLiteral("elsewhere.txtdoc"), "original");
    ASSERT_NE(doc, nullptr);
    ASSERT_TRUE(activate(doc));
    testsupport::CapturedLog log;
    doc->setText(QStringLiteral("mine"));
    ASSERT_TRUE(waitEdited(doc));
    ASSERT_TRUE(writeText(doc->filePath(), "theirs"));

    doc->autosaveDocument();
    QMessageBox *box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    // The question a save by hand asks, with its choices.
    EXPECT_EQ(box->text(), QStringLiteral("The file has been changed by another application since you opened or saved it."));
    EXPECT_EQ(box->button(QMessageBox::Save)->text(), QStringLiteral("&Save Anyway"));
    EXPECT_EQ(box->button(QMessageBox::Cancel)->text(), QStringLiteral("Cancel"));
    EXPECT_EQ(static_cast<QAbstractButton *>(box->defaultButton()), box->button(QMessageBox::Cancel));
    EXPECT_EQ(box->parentWidget(), doc->mainWindow());
    // A tick while it is up adds nothing.
    doc->autosaveDocument();
    drainEvents();
    EXPECT_EQ(visibleMessageBoxes().size(), 1);
    answer(box, QMessageBox::Cancel);
    drainEvents();
    // The same change is not asked about again.
    doc->autosaveDocument();
    drainEvents();
    EXPECT_TRUE(visibleMessageBoxes().isEmpty());
    EXPECT_EQ(testsupport::readFile(doc->filePath()), QByteArray("TEXT\ntheirs"));
    EXPECT_TRUE(doc->isDocumentEdited());

    // Another change of the file is.
    ASSERT_TRUE(writeText(doc->filePath(), "theirs, longer"));
    doc->autosaveDocument();
    box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    answer(box, QMessageBox::Save);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !doc->isDocumentEdited(); }));
    // The log's lines about the autosave (the offscreen platform logs its own too).
    const QStringList logged = log.linesContaining(QStringLiteral("autosav"));
    EXPECT_EQ(testsupport::readFile(doc->filePath()), QByteArray("TEXT\nmine"));
    EXPECT_EQ(logged.size(), 2);
    for (const QString &line : std::as_const(logged))
        EXPECT_TRUE(line.contains(QStringLiteral("Not autosaving")) && line.contains(doc->filePath())) << qPrintable(line);

    // Saved over: the next change is the document's own, and autosaves quietly.
    doc->setText(QStringLiteral("mine again"));
    ASSERT_TRUE(waitEdited(doc));
    doc->autosaveDocument();
    EXPECT_TRUE(visibleMessageBoxes().isEmpty());
    EXPECT_EQ(testsupport::readFile(doc->filePath()), QByteArray("TEXT\nmine again"));
}

// Changes recorded by hand before a save began are in its file; those recorded
// while it was written are not, however many there were before.
TEST_F(DocumentSavingTest, ChangesByHandWhileASaveIsWrittenStayUnsaved)
{
    TextDocument *doc = openBackground(QStringLiteral("by-hand.txtdoc"), "original");
    ASSERT_NE(doc, nullptr);
    doc->updateChangeCount(Document::ChangeType::Done);
    doc->updateChangeCount(Document::ChangeType::Done);
    ASSERT_TRUE(doc->isDocumentEdited());
    doc->gate->close();
    int calls = 0;
    doc->saveDocumentWithCompletion([&](bool) { ++calls; });
    ASSERT_TRUE(waitArrived(doc, 1));
    doc->updateChangeCount(Document::ChangeType::Done);
    doc->gate->open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1 && !doc->isSaving(); }));
    EXPECT_TRUE(doc->isDocumentEdited()) << "the change made during the save is not in the file";
    doc->saveDocumentWithCompletion([&](bool) { ++calls; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 2 && !doc->isSaving(); }));
    EXPECT_FALSE(doc->isDocumentEdited());
}
