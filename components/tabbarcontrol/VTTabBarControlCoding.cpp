// The tab bar control's keyed archive: its settings after the view's own frame and
// hidden flag (written by VTArchivedView), and what decoding makes of them.
#include "components/tabbarcontrol/VTArchivedView.h"
#include "components/tabbarcontrol/VTTabBarControl.h"
#include "platform/archive/Coder.h"

#include <QMouseEvent>

namespace {

const QString CellsKey = QStringLiteral("VTcells");
const QString TabViewKey = QStringLiteral("VTtabView");
const QString OverflowKey = QStringLiteral("VToverflowPopUpButton");
const QString AddTabKey = QStringLiteral("VTaddTabButton");
const QString StyleKey = QStringLiteral("VTstyle");
const QString OrientationKey = QStringLiteral("VTorientation");
const QString CanCloseOnlyTabKey = QStringLiteral("VTcanCloseOnlyTab");
const QString DisableTabCloseKey = QStringLiteral("VTdisableTabClose");
const QString HideForSingleTabKey = QStringLiteral("VThideForSingleTab");
const QString BackgroundClosingKey = QStringLiteral("VTallowsBackgroundTabClosing");
const QString AllowsResizingKey = QStringLiteral("VTallowsResizing");
const QString SelectsOnMouseDownKey = QStringLiteral("VTselectsTabsOnMouseDown");
const QString ShowAddTabKey = QStringLiteral("VTshowAddTabButton");
const QString SizeToFitKey = QStringLiteral("VTsizeCellsToFit");
const QString MinWidthKey = QStringLiteral("VTcellMinWidth");
const QString MaxWidthKey = QStringLiteral("VTcellMaxWidth");
const QString OptimumWidthKey = QStringLiteral("VTcellOptimumWidth");
const QString CurrentStepKey = QStringLiteral("VTcurrentStep");
const QString IsHiddenKey = QStringLiteral("VTisHidden");
const QString PartnerViewKey = QStringLiteral("VTpartnerView");
const QString AwakenedKey = QStringLiteral("VTawakenedFromNib");
const QString LastMouseDownKey = QStringLiteral("VTlastMouseDownEvent");
const QString DelegateKey = QStringLiteral("VTdelegate");
const QString UseOverflowMenuKey = QStringLiteral("VTuseOverflowMenu");
const QString AutomaticallyAnimatesKey = QStringLiteral("VTautomaticallyAnimates");
const QString AlwaysShowActiveTabKey = QStringLiteral("VTalwaysShowActiveTab");

QVariantMap eventRecord(const QMouseEvent *event)
{
    if (!event)
        return {};
    return {{QStringLiteral("x"), event->position().x()},
            {QStringLiteral("y"), event->position().y()},
            {QStringLiteral("button"), int(event->button())},
            {QStringLiteral("modifiers"), int(event->modifiers())},
            {QStringLiteral("time"), qint64(event->timestamp())}};
}

std::unique_ptr<QMouseEvent> eventFromRecord(const QVariantMap &record)
{
    if (record.isEmpty())
        return nullptr;
    const QPointF position(VTArchivedView::saneFrame(QRectF(record.value(QStringLiteral("x")).toDouble(),
                                                            record.value(QStringLiteral("y")).toDouble(), 0, 0)).topLeft());
    const auto button = Qt::MouseButton(record.value(QStringLiteral("button")).toInt() & Qt::AllButtons);
    const auto modifiers = Qt::KeyboardModifiers(record.value(QStringLiteral("modifiers")).toInt() & Qt::KeyboardModifierMask);
    auto event = std::make_unique<QMouseEvent>(QEvent::MouseButtonPress, position, position, button, button, modifiers);
    event->setTimestamp(quint64(std::max<qint64>(0, record.value(QStringLiteral("time")).toLongLong())));
    return event;
}

// The archived object of a widget we only refer to.
platform::CodingPtr viewObject(QWidget *widget)
{
    return VTArchivedView::forWidget(widget);
}

} // namespace

void VTTabBarControl::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    QVariantList cells;
    for (const CellPtr &cell : m_cells)
        cells.append(platform::Coder::objectValue(cell));
    coder.encodeObject(cells, CellsKey);
    coder.encodeObject(viewObject(m_tabView), TabViewKey);
    coder.encodeObject(viewObject(m_overflowPopUpButton), OverflowKey);
    coder.encodeObject(viewObject(m_addTabButton), AddTabKey);
    coder.encodeObject(m_style, StyleKey);
    coder.encodeInt64(m_orientation, OrientationKey);
    coder.encodeBool(m_canCloseOnlyTab, CanCloseOnlyTabKey);
    coder.encodeBool(m_disableTabClose, DisableTabCloseKey);
    coder.encodeBool(m_hideForSingleTab, HideForSingleTabKey);
    coder.encodeBool(m_allowsBackgroundTabClosing, BackgroundClosingKey);
    coder.encodeBool(m_allowsResizing, AllowsResizingKey);
    coder.encodeBool(m_selectsTabsOnMouseDown, SelectsOnMouseDownKey);
    coder.encodeBool(m_showAddTabButton, ShowAddTabKey);
    coder.encodeBool(m_sizeCellsToFit, SizeToFitKey);
    coder.encodeInt64(m_cellMinWidth, MinWidthKey);
    coder.encodeInt64(m_cellMaxWidth, MaxWidthKey);
    coder.encodeInt64(m_cellOptimumWidth, OptimumWidthKey);
    coder.encodeInt64(m_currentStep, CurrentStepKey);
    coder.encodeBool(m_isHidden, IsHiddenKey);
    coder.encodeObject(viewObject(m_partnerView), PartnerViewKey);
    coder.encodeBool(m_awakenedFromNib, AwakenedKey);
    const QVariantMap record = eventRecord(m_lastMouseDownEvent.get());
    coder.encodeObject(record.isEmpty() ? QVariant() : QVariant(record), LastMouseDownKey);
    // The delegate is not ours: the archiver only reads it while this runs.
    platform::CodingPtr delegate;
    if (auto *coding = dynamic_cast<platform::Coding *>(m_delegate))
        delegate = platform::CodingPtr(platform::CodingPtr(), coding);
    coder.encodeObject(delegate, DelegateKey);
    coder.encodeBool(m_useOverflowMenu, UseOverflowMenuKey);
    coder.encodeBool(m_automaticallyAnimates, AutomaticallyAnimatesKey);
    coder.encodeBool(m_alwaysShowActiveTab, AlwaysShowActiveTabKey);
}

void VTTabBarControl::representDecodedItems()
{
    // The cells stand for the tab view's items in its order (a drag's placeholders for
    // none) and the archive holds both: the decoded cells stand for the decoded items,
    // so that the copy's layouts draw the selection the original drew. They are bound to
    // their items (which resets what the cells show to the items' models) when the
    // control wakes: until then they show what was archived. Cells that cannot be
    // matched so (another count) stay as they are, and awakeFromNib() adds cells for
    // the items none stands for.
    std::vector<VTTabBarCell *> tabs;
    for (const CellPtr &cell : m_cells)
        if (!cell->isPlaceholder() && !cell->representedObject())
            tabs.push_back(cell.get());
    const platform::TabView::Items &items = m_tabView->tabViewItems();
    if (tabs.size() != items.size())
        return;
    for (size_t i = 0; i < tabs.size(); ++i)
        tabs[i]->setRepresentedObject(items[i]);
}

bool VTTabBarControl::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return true;
    const QVariantList cellValues = coder.decodeObject<QVariantList>(CellsKey);
    Cells cells;
    for (const QVariant &value : cellValues) {
        auto cell = std::dynamic_pointer_cast<VTTabBarCell>(platform::Coder::objectFromValue(value));
        if (!cell) {
            coder.failWithError(QStringLiteral("VTTabBarControl: the cells array holds something other than a cell"));
            return false;
        }
        cells.push_back(cell);
    }
    const auto tabView = coder.decodeObject<VTArchivedView>(TabViewKey);
    const auto overflow = coder.decodeObject<VTArchivedView>(OverflowKey);
    const auto addTab = coder.decodeObject<VTArchivedView>(AddTabKey);
    const auto style = coder.decodeObject<VTTabStyle>(StyleKey);
    const qint64 orientation = coder.decodeInt64(OrientationKey);
    const bool canCloseOnlyTab = coder.decodeBool(CanCloseOnlyTabKey);
    const bool disableTabClose = coder.decodeBool(DisableTabCloseKey);
    const bool hideForSingleTab = coder.decodeBool(HideForSingleTabKey);
    const bool backgroundClosing = coder.decodeBool(BackgroundClosingKey);
    const bool allowsResizing = coder.decodeBool(AllowsResizingKey);
    const bool selectsOnMouseDown = coder.decodeBool(SelectsOnMouseDownKey);
    const bool showAddTab = coder.decodeBool(ShowAddTabKey);
    const bool sizeToFit = coder.decodeBool(SizeToFitKey);
    const qint64 minWidth = coder.decodeInt64(MinWidthKey);
    const qint64 maxWidth = coder.decodeInt64(MaxWidthKey);
    const qint64 optimumWidth = coder.decodeInt64(OptimumWidthKey);
    (void)coder.decodeInt64(CurrentStepKey); // a decoded control is never mid-change
    const bool isHidden = coder.decodeBool(IsHiddenKey);
    const auto partner = coder.decodeObject<VTArchivedView>(PartnerViewKey);
    const bool awakened = coder.decodeBool(AwakenedKey);
    const QVariantMap lastMouseDown = coder.decodeObject<QVariantMap>(LastMouseDownKey);
    const bool useOverflowMenu = coder.decodeBool(UseOverflowMenuKey);
    const bool automaticallyAnimates = coder.decodeBool(AutomaticallyAnimatesKey);
    const bool alwaysShowActiveTab = coder.decodeBool(AlwaysShowActiveTabKey);
    const platform::CodingPtr delegateObject = platform::Coder::objectFromValue(coder.decodeObject(DelegateKey));
    if (coder.failed())
        return false;
    auto *delegate = dynamic_cast<VTTabBarControlDelegate *>(delegateObject.get());
    const auto inRange = [](qint64 width) { return width >= 0 && width <= MaximumCellWidth; };
    QString problem;
    if (orientation != 0 && orientation != 1)
        problem = QStringLiteral("orientation %1").arg(orientation);
    else if (!inRange(minWidth) || !inRange(maxWidth) || !inRange(optimumWidth))
        problem = QStringLiteral("cell widths %1/%2/%3").arg(minWidth).arg(maxWidth).arg(optimumWidth);
    else if (partner && coder.valueRefersBack(platform::Coder::objectValue(partner)))
        problem = QStringLiteral("a partner view that encloses the control or refers back to it");
    else if (coder.valueRefersBack(cellValues) || coder.valueRefersBack(platform::Coder::objectValue(delegateObject)))
        problem = QStringLiteral("cells or a delegate that refer back to an object being decoded");
    else if (delegateObject && !delegate)
        problem = QStringLiteral("a delegate that is no tab bar delegate");
    else if ((tabView && !qobject_cast<platform::TabView *>(tabView->widget()))
             || (overflow && !qobject_cast<VTOverflowPopUpButton *>(overflow->widget()))
             || (addTab && !qobject_cast<VTRolloverButton *>(addTab->widget())))
        problem = QStringLiteral("a view of the wrong kind");
    if (!problem.isEmpty()) {
        coder.failWithError(QStringLiteral("VTTabBarControl: ") + problem);
        return false;
    }

    for (const CellPtr &cell : cells) {
        cell->setControlView(this);
        if (VTProgressIndicator *indicator = cell->indicator())
            indicator->placeIn(this);
    }
    m_cells = std::move(cells);
    m_controller->layoutEveryCellNextTime();
    if (tabView) {
        m_archivedTabView = tabView;
        m_tabView = qobject_cast<platform::TabView *>(tabView->widget());
        representDecodedItems();
    }
    if (std::unique_ptr<QWidget> button = overflow ? overflow->takeWidget() : nullptr) {
        delete m_overflowPopUpButton.data();
        m_overflowPopUpButton = static_cast<VTOverflowPopUpButton *>(button.release());
        m_overflowPopUpButton->setParent(this);
        m_overflowPopUpButton->setVisible(!overflow->wasHidden());
        connectOverflowPopUpButton();
    }
    if (std::unique_ptr<QWidget> button = addTab ? addTab->takeWidget() : nullptr) {
        delete m_addTabButton.data();
        m_addTabButton = static_cast<VTRolloverButton *>(button.release());
        m_addTabButton->setParent(this);
        m_addTabButton->setVisible(!addTab->wasHidden());
    }
    if (style)
        m_style = style;
    m_orientation = int(orientation);
    m_style->setOrientation(m_orientation);
    m_canCloseOnlyTab = canCloseOnlyTab;
    m_disableTabClose = disableTabClose;
    m_hideForSingleTab = hideForSingleTab;
    m_allowsBackgroundTabClosing = backgroundClosing;
    m_allowsResizing = allowsResizing;
    m_selectsTabsOnMouseDown = selectsOnMouseDown;
    m_showAddTabButton = showAddTab;
    m_sizeCellsToFit = sizeToFit;
    m_cellMinWidth = int(minWidth);
    m_cellMaxWidth = int(maxWidth);
    m_cellOptimumWidth = int(optimumWidth);
    m_currentStep = -1;
    m_isHidden = isHidden;
    if (partner) {
        m_archivedPartnerView = partner;
        m_partnerView = partner->widget();
    }
    m_awakenedFromNib = awakened;
    m_lastMouseDownEvent = eventFromRecord(lastMouseDown);
    m_useOverflowMenu = useOverflowMenu;
    m_automaticallyAnimates = automaticallyAnimates;
    m_alwaysShowActiveTab = alwaysShowActiveTab;
    m_archivedDelegate = delegateObject;
    m_delegate = delegate;
    return true;
}
