#include "NTXAppKit/inspector/NTXTextViewInspectorColorField.h"

#include "platform/drawing/ColorWell.h"

namespace {

bool isColor(const QVariant &value)
{
    return value.metaType() == QMetaType::fromType<QColor>();
}

} // namespace

NTXTextViewInspectorColorField::NTXTextViewInspectorColorField(const QString &identifier, const QString &placeholder,
                                                               const NTXTextViewInspectorFieldLabelPtr &label)
    : NTXTextViewInspectorViewField(identifier, placeholder, label)
{
    setView(viewForField(this));
}

QWidget *NTXTextViewInspectorColorField::viewForField(NTXTextViewInspectorColorField *field)
{
    auto *well = new platform::ColorWell;
    well->setGeometry(0, 0, 100, 24);
    well->setTarget(field);
    well->setAction("colorWellChanged:");
    return well;
}

std::shared_ptr<NTXTextViewInspectorField> NTXTextViewInspectorColorField::copy() const
{
    auto copied = std::make_shared<NTXTextViewInspectorColorField>(identifier(), placeholder(), copiedLabel());
    copyViewStateTo(*copied);
    return copied;
}

platform::ColorWell *NTXTextViewInspectorColorField::colorWell() const
{
    return qobject_cast<platform::ColorWell *>(view());
}

void NTXTextViewInspectorColorField::setValue(const QVariant &value)
{
    if (platform::ColorWell *well = colorWell()) {
        QColor shown(Qt::black);
        if (isColor(value)) {
            shown = value.value<QColor>();
        } else if (platform::isListValue(value)) {
            const QVariantList elements = distinctElements(value.toList());
            shown = elements.size() == 1 && isColor(elements.constFirst()) ? elements.constFirst().value<QColor>()
                                                                            : QColor();
        }
        well->setColor(shown);
    }
    NTXTextViewInspectorViewField::setValue(value);
}

void NTXTextViewInspectorColorField::colorWellChanged(QObject *)
{
    const platform::ColorWell *well = colorWell();
    if (!well)
        return;
    const QVariant written = well->color().isValid() ? QVariant(well->color()) : QVariant();
    setValue(written);
    propagate(written, QStringLiteral("value"));
}
