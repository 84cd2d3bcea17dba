// The time-entry sheets: editing an entry's start and end, adding an entry to a job,
// the correction of reversed bounds, filing under the start's day and undo.
#include "tests/application/document/TestMyDocumentSupport.h"
#include "application/document/TimeEntrySheets.h"
#include "application/document/NodeNameSheets.h"

#include "NTXAppKit/TDTimeControl/TDStepper.h"
#include "NTXAppKit/TDTimeControl/TDTimeControl.h"
#include "application/sheets/TimeEntrySheet.h"
#include "platform/drawing/AlertWidth.h"
#include "platform/foundation/CalendarDate.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/UndoManager.h"
#include "platform/drawing/Sheet.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>

using namespace mydoctest;

namespace {

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

// A moment of March 2024 in local time, as the controls answer it.
QDateTime local(int day, int hour, int minute = 0, int second = 0)
{
    return platform::CalendarDate::withFixedOffset(
        QDateTime(QDate(2024, 3, day), QTime(hour, minute, second), Qt::LocalTime));
}

NodePtr makeEntry(const QDateTime &start, const QDateTime &end, float wage)
{
    NodePtr entry = Node::create(Node::TimeEntry, start);
    entry->setlDate(end);
    entry->setWage(wage);
    entry->setItemNameByType();
    return entry;
}

// A job with the wage and, per day of March, a day holding the entries (start, end).
NodePtr makeJobWithDays(const QString &name, float wage,
                        const QList<std::pair<int, QList<std::pair<QDateTime, QDateTime>>>> &days)
{
    NodePtr job = makeNode(Node::Job, name);
    job->setWage(wage);
    for (const auto &[dayOfMonth, entries] : days) {
        NodePtr day = Node::create(Node::Day, local(dayOfMonth, 8));
        day->setItemNameByType();
        job->addChild(day);
        for (const auto &[start, end] : entries) {
            NodePtr entry = makeEntry(start, end, wage);
            day->addChild(entry);
            entry->refreshWorkTime();
            entry->recalcWorkTime();
        }
    }
    return job;
}

// The user sets a time control and confirms it (its action goes to the document).
void enterTime(TDTimeControl *control, const QDateTime &date)
{
    control->setDate(date);
    control->sendAction(control->action(), control->target());
}

// The user picks a day in a date picker.
void pickDay(QDateEdit *picker, int dayOfMarch)
{
    picker->setDate(QDate(2024, 3, dayOfMarch));
}

} // namespace

class TimeEntrySheetsTest : public MyDocumentFixture
{
protected:
    void SetUp() override
    {
        MyDocumentFixture::SetUp();
        // The document with its own sheets (not the probe's).
        controller->addDocumentType(MyDocument::documentType(services));
    }

    void TearDown() override
    {
        platform::Clock::useSystemClock();
        MyDocumentFixture::TearDown();
    }

    MyDocument *newTimeDocument()
    {
        auto *document = qobject_cast<MyDocument *>(controller->openUntitledDocument(false));
        EXPECT_NE(document, nullptr);
        return document;
    }

    // Waits until the registrations of the last event are one closed step.
    static bool stepClosed(platform::UndoManager *undo)
    {
        return QTest::qWaitFor([undo] { return undo->groupingLevel() == 0; });
    }

    // The click, then the pass in which the sheet's end is handled.
    static void clickOk(TimeEntrySheet *sheet)
    {
        QTest::mouseClick(sheet->okButton(), Qt::LeftButton);
        testsupport::settleEvents();
    }
    static void clickCancel(TimeEntrySheet *sheet)
    {
        QTest::mouseClick(sheet->cancelButton(), Qt::LeftButton);
        testsupport::settleEvents();
    }
};

// ---- Editing ----

TEST_F(TimeEntrySheetsTest, EditSheetShowsTheEntryAndOpensWindowModalOnTheDocument)
{
    MyDocument *document = newTimeDocument();
    NodePtr job = makeJobWithDays(QStringLiteral("Job"), 10, {{4, {{local(4, 9, 0, 15), local(4, 10, 30, 40)}}}});
    fill(document, {job});
    NodePtr entry = job->childAtIndex(0)->childAtIndex(0);

    document->timeEntrySheets().doJobTimeSheet(entry);
    TimeEntrySheet *sheet = document->timeEntrySheets().jobTimeWindow();
    ASSERT_NE(sheet, nullptr);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(platform::Sheet::activeSheet(), sheet);
    EXPECT_EQ(sheet->parentWidget(), document->mainWindow());
    EXPECT_TRUE(document->timeEntrySheets().jobTimeSheetWorking());
    EXPECT_EQ(document->timeEntrySheets().cDate(), entry->cDate());
    EXPECT_EQ(document->timeEntrySheets().lDate(), entry->lDate());
    EXPECT_EQ(sheet->startCalendar()->date(), QDate(2024, 3, 4));
    EXPECT_EQ(sheet->endCalendar()->date(), QDate(2024, 3, 4));
    EXPECT_EQ(sheet->startTime()->date(), local(4, 9, 0, 15));
    EXPECT_EQ(sheet->endTime()->date(), local(4, 10, 30, 40));
    // Seconds do not count; the hours take three places and a blank follows.
    EXPECT_EQ(sheet->workTime()->text(), QStringLiteral("  1:30 "));

    // A second request while the sheet is up changes nothing.
    NodePtr other = makeEntry(local(4, 12), local(4, 13), 10);
    job->childAtIndex(0)->addChild(other);
    document->timeEntrySheets().doJobTimeSheet(other);
    EXPECT_EQ(document->timeEntrySheets().cDate(), entry->cDate());
    clickCancel(sheet);
}

// The keyboard and the steppers: Tab goes start date, start time, end date, end time;
// each time control has its stepper; Return in a time field takes the time and
// presses OK.
TEST_F(TimeEntrySheetsTest, StepperTabOrderAndReturnInATimeField)
{
    MyDocument *document = newTimeDocument();
    NodePtr job = makeJobWithDays(QStringLiteral("Job"), 10, {{4, {{local(4, 9), local(4, 10)}}}});
    fill(document, {job});
    NodePtr entry = job->childAtIndex(0)->childAtIndex(0);
    document->timeEntrySheets().doJobTimeSheet(entry);
    TimeEntrySheet *sheet = document->timeEntrySheets().jobTimeWindow();
    ASSERT_NE(sheet, nullptr);

    const QList<QWidget *> stops{sheet->startCalendar(), sheet->startTime(), sheet->endCalendar(), sheet->endTime()};
    for (qsizetype i = 0; i + 1 < stops.size(); ++i) {
        QWidget *w = stops.at(i)->nextInFocusChain();
        while (w != stops.at(i) && !stops.contains(w))
            w = w->nextInFocusChain();
        EXPECT_EQ(w, stops.at(i + 1)) << "after stop " << i;
    }

    ASSERT_EQ(sheet->startTime()->stepper(), sheet->startStepper());
    ASSERT_EQ(sheet->endTime()->stepper(), sheet->endStepper());
    const QDateTime before = document->timeEntrySheets().cDate();
    sheet->startStepper()->stepUp();
    EXPECT_NE(document->timeEntrySheets().cDate(), before);
    EXPECT_EQ(sheet->startTime()->date(), document->timeEntrySheets().cDate());

    sheet->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(sheet));
    sheet->startTime()->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([] { return qobject_cast<QLineEdit *>(QApplication::focusWidget()) != nullptr; }));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(QTest::qWaitFor([sheet] { return !sheet->isVisible(); }));
    testsupport::settleEvents();
    EXPECT_EQ(entry->cDate(), sheet->startTime()->date());
    EXPECT_NE(entry->cDate(), before);
}

TEST_F(TimeEntrySheetsTest, NoTimeSheetOverAnotherSheet)
{
    MyDocument *document = newTimeDocument();
    NodePtr job = makeJobWithDays(QStringLiteral("Job"), 10, {{4, {{local(4, 9), local(4, 10)}}}});
    fill(document, {job});
    document->setActiveJob(job);

    document->nameSheets().newGroupEntry(nullptr); // the group sheet is up
    ASSERT_TRUE(QTest::qWaitFor([document] {
        for (QDialog *dialog : document->mainWindow()->findChildren<QDialog *>())
            if (dialog->isVisible())
                return true;
        return false;
    }));
    document->timeEntrySheets().doJobTimeSheet(job->childAtIndex(0)->childAtIndex(0));
    document->timeEntrySheets().newTimeEntry(nullptr);
    EXPECT_FALSE(document->timeEntrySheets().jobTimeSheetWorking());
    for (TimeEntrySheet *sheet : document->mainWindow()->findChildren<TimeEntrySheet *>())
        EXPECT_FALSE(sheet->isVisible());
}

TEST_F(TimeEntrySheetsTest, DoubleClickOnATimeEntryOpensTheEditSheet)
{
    MyDocument *document = newTimeDocument();
    NodePtr job = makeJobWithDays(QStringLiteral("Job"), 10, {{4, {{local(4, 9), local(4, 10)}}}});
    fill(document, {job});
    NodePtr day = job->childAtIndex(0);
    NodePtr entry = day->childAtIndex(0);
    outline(document)->expandAll();

    // A day does not open it.
    Q_EMIT outline(document)->doubleClicked(indexOf(document, day));
    EXPECT_FALSE(document->timeEntrySheets().jobTimeSheetWorking());

    Q_EMIT outline(document)->doubleClicked(indexOf(document, entry));
    ASSERT_TRUE(document->timeEntrySheets().jobTimeSheetWorking());
    EXPECT_TRUE(document->timeEntrySheets().jobTimeWindow()->isVisible());
    EXPECT_EQ(document->timeEntrySheets().cDate(), local(4, 9));
    clickCancel(document->timeEntrySheets().jobTimeWindow());
}

TEST_F(TimeEntrySheetsTest, EntryAcrossMidnightStaysWholeUnderItsStartDay)
{
    MyDocument *document = newTimeDocument();
    NodePtr job = makeJobWithDays(QStringLiteral("Job"), 60, {{4, {{local(4, 10), local(4, 11)}}}});
    fill(document, {job});
    NodePtr day = job->childAtIndex(0);
    NodePtr entry = day->childAtIndex(0);

    document->timeEntrySheets().doJobTimeSheet(entry);
    TimeEntrySheet *sheet = document->timeEntrySheets().jobTimeWindow();
    // Start at 23:30: the end (11:00) lies before it and follows.
    enterTime(sheet->startTime(), local(4, 23, 30));
    EXPECT_EQ(document->timeEntrySheets().lDate(), local(4, 23, 30));
    // End on the next day at 00:30.
    pickDay(sheet->endCalendar(), 5);
    EXPECT_EQ(document->timeEntrySheets().lDate(), local(5, 23, 30));
    EXPECT_EQ(sheet->endTime()->date(), local(5, 23, 30));
    enterTime(sheet->endTime(), local(5, 0, 30));
    EXPECT_EQ(document->timeEntrySheets().cDate(), local(4, 23, 30));
    EXPECT_EQ(document->timeEntrySheets().lDate(), local(5, 0, 30));
    EXPECT_EQ(sheet->workTime()->text(), QStringLiteral("  1:00 "));
    EXPECT_EQ(sheet->endCalendar()->date(), QDate(2024, 3, 5));

    clickOk(sheet);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_FALSE(document->timeEntrySheets().jobTimeSheetWorking());
    EXPECT_FALSE(document->timeEntrySheets().cDate().isValid());
    EXPECT_FALSE(document->timeEntrySheets().lDate().isValid());
    ASSERT_EQ(job->childrenCount(), 1);
    EXPECT_EQ(job->childAtIndex(0), day);
    EXPECT_EQ(entry->parent(), day.get());
    EXPECT_EQ(entry->cDate(), local(4, 23, 30));
    EXPECT_EQ(entry->lDate(), local(5, 0, 30));
    EXPECT_EQ(entry->hours(), 1);
    EXPECT_EQ(entry->minutes(), 0);
    EXPECT_FLOAT_EQ(entry->turnover(), 60.0f);
    EXPECT_EQ(entry->itemName(), QStringLiteral("23:30:00 ... 00:30:00"));
    EXPECT_EQ(day->hours(), 1);
    EXPECT_EQ(job->hours(), 1);
    EXPECT_EQ(job->minutes(), 0);
    // The entry's row is shown and selected alone.
    const QList<QVariant> selected = NTXOutlineViewExtension::allSelectedItems(outline(document));
    ASSERT_EQ(selected.size(), 1);
    EXPECT_EQ(selected.first().value<NodePtr>(), entry);
    EXPECT_TRUE(outline(document)->isExpanded(indexOf(document, day)));
}

TEST_F(TimeEntrySheetsTest, MovingAnEntryToAnotherDateRefilesItAndOneUndoRestores)
{
    MyDocument *document = newTimeDocument();
    NodePtr job = makeJobWithDays(QStringLiteral("Job"), 10,
                                  {{4, {{local(4, 10), local(4, 11)}}}, {6, {{local(6, 9), local(6, 9, 45)}}}});
    fill(document, {job});
    NodePtr oldDay = job->childAtIndex(0);
    NodePtr sixth = job->childAtIndex(1);
    NodePtr entry = oldDay->childAtIndex(0);
    platform::UndoManager *undo = document->undoManager();
    ASSERT_FALSE(undo->canUndo());
    EXPECT_EQ(job->hours(), 1);
    EXPECT_EQ(job->minutes(), 45);

    document->timeEntrySheets().doJobTimeSheet(entry);
    TimeEntrySheet *sheet = document->timeEntrySheets().jobTimeWindow();
    // A later start date takes the end along (the end was on the 4th).
    pickDay(sheet->startCalendar(), 8);
    EXPECT_EQ(document->timeEntrySheets().cDate(), local(8, 10));
    EXPECT_EQ(document->timeEntrySheets().lDate(), local(8, 10));
    EXPECT_EQ(sheet->endCalendar()->date(), QDate(2024, 3, 8));
    // The time controls now stand on the new day.
    EXPECT_EQ(sheet->startTime()->date(), local(8, 10));
    enterTime(sheet->endTime(), local(8, 12, 15));
    EXPECT_EQ(sheet->workTime()->text(), QStringLiteral("  2:15 "));
    clickOk(sheet);

    // The emptied day went; a day for the 8th was made after the 6th.
    ASSERT_EQ(job->childrenCount(), 2);
    EXPECT_EQ(job->childAtIndex(0), sixth);
    NodePtr newDay = job->childAtIndex(1);
    EXPECT_EQ(newDay->type(), Node::Day);
    EXPECT_EQ(newDay->itemName(), text("LSFriday") + QStringLiteral(" 08.03.2024"));
    EXPECT_EQ(platform::CalendarDate::dayOfCommonEra(newDay->cDate()),
              platform::CalendarDate::dayOfCommonEra(local(8, 0)));
    EXPECT_EQ(entry->parent(), newDay.get());
    EXPECT_EQ(newDay->hours(), 2);
    EXPECT_EQ(newDay->minutes(), 15);
    EXPECT_EQ(job->hours(), 3);
    EXPECT_EQ(job->minutes(), 0);
    EXPECT_EQ(document->outlineModel()->indexForNode(oldDay.get()), QModelIndex());

    ASSERT_TRUE(stepClosed(undo));
    EXPECT_EQ(undo->undoActionName(), text("LSUDTimeEdit"));
    undo->undo();
    // One step: the old day, the entry's place and its dates are back.
    EXPECT_FALSE(undo->canUndo());
    ASSERT_EQ(job->childrenCount(), 2);
    EXPECT_EQ(job->childAtIndex(0), oldDay);
    EXPECT_EQ(job->childAtIndex(1), sixth);
    EXPECT_EQ(oldDay->childrenCount(), 1);
    EXPECT_EQ(oldDay->childAtIndex(0), entry);
    EXPECT_EQ(entry->parent(), oldDay.get());
    EXPECT_EQ(entry->cDate(), local(4, 10));
    EXPECT_EQ(entry->lDate(), local(4, 11));
    EXPECT_EQ(entry->itemName(), QStringLiteral("10:00:00 ... 11:00:00"));
    EXPECT_EQ(oldDay->hours(), 1);
    EXPECT_EQ(job->hours(), 1);
    EXPECT_EQ(job->minutes(), 45);
    EXPECT_EQ(undo->redoActionName(), text("LSUDTimeEdit"));

    undo->redo();
    EXPECT_EQ(entry->cDate(), local(8, 10));
    EXPECT_EQ(entry->parent()->childrenCount(), 1);
    EXPECT_EQ(job->indexOfChild(oldDay.get()), -1);
    EXPECT_EQ(job->hours(), 3);
    EXPECT_EQ(job->minutes(), 0);
    EXPECT_EQ(undo->undoActionName(), text("LSUDTimeEdit"));
}

TEST_F(TimeEntrySheetsTest, MovingAnEntryToADayTheJobHasJoinsThatDayInOrder)
{
    MyDocument *document = newTimeDocument();
    NodePtr job = makeJobWithDays(QStringLiteral("Job"), 10,
                                  {{4, {{local(4, 10), local(4, 11)}, {local(4, 14), local(4, 15)}}},
                                   {6, {{local(6, 9), local(6, 10)}, {local(6, 13), local(6, 14)}}}});
    fill(document, {job});
    NodePtr fourth = job->childAtIndex(0);
    NodePtr sixth = job->childAtIndex(1);
    NodePtr entry = fourth->childAtIndex(1);

    document->timeEntrySheets().doJobTimeSheet(entry);
    TimeEntrySheet *sheet = document->timeEntrySheets().jobTimeWindow();
    pickDay(sheet->endCalendar(), 6);
    pickDay(sheet->startCalendar(), 6);
    EXPECT_EQ(document->timeEntrySheets().cDate(), local(6, 14));
    EXPECT_EQ(document->timeEntrySheets().lDate(), local(6, 15));
    enterTime(sheet->startTime(), local(6, 11));
    clickOk(sheet);

    // The day that still holds an entry stays; the entry sits by its start.
    ASSERT_EQ(job->childrenCount(), 2);
    EXPECT_EQ(fourth->childrenCount(), 1);
    ASSERT_EQ(sixth->childrenCount(), 3);
    EXPECT_EQ(sixth->childAtIndex(1), entry);
    EXPECT_EQ(fourth->hours(), 1);
    EXPECT_EQ(sixth->hours(), 6);
    EXPECT_EQ(job->hours(), 7);
}

TEST_F(TimeEntrySheetsTest, EditingWithinTheSameDayKeepsTheDayItself)
{
    MyDocument *document = newTimeDocument();
    NodePtr job = makeJobWithDays(QStringLiteral("Job"), 10, {{4, {{local(4, 10), local(4, 11)}}}});
    fill(document, {job});
    NodePtr day = job->childAtIndex(0);
    day->setColorLabel(3);
    NodePtr entry = day->childAtIndex(0);

    document->timeEntrySheets().doJobTimeSheet(entry);
    TimeEntrySheet *sheet = document->timeEntrySheets().jobTimeWindow();
    enterTime(sheet->startTime(), local(4, 8, 30));
    clickOk(sheet);

    ASSERT_EQ(job->childrenCount(), 1);
    EXPECT_EQ(job->childAtIndex(0), day);
    EXPECT_EQ(day->colorLabel(), 3);
    EXPECT_EQ(entry->parent(), day.get());
    EXPECT_EQ(entry->hours(), 2);
    EXPECT_EQ(entry->minutes(), 30);
    EXPECT_EQ(day->hours(), 2);
    EXPECT_EQ(job->minutes(), 30);
}

// The night the clock goes back, 01:30 to 02:30 summer time is followed by 02:00 to
// 03:00 winter time on the same wall clock: OK on an untouched sheet changes nothing.
TEST_F(TimeEntrySheetsTest, AnUntouchedSheetOnTheRepeatedHourKeepsTheEntry)
{
    testsupport::ScopedTimeZone berlin("Europe/Berlin");
    const QDateTime start(QDate(2024, 10, 27), QTime(1, 30), Qt::OffsetFromUTC, 7200);
    for (const int endOffset : {7200, 3600}) {
        SCOPED_TRACE(endOffset);
        const QDateTime end(QDate(2024, 10, 27), QTime(2, 30), Qt::OffsetFromUTC, endOffset);
        MyDocument *document = newTimeDocument();
        NodePtr job = makeNode(Node::Job, QStringLiteral("Night shift"));
        job->setWage(10);
        NodePtr day = Node::create(Node::Day, start);
        job->addChild(day);
        NodePtr entry = makeEntry(start, end, 10);
        day->addChild(entry);
        entry->refreshWorkTime();
        fill(document, {job});
        const int minutes = entry->hours() * 60 + entry->minutes();

        document->timeEntrySheets().doJobTimeSheet(entry);
        TimeEntrySheet *sheet = document->timeEntrySheets().jobTimeWindow();
        ASSERT_NE(sheet, nullptr);
        clickOk(sheet);
        EXPECT_EQ(entry->cDate(), start);
        EXPECT_EQ(entry->lDate(), end);
        EXPECT_EQ(entry->hours() * 60 + entry->minutes(), minutes);
        document->close();
    }
}

// ---- Corrections while editing ----

TEST_F(TimeEntrySheetsTest, StartAfterEndMovesTheEndAndShowsNoTime)
{
    MyDocument *document = newTimeDocument();
    NodePtr job = makeJobWithDays(QStringLiteral("Job"), 10, {{4, {{local(4, 10), local(4, 11)}}}});
    fill(document, {job});
    document->timeEntrySheets().doJobTimeSheet(job->childAtIndex(0)->childAtIndex(0));
    TimeEntrySheet *sheet = document->timeEntrySheets().jobTimeWindow();

    enterTime(sheet->startTime(), local(4, 12));
    EXPECT_EQ(document->timeEntrySheets().cDate(), local(4, 12));
    EXPECT_EQ(document->timeEntrySheets().lDate(), local(4, 12));
    EXPECT_EQ(sheet->endTime()->date(), local(4, 12));
    EXPECT_EQ(sheet->workTime()->text(), QStringLiteral("  0:00 "));

    // An end less than a minute before the start is left alone.
    enterTime(sheet->endTime(), local(4, 11, 59, 30));
    EXPECT_EQ(document->timeEntrySheets().cDate(), local(4, 12));
    EXPECT_EQ(document->timeEntrySheets().lDate(), local(4, 11, 59, 30));
    EXPECT_EQ(sheet->workTime()->text(), QStringLiteral("  0:00 "));

    // An end a minute or more before the start takes the start along.
    enterTime(sheet->endTime(), local(4, 9, 15));
    EXPECT_EQ(document->timeEntrySheets().cDate(), local(4, 9, 15));
    EXPECT_EQ(document->timeEntrySheets().lDate(), local(4, 9, 15));
    EXPECT_EQ(sheet->startTime()->date(), local(4, 9, 15));

    // The same with the pickers: an end date before the start date.
    enterTime(sheet->endTime(), local(4, 18));
    pickDay(sheet->endCalendar(), 2);
    EXPECT_EQ(document->timeEntrySheets().cDate(), local(2, 18));
    EXPECT_EQ(document->timeEntrySheets().lDate(), local(2, 18));
    EXPECT_EQ(sheet->startCalendar()->date(), QDate(2024, 3, 2));
    EXPECT_EQ(sheet->startTime()->date(), local(2, 18));
    clickCancel(sheet);
}

TEST_F(TimeEntrySheetsTest, ChangesOutsideAnOpenSheetDoNothing)
{
    MyDocument *document = newTimeDocument();
    NodePtr job = makeJobWithDays(QStringLiteral("Job"), 10, {{4, {{local(4, 10), local(4, 11)}}}});
    fill(document, {job});
    document->timeEntrySheets().doJobTimeSheet(job->childAtIndex(0)->childAtIndex(0));
    TimeEntrySheet *sheet = document->timeEntrySheets().jobTimeWindow();
    clickCancel(sheet);

    sheet->startTime()->setDate(local(4, 20));
    document->timeEntrySheets().changeTime(sheet->startTime());
    document->timeEntrySheets().calendarChange(sheet->startCalendar());
    document->timeEntrySheets().newTimeChangeTime(nullptr);
    document->timeEntrySheets().endJobTimeSheet(sheet->okButton());
    EXPECT_FALSE(document->timeEntrySheets().cDate().isValid());
    EXPECT_EQ(job->childAtIndex(0)->childAtIndex(0)->cDate(), local(4, 10));
    EXPECT_FALSE(document->undoManager()->canUndo());
}

// ---- OK and Cancel ----

TEST_F(TimeEntrySheetsTest, CancelEndsWithZeroAndChangesNothing)
{
    MyDocument *document = newTimeDocument();
    NodePtr job = makeJobWithDays(QStringLiteral("Job"), 10, {{4, {{local(4, 10), local(4, 11)}}}});
    fill(document, {job});
    NodePtr entry = job->childAtIndex(0)->childAtIndex(0);
    document->timeEntrySheets().doJobTimeSheet(entry);
    TimeEntrySheet *sheet = document->timeEntrySheets().jobTimeWindow();
    QSignalSpy finished(sheet, &QDialog::finished);

    pickDay(sheet->startCalendar(), 9);
    enterTime(sheet->endTime(), local(9, 17));
    clickCancel(sheet);
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished.first().first().toInt(), 0);
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_FALSE(document->timeEntrySheets().jobTimeSheetWorking());
    EXPECT_FALSE(document->timeEntrySheets().cDate().isValid());
    EXPECT_EQ(entry->cDate(), local(4, 10));
    EXPECT_EQ(entry->lDate(), local(4, 11));
    EXPECT_EQ(job->childrenCount(), 1);
    drainEvents();
    EXPECT_FALSE(document->undoManager()->canUndo());
    EXPECT_FALSE(document->isDocumentEdited());

    // Escape is any other button too.
    document->timeEntrySheets().doJobTimeSheet(entry);
    enterTime(sheet->endTime(), local(4, 16));
    QTest::keyClick(sheet, Qt::Key_Escape);
    testsupport::settleEvents();
    ASSERT_EQ(finished.size(), 2);
    EXPECT_EQ(finished.last().first().toInt(), 0);
    EXPECT_EQ(entry->lDate(), local(4, 11));

    // OK ends with 1 and applies.
    document->timeEntrySheets().doJobTimeSheet(entry);
    enterTime(sheet->endTime(), local(4, 16));
    clickOk(sheet);
    ASSERT_EQ(finished.size(), 3);
    EXPECT_EQ(finished.last().first().toInt(), 1);
    EXPECT_EQ(entry->lDate(), local(4, 16));
    ASSERT_TRUE(stepClosed(document->undoManager()));
    EXPECT_TRUE(document->isDocumentEdited());
}

TEST_F(TimeEntrySheetsTest, OkTakesATimeTypedButNotConfirmed)
{
    MyDocument *document = newTimeDocument();
    NodePtr job = makeJobWithDays(QStringLiteral("Job"), 10, {{4, {{local(4, 10), local(4, 11)}}}});
    fill(document, {job});
    NodePtr entry = job->childAtIndex(0)->childAtIndex(0);
    document->timeEntrySheets().doJobTimeSheet(entry);
    TimeEntrySheet *sheet = document->timeEntrySheets().jobTimeWindow();

    // The control shows a new end, but its action never went out.
    sheet->endTime()->setDate(local(4, 13, 20));
    clickOk(sheet);
    EXPECT_EQ(entry->lDate(), local(4, 13, 20));
    EXPECT_EQ(entry->hours(), 3);
    EXPECT_EQ(entry->minutes(), 20);
}

// ---- New entries ----

TEST_F(TimeEntrySheetsTest, NewEntryAcrossMidnightMakesTheStartDayUnderTheJob)
{
    platform::Clock::setNow(local(4, 23, 30, 12));
    MyDocument *document = newTimeDocument();
    NodePtr job = makeJobWithDays(QStringLiteral("Design"), 40, {{2, {{local(2, 10), local(2, 11)}}}});
    fill(document, {job});
    document->setActiveJob(job);
    int menuRebuilds = 0;
    services->menuRebuilder = [&menuRebuilds] { ++menuRebuilds; };

    document->timeEntrySheets().newTimeEntry(nullptr);
    TimeEntrySheet *sheet = document->timeEntrySheets().jobNewTimeWindow();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(sheet->isVisible());
    EXPECT_EQ(platform::Sheet::activeSheet(), sheet);
    EXPECT_EQ(sheet->titleField()->text(), QStringLiteral("\u2068Design\u2069 - ") + text("LSUDNewTimeEntry"));
    EXPECT_EQ(document->timeEntrySheets().cDate(), local(4, 23, 30, 12));
    EXPECT_EQ(document->timeEntrySheets().lDate(), local(4, 23, 30, 12));
    EXPECT_EQ(sheet->workTime()->text(), QStringLiteral("  0:00 "));

    pickDay(sheet->endCalendar(), 5);
    enterTime(sheet->endTime(), local(5, 0, 30, 12));
    EXPECT_EQ(sheet->workTime()->text(), QStringLiteral("  1:00 "));
    clickOk(sheet);

    EXPECT_FALSE(document->timeEntrySheets().jobTimeSheetWorking());
    EXPECT_FALSE(document->timeEntrySheets().cDate().isValid());
    ASSERT_EQ(job->childrenCount(), 2);
    NodePtr day = job->childAtIndex(1);
    EXPECT_EQ(day->type(), Node::Day);
    EXPECT_EQ(day->itemName(), text("LSMonday") + QStringLiteral(" 04.03.2024"));
    ASSERT_EQ(day->childrenCount(), 1);
    NodePtr entry = day->childAtIndex(0);
    EXPECT_EQ(entry->type(), Node::TimeEntry);
    EXPECT_EQ(entry->cDate(), local(4, 23, 30, 12));
    EXPECT_EQ(entry->lDate(), local(5, 0, 30, 12));
    EXPECT_EQ(entry->hours(), 1);
    EXPECT_EQ(entry->minutes(), 0);
    EXPECT_FLOAT_EQ(entry->wage(), 40.0f);
    EXPECT_FLOAT_EQ(entry->turnover(), 40.0f);
    EXPECT_EQ(entry->itemName(), QStringLiteral("23:30:12 ... 00:30:12"));
    EXPECT_EQ(job->hours(), 2);
    EXPECT_GE(menuRebuilds, 1);
    EXPECT_TRUE(indexOf(document, entry).isValid());

    platform::UndoManager *undo = document->undoManager();
    ASSERT_TRUE(stepClosed(undo));
    EXPECT_EQ(undo->undoActionName(), text("LSUDTimeEdit"));
    undo->undo();
    EXPECT_FALSE(undo->canUndo());
    EXPECT_EQ(job->childrenCount(), 1);
    EXPECT_EQ(job->hours(), 1);
}

TEST_F(TimeEntrySheetsTest, NewEntryGoesToTheJobOfTheSelectedRowIntoItsExistingDay)
{
    platform::Clock::setNow(local(4, 15));
    MyDocument *document = newTimeDocument();
    NodePtr active = makeJobWithDays(QStringLiteral("Active"), 10, {});
    NodePtr other = makeJobWithDays(QStringLiteral("Other"), 20, {{4, {{local(4, 9), local(4, 10)}}}});
    fill(document, {active, other});
    document->setActiveJob(active);
    select(document, {other->childAtIndex(0)->childAtIndex(0)});

    document->timeEntrySheets().newTimeEntry(nullptr);
    TimeEntrySheet *sheet = document->timeEntrySheets().jobNewTimeWindow();
    EXPECT_EQ(sheet->titleField()->text(), QStringLiteral("\u2068Other\u2069 - ") + text("LSUDNewTimeEntry"));
    enterTime(sheet->startTime(), local(4, 7));
    clickOk(sheet);

    EXPECT_EQ(active->childrenCount(), 0);
    ASSERT_EQ(other->childrenCount(), 1);
    NodePtr day = other->childAtIndex(0);
    ASSERT_EQ(day->childrenCount(), 2);
    // Filed by its start: before the 9 o'clock entry.
    EXPECT_EQ(day->childAtIndex(0)->cDate(), local(4, 7));
    EXPECT_FLOAT_EQ(day->childAtIndex(0)->wage(), 20.0f);
    EXPECT_EQ(other->hours(), 9);
}

TEST_F(TimeEntrySheetsTest, NewEntryWithAGroupSelectedLandsUnderTheActiveJob)
{
    platform::Clock::setNow(local(4, 10));
    MyDocument *document = newTimeDocument();
    NodePtr active = makeJobWithDays(QStringLiteral("Active"), 10, {});
    NodePtr inner = makeJobWithDays(QStringLiteral("Inner"), 10, {});
    NodePtr group = makeNode(Node::Group, QStringLiteral("Group"));
    group->addChild(inner);
    fill(document, {active, group});
    document->setActiveJob(active);
    select(document, {group});

    document->timeEntrySheets().newTimeEntry(nullptr);
    TimeEntrySheet *sheet = document->timeEntrySheets().jobNewTimeWindow();
    ASSERT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->titleField()->text(), QStringLiteral("\u2068Active\u2069 - ") + text("LSUDNewTimeEntry"));
    enterTime(sheet->endTime(), local(4, 11));
    clickOk(sheet);

    // Nothing inside the group: the group holds its job only.
    ASSERT_EQ(group->childrenCount(), 1);
    EXPECT_EQ(group->childAtIndex(0), inner);
    EXPECT_EQ(inner->childrenCount(), 0);
    ASSERT_EQ(active->childrenCount(), 1);
    EXPECT_EQ(active->childAtIndex(0)->childrenCount(), 1);
    EXPECT_EQ(active->hours(), 1);
}

TEST_F(TimeEntrySheetsTest, NewEntryWithoutAUsableJobOpensNoSheet)
{
    MyDocument *document = newTimeDocument();
    NodePtr job = makeJobWithDays(QStringLiteral("Job"), 10, {});
    NodePtr group = makeNode(Node::Group, QStringLiteral("Group"));
    fill(document, {job, group});

    // No active job: an alert says so.
    document->timeEntrySheets().newTimeEntry(nullptr);
    EXPECT_FALSE(document->timeEntrySheets().jobTimeSheetWorking());
    QMessageBox *box = waitForMessageBox(document->mainWindow());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), text("LSAnoActiveTitle"));
    EXPECT_EQ(box->informativeText(), text("LSAnoActive"));
    EXPECT_GE(box->width(), platform::AlertWidth::minimumWidth(box)) << "as wide as its title and button";
    clickButton(box, text("LSok"));
    EXPECT_EQ(job->childrenCount(), 0);

    // The flag stands on a group, and the group is selected: no job to take.
    group->setActive(true);
    select(document, {group});
    document->timeEntrySheets().newTimeEntry(nullptr);
    EXPECT_FALSE(document->timeEntrySheets().jobTimeSheetWorking());
    TimeEntrySheet *sheet = document->timeEntrySheets().jobNewTimeWindow();
    EXPECT_FALSE(sheet && sheet->isVisible());
    EXPECT_EQ(group->childrenCount(), 0);
}

TEST_F(TimeEntrySheetsTest, CancellingTheNewEntrySheetAddsNothing)
{
    platform::Clock::setNow(local(4, 10));
    MyDocument *document = newTimeDocument();
    NodePtr job = makeJobWithDays(QStringLiteral("Job"), 10, {});
    fill(document, {job});
    document->setActiveJob(job);

    document->timeEntrySheets().newTimeEntry(nullptr);
    TimeEntrySheet *sheet = document->timeEntrySheets().jobNewTimeWindow();
    QSignalSpy finished(sheet, &QDialog::finished);
    enterTime(sheet->endTime(), local(4, 12));
    clickCancel(sheet);
    ASSERT_EQ(finished.size(), 1);
    EXPECT_EQ(finished.first().first().toInt(), 0);
    EXPECT_FALSE(document->timeEntrySheets().jobTimeSheetWorking());
    EXPECT_FALSE(document->timeEntrySheets().cDate().isValid());
    EXPECT_EQ(job->childrenCount(), 0);
    drainEvents();
    EXPECT_FALSE(document->undoManager()->canUndo());

    // Opening again starts from now, not from the cancelled dates.
    platform::Clock::setNow(local(5, 8));
    document->timeEntrySheets().newTimeEntry(nullptr);
    EXPECT_EQ(document->timeEntrySheets().lDate(), local(5, 8));
    EXPECT_EQ(sheet->endTime()->date(), local(5, 8));
    clickCancel(sheet);
}

TEST_F(TimeEntrySheetsTest, TypingIntoTheTimeControlsAndReturnEndTheSheetWithTheTypedTimes)
{
    MyDocument *document = newTimeDocument();
    NodePtr job = makeJobWithDays(QStringLiteral("Job"), 10, {{4, {{local(4, 10), local(4, 11)}}}});
    fill(document, {job});
    NodePtr entry = job->childAtIndex(0)->childAtIndex(0);
    document->timeEntrySheets().doJobTimeSheet(entry);
    TimeEntrySheet *sheet = document->timeEntrySheets().jobTimeWindow();
    sheet->setLocale(QLocale(QLocale::German, QLocale::Germany));
    QApplication::setActiveWindow(sheet);
    ASSERT_TRUE(QTest::qWaitForWindowActive(sheet));

    // End hour 14, Tab: the control's action moves the end.
    TDTimeControl *end = sheet->endTime();
    end->editCell(TDTimeFields::HourField);
    QLineEdit *editor = end->fieldEditor();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, QStringLiteral("14"));
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_EQ(document->timeEntrySheets().lDate(), local(4, 14));
    EXPECT_EQ(sheet->workTime()->text(), QStringLiteral("  4:00 "));

    // Start hour 15 after the end: the end follows.
    TDTimeControl *start = sheet->startTime();
    start->editCell(TDTimeFields::HourField);
    editor = start->fieldEditor();
    ASSERT_NE(editor, nullptr);
    QTest::keyClicks(editor, QStringLiteral("15"));
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_EQ(document->timeEntrySheets().cDate(), local(4, 15));
    EXPECT_EQ(document->timeEntrySheets().lDate(), local(4, 15));
    EXPECT_EQ(end->date(), local(4, 15));

    // Minutes of the end typed, then Return on the sheet: OK is its default button.
    end->editCell(TDTimeFields::MinuteField);
    editor = end->fieldEditor();
    QTest::keyClicks(editor, QStringLiteral("45"));
    QTest::keyClick(editor, Qt::Key_Return);
    if (sheet->isVisible())
        QTest::keyClick(sheet, Qt::Key_Return);
    testsupport::settleEvents();
    EXPECT_FALSE(sheet->isVisible());
    EXPECT_EQ(entry->cDate(), local(4, 15));
    EXPECT_EQ(entry->lDate(), local(4, 15, 45));
    EXPECT_EQ(entry->minutes(), 45);
}

TEST_F(TimeEntrySheetsTest, ClosingTheDocumentWithASheetOpenAppliesNothing)
{
    MyDocument *document = newTimeDocument();
    NodePtr job = makeJobWithDays(QStringLiteral("Job"), 10, {{4, {{local(4, 10), local(4, 11)}}}});
    fill(document, {job});
    NodePtr entry = job->childAtIndex(0)->childAtIndex(0);
    document->timeEntrySheets().doJobTimeSheet(entry);
    QPointer<TimeEntrySheet> sheet = document->timeEntrySheets().jobTimeWindow();
    enterTime(sheet->endTime(), local(4, 18));
    QPointer<MyDocument> guard(document);
    document->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !guard && !sheet; }));
    EXPECT_EQ(entry->lDate(), local(4, 11));
}
