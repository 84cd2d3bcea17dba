#pragma once
// A field whose value the inspector shows and edits as text: an optional formatter
// (shared, never changed), validation as e-mail address (1) or URL (2), completion,
// and the display of several selected values as one value.
// Ownership and threads: as NTXTextViewInspectorField; the inspector that shows the
// field (a NTXTextViewInspectorFieldHost) is told when the value changes.
#include "NTXAppKit/inspector/NTXTextViewInspectorField.h"
#include "platform/foundation/Formatter.h"

#include <QStringList>

class NTXTextViewInspectorTextField : public NTXTextViewInspectorField
{
    Q_OBJECT
public:
    enum ValidationMethod { NoValidation = 0, EMailValidation = 1, URLValidation = 2 };

    NTXTextViewInspectorTextField(const QString &identifier, const QString &placeholder,
                                  const NTXTextViewInspectorFieldLabelPtr &label);

    std::shared_ptr<NTXTextViewInspectorField> copy() const override;

    // The text the inspector shows for the value; null for none. A text longer than
    // DisplayText::MaximumBlockLength is shown cut, with an ellipsis.
    QString displayStringForValue();
    // Whether the value is shown cut: the inspector then takes no edit of it in place,
    // so that an edit never stores the cut text (the whole value opens in a dialog of
    // its own, NTXTextViewInspector::openWholeValueOfField()); the value stays whole.
    bool isShownCut() const;
    // The value to store for edited text (nil for the placeholder or the
    // multiple-values text, in any case).
    QVariant valueObjectForString(const QString &text) const;
    // The value to store for text the person typed: the text as typed (through the
    // formatter when there is one), also when it reads as the placeholder.
    QVariant valueObjectForTypedString(const QString &text) const;
    void validate() override;
    void setValue(const QVariant &value) override;
    // Sent by the inspector after the user edited the text.
    void valueDidChangedFromTextInspector() { validate(); }
    virtual QStringList completionsForPartialString(const QString &partial, int *indexOfSelectedItem) const;
    bool isMultipleValue() const;
    bool isValueEmpty() const;
    bool shouldBeVisibleWithEditableState(bool editable) const override;

    qreal overrideFontSizeWithPointSize() const { return m_overrideFontSizeWithPointSize; }
    void setOverrideFontSizeWithPointSize(qreal size) { m_overrideFontSizeWithPointSize = size; }
    bool supportTextCompletion() const { return m_supportTextCompletion; }
    void setSupportTextCompletion(bool support) { m_supportTextCompletion = support; }
    bool supportMultipleValues() const { return m_supportMultipleValues; }
    void setSupportMultipleValues(bool support) { m_supportMultipleValues = support; }
    std::shared_ptr<const platform::Formatter> formatter() const { return m_formatter; }
    void setFormatter(std::shared_ptr<const platform::Formatter> formatter) { m_formatter = std::move(formatter); }
    int validationMethod() const { return m_validationMethod; }
    void setValidationMethod(int method) { m_validationMethod = method; }
    bool supportNewLine() const { return m_supportNewLine; }
    void setSupportNewLine(bool support) { m_supportNewLine = support; }

    // The multiple-values text of the inspector's string table.
    static QString multipleValuesText();

protected:
    bool countsSeveralElementsAsOneValue() const override { return m_supportMultipleValues; }
    void copyTextStateTo(NTXTextViewInspectorTextField &copy) const;

private:
    qreal m_overrideFontSizeWithPointSize = 0;
    bool m_supportTextCompletion = false;
    bool m_supportMultipleValues = false;
    std::shared_ptr<const platform::Formatter> m_formatter;
    int m_validationMethod = NoValidation;
    bool m_supportNewLine = false;
};
