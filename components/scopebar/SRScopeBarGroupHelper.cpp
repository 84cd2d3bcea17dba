#include "components/scopebar/SRScopeBarGroupHelper.h"
#include "platform/foundation/ExceptionBoundary.h"

#include "components/scopebar/SRScopeBar.h"
#include "components/scopebar/SRTextMetrics.h"
#include "platform/foundation/Exception.h"

#include <QAction>
#include <QCursor>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>
#include <cmath>

namespace {
unsigned trunc0(double value)
{
    return value <= 0 ? 0u : unsigned(std::trunc(value));
}
} // namespace

SRScopeBarGroupHelper::SRScopeBarGroupHelper()
{
    throw platform::Exception(QStringLiteral("SRScopeBarException"),
                              QStringLiteral("An instance of an SRScopeBarGroupHelper was initialized using init "
                                             "instead of initWithGroup:inScopeBar:"));
}

SRScopeBarGroupHelper::SRScopeBarGroupHelper(std::shared_ptr<SRScopeBarGroup> group, SRScopeBar *bar)
    : m_scopeBar(bar), m_group(std::move(group))
{
}

SRScopeBarGroupHelper::~SRScopeBarGroupHelper() = default;

qsizetype SRScopeBarGroupHelper::groupIndex() const
{
    return m_scopeBar->indexOfGroup(m_group.get());
}

qsizetype SRScopeBarGroupHelper::visibleObjects() const
{
    return std::max<qsizetype>(0, m_group->numberOfObjects() - m_peeled);
}

bool SRScopeBarGroupHelper::isPeeled() const
{
    return m_peeled >= m_group->numberOfObjects();
}

qreal SRScopeBarGroupHelper::labelWidth() const
{
    const SRAttributedLabel label = m_group->attributedLabel();
    return SRTextMetrics::width(label.string, label.attributes.font.value_or(QFont()));
}

void SRScopeBarGroupHelper::setFrame(const QRectF &frame)
{
    m_frame = frame;
    recalculateRects_();
}

void SRScopeBarGroupHelper::updateGroupDimensions()
{
    calculateHeaderWidth_();
    calculateMaximumWidth_();
    calculateMinimumWidth_();
}

void SRScopeBarGroupHelper::calculateHeaderWidth_()
{
    m_headerWidth = 0;
    if (m_group->showsLabel())
        m_headerWidth = trunc0(labelWidth() + LabelPadding + LabelGap);
    if (m_group->showsSeparator())
        m_headerWidth += unsigned(SeparatorWidth + SeparatorGap);
}

void SRScopeBarGroupHelper::calculateMaximumWidth_()
{
    m_maximumWidth = 0;
    const qsizetype index = groupIndex();
    if (index == SRScopeBar::NotFound || isPeeled())
        return;
    if (m_group->isCollapsed()) {
        m_maximumWidth = trunc0(m_scopeBar->preparedPopUpCellForGroup(index)->cellSize().width() + m_headerWidth);
        return;
    }
    const unsigned spacing = m_scopeBar->intercellSpacing();
    double width = 0;
    const qsizetype visible = visibleObjects();
    for (qsizetype i = 0; i < visible; ++i)
        width = std::trunc(width + m_scopeBar->preparedButtonCellForGroup(index, i)->cellSize().width() + spacing);
    if (visible > 0)
        width -= spacing;
    m_maximumButtonWidth = trunc0(width);
    m_maximumWidth = m_maximumButtonWidth + m_headerWidth;
}

void SRScopeBarGroupHelper::calculateMinimumWidth_()
{
    m_minimumWidth = 0;
    const qsizetype index = groupIndex();
    if (index == SRScopeBar::NotFound || isPeeled())
        return;
    if (m_group->isCollapsed()) {
        const unsigned popUp = trunc0(m_scopeBar->preparedPopUpCellForGroup(index)->cellSize().width());
        m_minimumWidth = m_headerWidth + std::min(popUp, m_scopeBar->minimumPopUpWidth());
        return;
    }
    const unsigned spacing = m_scopeBar->intercellSpacing();
    qint64 width = 0;
    const qsizetype visible = visibleObjects();
    for (qsizetype i = 0; i < visible; ++i) {
        const unsigned cell = trunc0(m_scopeBar->preparedButtonCellForGroup(index, i)->cellSize().width());
        width += std::min(m_scopeBar->minimumButtonWidth(), cell) + spacing;
    }
    if (visible > 0)
        width -= spacing;
    m_minimumButtonWidth = unsigned(std::max<qint64>(0, width));
    m_minimumWidth = m_headerWidth + m_minimumButtonWidth;
}

void SRScopeBarGroupHelper::recalculateRects_()
{
    const qsizetype index = groupIndex();
    if (index == SRScopeBar::NotFound || m_group->numberOfObjects() == 0)
        return;
    QRectF buttons = m_frame;
    if (m_group->showsSeparator()) {
        m_separatorRect = QRectF(buttons.x(), buttons.y(), SeparatorWidth, buttons.height());
        buttons.setLeft(buttons.left() + SeparatorWidth);
        const qreal inset = m_separatorRect.height() * SeparatorInset;
        m_separatorRect.adjust(0, inset, 0, -inset);
        if (buttons.width() >= SeparatorGap)
            buttons.setLeft(buttons.left() + SeparatorGap);
    } else {
        m_separatorRect = QRectF();
    }
    if (m_group->showsLabel()) {
        const SRAttributedLabel label = m_group->attributedLabel();
        const qreal width = std::trunc(LabelPadding + labelWidth());
        m_labelRect = QRectF(buttons.x(), buttons.y(), width, buttons.height());
        buttons.setLeft(buttons.left() + width);
        const qreal textHeight = QFontMetricsF(label.attributes.font.value_or(QFont())).height();
        const qreal inset = (m_labelRect.height() - textHeight) * 0.5;
        m_labelRect.adjust(0, inset, 0, -inset);
        // One point up on screen: the bar is not flipped.
        m_labelRect.translate(0, -1.0);
        if (buttons.width() >= LabelGap)
            buttons.setLeft(buttons.left() + LabelGap);
    } else {
        m_labelRect = QRectF();
    }
    const qreal cellHeight = m_scopeBar->preparedButtonCellForGroup(index, 0)->cellSize().height();
    const qreal inset = (buttons.height() - cellHeight) * 0.5;
    buttons.adjust(0, inset, 0, -inset);
    m_buttonRect = buttons;
    if (!m_group->isCollapsed())
        updateButtonFrames_();
}

void SRScopeBarGroupHelper::setItemsToMaximumWidth_()
{
    m_buttonRects.clear();
    const qsizetype index = groupIndex();
    const unsigned spacing = m_scopeBar->intercellSpacing();
    qreal x = m_buttonRect.left();
    const qsizetype visible = visibleObjects();
    for (qsizetype i = 0; i < visible; ++i) {
        const qreal width = m_scopeBar->preparedButtonCellForGroup(index, i)->cellSize().width();
        m_buttonRects.append(QRectF(std::trunc(x), m_buttonRect.y(), width, m_buttonRect.height()));
        x += width + spacing;
    }
}

void SRScopeBarGroupHelper::updateButtonFrames_()
{
    const qsizetype index = groupIndex();
    if (m_group->isCollapsed() || index == SRScopeBar::NotFound || m_group->numberOfObjects() == 0)
        return;
    m_buttonRects.clear();
    if (m_frame.width() >= m_maximumWidth) {
        setItemsToMaximumWidth_();
        return;
    }
    const unsigned spacing = m_scopeBar->intercellSpacing();
    const qint64 excess = qint64(std::trunc(double(m_maximumWidth) - m_headerWidth - m_buttonRect.width()));
    const qint64 range = qint64(m_maximumWidth) - qint64(m_minimumWidth);
    qint64 remaining = excess;
    qreal x = m_buttonRect.left();
    const qsizetype visible = visibleObjects();
    for (qsizetype i = 0; i < visible; ++i) {
        const qreal width = m_scopeBar->preparedButtonCellForGroup(index, i)->cellSize().width();
        const qreal give = std::trunc(width - std::min<qreal>(m_scopeBar->minimumButtonWidth(), std::trunc(width)));
        // Buttons that cannot give anything keep their widths; the last takes the rest.
        qint64 shrink = range > 0 ? qint64(std::floor(float(give) / float(range) * float(excess))) : 0;
        remaining -= shrink;
        if (i == visible - 1)
            shrink += remaining;
        const qreal shrunk = std::max<qreal>(0, width - shrink);
        x = std::trunc(x);
        m_buttonRects.append(QRectF(x, m_buttonRect.y(), shrunk, m_buttonRect.height()));
        x += spacing + shrunk;
    }
}

std::optional<SRMenuItem> SRScopeBarGroupHelper::menuItemForObject_(qsizetype object) const
{
    const qsizetype index = groupIndex();
    if (index == SRScopeBar::NotFound)
        return std::nullopt;
    const auto cell = m_scopeBar->preparedButtonCellForGroup(index, object);
    return SRMenuItem{cell->title(), cell->image(), m_group->selectionIndexes().count(object) > 0,
                      m_group->objectAtIndex(object)};
}

QList<SRMenuItem> SRScopeBarGroupHelper::menuItems_() const
{
    QList<SRMenuItem> items;
    const qsizetype count = m_group->numberOfObjects();
    for (qsizetype i = 0; i < count; ++i)
        if (auto item = menuItemForObject_(i))
            items.append(*item);
    return items;
}

std::optional<QList<SRMenuItem>> SRScopeBarGroupHelper::peelOffNextItem()
{
    if (isPeeled())
        return std::nullopt;
    const qsizetype count = m_group->numberOfObjects();
    if (m_group->isCollapsed()) {
        m_peeled = count;
        updateGroupDimensions();
        return menuItems_();
    }
    const qsizetype k = m_peeled;
    m_peeled = k + 1;
    updateGroupDimensions();
    QList<SRMenuItem> items;
    if (auto item = menuItemForObject_(count - 1 - k))
        items.append(*item);
    return items;
}

void SRScopeBarGroupHelper::drawGroup(QPainter &painter) const
{
    const qsizetype index = groupIndex();
    if (index == SRScopeBar::NotFound || isPeeled())
        return;
    if (m_group->showsSeparator())
        painter.fillRect(m_separatorRect, m_scopeBar->separatorColor());
    if (m_group->showsLabel()) {
        const SRAttributedLabel label = m_group->attributedLabel();
        NTXNSStringExtension::drawWithFontAttributes(label.string, painter, label.attributes,
                                                     NTXNSStringExtension::LeftTextAlignment, true, m_labelRect);
    }
    if (m_group->isCollapsed()) {
        if (m_trackingCell)
            m_trackingCell->drawWithFrame(painter, m_buttonRect, m_scopeBar);
        else
            m_scopeBar->preparedPopUpCellForGroup(index)->drawWithFrame(painter, m_buttonRect, m_scopeBar);
        return;
    }
    const qsizetype visible = std::min<qsizetype>(visibleObjects(), m_buttonRects.size());
    for (qsizetype i = 0; i < visible; ++i) {
        if (m_trackingCell && i == m_trackingIndex)
            m_trackingCell->drawWithFrame(painter, m_buttonRects.at(i), m_scopeBar);
        else
            m_scopeBar->preparedButtonCellForGroup(index, i)->drawWithFrame(painter, m_buttonRects.at(i), m_scopeBar);
    }
}

QList<QRectF> SRScopeBarGroupHelper::trackingRects() const
{
    if (m_group->isCollapsed())
        return isPeeled() ? QList<QRectF>() : QList<QRectF>{m_buttonRect};
    return m_buttonRects.mid(0, std::min<qsizetype>(visibleObjects(), m_buttonRects.size()));
}

void SRScopeBarGroupHelper::generatePopUpTrackingCell_()
{
    auto cell = m_scopeBar->preparedPopUpCellForGroup(groupIndex());
    cell->mouseEntered(m_scopeBar);
    m_trackingCell = std::move(cell);
}

void SRScopeBarGroupHelper::removeTrackingCell_()
{
    m_trackingCell.reset();
    m_trackingIndex = -1;
    m_pressing = false;
}

void SRScopeBarGroupHelper::mouseEntered(const QPointF &point)
{
    const qsizetype index = groupIndex();
    if (index == SRScopeBar::NotFound)
        return;
    if (m_group->isCollapsed()) {
        if (QRectF(m_buttonRect.x(), m_frame.y(), m_buttonRect.width(), m_frame.height()).contains(point)) {
            generatePopUpTrackingCell_();
            m_scopeBar->update();
        }
        return;
    }
    const qsizetype visible = std::min<qsizetype>(visibleObjects(), m_buttonRects.size());
    for (qsizetype i = 0; i < visible; ++i) {
        if (!m_buttonRects.at(i).contains(point))
            continue;
        m_trackingCell = m_scopeBar->preparedButtonCellForGroup(index, i);
        m_trackingIndex = int(i);
        m_trackingCell->mouseEntered(m_scopeBar);
        m_scopeBar->update();
        return;
    }
}

void SRScopeBarGroupHelper::mouseExited()
{
    if (m_pressing)
        return; // the press owns the cell until the button goes up
    removeTrackingCell_();
    m_scopeBar->update();
}

void SRScopeBarGroupHelper::mouseDown(const QPointF &point)
{
    if (!m_trackingCell)
        return;
    if (m_group->isCollapsed()) {
        m_popUpMenu = std::make_unique<QMenu>();
        const QList<SRMenuItem> items = menuItems_();
        for (int i = 0; i < items.size(); ++i) {
            QAction *action = m_popUpMenu->addAction(items.at(i).image, items.at(i).title);
            action->setCheckable(true);
            action->setChecked(items.at(i).selected);
            action->setData(i);
        }
        QObject::connect(m_popUpMenu.get(), &QMenu::triggered, m_popUpMenu.get(),
                         platform::ExceptionBoundary::guarded(m_popUpMenu.get(), "a scope bar group's menu",
                                                              [this](QAction *action) {
                                                                  popUpMenuItemSelected(action->data().toInt());
                                                              }));
        m_popUpMenu->popup(m_scopeBar->mapToGlobal(m_buttonRect.bottomLeft().toPoint()));
        return;
    }
    if (m_trackingIndex < 0 || m_trackingIndex >= m_group->numberOfObjects())
        return;
    m_pressedObject = m_group->objectAtIndex(m_trackingIndex);
    if (!m_scopeBar->delegateShouldSelectObject(m_pressedObject)) {
        m_pressedObject.clear();
        return;
    }
    m_pressing = true;
    mouseDragged(point);
}

void SRScopeBarGroupHelper::mouseDragged(const QPointF &point)
{
    if (!m_pressing || !m_trackingCell || m_trackingIndex >= m_buttonRects.size())
        return;
    m_trackingCell->setHighlighted(m_buttonRects.at(m_trackingIndex).contains(point));
    m_scopeBar->update();
}

void SRScopeBarGroupHelper::mouseUp(const QPointF &point)
{
    if (!m_pressing || !m_trackingCell)
        return;
    m_pressing = false;
    m_trackingCell->setHighlighted(false);
    const int index = m_trackingIndex;
    const bool inside = index < m_buttonRects.size() && m_buttonRects.at(index).contains(point);
    m_pressedObject.clear();
    if (inside) {
        m_group->didClickObject(index);
        if (m_trackingCell)
            m_trackingCell->setState(m_group->selectionIndexes().count(index) ? platform::Cell::State::On
                                                                               : platform::Cell::State::Off);
    }
    // A pointer that left during the press is reported by the tracking areas now.
    m_scopeBar->update();
}

bool SRScopeBarGroupHelper::pointerIsOverButtonArea() const
{
    return m_scopeBar->underMouse() && m_buttonRect.contains(m_scopeBar->mapFromGlobal(QCursor::pos()));
}

void SRScopeBarGroupHelper::popUpMenuItemSelected(int object)
{
    if (object < 0 || object >= m_group->numberOfObjects())
        return;
    const QVariant chosen = m_group->objectAtIndex(object);
    if (m_scopeBar->delegateShouldSelectObject(chosen)) {
        m_group->didClickObject(object);
        m_scopeBar->adjustSubviews();
    }
    removeTrackingCell_();
    if (pointerIsOverButtonArea())
        generatePopUpTrackingCell_();
    m_scopeBar->update();
}
