#include "NTXAppKit/NTXContextMenuToolbarItem/NTXContextMenuToolbarItem.h"

#include "NTXAppKit/NTXContextMenuToolbarItem/NTXDelayedPopUpButton.h"
#include "platform/drawing/ActionDispatch.h"
#include "platform/drawing/WindowUpdateNotifier.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QMetaMethod>
#include <QPixmap>
#include <QToolBar>

#include <algorithm>

namespace {

const char *const DelegateProperty = "NTXToolbarDelegate";
const char *const SizeModeProperty = "NTXToolbarSizeMode";

// The image at exactly side × side points, drawn from the image's best
// representation for that size (scaled when the image has no such size): one
// picture for each pixel ratio a screen may ask for, the single-ratio one first, so
// that the image's size stays side × side points (the cell lays out by the first
// size) while a screen of twice the pixels draws the sharp one.
QIcon sizedImage(const QIcon &image, int side)
{
    if (image.isNull())
        return QIcon();
    QList<qreal> ratios{1.0, 2.0};
    const qreal screenRatio = qApp ? qApp->devicePixelRatio() : 1.0;
    if (!ratios.contains(screenRatio) && screenRatio > 0)
        ratios.append(screenRatio);
    QIcon sized;
    for (const qreal ratio : ratios) {
        QPixmap pixmap = image.pixmap(QSize(side, side), ratio);
        if (pixmap.isNull())
            return QIcon();
        const QSize wanted = (QSizeF(side, side) * ratio).toSize();
        if (pixmap.size() != wanted)
            pixmap = pixmap.scaled(wanted, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        pixmap.setDevicePixelRatio(ratio);
        sized.addPixmap(pixmap);
    }
    return sized;
}

} // namespace

NTXContextMenuToolbarItem::NTXContextMenuToolbarItem(const QString &itemIdentifier, QObject *parent)
    : QWidgetAction(parent)
    , m_identifier(itemIdentifier)
    , m_button(new NTXDelayedPopUpButton(QRect(0, 0, RegularImageSide, RegularImageSide)))
{
    setObjectName(itemIdentifier);
    NTXDelayedPopUpButtonCell *cell = m_button->popUpCell();
    cell->setButtonType(platform::ButtonCell::ButtonType::MomentaryChange);
    cell->setBordered(false);
    cell->setImagePosition(platform::Cell::ImagePosition::ImageOnly);
    // minimum and maximum size 32 × 32
    m_button->setFixedSize(RegularImageSide, RegularImageSide);
    // As the toolbar's other buttons, it is no stop of the window's Tab cycle (it
    // shows no keyboard focus): its commands are in the menus.
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->installEventFilter(this);
    setDefaultWidget(m_button); // the action owns the button from here on

    if (platform::WindowUpdateNotifier *updates = platform::WindowUpdateNotifier::instance()) {
        connect(updates, &platform::WindowUpdateNotifier::windowDidUpdate, this, platform::ExceptionBoundary::guarded(this, "windowDidUpdate", [this](QWidget *window) {
            if (m_button && m_button->window() == window)
                windowDidUpdate();
        }));
    }
    // triggering the item (a shortcut, trigger()) does what a click on its button does
    connect(this, &QAction::triggered, this,
        platform::ExceptionBoundary::guarded(this, "sendButtonAction", &NTXContextMenuToolbarItem::sendButtonAction));
}

NTXContextMenuToolbarItem::~NTXContextMenuToolbarItem()
{
    delete m_menuFormRepresentation.data();
}

NTXDelayedPopUpButtonCell *NTXContextMenuToolbarItem::popupCell() const
{
    return m_button->popUpCell();
}

void NTXContextMenuToolbarItem::setLabel(const QString &label)
{
    setText(label);
    if (m_menuFormRepresentation)
        m_menuFormRepresentation->setText(label);
    if (m_style != Qt::ToolButtonIconOnly)
        applyStyle();
}

void NTXContextMenuToolbarItem::setToolButtonStyle(Qt::ToolButtonStyle style)
{
    if (style == Qt::ToolButtonFollowStyle || style == Qt::ToolButtonTextBesideIcon)
        style = Qt::ToolButtonTextUnderIcon;
    m_style = style;
    applyStyle();
}

void NTXContextMenuToolbarItem::applyStyle()
{
    NTXDelayedPopUpButtonCell *cell = popupCell();
    const QFontMetrics metrics(m_button->font());
    const int textWidth = metrics.horizontalAdvance(text()) + 8;
    switch (m_style) {
    case Qt::ToolButtonTextUnderIcon:
        cell->setTitle(text());
        cell->setImagePosition(platform::Cell::ImagePosition::ImageAbove);
        m_button->setFixedSize(std::max(RegularImageSide, textWidth), RegularImageSide + metrics.height() + 2);
        break;
    case Qt::ToolButtonTextOnly:
        cell->setTitle(text());
        cell->setImagePosition(platform::Cell::ImagePosition::NoImage);
        m_button->setFixedSize(std::max(RegularImageSide, textWidth), metrics.height() + 6);
        break;
    default:
        cell->setTitle(QString());
        cell->setImagePosition(platform::Cell::ImagePosition::ImageOnly);
        m_button->setFixedSize(RegularImageSide, RegularImageSide);
        break;
    }
    m_button->update();
}

void NTXContextMenuToolbarItem::setMenu(QMenu *menu)
{
    popupCell()->setMenu(menu);
    delete m_menuFormRepresentation.data();
    auto *representation = new QAction(text(), this);
    representation->setShortcut(QKeySequence());
    representation->setMenu(menu);
    m_menuFormRepresentation = representation;
}

QMenu *NTXContextMenuToolbarItem::menu() const
{
    return popupCell()->menu();
}

void NTXContextMenuToolbarItem::setAction(const QByteArray &action)
{
    popupCell()->setAction(action);
}

QByteArray NTXContextMenuToolbarItem::action() const
{
    return popupCell()->action();
}

void NTXContextMenuToolbarItem::setTarget(QObject *target)
{
    popupCell()->setTarget(target);
}

QObject *NTXContextMenuToolbarItem::target() const
{
    return popupCell()->target();
}

void NTXContextMenuToolbarItem::sendButtonAction()
{
    if (!m_button->isEnabled())
        return;
    popupCell()->sendAction(m_button);
}

void NTXContextMenuToolbarItem::setImage(const QIcon &image)
{
    m_regularImage = sizedImage(image, RegularImageSide);
    m_smallImage = sizedImage(image, SmallImageSide);
    const bool small = toolbarSizeMode(toolbar()) == SizeModeSmall;
    popupCell()->setImage(small ? m_smallImage : m_regularImage);
    QWidgetAction::setIcon(m_regularImage);
    m_button->update();
}

QIcon NTXContextMenuToolbarItem::image() const
{
    return popupCell()->image();
}

void NTXContextMenuToolbarItem::setToolTip(const QString &toolTip)
{
    m_button->setToolTip(toolTip);
    QWidgetAction::setToolTip(toolTip);
}

QString NTXContextMenuToolbarItem::toolTip() const
{
    return m_button->toolTip();
}

QToolBar *NTXContextMenuToolbarItem::toolbar() const
{
    const QList<QObject *> holders = associatedObjects();
    for (QObject *holder : holders) {
        if (auto *bar = qobject_cast<QToolBar *>(holder))
            return bar;
    }
    // the button may also have been put into a toolbar by hand
    for (QWidget *w = m_button->parentWidget(); w; w = w->parentWidget()) {
        if (auto *bar = qobject_cast<QToolBar *>(w))
            return bar;
    }
    return nullptr;
}

int NTXContextMenuToolbarItem::imageWidth(const QIcon &image)
{
    if (image.isNull())
        return 0;
    const QList<QSize> sizes = image.availableSizes();
    if (sizes.isEmpty())
        return 0;
    const QPixmap pixmap = image.pixmap(sizes.first());
    return qRound(pixmap.deviceIndependentSize().width());
}

bool NTXContextMenuToolbarItem::askValidator(QObject *validator, const char *method, bool &answer)
{
    // the delegate answers when it has a method of that name taking the item (as a
    // QAction, a QObject or the item's own class) and answering a flag
    if (!validator)
        return false;
    const QMetaObject *meta = validator->metaObject();
    for (int i = meta->methodCount() - 1; i >= 0; --i) {
        const QMetaMethod candidate = meta->method(i);
        if (candidate.name() != method || candidate.parameterCount() != 1
            || candidate.returnMetaType() != QMetaType::fromType<bool>())
            continue;
        const QByteArray type = candidate.parameterTypeName(0);
        bool result = false;
        bool called = false;
        if (type == "QAction*") {
            QAction *item = this;
            called = candidate.invoke(validator, Qt::DirectConnection, Q_RETURN_ARG(bool, result), Q_ARG(QAction *, item));
        } else if (type == "QObject*") {
            QObject *item = this;
            called = candidate.invoke(validator, Qt::DirectConnection, Q_RETURN_ARG(bool, result), Q_ARG(QObject *, item));
        } else if (type == "QWidgetAction*") {
            QWidgetAction *item = this;
            called = candidate.invoke(validator, Qt::DirectConnection, Q_RETURN_ARG(bool, result),
                                      Q_ARG(QWidgetAction *, item));
        } else if (type == "NTXContextMenuToolbarItem*") {
            NTXContextMenuToolbarItem *item = this;
            called = candidate.invoke(validator, Qt::DirectConnection, Q_RETURN_ARG(bool, result),
                                      Q_ARG(NTXContextMenuToolbarItem *, item));
        }
        if (called) {
            answer = result;
            return true;
        }
    }
    return false;
}

void NTXContextMenuToolbarItem::validate()
{
    QToolBar *bar = toolbar();

    // the image that suits the toolbar's size
    const int sizeMode = toolbarSizeMode(bar);
    const int shownWidth = imageWidth(popupCell()->image());
    if (sizeMode == SizeModeSmall && shownWidth != SmallImageSide && !m_smallImage.isNull()) {
        popupCell()->setImage(m_smallImage);
        m_button->update();
    } else if (sizeMode == SizeModeRegular && shownWidth == SmallImageSide && !m_regularImage.isNull()) {
        popupCell()->setImage(m_regularImage);
        m_button->update();
    }

    // the enabled state
    bool enabled = isEnabled();
    if (QObject *delegate = toolbarDelegate(bar)) {
        bool answer = true;
        if (askValidator(delegate, "validateToolbarItem", answer)
            || askValidator(delegate, "validateUserInterfaceItem", answer))
            enabled = answer;
        else
            enabled = true;
    } else if (!action().isEmpty()) {
        QObject *receiver = target();
        if (!receiver) {
            QWidget *window = m_button->window();
            receiver = window->focusWidget() ? window->focusWidget() : window;
        }
        enabled = platform::respondsTo(receiver, action().constData());
    }
    // an item without an action and without a delegate keeps the state it was given
    setEnabled(enabled);
    m_button->setEnabled(enabled);
}

void NTXContextMenuToolbarItem::windowDidUpdate()
{
    if (m_button->isVisible())
        validate();
}

bool NTXContextMenuToolbarItem::eventFilter(QObject *watched, QEvent *event)
try {
    if (watched == m_button) {
        if (event->type() == QEvent::Show)
            validate();
    }
    return QWidgetAction::eventFilter(watched, event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "eventFilter");
    return false;
}

// ---- The toolbar's delegate and size mode ----

void NTXContextMenuToolbarItem::setToolbarDelegate(QToolBar *toolbar, QObject *delegate)
{
    if (!toolbar)
        return;
    if (QObject *old = toolbarDelegate(toolbar))
        QObject::disconnect(old, &QObject::destroyed, toolbar, nullptr);
    toolbar->setProperty(DelegateProperty, QVariant::fromValue(delegate));
    if (delegate) {
        QObject::connect(delegate, &QObject::destroyed, toolbar, platform::ExceptionBoundary::guarded(toolbar, "destroyed", [toolbar] {
            toolbar->setProperty(DelegateProperty, QVariant());
        }));
    }
}

QObject *NTXContextMenuToolbarItem::toolbarDelegate(const QToolBar *toolbar)
{
    if (!toolbar)
        return nullptr;
    return toolbar->property(DelegateProperty).value<QObject *>();
}

void NTXContextMenuToolbarItem::setToolbarSizeMode(QToolBar *toolbar, int sizeMode)
{
    if (!toolbar)
        return;
    if (sizeMode < SizeModeDefault || sizeMode > SizeModeSmall)
        sizeMode = SizeModeDefault;
    toolbar->setProperty(SizeModeProperty, sizeMode);
}

int NTXContextMenuToolbarItem::toolbarSizeMode(const QToolBar *toolbar)
{
    if (!toolbar)
        return SizeModeDefault;
    const QVariant mode = toolbar->property(SizeModeProperty);
    return mode.isValid() ? mode.toInt() : SizeModeDefault;
}
