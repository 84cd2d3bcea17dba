// The document controller: types, opening, the front document, recent files,
// closing and the review of unsaved documents at quit.
#include "TestDocumentSupport.h"

#include "platform/drawing/ActionDispatch.h"
#include "platform/document/MenuItemValidation.h"

#include <QAction>
#include <QDialog>
#include <QLabel>
#include <QScreen>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>
#include <QSignalSpy>

#include <sys/stat.h>

using namespace doctest;
using platform::Document;
using platform::DocumentController;
namespace menu = platform::MenuItemValidation;

using DocumentControllerTest = DocumentFixture;

TEST_F(DocumentControllerTest, TheFirstControllerMadeIsTheSharedOneUntilReplaced)
{
    // The fixture's controller was made first and set shared.
    EXPECT_EQ(DocumentController::sharedDocumentController(), controller);
    DocumentController second;
    EXPECT_EQ(DocumentController::sharedDocumentController(), controller);
    DocumentController::setSharedDocumentController(&second);
    EXPECT_EQ(DocumentController::sharedDocumentController(), &second);
    DocumentController::setSharedDocumentController(controller);
}

TEST_F(DocumentControllerTest, TypesGiveFiltersAndTheTypeOfAFile)
{
    controller->addDocumentType(platform::DocumentType(QStringLiteral("Other"), {QStringLiteral(".oth"), QStringLiteral("OTH")},
                                                      QStringLiteral("application/x-other"),
                                                      [](QObject *p) { return new TextDocument(p); }));
    controller->addDocumentType(platform::DocumentType(QStringLiteral("No factory"), {QStringLiteral("x")}, {}, {}));
    EXPECT_EQ(controller->documentTypes().size(), 2) << "a type without factory is not registered";
    EXPECT_EQ(controller->defaultType(), TextTypeName);
    EXPECT_EQ(controller->typeForFile(QStringLiteral("/a/b.oth")), QStringLiteral("Other"));
    EXPECT_EQ(controller->typeForFile(QStringLiteral("/a/B.TXTDOC")), TextTypeName);
    EXPECT_EQ(controller->typeForFile(QStringLiteral("/a/.oth")), TextTypeName) << "a bare extension is a hidden file name";
    EXPECT_EQ(controller->fileDialogFilters(),
              (QStringList{QStringLiteral("Text Format (*.txtdoc)"), QStringLiteral("Other (*.oth)"),
                           QStringLiteral("All Files (*)")}));
    EXPECT_FALSE(controller->documentTypeNamed(QStringLiteral("nothing")).isValid());
}

TEST_F(DocumentControllerTest, NewDocumentsGetTheDefaultTypeAndAWindow)
{
    QSignalSpy added(controller, &DocumentController::documentAdded);
    controller->newDocument(nullptr);
    ASSERT_EQ(controller->documents().size(), 1);
    Document *doc = controller->documents().constFirst();
    EXPECT_EQ(doc->fileType(), TextTypeName);
    EXPECT_EQ(doc->documentController(), controller);
    ASSERT_NE(doc->mainWindow(), nullptr);
    EXPECT_TRUE(doc->mainWindow()->isVisible());
    EXPECT_EQ(added.count(), 1);
}

TEST_F(DocumentControllerTest, AnOpenFileIsNotOpenedTwice)
{
    TextDocument *doc = openText(QStringLiteral("once.txtdoc"), "1");
    ASSERT_TRUE(doc);
    TextDocument *other = openText(QStringLiteral("other.txtdoc"), "2");
    ASSERT_TRUE(activate(other));
    ASSERT_TRUE(QFile::link(path(QStringLiteral("once.txtdoc")), path(QStringLiteral("link.txtdoc"))));

    Document *again = controller->openDocumentWithContentsOfFile(path(QStringLiteral("link.txtdoc")), true);
    EXPECT_EQ(again, doc);
    EXPECT_EQ(doc->reads, 1);
    EXPECT_EQ(controller->documents().size(), 2);
    EXPECT_TRUE(QTest::qWaitForWindowActive(doc->mainWindow())) << "its window comes to the front";
    EXPECT_EQ(controller->documentForFile(path(QStringLiteral("./once.txtdoc"))), doc);
}

TEST_F(DocumentControllerTest, AFileThatCannotBeReadShowsAnAlertAndChangesNothing)
{
    TextDocument *doc = openText(QStringLiteral("fine.txtdoc"), "fine");
    ASSERT_TRUE(activate(doc));
    doc->setText(QStringLiteral("edited"));
    ASSERT_TRUE(waitEdited(doc));
    ASSERT_TRUE(testsupport::writeFile(path(QStringLiteral("broken.txtdoc")), "not text"));
    const QStringList recentBefore = controller->recentDocumentPaths();

    EXPECT_EQ(controller->openDocumentWithContentsOfFile(path(QStringLiteral("broken.txtdoc")), true), nullptr);
    QMessageBox *box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("The document “\u2068broken.txtdoc\u2069” could not be opened."));
    EXPECT_EQ(box->informativeText(), QStringLiteral("The file is not a text document."));
    answer(box, QMessageBox::Ok);

    EXPECT_EQ(controller->documents(), QList<Document *>{doc});
    EXPECT_EQ(doc->text(), QStringLiteral("edited"));
    EXPECT_TRUE(doc->isDocumentEdited());
    EXPECT_EQ(controller->recentDocumentPaths(), recentBefore);

    EXPECT_EQ(controller->openDocumentWithContentsOfFile(path(QStringLiteral("absent.txtdoc")), true), nullptr);
    box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->informativeText(), platformText("FileDoesNotExistReason"));
    answer(box, QMessageBox::Ok);
    EXPECT_EQ(controller->documents().size(), 1);

    // A file read whose window cannot be made for want of memory: the opening fails
    // with the memory's reason, the document goes, and the file is not made recent.
    ASSERT_TRUE(testsupport::writeFile(path(QStringLiteral("large.txtdoc")), "TEXT\nlarge"));
    TextDocument::windowsRunOutOfMemory = true;
    EXPECT_EQ(controller->openDocumentWithContentsOfFile(path(QStringLiteral("large.txtdoc")), true), nullptr);
    TextDocument::windowsRunOutOfMemory = false;
    box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->informativeText(), platformText("NotEnoughMemoryToReadReason"));
    answer(box, QMessageBox::Ok);
    EXPECT_EQ(controller->documents(), QList<Document *>{doc});
    EXPECT_EQ(controller->documentForFile(path(QStringLiteral("large.txtdoc"))), nullptr);
    EXPECT_EQ(controller->recentDocumentPaths(), recentBefore);
    // The same file opens once there is memory.
    EXPECT_NE(controller->openDocumentWithContentsOfFile(path(QStringLiteral("large.txtdoc")), true), nullptr);
}

TEST_F(DocumentControllerTest, NamesThatAreNoRegularFileAreRefusedBeforeTheyAreOpened)
{
    // Opening a pipe for reading would wait for a writer: the open must come back.
    const QString pipe = path(QStringLiteral("pipe.txtdoc"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const struct
    {
        QString path;
        const char *reason;
    } cases[] = {
        {pipe, "FileIsSpecialReason"},
        {QStringLiteral("/dev/null"), "FileIsSpecialReason"},
        {QStringLiteral("/proc/self/status"), "FileIsSpecialReason"},
        {dir.path(), "FileIsFolderReason"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(qPrintable(c.path));
        EXPECT_EQ(controller->openDocumentWithContentsOfFile(c.path, true), nullptr);
        QMessageBox *box = waitForMessageBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->informativeText(), platformText(c.reason));
        answer(box, QMessageBox::Ok);
    }
    EXPECT_TRUE(controller->documents().isEmpty());
    EXPECT_TRUE(controller->recentDocumentPaths().isEmpty());
}

TEST_F(DocumentControllerTest, TheFailuresOfOneRequestShareOneAlertThatListsThem)
{
    ASSERT_TRUE(writeText(path(QStringLiteral("good.txtdoc")), "good"));
    ASSERT_TRUE(testsupport::writeFile(path(QStringLiteral("broken.txtdoc")), "not text"));
    QStringList paths{path(QStringLiteral("broken.txtdoc")), path(QStringLiteral("good.txtdoc"))};
    for (int i = 0; i < 300; ++i)
        paths << path(QStringLiteral("absent-%1.txtdoc").arg(i));

    const QList<Document *> opened = controller->openDocumentsWithContentsOfFiles(paths, true);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened.constFirst()->filePath(), path(QStringLiteral("good.txtdoc")));
    QMessageBox *box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(visibleMessageBoxes().size(), 1);
    EXPECT_EQ(box->text(), QStringLiteral("301 documents could not be opened."));
    const QStringList listed = box->informativeText().split(QLatin1Char('\n'));
    ASSERT_EQ(listed.size(), DocumentController::MaximumListedOpenFailures + 1);
    EXPECT_EQ(listed.constFirst(), QStringLiteral("“\u2068broken.txtdoc\u2069”: The file is not a text document."));
    EXPECT_EQ(listed.at(1), QStringLiteral("“\u2068absent-0.txtdoc\u2069”: ") + platformText("FileDoesNotExistReason"));
    EXPECT_EQ(listed.constLast(), QStringLiteral("… and %1 more.").arg(301 - DocumentController::MaximumListedOpenFailures));
    // The details name every file with its folder.
    const QStringList details = box->detailedText().split(QLatin1Char('\n'));
    ASSERT_EQ(details.size(), 301);
    EXPECT_TRUE(details.constLast().startsWith(QStringLiteral("“\u2068%1\u2069”").arg(path(QStringLiteral("absent-299.txtdoc")))));
    answer(box, QMessageBox::Ok);
    EXPECT_TRUE(QTest::qWaitFor([] { return visibleMessageBoxes().isEmpty(); }));

    // One failure alone is told as before.
    EXPECT_TRUE(controller->openDocumentsWithContentsOfFiles({path(QStringLiteral("absent.txtdoc"))}, true).isEmpty());
    box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("The document “\u2068absent.txtdoc\u2069” could not be opened."));
    EXPECT_EQ(box->informativeText(), platformText("FileDoesNotExistReason"));
    answer(box, QMessageBox::Ok);
    EXPECT_EQ(controller->documents().size(), 1);
}

// Every blank-separated piece of the alert's text fits its label's width: nothing
// of the text stands beyond the alert's edge.
void expectTextFitsTheLabel(const QMessageBox *box)
{
    const auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(label, nullptr);
    const QFontMetrics metrics(label->font());
    for (const QString &word : label->text().split(QLatin1Char(' '), Qt::SkipEmptyParts))
        EXPECT_LE(metrics.horizontalAdvance(word), label->width()) << word.size() << " units";
}

// A name of a mebibyte, with a line break, as another program may ask for it: the
// alert quotes it on one line, cut to what the alert shows, so that the ellipsis and
// the closing quote are seen; its details quote the whole path, cut as one-line
// texts are.
TEST_F(DocumentControllerTest, AnAlertQuotesALongNameOnOneLineAndCut)
{
    const QString longName = QStringLiteral("first\nsecond") + QString(1 << 20, QLatin1Char('n')) + QStringLiteral(".txtdoc");
    const QString oneLine = QStringLiteral("first second") + QString(1 << 20, QLatin1Char('n')) + QStringLiteral(".txtdoc");
    EXPECT_TRUE(controller->openDocumentsWithContentsOfFiles({path(longName)}, true).isEmpty());
    QMessageBox *box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(doctest::quotes(box->text(), QStringLiteral("The document "), oneLine, QStringLiteral(" could not be opened.")));
    EXPECT_TRUE(box->text().contains(QStringLiteral("\u2026\u2069”")));
    EXPECT_LT(box->text().size(), 200);
    expectTextFitsTheLabel(box);
    EXPECT_LE(box->width(), box->screen()->availableGeometry().width());
    answer(box, QMessageBox::Ok);
    EXPECT_TRUE(QTest::qWaitFor([] { return visibleMessageBoxes().isEmpty(); }));

    EXPECT_TRUE(controller->openDocumentsWithContentsOfFiles({path(longName), path(QStringLiteral("absent.txtdoc"))}, true)
                    .isEmpty());
    box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    const QStringList listed = box->informativeText().split(QLatin1Char('\n'));
    ASSERT_EQ(listed.size(), 2);
    EXPECT_TRUE(doctest::quotes(listed.constFirst(), QString(), oneLine, QStringLiteral(": ") + platformText("FileDoesNotExistReason")));
    EXPECT_TRUE(listed.constFirst().contains(QStringLiteral("\u2026\u2069”")));
    const QStringList details = box->detailedText().split(QLatin1Char('\n'));
    ASSERT_EQ(details.size(), 2);
    // “, the isolates, a thousand units and the ellipsis, ”, ": " and the reason.
    EXPECT_LE(details.constFirst().size(), 1 + 1 + 1001 + 1 + 1 + 2 + platformText("FileDoesNotExistReason").size());
    EXPECT_TRUE(details.constFirst().contains(QStringLiteral("\u2026\u2069”")));
    answer(box, QMessageBox::Ok);
    EXPECT_TRUE(QTest::qWaitFor([] { return visibleMessageBoxes().isEmpty(); }));
}

// A right-to-left override left open in a name turns around the name alone: the
// alert isolates it.
TEST_F(DocumentControllerTest, AnOverrideInANameStaysInsideIt)
{
    const QString name = QStringLiteral("txt.\u202Eevil.txtdoc");
    EXPECT_TRUE(controller->openDocumentsWithContentsOfFiles({path(name)}, true).isEmpty());
    QMessageBox *box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QStringLiteral("The document “\u2068%1\u2069” could not be opened.").arg(name));
    answer(box, QMessageBox::Ok);
    EXPECT_TRUE(QTest::qWaitFor([] { return visibleMessageBoxes().isEmpty(); }));
}

TEST_F(DocumentControllerTest, TheCurrentDocumentIsTheOneOfTheActiveWindow)
{
    TextDocument *a = openText(QStringLiteral("a.txtdoc"), "a");
    TextDocument *b = openText(QStringLiteral("b.txtdoc"), "b");
    ASSERT_TRUE(activate(a));
    EXPECT_EQ(controller->currentDocument(), a);
    ASSERT_TRUE(activate(b));
    EXPECT_EQ(controller->currentDocument(), b);

    // A dialog of the window still belongs to the document.
    auto *child = new QDialog(b->mainWindow());
    EXPECT_EQ(controller->documentForWindow(child), b);
    delete child;

    // Actions without target reach the front document, then the controller.
    EXPECT_EQ(platform::targetForAction("saveDocument:"), b);
    EXPECT_EQ(platform::targetForAction("newDocument:"), controller);
    b->setText(QStringLiteral("b2"));
    ASSERT_TRUE(waitEdited(b));
    EXPECT_TRUE(platform::sendAction("saveDocument:", nullptr, nullptr));
    EXPECT_EQ(testsupport::readFile(path(QStringLiteral("b.txtdoc"))), QByteArray("TEXT\nb2"));
    EXPECT_EQ(testsupport::readFile(path(QStringLiteral("a.txtdoc"))), QByteArray("TEXT\na"));
}

TEST_F(DocumentControllerTest, HasEditedDocuments)
{
    TextDocument *doc = openText(QStringLiteral("e.txtdoc"), "e", false);
    EXPECT_FALSE(controller->hasEditedDocuments());
    doc->setText(QStringLiteral("f"));
    ASSERT_TRUE(waitEdited(doc));
    EXPECT_TRUE(controller->hasEditedDocuments());
}

// Recent files ------------------------------------------------------------------------

TEST_F(DocumentControllerTest, RecentFilesAreKeptMostRecentFirstAndBounded)
{
    for (int i = 0; i < 12; ++i)
        controller->noteNewRecentDocumentPath(path(QStringLiteral("f%1.txtdoc").arg(i)));
    QStringList recent = controller->recentDocumentPaths();
    ASSERT_EQ(recent.size(), DocumentController::MaximumRecentDocumentCount);
    EXPECT_EQ(recent.first(), path(QStringLiteral("f11.txtdoc")));
    EXPECT_EQ(recent.last(), path(QStringLiteral("f2.txtdoc")));

    controller->noteNewRecentDocumentPath(path(QStringLiteral("f5.txtdoc")));
    recent = controller->recentDocumentPaths();
    EXPECT_EQ(recent.size(), 10);
    EXPECT_EQ(recent.first(), path(QStringLiteral("f5.txtdoc")));
    EXPECT_EQ(recent.count(path(QStringLiteral("f5.txtdoc"))), 1);

    // Kept in the user defaults file.
    ASSERT_TRUE(defaults->synchronize());
    platform::UserDefaults reread(defaults->filePath());
    EXPECT_EQ(reread.stringArrayForKey(DocumentController::RecentDocumentsKey), recent);

    controller->noteNewRecentDocumentPath(QString());
    EXPECT_EQ(controller->recentDocumentPaths(), recent);
}

TEST_F(DocumentControllerTest, OpeningAFileMakesItRecent)
{
    openText(QStringLiteral("one.txtdoc"), "1", false);
    openText(QStringLiteral("two.txtdoc"), "2", false);
    EXPECT_EQ(controller->recentDocumentPaths(),
              (QStringList{path(QStringLiteral("two.txtdoc")), path(QStringLiteral("one.txtdoc"))}));
}

TEST_F(DocumentControllerTest, TheOpenRecentMenuListsExistingFilesAndCanBeCleared)
{
    ASSERT_TRUE(writeText(path(QStringLiteral("kept.txtdoc")), "k"));
    ASSERT_TRUE(writeText(path(QStringLiteral("Q&A.txtdoc")), "q"));
    QDir().mkpath(path(QStringLiteral("sub")));
    ASSERT_TRUE(writeText(path(QStringLiteral("sub/kept.txtdoc")), "k2"));
    controller->noteNewRecentDocumentPath(path(QStringLiteral("kept.txtdoc")));
    controller->noteNewRecentDocumentPath(path(QStringLiteral("gone.txtdoc")));
    controller->noteNewRecentDocumentPath(path(QStringLiteral("Q&A.txtdoc")));
    controller->noteNewRecentDocumentPath(path(QStringLiteral("sub/kept.txtdoc")));

    QMenu recentMenu;
    controller->attachOpenRecentMenu(&recentMenu);
    QList<QAction *> items = recentMenu.actions();
    ASSERT_EQ(items.size(), 5); // three files, separator, Clear Menu
    EXPECT_EQ(items[0]->text(), QStringLiteral("kept.txtdoc — ") + QDir::toNativeSeparators(path(QStringLiteral("sub"))));
    EXPECT_EQ(items[1]->text(), QStringLiteral("Q&&A.txtdoc"));
    EXPECT_EQ(menu::representedObject(items[2]).toString(), path(QStringLiteral("kept.txtdoc")));
    EXPECT_TRUE(items[3]->isSeparator());
    EXPECT_EQ(items[4]->text(), QStringLiteral("Clear Menu"));
    EXPECT_TRUE(items[4]->isEnabled());
    EXPECT_FALSE(controller->recentDocumentPaths().contains(path(QStringLiteral("gone.txtdoc"))))
        << "missing files leave the list when the menu is built";

    // Choosing an entry opens the file.
    items[1]->trigger();
    ASSERT_EQ(controller->documents().size(), 1);
    EXPECT_EQ(controller->documents().constFirst()->filePath(), path(QStringLiteral("Q&A.txtdoc")));

    // Clear Menu empties the list; the rebuilt menu has only a disabled Clear Menu.
    QSignalSpy changed(controller, &DocumentController::recentDocumentsChanged);
    items[4]->trigger();
    EXPECT_TRUE(controller->recentDocumentPaths().isEmpty());
    EXPECT_EQ(changed.count(), 1);
    controller->fillOpenRecentMenu(&recentMenu);
    items = recentMenu.actions();
    ASSERT_EQ(items.size(), 1);
    EXPECT_FALSE(items[0]->isEnabled());
}

TEST_F(DocumentControllerTest, ARecentFileThatVanishedIsReportedAndDropped)
{
    ASSERT_TRUE(writeText(path(QStringLiteral("soon.txtdoc")), "s"));
    controller->noteNewRecentDocumentPath(path(QStringLiteral("soon.txtdoc")));
    QMenu recentMenu;
    controller->fillOpenRecentMenu(&recentMenu);
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("soon.txtdoc"))));
    recentMenu.actions().constFirst()->trigger();
    QMessageBox *box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    answer(box, QMessageBox::Ok);
    EXPECT_TRUE(controller->recentDocumentPaths().isEmpty());
    EXPECT_TRUE(controller->documents().isEmpty());
}

// Closing and quitting ----------------------------------------------------------------

TEST_F(DocumentControllerTest, ReviewAsksEachEditedDocumentAndCancelStops)
{
    TextDocument *a = openText(QStringLiteral("ra.txtdoc"), "a");
    TextDocument *b = openText(QStringLiteral("rb.txtdoc"), "b");
    TextDocument *clean = openText(QStringLiteral("rc.txtdoc"), "c");
    ASSERT_TRUE(activate(a));
    a->setText(QStringLiteral("a2"));
    b->setText(QStringLiteral("b2"));
    ASSERT_TRUE(waitEdited(a) && waitEdited(b));

    int calls = 0;
    bool mayTerminate = true;
    auto handler = [&](bool ok) {
        ++calls;
        mayTerminate = ok;
    };
    controller->reviewUnsavedDocuments(handler);
    QMessageBox *box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains(QStringLiteral("“\u2068ra.txtdoc\u2069”"))) << "the front document comes first";
    answer(box, QMessageBox::Cancel);
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }));
    EXPECT_FALSE(mayTerminate);
    EXPECT_EQ(controller->documents().size(), 3);

    controller->reviewUnsavedDocuments(handler);
    answer(waitForMessageBox(), QMessageBox::Discard);
    box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains(QStringLiteral("“\u2068rb.txtdoc\u2069”")));
    answer(box, QMessageBox::Save);
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 2; }));
    EXPECT_TRUE(mayTerminate);
    drainEvents();
    EXPECT_EQ(controller->documents(), QList<Document *>{clean}) << "reviewed documents close; clean ones stay";
    EXPECT_EQ(testsupport::readFile(path(QStringLiteral("ra.txtdoc"))), QByteArray("TEXT\na"));
    EXPECT_EQ(testsupport::readFile(path(QStringLiteral("rb.txtdoc"))), QByteArray("TEXT\nb2"));
}

TEST_F(DocumentControllerTest, ReviewWithNothingEditedAnswersYesOnce)
{
    openText(QStringLiteral("n.txtdoc"), "n", false);
    int calls = 0;
    bool result = false;
    controller->reviewUnsavedDocuments([&](bool ok) {
        ++calls;
        result = ok;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }));
    drainEvents();
    EXPECT_EQ(calls, 1);
    EXPECT_TRUE(result);
    EXPECT_TRUE(visibleMessageBoxes().isEmpty());
}

TEST_F(DocumentControllerTest, CloseAllClosesCleanDocumentsAndAsksAboutEditedOnes)
{
    QPointer<TextDocument> clean = openText(QStringLiteral("c1.txtdoc"), "1");
    QPointer<TextDocument> edited = openText(QStringLiteral("c2.txtdoc"), "2");
    ASSERT_TRUE(activate(edited));
    edited->setText(QStringLiteral("22"));
    ASSERT_TRUE(waitEdited(edited));
    bool done = false, result = true;
    controller->closeAllDocuments([&](bool ok) {
        done = true;
        result = ok;
    });
    answer(waitForMessageBox(), QMessageBox::Cancel);
    ASSERT_TRUE(QTest::qWaitFor([&] { return done; }));
    EXPECT_FALSE(result);
    drainEvents();
    EXPECT_TRUE(clean.isNull());
    ASSERT_FALSE(edited.isNull());
    EXPECT_EQ(controller->documents().size(), 1);
}

namespace {
class RefusingController : public DocumentController
{
public:
    using DocumentController::DocumentController;
    bool refuse = true;
    bool applicationShouldTerminate() override { return !refuse; }
};
} // namespace

TEST_F(DocumentControllerTest, TerminateReviewsUnsavedDocumentsUnlessRefused)
{
    auto *app = new RefusingController;
    app->setUserDefaults(defaults.get());
    app->addDocumentType(textType());
    DocumentController::setSharedDocumentController(app);
    QPointer<Document> doc = app->openUntitledDocument(true);
    auto *text = qobject_cast<TextDocument *>(doc.data());
    ASSERT_TRUE(activate(text));
    text->setText(QStringLiteral("x"));
    ASSERT_TRUE(waitEdited(text));
    QSignalSpy willTerminate(app, &DocumentController::willTerminate);

    app->terminate(nullptr);
    drainEvents();
    EXPECT_TRUE(visibleMessageBoxes().isEmpty()) << "the application refused to quit";

    app->refuse = false;
    QMenuBar bar;
    auto *menus = new platform::StandardMenus(&bar, app);
    menus->quitItem()->trigger();
    answer(waitForMessageBox(), QMessageBox::Discard);
    ASSERT_TRUE(willTerminate.wait(2000) || willTerminate.count() == 1);
    drainEvents();
    EXPECT_TRUE(doc.isNull());
    DocumentController::setSharedDocumentController(controller);
    delete app;
}

TEST_F(DocumentControllerTest, TheOpenDialogOpensTheChosenFile)
{
    ASSERT_TRUE(writeText(path(QStringLiteral("pick.txtdoc")), "picked"));
    controller->openDocument(nullptr);
    QFileDialog *dialog = waitForFileDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(dialog->fileMode(), QFileDialog::ExistingFiles);
    EXPECT_EQ(dialog->nameFilters(), controller->fileDialogFilters());
    auto *nameField = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(nameField, nullptr);
    nameField->setText(path(QStringLiteral("pick.txtdoc")));
    QMetaObject::invokeMethod(dialog, "accept");
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller->documents().size() == 1; }));
    auto *doc = qobject_cast<TextDocument *>(controller->documents().constFirst());
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(doc->text(), QStringLiteral("picked"));
    EXPECT_TRUE(doc->mainWindow()->isVisible());
}

namespace {
// Records when the quit went ahead, and what the documents held then.
class QuittingController : public DocumentController
{
public:
    using DocumentController::DocumentController;
    void terminationWillProceed() override
    {
        ++proceeded;
        for (Document *document : documents())
            editedWhenProceeding.append(document->isDocumentEdited());
    }
    int proceeded = 0;
    QList<bool> editedWhenProceeding;
};
} // namespace

TEST_F(DocumentControllerTest, QuittingAsksEveryQuestionFirstAndCancelChangesNothing)
{
    auto *app = new QuittingController;
    app->setUserDefaults(defaults.get());
    app->addDocumentType(textType());
    DocumentController::setSharedDocumentController(app);
    ASSERT_TRUE(writeText(path(QStringLiteral("first.txtdoc")), "first"));
    ASSERT_TRUE(writeText(path(QStringLiteral("second.txtdoc")), "second"));
    QPointer<TextDocument> first =
        qobject_cast<TextDocument *>(app->openDocumentWithContentsOfFile(path(QStringLiteral("first.txtdoc")), true));
    QPointer<TextDocument> second =
        qobject_cast<TextDocument *>(app->openDocumentWithContentsOfFile(path(QStringLiteral("second.txtdoc")), true));
    ASSERT_TRUE(first && second);
    first->setText(QStringLiteral("first changed"));
    second->setText(QStringLiteral("second changed"));
    ASSERT_TRUE(waitEdited(first) && waitEdited(second));
    ASSERT_TRUE(activate(first));
    QSignalSpy willTerminate(app, &DocumentController::willTerminate);

    // Save for the first, Cancel for the second: nothing is saved, nothing closes.
    app->terminate(nullptr);
    answer(waitForMessageBox(), QMessageBox::Save);
    QMessageBox *box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->parentWidget(), second->mainWindow());
    EXPECT_EQ(testsupport::readFile(path(QStringLiteral("first.txtdoc"))), QByteArray("TEXT\nfirst"))
        << "nothing is saved before every question was answered";
    answer(box, QMessageBox::Cancel);
    drainEvents();
    EXPECT_EQ(app->proceeded, 0);
    EXPECT_EQ(willTerminate.count(), 0);
    EXPECT_EQ(app->documents().size(), 2);
    EXPECT_TRUE(first->isDocumentEdited() && second->isDocumentEdited());
    EXPECT_EQ(testsupport::readFile(path(QStringLiteral("first.txtdoc"))), QByteArray("TEXT\nfirst"));

    // Again, without cancelling: the quit goes ahead before the chosen file is saved,
    // and the one not to save is left as it was.
    ASSERT_TRUE(activate(first));
    app->terminate(nullptr);
    answer(waitForMessageBox(), QMessageBox::Save);
    answer(waitForMessageBox(), QMessageBox::Discard);
    ASSERT_TRUE(willTerminate.wait(5000) || willTerminate.count() == 1);
    EXPECT_EQ(app->proceeded, 1);
    EXPECT_EQ(app->editedWhenProceeding, (QList<bool>{true, true}));
    EXPECT_EQ(testsupport::readFile(path(QStringLiteral("first.txtdoc"))), QByteArray("TEXT\nfirst changed"));
    EXPECT_EQ(testsupport::readFile(path(QStringLiteral("second.txtdoc"))), QByteArray("TEXT\nsecond"));
    drainEvents();
    EXPECT_TRUE(first.isNull() && second.isNull());
    DocumentController::setSharedDocumentController(controller);
    delete app;
}

TEST_F(DocumentControllerTest, AnUntouchedUntitledDocumentGivesWayToTheFileOpened)
{
    ASSERT_TRUE(writeText(path(QStringLiteral("a.txtdoc")), "a"));
    ASSERT_TRUE(writeText(path(QStringLiteral("b.txtdoc")), "b"));
    ASSERT_TRUE(writeText(path(QStringLiteral("c.txtdoc")), "c"));
    QPointer<Document> untitled = controller->openUntitledDocument(true);
    ASSERT_TRUE(untitled && untitled->isUntouched());
    Document *a = controller->openDocumentWithContentsOfFile(path(QStringLiteral("a.txtdoc")), true);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(controller->documents(), QList<Document *>{a});
    drainEvents();
    EXPECT_TRUE(untitled.isNull());
    EXPECT_FALSE(a->isUntouched()) << "a document with a file is never replaced";

    // Beside another document, an untouched "Untitled" stays.
    QPointer<Document> beside = controller->openUntitledDocument(true);
    Document *b = controller->openDocumentWithContentsOfFile(path(QStringLiteral("b.txtdoc")), true);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(controller->documents().size(), 3);
    EXPECT_FALSE(beside.isNull());
    a->close();
    b->close();
    drainEvents();

    // One that was changed stays, also when the change was undone.
    auto *changed = qobject_cast<TextDocument *>(beside.data());
    ASSERT_NE(changed, nullptr);
    changed->setText(QStringLiteral("typed"));
    ASSERT_TRUE(waitEdited(changed));
    changed->updateChangeCount(Document::ChangeType::Cleared);
    EXPECT_FALSE(changed->isDocumentEdited());
    EXPECT_FALSE(changed->isUntouched());
    Document *c = controller->openDocumentWithContentsOfFile(path(QStringLiteral("c.txtdoc")), true);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(controller->documents().size(), 2);
    EXPECT_FALSE(beside.isNull());

    // A failed open replaces nothing.
    c->close();
    changed->close();
    drainEvents();
    QPointer<Document> fresh = controller->openUntitledDocument(true);
    EXPECT_EQ(controller->openDocumentWithContentsOfFile(path(QStringLiteral("absent.txtdoc")), true), nullptr);
    answer(waitForMessageBox(), QMessageBox::Ok);
    EXPECT_EQ(controller->documents(), QList<Document *>{fresh.data()});
}

TEST_F(DocumentControllerTest, AnAlertAboutAFileWaitsForTheWindowsOpenedWithIt)
{
    ASSERT_TRUE(writeText(path(QStringLiteral("fine.txtdoc")), "fine"));
    ASSERT_TRUE(testsupport::writeFile(path(QStringLiteral("bad.txtdoc")), "not text"));
    EXPECT_EQ(controller->openDocumentWithContentsOfFile(path(QStringLiteral("bad.txtdoc")), true), nullptr);
    Document *fine = controller->openDocumentWithContentsOfFile(path(QStringLiteral("fine.txtdoc")), true);
    ASSERT_NE(fine, nullptr);
    EXPECT_TRUE(visibleMessageBoxes().isEmpty()) << "not while the burst still opens windows";
    QMessageBox *box = waitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->parentWidget(), nullptr) << "above every window, not a sheet of one";
    EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
    EXPECT_TRUE(fine->mainWindow()->isVisible());
    answer(box, QMessageBox::Ok);
}
