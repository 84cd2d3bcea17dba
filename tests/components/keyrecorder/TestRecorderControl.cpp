// The shortcut recorder driven as the user drives it: key events (with the keycodes
// of a US keymap) and clicks on a shown control, offscreen.
#include "tests/support/TestSupport.h"
#include "TestRecorderSupport.h"

#include "components/keyrecorder/KRModifierStrings.h"
#include "components/keyrecorder/KRRecorderControl.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/NonKeyedCoder.h"

#include <QAction>
#include <QDir>
#include <QPainter>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace recordertest;

namespace {

constexpr quint32 Command = 0x100000, Option = 0x80000, Control = 0x40000, Shift = 0x20000, Function = 0x800000;

class RecorderTest : public testing::Test
{
protected:
    void SetUp() override
    {
        useTemporaryHome();
        ASSERT_TRUE(platform::KeyboardLayout::instance().useLayoutNames(QStringLiteral("us")));
        window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(window.get());
        recorder = new KRRecorderControl(window.get());
        other = new QLineEdit(window.get());
        layout->addWidget(recorder);
        layout->addWidget(other);
        recorder->setDelegate(&delegate);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        recorder->setFocus();
        ASSERT_TRUE(QTest::qWaitFor([this] { return recorder->hasFocus(); }));
    }

    void startRecording()
    {
        press(recorder, Qt::Key_Space, Qt::NoModifier, 49, QStringLiteral(" "));
        ASSERT_TRUE(recorder->recorderCell()->isRecording());
    }

    std::unique_ptr<QWidget> window;
    KRRecorderControl *recorder = nullptr;
    QLineEdit *other = nullptr;
    Delegate delegate;
};

namespace {

// An archive holding only an autosave name, read back through the cell.
void initWithAutosaveName(KRRecorderCell &cell, const QString &name)
{
    platform::KeyedArchiver archiver;
    archiver.encodeObject(QVariant(name), QStringLiteral("autosaveName"));
    platform::KeyedUnarchiver unarchiver(*archiver.finishEncoding());
    EXPECT_TRUE(cell.initWithCoder(unarchiver)) << qPrintable(unarchiver.error());
}

} // namespace

TEST_F(RecorderTest, SpaceStartsRecordingAndEscapeCancelsKeepingTheCombination)
{
    recorder->setKeyCombo({Command, 0});
    delegate.changes.clear();
    startRecording();
    press(recorder, Qt::Key_Escape, Qt::NoModifier, 53, QStringLiteral("\x1b"));
    EXPECT_FALSE(recorder->recorderCell()->isRecording());
    EXPECT_EQ(recorder->keyCombo(), (KeyCombo{Command, 0}));
    EXPECT_TRUE(delegate.changes.isEmpty());
}

TEST_F(RecorderTest, ModifiersAndLetterAreRecordedInCocoaFlags)
{
    startRecording();
    press(recorder, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier, 0, QStringLiteral("\x01"));
    EXPECT_FALSE(recorder->recorderCell()->isRecording());
    EXPECT_EQ(recorder->keyCombo(), (KeyCombo{Control | Shift, 0}));
    ASSERT_EQ(delegate.changes.size(), 1);
    EXPECT_EQ(delegate.changes.first(), (KeyCombo{Control | Shift, 0}));
    EXPECT_EQ(recorder->keyComboString(), QString(QChar(0x2303)) + QChar(0x21E7) + QLatin1Char('A'));
    EXPECT_EQ(recorder->keyChars(), QStringLiteral("\x01"));
    EXPECT_EQ(recorder->keyCharsIgnoringModifiers(), QStringLiteral("A"));

    startRecording();
    press(recorder, Qt::Key_K, Qt::MetaModifier | Qt::AltModifier, 40, QStringLiteral("k"));
    EXPECT_EQ(recorder->keyCombo(), (KeyCombo{Command | Option, 40}));
    EXPECT_EQ(delegate.changes.size(), 2);
}

TEST_F(RecorderTest, FunctionAndNavigationKeysCarryTheFunctionBit)
{
    startRecording();
    press(recorder, Qt::Key_F5, Qt::NoModifier, 96);
    EXPECT_EQ(recorder->keyCombo(), (KeyCombo{Function, 96}));
    EXPECT_EQ(recorder->keyChars(), QString(QChar(0xF708)));
    EXPECT_EQ(recorder->keyComboString(), QStringLiteral("F5"));
    EXPECT_TRUE(recorder->objectValue().isValid()); // the function bit counts as a flag

    startRecording();
    press(recorder, Qt::Key_Left, Qt::ControlModifier, 123);
    EXPECT_EQ(recorder->keyCombo(), (KeyCombo{Function | Control, 123}));
    EXPECT_EQ(recorder->keyCharsIgnoringModifiers(), QString(QChar(0xF702)));
}

TEST_F(RecorderTest, KeysWithoutScanCodeAreFoundThroughQtKeys)
{
    startRecording();
    QTest::keyClick(recorder, Qt::Key_Q, Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(recorder->keyCombo(), (KeyCombo{Control | Option, 12}));
    startRecording();
    QTest::keyClick(recorder, Qt::Key_F12, Qt::ShiftModifier);
    EXPECT_EQ(recorder->keyCombo(), (KeyCombo{Function | Shift, 111}));
}

TEST_F(RecorderTest, CancelKeysWithoutModifierEndRecordingWithoutChange)
{
    recorder->setKeyCombo({Control, 1});
    for (const auto &[qtKey, code] : {std::pair{Qt::Key_Backspace, 51}, std::pair{Qt::Key_Escape, 53}}) {
        startRecording();
        delegate.changes.clear();
        press(recorder, qtKey, Qt::NoModifier, code);
        EXPECT_FALSE(recorder->recorderCell()->isRecording()) << code;
        EXPECT_EQ(recorder->keyCombo(), (KeyCombo{Control, 1})) << code;
        EXPECT_TRUE(delegate.changes.isEmpty()) << code;
    }
    // Forward Delete carries the function-key flag: that makes it a combination.
    startRecording();
    delegate.changes.clear();
    press(recorder, Qt::Key_Delete, Qt::NoModifier, 117);
    EXPECT_FALSE(recorder->recorderCell()->isRecording());
    EXPECT_EQ(recorder->keyCombo(), (KeyCombo{Function, 117}));
    EXPECT_EQ(delegate.changes.size(), 1);
    // Unless keys alone are allowed and escape keys do not record: then it cancels.
    recorder->setKeyCombo({Control, 1});
    recorder->recorderCell()->setAllowsKeyOnlyEscapeKeysRecord(true, false);
    startRecording();
    press(recorder, Qt::Key_Delete, Qt::NoModifier, 117);
    EXPECT_FALSE(recorder->recorderCell()->isRecording());
    EXPECT_EQ(recorder->keyCombo(), (KeyCombo{Control, 1}));
    recorder->recorderCell()->setAllowsKeyOnlyEscapeKeysRecord(false, false);
    // With a modifier the delete key is a combination like any other.
    startRecording();
    press(recorder, Qt::Key_Backspace, Qt::MetaModifier, 51);
    EXPECT_EQ(recorder->keyCombo(), (KeyCombo{Command, 51}));
    EXPECT_EQ(recorder->keyChars(), QString(QChar(0x7f)));
}

TEST_F(RecorderTest, PlainLetterIsIgnoredAndRecordingGoesOn)
{
    startRecording();
    press(recorder, Qt::Key_A, Qt::NoModifier, 0, QStringLiteral("a"));
    EXPECT_TRUE(recorder->recorderCell()->isRecording());
    EXPECT_EQ(recorder->keyCombo(), KeyCombo::empty());
    EXPECT_TRUE(delegate.changes.isEmpty());
}

TEST_F(RecorderTest, ModifierKeysShowWhileRecording)
{
    startRecording();
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Control, Qt::NoModifier);
    QApplication::sendEvent(recorder, &down);
    EXPECT_EQ(recorder->recorderCell()->recordingFlags(), Control);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Control, Qt::ControlModifier);
    QApplication::sendEvent(recorder, &up);
    EXPECT_EQ(recorder->recorderCell()->recordingFlags(), 0u);
    EXPECT_TRUE(recorder->recorderCell()->isRecording());
}

TEST_F(RecorderTest, TabWithModifierIsRecordedInsteadOfMovingFocus)
{
    startRecording();
    press(recorder, Qt::Key_Tab, Qt::ControlModifier, 48, QStringLiteral("\t"));
    EXPECT_EQ(recorder->keyCombo(), (KeyCombo{Control, 48}));
    EXPECT_TRUE(recorder->hasFocus());
}

TEST_F(RecorderTest, KeyOnlyRecordingAndEscape)
{
    recorder->setAllowsKeyOnlyEscapeKeysRecord(true, false);
    startRecording();
    press(recorder, Qt::Key_Escape, Qt::NoModifier, 53);
    EXPECT_FALSE(recorder->recorderCell()->isRecording());
    EXPECT_EQ(recorder->keyCombo(), KeyCombo::empty());

    startRecording();
    press(recorder, Qt::Key_B, Qt::NoModifier, 11, QStringLiteral("b"));
    EXPECT_EQ(recorder->keyCombo(), (KeyCombo{0, 11}));
    EXPECT_FALSE(recorder->objectValue().isValid()); // no flags: no value

    recorder->setEscapeKeysRecord(true);
    startRecording();
    press(recorder, Qt::Key_Escape, Qt::NoModifier, 53);
    EXPECT_EQ(recorder->keyCombo(), (KeyCombo{0, 53}));

    recorder->setAllowsKeyOnly(true);
    EXPECT_FALSE(recorder->escapeKeysRecord());
}

TEST_F(RecorderTest, RequiredFlagsAreAlwaysPartOfTheCombination)
{
    recorder->setRequiredFlags(Command);
    startRecording();
    press(recorder, Qt::Key_A, Qt::ControlModifier, 0);
    EXPECT_EQ(recorder->keyCombo(), (KeyCombo{Command | Control, 0}));
    recorder->setAllowedFlags(Shift);
    EXPECT_EQ(recorder->keyCombo(), (KeyCombo{Command, 0})); // control no longer allowed
    EXPECT_EQ(delegate.changes.last(), (KeyCombo{Command, 0}));
}

TEST_F(RecorderTest, RemoveButtonClearsTellsAndSaves)
{
    recorder->setAutosaveName(QStringLiteral("RemoveTest"));
    recorder->setKeyCombo({Command | Shift, 0});
    delegate.changes.clear();
    const QRectF button = recorder->recorderCell()->removeButtonRectForFrame(QRectF(recorder->rect()));
    ASSERT_FALSE(button.isNull());
    QTest::mouseClick(recorder, Qt::LeftButton, Qt::NoModifier, button.center().toPoint());
    EXPECT_EQ(recorder->keyCombo(), KeyCombo::empty());
    EXPECT_EQ(delegate.changes, QList<KeyCombo>{KeyCombo::empty()});
    EXPECT_FALSE(recorder->recorderCell()->isRecording());
    const QVariantMap saved = platform::UserDefaults::standardUserDefaults()
                                  .dictionaryForKey(QStringLiteral("KeyRecorder RemoveTest"));
    EXPECT_EQ(saved.value(QStringLiteral("keyCode")).toInt(), -1);
    EXPECT_EQ(saved.value(QStringLiteral("modifierFlags")).toUInt(), 0u);

    // A click elsewhere in the field starts recording; on the snapback arrow it ends.
    QTest::mouseClick(recorder, Qt::LeftButton, Qt::NoModifier, QPoint(10, 11));
    EXPECT_TRUE(recorder->recorderCell()->isRecording());
    const QRectF snapback = recorder->recorderCell()->snapbackRectForFrame(QRectF(recorder->rect()));
    QTest::mouseClick(recorder, Qt::LeftButton, Qt::NoModifier, snapback.center().toPoint());
    EXPECT_FALSE(recorder->recorderCell()->isRecording());
    EXPECT_EQ(delegate.changes.size(), 1);
}

TEST_F(RecorderTest, DelegateIsToldOncePerChangeEvenWithoutChange)
{
    recorder->setKeyCombo({Option, 3});
    recorder->setKeyCombo({Option, 3});
    EXPECT_EQ(delegate.changes.size(), 2);
    recorder->setObjectValue(QVariant());
    EXPECT_EQ(delegate.changes.size(), 3);
    EXPECT_EQ(delegate.changes.last(), KeyCombo::empty());
}

TEST_F(RecorderTest, ObjectValueAndGeometry)
{
    recorder->setObjectValue(QVariantMap{{QStringLiteral("keyCode"), 0}, {QStringLiteral("modifierFlags"), Command}});
    EXPECT_EQ(recorder->keyCombo(), (KeyCombo{Command, 0}));
    const QVariantMap value = recorder->objectValue().toMap();
    EXPECT_EQ(value.value(QStringLiteral("keyCode")).toInt(), 0);
    EXPECT_EQ(value.value(QStringLiteral("modifierFlags")).toUInt(), Command);
    EXPECT_EQ(value.value(QStringLiteral("characters")).toString(), QStringLiteral("A"));
    recorder->setObjectValue(QVariantMap{{QStringLiteral("keyCode"), QStringLiteral("0")},
                                         {QStringLiteral("modifierFlags"), Command}});
    EXPECT_EQ(recorder->keyCombo(), KeyCombo::empty());
    EXPECT_EQ(KRRecorderControl::valueClassForBinding(QStringLiteral("value")), QMetaType::fromType<QVariantMap>());

    recorder->setFrame(QRectF(0, 0, 30, 40));
    EXPECT_EQ(recorder->size(), QSize(50, 22));
}

TEST_F(RecorderTest, KeysNeverReachTheCellWhileAnotherWidgetHasFocus)
{
    other->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([this] { return other->hasFocus(); }));
    EXPECT_FALSE(recorder->performKeyEquivalent(KRKeyEvent(49, 0, QStringLiteral(" "), QStringLiteral(" "))));
    EXPECT_FALSE(recorder->recorderCell()->isRecording());
    recorder->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([this] { return recorder->hasFocus(); }));
    EXPECT_TRUE(recorder->performKeyEquivalent(KRKeyEvent(49, 0, QStringLiteral(" "), QStringLiteral(" "))));
    EXPECT_TRUE(recorder->recorderCell()->isRecording());
    // Losing the focus ends recording.
    other->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !recorder->recorderCell()->isRecording(); }));
}

TEST_F(RecorderTest, CombinationTakenByTheDelegateIsRefusedWithItsReason)
{
    recorder->setKeyCombo({Option, 3});
    delegate.changes.clear();
    delegate.answerTaken = true;
    delegate.reason = QStringLiteral("the counter uses it");
    startRecording();
    AlertCloser closer;
    press(recorder, Qt::Key_A, Qt::ControlModifier, 0);
    // The alert is a sheet on the recorder's window: it shows once the key was handled.
    EXPECT_TRUE(QTest::qWaitFor([&closer] { return closer.alerts == 1; }));
    testsupport::settleEvents();
    EXPECT_EQ(closer.informativeText,
              QStringLiteral("The key combination \"Control + A\" can't be used because the counter uses it."));
    EXPECT_EQ(closer.text, QStringLiteral("The key combination ") + QChar(0x2303)
                  + QStringLiteral("A can't be used!"));
    ASSERT_EQ(delegate.questions.size(), 1);
    EXPECT_EQ(delegate.questions.first(), (QPair<int, quint32>{0, Control}));
    EXPECT_TRUE(recorder->recorderCell()->isRecording());
    EXPECT_EQ(recorder->keyCombo(), (KeyCombo{Option, 3}));
    EXPECT_TRUE(delegate.changes.isEmpty());
}

TEST_F(RecorderTest, CombinationOfAMenuItemIsRefused)
{
    QMainWindow main;
    QMenu *file = main.menuBar()->addMenu(QStringLiteral("&File"));
    QAction *quit = file->addAction(QStringLiteral("&Quit"));
    quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    startRecording();
    {
        AlertCloser closer;
        press(recorder, Qt::Key_Q, Qt::ControlModifier, 12);
        // The alert is a sheet on the recorder's window: it shows once the key was handled.
        EXPECT_TRUE(QTest::qWaitFor([&closer] { return closer.alerts == 1; }));
        testsupport::settleEvents();
        EXPECT_EQ(closer.informativeText,
                  QStringLiteral("The key combination \"Control + Q\" can't be used because it's already used by "
                                 "the menu item \"Quit\"."));
    }
    EXPECT_TRUE(recorder->recorderCell()->isRecording());
    press(recorder, Qt::Key_Q, Qt::ControlModifier | Qt::ShiftModifier, 12);
    EXPECT_EQ(recorder->keyCombo(), (KeyCombo{Control | Shift, 12}));
}

TEST_F(RecorderTest, Style0SwitchesAtOnceStyle1AnimatesInElevenTicks)
{
    recorder->setAnimates(true);
    recorder->setStyle(0);
    startRecording();
    press(recorder, Qt::Key_Escape, Qt::NoModifier, 53);
    EXPECT_FALSE(recorder->recorderCell()->isRecording());

    recorder->setStyle(7);
    EXPECT_EQ(recorder->style(), 0);
    recorder->setStyle(1);
    KRRecorderCell *cell = recorder->recorderCell();
    press(recorder, Qt::Key_Space, Qt::NoModifier, 49, QStringLiteral(" "));
    EXPECT_FALSE(cell->isRecording());
    EXPECT_TRUE(cell->isAnimatingNow());
    int ticks = 0;
    while (cell->isAnimatingNow() && ticks < 100) {
        cell->transitionTick();
        ++ticks;
    }
    EXPECT_EQ(ticks, 11);
    EXPECT_TRUE(cell->isRecording());

    // Driven by its timer the switch back ends on its own.
    press(recorder, Qt::Key_Escape, Qt::NoModifier, 53);
    EXPECT_TRUE(cell->isRecording());
    EXPECT_TRUE(QTest::qWaitFor([cell] { return !cell->isRecording(); }));
    EXPECT_FALSE(cell->isAnimatingNow());
}

TEST_F(RecorderTest, AutosaveRoundTrip)
{
    auto &defaults = platform::UserDefaults::standardUserDefaults();
    recorder->setAutosaveName(QStringLiteral("RoundTrip"));
    startRecording();
    press(recorder, Qt::Key_J, Qt::ControlModifier | Qt::AltModifier, 38, QStringLiteral("j"));
    const QVariantMap saved = defaults.dictionaryForKey(QStringLiteral("KeyRecorder RoundTrip"));
    EXPECT_EQ(saved.value(QStringLiteral("keyCode")).toInt(), 38);
    EXPECT_EQ(saved.value(QStringLiteral("modifierFlags")).toUInt(), Control | Option);
    EXPECT_EQ(saved.value(QStringLiteral("modifiers")).toUInt(), 0x1800u);
    EXPECT_EQ(saved.value(QStringLiteral("keyChars")).toString(), QStringLiteral("j"));
    EXPECT_EQ(saved.value(QStringLiteral("keyCharsIgnoringModifiers")).toString(), QStringLiteral("j"));

    KRRecorderControl again;
    Delegate told;
    again.setDelegate(&told);
    again.setAutosaveName(QStringLiteral("RoundTrip"));
    again.loadKeyCombo();
    EXPECT_EQ(again.keyCombo(), (KeyCombo{Control | Option, 38}));
    EXPECT_EQ(again.keyChars(), QStringLiteral("j"));
    EXPECT_EQ(told.changes.size(), 1);

    // Only the Carbon modifiers: read as the same Cocoa flags.
    defaults.setObject(QVariantMap{{QStringLiteral("keyCode"), 96}, {QStringLiteral("modifiers"), 0x1100}},
                       QStringLiteral("KeyRecorder CarbonOnly"));
    KRRecorderCell carbon;
    initWithAutosaveName(carbon, QStringLiteral("CarbonOnly"));
    EXPECT_EQ(carbon.keyCombo(), (KeyCombo{Command | Control, 96}));
    EXPECT_FALSE(carbon.hasKeyChars());

    // Damaged values load as nothing rather than as some key.
    defaults.setObject(QVariantMap{{QStringLiteral("keyCode"), QStringLiteral("x")},
                                   {QStringLiteral("modifierFlags"), -5},
                                   {QStringLiteral("keyChars"), 4}},
                       QStringLiteral("KeyRecorder Damaged"));
    KRRecorderCell damaged;
    initWithAutosaveName(damaged, QStringLiteral("Damaged"));
    EXPECT_EQ(damaged.keyCombo(), KeyCombo::empty());
    EXPECT_TRUE(damaged.keyComboString().isNull());

    defaults.setObject(QStringLiteral("not a dictionary"), QStringLiteral("KeyRecorder Wrong"));
    KRRecorderCell wrong;
    wrong.setKeyCombo({Shift, 5});
    wrong.setAutosaveName(QStringLiteral("Wrong"));
    wrong.loadKeyCombo();
    EXPECT_EQ(wrong.keyCombo(), (KeyCombo{Shift, 5}));
}

TEST(RecorderCell, ArchiveRoundTripAndCopy)
{
    useTemporaryHome();
    KRRecorderCell cell;
    cell.setAllowedFlags(Command | Shift);
    cell.setRequiredFlags(Shift);
    cell.setKeyCombo({Command, 2});
    cell.setAllowsKeyOnlyEscapeKeysRecord(true, true);
    cell.setAnimates(true);
    cell.setStyle(1);
    platform::KeyedArchiver archiver;
    cell.encodeWithCoder(archiver);
    const auto archive = archiver.finishEncoding();
    ASSERT_TRUE(archive);

    KRRecorderCell decoded;
    platform::KeyedUnarchiver unarchiver(*archive);
    EXPECT_EQ(unarchiver.decodeInt64(QStringLiteral("keyComboFlags")), Command | Shift);
    ASSERT_TRUE(decoded.initWithCoder(unarchiver)) << qPrintable(unarchiver.error());
    EXPECT_EQ(decoded.keyCombo(), (KeyCombo{Command | Shift, 2}));
    EXPECT_EQ(decoded.allowedFlags(), Command | Shift | Function);
    EXPECT_EQ(decoded.requiredFlags(), Shift);
    EXPECT_TRUE(decoded.allowsKeyOnly());
    EXPECT_TRUE(decoded.escapeKeysRecord());
    EXPECT_TRUE(decoded.animates());
    EXPECT_EQ(decoded.style(), 1);

    // As an object of its class, too; a non-keyed coder or a value out of range
    // leaves a cell as it was.
    auto shared = std::make_shared<KRRecorderCell>();
    shared->setStyle(1);
    const auto objectArchive = platform::KeyedArchiver::archivedData(shared);
    ASSERT_TRUE(objectArchive);
    const auto sharedBack = platform::KeyedUnarchiver::unarchivedObject<KRRecorderCell>(*objectArchive);
    ASSERT_TRUE(sharedBack);
    EXPECT_EQ(sharedBack->style(), 1);
    testsupport::NonKeyedCoder plain;
    cell.encodeWithCoder(plain);
    EXPECT_FALSE(decoded.initWithCoder(plain));
    EXPECT_EQ(plain.calls(), 0);
    platform::KeyedArchiver outOfRange;
    outOfRange.encodeInt32(0, QStringLiteral("style"));
    outOfRange.encodeInt32(40000, QStringLiteral("keyComboCode"));
    platform::KeyedUnarchiver outOfRangeReader(*outOfRange.finishEncoding());
    EXPECT_FALSE(decoded.initWithCoder(outOfRangeReader));
    EXPECT_EQ(decoded.style(), 1);
    EXPECT_EQ(decoded.keyCombo(), (KeyCombo{Command | Shift, 2}));

    std::unique_ptr<platform::Cell> copy = cell.clone();
    auto *recorderCopy = dynamic_cast<KRRecorderCell *>(copy.get());
    ASSERT_NE(recorderCopy, nullptr);
    EXPECT_EQ(recorderCopy->keyCombo(), cell.keyCombo());
    EXPECT_EQ(recorderCopy->validator().delegate(), static_cast<KRValidatorDelegate *>(recorderCopy));
}

TEST(RecorderCell, FlagRules)
{
    KRRecorderCell cell;
    EXPECT_EQ(cell.allowedFlags(), 0x9E0000u);
    EXPECT_EQ(cell.filteredCocoaFlags(Command | 0x10000 | 0x1), Command); // caps lock and others dropped
    cell.setRequiredFlags(Option);
    EXPECT_EQ(cell.filteredCocoaFlags(0), Option);
    EXPECT_EQ(cell.filteredCocoaToCarbonFlags(Command), 0x900u);
    EXPECT_FALSE(cell.validModifierFlags(0));
    EXPECT_TRUE(cell.validModifierFlags(Function));
    cell.setKeyCombo({Command, 65536}); // no such key: nothing to show
    EXPECT_TRUE(cell.isEmpty());
    EXPECT_DOUBLE_EQ(KRAnimationCurve(0), 0.0);
    EXPECT_DOUBLE_EQ(KRAnimationCurve(1), 1.0);
    EXPECT_NEAR(KRAnimationCurve(0.5), 0.5, 1e-12);
}

} // namespace

namespace {

TEST_F(RecorderTest, DrawsTheCombinationTheRecordingFieldAndTheSlide)
{
    recorder->setFrameSize(QSizeF(180, 22));
    recorder->setKeyCombo({Command | Shift, 0});
    const QImage idle = recorder->grab().toImage();
    startRecording();
    const QImage recording = recorder->grab().toImage();
    press(recorder, Qt::Key_Escape, Qt::NoModifier, 53);
    recorder->setAnimates(true);
    recorder->setStyle(1);
    press(recorder, Qt::Key_Space, Qt::NoModifier, 49, QStringLiteral(" "));
    for (int i = 0; i < 5; ++i)
        recorder->recorderCell()->transitionTick();
    const QImage sliding = recorder->grab().toImage();

    QImage sheet(180, 3 * 26, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::lightGray);
    QPainter painter(&sheet);
    painter.drawImage(0, 0, idle);
    painter.drawImage(0, 26, recording);
    painter.drawImage(0, 52, sliding);
    painter.end();
    sheet.scaled(sheet.size() * 4).save(testsupport::screenshotPath(QStringLiteral("KRRecorderControl.png")));

    // Idle: a white field; the remove button is a grey disc at the right end.
    EXPECT_EQ(idle.pixel(40, 4), qRgb(255, 255, 255));
    const QRectF remove = recorder->recorderCell()->removeButtonRectForFrame(QRectF(0, 0, 180, 22));
    const QRgb disc = idle.pixel(int(remove.center().x()), int(remove.top()) + 1);
    EXPECT_LT(qRed(disc), 230);
    EXPECT_EQ(qRed(disc), qBlue(disc));
    // Recording: the gradient of the highlight colour shows around the white field.
    const QRgb edge = recording.pixel(90, 0);
    EXPECT_NE(edge, qRgb(255, 255, 255));
    EXPECT_EQ(recording.pixel(40, 11), qRgb(255, 255, 255));
    // Halfway through the slide both sets show: the field is no plain image of either.
    EXPECT_NE(sliding, idle);
}

} // namespace
