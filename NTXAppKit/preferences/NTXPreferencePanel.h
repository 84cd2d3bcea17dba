#pragma once
// The base class of the panes that live in the application itself.
//
// A panel's view comes from an interface file: a builder registered under the
// file's name with registerNib() (typically wrapping a Qt Designer form compiled
// in with AUTOUIC) builds the widget tree and connects the owner's outlets. A
// subclass may instead override loadNib() and build its view in code.
//
// Creation is two-phase, because a constructor cannot reach the subclass's
// overrides: construct, then initWithNibName() (or both at once with create<>()).
//
//     auto *pane = NTXPreferencePanel::create<GeneralPrefPanel>(
//         QStringLiteral("GeneralPrefPanel"), QStringLiteral("GeneralPrefPanel"));
//
// Subclasses declare Q_OBJECT and override the optional operations they need
// (willSelect and friends are Q_INVOKABLE virtuals here; loadMainView, minSize,
// maxSize and standardSize may be added as Q_INVOKABLE methods).
#include "NTXAppKit/preferences/NTXPrefPaneProtocol.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class NTXPreferencePanel : public NTXPrefPaneProtocol
{
    Q_OBJECT
public:
    // Builds the root view of an interface file for its owner and connects the
    // owner's outlets; answers null when it cannot.
    using NibBuilder = std::function<QWidget *(NTXPreferencePanel *owner)>;

    static inline const QString ViewInitializationFailed = QStringLiteral("View initialization failed");

    explicit NTXPreferencePanel(QObject *parent = nullptr);
    ~NTXPreferencePanel() override;

    // Loads the interface file with this panel as owner (which sets
    // paneMainView()), keeps the identifier, resets the sort order to 0 and sends
    // viewDidLoad(). An interface file that cannot be loaded raises
    // platform::Exception named "View initialization failed" with the reason
    // "<nibName>: Could not load views resources!".
    void initWithNibName(const QString &nibName, const QString &identifier);

    // Constructs a Pane and initialises it; the pane is deleted again when the
    // initialisation raises.
    template <class Pane, class... Args>
    static Pane *create(const QString &nibName, const QString &identifier, Args &&...args)
    {
        std::unique_ptr<Pane> pane(new Pane(std::forward<Args>(args)...));
        pane->initWithNibName(nibName, identifier);
        return pane.release();
    }

    // Interface files of the process, by name (platform::InterfaceFiles, where other
    // owners' files are registered too). Registering a name again replaces its
    // builder; an empty builder removes it.
    static void registerNib(const QString &nibName, NibBuilder builder);
    static bool hasNib(const QString &nibName);

    // Hook for subclasses, sent once the interface file is loaded; does nothing here.
    virtual void viewDidLoad();

    // The view the interface file connected (null until loaded, or once destroyed).
    QWidget *paneMainView() const { return m_paneMainView; }
    // The outlet an interface file connects: the pane's view.
    void setPaneMainView(QWidget *view);

    // ---- NTXPrefPaneProtocol ----
    QString identifier() const override;
    QWidget *mainView() override;
    QString label() const override;      // ""
    QImage icon() const override;        // null
    QString category() const override;   // ""
    quint32 sortOrder() const override;
    void setSortOrder(quint32 order) override;

    // ---- Optional operations the base answers ----
    // The answer of category(), so overriding only category() changes this too.
    Q_INVOKABLE virtual QString categoryDisplayName();
    Q_INVOKABLE virtual bool shouldResize(); // false
    Q_INVOKABLE virtual void willSelect();
    Q_INVOKABLE virtual void didSelect();
    Q_INVOKABLE virtual void willUnselect();
    Q_INVOKABLE virtual void didUnselect();
    Q_INVOKABLE virtual void panelDidBecomeMain();

protected:
    // Builds the root view of the named interface file (from platform::InterfaceFiles);
    // null when the file cannot be loaded.
    virtual QWidget *loadNib(const QString &nibName);

private:
    QPointer<QWidget> m_paneMainView;
    QString m_identifier;
    quint32 m_sortOrder = 0;
};
