#include "application/preferences/UpdatePreferencePanel.h"

#include "application/base/ApplicationImages.h"
#include "application/base/DefaultsKeys.h"
#include "application/update/NTXCheckUpdate.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/UserDefaults.h"

#include <QPointer>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

UpdatePreferencePanel::UpdatePreferencePanel(platform::UserDefaults *defaults, NTXCheckUpdate *checker,
                                             QObject *parent)
    : NTXPreferencePanel(parent)
    , m_defaults(defaults)
    , m_checker(checker)
{
    registerUserDefaults();
}

UpdatePreferencePanel::~UpdatePreferencePanel() = default;

platform::UserDefaults &UpdatePreferencePanel::userDefaults() const
{
    return m_defaults ? *m_defaults : platform::UserDefaults::standardUserDefaults();
}

NTXCheckUpdate &UpdatePreferencePanel::checker() const
{
    return m_checker ? *m_checker : NTXCheckUpdate::sharedChecker();
}

void UpdatePreferencePanel::registerUserDefaults()
{
    userDefaults().registerDefaults({
        {UpdateAutoSearchKey, false},
        {UpdateStatusKey, NTXCheckUpdate::StatusNoCheck},
        {UpdateDateKey, QStringLiteral("-")},
    });
}

QWidget *UpdatePreferencePanel::loadNib(const QString &nibName)
{
    if (nibName == QLatin1String("UpdatePreferencePanel") || nibName == QLatin1String("UpdatePreferencePanel.nib"))
        return buildView();
    return NTXPreferencePanel::loadNib(nibName);
}

QWidget *UpdatePreferencePanel::buildView()
{
    auto *view = new QWidget;
    view->setObjectName(QStringLiteral("UpdatePreferencePanel"));
    auto *layout = new QVBoxLayout(view);
    layout->setContentsMargins(20, 20, 20, 20);

    auto *form = new QFormLayout;
    _statusField = new QLabel(view);
    _statusField->setObjectName(QStringLiteral("_statusField"));
    _statusField->setWordWrap(true);
    _lastSearchDate = new QLabel(view);
    _lastSearchDate->setObjectName(QStringLiteral("_lastSearchDate"));
    form->addRow(platform::localized(QStringLiteral("LSUPStatusLabel")), _statusField);
    form->addRow(platform::localized(QStringLiteral("LSUPDateLabel")), _lastSearchDate);
    layout->addLayout(form);

    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    m_checkNowButton = new QPushButton(platform::localized(QStringLiteral("LSUPCheckNow")), view);
    m_checkNowButton->setObjectName(QStringLiteral("checkNowButton"));
    buttonRow->addWidget(m_checkNowButton);
    layout->addLayout(buttonRow);
    layout->addStretch(1);

    QObject::connect(m_checkNowButton.data(), &QPushButton::clicked, this,
        platform::ExceptionBoundary::guarded(this, "clicked", [this]() { checkForUpdateNow(m_checkNowButton); }));
    return view;
}

QString UpdatePreferencePanel::label() const
{
    return platform::localized(QStringLiteral("LSPrefUpdate"));
}

QImage UpdatePreferencePanel::icon() const
{
    return ApplicationImages::imageNamed(QStringLiteral("Update_Prefs"));
}

QString UpdatePreferencePanel::category() const
{
    return QStringLiteral("Chronark");
}

QString UpdatePreferencePanel::categoryDisplayName()
{
    return category();
}

void UpdatePreferencePanel::viewDidLoad()
{
    willSelect();
}

QString UpdatePreferencePanel::statusText(const QString &statusKey)
{
    static const QStringList known = {NTXCheckUpdate::StatusNoCheck, NTXCheckUpdate::StatusFailed,
                                      NTXCheckUpdate::StatusCurrent, NTXCheckUpdate::StatusNewer};
    return platform::localized(known.contains(statusKey) ? statusKey : NTXCheckUpdate::StatusNoCheck);
}

void UpdatePreferencePanel::willSelect()
{
    platform::UserDefaults &defaults = userDefaults();
    if (_statusField)
        _statusField->setText(statusText(defaults.stringForKey(UpdateStatusKey)));
    if (_lastSearchDate)
        _lastSearchDate->setText(defaults.stringForKey(UpdateDateKey));
}

void UpdatePreferencePanel::willUnselect() {}

void UpdatePreferencePanel::checkForUpdateNow(QObject *sender)
{
    Q_UNUSED(sender);
    // The status fields follow once the check is done (a pane gone by then is left alone).
    QPointer<UpdatePreferencePanel> pane(this);
    checker().check(false, [pane](NTXCheckUpdate::Outcome) {
        if (pane)
            pane->willSelect();
    });
}
