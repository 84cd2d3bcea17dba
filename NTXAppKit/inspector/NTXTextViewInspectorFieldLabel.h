#pragma once
// The label of an inspector field: its text, the model value that choosing it writes
// back (its represented object), and a placeholder that replaces the field's while
// it is chosen (none by default). Held by std::shared_ptr and compared by identity;
// copy() makes an independent label with the same three values.
// Threads: GUI thread, with the fields.
#include <QMetaType>
#include <QString>
#include <QVariant>
#include <memory>

class NTXTextViewInspectorFieldLabel
{
public:
    explicit NTXTextViewInspectorFieldLabel(const QString &label, const QVariant &representedObject = QVariant());

    static std::shared_ptr<NTXTextViewInspectorFieldLabel> fieldLabelWithString(const QString &label,
                                                                                 const QVariant &representedObject = QVariant());
    std::shared_ptr<NTXTextViewInspectorFieldLabel> copy() const;

    QString label() const { return m_label; }
    void setLabel(const QString &label) { m_label = label; }
    QVariant representedObject() const { return m_representedObject; }
    void setRepresentedObject(const QVariant &object) { m_representedObject = object; }
    // Null when none is set.
    QString labelDependentPlaceholder() const { return m_labelDependentPlaceholder; }
    void setLabelDependentPlaceholder(const QString &placeholder) { m_labelDependentPlaceholder = placeholder; }

private:
    QString m_label;
    QVariant m_representedObject;
    QString m_labelDependentPlaceholder;
};

using NTXTextViewInspectorFieldLabelPtr = std::shared_ptr<NTXTextViewInspectorFieldLabel>;
Q_DECLARE_METATYPE(NTXTextViewInspectorFieldLabelPtr)
