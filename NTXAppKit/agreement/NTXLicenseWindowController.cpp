#include "NTXAppKit/agreement/NTXLicenseWindowController.h"

#include "FoundationExtensions/NTXNSMutableAttributedStringExtensions.h"
#include "NTXAppKit/agreement/URLTextView.h"
#include "platform/foundation/Bundle.h"

#include <QFile>
#include <QGuiApplication>
#include <QMutex>
#include <QScreen>
#include <QVBoxLayout>
#include <QWidget>

NTXLicenseWindowController &NTXLicenseWindowController::sharedLicenseWindow()
{
    static QMutex lock;
    static NTXLicenseWindowController *instance = nullptr;
    QMutexLocker locker(&lock);
    if (!instance)
        instance = new NTXLicenseWindowController; // lives as long as the process
    return *instance;
}

NTXLicenseWindowController::NTXLicenseWindowController()
{
    m_window = new QWidget(nullptr, Qt::Window);
    m_window->setObjectName(QStringLiteral("NTXLicense"));
    auto *layout = new QVBoxLayout(m_window);
    layout->setContentsMargins(0, 0, 0, 0);
    m_textView = new URLTextView;
    m_textView->setObjectName(QStringLiteral("textView"));
    layout->addWidget(m_textView);
    m_window->resize(560, 520);
    awakeFromNib();
}

void NTXLicenseWindowController::awakeFromNib()
{
    const platform::Bundle &bundle = platform::Bundle::bundleNamed(QStringLiteral("NTXAppKit"));
    QFile file(bundle.pathForResource(ResourceName));
    if (file.open(QIODevice::ReadOnly))
        m_textView->setHtml(QString::fromUtf8(file.read(4 * 1024 * 1024)));
    NTXNSMutableAttributedStringExtensions::detectURLs(*m_textView->document(), QColor(Qt::blue));
    QString name = platform::Bundle::mainBundle().objectForInfoDictionaryKey(QStringLiteral("CFBundleName")).toString();
    if (name.isEmpty())
        name = QGuiApplication::applicationDisplayName();
    m_window->setWindowTitle(bundle.localizedString(QStringLiteral("NTXLWCWindowTitle"), StringsTable).arg(name));
}

void NTXLicenseWindowController::showLicenseWindow()
{
    if (QScreen *screen = m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen()) {
        QRect frame = m_window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        m_window->move(frame.topLeft());
    }
    m_window->show();
    m_window->raise();
}
