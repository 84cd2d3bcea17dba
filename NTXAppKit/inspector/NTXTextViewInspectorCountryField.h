#pragma once
// A field whose value is a country code, chosen from a pop-up of the countries (NTXCountryLocale), sorted by display name at creation; a code is matched in upper case.
// See NTXTextViewInspectorLocaleField for the pop-up and the matching.
// Ownership and threads: as NTXTextViewInspectorLocaleField.
#include "FoundationExtensions/NTXCountryLocale.h"
#include "NTXAppKit/inspector/NTXTextViewInspectorLocaleField.h"

class NTXTextViewInspectorCountryField : public NTXTextViewInspectorLocaleField
{
    Q_OBJECT
public:
    NTXTextViewInspectorCountryField(const QString &identifier, const QString &placeholder,
                                  const NTXTextViewInspectorFieldLabelPtr &label);

    std::shared_ptr<NTXTextViewInspectorField> copy() const override;

    QList<NTXCountryLocale *> countryLocales() const;
    void setCountryLocales(const QList<NTXCountryLocale *> &locales);

    Q_INVOKABLE void countryPopUpButtonChanged(QObject *) { localeChosen(); }

protected:
    const platform::KeyTable &keyTable() const override;
    QString localesKey() const override { return QStringLiteral("countryLocales"); }
    QString normalizeCode(const QString &code) const override { return code.toUpper(); }
    QString currentLocaleCode() const override;
};
