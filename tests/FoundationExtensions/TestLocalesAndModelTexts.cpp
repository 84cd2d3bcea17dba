// Country and language lists named by ICU, and the texts a data model gives its
// entities and properties.
#include "FoundationExtensions/NTXCountryLocale.h"
#include "FoundationExtensions/NTXLanguageLocale.h"
#include "FoundationExtensions/NTXLocaleDisplayNames.h"
#include "FoundationExtensions/NTXNSManagedObjectModelExtensions.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

struct DefaultLocale
{
    explicit DefaultLocale(const QLocale &locale) { QLocale::setDefault(locale); }
    ~DefaultLocale() { QLocale::setDefault(QLocale::c()); }
};

qsizetype indexOfCode(const QList<NTXCountryLocale *> &list, const QString &code)
{
    for (qsizetype i = 0; i < list.size(); ++i)
        if (list.at(i)->localeIdentifier() == code)
            return i;
    return -1;
}

} // namespace

TEST(ModelTexts, LookupsTakeTheFirstKeyPresent)
{
    const auto model = platform::DataModel::create({{QStringLiteral("Property/name"), QStringLiteral("Name")},
                                                    {QStringLiteral("Placeholder/Property/name/Entity/Task"),
                                                     QStringLiteral("Untitled")},
                                                    {QStringLiteral("Entity/Task"), QStringLiteral("Task")}});
    const platform::DataEntity task = model->addEntity(QStringLiteral("Task"), {QStringLiteral("name")});
    using namespace NTXExtensions;
    EXPECT_EQ(localizedLabelForPropertyName(*model, QStringLiteral("name"), task), QStringLiteral("Name:"));
    EXPECT_EQ(localizedPlaceholderForPropertyName(*model, QStringLiteral("name"), task), QStringLiteral("Untitled"));
    EXPECT_EQ(localizedEntityNameOfEntity(*model, task), QStringLiteral("Task"));
    EXPECT_EQ(localizedLabelForPropertyName(*model, QStringLiteral("wage"), task), QStringLiteral("missing localization:"));
    EXPECT_EQ(localizedPropertyNameForPropertyName(*model, QStringLiteral("wage"), task),
              QStringLiteral("missing localization"));
    EXPECT_EQ(task.managedObjectModel(), model);
}

TEST(Locales, ListsAreKeptAndSortedByTheCurrentLanguage)
{
    DefaultLocale german(QLocale(QLocale::German, QLocale::Germany));
    const QList<NTXCountryLocale *> countries = NTXCountryLocale::supportedCountryLocales();
    ASSERT_GT(countries.size(), 100);
    EXPECT_EQ(NTXCountryLocale::supportedCountryLocales(), countries); // the same objects, kept
    for (const NTXCountryLocale *country : countries)
        EXPECT_NE(country->displayName(), country->localeIdentifier());

    const QList<NTXCountryLocale *> sorted = NTXCountryLocale::supportedCountryLocalesSortedByDisplayName();
    const qsizetype austria = indexOfCode(sorted, QStringLiteral("AT"));
    const qsizetype panama = indexOfCode(sorted, QStringLiteral("PA"));
    ASSERT_GE(austria, 0);
    EXPECT_EQ(sorted.at(austria)->displayName(), QStringLiteral("Österreich"));
    EXPECT_LT(austria, panama);
    EXPECT_EQ(sorted.at(austria)->valueForKey(QStringLiteral("displayName")).toString(), sorted.at(austria)->description());

    const QList<NTXLanguageLocale *> languages = NTXLanguageLocale::supportedLanguageLocalesSortedByDisplayName();
    ASSERT_GT(languages.size(), 50);
    for (qsizetype i = 1; i < languages.size(); ++i)
        EXPECT_LE(languages.at(i - 1)->caseInsensitiveDisplayNameCompare(*languages.at(i)), 0);
}

TEST(Locales, EqualityTakesTheCodeTextOrTheSameClass)
{
    DefaultLocale english(QLocale(QLocale::English, QLocale::UnitedStates));
    NTXCountryLocale germany(QStringLiteral("DE"));
    NTXCountryLocale same(QStringLiteral("DE"));
    NTXLanguageLocale language(QStringLiteral("DE"));
    EXPECT_TRUE(germany.isEqual(QStringLiteral("DE")));
    EXPECT_TRUE(germany.isEqual(platform::KeyValueObservable::fromObservable(&same)));
    EXPECT_FALSE(germany.isEqual(platform::KeyValueObservable::fromObservable(&language)));
    EXPECT_EQ(germany.description(), QStringLiteral("Germany"));
    EXPECT_EQ(germany.UTF8String(), QByteArray("DE"));
}

TEST(Locales, ANameIsNoneOnlyWhenICUHasNothingButTheCodes)
{
    using NTXLocaleDisplayNames::countryName;
    using NTXLocaleDisplayNames::localeName;
    const QLocale english(QLocale::English, QLocale::UnitedStates), german(QLocale::German, QLocale::Germany);
    const struct
    {
        QLocale display;
        std::optional<QString> (*name)(const QString &);
        const char *code;
        std::optional<QString> expected;
    } cases[] = {
        {english, countryName, "DE", QStringLiteral("Germany")},
        {german, countryName, "DE", QStringLiteral("Deutschland")},
        {german, localeName, "de_DE", QStringLiteral("Deutsch (Deutschland)")},
        {english, countryName, "QQ", std::nullopt},
        {german, localeName, "xx", std::nullopt},
        {english, localeName, "xx_YY", std::nullopt},
        {QLocale::c(), countryName, "QQ", std::nullopt},
        {QLocale::c(), localeName, "xx_YY", std::nullopt},
    };
    for (const auto &row : cases) {
        DefaultLocale display(row.display);
        EXPECT_EQ(row.name(QString::fromLatin1(row.code)), row.expected) << row.code << " in " << row.display.name().toStdString();
    }

    // The C locale has no names of its own: ICU's default locale names for it.
    DefaultLocale c(QLocale::c());
    EXPECT_NE(countryName(QStringLiteral("DE")).value_or(QStringLiteral("DE")), QStringLiteral("DE"));
    EXPECT_NE(localeName(QStringLiteral("de")).value_or(QStringLiteral("de")), QStringLiteral("de"));
    EXPECT_GT(NTXCountryLocale::supportedCountryLocales().size(), 100);
    EXPECT_GT(NTXLanguageLocale::supportedLanguageLocales().size(), 50);
}
