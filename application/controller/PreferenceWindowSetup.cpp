// The application's preferences window and its panes (see PreferenceWindowSetup.h).
#include "application/controller/PreferenceWindowSetup.h"

#include "NTXAppKit/preferences/NTXPreferencePanel.h"
#include "NTXAppKit/preferences/NTXPreferenceWindowController.h"
#include "application/base/ApplicationImages.h"
#include "application/controller/AppController.h"
#include "application/preferences/GeneralPrefPanel.h"
#include "application/preferences/SoundPrefPanel.h"
#include "application/preferences/TimeRegistrationPrefPanel.h"
#include "application/preferences/UpdatePreferencePanel.h"
#include "platform/foundation/UserDefaults.h"

PreferenceWindowSetup::PreferenceWindowSetup(AppController &controller) : m_controller(controller) {}

PreferenceWindowSetup::~PreferenceWindowSetup()
{
    if (auto *pane = m_windowController ? qobject_cast<TimeRegistrationPrefPanel *>(
                         m_windowController->prefPaneWithIdentifier(QStringLiteral("TimeRegistrationPrefPanel")))
                                        : nullptr)
        pane->setHotKeyTarget(nullptr);
}

const QStringList &PreferenceWindowSetup::paneIdentifiers()
{
    static const QStringList identifiers{QStringLiteral("GeneralPrefPanel"), QStringLiteral("TimeRegistrationPrefPanel"),
                                         QStringLiteral("SoundPrefPanel"), QStringLiteral("UpdatePreferencePanel")};
    return identifiers;
}

void PreferenceWindowSetup::make()
{
    NTXPreferenceWindowController *controller = NTXPreferenceWindowController::initWithAutosaveName(
        AppController::PreferenceWindowAutosaveName, AppController::PreferenceWindowStyle);
    // There is one preferences window per process: a controller made again (after
    // an earlier one went) takes it over.
    if (!controller)
        controller = NTXPreferenceWindowController::sharedPreferenceWindowController();
    platform::UserDefaults *defaults = m_controller.userDefaults();
    controller->setUserDefaults(defaults);

    const QStringList &identifiers = paneIdentifiers();
    auto add = [controller](NTXPrefPaneProtocol *pane, const QString &identifier) {
        if (!controller->addPane(pane, identifier))
            delete pane;
    };
    if (!controller->prefPaneWithIdentifier(identifiers.at(0)))
        add(NTXPreferencePanel::create<GeneralPrefPanel>(QStringLiteral("GeneralPrefPanel.nib"), identifiers.at(0),
                                                         defaults),
            identifiers.at(0));
    if (!controller->prefPaneWithIdentifier(identifiers.at(1)))
        add(NTXPreferencePanel::create<TimeRegistrationPrefPanel>(QStringLiteral("TimeRegistrationPrefPanel.nib"),
                                                                  identifiers.at(1), defaults),
            identifiers.at(1));
    if (!controller->prefPaneWithIdentifier(identifiers.at(2)))
        add(NTXPreferencePanel::create<SoundPrefPanel>(QStringLiteral("SoundPrefPanel.nib"), identifiers.at(2), defaults),
            identifiers.at(2));
    if (!controller->prefPaneWithIdentifier(identifiers.at(3)))
        add(NTXPreferencePanel::create<UpdatePreferencePanel>(QStringLiteral("UpdatePreferencePanel.nib"),
                                                              identifiers.at(3), defaults),
            identifiers.at(3));
    // The recorder of the time-registration pane registers the hot key for us.
    if (auto *pane = qobject_cast<TimeRegistrationPrefPanel *>(controller->prefPaneWithIdentifier(identifiers.at(1))))
        pane->setHotKeyTarget(&m_controller, QByteArrayLiteral("chronarkHotKeyDown:"));

    controller->setShowAllImage(ApplicationImages::imageNamed(QStringLiteral("PrefsShowAll.png")));
    controller->setUsesConfigurationPane(false);
    controller->setSortByCategory(false);
    controller->selectPaneWithIdentifier(identifiers.at(0));
    m_windowController = controller;
}

void PreferenceWindowSetup::show()
{
    if (!m_windowController)
        make();
    m_windowController->showPreferences(&m_controller);
    if (NTXWindow *window = m_windowController->existingWindow()) {
        window->raise();
        window->activateWindow();
    }
}
