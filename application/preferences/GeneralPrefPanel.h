#pragma once
// The "General" pane of the preferences window: the autosave interval pop-up. A
// change is written to the user defaults and announced with "PrefsChanged". What
// happens at launch ("OpenEmptyDocument", "OpenLastEditedDoc") has no control here;
// those defaults stay registered by the application controller.
#include "NTXAppKit/preferences/NTXPreferencePanel.h"

#include <QList>
#include <QPointer>

#include <QComboBox>

namespace platform {
class UserDefaults;
}

class GeneralPrefPanel : public NTXPreferencePanel
{
    Q_OBJECT
public:
    // Autosave intervals offered, in minutes (0: no autosave).
    static const QList<int> &autoSaveIntervals();

    // The pane keeps its settings in `defaults` (the standard defaults when null).
    explicit GeneralPrefPanel(platform::UserDefaults *defaults = nullptr, QObject *parent = nullptr);
    ~GeneralPrefPanel() override;

    platform::UserDefaults &userDefaults() const;

    // ---- Outlets ----
    QComboBox *autoSavePopUp() const { return m_autoSavePopUp; }

    // ---- The pane ----
    QString label() const override;       // "LSPrefGeneral"
    QImage icon() const override;         // "General.tiff"
    QString category() const override;    // "Chronark"
    QString categoryDisplayName() override;
    // Loads the controls from the defaults, so that nothing unloaded is written back.
    void viewDidLoad() override;
    void willSelect() override;
    void willUnselect() override;         // nothing to do

    // Writes the controls to the defaults and posts "PrefsChanged".
    Q_INVOKABLE void valuesChanged(QObject *sender);

protected:
    QWidget *loadNib(const QString &nibName) override;

private:
    QWidget *buildView();
    void autoSaveChosen(int index);

    platform::UserDefaults *m_defaults;
    QPointer<QComboBox> m_autoSavePopUp;
};
