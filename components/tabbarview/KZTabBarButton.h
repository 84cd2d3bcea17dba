#pragma once
// The button of one tab: a rollover button whose cell (KZTabBarButtonCell) lays out
// and draws the tab, with two subviews of its own, the close button and the spinning
// indicator, which the cell places. Setters forward to the cell and redraw.
//
// Bindings: "isProcessing", "isEdited", "objectCount", "objectCountColor", "icon",
// "largeImage" and "hasCloseButton" are the button's own. bind() observes the key
// path of the model object and applies its value at once and on every change; a value
// of the wrong kind (or the no-selection marker) gives the empty value (0, NO or no
// image/colour). "objectCount" honours platform::ConditionallySetsHiddenBindingOption.
// Binding a name that is already bound ends the earlier observation first. Any other
// binding name goes to the platform's bindings unchanged. The model object is not
// owned; one that dies stops reaching the button.
//
// A title change or an applied bound value tells the enclosing bar
// (KZTabBarView::tabButtonContentDidChange), which asks for one deferred update pass
// while it sizes its buttons to fit.
//
// A widget owned by its parent (normally a KZTabBarView). Main thread only.
#include "components/tabbarview/KZRolloverButton.h"
#include "components/tabbarview/KZTabBarButtonCell.h"
#include "platform/foundation/Bindings.h"

#include <QStringList>
#include <map>
#include <memory>
#include <optional>

class KZProgressIndicator;
class KZTabBarView;
class KZTabStyle;

class KZTabBarButton : public KZRolloverButton
{
    Q_OBJECT
public:
    explicit KZTabBarButton(QWidget *parent = nullptr);
    ~KZTabBarButton() override;

    KZTabBarButtonCell *tabCell() const { return static_cast<KZTabBarButtonCell *>(cell()); }
    KZTabBarView *tabBarView() const;
    KZRolloverButton *closeButton() const { return m_closeButton; }
    KZProgressIndicator *indicator() const { return m_indicator; }

    QRectF stackingFrame() const { return m_stackingFrame; }
    void setStackingFrame(const QRectF &frame) { m_stackingFrame = frame; }
    QByteArray closeButtonAction() const { return m_closeButtonAction; }
    void setCloseButtonAction(const QByteArray &action) { m_closeButtonAction = action; }

    // Lays the close button and the indicator out for the current bounds.
    void calcSize();
    void updateCell() { update(); }
    void updateImages();

    virtual bool shouldDisplayLeftDivider() const { return tabState() & 0x10; }
    virtual bool shouldDisplayRightDivider() const { return tabState() & 0x20; }
    qreal minimumWidth() const { return tabCell()->minimumWidthOfCell(); }
    qreal desiredWidth() const { return tabCell()->desiredWidthOfCell(); }

    QString title() const { return tabCell()->title(); }
    virtual void setTitle(const QString &title);

    std::shared_ptr<KZTabStyle> style() const { return tabCell()->style(); }
    void setStyle(std::shared_ptr<KZTabStyle> style);
    unsigned tabState() const { return tabCell()->tabState(); }
    void setTabState(unsigned state);
    bool shouldDisplayCloseButton() const { return tabCell()->shouldDisplayCloseButton(); }
    bool hasCloseButton() const { return tabCell()->hasCloseButton(); }
    void setHasCloseButton(bool has);
    bool suppressCloseButton() const { return tabCell()->suppressCloseButton(); }
    void setSuppressCloseButton(bool suppress);
    QIcon icon() const { return tabCell()->icon(); }
    void setIcon(const QIcon &icon);
    QIcon largeImage() const { return tabCell()->largeImage(); }
    void setLargeImage(const QIcon &image);
    bool showObjectCount() const { return tabCell()->showObjectCount(); }
    void setShowObjectCount(bool show);
    int objectCount() const { return tabCell()->objectCount(); }
    void setObjectCount(int count);
    QColor objectCountColor() const { return tabCell()->objectCountColor(); }
    void setObjectCountColor(const QColor &color);
    bool isEdited() const { return tabCell()->isEdited(); }
    void setIsEdited(bool edited);
    bool isProcessing() const { return tabCell()->isProcessing(); }
    void setIsProcessing(bool processing);

    // ---- Bindings ----
    static QStringList exposedBindings();
    void bind(const QString &binding, platform::KeyValueObservable *object, const QString &keyPath,
              const QVariantMap &options = {});
    void unbind(const QString &binding);
    // For one of the seven names: the binding, or an empty one (no object) when it is
    // not bound. For other names: the platform's answer.
    std::optional<platform::BindingInfo> infoForBinding(const QString &binding) const;

protected:
    KZTabBarButton(std::unique_ptr<KZTabBarButtonCell> cell, QWidget *parent);

    void resizeEvent(QResizeEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    // Tells the enclosing bar that what the tab shows changed.
    void queueBarUpdateIfSizingToFit();

private:
    struct Binding
    {
        platform::BindingInfo info;
        std::weak_ptr<const void> lifetime;
        std::unique_ptr<platform::BindingObserver> observer;
    };

    void commonInit();
    void applyBoundValue(const QString &binding);

    QRectF m_stackingFrame;
    KZRolloverButton *m_closeButton = nullptr;
    KZProgressIndicator *m_indicator = nullptr;
    QByteArray m_closeButtonAction;
    std::map<QString, Binding> m_bindings;
};
