// Saved state of the split view: the state text, its defaults key and the tree of
// nested split views.
#include "components/splitview/ZQSplitView.h"

#include "platform/foundation/UserDefaults.h"

#include <cfloat>
#include <charconv>
#include <cmath>
#include <string>

namespace {

// %g with 6 significant digits, whatever the process locale; a number that six
// digits don't hold (a size of a million or more, a limit up to the largest a pane
// takes) with as many as it takes to read back as itself.
std::string numberText(double value)
{
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 6);
    double read = 0;
    std::from_chars(buffer, result.ptr, read, std::chars_format::general);
    if (read != value && std::fabs(value) >= 1.0e5)
        result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general);
    return std::string(buffer, result.ptr);
}

// The whole size the layout makes of a size with its remainder: a remainder over
// one half rounds up, one half or less rounds down.
double wholeSize(double value)
{
    const double remainder = std::fmod(value, 1.0);
    return value - remainder + (remainder > 0.5 ? 1.0 : 0.0);
}

double readNumber(const std::string &text)
{
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    return value;
}

// A pane's size with its remainder, written so that it reads back as the same whole
// size: six digits may round a remainder just past one half to one half (or the
// other way), so such a number moves by a unit of its last digit towards its whole
// size.
void appendSize(std::string &text, double value)
{
    std::string written = numberText(value);
    if (std::isfinite(value) && std::fabs(value) < 1.0e5) {
        const double whole = wholeSize(value);
        const double unit = std::pow(10.0, std::floor(std::log10(std::max(std::fabs(value), 1.0))) - 5);
        for (int step = 1; step <= 2 && wholeSize(readNumber(written)) != whole; ++step)
            written = numberText(value + (whole > value ? step : -step) * unit);
    }
    text += written;
}

// One pane's part of a state text: a finite number within float range, optionally
// followed by "H" (hidden). Anything else is refused.
bool parsePart(const QString &part, double *value, bool *hidden)
{
    QByteArray bytes = part.toLatin1();
    *hidden = bytes.endsWith('H');
    if (*hidden)
        bytes.chop(1);
    if (bytes.isEmpty() || part.size() != bytes.size() + (*hidden ? 1 : 0))
        return false;
    const char *begin = bytes.constData(), *end = begin + bytes.size();
    double v = 0;
    const auto result = std::from_chars(begin, end, v, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(v) || std::fabs(v) > double(FLT_MAX))
        return false;
    *value = v;
    return true;
}

} // namespace

QString ZQSplitView::defaultsKeyForName(const QString &name, bool horizontal)
{
    return QStringLiteral("ZQSplitView %1 %2").arg(horizontal ? u"H"_qs : u"V"_qs, name);
}

void ZQSplitView::removeStateUsingName(const QString &name)
{
    if (name.isEmpty())
        return;
    platform::UserDefaults &defaults = platform::UserDefaults::standardUserDefaults();
    defaults.removeObjectForKey(defaultsKeyForName(name, false));
    defaults.removeObjectForKey(defaultsKeyForName(name, true));
}

void ZQSplitView::setAutosaveName(const QString &name, bool recursively)
{
    removeStateUsingName(m_autosaveName);
    m_autosaveName = name.isEmpty() ? u""_qs : name;
    if (!recursively)
        return;
    const QList<ZQSplitSubview *> panes = allSubviews();
    for (qsizetype i = 0; i < panes.size(); ++i) {
        if (ZQSplitView *nested = panes.at(i)->asSplitView())
            nested->setAutosaveName(name.isEmpty() ? u""_qs : QStringLiteral("%1[%2]").arg(name).arg(i), true);
    }
}

bool ZQSplitView::saveState(bool recursively)
{
    if (!m_canSaveState || m_isDragging || m_autosaveName.isEmpty())
        return false;
    platform::UserDefaults::standardUserDefaults().setString(stringWithSavedState(),
                                                             defaultsKeyForName(m_autosaveName, isHorizontal()));
    if (recursively) {
        for (ZQSplitSubview *pane : allSubviews()) {
            if (ZQSplitView *nested = pane->asSplitView())
                nested->saveState(true);
        }
    }
    return true;
}

bool ZQSplitView::restoreState(bool recursively)
{
    bool result = false;
    if (!m_autosaveName.isEmpty()) {
        const QVariant value = platform::UserDefaults::standardUserDefaults().objectForKey(
            defaultsKeyForName(m_autosaveName, isHorizontal()));
        result = value.typeId() == QMetaType::QString && setStateFromString(value.toString());
        if (result && recursively) {
            for (ZQSplitSubview *pane : allSubviews()) {
                if (ZQSplitView *nested = pane->asSplitView())
                    nested->restoreState(true);
            }
        }
    }
    m_canSaveState = true;
    return result;
}

QString ZQSplitView::stringWithSavedState() const
{
    const QList<ZQSplitSubview *> panes = allSubviews();
    std::string text = std::to_string(panes.size());
    for (const ZQSplitSubview *pane : panes) {
        text += ' ';
        // A collapsed pane is written negative (a zero as "-0"): the size it comes back with.
        if (pane->isCollapsed())
            text += numberText(-double(pane->dimension()));
        else if (pane->m_squeezedSize >= 0 && pane->ZQ___visibleDimension() == pane->m_squeezedSize)
            appendSize(text, pane->m_userSize); // squeezed: the size it comes back with when there is room
        else
            appendSize(text, pane->dimension() + pane->ZQ___fraction());
        if (pane->isHiddenPane())
            text += 'H';
    }
    return QString::fromStdString(text);
}

bool ZQSplitView::setStateFromString(const QString &state)
{
    if (state.isEmpty())
        return false;
    const QStringList parts = state.split(u' ');
    const QList<ZQSplitSubview *> panes = allSubviews();
    if (parts.size() < 2)
        return false;
    const QByteArray countText = parts.first().toLatin1();
    long long count = -1;
    const auto counted = std::from_chars(countText.constData(), countText.constData() + countText.size(), count);
    if (countText.isEmpty() || counted.ec != std::errc() || counted.ptr != countText.constData() + countText.size()
        || count != panes.size() || parts.size() - 1 != count)
        return false;
    // Read every part before changing anything: a bad part refuses the whole text.
    std::vector<double> values(size_t(panes.size()));
    std::vector<char> hidden(size_t(panes.size()));
    for (qsizetype i = 0; i < panes.size(); ++i) {
        bool h = false;
        if (!parsePart(parts.at(i + 1), &values[size_t(i)], &h))
            return false;
        hidden[size_t(i)] = h;
    }
    const bool horizontal = isHorizontal();
    for (qsizetype i = 0; i < panes.size(); ++i) {
        ZQSplitSubview *pane = panes.at(i);
        const double v = values[size_t(i)];
        const double x = v > 0 ? v : -v;
        const double d = std::floor(x);
        // A hidden pane takes no part in the layout, so however few panes are shown
        // it is collapsed as the text says, when it may collapse at all.
        const bool collapsedHidden = v <= 0 && hidden[size_t(i)] && pane->mayCollapse();
        QRectF frame(QPointF(0, 0), m_frame.size());
        if (horizontal)
            frame.setHeight(collapsedHidden ? 0 : d);
        else
            frame.setWidth(collapsedHidden ? 0 : d);
        // The text's sizes are the user's: what a squeeze remembered goes.
        pane->m_squeezedSize = -1;
        pane->ZQ___setFrame(frame, x - d, false);
        if (v <= 0 && !collapsedHidden)
            pane->ZQ___collapse();
        pane->ZQ___setHidden(hidden[size_t(i)]);
    }
    // A collapsed pane comes back with the text's size, remainder included: its share
    // of the room now that every pane is shown or hidden as the text says.
    const double room = ZQ___dimensionWithoutDividers();
    m_pendingState.clear();
    for (qsizetype i = 0; i < panes.size(); ++i) {
        ZQSplitSubview *pane = panes.at(i);
        const double v = values[size_t(i)];
        if (v <= 0 && pane->isCollapsed())
            pane->m_fraction = ZQSplitSubview::share(-v, room);
        // Not shown yet, the view has yet to get its size from its window.
        if (!isVisible())
            m_pendingState.push_back(PendingPane{pane, std::fabs(v), pane->isCollapsed(), QRectF(), 0.0, false});
    }
    markPendingState();
    // The remainders are the text's: collapsing a pane above asked the next layout
    // to drop them.
    m_mustClearFractions = false;
    m_takesStateSizes = true;
    setMustAdjust();
    return true;
}

void ZQSplitView::markPendingState()
{
    for (PendingPane &entry : m_pendingState) {
        if (!entry.pane)
            continue;
        entry.frame = entry.pane->m_frame;
        entry.fraction = entry.pane->m_fraction;
        entry.hidden = entry.pane->isHiddenPane();
    }
}

bool ZQSplitView::pendingStateHolds() const
{
    const QList<ZQSplitSubview *> panes = allSubviews();
    if (m_pendingState.empty() || size_t(panes.size()) != m_pendingState.size())
        return false;
    for (size_t i = 0; i < m_pendingState.size(); ++i) {
        const PendingPane &entry = m_pendingState[i];
        if (entry.pane != panes.at(qsizetype(i)) || entry.frame != entry.pane->m_frame
            || entry.fraction != entry.pane->m_fraction || entry.hidden != entry.pane->isHiddenPane())
            return false;
    }
    return true;
}

QVariantList ZQSplitView::arrayWithStates() const
{
    QVariantList states{stringWithSavedState()};
    for (ZQSplitSubview *pane : allSubviews()) {
        if (ZQSplitView *nested = pane->asSplitView())
            states.append(QVariant(nested->arrayWithStates()));
        else
            states.append(QVariant());
    }
    return states;
}

bool ZQSplitView::setStatesFromArray(const QVariantList &states)
{
    const QList<ZQSplitSubview *> panes = allSubviews();
    if (states.size() != panes.size() + 1 || states.first().typeId() != QMetaType::QString
        || !setStateFromString(states.first().toString()))
        return false;
    for (qsizetype i = 0; i < panes.size(); ++i) {
        const QVariant &element = states.at(i + 1);
        const bool isArray = element.typeId() == QMetaType::QVariantList;
        ZQSplitView *nested = panes.at(i)->asSplitView();
        if (bool(nested) != isArray)
            return false;
        if (nested && !nested->setStatesFromArray(element.toList()))
            return false;
    }
    return true;
}
