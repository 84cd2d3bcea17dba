// The scope bar: construction, properties, groups, prepared cells and the delegate.
#include "components/scopebar/SRScopeBar.h"
#include "platform/foundation/ExceptionBoundary.h"

#include "components/scopebar/SRScopeBarCoding.h"
#include "components/scopebar/SRScopeBarGroupHelper.h"
#include "platform/drawing/CellItemDelegate.h"
#include "platform/drawing/DelegateCall.h"
#include "platform/drawing/SystemColors.h"
#include "platform/drawing/TrackingAreas.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/Exception.h"

#include <algorithm>
#include <QAction>
#include <QEvent>
#include <QImage>
#include <QMenu>
#include <QPixmap>

namespace {

[[noreturn]] void raiseRange(const char *reason)
{
    throw platform::Exception(platform::Exception::RangeException, QString::fromLatin1(reason));
}

const QString GroupsKey = QStringLiteral("groups");
} // namespace

SRScopeBar::SRScopeBar(Undefaulted, QWidget *parent) : QWidget(parent)
{
    m_buttonCell = std::make_unique<SRButtonCell>();
    m_popUpCell = std::make_unique<SRPopUpButtonCell>();
    m_overflowCell = std::make_unique<SROverflowPullDownCell>();
    connectOverflowMenu();
    m_trackingAreas = new platform::TrackingAreas(this);
    m_trackingAreas->setEnteredHandler([this](int, const QPointF &point) { mouseEnteredAt(point); });
    m_trackingAreas->setExitedHandler([this](int, const QPointF &point) { mouseExitedAt(point); });
}

SRScopeBar::SRScopeBar(QWidget *parent) : SRScopeBar(Undefaulted{}, parent)
{
    using platform::SystemColors::calibratedWhite;
    m_minimumButtonWidth = 70;
    m_minimumPopUpWidth = 70;
    m_autoResizesGroups = true;
    m_intercellSpacing = 5;
    m_backgroundGradient = platform::Gradient(calibratedWhite(0.8), calibratedWhite(0.94));
    m_borderColor = calibratedWhite(0.6);
    m_separatorColor = calibratedWhite(0.46);
    m_labelColor = calibratedWhite(0.46);

    SRButtonCell button;
    button.setBezelStyle(platform::ButtonCell::BezelStyle::Recessed);
    button.setButtonType(platform::ButtonCell::ButtonType::PushOnPushOff);
    button.setControlSize(platform::Cell::ControlSize::Small);
    button.setFont(SRTextMetrics::boldSystemFont(12.0));
    button.setShowsBorderOnlyWhileMouseInside(true);
    button.setState(platform::Cell::State::Off);
    button.setImagePosition(platform::Cell::ImagePosition::ImageLeft);
    setButtonCell(button);

    SRPopUpButtonCell popUp(QString(), false);
    popUp.setBezelStyle(platform::ButtonCell::BezelStyle::Recessed);
    popUp.setButtonType(platform::ButtonCell::ButtonType::PushOnPushOff);
    popUp.setControlSize(platform::Cell::ControlSize::Small);
    popUp.setFont(SRTextMetrics::boldSystemFont(12.0));
    popUp.setShowsBorderOnlyWhileMouseInside(true);
    popUp.setImagePosition(platform::Cell::ImagePosition::ImageLeft);
    setPopUpButtonCell(popUp);

    SROverflowPullDownCell overflow;
    overflow.removeAllItems();
    overflow.addItemWithTitle(QString())->setIcon(overflowImage());
    setOverflowPullDownCell(overflow);
}

SRScopeBar::~SRScopeBar()
{
    // The areas would report the pointer leaving while the widget goes.
    delete m_trackingAreas;
    m_trackingAreas = nullptr;
    removeDelegateObservation();
    for (const auto &helper : m_helpers)
        helper->group()->setScopeBar(nullptr);
    m_trackingGroup = nullptr;
    m_helpers.clear();
}

QIcon SRScopeBar::overflowImage()
{
    const QString path = platform::Bundle::bundleNamed(QStringLiteral("SRScopeBar"))
                             .pathForResource(QStringLiteral("overflowImage.png"));
    return path.isEmpty() ? QIcon() : QIcon(path);
}

// ---- Delegate and data source ----

void SRScopeBar::removeDelegateObservation()
{
    if (m_delegateToken.isValid())
        platform::NotificationCenter::defaultCenter().removeObserver(m_delegateToken);
    m_delegateToken = {};
}

void SRScopeBar::setDelegate(QObject *delegate)
{
    if (delegate == m_delegate)
        return;
    removeDelegateObservation();
    m_delegate = delegate;
    if (delegate && platform::respondsToMethod(delegate, "scopeBarSelectionDidChange")) {
        QPointer<QObject> target = delegate;
        m_delegateToken = platform::NotificationCenter::defaultCenter().addObserver(
            delegate, SelectionDidChangeNotification, nullptr, [target](const platform::Notification &notification) {
                platform::tellDelegate(target.data(), "scopeBarSelectionDidChange", notification);
            });
    }
    m_delegateImplementsShouldSelect = delegate && platform::respondsToMethod(delegate, "scopeBarShouldSelectObject");
    m_delegateImplementsShouldCollapse = delegate && platform::respondsToMethod(delegate, "scopeBarShouldCollapseGroup");
    m_delegateImplementsShouldExpand = delegate && platform::respondsToMethod(delegate, "scopeBarShouldExpandGroup");
}

void SRScopeBar::setDataSource(QObject *dataSource)
{
    m_dataSource = dataSource;
    m_dataSourceImplementsImage =
        dataSource && platform::respondsToMethod(dataSource, "scopeBarImageForObjectInGroupAtIndex");
}

bool SRScopeBar::delegateShouldSelectObject(const QVariant &object)
{
    bool answer = true;
    if (m_delegateImplementsShouldSelect)
        platform::askDelegate(m_delegate.data(), "scopeBarShouldSelectObject", &answer, this, object);
    return answer;
}

bool SRScopeBar::delegateShouldCollapseGroup(SRScopeBarGroup *group)
{
    bool answer = true;
    if (m_delegateImplementsShouldCollapse)
        platform::askDelegate(m_delegate.data(), "scopeBarShouldCollapseGroup", &answer, this, group);
    return answer;
}

bool SRScopeBar::delegateShouldExpandGroup(SRScopeBarGroup *group)
{
    bool answer = true;
    if (m_delegateImplementsShouldExpand)
        platform::askDelegate(m_delegate.data(), "scopeBarShouldExpandGroup", &answer, this, group);
    return answer;
}

void SRScopeBar::willChangeGroups()
{
    willChangeValueForKey(GroupsKey);
    willChangeValueForKey(QStringLiteral("numberOfGroups"));
}

void SRScopeBar::didChangeGroups()
{
    didChangeValueForKey(QStringLiteral("numberOfGroups"));
    didChangeValueForKey(GroupsKey);
}

const platform::KeyTable &SRScopeBar::keyTable() const
{
    static const platform::KeyTable table = {
        {GroupsKey,
         {[](const KeyValueObservable &o) {
              QVariantList list;
              for (const auto &group : static_cast<const SRScopeBar &>(o).groups())
                  list.append(KeyValueObservable::fromObservable(group.get()));
              return QVariant(list);
          },
          {}}},
        {QStringLiteral("numberOfGroups"),
         {[](const KeyValueObservable &o) { return QVariant(static_cast<const SRScopeBar &>(o).numberOfGroups()); },
          {}}},
    };
    return table;
}

bool SRScopeBar::event(QEvent *event)
try {
    // Taken out of its window: the delegate no longer hears the selection (it is not
    // registered again when the bar is put back).
    if (event->type() == QEvent::ParentChange && !parentWidget())
        removeDelegateObservation();
    return QWidget::event(event);
} catch (...) {
    platform::ExceptionBoundary::caught(this, "event");
    return false;
}

// ---- Groups ----

std::vector<std::shared_ptr<SRScopeBarGroup>> SRScopeBar::groups() const
{
    std::vector<std::shared_ptr<SRScopeBarGroup>> result;
    for (const auto &helper : m_helpers)
        result.push_back(helper->group());
    return result;
}

void SRScopeBar::setGroups(const std::vector<std::shared_ptr<SRScopeBarGroup>> &groups)
{
    QList<platform::CodingPtr> objects;
    for (const auto &group : groups)
        objects.append(group);
    setGroupObjects(objects);
}

void SRScopeBar::setGroupObjects(const QList<platform::CodingPtr> &objects)
{
    const auto current = groups();
    bool same = qsizetype(current.size()) == objects.size();
    for (qsizetype i = 0; same && i < objects.size(); ++i)
        same = current.at(size_t(i)).get() == objects.at(i).get();
    if (same)
        return;
    willChangeGroups();
    for (const auto &helper : m_helpers)
        helper->group()->setScopeBar(nullptr);
    m_trackingGroup = nullptr;
    m_helpers.clear();
    didChangeGroups();
    for (const auto &object : objects) {
        auto group = std::dynamic_pointer_cast<SRScopeBarGroup>(object);
        if (!group)
            throw platform::Exception(platform::Exception::InvalidArgumentException,
                                      QStringLiteral("SRScopeBar:setGroups: element in array not of class SRScopeBarGroup"));
        addGroup(group);
    }
}

std::shared_ptr<SRScopeBarGroup> SRScopeBar::addGroup()
{
    auto group = std::make_shared<SRScopeBarGroup>();
    if (numberOfGroups() == 0)
        group->setShowsSeparator(false);
    addGroup(group);
    return group;
}

void SRScopeBar::addGroup(const std::shared_ptr<SRScopeBarGroup> &group)
{
    insertGroup(group, numberOfGroups());
}

void SRScopeBar::insertGroup(const std::shared_ptr<SRScopeBarGroup> &group, qsizetype index)
{
    if (index < 0 || index > numberOfGroups())
        raiseRange("SRScopeBar:insertGroup:atIndex: groupIndex invalid");
    if (!group)
        throw platform::Exception(platform::Exception::InvalidArgumentException,
                                  QStringLiteral("SRScopeBar:insertGroup:atIndex: group is nil"));
    group->setScopeBar(this);
    auto helper = std::make_unique<SRScopeBarGroupHelper>(group, this);
    willChangeGroups();
    m_helpers.insert(m_helpers.begin() + index, std::move(helper));
    didChangeGroups();
    adjustSubviews();
}

void SRScopeBar::removeGroup(const SRScopeBarGroup *group)
{
    const qsizetype index = indexOfGroup(group);
    if (index != NotFound)
        removeGroupAtIndex(index);
}

void SRScopeBar::removeGroupAtIndex(qsizetype index)
{
    if (index < 0 || index >= numberOfGroups())
        raiseRange("SRScopeBar:removeGroup:atIndex: groupIndex invalid");
    willChangeGroups();
    m_helpers.at(size_t(index))->group()->setScopeBar(nullptr);
    if (m_trackingGroup == m_helpers.at(size_t(index)).get())
        m_trackingGroup = nullptr;
    m_helpers.erase(m_helpers.begin() + index);
    didChangeGroups();
    adjustSubviews();
}

std::shared_ptr<SRScopeBarGroup> SRScopeBar::groupWithIdentifier(const QString &identifier) const
{
    for (const auto &helper : m_helpers) {
        const QString own = helper->group()->identifier();
        if (!own.isNull() && own == identifier)
            return helper->group();
    }
    return nullptr;
}

std::shared_ptr<SRScopeBarGroup> SRScopeBar::groupAtIndex(qsizetype index) const
{
    if (index < 0 || index >= numberOfGroups())
        raiseRange("SRScopeBar:groupAtIndex: groupIndex invalid");
    return m_helpers.at(size_t(index))->group();
}

qsizetype SRScopeBar::indexOfGroup(const SRScopeBarGroup *group) const
{
    for (size_t i = 0; i < m_helpers.size(); ++i)
        if (m_helpers[i]->group().get() == group)
            return qsizetype(i);
    return NotFound;
}

void SRScopeBar::moveGroupWithIndex(qsizetype from, qsizetype to)
{
    if (from < 0 || from >= numberOfGroups())
        raiseRange("SRScopeBar:moveGroupWithIndex:toIndex: originalIndex invalid");
    if (to < 0 || to >= numberOfGroups())
        raiseRange("SRScopeBar:moveGroupWithIndex:toIndex: destinationIndex invalid");
    auto helper = std::move(m_helpers[size_t(from)]);
    m_helpers.erase(m_helpers.begin() + from);
    m_helpers.insert(m_helpers.begin() + to, std::move(helper));
    adjustSubviews();
}

void SRScopeBar::reloadData()
{
    for (size_t i = 0; i < m_helpers.size(); ++i) {
        m_helpers[i]->updateGroupDimensions();
        resetSelectionForGroup_(*m_helpers[i]->group());
    }
    adjustSubviews();
}

void SRScopeBar::reloadDataForGroup(qsizetype index)
{
    if (index < 0 || index >= numberOfGroups())
        raiseRange("SRScopeBar:reloadDataForGroup: groupIndex invalid");
    m_helpers.at(size_t(index))->updateGroupDimensions();
    resetSelectionForGroup_(*m_helpers.at(size_t(index))->group());
    adjustSubviews();
}

void SRScopeBar::adjustSubviews()
{
    m_trackingAreasNeedUpdate = true;
    m_groupsNeedUpdate = true;
    update();
}

SRScopeBarGroupHelper *SRScopeBar::groupHelperForGroup_(const SRScopeBarGroup *group) const
{
    for (const auto &helper : m_helpers)
        if (helper->group().get() == group)
            return helper.get();
    return nullptr;
}

std::shared_ptr<SRScopeBarGroup> SRScopeBar::groupContainingObject_(const QVariant &object) const
{
    for (const auto &helper : m_helpers)
        if (helper->group()->indexForObject(object) != NotFound)
            return helper->group();
    return nullptr;
}

void SRScopeBar::resetSelectionForGroup_(SRScopeBarGroup &group)
{
    // Indexes past the objects (the objects became fewer) select nothing: they go, in
    // every style, so that no object the user never chose is selected when the
    // objects grow back. A group whose objects come from nowhere yet keeps them.
    const auto selection = group.selectionIndexes();
    const qsizetype count = group.numberOfObjects();
    SRScopeBarGroup::IndexSet repaired = selection;
    if (group.hasSourceOfObjects())
        repaired.erase(repaired.lower_bound(count), repaired.end());
    if (group.groupSelectionStyle() == 0) {
        if (repaired.empty()) {
            for (qsizetype i = 0; i < count; ++i) {
                if (!m_delegateImplementsShouldSelect || delegateShouldSelectObject(group.objectAtIndex(i))) {
                    repaired = {i};
                    break;
                }
            }
        } else if (repaired.size() > 1) {
            repaired = {*repaired.begin()};
        }
    }
    if (repaired != selection)
        group.setSelectionIndexes(repaired);
}

// ---- Look ----

std::unique_ptr<platform::ButtonCell> SRScopeBar::buttonCell() const
{
    return std::unique_ptr<platform::ButtonCell>(static_cast<platform::ButtonCell *>(m_buttonCell->clone().release()));
}

void SRScopeBar::setButtonCell(const platform::ButtonCell &cell)
{
    if (&cell == m_buttonCell.get())
        return;
    m_buttonCell.reset(static_cast<platform::ButtonCell *>(cell.clone().release()));
    adjustSubviews();
}

std::unique_ptr<platform::PopUpButtonCell> SRScopeBar::popUpButtonCell() const
{
    return std::unique_ptr<platform::PopUpButtonCell>(
        static_cast<platform::PopUpButtonCell *>(m_popUpCell->clone().release()));
}

void SRScopeBar::setPopUpButtonCell(const platform::PopUpButtonCell &cell)
{
    if (&cell == m_popUpCell.get())
        return;
    m_popUpCell.reset(static_cast<platform::PopUpButtonCell *>(cell.clone().release()));
    m_popUpCell->setAction("popUpMenuItemSelected:");
    adjustSubviews();
}

void SRScopeBar::setOverflowPullDownCell(const platform::PopUpButtonCell &cell)
{
    if (&cell == m_overflowCell.get())
        return;
    m_overflowCell.reset(static_cast<platform::PopUpButtonCell *>(cell.clone().release()));
    m_overflowCell->setTarget(this);
    m_overflowCell->setAction("overflowPullDownItemSelected:");
    connectOverflowMenu();
    adjustSubviews();
}

void SRScopeBar::connectOverflowMenu()
{
    QObject::connect(m_overflowCell->menu(), &QMenu::triggered, this,
                     platform::ExceptionBoundary::guarded(this, "the overflow menu", [this](QAction *action) {
                         overflowPullDownItemSelected(action->data());
                     }));
}

void SRScopeBar::setAccessoryView(QWidget *view)
{
    if (view == m_accessoryView)
        return;
    // The views leave the bar, hidden and without parent; their owner decides when they go.
    for (QWidget *child : findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (child->isWindow())
            continue;
        child->hide();
        child->setParent(nullptr);
    }
    m_accessoryView = view;
    if (view) {
        view->setParent(this);
        view->show();
    }
    adjustSubviews();
}

void SRScopeBar::setMinimumButtonWidth(unsigned width)
{
    m_minimumButtonWidth = width;
    reloadData();
}

void SRScopeBar::setMinimumPopUpWidth(unsigned width)
{
    m_minimumPopUpWidth = width;
    reloadData();
}

void SRScopeBar::setIntercellSpacing(unsigned spacing)
{
    m_intercellSpacing = spacing;
    reloadData();
}

void SRScopeBar::setFormatter(std::shared_ptr<platform::Formatter> formatter)
{
    if (formatter == m_formatter)
        return;
    m_formatter = std::move(formatter);
    reloadData();
}

void SRScopeBar::setBackgroundGradient(const platform::Gradient &gradient)
{
    m_backgroundGradient = gradient;
    adjustSubviews();
}

void SRScopeBar::setBackgroundTopColor(const QColor &color)
{
    m_backgroundGradient = platform::Gradient(backgroundBottomColor(), color);
    adjustSubviews();
}

void SRScopeBar::setBackgroundBottomColor(const QColor &color)
{
    m_backgroundGradient = platform::Gradient(color, backgroundTopColor());
    adjustSubviews();
}

bool SRScopeBar::superviewIsFlipped() const
{
    bool flipped = false;
    if (QWidget *parent = parentWidget())
        platform::askDelegate(parent, "isFlipped", &flipped);
    return flipped;
}

// ---- Prepared cells ----

QString SRScopeBar::titleForObjectValue(const QVariant &value) const
{
    if (m_formatter)
        return m_formatter->stringForObjectValue(value);
    return value.toString();
}

std::unique_ptr<platform::ButtonCell> SRScopeBar::preparedButtonCellForGroup(qsizetype group, qsizetype object) const
{
    if (group < 0 || group >= numberOfGroups())
        raiseRange("SRScopeBar:preparedButtonCellForGroup:object: groupIndex invalid");
    const auto &model = m_helpers.at(size_t(group))->group();
    if (object < 0 || object >= model->numberOfObjects())
        raiseRange("SRScopeBar:preparedButtonCellForGroup:object: objectIndex invalid");
    if (!model->usesBindings())
        return preparedDataSourceCellForGroup_(group, object);
    auto cell = buttonCell();
    cell->setTitle(titleForObjectValue(model->boundElement(SRScopeBarGroup::ContentBinding, object)));
    if (platform::infoForBinding(static_cast<const platform::KeyValueObservable *>(model.get()),
                                 SRScopeBarGroup::ContentValuesBinding))
        cell->setTitle(model->boundElement(SRScopeBarGroup::ContentValuesBinding, object).toString());
    if (platform::infoForBinding(static_cast<const platform::KeyValueObservable *>(model.get()),
                                 SRScopeBarGroup::ImageBinding))
        cell->setImage(platform::CellItemDelegate::iconFromVariant(model->boundElement(SRScopeBarGroup::ImageBinding, object)));
    cell->setState(model->selectionIndexes().count(object) ? platform::Cell::State::On : platform::Cell::State::Off);
    return cell;
}

std::unique_ptr<platform::ButtonCell> SRScopeBar::preparedDataSourceCellForGroup_(qsizetype group,
                                                                                  qsizetype object) const
{
    auto cell = buttonCell();
    if (!m_dataSource)
        return cell; // an empty button: the group has no objects anyway
    QVariant value;
    platform::askDelegate(m_dataSource.data(), "scopeBarValueForObjectInGroupAtIndex", &value,
                          const_cast<SRScopeBar *>(this), int(group), int(object));
    cell->setTitle(titleForObjectValue(value));
    const auto &model = m_helpers.at(size_t(group))->group();
    cell->setState(model->selectionIndexes().count(object) ? platform::Cell::State::On : platform::Cell::State::Off);
    QIcon image;
    if (m_dataSourceImplementsImage)
        platform::askDelegate(m_dataSource.data(), "scopeBarImageForObjectInGroupAtIndex", &image,
                              const_cast<SRScopeBar *>(this), int(group), int(object));
    cell->setImage(image);
    return cell;
}

std::unique_ptr<SRPopUpButtonCell> SRScopeBar::preparedPopUpCellForGroup(qsizetype group) const
{
    if (group < 0 || group >= numberOfGroups())
        raiseRange("SRScopeBar:preparedPopUpCellForGroup: groupIndex invalid");
    std::unique_ptr<SRPopUpButtonCell> cell(dynamic_cast<SRPopUpButtonCell *>(m_popUpCell->clone().release()));
    if (!cell)
        cell = std::make_unique<SRPopUpButtonCell>();
    const auto &model = m_helpers.at(size_t(group))->group();
    // Only indexes of existing objects count: a stale selection must not throw here.
    const qsizetype count = model->numberOfObjects();
    std::vector<qsizetype> selected;
    for (qsizetype index : model->selectionIndexes())
        if (index < count)
            selected.push_back(index);
    if (selected.size() >= 2) {
        cell->setMenuItem(model->multipleSelectionPlaceholder(), QIcon());
        cell->setShowsBorderOnlyWhileMouseInside(false);
    } else if (selected.empty()) {
        cell->setMenuItem(model->noSelectionPlaceholder(), QIcon());
        cell->setShowsBorderOnlyWhileMouseInside(true);
    } else {
        cell->setShowsBorderOnlyWhileMouseInside(false);
        const auto button = preparedButtonCellForGroup(group, selected.front());
        cell->setMenuItem(button->title().isNull() ? QStringLiteral("") : button->title(), button->image());
    }
    return cell;
}

std::shared_ptr<SRScopeBarCoding> SRScopeBar::codingObject() const
{
    if (!m_coding)
        m_coding = std::make_shared<SRScopeBarCoding>(const_cast<SRScopeBar *>(this));
    return m_coding;
}
