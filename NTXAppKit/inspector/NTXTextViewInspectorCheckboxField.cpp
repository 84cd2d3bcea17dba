#include "NTXAppKit/inspector/NTXTextViewInspectorCheckboxField.h"

#include "platform/drawing/ButtonCell.h"
#include "platform/drawing/Control.h"
#include "platform/foundation/Bundle.h"
#include "platform/foundation/VariantNumber.h"

using platform::Cell;

NTXTextViewInspectorCheckboxField::NTXTextViewInspectorCheckboxField(const QString &identifier,
                                                                     const QString &placeholder,
                                                                     const NTXTextViewInspectorFieldLabelPtr &label)
    : NTXTextViewInspectorViewField(identifier, placeholder, label)
{
    setView(viewForField(this));
    setViewWidthShouldBeAdjusted(true);
}

QWidget *NTXTextViewInspectorCheckboxField::viewForField(NTXTextViewInspectorCheckboxField *field)
{
    auto cell = std::make_unique<platform::ButtonCell>(QString(), platform::ButtonCell::ButtonType::Switch);
    cell->setControlSize(Cell::ControlSize::Small);
    auto *button = new platform::Control(std::move(cell));
    button->setGeometry(0, 0, 126, 21);
    button->setTarget(field);
    button->setAction("checkboxStateChanged:");
    return button;
}

std::shared_ptr<NTXTextViewInspectorField> NTXTextViewInspectorCheckboxField::copy() const
{
    auto copied = std::make_shared<NTXTextViewInspectorCheckboxField>(identifier(), placeholder(), copiedLabel());
    copyViewStateTo(*copied);
    return copied;
}

platform::Control *NTXTextViewInspectorCheckboxField::button() const
{
    return qobject_cast<platform::Control *>(view());
}

void NTXTextViewInspectorCheckboxField::setValue(const QVariant &value)
{
    if (platform::Control *box = button()) {
        box->cell()->setAllowsMixedState(false);
        box->setEnabled(value.isValid());
        const auto stateOf = [this](const QVariant &number) { return number == m_ONValue ? Cell::State::On : Cell::State::Off; };
        if (platform::isListValue(value)) {
            const QVariantList elements = distinctElements(value.toList());
            if (elements.size() >= 2) {
                box->cell()->setAllowsMixedState(true);
                box->setState(Cell::State::Mixed);
            } else if (elements.size() == 1) {
                box->setState(stateOf(elements.constFirst()));
            } else {
                box->setState(Cell::State::Off);
                box->setEnabled(false);
            }
        } else if (platform::isNumber(value)) {
            box->setState(stateOf(value));
        }
    }
    NTXTextViewInspectorViewField::setValue(value);
}

QString NTXTextViewInspectorCheckboxField::notEditableReplacementString() const
{
    const QString replacement = NTXTextViewInspectorViewField::notEditableReplacementString();
    if (!replacement.isNull())
        return replacement;
    const platform::Control *box = button();
    if (!box)
        return QString();
    switch (box->state()) {
    case Cell::State::Mixed:
        return platform::Bundle::mainBundle().localizedString(QStringLiteral("MultipleValues"));
    case Cell::State::On:
        return platform::Bundle::mainBundle().localizedString(QStringLiteral("YES"));
    case Cell::State::Off:
        break;
    }
    return QString();
}

void NTXTextViewInspectorCheckboxField::checkboxStateChanged(QObject *)
{
    platform::Control *box = button();
    if (!box)
        return;
    box->cell()->setAllowsMixedState(false);
    const QVariant written = box->state() == Cell::State::On ? m_ONValue : QVariant(0);
    setValue(written);
    propagate(written, QStringLiteral("value"));
}
