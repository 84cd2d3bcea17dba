// The cost of edits that change many rows of a shown, expanded outline.
//
// Delete assistant: a document of N time entries (jobs of 10 days with 10 entries
// each, all rows expanded) is shown offscreen; one run deletes every time entry the
// way the assistant's OK does (the undoable deletions, then the outline, the totals
// and the menus follow), and the event loop runs once.
// Drag: N jobs of one group are dropped onto a second group of the same document.
// Select All, Color Label: a group of N time entries shown open beside M more
// entries in closed groups (the large documents' walk opens its first group so);
// Select All selects every shown row, Color Label then labels the selection, and the
// undo of the label puts every node's label back. Each is timed with the event loop
// run once after it (the window and its inspector follow).
//
// Undo and redo: a document of ten jobs in two groups, days of four entries running
// on past a moment, closed in the outline; each kind of edit (the Delete Assistant on
// the entries before the moment, and every other kind) is timed, then its undo, then
// its redo, each with the event loop run once after it (the longest of the three is
// the run's time).
//
// Reported: the CPU time of one run (as the manual time) and, at the end, the time
// per node of the larger size over that of the smaller one (1.0 is linear growth).
#include "application/base/DefaultsKeys.h"
#include "AppKitExtensions/NTXNSAlertExtensions.h"
#include "application/document/DeleteAssistant.h"
#include "application/document/DocumentEdits.h"
#include "application/document/DocumentServices.h"
#include "application/document/MyDocument.h"
#include "application/tree/Node.h"
#include "application/document/OutlineDataSource.h"
#include "bench/BenchMain.h"
#include "bench/BenchTrees.h"
#include "platform/document/DocumentController.h"
#include "platform/document/MenuItemValidation.h"
#include "platform/foundation/UndoManager.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/UserDefaults.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMimeData>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <iterator>
#include <ctime>
#include <map>
#include <memory>

namespace {

using benchtrees::processCpuSeconds;
using benchtrees::startOfRun;

constexpr int EntriesPerDay = 10;
constexpr int DaysPerJob = 10;

std::map<std::pair<int, int64_t>, double> &secondsPerRun()
{
    static std::map<std::pair<int, int64_t>, double> results;
    return results;
}

NodePtr makeJob(int number, int days)
{
    return benchtrees::makeJob(number, startOfRun(), days, EntriesPerDay);
}

class Fixture
{
public:
    Fixture()
    {
        defaults = std::make_unique<platform::UserDefaults>(dir.path() + QStringLiteral("/defaults.conf"));
        defaults->setBool(true, AllwaysMutelyKey);
        controller.setUserDefaults(defaults.get());
        controller.addDocumentType(MyDocument::documentType(services));
        document = qobject_cast<MyDocument *>(controller.openUntitledDocument(true));
    }

    void fill(const QList<NodePtr> &topLevel, bool expanded = true)
    {
        for (const NodePtr &node : topLevel)
            document->jobList()->addChild(node);
        document->jobList()->recalcWorkTimeForTree();
        document->reloadOutline();
        if (expanded)
            document->outlineView()->expandAll();
        QCoreApplication::processEvents();
    }

    QTemporaryDir dir;
    std::unique_ptr<platform::UserDefaults> defaults;
    std::shared_ptr<DocumentServices> services = std::make_shared<DocumentServices>();
    platform::DocumentController controller;
    MyDocument *document = nullptr;
};

void record(benchmark::State &state, int which, double seconds, int64_t nodes = -1)
{
    if (nodes < 0)
        nodes = state.range(0);
    secondsPerRun()[{which, nodes}] = seconds;
    state.SetIterationTime(seconds);
    state.counters["nodes"] = double(nodes);
}

void BM_DeleteAssistantEmptiesTimeEntries(benchmark::State &state)
{
    const int entries = int(state.range(0));
    for (auto _ : state) {
        Fixture fixture;
        QList<NodePtr> jobs;
        for (int j = 0; j < entries / (EntriesPerDay * DaysPerJob); ++j)
            jobs.append(makeJob(j, DaysPerJob));
        fixture.fill(jobs);
        DeleteAssistant::Settings settings;
        settings.kind = 3;
        const double start = processCpuSeconds();
        {
            const DocumentOutlineModel::EditBatch batch(fixture.document->outlineModel());
            fixture.document->deleteAssistantSheet().deleteAssistantActionForNode(fixture.document->jobList(), settings);
            fixture.document->reloadOutline();
            fixture.document->updateUI();
            fixture.document->services().rebuildMenus();
        }
        QCoreApplication::processEvents();
        record(state, 0, processCpuSeconds() - start);
    }
}

void BM_DragOfJobsOntoAGroup(benchmark::State &state)
{
    const int count = int(state.range(0));
    for (auto _ : state) {
        Fixture fixture;
        NodePtr from = Node::create(Node::Group, startOfRun());
        NodePtr to = Node::create(Node::Group, startOfRun());
        QList<NodePtr> jobs;
        for (int j = 0; j < count; ++j) {
            jobs.append(makeJob(j, 1));
            from->addChild(jobs.constLast());
        }
        fixture.fill({from, to});
        OutlineDataSource &source = fixture.document->outlineSource();
        const double start = processCpuSeconds();
        std::unique_ptr<QMimeData> data(source.outlineViewWriteItems(jobs));
        source.outlineViewAcceptDrop(data.get(), to.get(), 0);
        source.outlineViewConcludeDragOperation(nullptr, nullptr);
        QCoreApplication::processEvents();
        record(state, 1, processCpuSeconds() - start);
    }
}

// A group of the shown entries, open, above groups of the hidden ones.
void fillShownAndHidden(Fixture &fixture, int shown, int hidden)
{
    QList<NodePtr> groups;
    for (int entries : {shown, hidden}) {
        if (entries == 0)
            continue;
        NodePtr group = Node::create(Node::Group, startOfRun());
        for (int j = 0; j < entries / (EntriesPerDay * DaysPerJob); ++j)
            group->addChild(makeJob(j, DaysPerJob));
        groups.append(group);
    }
    for (const NodePtr &node : groups)
        fixture.document->jobList()->addChild(node);
    fixture.document->jobList()->recalcWorkTimeForTree();
    fixture.document->reloadOutline();
    fixture.document->outlineView()->expandRecursively(fixture.document->outlineModel()->indexForNode(groups.constFirst().get()));
    QCoreApplication::processEvents();
}

enum class Step { SelectAll, ColorLabel, UndoColorLabel };

void runSelectionCommand(benchmark::State &state, Step step)
{
    for (auto _ : state) {
        Fixture fixture;
        fillShownAndHidden(fixture, int(state.range(0)), int(state.range(1)));
        QTreeView *outline = fixture.document->outlineView();
        QAction item;
        platform::MenuItemValidation::setTag(&item, 5);
        double start = processCpuSeconds();
        outline->selectAll();
        QCoreApplication::processEvents();
        if (step != Step::SelectAll) {
            start = processCpuSeconds();
            fixture.document->colorLabelAction(&item);
            QCoreApplication::processEvents();
        }
        if (step == Step::UndoColorLabel) {
            start = processCpuSeconds();
            fixture.document->undoManager()->undo();
            QCoreApplication::processEvents();
        }
        const double seconds = processCpuSeconds() - start;
        if (fixture.document->jobList()->childAtIndex(0)->colorLabel() != (step == Step::ColorLabel ? 5 : 0))
            state.SkipWithError("the label is not the one the command leaves");
        record(state, 2 + int(step), seconds);
    }
}

void BM_SelectAllOfAnOpenGroup(benchmark::State &state)
{
    runSelectionCommand(state, Step::SelectAll);
}

void BM_ColorLabelOfEverySelectedRow(benchmark::State &state)
{
    runSelectionCommand(state, Step::ColorLabel);
}

void BM_UndoOfTheColorLabel(benchmark::State &state)
{
    runSelectionCommand(state, Step::UndoColorLabel);
}

// A document as people keep one for years: ten jobs in two groups, each of days of
// four entries, the days running on past the moment (about a third of them before it).
QList<NodePtr> yearsOfJobs(int entries, QDateTime *moment)
{
    constexpr int Jobs = 10;
    constexpr int PerDay = 4;
    const int days = std::max(1, entries / (Jobs * PerDay));
    const QDateTime first = startOfRun();
    *moment = first.addDays(days / 3);
    QList<NodePtr> groups;
    for (int g = 0; g < 2; ++g) {
        NodePtr group = Node::create(Node::Group, first);
        group->setItemName(QStringLiteral("Group %1").arg(g));
        for (int j = 0; j < Jobs / 2; ++j) {
            NodePtr job = Node::create(Node::Job, first);
            job->setItemName(QStringLiteral("Job %1.%2").arg(g).arg(j));
            job->setWage(50.0f);
            for (int d = 0; d < days; ++d) {
                const QDateTime dayStart = first.addDays(d);
                NodePtr day = Node::create(Node::Day, dayStart);
                day->setItemNameByType();
                day->setWage(50.0f);
                std::vector<NodePtr> children;
                children.reserve(PerDay);
                for (int e = 0; e < PerDay; ++e) {
                    NodePtr entry = Node::create(Node::TimeEntry, dayStart.addSecs(e * 1800));
                    entry->setlDate(entry->cDate().addSecs(1500));
                    entry->setWage(50.0f);
                    entry->setItemNameByType();
                    entry->refreshWorkTime();
                    children.push_back(std::move(entry));
                }
                day->adoptChildrenWhileReading(children);
                job->addChild(day);
            }
            group->addChild(job);
        }
        groups.append(group);
    }
    return groups;
}

// The edit, its undo and its redo, each timed with the event loop run once after it.
void timeEditUndoRedo(benchmark::State &state, int which, int64_t nodes, Fixture &fixture, const std::function<void()> &edit)
{
    platform::UndoManager *undo = fixture.document->undoManager();
    undo->setGroupsByEvent(false);
    double start = processCpuSeconds();
    undo->beginUndoGrouping();
    edit();
    undo->endUndoGrouping();
    QCoreApplication::processEvents();
    const double edited = processCpuSeconds() - start;
    start = processCpuSeconds();
    fixture.document->undo(nullptr);
    QCoreApplication::processEvents();
    const double undone = processCpuSeconds() - start;
    start = processCpuSeconds();
    fixture.document->redo(nullptr);
    QCoreApplication::processEvents();
    const double redone = processCpuSeconds() - start;
    state.counters["edit_ms"] = edited * 1000.0;
    state.counters["undo_ms"] = undone * 1000.0;
    state.counters["redo_ms"] = redone * 1000.0;
    record(state, which, std::max({edited, undone, redone}), nodes);
}

void BM_UndoAndRedoOfTheDeleteAssistant(benchmark::State &state)
{
    for (auto _ : state) {
        Fixture fixture;
        QDateTime moment;
        fixture.fill(yearsOfJobs(int(state.range(0)), &moment), false);
        DeleteAssistant::Settings settings;
        settings.kind = 3;
        settings.condition = 1;
        settings.date = moment;
        timeEditUndoRedo(state, 5, state.range(0), fixture, [&] {
            const DocumentOutlineModel::EditBatch batch(fixture.document->outlineModel());
            fixture.document->deleteAssistantSheet().deleteAssistantActionForNode(fixture.document->jobList(), settings);
            fixture.document->reloadOutline();
            fixture.document->updateUI();
            fixture.document->services().rebuildMenus();
        });
    }
}

// Every other kind of edit, its undo and its redo over the same document: the
// delete command on every job, a drop of one group's jobs onto the other group, a
// label on every day, the done flag on a group, a job's wage, a new job, a rename, a
// time entry's edit and the Delete Assistant on every job.
void BM_UndoAndRedoOfEachEdit(benchmark::State &state)
{
    const int kind = int(state.range(0));
    for (auto _ : state) {
        Fixture fixture;
        QDateTime moment;
        const QList<NodePtr> groups = yearsOfJobs(int(state.range(1)), &moment);
        fixture.fill(groups, false);
        MyDocument *document = fixture.document;
        DocumentEdits &edits = document->edits();
        const NodePtr job = groups.constFirst()->childAtIndex(0);
        std::function<void()> edit;
        switch (kind) {
        case 0:
            edit = [&] {
                QList<NodePtr> jobs;
                for (const NodePtr &group : groups)
                    jobs += group->childEnumerator();
                edits.deleteSheetDidEnd(jobs, NTXNSAlertExtensions::AlertFirstButtonReturn);
            };
            break;
        case 1:
            edit = [&] {
                OutlineDataSource &source = document->outlineSource();
                std::unique_ptr<QMimeData> data(source.outlineViewWriteItems(groups.constFirst()->childEnumerator()));
                source.outlineViewAcceptDrop(data.get(), groups.constLast().get(), 0);
                source.outlineViewConcludeDragOperation(nullptr, nullptr);
            };
            break;
        case 2:
            edit = [&] {
                const DocumentOutlineModel::EditBatch batch(document->outlineModel());
                for (const NodePtr &group : groups)
                    for (const NodePtr &each : group->childEnumerator())
                        for (const NodePtr &day : each->childEnumerator())
                            edits.setColorLabelType(3, day);
            };
            break;
        case 3:
            edit = [&] { edits.setExecutedForNodeTree(true, groups.constFirst()); };
            break;
        case 4:
            edit = [&] { edits.setWageForNode(70.0f, job); };
            break;
        case 5:
            edit = [&] { edits.addNewJob(Node::create(Node::Job, moment), groups.constLast()); };
            break;
        case 6:
            edit = [&] { edits.setNameForNode(QStringLiteral("Renamed"), job); };
            break;
        case 7:
            edit = [&] {
                const NodePtr entry = job->childAtIndex(0)->childAtIndex(0);
                const NodePtr changed = entry->clone();
                changed->setlDate(changed->lDate().addSecs(600));
                changed->refreshWorkTime();
                edits.restoreNodeData(changed, entry);
            };
            break;
        default:
            edit = [&] {
                DeleteAssistant::Settings settings;
                settings.kind = 2;
                document->deleteAssistantSheet().deleteAssistantActionForNode(document->jobList(), settings);
            };
            break;
        }
        timeEditUndoRedo(state, 6 + kind, state.range(1), fixture, edit);
    }
}

} // namespace

BENCHMARK(BM_SelectAllOfAnOpenGroup)->Args({10000, 0})->Args({100000, 900000})->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColorLabelOfEverySelectedRow)->Args({10000, 0})->Args({100000, 0})->Args({100000, 900000})->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoOfTheColorLabel)->Args({10000, 0})->Args({100000, 900000})->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DeleteAssistantEmptiesTimeEntries)->Arg(32000)->Arg(200000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoAndRedoOfTheDeleteAssistant)->Arg(100000)->Arg(1000000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UndoAndRedoOfEachEdit)->ArgsProduct({{0, 1, 2, 3, 4, 5, 6, 7, 8}, {100000, 1000000}})->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DragOfJobsOntoAGroup)->Arg(100)->Arg(1000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    benchmain::runWidgetBenchmarks(argc, argv);
    const char *names[] = {"delete assistant", "drag of jobs", "select all", "color label", "undo of the color label",
                           "delete assistant, its undo and redo", "delete command, its undo and redo",
                           "drop of jobs, its undo and redo", "label on every day, its undo and redo",
                           "done flag of a group, its undo and redo", "wage of a job, its undo and redo",
                           "new job, its undo and redo", "rename, its undo and redo",
                           "time entry edit, its undo and redo", "delete assistant on jobs, its undo and redo"};
    for (int which = 0; which < int(std::size(names)); ++which) {
        const auto &results = secondsPerRun();
        auto small = results.end();
        auto large = results.end();
        for (auto it = results.begin(); it != results.end(); ++it) {
            if (it->first.first != which)
                continue;
            if (small == results.end())
                small = it;
            large = it;
        }
        if (small == results.end() || small == large || small->second <= 0.0)
            continue;
        const double perSmall = small->second / double(small->first.second);
        const double perLarge = large->second / double(large->first.second);
        std::printf("%s CPU: %.3f s (%lld nodes), %.3f s (%lld nodes), ratio per node %.2f\n", names[which],
                    small->second, static_cast<long long>(small->first.second), large->second,
                    static_cast<long long>(large->first.second), perLarge / perSmall);
    }
    return 0;
}
