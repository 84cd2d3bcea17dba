#pragma once
// A field whose value is a language code, chosen from a pop-up of the languages (NTXLanguageLocale), sorted by display name at creation; a code is matched in the case given.
// See NTXTextViewInspectorLocaleField for the pop-up and the matching.
// Ownership and threads: as NTXTextViewInspectorLocaleField.
#include "FoundationExtensions/NTXLanguageLocale.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorLocaleField.h"

class NTXTextViewInspectorLanguageField : public NTXTextViewInspectorLocaleField
{
    Q_OBJECT
public:
    NTXTextViewInspectorLanguageField(const QString &identifier, const QString &placeholder,
                                  const NTXTextViewInspectorFieldLabelPtr &label);

    std::shared_ptr<NTXTextViewInspectorField> copy() const override;

    QList<NTXLanguageLocale *> languageLocales() const;
    void setLanguageLocales(const QList<NTXLanguageLocale *> &locales);

    Q_INVOKABLE void languagePopUpButtonChanged(QObject *) { localeChosen(); }

protected:
    const platform::KeyTable &keyTable() const override;
    QString localesKey() const override { return QStringLiteral("languageLocales"); }
    QString normalizeCode(const QString &code) const override { return code; }
    QString currentLocaleCode() const override;
};
