// The small date control: date order and separator from the locale, typing through
// the filter, ranges by field tag, month-length clamping per control, stepping and
// moves between fields.
#include "NTXAppKit/TDSmallDateControl/TDSmallDateControl.h"
#include "NTXAppKit/TDTimeControl/TDLocaleFormats.h"
#include "NTXAppKit/TDTimeControl/TDStepper.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/drawing/YUpPainter.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>
#include <ctime>
#include <memory>

namespace {

class DateTarget : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void changeDate(QObject *) { ++count; }
    int count = 0;
};

QDateTime day(int y, int m, int d)
{
    return QDateTime(QDate(y, m, d), QTime(0, 0), Qt::LocalTime);
}

struct DateWindow
{
    explicit DateWindow(const char *localeName, bool withStepper = false)
    {
        window = std::make_unique<QWidget>();
        window->setLocale(QLocale(QString::fromLatin1(localeName)));
        window->resize(220, 60);
        control = new TDSmallDateControl(window.get());
        control->move(10, 15);
        control->setTarget(&target);
        control->setAction("changeDate:");
        if (withStepper) {
            stepper = new TDStepper(window.get());
            control->setStepper(stepper);
        }
        control->setDate(day(2009, 3, 14));
        control->awakeFromNib();
        window->show();
        QApplication::setActiveWindow(window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    // Starts editing the field with the tag; answers the editor.
    QLineEdit *edit(int field)
    {
        for (int position = 0; position < 3; ++position) {
            if (control->fieldAtPosition(position) == field)
                control->editCell(position);
        }
        return control->fieldEditor();
    }
    std::unique_ptr<QWidget> window;
    TDSmallDateControl *control = nullptr;
    TDStepper *stepper = nullptr;
    DateTarget target;
};

} // namespace

TEST(TDSmallDateControlFormat, DaysInMonth)
{
    EXPECT_EQ(TDDaysInMonth(2, 1900), 28);
    EXPECT_EQ(TDDaysInMonth(2, 2000), 29);
    EXPECT_EQ(TDDaysInMonth(2, 2004), 29);
    EXPECT_EQ(TDDaysInMonth(2, 2001), 28);
    EXPECT_EQ(TDDaysInMonth(4, 2001), 30);
    EXPECT_EQ(TDDaysInMonth(12, 2001), 31);
    EXPECT_EQ(TDDaysInMonth(0, 2001), 0);
    EXPECT_EQ(TDDaysInMonth(13, 2001), 0);
}

TEST(TDSmallDateControlFormat, PatternsGiveOrderAndSeparator)
{
    using namespace TDLocaleFormats;
    EXPECT_EQ(dateFormatFromPattern(QStringLiteral("M/d/yy")).dateOrder, 0);
    EXPECT_EQ(dateFormatFromPattern(QStringLiteral("M/d/yy")).dateSeparator, QStringLiteral("/"));
    EXPECT_EQ(dateFormatFromPattern(QStringLiteral("dd.MM.yy")).dateOrder, 1);
    EXPECT_EQ(dateFormatFromPattern(QStringLiteral("dd.MM.yy")).dateSeparator, QStringLiteral("."));
    EXPECT_EQ(dateFormatFromPattern(QStringLiteral("y/MM/dd")).dateOrder, 2);
    EXPECT_EQ(dateFormatFromPattern(QStringLiteral("yy. M. d.")).dateSeparator, QStringLiteral("."));
    EXPECT_EQ(dateFormatFromPattern(QStringLiteral("MM-y-dd")).dateOrder, 3);
    EXPECT_EQ(dateFormatFromPattern(QStringLiteral("d 'de' y 'de' MMMM")).dateOrder, 4);
    EXPECT_EQ(dateFormatFromPattern(QStringLiteral("y d M")).dateOrder, 5);
    // no pattern: day, month, year
    EXPECT_EQ(dateFormatFromPattern(QString()).dateOrder, 1);
    // Direction marks and other invisible format characters are no separator.
    EXPECT_EQ(dateFormatFromPattern(QString::fromUtf16(u"d\u200F/M\u200F/y")).dateSeparator, QStringLiteral("/"));
    EXPECT_EQ(dateFormatFromPattern(QString::fromUtf16(u"y\u200E-\u200EMM-dd")).dateSeparator, QStringLiteral("-"));
    EXPECT_EQ(dateFormatFromPattern(QString::fromUtf16(u"d\u061C.M.y")).dateSeparator, QStringLiteral("."));
    EXPECT_EQ(dateFormatFromPattern(QString::fromUtf16(u"d\u200FM\u200Fy")).dateSeparator, QStringLiteral(".")); // the default
    EXPECT_EQ(timeFormatFromPattern(QString::fromUtf16(u"h\u200F:mm a")).timeSeparator, QStringLiteral(":"));
    int d = -1, m = -1, y = -1;
    positionsForDateOrder(9, d, m, y);
    EXPECT_EQ(d + m + y, 3);
}

TEST(TDSmallDateControlFormat, RightToLeftLocaleSeparatorIsVisible)
{
    const QString separator = TDLocaleFormats::dateFormatInfo(QLocale(QStringLiteral("ar_EG"))).dateSeparator;
    ASSERT_EQ(separator.size(), 1);
    EXPECT_NE(separator.at(0).category(), QChar::Other_Format);
    EXPECT_TRUE(separator.at(0).isPrint()) << int(separator.at(0).unicode());
}

TEST(TDSmallDateControlFormat, LocaleDecidesPositionsAndTagsDecideRanges)
{
    DateWindow de("de_DE");
    EXPECT_EQ(de.control->dateSeparator(), QStringLiteral("."));
    EXPECT_EQ(de.control->fieldAtPosition(0), int(TDDateFields::DayField));
    EXPECT_EQ(de.control->fieldCell(0)->stringValue(), QStringLiteral("14"));
    EXPECT_EQ(de.control->fieldCell(2)->stringValue(), QStringLiteral("2009"));
    DateWindow us("en_US");
    EXPECT_EQ(us.control->dateSeparator(), QStringLiteral("/"));
    EXPECT_EQ(us.control->fieldAtPosition(0), int(TDDateFields::MonthField));
    EXPECT_EQ(us.control->fieldAtPosition(1), int(TDDateFields::DayField));
    EXPECT_EQ(us.control->fieldCell(0)->stringValue(), QStringLiteral("03"));
    // the month at position 0 refuses 13 but the day at position 1 takes it
    QLineEdit *editor = us.edit(TDDateFields::MonthField);
    QTest::keyClicks(editor, QStringLiteral("13"));
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_EQ(us.control->month(), 3);
    QTest::keyClicks(editor, QStringLiteral("13"));
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_EQ(us.control->day(), 13);
}

TEST(TDSmallDateControlTyping, DayMonthYearTypedInOrderWithOneActionOnReturn)
{
    DateWindow w("de_DE");
    QLineEdit *editor = w.edit(TDDateFields::DayField);
    QTest::keyClicks(editor, QStringLiteral("2a4"));
    EXPECT_EQ(editor->text(), QStringLiteral("24"));
    QTest::keyClick(editor, Qt::Key_Tab);
    QTest::keyClicks(editor, QStringLiteral("12"));
    QTest::keyClick(editor, Qt::Key_Tab);
    QTest::keyClicks(editor, QStringLiteral("2024"));
    EXPECT_EQ(w.target.count, 0);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(w.target.count, 1);
    EXPECT_EQ(w.control->date(), day(2024, 12, 24));
    // Return keeps the control focused
    EXPECT_EQ(QApplication::focusWidget(), w.control);
}

TEST(TDSmallDateControlTyping, MonthDayYearTypedInOrder)
{
    DateWindow w("en_US");
    QLineEdit *editor = w.edit(TDDateFields::MonthField);
    QTest::keyClicks(editor, QStringLiteral("2"));
    QTest::keyClick(editor, Qt::Key_Tab);
    // February 2009 has no 29th: the day is checked against the month shown
    QTest::keyClicks(editor, QStringLiteral("29"));
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_EQ(w.control->day(), 14);
    QTest::keyClicks(editor, QStringLiteral("2004"));
    QTest::keyClick(editor, Qt::Key_Backtab);
    QTest::keyClicks(editor, QStringLiteral("29"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(w.control->date(), day(2004, 2, 29));
    EXPECT_EQ(w.target.count, 1);
}

TEST(TDSmallDateControlTyping, FilterAndDiscardedValues)
{
    DateWindow w("de_DE");
    int posts = 0;
    QObject observer;
    platform::NotificationCenter::defaultCenter().addObserver(
        &observer, QStringLiteral("NSControlTextDidEndEditingNotification"), w.control,
        [&posts](const platform::Notification &) { ++posts; });
    w.edit(TDDateFields::DayField);
    EXPECT_FALSE(w.control->textViewShouldChangeTextInRange(platform::Range(2, 0), QStringLiteral("1")));
    EXPECT_FALSE(w.control->textViewShouldChangeTextInRange(platform::Range(0, 3), QStringLiteral("1")));
    EXPECT_FALSE(w.control->textViewShouldChangeTextInRange(platform::Range(0, 1), QStringLiteral("-")));
    QLineEdit *editor = w.edit(TDDateFields::MonthField);
    QTest::keyClicks(editor, QStringLiteral("0"));
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_EQ(w.control->month(), 3);
    EXPECT_EQ(posts, 1); // posted although the value was dropped
    EXPECT_TRUE(w.control->textViewShouldChangeTextInRange(platform::Range(3, 1), QStringLiteral("99")));
    EXPECT_FALSE(w.control->textViewShouldChangeTextInRange(platform::Range(4, 0), QStringLiteral("9")));
    editor->setCursorPosition(3);
    QTest::keyClicks(editor, QStringLiteral("5"));
    EXPECT_EQ(editor->text(), QStringLiteral("20059"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(w.control->year(), 2009);
}

// Each control keeps the length of its own month: another control set to a 31-day
// month later does not let this one take 31 February.
TEST(TDSmallDateControlTyping, DayMaximumBelongsToEachControl)
{
    DateWindow february("de_DE");
    DateWindow january("de_DE");
    february.control->setDate(day(2001, 2, 10));
    january.control->setDate(day(2001, 1, 10));
    QLineEdit *editor = february.edit(TDDateFields::DayField);
    QTest::keyClicks(editor, QStringLiteral("31"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(february.control->day(), 10);
    EXPECT_TRUE(february.control->date().isValid());
    editor = january.edit(TDDateFields::DayField);
    QTest::keyClicks(editor, QStringLiteral("31"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(january.control->day(), 31);
    editor = february.edit(TDDateFields::DayField);
    QTest::keyClicks(editor, QStringLiteral("28"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(february.control->date(), day(2001, 2, 28));
}

TEST(TDSmallDateControlValue, MonthChangeClampsTheDay)
{
    DateWindow w("de_DE");
    w.control->setDate(day(2001, 1, 31));
    w.control->setMonth(2);
    EXPECT_EQ(w.control->day(), 28);
    w.control->setDate(day(2004, 1, 31));
    w.control->setMonth(2);
    EXPECT_EQ(w.control->day(), 29);
    // a leap day set while the control shows a common year
    w.control->setDate(day(2001, 3, 1));
    w.control->setDate(day(2004, 2, 29));
    EXPECT_EQ(w.control->date(), day(2004, 2, 29));
}

TEST(TDSmallDateControlStepping, StepperSetsTheFieldAndClampsWithoutAction)
{
    DateWindow w("de_DE", true);
    w.control->setDate(day(2001, 1, 31));
    w.control->setSelected(1); // month
    EXPECT_EQ(w.stepper->intValue(), 1);
    EXPECT_EQ(w.stepper->maxValue(), 12);
    QTest::mouseClick(w.stepper, Qt::LeftButton, {}, QPoint(w.stepper->width() / 2, 3));
    EXPECT_EQ(w.control->date(), day(2001, 2, 28));
    EXPECT_EQ(w.target.count, 0);
    w.control->setSelected(0); // day: the stepper's range is February's
    EXPECT_EQ(w.stepper->maxValue(), 28);
    w.stepper->stepUp();
    EXPECT_EQ(w.control->day(), 1);
    EXPECT_EQ(w.stepper->x(), w.control->x() + w.control->width() + 2);
    EXPECT_EQ(w.stepper->y(), w.control->y());
}

TEST(TDSmallDateControlStepping, UpAndDownKeysWrapWithinTheField)
{
    DateWindow w("en_US", true);
    w.control->setDate(day(2004, 2, 29));
    QLineEdit *editor = w.edit(TDDateFields::DayField);
    QTest::keyClick(editor, Qt::Key_Up);
    EXPECT_EQ(w.control->day(), 1);
    EXPECT_EQ(editor->text(), QStringLiteral("01"));
    QTest::keyClick(editor, Qt::Key_Down);
    EXPECT_EQ(w.control->day(), 29);
    editor = w.edit(TDDateFields::MonthField);
    QTest::keyClick(editor, Qt::Key_Down);
    EXPECT_EQ(w.control->month(), 1);
    QTest::keyClick(editor, Qt::Key_Down);
    EXPECT_EQ(w.control->date(), day(2004, 12, 29));
    EXPECT_EQ(w.stepper->intValue(), 12);
}

TEST(TDSmallDateControlMoves, ArrowsAndClicksMoveBetweenPositions)
{
    DateWindow w("en_US");
    QLineEdit *editor = w.edit(TDDateFields::MonthField);
    EXPECT_EQ(w.control->selected(), 0);
    QTest::keyClick(editor, Qt::Key_Right);
    EXPECT_EQ(w.control->selected(), 1);
    QTest::keyClicks(editor, QStringLiteral("20"));
    QTest::keyClick(editor, Qt::Key_Right);
    EXPECT_EQ(w.control->day(), 20);
    EXPECT_EQ(w.target.count, 1); // the move changed the date
    QTest::keyClick(editor, Qt::Key_Left);
    QTest::keyClick(editor, Qt::Key_Left);
    EXPECT_EQ(w.control->selected(), 0);
    EXPECT_EQ(w.target.count, 1);
    const QRectF year = platform::YUpPainter::rectToView(w.control->fieldRect(2), w.control->height());
    QTest::mouseClick(w.control, Qt::LeftButton, {}, year.center().toPoint());
    EXPECT_TRUE(w.control->isUsingFieldEditor());
    EXPECT_EQ(w.control->selected(), 2);
    EXPECT_EQ(w.control->fieldEditor()->text(), QStringLiteral("2009"));
}

TEST(TDSmallDateControlDrawing, PicturesUnderBothLocales)
{
    for (const char *name : {"de_DE", "en_US"}) {
        DateWindow w(name, true);
        w.control->setSelected(2);
        QImage image = w.window->grab(QRect(0, 0, 160, 50)).toImage();
        ASSERT_FALSE(image.isNull());
        // the field area is white and the caret under the year is grey
        const QRectF year = platform::YUpPainter::rectToView(w.control->fieldRect(2), w.control->height());
        const int cx = w.control->x() + int(year.center().x());
        const int cy = w.control->y() + w.control->height() - 4;
        bool grey = false;
        for (int dx = -3; dx <= 3; ++dx) {
            const QColor c = image.pixelColor(cx + dx, cy);
            grey = grey || (c.red() < 230 && std::abs(c.red() - c.blue()) < 8);
        }
        EXPECT_TRUE(grey) << name;
        image.save(testsupport::screenshotPath(QStringLiteral("TDSmallDateControl-%1.png").arg(QLatin1String(name))));
    }
}


// In Santiago de Chile summer time begins at midnight: 2024-09-08 starts at 01:00.
TEST(TDSmallDateControlValue, ADayWithoutMidnightStillGivesItsDate)
{
    testsupport::ScopedTimeZone santiago("America/Santiago");
    TDDateFields fields;
    fields.setDate(QDateTime(QDate(2024, 9, 8), QTime(12, 0), Qt::OffsetFromUTC, -3 * 3600));
    ASSERT_EQ(fields.value(TDDateFields::DayField), 8);
    const QDateTime date = fields.date();
    ASSERT_TRUE(date.isValid());
    EXPECT_EQ(date.date(), QDate(2024, 9, 8));
    EXPECT_EQ(date.time(), QTime(1, 0));
    EXPECT_EQ(date.offsetFromUtc(), -3 * 3600);

    fields.setDate(QDateTime(QDate(2024, 7, 1), QTime(12, 0), Qt::OffsetFromUTC, -4 * 3600));
    EXPECT_EQ(fields.date(), QDateTime(QDate(2024, 7, 1), QTime(0, 0), Qt::OffsetFromUTC, -4 * 3600));
}

#include "TestTDSmallDateControl.moc"
