#pragma once
// What the country and the language fields share: a pop-up (a QComboBox) of locales
// fed by an array controller the field owns. The controller's "contentArray" follows
// the field's list of locales; the pop-up's items are the controller's
// "arrangedObjects.displayName", and its current index and the controller's
// "selectionIndex" follow each other. With several values or none the pop-up shows
// the multiple-values or the no-selection text of the inspector's string table as its
// placeholder (index -1), enabled for several, disabled for none.
//
// A code is matched to the last locale whose identifier equals it (after
// normalizeCode()), else to the locale of the current locale's code, else to the
// first locale of the list; a list without locales matches nothing.
// Ownership: the field owns the controller and (until a parent widget takes it) the
// pop-up; the locale objects belong to their classes. Threads: GUI thread only.
#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"
#include "platform/foundation/ArrayController.h"

#include <QVariantList>

class QComboBox;

class NTXTextViewInspectorLocaleField : public NTXTextViewInspectorViewField
{
    Q_OBJECT
public:
    ~NTXTextViewInspectorLocaleField() override;

    QComboBox *popUpButton() const;
    platform::ArrayController &arrayController() { return m_controller; }

    void setValue(const QVariant &value) override;
    QString notEditableReplacementString() const override;

    // The locale a code stands for (a KeyValueObservable pointer in a QVariant);
    // invalid when the list is empty.
    QVariant localeMatching(const QString &code) const;

protected:
    NTXTextViewInspectorLocaleField(const QString &identifier, const QString &placeholder,
                                    const NTXTextViewInspectorFieldLabelPtr &label, const QByteArray &action);

    // The key under which the field's list of locales is observable.
    virtual QString localesKey() const = 0;
    // A code as the list's identifiers spell it.
    virtual QString normalizeCode(const QString &code) const = 0;
    // The current locale's code of the list's kind.
    virtual QString currentLocaleCode() const = 0;

    QVariantList localeList() const { return m_locales; }
    void setLocaleList(const QVariantList &locales);
    // The user chose an item: its locale's identifier is stored and written back.
    void localeChosen();
    void copyLocaleStateTo(NTXTextViewInspectorLocaleField &copy) const;

private:
    void rebuildItems();
    void showSelection();
    void showPlaceholder(const QString &text, bool enabled);

    QVariantList m_locales;
    platform::ArrayController m_controller;
    bool m_updating = false;
};
