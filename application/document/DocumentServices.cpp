#include "application/document/DocumentServices.h"

#include "application/base/ApplicationImages.h"
#include "application/document/DocumentToolbar.h"
#include "application/document/DocumentWindow.h"
#include "application/document/OutlineDataSource.h"
#include "NTXAppKit/sounds/NTXSoundManager.h"
#include "platform/desktop/IdleMonitor.h"

#include <QGuiApplication>
#include <QIcon>

DocumentServices::DocumentServices() = default;

DocumentServices::~DocumentServices()
{
    dropWindowMadeAhead();
}

void DocumentServices::keepWindowMadeAhead(DocumentWindow *window)
{
    if (window == m_windowMadeAhead)
        return;
    dropWindowMadeAhead();
    m_windowMadeAhead = window;
}

DocumentWindow *DocumentServices::takeWindowMadeAhead()
{
    DocumentWindow *window = m_windowMadeAhead.data();
    m_windowMadeAhead = nullptr;
    return window;
}

void DocumentServices::dropWindowMadeAhead()
{
    delete takeWindowMadeAhead();
}

void DocumentServices::rebuildMenus() const
{
    // A copy: the rebuilder may replace itself.
    const std::function<void()> rebuilder = menuRebuilder;
    if (rebuilder)
        rebuilder();
}

void DocumentServices::installApplicationMenu(QMenuBar *menuBar) const
{
    const std::function<void(QMenuBar *)> installer = applicationMenuInstaller;
    if (installer && menuBar)
        installer(menuBar);
}

void DocumentServices::postNotification(const QString &message, const QString &title) const
{
    const std::function<void(const QString &, const QString &)> poster = notificationPoster;
    if (poster)
        poster(message, title);
}

double DocumentServices::userIdleSeconds()
{
    if (const std::function<double()> source = idleSecondsSource)
        return source();
    if (!m_idleMonitor) {
        if (!QCoreApplication::instance())
            return 0.0;
        m_idleMonitor = std::make_unique<platform::IdleMonitor>();
    }
    return m_idleMonitor->idleSeconds();
}

NTXSoundManager *DocumentServices::catalogue() const
{
    return soundCatalogue ? soundCatalogue : NTXSoundManager::getSharedSoundManager();
}

void DocumentServices::playSound(const QString &soundName) const
{
    if (const std::function<void(const QString &)> player = soundPlayer)
        player(soundName);
    else if (NTXSoundManager *sounds = catalogue())
        sounds->playSoundWithName(soundName);
}

void DocumentServices::prepareWindowImages()
{
    ApplicationImages::prepareIcons(QStringList{QStringLiteral("application.icns")} + DocumentToolbar::imageNames()
                                        + OutlineDataSource::rowImageNames(),
                                    OutlineDataSource::rowCompositeImageNames());
}

void DocumentServices::showCountingInApplicationIcon(bool counting)
{
    if (m_iconShowsCounting == counting || !qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        return;
    m_iconShowsCounting = counting;
    QGuiApplication::setWindowIcon(
        ApplicationImages::iconNamed(counting ? QStringLiteral("application_plus.icns") : QStringLiteral("application.icns")));
}
