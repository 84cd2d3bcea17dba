#include "application/preferences/SoundPrefPanel.h"

#include "NTXAppKit/sounds/NTXSoundManager.h"
#include "application/base/ApplicationImages.h"
#include "application/base/DefaultsKeys.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// The slider's position for a stored interval (anything unusable: the registered
// default of two minutes).
int sliderSteps(float minutes)
{
    if (!std::isfinite(minutes))
        minutes = 2.0f;
    const float steps = minutes * SoundPrefPanel::SliderStepsPerMinute;
    return int(std::lround(std::clamp(steps, float(SoundPrefPanel::MinimumRepeatSteps),
                                      float(SoundPrefPanel::MaximumRepeatSteps))));
}

} // namespace

SoundPrefPanel::SoundPrefPanel(platform::UserDefaults *defaults, NTXSoundManager *catalogue, QObject *parent)
    : NTXPreferencePanel(parent)
    , m_defaults(defaults)
    , m_catalogue(catalogue)
{
}

SoundPrefPanel::~SoundPrefPanel() = default;

platform::UserDefaults &SoundPrefPanel::userDefaults() const
{
    return m_defaults ? *m_defaults : platform::UserDefaults::standardUserDefaults();
}

NTXSoundManager &SoundPrefPanel::soundCatalogue() const
{
    return m_catalogue ? *m_catalogue : *NTXSoundManager::getSharedSoundManager();
}

void SoundPrefPanel::setSoundPlayer(SoundPlayer player)
{
    m_player = std::move(player);
}

QWidget *SoundPrefPanel::loadNib(const QString &nibName)
{
    if (nibName == QLatin1String("SoundPrefPanel") || nibName == QLatin1String("SoundPrefPanel.nib"))
        return buildView();
    return NTXPreferencePanel::loadNib(nibName);
}

QWidget *SoundPrefPanel::buildView()
{
    auto *view = new QWidget;
    view->setObjectName(QStringLiteral("SoundPrefPanel"));
    auto *layout = new QVBoxLayout(view);
    layout->setContentsMargins(20, 20, 20, 20);

    auto *form = new QFormLayout;
    auto makePopUp = [view](const char *name) {
        auto *popUp = new QComboBox(view);
        popUp->setObjectName(QString::fromLatin1(name));
        popUp->setMinimumWidth(180);
        return popUp;
    };
    m_startSound = makePopUp("startSound");
    m_stopSound = makePopUp("stopSound");
    m_timerSound = makePopUp("timerSound");
    form->addRow(platform::localized(QStringLiteral("LSStartSoundLabel")), m_startSound);
    form->addRow(platform::localized(QStringLiteral("LSStopSoundLabel")), m_stopSound);
    form->addRow(platform::localized(QStringLiteral("LSTimerSoundLabel")), m_timerSound);

    auto *repeatRow = new QHBoxLayout;
    m_soundRepeater = new QSlider(Qt::Horizontal, view);
    m_soundRepeater->setObjectName(QStringLiteral("soundRepeater"));
    m_soundRepeater->setRange(MinimumRepeatSteps, MaximumRepeatSteps);
    m_soundRepeater->setPageStep(SliderStepsPerMinute * 5);
    // A drag is one change, stored when the slider is let go; the display follows the drag.
    m_soundRepeater->setTracking(false);
    m_repeaterDisplay = new QLabel(view);
    m_repeaterDisplay->setObjectName(QStringLiteral("repeaterDisplay"));
    m_repeaterDisplay->setMinimumWidth(m_repeaterDisplay->fontMetrics().horizontalAdvance(repeaterTitle(88.5f)));
    repeatRow->addWidget(m_soundRepeater, 1);
    repeatRow->addWidget(m_repeaterDisplay);
    form->addRow(platform::localized(QStringLiteral("LSRepeatLabel")), repeatRow);
    layout->addLayout(form);

    m_mutelyButton = new QCheckBox(platform::localized(QStringLiteral("LSAllwaysMutely")), view);
    m_mutelyButton->setObjectName(QStringLiteral("mutelyButton"));
    layout->addWidget(m_mutelyButton);
    layout->addStretch(1);

    for (QComboBox *popUp : {m_startSound.data(), m_stopSound.data(), m_timerSound.data()})
        QObject::connect(popUp, &QComboBox::activated, this,
            platform::ExceptionBoundary::guarded(this, "activated", [this, popUp]() { soundPopUpButtonAction(popUp); }));
    QObject::connect(m_mutelyButton.data(), &QCheckBox::clicked, this,
        platform::ExceptionBoundary::guarded(this, "clicked", [this]() { valuesChanged(m_mutelyButton); }));
    QObject::connect(m_soundRepeater.data(), &QSlider::valueChanged, this,
                     platform::ExceptionBoundary::guarded(this, "valueChanged", [this]() { soundRepeaterAction(m_soundRepeater); }));
    QObject::connect(m_soundRepeater.data(), &QSlider::sliderMoved, this, platform::ExceptionBoundary::guarded(this, "sliderMoved", [this](int steps) {
        if (m_repeaterDisplay)
            m_repeaterDisplay->setText(repeaterTitle(float(steps) / SliderStepsPerMinute));
    }));
    return view;
}

void SoundPrefPanel::fillPopUp(QComboBox *popUp)
{
    if (!popUp)
        return;
    const QSignalBlocker block(popUp);
    popUp->clear();
    const std::unique_ptr<QMenu> menu = soundCatalogue().getSoundMenu();
    for (const QAction *item : menu->actions())
        popUp->addItem(item->text(), item->data()); // title and tag (the position)
}

QString SoundPrefPanel::label() const
{
    return platform::localized(QStringLiteral("LSPrefSound"));
}

QImage SoundPrefPanel::icon() const
{
    return ApplicationImages::imageNamed(QStringLiteral("Sound.tiff"));
}

QString SoundPrefPanel::category() const
{
    return QStringLiteral("Chronark");
}

QString SoundPrefPanel::categoryDisplayName()
{
    return category();
}

void SoundPrefPanel::viewDidLoad()
{
    fillPopUp(m_startSound);
    fillPopUp(m_stopSound);
    fillPopUp(m_timerSound);
    willSelect();
}

float SoundPrefPanel::repeaterMinutes() const
{
    return m_soundRepeater ? float(m_soundRepeater->value()) / SliderStepsPerMinute : 0.0f;
}

QString SoundPrefPanel::repeaterTitle(float minutes)
{
    return platform::localized(QStringLiteral("LSRepDisplay"))
        .replace(QStringLiteral("%@"), QLocale().toString(double(minutes), 'f', 1));
}

void SoundPrefPanel::willSelect()
{
    platform::UserDefaults &defaults = userDefaults();
    if (m_mutelyButton)
        m_mutelyButton->setChecked(defaults.boolForKey(AllwaysMutelyKey));
    const float stored = defaults.floatForKey(SoundRepeatKey);
    if (m_soundRepeater) {
        const QSignalBlocker block(m_soundRepeater.data());
        m_soundRepeater->setValue(sliderSteps(stored));
    }
    m_repeaterMoved = false;
    const NTXSoundManager &catalogue = soundCatalogue();
    const std::pair<QComboBox *, const QString *> popUps[] = {
        {m_startSound, &StartSoundKey}, {m_stopSound, &StopSoundKey}, {m_timerSound, &TimerSoundKey}};
    for (const auto &[popUp, key] : popUps) {
        if (!popUp)
            continue;
        const QSignalBlocker block(popUp);
        const int index = catalogue.indexOfSound(defaults.stringForKey(*key));
        popUp->setCurrentIndex(index < popUp->count() ? index : -1);
    }
    // The display tells the stored interval, also one the slider cannot show.
    if (m_repeaterDisplay)
        m_repeaterDisplay->setText(repeaterTitle(std::isfinite(stored) ? stored : repeaterMinutes()));
}

const QString *SoundPrefPanel::keyOfPopUp(const QObject *popUp) const
{
    if (popUp && popUp == m_startSound)
        return &StartSoundKey;
    if (popUp && popUp == m_stopSound)
        return &StopSoundKey;
    if (popUp && popUp == m_timerSound)
        return &TimerSoundKey;
    return nullptr;
}

void SoundPrefPanel::soundPopUpButtonAction(QObject *sender)
{
    auto *popUp = qobject_cast<QComboBox *>(sender);
    if (!popUp)
        return;
    const int index = popUp->currentIndex();
    if (m_player)
        m_player(index);
    else
        soundCatalogue().playSoundAtIndex(index);
    // Choosing the sound in force again only plays it.
    const QString *key = keyOfPopUp(popUp);
    if (key && userDefaults().stringForKey(*key) == soundCatalogue().getSoundNameAtIndex(index))
        return;
    valuesChanged(sender);
}

void SoundPrefPanel::soundRepeaterAction(QObject *sender)
{
    Q_UNUSED(sender);
    if (!m_soundRepeater)
        return;
    const float minutes = repeaterMinutes();
    if (minutes == userDefaults().floatForKey(SoundRepeatKey))
        return;
    m_repeaterMoved = true;
    if (m_repeaterDisplay)
        m_repeaterDisplay->setText(repeaterTitle(minutes));
    // Moving the slider unmutes.
    if (m_mutelyButton)
        m_mutelyButton->setChecked(false);
    valuesChanged(sender);
}

void SoundPrefPanel::valuesChanged(QObject *sender)
{
    // Only the keys of the controls that changed (all of them without a sender):
    // the slider also switched the mute box off.
    const bool fromSlider = sender && sender == m_soundRepeater;
    platform::UserDefaults &defaults = userDefaults();
    if (m_soundRepeater && (fromSlider || (!sender && m_repeaterMoved)))
        defaults.setFloat(repeaterMinutes(), SoundRepeatKey);
    if (m_mutelyButton && (!sender || fromSlider || sender == m_mutelyButton))
        defaults.setBool(m_mutelyButton->isChecked(), AllwaysMutelyKey);
    const NTXSoundManager &catalogue = soundCatalogue();
    const std::pair<QComboBox *, const QString *> popUps[] = {
        {m_startSound, &StartSoundKey}, {m_stopSound, &StopSoundKey}, {m_timerSound, &TimerSoundKey}};
    for (const auto &[popUp, key] : popUps) {
        if (!popUp || (sender && sender != popUp))
            continue;
        QString name = catalogue.getSoundNameAtIndex(popUp->currentIndex());
        defaults.setString(name.isNull() ? QStringLiteral("") : name, *key);
    }
    platform::NotificationCenter::defaultCenter().post(PrefsChangedNotification);
}
