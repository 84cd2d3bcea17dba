#include "NTXAppKit/inspector/NTXTextViewInspectorRatingField.h"

#include "platform/drawing/LevelIndicator.h"
#include "platform/foundation/VariantNumber.h"

#include <cmath>

namespace {

// A number as the unsigned level it stands for (negative and not-a-number: 0).
int levelOf(const QVariant &number)
{
    const double value = number.toDouble();
    if (!(value > 0))
        return 0;
    return value >= 5 ? 5 : int(std::floor(value));
}

} // namespace

NTXTextViewInspectorRatingField::NTXTextViewInspectorRatingField(const QString &identifier, const QString &placeholder,
                                                                 const NTXTextViewInspectorFieldLabelPtr &label)
    : NTXTextViewInspectorViewField(identifier, placeholder, label)
{
    setView(viewForField(this));
    setViewShouldAlwaysBeVisible(true);
    setEditable(true);
}

QWidget *NTXTextViewInspectorRatingField::viewForField(NTXTextViewInspectorRatingField *field)
{
    auto *indicator = new platform::LevelIndicator;
    indicator->setGeometry(0, 0, 96, 14);
    indicator->setBounds(0, 5);
    indicator->setEditable(true);
    indicator->setTarget(field);
    indicator->setAction("ratingChanged:");
    return indicator;
}

std::shared_ptr<NTXTextViewInspectorField> NTXTextViewInspectorRatingField::copy() const
{
    auto copied = std::make_shared<NTXTextViewInspectorRatingField>(identifier(), placeholder(), copiedLabel());
    copyViewStateTo(*copied);
    return copied;
}

platform::LevelIndicator *NTXTextViewInspectorRatingField::levelIndicator() const
{
    return qobject_cast<platform::LevelIndicator *>(view());
}

void NTXTextViewInspectorRatingField::setValue(const QVariant &value)
{
    if (platform::LevelIndicator *indicator = levelIndicator()) {
        if (platform::isNumber(value)) {
            indicator->setLevel(levelOf(value));
        } else if (platform::isListValue(value)) {
            const QVariantList elements = distinctElements(value.toList());
            indicator->setLevel(elements.size() == 1 && platform::isNumber(elements.constFirst())
                                    ? levelOf(elements.constFirst())
                                    : 0);
        }
    }
    NTXTextViewInspectorViewField::setValue(value);
}

void NTXTextViewInspectorRatingField::setEditable(bool editable)
{
    if (platform::LevelIndicator *indicator = levelIndicator())
        indicator->setEditable(editable);
    NTXTextViewInspectorViewField::setEditable(editable);
}

void NTXTextViewInspectorRatingField::ratingChanged(QObject *)
{
    const platform::LevelIndicator *indicator = levelIndicator();
    if (!indicator)
        return;
    const QVariant written = indicator->level();
    setValue(written);
    propagate(written, QStringLiteral("value"));
}
