// The time-of-day control: formats from the locale, typing through the filter,
// stepping with the stepper, keys and mouse, moves between fields, the action and
// the end-of-editing notification.
#include "NTXAppKit/TDTimeControl/TDLocaleFormats.h"
#include "NTXAppKit/TDTimeControl/TDStepper.h"
#include "NTXAppKit/TDTimeControl/TDTimeControl.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/drawing/YUpPainter.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include "tests/support/TestSupport.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "tests/support/NonKeyedCoder.h"

#include <gtest/gtest.h>
#include <ctime>
#include <memory>

namespace {

class ActionTarget : public QObject
{
    Q_OBJECT
public:
    Q_INVOKABLE void changeTime(QObject *sender)
    {
        ++count;
        lastSender = sender;
    }
    Q_INVOKABLE void controlTextDidEndEditing(QObject *control, const QVariantMap &userInfo)
    {
        ++endings;
        lastInfo = userInfo;
    }
    int count = 0;
    int endings = 0;
    QObject *lastSender = nullptr;
    QVariantMap lastInfo;
};

QDateTime local(int y, int mo, int d, int h, int mi, int s)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s), Qt::LocalTime);
}

// A shown, active window holding one time control under a locale.
struct TimeWindow
{
    explicit TimeWindow(const char *localeName, bool withStepper = false)
    {
        window = std::make_unique<QWidget>();
        window->setLocale(QLocale(QString::fromLatin1(localeName)));
        window->resize(260, 80);
        control = new TDTimeControl(window.get());
        control->move(10, 20);
        control->setTarget(&target);
        control->setAction("changeTime:");
        if (withStepper) {
            stepper = new TDStepper(window.get());
            control->setStepper(stepper);
        }
        control->setDate(local(2009, 3, 14, 9, 5, 7));
        control->awakeFromNib();
        window->show();
        QApplication::setActiveWindow(window.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    QLineEdit *edit(int field)
    {
        control->editCell(field);
        return control->fieldEditor();
    }
    std::unique_ptr<QWidget> window;
    TDTimeControl *control = nullptr;
    TDStepper *stepper = nullptr;
    ActionTarget target;
};

} // namespace

// ---- Formats ----

TEST(TDTimeControlFormat, PatternsGiveHourNumberingAndSeparator)
{
    using namespace TDLocaleFormats;
    TimeFormatInfo de = timeFormatFromPattern(QStringLiteral("HH:mm"));
    EXPECT_TRUE(de.is24Hour);
    EXPECT_EQ(de.hourFormat, QStringLiteral("%02d"));
    EXPECT_EQ(de.timeSeparator, QStringLiteral(":"));
    TimeFormatInfo ja = timeFormatFromPattern(QStringLiteral("H.mm"));
    EXPECT_EQ(ja.hourFormat, QStringLiteral("%01d"));
    EXPECT_EQ(ja.timeSeparator, QStringLiteral("."));
    TimeFormatInfo us = timeFormatFromPattern(QStringLiteral("h:mm\u202Fa"));
    EXPECT_FALSE(us.is24Hour);
    EXPECT_EQ(us.hourType, 2);
    EXPECT_EQ(us.hourMinimum, 1);
    EXPECT_EQ(us.hourMaximum, 12);
    TimeFormatInfo k = timeFormatFromPattern(QStringLiteral("a K 'h' mm"));
    EXPECT_EQ(k.hourType, 3);
    EXPECT_EQ(k.timeSeparator, QStringLiteral("h"));
    // nothing to go by: 24 hours, two digits, a colon
    TimeFormatInfo none = timeFormatFromPattern(QString());
    EXPECT_TRUE(none.is24Hour);
    EXPECT_EQ(none.timeSeparator, QStringLiteral(":"));
    EXPECT_EQ(none.amStr, QStringLiteral("AM"));
}

TEST(TDTimeControlFormat, TwentyFourHourLocaleHasNoMeridianField)
{
    TimeWindow w("de_DE");
    EXPECT_TRUE(w.control->is24Hour());
    EXPECT_EQ(w.control->cellsCount(), 3);
    EXPECT_EQ(w.control->fieldCell(TDTimeFields::AmPmField), nullptr);
    EXPECT_EQ(w.control->fieldCell(TDTimeFields::HourField)->stringValue(), QStringLiteral("09"));
    w.control->setDate(local(2009, 3, 14, 23, 0, 0));
    EXPECT_EQ(w.control->fieldCell(TDTimeFields::HourField)->stringValue(), QStringLiteral("23"));
    EXPECT_EQ(w.control->separatorCell(0)->stringValue(), QStringLiteral(":"));
}

TEST(TDTimeControlFormat, TwelveHourLocaleShowsDesignators)
{
    TimeWindow w("en_US");
    EXPECT_FALSE(w.control->is24Hour());
    EXPECT_EQ(w.control->cellsCount(), 4);
    w.control->setDate(local(2009, 3, 14, 0, 30, 0));
    EXPECT_EQ(w.control->hourString(), QStringLiteral("12"));
    EXPECT_EQ(w.control->fieldCell(TDTimeFields::AmPmField)->stringValue(), w.control->amString());
    w.control->setDate(local(2009, 3, 14, 13, 30, 0));
    EXPECT_EQ(w.control->hourString(), QStringLiteral("1"));
    EXPECT_EQ(w.control->fieldCell(TDTimeFields::AmPmField)->stringValue(), w.control->pmString());
}

TEST(TDTimeControlFormat, HourConversionForEachNumbering)
{
    TDTimeFields fields;
    TDLocaleFormats::TimeFormatInfo info;
    info.hourType = 3;
    fields.setFormatInfo(info);
    EXPECT_EQ(fields.hourToLocalizedHour(12), 0);
    EXPECT_EQ(fields.localizedHourToHour(0, true), 12);
    fields.setHour(12);
    EXPECT_EQ(fields.amPmString(), QStringLiteral("PM"));
    info.hourType = 2;
    fields.setFormatInfo(info);
    EXPECT_EQ(fields.localizedHourToHour(12, false), 0);
    EXPECT_EQ(fields.localizedHourToHour(12, true), 12);
    EXPECT_EQ(fields.localizedHourToHour(3, true), 15);
}

TEST(TDTimeControlFormat, LocaleChangeRebuildsTheFields)
{
    TimeWindow w("de_DE");
    const int width24 = w.control->width();
    w.control->setLocale(QLocale(QStringLiteral("en_US")));
    EXPECT_FALSE(w.control->is24Hour());
    EXPECT_EQ(w.control->cellsCount(), 4);
    EXPECT_GT(w.control->width(), width24);
    EXPECT_EQ(w.control->date(), local(2009, 3, 14, 9, 5, 7));
}

// ---- Typing ----

TEST(TDTimeControlTyping, DigitsAreTakenAndTabMovesOnWithOneAction)
{
    TimeWindow w("de_DE");
    QLineEdit *editor = w.edit(TDTimeFields::HourField);
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), QStringLiteral("09"));
    QTest::keyClicks(editor, QStringLiteral("1x7"));
    EXPECT_EQ(editor->text(), QStringLiteral("17"));
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_EQ(w.control->hour(), 17);
    EXPECT_EQ(w.control->selected(), int(TDTimeFields::MinuteField));
    EXPECT_EQ(w.target.count, 1);
    EXPECT_EQ(w.target.lastSender, w.control);
    EXPECT_EQ(editor->text(), QStringLiteral("05"));
    QTest::keyClicks(editor, QStringLiteral("42"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(w.control->minute(), 42);
    EXPECT_EQ(w.target.count, 2);
    EXPECT_EQ(w.control->date(), local(2009, 3, 14, 17, 42, 7));
}

TEST(TDTimeControlTyping, FilterRefusesLongRangesAndNonDigits)
{
    TimeWindow w("de_DE");
    w.edit(TDTimeFields::MinuteField);
    EXPECT_FALSE(w.control->textViewShouldChangeTextInRange(platform::Range(2, 0), QStringLiteral("1")));
    EXPECT_FALSE(w.control->textViewShouldChangeTextInRange(platform::Range(0, 3), QStringLiteral("1")));
    EXPECT_FALSE(w.control->textViewShouldChangeTextInRange(platform::Range(0, 2), QStringLiteral("1a")));
    EXPECT_TRUE(w.control->textViewShouldChangeTextInRange(platform::Range(0, 2), QStringLiteral("59")));
    EXPECT_TRUE(w.control->textViewShouldChangeTextInRange(platform::Range(1, 1), QString()));
}

TEST(TDTimeControlTyping, OutOfRangeValueIsDiscardedWithoutNotificationButStillMoves)
{
    TimeWindow w("de_DE");
    w.control->setDelegate(&w.target);
    QLineEdit *editor = w.edit(TDTimeFields::MinuteField);
    QTest::keyClicks(editor, QStringLiteral("60"));
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_EQ(w.control->minute(), 5);
    EXPECT_EQ(w.control->fieldCell(TDTimeFields::MinuteField)->stringValue(), QStringLiteral("05"));
    EXPECT_EQ(w.target.endings, 0);
    EXPECT_EQ(w.control->selected(), int(TDTimeFields::SecondField));
    QTest::keyClicks(editor, QStringLiteral("30"));
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_EQ(w.target.endings, 1);
    EXPECT_EQ(w.target.lastInfo.value(QStringLiteral("NSTextMovement")).toInt(), 17);
    EXPECT_EQ(w.target.lastInfo.value(QStringLiteral("NSFieldEditor")).value<QObject *>(), editor);
}

TEST(TDTimeControlTyping, MeridianLettersSwitchAtOnce)
{
    TimeWindow w("en_US");
    w.control->setDate(local(2009, 3, 14, 9, 30, 0));
    QLineEdit *editor = w.edit(TDTimeFields::AmPmField);
    const QString pmKey = w.control->pmString().left(1).toLower();
    const QString amKey = w.control->amString().left(1).toLower();
    QTest::keyClicks(editor, pmKey);
    EXPECT_EQ(w.control->hour(), 21);
    EXPECT_EQ(editor->text(), w.control->pmString());
    QTest::keyClicks(editor, pmKey);
    EXPECT_EQ(w.control->hour(), 21);
    QTest::keyClicks(editor, QStringLiteral("x"));
    EXPECT_EQ(w.control->hour(), 21);
    QTest::keyClicks(editor, amKey);
    EXPECT_EQ(w.control->hour(), 9);
    QTest::keyClicks(editor, pmKey);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(w.control->hour(), 21);
    EXPECT_EQ(w.control->date(), local(2009, 3, 14, 21, 30, 0));
}

// An empty text for the meridian field (a deletion) has no first letter: it is
// refused and the time stays as it is.
TEST(TDTimeControlTyping, EmptyTextInMeridianFieldIsRefused)
{
    TimeWindow w("en_US");
    w.control->setDate(local(2009, 3, 14, 15, 0, 0));
    QLineEdit *editor = w.edit(TDTimeFields::AmPmField);
    EXPECT_FALSE(w.control->textViewShouldChangeTextInRange(platform::Range(0, 2), QString()));
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClick(editor, Qt::Key_Delete);
    EXPECT_EQ(editor->text(), w.control->pmString());
    EXPECT_EQ(w.control->hour(), 15);
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(w.control->hour(), 15);
}

TEST(TDTimeControlTyping, TwelveTypedWithAmOrPm)
{
    TimeWindow w("en_US");
    w.control->setDate(local(2009, 3, 14, 9, 0, 0));
    QLineEdit *editor = w.edit(TDTimeFields::HourField);
    QTest::keyClicks(editor, QStringLiteral("12"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(w.control->hour(), 0);
    w.control->setDate(local(2009, 3, 14, 15, 0, 0));
    editor = w.edit(TDTimeFields::HourField);
    QTest::keyClicks(editor, QStringLiteral("12"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(w.control->hour(), 12);
    // 0 is no hour of a 1-to-12 clock
    editor = w.edit(TDTimeFields::HourField);
    QTest::keyClicks(editor, QStringLiteral("0"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(w.control->hour(), 12);
}

// ---- Stepping ----

TEST(TDTimeControlStepping, StepperWrapsCarryIntoHourAndDay)
{
    TimeWindow w("de_DE", true);
    w.control->setDate(local(2009, 3, 14, 23, 59, 0));
    w.control->setSelected(TDTimeFields::MinuteField);
    EXPECT_EQ(w.stepper->intValue(), 59);
    w.stepper->stepUp();
    EXPECT_EQ(w.control->date(), local(2009, 3, 15, 0, 0, 0));
    EXPECT_EQ(w.target.count, 1);
    w.stepper->stepDown();
    EXPECT_EQ(w.control->date(), local(2009, 3, 14, 23, 59, 0));
    EXPECT_EQ(w.target.count, 2);
    w.control->setSelected(TDTimeFields::HourField);
    w.stepper->stepUp();
    EXPECT_EQ(w.control->date(), local(2009, 3, 15, 0, 59, 0));
}

TEST(TDTimeControlStepping, MouseOnTheStepperArrows)
{
    TimeWindow w("de_DE", true);
    w.control->setSelected(TDTimeFields::MinuteField);
    EXPECT_EQ(w.stepper->x(), w.control->x() + w.control->width() + 3);
    QTest::mouseClick(w.stepper, Qt::LeftButton, {}, QPoint(w.stepper->width() / 2, 3));
    EXPECT_EQ(w.control->minute(), 6);
    QTest::mouseClick(w.stepper, Qt::LeftButton, {}, QPoint(w.stepper->width() / 2, w.stepper->height() - 3));
    QTest::mouseClick(w.stepper, Qt::LeftButton, {}, QPoint(w.stepper->width() / 2, w.stepper->height() - 3));
    EXPECT_EQ(w.control->minute(), 4);
    EXPECT_EQ(w.target.count, 3);
}

TEST(TDTimeControlStepping, UpAndDownKeysStepTheEditedField)
{
    TimeWindow w("en_US", true);
    w.control->setDate(local(2009, 3, 14, 11, 0, 0));
    QLineEdit *editor = w.edit(TDTimeFields::HourField);
    QTest::keyClick(editor, Qt::Key_Up);
    EXPECT_EQ(w.control->hour(), 12);
    EXPECT_EQ(editor->text(), QStringLiteral("12"));
    EXPECT_EQ(w.target.count, 1);
    EXPECT_EQ(w.stepper->intValue(), 12);
    editor = w.edit(TDTimeFields::AmPmField);
    QTest::keyClick(editor, Qt::Key_Down);
    EXPECT_EQ(w.control->hour(), 0);
    EXPECT_EQ(editor->text(), w.control->amString());
    EXPECT_EQ(w.target.count, 2);
}

TEST(TDTimeControlStepping, TypedNumberMovesTheStepperWithinItsRange)
{
    TimeWindow w("de_DE", true);
    QLineEdit *editor = w.edit(TDTimeFields::MinuteField);
    QTest::keyClicks(editor, QStringLiteral("4"));
    EXPECT_EQ(w.stepper->intValue(), 4);
    QTest::keyClicks(editor, QStringLiteral("9"));
    EXPECT_EQ(w.stepper->intValue(), 49);
    QTest::keyClick(editor, Qt::Key_Home);
    QTest::keyClicks(editor, QStringLiteral("7"));
    EXPECT_EQ(w.stepper->intValue(), 5); // 749 is out of range: back to the synchronised value
}

// ---- Moving between fields ----

TEST(TDTimeControlMoves, TabBacktabAndArrowsMoveBetweenFields)
{
    TimeWindow w("en_US");
    auto *after = new QPushButton(QStringLiteral("OK"), w.window.get());
    after->move(10, 50);
    after->show();
    QLineEdit *editor = w.edit(TDTimeFields::HourField);
    QTest::keyClick(editor, Qt::Key_Right);
    EXPECT_EQ(w.control->selected(), int(TDTimeFields::MinuteField));
    EXPECT_EQ(w.target.count, 0); // nothing changed
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_EQ(w.control->selected(), int(TDTimeFields::SecondField));
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_EQ(w.control->selected(), int(TDTimeFields::AmPmField));
    QTest::keyClick(editor, Qt::Key_Left);
    EXPECT_EQ(w.control->selected(), int(TDTimeFields::SecondField));
    QTest::keyClick(editor, Qt::Key_Backtab);
    EXPECT_EQ(w.control->selected(), int(TDTimeFields::MinuteField));
    // typing then Right takes the value and reports the change
    QTest::keyClicks(editor, QStringLiteral("33"));
    QTest::keyClick(editor, Qt::Key_Right);
    EXPECT_EQ(w.control->minute(), 33);
    EXPECT_EQ(w.target.count, 3);
    // out of the last field, Tab leaves the control
    w.edit(TDTimeFields::AmPmField);
    QTest::keyClick(editor, Qt::Key_Tab);
    EXPECT_FALSE(w.control->isUsingFieldEditor());
    EXPECT_EQ(QApplication::focusWidget(), after);
    // Backtab from the button comes back to the last field
    QTest::keyClick(after, Qt::Key_Backtab);
    EXPECT_TRUE(w.control->isUsingFieldEditor());
    EXPECT_EQ(w.control->selected(), int(TDTimeFields::AmPmField));
}

TEST(TDTimeControlMoves, ClicksSelectFieldsAndTheCaretBand)
{
    TimeWindow w("de_DE");
    const auto viewPoint = [&](const QRectF &yUp) {
        return platform::YUpPainter::rectToView(yUp, w.control->height()).center().toPoint();
    };
    QTest::mouseClick(w.control, Qt::LeftButton, {}, viewPoint(w.control->fieldRect(TDTimeFields::MinuteField)));
    EXPECT_TRUE(w.control->isUsingFieldEditor());
    EXPECT_EQ(w.control->selected(), int(TDTimeFields::MinuteField));
    const QRectF secondFrame = w.control->fieldRect(TDTimeFields::SecondField);
    QTest::mouseClick(w.control, Qt::LeftButton, {},
                      viewPoint(QRectF(secondFrame.x(), 2, secondFrame.width(), 4)));
    EXPECT_EQ(w.control->selected(), int(TDTimeFields::SecondField));
    EXPECT_TRUE(w.control->isUsingFieldEditor());
    // a click on the caret of the field being edited re-selects it: the typed value
    // is taken without an end-of-editing notification
    w.control->setDelegate(&w.target);
    QTest::keyClicks(w.control->fieldEditor(), QStringLiteral("3"));
    QTest::mouseClick(w.control, Qt::LeftButton, {},
                      viewPoint(QRectF(secondFrame.x(), 2, secondFrame.width(), 4)));
    EXPECT_EQ(w.control->second(), 3);
    EXPECT_EQ(w.target.endings, 0);
    EXPECT_TRUE(w.control->isUsingFieldEditor());
    EXPECT_EQ(w.control->fieldEditor()->text(), QStringLiteral("03"));
    // a click on another field ends this editing for real
    QTest::keyClicks(w.control->fieldEditor(), QStringLiteral("4"));
    QTest::mouseClick(w.control, Qt::LeftButton, {}, viewPoint(w.control->fieldRect(TDTimeFields::HourField)));
    EXPECT_EQ(w.control->second(), 4);
    EXPECT_EQ(w.target.endings, 1);
    EXPECT_EQ(w.control->selected(), int(TDTimeFields::HourField));
}

TEST(TDTimeControlMoves, ReturnHandledByTargetLeavesTheWindowFocused)
{
    TimeWindow w("de_DE");
    QLineEdit *editor = w.edit(TDTimeFields::HourField);
    QTest::keyClicks(editor, QStringLiteral("8"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(w.target.count, 1);
    EXPECT_FALSE(w.control->isUsingFieldEditor());
    EXPECT_EQ(QApplication::focusWidget(), w.window.get());
    EXPECT_EQ(w.control->hour(), 8);
}

TEST(TDTimeControlMoves, NotificationGoesToObserversAndDisablingEndsEditing)
{
    TimeWindow w("de_DE");
    int posts = 0;
    QObject observer;
    platform::NotificationCenter::defaultCenter().addObserver(
        &observer, QStringLiteral("NSControlTextDidEndEditingNotification"), w.control,
        [&posts](const platform::Notification &) { ++posts; });
    QLineEdit *editor = w.edit(TDTimeFields::SecondField);
    QTest::keyClicks(editor, QStringLiteral("44"));
    w.control->setEnabled(false);
    EXPECT_FALSE(w.control->isUsingFieldEditor());
    EXPECT_EQ(w.control->second(), 44);
    EXPECT_EQ(posts, 1);
    w.control->editCell(0);
    EXPECT_FALSE(w.control->isUsingFieldEditor());
}

// ---- Value and layout ----

TEST(TDTimeControlValue, SetDateAndDateKeepTheDay)
{
    TimeWindow w("en_US");
    w.control->setDate(local(2004, 2, 29, 18, 7, 3));
    EXPECT_EQ(w.control->date(), local(2004, 2, 29, 18, 7, 3));
    QLineEdit *editor = w.edit(TDTimeFields::MinuteField);
    QTest::keyClicks(editor, QStringLiteral("1"));
    QTest::keyClick(editor, Qt::Key_Return);
    EXPECT_EQ(w.control->date(), local(2004, 2, 29, 18, 1, 3));
    EXPECT_EQ(w.control->date().date(), QDate(2004, 2, 29));
}

TEST(TDTimeControlValue, HidingSecondsRebuildsNarrower)
{
    TimeWindow w("de_DE");
    const int before = w.control->width();
    w.control->setShowSeconds(false);
    EXPECT_EQ(w.control->cellsCount(), 2);
    EXPECT_EQ(w.control->colonCellsCount(), 1);
    EXPECT_EQ(w.control->fieldCell(TDTimeFields::SecondField), nullptr);
    EXPECT_LT(w.control->width(), before);
    w.control->setShowSeconds(true);
    EXPECT_EQ(w.control->width(), before);
}

TEST(TDTimeControlValue, ArchiveKeepsTheThreeSettings)
{
    TimeWindow w("de_DE");
    w.control->setShowSeconds(false);
    w.control->setAppearance(1);
    platform::KeyedArchiver archiver;
    w.control->encodeWithCoder(archiver);
    const auto bytes = archiver.finishEncoding();
    ASSERT_TRUE(bytes);
    TDTimeControl copy;
    platform::KeyedUnarchiver unarchiver(*bytes);
    EXPECT_TRUE(copy.initWithCoder(unarchiver));
    EXPECT_FALSE(copy.showSeconds());
    EXPECT_EQ(copy.appearance(), 1);
    EXPECT_TRUE(copy.alignStepper());

    // A coder without keyed coding, or a damaged value, changes nothing.
    testsupport::NonKeyedCoder plain;
    w.control->encodeWithCoder(plain);
    EXPECT_FALSE(copy.initWithCoder(plain));
    EXPECT_EQ(plain.calls(), 0);
    platform::KeyedArchiver damaged;
    damaged.encodeBool(true, QStringLiteral("showSeconds"));
    damaged.encodeObject(QVariant(QStringLiteral("1")), QStringLiteral("appearance"));
    platform::KeyedUnarchiver damagedReader(*damaged.finishEncoding());
    EXPECT_FALSE(copy.initWithCoder(damagedReader));
    EXPECT_FALSE(damagedReader.error().isEmpty());
    EXPECT_FALSE(copy.showSeconds());
    EXPECT_EQ(copy.appearance(), 1);
}

// Pictures of the control under both locales; written where the test support puts screenshots.
TEST(TDTimeControlDrawing, PicturesUnderBothLocales)
{
    for (const char *name : {"de_DE", "en_US"}) {
        TimeWindow w(name, true);
        w.control->setDate(local(2009, 3, 14, 15, 5, 7));
        w.control->setSelected(TDTimeFields::MinuteField);
        QImage image = w.window->grab(QRect(0, 0, 220, 60)).toImage();
        ASSERT_FALSE(image.isNull());
        // the caret under the minute field, drawn in grey
        const QRectF minute = platform::YUpPainter::rectToView(w.control->fieldRect(TDTimeFields::MinuteField),
                                                               w.control->height());
        const int cx = w.control->x() + int(minute.center().x());
        const int cy = w.control->y() + w.control->height() - 4;
        bool grey = false;
        for (int dx = -3; dx <= 3; ++dx) {
            const QColor c = image.pixelColor(cx + dx, cy);
            grey = grey || (c.red() < 230 && std::abs(c.red() - c.blue()) < 8);
        }
        EXPECT_TRUE(grey) << name;
        image.save(testsupport::screenshotPath(QStringLiteral("TDTimeControl-%1.png").arg(QLatin1String(name))));
        // while editing, the field editor lies over the minute field
        w.control->editCell(TDTimeFields::MinuteField);
        EXPECT_EQ(QRectF(w.control->fieldEditor()->geometry()), minute.toAlignedRect());
        w.window->grab(QRect(0, 0, 220, 60))
            .save(testsupport::screenshotPath(QStringLiteral("TDTimeControl-%1-editing.png").arg(QLatin1String(name))));
    }
}


// Typing an hour that the change to summer time skips gives the time after the gap.
TEST(TDTimeControlValue, ATimeInTheSummerTimeGapMovesPastIt)
{
    testsupport::ScopedTimeZone berlin("Europe/Berlin");
    TDTimeFields fields;
    fields.setDate(QDateTime(QDate(2024, 3, 31), QTime(1, 30), Qt::OffsetFromUTC, 3600));
    fields.setHour(2); // 02:30 does not exist that night
    const QDateTime date = fields.date();
    ASSERT_TRUE(date.isValid());
    EXPECT_EQ(date, QDateTime(QDate(2024, 3, 31), QTime(3, 30), Qt::OffsetFromUTC, 7200));
    EXPECT_EQ(date.offsetFromUtc(), 7200);

    fields.stepField(TDTimeFields::MinuteField, true);
    EXPECT_EQ(fields.date(), QDateTime(QDate(2024, 3, 31), QTime(3, 31), Qt::OffsetFromUTC, 7200));
}

// The night the clock goes back, 02:30 comes twice. A control shown on either and
// left alone gives back exactly that moment; an edited time keeps the offset.
TEST(TDTimeControlValue, TheRepeatedHourKeepsItsOccurrence)
{
    testsupport::ScopedTimeZone berlin("Europe/Berlin");
    const QDateTime summer(QDate(2024, 10, 27), QTime(2, 30, 15), Qt::OffsetFromUTC, 7200);
    const QDateTime winter(QDate(2024, 10, 27), QTime(2, 30, 15), Qt::OffsetFromUTC, 3600);
    for (const QDateTime &moment : {summer, winter}) {
        SCOPED_TRACE(qPrintable(moment.toString(Qt::ISODate)));
        platform::Clock::setNow(moment);
        {
            TDTimeControl made;
            EXPECT_EQ(made.date(), moment);
        }
        platform::Clock::useSystemClock();

        TimeWindow w("de_DE");
        w.control->setDate(moment);
        EXPECT_EQ(w.control->date(), moment);
        EXPECT_EQ(w.control->date().offsetFromUtc(), moment.offsetFromUtc());
        // A field opened and left without a change.
        QTest::keyClick(w.edit(TDTimeFields::HourField), Qt::Key_Return);
        EXPECT_EQ(w.control->date(), moment);

        QLineEdit *editor = w.edit(TDTimeFields::MinuteField);
        QTest::keyClicks(editor, QStringLiteral("45"));
        QTest::keyClick(editor, Qt::Key_Return);
        EXPECT_EQ(w.control->date(), moment.addSecs(15 * 60));
        EXPECT_EQ(w.control->date().offsetFromUtc(), moment.offsetFromUtc());
    }
}

#include "TestTDTimeControl.moc"
