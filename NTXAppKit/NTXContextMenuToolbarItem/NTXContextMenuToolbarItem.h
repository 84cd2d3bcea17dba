#pragma once
// A toolbar item whose view is a delayed pop-up button: pressing it opens its menu
// below the button, a quick click sends its action. It keeps a 32 × 32 image for
// the regular toolbar size and a 24 × 24 copy for the small size, and validates
// itself through the toolbar's delegate.
//
// The toolbar is a QToolBar that holds the item (addAction). Its delegate and size
// mode are kept on the toolbar (setToolbarDelegate(), setToolbarSizeMode()); the
// delegate is any QObject that may answer
//     Q_INVOKABLE bool validateToolbarItem(QAction *item);       (or QObject *)
//     Q_INVOKABLE bool validateUserInterfaceItem(QAction *item); (or QObject *)
//
// Validation runs before the button shows and then each time its window updates
// after an event (platform::WindowUpdateNotifier), as toolbars validate their visible
// items; an idle window validates nothing. As the toolbar's other buttons, its
// button takes no keyboard focus.
#include <QByteArray>
#include <QIcon>
#include <QPointer>
#include <QString>
#include <QWidgetAction>

class NTXDelayedPopUpButton;
class NTXDelayedPopUpButtonCell;
class QMenu;
class QToolBar;

class NTXContextMenuToolbarItem : public QWidgetAction
{
    Q_OBJECT
public:
    // The toolbar's size modes (0 default, 1 regular, 2 small).
    enum SizeMode { SizeModeDefault = 0, SizeModeRegular = 1, SizeModeSmall = 2 };
    static constexpr int RegularImageSide = 32;
    static constexpr int SmallImageSide = 24;

    // initWithItemIdentifier: the item with a new 32 × 32 delayed pop-up button
    // (momentary change, not bordered) as its view.
    explicit NTXContextMenuToolbarItem(const QString &itemIdentifier, QObject *parent = nullptr);
    ~NTXContextMenuToolbarItem() override;

    QString itemIdentifier() const { return m_identifier; }

    // The item's view and its cell.
    NTXDelayedPopUpButton *button() const { return m_button; }
    NTXDelayedPopUpButtonCell *popupCell() const;

    // The label (the item's text) and the label shown in the customisation palette.
    QString label() const { return text(); }
    void setLabel(const QString &label);
    QString paletteLabel() const { return m_paletteLabel; }
    void setPaletteLabel(const QString &label) { m_paletteLabel = label; }

    // What the button shows, as the toolbar's display mode says: the image alone
    // (the default), the label under the image, or the label alone. The button
    // grows to hold the label.
    void setToolButtonStyle(Qt::ToolButtonStyle style);
    Qt::ToolButtonStyle toolButtonStyle() const { return m_style; }

    // The menu the button pops up (not owned). Setting one also makes the item's
    // menu-form representation: an item titled with the label, without action, whose
    // submenu is the menu.
    void setMenu(QMenu *menu);
    QMenu *menu() const;
    QAction *menuFormRepresentation() const { return m_menuFormRepresentation; }

    // The button cell's action (a selector name such as "toggleTimer:") and target.
    void setAction(const QByteArray &action);
    QByteArray action() const;
    void setTarget(QObject *target);
    QObject *target() const;

    // Keeps the image at 32 × 32 (regularImage) and a 24 × 24 copy (smallImage); the
    // button shows the small one while the toolbar's size mode is small.
    void setImage(const QIcon &image);
    QIcon image() const;
    QIcon regularImage() const { return m_regularImage; }
    QIcon smallImage() const { return m_smallImage; }

    // The view's tool tip.
    void setToolTip(const QString &toolTip);
    QString toolTip() const;

    // The toolbar that shows the item (null when none).
    QToolBar *toolbar() const;

    // Swaps the image for the toolbar's size mode and sets the enabled state from
    // the toolbar delegate's answer (see the top of this file).
    void validate();
    // The window updated: validates the item when its button is visible.
    void windowDidUpdate();

    // ---- The toolbar's delegate and size mode ----
    // The delegate is held weakly: a deleted delegate leaves the toolbar without one.
    static void setToolbarDelegate(QToolBar *toolbar, QObject *delegate);
    static QObject *toolbarDelegate(const QToolBar *toolbar);
    static void setToolbarSizeMode(QToolBar *toolbar, int sizeMode);
    static int toolbarSizeMode(const QToolBar *toolbar);

    // The width of an image as the item compares it (its natural width in points).
    static int imageWidth(const QIcon &image);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // Asks the object for validateToolbarItem / validateUserInterfaceItem; answers
    // whether it could, with its answer in `answer`.
    bool askValidator(QObject *validator, const char *method, bool &answer);
    void sendButtonAction();
    void applyStyle();

    QString m_identifier;
    QString m_paletteLabel;
    NTXDelayedPopUpButton *m_button;
    QIcon m_smallImage;
    QIcon m_regularImage;
    QPointer<QAction> m_menuFormRepresentation;
    Qt::ToolButtonStyle m_style = Qt::ToolButtonIconOnly;
};
