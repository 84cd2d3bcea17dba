// The keyed archive of a tab bar.
#include "components/tabbarview/KZTabBarView.h"

#include "components/tabbarview/KZArchivedView.h"
#include "components/tabbarview/KZOverflowPopUpButton.h"
#include "components/tabbarview/KZRolloverButton.h"
#include "components/tabbarview/KZTabStyle.h"
#include "platform/archive/Coder.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QMenu>

namespace {

const QString FrameKey = QStringLiteral("frame");
const QString HiddenKey = QStringLiteral("hidden");
const QString TabViewKey = QStringLiteral("KZtabView");
const QString OverflowKey = QStringLiteral("KZOverflowPopUpButton");
const QString AddTabKey = QStringLiteral("KZaddTabButton");
const QString StyleKey = QStringLiteral("KZstyle");
const QString OrientationKey = QStringLiteral("KZorientation");
const QString PartnerKey = QStringLiteral("KZpartnerView");
const QString DelegateKey = QStringLiteral("KZdelegate");

// The flags between the orientation and the widths, then those after them, in the
// order they are written.
const char *const LeadingFlags[] = {"KZonlyShowCloseOnHover",       "KZcanCloseOnlyTab", "KZdisableTabClose",
                                    "KZhideForSingleTab",           "KZallowsBackgroundTabClosing",
                                    "KZallowsResizing",             "KZselectsTabsOnMouseDown",
                                    "KZshowAddTabButton",           "KZsizeButtonsToFit"};
const char *const WidthKeys[] = {"KZbuttonMinWidth", "KZbuttonMaxWidth", "KZbuttonOptimumWidth"};
const char *const TrailingFlags[] = {"KZuseOverflowMenu", "KZautomaticallyAnimates", "KZalwaysShowActiveTab"};

void encodeView(platform::Coder &coder, QWidget *widget, const QString &key)
{
    if (std::shared_ptr<KZArchivedView> object = KZArchivedView::forWidget(widget))
        coder.encodeObject(platform::CodingPtr(object), key);
}

} // namespace

void KZTabBarView::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    // The view's own part first.
    coder.encodeRect(QRectF(geometry()), FrameKey);
    coder.encodeBool(isHidden(), HiddenKey);

    encodeView(coder, m_tabView, TabViewKey);
    encodeView(coder, m_overflowPopUpButton, OverflowKey);
    encodeView(coder, m_addTabButton, AddTabKey);
    if (m_style)
        coder.encodeObject(platform::CodingPtr(m_style), StyleKey);
    coder.encodeInt32(static_cast<qint32>(m_orientation), OrientationKey);
    const bool leading[] = {m_onlyShowCloseOnHover, m_canCloseOnlyTab,  m_disableTabClose,
                            m_hideForSingleTab,     m_allowsBackgroundTabClosing, m_allowsResizing,
                            m_selectsTabsOnMouseDown, m_showAddTabButton, m_sizeButtonsToFit};
    for (size_t i = 0; i < std::size(LeadingFlags); ++i)
        coder.encodeBool(leading[i], QLatin1String(LeadingFlags[i]));
    const int widths[] = {m_buttonMinWidth, m_buttonMaxWidth, m_buttonOptimumWidth};
    for (size_t i = 0; i < std::size(WidthKeys); ++i)
        coder.encodeInt32(widths[i], QLatin1String(WidthKeys[i]));
    coder.encodeBool(m_isHidden, QStringLiteral("KZisHidden"));
    encodeView(coder, m_partnerView, PartnerKey);
    if (m_delegate) {
        if (platform::CodingPtr delegate = m_delegate->codingForArchive())
            coder.encodeObject(delegate, DelegateKey);
    }
    const bool trailing[] = {m_useOverflowMenu, m_automaticallyAnimates, m_alwaysShowActiveTab};
    for (size_t i = 0; i < std::size(TrailingFlags); ++i)
        coder.encodeBool(trailing[i], QLatin1String(TrailingFlags[i]));
}

KZTabBarView *KZTabBarView::fromCoder(platform::Coder &coder, QWidget *parent)
{
    if (!coder.allowsKeyedCoding())
        return new KZTabBarView(parent);
    // Everything is read first; the bar is made only from a sound archive.
    const QRectF frame = coder.decodeRect(FrameKey);
    const bool hidden = coder.decodeBool(HiddenKey);
    const auto tabView = coder.decodeObject<KZArchivedView>(TabViewKey);
    const auto overflow = coder.decodeObject<KZArchivedView>(OverflowKey);
    const auto addTab = coder.decodeObject<KZArchivedView>(AddTabKey);
    const auto style = coder.decodeObject<KZTabStyle>(StyleKey);
    const qint32 orientation = coder.decodeInt32(OrientationKey);
    bool leading[std::size(LeadingFlags)];
    for (size_t i = 0; i < std::size(LeadingFlags); ++i)
        leading[i] = coder.decodeBool(QLatin1String(LeadingFlags[i]));
    qint32 widths[std::size(WidthKeys)];
    for (size_t i = 0; i < std::size(WidthKeys); ++i)
        widths[i] = coder.decodeInt32(QLatin1String(WidthKeys[i]));
    const bool isHiddenBar = coder.decodeBool(QStringLiteral("KZisHidden"));
    const auto partner = coder.decodeObject<KZArchivedView>(PartnerKey);
    bool trailing[std::size(TrailingFlags)];
    for (size_t i = 0; i < std::size(TrailingFlags); ++i)
        trailing[i] = coder.decodeBool(QLatin1String(TrailingFlags[i]));
    const platform::CodingPtr delegateObject = platform::Coder::objectFromValue(coder.decodeObject(DelegateKey));
    auto *delegate = dynamic_cast<KZTabBarViewDelegate *>(delegateObject.get());
    if (delegateObject && !delegate)
        coder.failWithError(QStringLiteral("KZdelegate: not a tab bar delegate"));
    if (coder.failed())
        return nullptr;

    auto *bar = new KZTabBarView(parent);
    bar->setGeometry(KZArchivedView::saneFrame(frame));
    bar->setHidden(hidden);
    // Views of the archive: children of the parent when there is one, else the bar's.
    const auto adopt = [bar, parent](const std::shared_ptr<KZArchivedView> &object) -> QWidget * {
        if (!object)
            return nullptr;
        if (std::unique_ptr<QWidget> widget = object->takeWidget()) {
            if (parent) {
                widget->setParent(parent);
                widget->setVisible(!object->wasHidden());
                return widget.release();
            }
            bar->m_archivedViews.push_back(std::move(widget));
        }
        return object->widget();
    };
    const auto adoptButton = [bar](const std::shared_ptr<KZArchivedView> &object, auto *current) {
        using Button = std::remove_pointer_t<decltype(current)>;
        auto *button = object ? qobject_cast<Button *>(object->widget()) : nullptr;
        if (!button)
            return current;
        std::unique_ptr<QWidget> owned = object->takeWidget();
        if (!owned)
            return current;
        delete current;
        owned.release();
        button->setParent(bar);
        button->setVisible(!object->wasHidden());
        return button;
    };
    bar->m_tabView = qobject_cast<platform::TabView *>(adopt(tabView));
    bar->m_overflowPopUpButton = adoptButton(overflow, bar->m_overflowPopUpButton);
    bar->m_addTabButton = adoptButton(addTab, bar->m_addTabButton);
    if (bar->m_overflowPopUpButton)
        bar->connectOverflowPopUpButton();
    if (bar->m_addTabButton) {
        bar->m_addTabButton->setTarget(bar);
        bar->m_addTabButton->setAction("_addNewTab");
    }
    // The archive's style replaces the one a new bar starts with; an archive without
    // one gives a bar without a style, which draws with the built-ins.
    bar->m_style = style;
    bar->m_orientation = orientation == Vertical ? Vertical : Horizontal;
    bool *const leadingFields[] = {&bar->m_onlyShowCloseOnHover, &bar->m_canCloseOnlyTab,  &bar->m_disableTabClose,
                                   &bar->m_hideForSingleTab,     &bar->m_allowsBackgroundTabClosing,
                                   &bar->m_allowsResizing,       &bar->m_selectsTabsOnMouseDown,
                                   &bar->m_showAddTabButton,     &bar->m_sizeButtonsToFit};
    for (size_t i = 0; i < std::size(LeadingFlags); ++i)
        *leadingFields[i] = leading[i];
    bar->m_buttonMinWidth = widths[0];
    // A maximum or optimum width of 0 or less (or none) is refused like the setters
    // refuse it: the bar keeps its own.
    if (!refusesButtonWidth(widths[1], "an archived maximum button width"))
        bar->m_buttonMaxWidth = widths[1];
    if (!refusesButtonWidth(widths[2], "an archived optimum button width"))
        bar->m_buttonOptimumWidth = widths[2];
    bar->m_isHidden = isHiddenBar;
    bar->m_partnerView = adopt(partner);
    bar->m_useOverflowMenu = trailing[0];
    bar->m_automaticallyAnimates = trailing[1];
    bar->m_alwaysShowActiveTab = trailing[2];
    // The delegate is kept as it was read; its extra drag types wait for setDelegate().
    bar->m_delegate = delegate;
    bar->m_archivedDelegate = delegateObject;
    return bar;
}
