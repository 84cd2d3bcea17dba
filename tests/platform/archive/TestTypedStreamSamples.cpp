// The reader on two archives written by the old platform itself (not by us): a
// colour list and a graphing document. The expected values were read by hand from
// the hexdumps of the files.
#include "platform/archive/ArchivedFoundationObjects.h"
#include "platform/archive/TypedStreamReader.h"
#include "tests/support/TestSupport.h"

#include <QRegularExpression>
#include <QSizeF>
#include <cstring>
#include <gtest/gtest.h>

using namespace platform;

namespace {

QByteArray sample(const char *name)
{
    return testsupport::readFile(testsupport::dataPath(QStringLiteral("typedstream/") + QLatin1String(name)));
}

// A float given as the big-endian hex of its bits (as read off the dump, where the
// little-endian bytes stand reversed).
double floatBits(quint32 bits)
{
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return double(f);
}

// Every class definition of a stream found by a plain byte scan: the "new" tag of a
// class followed by the "new" tag of its name, the name's length and an identifier.
// Independent of the reader; it also finds the classes of archives nested in data.
QSet<QByteArray> scanClassDefinitions(const QByteArray &bytes)
{
    static const QRegularExpression identifier(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]+$"));
    QSet<QByteArray> names;
    for (qsizetype i = 0; i + 3 < bytes.size(); ++i) {
        if (quint8(bytes[i]) != 0x84 || quint8(bytes[i + 1]) != 0x84)
            continue;
        const int length = quint8(bytes[i + 2]);
        const QByteArray name = bytes.mid(i + 3, length);
        if (name.size() == length && identifier.match(QString::fromLatin1(name)).hasMatch())
            names.insert(name);
    }
    return names;
}

} // namespace

TEST(TypedStreamSamples, ColorListHeaderGroupsAndClasses)
{
    const QByteArray bytes = sample("colorlist.clr");
    ASSERT_EQ(bytes.size(), 26421);
    QString error;
    const auto archive = ArchivedFoundationObjects::read(bytes, &error);
    ASSERT_TRUE(archive) << qPrintable(error);
    EXPECT_EQ(archive->streamerVersion(), 4);
    EXPECT_EQ(archive->signature(), QByteArray("streamtyped"));
    EXPECT_TRUE(archive->isLittleEndian());
    EXPECT_EQ(archive->systemVersion(), 1000);
    // "i" 1, "@i" (nil, 752), then 752 "@@" groups.
    ASSERT_EQ(archive->groups().size(), 754);
    EXPECT_EQ(archive->groups()[0].types, QByteArray("i"));
    EXPECT_EQ(archive->groups()[0].values[0].toInteger(), 1);
    EXPECT_TRUE(archive->groups()[1].values[0].isNil());
    EXPECT_EQ(archive->groups()[1].values[1].toInteger(), 752);
    EXPECT_EQ(archive->classNames(), (QSet<QByteArray>{"NSColor", "NSObject", "NSString"}));
    EXPECT_EQ(archive->classNames(), scanClassDefinitions(bytes));
    // 752 names and 742 colours: ten entries refer back to a colour met before.
    EXPECT_EQ(archive->objectCount(), 1494);
    QSet<const TypedStreamObject *> colours;
    int backReferences = 0;
    for (qsizetype i = 2; i < archive->groups().size(); ++i) {
        const TypedStreamObject *c = archive->groups()[i].values[0].objectPointer();
        ASSERT_TRUE(c);
        EXPECT_EQ(c->className(), QByteArray("NSColor"));
        EXPECT_EQ(c->classVersion("NSObject"), 0);
        if (colours.contains(c))
            ++backReferences;
        colours.insert(c);
    }
    EXPECT_EQ(backReferences, 10);
}

TEST(TypedStreamSamples, ColorListEntriesNamesAndComponents)
{
    const auto archive = ArchivedFoundationObjects::read(sample("colorlist.clr"));
    ASSERT_TRUE(archive);
    const auto entries = ArchivedFoundationObjects::colorListEntries(*archive);
    ASSERT_TRUE(entries);
    ASSERT_EQ(entries->size(), 752);

    struct Expected
    {
        qsizetype index;
        const char *name;
        double r, g, b, a;
    };
    // Offsets 0x3f…0x50: model 1 (calibrated RGB), "ffff" = 0x3f109091 0x3f6eeeef 0x3f109091 and 1.
    const double lightGreenR = floatBits(0x3f109091), lightGreenG = floatBits(0x3f6eeeef);
    const double darkRed = floatBits(0x3f0b8b8c);
    const double darkGray = floatBits(0x3f29a9aa);
    const double snow = floatBits(0x3f7afafb);
    const Expected expected[] = {
        {0, "LightGreen", lightGreenR, lightGreenG, lightGreenR, 1},
        {1, "light green", lightGreenR, lightGreenG, lightGreenR, 1},
        {2, "DarkRed", darkRed, 0, 0, 1},
        {4, "DarkMagenta", darkRed, 0, darkRed, 1},
        {6, "DarkCyan", 0, darkRed, darkRed, 1},
        {8, "DarkBlue", 0, 0, darkRed, 1},
        {10, "DarkGray", darkGray, darkGray, darkGray, 1},
        {14, "grey100", 1, 1, 1, 1},
        {15, "gray100", 1, 1, 1, 1},
        {751, "snow", 1, snow, snow, 1},
    };
    for (const Expected &e : expected) {
        const auto &entry = entries->at(e.index);
        EXPECT_EQ(entry.name, QString::fromLatin1(e.name)) << e.index;
        EXPECT_NEAR(entry.color.redF(), e.r, 1e-4) << e.name;
        EXPECT_NEAR(entry.color.greenF(), e.g, 1e-4) << e.name;
        EXPECT_NEAR(entry.color.blueF(), e.b, 1e-4) << e.name;
        EXPECT_NEAR(entry.color.alphaF(), e.a, 1e-4) << e.name;
    }
    // X11's values, for a plausibility check of the decoding.
    EXPECT_EQ(entries->at(0).color.name(), QStringLiteral("#90ee90"));
    EXPECT_EQ(entries->at(751).color.name(), QStringLiteral("#fffafa"));
}

TEST(TypedStreamSamples, GraphingDocumentWalksToItsEnd)
{
    const QByteArray bytes = sample("grapher-empty2d.gcx");
    QString error;
    const auto archive = ArchivedFoundationObjects::read(bytes, &error);
    ASSERT_TRUE(archive) << qPrintable(error);
    EXPECT_TRUE(archive->isLittleEndian());
    ASSERT_EQ(archive->groups().size(), 1);
    EXPECT_EQ(archive->groups()[0].types, QByteArray("@"));

    // Every class the byte scan finds, except the one that only lives inside the
    // archives nested in NSData objects.
    QSet<QByteArray> scanned = scanClassDefinitions(bytes);
    ASSERT_TRUE(scanned.remove("CP3DAffineTransform"));
    EXPECT_EQ(archive->classNames(), scanned);
    EXPECT_EQ(archive->classCount(), 184);
    for (const char *name : {"NSMutableDictionary", "NSNumber", "NSValue", "NSMutableData", "NSBezierPath",
                             "NSFont", "NSColor", "GCartesian2D", "CPDefinitionTree", "EQEquation"})
        EXPECT_TRUE(archive->classNames().contains(name)) << name;
    EXPECT_EQ(archive->objectCount(), 1248);

    const TypedStreamObject *root = archive->rootObject();
    ASSERT_TRUE(root);
    EXPECT_EQ(root->objectClass()->chain(),
              (QList<QByteArray>{"NSMutableDictionary", "NSDictionary", "NSObject"}));
}

TEST(TypedStreamSamples, GraphingDocumentFoundationValues)
{
    const auto archive = ArchivedFoundationObjects::read(sample("grapher-empty2d.gcx"));
    ASSERT_TRUE(archive);
    const QVariantMap top = ArchivedFoundationObjects::valueOf(archive->groups()[0].values[0]).toMap();
    EXPECT_EQ(top.size(), 11);
    // NSValue "{CGSize=dd}" with 0x81 0x0e 0x04 and 0x81 0x85 0x02.
    EXPECT_EQ(top.value(QStringLiteral("DocumentWindowSize")).value<QSizeF>(), QSizeF(1038, 645));
    EXPECT_EQ(top.value(QStringLiteral("DocumentBottomSplitSize")).value<QSizeF>(), QSizeF(826, 615));
    const QVariantMap settings = top.value(QStringLiteral("Settings")).toMap();
    EXPECT_EQ(settings.size(), 21);
    // NSNumber "d" with 0x83 and the bytes 7b 14 ae 47 e1 7a 84 3f.
    quint64 bits = 0x3f847ae147ae147bULL;
    double epsilon;
    std::memcpy(&epsilon, &bits, sizeof epsilon);
    EXPECT_EQ(settings.value(QStringLiteral("DefaultDerivativeEpsilon")).toDouble(), epsilon);
    EXPECT_EQ(settings.value(QStringLiteral("DefaultIntegrationStepNumber")).toLongLong(), 64);
    EXPECT_EQ(settings.value(QStringLiteral("NSDecimalSeparator")).toString(), QStringLiteral(","));
    EXPECT_EQ(settings.value(QStringLiteral("DefaultNumberRemoveTrailingZeros")).toLongLong(), 1);
    // An object of the application's own classes stays a generic object.
    const TypedStreamObject *tree = ArchivedFoundationObjects::objectIn(top.value(QStringLiteral("DefinitionTree")));
    ASSERT_TRUE(tree);
    EXPECT_EQ(tree->className(), QByteArray("CPDefinitionTree"));
    EXPECT_FALSE(tree->groups().isEmpty());
}

TEST(TypedStreamSamples, GraphingDocumentNestedArchivesInData)
{
    const auto archive = ArchivedFoundationObjects::read(sample("grapher-empty2d.gcx"));
    ASSERT_TRUE(archive);
    const QVariantMap top = ArchivedFoundationObjects::valueOf(archive->groups()[0].values[0]).toMap();
    const QVariantMap controllers = top.value(QStringLiteral("View3DSettings")).toMap();
    const QByteArray identity =
        controllers.value(QStringLiteral("CPView3DRotationController")).toMap().value(QStringLiteral("Transform")).toByteArray();
    ASSERT_EQ(identity.size(), 83); // "[83c]"
    const auto nested = ArchivedFoundationObjects::read(identity);
    ASSERT_TRUE(nested);
    const TypedStreamObject *transform = nested->rootObject();
    ASSERT_TRUE(transform);
    EXPECT_EQ(transform->className(), QByteArray("CP3DAffineTransform"));
    const auto values = transform->values();
    // Twelve "f" groups, each value in the one-byte form: 00 01 00 00 00 00 01 00 00 00 00 01.
    const double expected[12] = {0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    ASSERT_EQ(values.size(), 12);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(values[i]->typeCode(), 'f');
        EXPECT_EQ(values[i]->toReal(), expected[i]) << i;
    }
    const QByteArray panTilt = controllers.value(QStringLiteral("CPPanTiltView3DRotationController"))
                                   .toMap().value(QStringLiteral("Transform")).toByteArray();
    const auto second = ArchivedFoundationObjects::read(panTilt);
    ASSERT_TRUE(second && second->rootObject());
    // 00, then 0x83 fd ff ff be: the tagged float form.
    EXPECT_EQ(second->rootObject()->values()[0]->toReal(), 0.0);
    EXPECT_EQ(second->rootObject()->values()[1]->toReal(), floatBits(0xbefffffd));
}

TEST(TypedStreamSamples, TruncatedAndDamagedSamplesNeverCrash)
{
    for (const char *name : {"colorlist.clr", "grapher-empty2d.gcx"}) {
        const QByteArray bytes = sample(name);
        const auto full = ArchivedFoundationObjects::read(bytes);
        ASSERT_TRUE(full);
        // Cuts: a cut at the end of a top-level group is a shorter valid stream;
        // anywhere else the reader must refuse.
        for (qsizetype cut = 0; cut < bytes.size(); cut += (cut < 1500 ? 1 : 37)) {
            QString error;
            const auto part = ArchivedFoundationObjects::read(bytes.left(cut), &error);
            if (part)
                EXPECT_LT(part->objectCount(), full->objectCount()) << name << " cut " << cut;
            else
                EXPECT_FALSE(error.isEmpty());
        }
        // Damaged bytes: any answer, but no crash.
        for (qsizetype i = 0; i < qMin<qsizetype>(bytes.size(), 160); ++i) {
            for (quint8 b : {quint8(0x00), quint8(0x7f), quint8(0x81), quint8(0x84), quint8(0x85), quint8(0x86),
                             quint8(0x92), quint8(0xff)}) {
                QByteArray damaged = bytes;
                damaged[i] = char(b);
                ArchivedFoundationObjects::read(damaged);
            }
        }
    }
}
