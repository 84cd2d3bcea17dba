// The delete assistant: kinds, the date condition, only-done, emptied days, one undo
// step; answered through its sheet.
#include "tests/application/document/TestMyDocumentSupport.h"
#include "application/document/DeleteAssistant.h"
#include "application/document/NodeNameSheets.h"

#include "application/sheets/DeleteAssistantSheet.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/UndoManager.h"
#include "platform/drawing/Sheet.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QPushButton>

using namespace mydoctest;

namespace {

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

int countOfType(const NodePtr &node, int type)
{
    int count = node->type() == type ? 1 : 0;
    for (const NodePtr &child : node->childEnumerator())
        count += countOfType(child, type);
    return count;
}

} // namespace

class DeleteAssistantTest : public MyDocumentFixture
{
protected:
    void TearDown() override
    {
        platform::Clock::useSystemClock();
        MyDocumentFixture::TearDown();
    }

    // A group with two jobs, a job at the top level, and an empty day under it.
    ProbeDocument *filledDocument()
    {
        ProbeDocument *document = newDocument(true);
        group = makeNode(Node::Group, QStringLiteral("G"));
        first = makeJob(QStringLiteral("First"), 60.0f, {{8, 60}, {10, 30}});
        second = makeJob(QStringLiteral("Second"), 30.0f, {{9, 120}});
        group->addChild(first);
        group->addChild(second);
        top = makeJob(QStringLiteral("Top"), 10.0f, {{14, 45}});
        emptyDay = makeNode(Node::Day, QString(), at(5, 0));
        top->addChild(emptyDay);
        first->recalcTotalWorkTime();
        second->recalcTotalWorkTime();
        top->recalcTotalWorkTime();
        group->recalcTotalWorkTime();
        fill(document, {group, top});
        return document;
    }

    // Opens the assistant, sets it up and clicks the button.
    void runSheet(MyDocument *document, int kind, int condition, bool onlyDone, const QDateTime &date, bool ok = true)
    {
        document->deleteAssistantSheet().deleteAssistant(nullptr);
        DeleteAssistantSheet *sheet = document->deleteAssistantSheet().deleteWindow();
        ASSERT_NE(sheet, nullptr);
        ASSERT_TRUE(sheet->isVisible());
        EXPECT_EQ(platform::Sheet::activeSheet(), sheet);
        EXPECT_EQ(sheet->parentWidget(), document->documentWindow());
        sheet->selectKindTag(kind);
        sheet->selectConditionTag(condition);
        sheet->deleteOnlyExecutedEntys->setChecked(onlyDone);
        if (date.isValid())
            sheet->deleteDate->setDateTime(date);
        QPointer<DeleteAssistantSheet> guard(sheet);
        QTest::mouseClick(ok ? sheet->deleteOkButton : sheet->deleteCancelButton, Qt::LeftButton);
        EXPECT_TRUE(QTest::qWaitFor([guard] { return !guard; }));
    }

    NodePtr group, first, second, top, emptyDay;
};

TEST_F(DeleteAssistantTest, TimeEntriesWithoutConditionEmptyEveryDayAndOneUndoRestoresIt)
{
    ProbeDocument *document = filledDocument();
    const int entries = countOfType(document->jobList(), Node::TimeEntry);
    const int days = countOfType(document->jobList(), Node::Day);
    const float turnover = group->turnover();
    ASSERT_EQ(entries, 4);
    ASSERT_EQ(days, 4);
    runSheet(document, 3, 0, false, QDateTime());
    EXPECT_EQ(countOfType(document->jobList(), Node::TimeEntry), 0);
    EXPECT_EQ(countOfType(document->jobList(), Node::Day), 0);
    EXPECT_EQ(countOfType(document->jobList(), Node::Job), 3);
    for (const NodePtr &node : {group, first, second, top}) {
        EXPECT_EQ(node->hours(), 0) << node->itemName().toStdString();
        EXPECT_EQ(node->minutes(), 0) << node->itemName().toStdString();
        EXPECT_FLOAT_EQ(node->turnover(), 0.0f) << node->itemName().toStdString();
    }
    EXPECT_EQ(totalText(document, QStringLiteral("outlineTime")), QStringLiteral("0:00"));

    platform::UndoManager *undo = document->undoManager();
    ASSERT_TRUE(QTest::qWaitFor([undo] { return undo->groupingLevel() == 0; }));
    EXPECT_EQ(undo->undoActionName(), text("LSUDDeleteAss"));
    undo->undo();
    EXPECT_FALSE(undo->canUndo());
    EXPECT_EQ(countOfType(document->jobList(), Node::TimeEntry), entries);
    EXPECT_EQ(countOfType(document->jobList(), Node::Day), days);
    EXPECT_EQ(group->hours(), 3);
    EXPECT_EQ(group->minutes(), 30);
    EXPECT_FLOAT_EQ(group->turnover(), turnover);
}

TEST_F(DeleteAssistantTest, ANodeCreatedHalfAMinuteBeforeTheDateMatchesNeitherCondition)
{
    ProbeDocument *document = filledDocument();
    const QDateTime created = first->cDate();
    DeleteAssistant::Settings settings;
    settings.kind = 2;
    settings.date = created.addSecs(30);
    for (int condition : {1, 2}) {
        settings.condition = condition;
        // Only the empty day goes, in the first run.
        EXPECT_EQ(document->deleteAssistantSheet().deleteAssistantActionForNode(document->jobList(), settings), condition == 1 ? 1 : 0)
            << "condition " << condition;
        EXPECT_EQ(countOfType(document->jobList(), Node::Job), 3);
    }
    // A whole minute makes the difference.
    settings.condition = 1;
    settings.date = created.addSecs(60);
    EXPECT_EQ(document->deleteAssistantSheet().deleteAssistantActionForNode(document->jobList(), settings), 3);
    EXPECT_EQ(countOfType(document->jobList(), Node::Job), 0);
}

TEST_F(DeleteAssistantTest, TheSheetsDateDecidesTheCondition)
{
    ProbeDocument *document = filledDocument();
    // Jobs were made at 08:00 on March 4th; the entries later that day.
    runSheet(document, 3, 2, false, at(4, 9, 30));
    // Entries from 10:00 and 14:00 were made after 09:30.
    EXPECT_EQ(countOfType(document->jobList(), Node::TimeEntry), 2);
    EXPECT_EQ(countOfType(document->jobList(), Node::Job), 3);
    EXPECT_EQ(top->childrenCount(), 0);
}

TEST_F(DeleteAssistantTest, OnlyDoneDeletesExactlyTheExecutedJobs)
{
    ProbeDocument *document = filledDocument();
    second->setExecuted(true);
    runSheet(document, 2, 0, true, QDateTime());
    EXPECT_EQ(group->children(), QList<NodePtr>{first});
    EXPECT_EQ(document->jobList()->children(), (QList<NodePtr>{group, top}));
    EXPECT_EQ(first->childAtIndex(0)->childrenCount(), 2);
    EXPECT_EQ(group->hours(), 1);
    EXPECT_EQ(group->minutes(), 30);
}

TEST_F(DeleteAssistantTest, GroupsGoWholeAndEmptyDaysGoInAnyRun)
{
    ProbeDocument *document = filledDocument();
    runSheet(document, 1, 0, false, QDateTime());
    EXPECT_EQ(document->jobList()->children(), QList<NodePtr>{top});
    EXPECT_EQ(top->childrenCount(), 1);
    EXPECT_EQ(top->childAtIndex(0)->childrenCount(), 1);
    EXPECT_EQ(emptyDay->parent(), nullptr);
    EXPECT_EQ(top->indexOfChild(emptyDay.get()), -1);
}

TEST_F(DeleteAssistantTest, AnyNodeWithoutConditionEmptiesTheRootOnly)
{
    ProbeDocument *document = filledDocument();
    DeleteAssistant::Settings settings;
    settings.kind = 0;
    EXPECT_EQ(document->deleteAssistantSheet().deleteAssistantActionForNode(document->jobList(), settings), 2);
    EXPECT_EQ(document->jobList()->childrenCount(), 0);
    EXPECT_EQ(document->jobList()->type(), Node::Root);
}

TEST_F(DeleteAssistantTest, CancellingChangesNothing)
{
    ProbeDocument *document = filledDocument();
    runSheet(document, 0, 0, false, QDateTime(), false);
    EXPECT_EQ(document->jobList()->childrenCount(), 2);
    EXPECT_EQ(top->childrenCount(), 2);
    EXPECT_FALSE(document->undoManager()->canUndo());
}

TEST_F(DeleteAssistantTest, TheSheetStartsAtNow)
{
    ProbeDocument *document = filledDocument();
    const QDateTime now(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::OffsetFromUTC, 7200);
    platform::Clock::setNow(now);
    document->deleteAssistantSheet().deleteAssistant(nullptr);
    DeleteAssistantSheet *sheet = document->deleteAssistantSheet().deleteWindow();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->deleteDate->dateTime().toSecsSinceEpoch(), now.toSecsSinceEpoch());
    // One sheet at a time.
    document->deleteAssistantSheet().deleteAssistant(nullptr);
    EXPECT_EQ(document->deleteAssistantSheet().deleteWindow(), sheet);
    sheet->reject();
}

// The sheet opens on time entries created before the date (now), only-done off,
// with the labels of the interface; Delete at once removes the time entries made
// before now and the days they leave empty, never a job or a group.
TEST_F(DeleteAssistantTest, TheSheetOpensOnTimeEntriesCreatedBeforeTheDate)
{
    ProbeDocument *document = filledDocument();
    platform::Clock::setNow(at(20, 12));
    document->deleteAssistantSheet().deleteAssistant(nullptr);
    DeleteAssistantSheet *sheet = document->deleteAssistantSheet().deleteWindow();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->kindTag(), 3);
    EXPECT_EQ(sheet->conditionTag(), 1);
    EXPECT_FALSE(sheet->deleteOnlyExecutedEntys->isChecked());
    EXPECT_EQ(sheet->deleteType->currentText(), text("LSDeleteKindTimes"));
    EXPECT_EQ(sheet->deleteValue->checkedButton()->text(), text("LSDeleteBefore"));
    QStringList kinds;
    for (int i = 0; i < sheet->deleteType->count(); ++i)
        kinds << sheet->deleteType->itemText(i);
    EXPECT_EQ(kinds, (QStringList{text("LSDeleteKindAll"),
                                  text("LSDeleteKindGroups"),
                                  text("LSDeleteKindJobs"),
                                  text("LSDeleteKindTimes")}));

    QPointer<DeleteAssistantSheet> guard(sheet);
    QTest::mouseClick(sheet->deleteOkButton, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([guard] { return !guard; }));
    EXPECT_EQ(countOfType(document->jobList(), Node::TimeEntry), 0);
    EXPECT_EQ(countOfType(document->jobList(), Node::Day), 0);
    EXPECT_EQ(countOfType(document->jobList(), Node::Job), 3);
    EXPECT_EQ(countOfType(document->jobList(), Node::Group), 1);
    document->undoManager()->undo();
    EXPECT_EQ(countOfType(document->jobList(), Node::TimeEntry), 4);
    EXPECT_EQ(countOfType(document->jobList(), Node::Day), 4);
}
