// Keyed archives of split views.
#include "components/splitview/ZQSplitView.h"

#include "platform/archive/Coder.h"

#include <QTimer>

#include <cmath>

void ZQSplitView::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    ZQSplitSubview::encodeWithCoder(coder);
    coder.encodeObject(QVariant(m_autosaveName), QStringLiteral("autosaveName"));
    coder.encodeObject(m_divider.isNull() ? QVariant() : QVariant(m_divider), QStringLiteral("divider"));
    coder.encodeObject(m_background.isValid() ? QVariant(m_background) : QVariant(), QStringLiteral("background"));
    coder.encodeDouble(m_dividerThickness, QStringLiteral("dividerThickness"));
    coder.encodeBool(m_isHorizontal, QStringLiteral("isHorizontal"));
    coder.encodeBool(m_isCoupled, QStringLiteral("isCoupled"));
}

ZQSplitView *ZQSplitView::fromCoder(platform::Coder &coder, QWidget *parent)
{
    if (!coder.allowsKeyedCoding())
        return nullptr;
    const bool coupled = coder.decodeBool(QStringLiteral("isCoupled"));
    const QString name = coder.decodeObject<QString>(QStringLiteral("autosaveName"));
    const QImage image = coder.decodeObject<QImage>(QStringLiteral("divider"));
    const QColor colour = coder.decodeObject<QColor>(QStringLiteral("background"));
    const double thickness = coder.decodeDouble(QStringLiteral("dividerThickness"));
    const bool horizontal = coder.decodeBool(QStringLiteral("isHorizontal"));
    if (coder.failed() || !std::isfinite(thickness))
        return nullptr;
    auto *view = new ZQSplitView(QRectF(), parent);
    if (!view->readPane(coder)) {
        delete view;
        return nullptr;
    }
    view->m_canSaveState = false;
    view->m_isDragging = false;
    view->m_isHorizontal = horizontal;
    view->setAutosaveName(name, false);
    view->setBackground(colour);
    view->setDivider(image);
    view->setDividerThickness(float(std::min(thickness, 1.0e6)));
    view->m_isCoupled = coupled;
    view->setMustAdjust();
    // Once the widget tree is complete.
    QTimer::singleShot(0, view, [view] {
        view->viewDidMoveToSuperview();
        view->ZQ___adjustOutermostIfNeeded();
    });
    return view;
}
