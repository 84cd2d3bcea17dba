// The job-name sheet: new jobs and editing a job's name and wage.
#include "tests/application/document/TestMyDocumentSupport.h"
#include "application/document/NodeNameSheets.h"

#include "application/sheets/JobNameSheet.h"
#include "platform/drawing/WholeTextDialog.h"
#include "platform/drawing/WholeTextEdit.h"
#include "platform/document/StandardMenus.h"
#include "platform/foundation/UndoManager.h"
#include "platform/drawing/Sheet.h"

#include <QDialogButtonBox>

#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <charconv>

using namespace mydoctest;

namespace {

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

JobNameSheet *waitForSheet(MyDocument *document)
{
    JobNameSheet *sheet = nullptr;
    (void)QTest::qWaitFor([&] {
        sheet = document->nameSheets().jobNameWindow();
        return sheet && sheet->isVisible();
    });
    return sheet;
}

void answer(JobNameSheet *sheet, const QString &name, double wage, bool ok = true)
{
    ASSERT_NE(sheet, nullptr);
    sheet->jobName->setText(name);
    sheet->jobWage->setValue(wage);
    QPointer<JobNameSheet> guard(sheet);
    QTest::mouseClick(ok ? sheet->jobOkButton : sheet->jobCancelButton, Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([guard] { return !guard; }));
}

} // namespace

class JobNameSheetTest : public MyDocumentFixture
{
};

TEST_F(JobNameSheetTest, ANewJobLandsAtTheTopLevelEvenWithAGroupSelected)
{
    ProbeDocument *document = newDocument(true);
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    NodePtr inner = makeJob(QStringLiteral("Inner"), 10.0f, {});
    group->addChild(inner);
    NodePtr old = makeJob(QStringLiteral("Old"), 10.0f, {});
    fill(document, {group, old});
    document->setActiveJob(old);
    select(document, {group});

    document->nameSheets().newJobEntry(nullptr);
    JobNameSheet *sheet = waitForSheet(document);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(platform::Sheet::activeSheet(), sheet);
    EXPECT_EQ(sheet->parentWidget(), document->documentWindow());
    EXPECT_EQ(sheet->jobTitle->text(), text("LSnewJob"));
    EXPECT_EQ(sheet->jobName->text(), text("LSjobName"));
    EXPECT_EQ(sheet->jobCurrencySymbol->text(), QLocale().currencySymbol());
    answer(sheet, QStringLiteral("Fresh"), 42.5);

    ASSERT_EQ(document->jobList()->childrenCount(), 3);
    NodePtr fresh = document->jobList()->childAtIndex(2);
    EXPECT_EQ(fresh->itemName(), QStringLiteral("Fresh"));
    EXPECT_FLOAT_EQ(fresh->wage(), 42.5f);
    EXPECT_EQ(fresh->type(), Node::Job);
    EXPECT_EQ(group->childrenCount(), 1);
    EXPECT_EQ(document->getActiveJob(), fresh);
    EXPECT_FALSE(old->active());

    platform::UndoManager *undo = document->undoManager();
    ASSERT_TRUE(QTest::qWaitFor([undo] { return undo->groupingLevel() == 0; }));
    EXPECT_EQ(undo->undoActionName(), text("LSUDaddEntry"));
    undo->undo();
    EXPECT_EQ(document->jobList()->childrenCount(), 2);
    EXPECT_EQ(document->getActiveJob(), old);
    EXPECT_FALSE(undo->canUndo());
}

TEST_F(JobNameSheetTest, EditingTheWageChangesTheSubtreeAndItsSums)
{
    ProbeDocument *document = newDocument(true);
    NodePtr group = makeNode(Node::Group, QStringLiteral("G"));
    NodePtr job = makeJob(QStringLiteral("Job"), 10.0f, {{8, 60}, {10, 30}});
    group->addChild(job);
    job->recalcTotalWorkTime();
    group->recalcTotalWorkTime();
    fill(document, {group});
    ASSERT_FLOAT_EQ(group->turnover(), 15.0f);

    document->nameSheets().funcJobName(job, 1);
    JobNameSheet *sheet = waitForSheet(document);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->jobTitle->text(), text("LSeditJob"));
    EXPECT_EQ(sheet->jobName->text(), QStringLiteral("Job"));
    EXPECT_DOUBLE_EQ(sheet->jobWage->value(), 10.0);
    answer(sheet, QStringLiteral("Renamed"), 20.0);

    EXPECT_EQ(job->itemName(), QStringLiteral("Renamed"));
    EXPECT_FLOAT_EQ(job->wage(), 20.0f);
    NodePtr day = job->childAtIndex(0);
    EXPECT_FLOAT_EQ(day->wage(), 20.0f);
    EXPECT_FLOAT_EQ(day->childAtIndex(0)->wage(), 20.0f);
    EXPECT_FLOAT_EQ(job->turnover(), 30.0f);
    EXPECT_FLOAT_EQ(group->turnover(), 30.0f);

    platform::UndoManager *undo = document->undoManager();
    ASSERT_TRUE(QTest::qWaitFor([undo] { return undo->groupingLevel() == 0; }));
    EXPECT_EQ(undo->undoActionName(), text("LSUDJobEdit"));
    undo->undo();
    EXPECT_EQ(job->itemName(), QStringLiteral("Job"));
    EXPECT_FLOAT_EQ(day->childAtIndex(0)->wage(), 10.0f);
    EXPECT_FLOAT_EQ(group->turnover(), 15.0f);
    EXPECT_FALSE(undo->canUndo());
}

TEST_F(JobNameSheetTest, AnUntouchedWageIsShownWholeAndWritesNothing)
{
    ProbeDocument *document = newDocument(true);
    NodePtr job = makeJob(QStringLiteral("Job"), 12.345f, {{8, 60}});
    NodePtr entry = job->childAtIndex(0)->childAtIndex(0);
    entry->setWage(20.0f); // an entry with a wage of its own
    job->recalcTotalWorkTime();
    fill(document, {job});
    const float turnover = job->turnover();

    for (const float wage : {12.345f, 2.5e9f, -0.001f}) {
        SCOPED_TRACE(wage);
        job->setWage(wage);
        document->nameSheets().funcJobName(job, 1);
        JobNameSheet *sheet = waitForSheet(document);
        ASSERT_NE(sheet, nullptr);
        char digits[64];
        const auto end = std::to_chars(digits, digits + sizeof digits, wage, std::chars_format::fixed).ptr;
        EXPECT_EQ(sheet->jobWage->text(), QString::fromLatin1(digits, end - digits).replace(QLatin1Char('.'), QLocale().decimalPoint()));
        // Only the name changes.
        sheet->jobName->setText(QStringLiteral("Renamed %1").arg(double(wage)));
        QPointer<JobNameSheet> guard(sheet);
        QTest::mouseClick(sheet->jobOkButton, Qt::LeftButton);
        ASSERT_TRUE(QTest::qWaitFor([guard] { return !guard; }));
        EXPECT_EQ(job->itemName(), QStringLiteral("Renamed %1").arg(double(wage)));
        EXPECT_EQ(job->wage(), wage);
        EXPECT_EQ(entry->wage(), 20.0f);
        EXPECT_EQ(job->turnover(), turnover);
    }

    // A typed wage is taken as typed and goes down the subtree.
    document->nameSheets().funcJobName(job, 1);
    JobNameSheet *sheet = waitForSheet(document);
    ASSERT_NE(sheet, nullptr);
    sheet->jobWage->clear();
    QTest::keyClicks(sheet->jobWage, QStringLiteral("7") + QLocale().decimalPoint() + QStringLiteral("125"));
    QPointer<JobNameSheet> guard(sheet);
    QTest::mouseClick(sheet->jobOkButton, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([guard] { return !guard; }));
    EXPECT_EQ(job->wage(), 7.125f);
    EXPECT_EQ(entry->wage(), 7.125f);
}

TEST_F(JobNameSheetTest, CancellingChangesNothing)
{
    ProbeDocument *document = newDocument(true);
    NodePtr job = makeJob(QStringLiteral("Job"), 10.0f, {});
    fill(document, {job});
    document->nameSheets().newJobEntry(nullptr);
    answer(waitForSheet(document), QStringLiteral("Never"), 5.0, false);
    EXPECT_EQ(document->jobList()->childrenCount(), 1);
    document->nameSheets().funcJobName(job, 1);
    answer(waitForSheet(document), QStringLiteral("Never"), 5.0, false);
    EXPECT_EQ(job->itemName(), QStringLiteral("Job"));
    EXPECT_FALSE(document->undoManager()->canUndo());
    EXPECT_FALSE(document->isDocumentEdited());
}

// A name too long for the field is shown cut; OK without touching it keeps the whole
// name, and a name typed over it replaces it.
TEST_F(JobNameSheetTest, ALongNameShownCutStaysWholeUnlessTyped)
{
    ProbeDocument *document = newDocument(true);
    const QString longName = QString(1 << 20, QLatin1Char('n'));
    NodePtr job = makeJob(QStringLiteral("Job"), 10.0f, {});
    job->setItemName(longName);
    fill(document, {job});
    document->nameSheets().funcJobName(job, 1);
    JobNameSheet *sheet = waitForSheet(document);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->jobName->text(), QString(1000, QLatin1Char('n')) + QChar(0x2026));
    sheet->jobWage->setValue(12.0);
    QPointer<JobNameSheet> guard(sheet);
    QTest::mouseClick(sheet->jobOkButton, Qt::LeftButton);
    ASSERT_TRUE(QTest::qWaitFor([guard] { return !guard; }));
    EXPECT_EQ(job->itemName(), longName);
    EXPECT_EQ(job->wage(), 12.0f);

    document->nameSheets().funcJobName(job, 1);
    answer(waitForSheet(document), QStringLiteral("Short"), 12.0);
    EXPECT_EQ(job->itemName(), QStringLiteral("Short"));
    document->undoManager()->undo();
    EXPECT_EQ(job->itemName(), longName);
}

// A name too long for one line is edited whole: End and a typed key in the field
// open the whole name with the key at its end; OK there and in the sheet store the
// whole name with the edit, never the cut text; Cancel there changes nothing.
TEST_F(JobNameSheetTest, ALongNameIsEditedWholeNeverCut)
{
    ProbeDocument *document = newDocument(true);
    NodePtr job = makeJob(QStringLiteral("Job"), 10.0f, {});
    fill(document, {job});
    for (const qsizetype length : {qsizetype(1500), qsizetype(10 << 20)}) {
        SCOPED_TRACE(length);
        const QString longName = QStringLiteral("Job ") + QString(length - 4, QLatin1Char('n'));
        job->setItemName(longName);
        for (const bool ok : {false, true}) {
            document->nameSheets().funcJobName(job, 1);
            JobNameSheet *sheet = waitForSheet(document);
            ASSERT_NE(sheet, nullptr);
            platform::WholeTextLineEdit *field = sheet->jobName;
            EXPECT_TRUE(field->isShownCut());
            const QString shown = field->text();
            field->setFocus();
            QTest::keyClick(field, Qt::Key_End);
            QTest::keyClicks(field, QStringLiteral("X"));
            EXPECT_EQ(field->text(), shown) << "the cut text takes no key";
            platform::WholeTextDialog *whole = field->wholeTextDialog();
            ASSERT_NE(whole, nullptr);
            ASSERT_TRUE(QTest::qWaitForWindowExposed(whole));
            EXPECT_EQ(whole->windowTitle(), QStringLiteral("Name of “\u2068Job %1\u2026\u2069”").arg(QString(76, QLatin1Char('n'))));
            EXPECT_EQ(whole->text(), longName + QStringLiteral("X"));
            QPointer<platform::WholeTextDialog> wholeGuard(whole);
            whole->buttons()->button(ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
            ASSERT_TRUE(QTest::qWaitFor([&] { return !wholeGuard; }));
            EXPECT_EQ(field->wholeText(), ok ? longName + QStringLiteral("X") : longName);
            EXPECT_EQ(field->text(), shown);
            QPointer<JobNameSheet> guard(sheet);
            QTest::mouseClick(sheet->jobOkButton, Qt::LeftButton);
            ASSERT_TRUE(QTest::qWaitFor([guard] { return !guard; }));
            EXPECT_EQ(job->itemName(), ok ? longName + QStringLiteral("X") : longName);
        }
        // One undo step takes the name back whole.
        document->undoManager()->undo();
        EXPECT_EQ(job->itemName(), longName);
    }
}

// Keys do to a long name what they do to a short one. The sheet opens with the name
// selected: a key replaces it (the field goes on with the short text); a caret moved
// first stays where it is; Return ends the edit and the sheet, also from the dialog
// with the whole name.
TEST_F(JobNameSheetTest, KeysDoToALongNameWhatTheyDoToAShortOne)
{
    ProbeDocument *document = newDocument(true);
    NodePtr job = makeJob(QStringLiteral("Job"), 10.0f, {});
    fill(document, {job});
    const QString longName = QStringLiteral("Job ") + QString(1496, QLatin1Char('n'));
    using Keys = QList<std::pair<Qt::Key, Qt::KeyboardModifiers>>;
    const struct {
        const char *what;
        Keys keys;
        QString typed;
        QString stored;
        bool dialog;
    } cases[] = {
        {"a key replaces the selection", {}, QStringLiteral("q"), QStringLiteral("q"), false},
        {"Backspace empties it", {{Qt::Key_Backspace, {}}}, QStringLiteral("ab"), QStringLiteral("ab"), false},
        {"End keeps the caret at the end", {{Qt::Key_End, {}}}, QStringLiteral("X"), longName + QStringLiteral("X"), true},
        {"Home keeps it at the start", {{Qt::Key_Home, {}}}, QStringLiteral("X"), QStringLiteral("X") + longName, true},
        {"a part selected is replaced",
         {{Qt::Key_Home, {}}, {Qt::Key_Right, Qt::ShiftModifier}, {Qt::Key_Right, Qt::ShiftModifier}, {Qt::Key_Right, Qt::ShiftModifier}},
         QStringLiteral("Rob"), QStringLiteral("Rob") + longName.mid(3), true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        job->setItemName(longName);
        document->nameSheets().funcJobName(job, 1);
        JobNameSheet *sheet = waitForSheet(document);
        ASSERT_NE(sheet, nullptr);
        platform::WholeTextLineEdit *field = sheet->jobName;
        field->setFocus();
        ASSERT_TRUE(field->isShownCut());
        for (const auto &[key, modifiers] : c.keys)
            QTest::keyClick(field, key, modifiers);
        QWidget *target = field;
        for (const QChar typed : c.typed) {
            QTest::keyClick(target, typed.toLatin1());
            if (platform::WholeTextDialog *whole = field->wholeTextDialog())
                target = whole->editor();
        }
        platform::WholeTextDialog *whole = field->wholeTextDialog();
        EXPECT_EQ(whole != nullptr, c.dialog);
        if (!whole) {
            EXPECT_EQ(field->text(), c.stored);
        }
        QPointer<JobNameSheet> guard(sheet);
        QTest::keyClick(target, Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([guard] { return !guard; })) << "Return ends the sheet";
        EXPECT_EQ(job->itemName().size(), c.stored.size());
        EXPECT_EQ(job->itemName(), c.stored);
    }
}

// When the dialog with the whole name and then the sheet end, with their buttons or
// with Return, the keyboard comes back each time: to the name, then to the outline,
// where Edit › Delete is offered for the selected row.
TEST_F(JobNameSheetTest, TheKeyboardComesBackAfterTheDialogs)
{
    ProbeDocument *document = newDocument(true);
    NodePtr job = makeJob(QStringLiteral("Job"), 10.0f, {});
    fill(document, {job});
    ASSERT_TRUE(QTest::qWaitForWindowActive(document->mainWindow()));
    QTreeView *view = outline(document);
    QAction *deleteItem = document->documentWindow()->standardMenus()->deleteItem();
    for (const bool byReturn : {false, true}) {
        SCOPED_TRACE(byReturn ? "Return" : "buttons");
        job->setItemName(QString(1500, QLatin1Char('n')));
        select(document, {job});
        view->setFocus();
        document->nameSheets().funcJobName(job, 1);
        JobNameSheet *sheet = waitForSheet(document);
        ASSERT_NE(sheet, nullptr);
        ASSERT_TRUE(QTest::qWaitFor([&] { return sheet->jobName->hasFocus(); })) << "the sheet opens on the name";
        QTest::keyClick(sheet->jobName, Qt::Key_End);
        QTest::keyClick(sheet->jobName, Qt::Key_X);
        platform::WholeTextDialog *whole = sheet->jobName->wholeTextDialog();
        ASSERT_NE(whole, nullptr);
        QPointer<platform::WholeTextDialog> wholeGuard(whole);
        QPointer<JobNameSheet> guard(sheet);
        if (byReturn) {
            QTest::keyClick(whole->editor(), Qt::Key_Return);
        } else {
            QTest::mouseClick(whole->buttons()->button(QDialogButtonBox::Ok), Qt::LeftButton);
            ASSERT_TRUE(QTest::qWaitFor([&] { return !wholeGuard; }));
            EXPECT_TRUE(QTest::qWaitFor([&] { return sheet->jobName->hasFocus(); })) << "the name has the keyboard";
            QTest::mouseClick(sheet->jobOkButton, Qt::LeftButton);
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return !guard; }));
        EXPECT_EQ(job->itemName().size(), 1501);
        EXPECT_TRUE(QTest::qWaitFor([&] { return view->hasFocus(); })) << "the outline has the keyboard";
        Q_EMIT document->documentWindow()->standardMenus()->editMenu()->aboutToShow();
        EXPECT_TRUE(deleteItem->isEnabled());
    }
}

TEST_F(JobNameSheetTest, EscapeEndsTheSheetLikeCancel)
{
    ProbeDocument *document = newDocument(true);
    document->nameSheets().newJobEntry(nullptr);
    JobNameSheet *sheet = waitForSheet(document);
    ASSERT_NE(sheet, nullptr);
    QPointer<JobNameSheet> guard(sheet);
    QTest::keyClick(sheet, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([guard] { return !guard; }));
    EXPECT_EQ(document->jobList()->childrenCount(), 0);
}

TEST_F(JobNameSheetTest, OnlyJobsAreEdited)
{
    ProbeDocument *document = newDocument(true);
    NodePtr job = makeJob(QStringLiteral("Job"), 10.0f, {{8, 60}});
    fill(document, {job});
    document->nameSheets().funcJobName(job->childAtIndex(0), 1);
    EXPECT_EQ(document->nameSheets().jobNameWindow(), nullptr);
}
