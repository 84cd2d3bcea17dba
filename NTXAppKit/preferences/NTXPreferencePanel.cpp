#include "NTXAppKit/preferences/NTXPreferencePanel.h"

#include "platform/foundation/Exception.h"

#include "platform/drawing/InterfaceFiles.h"

NTXPreferencePanel::NTXPreferencePanel(QObject *parent)
    : NTXPrefPaneProtocol(parent)
{
}

NTXPreferencePanel::~NTXPreferencePanel()
{
    // The pane owns the top-level view of its interface file while no window
    // shows it.
    if (m_paneMainView && !m_paneMainView->parentWidget())
        delete m_paneMainView.data();
}

void NTXPreferencePanel::initWithNibName(const QString &nibName, const QString &identifier)
{
    QWidget *view = loadNib(nibName);
    if (!view)
        throw platform::Exception(ViewInitializationFailed,
                                  QStringLiteral("%1: Could not load views resources!").arg(nibName));
    if (!m_paneMainView)
        setPaneMainView(view);
    m_identifier = identifier;
    m_sortOrder = 0;
    viewDidLoad();
}

void NTXPreferencePanel::registerNib(const QString &nibName, NibBuilder builder)
{
    if (!builder) {
        platform::InterfaceFiles::registerInterfaceFile(nibName, {});
        return;
    }
    platform::InterfaceFiles::registerInterfaceFile(nibName, [builder = std::move(builder)](QObject *owner) {
        return builder(qobject_cast<NTXPreferencePanel *>(owner));
    });
}

bool NTXPreferencePanel::hasNib(const QString &nibName)
{
    return platform::InterfaceFiles::hasInterfaceFile(nibName);
}

QWidget *NTXPreferencePanel::loadNib(const QString &nibName)
{
    return platform::InterfaceFiles::load(nibName, this);
}

void NTXPreferencePanel::viewDidLoad() {}

void NTXPreferencePanel::setPaneMainView(QWidget *view)
{
    m_paneMainView = view;
}

QString NTXPreferencePanel::identifier() const { return m_identifier; }

QWidget *NTXPreferencePanel::mainView() { return m_paneMainView; }

QString NTXPreferencePanel::label() const { return QStringLiteral(""); }

QImage NTXPreferencePanel::icon() const { return QImage(); }

QString NTXPreferencePanel::category() const { return QStringLiteral(""); }

quint32 NTXPreferencePanel::sortOrder() const { return m_sortOrder; }

void NTXPreferencePanel::setSortOrder(quint32 order) { m_sortOrder = order; }

QString NTXPreferencePanel::categoryDisplayName() { return category(); }

bool NTXPreferencePanel::shouldResize() { return false; }

void NTXPreferencePanel::willSelect() {}

void NTXPreferencePanel::didSelect() {}

void NTXPreferencePanel::willUnselect() {}

void NTXPreferencePanel::didUnselect() {}

void NTXPreferencePanel::panelDidBecomeMain() {}
