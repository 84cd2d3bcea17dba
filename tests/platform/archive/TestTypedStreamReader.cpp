// The reader on malformed streams (it must refuse them, bounded and without a
// crash), its class decoders and filter, and the dates and time zones.
#include "platform/archive/ArchivedFoundationObjects.h"
#include "platform/archive/TypedStreamReader.h"
#include "tests/support/TypedStreamWriter.h"

#include <QTimeZone>
#include <gtest/gtest.h>

using namespace platform;
using testsupport::TypedStreamWriter;

namespace {

QString failureOf(const QByteArray &bytes)
{
    TypedStreamReader reader;
    ArchivedFoundationObjects::registerDecoders(reader);
    const auto archive = reader.read(bytes);
    if (archive)
        return {};
    EXPECT_FALSE(reader.errorString().isEmpty());
    EXPECT_GE(reader.errorOffset(), 0);
    return reader.errorString();
}

// A stream: the header, then the given bytes.
QByteArray stream(const QByteArray &body)
{
    TypedStreamWriter w;
    return w.data() + body;
}

// Seconds since 2001-01-01 UTC of a UTC date and time.
double sinceReference(const QDateTime &utc)
{
    return double(utc.toSecsSinceEpoch() - ArchivedFoundationObjects::ReferenceDateUnixSeconds);
}

} // namespace

TEST(TypedStreamReaderHeader, SignaturesAndVersions)
{
    EXPECT_TRUE(TypedStreamReader::hasSignature(QByteArray("\x04\x0bstreamtyped\x81\xe8\x03")));
    EXPECT_TRUE(TypedStreamReader::hasSignature(QByteArray("\x04\x0btypedstream\x81\x03\xe8")));
    EXPECT_FALSE(TypedStreamReader::hasSignature(QByteArray("<?xml version=\"1.0\"?>")));
    EXPECT_FALSE(TypedStreamReader::hasSignature(QByteArray("\x04\x0btypedstrea")));
    // A header alone is an empty, valid stream.
    TypedStreamReader reader;
    const auto empty = reader.read(QByteArray("\x04\x0btypedstream\x81\x03\xe8"));
    ASSERT_TRUE(empty);
    EXPECT_FALSE(empty->isLittleEndian());
    EXPECT_EQ(empty->systemVersion(), 1000);
    EXPECT_TRUE(empty->groups().isEmpty());
    EXPECT_EQ(empty->rootObject(), nullptr);

    EXPECT_FALSE(failureOf(QByteArray()).isEmpty());
    EXPECT_FALSE(failureOf(QByteArray("\x05\x0bstreamtyped\x01", 14)).isEmpty()); // version
    EXPECT_FALSE(failureOf(QByteArray("\x04\x0bstreamtypex\x01", 14)).isEmpty()); // signature
    EXPECT_FALSE(failureOf(QByteArray("\x04\x0astreamtype\x01", 13)).isEmpty());  // length
    EXPECT_FALSE(failureOf(QByteArray("\x04\x0bstreamtyped", 13)).isEmpty());     // no system version
}

TEST(TypedStreamReaderMalformed, TagsLengthsAndTypeStrings)
{
    // A reserved tag where an integer belongs.
    EXPECT_FALSE(failureOf(stream("\x84\x01i\x80")).isEmpty());
    EXPECT_FALSE(failureOf(stream("\x84\x01i\x86")).isEmpty());
    // Integers cut short.
    EXPECT_FALSE(failureOf(stream("\x84\x01i\x82\x01\x02")).isEmpty());
    EXPECT_FALSE(failureOf(stream("\x84\x01q\x87\x01")).isEmpty());
    // String and byte lengths beyond the end, negative lengths.
    EXPECT_FALSE(failureOf(stream("\x84\x7fi")).isEmpty());
    EXPECT_FALSE(failureOf(stream("\x84\x01+\x82\xff\xff\xff\x7f" "abc")).isEmpty());
    EXPECT_FALSE(failureOf(stream("\x84\x01+\xfe")).isEmpty());
    EXPECT_FALSE(failureOf(stream("\x84\xff")).isEmpty());
    // Type strings the format does not have, or that carry no data.
    for (const char *types : {"^i", "v", "{a=}", "{a}", "[c]", "[3", "[3c", "{a=i", "[99999999999c]", "b4"}) {
        QByteArray body("\x84");
        body.append(char(strlen(types)));
        body.append(types);
        body.append(QByteArray(16, '\x01'));
        EXPECT_FALSE(failureOf(stream(body)).isEmpty()) << types;
    }
    // A nil type string; a type string referring to a string not yet defined.
    EXPECT_FALSE(failureOf(stream("\x85")).isEmpty());
    EXPECT_FALSE(failureOf(stream("\x92\x01")).isEmpty());
    // Huge arrays are refused before anything is allocated for them.
    EXPECT_FALSE(failureOf(stream("\x84\x0c[999999999i]\x01\x02")).isEmpty());
    EXPECT_FALSE(failureOf(stream("\x84\x0c[99999999c]\x01\x02")).isEmpty());
    // Arrays of arrays of zero-length arrays would expand without bound.
    EXPECT_FALSE(failureOf(stream("\x84\x17[999999[999999{x=[0c]}]]")).isEmpty());
    // Nesting of type strings beyond the limit.
    QByteArray deep = QByteArray(40, '[').replace("[", "[1") + "i" + QByteArray(40, ']');
    QByteArray body("\x84");
    body.append(char(0x81));
    body.append(char(deep.size() & 0xff));
    body.append(char(deep.size() >> 8));
    body.append(deep);
    body.append('\x05');
    EXPECT_FALSE(failureOf(stream(body)).isEmpty());
}

TEST(TypedStreamReaderMalformed, ObjectsClassesAndReferences)
{
    // A back-reference to an object that was never defined.
    EXPECT_FALSE(failureOf(stream("\x84\x01@\x92")).isEmpty());
    EXPECT_FALSE(failureOf(stream("\x84\x01@\x81\x00\x10")).isEmpty());
    // An object without a class; a class without a name.
    EXPECT_FALSE(failureOf(stream("\x84\x01@\x84\x85\x86")).isEmpty());
    EXPECT_FALSE(failureOf(stream("\x84\x01@\x84\x84\x85\x00\x85\x86")).isEmpty());
    // A class whose superclass is itself (entry 1 is the class being read).
    EXPECT_FALSE(failureOf(stream("\x84\x01@\x84\x84\x84\x01X\x00\x93\x86")).isEmpty());
    // A class label that names the object.
    EXPECT_FALSE(failureOf(stream("\x84\x01@\x84\x92\x86")).isEmpty());
    // An object label that names a class.
    EXPECT_FALSE(failureOf(stream("\x84\x01@\x84\x84\x84\x01X\x00\x85\x86\x93")).isEmpty());
    // "*" label to an object entry.
    EXPECT_FALSE(failureOf(stream("\x84\x02@*\x84\x84\x84\x01X\x00\x85\x86\x92")).isEmpty());
    // An object without its end marker.
    EXPECT_FALSE(failureOf(stream("\x84\x01@\x84\x84\x84\x01X\x00\x85\x84\x01i\x05")).isEmpty());
    // An end marker at the top level.
    EXPECT_FALSE(failureOf(stream("\x86")).isEmpty());
    // Labels at the ends of the 64-bit range, as a string's and as an object's: refused
    // with the label as the stream gave it.
    for (const QByteArray &label : {QByteArray("\x87\x7f\xff\xff\xff\xff\xff\xff\xff", 9),
                                    QByteArray("\x87\x80\x00\x00\x00\x00\x00\x00\x00", 9)}) {
        const QString expected = label.at(1) == '\x7f' ? QStringLiteral("9223372036854775807")
                                                       : QStringLiteral("-9223372036854775808");
        const QByteArray header = TypedStreamWriter(TypedStreamWriter::ByteOrder::Big).data();
        EXPECT_EQ(failureOf(header + label),
                  QStringLiteral("back-reference label %1 outside the table of 0 entries").arg(expected));
        EXPECT_EQ(failureOf(header + "\x84\x01@" + label),
                  QStringLiteral("back-reference label %1 outside the table of 0 entries").arg(expected));
    }
}

TEST(TypedStreamReaderMalformed, NestingAndChainsAreBounded)
{
    // 300 objects each inside the last: refused (the limit is 200), no stack overflow.
    TypedStreamWriter w;
    w.group("@");
    for (int i = 0; i < 300; ++i) {
        w.beginObject({{"Box", 0}, {"NSObject", 0}});
        w.group("@");
    }
    w.nil();
    for (int i = 0; i < 300; ++i)
        w.endObject();
    EXPECT_TRUE(failureOf(w.data()).contains(QStringLiteral("deep")));

    // A class chain of 100 classes: refused (the limit is 64).
    TypedStreamReader::Limits limits;
    TypedStreamWriter::ClassChain chain;
    for (int i = 0; i < 100; ++i)
        chain.append({"C" + QByteArray::number(i), 0});
    TypedStreamWriter c;
    c.group("#");
    c.classValue(chain);
    EXPECT_FALSE(failureOf(c.data()).isEmpty());
    // Within the limits both read.
    TypedStreamWriter ok;
    ok.group("#");
    ok.classValue(chain.mid(0, 60));
    EXPECT_TRUE(failureOf(ok.data()).isEmpty());
    (void)limits;
}

TEST(TypedStreamReaderDecoders, MalformedFoundationObjectsAreRefused)
{
    // NSString without its "+" group.
    TypedStreamWriter s;
    s.group("@");
    s.beginObject({{"NSString", 1}, {"NSObject", 0}});
    s.group("i");
    s.integer(3);
    s.endObject();
    EXPECT_TRUE(failureOf(s.data()).contains(QStringLiteral("NSString")));
    // NSArray claiming more elements than it holds.
    TypedStreamWriter a;
    a.group("@");
    a.beginObject(TypedStreamWriter::arrayChain("NSArray"));
    a.group("i");
    a.integer(3);
    a.group("@");
    a.nil();
    a.endObject();
    EXPECT_FALSE(failureOf(a.data()).isEmpty());
    // NSData whose length disagrees with its bytes.
    TypedStreamWriter d;
    d.group("@");
    d.beginObject({{"NSData", 0}, {"NSObject", 0}});
    d.group("i");
    d.integer(5);
    d.group("[3c]");
    d.rawBytes("abc");
    d.endObject();
    EXPECT_FALSE(failureOf(d.data()).isEmpty());
    // NSDate without its interval, or with one out of every calendar.
    TypedStreamWriter t;
    t.group("@");
    t.beginObject({{"NSDate", 0}, {"NSObject", 0}});
    t.endObject();
    EXPECT_FALSE(failureOf(t.data()).isEmpty());
    TypedStreamWriter far;
    far.group("@");
    far.date(1e300);
    EXPECT_FALSE(failureOf(far.data()).isEmpty());
    // The same streams read without decoders: generic objects.
    TypedStreamReader generic;
    EXPECT_TRUE(generic.read(s.data()));
    EXPECT_TRUE(generic.read(t.data()));
}

TEST(TypedStreamReaderDecoders, SubclassesUseTheirSuperclassDecoderAndFilterIsAsked)
{
    TypedStreamWriter w;
    w.group("@@");
    w.beginObject({{"MyString", 2}, {"NSString", 1}, {"NSObject", 0}});
    w.group("+");
    w.byteString("mine");
    w.endObject();
    w.beginObject({{"Unknown", 0}, {"NSObject", 0}});
    w.group("@");
    w.string(QStringLiteral("inner"));
    w.group("@");
    w.array(1, [&](qsizetype) { w.string(QStringLiteral("listed")); });
    w.endObject();

    TypedStreamReader reader;
    ArchivedFoundationObjects::registerDecoders(reader);
    QList<QByteArray> asked;
    // Each object with the ones around it, the innermost first.
    reader.setClassFilter([&](const TypedStreamClass &cls, const TypedStreamObject *enclosing) {
        EXPECT_EQ(enclosing, reader.enclosingObject(0));
        QByteArray around = cls.name();
        for (qsizetype outward = 0; const TypedStreamObject *object = reader.enclosingObject(outward); ++outward)
            around += "<" + object->className();
        asked.append(around);
        return cls.name() != "Forbidden";
    });
    const auto archive = reader.read(w.data());
    ASSERT_TRUE(archive);
    EXPECT_EQ(ArchivedFoundationObjects::valueOf(archive->groups()[0].values[0]).toString(), QStringLiteral("mine"));
    const TypedStreamObject *unknown =
        ArchivedFoundationObjects::objectIn(ArchivedFoundationObjects::valueOf(archive->groups()[0].values[1]));
    ASSERT_TRUE(unknown);
    EXPECT_EQ(ArchivedFoundationObjects::valueOf(unknown->groups()[0].values[0]).toString(), QStringLiteral("inner"));
    EXPECT_EQ(asked, (QList<QByteArray>{"MyString", "Unknown", "NSString<Unknown", "NSMutableArray<Unknown",
                                        "NSString<NSMutableArray<Unknown"}));
    EXPECT_FALSE(reader.enclosingObject(0));

    TypedStreamWriter f;
    f.group("@");
    f.beginObject({{"Forbidden", 0}, {"NSObject", 0}});
    f.endObject();
    EXPECT_FALSE(reader.read(f.data()));
    EXPECT_TRUE(reader.errorString().contains(QStringLiteral("Forbidden")));
}

TEST(TypedStreamDates, DatesCalendarDatesAndZones)
{
    const QDateTime winter(QDate(2009, 3, 14), QTime(8, 5, 0), Qt::UTC);
    const QDateTime summer(QDate(2009, 7, 1), QTime(22, 30, 15), Qt::UTC);
    // Zone data compiled by hand: no transitions, one type at +05:30.
    QByteArray tzif("TZif2");
    tzif.append(QByteArray(15, '\0'));
    const quint32 counts[6] = {0, 0, 0, 0, 1, 4};
    for (quint32 c : counts)
        for (int s = 24; s >= 0; s -= 8)
            tzif.append(char((c >> s) & 0xff));
    tzif.append(QByteArray("\x00\x00\x4d\x58\x00\x00", 6)); // 19800 seconds, no DST
    tzif.append(QByteArray("IST\0", 4));

    // Decoders sharing equal values hand out the same dates: the same moment in other
    // zones stays apart, and comes back alike when met again.
    for (auto order : {TypedStreamWriter::ByteOrder::Little, TypedStreamWriter::ByteOrder::Big})
    for (auto sharing : {ArchivedFoundationObjects::Sharing::None, ArchivedFoundationObjects::Sharing::EqualValues}) {
        TypedStreamWriter w(order);
        w.group("@@@@@@@");
        w.date(sinceReference(winter) + 0.25);
        w.calendarDate(sinceReference(winter), QStringLiteral("Europe/Berlin"));
        w.calendarDate(sinceReference(summer), QStringLiteral("Europe/Berlin"));
        w.calendarDate(sinceReference(winter), QStringLiteral("Nowhere/Special"), tzif);
        w.calendarDate(sinceReference(winter), QStringLiteral("GMT-0330"));
        w.calendarDate(-sinceReference(winter), QStringLiteral("UTC"));
        w.calendarDate(sinceReference(winter), QStringLiteral("Europe/Berlin"));
        TypedStreamReader reader;
        ArchivedFoundationObjects::registerDecoders(reader, sharing);
        const auto archive = reader.read(w.data());
        ASSERT_TRUE(archive);
        const auto &v = archive->groups()[0].values;
        using ArchivedFoundationObjects::valueOf;
        const QDateTime date = valueOf(v[0]).toDateTime();
        EXPECT_EQ(date.timeSpec(), Qt::UTC);
        EXPECT_EQ(date, winter.addMSecs(250));

        const QDateTime berlinWinter = valueOf(v[1]).toDateTime();
        EXPECT_EQ(berlinWinter, winter);
        EXPECT_EQ(berlinWinter.timeSpec(), Qt::OffsetFromUTC);
        if (QTimeZone::isTimeZoneIdAvailable("Europe/Berlin")) {
            EXPECT_EQ(berlinWinter.offsetFromUtc(), 3600);
            EXPECT_EQ(berlinWinter.time(), QTime(9, 5, 0));
            EXPECT_EQ(valueOf(v[2]).toDateTime().offsetFromUtc(), 7200);
        }
        const QDateTime india = valueOf(v[3]).toDateTime();
        EXPECT_EQ(india, winter);
        EXPECT_EQ(india.offsetFromUtc(), 19800);
        EXPECT_EQ(valueOf(v[4]).toDateTime().offsetFromUtc(), -(3 * 3600 + 30 * 60));
        const QDateTime before = valueOf(v[5]).toDateTime();
        EXPECT_EQ(before.offsetFromUtc(), 0);
        EXPECT_EQ(before.date().year(), 1992);
        const QDateTime again = valueOf(v[6]).toDateTime();
        EXPECT_EQ(again, berlinWinter);
        EXPECT_EQ(again.timeSpec(), berlinWinter.timeSpec());
        EXPECT_EQ(again.offsetFromUtc(), berlinWinter.offsetFromUtc());
    }
}

TEST(TypedStreamDates, TimeZoneRulesAndNames)
{
    // Two transitions: +1 h until 1000, +2 h (DST) until 2000, then +1 h again.
    QByteArray tzif("TZif\0", 5);
    tzif.append(QByteArray(15, '\0'));
    const quint32 counts[6] = {0, 0, 0, 2, 2, 8};
    auto be = [&](quint32 c) {
        for (int s = 24; s >= 0; s -= 8)
            tzif.append(char((c >> s) & 0xff));
    };
    for (quint32 c : counts)
        be(c);
    be(1000);
    be(2000);
    tzif.append(char(1));
    tzif.append(char(0));
    tzif.append(QByteArray("\x00\x00\x0e\x10\x00\x00", 6));
    tzif.append(QByteArray("\x00\x00\x1c\x20\x01\x04", 6));
    tzif.append(QByteArray("CET\0CEST", 8));
    const ArchivedTimeZone zone(QStringLiteral("Unknown/Zone"), tzif);
    EXPECT_TRUE(zone.hasRules());
    EXPECT_EQ(zone.offsetFromUtc(0), 3600);
    EXPECT_EQ(zone.offsetFromUtc(1000), 7200);
    EXPECT_EQ(zone.offsetFromUtc(1999), 7200);
    EXPECT_EQ(zone.offsetFromUtc(5000), 3600);
    // Damaged zone data is ignored, never read past its end.
    EXPECT_FALSE(ArchivedTimeZone(QString(), tzif.left(60)).hasRules());
    QByteArray badIndex = tzif;
    badIndex[44 + 8] = char(7);
    EXPECT_FALSE(ArchivedTimeZone(QString(), badIndex).hasRules());

    EXPECT_EQ(ArchivedTimeZone::fixedOffsetInName(QStringLiteral("GMT+0100")), 3600);
    EXPECT_EQ(ArchivedTimeZone::fixedOffsetInName(QStringLiteral("GMT-05:30")), -19800);
    EXPECT_EQ(ArchivedTimeZone::fixedOffsetInName(QStringLiteral("UTC+1")), 3600);
    EXPECT_EQ(ArchivedTimeZone::fixedOffsetInName(QStringLiteral("GMT")), 0);
    EXPECT_EQ(ArchivedTimeZone::fixedOffsetInName(QStringLiteral("GMT+99")), std::nullopt);
    EXPECT_EQ(ArchivedTimeZone::fixedOffsetInName(QStringLiteral("Europe/Paris")), std::nullopt);
}

TEST(TypedStreamReaderHolding, DecodedObjectsGiveUpTheirGroupsOthersKeepThem)
{
    // A list of a string, an object of a class without a decoder, and the string
    // again by back-reference; then the string referred to at the top level. Both ways
    // of holding answer the same values and hold as much at their peaks.
    TypedStreamWriter w;
    const int identity = 0;
    w.group("@");
    w.array(3, [&](qsizetype i) {
        if (i == 1) {
            w.beginObject({{"Unknown", 3}, {"NSObject", 0}});
            w.group("i");
            w.integer(7);
            w.endObject();
        } else if (w.beginObject({{"NSString", 1}, {"NSObject", 0}}, &identity)) {
            w.group("+");
            w.byteString("text");
            w.endObject();
        }
    });
    w.group("@");
    EXPECT_FALSE(w.beginObject({{"NSString", 1}, {"NSObject", 0}}, &identity));
    qsizetype peaks[2] = {};
    for (const bool keep : {true, false}) {
        TypedStreamReader reader;
        ArchivedFoundationObjects::registerDecoders(reader);
        reader.setKeepDecodedGroups(keep);
        const auto archive = reader.read(w.data());
        ASSERT_TRUE(archive) << qPrintable(reader.errorString());
        const QVariantList list = ArchivedFoundationObjects::valueOf(archive->groups().first().values.first()).toList();
        ASSERT_EQ(list.size(), 3);
        EXPECT_EQ(list.at(0).toString(), QStringLiteral("text"));
        EXPECT_EQ(list.at(2).toString(), QStringLiteral("text"));
        EXPECT_EQ(ArchivedFoundationObjects::valueOf(archive->groups().at(1).values.first()), QVariant(QStringLiteral("text")));
        peaks[keep] = reader.peakHeld();
        const TypedStreamObject *unknown = ArchivedFoundationObjects::objectIn(list.at(1));
        ASSERT_TRUE(unknown);
        ASSERT_EQ(unknown->values().size(), 1);
        EXPECT_EQ(unknown->values().first()->toInteger(), 7);
        // Dropping them, the records of decoded objects are given back for later
        // objects once the object holding them has its value (a record given back has
        // no class).
        for (qsizetype i = 0; i < archive->objectCount(); ++i) {
            const TypedStreamObject *object = archive->objectAt(i);
            const bool givenBack = !keep && !object->objectClass();
            EXPECT_EQ(object->groups().isEmpty(), !keep && (object->hasDecodedValue() || givenBack))
                << object->className().data();
        }
    }
    EXPECT_EQ(peaks[0], peaks[1]);

    // A text is kept where texts alone are: a decoder taking one over fails the read,
    // either way of holding alike.
    TypedStreamWriter holding;
    holding.group("@");
    holding.beginObject({{"Holder", 0}, {"NSObject", 0}});
    holding.group("@");
    holding.string(QStringLiteral("held"));
    holding.endObject();
    QString errors[2];
    for (const bool keep : {true, false}) {
        TypedStreamReader reader;
        ArchivedFoundationObjects::registerDecoders(reader);
        reader.setKeepDecodedGroups(keep);
        reader.setClassDecoder("Holder", [&reader](TypedStreamObject &object) {
            if (!reader.takeOver(*object.values().first(), QVariant(QStringLiteral("other"))))
                return false;
            object.setDecodedValue(QVariant(1));
            return true;
        });
        EXPECT_FALSE(reader.read(holding.data()));
        errors[keep] = reader.errorString();
    }
    EXPECT_EQ(errors[0], errors[1]);
    EXPECT_FALSE(errors[0].isEmpty());
}

TEST(TypedStreamReaderHolding, AValueTakenOverAsNothingGivesItsPlaceBack)
{
    // A box (a class without a decoder) of holders, each taking its list over, then a
    // data object read after them, and references to the first holder's list and to
    // the data. A list taken over as nothing leaves its place to a later value: both ways
    // of holding answer alike, the reference to the list finds nothing (not the value
    // in its old place), and the read holds a place less for each holder than when
    // the holders keep something in their lists' places.
    constexpr int Holders = 400;
    const int firstList = 0;
    const int later = 0;
    const TypedStreamWriter::ClassChain dataChain{{"NSMutableData", 0}, {"NSData", 0}, {"NSObject", 0}};
    TypedStreamWriter w;
    w.group("@");
    w.beginObject({{"Box", 0}, {"NSObject", 0}});
    for (int i = 0; i < Holders; ++i) {
        w.group("@");
        w.beginObject({{"Holder", 0}, {"NSObject", 0}});
        w.group("@");
        w.beginObject(TypedStreamWriter::arrayChain("NSMutableArray"), i == 0 ? &firstList : nullptr);
        w.group("i");
        w.integer(2);
        for (const char *item : {"a", "b"}) {
            w.group("@");
            w.string(QString::fromLatin1(item));
        }
        w.endObject();
        w.endObject();
    }
    w.group("@");
    if (w.beginObject(dataChain, &later)) {
        w.group("i");
        w.integer(5);
        w.group("[5c]");
        w.rawBytes("later");
        w.endObject();
    }
    w.group("@");
    EXPECT_FALSE(w.beginObject(TypedStreamWriter::arrayChain("NSMutableArray"), &firstList));
    w.group("@");
    EXPECT_FALSE(w.beginObject(dataChain, &later));
    w.endObject();

    qsizetype peaks[2][2] = {};
    for (const bool asNothing : {true, false}) {
        for (const bool keep : {true, false}) {
            TypedStreamReader reader;
            ArchivedFoundationObjects::registerDecoders(reader);
            reader.setKeepDecodedGroups(keep);
            reader.setClassDecoder("Holder", [&reader, asNothing](TypedStreamObject &object) {
                const QList<const TypedStreamValue *> values = object.values();
                if (values.size() != 1)
                    return false;
                const qsizetype count = ArchivedFoundationObjects::valueOf(*values.first()).toList().size();
                if (!reader.takeOver(*values.first(), asNothing ? QVariant() : QVariant(0)))
                    return false;
                object.setDecodedValue(QVariant(int(count)));
                return true;
            });
            const auto archive = reader.read(w.data());
            ASSERT_TRUE(archive) << qPrintable(reader.errorString());
            const TypedStreamObject *box = ArchivedFoundationObjects::objectIn(
                ArchivedFoundationObjects::valueOf(archive->groups().first().values.first()));
            ASSERT_TRUE(box);
            const QList<const TypedStreamValue *> values = box->values();
            ASSERT_EQ(values.size(), Holders + 3);
            for (int i = 0; i < Holders; ++i)
                EXPECT_EQ(ArchivedFoundationObjects::valueOf(*values.at(i)), QVariant(2)) << i;
            EXPECT_EQ(ArchivedFoundationObjects::valueOf(*values.at(Holders)), QVariant(QByteArray("later")));
            EXPECT_EQ(ArchivedFoundationObjects::valueOf(*values.at(Holders + 1)), asNothing ? QVariant() : QVariant(0))
                << keep;
            EXPECT_EQ(ArchivedFoundationObjects::valueOf(*values.at(Holders + 2)), QVariant(QByteArray("later")));
            peaks[asNothing][keep] = reader.peakHeld();
        }
        EXPECT_EQ(peaks[asNothing][0], peaks[asNothing][1]) << asNothing;
    }
    EXPECT_GE(peaks[false][0] - peaks[true][0], Holders * qsizetype(sizeof(QVariant)));
}

TEST(TypedStreamReaderMalformed, BackReferencesAreBoundedWhenAsked)
{
    // A list referring back to its first element: the bound counts references, not
    // definitions, and is none unless set.
    auto referringBack = [](qsizetype count) {
        TypedStreamWriter w;
        const int identity = 0;
        w.group("@");
        w.array(count + 1, [&](qsizetype) {
            if (w.beginObject({{"NSString", 1}, {"NSObject", 0}}, &identity)) {
                w.group("+");
                w.byteString("x");
                w.endObject();
            }
        });
        return w.data();
    };
    const QByteArray many = referringBack(20000);
    EXPECT_EQ(failureOf(many), QString());
    TypedStreamReader reader;
    TypedStreamReader::Limits limits;
    limits.bytesPerBackReference = 8;
    reader.setLimits(limits);
    const qsizetype allowed = many.size() / 8 + TypedStreamReader::BackReferenceAllowance;
    ASSERT_LT(allowed, 20000);
    EXPECT_FALSE(reader.read(many));
    EXPECT_EQ(reader.errorString(), QStringLiteral("too many back-references for the size of the stream"));
    // Within the bound: as many references as its own size allows.
    const QByteArray fewer = referringBack(TypedStreamReader::BackReferenceAllowance);
    EXPECT_TRUE(reader.read(fewer)) << qPrintable(reader.errorString());
}

TEST(TypedStreamReaderMalformed, MemoryIsBoundedWhenAsked)
{
    // A list of objects of no fields: four bytes of stream each, far more held.
    TypedStreamWriter w;
    w.group("@");
    w.array(200000, [&](qsizetype) {
        w.beginObject({{"Unknown", 0}});
        w.endObject();
    });
    const QByteArray tiny = w.data();
    EXPECT_EQ(failureOf(tiny), QString());

    TypedStreamReader reader;
    ArchivedFoundationObjects::registerDecoders(reader);
    TypedStreamReader::Limits limits;
    limits.memoryPerStreamByte = 8;
    reader.setLimits(limits);
    const qsizetype budget = tiny.size() * 8 + TypedStreamReader::MemoryAllowance;
    EXPECT_FALSE(reader.read(tiny));
    EXPECT_EQ(reader.errorString(), QStringLiteral("stream too large for the memory its values take"));
    // Refused at the first charge past the budget, before holding it: the room of the
    // list for the 200,000 items it says it holds, before its first item.
    EXPECT_LE(reader.peakHeld(), budget);
    EXPECT_LT(reader.errorOffset(), 128);

    // A stream within the bound reads as it does without one, and both ways of
    // holding it are charged alike.
    TypedStreamWriter small;
    small.group("@");
    small.array(2000, [&](qsizetype i) { small.string(QStringLiteral("entry %1").arg(i)); });
    qsizetype peaks[2] = {};
    for (const bool keep : {true, false}) {
        reader.setKeepDecodedGroups(keep);
        const auto archive = reader.read(small.data());
        ASSERT_TRUE(archive) << qPrintable(reader.errorString());
        const QVariantList list = ArchivedFoundationObjects::valueOf(archive->groups().first().values.first()).toList();
        ASSERT_EQ(list.size(), 2000);
        EXPECT_EQ(list.at(1999).toString(), QStringLiteral("entry 1999"));
        peaks[keep ? 0 : 1] = reader.peakHeld();
    }
    EXPECT_EQ(peaks[0], peaks[1]);
    EXPECT_GT(peaks[0], 2000 * qsizetype(sizeof(TypedStreamObject)));

    // A list's room is made for the count it wrote, at most what the rest of the stream
    // can hold: one that says it holds a million items but holds one long string is
    // refused where its items begin, and without a bound once it has been read.
    for (const qint64 count : {qint64(1), qint64(1000000)}) {
        TypedStreamWriter lying;
        lying.group("@");
        lying.beginObject(TypedStreamWriter::arrayChain("NSMutableArray"));
        lying.group("i");
        lying.integer(count);
        lying.group("@");
        lying.string(QString(100000, QLatin1Char('x')));
        lying.endObject();
        limits.memoryAllowance = 4096;
        reader.setLimits(limits);
        const auto bounded = reader.read(lying.data());
        if (count == 1) {
            EXPECT_TRUE(bounded) << qPrintable(reader.errorString());
        } else {
            EXPECT_FALSE(bounded);
            EXPECT_EQ(reader.errorString(), QStringLiteral("stream too large for the memory its values take"));
            EXPECT_LT(reader.errorOffset(), 128);
            EXPECT_EQ(failureOf(lying.data()), QStringLiteral("malformed NSMutableArray"));
        }
    }
}

TEST(TypedStreamReaderMalformed, AnArrayIsChargedBeforeItsElementsAreHeld)
{
    // "[n i]" of a million numbers in a stream of a million bytes: within the count of
    // values the stream allows, past the memory.
    TypedStreamWriter w;
    const qsizetype count = 1000000;
    w.group(QByteArray("[") + QByteArray::number(count) + "i]");
    for (qsizetype i = 0; i < count; ++i)
        w.integer(1);
    TypedStreamReader reader;
    TypedStreamReader::Limits limits;
    limits.memoryPerStreamByte = 8;
    reader.setLimits(limits);
    EXPECT_FALSE(reader.read(w.data()));
    EXPECT_EQ(reader.errorString(), QStringLiteral("stream too large for the memory its values take"));
    // Nothing of the array was read: the refusal comes at its first element.
    EXPECT_LT(reader.errorOffset(), 64);
    EXPECT_LT(reader.peakHeld(), count * qsizetype(sizeof(TypedStreamValue)) + 4096);
    limits.memoryPerStreamByte = 0;
    reader.setLimits(limits);
    EXPECT_TRUE(reader.read(w.data())) << qPrintable(reader.errorString());
}

TEST(TypedStreamReaderMalformed, TheMemoryBoundIsExact)
{
    // A stream whose read holds exactly its budget is read; with one byte less of
    // budget it is refused, having held no more than that. (Under a bound a list takes
    // room for its items at once: what a read under a bound holds is the measure.)
    TypedStreamWriter w;
    w.group("@");
    w.array(3000, [&](qsizetype i) { w.string(QStringLiteral("entry %1").arg(i)); });
    TypedStreamReader reader;
    ArchivedFoundationObjects::registerDecoders(reader);
    TypedStreamReader::Limits limits;
    limits.memoryPerStreamByte = 1000;
    reader.setLimits(limits);
    ASSERT_TRUE(reader.read(w.data())) << qPrintable(reader.errorString());
    const qsizetype held = reader.peakHeld();
    ASSERT_GT(held, 3000 * qsizetype(sizeof(TypedStreamObject)));
    limits.memoryPerStreamByte = 1;
    limits.memoryAllowance = held - w.data().size();
    reader.setLimits(limits);
    for (const bool keep : {true, false}) {
        reader.setKeepDecodedGroups(keep);
        EXPECT_TRUE(reader.read(w.data())) << qPrintable(reader.errorString());
        EXPECT_EQ(reader.peakHeld(), held);
    }
    limits.memoryAllowance -= 1;
    reader.setLimits(limits);
    EXPECT_FALSE(reader.read(w.data()));
    EXPECT_EQ(reader.errorString(), QStringLiteral("stream too large for the memory its values take"));
    EXPECT_LT(reader.peakHeld(), held);
}
