#include "NTXAppKit/inspector/NTXTextViewInspectorCountryField.h"

#include <QLocale>

using Field = NTXTextViewInspectorCountryField;

NTXTextViewInspectorCountryField::NTXTextViewInspectorCountryField(const QString &identifier, const QString &placeholder,
                                                          const NTXTextViewInspectorFieldLabelPtr &label)
    : NTXTextViewInspectorLocaleField(identifier, placeholder, label, "countryPopUpButtonChanged:")
{
    setCountryLocales(NTXCountryLocale::supportedCountryLocalesSortedByDisplayName());
}

std::shared_ptr<NTXTextViewInspectorField> NTXTextViewInspectorCountryField::copy() const
{
    auto copied = std::make_shared<Field>(identifier(), placeholder(), copiedLabel());
    copyLocaleStateTo(*copied);
    return copied;
}

const platform::KeyTable &NTXTextViewInspectorCountryField::keyTable() const
{
    static const platform::KeyTable table = extendKeyTable(
        NTXTextViewInspectorLocaleField::keyTable(),
        {{QStringLiteral("countryLocales"),
          {[](const KeyValueObservable &o) { return QVariant(static_cast<const Field &>(o).localeList()); },
           [](KeyValueObservable &o, const QVariant &v) { static_cast<Field &>(o).setLocaleList(v.toList()); }}}});
    return table;
}

QList<NTXCountryLocale *> NTXTextViewInspectorCountryField::countryLocales() const
{
    QList<NTXCountryLocale *> locales;
    for (const QVariant &locale : localeList())
        if (auto *object = dynamic_cast<NTXCountryLocale *>(platform::KeyValueObservable::toObservable(locale)))
            locales.append(object);
    return locales;
}

void NTXTextViewInspectorCountryField::setCountryLocales(const QList<NTXCountryLocale *> &locales)
{
    QVariantList list;
    for (NTXCountryLocale *locale : locales)
        list.append(platform::KeyValueObservable::fromObservable(locale));
    setLocaleList(list);
}

QString NTXTextViewInspectorCountryField::currentLocaleCode() const
{
    return QLocale::territoryToCode(QLocale().territory());
}
