#pragma once
// The "Time registration" pane: the global hot key (recorded in a KRRecorderControl),
// whether it toggles the counter, the status-bar menu, and when running counters
// stop by themselves (sleep, inactivity after so many minutes).
//
// Changes of the check boxes and the slider are written to the user defaults and
// announced with "PrefsChanged". A recorded combination is different: the pane
// re-registers the global hot key itself (through a short-lived HKHotKeyCenter; all
// centers share one registry), stores "ChronarkKeyCode" and "ChronarkKeyModifier" and
// posts nothing.
//
// The hot key's action belongs to the application controller: the pane registers
// the combination with the target and action it was given (setHotKeyTarget), and
// unregisters every hot key of that target first. Without a target the combination
// is only stored.
#include "NTXAppKit/preferences/NTXPreferencePanel.h"
#include "components/keyrecorder/KeyCombo.h"

#include <QByteArray>
#include <QPointer>

#include "components/keyrecorder/KRRecorderControl.h"

#include <QCheckBox>
#include <QLabel>
#include <QSlider>

namespace platform {
class UserDefaults;
}

class TimeRegistrationPrefPanel : public NTXPreferencePanel
{
    Q_OBJECT
public:
    // The inactivity slider's range, in whole minutes.
    static constexpr int MinimumInactiveMinutes = 1;
    static constexpr int MaximumInactiveMinutes = 120;

    explicit TimeRegistrationPrefPanel(platform::UserDefaults *defaults = nullptr, QObject *parent = nullptr);
    ~TimeRegistrationPrefPanel() override;

    platform::UserDefaults &userDefaults() const;

    // The receiver of the hot key and its action (a Q_INVOKABLE method taking the
    // sender, "chronarkHotKeyDown:" for the application controller). Not owned.
    void setHotKeyTarget(QObject *target, const QByteArray &action = QByteArrayLiteral("chronarkHotKeyDown:"));
    QObject *hotKeyTarget() const { return m_hotKeyTarget; }
    QByteArray hotKeyAction() const { return m_hotKeyAction; }

    // ---- Outlets ----
    KRRecorderControl *keyCodeRecorder() const { return m_keyCodeRecorder; }
    QCheckBox *acceptHotKey() const { return m_acceptHotKey; }
    QCheckBox *chronarkMenu() const { return m_chronarkMenu; }
    QCheckBox *chronarkMenuHideDoneJobs() const { return m_chronarkMenuHideDoneJobs; }
    QCheckBox *stopTimerWhenSleepButton() const { return m_stopTimerWhenSleepButton; }
    QCheckBox *stopTimerWhenInactiveButton() const { return m_stopTimerWhenInactiveButton; }
    QSlider *stopTimerWhenInactiveSlider() const { return m_stopTimerWhenInactiveSlider; }
    QLabel *keyCodeDisplay() const { return m_keyCodeDisplay; }

    // ---- The pane ----
    QString label() const override;       // "LSPrefTimeRegistration"
    QImage icon() const override;         // "PrefChronark.png"
    QString category() const override;    // "Chronark"
    QString categoryDisplayName() override;
    void viewDidLoad() override;
    void willSelect() override;

    // The recorder's news: the combination was recorded or cleared.
    Q_INVOKABLE void keyRecorder(KRRecorderControl *recorder, KeyCombo newKeyCombo);
    // Writes the check boxes and the slider to the defaults and posts "PrefsChanged".
    Q_INVOKABLE void valuesChanged(QObject *sender);
    // The slider moved: a new value turns the inactivity stop on and is stored.
    Q_INVOKABLE void inactiveTimerSliderChanged(QObject *sender);

    // The inactivity check box's title for a number of minutes ("LSStopTimerDisplay").
    static QString stopTimerTitle(float minutes);

protected:
    QWidget *loadNib(const QString &nibName) override;

private:
    QWidget *buildView();

    platform::UserDefaults *m_defaults;
    QPointer<QObject> m_hotKeyTarget;
    QByteArray m_hotKeyAction = QByteArrayLiteral("chronarkHotKeyDown:");
    QPointer<KRRecorderControl> m_keyCodeRecorder;
    QPointer<QCheckBox> m_acceptHotKey;
    QPointer<QCheckBox> m_chronarkMenu;
    QPointer<QCheckBox> m_chronarkMenuHideDoneJobs;
    QPointer<QCheckBox> m_stopTimerWhenSleepButton;
    QPointer<QCheckBox> m_stopTimerWhenInactiveButton;
    QPointer<QSlider> m_stopTimerWhenInactiveSlider;
    QPointer<QLabel> m_keyCodeDisplay;
    // The user moved the slider since the pane was filled: until then the stored
    // inactivity time (which the slider may not be able to show) stays as stored.
    bool m_sliderMoved = false;
};
