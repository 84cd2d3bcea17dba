#pragma once
// What the preferences window asks of every pane.
//
// The required operations are pure virtual. The optional ones (below) are found
// through the meta-object system: the window sends one only when
// respondsToSelector() answers true for it. A pane adds an optional operation by
// declaring a Q_INVOKABLE method of that name:
//
//     Q_INVOKABLE QWidget *loadMainView();      each time the pane is selected, before mainView()
//     Q_INVOKABLE void willSelect();            before the pane becomes the shown pane
//     Q_INVOKABLE void didSelect();             after it became the shown pane
//     Q_INVOKABLE void willUnselect();          before it stops being shown, on close, on quit
//     Q_INVOKABLE void didUnselect();           after it stopped being shown, on close, on quit
//     Q_INVOKABLE bool shouldResize();          while the pane is being selected
//     Q_INVOKABLE QSizeF minSize();             while selected: the window's minimum size
//     Q_INVOKABLE QSizeF maxSize();             while selected: the window's maximum size
//     Q_INVOKABLE QSizeF standardSize();        content size of the zoomed window
//     Q_INVOKABLE void panelDidBecomeMain();    whenever the window becomes active
//     Q_INVOKABLE QString categoryDisplayName(); shown name of the pane's category
//
// A forwarding pane (a plug-in proxy) answers receiverForSelector() with the object
// that really implements the operation.
#include <QImage>
#include <QObject>
#include <QSizeF>
#include <QString>
#include <optional>

class QWidget;

class NTXPrefPaneProtocol : public QObject
{
    Q_OBJECT
public:
    explicit NTXPrefPaneProtocol(QObject *parent = nullptr);
    ~NTXPrefPaneProtocol() override;

    // Key of the pane in the window; also its toolbar item identifier.
    virtual QString identifier() const = 0;
    // The view shown as the window's content while the pane is selected.
    virtual QWidget *mainView() = 0;
    // Toolbar label and window title while selected.
    virtual QString label() const = 0;
    // Toolbar image and grid icon (may be null).
    virtual QImage icon() const = 0;
    // Group of the pane in the icon grid.
    virtual QString category() const = 0;
    // Position among the panes; the window sets it.
    virtual quint32 sortOrder() const = 0;
    virtual void setSortOrder(quint32 order) = 0;

    // Descriptive extras (empty when the pane has none).
    virtual QString version() const;
    virtual QString helpURL() const;

    // ---- Optional operations ----

    // The object that implements the optional operation (a method name without
    // colon, e.g. "willSelect"), or null. The base answers this pane when its
    // meta-object has the method.
    virtual QObject *receiverForSelector(const char *selector);
    bool respondsToSelector(const char *selector) { return receiverForSelector(selector) != nullptr; }

    // Sends an optional operation when the pane answers it; answers whether it was sent.
    bool sendOptional(const char *selector);
    // Sends an optional operation with a result; nothing when the pane does not
    // answer it (or answers with another type).
    std::optional<bool> sendOptionalBool(const char *selector);
    std::optional<QSizeF> sendOptionalSize(const char *selector);
    std::optional<QString> sendOptionalString(const char *selector);
    // loadMainView and the like: a view, or nothing when not answered.
    std::optional<QWidget *> sendOptionalView(const char *selector);

    // Whether the object has a Q_INVOKABLE method of that name without arguments.
    static bool objectAnswers(const QObject *object, const char *selector);
    // Calls such a method of the object that answers a view; nothing when the
    // object has no such method.
    static std::optional<QWidget *> viewFromObject(QObject *object, const char *selector);
};
