#pragma once
// The "Update" pane: the outcome and time of the last version check and a button
// that checks now. Whether the application checks silently at launch
// ("UpdateAutoSearch") has no control here; the default stays registered.
#include "NTXAppKit/preferences/NTXPreferencePanel.h"

#include <QPointer>

#include <QLabel>
#include <QPushButton>

class NTXCheckUpdate;

namespace platform {
class UserDefaults;
}

class UpdatePreferencePanel : public NTXPreferencePanel
{
    Q_OBJECT
public:
    // Registers the pane's defaults with `defaults` (the standard defaults when null).
    // The check runs on `checker` (the shared checker when null).
    explicit UpdatePreferencePanel(platform::UserDefaults *defaults = nullptr, NTXCheckUpdate *checker = nullptr,
                                   QObject *parent = nullptr);
    ~UpdatePreferencePanel() override;

    platform::UserDefaults &userDefaults() const;
    NTXCheckUpdate &checker() const;

    // "UpdateAutoSearch" NO, "UpdateStatus" "LSUPStatus1", "UpdateDate" "-".
    void registerUserDefaults();

    // ---- Outlets ----
    QLabel *statusField() const { return _statusField; }
    QLabel *lastSearchDate() const { return _lastSearchDate; }
    QPushButton *checkNowButton() const { return m_checkNowButton; }

    // ---- The pane ----
    QString label() const override;       // "LSPrefUpdate"
    QImage icon() const override;         // "Update_Prefs"
    QString category() const override;    // "Chronark"
    QString categoryDisplayName() override;
    void viewDidLoad() override;
    // Shows the stored status (localized) and date.
    void willSelect() override;
    void willUnselect() override;         // nothing to do

    // Checks now, with messages, and shows the new status and date.
    Q_INVOKABLE void checkForUpdateNow(QObject *sender);

    // The text shown for a stored status key; keys other than the four status keys
    // count as "no check yet".
    static QString statusText(const QString &statusKey);

protected:
    QWidget *loadNib(const QString &nibName) override;

private:
    QWidget *buildView();

    platform::UserDefaults *m_defaults;
    NTXCheckUpdate *m_checker;
    QPointer<QLabel> _statusField;
    QPointer<QLabel> _lastSearchDate;
    QPointer<QPushButton> m_checkNowButton;
};
