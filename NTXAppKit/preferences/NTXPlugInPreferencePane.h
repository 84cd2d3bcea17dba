#pragma once
// A pane that lives in a plug-in. It answers the descriptive questions
// (identifier, label, icon, category, version, help address) from the plug-in's
// metadata without loading its code, and forwards every optional operation to the
// plug-in's principal object, which it creates on first need.
#include "NTXAppKit/preferences/NTXPrefPaneBundle.h"
#include "NTXAppKit/preferences/NTXPrefPaneProtocol.h"

#include <QPointer>
#include <memory>

class NTXPlugInPreferencePane : public NTXPrefPaneProtocol
{
    Q_OBJECT
public:
    // Takes the bundle. A principal class name that another plug-in of the process
    // already claimed (or that names a class the process has) leaves the proxy with
    // its identifier only, logging "class %@ already exists".
    explicit NTXPlugInPreferencePane(std::unique_ptr<NTXPrefPaneBundle> bundle, QObject *parent = nullptr);
    // A proxy without plug-in (its view set with setMainView()).
    explicit NTXPlugInPreferencePane(QObject *parent = nullptr);
    ~NTXPlugInPreferencePane() override;

    // ---- NTXPrefPaneProtocol ----
    QString identifier() const override { return m_identifier; }
    QWidget *mainView() override;
    QString label() const override { return m_label; }
    QImage icon() const override { return m_icon; }
    QString category() const override { return m_category; }
    QString version() const override { return m_version; }
    QString helpURL() const override { return m_helpURL; }
    quint32 sortOrder() const override;
    void setSortOrder(quint32 order) override;

    void setIdentifier(const QString &identifier) { m_identifier = identifier; }
    void setLabel(const QString &label) { m_label = label; }
    void setIcon(const QImage &icon) { m_icon = icon; }
    void setCategory(const QString &category) { m_category = category; }
    void setVersion(const QString &version) { m_version = version; }
    void setHelpURL(const QString &helpURL) { m_helpURL = helpURL; }

    NTXPrefPaneBundle *pluginBundle() const { return m_pluginBundle.get(); }
    NTXPrefPaneBundle *bundle() const { return pluginBundle(); }
    void setPluginBundle(std::unique_ptr<NTXPrefPaneBundle> bundle);

    // The principal object, created on first need (null when it cannot be made).
    QObject *prefPane();
    // The principal object as it stands, without creating it.
    QObject *existingPrefPane() const { return m_prefPane; }
    // Takes a principal object (owned from now on).
    void setPrefPane(QObject *pane);

    // Without plug-in: the stored view. With one: the principal object's answer.
    Q_INVOKABLE QWidget *loadMainView();
    // Kept only while no plug-in is set.
    void setMainView(QWidget *view);

    // The principal object (created on demand) when it answers the selector, else
    // this proxy for the operations it implements itself.
    QObject *receiverForSelector(const char *selector) override;

    // Principal class names claimed by plug-ins of this process.
    static bool isPrincipalClassTaken(const QString &className);

private:
    QWidget *viewFromPrincipal(const char *selector);

    QString m_identifier;
    QPointer<QWidget> m_mainView;
    QString m_label;
    QImage m_icon;
    QString m_category;
    QString m_version;
    QString m_helpURL;
    std::unique_ptr<NTXPrefPaneBundle> m_pluginBundle;
    QPointer<QObject> m_prefPane;
    quint32 m_sortOrder = 0;
};
