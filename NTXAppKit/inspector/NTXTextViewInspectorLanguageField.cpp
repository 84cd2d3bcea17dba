#include "NTXAppKit/inspector/NTXTextViewInspectorLanguageField.h"

#include <QLocale>

using Field = NTXTextViewInspectorLanguageField;

NTXTextViewInspectorLanguageField::NTXTextViewInspectorLanguageField(const QString &identifier, const QString &placeholder,
                                                          const NTXTextViewInspectorFieldLabelPtr &label)
    : NTXTextViewInspectorLocaleField(identifier, placeholder, label, "languagePopUpButtonChanged:")
{
    setLanguageLocales(NTXLanguageLocale::supportedLanguageLocalesSortedByDisplayName());
}

std::shared_ptr<NTXTextViewInspectorField> NTXTextViewInspectorLanguageField::copy() const
{
    auto copied = std::make_shared<Field>(identifier(), placeholder(), copiedLabel());
    copyLocaleStateTo(*copied);
    return copied;
}

const platform::KeyTable &NTXTextViewInspectorLanguageField::keyTable() const
{
    static const platform::KeyTable table = extendKeyTable(
        NTXTextViewInspectorLocaleField::keyTable(),
        {{QStringLiteral("languageLocales"),
          {[](const KeyValueObservable &o) { return QVariant(static_cast<const Field &>(o).localeList()); },
           [](KeyValueObservable &o, const QVariant &v) { static_cast<Field &>(o).setLocaleList(v.toList()); }}}});
    return table;
}

QList<NTXLanguageLocale *> NTXTextViewInspectorLanguageField::languageLocales() const
{
    QList<NTXLanguageLocale *> locales;
    for (const QVariant &locale : localeList())
        if (auto *object = dynamic_cast<NTXLanguageLocale *>(platform::KeyValueObservable::toObservable(locale)))
            locales.append(object);
    return locales;
}

void NTXTextViewInspectorLanguageField::setLanguageLocales(const QList<NTXLanguageLocale *> &locales)
{
    QVariantList list;
    for (NTXLanguageLocale *locale : locales)
        list.append(platform::KeyValueObservable::fromObservable(locale));
    setLocaleList(list);
}

QString NTXTextViewInspectorLanguageField::currentLocaleCode() const
{
    return QLocale::languageToCode(QLocale().language());
}
