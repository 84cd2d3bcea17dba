#include "NTXAppKit/inspector/NTXTextViewInspectorTokenListFieldItem.h"

#include "NTXAppKit/inspector/NTXTextViewInspectorTokenListField.h"
#include "platform/drawing/Cell.h"
#include "platform/drawing/TokenField.h"
#include "platform/foundation/ExceptionBoundary.h"


namespace {

const QString ValueBinding = QStringLiteral("value");
const QString LabelBinding = QStringLiteral("selectedRepresentedObjectOfLabel");

QStringList tokensOf(const QVariant &value)
{
    if (platform::isListValue(value)) {
        QStringList tokens;
        for (const QVariant &element : value.toList())
            if (element.metaType() == QMetaType::fromType<QString>())
                tokens.append(element.toString());
        return tokens;
    }
    if (value.metaType() == QMetaType::fromType<QString>())
        return {value.toString()};
    return {};
}

} // namespace

NTXTextViewInspectorTokenListFieldItem::NTXTextViewInspectorTokenListFieldItem(const QString &identifier,
                                                                               const QString &placeholder,
                                                                               const NTXTextViewInspectorFieldLabelPtr &label)
    : NTXTextViewInspectorViewField(identifier, placeholder, label)
{
    setView(viewForField(this));
    setViewWidthShouldBeAdjusted(true);
    setEditable(true);
    setPlaceholder(placeholder);
}

NTXTextViewInspectorTokenListFieldItem::~NTXTextViewInspectorTokenListFieldItem() = default;

QWidget *NTXTextViewInspectorTokenListFieldItem::viewForField(NTXTextViewInspectorTokenListFieldItem *field)
{
    auto *tokens = new platform::TokenField;
    tokens->setGeometry(0, 0, 233, 17);
    tokens->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    tokens->setFrame(false);
    tokens->setFont(platform::Cell::systemFontForControlSize(platform::Cell::ControlSize::Small));
    QObject::connect(tokens, &QLineEdit::textEdited, field,
        platform::ExceptionBoundary::guarded(field, "textEdited", [field] { field->m_edited = true; }));
    QObject::connect(tokens, &platform::TokenField::lineBreakTyped, field,
        platform::ExceptionBoundary::guarded(field, "lineBreakTyped", [field] { field->tokenFieldReported(true); }));
    QObject::connect(tokens, &QLineEdit::editingFinished, field,
        platform::ExceptionBoundary::guarded(field, "editingFinished", [field] { field->tokenFieldReported(false); }));
    return tokens;
}

std::shared_ptr<NTXTextViewInspectorField> NTXTextViewInspectorTokenListFieldItem::copy() const
{
    auto copied = std::make_shared<NTXTextViewInspectorTokenListFieldItem>(identifier(), placeholder(), copiedLabel());
    copyViewStateTo(*copied);
    return copied;
}

platform::TokenField *NTXTextViewInspectorTokenListFieldItem::tokenField() const
{
    return qobject_cast<platform::TokenField *>(view());
}

NTXTextViewInspectorTokenListField *NTXTextViewInspectorTokenListFieldItem::tokenListField() const
{
    return qobject_cast<NTXTextViewInspectorTokenListField *>(compoundField());
}

void NTXTextViewInspectorTokenListFieldItem::tokenFieldReported(bool lineBreak)
{
    const bool endEditing = std::exchange(m_edited, false);
    if (!lineBreak && !endEditing)
        return;
    auto *list = qobject_cast<NTXTextViewInspectorTokenListField *>(delegate());
    if (!list)
        return;
    QPointer<platform::TokenField> tokens = tokenField();
    QPointer<NTXTextViewInspectorTokenListField> listAlive = list;
    QMetaObject::invokeMethod(list, platform::ExceptionBoundary::guarded(list, "a queued call", [listAlive, tokens, lineBreak, endEditing] {
        if (!listAlive || !tokens)
            return;
        if (lineBreak)
            listAlive->controlTextDidChange(tokens, endEditing);
        else
            listAlive->controlTextShouldEndEditing(tokens);
    }), Qt::QueuedConnection);
}

void NTXTextViewInspectorTokenListFieldItem::bind(const QString &binding, platform::KeyValueObservable *observed,
                                                  const QString &keyPath, const QVariantMap &options)
{
    NTXTextViewInspectorViewField::bind(binding, observed, keyPath, options);
    if (binding != ValueBinding || !observed)
        return;
    m_observed = observed;
    m_boundObjectLifetime = observed->lifetime();
    const NTXTextViewInspectorTokenListField *list = tokenListField();
    if (list && !list->modelKeyPathForValue().isEmpty())
        m_tokenObserver = std::make_unique<platform::BindingObserver>(observed, list->modelKeyPathForValue(),
                                                                      [this] { showTokens(); });
    if (list && !list->modelKeyPathForLabel().isEmpty())
        NTXTextViewInspectorViewField::bind(LabelBinding, observed, list->modelKeyPathForLabel());
    showTokens();
}

void NTXTextViewInspectorTokenListFieldItem::unbind(const QString &binding)
{
    if (binding == ValueBinding) {
        m_tokenObserver.reset();
        m_observed = nullptr;
        m_boundObjectLifetime.reset();
        NTXTextViewInspectorViewField::unbind(LabelBinding);
    }
    NTXTextViewInspectorViewField::unbind(binding);
}

void NTXTextViewInspectorTokenListFieldItem::setValue(const QVariant &value)
{
    NTXTextViewInspectorViewField::setValue(value);
    showTokens();
}

void NTXTextViewInspectorTokenListFieldItem::showTokens()
{
    platform::TokenField *tokens = tokenField();
    if (!tokens)
        return;
    const NTXTextViewInspectorTokenListField *list = tokenListField();
    QVariant shown = value();
    if (m_observed && !m_boundObjectLifetime.expired() && list && !list->modelKeyPathForValue().isEmpty())
        shown = m_observed->valueForKeyPath(list->modelKeyPathForValue());
    tokens->setTokens(tokensOf(shown));
}

void NTXTextViewInspectorTokenListFieldItem::setEditable(bool editable)
{
    NTXTextViewInspectorViewField::setEditable(editable);
    if (platform::TokenField *tokens = tokenField())
        tokens->setReadOnly(!editable);
}

void NTXTextViewInspectorTokenListFieldItem::setPlaceholder(const QString &placeholder)
{
    NTXTextViewInspectorViewField::setPlaceholder(placeholder);
    if (platform::TokenField *tokens = tokenField())
        tokens->setPlaceholderText(placeholder);
}

QString NTXTextViewInspectorTokenListFieldItem::notEditableReplacementString() const
{
    const QString replacement = NTXTextViewInspectorViewField::notEditableReplacementString();
    if (!replacement.isNull())
        return replacement;
    if (!value().isValid())
        return QString();
    const platform::TokenField *tokens = tokenField();
    return tokens ? tokens->text() : QString();
}
