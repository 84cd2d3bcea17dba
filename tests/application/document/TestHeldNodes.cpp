// Every editor of the document window (the whole description's dialog, the job-name,
// group and time-entry sheets, the delete assistant) writes where it was opened and
// nowhere else, whatever is selected when it ends; when what it was opened for has
// left the document meanwhile (an undo, a revert), it says so and writes nothing.
#include "tests/application/document/TestMyDocumentSupport.h"

#include "AppKitExtensions/NTXOutlineViewExtension.h"
#include "NTXAppKit/TDTimeControl/TDStepper.h"
#include "NTXAppKit/TDTimeControl/TDTimeControl.h"
#include "NTXAppKit/inspector/NTXTextViewInspector.h"
#include "application/document/DeleteAssistant.h"
#include "application/document/DocumentContext.h"
#include "application/document/DocumentEdits.h"
#include "application/document/HeldNodes.h"
#include "application/document/NodeNameSheets.h"
#include "application/document/TimeEntrySheets.h"
#include "application/sheets/DeleteAssistantSheet.h"
#include "application/sheets/GroupNameSheet.h"
#include "application/sheets/JobNameSheet.h"
#include "application/sheets/TimeEntrySheet.h"
#include "platform/drawing/Sheet.h"
#include "platform/drawing/WholeTextDialog.h"
#include "platform/drawing/WholeTextEdit.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/UndoManager.h"

#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTest>
#include <QTreeView>
#include <map>

using namespace mydoctest;

namespace {

// What an editor may change of a node.
struct NodeState
{
    QString name;
    QString descript;
    float wage = 0;
    QDateTime start;
    QDateTime end;
    const Node *parent = nullptr;
    bool operator==(const NodeState &) const = default;
};

NodeState stateOf(const Node &node)
{
    return {node.itemName(), node.descript(), node.wage(), node.cDate(), node.lDate(), node.parent()};
}

void collect(const NodePtr &node, QList<NodePtr> &into)
{
    for (const NodePtr &child : node->childEnumerator()) {
        into.append(child);
        collect(child, into);
    }
}

QList<NodePtr> allNodes(MyDocument *document)
{
    QList<NodePtr> nodes;
    collect(document->jobList(), nodes);
    return nodes;
}

QList<NodePtr> ofType(MyDocument *document, int type)
{
    QList<NodePtr> nodes = allNodes(document);
    nodes.removeIf([type](const NodePtr &node) { return node->type() != type; });
    return nodes;
}

class HeldNodesTest : public MyDocumentFixture
{
protected:
    ProbeDocument *shownDocument()
    {
        ProbeDocument *document = newDocument(true);
        document->toggleDrawer(nullptr);
        document->documentWindow()->show();
        QApplication::processEvents();
        return document;
    }

    // The whole-description dialog opened for the selected node, as the menu opens it.
    static platform::WholeTextDialog *openWholeDescription(MyDocument *document)
    {
        document->editWholeDescription(nullptr);
        return document->mainWindow()->findChild<platform::WholeTextDialog *>();
    }
};

} // namespace

// The person's way: B's long description opened whole and edited, then B deleted and C
// selected while the dialog stands (the delete now arrives by a way that passes the
// held window by), OK: C keeps its text, the dialog said B is gone and took no OK.
TEST_F(HeldNodesTest, TheWholeDescriptionGoesToItsNodeOrNowhere)
{
    ProbeDocument *document = shownDocument();
    const QString longText = QString(2'000'000, QLatin1Char('w'));
    NodePtr b = makeJob(QStringLiteral("B"), 60, {{9, 45}});
    NodePtr c = makeJob(QStringLiteral("C"), 60, {{10, 15}});
    b->setDescript(longText);
    c->setDescript(QStringLiteral("C own text"));
    fill(document, {b, c});

    // Another row selected while it stands: OK writes to B.
    select(document, {b});
    platform::WholeTextDialog *dialog = openWholeDescription(document);
    ASSERT_NE(dialog, nullptr);
    dialog->editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(dialog->editor(), QStringLiteral(" EDITED"));
    select(document, {c});
    QPointer<platform::WholeTextDialog> guard(dialog);
    dialog->buttons()->button(QDialogButtonBox::Ok)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !guard; }));
    EXPECT_EQ(b->descript(), longText + QStringLiteral(" EDITED"));
    EXPECT_EQ(c->descript(), QStringLiteral("C own text"));
    drainEvents();
    EXPECT_EQ(document->undoManager()->undoActionName(), platform::localized(QStringLiteral("LSUDDescriptionChanged")));
    document->undoManager()->undo();
    EXPECT_EQ(b->descript(), longText);

    // B deleted while it stands: the dialog says so and OK writes nowhere; an undo
    // that brings B back makes OK write to B again.
    select(document, {b});
    dialog = openWholeDescription(document);
    ASSERT_NE(dialog, nullptr);
    guard = dialog;
    dialog->editor()->moveCursor(QTextCursor::End);
    QTest::keyClicks(dialog->editor(), QStringLiteral(" EDITED"));
    QPushButton *ok = dialog->buttons()->button(QDialogButtonBox::Ok);
    document->edits().deleteNode(b, document->jobList());
    drainEvents();
    select(document, {c});
    auto *held = dialog->findChild<HeldNodes *>();
    ASSERT_NE(held, nullptr);
    EXPECT_FALSE(held->present());
    ASSERT_NE(held->note(), nullptr);
    EXPECT_TRUE(held->note()->isVisibleTo(dialog));
    EXPECT_TRUE(held->note()->text().contains(QStringLiteral("B"))) << held->note()->text().toStdString();
    EXPECT_FALSE(ok->isEnabled());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Description of “\u2068B\u2069”"));
    document->undoManager()->undo();
    drainEvents();
    EXPECT_TRUE(held->present());
    EXPECT_FALSE(held->note()->isVisibleTo(dialog));
    EXPECT_TRUE(ok->isEnabled());
    document->undoManager()->redo();
    drainEvents();
    EXPECT_FALSE(ok->isEnabled());
    // OK forced all the same: nothing is written.
    dialog->accept();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !guard; }));
    drainEvents();
    EXPECT_EQ(c->descript(), QStringLiteral("C own text"));
    EXPECT_EQ(b->descript(), longText);
}

// A seeded run: each kind of editor opened on a node at random, then the operations
// that still reach the document while it stands (selections, new jobs and groups,
// renames, descriptions, labels, done, moves, deletions, undo, redo, a revert) and,
// under the dialog, the window's own clicks, context menu and keys, then OK. No node but
// the ones the editor was opened for changes; none at all when they left the
// document, and the editor says so exactly then.
TEST_F(HeldNodesTest, EveryEditorWritesOnlyWhereItWasOpened)
{
    ProbeDocument *document = shownDocument();
    NodePtr group = makeNode(Node::Group, QStringLiteral("Clients"));
    group->addChild(makeJob(QStringLiteral("Inside"), 30, {{8, 20}}));
    fill(document, {group, makeJob(QStringLiteral("Alpha"), 40, {{9, 30}, {11, 20}}),
                    makeJob(QStringLiteral("Beta"), 50, {{10, 15}})});
    document->setActiveJob(document->jobList()->childAtIndex(1));
    const QString file = path(QStringLiteral("held.chronark"));
    QString reason;
    ASSERT_TRUE(document->saveToFile(file, document->fileType(), platform::Document::SaveOperation::SaveAs, &reason))
        << reason.toStdString();

    const quint32 seed = 8606;
    QRandomGenerator random(seed);
    SCOPED_TRACE(seed);
    const auto pick = [&](const QList<NodePtr> &nodes) {
        return nodes.isEmpty() ? NodePtr() : nodes.at(random.bounded(int(nodes.size())));
    };
    enum Kind { Description, JobName, NewJob, GroupName, NewGroup, TimeEdit, NewTime, Assistant, Kinds };
    std::map<int, int> gone;
    std::map<int, int> written;
    int next = 0;
    for (int round = 0; round < 96; ++round) {
        const Kind kind = Kind(round % Kinds);
        SCOPED_TRACE(testing::Message() << "round " << round << " kind " << int(kind));
        // Enough of every kind of node to open each editor on.
        if (ofType(document, Node::Job).size() < 3 || ofType(document, Node::Group).isEmpty()
            || ofType(document, Node::TimeEntry).size() < 2) {
            QString why;
            ASSERT_TRUE(document->revertToSaved(&why)) << why.toStdString();
            drainEvents();
        }
        const QString typed = QStringLiteral("typed %1").arg(next++);
        QWidget *editor = nullptr;
        QAbstractButton *ok = nullptr;
        std::function<void()> forceOk;
        NodePtr subject;
        const QDateTime newEnd = at(4, 20, int(random.bounded(50)));
        switch (kind) {
        case Description: {
            subject = pick(allNodes(document));
            subject->setDescript(QString(12'000, QLatin1Char('d')));
            drainEvents();
            select(document, {subject});
            platform::WholeTextDialog *dialog = openWholeDescription(document);
            ASSERT_NE(dialog, nullptr);
            dialog->editor()->moveCursor(QTextCursor::End);
            QTest::keyClicks(dialog->editor(), typed);
            editor = dialog;
            ok = dialog->buttons()->button(QDialogButtonBox::Ok);
            forceOk = [dialog] { dialog->accept(); };
            break;
        }
        case JobName:
        case NewJob: {
            subject = kind == JobName ? pick(ofType(document, Node::Job)) : document->jobList();
            if (kind == JobName)
                document->nameSheets().funcJobName(subject, 1);
            else
                document->nameSheets().newJobEntry(nullptr);
            JobNameSheet *sheet = document->nameSheets().jobNameWindow();
            ASSERT_NE(sheet, nullptr);
            sheet->jobName->setText(typed);
            editor = sheet;
            ok = sheet->jobOkButton;
            forceOk = [document, sheet] { document->nameSheets().endJobNameWindow(sheet->jobOkButton); };
            break;
        }
        case GroupName:
        case NewGroup: {
            subject = kind == GroupName ? pick(ofType(document, Node::Group)) : document->jobList();
            if (kind == GroupName)
                document->nameSheets().funcGroupName(subject, 1);
            else
                document->nameSheets().newGroupEntry(nullptr);
            GroupNameSheet *sheet = document->nameSheets().groupNameWindow();
            ASSERT_NE(sheet, nullptr);
            sheet->groupName->setText(typed);
            editor = sheet;
            ok = sheet->groupOkButton;
            forceOk = [document, sheet] { document->nameSheets().endGroupNameWindow(sheet->groupOkButton); };
            break;
        }
        case TimeEdit:
        case NewTime: {
            TimeEntrySheet *sheet = nullptr;
            if (kind == TimeEdit) {
                subject = pick(ofType(document, Node::TimeEntry));
                document->timeEntrySheets().doJobTimeSheet(subject);
                sheet = document->timeEntrySheets().jobTimeWindow();
            } else {
                subject = pick(ofType(document, Node::Job));
                select(document, {subject});
                if (!document->getActiveJob())
                    document->setActiveJob(subject);
                document->timeEntrySheets().newTimeEntry(nullptr);
                sheet = document->timeEntrySheets().jobNewTimeWindow();
            }
            ASSERT_NE(sheet, nullptr);
            ASSERT_TRUE(platform::Sheet::isRunning(sheet));
            sheet->endTime()->setDate(newEnd);
            editor = sheet;
            ok = sheet->okButton();
            forceOk = [document, sheet, kind] {
                if (kind == TimeEdit)
                    document->timeEntrySheets().endJobTimeSheet(sheet->okButton());
                else
                    document->timeEntrySheets().newTimeEndJobTimeSheet(sheet->okButton());
            };
            break;
        }
        case Assistant: {
            subject = document->jobList();
            document->deleteAssistantSheet().deleteAssistant(nullptr);
            DeleteAssistantSheet *sheet = document->deleteAssistantSheet().deleteWindow();
            ASSERT_NE(sheet, nullptr);
            // The time entries of Beta's kind: every time entry.
            sheet->deleteType->setCurrentIndex(3);
            sheet->deleteValue->button(0)->click();
            editor = sheet;
            ok = sheet->deleteOkButton;
            forceOk = [document, sheet] { document->deleteAssistantSheet().okDeleteAssistant(sheet->deleteOkButton); };
            break;
        }
        case Kinds:
            break;
        }
        ASSERT_NE(editor, nullptr);
        QPointer<QWidget> editorGuard(editor);
        auto *held = editor->findChild<HeldNodes *>();
        ASSERT_NE(held, nullptr);

        // What reaches the document while the editor stands.
        const int steps = 2 + random.bounded(6);
        for (int step = 0; step < steps; ++step) {
            const QList<NodePtr> nodes = allNodes(document);
            switch (random.bounded(13)) {
            case 0:
                if (const NodePtr node = pick(nodes))
                    select(document, {node});
                break;
            case 1: {
                NodePtr job = makeJob(QStringLiteral("Added %1").arg(next++), 20, {{12, 10}});
                document->edits().addNewJob(job, document->jobList());
                break;
            }
            case 2:
                if (const NodePtr node = pick(nodes); node && node->type() != Node::Day)
                    document->edits().setNameForNode(QStringLiteral("Renamed %1").arg(next++), node);
                break;
            case 3:
                if (const NodePtr node = pick(nodes))
                    node->setDescript(QStringLiteral("Note %1").arg(next++));
                break;
            case 4:
                if (const NodePtr node = pick(nodes))
                    document->edits().setColorLabelType(int(random.bounded(8)), node);
                break;
            case 5: {
                const NodePtr moved = pick(ofType(document, Node::Job));
                if (moved)
                    (void)dropAt(document, moved, QModelIndex(), int(random.bounded(int(document->jobList()->childrenCount()) + 1)));
                break;
            }
            case 6:
                if (const NodePtr node = pick(nodes); node && node->parent())
                    document->edits().deleteNode(node, Node::shared(node->parent()));
                break;
            case 7:
            case 8:
                if (random.bounded(3) == 0 && document->undoManager()->canRedo())
                    document->undoManager()->redo();
                else if (document->undoManager()->canUndo())
                    document->undoManager()->undo();
                break;
            case 9: {
                QString why;
                ASSERT_TRUE(document->revertToSaved(&why)) << why.toStdString();
                break;
            }
            case 10:
                if (const NodePtr node = pick(ofType(document, Node::Job) + ofType(document, Node::Group)))
                    document->edits().setExecutedForNodeTree(!node->executed(), node);
                break;
            case 11: {
                NodePtr added = makeNode(Node::Group, QStringLiteral("Group %1").arg(next++));
                document->edits().addNode(added, document->jobList(), document->jobList()->childrenCount());
                break;
            }
            case 12: {
                // The window's own input: held back while the dialog stands (a sheet is
                // held by the window system, which these events pass by).
                if (kind != Description)
                    break;
                QTreeView *outline = document->outlineView();
                std::map<const Node *, NodeState> still;
                for (const NodePtr &node : nodes)
                    still[node.get()] = stateOf(*node);
                const QList<NodePtr> selection = [&] {
                    QList<NodePtr> items;
                    for (const QVariant &item : NTXOutlineViewExtension::allSelectedItems(outline))
                        items.append(item.value<NodePtr>());
                    return items;
                }();
                if (const NodePtr node = pick(nodes)) {
                    const QModelIndex index = document->outlineModel()->indexForNode(node.get());
                    const QPoint at = outline->visualRect(index).center();
                    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, at);
                    QContextMenuEvent menu(QContextMenuEvent::Mouse, at, outline->viewport()->mapToGlobal(at));
                    QApplication::sendEvent(outline->viewport(), &menu);
                }
                QTest::keyClick(outline, Qt::Key_Delete);
                QTest::keyClick(outline, Qt::Key_Z, Qt::ControlModifier);
                QTest::keyClick(outline, Qt::Key_N, Qt::ControlModifier);
                drainEvents();
                EXPECT_EQ(allNodes(document).size(), nodes.size());
                for (const NodePtr &node : nodes)
                    EXPECT_EQ(stateOf(*node), still[node.get()]);
                QList<NodePtr> now;
                for (const QVariant &item : NTXOutlineViewExtension::allSelectedItems(outline))
                    now.append(item.value<NodePtr>());
                EXPECT_TRUE(now == selection) << "the selection changed under the dialog";
                EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
                // No sheet began under the editor: it is still the one of the window.
                EXPECT_EQ(platform::Sheet::sheetOfWindow(document->mainWindow()), editor);
                break;
            }
            }
            drainEvents();
            // The editor says whether its nodes are still there, at every step.
            ASSERT_TRUE(editorGuard);
            EXPECT_EQ(ok->isEnabled(), held->present());
            EXPECT_EQ(held->note() && held->note()->isVisibleTo(editor), !held->present());
        }

        // Everything as it stands before OK.
        const bool present = held->present();
        const QList<NodePtr> heldNodes = held->nodes();
        std::map<const Node *, std::pair<NodePtr, NodeState>> before;
        for (const NodePtr &node : allNodes(document))
            before[node.get()] = {node, stateOf(*node)};
        for (const NodePtr &node : heldNodes)
            before[node.get()] = {node, stateOf(*node)};
        const QList<NodePtr> entriesBefore = ofType(document, Node::TimeEntry);
        // The dialog's text as OK takes it (the window's keys went on to it).
        const QString dialogText = kind == Description ? static_cast<platform::WholeTextDialog *>(editor)->text() : QString();
        if (ok->isEnabled())
            ok->click();
        else
            forceOk();
        drainEvents();
        drainEvents();
        ++(present ? written : gone)[kind];

        // New nodes: only what the editor adds, where it adds it.
        QList<NodePtr> added;
        for (const NodePtr &node : allNodes(document)) {
            if (!before.count(node.get()))
                added.append(node);
        }
        if (!present) {
            EXPECT_TRUE(added.isEmpty());
        } else if (kind == NewJob || kind == NewGroup) {
            ASSERT_EQ(added.size(), 1);
            EXPECT_EQ(added.first()->itemName(), typed);
            EXPECT_EQ(added.first()->parent(), document->jobList().get());
        } else if (kind == NewTime) {
            for (const NodePtr &node : added) {
                EXPECT_TRUE(node->isDescendantOfNode(subject.get())) << node->itemName().toStdString();
            }
            EXPECT_FALSE(added.isEmpty());
        } else if (kind == TimeEdit) {
            for (const NodePtr &node : added) {
                EXPECT_EQ(node->type(), Node::Day);
            }
        } else {
            EXPECT_TRUE(added.isEmpty());
        }
        // Old nodes: only the held ones change, as the editor changes them.
        for (const auto &[raw, entry] : before) {
            const auto &[node, state] = entry;
            const bool isHeld = heldNodes.contains(node);
            const NodeState now = stateOf(*node);
            if (!present || (!isHeld && kind != TimeEdit && kind != NewTime && kind != Assistant)) {
                EXPECT_EQ(now, state) << node->itemName().toStdString();
                continue;
            }
            switch (kind) {
            case Description:
                // A text ending as it began writes nothing.
                EXPECT_EQ(now.descript,
                          isHeld && dialogText != QString(12'000, QLatin1Char('d')) ? dialogText : state.descript);
                break;
            case JobName:
            case GroupName:
                EXPECT_EQ(now.name, isHeld ? typed : state.name);
                break;
            case TimeEdit:
                // The entry itself, and the days it leaves or joins.
                if (isHeld) {
                    EXPECT_EQ(now.end, newEnd);
                } else if (node->type() != Node::Day) {
                    EXPECT_EQ(now, state) << node->itemName().toStdString();
                }
                break;
            case NewTime:
                if (node->type() != Node::Day) {
                    EXPECT_EQ(now, state) << node->itemName().toStdString();
                }
                break;
            case Assistant:
                // The time entries go, and the days they leave empty.
                if (node->type() != Node::TimeEntry && node->type() != Node::Day) {
                    EXPECT_EQ(now, state) << node->itemName().toStdString();
                }
                break;
            default:
                EXPECT_EQ(now, state) << node->itemName().toStdString();
                break;
            }
        }
        if (kind == Assistant) {
            EXPECT_EQ(ofType(document, Node::TimeEntry), present ? QList<NodePtr>() : entriesBefore);
        }
        // A sheet that took no OK is closed here.
        if (editorGuard && editorGuard->isVisible()) {
            if (auto *dialog = qobject_cast<QDialog *>(editorGuard.data()))
                dialog->reject();
            drainEvents();
        }
        ASSERT_EQ(platform::Sheet::sheetOfWindow(document->mainWindow()), nullptr);
    }
    // Each kind both wrote and found its nodes gone at least once.
    for (int kind = 0; kind < Kinds; ++kind) {
        EXPECT_GT(written[kind], 0) << "kind " << kind;
        EXPECT_GT(gone[kind], 0) << "kind " << kind;
    }
}

namespace {

// A document that is nothing but what HeldNodes asks of one: a root and no outline.
class RootOnlyDocument : public platform::Document
{
public:
    NodePtr root = Node::create(Node::Root);

protected:
    bool readFromFile(const QString &, const QString &) override { return false; }
    bool writeToFile(const QString &, const QString &) override { return false; }
};

} // namespace

// HeldNodes needs of its document only its context: the nodes are present while they
// are under the context's root, gone when they leave it, present again when they come
// back, and gone for good with the document object.
TEST(HeldNodesContextTest, PresentFollowsTheContextsRootAndEndsWithTheDocument)
{
    auto *document = new RootOnlyDocument;
    DocumentServices services;
    const CurrencyFormatter formatter;
    const DocumentContext context(*document, services, document->root, formatter);
    NodePtr job = makeJob(QStringLiteral("Job"), 10, {{9, 30}});
    document->root->addChild(job);
    QWidget editor;
    auto *ok = new QPushButton(&editor);
    ok->setEnabled(false);
    auto *held = new HeldNodes(context, {job, NodePtr()}, &editor, ok);
    EXPECT_EQ(held->nodes(), QList<NodePtr>{job}) << "a null node is not held";
    EXPECT_TRUE(held->present());
    EXPECT_TRUE(ok->isEnabled());
    EXPECT_EQ(held->note(), nullptr) << "no note while nothing is gone";

    document->root->delChild(job);
    EXPECT_FALSE(held->present());
    document->root->addChild(job);
    EXPECT_TRUE(held->present());

    delete document;
    EXPECT_FALSE(held->present()) << "the holding ends with the document";
    delete held;
    EXPECT_TRUE(ok->isEnabled()) << "the editor's OK is given back";
}
