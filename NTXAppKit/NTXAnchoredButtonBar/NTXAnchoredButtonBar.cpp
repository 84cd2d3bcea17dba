#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredButtonBar.h"

#include "AppKitExtensions/NTXNSViewExtension.h"
#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredButton.h"
#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredButtonDrawing.h"
#include "NTXAppKit/NTXAnchoredButtonBar/NTXAnchoredPopUpButton.h"
#include "NTXAppKit/NTXCTGradient/NTXCTGradient.h"
#include "platform/archive/Coder.h"
#include "platform/drawing/DelegateCall.h"
#include "platform/drawing/SplitView.h"
#include "platform/drawing/SystemColors.h"
#include "platform/drawing/YUpPainter.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QEvent>
#include <QPainter>
#include <atomic>
#include <cmath>
#include <cstring>

using NTXAnchoredButtonDrawing::drawLine;
using NTXAnchoredButtonDrawing::Edge;
using platform::askDelegate;
using platform::SystemColors::calibratedWhite;

namespace {

const QString IsResizableKey = QStringLiteral("NTXABBIsResizable");
const QString IsAtBottomKey = QStringLiteral("NTXABBIsAtBottom");
const QString HandleIsRightAlignedKey = QStringLiteral("NTXABBHandleIsRightAligned");
const QString SelectedIndexKey = QStringLiteral("NTXABBSelectedIndex");

constexpr qreal HitWidth = 15;

std::atomic<bool> lastBarWasBordered{false};

struct BarResources
{
    QColor bottomTop = calibratedWhite(0.7922);
    QColor borderedTop = calibratedWhite(0.7451);
    QColor borderedOuter = calibratedWhite(0.6667);
    QColor lastButtonInset = calibratedWhite(1, 0.5);
    QColor handleDark = calibratedWhite(0, 0.598);
    QColor handleLight = calibratedWhite(1, 0.55);
    NTXCTGradient gradient = NTXCTGradient::aquaNormalGradient();
};

const BarResources &resources()
{
    static const BarResources shared;
    return shared;
}

// The bar's buttons are exactly these classes; subclasses are left alone.
bool isBarButton(const QWidget *widget)
{
    const char *name = widget->metaObject()->className();
    return std::strcmp(name, "NTXAnchoredButton") == 0 || std::strcmp(name, "NTXAnchoredPopUpButton") == 0;
}

void setEdges(QWidget *button, bool left, bool right)
{
    if (auto *plain = qobject_cast<NTXAnchoredButton *>(button)) {
        plain->setAtLeftEdgeOfBar(left);
        plain->setAtRightEdgeOfBar(right);
    } else if (auto *popUp = qobject_cast<NTXAnchoredPopUpButton *>(button)) {
        popUp->setAtLeftEdgeOfBar(left);
        popUp->setAtRightEdgeOfBar(right);
    }
}

} // namespace

NTXAnchoredButtonBar::NTXAnchoredButtonBar(QWidget *parent)
    : QWidget(parent)
{
    resize(width(), BottomBarHeight);
}

NTXAnchoredButtonBar *NTXAnchoredButtonBar::fromCoder(platform::Coder &coder, QWidget *parent)
{
    if (!coder.allowsKeyedCoding())
        return nullptr;
    const bool resizable = coder.decodeBool(IsResizableKey);
    const bool atBottom = coder.decodeBool(IsAtBottomKey);
    const bool rightAligned = coder.decodeBool(HandleIsRightAlignedKey);
    const qint32 index = coder.decodeInt32(SelectedIndexKey);
    if (coder.failed())
        return nullptr;
    auto *bar = new NTXAnchoredButtonBar(parent);
    bar->setResizable(resizable);
    bar->setAtBottom(atBottom);
    bar->setHandleIsRightAligned(rightAligned);
    bar->setSelectedIndex(index);
    return bar;
}

void NTXAnchoredButtonBar::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    coder.encodeBool(m_isResizable, IsResizableKey);
    coder.encodeBool(m_isAtBottom, IsAtBottomKey);
    coder.encodeBool(m_handleIsRightAligned, HandleIsRightAlignedKey);
    coder.encodeInt32(m_selectedIndex, SelectedIndexKey);
}

void NTXAnchoredButtonBar::setIsAtBottom(bool atBottom)
{
    m_isAtBottom = atBottom;
    resize(width(), atBottom ? BottomBarHeight : BorderedBarHeight);
    lastBarWasBordered = !atBottom;
    update();
}

bool NTXAnchoredButtonBar::wasBorderedBar()
{
    return lastBarWasBordered;
}

void NTXAnchoredButtonBar::setSelectedIndex(int index)
{
    switch (index) {
    case 0:
        setIsAtBottom(true);
        setResizable(true);
        break;
    case 1:
        setIsAtBottom(true);
        setResizable(false);
        break;
    case 2:
        setIsAtBottom(false);
        setResizable(false);
        break;
    default:
        break;
    }
    m_selectedIndex = index;
    update();
}

platform::SplitView *NTXAnchoredButtonBar::splitView() const
{
    for (QWidget *ancestor = parentWidget(); ancestor; ancestor = ancestor->parentWidget())
        if (auto *found = qobject_cast<platform::SplitView *>(ancestor))
            return found;
    return nullptr;
}

bool NTXAnchoredButtonBar::isInLastSubview() const
{
    const platform::SplitView *split = splitView();
    return split && split->count() > 0 && split->widget(split->count() - 1) == parentWidget();
}

void NTXAnchoredButtonBar::awakeFromNib()
{
    platform::SplitView *split = splitView();
    if (split && split->isVertical() && m_isResizable)
        split->setDelegate(this);
    NTXNSViewExtension::bwBringToFront(this);
}

void NTXAnchoredButtonBar::viewDidMoveToSuperview()
{
    if (splitView())
        m_handleIsRightAligned = isInLastSubview();
}

void NTXAnchoredButtonBar::showEvent(QShowEvent *event)
try {
    QWidget::showEvent(event);
    if (!m_awoken) {
        m_awoken = true;
        viewDidMoveToSuperview(); // the pane is in its split view by now
        awakeFromNib();
    }
} catch (...) {
    platform::ExceptionBoundary::caught(this, "showEvent");
}

bool NTXAnchoredButtonBar::event(QEvent *event)
try {
    if (event->type() == QEvent::ParentChange)
        viewDidMoveToSuperview();
    return QWidget::event(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "event");
    return false;
}

// ---- Drawing ----

void NTXAnchoredButtonBar::paintEvent(QPaintEvent *)
try {
    QPainter painter(this);
    platform::YUpPainter yUp(painter, height());
    drawRect(painter);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "paintEvent");
}

QRectF NTXAnchoredButtonBar::resizeHandleRect() const
{
    return QRectF(m_handleIsRightAligned ? 4 : width() - 11, 6, 6, 10);
}

void NTXAnchoredButtonBar::drawRect(QPainter &painter)
{
    const BarResources &r = resources();
    const QRectF b(0, 0, width(), height());
    const QRectF fill = m_isAtBottom ? b.adjusted(0, 0, 0, -1) : b.adjusted(0, 1, 0, -1);
    r.gradient.fillRect(painter, fill, 270);
    drawLine(painter, this, b, m_isAtBottom ? r.bottomTop : r.borderedTop, Edge::Top, 0, 0);
    if (m_isResizable) {
        const QRectF handle = resizeHandleRect();
        drawResizeHandleInRect(painter, handle, r.handleDark);
        drawResizeHandleInRect(painter, handle.translated(1, -1), r.handleLight);
    }
    drawLastButtonInsetInRect(painter, b);
    if (!m_isAtBottom) {
        drawLine(painter, this, b, r.borderedOuter, Edge::Bottom, 0, 0);
        drawLine(painter, this, b, r.borderedOuter, Edge::Left, 0, 1);
        drawLine(painter, this, b, r.borderedOuter, Edge::Right, 0, 1);
    }
}

void NTXAnchoredButtonBar::drawResizeHandleInRect(QPainter &painter, const QRectF &rect, const QColor &color) const
{
    for (int position : {0, 3, 6})
        drawLine(painter, this, rect, color, Edge::Left, position, 0);
}

void NTXAnchoredButtonBar::drawLastButtonInsetInRect(QPainter &painter, const QRectF &rect)
{
    QWidget *rightmost = nullptr;
    int rightmostEdge = 0;
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (!isBarButton(child))
            continue;
        const QRect frame = child->geometry();
        const int right = frame.x() + frame.width();
        setEdges(child, frame.x() == 0, right == width());
        if (!rightmost || right > rightmostEdge) {
            rightmost = child;
            rightmostEdge = right;
        }
    }
    if (rightmost)
        drawLine(painter, this, rect.translated(0, -1), resources().lastButtonInset, Edge::Left, rightmostEdge, 0);
}

QRectF NTXAnchoredButtonBar::dividerHitRect(const platform::SplitView *split) const
{
    if (!split)
        return QRectF();
    // the bar's frame in its parent, as y-up numbers
    const qreal parentHeight = parentWidget() ? parentWidget()->height() : height();
    const QRectF frame = platform::YUpPainter::rectFromView(QRectF(geometry()), parentHeight);
    const qreal y = split->height() - frame.y() - frame.height();
    const qreal x = m_handleIsRightAligned ? split->width() - frame.width() : width() - HitWidth;
    return QRectF(x, y, HitWidth, frame.height());
}

// ---- Split view delegate ----

QRectF NTXAnchoredButtonBar::splitViewAdditionalEffectiveRectOfDividerAtIndex(platform::SplitView *split, int index)
{
    QRectF answer;
    if (askDelegate(m_splitViewDelegate.data(), "splitViewAdditionalEffectiveRectOfDividerAtIndex", &answer, split,
                    index))
        return answer;
    return dividerHitRect(split);
}

double NTXAnchoredButtonBar::splitViewConstrainMinCoordinate(platform::SplitView *split, double proposed, int index)
{
    askDelegate(m_splitViewDelegate.data(), "splitViewConstrainMinCoordinate", &proposed, split, proposed, index);
    return proposed;
}

double NTXAnchoredButtonBar::splitViewConstrainMaxCoordinate(platform::SplitView *split, double proposed, int index)
{
    askDelegate(m_splitViewDelegate.data(), "splitViewConstrainMaxCoordinate", &proposed, split, proposed, index);
    return proposed;
}

double NTXAnchoredButtonBar::splitViewConstrainSplitPosition(platform::SplitView *split, double proposed, int index)
{
    askDelegate(m_splitViewDelegate.data(), "splitViewConstrainSplitPosition", &proposed, split, proposed, index);
    return proposed;
}

void NTXAnchoredButtonBar::splitViewResizeSubviewsWithOldSize(platform::SplitView *split, QSizeF oldSize)
{
    if (!platform::tellDelegate(m_splitViewDelegate.data(), "splitViewResizeSubviewsWithOldSize", split, oldSize)
        && split)
        split->adjustSubviews();
}

bool NTXAnchoredButtonBar::splitViewCanCollapseSubview(platform::SplitView *split, QWidget *pane)
{
    bool answer = false;
    askDelegate(m_splitViewDelegate.data(), "splitViewCanCollapseSubview", &answer, split, pane);
    return answer;
}

QRectF NTXAnchoredButtonBar::splitViewEffectiveRectForDrawnRectOfDividerAtIndex(platform::SplitView *split,
                                                                                QRectF proposed, QRectF drawn,
                                                                                int index)
{
    askDelegate(m_splitViewDelegate.data(), "splitViewEffectiveRectForDrawnRectOfDividerAtIndex", &proposed, split,
                proposed, drawn, index);
    return proposed;
}

bool NTXAnchoredButtonBar::splitViewShouldCollapseSubviewForDoubleClickOnDividerAtIndex(platform::SplitView *split,
                                                                                        QWidget *pane, int index)
{
    bool answer = false;
    askDelegate(m_splitViewDelegate.data(), "splitViewShouldCollapseSubviewForDoubleClickOnDividerAtIndex", &answer,
                split, pane, index);
    return answer;
}

bool NTXAnchoredButtonBar::splitViewShouldHideDividerAtIndex(platform::SplitView *split, int index)
{
    bool answer = false;
    askDelegate(m_splitViewDelegate.data(), "splitViewShouldHideDividerAtIndex", &answer, split, index);
    return answer;
}
