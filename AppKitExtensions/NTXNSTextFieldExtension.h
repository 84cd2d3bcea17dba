#pragma once
// Marks a text field in a colour: its text in the colour, in the system font of the
// field's control size (the widget's small or mini size attribute), with its alignment.
#include <QColor>

class QLabel;
class QLineEdit;

namespace NTXNSTextFieldExtension {

void markTextField(QLineEdit *textField, const QColor &color);
void markTextField(QLabel *textField, const QColor &color);

} // namespace NTXNSTextFieldExtension
