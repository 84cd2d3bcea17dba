// Keyed archives of scope bars and their groups.
#include "components/scopebar/SRScopeBar.h"
#include "components/scopebar/SRScopeBarCoding.h"

#include "platform/archive/Coder.h"
#include "platform/foundation/Exception.h"

#include <limits>

namespace {
// The most colour stops an archived background gradient may hold.
constexpr qsizetype MaximumGradientStops = 256;

QString barKey(const char *name)
{
    return QStringLiteral("SRScopeBar ") + QLatin1String(name);
}

QString groupKey(const char *name)
{
    return QStringLiteral("SRScopeBarGroup ") + QLatin1String(name);
}

// The cell as an archived object of its class; none for a class that cannot be archived.
QVariant cellValue(const platform::Cell &cell)
{
    std::shared_ptr<platform::Cell> copy = cell.clone();
    return platform::Coder::objectValue(std::dynamic_pointer_cast<platform::Coding>(copy));
}

// The object under the key as a T; none when missing, and a failed coder when it
// is of another class.
template <class T> std::shared_ptr<T> decodeAs(platform::Coder &coder, const QString &key)
{
    const QVariant value = coder.decodeObject(key);
    if (!value.isValid())
        return nullptr;
    auto object = std::dynamic_pointer_cast<T>(platform::Coder::objectFromValue(value));
    if (!object)
        coder.failWithError(QStringLiteral("wrong kind of object under \"%1\"").arg(key));
    return object;
}

unsigned decodeUnsigned(platform::Coder &coder, const QString &key)
{
    const QVariant value = coder.decodeObject(key);
    if (!value.isValid())
        return 0;
    const bool integer = value.typeId() == QMetaType::LongLong || value.typeId() == QMetaType::Int;
    if (!integer || value.toLongLong() < 0 || value.toLongLong() > std::numeric_limits<unsigned>::max()) {
        coder.failWithError(QStringLiteral("\"%1\" is not an unsigned integer").arg(key));
        return 0;
    }
    return unsigned(value.toLongLong());
}

QVariant gradientValue(const platform::Gradient &gradient)
{
    QVariantList stops;
    for (const auto &stop : gradient.stops())
        stops.append(QVariant(QVariantList{stop.first, stop.second}));
    return stops;
}

std::optional<platform::Gradient> decodeGradient(platform::Coder &coder, const QString &key)
{
    const QVariant value = coder.decodeObject(key);
    if (!value.isValid())
        return std::nullopt;
    const QVariantList list = value.toList();
    QList<platform::Gradient::Stop> stops;
    bool good = value.typeId() == QMetaType::QVariantList && list.size() <= MaximumGradientStops;
    for (qsizetype i = 0; good && i < list.size(); ++i) {
        const QVariantList pair = list.at(i).toList();
        good = list.at(i).typeId() == QMetaType::QVariantList && pair.size() == 2
            && pair.at(0).typeId() == QMetaType::Double && pair.at(1).typeId() == QMetaType::QColor;
        if (good)
            stops.append({pair.at(0).toDouble(), pair.at(1).value<QColor>()});
    }
    if (!good) {
        coder.failWithError(QStringLiteral("\"%1\" is not a list of colour stops").arg(key));
        return std::nullopt;
    }
    return platform::Gradient(stops);
}

QVariant labelValue(const SRAttributedLabel &label)
{
    QVariantMap map{{QStringLiteral("string"), label.string}};
    if (label.attributes.font)
        map.insert(QStringLiteral("font"), *label.attributes.font);
    if (label.attributes.color)
        map.insert(QStringLiteral("color"), *label.attributes.color);
    return map;
}

std::optional<SRAttributedLabel> decodeLabel(platform::Coder &coder, const QString &key)
{
    const QVariant value = coder.decodeObject(key);
    if (!value.isValid())
        return std::nullopt;
    const QVariantMap map = value.toMap();
    const QVariant string = map.value(QStringLiteral("string"));
    const QVariant font = map.value(QStringLiteral("font"));
    const QVariant color = map.value(QStringLiteral("color"));
    if (value.typeId() != QMetaType::QVariantMap || string.typeId() != QMetaType::QString
        || (font.isValid() && font.typeId() != QMetaType::QFont)
        || (color.isValid() && color.typeId() != QMetaType::QColor)) {
        coder.failWithError(QStringLiteral("\"%1\" is not an attributed label").arg(key));
        return std::nullopt;
    }
    SRAttributedLabel label{string.toString(), {}};
    if (font.isValid())
        label.attributes.font = font.value<QFont>();
    if (color.isValid())
        label.attributes.color = color.value<QColor>();
    return label;
}

std::optional<QString> decodeOptionalString(platform::Coder &coder, const QString &key)
{
    if (!coder.containsValueForKey(key))
        return std::nullopt;
    const QVariant value = coder.decodeObject(key);
    if (!value.isValid())
        return std::nullopt;
    if (value.typeId() != QMetaType::QString) {
        coder.failWithError(QStringLiteral("\"%1\" is not a string").arg(key));
        return std::nullopt;
    }
    return value.toString();
}
} // namespace

// ---- The bar ----

void SRScopeBar::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    // Delegate and data source are QObjects, which no archive holds: written as
    // references that read back as none, for the owner to set again.
    coder.encodeConditionalObject(platform::CodingPtr(), barKey("delegate"));
    coder.encodeConditionalObject(platform::CodingPtr(), barKey("dataSource"));
    QVariantList groupList;
    for (const auto &group : groups())
        groupList.append(platform::Coder::objectValue(group));
    coder.encodeObject(QVariant(groupList), barKey("groups"));
    coder.encodeObject(cellValue(*m_buttonCell), barKey("buttonCell"));
    coder.encodeObject(cellValue(*m_popUpCell), barKey("popUpButtonCell"));
    coder.encodeObject(cellValue(*m_overflowCell), barKey("overfloPullDownCell"));
    coder.encodeObject(QVariant(qlonglong(m_minimumButtonWidth)), barKey("minimumButtonWidth"));
    coder.encodeObject(QVariant(qlonglong(m_minimumPopUpWidth)), barKey("minimumPopUpWidth"));
    coder.encodeObject(QVariant(qlonglong(m_intercellSpacing)), barKey("intercellSpacing"));
    // No widget class is archivable as an object: the accessory view is written as none.
    coder.encodeObject(QVariant(), barKey("accessoryView"));
    coder.encodeObject(gradientValue(m_backgroundGradient), barKey("backgroundGradient"));
    coder.encodeObject(m_borderColor.isValid() ? QVariant(m_borderColor) : QVariant(), barKey("borderColor"));
    coder.encodeObject(m_separatorColor.isValid() ? QVariant(m_separatorColor) : QVariant(), barKey("separatorColor"));
    coder.encodeObject(m_labelColor.isValid() ? QVariant(m_labelColor) : QVariant(), barKey("labelColor"));
    coder.encodeObject(QVariant(m_autoResizesGroups), barKey("autoResizesGroups"));
    coder.encodeObject(platform::Coder::objectValue(std::dynamic_pointer_cast<platform::Coding>(m_formatter)),
                       barKey("formatter"));
    coder.encodeObject(QVariant(m_ibInitialized), barKey("ibInitialized"));
}

bool SRScopeBar::readFromCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    const QVariant groupsValue = coder.decodeObject(barKey("groups"));
    QList<platform::CodingPtr> groupObjects;
    if (groupsValue.isValid()) {
        if (groupsValue.typeId() != QMetaType::QVariantList)
            coder.failWithError(QStringLiteral("\"SRScopeBar groups\" is not a list"));
        for (const QVariant &element : groupsValue.toList())
            groupObjects.append(platform::Coder::objectFromValue(element));
    }
    const auto button = decodeAs<platform::ButtonCell>(coder, barKey("buttonCell"));
    const auto popUp = decodeAs<platform::PopUpButtonCell>(coder, barKey("popUpButtonCell"));
    const auto overflow = decodeAs<platform::PopUpButtonCell>(coder, barKey("overfloPullDownCell"));
    const unsigned minimumButton = decodeUnsigned(coder, barKey("minimumButtonWidth"));
    const unsigned minimumPopUp = decodeUnsigned(coder, barKey("minimumPopUpWidth"));
    const unsigned spacing = decodeUnsigned(coder, barKey("intercellSpacing"));
    const auto formatter = decodeAs<platform::Formatter>(coder, barKey("formatter"));
    if (coder.decodeObject(barKey("accessoryView")).isValid())
        coder.failWithError(QStringLiteral("\"SRScopeBar accessoryView\" holds no view"));
    const auto gradient = decodeGradient(coder, barKey("backgroundGradient"));
    const QColor border = coder.decodeObject<QColor>(barKey("borderColor"));
    const QColor separator = coder.decodeObject<QColor>(barKey("separatorColor"));
    const QColor label = coder.decodeObject<QColor>(barKey("labelColor"));
    const bool autoResizes = coder.decodeObject<bool>(barKey("autoResizesGroups"));
    const bool ibInitialized = coder.decodeObject<bool>(barKey("ibInitialized"));
    if (coder.failed())
        return false;
    try {
        setGroupObjects(groupObjects);
    } catch (const platform::Exception &exception) {
        coder.failWithError(exception.reason());
        return false;
    }
    if (button)
        setButtonCell(*button);
    if (popUp)
        setPopUpButtonCell(*popUp);
    if (overflow) {
        // Item images are not archived: the image item gets the bar's picture again.
        std::unique_ptr<platform::Cell> copy = overflow->clone();
        auto *cell = static_cast<platform::PopUpButtonCell *>(copy.get());
        if (cell->numberOfItems() == 0)
            cell->addItemWithTitle(QString());
        cell->itemAtIndex(0)->setIcon(overflowImage());
        setOverflowPullDownCell(*cell);
    }
    setMinimumButtonWidth(minimumButton);
    setMinimumPopUpWidth(minimumPopUp);
    setIntercellSpacing(spacing);
    setFormatter(formatter);
    if (gradient)
        setBackgroundGradient(*gradient);
    setBorderColor(border);
    setSeparatorColor(separator);
    setLabelColor(label);
    setAutoResizesGroups(autoResizes);
    m_ibInitialized = ibInitialized;
    return true;
}

// ---- The group ----

void SRScopeBarGroup::encodeWithCoder(platform::Coder &coder) const
{
    if (!coder.allowsKeyedCoding())
        return;
    coder.encodeObject(m_identifier.isNull() ? QVariant() : QVariant(m_identifier), groupKey("identifier"));
    coder.encodeObject(m_label.isNull() ? QVariant() : QVariant(m_label), groupKey("label"));
    coder.encodeObject(m_attributedLabel ? labelValue(*m_attributedLabel) : QVariant(), groupKey("attributedLabel"));
    coder.encodeInt32(m_selectionStyle, groupKey("groupSelectionStyle"));
    coder.encodeBool(m_showsSeparator, groupKey("showsSeparator"));
    coder.encodeBool(m_showsLabel, groupKey("showsLabel"));
    coder.encodeObject(QVariant::fromValue(m_selection), groupKey("selectionIndexes"));
    coder.encodeConditionalObject(m_scopeBar ? m_scopeBar->codingObject() : nullptr, groupKey("scopeBar"));
    coder.encodeObject(m_multiplePlaceholder ? QVariant(*m_multiplePlaceholder) : QVariant(),
                       groupKey("multipleSelectionPlaceholder"));
    coder.encodeObject(m_noSelectionPlaceholder ? QVariant(*m_noSelectionPlaceholder) : QVariant(),
                       groupKey("noSelectionPlaceholder"));
}

bool SRScopeBarGroup::initWithCoder(platform::Coder &coder)
{
    if (!coder.allowsKeyedCoding())
        return false;
    const QString identifier = coder.decodeObject<QString>(groupKey("identifier"));
    const QString label = coder.decodeObject<QString>(groupKey("label"));
    const auto attributedLabel = decodeLabel(coder, groupKey("attributedLabel"));
    const qint32 style = coder.decodeInt32(groupKey("groupSelectionStyle"));
    const bool showsSeparator = coder.decodeBool(groupKey("showsSeparator"));
    const bool showsLabel = coder.decodeBool(groupKey("showsLabel"));
    const auto bar = decodeAs<SRScopeBarCoding>(coder, groupKey("scopeBar"));
    const IndexSet selection = coder.decodeObject<IndexSet>(groupKey("selectionIndexes"));
    const auto multiple = decodeOptionalString(coder, groupKey("multipleSelectionPlaceholder"));
    const auto none = decodeOptionalString(coder, groupKey("noSelectionPlaceholder"));
    if (coder.failed())
        return false;
    setIdentifier(identifier);
    setLabel(label);
    setAttributedLabel(attributedLabel);
    setGroupSelectionStyle(style);
    setShowsSeparator(showsSeparator);
    setShowsLabel(showsLabel);
    setScopeBar(bar ? bar->bar() : nullptr);
    setSelectionIndexes(selection);
    setMultipleSelectionPlaceholder(multiple);
    setNoSelectionPlaceholder(none);
    return true;
}
