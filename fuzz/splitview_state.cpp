// Fuzz target: saved-state texts and state arrays applied to a nested split view
// (the texts come from the user-editable defaults file), and split views read from
// keyed archives (interface files). Whatever is applied, the layout afterwards must
// leave every pane frame and divider finite, no pane of a negative size, a collapsed
// pane's share within 0…1 and an expanded pane's remainder a rounding one, also
// after the split view is narrowed below its panes' minimums and widened again.
#include "components/splitview/ZQSplitView.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <QByteArray>
#include <QString>

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

bool finite(const QRectF &r)
{
    return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

void check(const ZQSplitView &view)
{
    for (ZQSplitSubview *pane : view.allSubviews()) {
        if (!finite(pane->frame()) || !std::isfinite(pane->dimension()))
            std::abort();
        const QSizeF size = pane->frame().size();
        if (size.width() < 0 || size.height() < 0)
            std::abort();
        // A collapsed pane's share lies within 0…1; an expanded pane's remainder is a
        // rounding one (at most half a pixel for each pane) and leaves a size of at
        // least 0 (the last pane may carry a stretch as a negative remainder).
        const double fraction = pane->ZQ___fraction();
        const double along = view.isHorizontal() ? size.height() : size.width();
        const bool sound = pane->isCollapsed() ? fraction >= 0 && fraction <= 1
                                               : fraction <= 0.5 * double(view.allSubviews().size()) + 1
                                                     && along + fraction >= 0;
        if (!pane->isHiddenPane() && !sound)
            std::abort();
        if (ZQSplitView *nested = pane->asSplitView())
            check(*nested);
    }
    for (const QRectF &r : view.dividerRects()) {
        if (!finite(r))
            std::abort();
    }
}

bool everyOneHasPanes(const ZQSplitView &view)
{
    const QList<ZQSplitSubview *> panes = view.allSubviews();
    if (panes.isEmpty())
        return false;
    for (ZQSplitSubview *pane : panes) {
        const ZQSplitView *nested = pane->asSplitView();
        if (nested && !everyOneHasPanes(*nested))
            return false;
    }
    return true;
}

// A split view read from an untrusted keyed archive (its panes, nested split views
// and their flags): laid out at several sizes, its state taken and applied again,
// written and read back with as many panes.
void fuzzArchive(const QByteArray &bytes)
{
    platform::KeyedUnarchiver unarchiver(bytes);
    std::unique_ptr<ZQSplitView> view(ZQSplitView::fromCoder(unarchiver));
    if (!view)
        return;
    for (const QRectF &frame : {QRectF(0, 0, 400, 300), QRectF(0, 0, 20, 15), QRectF(0, 0, 900, 500)}) {
        view->setFrame(frame);
        view->adjustSubviews();
        check(*view);
    }
    // A split view without panes has no state it could take ("0" is refused), so
    // only a tree in which every split view has panes must take its own states back.
    if (!view->setStatesFromArray(view->arrayWithStates()) && everyOneHasPanes(*view))
        std::abort();
    view->adjustSubviews();
    check(*view);
    platform::KeyedArchiver archiver;
    view->encodeWithCoder(archiver);
    const std::optional<QByteArray> again = archiver.finishEncoding();
    if (!again)
        std::abort();
    platform::KeyedUnarchiver reader(*again);
    const std::unique_ptr<ZQSplitView> copy(ZQSplitView::fromCoder(reader));
    if (!copy || copy->allSubviews().size() != view->allSubviews().size())
        std::abort();
}

} // namespace

// Input: a keyed archive of a split view (it begins with "<?xml" or "bplist"), or
// lines: the first applies to the outer split view, the second to the nested one, a
// third (when present) is split at "|" into the texts of the tree's state array.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    if (input.startsWith("<?xml") || input.startsWith("bplist")) {
        fuzzArchive(input);
        return 0;
    }
    if (size > 4096)
        return 0;
    const QList<QByteArray> lines = QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)).split('\n');
    ZQSplitView view(QRectF(0, 0, 400, 300), 2);
    view.setDividerThickness(7);
    auto *nested = new ZQSplitView(QRectF(0, 0, 100, 300), 3);
    view.addSubview(nested, 1);
    view.subviewAtPosition(0)->setCanCollapse(true);
    nested->subviewAtPosition(1)->setCanCollapse(true);
    nested->subviewAtPosition(2)->setMinDimension(40, 90);
    view.adjustSubviews();

    if (!lines.isEmpty())
        view.setStateFromString(QString::fromLatin1(lines.at(0)));
    if (lines.size() > 1)
        nested->setStateFromString(QString::fromLatin1(lines.at(1)));
    view.adjustSubviews();
    check(view);
    if (lines.size() > 2) {
        const QList<QByteArray> parts = lines.at(2).split('|');
        const QVariantList nestedStates{QString::fromLatin1(parts.value(1)), QVariant(), QVariant(), QVariant()};
        const QVariantList states{QString::fromLatin1(parts.value(0)), QVariant(), QVariant(nestedStates), QVariant()};
        view.setStatesFromArray(states);
        view.adjustSubviews();
        check(view);
    }
    // What the tree says of itself must be accepted again.
    if (!view.setStatesFromArray(view.arrayWithStates()))
        std::abort();
    view.setFrame(QRectF(0, 0, 250, 120));
    check(view);
    // Far too narrow for the minimums, then wide again.
    view.setFrame(QRectF(0, 0, 30, 120));
    check(view);
    view.setFrame(QRectF(0, 0, 400, 300));
    check(view);
    return 0;
}
