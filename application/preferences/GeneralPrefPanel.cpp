#include "application/preferences/GeneralPrefPanel.h"

#include "application/base/ApplicationImages.h"
#include "application/base/DefaultsKeys.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLocale>
#include <QSignalBlocker>
#include <QVBoxLayout>

const QList<int> &GeneralPrefPanel::autoSaveIntervals()
{
    static const QList<int> minutes = {0, 1, 2, 5, 10, 15, 30, 60};
    return minutes;
}

GeneralPrefPanel::GeneralPrefPanel(platform::UserDefaults *defaults, QObject *parent)
    : NTXPreferencePanel(parent)
    , m_defaults(defaults)
{
}

GeneralPrefPanel::~GeneralPrefPanel() = default;

platform::UserDefaults &GeneralPrefPanel::userDefaults() const
{
    return m_defaults ? *m_defaults : platform::UserDefaults::standardUserDefaults();
}

QWidget *GeneralPrefPanel::loadNib(const QString &nibName)
{
    if (nibName == QLatin1String("GeneralPrefPanel") || nibName == QLatin1String("GeneralPrefPanel.nib"))
        return buildView();
    return NTXPreferencePanel::loadNib(nibName);
}

QWidget *GeneralPrefPanel::buildView()
{
    auto *view = new QWidget;
    view->setObjectName(QStringLiteral("GeneralPrefPanel"));
    auto *layout = new QVBoxLayout(view);
    layout->setContentsMargins(20, 20, 20, 20);

    auto *form = new QFormLayout;
    m_autoSavePopUp = new QComboBox(view);
    m_autoSavePopUp->setObjectName(QStringLiteral("autoSavePopUp"));
    const QLocale locale;
    for (int minutes : autoSaveIntervals()) {
        QString title;
        if (minutes == 0)
            title = platform::localized(QStringLiteral("LSAutoSaveNever"));
        else if (minutes == 1)
            title = platform::localized(QStringLiteral("LSAutoSaveEveryMinute"));
        else
            title = platform::localized(QStringLiteral("LSAutoSaveEveryMinutes")).replace(QStringLiteral("%@"), locale.toString(minutes));
        m_autoSavePopUp->addItem(title, minutes); // the item's tag
    }
    form->addRow(platform::localized(QStringLiteral("LSAutoSaveLabel")), m_autoSavePopUp);
    layout->addLayout(form);
    layout->addStretch(1);

    QObject::connect(m_autoSavePopUp.data(), &QComboBox::activated, this,
        platform::ExceptionBoundary::guarded(this, "autoSaveChosen", &GeneralPrefPanel::autoSaveChosen));
    return view;
}

QString GeneralPrefPanel::label() const
{
    return platform::localized(QStringLiteral("LSPrefGeneral"));
}

QImage GeneralPrefPanel::icon() const
{
    return ApplicationImages::imageNamed(QStringLiteral("General.tiff"));
}

QString GeneralPrefPanel::category() const
{
    return QStringLiteral("Chronark");
}

QString GeneralPrefPanel::categoryDisplayName()
{
    return category();
}

void GeneralPrefPanel::viewDidLoad()
{
    willSelect();
}

void GeneralPrefPanel::willSelect()
{
    if (!m_autoSavePopUp)
        return;
    platform::UserDefaults &defaults = userDefaults();
    const QSignalBlocker blockPopUp(m_autoSavePopUp.data());
    // An interval that no item offers selects nothing.
    m_autoSavePopUp->setCurrentIndex(m_autoSavePopUp->findData(int(defaults.integerForKey(AutoSaveTimerKey))));
}

void GeneralPrefPanel::willUnselect() {}

void GeneralPrefPanel::autoSaveChosen(int index)
{
    // Choosing the interval in force again changes nothing.
    const QVariant tag = m_autoSavePopUp ? m_autoSavePopUp->itemData(index) : QVariant();
    if (!tag.isValid() || tag.toLongLong() == userDefaults().integerForKey(AutoSaveTimerKey))
        return;
    valuesChanged(m_autoSavePopUp);
}

void GeneralPrefPanel::valuesChanged(QObject *sender)
{
    Q_UNUSED(sender);
    platform::UserDefaults &defaults = userDefaults();
    if (m_autoSavePopUp && m_autoSavePopUp->currentIndex() >= 0)
        defaults.setInteger(m_autoSavePopUp->currentData().toInt(), AutoSaveTimerKey);
    platform::NotificationCenter::defaultCenter().post(PrefsChangedNotification);
}
