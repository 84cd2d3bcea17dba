// The edited mark of a document answers one question: does the file hold what the
// window shows? Undo after a save, time counted while a save is written, changes
// made while a save is held, and a seeded random run of every kind of edit, saves
// held at a gate, undo, redo, revert and autosave, compared after every step with
// the bytes a save would write.
#include "tests/application/document/TestMyDocumentSupport.h"

#include "AppKitExtensions/NTXNSAlertExtensions.h"
#include "NTXAppKit/TDTimeControl/TDStepper.h"
#include "NTXAppKit/TDTimeControl/TDTimeControl.h"
#include "application/base/DefaultsKeys.h"
#include "application/document/DeleteAssistant.h"
#include "application/document/NodeNameSheets.h"
#include "application/document/TimeEntrySheets.h"
#include "application/tree/DocumentFileFormat.h"
#include "application/tree/DocumentReadAhead.h"
#include "application/sheets/DeleteAssistantSheet.h"
#include "application/sheets/GroupNameSheet.h"
#include "application/sheets/JobNameSheet.h"
#include "application/sheets/TimeEntrySheet.h"
#include "FoundationExtensions/NTXNSTextStorageExtensions.h"
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorText.h"
#include "platform/drawing/Sheet.h"
#include "platform/foundation/ArrayController.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/UndoManager.h"
#include "tests/support/WriteGate.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QSet>

#include <atomic>
#include <cmath>
#include <functional>
#include <map>

using namespace mydoctest;

namespace {

// The document whose background writes pass a gate the test opens and closes, whose
// saves copy the tree a few nodes per pass and can be held halfway through their copy,
// and that tells the bytes a save would write now. Each background save checks that
// it wrote the bytes a save would have written at its moment (as a copy taken whole
// at once writes them).
class GatedDocument : public MyDocument
{
public:
    explicit GatedDocument(QObject *parent, std::shared_ptr<DocumentServices> services)
        : MyDocument(parent, std::move(services))
    {
        setSaveCopySlice(3);
    }

    // The bytes a save begun now would write: its copy taken whole at once.
    QByteArray bytesASaveWouldWrite()
    {
        const QString scratch = m_scratch.filePath(QStringLiteral("would.chronark"));
        const FileWriter writer = MyDocument::makeFileWriter(scratch, TypeName);
        QString reason;
        if (!writer)
            return "<not written>";
        while (writer.copyStep && !writer.copyStep()) {
        }
        if (!writer.write([] { return true; }, &reason))
            return "<not written: " + reason.toUtf8() + '>';
        return testsupport::readFile(scratch);
    }

    std::shared_ptr<testsupport::WriteGate> gate = std::make_shared<testsupport::WriteGate>();
    std::shared_ptr<std::atomic<int>> writes = std::make_shared<std::atomic<int>>(0);
    // Saves that wrote other bytes than a save would have at their moment.
    std::shared_ptr<std::atomic<int>> wrongWrites = std::make_shared<std::atomic<int>>(0);
    // While set, a save's copy makes no progress (it stays halfway).
    bool copyHeld = false;
    // A save's copy is being taken.
    bool copying = false;
    // A save stays halfway through its copy.
    bool copyStaysHeld() const { return copyHeld && copying; }

protected:
    FileWriter makeFileWriter(const QString &path, const QString &typeName) override
    {
        FileWriter writer = MyDocument::makeFileWriter(path, typeName);
        if (!writer)
            return writer;
        copying = true;
        writer.copyStep = [step = writer.copyStep, self = QPointer<GatedDocument>(this)] {
            if (self && self->copyHeld)
                return false;
            const bool whole = step();
            if (whole && self)
                self->copying = false;
            return whole;
        };
        writer.write = [write = writer.write, gate = gate, writes = writes, wrong = wrongWrites, path,
                        expected = bytesASaveWouldWrite()](const ReplaceCheck &mayReplace, QString *reason) {
            gate->pass();
            const bool written = write(mayReplace, reason);
            if (written && testsupport::readFile(path) != expected)
                ++*wrong;
            ++*writes;
            return written;
        };
        return writer;
    }

private:
    QTemporaryDir m_scratch;
};

// Waits for the condition, passing events without sleeping between the passes (a
// save's copy takes one pass per slice).
bool waitPassingEvents(const std::function<bool()> &condition, int timeout = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeout)
            return false;
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

QObject &applicationControllerStandIn()
{
    static QObject controller;
    return controller;
}

// Every node of the tree below the root, depth first.
void collect(const NodePtr &node, QList<NodePtr> &into)
{
    for (const NodePtr &child : node->childEnumerator()) {
        into << child;
        collect(child, into);
    }
}

QList<NodePtr> nodesOfType(const NodePtr &root, int type)
{
    QList<NodePtr> all;
    collect(root, all);
    QList<NodePtr> found;
    for (const NodePtr &node : std::as_const(all))
        if (node->type() == type)
            found << node;
    return found;
}

// Whole minutes of a node's hours and minutes.
qint64 minutesOf(const Node &node)
{
    return qint64(node.hours()) * 60 + node.minutes();
}

// Money for the minutes at the wage, to the cent (the tree keeps single floats).
bool isTurnoverFor(float turnover, double expected)
{
    return std::abs(double(turnover) - expected) <= 0.01 + 1e-5 * std::abs(expected);
}

// The sums of the tree follow from its time entries: an entry holds the whole minutes
// from its start to its end, and their money at its wage; a day and a job the sum of
// the minutes below, and their money at the job's wage; a group the sums of its
// children.
void expectSumsOfEntries(const Node &node, float jobWage = 0.0f)
{
    const QString name = node.itemName();
    qint64 minutes = 0;
    double turnover = 0.0;
    for (const NodePtr &child : node.childEnumerator()) {
        expectSumsOfEntries(*child, node.type() == Node::Job ? node.wage() : jobWage);
        minutes += minutesOf(*child);
        turnover += child->turnover();
    }
    switch (node.type()) {
    case Node::TimeEntry:
        minutes = node.cDate().secsTo(node.lDate()) / 60;
        turnover = node.wage() * double(minutes) / 60.0;
        break;
    case Node::Day:
        turnover = jobWage * double(minutes) / 60.0;
        break;
    case Node::Job:
        turnover = node.wage() * double(minutes) / 60.0;
        break;
    case Node::Group:
        break;
    default:
        return;
    }
    EXPECT_EQ(minutesOf(node), minutes) << "the time of " << qPrintable(name);
    EXPECT_TRUE(isTurnoverFor(node.turnover(), turnover))
        << "the turnover of " << qPrintable(name) << ": " << node.turnover() << " for " << turnover;
}

// The user sets a time control and confirms it (its action goes to the document).
void enterTime(TDTimeControl *control, const QDateTime &date)
{
    control->setDate(date);
    control->sendAction(control->action(), control->target());
}

} // namespace

class MyDocumentEditedStateTest : public MyDocumentFixture
{
protected:
    void SetUp() override
    {
        MyDocumentFixture::SetUp();
        controller->addDocumentType(platform::DocumentType(
            MyDocument::TypeName, {MyDocument::FileExtension}, MyDocument::MimeType,
            [services = services](QObject *parent) -> platform::Document * { return new GatedDocument(parent, services); }));
        platform::Clock::setNow(at(4, 9));
        defaults->setBool(true, AllwaysMutelyKey);
        defaults->setBool(false, StopTimerWhenInactiveKey);
        services->notificationPoster = [](const QString &, const QString &) {};
        services->idleSecondsSource = [] { return 0.0; };
        services->applicationController = &applicationControllerStandIn();
    }

    void TearDown() override
    {
        if (m_document) {
            m_document->copyHeld = false;
            m_document->gate->open();
        }
        MyDocumentFixture::TearDown();
        services->notificationPoster = {};
        services->idleSecondsSource = {};
        services->applicationController = nullptr;
        platform::Clock::useSystemClock();
    }

    // A saved document: a group holding the active job, with two entries, and a job
    // at the top.
    GatedDocument *savedDocument(const QString &name)
    {
        auto *document = dynamic_cast<GatedDocument *>(controller->openUntitledDocument(false));
        EXPECT_NE(document, nullptr);
        if (!document)
            return nullptr;
        m_document = document;
        NodePtr group = makeNode(Node::Group, QStringLiteral("Clients"));
        NodePtr job = makeJob(QStringLiteral("Writing"), 40, {{9, 30}, {11, 45}});
        group->addChild(job);
        group->recalcTotalWorkTime();
        fill(document, {group, makeJob(QStringLiteral("Reading"), 25, {{14, 20}})});
        document->setActiveJob(job);
        document->setFilePath(path(name));
        EXPECT_TRUE(saveAndWait(document));
        EXPECT_FALSE(document->isDocumentEdited());
        return document;
    }

    // The pass in which an edit was made ends: its undo step is closed.
    static void settle(MyDocument *document)
    {
        drainEvents();
        platform::UndoManager *undo = document->undoManager();
        ASSERT_TRUE(QTest::qWaitFor([undo] { return undo->groupingLevel() == 0; }));
    }

    // The window shows what the document answers.
    static void expectEdited(GatedDocument *document, bool edited, const char *what)
    {
        EXPECT_EQ(document->isDocumentEdited(), edited) << what;
        EXPECT_EQ(document->mainWindow()->isWindowModified(), edited) << what;
    }

    static void renameGroupBySheet(MyDocument *document, const NodePtr &group, const QString &name)
    {
        document->nameSheets().funcGroupName(group, 1);
        GroupNameSheet *sheet = document->nameSheets().groupNameWindow();
        ASSERT_NE(sheet, nullptr);
        sheet->groupName->setText(name);
        document->nameSheets().endGroupNameWindow(sheet->groupOkButton);
    }

    static void moveEntryEndBySheet(MyDocument *document, const NodePtr &entry, qint64 minutes)
    {
        const QDateTime end = entry->lDate().addSecs(minutes * 60);
        document->timeEntrySheets().doJobTimeSheet(entry);
        TimeEntrySheet *sheet = document->timeEntrySheets().jobTimeWindow();
        ASSERT_NE(sheet, nullptr);
        enterTime(sheet->endTime(), end);
        document->timeEntrySheets().endJobTimeSheet(sheet->okButton());
    }

    QPointer<GatedDocument> m_document;
};

// ---------------------------------------------------------------------------
// Undo after a save

// Each kind of edit, saved, then undone: the document no longer matches its file,
// whichever way the edit was recorded; redo comes back to the file.
TEST_F(MyDocumentEditedStateTest, UndoAfterASaveLeavesTheDocumentEdited)
{
    struct Edit
    {
        const char *name;
        std::function<void(GatedDocument *)> make;
    };
    const QList<Edit> edits{
        {"description", [](GatedDocument *document) {
             // What the inspector's field writes back.
             document->jobList()->childAtIndex(0)->setDescript(QStringLiteral("Monthly clients"));
         }},
        {"description of a time entry", [](GatedDocument *document) {
             nodesOfType(document->jobList(), Node::TimeEntry).constFirst()->setDescript(QStringLiteral("Draft"));
         }},
        {"colour label", [](GatedDocument *document) {
             select(document, {document->jobList()->childAtIndex(1)});
             document->edits().setColorLabelType(4, document->jobList()->childAtIndex(1));
             document->undoManager()->setActionName(QStringLiteral("Label"));
         }},
        {"time-entry sheet", [](GatedDocument *document) {
             moveEntryEndBySheet(document, nodesOfType(document->jobList(), Node::TimeEntry).constLast(), 25);
         }},
        {"group sheet", [](GatedDocument *document) {
             renameGroupBySheet(document, document->jobList()->childAtIndex(0), QStringLiteral("Customers"));
         }},
    };
    int number = 0;
    for (const Edit &edit : edits) {
        SCOPED_TRACE(edit.name);
        GatedDocument *document = savedDocument(QStringLiteral("undo-%1.chronark").arg(number++));
        ASSERT_NE(document, nullptr);
        const QByteArray before = testsupport::readFile(document->filePath());
        edit.make(document);
        settle(document);
        expectEdited(document, true, "after the edit");
        ASSERT_TRUE(saveAndWait(document));
        const QByteArray saved = testsupport::readFile(document->filePath());
        ASSERT_NE(saved, before);
        expectEdited(document, false, "after the save");

        document->undo(nullptr);
        settle(document);
        EXPECT_EQ(document->bytesASaveWouldWrite(), before) << "the undo brings the state before the edit back";
        expectEdited(document, true, "after the undo: the file holds the edit");
        document->autosaveDocument();
        ASSERT_TRUE(QTest::qWaitFor([document] { return !document->isSaving(); }));
        EXPECT_EQ(testsupport::readFile(document->filePath()), before) << "the autosave writes the undone state";
        expectEdited(document, false, "after the autosave");

        document->redo(nullptr);
        settle(document);
        expectEdited(document, true, "after the redo");
        document->undo(nullptr);
        settle(document);
        expectEdited(document, false, "undone back to the file");
        document->close();
        drainEvents();
    }
}

// Setting what a node has already, or dropping it where it is, records nothing: no
// step, no edited mark.
TEST_F(MyDocumentEditedStateTest, SettingAValueTheNodeHasLeavesTheDocumentClean)
{
    GatedDocument *document = savedDocument(QStringLiteral("same.chronark"));
    ASSERT_NE(document, nullptr);
    const NodePtr group = document->jobList()->childAtIndex(0);
    const NodePtr job = document->jobList()->childAtIndex(1);
    group->setDescript(group->descript());
    document->edits().setColorLabelType(job->colorLabel(), job);
    document->edits().setExecutedForNode(job->executed(), job);
    document->edits().setNameForNode(job->itemName(), job);
    renameGroupBySheet(document, group, group->itemName());
    // Dropped just before itself and just after itself: where it is.
    for (const int row : {1, 2}) {
        EXPECT_TRUE(dropAt(document, job, QModelIndex(), row));
        EXPECT_EQ(document->jobList()->childAtIndex(1), job);
    }
    settle(document);
    EXPECT_FALSE(document->undoManager()->canUndo());
    expectEdited(document, false, "nothing changed");

    // A drop that moves it is a step.
    ASSERT_TRUE(dropAt(document, job, QModelIndex(), 0));
    EXPECT_EQ(document->jobList()->childAtIndex(0), job);
    settle(document);
    expectEdited(document, true, "moved");
}

// ---------------------------------------------------------------------------
// Changes made while a save is written

// Counted time that comes while a save is held, a stop, or a start of the counter
// made meanwhile: the file lacks it when the save ends, and the document says so.
TEST_F(MyDocumentEditedStateTest, ChangesOutsideTheUndoManagerWhileASaveIsWrittenStayUnsaved)
{
    enum class During { Ticks, Stop, Start };
    for (const During during : {During::Start, During::Ticks, During::Stop}) {
        SCOPED_TRACE(int(during));
        GatedDocument *document = savedDocument(QStringLiteral("held-%1.chronark").arg(int(during)));
        ASSERT_NE(document, nullptr);
        if (during != During::Start) {
            document->startTimerForJob(nullptr);
            platform::Clock::advance(60 * 1000);
            document->doTimer();
            expectEdited(document, true, "counting");
        } else {
            document->jobList()->childAtIndex(1)->setDescript(QStringLiteral("Started during a save"));
            settle(document);
        }
        document->gate->close();
        const int arrived = document->gate->arrived();
        if (during == During::Ticks)
            document->autosaveDocument();
        else
            document->saveDocument(nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return document->gate->arrived() == arrived + 1; }));
        switch (during) {
        case During::Ticks:
            for (int tick = 0; tick < 10; ++tick) {
                platform::Clock::advance(60 * 1000);
                document->doTimer();
            }
            break;
        case During::Stop:
            document->stopTimer(&applicationControllerStandIn());
            break;
        case During::Start:
            document->startTimerForJob(nullptr);
            break;
        }
        drainEvents();
        document->gate->open();
        ASSERT_TRUE(QTest::qWaitFor([document] { return !document->isSaving(); }, 20000));
        const QByteArray file = testsupport::readFile(document->filePath());
        ASSERT_NE(document->bytesASaveWouldWrite(), file);
        expectEdited(document, true, "the file lacks what came during the save");

        // Closing asks before anything is lost.
        document->stopTimer(&applicationControllerStandIn());
        bool asked = false;
        const QPointer<QWidget> window = document->mainWindow();
        document->performClose(nullptr);
        // The window goes with a document that closes without asking.
        QPointer<QMessageBox> box;
        (void)QTest::qWaitFor([&] {
            for (QMessageBox *shown : window ? window->findChildren<QMessageBox *>() : QList<QMessageBox *>())
                if (shown->isVisible())
                    box = shown;
            return !window || box;
        });
        if (box) {
            asked = true;
            box->reject();
        }
        ASSERT_TRUE(asked) << "closing without asking loses what was counted";
        drainEvents();
        ASSERT_TRUE(saveAndWait(document));
        expectEdited(document, false, "saved at last");
        document->close();
        drainEvents();
    }
}

// ---------------------------------------------------------------------------
// Edits undone while counting

// The counter runs on a job in a group; an edit by a sheet, 30 minutes counted, its
// undo (and, after 10 minutes more, its redo), then a stop before the next tick: the
// window and the file hold every minute counted, with its turnover.
TEST_F(MyDocumentEditedStateTest, UndoAndRedoWhileCountingKeepTheCountedTime)
{
    struct Edit
    {
        const char *name;
        float redoneWage;
        std::function<void(MyDocument *, const NodePtr &group, const NodePtr &job)> make;
    };
    const QList<Edit> edits{
        {"group renamed by its sheet", 40.0f,
         [](MyDocument *document, const NodePtr &group, const NodePtr &) {
             renameGroupBySheet(document, group, QStringLiteral("Customers"));
         }},
        {"wage changed by the job sheet", 80.0f,
         [](MyDocument *document, const NodePtr &, const NodePtr &job) {
             document->nameSheets().funcJobName(job, 1);
             JobNameSheet *sheet = document->nameSheets().jobNameWindow();
             ASSERT_NE(sheet, nullptr);
             sheet->jobWage->setValue(80.0);
             document->nameSheets().endJobNameWindow(sheet->jobOkButton);
         }},
    };
    const auto count = [](MyDocument *document, int minutes) {
        for (int minute = 0; minute < minutes; ++minute) {
            platform::Clock::advance(60 * 1000);
            document->doTimer();
        }
    };
    int number = 0;
    for (const Edit &edit : edits) {
        for (const bool redo : {false, true}) {
            SCOPED_TRACE(std::string(edit.name) + (redo ? ", redone" : ", undone"));
            GatedDocument *document = savedDocument(QStringLiteral("counting-%1.chronark").arg(number++));
            ASSERT_NE(document, nullptr);
            const NodePtr group = document->jobList()->childAtIndex(0);
            const NodePtr job = group->childAtIndex(0);
            // 1:15 worked before, at 40 an hour.
            document->startTimerForJob(nullptr);
            edit.make(document, group, job);
            settle(document);
            ASSERT_TRUE(document->undoManager()->canUndo());
            count(document, 30);
            document->undo(nullptr);
            settle(document);
            int minutes = 75 + 30;
            if (redo) {
                count(document, 10);
                document->redo(nullptr);
                settle(document);
                minutes += 10;
            }
            document->stopTimer(&applicationControllerStandIn());
            drainEvents();

            const QString shown = QStringLiteral("%1:%2").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
            const float turnover = (redo ? edit.redoneWage : 40.0f) * float(minutes) / 60.0f;
            const int timeColumn = document->outlineModel()->columnForIdentifier(QStringLiteral("outlineTime"));
            EXPECT_EQ(indexOf(document, job).siblingAtColumn(timeColumn).data().toString().trimmed(), shown);
            EXPECT_EQ(indexOf(document, group).siblingAtColumn(timeColumn).data().toString().trimmed(), shown);
            EXPECT_NEAR(job->turnover(), turnover, 0.01f);
            EXPECT_NEAR(group->turnover(), turnover, 0.01f);

            ASSERT_TRUE(saveAndWait(document));
            DocumentFileFormat::ReadResult read;
            ASSERT_TRUE(DocumentFileFormat::readFromFile(document->filePath(), MyDocument::TypeName, read));
            const NodePtr savedGroup = read.root->childAtIndex(0);
            const NodePtr savedJob = savedGroup->childAtIndex(0);
            EXPECT_EQ(savedJob->hours() * 60 + savedJob->minutes(), minutes);
            EXPECT_EQ(savedGroup->hours() * 60 + savedGroup->minutes(), minutes);
            EXPECT_NEAR(savedJob->turnover(), turnover, 0.01f);
            EXPECT_NEAR(savedGroup->turnover(), turnover, 0.01f);
            document->close();
            drainEvents();
        }
    }
}

// ---------------------------------------------------------------------------
// Random run

// Every kind of edit (the sheets' too, also while the counter runs, deletions of the
// running entry, its day, job or group among them), the counter with the test clock,
// whose wall time is set back and forward at random, saves written at once or held at
// a gate, autosaves, undo, redo and revert (at once, or by the menu with the file
// read on a pool thread), in a seeded random order. After every
// step: no time entry ends before its start or before the last tick that stretched
// it, the running entry hangs in the tree and holds the time that passed up to its
// last tick, whatever the wall clock did, the sums follow from the time entries,
// whatever a save would write that the file lacks marks the document edited, and the
// window shows the mark. An edited document whose file holds what a save
// would write is allowed only after an edit brought back a state seen before (a flag
// ticked and unticked), or an undo or redo came after counted time (it may take the
// counted entry out of the tree again), until the document is clean again.
TEST_F(MyDocumentEditedStateTest, RandomEditsCountersAndSavesKeepTheEditedMarkExact)
{
    GatedDocument *document = savedDocument(QStringLiteral("random.chronark"));
    ASSERT_NE(document, nullptr);
    const QString file = document->filePath();
    // The files read ahead of a revert by the menu, as the application reads them.
    DocumentReadAhead readAhead;
    services->readAhead = &readAhead;
    const auto noReadAhead = qScopeGuard([this] { services->readAhead = nullptr; });
    const quint32 seed = 1977;
    QRandomGenerator random(seed);
    SCOPED_TRACE(seed);

    QByteArray reference = testsupport::readFile(file);
    QByteArray lastFile = reference;
    int lastWrites = *document->writes;
    QSet<QByteArray> seen{reference};
    bool handReversal = false;
    // The counter changed the tree since the document was last clean: an undo or
    // redo may take its entry out of the tree again, and the change stays counted.
    bool counted = false;
    bool gateOpen = true;
    int next = 1;
    int pending = 0;
    QHash<QString, int> done;
    int held = 0;
    int lostChecks = 0;
    // The end each entry had at the last tick that stretched it.
    std::map<const Node *, std::pair<std::weak_ptr<Node>, QDateTime>> lastTicks;
    const auto noteTick = [&] {
        if (const NodePtr entry = document->timerNode())
            lastTicks[entry.get()] = {entry, entry->lDate()};
    };
    // The steady clock at the running entry's start, and at its last tick.
    qint64 steadyAtStart = 0;
    qint64 steadyAtTick = 0;
    // Stops made by deleting the running entry, its day, job or group.
    int removalStops = 0;
    // Undo and redo of edits made while counting, after ticks.
    int undoneWhileCounting = 0;
    // Steps taken while a save was halfway through its copy.
    int editsWhileCopying = 0;
    // Delete assistant runs undone and redone at once, and those with text typed and
    // left open before them.
    int assistantRoundTrips = 0;
    int typedAssistantRoundTrips = 0;

    // How often each step comes: saves often enough that the document is clean
    // between edits, the counter and its ticks around them.
    enum Op { NewGroup, NewJob, NewEntry, Rename, Done, Description, ColourLabel, TimeSheet, Move, Delete,
              Assistant, Counter, Tick, ClockSet, Undo, Redo, Save, Gate, Revert, HoldCopy };
    const QList<std::pair<Op, int>> weights{
        {NewGroup, 3},  {NewJob, 3},    {NewEntry, 3}, {Rename, 4}, {Done, 4},  {Description, 5},
        {ColourLabel, 5}, {TimeSheet, 4}, {Move, 4},   {Delete, 3}, {Assistant, 2}, {Counter, 7},
        {Tick, 12},     {ClockSet, 2},  {Undo, 12},     {Redo, 6},     {Save, 15},  {Gate, 6},  {Revert, 4},
        {HoldCopy, 6}};
    // While a save waits at the closed gate, mostly the counter goes on.
    const QList<std::pair<Op, int>> heldWeights{{Tick, 10}, {ClockSet, 2}, {Counter, 3}, {Gate, 4}, {Undo, 2},
                                                {Redo, 1},  {Description, 1}, {Save, 2}, {HoldCopy, 2}};
    const auto bagOf = [](const QList<std::pair<Op, int>> &table) {
        QList<Op> bag;
        for (const auto &[kind, weight] : table)
            bag.append(QList<Op>(weight, kind));
        return bag;
    };
    // While counting, edits of every kind with ticks between them, undone and redone
    // before the counter stops (which empties the undo stack).
    const QList<std::pair<Op, int>> countingWeights{
        {NewGroup, 1},  {NewJob, 1},    {NewEntry, 1}, {Rename, 10}, {Done, 2},  {Description, 2},
        {ColourLabel, 2}, {TimeSheet, 2}, {Move, 2},   {Delete, 2}, {Assistant, 1}, {Counter, 1},
        {Tick, 16},     {ClockSet, 5},  {Undo, 12},     {Redo, 6},     {Save, 4},   {Gate, 2},  {Revert, 2},
        {HoldCopy, 3}};
    const QList<Op> freeBag = bagOf(weights);
    const QList<Op> heldBag = bagOf(heldWeights);
    const QList<Op> countingBag = bagOf(countingWeights);

    const auto pick = [&](const QList<NodePtr> &nodes) { return nodes.isEmpty() ? NodePtr() : nodes.at(random.bounded(int(nodes.size()))); };
    const auto unique = [&](const char *stem) { return QStringLiteral("%1 %2").arg(QLatin1String(stem)).arg(next++); };

    // Before a step, often: text typed into the inspector's description of what the
    // outline shows selected (a node selected first when none is), and the field left
    // open, as a person leaves it before a shortcut. Answers the text, empty when the
    // field takes no edit (its value shown cut, nothing to select).
    // Its draws come from a generator of their own: the steps stay those of the seed.
    QRandomGenerator typing(seed + 1);
    NTXTextViewInspector *inspector = document->textViewInspector();
    ASSERT_NE(inspector, nullptr);
    const auto typeAndLeaveOpen = [&]() -> QString {
        QList<NodePtr> all;
        collect(document->jobList(), all);
        if (document->inspectedObjectsController()->selectedObjects().isEmpty() && !all.isEmpty())
            select(document, {all.at(typing.bounded(int(all.size())))});
        const platform::Range value = NTXNSTextStorageExtensions::rangeForAttribute(
            *inspector->document(), NTXTextViewInspectorText::PlaceholderProperty,
            inspector->charRangeOfField(inspector->fieldWithIdentifier(QStringLiteral("descrField")).get()));
        if (value.isNotFound())
            return {};
        inspector->setSelectedRange(value);
        if (!inspector->isEditing())
            return {};
        const QString typed = unique("Typed");
        QTest::keyClicks(inspector, typed);
        return inspector->hasChangedEdit() ? typed : QString();
    };
    const auto descriptionsHold = [&](const QString &text) {
        QList<NodePtr> all;
        collect(document->jobList(), all);
        return std::any_of(all.cbegin(), all.cend(), [&](const NodePtr &node) { return node->descript().contains(text); });
    };
    int typedOpen = 0;
    int typedTaken = 0;

    for (int step = 0; step < 800; ++step) {
        SCOPED_TRACE(step);
        const NodePtr root = document->jobList();
        const bool running = document->timerIsRunning();
        bool fresh = true;
        QString op;
        // While a save's copy is held halfway, every kind of edit comes between its slices.
        const bool copying = document->copyStaysHeld();
        editsWhileCopying += copying;
        const QList<Op> &bag = document->isSaving() && !copying ? heldBag : (running ? countingBag : freeBag);
        const Op chosen = bag.at(random.bounded(int(bag.size())));
        const QString typed = typing.bounded(3) == 0 ? typeAndLeaveOpen() : QString();
        if (!typed.isEmpty()) {
            ++typedOpen;
            ASSERT_TRUE(document->isDocumentEdited()) << "text typed into a field leaves the document clean";
            ASSERT_TRUE(document->mainWindow()->isWindowModified());
        }
        switch (chosen) {
        case NewGroup: // a new group, by its sheet
            op = QStringLiteral("new group");
            document->nameSheets().newGroupEntry(nullptr);
            if (GroupNameSheet *sheet = document->nameSheets().groupNameWindow()) {
                sheet->groupName->setText(unique("Group"));
                document->nameSheets().endGroupNameWindow(sheet->groupOkButton);
            }
            break;
        case NewJob: // a new job, by its sheet (one opened before the counter started)
            op = QStringLiteral("new job");
            document->nameSheets().newJobEntry(nullptr);
            if (JobNameSheet *sheet = document->nameSheets().jobNameWindow()) {
                sheet->jobName->setText(unique("Job"));
                sheet->jobWage->setValue(double(10 + random.bounded(90)));
                document->nameSheets().endJobNameWindow(sheet->jobOkButton);
            }
            break;
        case NewEntry: // a new time entry, by its sheet
            op = QStringLiteral("new entry");
            if (!document->getActiveJob() || document->getActiveJob()->type() != Node::Job)
                break;
            document->timeEntrySheets().newTimeEntry(nullptr);
            if (TimeEntrySheet *sheet = document->timeEntrySheets().jobNewTimeWindow()) {
                enterTime(sheet->endTime(), platform::Clock::now().addSecs(60 * (1 + random.bounded(300))));
                document->timeEntrySheets().newTimeEndJobTimeSheet(sheet->okButton());
            }
            break;
        case Rename: { // renaming a group by its sheet, or a job and its wage by the job sheet
            op = QStringLiteral("rename");
            QList<NodePtr> groups = nodesOfType(root, Node::Group);
            QList<NodePtr> jobs = nodesOfType(root, Node::Job);
            // While counting, mostly the job or a group the running entry lies in.
            if (const NodePtr entry = document->timerNode(); entry && random.bounded(3) > 0) {
                const auto holdsNoEntry = [&](const NodePtr &node) { return !entry->isDescendantOfNode(node.get()); };
                groups.removeIf(holdsNoEntry);
                jobs.removeIf(holdsNoEntry);
            }
            if (random.bounded(2) == 0) {
                if (const NodePtr group = pick(groups))
                    renameGroupBySheet(document, group, unique("Renamed group"));
            } else if (const NodePtr job = pick(jobs)) {
                document->nameSheets().funcJobName(job, 1);
                if (JobNameSheet *sheet = document->nameSheets().jobNameWindow()) {
                    if (random.bounded(2) == 0)
                        sheet->jobName->setText(unique("Renamed job"));
                    else
                        sheet->jobWage->setValue(double(next++));
                    document->nameSheets().endJobNameWindow(sheet->jobOkButton);
                }
            }
            break;
        }
        case Done: // done
            op = QStringLiteral("done");
            if (const NodePtr node = pick(nodesOfType(root, Node::Job) + nodesOfType(root, Node::Group))) {
                document->edits().setExecutedForNodeTree(!node->executed(), node);
                document->undoManager()->setActionName(QStringLiteral("Done"));
            }
            break;
        case Description: { // a description, as the inspector writes it back
            op = QStringLiteral("description");
            QList<NodePtr> all;
            collect(root, all);
            if (const NodePtr node = pick(all)) {
                select(document, {node});
                node->setDescript(unique("Note"));
            }
            break;
        }
        case ColourLabel: { // a colour label for the selected nodes
            op = QStringLiteral("colour label");
            QList<NodePtr> all;
            collect(root, all);
            if (const NodePtr node = pick(all)) {
                select(document, {node});
                document->edits().setColorLabelType(random.bounded(8), node);
                document->undoManager()->setActionName(QStringLiteral("Label"));
            }
            break;
        }
        case TimeSheet: // a time entry's end moved by its sheet
            op = QStringLiteral("time-entry sheet");
            if (const NodePtr entry = pick(nodesOfType(root, Node::TimeEntry))) {
                if (entry == document->timerNode()) {
                    // The running entry's times are the counter's: no sheet opens.
                    document->timeEntrySheets().doJobTimeSheet(entry);
                    EXPECT_EQ(platform::Sheet::sheetOfWindow(document->mainWindow()), nullptr);
                    break;
                }
                moveEntryEndBySheet(document, entry, 1 + random.bounded(120));
            }
            break;
        case Move: { // a job or group moved by drag and drop
            op = QStringLiteral("move");
            const NodePtr moved = pick(nodesOfType(root, Node::Job) + nodesOfType(root, Node::Group));
            const NodePtr target = random.bounded(2) == 0 ? root : pick(nodesOfType(root, Node::Group));
            if (!moved || !target)
                break;
            const QModelIndex parent = target == root ? QModelIndex() : document->outlineModel()->indexForNode(target.get());
            // Refused into itself or below itself.
            (void)dropAt(document, moved, parent, random.bounded(int(target->childrenCount()) + 1));
            break;
        }
        case Delete: { // deleting a node after the question
            op = QStringLiteral("delete");
            QList<NodePtr> all;
            collect(root, all);
            // While counting, often the running entry or a node above it.
            if (const NodePtr entry = document->timerNode(); entry && random.bounded(2) == 0)
                all.removeIf([&](const NodePtr &node) { return !entry->isDescendantOfNode(node.get()); });
            if (const NodePtr node = pick(all))
                document->edits().deleteSheetDidEnd({node}, NTXNSAlertExtensions::AlertFirstButtonReturn);
            break;
        }
        case Assistant: { // the delete assistant: time entries created before a moment
            op = QStringLiteral("delete assistant");
            document->deleteAssistantSheet().deleteAssistant(nullptr);
            DeleteAssistantSheet *sheet = document->deleteAssistantSheet().deleteWindow();
            if (!sheet)
                break;
            sheet->selectKindTag(3);
            sheet->selectConditionTag(1);
            sheet->deleteOnlyExecutedEntys->setChecked(random.bounded(2) == 0);
            sheet->deleteDate->setDateTime(at(4, 8 + random.bounded(8)));
            const QByteArray before = document->bytesASaveWouldWrite();
            const bool typedBefore = inspector->hasChangedEdit();
            QPointer<DeleteAssistantSheet> guard(sheet);
            QTest::mouseClick(sheet->deleteOkButton, Qt::LeftButton);
            EXPECT_TRUE(QTest::qWaitFor([guard] { return !guard; }));
            settle(document);
            // Undo puts every node back at its place, with its values; Redo takes them out
            // again (checked unless the run stopped the count). Text typed and left open
            // reached its nodes before the run, as a step of its own: the undo of the run
            // brings them back with it, a second undo takes it back.
            const QByteArray after = document->bytesASaveWouldWrite();
            if (after != before && running == document->timerIsRunning()) {
                ASSERT_FALSE(inspector->hasChangedEdit()) << "the run left the typed text in the field";
                document->undo(nullptr);
                settle(document);
                const bool typedStep = typedBefore && document->bytesASaveWouldWrite() != before;
                if (typedStep) {
                    EXPECT_TRUE(descriptionsHold(typed)) << "the undo of the run lost the text typed before it";
                    document->undo(nullptr);
                    settle(document);
                }
                EXPECT_EQ(document->bytesASaveWouldWrite(), before) << "the undo of the delete assistant";
                document->redo(nullptr);
                settle(document);
                if (typedStep) {
                    document->redo(nullptr);
                    settle(document);
                }
                EXPECT_EQ(document->bytesASaveWouldWrite(), after) << "the redo of the delete assistant";
                ++assistantRoundTrips;
                typedAssistantRoundTrips += typedStep;
            }
            break;
        }
        case Counter: // the counter starts or stops
            op = QStringLiteral("counter");
            counted = true;
            if (running) {
                document->stopTimer(random.bounded(2) == 0 ? static_cast<QObject *>(&applicationControllerStandIn()) : nullptr);
                break;
            }
            // Often on another job, chosen first (as the status menu does), mostly one
            // in a group.
            if (random.bounded(2) == 0) {
                QList<NodePtr> jobs = nodesOfType(root, Node::Job);
                QList<NodePtr> grouped = jobs;
                grouped.removeIf([](const NodePtr &job) { return job->parent()->type() != Node::Group; });
                if (const NodePtr job = pick(grouped.isEmpty() || random.bounded(4) == 0 ? jobs : grouped))
                    document->setActiveJob(job);
            }
            if (NodePtr job = document->getActiveJob(); job && job->type() == Node::Job)
                document->startTimerForJob(nullptr);
            steadyAtStart = steadyAtTick = platform::Clock::steadyMSecs();
            noteTick();
            break;
        case Tick: // time goes on; the counter ticks
            op = QStringLiteral("tick");
            counted = counted || running;
            platform::Clock::advance(1000 * (1 + random.bounded(90)));
            document->doTimer();
            steadyAtTick = platform::Clock::steadyMSecs();
            noteTick();
            break;
        case ClockSet: { // the time is set: minutes or days back or forward, no time passes
            op = QStringLiteral("clock set");
            fresh = false;
            const qint64 minutes = (1 + random.bounded(180)) * (random.bounded(4) == 0 ? 24 : 1);
            platform::Clock::stepWallClock((random.bounded(2) == 0 ? -60000 : 60000) * minutes);
            break;
        }
        case Undo:
            op = QStringLiteral("undo");
            fresh = false;
            handReversal = handReversal || counted;
            undoneWhileCounting += running && document->undoManager()->canUndo();
            document->undo(nullptr);
            break;
        case Redo:
            op = QStringLiteral("redo");
            fresh = false;
            handReversal = handReversal || counted;
            undoneWhileCounting += running && document->undoManager()->canRedo();
            document->redo(nullptr);
            break;
        case Save:
            op = random.bounded(2) == 0 ? QStringLiteral("save") : QStringLiteral("autosave");
            fresh = false;
            if (op == QLatin1String("save")) {
                ++pending;
                document->saveDocumentWithCompletion([&](bool ok) {
                    EXPECT_TRUE(ok);
                    --pending;
                });
            } else {
                document->autosaveDocument();
            }
            break;
        case Gate:
            op = QStringLiteral("gate");
            fresh = false;
            gateOpen = !gateOpen;
            if (gateOpen)
                document->gate->open();
            else
                document->gate->close();
            break;
        case HoldCopy:
            op = QStringLiteral("hold copy");
            fresh = false;
            document->copyHeld = !document->copyHeld;
            break;
        case Revert: {
            // At once, or by the menu: the question, and the file read on a pool thread.
            const bool ahead = random.bounded(2) == 0;
            op = ahead ? QStringLiteral("revert read ahead") : QStringLiteral("revert");
            fresh = false;
            if (document->isSaving())
                break;
            if (ahead) {
                document->revertDocumentToSaved(nullptr);
                clickButton(waitForMessageBox(document->mainWindow()), QStringLiteral("&Revert"));
                ASSERT_TRUE(QTest::qWaitFor([document] { return !document->isRevertReading(); }, 20000));
            } else {
                QString reason;
                ASSERT_TRUE(document->revertToSaved(&reason)) << qPrintable(reason);
            }
            settle(document);
            expectEdited(document, false, "reverted");
            // What the document holds of the file as its reader takes it (a running
            // entry is read as stopped).
            reference = document->bytesASaveWouldWrite();
            break;
        }
        }
        SCOPED_TRACE(op.toStdString());
        ++done[op];
        // A save (or autosave) takes the typed text into the document before it copies it.
        if (!typed.isEmpty() && chosen == Save) {
            ASSERT_FALSE(inspector->hasChangedEdit()) << "the save left the typed text in the field";
            ASSERT_TRUE(descriptionsHold(typed)) << "the save dropped the typed text";
        }
        if (!typed.isEmpty() && !inspector->hasChangedEdit())
            ++typedTaken;
        // The sheets end in the next pass, the undo step closes at its end; the saves
        // end, or the one that runs waits at the closed gate.
        settle(document);
        // (Or a save stays halfway through its copy.)
        if (gateOpen) {
            ASSERT_TRUE(waitPassingEvents([document] { return !document->isSaving() || document->copyStaysHeld(); }));
        } else if (document->isSaving()) {
            ASSERT_TRUE(waitPassingEvents([document] {
                return document->gate->arrived() == *document->writes + 1 || document->copyStaysHeld();
            }));
            held += !document->copyStaysHeld();
        }
        drainEvents();

        // A stop by an edit that took the running entry out of the tree.
        if (running && !document->timerIsRunning() && (op == QLatin1String("delete") || op == QLatin1String("delete assistant")))
            ++removalStops;
        // The running entry hangs in the tree and holds the time that passed up to its
        // last tick, whatever the wall clock did.
        if (const NodePtr entry = document->timerNode()) {
            ASSERT_EQ(entry->documentRoot(), document->jobList().get()) << "a count goes on outside the tree";
            ASSERT_EQ(entry->cDate().msecsTo(entry->lDate()), steadyAtTick - steadyAtStart)
                << "the counted time is not the time that passed";
        }
        // No entry ends before it starts.
        for (const NodePtr &entry : nodesOfType(document->jobList(), Node::TimeEntry)) {
            ASSERT_GE(entry->lDate(), entry->cDate()) << qPrintable(entry->itemName());
            ASSERT_GE(minutesOf(*entry), 0) << qPrintable(entry->itemName());
        }
        // Counted time stays counted, and the sums follow from it.
        for (auto it = lastTicks.begin(); it != lastTicks.end();) {
            const NodePtr entry = it->second.first.lock();
            if (!entry) {
                it = lastTicks.erase(it);
                continue;
            }
            if (entry == document->timerNode() || entry->documentRoot() == document->jobList().get()) {
                ASSERT_GE(entry->lDate(), it->second.second) << "an entry ends before its last tick";
            }
            ++it;
        }
        expectSumsOfEntries(*document->jobList());
        if (::testing::Test::HasFailure())
            return;

        const QByteArray bytes = testsupport::readFile(file);
        if (bytes != lastFile || *document->writes != lastWrites) {
            reference = bytes;
            lastFile = bytes;
            lastWrites = *document->writes;
        }
        ASSERT_TRUE(bytes.startsWith(MyDocument::WrittenFileBeginning.toByteArray()));
        const QByteArray would = document->bytesASaveWouldWrite();
        if (fresh && seen.contains(would))
            handReversal = true;
        seen.insert(would);
        const bool edited = document->isDocumentEdited();
        // Text typed into a field and still open is a change the file lacks.
        if (would != reference || inspector->hasChangedEdit()) {
            ++lostChecks;
            ASSERT_TRUE(edited) << "the file lacks a change and the document is clean";
        } else if (edited) {
            EXPECT_TRUE(handReversal) << "edited, although the file holds what a save would write";
        }
        if (!edited) {
            handReversal = false;
            counted = false;
        }
        ASSERT_EQ(document->mainWindow()->isWindowModified(), edited);
        EXPECT_FALSE(document->fileChangedOnDisk());
    }
    document->copyHeld = false;
    document->gate->open();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !document->isSaving() && pending == 0; }, 20000));
    EXPECT_EQ(*document->wrongWrites, 0) << "a save wrote other bytes than the document held at its moment";
    EXPECT_GT(editsWhileCopying, 50);
    // Text was left open in a field before every kind of step, and taken in by most.
    EXPECT_GT(typedOpen, 150);
    EXPECT_GT(typedTaken, 60);
    RecordProperty("typedOpen", typedOpen);
    RecordProperty("typedTaken", typedTaken);
    EXPECT_GT(assistantRoundTrips, 0) << "no delete assistant run was undone and redone";
    RecordProperty("assistantRoundTrips", assistantRoundTrips);
    EXPECT_GT(typedAssistantRoundTrips, 0) << "no run with text left open was undone and redone";
    for (QWidget *widget : QApplication::allWidgets()) {
        if (auto *box = qobject_cast<QMessageBox *>(widget)) {
            EXPECT_FALSE(box->isVisible()) << qPrintable(box->text());
        }
    }
    // The run reached what it is about: saves held while the document changed, many
    // states unsaved, every kind of step.
    EXPECT_GT(held, 20);
    EXPECT_GT(lostChecks, 100);
    EXPECT_GT(undoneWhileCounting, 20);
    EXPECT_GT(removalStops, 3);
    EXPECT_GT(*document->writes, 20);
    for (const auto &[kind, count] : done.asKeyValueRange())
        EXPECT_GT(count, 5) << qPrintable(kind);
}
