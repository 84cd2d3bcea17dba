#pragma once
// A field made of ordered sub-fields laid out one after another. The compound field
// owns its sub-fields and is their compoundField() while it holds them; the
// sub-fields share its alternative labels unless they have their own.
// Threads: GUI thread only.
#include "NTXAppKit/inspector/NTXTextViewInspectorField.h"

#include <QStringList>
#include <QVariantMap>

class QWidget;

class NTXTextViewInspectorCompoundField : public NTXTextViewInspectorField
{
    Q_OBJECT
public:
    NTXTextViewInspectorCompoundField(const QString &identifier, const QString &placeholder,
                                      const NTXTextViewInspectorFieldLabelPtr &label);
    ~NTXTextViewInspectorCompoundField() override;

    // Stores the mapping (the entity is not kept).
    static std::shared_ptr<NTXTextViewInspectorCompoundField> fieldWithPropertyMapping(const QVariantMap &mapping,
                                                                                        const platform::DataEntity &entity);

    // A compound field of the same class with the base state only (no sub-fields).
    std::shared_ptr<NTXTextViewInspectorField> copy() const override;

    void addField(const NTXTextViewInspectorFieldPtr &field);
    void insertField(const NTXTextViewInspectorFieldPtr &field, qsizetype index);
    void removeFieldAtIndex(qsizetype index);
    void removeAllFields();
    NTXTextViewInspectorFieldPtr fieldAtIndex(qsizetype index) const;
    // By identity; -1 when the field is not a sub-field.
    qsizetype indexOfField(const NTXTextViewInspectorField *field) const;
    const QList<NTXTextViewInspectorFieldPtr> &allFields() const { return m_fields; }
    NTXTextViewInspectorFieldPtr fieldWithIdentifier(const QString &identifier) const;
    NTXTextViewInspectorFieldPtr fieldWithView(const QWidget *view) const;
    // -1 (not found) when no view sub-field shows the view.
    qsizetype indexOfFieldWithView(const QWidget *view) const;
    void setValueOfFieldWithIdentifier(const QVariant &value, const QString &identifier);
    void updateReplacementString() {}

    QStringList createReplacementFromFieldsWithIdentifiers() const { return m_createReplacementFromFieldsWithIdentifiers; }
    void setCreateReplacementFromFieldsWithIdentifiers(const QStringList &identifiers)
    {
        m_createReplacementFromFieldsWithIdentifiers = identifiers;
    }
    QVariantMap propertyMapping() const { return m_propertyMapping; }
    void setPropertyMapping(const QVariantMap &mapping) { m_propertyMapping = mapping; }

private:
    QList<NTXTextViewInspectorFieldPtr> m_fields;
    QStringList m_createReplacementFromFieldsWithIdentifiers;
    QVariantMap m_propertyMapping;
};
