#include "platform/drawing/PopUpButtonCell.h"

#include "platform/archive/Coder.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QAction>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QWidget>
#include <cmath>

namespace platform {

namespace {

const char *const TagProperty = "platformItemTag";
const QString PullsDownKey = QStringLiteral("NSPullDown");
const QString ItemsKey = QStringLiteral("NSMenuItems");
const QString SelectedItemKey = QStringLiteral("NSSelectedIndex");

void connectTitleItemHiding(QMenu *menu, const PopUpButtonCell *cell)
{
    // a pull-down's first item names the button and is not offered
    QObject::connect(menu, &QMenu::aboutToShow, menu, platform::ExceptionBoundary::guarded(menu, "aboutToShow", [menu, cell] {
        const QList<QAction *> actions = menu->actions();
        if (!actions.isEmpty())
            actions.first()->setVisible(!cell->pullsDown());
    }));
    QObject::connect(menu, &QMenu::aboutToHide, menu, platform::ExceptionBoundary::guarded(menu, "aboutToHide", [menu] {
        const QList<QAction *> actions = menu->actions();
        if (!actions.isEmpty())
            actions.first()->setVisible(true);
    }));
}

} // namespace

void PopUpButtonCell::MenuDeleter::operator()(QMenu *menu) const
{
    delete menu;
}

PopUpButtonCell::PopUpButtonCell(const QString &title, bool pullsDown)
    : m_menu(new QMenu)
    , m_pullsDown(pullsDown)
{
    setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    connectTitleItemHiding(m_menu.get(), this);
    if (!title.isEmpty())
        setTitle(title);
}

PopUpButtonCell::PopUpButtonCell(const PopUpButtonCell &other)
    : ButtonCell(other)
    , m_menu(new QMenu)
    , m_pullsDown(other.m_pullsDown)
    , m_arrowPosition(other.m_arrowPosition)
    , m_preferredEdge(other.m_preferredEdge)
{
    connectTitleItemHiding(m_menu.get(), this);
    for (QAction *item : other.itemArray()) {
        QAction *copy = item->isSeparator() ? m_menu->addSeparator() : m_menu->addAction(item->icon(), item->text());
        copy->setData(item->data());
        copy->setEnabled(item->isEnabled());
        setTagOfItem(copy, tagOfItem(item));
    }
    selectItemAtIndex(other.indexOfSelectedItem());
}

PopUpButtonCell::~PopUpButtonCell() = default;

std::unique_ptr<Cell> PopUpButtonCell::clone() const
{
    return std::unique_ptr<Cell>(new PopUpButtonCell(*this));
}

QAction *PopUpButtonCell::addItemWithTitle(const QString &title)
{
    return insertItemWithTitle(title, numberOfItems());
}

void PopUpButtonCell::addItemsWithTitles(const QStringList &titles)
{
    for (const QString &title : titles)
        addItemWithTitle(title);
}

QAction *PopUpButtonCell::insertItemWithTitle(const QString &title, int index)
{
    auto *item = new QAction(title, m_menu.get());
    QAction *before = itemAtIndex(index);
    m_menu->insertAction(before, item);
    if (!m_pullsDown && !selectedItem())
        selectItem(item);
    return item;
}

QAction *PopUpButtonCell::addSeparatorItem()
{
    return m_menu->addSeparator();
}

void PopUpButtonCell::removeItemAtIndex(int index)
{
    QAction *item = itemAtIndex(index);
    if (!item)
        return;
    const bool wasSelected = item == selectedItem();
    m_menu->removeAction(item);
    delete item;
    if (wasSelected)
        selectItem(m_pullsDown ? nullptr : itemAtIndex(0));
}

void PopUpButtonCell::removeAllItems()
{
    // QMenu::clear() would delete the items the menu owns itself, and the loop below
    // would then read freed items: take them out one by one and delete the owned ones.
    const QList<QAction *> items = itemArray();
    for (QAction *item : items)
        m_menu->removeAction(item);
    selectItem(nullptr);
    for (QAction *item : items)
        if (item->parent() == m_menu.get())
            delete item;
}

int PopUpButtonCell::numberOfItems() const
{
    return static_cast<int>(m_menu->actions().size());
}

QList<QAction *> PopUpButtonCell::itemArray() const
{
    return m_menu->actions();
}

QAction *PopUpButtonCell::itemAtIndex(int index) const
{
    const QList<QAction *> items = itemArray();
    return index >= 0 && index < items.size() ? items[index] : nullptr;
}

QAction *PopUpButtonCell::itemWithTitle(const QString &title) const
{
    return itemAtIndex(indexOfItemWithTitle(title));
}

QAction *PopUpButtonCell::lastItem() const
{
    return itemAtIndex(numberOfItems() - 1);
}

QStringList PopUpButtonCell::itemTitles() const
{
    QStringList titles;
    for (const QAction *item : itemArray())
        titles.append(item->text());
    return titles;
}

int PopUpButtonCell::indexOfItem(const QAction *item) const
{
    return item ? static_cast<int>(itemArray().indexOf(const_cast<QAction *>(item))) : -1;
}

int PopUpButtonCell::indexOfItemWithTitle(const QString &title) const
{
    const QList<QAction *> items = itemArray();
    for (int i = 0; i < items.size(); ++i)
        if (!items[i]->isSeparator() && items[i]->text() == title)
            return i;
    return -1;
}

int PopUpButtonCell::indexOfItemWithTag(int tag) const
{
    const QList<QAction *> items = itemArray();
    for (int i = 0; i < items.size(); ++i)
        if (!items[i]->isSeparator() && tagOfItem(items[i]) == tag)
            return i;
    return -1;
}

int PopUpButtonCell::indexOfItemWithRepresentedObject(const QVariant &object) const
{
    const QList<QAction *> items = itemArray();
    for (int i = 0; i < items.size(); ++i)
        if (items[i]->data().isValid() && items[i]->data() == object)
            return i;
    return -1;
}

int PopUpButtonCell::tagOfItem(const QAction *item)
{
    return item ? item->property(TagProperty).toInt() : 0;
}

void PopUpButtonCell::setTagOfItem(QAction *item, int tag)
{
    if (item)
        item->setProperty(TagProperty, tag);
}

QAction *PopUpButtonCell::selectedItem() const
{
    return m_selectedItem && m_selectedItem->parent() == m_menu.get() && m_menu->actions().contains(m_selectedItem)
        ? m_selectedItem.data()
        : nullptr;
}

int PopUpButtonCell::indexOfSelectedItem() const
{
    return indexOfItem(selectedItem());
}

void PopUpButtonCell::selectItem(QAction *item)
{
    m_selectedItem = item && !item->isSeparator() && m_menu->actions().contains(item) ? item : nullptr;
    Cell::setObjectValue(indexOfSelectedItem());
}

void PopUpButtonCell::selectItemAtIndex(int index)
{
    selectItem(itemAtIndex(index));
}

void PopUpButtonCell::selectItemWithTitle(const QString &title)
{
    selectItemAtIndex(indexOfItemWithTitle(title));
}

bool PopUpButtonCell::selectItemWithTag(int tag)
{
    selectItemAtIndex(indexOfItemWithTag(tag));
    return selectedItem() != nullptr;
}

QString PopUpButtonCell::titleOfSelectedItem() const
{
    const QAction *item = selectedItem();
    return item ? item->text() : QString();
}

void PopUpButtonCell::setObjectValue(const QVariant &value)
{
    selectItemAtIndex(value.isValid() ? value.toInt() : -1);
}

QAction *PopUpButtonCell::titleItem() const
{
    return m_pullsDown ? itemAtIndex(0) : selectedItem();
}

QString PopUpButtonCell::title() const
{
    const QAction *item = titleItem();
    return item ? item->text() : QString();
}

void PopUpButtonCell::setTitle(const QString &title)
{
    if (m_pullsDown) {
        if (QAction *first = itemAtIndex(0))
            first->setText(title);
        else
            addItemWithTitle(title);
        return;
    }
    if (indexOfItemWithTitle(title) < 0)
        addItemWithTitle(title);
    selectItemWithTitle(title);
}

void PopUpButtonCell::itemChosen(QAction *item)
{
    if (!m_pullsDown && item && !item->isSeparator())
        selectItem(item);
}

void PopUpButtonCell::popUpMenu(QWidget *controlView, const QRectF &frame)
{
    if (!controlView || numberOfItems() == 0)
        return;
    m_menu->setMinimumWidth(static_cast<int>(frame.width()));
    QPoint at = controlView->mapToGlobal(frame.bottomLeft().toPoint());
    if (m_pullsDown) {
        const QSize menuSize = m_menu->sizeHint();
        switch (m_preferredEdge) {
        case RectEdge::MinX:
            at = controlView->mapToGlobal(frame.topLeft().toPoint()) - QPoint(menuSize.width(), 0);
            break;
        case RectEdge::MaxX:
            at = controlView->mapToGlobal(frame.topRight().toPoint());
            break;
        case RectEdge::MinY:
            at = controlView->mapToGlobal(frame.topLeft().toPoint()) - QPoint(0, menuSize.height());
            break;
        case RectEdge::MaxY:
            break;
        }
    }
    if (!m_pullsDown) {
        if (QAction *item = selectedItem()) {
            m_menu->ensurePolished();
            at = controlView->mapToGlobal(frame.topLeft().toPoint()) - m_menu->actionGeometry(item).topLeft();
        }
        m_menu->setActiveAction(selectedItem());
    }
    m_menu->popup(at);
}

void PopUpButtonCell::initStyleOptionComboBox(QStyleOptionComboBox &option, const QRectF &frame,
                                              const QWidget *controlView) const
{
    initStyleOption(option, frame, controlView);
    option.editable = false;
    option.frame = isBordered();
    option.currentText = title();
    if (const QAction *item = titleItem()) {
        option.currentIcon = item->icon();
        if (!option.currentIcon.isNull())
            option.iconSize = imageSize().isEmpty() ? QSize(16, 16) : imageSize().toSize();
    }
    option.subControls = m_arrowPosition == ArrowPosition::NoArrow ? QStyle::SC_ComboBoxFrame : QStyle::SC_All;
    option.state &= ~QStyle::State_On;
    if (m_menu->isVisible())
        option.state |= QStyle::State_On;
    if (controlView && controlView->hasFocus())
        option.state |= QStyle::State_HasFocus;
}

void PopUpButtonCell::drawWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    drawBezelWithFrame(painter, frame, controlView);
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Qt::NoPen);
    drawInteriorWithFrame(painter, frame, controlView);
    painter.restore();
}

void PopUpButtonCell::drawBezelWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    QStyleOptionComboBox option;
    initStyleOptionComboBox(option, frame, controlView);
    option.currentText.clear();
    option.currentIcon = QIcon();
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Qt::NoPen);
    styleFor(controlView)->drawComplexControl(QStyle::CC_ComboBox, &option, &painter, controlView);
    painter.restore();
}

void PopUpButtonCell::drawInteriorWithFrame(QPainter &painter, const QRectF &frame, QWidget *controlView) const
{
    QStyleOptionComboBox option;
    initStyleOptionComboBox(option, frame, controlView);
    QRectF area = titleRectForBounds(frame);
    painter.save();
    painter.setFont(font());
    if (!option.currentIcon.isNull()) {
        const QSizeF size = option.iconSize;
        const QRectF iconRect(area.left(), area.center().y() - size.height() / 2, size.width(), size.height());
        option.currentIcon.paint(&painter, iconRect.toRect(), Qt::AlignCenter,
                                 isEnabled() ? QIcon::Normal : QIcon::Disabled);
        area.setLeft(iconRect.right() + 4);
    }
    drawTitle(painter, option.currentText, area, controlView);
    painter.restore();
}

QRectF PopUpButtonCell::titleRectForBounds(const QRectF &bounds) const
{
    QStyleOptionComboBox option;
    initStyleOptionComboBox(option, bounds, nullptr);
    option.subControls = QStyle::SC_All;
    return QRectF(styleFor(nullptr)->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, nullptr));
}

QSizeF PopUpButtonCell::cellSize() const
{
    const QFontMetricsF metrics(font());
    qreal width = 0;
    for (const QAction *item : itemArray())
        width = std::max(width, metrics.horizontalAdvance(item->text()));
    QStyleOptionComboBox option;
    initStyleOptionComboBox(option, QRectF(0, 0, 100, 24), nullptr);
    QSize contents(static_cast<int>(std::ceil(width)), static_cast<int>(std::ceil(metrics.height())));
    if (!option.currentIcon.isNull())
        contents.rwidth() += option.iconSize.width() + 4;
    return QSizeF(styleFor(nullptr)->sizeFromContents(QStyle::CT_ComboBox, &option, contents, nullptr));
}

void PopUpButtonCell::encodeWithCoder(Coder &coder) const
{
    ButtonCell::encodeWithCoder(coder);
    if (!coder.allowsKeyedCoding())
        return;
    coder.encodeBool(m_pullsDown, PullsDownKey);
    QVariantList items;
    for (const QAction *item : itemArray())
        items.append(QVariantMap{{QStringLiteral("title"), item->text()},
                                 {QStringLiteral("tag"), tagOfItem(item)},
                                 {QStringLiteral("enabled"), item->isEnabled()},
                                 {QStringLiteral("separator"), item->isSeparator()}});
    coder.encodeObject(QVariant(items), ItemsKey);
    coder.encodeInt32(indexOfSelectedItem(), SelectedItemKey);
}

bool PopUpButtonCell::initWithCoder(Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    const bool pullsDown = coder.containsValueForKey(PullsDownKey) ? coder.decodeBool(PullsDownKey) : m_pullsDown;
    const bool hasItems = coder.containsValueForKey(ItemsKey);
    const QVariantList items = coder.decodeObject<QVariantList>(ItemsKey);
    const qint32 selected = coder.containsValueForKey(SelectedItemKey) ? coder.decodeInt32(SelectedItemKey) : -1;
    if (!coder.failed() && items.size() > MaximumArchivedItems)
        coder.failWithError(QStringLiteral("too many menu items: %1").arg(items.size()));
    for (const QVariant &item : items)
        if (!coder.failed() && item.typeId() != QMetaType::QVariantMap)
            coder.failWithError(QStringLiteral("a menu item that is no dictionary"));
    const bool wasPullDown = m_pullsDown;
    if (coder.failed() || !ButtonCell::initWithCoder(coder)) {
        m_pullsDown = wasPullDown;
        return false;
    }
    m_pullsDown = pullsDown;
    if (hasItems) {
        removeAllItems();
        for (const QVariant &entry : items) {
            const QVariantMap map = entry.toMap();
            QAction *item = map.value(QStringLiteral("separator")).toBool()
                ? m_menu->addSeparator()
                : m_menu->addAction(map.value(QStringLiteral("title")).toString());
            setTagOfItem(item, map.value(QStringLiteral("tag")).toInt());
            item->setEnabled(map.value(QStringLiteral("enabled"), true).toBool());
        }
    }
    selectItemAtIndex(selected);
    return true;
}

} // namespace platform
