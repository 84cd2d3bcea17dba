#pragma once
// One row of a token list: a field shown as a token field (233 by 17, resizable in
// width, no frame, small, tokens separated by ";"). Bound to an element, it shows the
// element's value at the list's modelKeyPathForValue as its tokens (kept in step),
// and its label follows the element's value at the list's modelKeyPathForLabel.
// The row's list (its delegate) hears of a typed line break and of the end of an
// edit, each handled in the event-loop pass after the token field reported it (so
// the list may remove the row); an edit is reported once, however it ends.
// Ownership and threads: as NTXTextViewInspectorViewField.
#include "NTXAppKit/inspector/NTXTextViewInspectorViewField.h"
#include "platform/foundation/Bindings.h"

#include <memory>

class NTXTextViewInspectorTokenListField;

namespace platform {
class TokenField;
}

class NTXTextViewInspectorTokenListFieldItem : public NTXTextViewInspectorViewField
{
    Q_OBJECT
public:
    NTXTextViewInspectorTokenListFieldItem(const QString &identifier, const QString &placeholder,
                                           const NTXTextViewInspectorFieldLabelPtr &label);
    ~NTXTextViewInspectorTokenListFieldItem() override;

    static QWidget *viewForField(NTXTextViewInspectorTokenListFieldItem *field);
    std::shared_ptr<NTXTextViewInspectorField> copy() const override;

    platform::TokenField *tokenField() const;
    NTXTextViewInspectorTokenListField *tokenListField() const;

    void bind(const QString &binding, platform::KeyValueObservable *observed, const QString &keyPath,
              const QVariantMap &options = {}) override;
    void unbind(const QString &binding) override;
    void setValue(const QVariant &value) override;
    void setEditable(bool editable) override;
    void setPlaceholder(const QString &placeholder) override;
    QString notEditableReplacementString() const override;

private:
    void showTokens();
    void tokenFieldReported(bool lineBreak);

    std::unique_ptr<platform::BindingObserver> m_tokenObserver;
    std::weak_ptr<const void> m_boundObjectLifetime;
    platform::KeyValueObservable *m_observed = nullptr;
    bool m_edited = false;
};
