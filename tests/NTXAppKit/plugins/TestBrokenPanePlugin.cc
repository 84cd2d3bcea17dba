// A preference-pane plug-in whose metadata lacks its principal class: the window
// must skip it without loading its code.
#include "NTXAppKit/preferences/NTXPrefPaneBundleProtocol.h"

class TestBrokenPanePluginFactory : public QObject, public NTXPrefPaneBundleProtocol
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID NTXPrefPaneBundleProtocol_iid FILE "TestBrokenPanePlugin.json")
    Q_INTERFACES(NTXPrefPaneBundleProtocol)
public:
    QObject *createPrincipalObject(const QString &, QObject *) override { return new QObject; }
};

#include "TestBrokenPanePlugin.moc"
