#include "tests/support/EvenWidthFont.h"

#include <QByteArray>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QList>
#include <QString>
#include <gtest/gtest.h>

namespace testsupport {
namespace {

constexpr int UnitsPerEm = 1000;
constexpr int Advance = 500; // half an em
constexpr char16_t FirstCharacter = 0x20;
constexpr char16_t LastCharacter = 0x7E;
constexpr int GlyphCount = 1 + (LastCharacter - FirstCharacter + 1); // .notdef, then the characters
const QString FamilyName = QStringLiteral("Chronark Even Width");

// Big-endian writing, as every table of a TrueType file is.
class Writer
{
public:
    void u8(int value) { m_bytes.append(char(value & 0xFF)); }
    void u16(int value)
    {
        u8(value >> 8);
        u8(value);
    }
    void u32(quint32 value)
    {
        u16(int(value >> 16));
        u16(int(value & 0xFFFF));
    }
    void bytes(const QByteArray &bytes) { m_bytes.append(bytes); }
    void zeros(int count) { m_bytes.append(QByteArray(count, '\0')); }
    void padTo4()
    {
        while (m_bytes.size() % 4)
            u8(0);
    }
    qsizetype size() const { return m_bytes.size(); }
    const QByteArray &data() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

QByteArray head()
{
    Writer w;
    w.u32(0x00010000);   // version
    w.u32(0x00010000);   // font revision
    w.u32(0);            // checksum adjustment (nothing reads it)
    w.u32(0x5F0F3CF5);   // magic number
    w.u16(0x0003);       // baseline at y 0, left side bearing at x 0
    w.u16(UnitsPerEm);
    w.zeros(16);         // created, modified
    w.u16(0);            // x min
    w.u16(0);            // y min
    w.u16(450);          // x max
    w.u16(700);          // y max
    w.u16(0);            // mac style
    w.u16(6);            // lowest readable size
    w.u16(2);            // direction hint
    w.u16(0);            // short loca offsets
    w.u16(0);            // glyph data format
    return w.data();
}

QByteArray hhea()
{
    Writer w;
    w.u32(0x00010000);
    w.u16(800);          // ascender
    w.u16(-200);         // descender
    w.u16(0);            // line gap
    w.u16(Advance);      // widest advance
    w.u16(0);            // least left side bearing
    w.u16(50);           // least right side bearing
    w.u16(450);          // widest extent
    w.u16(1);            // caret slope rise
    w.u16(0);            // caret slope run
    w.u16(0);            // caret offset
    w.zeros(8);          // reserved
    w.u16(0);            // metric data format
    w.u16(1);            // one advance serves every glyph
    return w.data();
}

QByteArray maxp()
{
    Writer w;
    w.u32(0x00010000);
    w.u16(GlyphCount);
    w.u16(4);            // points
    w.u16(1);            // contours
    w.u16(0);            // composite points
    w.u16(0);            // composite contours
    w.u16(2);            // zones
    w.zeros(16);         // twilight points … component depth
    return w.data();
}

QByteArray os2()
{
    Writer w;
    w.u16(3);            // version
    w.u16(Advance);      // average width
    w.u16(400);          // weight: regular
    w.u16(5);            // width: medium
    w.u16(0);            // embedding: installable
    for (int value : {650, 600, 0, 75, 650, 600, 0, 350, 50, 300})
        w.u16(value);    // sub- and superscript, strikeout
    w.u16(0);            // family class
    w.zeros(10);         // PANOSE
    w.u32(1);            // Unicode ranges: Basic Latin
    w.zeros(12);
    w.bytes("NONE");     // vendor
    w.u16(0x0040);       // regular
    w.u16(FirstCharacter);
    w.u16(LastCharacter);
    w.u16(800);          // typographic ascender
    w.u16(-200);         // typographic descender
    w.u16(0);            // typographic line gap
    w.u16(800);          // Windows ascent
    w.u16(200);          // Windows descent
    w.u32(1);            // code pages: Latin 1
    w.u32(0);
    w.u16(500);          // x height
    w.u16(700);          // cap height
    w.u16(0);            // default character
    w.u16(0x20);         // break character
    w.u16(1);            // context
    return w.data();
}

QByteArray hmtx()
{
    Writer w;
    w.u16(Advance);      // .notdef's advance, the one every glyph takes
    w.u16(0);
    for (int glyph = 1; glyph < GlyphCount; ++glyph)
        w.u16(glyph == 1 ? 0 : 50); // left side bearings: the space is empty
    return w.data();
}

QByteArray cmap()
{
    // One Windows Unicode subtable (format 4) with a single range and its end mark.
    Writer w;
    w.u16(0);
    w.u16(1);
    w.u16(3);
    w.u16(1);
    w.u32(12);
    w.u16(4);            // format
    w.u16(32);           // length
    w.u16(0);            // language
    w.u16(4);            // two segments
    w.u16(4);            // search range
    w.u16(1);            // entry selector
    w.u16(0);            // range shift
    w.u16(LastCharacter);
    w.u16(0xFFFF);
    w.u16(0);            // reserved
    w.u16(FirstCharacter);
    w.u16(0xFFFF);
    w.u16(1 - FirstCharacter); // glyph 1 for the first character
    w.u16(1);
    w.u16(0);
    w.u16(0);
    return w.data();
}

// The bar every visible character draws: 0.05 to 0.45 em, baseline to 0.7 em.
QByteArray barGlyph()
{
    Writer w;
    w.u16(1);            // one contour
    w.u16(50);
    w.u16(0);
    w.u16(450);
    w.u16(700);
    w.u16(3);            // last point of the contour
    w.u16(0);            // no instructions
    for (int i = 0; i < 4; ++i)
        w.u8(0x01);      // on the curve, two-byte coordinates
    for (int dx : {50, 0, 400, 0})
        w.u16(dx);
    for (int dy : {0, 700, 0, -700})
        w.u16(dy);
    w.u16(0);            // pad to an even length
    return w.data();
}

void glyfAndLoca(QByteArray &glyf, QByteArray &loca)
{
    const QByteArray bar = barGlyph();
    Writer g;
    Writer l;
    for (int glyph = 0; glyph < GlyphCount; ++glyph) {
        l.u16(int(g.size() / 2));
        if (glyph >= 2) // .notdef and the space have no outline
            g.bytes(bar);
    }
    l.u16(int(g.size() / 2));
    glyf = g.data();
    loca = l.data();
}

QByteArray name()
{
    const QList<std::pair<int, QString>> names = {
        {1, FamilyName}, {2, QStringLiteral("Regular")}, {3, FamilyName}, {4, FamilyName},
        {6, QStringLiteral("ChronarkEvenWidth")},
    };
    Writer w;
    Writer strings;
    w.u16(0);
    w.u16(int(names.size()));
    w.u16(6 + 12 * int(names.size()));
    for (const auto &[id, text] : names) {
        w.u16(3);        // Windows
        w.u16(1);        // Unicode BMP
        w.u16(0x0409);   // English
        w.u16(id);
        w.u16(int(text.size() * 2));
        w.u16(int(strings.size()));
        for (QChar c : text)
            strings.u16(c.unicode());
    }
    w.bytes(strings.data());
    return w.data();
}

QByteArray post()
{
    Writer w;
    w.u32(0x00030000);   // no glyph names
    w.u32(0);            // italic angle
    w.u16(-100);         // underline position
    w.u16(50);           // underline thickness
    w.u32(1);            // fixed pitch
    w.zeros(16);
    return w.data();
}

quint32 checksum(const QByteArray &table)
{
    QByteArray padded = table;
    while (padded.size() % 4)
        padded.append('\0');
    quint32 sum = 0;
    for (qsizetype i = 0; i < padded.size(); i += 4)
        sum += (quint32(quint8(padded[i])) << 24) | (quint32(quint8(padded[i + 1])) << 16)
               | (quint32(quint8(padded[i + 2])) << 8) | quint32(quint8(padded[i + 3]));
    return sum;
}

QByteArray fontFile()
{
    QByteArray glyf, loca;
    glyfAndLoca(glyf, loca);
    // In the order of their tags, as the table directory wants them.
    const QList<std::pair<QByteArray, QByteArray>> tables = {
        {"OS/2", os2()}, {"cmap", cmap()}, {"glyf", glyf},   {"head", head()}, {"hhea", hhea()},
        {"hmtx", hmtx()}, {"loca", loca},  {"maxp", maxp()}, {"name", name()}, {"post", post()},
    };
    Writer w;
    w.u32(0x00010000);
    w.u16(int(tables.size()));
    w.u16(128);          // search range: 16 × the largest power of two ≤ 10
    w.u16(3);            // entry selector
    w.u16(16 * int(tables.size()) - 128);
    quint32 offset = quint32(12 + 16 * tables.size());
    for (const auto &[tag, table] : tables) {
        w.bytes(tag);
        w.u32(checksum(table));
        w.u32(offset);
        w.u32(quint32(table.size()));
        offset += quint32((table.size() + 3) / 4 * 4);
    }
    for (const auto &table : tables) {
        w.bytes(table.second);
        w.padTo4();
    }
    return w.data();
}

} // namespace

QFont evenWidthFont(int pixelSize)
{
    static const QString family = [] {
        const int id = QFontDatabase::addApplicationFontFromData(fontFile());
        return id < 0 ? QString() : QFontDatabase::applicationFontFamilies(id).value(0);
    }();
    EXPECT_EQ(family, FamilyName) << "the font database refused the even-width font";
    QFont font = family.isEmpty() ? QGuiApplication::font() : QFont(family);
    font.setPixelSize(pixelSize);
    font.setKerning(false);
    return font;
}

} // namespace testsupport
