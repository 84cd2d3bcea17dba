#include "FoundationExtensions/NTXAppMeasurementNumberFormatter.h"
#include "FoundationExtensions/NTXAppMeasurementTextField.h"
#include "FoundationExtensions/NTXApplicationMeasurementCenter.h"
#include "FoundationExtensions/NTXMeasurementNumberFormatter.h"
#include "FoundationExtensions/NTXMeasurementUnits.h"
#include "FoundationExtensions/NTXNumberContainer.h"
#include "platform/archive/Coder.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/foundation/NotificationCenter.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <QLocale>

namespace {

struct ScopedLocale
{
    QLocale saved;
    explicit ScopedLocale(const char *name) { QLocale::setDefault(QLocale(QString::fromLatin1(name))); }
    ~ScopedLocale() { QLocale::setDefault(saved); }
};

} // namespace

TEST(MeasurementUnits, ConversionsKeysAndNames)
{
    EXPECT_FLOAT_EQ(NTXConvertUnit(0, 4, 72.0f), 1.0f);
    EXPECT_NEAR(NTXConvertUnit(3, 0, 210.0f), 595.276f, 0.001f);
    EXPECT_EQ(NTXConvertUnit(4, 5, 3.0f), 0.0f) << "a target outside 0-4";
    EXPECT_EQ(NTXConvertUnit(9, 0, 3.0f), 3.0f) << "a source outside 0-4 is unchanged";
    for (int from = 0; from <= 5; ++from)
        for (int to = 0; to <= 5; ++to)
            EXPECT_EQ(NTXConvertUnit(from, to, 0.0f), 0.0f);
    EXPECT_FLOAT_EQ(NTXConvertUnit(2, 0, 2.54f), 72.0f);
    EXPECT_FLOAT_EQ(NTXConvertUnit(0, 1, 72.0f), 0.0254f);
    EXPECT_EQ(NTXConvertRect(4, 0, QRectF(1, 2, 3, 4)), QRectF(72, 144, 216, 288));
    EXPECT_EQ(NTXConvertPoint(0, 4, QPointF(144, 36)), QPointF(2, 0.5));
    EXPECT_EQ(NTXUnitTypeKey(2), QStringLiteral("NTXUnitCentimeterType"));
    EXPECT_TRUE(NTXUnitTypeKey(5).isNull());
    EXPECT_EQ(NTXLocalizedUnitShortName(3), QStringLiteral("mm"));
    EXPECT_EQ(NTXLocalizedUnitName(4), QStringLiteral("Inches"));
    EXPECT_TRUE(NTXLocalizedUnitName(-1).isNull());

    int unit = -7;
    EXPECT_TRUE(NTXUnitFromString(QStringLiteral(" 2.5 in."), &unit));
    EXPECT_EQ(unit, 4);
    EXPECT_TRUE(NTXUnitFromString(QStringLiteral("12,0cm"), &unit));
    EXPECT_EQ(unit, 2);
    unit = -7;
    EXPECT_FALSE(NTXUnitFromString(QStringLiteral("3 furlongs"), &unit));
    EXPECT_EQ(unit, -7) << "untouched when no unit is named";
    // The signs before the number, also a locale's own minus sign.
    EXPECT_TRUE(NTXUnitFromString(QStringLiteral("\u22122 mm"), &unit));
    EXPECT_EQ(unit, 3);
    EXPECT_TRUE(NTXUnitFromString(QStringLiteral("+2 in"), &unit));
    EXPECT_EQ(unit, 4);
}

TEST(MeasurementNumberFormatter, ShowsAndReadsInItsUnit)
{
    for (const auto &[locale, shown] : {std::pair{"en_US", "2.54 cm"}, std::pair{"de_DE", "2,54 cm"}}) {
        ScopedLocale scoped(locale);
        NTXMeasurementNumberFormatter formatter;
        EXPECT_EQ(formatter.showType(), 4);
        EXPECT_EQ(formatter.numberOfDigitsAfterPoint(), 4u);
        formatter.setShowType(2);
        formatter.setNumberOfDigitsAfterPoint(2);
        EXPECT_EQ(formatter.stringForObjectValue(72.0), QString::fromUtf8(shown)) << locale;
        QVariant value;
        ASSERT_TRUE(formatter.getObjectValue(value, QString::fromUtf8(shown), nullptr));
        EXPECT_FLOAT_EQ(value.toFloat(), 72.0f) << locale;
        ASSERT_TRUE(formatter.getObjectValue(value, QStringLiteral("2 in"), nullptr));
        EXPECT_FLOAT_EQ(value.toFloat(), 144.0f) << "read in the unit typed";
    }
    ScopedLocale english("en_US");
    NTXMeasurementNumberFormatter formatter;
    formatter.setShowType(2);
    QVariant value(1.0);
    EXPECT_TRUE(formatter.getObjectValue(value, QString(), nullptr));
    EXPECT_FALSE(value.isValid()) << "the empty text is no value";
    EXPECT_TRUE(formatter.getObjectValue(value, QStringLiteral("abc"), nullptr));
    EXPECT_EQ(value.toDouble(), 0.0) << "letters only read as 0";
    EXPECT_TRUE(formatter.getObjectValue(value, QStringLiteral("1"), nullptr));
    EXPECT_FLOAT_EQ(value.toFloat(), NTXConvertUnit(2, 0, 1.0f)) << "a bare number is in the show unit";
    value = 5.0;
    for (const char *text : {"1e400", "inf", "-inf", "nan", "1e400 cm", "-1E999in", "1e300", "1e300 cm"})
        EXPECT_FALSE(formatter.getObjectValue(value, QString::fromLatin1(text), nullptr)) << text;
    EXPECT_EQ(value.toDouble(), 5.0) << "a refused text leaves the value";
    EXPECT_EQ(formatter.stringForObjectValue(QVariant()), QString());
    EXPECT_EQ(formatter.stringForObjectValue(QStringLiteral("72")), QStringLiteral("2.5400 cm"));
}

// A negative length typed in a unit of its own, in a locale whose minus sign is not
// the hyphen (Swedish writes U+2212), reads as negative.
TEST(MeasurementNumberFormatter, ReadsTheLocalesOwnMinusSign)
{
    ScopedLocale swedish("sv_SE");
    const QString minus = QLocale().negativeSign();
    ASSERT_NE(minus, QStringLiteral("-"));
    NTXMeasurementNumberFormatter formatter;
    formatter.setShowType(2);
    QVariant value;
    ASSERT_TRUE(formatter.getObjectValue(value, minus + QStringLiteral("2 in"), nullptr));
    EXPECT_FLOAT_EQ(value.toFloat(), -144.0f);
    ASSERT_TRUE(formatter.getObjectValue(value, QStringLiteral("-2 in"), nullptr));
    EXPECT_FLOAT_EQ(value.toFloat(), -144.0f);
    ASSERT_TRUE(formatter.getObjectValue(value, QStringLiteral("2 in"), nullptr));
    EXPECT_FLOAT_EQ(value.toFloat(), 144.0f);
}

TEST(MeasurementCenter, SlotsDefaultsAndNotification)
{
    testsupport::ScopedXdgHome home;
    ScopedLocale english("en_US");
    NTXApplicationMeasurementCenter *center = NTXApplicationMeasurementCenter::informationCenter();
    EXPECT_EQ(center, NTXApplicationMeasurementCenter::informationCenter());
    auto &defaults = platform::UserDefaults::standardUserDefaults();
    const QVariant savedPage = defaults.objectForKey(QStringLiteral("NTXICPageUnitMeasurementType"));
    EXPECT_EQ(center->measurementUnitTypeForFCHAppUnitType(1), 0);
    EXPECT_EQ(center->measurementUnitTypeForFCHAppUnitType(3), 3);
    EXPECT_EQ(center->measurementUnitTypeForFCHAppUnitType(9), 0);

    NTXAppMeasurementNumberFormatter page, font;
    font.setAppUnitType(1);
    NTXAppMeasurementTextField field;
    field.setDoubleValue(72.0);
    center->setMeasurementUnitType(2, 0);
    EXPECT_EQ(page.stringForObjectValue(72.0), QStringLiteral("2.5400 cm"));
    EXPECT_EQ(field.cell()->title(), QStringLiteral("2.5400 cm"));
    center->setMeasurementUnitType(4, 0);
    EXPECT_EQ(page.showType(), 4);
    EXPECT_EQ(field.cell()->title(), QStringLiteral("1.0000 in"));
    EXPECT_EQ(field.doubleValue(), 72.0) << "the value stays in points";
    EXPECT_EQ(font.showType(), 0) << "other slots are left alone";
    EXPECT_TRUE(field.takeText(QStringLiteral("2 in")));
    EXPECT_EQ(field.doubleValue(), 144.0);

    int posted = -1;
    auto token = platform::NotificationCenter::defaultCenter().addObserver(
        nullptr, NTXApplicationMeasurementCenter::AppUnitDidChangeNotification, nullptr,
        [&](const platform::Notification &n) { posted = n.userInfo.value(NTXApplicationMeasurementCenter::SlotKey).toInt(); });
    const QVariantMap before = defaults.persistentValues();
    center->setMeasurementUnitType(3, 7);
    EXPECT_EQ(posted, 7) << "posted whatever the slot";
    EXPECT_EQ(defaults.persistentValues(), before) << "nothing written for slot 7";
    platform::NotificationCenter::defaultCenter().removeObserver(token);

    platform::KeyedArchiver archiver;
    NTXAppMeasurementTextField lineField;
    lineField.setCalUnitType(2);
    lineField.encodeWithCoder(archiver);
    const auto bytes = archiver.finishEncoding();
    ASSERT_TRUE(bytes);
    platform::KeyedUnarchiver unarchiver(*bytes);
    std::unique_ptr<NTXAppMeasurementTextField> decoded(NTXAppMeasurementTextField::fromCoder(unarchiver));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->calUnitType(), 2);
    EXPECT_EQ(decoded->measurementFormatter()->showType(), 3);
    if (savedPage.isValid())
        defaults.setObject(savedPage, QStringLiteral("NTXICPageUnitMeasurementType"));
    else
        defaults.removeObjectForKey(QStringLiteral("NTXICPageUnitMeasurementType"));
}

TEST(NumberContainer, ShownWithInfoComparedByNumberArchived)
{
    ScopedLocale english("en_US");
    auto a = NTXNumberContainer::numberContainerWithNumber(72.0, QStringLiteral("(A4)"));
    auto b = NTXNumberContainer::numberContainerWithNumber(72.0, QStringLiteral("other"));
    EXPECT_TRUE(a->isEqual(platform::Coder::objectValue(b)));
    EXPECT_TRUE(a->isEqual(QVariant(72)));
    EXPECT_EQ(a->compare(QVariant(100.0)), QPartialOrdering::Less);
    EXPECT_EQ(NTXNumberContainer().numberObject(), QVariant(0.0f));

    NTXAppMeasurementNumberFormatter formatter;
    formatter.setShowType(4);
    formatter.setNumberOfDigitsAfterPoint(1);
    EXPECT_EQ(formatter.stringForObjectValue(platform::Coder::objectValue(a)), QStringLiteral("1.0 in (A4)"));
    a->setInfoString(QString());
    EXPECT_EQ(formatter.stringForObjectValue(platform::Coder::objectValue(a)), QStringLiteral("1.0 in"));

    platform::KeyedArchiver archiver;
    archiver.encodeObject(platform::Coder::objectValue(b), QStringLiteral("root"));
    const auto bytes = archiver.finishEncoding();
    ASSERT_TRUE(bytes);
    platform::KeyedUnarchiver unarchiver(*bytes);
    auto decoded = unarchiver.decodeObject<NTXNumberContainer>(QStringLiteral("root"));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->numberObject().toDouble(), 72.0);
    EXPECT_EQ(decoded->infoString(), QStringLiteral("other"));
}
