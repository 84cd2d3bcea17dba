#include "NTXAppKit/inspector/NTXTextViewInspectorSmallButtonField.h"

#include "platform/drawing/ButtonCell.h"
#include "platform/drawing/Control.h"

NTXTextViewInspectorSmallButtonField::NTXTextViewInspectorSmallButtonField(const QString &identifier,
                                                                           const QString &placeholder,
                                                                           const NTXTextViewInspectorFieldLabelPtr &label)
    : NTXTextViewInspectorViewField(identifier, placeholder, label)
{
    setView(viewForField(this));
}

QWidget *NTXTextViewInspectorSmallButtonField::viewForField(NTXTextViewInspectorSmallButtonField *)
{
    auto cell = std::make_unique<platform::ButtonCell>(QString(), platform::ButtonCell::ButtonType::MomentaryPushIn);
    cell->setBezelStyle(platform::ButtonCell::BezelStyle::RegularSquare);
    cell->setImagePosition(platform::Cell::ImagePosition::ImageOnly);
    cell->setBordered(false);
    cell->setControlSize(platform::Cell::ControlSize::Regular);
    auto *button = new platform::Control(std::move(cell));
    button->setFixedSize(14, 18);
    return button;
}

std::shared_ptr<NTXTextViewInspectorField> NTXTextViewInspectorSmallButtonField::copy() const
{
    auto copied = std::make_shared<NTXTextViewInspectorSmallButtonField>(identifier(), placeholder(), copiedLabel());
    copyViewStateTo(*copied);
    return copied;
}

platform::Control *NTXTextViewInspectorSmallButtonField::button() const
{
    return qobject_cast<platform::Control *>(view());
}

void NTXTextViewInspectorSmallButtonField::setImage(const QIcon &image)
{
    if (platform::Control *control = button()) {
        control->cell()->setImage(image);
        control->update();
    }
}

void NTXTextViewInspectorSmallButtonField::setTarget(QObject *target)
{
    if (platform::Control *control = button())
        control->setTarget(target);
}

void NTXTextViewInspectorSmallButtonField::setAction(const QByteArray &action)
{
    if (platform::Control *control = button())
        control->setAction(action);
}
