#include "NTXAppKit/preferences/NTXPlugInPreferencePane.h"

#include <QDebug>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QMetaMethod>
#include <QMetaType>
#include <QMutex>
#include <QMutexLocker>
#include <QWidget>

namespace {

// Principal classes whose code a plug-in brought into the process, with the
// plug-in file that defines each.
struct LoadedClasses
{
    QMutex mutex;
    QHash<QString, QString> pluginOfClass;
};

LoadedClasses &loadedClasses()
{
    static LoadedClasses classes;
    return classes;
}

QString canonicalPath(const QString &path)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
}

// Whether a class of that name exists in the process other than the one the
// plug-in at pluginPath defines.
bool classExistsElsewhere(const QString &className, const QString &pluginPath)
{
    {
        LoadedClasses &c = loadedClasses();
        QMutexLocker lock(&c.mutex);
        const auto it = c.pluginOfClass.constFind(className);
        if (it != c.pluginOfClass.constEnd())
            return it.value() != canonicalPath(pluginPath);
    }
    const QByteArray name = className.toUtf8();
    return QMetaType::fromName(name).isValid() || QMetaType::fromName(QByteArray(name + '*')).isValid();
}

void recordLoadedClass(const QString &className, const QString &pluginPath)
{
    LoadedClasses &c = loadedClasses();
    QMutexLocker lock(&c.mutex);
    if (!c.pluginOfClass.contains(className))
        c.pluginOfClass.insert(className, canonicalPath(pluginPath));
}

constexpr int MaxIconDimension = 1024;

QImage readIcon(const QString &path)
{
    if (path.isEmpty())
        return QImage();
    QImageReader reader(path);
    const QSize size = reader.size();
    if (!size.isValid() || size.width() > MaxIconDimension || size.height() > MaxIconDimension)
        return QImage();
    return reader.read();
}

} // namespace

NTXPlugInPreferencePane::NTXPlugInPreferencePane(QObject *parent)
    : NTXPrefPaneProtocol(parent)
{
}

NTXPlugInPreferencePane::NTXPlugInPreferencePane(std::unique_ptr<NTXPrefPaneBundle> bundle, QObject *parent)
    : NTXPrefPaneProtocol(parent)
{
    if (!bundle)
        return;
    const NTXPrefPaneBundle::Info &info = bundle->info();
    m_identifier = info.identifier;
    if (info.principalClass.isEmpty()) {
        qWarning().noquote() << QStringLiteral("principal class name not found");
        return;
    }
    if (classExistsElsewhere(info.principalClass, bundle->bundlePath())) {
        qWarning().noquote() << QStringLiteral("class %1 already exists").arg(info.principalClass);
        return;
    }
    m_label = info.iconLabel.isEmpty() ? info.identifier : info.iconLabel;
    m_icon = readIcon(bundle->pathForImageResource(info.iconFile.isEmpty() ? info.identifier : info.iconFile));
    m_category = info.category;
    m_version = info.version;
    m_helpURL = info.helpURL;
    m_pluginBundle = std::move(bundle);
}

NTXPlugInPreferencePane::~NTXPlugInPreferencePane()
{
    if (m_mainView && !m_mainView->parentWidget())
        delete m_mainView.data();
    delete m_prefPane.data();
}

void NTXPlugInPreferencePane::setPluginBundle(std::unique_ptr<NTXPrefPaneBundle> bundle)
{
    if (bundle.get() != m_pluginBundle.get())
        m_pluginBundle = std::move(bundle);
}

QObject *NTXPlugInPreferencePane::prefPane()
{
    if (!m_prefPane && m_pluginBundle) {
        QObject *pane = m_pluginBundle->createPrincipalObject();
        if (pane) {
            recordLoadedClass(m_pluginBundle->info().principalClass, m_pluginBundle->bundlePath());
            m_prefPane = pane;
            pane->setParent(this);
            viewFromPrincipal("loadMainView");
        }
    }
    return m_prefPane;
}

void NTXPlugInPreferencePane::setPrefPane(QObject *pane)
{
    if (pane == m_prefPane)
        return;
    delete m_prefPane.data();
    m_prefPane = pane;
    if (pane)
        pane->setParent(this);
}

QWidget *NTXPlugInPreferencePane::viewFromPrincipal(const char *selector)
{
    // The principal object answers for itself, not through the proxy.
    return viewFromObject(m_prefPane, selector).value_or(nullptr);
}

QWidget *NTXPlugInPreferencePane::loadMainView()
{
    if (!m_pluginBundle)
        return m_mainView;
    if (prefPane())
        return viewFromPrincipal("loadMainView");
    return m_mainView;
}

QWidget *NTXPlugInPreferencePane::mainView()
{
    if (!m_pluginBundle)
        return m_mainView;
    if (prefPane())
        return viewFromPrincipal("mainView");
    return m_mainView;
}

void NTXPlugInPreferencePane::setMainView(QWidget *view)
{
    if (!m_pluginBundle)
        m_mainView = view;
}

quint32 NTXPlugInPreferencePane::sortOrder() const
{
    return m_sortOrder;
}

void NTXPlugInPreferencePane::setSortOrder(quint32 order)
{
    m_sortOrder = order;
    // The principal object learns its position when it is already there; asking
    // for it here would load the plug-in's code.
    if (m_prefPane) {
        const int index = m_prefPane->metaObject()->indexOfMethod("setSortOrder(quint32)");
        if (index >= 0)
            m_prefPane->metaObject()->method(index).invoke(m_prefPane, Qt::DirectConnection, Q_ARG(quint32, order));
    }
}

QObject *NTXPlugInPreferencePane::receiverForSelector(const char *selector)
{
    if (QObject *principal = prefPane(); principal && objectAnswers(principal, selector))
        return principal;
    return NTXPrefPaneProtocol::receiverForSelector(selector);
}

bool NTXPlugInPreferencePane::isPrincipalClassTaken(const QString &className)
{
    LoadedClasses &c = loadedClasses();
    QMutexLocker lock(&c.mutex);
    return c.pluginOfClass.contains(className);
}
