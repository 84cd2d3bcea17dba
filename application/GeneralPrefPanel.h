#pragma once
// The "General" pane of the preferences window: the autosave interval, and whether
// the application opens an untitled document or the last edited one at launch.
// Each change is written to the user defaults and announced with "PrefsChanged".
#include "NTXAppKit/preferences/NTXPreferencePanel.h"

#include <QList>
#include <QPointer>

#include <QCheckBox>
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
    QCheckBox *openEmptyDocumentButton() const { return m_openEmptyDocument; }
    QCheckBox *openLastEditedDocButton() const { return m_openLastEditedDoc; }

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
    QPointer<QCheckBox> m_openEmptyDocument;
    QPointer<QCheckBox> m_openLastEditedDoc;
};
