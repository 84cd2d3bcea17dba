#include "NTXAppKit/inspector/NTXTextViewInspectorDateField.h"

#include "platform/drawing/Cell.h"
#include "platform/foundation/ExceptionBoundary.h"

#include <QDateEdit>

namespace {

// The date standing for "no date": the editor's minimum, shown as its (empty) special text.
const QDate NoDate(1752, 9, 14);

std::optional<QDateTime> dateTimeOf(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QDateTime>() && value.toDateTime().isValid())
        return value.toDateTime();
    if (value.metaType() == QMetaType::fromType<QDate>() && value.toDate().isValid())
        return value.toDate().startOfDay();
    return std::nullopt;
}

} // namespace

NTXTextViewInspectorDateField::NTXTextViewInspectorDateField(const QString &identifier, const QString &placeholder,
                                                             const NTXTextViewInspectorFieldLabelPtr &label)
    : NTXTextViewInspectorViewField(identifier, placeholder, label)
{
    setView(viewForField(this));
    setEditable(true);
}

QWidget *NTXTextViewInspectorDateField::viewForField(NTXTextViewInspectorDateField *field)
{
    auto *picker = new QDateEdit;
    picker->setGeometry(0, 0, 68, 18);
    picker->setButtonSymbols(QAbstractSpinBox::NoButtons);
    picker->setCalendarPopup(false);
    picker->setFrame(false);
    picker->setFont(platform::Cell::systemFontForControlSize(platform::Cell::ControlSize::Small));
    picker->setMinimumDate(NoDate);
    // A single space: an empty special text would turn the special value off.
    picker->setSpecialValueText(QStringLiteral(" "));
    picker->setDate(NoDate);
    QObject::connect(picker, &QDateEdit::dateChanged, field, platform::ExceptionBoundary::guarded(field, "dateChanged", [field, picker] {
        if (!field->m_updating)
            field->dateChanged(picker);
    }));
    return picker;
}

std::shared_ptr<NTXTextViewInspectorField> NTXTextViewInspectorDateField::copy() const
{
    auto copied = std::make_shared<NTXTextViewInspectorDateField>(identifier(), placeholder(), copiedLabel());
    copyViewStateTo(*copied);
    return copied;
}

QDateEdit *NTXTextViewInspectorDateField::datePicker() const
{
    return qobject_cast<QDateEdit *>(view());
}

bool NTXTextViewInspectorDateField::showsDate() const
{
    const QDateEdit *picker = datePicker();
    return picker && picker->date() != NoDate;
}

void NTXTextViewInspectorDateField::setValue(const QVariant &value)
{
    if (QDateEdit *picker = datePicker()) {
        const std::optional<QDateTime> date = dateTimeOf(value);
        const QDate shown = date && date->date() > NoDate ? date->date() : NoDate;
        if (shown != picker->date()) {
            m_updating = true;
            picker->setDate(shown);
            m_updating = false;
        }
    }
    NTXTextViewInspectorViewField::setValue(value);
}

void NTXTextViewInspectorDateField::dateChanged(QObject *)
{
    const QDateEdit *picker = datePicker();
    if (!picker)
        return;
    QVariant written;
    if (showsDate()) {
        const std::optional<QDateTime> old = dateTimeOf(value());
        written = old ? QDateTime(picker->date(), old->time(), old->timeSpec()) : picker->date().startOfDay();
    }
    setValue(written);
    propagate(written, QStringLiteral("value"));
}
