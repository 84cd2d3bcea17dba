// The application's four preference panes, driven as the user drives them
// (offscreen): what each writes to the user defaults, that it posts "PrefsChanged"
// once per real change, the hot-key recorder's re-registration, the sound pop-ups
// and the update pane. Also renders each pane to a PNG.
#include "tests/application/update/TestUpdateSupport.h"

#include "NTXAppKit/sounds/NTXSoundManager.h"
#include "application/base/ApplicationImages.h"
#include "application/base/DefaultsKeys.h"
#include "application/preferences/GeneralPrefPanel.h"
#include "application/update/NTXCheckUpdate.h"
#include "application/preferences/SoundPrefPanel.h"
#include "application/preferences/TimeRegistrationPrefPanel.h"
#include "application/preferences/UpdatePreferencePanel.h"
#include "components/hotkeys/HKHotKeyCenter.h"
#include "components/hotkeys/HKHotKeyEvent.h"
#include "components/keyrecorder/KRRecorderCell.h"
#include "components/keyrecorder/KRRecorderControl.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/CalendarDate.h"
#include "platform/foundation/Clock.h"
#include "platform/desktop/HotKeyGrabber.h"
#include "platform/desktop/KeyboardLayout.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QHash>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <gtest/gtest.h>

using namespace updatetest;

namespace {

constexpr quint32 Command = 0x100000, Option = 0x80000, Control = 0x40000, Shift = 0x20000;

QString text(const char *key)
{
    return platform::localized(QString::fromLatin1(key));
}

// A desktop hot-key service the test drives itself.
class FakeGrabber : public platform::HotKeyGrabber
{
public:
    struct Grab
    {
        quint16 keyCode;
        quint32 flags;
    };
    QHash<quint32, Grab> grabs;
    bool isAvailable() const override { return true; }
    bool grabHotKey(quint32 id, quint16 keyCode, quint32 flags) override
    {
        grabs.insert(id, {keyCode, flags});
        return true;
    }
    void ungrabHotKey(quint32 id) override { grabs.remove(id); }
    QString lastError() const override { return QString(); }
    void release(quint32 id)
    {
        platform::HotKeyEvent event;
        event.hotKeyID = id;
        event.keyCode = grabs.value(id).keyCode;
        event.modifierFlags = grabs.value(id).flags;
        Q_EMIT hotKeyReleased(event);
    }
};

// Stands for the application controller: receives the hot key.
class HotKeyReceiver : public QObject
{
    Q_OBJECT
public:
    QList<quint16> keyCodes;
    Q_INVOKABLE void chronarkHotKeyDown(QObject *sender)
    {
        if (auto *event = qobject_cast<HKHotKeyEvent *>(sender))
            keyCodes.append(event->keyCode());
    }
};

// A key press and release as the X server reports it (keycode of the US keymap).
void press(QWidget *widget, int qtKey, Qt::KeyboardModifiers modifiers, int virtualKeyCode, const QString &chars = QString())
{
    const quint32 keycode = platform::KeyboardLayout::instance().keycodeForVirtualKey(virtualKeyCode);
    QKeyEvent down(QEvent::KeyPress, qtKey, modifiers, keycode, 0, 0, chars);
    QApplication::sendEvent(widget, &down);
    QKeyEvent up(QEvent::KeyRelease, qtKey, modifiers, keycode, 0, 0, chars);
    QApplication::sendEvent(widget, &up);
}

// Where the slider draws its handle.
QPoint sliderHandleCenter(const QSlider *slider)
{
    struct Access : QSlider
    {
        static void option(const QSlider *s, QStyleOptionSlider *o) { (s->*(&Access::initStyleOption))(o); }
    };
    QStyleOptionSlider option;
    Access::option(slider, &option);
    return slider->style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider).center();
}

class PrefPanelsTest : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        static testsupport::ScopedXdgHome home; // the standard defaults too, should anything reach them
        Q_UNUSED(home);
    }

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        defaults = std::make_unique<platform::UserDefaults>(dir.filePath(QStringLiteral("defaults.conf")));
        for (const char *name : {"Bell.oga", "Glass.wav", "Ping.aiff"})
            ASSERT_TRUE(testsupport::writeFile(dir.filePath(QStringLiteral("sounds/") + QString::fromLatin1(name)), "x"));
        catalogue = std::make_unique<NTXSoundManager>(QStringList{dir.filePath(QStringLiteral("sounds"))});
        ASSERT_EQ(catalogue->count(), 3u);
        defaults->registerDefaults(DefaultsKeys::registeredDefaults(catalogue.get()));
    }

    // Shows the pane's view in a window of its own, as the preferences window does.
    void show(NTXPreferencePanel *pane)
    {
        window = std::make_unique<QWidget>();
        auto *layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(pane->mainView());
        pane->willSelect();
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    QTemporaryDir dir;
    std::unique_ptr<platform::UserDefaults> defaults;
    std::unique_ptr<NTXSoundManager> catalogue;
    std::unique_ptr<QWidget> window; // destroyed before the panes (declared after nothing they need)
    PrefsChangedCounter posted;
};

// ---- General ----

TEST_F(PrefPanelsTest, GeneralPaneDescribesItself)
{
    std::unique_ptr<GeneralPrefPanel> pane(NTXPreferencePanel::create<GeneralPrefPanel>(
        QStringLiteral("GeneralPrefPanel.nib"), QStringLiteral("GeneralPrefPanel"), defaults.get()));
    EXPECT_EQ(pane->identifier(), QStringLiteral("GeneralPrefPanel"));
    EXPECT_EQ(pane->label(), text("LSPrefGeneral"));
    EXPECT_EQ(pane->category(), QStringLiteral("Chronark"));
    EXPECT_EQ(pane->categoryDisplayName(), QStringLiteral("Chronark"));
    EXPECT_FALSE(pane->icon().isNull());
    EXPECT_NE(pane->mainView(), nullptr);
    EXPECT_TRUE(pane->respondsToSelector("willUnselect"));
    EXPECT_EQ(posted.count, 0);
}

TEST_F(PrefPanelsTest, GeneralPaneStoresTheAutosaveInterval)
{
    defaults->setInteger(5, AutoSaveTimerKey);
    std::unique_ptr<GeneralPrefPanel> pane(NTXPreferencePanel::create<GeneralPrefPanel>(
        QStringLiteral("GeneralPrefPanel"), QStringLiteral("GeneralPrefPanel"), defaults.get()));
    show(pane.get());
    QComboBox *popUp = pane->autoSavePopUp();
    EXPECT_EQ(popUp->currentData(), QVariant(5));
    EXPECT_EQ(popUp->itemData(0), QVariant(0));
    EXPECT_EQ(popUp->itemText(0), text("LSAutoSaveNever"));

    popUp->setFocus();
    QTest::keyClick(popUp, Qt::Key_Down);
    EXPECT_EQ(defaults->integerForKey(AutoSaveTimerKey), 10);
    EXPECT_EQ(posted.count, 1);
    QTest::keyClick(popUp, Qt::Key_Home);
    EXPECT_EQ(defaults->integerForKey(AutoSaveTimerKey), 0);
    EXPECT_EQ(posted.count, 2);
    EXPECT_EQ(posted.withObject, 0);

    // Choosing the interval in force again is no change.
    Q_EMIT popUp->activated(popUp->currentIndex());
    EXPECT_EQ(posted.count, 2);

    // An interval no item offers selects nothing; garbage reads as 0.
    defaults->setInteger(7, AutoSaveTimerKey);
    pane->willSelect();
    EXPECT_EQ(popUp->currentIndex(), -1);
    defaults->setString(QStringLiteral("soon"), AutoSaveTimerKey);
    pane->willSelect();
    EXPECT_EQ(popUp->currentData(), QVariant(0));
    EXPECT_EQ(posted.count, 2);
}

// What happens at launch has no control in the panes: the General pane holds the
// autosave pop-up alone and the Update pane no check box; the defaults stay as they
// are registered, whatever the panes write.
TEST_F(PrefPanelsTest, NoPaneWritesTheLaunchChoices)
{
    std::unique_ptr<GeneralPrefPanel> general(NTXPreferencePanel::create<GeneralPrefPanel>(
        QStringLiteral("GeneralPrefPanel"), QStringLiteral("GeneralPrefPanel"), defaults.get()));
    general->mainView();
    general->willSelect();
    NTXCheckUpdate checker;
    std::unique_ptr<UpdatePreferencePanel> update(NTXPreferencePanel::create<UpdatePreferencePanel>(
        QStringLiteral("UpdatePreferencePanel"), QStringLiteral("UpdatePreferencePanel"), defaults.get(), &checker));
    update->mainView();
    update->willSelect();

    EXPECT_TRUE(general->mainView()->findChildren<QCheckBox *>().isEmpty());
    EXPECT_TRUE(update->mainView()->findChildren<QCheckBox *>().isEmpty());
    EXPECT_EQ(general->mainView()->findChildren<QComboBox *>(), QList<QComboBox *>{general->autoSavePopUp()});

    const bool openEmpty = defaults->boolForKey(OpenEmptyDocumentKey);
    const bool openLast = defaults->boolForKey(OpenLastEditedDocKey);
    const bool autoSearch = defaults->boolForKey(UpdateAutoSearchKey);
    general->valuesChanged(general->autoSavePopUp());
    EXPECT_EQ(posted.count, 1);
    EXPECT_EQ(defaults->boolForKey(OpenEmptyDocumentKey), openEmpty);
    EXPECT_EQ(defaults->boolForKey(OpenLastEditedDocKey), openLast);
    EXPECT_EQ(defaults->boolForKey(UpdateAutoSearchKey), autoSearch);
    EXPECT_FALSE(defaults->persistentValues().contains(OpenEmptyDocumentKey));
    EXPECT_FALSE(defaults->persistentValues().contains(OpenLastEditedDocKey));
    EXPECT_FALSE(defaults->persistentValues().contains(UpdateAutoSearchKey));
}

// ---- Time registration ----

class TimeRegistrationTest : public PrefPanelsTest
{
protected:
    void SetUp() override
    {
        PrefPanelsTest::SetUp();
        ASSERT_TRUE(platform::KeyboardLayout::instance().useLayoutNames(QStringLiteral("us")));
        HKHotKeyCenter::setHotKeyGrabber(&grabber);
    }
    void TearDown() override
    {
        HKHotKeyCenter().unregisterHotKeysMatchingPredicate([](const HKHotKey &) { return true; });
        HKHotKeyCenter::setHotKeyGrabber(nullptr);
    }

    TimeRegistrationPrefPanel *makePane()
    {
        pane.reset(NTXPreferencePanel::create<TimeRegistrationPrefPanel>(
            QStringLiteral("TimeRegistrationPrefPanel.nib"), QStringLiteral("TimeRegistrationPrefPanel"),
            defaults.get()));
        return pane.get();
    }

    void record(int qtKey, Qt::KeyboardModifiers modifiers, int virtualKeyCode)
    {
        KRRecorderControl *recorder = pane->keyCodeRecorder();
        recorder->setFocus();
        press(recorder, Qt::Key_Space, Qt::NoModifier, 49, QStringLiteral(" "));
        ASSERT_TRUE(recorder->recorderCell()->isRecording());
        press(recorder, qtKey, modifiers, virtualKeyCode);
        ASSERT_FALSE(recorder->recorderCell()->isRecording());
    }

    FakeGrabber grabber;
    HotKeyReceiver receiver;
    std::unique_ptr<TimeRegistrationPrefPanel> pane;
};

TEST_F(TimeRegistrationTest, LoadsTheDefaults)
{
    defaults->setInteger(40, ChronarkKeyCodeKey);
    defaults->setInteger(Control | Option, ChronarkKeyModifierKey);
    defaults->setBool(true, AcceptHotKeyKey);
    defaults->setBool(true, ShowChronarkMenuKey);
    defaults->setFloat(12.0f, StopTimerWhenInactiveTimeKey);
    makePane();
    show(pane.get());
    EXPECT_EQ(pane->identifier(), QStringLiteral("TimeRegistrationPrefPanel"));
    EXPECT_EQ(pane->label(), text("LSPrefTimeRegistration"));
    EXPECT_EQ(pane->category(), QStringLiteral("Chronark"));
    EXPECT_FALSE(pane->icon().isNull());

    KRRecorderControl *recorder = pane->keyCodeRecorder();
    EXPECT_EQ(recorder->keyCombo(), (KeyCombo{Control | Option, 40}));
    EXPECT_TRUE(recorder->animates());
    EXPECT_TRUE(recorder->canCaptureGlobalHotKeys());
    EXPECT_EQ(recorder->style(), 0);
    EXPECT_EQ(recorder->delegate(), pane.get());
    EXPECT_TRUE(pane->acceptHotKey()->isChecked());
    EXPECT_TRUE(pane->chronarkMenu()->isChecked());
    EXPECT_FALSE(pane->chronarkMenuHideDoneJobs()->isChecked());
    EXPECT_TRUE(pane->stopTimerWhenSleepButton()->isChecked());
    EXPECT_FALSE(pane->stopTimerWhenInactiveButton()->isChecked());
    EXPECT_EQ(pane->stopTimerWhenInactiveSlider()->value(), 12);
    EXPECT_EQ(pane->stopTimerWhenInactiveButton()->text(),
              text("LSStopTimerDisplay").replace(QStringLiteral("%@"), QStringLiteral("12")));
    EXPECT_FALSE(pane->keyCodeDisplay()->text().isEmpty());
    // Loading is no change.
    EXPECT_EQ(posted.count, 0);
    EXPECT_TRUE(HKHotKeyCenter().registeredHotKeys().isEmpty());
}

TEST_F(TimeRegistrationTest, CheckBoxesAreStoredOncePerClick)
{
    makePane();
    show(pane.get());
    const std::pair<QCheckBox *, const QString *> boxes[] = {
        {pane->acceptHotKey(), &AcceptHotKeyKey},
        {pane->chronarkMenu(), &ShowChronarkMenuKey},
        {pane->chronarkMenuHideDoneJobs(), &ChronarkMenuHideDoneJobsKey},
        {pane->stopTimerWhenSleepButton(), &StopTimerWhenSleepKey},
        {pane->stopTimerWhenInactiveButton(), &StopTimerWhenInactiveKey},
    };
    int expected = 0;
    for (const auto &[box, key] : boxes) {
        const bool before = defaults->boolForKey(*key);
        QTest::mouseClick(box, Qt::LeftButton);
        EXPECT_EQ(defaults->boolForKey(*key), !before) << key->toStdString();
        EXPECT_EQ(posted.count, ++expected) << key->toStdString();
    }
    EXPECT_EQ(posted.withObject, 0);
    EXPECT_EQ(defaults->floatForKey(StopTimerWhenInactiveTimeKey), 5.0f);
}

TEST_F(TimeRegistrationTest, MovingTheSliderTurnsTheInactivityStopOn)
{
    makePane();
    show(pane.get());
    QSlider *slider = pane->stopTimerWhenInactiveSlider();
    ASSERT_FALSE(pane->stopTimerWhenInactiveButton()->isChecked());
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(defaults->floatForKey(StopTimerWhenInactiveTimeKey), 6.0f);
    EXPECT_TRUE(defaults->boolForKey(StopTimerWhenInactiveKey));
    EXPECT_TRUE(pane->stopTimerWhenInactiveButton()->isChecked());
    EXPECT_EQ(pane->stopTimerWhenInactiveButton()->text(),
              text("LSStopTimerDisplay").replace(QStringLiteral("%@"), QStringLiteral("6")));
    EXPECT_EQ(posted.count, 1);

    // The same value again: nothing happens.
    pane->inactiveTimerSliderChanged(slider);
    EXPECT_EQ(posted.count, 1);
    // A drag of the handle that ends where it began: nothing either.
    const QPoint handle = sliderHandleCenter(slider);
    QTest::mousePress(slider, Qt::LeftButton, Qt::NoModifier, handle);
    QTest::mouseRelease(slider, Qt::LeftButton, Qt::NoModifier, handle);
    EXPECT_EQ(slider->value(), 6);
    EXPECT_EQ(posted.count, 1);
}

TEST_F(TimeRegistrationTest, AStoredTimeTheSliderCannotShowStaysUntilTheSliderMoves)
{
    for (const float stored : {7.5f, 0.25f, 500.0f}) {
        SCOPED_TRACE(stored);
        defaults->setFloat(stored, StopTimerWhenInactiveTimeKey);
        defaults->setBool(false, StopTimerWhenInactiveKey);
        makePane();
        show(pane.get());
        EXPECT_EQ(pane->stopTimerWhenInactiveButton()->text(),
                  text("LSStopTimerDisplay").replace(QStringLiteral("%@"), QLocale().toString(double(stored), 'f', QLocale::FloatingPointShortest)));
        // Every other control writes its own key only.
        for (QCheckBox *box : {pane->acceptHotKey(), pane->chronarkMenu(), pane->stopTimerWhenSleepButton(),
                               pane->stopTimerWhenInactiveButton()})
            QTest::mouseClick(box, Qt::LeftButton);
        EXPECT_EQ(defaults->floatForKey(StopTimerWhenInactiveTimeKey), stored);
        EXPECT_TRUE(defaults->boolForKey(StopTimerWhenInactiveKey));

        QSlider *slider = pane->stopTimerWhenInactiveSlider();
        slider->setFocus();
        QTest::keyClick(slider, stored < 1 ? Qt::Key_Right : Qt::Key_Left); // away from the end it sits at
        EXPECT_EQ(defaults->floatForKey(StopTimerWhenInactiveTimeKey), float(slider->value()));
        pane.reset();
    }
}

TEST_F(TimeRegistrationTest, RecordingRegistersTheHotKeyAndPostsNothing)
{
    // The hot key the application registered at launch.
    HKHotKeyCenter application;
    ASSERT_TRUE(application.registerHotKeyWithKeyCode(96, Control | Option | Shift, &receiver, "chronarkHotKeyDown:"));
    defaults->setInteger(96, ChronarkKeyCodeKey);
    defaults->setInteger(Control | Option | Shift, ChronarkKeyModifierKey);

    makePane();
    pane->setHotKeyTarget(&receiver);
    show(pane.get());
    record(Qt::Key_K, Qt::ControlModifier | Qt::AltModifier, 40);

    EXPECT_EQ(defaults->integerForKey(ChronarkKeyCodeKey), 40);
    EXPECT_EQ(defaults->integerForKey(ChronarkKeyModifierKey), Control | Option);
    EXPECT_EQ(posted.count, 0);
    const HKHotKeyCenter::HotKeys hotKeys = application.registeredHotKeys();
    ASSERT_EQ(hotKeys.size(), 1);
    EXPECT_EQ(hotKeys.first()->keyCode(), 40);
    EXPECT_EQ(hotKeys.first()->modifierFlags(), Control | Option);
    EXPECT_EQ(hotKeys.first()->target(), &receiver);
    ASSERT_EQ(grabber.grabs.size(), 1); // the old combination was let go

    grabber.release(grabber.grabs.keys().first());
    EXPECT_EQ(receiver.keyCodes, QList<quint16>({40}));
}

TEST_F(TimeRegistrationTest, ClearingTheRecorderRemovesTheHotKey)
{
    makePane();
    pane->setHotKeyTarget(&receiver);
    show(pane.get());
    record(Qt::Key_K, Qt::MetaModifier | Qt::ShiftModifier, 40);
    ASSERT_EQ(HKHotKeyCenter().registeredHotKeys().size(), 1);
    EXPECT_EQ(defaults->integerForKey(ChronarkKeyModifierKey), Command | Shift);

    pane->keyCodeRecorder()->setObjectValue(QVariant()); // the recorder's clear
    EXPECT_EQ(pane->keyCodeRecorder()->keyCombo(), KeyCombo::empty());
    EXPECT_TRUE(HKHotKeyCenter().registeredHotKeys().isEmpty());
    EXPECT_TRUE(grabber.grabs.isEmpty());
    EXPECT_EQ(defaults->integerForKey(ChronarkKeyCodeKey), -1);
    EXPECT_EQ(defaults->integerForKey(ChronarkKeyModifierKey), 0);
    EXPECT_EQ(posted.count, 0);
}

TEST_F(TimeRegistrationTest, OtherTargetsHotKeysStayAndATakenCombinationIsStillStored)
{
    HotKeyReceiver other;
    HKHotKeyCenter center;
    ASSERT_TRUE(center.registerHotKeyWithKeyCode(40, Control | Option, &other, "chronarkHotKeyDown:"));
    makePane();
    pane->setHotKeyTarget(&receiver);
    show(pane.get());
    record(Qt::Key_K, Qt::ControlModifier | Qt::AltModifier, 40);
    // The center refuses a combination registered already; the defaults keep it all the same.
    const HKHotKeyCenter::HotKeys hotKeys = center.registeredHotKeys();
    ASSERT_EQ(hotKeys.size(), 1);
    EXPECT_EQ(hotKeys.first()->target(), &other);
    EXPECT_EQ(defaults->integerForKey(ChronarkKeyCodeKey), 40);
}

TEST_F(TimeRegistrationTest, WithoutATargetTheCombinationIsOnlyStored)
{
    makePane();
    show(pane.get());
    record(Qt::Key_K, Qt::ControlModifier | Qt::AltModifier, 40);
    EXPECT_EQ(defaults->integerForKey(ChronarkKeyCodeKey), 40);
    EXPECT_TRUE(HKHotKeyCenter().registeredHotKeys().isEmpty());
}

TEST_F(TimeRegistrationTest, UnusableStoredValuesLoadSafely)
{
    defaults->setString(QStringLiteral("F5"), ChronarkKeyCodeKey);
    defaults->setInteger(-77, ChronarkKeyModifierKey);
    defaults->setString(QStringLiteral("nan"), StopTimerWhenInactiveTimeKey);
    makePane();
    show(pane.get());
    EXPECT_GE(pane->stopTimerWhenInactiveSlider()->value(), TimeRegistrationPrefPanel::MinimumInactiveMinutes);
    defaults->setInteger(qint64(1) << 40, ChronarkKeyCodeKey);
    defaults->setDouble(1e30, StopTimerWhenInactiveTimeKey);
    pane->willSelect();
    EXPECT_EQ(pane->keyCodeRecorder()->keyCombo(), KeyCombo::empty());
    EXPECT_EQ(pane->stopTimerWhenInactiveSlider()->value(), TimeRegistrationPrefPanel::MaximumInactiveMinutes);
    EXPECT_EQ(posted.count, 0);
}

// ---- Sound ----

class SoundPaneTest : public PrefPanelsTest
{
protected:
    SoundPrefPanel *makePane(NTXSoundManager *sounds)
    {
        pane.reset(NTXPreferencePanel::create<SoundPrefPanel>(QStringLiteral("SoundPrefPanel.nib"),
                                                              QStringLiteral("SoundPrefPanel"), defaults.get(), sounds));
        pane->setSoundPlayer([this](int index) { played.append(index); });
        return pane.get();
    }
    QList<int> played;
    std::unique_ptr<SoundPrefPanel> pane;
};

TEST_F(SoundPaneTest, PopUpsListTheCatalogueAndSelectTheStoredSounds)
{
    defaults->setString(QStringLiteral("Ping"), StopSoundKey);
    defaults->setString(QStringLiteral("ping"), TimerSoundKey); // no such name: the first sound
    defaults->setFloat(4.5f, SoundRepeatKey);
    makePane(catalogue.get());
    show(pane.get());
    EXPECT_EQ(pane->label(), text("LSPrefSound"));
    EXPECT_EQ(pane->category(), QStringLiteral("Chronark"));
    EXPECT_FALSE(pane->icon().isNull());
    for (QComboBox *popUp : {pane->startSound(), pane->stopSound(), pane->timerSound()}) {
        ASSERT_EQ(popUp->count(), 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(popUp->itemText(i), catalogue->getSoundNameAtIndex(i));
            EXPECT_EQ(popUp->itemData(i), QVariant(i));
        }
    }
    EXPECT_EQ(pane->startSound()->currentIndex(), 0);
    EXPECT_EQ(pane->stopSound()->currentText(), QStringLiteral("Ping"));
    EXPECT_EQ(pane->timerSound()->currentIndex(), 0);
    EXPECT_TRUE(pane->mutelyButton()->isChecked());
    EXPECT_EQ(pane->repeaterMinutes(), 4.5f);
    EXPECT_EQ(pane->repeaterDisplay()->text(), text("LSRepDisplay").replace(QStringLiteral("%@"), QLocale().toString(4.5, 'f', 1)));
    EXPECT_TRUE(played.isEmpty());
    EXPECT_EQ(posted.count, 0);
}

TEST_F(SoundPaneTest, ChoosingASoundPlaysItAndStoresIt)
{
    makePane(catalogue.get());
    show(pane.get());
    ASSERT_TRUE(pane->mutelyButton()->isChecked()); // plays all the same
    QComboBox *stop = pane->stopSound();
    stop->setFocus();
    QTest::keyClick(stop, Qt::Key_Down);
    EXPECT_EQ(played, QList<int>({1}));
    EXPECT_EQ(defaults->stringForKey(StopSoundKey), catalogue->getSoundNameAtIndex(1));
    EXPECT_EQ(defaults->stringForKey(StartSoundKey), catalogue->getSoundNameAtIndex(0));
    EXPECT_EQ(posted.count, 1);
    QTest::keyClick(stop, Qt::Key_End);
    EXPECT_EQ(played, QList<int>({1, 2}));
    EXPECT_EQ(defaults->stringForKey(StopSoundKey), QStringLiteral("Ping"));
    EXPECT_EQ(posted.count, 2);

    // The sound in force chosen again: played, nothing stored.
    Q_EMIT stop->activated(stop->currentIndex());
    EXPECT_EQ(played, QList<int>({1, 2, 2}));
    EXPECT_EQ(posted.count, 2);
    EXPECT_TRUE(defaults->boolForKey(AllwaysMutelyKey));
}

TEST_F(SoundPaneTest, MovingTheRepeaterUnmutes)
{
    makePane(catalogue.get());
    show(pane.get());
    QSlider *slider = pane->soundRepeater();
    slider->setFocus();
    QTest::keyClick(slider, Qt::Key_Right);
    EXPECT_EQ(defaults->floatForKey(SoundRepeatKey), 2.5f);
    EXPECT_FALSE(defaults->boolForKey(AllwaysMutelyKey));
    EXPECT_FALSE(pane->mutelyButton()->isChecked());
    EXPECT_EQ(pane->repeaterDisplay()->text(), text("LSRepDisplay").replace(QStringLiteral("%@"), QLocale().toString(2.5, 'f', 1)));
    EXPECT_EQ(posted.count, 1);
    pane->soundRepeaterAction(slider);
    EXPECT_EQ(posted.count, 1);

    QTest::mouseClick(pane->mutelyButton(), Qt::LeftButton);
    EXPECT_TRUE(defaults->boolForKey(AllwaysMutelyKey));
    EXPECT_EQ(posted.count, 2);
    EXPECT_TRUE(played.isEmpty());
}

TEST_F(SoundPaneTest, AStoredIntervalOrSoundThePaneCannotShowStaysUntilChanged)
{
    for (const float stored : {0.25f, 90.0f, 7.3f}) {
        SCOPED_TRACE(stored);
        defaults->setFloat(stored, SoundRepeatKey);
        defaults->setString(QStringLiteral("Gone"), TimerSoundKey); // not in the catalogue
        defaults->setString(catalogue->getSoundNameAtIndex(0), StopSoundKey);
        makePane(catalogue.get());
        show(pane.get());
        EXPECT_EQ(pane->repeaterDisplay()->text(),
                  text("LSRepDisplay").replace(QStringLiteral("%@"), QLocale().toString(double(stored), 'f', 1)));
        QTest::mouseClick(pane->mutelyButton(), Qt::LeftButton);
        QComboBox *stop = pane->stopSound();
        stop->setFocus();
        QTest::keyClick(stop, Qt::Key_Down);
        EXPECT_EQ(defaults->stringForKey(StopSoundKey), catalogue->getSoundNameAtIndex(1));
        EXPECT_EQ(defaults->floatForKey(SoundRepeatKey), stored);
        EXPECT_EQ(defaults->stringForKey(TimerSoundKey), QStringLiteral("Gone"));

        QSlider *slider = pane->soundRepeater();
        slider->setFocus();
        QTest::keyClick(slider, stored < 1 ? Qt::Key_Right : Qt::Key_Left); // away from the end it sits at
        EXPECT_EQ(defaults->floatForKey(SoundRepeatKey), pane->repeaterMinutes());
        pane.reset();
    }
}

TEST_F(SoundPaneTest, AnEmptyCatalogueStoresEmptyNames)
{
    NTXSoundManager empty(QStringList{});
    makePane(&empty);
    show(pane.get());
    EXPECT_EQ(pane->startSound()->count(), 0);
    // The whole pane written at once (no control as sender).
    pane->valuesChanged(nullptr);
    EXPECT_EQ(posted.count, 1);
    EXPECT_EQ(defaults->stringForKey(StartSoundKey), QStringLiteral(""));
    EXPECT_FALSE(defaults->stringForKey(TimerSoundKey).isNull());
}

// ---- Update ----

class UpdatePaneTest : public PrefPanelsTest
{
protected:
    void SetUp() override
    {
        PrefPanelsTest::SetUp();
        ASSERT_TRUE(server.isListening());
        checker.setUserDefaults(defaults.get());
        checker.setServerURL(server.url());
        checker.setInstalledVersion(QStringLiteral("2.5"));
        checker.setURLOpener([](const QUrl &) {});
    }
    UpdateServer server;
    NTXCheckUpdate checker;
};

TEST_F(UpdatePaneTest, RegistersItsDefaultsAndShowsTheLastCheck)
{
    platform::UserDefaults fresh(dir.filePath(QStringLiteral("fresh.conf")));
    std::unique_ptr<UpdatePreferencePanel> pane(NTXPreferencePanel::create<UpdatePreferencePanel>(
        QStringLiteral("UpdatePreferencePanel.nib"), QStringLiteral("UpdatePreferencePanel"), &fresh, &checker));
    EXPECT_EQ(fresh.stringForKey(UpdateStatusKey), QStringLiteral("LSUPStatus1"));
    EXPECT_EQ(fresh.stringForKey(UpdateDateKey), QStringLiteral("-"));
    EXPECT_FALSE(fresh.boolForKey(UpdateAutoSearchKey));
    EXPECT_TRUE(fresh.persistentValues().isEmpty());
    EXPECT_EQ(pane->identifier(), QStringLiteral("UpdatePreferencePanel"));
    EXPECT_EQ(pane->label(), text("LSPrefUpdate"));
    EXPECT_EQ(pane->category(), QStringLiteral("Chronark"));
    EXPECT_EQ(pane->categoryDisplayName(), QStringLiteral("Chronark"));
    EXPECT_FALSE(pane->icon().isNull());

    fresh.setString(QStringLiteral("LSUPStatus2"), UpdateStatusKey);
    fresh.setString(QStringLiteral("2024-05-03 14:22:10 +0200"), UpdateDateKey);
    pane->willSelect();
    EXPECT_EQ(pane->statusField()->text(), text("LSUPStatus2"));
    EXPECT_EQ(pane->lastSearchDate()->text(), QStringLiteral("2024-05-03 14:22:10 +0200"));
    // Any other stored key counts as no check yet.
    fresh.setString(QStringLiteral("LSPrefGeneral"), UpdateStatusKey);
    pane->willSelect();
    EXPECT_EQ(pane->statusField()->text(), text("LSUPStatus1"));
}

TEST_F(UpdatePaneTest, CheckNowShowsTheNewStatusAtOnce)
{
    std::unique_ptr<UpdatePreferencePanel> pane(NTXPreferencePanel::create<UpdatePreferencePanel>(
        QStringLiteral("UpdatePreferencePanel"), QStringLiteral("UpdatePreferencePanel"), defaults.get(), &checker));
    show(pane.get());
    EXPECT_EQ(pane->statusField()->text(), text("LSUPStatus1"));
    EXPECT_EQ(pane->lastSearchDate()->text(), QStringLiteral("-"));

    const QDateTime moment(QDate(2024, 6, 1), QTime(9, 30), Qt::OffsetFromUTC, 3600);
    platform::Clock::setNow(moment);
    server.body = "2.5";
    AlertAnswerer answerer(text("LSok"));
    QTest::mouseClick(pane->checkNowButton(), Qt::LeftButton);
    EXPECT_TRUE(QTest::qWaitFor([&answerer] { return answerer.alerts.size() == 1; })); // not silent
    EXPECT_TRUE(QTest::qWaitFor([this] { return !checker.isChecking(); }));
    platform::Clock::useSystemClock();
    testsupport::settleEvents();
    EXPECT_EQ(server.requests.size(), 1);
    EXPECT_EQ(pane->statusField()->text(), text("LSUPStatus3"));
    EXPECT_EQ(pane->lastSearchDate()->text(), platform::CalendarDate::description(moment));
    EXPECT_EQ(posted.count, 0); // a check changes no preference
}

// ---- Pictures ----

TEST_F(PrefPanelsTest, EachPaneRendersToAPicture)
{
    QString folder = qEnvironmentVariable("CHRONARK_SCREENSHOT_DIR");
    if (folder.isEmpty())
        folder = dir.filePath(QStringLiteral("shots"));
    ASSERT_TRUE(QDir().mkpath(folder));
    defaults->setInteger(40, ChronarkKeyCodeKey);
    defaults->setInteger(Control | Option, ChronarkKeyModifierKey);
    defaults->setString(QStringLiteral("2024-05-03 14:22:10 +0200"), UpdateDateKey);
    defaults->setString(QStringLiteral("LSUPStatus3"), UpdateStatusKey);
    NTXCheckUpdate checker;
    std::vector<std::unique_ptr<NTXPreferencePanel>> panes;
    panes.emplace_back(NTXPreferencePanel::create<GeneralPrefPanel>(QStringLiteral("GeneralPrefPanel"),
                                                                    QStringLiteral("GeneralPrefPanel"), defaults.get()));
    panes.emplace_back(NTXPreferencePanel::create<TimeRegistrationPrefPanel>(
        QStringLiteral("TimeRegistrationPrefPanel"), QStringLiteral("TimeRegistrationPrefPanel"), defaults.get()));
    panes.emplace_back(NTXPreferencePanel::create<SoundPrefPanel>(
        QStringLiteral("SoundPrefPanel"), QStringLiteral("SoundPrefPanel"), defaults.get(), catalogue.get()));
    panes.emplace_back(NTXPreferencePanel::create<UpdatePreferencePanel>(
        QStringLiteral("UpdatePreferencePanel"), QStringLiteral("UpdatePreferencePanel"), defaults.get(), &checker));
    for (const auto &pane : panes) {
        show(pane.get());
        window->resize(480, window->sizeHint().height());
        QCoreApplication::processEvents();
        const QImage picture = window->grab().toImage();
        ASSERT_FALSE(picture.isNull());
        EXPECT_GE(picture.width(), 400);
        EXPECT_TRUE(picture.save(QDir(folder).filePath(pane->identifier() + QStringLiteral(".png"))));
        pane->mainView()->setParent(nullptr); // back to the pane, which deletes it
        window.reset();
    }
    EXPECT_EQ(posted.count, 0);
}

// The panes' icons and the Show All image are our own drawings, all of one size.
TEST_F(PrefPanelsTest, PaneIconsAreTheApplicationsOwnImagesOfOneSize)
{
    NTXCheckUpdate checker;
    std::vector<std::pair<std::unique_ptr<NTXPreferencePanel>, QString>> panes;
    panes.emplace_back(NTXPreferencePanel::create<GeneralPrefPanel>(QStringLiteral("GeneralPrefPanel"),
                                                                    QStringLiteral("GeneralPrefPanel"), defaults.get()),
                       QStringLiteral("General.tiff"));
    panes.emplace_back(NTXPreferencePanel::create<TimeRegistrationPrefPanel>(
                           QStringLiteral("TimeRegistrationPrefPanel"), QStringLiteral("TimeRegistrationPrefPanel"),
                           defaults.get()),
                       QStringLiteral("PrefChronark.png"));
    panes.emplace_back(NTXPreferencePanel::create<SoundPrefPanel>(QStringLiteral("SoundPrefPanel"),
                                                                  QStringLiteral("SoundPrefPanel"), defaults.get(),
                                                                  catalogue.get()),
                       QStringLiteral("Sound.tiff"));
    panes.emplace_back(NTXPreferencePanel::create<UpdatePreferencePanel>(QStringLiteral("UpdatePreferencePanel"),
                                                                         QStringLiteral("UpdatePreferencePanel"),
                                                                         defaults.get(), &checker),
                       QStringLiteral("Update_Prefs"));
    QStringList names;
    for (const auto &[pane, name] : panes) {
        const QImage icon = pane->icon();
        EXPECT_EQ(icon.size(), QSize(32, 32)) << name.toStdString();
        EXPECT_EQ(icon, ApplicationImages::imageNamed(name)) << name.toStdString();
        EXPECT_TRUE(ApplicationImages::pathForImageNamed(name).endsWith(QStringLiteral(".svg")));
        names << name;
    }
    names << QStringLiteral("PrefsShowAll.png");
    EXPECT_EQ(ApplicationImages::imageNamed(QStringLiteral("PrefsShowAll.png")).size(), QSize(32, 32));

    // A strip of the five at twice the size, to look at.
    QImage strip(names.size() * 80, 80, QImage::Format_ARGB32_Premultiplied);
    strip.fill(QColor(236, 236, 236));
    QPainter painter(&strip);
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QImage image = ApplicationImages::imageNamed(names.at(i), 2.0);
        ASSERT_FALSE(image.isNull()) << names.at(i).toStdString();
        EXPECT_EQ(image.size(), QSize(64, 64));
        // Something is drawn, and not everywhere.
        int inked = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                inked += qAlpha(image.pixel(x, y)) > 128;
        EXPECT_GT(inked, 64 * 64 / 8) << names.at(i).toStdString();
        EXPECT_LT(inked, 64 * 64) << names.at(i).toStdString();
        painter.drawImage(QRectF(int(i) * 80 + 8, 8, 64, 64), image);
    }
    painter.end();
    const QString folder = qEnvironmentVariable("CHRONARK_SCREENSHOT_DIR", dir.path());
    EXPECT_TRUE(strip.save(QDir(folder).filePath(QStringLiteral("preference-pane-icons.png"))));
}

} // namespace

#include "TestPrefPanels.moc"
