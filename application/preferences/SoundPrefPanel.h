#pragma once
// The "Sound" pane: the sounds played when a counter starts and stops and as a
// reminder while it runs, how often the reminder sounds (in minutes), and whether
// counters are always silent. The pop-ups list the sound catalogue (NTXSoundManager);
// choosing a sound plays it at once, also while "always mute" is on. Each change is
// written to the user defaults and announced with "PrefsChanged".
#include "NTXAppKit/preferences/NTXPreferencePanel.h"

#include <QPointer>
#include <functional>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QSlider>

class NTXSoundManager;

namespace platform {
class UserDefaults;
}

class SoundPrefPanel : public NTXPreferencePanel
{
    Q_OBJECT
public:
    // The reminder slider moves in steps of half a minute, from half a minute to an hour.
    static constexpr int SliderStepsPerMinute = 2;
    static constexpr int MinimumRepeatSteps = 1;
    static constexpr int MaximumRepeatSteps = 120;

    // Plays the sound at a position of the catalogue.
    using SoundPlayer = std::function<void(int index)>;

    // The pane keeps its settings in `defaults` (the standard defaults when null) and
    // lists the sounds of `catalogue` (the application's shared one when null).
    explicit SoundPrefPanel(platform::UserDefaults *defaults = nullptr, NTXSoundManager *catalogue = nullptr,
                            QObject *parent = nullptr);
    ~SoundPrefPanel() override;

    platform::UserDefaults &userDefaults() const;
    NTXSoundManager &soundCatalogue() const;
    // Replaces how a chosen sound is played (the catalogue plays it by default).
    void setSoundPlayer(SoundPlayer player);

    // ---- Outlets ----
    QComboBox *startSound() const { return m_startSound; }
    QComboBox *stopSound() const { return m_stopSound; }
    QComboBox *timerSound() const { return m_timerSound; }
    QCheckBox *mutelyButton() const { return m_mutelyButton; }
    QSlider *soundRepeater() const { return m_soundRepeater; }
    QLabel *repeaterDisplay() const { return m_repeaterDisplay; }

    // ---- The pane ----
    QString label() const override;       // "LSPrefSound"
    QImage icon() const override;         // "Sound.tiff"
    QString category() const override;    // "Chronark"
    QString categoryDisplayName() override;
    // Fills the pop-ups from the catalogue's menu, then loads the controls.
    void viewDidLoad() override;
    void willSelect() override;

    // A sound was chosen in one of the pop-ups: plays it and stores the choice.
    Q_INVOKABLE void soundPopUpButtonAction(QObject *sender);
    // The reminder slider moved: a new interval unmutes and is stored.
    Q_INVOKABLE void soundRepeaterAction(QObject *sender);
    // Writes every control to the defaults and posts "PrefsChanged".
    Q_INVOKABLE void valuesChanged(QObject *sender);

    // The slider's interval in minutes, and the text the display shows for it ("LSRepDisplay").
    float repeaterMinutes() const;
    static QString repeaterTitle(float minutes);

protected:
    QWidget *loadNib(const QString &nibName) override;

private:
    QWidget *buildView();
    void fillPopUp(QComboBox *popUp);
    const QString *keyOfPopUp(const QObject *popUp) const;

    platform::UserDefaults *m_defaults;
    NTXSoundManager *m_catalogue;
    SoundPlayer m_player;
    QPointer<QComboBox> m_startSound;
    QPointer<QComboBox> m_stopSound;
    QPointer<QComboBox> m_timerSound;
    QPointer<QCheckBox> m_mutelyButton;
    QPointer<QSlider> m_soundRepeater;
    QPointer<QLabel> m_repeaterDisplay;
    // The user moved the slider since the pane was filled: until then the stored
    // interval (which the slider may not be able to show) stays as stored.
    bool m_repeaterMoved = false;
};
