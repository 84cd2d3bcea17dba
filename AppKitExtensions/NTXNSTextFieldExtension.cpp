#include "AppKitExtensions/NTXNSTextFieldExtension.h"

#include "platform/drawing/Cell.h"

#include <QLabel>
#include <QLineEdit>
#include <QPalette>

namespace NTXNSTextFieldExtension {

namespace {

platform::Cell::ControlSize controlSizeOf(const QWidget *widget)
{
    if (widget->testAttribute(Qt::WA_MacMiniSize))
        return platform::Cell::ControlSize::Mini;
    if (widget->testAttribute(Qt::WA_MacSmallSize))
        return platform::Cell::ControlSize::Small;
    return platform::Cell::ControlSize::Regular;
}

void mark(QWidget *field, const QColor &color)
{
    field->setFont(platform::Cell::systemFontForControlSize(controlSizeOf(field)));
    QPalette palette = field->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Text, color);
        palette.setColor(group, QPalette::WindowText, color);
    }
    field->setPalette(palette);
}

} // namespace

void markTextField(QLineEdit *textField, const QColor &color)
{
    if (!textField || !color.isValid())
        return;
    const Qt::Alignment alignment = textField->alignment();
    mark(textField, color);
    textField->setAlignment(alignment);
}

void markTextField(QLabel *textField, const QColor &color)
{
    if (!textField || !color.isValid())
        return;
    const Qt::Alignment alignment = textField->alignment();
    mark(textField, color);
    textField->setAlignment(alignment);
}

} // namespace NTXNSTextFieldExtension
