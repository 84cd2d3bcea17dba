#include "NTXAppKit/preferences/NTXPrefPaneIconView.h"

#include "AppKitExtensions/NTXNSImage_Extension.h"
#include "NTXAppKit/preferences/NTXPreferenceWindowController.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QApplication>
#include <QDrag>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace {

constexpr qreal ImageSide = NTXPrefPaneIcon::ImageSize;

qreal pointSizeOf(const QFont &font)
{
    if (font.pointSizeF() > 0)
        return font.pointSizeF();
    // A font sized in pixels: points at the usual 96 pixels per inch.
    return font.pixelSize() > 0 ? font.pixelSize() * 72.0 / 96.0 : 13.0;
}

void sortByTitle(QList<NTXPrefPaneIcon *> &list)
{
    std::stable_sort(list.begin(), list.end(), [](const NTXPrefPaneIcon *a, const NTXPrefPaneIcon *b) {
        return a->caseInsensitiveCompare(*b) < 0;
    });
}

} // namespace

NTXPrefPaneIconView::NTXPrefPaneIconView(NTXPreferenceWindowController *controller,
                                         const QList<NTXPrefPaneIcon *> &icons, int columns, QWidget *parent)
    : QWidget(parent)
    , m_prefsController(controller)
    , m_columns(std::max(1, columns))
{
    const QFont standard = QApplication::font();
    m_labelFont = standard;
    // The small control size stands to the standard size as 11 to 13.
    m_labelFont.setPointSizeF(std::max(6.0, pointSizeOf(standard) * 11.0 / 13.0));
    m_captionFont = standard;
    m_captionFont.setPointSizeF(pointSizeOf(standard));
    m_captionFont.setBold(true);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Base);
    setIcons(icons);
}

NTXPrefPaneIconView::NTXPrefPaneIconView(QWidget *parent)
    : NTXPrefPaneIconView(nullptr, {}, 7, parent)
{
}

NTXPrefPaneIconView::~NTXPrefPaneIconView() = default;

NTXPreferenceWindowController *NTXPrefPaneIconView::prefsController() const
{
    return m_prefsController;
}

void NTXPrefPaneIconView::markChanged()
{
    m_dataChanged = true;
    updateGeometry();
    update();
}

void NTXPrefPaneIconView::setIcons(const QList<NTXPrefPaneIcon *> &icons)
{
    const QList<NTXPrefPaneIcon *> old = m_icons;
    m_icons.clear();
    for (NTXPrefPaneIcon *icon : icons) {
        if (!icon)
            continue;
        if (!icon->parent())
            icon->setParent(this);
        m_icons.append(icon);
    }
    for (NTXPrefPaneIcon *icon : old) {
        if (icon->parent() == this && !m_icons.contains(icon))
            delete icon;
    }
    m_iconListList.clear();
    markChanged();
}

void NTXPrefPaneIconView::addIcon(NTXPrefPaneIcon *icon)
{
    if (!icon)
        return;
    if (!icon->parent())
        icon->setParent(this);
    m_icons.append(icon);
    markChanged();
}

void NTXPrefPaneIconView::removeAllIcons()
{
    setIcons({});
}

void NTXPrefPaneIconView::setColumns(int columns)
{
    columns = std::max(1, columns);
    if (columns != m_columns) {
        m_columns = columns;
        markChanged();
    }
}

void NTXPrefPaneIconView::setSortByCategory(bool flag)
{
    if (flag != m_sortByCategory) {
        m_sortByCategory = flag;
        markChanged();
    }
}

void NTXPrefPaneIconView::setCategorySortOrder(const QStringList &order)
{
    m_categorySortOrder = order;
    m_hasCategorySortOrder = true;
    markChanged();
}

void NTXPrefPaneIconView::clearCategorySortOrder()
{
    m_categorySortOrder.clear();
    m_hasCategorySortOrder = false;
    markChanged();
}

void NTXPrefPaneIconView::ensureLayout()
{
    if (m_dataChanged)
        rebuild();
}

void NTXPrefPaneIconView::rebuild()
{
    m_dataChanged = false;
    m_iconListList.clear();
    // Icons that were destroyed elsewhere leave the grid.
    m_icons.removeAll(nullptr);
    if (m_sortByCategory) {
        // Icons without a category (null) form one group of their own; "" is a
        // category like any other.
        QList<QString> keys;
        QList<bool> nullKeys;
        for (NTXPrefPaneIcon *icon : std::as_const(m_icons)) {
            const QString category = icon->category();
            int found = -1;
            for (int i = 0; i < keys.size(); ++i) {
                if (nullKeys[i] == category.isNull() && (category.isNull() || keys[i] == category)) {
                    found = i;
                    break;
                }
            }
            if (found < 0) {
                keys.append(category);
                nullKeys.append(category.isNull());
                m_iconListList.append(QList<NTXPrefPaneIcon *>());
                found = int(m_iconListList.size()) - 1;
            }
            m_iconListList[found].append(icon);
        }
        for (QList<NTXPrefPaneIcon *> &list : m_iconListList)
            sortByTitle(list);
        sortCategories();
    } else {
        QList<NTXPrefPaneIcon *> all = m_icons;
        sortByTitle(all);
        m_iconListList.append(all);
    }
    calculateGeometry();
}

QString NTXPrefPaneIconView::displayNameForIcon(const NTXPrefPaneIcon *icon) const
{
    if (!icon)
        return QString();
    if (m_prefsController)
        return m_prefsController->categoryDisplayNameForIdentifier(icon->itemIdentifier());
    return icon->category();
}

void NTXPrefPaneIconView::sortCategories()
{
    if (!m_hasCategorySortOrder) {
        std::stable_sort(m_iconListList.begin(), m_iconListList.end(),
                         [this](const QList<NTXPrefPaneIcon *> &a, const QList<NTXPrefPaneIcon *> &b) {
                             const QString na = a.isEmpty() ? QString() : displayNameForIcon(a.first());
                             const QString nb = b.isEmpty() ? QString() : displayNameForIcon(b.first());
                             return QString::compare(na, nb, Qt::CaseInsensitive) < 0;
                         });
        return;
    }
    QList<QList<NTXPrefPaneIcon *>> rest = m_iconListList;
    QList<QList<NTXPrefPaneIcon *>> result;
    for (const QString &name : std::as_const(m_categorySortOrder)) {
        for (qsizetype i = 0; i < rest.size(); ++i) {
            if (!rest[i].isEmpty() && !rest[i].first()->category().isNull() && rest[i].first()->category() == name) {
                result.append(rest.takeAt(i));
                break;
            }
        }
    }
    result.append(rest);
    m_iconListList = result;
}

QSizeF NTXPrefPaneIconView::titleSize(const QString &title) const
{
    const QFontMetricsF metrics(m_labelFont);
    return metrics.size(Qt::TextSingleLine, title);
}

void NTXPrefPaneIconView::calculateGeometry()
{
    const int n = m_columns;
    qreal padding = 12;
    qreal spacing = 32;
    int rows = 0;
    qreal previousWidth = 0;
    for (const QList<NTXPrefPaneIcon *> &list : std::as_const(m_iconListList)) {
        int col = 0;
        for (const NTXPrefPaneIcon *icon : list) {
            ++col;
            if (col > n) {
                col = 1;
                ++rows;
            }
            const QSizeF t = titleSize(icon->title());
            m_iconHeight = std::max(m_iconHeight, t.height() + ImageSide + 14);
            const qreal w = std::ceil(std::max(t.width(), ImageSide));
            if (col >= 2)
                spacing = std::max(spacing, (previousWidth + w) * 0.5);
            previousWidth = w;
            if (col == 1)
                padding = std::max(padding, (t.width() - spacing) * 0.5 + 12);
        }
        ++rows;
    }
    m_iconSpacing = spacing + 4;
    m_horizontalPadding = padding;
    m_captionHeight = m_sortByCategory ? std::ceil(1.2 * pointSizeOf(m_captionFont)) : 0;
    const qreal width = std::ceil(n * m_iconSpacing + m_horizontalPadding);
    const qreal height = rows * m_iconHeight + 11 + (m_captionHeight + 6) * m_iconListList.size();
    setFixedSize(int(width), int(std::ceil(height)));
}

QRectF NTXPrefPaneIconView::frame()
{
    ensureLayout();
    return QRectF(geometry());
}

QRectF NTXPrefPaneIconView::bounds()
{
    ensureLayout();
    return QRectF(rect());
}

QSize NTXPrefPaneIconView::sizeHint() const
{
    const_cast<NTXPrefPaneIconView *>(this)->ensureLayout();
    return size();
}

QRectF NTXPrefPaneIconView::frameForCategoryWithIndex(int index)
{
    ensureLayout();
    const int count = int(m_iconListList.size());
    if (index < 0 || index >= count)
        return QRectF();
    const auto extraRows = [this](int j) { return std::max<qsizetype>(0, m_iconListList[j].size() - 1) / m_columns; };
    qreal y = 0;
    for (int j = 0; j < index; ++j)
        y += (extraRows(j) + 1) * m_iconHeight;
    y += index * (m_captionHeight + 9);
    if (index > 0)
        y += 2;
    qreal height = (extraRows(index) + 1) * m_iconHeight + m_captionHeight + 9;
    if (index == 0)
        height += 2;
    if (index == count - 1)
        height += 6;
    return QRectF(0, y, width(), height);
}

QRectF NTXPrefPaneIconView::imageFrameForIconInCategoryWithIndex(int category, int index)
{
    const QRectF band = frameForCategoryWithIndex(category);
    if (band.isNull() || index < 0 || index >= m_iconListList[category].size())
        return QRectF();
    const int row = index / m_columns;
    const int column = index % m_columns;
    // The rows as drawn: H apart, and 2 points higher than the band's top in every
    // category but the first.
    const qreal x = (m_iconSpacing + m_horizontalPadding - ImageSide) * 0.5 + band.x() + column * m_iconSpacing;
    const qreal y = m_captionHeight + 5 + 11 + row * m_iconHeight + band.y() - (category > 0 ? 2 : 0);
    return QRectF(x, y, ImageSide, ImageSide);
}

QRectF NTXPrefPaneIconView::labelFrameForIconInCategoryWithIndex(int category, int index)
{
    const QRectF image = imageFrameForIconInCategoryWithIndex(category, index);
    if (image.isNull())
        return QRectF();
    const QRectF band = frameForCategoryWithIndex(category);
    const QSizeF t = titleSize(m_iconListList[category][index]->title());
    const int column = index % m_columns;
    const qreal x = (m_iconSpacing + m_horizontalPadding) * 0.5 + band.x() + column * m_iconSpacing - t.width() * 0.5;
    return QRectF(x, image.y() + 33, t.width(), t.height());
}

NTXPrefPaneIcon *NTXPrefPaneIconView::iconAt(const QPointF &point, int *categoryIndex, int *iconIndex)
{
    ensureLayout();
    for (int k = 0; k < m_iconListList.size(); ++k) {
        if (!frameForCategoryWithIndex(k).contains(point))
            continue;
        for (int i = 0; i < m_iconListList[k].size(); ++i) {
            if (imageFrameForIconInCategoryWithIndex(k, i).contains(point)
                || labelFrameForIconInCategoryWithIndex(k, i).contains(point)) {
                if (categoryIndex)
                    *categoryIndex = k;
                if (iconIndex)
                    *iconIndex = i;
                return m_iconListList[k][i];
            }
        }
        return nullptr;
    }
    return nullptr;
}

void NTXPrefPaneIconView::paintEvent(QPaintEvent *)
try {
    ensureLayout();
    QPainter painter(this);
    qreal y = 5;
    for (int k = 0; k < m_iconListList.size(); ++k) {
        drawBackgroundForCategoryWithIndex(painter, k);
        qreal x = (m_horizontalPadding + m_iconSpacing) * 0.5;
        int counter = 0;
        for (const NTXPrefPaneIcon *icon : std::as_const(m_iconListList[k])) {
            if (counter == m_columns) {
                y += m_iconHeight;
                x = (m_horizontalPadding + m_iconSpacing) * 0.5;
                counter = 0;
            }
            drawIcon(painter, *icon, QPointF(x, y), icon == m_selectedIcon);
            x += m_iconSpacing;
            ++counter;
        }
        y += m_iconHeight + 6 + 3 + m_captionHeight;
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

void NTXPrefPaneIconView::drawBackgroundForCategoryWithIndex(QPainter &painter, int index)
{
    const QRectF band = frameForCategoryWithIndex(index);
    painter.save();
    if (index % 2 == 1) {
        painter.setCompositionMode(QPainter::CompositionMode_Multiply);
        painter.fillRect(band, QColor::fromRgbF(0.97f, 0.97f, 0.97f, 0.99f));
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }
    if (m_sortByCategory) {
        if (index > 0)
            painter.fillRect(QRectF(band.x(), band.y(), band.width(), 1), QColor::fromRgbF(0.84f, 0.84f, 0.84f, 1));
        const QString caption = displayNameForIcon(m_iconListList[index].value(0));
        painter.setFont(m_captionFont);
        painter.setPen(palette().color(QPalette::Text));
        const QFontMetricsF metrics(m_captionFont);
        const qreal top = band.y() + 3 + (index == 0 ? 2 : 0);
        painter.drawText(QRectF(12, top, metrics.horizontalAdvance(caption) + 2, metrics.height()),
                         Qt::AlignLeft | Qt::AlignTop, caption);
    }
    painter.restore();
}

void NTXPrefPaneIconView::drawIcon(QPainter &painter, const NTXPrefPaneIcon &icon, const QPointF &position,
                                   bool highlighted)
{
    const qreal x = position.x();
    const qreal y = position.y();
    painter.save();
    QImage image = icon.image();
    if (highlighted)
        image = NTXNSImage_Extension::darkenedImageWithColor(image, QColor::fromRgbF(0.7f, 0.7f, 0.7f, 1));
    painter.setCompositionMode(QPainter::CompositionMode_SourceAtop);
    painter.drawImage(QRectF(x - 16, y + 11 + m_captionHeight, ImageSide, ImageSide), image, QRectF(image.rect()));
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    const QSizeF t = titleSize(icon.title());
    painter.setFont(m_labelFont);
    painter.setPen(palette().color(QPalette::Text));
    painter.drawText(QRectF(x - t.width() * 0.5, y + 32 + 11 + 1 + m_captionHeight, t.width(), t.height()),
                     Qt::AlignLeft | Qt::AlignTop, icon.title());
    painter.restore();
}

void NTXPrefPaneIconView::mousePressEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    m_mouseDownPoint = event->position();
    m_selectedIcon = iconAt(m_mouseDownPoint, &m_selectedIconCategory, &m_selectedIconIndex);
    update();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mousePressEvent");
}

void NTXPrefPaneIconView::mouseReleaseEvent(QMouseEvent *event)
try {
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    NTXPrefPaneIcon *hit = iconAt(event->position());
    NTXPrefPaneIcon *selected = m_selectedIcon;
    m_selectedIcon = nullptr;
    update();
    if (hit && hit == selected)
        selected->sendAction();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseReleaseEvent");
}

void NTXPrefPaneIconView::mouseMoveEvent(QMouseEvent *event)
try {
    if (!m_selectedIcon || !(event->buttons() & Qt::LeftButton))
        return;
    if ((event->position() - m_mouseDownPoint).manhattanLength() < QApplication::startDragDistance())
        return;
    startDrag();
} catch (...) {
    platform::ExceptionBoundary::caught(this, "mouseMoveEvent");
}

Qt::DropActions NTXPrefPaneIconView::draggingSourceOperationMaskForLocal(bool local) const
{
    return local ? (Qt::CopyAction | Qt::MoveAction | Qt::LinkAction) : Qt::DropActions(Qt::IgnoreAction);
}

std::unique_ptr<QMimeData> NTXPrefPaneIconView::dragMimeData(const NTXPrefPaneIcon &icon) const
{
    auto mime = std::make_unique<QMimeData>();
    mime->setData(ToolbarItemDragType, QByteArray());
    mime->setData(ToolbarItemIdentifierType, icon.itemIdentifier().toUtf8());
    return mime;
}

QImage NTXPrefPaneIconView::dragImageForIcon(const NTXPrefPaneIcon &icon, int categoryIndex, int iconIndex)
{
    const QRectF imageFrame = imageFrameForIconInCategoryWithIndex(categoryIndex, iconIndex);
    const QRectF labelFrame = labelFrameForIconInCategoryWithIndex(categoryIndex, iconIndex);
    const int width = int(std::ceil(std::max(imageFrame.width(), labelFrame.width())));
    const int height = int(std::ceil(labelFrame.height() + imageFrame.height() + 1));
    if (width <= 0 || height <= 0)
        return QImage();
    QImage label(labelFrame.size().toSize().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    label.fill(Qt::transparent);
    {
        QPainter p(&label);
        p.setFont(m_labelFont);
        p.setPen(palette().color(QPalette::Text));
        p.drawText(QRectF(QPointF(0, 0), labelFrame.size()), Qt::AlignLeft | Qt::AlignTop, icon.title());
    }
    QImage drag(width, height, QImage::Format_ARGB32_Premultiplied);
    drag.fill(Qt::transparent);
    QPainter p(&drag);
    p.setOpacity(0.7);
    // The icon above its label, as the grid shows them.
    p.drawImage(QRectF((width - ImageSide) * 0.5, 0, ImageSide, ImageSide), icon.image());
    p.drawImage(QPointF(0, ImageSide + 1), label);
    return drag;
}

void NTXPrefPaneIconView::startDrag()
{
    NTXPrefPaneIcon *icon = m_selectedIcon;
    const QImage image = dragImageForIcon(*icon, m_selectedIconCategory, m_selectedIconIndex);
    const QRectF labelFrame = labelFrameForIconInCategoryWithIndex(m_selectedIconCategory, m_selectedIconIndex);
    const QRectF imageFrame = imageFrameForIconInCategoryWithIndex(m_selectedIconCategory, m_selectedIconIndex);
    auto *drag = new QDrag(this);
    drag->setMimeData(dragMimeData(*icon).release());
    if (!image.isNull()) {
        drag->setPixmap(QPixmap::fromImage(image));
        const QPointF topLeft(std::min(labelFrame.x(), imageFrame.x()), imageFrame.y());
        drag->setHotSpot((m_mouseDownPoint - topLeft).toPoint());
    }
    m_selectedIcon = nullptr;
    update();
    repaint();
    drag->exec(draggingSourceOperationMaskForLocal(true));
}
