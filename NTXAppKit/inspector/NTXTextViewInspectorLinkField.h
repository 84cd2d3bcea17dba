#pragma once
// What the e-mail and the URL fields share: a compound field of a text field (sub-field
// 0, validated as the kind asks, no line break after it) and a small button field
// "button" (sub-field 1, always visible, enabled exactly while the text is valid)
// whose action opens the text as a link. Made from a property of an entity; made
// from an identifier the field is an empty compound.
//
// The button: the system beep, and nothing opened, for several values, no value, a
// value that is not a string (or an array whose first element is not), text that is
// blank after trimming, or text the kind cannot make a valid URL of. Otherwise the
// URL is opened through the URL opener, by default QDesktopServices::openUrl (the
// desktop's handler: xdg-open or the desktop portal; no shell is involved).
// While the inspector is not editable a field without replacement text and without
// a value is not shown.
// Ownership: the compound owns its sub-fields. The opener and the beep are
// process-wide and replaceable (tests). Threads: GUI thread only.
#include "NTXAppKit/inspector/NTXTextViewInspectorCompoundField.h"

#include <QUrl>
#include <functional>
#include <optional>

class NTXTextViewInspectorSmallButtonField;
class NTXTextViewInspectorTextField;

class NTXTextViewInspectorLinkField : public NTXTextViewInspectorCompoundField
{
    Q_OBJECT
public:
    using URLOpener = std::function<bool(const QUrl &url)>;
    using Beeper = std::function<void()>;

    // Answer the replaced one; an empty function restores the default.
    static URLOpener setURLOpener(URLOpener opener);
    static Beeper setBeeper(Beeper beeper);

    NTXTextViewInspectorTextField *textField() const;
    NTXTextViewInspectorSmallButtonField *buttonField() const;
    // Binds the value of the text field to the object's key path.
    void bindTextFieldToObject(platform::KeyValueObservable *object, const QString &keyPath);

    bool shouldBeVisibleWithEditableState(bool editable) const override;

    // The text the button would open (trimmed), or nothing when it beeps.
    std::optional<QString> linkText() const;
    // The URL for the text; an invalid URL when the kind cannot make one.
    virtual QUrl urlForText(const QString &text) const = 0;
    // What the button does.
    void openLink();

protected:
    NTXTextViewInspectorLinkField(const QString &identifier, const QString &placeholder,
                                  const NTXTextViewInspectorFieldLabelPtr &label);
    // Adds the two sub-fields for a property of the entity and takes its name as identifier.
    void buildSubFields(const QString &propertyName, const platform::DataEntity &entity, int validationMethod,
                        const QString &imageName, const QByteArray &action);
};
