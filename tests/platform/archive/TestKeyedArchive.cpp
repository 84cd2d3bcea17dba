// Keyed archives: every value and scalar comes back exactly, shared objects and
// cycles survive, conditional objects read as none unless encoded elsewhere, wrong
// kinds and broken archives fail the whole decode with a reason, and Python reads
// our archives as we read its.
#include "platform/archive/CodingRegistry.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/archive/PropertyList.h"
#include "tests/platform/archive/ArchiveTestValues.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPoint>
#include <QTransform>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <limits>

using namespace platform;
using archivetest::sameValue;

namespace {

class Bar;

// A scope-bar group as its archive has it: a conditional reference back to its bar.
class Group final : public Coding
{
public:
    QString classNameForCoder() const override { return QStringLiteral("SRScopeBarGroup"); }
    void encodeWithCoder(Coder &coder) const override;
    bool initWithCoder(Coder &coder) override;

    QString identifier;
    int selectionStyle = 0;
    bool showsSeparator = false;
    Coder::IndexSet selectionIndexes;
    std::weak_ptr<Bar> bar;
};

class Bar final : public Coding
{
public:
    QString classNameForCoder() const override { return QStringLiteral("SRScopeBar"); }
    void encodeWithCoder(Coder &coder) const override
    {
        if (!coder.allowsKeyedCoding())
            return;
        coder.encodeConditionalObject(delegate, QStringLiteral("SRScopeBar delegate"));
        QVariantList list;
        for (const auto &group : groups)
            list.append(Coder::objectValue(group));
        coder.encodeObject(list, QStringLiteral("SRScopeBar groups"));
        coder.encodeObject(QVariant(borderColor), QStringLiteral("SRScopeBar borderColor"));
    }
    bool initWithCoder(Coder &coder) override
    {
        if (!coder.allowsKeyedCoding())
            return false;
        delegate = coder.decodeObject<Group>(QStringLiteral("SRScopeBar delegate"));
        for (const QVariant &value : coder.decodeObject<QVariantList>(QStringLiteral("SRScopeBar groups"))) {
            auto group = std::dynamic_pointer_cast<Group>(Coder::objectFromValue(value));
            if (!group) {
                coder.failWithError(QStringLiteral("a group is not a group"));
                return false;
            }
            groups.push_back(group);
        }
        borderColor = coder.decodeObject<QColor>(QStringLiteral("SRScopeBar borderColor"));
        return !coder.failed();
    }

    std::shared_ptr<Group> delegate;
    std::vector<std::shared_ptr<Group>> groups;
    QColor borderColor;
};

void Group::encodeWithCoder(Coder &coder) const
{
    coder.encodeObject(QVariant(identifier), QStringLiteral("SRScopeBarGroup identifier"));
    coder.encodeInt32(selectionStyle, QStringLiteral("SRScopeBarGroup groupSelectionStyle"));
    coder.encodeBool(showsSeparator, QStringLiteral("SRScopeBarGroup showsSeparator"));
    coder.encodeObject(QVariant::fromValue(selectionIndexes), QStringLiteral("SRScopeBarGroup selectionIndexes"));
    coder.encodeConditionalObject(bar.lock(), QStringLiteral("SRScopeBarGroup scopeBar"));
}

bool Group::initWithCoder(Coder &coder)
{
    identifier = coder.decodeObject<QString>(QStringLiteral("SRScopeBarGroup identifier"));
    selectionStyle = coder.decodeInt32(QStringLiteral("SRScopeBarGroup groupSelectionStyle"));
    showsSeparator = coder.decodeBool(QStringLiteral("SRScopeBarGroup showsSeparator"));
    selectionIndexes = coder.decodeObject<Coder::IndexSet>(QStringLiteral("SRScopeBarGroup selectionIndexes"));
    bar = coder.decodeObject<Bar>(QStringLiteral("SRScopeBarGroup scopeBar"));
    return !coder.failed();
}

// A tree node keeps its children strongly, so a child may not enclose it.
class TreeNode final : public Coding
{
public:
    QString classNameForCoder() const override { return QStringLiteral("TreeNode"); }
    void encodeWithCoder(Coder &coder) const override
    {
        QVariantList list;
        for (const auto &child : children)
            list.append(Coder::objectValue(child));
        coder.encodeObject(list, QStringLiteral("children"));
    }
    bool initWithCoder(Coder &coder) override
    {
        for (const QVariant &value : coder.decodeObject<QVariantList>(QStringLiteral("children"))) {
            const CodingPtr child = Coder::objectFromValue(value);
            if (coder.objectIsBeingDecoded(child)) {
                coder.failWithError(QStringLiteral("a child encloses its parent"));
                return false;
            }
            children.push_back(std::dynamic_pointer_cast<TreeNode>(child));
        }
        return !coder.failed();
    }

    std::vector<std::shared_ptr<TreeNode>> children;
};

const bool registered = CodingRegistry::registerClass<TreeNode>(QStringLiteral("TreeNode"))
                        && CodingRegistry::registerClass<Bar>(QStringLiteral("SRScopeBar"))
                        && CodingRegistry::registerClass<Group>(QStringLiteral("SRScopeBarGroup"));

std::shared_ptr<Bar> sampleBar()
{
    auto bar = std::make_shared<Bar>();
    for (const char *name : {"Kind", "Place"}) {
        auto group = std::make_shared<Group>();
        group->identifier = QString::fromLatin1(name);
        group->selectionStyle = 1;
        group->showsSeparator = true;
        group->selectionIndexes = {0, 2, 3, 4, 100};
        group->bar = bar;
        bar->groups.push_back(group);
    }
    bar->groups.push_back(bar->groups.front()); // the same group twice
    bar->delegate = std::make_shared<Group>();  // encoded only conditionally
    bar->borderColor = QColor(10, 20, 30, 40);
    return bar;
}

QByteArray archived(const std::function<void(KeyedArchiver &)> &encode)
{
    KeyedArchiver archiver;
    encode(archiver);
    const auto data = archiver.finishEncoding();
    EXPECT_TRUE(data) << qPrintable(archiver.error());
    return data.value_or(QByteArray());
}

TEST(KeyedArchive, EveryValueComesBackTheSame)
{
    ASSERT_TRUE(registered);
    QImage image(5, 3, QImage::Format_ARGB32);
    image.fill(QColor(200, 100, 50, 128));
    image.setPixelColor(4, 2, Qt::blue);
    QFont font(QStringLiteral("DejaVu Sans"), 13);
    font.setBold(true);
    font.setItalic(true);

    QVariantList values;
    for (const QString &s : archivetest::hardStrings())
        values.append(s);
    for (const double d : archivetest::edgeDoubles())
        values.append(d);
    values << std::numeric_limits<qint64>::min() << std::numeric_limits<qint64>::max()
           << std::numeric_limits<quint64>::max() << true << false << QByteArray("\0\r\n", 3) << QByteArray()
           << QVariantList{QStringLiteral("a"), QVariantList{}, 1.5, QVariant()}
           << QVariantMap{{QStringLiteral("$class"), 1},
                          {QString::fromUtf16(u"nul\0key", 7), QStringLiteral("x")},
                          {QString(QChar(0xD800)), QVariantMap{}}};
    const QVariantList special{QColor(1, 2, 3), QColor(10, 20, 30, 40), QColor::fromRgbF(0.1f, 0.2f, 0.3f, 0.5f),
                               QVariant(font), image,
                               QVariant::fromValue(Coder::IndexSet{0, 1, 2, 7, 9, 10, 1'000'000}),
                               QTransform(1.5, 0.25, 0.001, -0.5, 2, -0.002, 1234.567, -7, 1)};

    const QByteArray data = archived([&](KeyedArchiver &archiver) {
        for (qsizetype i = 0; i < values.size(); ++i)
            archiver.encodeObject(values.at(i), QStringLiteral("value %1").arg(i));
        for (qsizetype i = 0; i < special.size(); ++i)
            archiver.encodeObject(special.at(i), QStringLiteral("special %1").arg(i));
        archiver.encodeObject(QVariant(), QStringLiteral("none"));
        archiver.encodeBool(true, QStringLiteral("bool"));
        archiver.encodeInt32(std::numeric_limits<qint32>::min(), QStringLiteral("int32 min"));
        archiver.encodeInt32(std::numeric_limits<qint32>::max(), QStringLiteral("int32 max"));
        archiver.encodeInt64(std::numeric_limits<qint64>::min(), QStringLiteral("int64 min"));
        archiver.encodeInt64(std::numeric_limits<qint64>::max(), QStringLiteral("$int64 max"));
        archiver.encodeFloat(1234.567f, QStringLiteral("float"));
        archiver.encodeFloat(-0.0f, QStringLiteral("float -0"));
        archiver.encodeDouble(std::nan(""), QStringLiteral("double NaN"));
        archiver.encodeDouble(-0.0, QStringLiteral("$class"));
        archiver.encodeBytes(QByteArray("\x00\xff", 2), QStringLiteral("bytes"));
        archiver.encodeRect(QRectF(1234.567, -0.1, 1e-7, 3.0000001), QStringLiteral("rect"));
        archiver.encodePoint(QPointF(1234.567, -98765.4321), QStringLiteral("point"));
        archiver.encodeSize(QSizeF(0.3, 1e20), QStringLiteral("size"));
    });

    KeyedUnarchiver unarchiver(data);
    for (qsizetype i = 0; i < values.size(); ++i) {
        const QVariant back = unarchiver.decodeObject(QStringLiteral("value %1").arg(i));
        EXPECT_TRUE(sameValue(values.at(i), back)) << i << " " << qPrintable(values.at(i).toString());
    }
    EXPECT_EQ(unarchiver.decodeObject<QColor>(QStringLiteral("special 0")), QColor(1, 2, 3));
    EXPECT_EQ(unarchiver.decodeObject<QColor>(QStringLiteral("special 1")), QColor(10, 20, 30, 40));
    EXPECT_EQ(unarchiver.decodeObject<QColor>(QStringLiteral("special 2")), QColor::fromRgbF(0.1f, 0.2f, 0.3f, 0.5f));
    EXPECT_EQ(unarchiver.decodeObject<QFont>(QStringLiteral("special 3")), font);
    EXPECT_EQ(unarchiver.decodeObject<QImage>(QStringLiteral("special 4")).convertToFormat(QImage::Format_ARGB32), image);
    EXPECT_EQ(unarchiver.decodeObject<Coder::IndexSet>(QStringLiteral("special 5")), special.at(5).value<Coder::IndexSet>());
    EXPECT_EQ(unarchiver.decodeObject<QTransform>(QStringLiteral("special 6")), special.at(6).value<QTransform>());

    EXPECT_TRUE(unarchiver.containsValueForKey(QStringLiteral("none")));
    EXPECT_FALSE(unarchiver.decodeObject(QStringLiteral("none")).isValid());
    EXPECT_TRUE(unarchiver.decodeBool(QStringLiteral("bool")));
    EXPECT_EQ(unarchiver.decodeInt32(QStringLiteral("int32 min")), std::numeric_limits<qint32>::min());
    EXPECT_EQ(unarchiver.decodeInt32(QStringLiteral("int32 max")), std::numeric_limits<qint32>::max());
    EXPECT_EQ(unarchiver.decodeInt64(QStringLiteral("int64 min")), std::numeric_limits<qint64>::min());
    EXPECT_EQ(unarchiver.decodeInt64(QStringLiteral("$int64 max")), std::numeric_limits<qint64>::max());
    EXPECT_EQ(unarchiver.decodeFloat(QStringLiteral("float")), 1234.567f);
    EXPECT_TRUE(std::signbit(unarchiver.decodeFloat(QStringLiteral("float -0"))));
    EXPECT_TRUE(std::isnan(unarchiver.decodeDouble(QStringLiteral("double NaN"))));
    EXPECT_TRUE(std::signbit(unarchiver.decodeDouble(QStringLiteral("$class"))));
    EXPECT_EQ(unarchiver.decodeBytes(QStringLiteral("bytes")), QByteArray("\x00\xff", 2));
    EXPECT_EQ(unarchiver.decodeRect(QStringLiteral("rect")), QRectF(1234.567, -0.1, 1e-7, 3.0000001));
    EXPECT_EQ(unarchiver.decodePoint(QStringLiteral("point")).x(), 1234.567);
    EXPECT_EQ(unarchiver.decodePoint(QStringLiteral("point")).y(), -98765.4321);
    EXPECT_EQ(unarchiver.decodeSize(QStringLiteral("size")), QSizeF(0.3, 1e20));

    // Missing keys read none, 0 and NO.
    const QString missing = QStringLiteral("missing");
    EXPECT_FALSE(unarchiver.containsValueForKey(missing));
    EXPECT_FALSE(unarchiver.decodeObject(missing).isValid());
    EXPECT_FALSE(unarchiver.decodeBool(missing));
    EXPECT_EQ(unarchiver.decodeInt32(missing), 0);
    EXPECT_EQ(unarchiver.decodeInt64(missing), 0);
    EXPECT_EQ(unarchiver.decodeDouble(missing), 0.0);
    EXPECT_TRUE(unarchiver.decodeBytes(missing).isNull());
    EXPECT_EQ(unarchiver.decodeRect(missing), QRectF());
    EXPECT_EQ(unarchiver.decodeObject<Bar>(missing), nullptr);
    EXPECT_FALSE(unarchiver.failed()) << qPrintable(unarchiver.error());
}

TEST(KeyedArchive, SharedObjectsCyclesAndConditionalObjects)
{
    std::weak_ptr<Bar> watchBar;
    std::weak_ptr<Group> watchGroup;
    {
        const auto data = KeyedArchiver::archivedData(sampleBar());
        ASSERT_TRUE(data);
        QString error;
        const auto bar = KeyedUnarchiver::unarchivedObject<Bar>(*data, &error);
        ASSERT_TRUE(bar) << qPrintable(error);
        ASSERT_EQ(bar->groups.size(), 3u);
        EXPECT_EQ(bar->groups[0], bar->groups[2]) << "a shared object is decoded once";
        EXPECT_NE(bar->groups[0], bar->groups[1]);
        EXPECT_EQ(bar->groups[0]->bar.lock(), bar) << "the cycle group → bar";
        EXPECT_EQ(bar->groups[1]->identifier, QStringLiteral("Place"));
        EXPECT_EQ(bar->groups[1]->selectionStyle, 1);
        EXPECT_TRUE(bar->groups[1]->showsSeparator);
        EXPECT_EQ(bar->groups[1]->selectionIndexes, (Coder::IndexSet{0, 2, 3, 4, 100}));
        EXPECT_EQ(bar->delegate, nullptr) << "a conditional object encoded nowhere else reads none";
        EXPECT_EQ(bar->borderColor, QColor(10, 20, 30, 40));
        watchBar = bar;
        watchGroup = bar->groups[0];

        // The wrong class is refused, and objects nobody took are freed.
        std::weak_ptr<Bar> untaken;
        {
            KeyedUnarchiver unarchiver(*data);
            EXPECT_EQ(unarchiver.decodeObject<Group>(QStringLiteral("root")), nullptr);
            EXPECT_TRUE(unarchiver.error().contains(QStringLiteral("SRScopeBar"))) << qPrintable(unarchiver.error());
            KeyedUnarchiver again(*data);
            untaken = std::dynamic_pointer_cast<Bar>(Coder::objectFromValue(again.decodeObject(QStringLiteral("root"))));
            EXPECT_FALSE(untaken.expired());
        }
        EXPECT_TRUE(untaken.expired());
    }
    EXPECT_TRUE(watchBar.expired());
    EXPECT_TRUE(watchGroup.expired());

    // A tree whose node is its own grandchild is refused, and nothing is kept.
    auto root = std::make_shared<TreeNode>();
    auto child = std::make_shared<TreeNode>();
    root->children = {child, std::make_shared<TreeNode>()};
    child->children = {root};
    QString error;
    const auto data = KeyedArchiver::archivedData(root, &error);
    child->children.clear(); // our own cycle, broken
    ASSERT_TRUE(data) << qPrintable(error);
    EXPECT_EQ(KeyedUnarchiver::unarchivedObject<TreeNode>(*data, &error), nullptr);
    EXPECT_EQ(error, QStringLiteral("a child encloses its parent"));
    root->children.pop_back();
    const auto acyclic = KeyedArchiver::archivedData(root);
    const auto back = KeyedUnarchiver::unarchivedObject<TreeNode>(*acyclic);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->children.size(), 1u);
    EXPECT_TRUE(back->children[0]->children.empty());
}

// A valid archive's property list, changed by `edit`, written again.
QByteArray edited(const std::function<void(QVariantMap &archive, QVariantList &objects)> &edit)
{
    const auto data = KeyedArchiver::archivedData(sampleBar());
    QVariantMap archive = PropertyList::read(*data)->toMap();
    QVariantList objects = archive.value(QStringLiteral("$objects")).toList();
    edit(archive, objects);
    archive.insert(QStringLiteral("$objects"), objects);
    return *PropertyList::write(archive);
}

// The table index of the first entry for which `match` holds.
qsizetype entryWhere(const QVariantList &objects, const std::function<bool(const QVariant &)> &match)
{
    for (qsizetype i = 0; i < objects.size(); ++i)
        if (match(objects.at(i)))
            return i;
    ADD_FAILURE() << "no such entry";
    return 0;
}

qsizetype groupEntry(const QVariantList &objects)
{
    return entryWhere(objects, [](const QVariant &v) {
        return v.toMap().contains(QStringLiteral("SRScopeBarGroup identifier"));
    });
}

QVariant ref(qlonglong index)
{
    return QVariantMap{{QStringLiteral("$ref"), index}};
}

TEST(KeyedArchive, BrokenArchivesFailTheWholeDecodeWithAReason)
{
    using Edit = std::function<void(QVariantMap &, QVariantList &)>;
    const auto setGroupKey = [](const QString &key, const QVariant &value) -> Edit {
        return [key, value](QVariantMap &, QVariantList &objects) {
            const qsizetype i = groupEntry(objects);
            QVariantMap group = objects.at(i).toMap();
            group.insert(key, value);
            objects[i] = group;
        };
    };
    const std::vector<std::pair<const char *, Edit>> cases = {
        {"string where an integer belongs", setGroupKey(QStringLiteral("SRScopeBarGroup groupSelectionStyle"), QStringLiteral("1"))},
        {"integer wider than 32 bits", setGroupKey(QStringLiteral("SRScopeBarGroup groupSelectionStyle"), qlonglong(1) << 31)},
        {"integer where a boolean belongs", setGroupKey(QStringLiteral("SRScopeBarGroup showsSeparator"), 1)},
        {"string where an index set belongs", setGroupKey(QStringLiteral("SRScopeBarGroup selectionIndexes"), ref(1))},
        {"dangling reference", setGroupKey(QStringLiteral("SRScopeBarGroup identifier"), ref(100000))},
        {"negative reference", setGroupKey(QStringLiteral("SRScopeBarGroup identifier"), ref(-1))},
        {"no reference", setGroupKey(QStringLiteral("SRScopeBarGroup identifier"), QStringLiteral("Kind"))},
        {"unknown class",
         [](QVariantMap &, QVariantList &objects) {
             const qsizetype i = entryWhere(objects, [](const QVariant &v) {
                 return v.toMap().value(QStringLiteral("$classname")) == QStringLiteral("SRScopeBarGroup");
             });
             objects[i] = QVariantMap{{QStringLiteral("$classname"), QStringLiteral("NoSuchClass")}};
         }},
        {"list holding itself",
         [](QVariantMap &, QVariantList &objects) {
             const qsizetype i = entryWhere(objects, [](const QVariant &v) { return v.typeId() == QMetaType::QVariantList; });
             objects[i] = QVariantList{ref(i)};
         }},
        {"wrong archiver", [](QVariantMap &archive, QVariantList &) { archive.insert(QStringLiteral("$archiver"), QStringLiteral("Other")); }},
        {"wrong version", [](QVariantMap &archive, QVariantList &) { archive.insert(QStringLiteral("$version"), 2); }},
        {"no $null first", [](QVariantMap &, QVariantList &objects) { objects[0] = QStringLiteral("null"); }},
        {"no top level", [](QVariantMap &archive, QVariantList &) { archive.remove(QStringLiteral("$top")); }},
        {"entry of no kind",
         [](QVariantMap &, QVariantList &objects) { objects[groupEntry(objects)] = QVariantMap{{QStringLiteral("a"), 1}}; }},
        {"index set of huge range",
         [](QVariantMap &, QVariantList &objects) {
             const qsizetype i = entryWhere(objects, [](const QVariant &v) { return v.toMap().contains(QStringLiteral("ranges")); });
             QVariantMap set = objects.at(i).toMap();
             set.insert(QStringLiteral("ranges"), QVariantList{0, qlonglong(1) << 40});
             objects[i] = set;
         }},
        {"colour with alpha 2",
         [](QVariantMap &, QVariantList &objects) {
             const qsizetype i = entryWhere(objects, [](const QVariant &v) { return v.toMap().contains(QStringLiteral("components")); });
             QVariantMap color = objects.at(i).toMap();
             color.insert(QStringLiteral("components"), QVariantList{1, 0, 0, 2});
             objects[i] = color;
         }},
        {"colour of three components",
         [](QVariantMap &, QVariantList &objects) {
             const qsizetype i = entryWhere(objects, [](const QVariant &v) { return v.toMap().contains(QStringLiteral("components")); });
             QVariantMap color = objects.at(i).toMap();
             color.insert(QStringLiteral("components"), QVariantList{1, 0, 0});
             objects[i] = color;
         }},
    };
    for (const auto &[name, edit] : cases) {
        KeyedUnarchiver unarchiver(edited(edit));
        EXPECT_EQ(unarchiver.decodeObject<Bar>(QStringLiteral("root")), nullptr) << name;
        EXPECT_FALSE(unarchiver.error().isEmpty()) << name;
        // After a failure everything reads none, 0 or NO.
        EXPECT_FALSE(unarchiver.containsValueForKey(QStringLiteral("root"))) << name;
    }
    KeyedUnarchiver notAPlist(QByteArray("<plist><dict>"));
    EXPECT_TRUE(notAPlist.failed());

    // Writing: values without an archived form, keys XML cannot carry, runaway nesting.
    QVariant deep = QVariantList{};
    for (int i = 0; i < 150; ++i)
        deep = QVariantList{deep};
    const std::vector<std::pair<const char *, std::function<void(KeyedArchiver &)>>> refusals = {
        {"no archived form", [](KeyedArchiver &a) { a.encodeObject(QVariant(QPoint(1, 2)), QStringLiteral("p")); }},
        {"key with NUL", [](KeyedArchiver &a) { a.encodeBool(true, QString::fromUtf16(u"a\0b", 3)); }},
        {"too deep", [&deep](KeyedArchiver &a) { a.encodeObject(deep, QStringLiteral("deep")); }},
        {"read from an archiver", [](KeyedArchiver &a) { (void)a.decodeInt32(QStringLiteral("x")); }},
    };
    for (const auto &[name, encode] : refusals) {
        KeyedArchiver archiver;
        encode(archiver);
        EXPECT_FALSE(archiver.finishEncoding()) << name;
        EXPECT_FALSE(archiver.error().isEmpty()) << name;
    }
}

TEST(KeyedArchive, PythonReadsOursAndWeReadPythons)
{
    const QString script = QStringLiteral(R"(
import plistlib, sys
a = plistlib.loads(sys.stdin.buffer.read())
objs = a['$objects']
assert a['$archiver'] == 'KeyedArchiver' and a['$version'] == 1 and objs[0] == '$null'
bar = objs[a['$top']['root']['$ref']]
assert objs[bar['$class']['$ref']]['$classname'] == 'SRScopeBar'
groups = [objs[r['$ref']] for r in objs[bar['SRScopeBar groups']['$ref']]]
assert [objs[g['SRScopeBarGroup identifier']['$ref']] for g in groups] == ['Kind', 'Place', 'Kind']
assert groups[0]['SRScopeBarGroup scopeBar'] == a['$top']['root']
assert bar['SRScopeBar delegate'] == {'$ref': 0}
r = lambda n: {'$ref': n}
sys.stdout.buffer.write(plistlib.dumps({'$archiver': 'KeyedArchiver', '$version': 1, '$top': {'root': r(1), 'count': 3},
  '$objects': ['$null',
    {'$class': r(2), 'SRScopeBarGroup identifier': r(3), 'SRScopeBarGroup groupSelectionStyle': -7,
     'SRScopeBarGroup showsSeparator': True, 'SRScopeBarGroup selectionIndexes': r(4), 'SRScopeBarGroup scopeBar': r(0)},
    {'$classname': 'SRScopeBarGroup'}, 'From Python \u00e9',
    {'$class': r(5), 'ranges': [1, 2, 9, 1]}, {'$classname': 'IndexSet'}]}))
)");
    const auto ours = KeyedArchiver::archivedData(sampleBar());
    ASSERT_TRUE(ours);
    const QByteArray theirs = archivetest::runPython(script, *ours);
    ASSERT_FALSE(theirs.isNull());
    KeyedUnarchiver unarchiver(theirs);
    const auto group = unarchiver.decodeObject<Group>(QStringLiteral("root"));
    ASSERT_TRUE(group) << qPrintable(unarchiver.error());
    EXPECT_EQ(group->identifier, QStringLiteral("From Python \u00e9"));
    EXPECT_EQ(group->selectionStyle, -7);
    EXPECT_TRUE(group->showsSeparator);
    EXPECT_EQ(group->selectionIndexes, (Coder::IndexSet{1, 2, 9}));
    EXPECT_TRUE(group->bar.expired());
    EXPECT_EQ(unarchiver.decodeInt32(QStringLiteral("count")), 3);
}

} // namespace

namespace {

// Objects of the next test, counted while alive. A keeper keeps its value strongly and
// refuses one that would close a cycle; a taker keeps its value without asking; a
// peeker reads its value and drops it; a pair keeps two values without asking.
int alive = 0;

struct Counted : Coding
{
    Counted() { ++alive; }
    ~Counted() override { --alive; }
    void encodeWithCoder(Coder &coder) const override
    {
        coder.encodeObject(first, QStringLiteral("first"));
        coder.encodeObject(second, QStringLiteral("second"));
    }
    QVariant first;
    QVariant second;
};

struct Keeper final : Counted
{
    QString classNameForCoder() const override { return QStringLiteral("TestKeeper"); }
    bool initWithCoder(Coder &coder) override
    {
        const QVariant value = coder.decodeObject(QStringLiteral("first"));
        if (coder.valueRefersBack(value)) {
            coder.failWithError(QStringLiteral("a keeper's value refers back"));
            return false;
        }
        first = value;
        return !coder.failed();
    }
};

struct Taker final : Counted
{
    QString classNameForCoder() const override { return QStringLiteral("TestTaker"); }
    bool initWithCoder(Coder &coder) override
    {
        first = coder.decodeObject(QStringLiteral("first"));
        return !coder.failed();
    }
};

struct Peeker final : Counted
{
    QString classNameForCoder() const override { return QStringLiteral("TestPeeker"); }
    bool initWithCoder(Coder &coder) override
    {
        (void)coder.decodeObject(QStringLiteral("first"));
        return !coder.failed();
    }
};

struct Pair final : Counted
{
    QString classNameForCoder() const override { return QStringLiteral("TestPair"); }
    bool initWithCoder(Coder &coder) override
    {
        const QVariant a = coder.decodeObject(QStringLiteral("first"));
        const QVariant b = coder.decodeObject(QStringLiteral("second"));
        if (coder.failed())
            return false;
        first = a;
        second = b;
        return true;
    }
};

const bool countedRegistered = CodingRegistry::registerClass<Keeper>(QStringLiteral("TestKeeper"))
                               && CodingRegistry::registerClass<Taker>(QStringLiteral("TestTaker"))
                               && CodingRegistry::registerClass<Peeker>(QStringLiteral("TestPeeker"))
                               && CodingRegistry::registerClass<Pair>(QStringLiteral("TestPair"));

template <class T> std::shared_ptr<T> make(const QVariant &first = {}, const QVariant &second = {})
{
    auto object = std::make_shared<T>();
    object->first = first;
    object->second = second;
    return object;
}

// Archives the root, then breaks every cycle among the objects written.
QByteArray archivedAndBroken(const CodingPtr &root, const std::vector<std::shared_ptr<Counted>> &objects)
{
    const QByteArray data = KeyedArchiver::archivedData(root).value_or(QByteArray());
    for (const auto &object : objects)
        object->first = object->second = QVariant();
    return data;
}

} // namespace

TEST(KeyedArchive, AValueThatWouldCloseACycleThroughOtherObjectsIsSeenWhereverItHides)
{
    ASSERT_TRUE(countedRegistered);
    const int before = alive;
    const auto read = [](const QByteArray &data, QString *error) {
        KeyedUnarchiver unarchiver(data);
        const CodingPtr root = Coder::objectFromValue(unarchiver.decodeObject(QStringLiteral("root")));
        *error = unarchiver.error();
        return root;
    };
    const auto refused = [&](const QByteArray &data) {
        const int written = alive;
        QString error;
        EXPECT_EQ(read(data, &error), nullptr);
        EXPECT_EQ(error, QStringLiteral("a keeper's value refers back"));
        EXPECT_EQ(alive, written) << "objects left keeping each other alive";
    };
    {
        // keeper → taker → keeper
        auto keeper = make<Keeper>();
        auto taker = make<Taker>();
        taker->first = Coder::objectValue(keeper);
        keeper->first = Coder::objectValue(taker);
        SCOPED_TRACE("through a taker");
        refused(archivedAndBroken(keeper, {keeper, taker}));
    }
    {
        // keeper → [ {k: taker} ] → taker → pair → keeper … the keeper read inside the pair
        auto keeper = make<Keeper>();
        auto taker = make<Taker>();
        auto pair = make<Pair>();
        pair->first = Coder::objectValue(keeper);
        taker->first = Coder::objectValue(pair);
        keeper->first = QVariantList{QVariantMap{{QStringLiteral("k"), Coder::objectValue(taker)}}};
        SCOPED_TRACE("through lists, dictionaries and two objects");
        refused(archivedAndBroken(pair, {keeper, taker, pair}));
    }
    {
        // pair (first: taker → pair, second: keeper → the same taker): read earlier, still open
        auto pair = make<Pair>();
        auto taker = make<Taker>();
        auto keeper = make<Keeper>();
        taker->first = Coder::objectValue(pair);
        keeper->first = Coder::objectValue(taker);
        pair->first = Coder::objectValue(taker);
        pair->second = Coder::objectValue(keeper);
        SCOPED_TRACE("through an object read before the keeper");
        refused(archivedAndBroken(pair, {pair, taker, keeper}));
    }
    {
        // pair (first: inner pair (first: peeker → inner pair), second: keeper → peeker):
        // the peeker refers to an object that has finished reading, and keeps nothing.
        auto pair = make<Pair>();
        auto inner = make<Pair>();
        auto peeker = make<Peeker>();
        auto keeper = make<Keeper>();
        peeker->first = Coder::objectValue(inner);
        inner->first = Coder::objectValue(peeker);
        keeper->first = QVariantList{Coder::objectValue(peeker), Coder::objectValue(peeker)};
        pair->first = Coder::objectValue(inner);
        pair->second = Coder::objectValue(keeper);
        const QByteArray data = archivedAndBroken(pair, {pair, inner, peeker, keeper});
        const int written = alive;
        QString error;
        std::weak_ptr<Coding> watch;
        {
            const auto root = std::dynamic_pointer_cast<Pair>(read(data, &error));
            ASSERT_TRUE(root) << qPrintable(error);
            const auto readKeeper = std::dynamic_pointer_cast<Keeper>(Coder::objectFromValue(root->second));
            ASSERT_TRUE(readKeeper);
            EXPECT_EQ(readKeeper->first.toList().size(), 2);
            watch = root;
        }
        EXPECT_TRUE(watch.expired());
        EXPECT_EQ(alive, written);
    }
    EXPECT_EQ(alive, before);
}
