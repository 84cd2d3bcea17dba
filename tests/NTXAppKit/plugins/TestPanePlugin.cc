// A preference-pane plug-in for the tests: a principal object with a small view
// that counts the selection hooks it receives (readable as properties, so the
// tests need no header of it).
#include "NTXAppKit/preferences/NTXPrefPaneBundleProtocol.h"

#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>
#include <QWidget>

class TestPrincipalPane : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int loadMainViewCount MEMBER m_loadMainViewCount)
    Q_PROPERTY(int willSelectCount MEMBER m_willSelectCount)
    Q_PROPERTY(int didSelectCount MEMBER m_didSelectCount)
    Q_PROPERTY(int willUnselectCount MEMBER m_willUnselectCount)
    Q_PROPERTY(int didUnselectCount MEMBER m_didUnselectCount)
    Q_PROPERTY(QString bundleIdentifier MEMBER m_bundleIdentifier)
public:
    explicit TestPrincipalPane(QObject *bundle)
        : m_bundleIdentifier(bundle ? bundle->property("bundleIdentifier").toString() : QString())
    {
    }
    ~TestPrincipalPane() override
    {
        if (m_view && !m_view->parentWidget())
            delete m_view.data();
    }

    Q_INVOKABLE QWidget *loadMainView()
    {
        ++m_loadMainViewCount;
        if (!m_view) {
            m_view = new QWidget;
            m_view->setObjectName(QStringLiteral("TestPrincipalPaneView"));
            auto *layout = new QVBoxLayout(m_view);
            layout->addWidget(new QLabel(QStringLiteral("A pane from a plug-in (%1)").arg(m_bundleIdentifier)));
            m_view->resize(360, 140);
        }
        return m_view;
    }
    Q_INVOKABLE QWidget *mainView() { return m_view; }
    Q_INVOKABLE void willSelect() { ++m_willSelectCount; }
    Q_INVOKABLE void didSelect() { ++m_didSelectCount; }
    Q_INVOKABLE void willUnselect() { ++m_willUnselectCount; }
    Q_INVOKABLE void didUnselect() { ++m_didUnselectCount; }

private:
    QPointer<QWidget> m_view;
    int m_loadMainViewCount = 0;
    int m_willSelectCount = 0;
    int m_didSelectCount = 0;
    int m_willUnselectCount = 0;
    int m_didUnselectCount = 0;
    QString m_bundleIdentifier;
};

class TestPanePluginFactory : public QObject, public NTXPrefPaneBundleProtocol
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID NTXPrefPaneBundleProtocol_iid FILE "TestPanePlugin.json")
    Q_INTERFACES(NTXPrefPaneBundleProtocol)
public:
    QObject *createPrincipalObject(const QString &className, QObject *bundle) override
    {
        if (className == QLatin1String("TestPrincipalPane"))
            return new TestPrincipalPane(bundle);
        return nullptr;
    }
};

#include "TestPanePlugin.moc"
