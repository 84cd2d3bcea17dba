// Reading and writing documents through the document machinery, and the window
// state kept in the file.
#include "tests/application/document/TestMyDocumentSupport.h"

#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentReadAhead.h"
#include "application/document/DocumentTotals.h"
#include "application/document/OutlineColumns.h"
#include "FoundationExtensions/NTXNSTextStorageExtensions.h"
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorText.h"
#include "platform/foundation/UndoManager.h"
#include "tests/support/WriteGate.h"

#include <QDockWidget>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScopeGuard>
#include <QScreen>
#include <QLabel>
#include <QLocale>
#include <QStandardItemModel>
#include <QThread>
#include <atomic>
#include <csignal>
#include <initializer_list>
#include <utility>
#include <sys/resource.h>
#include <unistd.h>

using namespace mydoctest;

namespace {

const QString StoredStateDocument = QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<Chronark version="2.0">
  <document createDate="2024-03-04 08:00:00 +0100" lastDate="2024-03-04 08:00:00 +0100" itemName="" hours="0" minutes="0" colorLabelType="0" active="no" executed="no" description="" turnover="0.000000" wage="0.000000">
    <jobEntry createDate="2024-03-04 08:00:00 +0100" lastDate="2024-03-04 08:00:00 +0100" itemName="Website" hours="0" minutes="0" colorLabelType="3" active="yes" executed="no" description="" turnover="0.000000" wage="60.000000">
      <dayEntry createDate="2024-03-04 00:00:00 +0100" lastDate="2024-03-04 00:00:00 +0100" itemName="Monday 04.03.2024" hours="0" minutes="0" colorLabelType="0" active="no" executed="no" description="" turnover="0.000000" wage="60.000000">
        <timeEntry createDate="2024-03-04 09:00:00 +0100" lastDate="2024-03-04 10:30:00 +0100" itemName="09:00:00 ... 10:30:00" hours="0" minutes="0" colorLabelType="0" active="no" executed="no" description="" turnover="90.000000" wage="60.000000"/>
      </dayEntry>
    </jobEntry>
  </document>
  <documentValues source="mac" available="yes" windowFrame="{{12, 30}, {640, 420}}" descriptVisible="no" drawerVisible="yes">
    <tableColumnArray>
      <tableColumnData width="120.000000" identifier="outlineTime"/>
      <tableColumnData width="75.000000" identifier="noSuchColumn"/>
      <tableColumnData width="250.000000" identifier="outlineName"/>
      <tableColumnData width="30.000000" identifier="outlineStatus"/>
      <tableColumnData width="140.000000" identifier="outlineTurnover"/>
    </tableColumnArray>
  </documentValues>
</Chronark>
)");

QStringList visualIdentifiers(const QHeaderView *header)
{
    QStringList identifiers;
    for (int visual = 0; visual < header->count(); ++visual)
        identifiers << OutlineColumns::columnIdentifier(header, header->logicalIndex(visual));
    return identifiers;
}

int widthOf(const QHeaderView *header, const QString &identifier)
{
    return header->sectionSize(OutlineColumns::logicalIndexForColumnIdentifier(header, identifier));
}

// A document that lets the test act in the pass in which a revert's read of the file
// completes, just before the document looks at what was read.
class ReadHookDocument : public MyDocument
{
public:
    using MyDocument::MyDocument;
    std::function<void()> whenRead;

protected:
    void readFileAhead(const QString &path, const QString &typeName, std::function<void()> ready) override
    {
        MyDocument::readFileAhead(path, typeName, [this, ready = std::move(ready)] {
            if (const std::function<void()> act = std::exchange(whenRead, {}))
                act();
            ready();
        });
    }
};

} // namespace

class MyDocumentFileTest : public MyDocumentFixture
{
};

// Changes made while the reverted file is read are not part of the answer given
// before: text typed into a field in the pass in which the read completes, left with
// Tab or still open there (not yet an undo step), and an undo followed by a rename in
// earlier passes, which brings the undo count back to where it was. The question comes
// again each time, and Cancel keeps the change.
TEST_F(MyDocumentFileTest, TextTypedAsTheRevertsReadCompletesIsAskedAboutAgain)
{
    DocumentReadAhead ahead;
    services->readAhead = &ahead;
    const auto noReadAhead = qScopeGuard([this] { services->readAhead = nullptr; });
    controller->addDocumentType(platform::DocumentType(
        MyDocument::TypeName, {MyDocument::FileExtension}, MyDocument::MimeType,
        [services = services](QObject *parent) -> platform::Document * { return new ReadHookDocument(parent, services); }));
    enum class During { TypedAndLeft, TypedAndOpen, UndoAndRename };
    for (const During during : {During::TypedAndLeft, During::TypedAndOpen, During::UndoAndRename}) {
        SCOPED_TRACE(int(during));
        const QString file = path(QStringLiteral("revert-typing-%1.chronark").arg(int(during)));
        ASSERT_TRUE(testsupport::writeFile(file, StoredStateDocument.toUtf8()));
        auto *document = dynamic_cast<ReadHookDocument *>(controller->openDocumentWithContentsOfFile(file, true));
        ASSERT_NE(document, nullptr);
        const NodePtr job = document->jobList()->childAtIndex(0);
        document->edits().setExecutedForNodeTree(true, job);
        drainEvents();
        select(document, {job});
        NTXTextViewInspector *inspector = document->textViewInspector();
        ASSERT_NE(inspector, nullptr);
        ASSERT_TRUE(inspector->isVisible());

        bool acted = false;
        document->whenRead = [&] {
            if (during == During::UndoAndRename) {
                // The executed mark undone and a rename made, each its own step, closed
                // before the read ends: the undo count is where it was at the answer.
                const qint64 count = document->undoManager()->changeCount();
                document->undo(nullptr);
                document->edits().setNameForNode(QStringLiteral("renamed late"), job);
                EXPECT_TRUE(QTest::qWaitFor([&] { return document->undoManager()->groupingLevel() == 0; }));
                EXPECT_EQ(document->undoManager()->changeCount(), count);
                acted = true;
                return;
            }
            // The description typed as a person does, left with Tab or not.
            const platform::Range field = NTXNSTextStorageExtensions::rangeForAttribute(
                *inspector->document(), NTXTextViewInspectorText::PlaceholderProperty,
                inspector->charRangeOfField(inspector->fieldWithIdentifier(QStringLiteral("descrField")).get()));
            inspector->setFocus();
            inspector->setSelectedRange(field);
            QTest::keyClicks(inspector, QStringLiteral("typed late"));
            if (during == During::TypedAndLeft)
                QTest::keyClick(inspector, Qt::Key_Tab);
            acted = true;
        };
        document->revertDocumentToSaved(nullptr);
        clickButton(waitForMessageBox(document->mainWindow()), QStringLiteral("Revert"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return acted && !document->isRevertReading(); }, 20000));
        // The question again, for everything a revert would drop now.
        QMessageBox *again = waitForMessageBox(document->mainWindow());
        ASSERT_NE(again, nullptr) << "reverted without asking about the change made meanwhile";
        clickButton(again, QStringLiteral("Cancel"));
        drainEvents();
        EXPECT_EQ(document->jobList()->childAtIndex(0), job);
        if (during == During::UndoAndRename) {
            EXPECT_EQ(job->itemName(), QStringLiteral("renamed late"));
            EXPECT_FALSE(job->executed());
        } else {
            EXPECT_EQ(job->descript(), QStringLiteral("typed late"));
        }
        EXPECT_TRUE(document->isDocumentEdited());
        EXPECT_TRUE(ahead.take(file).isEmpty());
        document->close();
        drainEvents();
    }
}

TEST_F(MyDocumentFileTest, StoredDrawerFrameAndColumnsApplyAtLoad)
{
    const QString file = path(QStringLiteral("stored.chronark"));
    ASSERT_TRUE(testsupport::writeFile(file, StoredStateDocument.toUtf8()));
    ProbeDocument *document = openDocument(file);
    ASSERT_NE(document, nullptr);
    DocumentWindow *window = document->documentWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->windowDrawer()->isHidden());
    // The stored frame is the window's without the inspector, which opens beside the
    // outline: the window grows by its width as far as the screen has room.
    EXPECT_EQ(window->frameWithoutDrawer(), QRect(QPoint(12, 30), QSize(640, 420)));
    EXPECT_GT(window->drawerGrowth(), 0);
    EXPECT_EQ(window->size(), QSize(640 + window->drawerGrowth(), 420));
    EXPECT_EQ(window->pos(), QPoint(12 - window->drawerShift(), 30));

    QHeaderView *header = outline(document)->header();
    EXPECT_EQ(visualIdentifiers(header), (QStringList{QStringLiteral("outlineTime"), QStringLiteral("outlineName"),
                                                      QStringLiteral("outlineStatus"), QStringLiteral("outlineTurnover")}));
    EXPECT_EQ(widthOf(header, QStringLiteral("outlineTime")), 120);
    EXPECT_EQ(widthOf(header, QStringLiteral("outlineName")), 250);
    EXPECT_EQ(widthOf(header, QStringLiteral("outlineStatus")), 30);
    // The totals header starts out like the outline.
    QHeaderView *totals = document->tableHeaderView();
    ASSERT_NE(totals, nullptr);
    EXPECT_EQ(visualIdentifiers(totals), visualIdentifiers(header));
    EXPECT_EQ(widthOf(totals, QStringLiteral("outlineName")), 250);

    // The tree: sums recomputed from the entry, the active job named.
    EXPECT_EQ(totalText(document, QStringLiteral("outlineTime")), QStringLiteral("1:30"));
    EXPECT_EQ(window->activedJob()->text(), platform::localized(QStringLiteral("LSactiveJob")) + QStringLiteral(": Website"));
    EXPECT_EQ(document->jobList()->childAtIndex(0)->colorLabel(), 3);
    EXPECT_NE(dynamic_cast<DocumentTreeReports *>(document->jobList()->delegate()), nullptr);
    EXPECT_FALSE(document->isDocumentEdited());
}

TEST_F(MyDocumentFileTest, FileWithoutStoredStateKeepsTheWindowsOwn)
{
    ProbeDocument *fresh = newDocument();
    const QSize defaultSize = fresh->documentWindow()->size();
    const QStringList defaultOrder = visualIdentifiers(outline(fresh)->header());
    const int defaultNameWidth = widthOf(outline(fresh)->header(), QStringLiteral("outlineName"));

    const QString file = path(QStringLiteral("plain.chronark"));
    QString xml = StoredStateDocument;
    xml.remove(QRegularExpression(QStringLiteral("<documentValues.*</documentValues>\\s*"),
                                  QRegularExpression::DotMatchesEverythingOption));
    ASSERT_TRUE(testsupport::writeFile(file, xml.toUtf8()));
    ProbeDocument *document = openDocument(file);
    ASSERT_NE(document, nullptr);
    EXPECT_FALSE(document->docValues().available());
    EXPECT_TRUE(document->documentWindow()->windowDrawer()->isHidden());
    EXPECT_EQ(document->documentWindow()->size(), defaultSize);
    EXPECT_EQ(visualIdentifiers(outline(document)->header()), defaultOrder);
    EXPECT_EQ(widthOf(outline(document)->header(), QStringLiteral("outlineName")), defaultNameWidth);
    EXPECT_EQ(defaultOrder.constFirst(), QStringLiteral("outlineStatus"));
}

TEST_F(MyDocumentFileTest, UnusableStoredFrameAndWidthsAreNotApplied)
{
    QString xml = StoredStateDocument;
    xml.replace(QStringLiteral("{{12, 30}, {640, 420}}"), QStringLiteral("{{-90000, 5}, {3, 1e30}}"));
    xml.replace(QStringLiteral("width=\"250.000000\""), QStringLiteral("width=\"-4\""));
    const QString file = path(QStringLiteral("odd.chronark"));
    ASSERT_TRUE(testsupport::writeFile(file, xml.toUtf8()));
    ProbeDocument *fresh = newDocument();
    const QSize defaultSize = fresh->documentWindow()->size();
    const int defaultNameWidth = widthOf(outline(fresh)->header(), QStringLiteral("outlineName"));
    ProbeDocument *document = openDocument(file);
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->documentWindow()->frameWithoutDrawer().size(), defaultSize);
    EXPECT_EQ(widthOf(outline(document)->header(), QStringLiteral("outlineName")), defaultNameWidth);
    EXPECT_EQ(visualIdentifiers(outline(document)->header()).constFirst(), QStringLiteral("outlineTime"));
}

// A frame saved on a larger screen (or at a smaller scale factor) comes back whole
// on this one: shrunk to its available area and moved inside it.
TEST_F(MyDocumentFileTest, AStoredFrameLargerThanTheScreenIsFittedToIt)
{
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QString frameText = QStringLiteral("{{%1, %2}, {%3, %4}}")
                                  .arg(area.right() - 100)
                                  .arg(area.top() + 40)
                                  .arg(area.width() + 1000)
                                  .arg(area.height() + 700);
    QString xml = StoredStateDocument;
    xml.replace(QStringLiteral("{{12, 30}, {640, 420}}"), frameText);
    const QString file = path(QStringLiteral("large.chronark"));
    ASSERT_TRUE(testsupport::writeFile(file, xml.toUtf8()));
    ProbeDocument *document = openDocument(file);
    ASSERT_NE(document, nullptr);
    const QRect frame(document->documentWindow()->pos(), document->documentWindow()->size());
    EXPECT_TRUE(area.contains(frame)) << frame.x() << "," << frame.y() << " " << frame.width() << "x" << frame.height();
    EXPECT_EQ(frame.size(), area.size().expandedTo(document->documentWindow()->minimumSize()));
}

TEST_F(MyDocumentFileTest, ColumnResizeAndMoveAreMirroredInTheTotalsHeader)
{
    ProbeDocument *document = newDocument(true);
    fill(document, {makeJob(QStringLiteral("A"), 60, {{8, 30}})});
    QHeaderView *header = outline(document)->header();
    QHeaderView *totals = document->tableHeaderView();
    ASSERT_NE(totals, nullptr);
    // Room for every width given below: none has to give any up to the name.
    header->resizeSection(OutlineColumns::logicalIndexForColumnIdentifier(header, QStringLiteral("outlineName")), 150);
    const int timeColumn = OutlineColumns::logicalIndexForColumnIdentifier(header, QStringLiteral("outlineTime"));
    header->resizeSection(timeColumn, 177);
    EXPECT_EQ(widthOf(totals, QStringLiteral("outlineTime")), 177);
    header->moveSection(header->visualIndex(timeColumn), 0);
    EXPECT_EQ(visualIdentifiers(totals), visualIdentifiers(header));
    header->moveSection(3, 1);
    EXPECT_EQ(visualIdentifiers(totals), visualIdentifiers(header));
    for (const QString &identifier : DocumentOutlineModel::standardColumnIdentifiers())
        EXPECT_EQ(widthOf(totals, identifier), widthOf(header, identifier)) << identifier.toStdString();
    // Every column follows, the first and the last as well (the name column takes what
    // room the others leave, and the totals follow it there too).
    int width = 101;
    for (const QString &identifier : DocumentOutlineModel::standardColumnIdentifiers()) {
        header->resizeSection(OutlineColumns::logicalIndexForColumnIdentifier(header, identifier), width);
        if (identifier != QLatin1String("outlineName")) {
            EXPECT_EQ(widthOf(header, identifier), width) << identifier.toStdString();
        }
        EXPECT_EQ(widthOf(totals, identifier), widthOf(header, identifier)) << identifier.toStdString();
        width += 7;
    }
    // A move from or to a place the totals do not have leaves them as they are.
    const QStringList order = visualIdentifiers(totals);
    const int count = totals->count();
    for (const auto &[from, to] : std::initializer_list<std::pair<int, int>>{{-1, 0}, {0, -1}, {count, 0}, {0, count}}) {
        document->outlineViewColumnDidMove({{QStringLiteral("NSOldColumn"), from}, {QStringLiteral("NSNewColumn"), to}});
        EXPECT_EQ(visualIdentifiers(totals), order) << from << " to " << to;
    }
    // Columns copied from no outline: none.
    DocumentTotals::copyColumnsFromTableView(nullptr, totals);
    EXPECT_EQ(visualIdentifiers(totals), order);
    // The totals stay in their columns after the move.
    EXPECT_EQ(totalText(document, QStringLiteral("outlineTime")), QStringLiteral("0:30"));
    // The user cannot reorder or resize the totals.
    EXPECT_FALSE(totals->sectionsMovable());
    EXPECT_EQ(totals->sectionResizeMode(0), QHeaderView::Fixed);
}

TEST_F(MyDocumentFileTest, OpenEditSaveAndReopenThroughTheMachinery)
{
    const QString file = path(QStringLiteral("round.chronark"));
    ASSERT_TRUE(testsupport::writeFile(file, StoredStateDocument.toUtf8()));
    ProbeDocument *document = openDocument(file, true);
    ASSERT_NE(document, nullptr);
    const NodePtr job = document->jobList()->childAtIndex(0);
    NodePtr second = makeJob(QStringLiteral("Second"), 20, {{14, 60}});
    document->addNode(second, document->jobList(), 1);
    document->doUndoSetActiveJob(second);
    document->setColorLabelType(6, job);
    EXPECT_TRUE(QTest::qWaitFor([document] { return document->isDocumentEdited(); }));
    // The window state goes into the file too.
    document->toggleDrawer(nullptr);
    QHeaderView *header = outline(document)->header();
    header->resizeSection(OutlineColumns::logicalIndexForColumnIdentifier(header, QStringLiteral("outlineName")), 222);
    document->saveDocument(nullptr);
    // Written in the background: clean once the file is.
    EXPECT_TRUE(QTest::qWaitFor([document] { return !document->isDocumentEdited(); }, 20000));
    document->close();
    drainEvents();

    ProbeDocument *again = openDocument(file);
    ASSERT_NE(again, nullptr);
    ASSERT_EQ(again->jobList()->childrenCount(), 2);
    EXPECT_EQ(again->jobList()->childAtIndex(1)->itemName(), QStringLiteral("Second"));
    EXPECT_EQ(again->getActiveJob()->itemName(), QStringLiteral("Second"));
    EXPECT_EQ(again->jobList()->childAtIndex(0)->colorLabel(), 6);
    EXPECT_EQ(totalText(again, QStringLiteral("outlineTime")), QStringLiteral("2:30"));
    EXPECT_TRUE(again->docValues().available());
    EXPECT_FALSE(again->docValues().drawerVisible());
    EXPECT_TRUE(again->documentWindow()->windowDrawer()->isHidden());
    EXPECT_EQ(widthOf(outline(again)->header(), QStringLiteral("outlineName")), 222);
    EXPECT_EQ(visualIdentifiers(outline(again)->header()).constFirst(), QStringLiteral("outlineTime"));
}

// The sums a person reads keep their cents: 200 jobs of 416:40 at 50 (20,833.33 each)
// add up to 4,166,666.67 in the totals row, the group's row and the selection's
// turnover, before the save and after the file is read back; the file keeps each
// node's turnover in its single-precision text.
TEST_F(MyDocumentFileTest, LargeSumsKeepTheirCentsThroughTheFile)
{
    const QString file = path(QStringLiteral("sums.chronark"));
    ProbeDocument *document = newDocument(true);
    NodePtr group = makeNode(Node::Group, QStringLiteral("Clients"));
    for (int j = 0; j < 200; ++j)
        group->addChild(makeJob(QStringLiteral("Job %1").arg(j), 50.0f, {{0, 25000}}));
    group->recalcWorkTimeForTree();
    fill(document, {group});
    const QString expected = QLocale().toCurrencyString(4166666.67);
    const QString jobText = DocumentFileFormat::formatFloat(group->childAtIndex(0)->turnover());
    const auto expectSums = [&](ProbeDocument *shown) {
        const NodePtr shownGroup = shown->jobList()->childAtIndex(0);
        ASSERT_NE(shownGroup, nullptr);
        EXPECT_EQ(totalText(shown, QStringLiteral("outlineTurnover")), expected);
        const int column = shown->outlineModel()->columnForIdentifier(QStringLiteral("outlineTurnover"));
        EXPECT_EQ(indexOf(shown, shownGroup).siblingAtColumn(column).data().toString(),
                  QLocale().toCurrencyString(4166666.67));
        EXPECT_EQ(indexOf(shown, shownGroup->childAtIndex(7)).siblingAtColumn(column).data().toString(),
                  QLocale().toCurrencyString(20833.33));
        select(shown, {shownGroup});
        EXPECT_EQ(shown->selectedNodeWage(), expected);
        EXPECT_EQ(shown->selectedNodeWorkTime(), QStringLiteral("83333:20"));
    };
    expectSums(document);
    ASSERT_TRUE(document->saveToFile(file, MyDocument::TypeName, platform::Document::SaveOperation::SaveAs));
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(written.readAll());
    EXPECT_EQ(jobText, QStringLiteral("20833.333984"));
    // Each job, its day and its time entry.
    EXPECT_EQ(text.count(QStringLiteral("turnover=\"%1\"").arg(jobText)), 600);
    document->close();
    drainEvents();
    ProbeDocument *again = openDocument(file, true);
    ASSERT_NE(again, nullptr);
    expectSums(again);
}

TEST_F(MyDocumentFileTest, RevertReplacesTheTreeAndRefreshesTheWindow)
{
    const QString file = path(QStringLiteral("revert.chronark"));
    ASSERT_TRUE(testsupport::writeFile(file, StoredStateDocument.toUtf8()));
    int rebuilds = 0;
    services->menuRebuilder = [&rebuilds] { ++rebuilds; };
    ProbeDocument *document = openDocument(file);
    ASSERT_NE(document, nullptr);
    const int afterOpen = rebuilds;
    const NodePtr oldRoot = document->jobList();
    document->addNode(makeJob(QStringLiteral("Extra"), 1, {{15, 45}}), oldRoot, 0);
    EXPECT_EQ(totalText(document, QStringLiteral("outlineTime")), QStringLiteral("1:30")) << "updateUI not called yet";
    document->updateUI();
    EXPECT_EQ(totalText(document, QStringLiteral("outlineTime")), QStringLiteral("2:15"));
    QString reason;
    ASSERT_TRUE(document->revertToSaved(&reason)) << reason.toStdString();
    EXPECT_NE(document->jobList(), oldRoot);
    EXPECT_EQ(oldRoot->delegate(), nullptr);
    EXPECT_EQ(document->outlineModel()->rowCount(), 1);
    EXPECT_EQ(totalText(document, QStringLiteral("outlineTime")), QStringLiteral("1:30"));
    EXPECT_EQ(rebuilds, afterOpen + 1);
}

// Revert to Saved reads the file on a pool thread, through the read-ahead that opens
// files, and takes the tree read there. A
// file that became damaged is refused with the revert's alert and leaves the document
// as it was: its tree, its edited mark and its undo history. A document closed while
// its file is read keeps nothing of the read.
TEST_F(MyDocumentFileTest, RevertReadsTheFileOnAPoolThreadAndARefusalLeavesTheDocumentAsItWas)
{
    DocumentReadAhead ahead;
    services->readAhead = &ahead;
    std::atomic<QThread *> readOn{nullptr};
    auto gate = std::make_shared<testsupport::WriteGate>();
    ahead.setReader([&readOn, gate](QFile &file, DocumentFileFormat::ReadResult &out) {
        readOn = QThread::currentThread();
        gate->pass();
        return DocumentFileFormat::readFromOpenFile(file, out);
    });
    const QString file = path(QStringLiteral("revert-ahead.chronark"));
    ASSERT_TRUE(testsupport::writeFile(file, StoredStateDocument.toUtf8()));
    ProbeDocument *document = openDocument(file, true);
    ASSERT_NE(document, nullptr);
    const QByteArray saved = DocumentFileFormat::toXmlData(*document->jobList(), document->docValues());
    const auto editAndRevert = [&] {
        document->edits().setExecutedForNodeTree(true, document->jobList()->childAtIndex(0));
        drainEvents();
        ASSERT_TRUE(document->isDocumentEdited());
        readOn = nullptr;
        document->revertDocumentToSaved(nullptr);
        clickButton(waitForMessageBox(document->mainWindow()), QStringLiteral("&Revert"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return !document->isRevertReading(); }, 20000));
    };

    editAndRevert();
    EXPECT_NE(readOn.load(), nullptr);
    EXPECT_NE(readOn.load(), QThread::currentThread());
    EXPECT_EQ(DocumentFileFormat::toXmlData(*document->jobList(), document->docValues()), saved);
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_FALSE(document->undoManager()->canUndo());
    EXPECT_TRUE(ahead.take(file).isEmpty());

    ASSERT_TRUE(testsupport::writeFile(file, "<?xml version=\"1.0\"?><Chronark><document></Chronark>"));
    editAndRevert();
    EXPECT_NE(readOn.load(), nullptr);
    QMessageBox *failure = waitForMessageBox(document->mainWindow());
    ASSERT_NE(failure, nullptr);
    EXPECT_TRUE(failure->text().contains(QStringLiteral("could not be reverted"))) << qPrintable(failure->text());
    failure->accept();
    const QByteArray edited = DocumentFileFormat::toXmlData(*document->jobList(), document->docValues());
    EXPECT_NE(edited, saved);
    EXPECT_TRUE(document->jobList()->childAtIndex(0)->executed());
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_TRUE(document->undoManager()->canUndo());
    EXPECT_TRUE(ahead.take(file).isEmpty());

    // Closed while the file is read: the read ends and nothing of it is kept.
    ASSERT_TRUE(testsupport::writeFile(file, StoredStateDocument.toUtf8()));
    gate->close();
    const int arrived = gate->arrived();
    document->revertDocumentToSaved(nullptr);
    clickButton(waitForMessageBox(document->mainWindow()), QStringLiteral("&Revert"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return gate->arrived() == arrived + 1; }, 20000));
    QPointer<ProbeDocument> guard(document);
    document->close();
    drainEvents();
    EXPECT_TRUE(guard.isNull());
    gate->open();
    bool read = false;
    ahead.whenRead(&ahead, [&] { read = true; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return read; }, 20000));
    drainEvents();
    EXPECT_TRUE(ahead.take(file).isEmpty());
    EXPECT_FALSE(ahead.isReading());
    services->readAhead = nullptr;
}

TEST_F(MyDocumentFileTest, RefusedReadLeavesTheDocumentAsItWas)
{
    const QString file = path(QStringLiteral("broken.chronark"));
    ASSERT_TRUE(testsupport::writeFile(file, "<?xml version=\"1.0\"?><Chronark><document></Chronark>"));
    ProbeDocument *document = newDocument();
    NodePtr job = makeJob(QStringLiteral("Keep"), 1, {{8, 30}});
    fill(document, {job});
    const NodePtr root = document->jobList();
    EXPECT_FALSE(document->loadFromFile(file, MyDocument::TypeName));
    EXPECT_EQ(document->jobList(), root);
    EXPECT_EQ(document->outlineModel()->rowCount(), 1);
    EXPECT_FALSE(document->loadFromFile(path(QStringLiteral("round.chronark")), QStringLiteral("Other Format")));
    EXPECT_EQ(document->jobList(), root);
    // The controller reports a file it cannot open and keeps no document for it.
    const int before = int(controller->documents().size());
    EXPECT_EQ(controller->makeDocumentWithContentsOfFile(file, MyDocument::TypeName), nullptr);
    EXPECT_EQ(int(controller->documents().size()), before);
}

TEST_F(MyDocumentFileTest, FailedSaveReportsAnErrorAndLeavesTheOldFileWhole)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString file = folder.filePath(QStringLiteral("kept.chronark"));
    ASSERT_TRUE(testsupport::writeFile(file, StoredStateDocument.toUtf8()));
    ProbeDocument *document = openDocument(file, true);
    ASSERT_NE(document, nullptr);
    document->addNode(makeJob(QStringLiteral("Unsaved"), 1, {{15, 45}}), document->jobList(), 0);
    ASSERT_TRUE(QTest::qWaitFor([document] { return document->isDocumentEdited(); }));

    ASSERT_TRUE(QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    // The super-user writes into read-only folders: a file size limit stops the
    // write there instead.
    rlimit saved{};
    const bool limitSize = geteuid() == 0;
    void (*oldHandler)(int) = SIG_DFL;
    if (limitSize) {
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved;
        small.rlim_cur = 64;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    }
    document->saveDocument(nullptr);
    // The file is written in the background: the limits hold until its outcome is shown.
    QMessageBox *box = waitForMessageBox(document->mainWindow(), 20000);
    if (limitSize) {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
    }
    QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

    ASSERT_NE(box, nullptr) << "the failed save is reported on the window; file now " << testsupport::readFile(file).size() << " bytes";
    // The alert names the file and the system's reason.
    // The path quoted and isolated, whole or cut in its middle with an ellipsis: the
    // start of its folder and the file's name are seen.
    const QString info = box->informativeText();
    const QString opening = QStringLiteral("The file “\u2068");
    const qsizetype closing = info.indexOf(QStringLiteral("\u2069” could not be written: "));
    ASSERT_TRUE(info.startsWith(opening) && closing > opening.size()) << qPrintable(info);
    const QString shown = info.mid(opening.size(), closing - opening.size());
    const qsizetype cut = shown.indexOf(QChar(0x2026));
    EXPECT_TRUE(shown == file
                || (cut > 0 && file.startsWith(shown.left(cut)) && file.endsWith(shown.mid(cut + 1))
                    && shown.endsWith(QFileInfo(file).fileName())))
        << qPrintable(info);
    EXPECT_TRUE(box->informativeText().endsWith(limitSize ? QStringLiteral("File too large") : QStringLiteral("Permission denied")))
        << qPrintable(box->informativeText());
    box->reject();
    EXPECT_EQ(testsupport::readFile(file), StoredStateDocument.toUtf8());
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("kept.chronark")});
}

TEST_F(MyDocumentFileTest, WritingRefusesOtherTypes)
{
    ProbeDocument *document = newDocument();
    EXPECT_FALSE(document->saveToFile(path(QStringLiteral("other.chronark")), QStringLiteral("Other Format"),
                                      platform::Document::SaveOperation::SaveTo));
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("other.chronark"))));
}

TEST_F(MyDocumentFileTest, TheDocumentTypeIsRegisteredUnderItsName)
{
    const platform::DocumentType type = MyDocument::documentType();
    EXPECT_EQ(type.name(), QStringLiteral("Chronark Format"));
    EXPECT_EQ(type.extensions(), QStringList{QStringLiteral("chronark")});
    EXPECT_EQ(type.mimeType(), QStringLiteral("application/x-chronark"));
    std::unique_ptr<platform::Document> made(type.makeDocument(nullptr));
    EXPECT_NE(qobject_cast<MyDocument *>(made.get()), nullptr);
}
