// Keyed archives of split views.
#include "components/splitview/ZQSplitView.h"

#include "components/splitview/ZQSplitSubviewCoding.h"
#include "platform/archive/Coder.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QTimer>

#include <cmath>
#include <memory>
#include <vector>

namespace {
// The most panes one archived split view may list.
constexpr qsizetype MaximumSubviews = 256;

// The panes listed under "subviews", taken from their archive objects; none and a
// failed coder when the list holds anything else, a pane twice or a view that
// encloses the one being read.
std::vector<std::unique_ptr<ZQSplitSubview>> decodeSubviews(platform::Coder &coder)
{
    std::vector<std::unique_ptr<ZQSplitSubview>> panes;
    const QVariant value = coder.decodeObject(QStringLiteral("subviews"));
    if (!value.isValid())
        return panes;
    const QVariantList list = value.toList();
    if (value.typeId() != QMetaType::QVariantList || list.size() > MaximumSubviews) {
        coder.failWithError(QStringLiteral("\"subviews\" is not a list of at most %1 panes").arg(MaximumSubviews));
        return {};
    }
    for (const QVariant &element : list) {
        const platform::CodingPtr object = platform::Coder::objectFromValue(element);
        auto coding = std::dynamic_pointer_cast<ZQSplitSubviewCoding>(object);
        std::unique_ptr<ZQSplitSubview> pane;
        if (coding && !coder.objectIsBeingDecoded(object))
            pane = coding->takePane();
        if (!pane) {
            coder.failWithError(QStringLiteral("\"subviews\" holds something that is not a pane of its own"));
            return {};
        }
        panes.push_back(std::move(pane));
    }
    return panes;
}
} // namespace

void ZQSplitView::encodeSubviews(platform::Coder &coder) const
{
    QVariantList list;
    for (ZQSplitSubview *pane : allSubviews())
        list.append(platform::Coder::objectValue(std::make_shared<ZQSplitSubviewCoding>(pane)));
    coder.encodeObject(QVariant(list), QStringLiteral("subviews"));
}

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
    std::vector<std::unique_ptr<ZQSplitSubview>> panes = decodeSubviews(coder);
    if (coder.failed() || !std::isfinite(thickness))
        return nullptr;
    // Read on its own (no parent), so that no coupling parent takes the setters'
    // values; placed in the parent at the end.
    auto view = std::make_unique<ZQSplitView>(QRectF());
    if (!view->readPane(coder))
        return nullptr;
    view->m_canSaveState = false;
    view->m_isDragging = false;
    view->m_isCoupled = coupled;
    view->m_isHorizontal = horizontal;
    view->setAutosaveName(name, false);
    view->setBackground(colour);
    view->setDivider(image);
    view->setDividerThickness(float(std::min(thickness, 1.0e6)));
    for (std::unique_ptr<ZQSplitSubview> &pane : panes)
        view->addSubview(pane.release());
    // The panes' sizes are those the archived view had: its first layout keeps them
    // when they fill it, as a restored state text's.
    view->m_takesStateSizes = true;
    view->setMustAdjust();
    ZQSplitView *decoded = view.release();
    // Once the widget tree is complete.
    QTimer::singleShot(0, decoded, platform::ExceptionBoundary::guarded(decoded, "a timer", [decoded] {
        decoded->viewDidMoveToSuperview();
        decoded->ZQ___adjustOutermostIfNeeded();
    }));
    decoded->placeIn(parent);
    return decoded;
}
