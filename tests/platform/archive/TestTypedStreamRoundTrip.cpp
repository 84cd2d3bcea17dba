// The test writer and the reader against each other, in both byte orders: every
// type code, the integer and real forms, shared strings, back-references, nested
// arrays and structs, and the Foundation classes.
#include "platform/archive/ArchivedFoundationObjects.h"
#include "platform/archive/TypedStreamReader.h"
#include "tests/support/TypedStreamWriter.h"

#include <QColor>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>

using namespace platform;
using testsupport::TypedStreamWriter;

namespace {

class TypedStreamRoundTrip : public ::testing::TestWithParam<TypedStreamWriter::ByteOrder>
{
protected:
    TypedStreamWriter writer{GetParam()};

    std::unique_ptr<TypedStreamArchive> read()
    {
        QString error;
        auto archive = ArchivedFoundationObjects::read(writer.data(), &error);
        EXPECT_TRUE(archive) << qPrintable(error);
        return archive;
    }
};

} // namespace

TEST_P(TypedStreamRoundTrip, HeaderAndByteOrder)
{
    writer.group("i");
    writer.integer(300);
    const QByteArray &bytes = writer.data();
    const bool little = GetParam() == TypedStreamWriter::ByteOrder::Little;
    EXPECT_EQ(bytes.mid(2, 11), little ? QByteArray("streamtyped") : QByteArray("typedstream"));
    EXPECT_TRUE(TypedStreamReader::hasSignature(bytes));
    // 300 in the two-byte form, in the stream's byte order.
    EXPECT_EQ(bytes.right(3), little ? QByteArray("\x81\x2c\x01", 3) : QByteArray("\x81\x01\x2c", 3));
    const auto archive = read();
    ASSERT_TRUE(archive);
    EXPECT_EQ(archive->isLittleEndian(), little);
    EXPECT_EQ(archive->systemVersion(), 1000);
    EXPECT_EQ(archive->groups()[0].values[0].toInteger(), 300);
}

TEST_P(TypedStreamRoundTrip, IntegerFormsAtTheirBounds)
{
    const qint64 values[] = {0, 1, -1, 127, -110, -111, -128, 128, 255, -32768, 32767, 32768, -32769,
                             std::numeric_limits<qint32>::min(), std::numeric_limits<qint32>::max(),
                             qint64(std::numeric_limits<qint32>::max()) + 1, std::numeric_limits<qint64>::min(),
                             std::numeric_limits<qint64>::max()};
    for (qint64 v : values) {
        writer.group("q");
        writer.integer(v);
    }
    const auto archive = read();
    ASSERT_TRUE(archive);
    ASSERT_EQ(archive->groups().size(), qsizetype(std::size(values)));
    for (size_t i = 0; i < std::size(values); ++i) {
        EXPECT_EQ(archive->groups()[i].values[0].kind(), TypedStreamValue::Kind::Integer);
        EXPECT_EQ(archive->groups()[i].values[0].toInteger(), values[i]);
    }
}

TEST_P(TypedStreamRoundTrip, EveryScalarTypeCode)
{
    writer.group("cCBsSiIlLqQfd");
    writer.charValue(0x85); // a raw byte, even where a tag would be
    writer.charValue(0xff);
    writer.charValue(1);
    writer.integer(-300);
    writer.integer(-1); // unsigned types come through the signed forms
    writer.integer(-70000);
    writer.integer(-1);
    writer.integer(-5);
    writer.integer(qint64(4000000000));
    writer.integer(-2);
    writer.integer(-1);
    writer.floatValue(0.1f);
    writer.doubleValue(-2.5e-300);
    const auto archive = read();
    ASSERT_TRUE(archive);
    const auto &v = archive->groups()[0].values;
    ASSERT_EQ(v.size(), 13);
    EXPECT_EQ(v[0].toInteger(), qint8(0x85));
    EXPECT_EQ(v[0].kind(), TypedStreamValue::Kind::Integer);
    EXPECT_EQ(v[1].toUnsigned(), 255u);
    EXPECT_EQ(v[1].kind(), TypedStreamValue::Kind::Unsigned);
    EXPECT_EQ(v[2].typeCode(), 'B');
    EXPECT_EQ(v[2].toUnsigned(), 1u);
    EXPECT_EQ(v[3].toInteger(), -300);
    EXPECT_EQ(v[4].toUnsigned(), 0xffffu);
    EXPECT_EQ(v[5].toInteger(), -70000);
    EXPECT_EQ(v[6].toUnsigned(), 0xffffffffu);
    EXPECT_EQ(v[7].toInteger(), -5);
    EXPECT_EQ(v[8].toUnsigned(), 4000000000u);
    EXPECT_EQ(v[9].toInteger(), -2);
    EXPECT_EQ(v[10].toUnsigned(), std::numeric_limits<quint64>::max());
    EXPECT_EQ(v[11].toReal(), double(0.1f));
    EXPECT_EQ(v[12].toReal(), -2.5e-300);
}

TEST_P(TypedStreamRoundTrip, RealsInShortAndTaggedForms)
{
    writer.group("ffffdddd");
    writer.floatValue(3.0f);           // short form: one byte
    writer.floatValue(3.0f, false);    // tagged form
    writer.floatValue(-40000.0f);      // short form: four bytes
    writer.floatValue(std::numeric_limits<float>::infinity());
    writer.doubleValue(826.0);
    writer.doubleValue(826.0, false);
    writer.doubleValue(0.01);
    writer.doubleValue(-0.0);
    const auto archive = read();
    ASSERT_TRUE(archive);
    const auto &v = archive->groups()[0].values;
    EXPECT_EQ(v[0].toReal(), 3.0);
    EXPECT_EQ(v[1].toReal(), 3.0);
    EXPECT_EQ(v[2].toReal(), -40000.0);
    EXPECT_TRUE(std::isinf(v[3].toReal()));
    EXPECT_EQ(v[4].toReal(), 826.0);
    EXPECT_EQ(v[5].toReal(), 826.0);
    EXPECT_EQ(v[6].toReal(), 0.01);
    EXPECT_TRUE(std::signbit(v[7].toReal()));
    for (const auto &x : v)
        EXPECT_EQ(x.kind(), TypedStreamValue::Kind::Real);
}

TEST_P(TypedStreamRoundTrip, StringsSelectorsClassesAndNil)
{
    writer.group("*%:+*%:#");
    writer.cString("hello");
    writer.sharedString("atom");
    writer.sharedString("doSomething:");
    writer.byteString(QByteArray("raw\0bytes", 9));
    writer.cString("hello"); // a back-reference into the object table
    writer.sharedString("atom"); // a back-reference into the string table
    writer.nil();
    writer.classValue({{"MyClass", 7}, {"NSObject", 0}});
    writer.group("*%:#@");
    writer.nil();
    writer.nil();
    writer.nil();
    writer.nil();
    writer.nil();
    const auto archive = read();
    ASSERT_TRUE(archive);
    const auto &v = archive->groups()[0].values;
    EXPECT_EQ(v[0].kind(), TypedStreamValue::Kind::String);
    EXPECT_EQ(v[0].bytes(), QByteArray("hello"));
    EXPECT_EQ(v[1].bytes(), QByteArray("atom"));
    EXPECT_EQ(v[1].typeCode(), '%');
    EXPECT_EQ(v[2].bytes(), QByteArray("doSomething:"));
    EXPECT_EQ(v[3].bytes(), QByteArray("raw\0bytes", 9));
    EXPECT_EQ(v[4].bytes(), QByteArray("hello"));
    EXPECT_EQ(v[5].bytes(), QByteArray("atom"));
    EXPECT_TRUE(v[6].isNil());
    ASSERT_EQ(v[7].kind(), TypedStreamValue::Kind::Class);
    EXPECT_EQ(v[7].classPointer()->name(), QByteArray("MyClass"));
    EXPECT_EQ(v[7].classPointer()->version(), 7);
    EXPECT_EQ(v[7].classPointer()->superclass()->name(), QByteArray("NSObject"));
    for (const auto &n : archive->groups()[1].values)
        EXPECT_TRUE(n.isNil());
}

TEST_P(TypedStreamRoundTrip, NestedArraysAndStructs)
{
    const QByteArray types = "{Outer=i[2{Inner=fd}][3s]{Deep={Deeper=[2[2c]]}}[4c]}";
    writer.group(types);
    writer.integer(-7);
    writer.floatValue(1.5f);
    writer.doubleValue(2.25);
    writer.floatValue(-1.5f);
    writer.doubleValue(-2.25);
    writer.integer(1);
    writer.integer(200);
    writer.integer(-300);
    writer.rawBytes("abcd");
    writer.rawBytes("wxyz");
    writer.group(types); // the type string again: a back-reference
    for (int i = 0; i < 8; ++i)
        writer.integer(i);
    writer.rawBytes("12345678");
    const auto archive = read();
    ASSERT_TRUE(archive);
    ASSERT_EQ(archive->groups().size(), 2);
    EXPECT_EQ(archive->groups()[1].types, types);
    const TypedStreamValue &outer = archive->groups()[0].values[0];
    ASSERT_EQ(outer.kind(), TypedStreamValue::Kind::Struct);
    EXPECT_EQ(outer.structName(), QByteArray("Outer"));
    ASSERT_EQ(outer.elements().size(), 5);
    EXPECT_EQ(outer.elements()[0].toInteger(), -7);
    const TypedStreamValue &pairs = outer.elements()[1];
    ASSERT_EQ(pairs.kind(), TypedStreamValue::Kind::Array);
    ASSERT_EQ(pairs.elements().size(), 2);
    EXPECT_EQ(pairs.elements()[1].structName(), QByteArray("Inner"));
    EXPECT_EQ(pairs.elements()[1].elements()[0].toReal(), -1.5);
    EXPECT_EQ(pairs.elements()[1].elements()[1].toReal(), -2.25);
    EXPECT_EQ(outer.elements()[2].toVariant(), (QVariantList{qint64(1), qint64(200), qint64(-300)}));
    const TypedStreamValue &deeper = outer.elements()[3].elements()[0];
    EXPECT_EQ(deeper.structName(), QByteArray("Deeper"));
    EXPECT_EQ(deeper.elements()[0].elements()[0].bytes(), QByteArray("ab"));
    EXPECT_EQ(deeper.elements()[0].elements()[1].bytes(), QByteArray("cd"));
    EXPECT_EQ(outer.elements()[4].bytes(), QByteArray("wxyz"));
    EXPECT_EQ(archive->groups()[1].values[0].elements()[4].bytes(), QByteArray("5678"));
}

TEST_P(TypedStreamRoundTrip, ObjectsClassChainsAndBackReferences)
{
    const int a = 0, b = 0;
    const TypedStreamWriter::ClassChain chain{{"Thing", 3}, {"Base", 9}, {"NSObject", 0}};
    writer.group("@");
    writer.beginObject(chain, &a);
    writer.group("i@");
    writer.integer(42);
    writer.beginObject({{"Other", 1}, {"Base", 9}, {"NSObject", 0}}, &b); // Base by reference
    writer.group("@");
    ASSERT_FALSE(writer.beginObject(chain, &a)); // refers back to the enclosing object
    writer.endObject();
    writer.group("@@");
    writer.beginObject(chain); // the class by reference
    writer.endObject();
    ASSERT_FALSE(writer.beginObject(chain, &b));
    writer.endObject();

    TypedStreamReader reader; // no decoders: generic objects only
    const auto archive = reader.read(writer.data());
    ASSERT_TRUE(archive) << qPrintable(reader.errorString());
    EXPECT_EQ(archive->objectCount(), 3);
    EXPECT_EQ(archive->classCount(), 4);
    const TypedStreamObject *thing = archive->rootObject();
    ASSERT_TRUE(thing);
    EXPECT_TRUE(thing->isComplete());
    EXPECT_EQ(thing->objectClass()->chain(), (QList<QByteArray>{"Thing", "Base", "NSObject"}));
    EXPECT_EQ(thing->classVersion("Base"), 9);
    EXPECT_EQ(thing->classVersion("Missing"), std::nullopt);
    ASSERT_EQ(thing->groups().size(), 2);
    EXPECT_EQ(thing->groups()[0].values[0].toInteger(), 42);
    const TypedStreamObject *other = thing->groups()[0].values[1].objectPointer();
    ASSERT_TRUE(other);
    EXPECT_EQ(other->className(), QByteArray("Other"));
    EXPECT_EQ(other->objectClass()->superclass(), thing->objectClass()->superclass());
    EXPECT_EQ(other->groups()[0].values[0].objectPointer(), thing);
    const TypedStreamObject *second = thing->groups()[1].values[0].objectPointer();
    EXPECT_EQ(second->objectClass(), thing->objectClass());
    EXPECT_EQ(thing->groups()[1].values[1].objectPointer(), other);
    EXPECT_FALSE(thing->hasDecodedValue());
}

TEST_P(TypedStreamRoundTrip, FoundationStringsArraysDictionariesNumbersData)
{
    writer.group("@");
    writer.array(7, [&](qsizetype i) {
        switch (i) {
        case 0:
            writer.string(QStringLiteral("Grüße – ✓"));
            break;
        case 1:
            writer.string(QStringLiteral("mutable"), "NSMutableString");
            break;
        case 2:
            writer.array(2, [&](qsizetype j) { writer.number("i", double(j + 10)); }, "NSArray");
            break;
        case 3:
            writer.beginObject({{"NSMutableDictionary", 0}, {"NSDictionary", 0}, {"NSObject", 0}});
            writer.group("i");
            writer.integer(2);
            writer.group("@");
            writer.string(QStringLiteral("pi"));
            writer.group("@");
            writer.number("d", 3.25);
            writer.group("@");
            writer.string(QStringLiteral("flag"));
            writer.group("@");
            writer.number("c", 1);
            writer.endObject();
            break;
        case 4:
            writer.dataObject(QByteArray("\x00\x01\x84\x86", 4));
            break;
        case 5:
            writer.number("q", 1e15);
            break;
        default:
            writer.nil();
            break;
        }
    });
    const auto archive = read();
    ASSERT_TRUE(archive);
    const QVariantList list = ArchivedFoundationObjects::valueOf(archive->groups()[0].values[0]).toList();
    ASSERT_EQ(list.size(), 7);
    EXPECT_EQ(list[0].toString(), QStringLiteral("Grüße – ✓"));
    EXPECT_EQ(list[1].toString(), QStringLiteral("mutable"));
    EXPECT_EQ(list[2].toList(), (QVariantList{qint64(10), qint64(11)}));
    const QVariantMap map = list[3].toMap();
    EXPECT_EQ(map.value(QStringLiteral("pi")).toDouble(), 3.25);
    EXPECT_EQ(map.value(QStringLiteral("flag")).toLongLong(), 1);
    EXPECT_EQ(list[4].toByteArray(), QByteArray("\x00\x01\x84\x86", 4));
    EXPECT_EQ(list[5].toLongLong(), qint64(1e15));
    EXPECT_FALSE(list[6].isValid());
}

TEST_P(TypedStreamRoundTrip, GeometryValuesAndColours)
{
    writer.group("@@@@@@");
    writer.beginObject({{"NSValue", 0}, {"NSObject", 0}});
    writer.group("*");
    writer.cString("{_NSPoint=ff}");
    writer.group("{_NSPoint=ff}");
    writer.floatValue(1.5f);
    writer.floatValue(-2);
    writer.endObject();
    writer.beginObject({{"NSValue", 0}, {"NSObject", 0}});
    writer.group("*");
    writer.cString("{CGSize=dd}");
    writer.group("{CGSize=dd}");
    writer.doubleValue(826);
    writer.doubleValue(615);
    writer.endObject();
    writer.beginObject({{"NSValue", 0}, {"NSObject", 0}});
    writer.group("*");
    writer.cString("{_NSRect={_NSPoint=ff}{_NSSize=ff}}");
    writer.group("{_NSRect={_NSPoint=ff}{_NSSize=ff}}");
    for (float f : {12.f, 30.f, 600.f, 400.5f})
        writer.floatValue(f);
    writer.endObject();
    const TypedStreamWriter::ClassChain color{{"NSColor", 0}, {"NSObject", 0}};
    writer.beginObject(color);
    writer.group("c");
    writer.charValue(1);
    writer.group("ffff");
    for (float f : {1.f, 0.5f, 0.f, 0.25f})
        writer.floatValue(f);
    writer.endObject();
    writer.beginObject(color);
    writer.group("c");
    writer.charValue(3);
    writer.group("ff");
    writer.floatValue(0.5f);
    writer.floatValue(1);
    writer.endObject();
    writer.beginObject(color);
    writer.group("c");
    writer.charValue(5);
    writer.group("fffff");
    for (float f : {0.f, 1.f, 0.f, 0.f, 1.f})
        writer.floatValue(f);
    writer.endObject();
    const auto archive = read();
    ASSERT_TRUE(archive);
    const auto &v = archive->groups()[0].values;
    using ArchivedFoundationObjects::valueOf;
    EXPECT_EQ(valueOf(v[0]).value<QPointF>(), QPointF(1.5, -2));
    EXPECT_EQ(valueOf(v[1]).value<QSizeF>(), QSizeF(826, 615));
    EXPECT_EQ(valueOf(v[2]).value<QRectF>(), QRectF(12, 30, 600, 400.5));
    const QColor rgb = valueOf(v[3]).value<QColor>();
    EXPECT_NEAR(rgb.redF(), 1, 1e-4);
    EXPECT_NEAR(rgb.greenF(), 0.5, 1e-4);
    EXPECT_NEAR(rgb.alphaF(), 0.25, 1e-4);
    const QColor grey = valueOf(v[4]).value<QColor>();
    EXPECT_NEAR(grey.redF(), 0.5, 1e-4);
    EXPECT_NEAR(grey.blueF(), 0.5, 1e-4);
    const QColor magenta = valueOf(v[5]).value<QColor>().toRgb();
    EXPECT_EQ(magenta, QColor(255, 0, 255));
}

INSTANTIATE_TEST_SUITE_P(BothByteOrders, TypedStreamRoundTrip,
                         ::testing::Values(TypedStreamWriter::ByteOrder::Little, TypedStreamWriter::ByteOrder::Big),
                         [](const auto &order) {
                             return order.param == TypedStreamWriter::ByteOrder::Little ? std::string("LittleEndian")
                                                                                       : std::string("BigEndian");
                         });
