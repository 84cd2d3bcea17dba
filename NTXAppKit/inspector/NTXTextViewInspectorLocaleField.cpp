#include "NTXAppKit/inspector/NTXTextViewInspectorLocaleField.h"

#include "NTXAppKit/inspector/NTXTextViewInspectorTextField.h"
#include "platform/drawing/ActionDispatch.h"
#include "platform/drawing/Cell.h"
#include "platform/foundation/Bindings.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QComboBox>

namespace {

const QString LocaleIdentifierKey = QStringLiteral("localeIdentifier");
const QString DisplayNameKey = QStringLiteral("displayName");

QString noSelectionText()
{
    return platform::Bundle::bundleNamed(QStringLiteral("NTXAppKit"))
        .localizedString(QStringLiteral("NTXTextViewInspectorNoSelection"), QStringLiteral("NTXTextViewInspector"));
}

QString identifierOf(const QVariant &locale)
{
    const platform::KeyValueObservable *object = platform::KeyValueObservable::toObservable(locale);
    return object ? object->valueForKey(LocaleIdentifierKey).toString() : QString();
}

bool isString(const QVariant &value)
{
    return value.metaType() == QMetaType::fromType<QString>();
}

} // namespace

NTXTextViewInspectorLocaleField::NTXTextViewInspectorLocaleField(const QString &identifier, const QString &placeholder,
                                                                 const NTXTextViewInspectorFieldLabelPtr &label,
                                                                 const QByteArray &action)
    : NTXTextViewInspectorViewField(identifier, placeholder, label)
{
    auto *popUp = new QComboBox;
    popUp->setGeometry(0, 0, 126, 21);
    popUp->setFont(platform::Cell::systemFontForControlSize(platform::Cell::ControlSize::Small));
    popUp->setFocusPolicy(Qt::StrongFocus);
    setView(popUp);
    setViewWidthShouldBeAdjusted(true);
    m_controller.setAvoidsEmptySelection(false);
    m_controller.addObserver(QStringLiteral("arrangedObjects"), [this](platform::KeyValueObservable &, const QString &, bool prior) {
        if (!prior)
            rebuildItems();
    });
    m_controller.addObserver(QStringLiteral("selectionIndex"), [this](platform::KeyValueObservable &, const QString &, bool prior) {
        if (!prior)
            showSelection();
    });
    connect(popUp, &QComboBox::activated, this, platform::ExceptionBoundary::guarded(this, "activated", [this, action](int index) {
        if (m_updating)
            return;
        m_controller.setSelectionIndex(index);
        platform::sendAction(action.constData(), this, popUpButton());
    }));
}

NTXTextViewInspectorLocaleField::~NTXTextViewInspectorLocaleField() = default;

QComboBox *NTXTextViewInspectorLocaleField::popUpButton() const
{
    return qobject_cast<QComboBox *>(view());
}

void NTXTextViewInspectorLocaleField::setLocaleList(const QVariantList &locales)
{
    announce(localesKey(), [&] { m_locales = locales; });
    if (!platform::infoForBinding(&m_controller, QStringLiteral("contentArray")))
        platform::bindFollowing(&m_controller, QStringLiteral("contentArray"), this, localesKey());
}

void NTXTextViewInspectorLocaleField::copyLocaleStateTo(NTXTextViewInspectorLocaleField &copy) const
{
    copyViewStateTo(copy);
    copy.setLocaleList(m_locales);
}

QVariant NTXTextViewInspectorLocaleField::localeMatching(const QString &code) const
{
    const QString wanted = normalizeCode(code);
    for (auto it = m_locales.crbegin(); it != m_locales.crend(); ++it)
        if (identifierOf(*it) == wanted)
            return *it;
    const QString current = normalizeCode(currentLocaleCode());
    for (const QVariant &locale : m_locales)
        if (identifierOf(locale) == current)
            return locale;
    return m_locales.isEmpty() ? QVariant() : m_locales.constFirst();
}

void NTXTextViewInspectorLocaleField::rebuildItems()
{
    QComboBox *popUp = popUpButton();
    if (!popUp)
        return;
    m_updating = true;
    popUp->clear();
    for (const QVariant &locale : m_controller.arrangedObjects())
        if (const platform::KeyValueObservable *object = platform::KeyValueObservable::toObservable(locale))
            popUp->addItem(object->valueForKey(DisplayNameKey).toString());
    m_updating = false;
    showSelection();
}

void NTXTextViewInspectorLocaleField::showSelection()
{
    QComboBox *popUp = popUpButton();
    if (!popUp)
        return;
    m_updating = true;
    popUp->setCurrentIndex(int(m_controller.selectionIndex()));
    m_updating = false;
}

void NTXTextViewInspectorLocaleField::showPlaceholder(const QString &text, bool enabled)
{
    m_controller.setSelectionIndexes({});
    if (QComboBox *popUp = popUpButton()) {
        popUp->setPlaceholderText(text);
        m_updating = true;
        popUp->setCurrentIndex(-1);
        m_updating = false;
        popUp->setEnabled(enabled);
    }
}

void NTXTextViewInspectorLocaleField::setValue(const QVariant &value)
{
    const auto select = [this](const QVariant &locale) {
        m_controller.setSelectionIndex(m_controller.arrangedObjects().indexOf(locale));
        if (QComboBox *popUp = popUpButton()) {
            popUp->setPlaceholderText(QString());
            popUp->setEnabled(true);
        }
    };
    if (isString(value)) {
        select(localeMatching(value.toString()));
    } else if (platform::isListValue(value)) {
        QVariantList mapped;
        for (const QVariant &element : value.toList())
            mapped.append(isString(element) ? localeMatching(element.toString()) : element);
        if (mapped.size() == 1)
            select(mapped.constFirst());
        else if (mapped.size() > 1)
            showPlaceholder(NTXTextViewInspectorTextField::multipleValuesText(), true);
        else
            showPlaceholder(noSelectionText(), false);
    }
    NTXTextViewInspectorViewField::setValue(value);
}

void NTXTextViewInspectorLocaleField::localeChosen()
{
    const QComboBox *popUp = popUpButton();
    if (!popUp)
        return;
    const QVariantList arranged = m_controller.arrangedObjects();
    const int index = popUp->currentIndex();
    if (index < 0 || index >= arranged.size())
        return;
    const QVariant written = identifierOf(arranged.at(index));
    setValue(written);
    propagate(written, QStringLiteral("value"));
}

QString NTXTextViewInspectorLocaleField::notEditableReplacementString() const
{
    const QString replacement = NTXTextViewInspectorViewField::notEditableReplacementString();
    if (!replacement.isNull())
        return replacement;
    const QComboBox *popUp = popUpButton();
    if (!popUp)
        return QString();
    return popUp->currentIndex() < 0 ? popUp->placeholderText() : popUp->currentText();
}
