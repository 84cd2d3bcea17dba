#pragma once
// The one interface a preference-pane plug-in exports (header only: a plug-in
// includes it and links nothing of Chronark).
//
// A plug-in is a Qt plug-in whose root object implements NTXPrefPaneBundleProtocol
// and whose metadata file (Q_PLUGIN_METADATA(IID NTXPrefPaneBundleProtocol_iid
// FILE "pane.json")) holds the descriptive keys:
//
//     "NSPrincipalClass"      string, required: class made by createPrincipalObject()
//     "CFBundleIdentifier"    string, required: identifier of the pane
//     "NSPrefPaneIconLabel"   string: label (else the identifier)
//     "NSPrefPaneIconFile"    string: image file next to the plug-in (else the identifier)
//     "NTXPrefPaneCategory"   string: category
//     "NTXPrefPaneVersion"    string: version
//     "NTXPrefPaneHelpURL"    string: help address (http, https or file)
//
// The window reads and checks these before the plug-in's code is loaded.
//
// The principal object is a QObject that may answer, as Q_INVOKABLE methods,
// QWidget *loadMainView(), QWidget *mainView(), quint32 sortOrder(),
// void setSortOrder(quint32) and every optional operation of NTXPrefPaneProtocol.
// The bundle object handed to it carries the read-only properties "bundlePath",
// "bundleIdentifier", "resourcePath" and "infoDictionary" (a QVariantMap).
#include <QObject>
#include <QString>

class NTXPrefPaneBundleProtocol
{
public:
    virtual ~NTXPrefPaneBundleProtocol() = default;

    // A new principal object of the named class, initialised with the bundle; null
    // when the plug-in does not know the class. The caller owns the object.
    virtual QObject *createPrincipalObject(const QString &className, QObject *bundle) = 0;
};

#define NTXPrefPaneBundleProtocol_iid "org.chronark.NTXPrefPaneBundleProtocol/1.0"
Q_DECLARE_INTERFACE(NTXPrefPaneBundleProtocol, NTXPrefPaneBundleProtocol_iid)
