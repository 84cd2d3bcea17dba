#include "application/preferences/TimeRegistrationPrefPanel.h"

#include "application/base/ApplicationImages.h"
#include "application/base/DefaultsKeys.h"
#include "components/hotkeys/HKHotKeyCenter.h"
#include "components/keyrecorder/KRRecorderControl.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"

#include <QApplication>
#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QLoggingCategory>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>

Q_LOGGING_CATEGORY(lcTimeRegistrationPrefs, "chronark.preferences.timeregistration")

namespace {

// The slider's position for a stored number of minutes (anything unusable: the
// registered default of 5).
int sliderMinutes(float stored)
{
    if (!std::isfinite(stored))
        stored = 5.0f;
    const float clamped = std::clamp(stored, float(TimeRegistrationPrefPanel::MinimumInactiveMinutes),
                                     float(TimeRegistrationPrefPanel::MaximumInactiveMinutes));
    return int(std::lround(clamped));
}

} // namespace

TimeRegistrationPrefPanel::TimeRegistrationPrefPanel(platform::UserDefaults *defaults, QObject *parent)
    : NTXPreferencePanel(parent)
    , m_defaults(defaults)
{
}

TimeRegistrationPrefPanel::~TimeRegistrationPrefPanel() = default;

platform::UserDefaults &TimeRegistrationPrefPanel::userDefaults() const
{
    return m_defaults ? *m_defaults : platform::UserDefaults::standardUserDefaults();
}

void TimeRegistrationPrefPanel::setHotKeyTarget(QObject *target, const QByteArray &action)
{
    m_hotKeyTarget = target;
    m_hotKeyAction = action;
}

QWidget *TimeRegistrationPrefPanel::loadNib(const QString &nibName)
{
    if (nibName == QLatin1String("TimeRegistrationPrefPanel") || nibName == QLatin1String("TimeRegistrationPrefPanel.nib"))
        return buildView();
    return NTXPreferencePanel::loadNib(nibName);
}

QWidget *TimeRegistrationPrefPanel::buildView()
{
    auto *view = new QWidget;
    view->setObjectName(QStringLiteral("TimeRegistrationPrefPanel"));
    auto *layout = new QVBoxLayout(view);
    // The tallest pane: narrower margins above and below keep its window within a
    // 1000-pixel screen at scale factor 2, title bar included.
    layout->setContentsMargins(20, 10, 20, 10);

    auto *hotKeyBox = new QGroupBox(platform::localized(QStringLiteral("LSHotKeyGroup")), view);
    auto *hotKeyLayout = new QVBoxLayout(hotKeyBox);
    auto *recorderRow = new QFormLayout;
    m_keyCodeRecorder = new KRRecorderControl(hotKeyBox);
    m_keyCodeRecorder->setObjectName(QStringLiteral("keyCodeRecorder"));
    m_keyCodeRecorder->setMinimumWidth(180);
    recorderRow->addRow(platform::localized(QStringLiteral("LSHotKeyLabel")), m_keyCodeRecorder);
    hotKeyLayout->addLayout(recorderRow);
    m_keyCodeDisplay = new QLabel(platform::localized(QStringLiteral("LSHotKeyExplanation")), hotKeyBox);
    m_keyCodeDisplay->setObjectName(QStringLiteral("keyCodeDisplay"));
    m_keyCodeDisplay->setWordWrap(true);
    hotKeyLayout->addWidget(m_keyCodeDisplay);
    m_acceptHotKey = new QCheckBox(platform::localized(QStringLiteral("LSAcceptHotKey")), hotKeyBox);
    m_acceptHotKey->setObjectName(QStringLiteral("acceptHotKey"));
    hotKeyLayout->addWidget(m_acceptHotKey);
    layout->addWidget(hotKeyBox);

    auto *menuBox = new QGroupBox(platform::localized(QStringLiteral("LSChronarkMenuGroup")), view);
    auto *menuLayout = new QVBoxLayout(menuBox);
    m_chronarkMenu = new QCheckBox(platform::localized(QStringLiteral("LSShowChronarkMenu")), menuBox);
    m_chronarkMenu->setObjectName(QStringLiteral("chronarkMenu"));
    m_chronarkMenuHideDoneJobs = new QCheckBox(platform::localized(QStringLiteral("LSHideDoneJobs")), menuBox);
    m_chronarkMenuHideDoneJobs->setObjectName(QStringLiteral("chronarkMenuHideDoneJobs"));
    menuLayout->addWidget(m_chronarkMenu);
    menuLayout->addWidget(m_chronarkMenuHideDoneJobs);
    layout->addWidget(menuBox);

    auto *stopBox = new QGroupBox(platform::localized(QStringLiteral("LSStopTimerGroup")), view);
    auto *stopLayout = new QVBoxLayout(stopBox);
    m_stopTimerWhenSleepButton = new QCheckBox(platform::localized(QStringLiteral("LSStopTimerWhenSleep")), stopBox);
    m_stopTimerWhenSleepButton->setObjectName(QStringLiteral("stopTimerWhenSleepButton"));
    m_stopTimerWhenInactiveButton = new QCheckBox(stopTimerTitle(5), stopBox);
    m_stopTimerWhenInactiveButton->setObjectName(QStringLiteral("stopTimerWhenInactiveButton"));
    m_stopTimerWhenInactiveSlider = new QSlider(Qt::Horizontal, stopBox);
    m_stopTimerWhenInactiveSlider->setObjectName(QStringLiteral("stopTimerWhenInactiveSlider"));
    m_stopTimerWhenInactiveSlider->setRange(MinimumInactiveMinutes, MaximumInactiveMinutes);
    m_stopTimerWhenInactiveSlider->setPageStep(5);
    m_stopTimerWhenInactiveSlider->setTickPosition(QSlider::TicksBelow);
    m_stopTimerWhenInactiveSlider->setTickInterval(10);
    // A drag is one change, stored when the slider is let go; the title follows the drag.
    m_stopTimerWhenInactiveSlider->setTracking(false);
    stopLayout->addWidget(m_stopTimerWhenSleepButton);
    stopLayout->addWidget(m_stopTimerWhenInactiveButton);
    stopLayout->addWidget(m_stopTimerWhenInactiveSlider);
    layout->addWidget(stopBox);
    layout->addStretch(1);

    for (QCheckBox *box : {m_acceptHotKey.data(), m_chronarkMenu.data(), m_chronarkMenuHideDoneJobs.data(),
                           m_stopTimerWhenSleepButton.data(), m_stopTimerWhenInactiveButton.data()}) {
        // A click always changes a check box's state.
        QObject::connect(box, &QCheckBox::clicked, this,
            platform::ExceptionBoundary::guarded(this, "clicked", [this, box]() { valuesChanged(box); }));
    }
    QObject::connect(m_stopTimerWhenInactiveSlider.data(), &QSlider::valueChanged, this,
                     platform::ExceptionBoundary::guarded(this, "valueChanged", [this]() { inactiveTimerSliderChanged(m_stopTimerWhenInactiveSlider); }));
    QObject::connect(m_stopTimerWhenInactiveSlider.data(), &QSlider::sliderMoved, this, platform::ExceptionBoundary::guarded(this, "sliderMoved", [this](int minutes) {
        if (m_stopTimerWhenInactiveButton)
            m_stopTimerWhenInactiveButton->setText(stopTimerTitle(minutes));
    }));
    return view;
}

QString TimeRegistrationPrefPanel::label() const
{
    return platform::localized(QStringLiteral("LSPrefTimeRegistration"));
}

QImage TimeRegistrationPrefPanel::icon() const
{
    QImage image = ApplicationImages::imageNamed(QStringLiteral("PrefChronark.png"));
    if (image.isNull())
        image = ApplicationImages::imageNamed(QStringLiteral("entry_time2.tif"), 2.0);
    if (image.isNull())
        image = QApplication::style()->standardIcon(QStyle::SP_BrowserReload).pixmap(32, 32).toImage();
    return image;
}

QString TimeRegistrationPrefPanel::category() const
{
    return QStringLiteral("Chronark");
}

QString TimeRegistrationPrefPanel::categoryDisplayName()
{
    return category();
}

QString TimeRegistrationPrefPanel::stopTimerTitle(float minutes)
{
    return platform::localized(QStringLiteral("LSStopTimerDisplay"))
        .replace(QStringLiteral("%@"), QLocale().toString(double(minutes), 'f', QLocale::FloatingPointShortest));
}

void TimeRegistrationPrefPanel::viewDidLoad()
{
    willSelect();
}

void TimeRegistrationPrefPanel::willSelect()
{
    platform::UserDefaults &defaults = userDefaults();
    if (m_keyCodeRecorder) {
        const qint64 code = defaults.integerForKey(ChronarkKeyCodeKey);
        const qint64 modifiers = defaults.integerForKey(ChronarkKeyModifierKey);
        m_keyCodeRecorder->setAnimates(true);
        m_keyCodeRecorder->setCanCaptureGlobalHotKeys(true);
        m_keyCodeRecorder->setStyle(0);
        // Once the pane is its delegate (from the second time it is selected on),
        // setting the stored combination registers it again: a key that could not be
        // registered at launch is retried here.
        KeyCombo combo = KeyCombo::empty();
        if (code >= 0 && code <= std::numeric_limits<qint32>::max()) {
            combo.code = qint32(code);
            combo.flags = quint32(modifiers);
        }
        m_keyCodeRecorder->setKeyCombo(combo);
        m_keyCodeRecorder->setDelegate(this);
    }

    const std::pair<QCheckBox *, const QString *> boxes[] = {
        {m_acceptHotKey, &AcceptHotKeyKey},
        {m_chronarkMenu, &ShowChronarkMenuKey},
        {m_chronarkMenuHideDoneJobs, &ChronarkMenuHideDoneJobsKey},
        {m_stopTimerWhenSleepButton, &StopTimerWhenSleepKey},
        {m_stopTimerWhenInactiveButton, &StopTimerWhenInactiveKey},
    };
    for (const auto &[box, key] : boxes) {
        if (box)
            box->setChecked(defaults.boolForKey(*key));
    }
    if (m_stopTimerWhenInactiveSlider) {
        const QSignalBlocker block(m_stopTimerWhenInactiveSlider.data());
        const float stored = defaults.floatForKey(StopTimerWhenInactiveTimeKey);
        m_stopTimerWhenInactiveSlider->setValue(sliderMinutes(stored));
        m_sliderMoved = false;
        // The title tells the stored time, also one the slider cannot show.
        if (m_stopTimerWhenInactiveButton)
            m_stopTimerWhenInactiveButton->setText(std::isfinite(stored) ? stopTimerTitle(stored)
                                                                         : stopTimerTitle(m_stopTimerWhenInactiveSlider->value()));
    }
}

void TimeRegistrationPrefPanel::keyRecorder(KRRecorderControl *recorder, KeyCombo newKeyCombo)
{
    Q_UNUSED(newKeyCombo);
    if (!recorder)
        return;
    const KeyCombo combo = recorder->keyCombo();

    if (m_hotKeyTarget) {
        // A center of its own for the moment: the registry is shared, so it finds the
        // hot key the application registered.
        HKHotKeyCenter center;
        center.unregisterHotKeysWithTarget(m_hotKeyTarget);
        if (const std::optional<quint16> keyCode = HKHotKeyCenter::keyCodeForStoredValue(combo.code)) {
            if (!center.registerHotKeyWithKeyCode(*keyCode, combo.flags, m_hotKeyTarget, m_hotKeyAction.constData()))
                qCInfo(lcTimeRegistrationPrefs) << "The hot key" << combo.code << Qt::hex << combo.flags
                                                << "could not be registered";
        }
    } else {
        qCInfo(lcTimeRegistrationPrefs) << "No receiver for the hot key: the combination is only stored";
    }

    platform::UserDefaults &defaults = userDefaults();
    defaults.setInteger(combo.code, ChronarkKeyCodeKey);
    defaults.setInteger(combo.flags, ChronarkKeyModifierKey);
}

void TimeRegistrationPrefPanel::valuesChanged(QObject *sender)
{
    // Only the keys of the controls that changed (all of them without a sender):
    // the slider also switched its check box on.
    const bool fromSlider = sender && sender == m_stopTimerWhenInactiveSlider;
    platform::UserDefaults &defaults = userDefaults();
    const std::pair<QCheckBox *, const QString *> boxes[] = {
        {m_acceptHotKey, &AcceptHotKeyKey},
        {m_chronarkMenu, &ShowChronarkMenuKey},
        {m_chronarkMenuHideDoneJobs, &ChronarkMenuHideDoneJobsKey},
        {m_stopTimerWhenSleepButton, &StopTimerWhenSleepKey},
        {m_stopTimerWhenInactiveButton, &StopTimerWhenInactiveKey},
    };
    for (const auto &[box, key] : boxes) {
        if (box && (!sender || sender == box || (fromSlider && box == m_stopTimerWhenInactiveButton)))
            defaults.setBool(box->isChecked(), *key);
    }
    if (m_stopTimerWhenInactiveSlider && (fromSlider || (!sender && m_sliderMoved)))
        defaults.setFloat(float(m_stopTimerWhenInactiveSlider->value()), StopTimerWhenInactiveTimeKey);
    platform::NotificationCenter::defaultCenter().post(PrefsChangedNotification);
}

void TimeRegistrationPrefPanel::inactiveTimerSliderChanged(QObject *sender)
{
    Q_UNUSED(sender);
    if (!m_stopTimerWhenInactiveSlider)
        return;
    const float minutes = float(m_stopTimerWhenInactiveSlider->value());
    if (minutes == userDefaults().floatForKey(StopTimerWhenInactiveTimeKey))
        return;
    m_sliderMoved = true;
    if (m_stopTimerWhenInactiveButton) {
        m_stopTimerWhenInactiveButton->setText(stopTimerTitle(m_stopTimerWhenInactiveSlider->value()));
        // Moving the slider turns the inactivity stop on.
        m_stopTimerWhenInactiveButton->setChecked(true);
    }
    valuesChanged(m_stopTimerWhenInactiveSlider);
}
