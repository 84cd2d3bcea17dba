// Keyed archives of bars and groups, and what bad archives give.
#include "ScopeBarTestSupport.h"
#include "components/scopebar/SRScopeBarCoding.h"
#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/drawing/SystemColors.h"
#include "tests/support/NonKeyedCoder.h"

#include <gtest/gtest.h>

using IndexSet = SRScopeBarGroup::IndexSet;

namespace {

// A hand-written bar archive: only the keys given, under the bar's class name.
class PartialBar : public platform::Coding
{
public:
    std::function<void(platform::Coder &)> write;
    QString classNameForCoder() const override { return QStringLiteral("SRScopeBar"); }
    void encodeWithCoder(platform::Coder &coder) const override { write(coder); }
    bool initWithCoder(platform::Coder &) override { return false; }
};

QByteArray partialArchive(std::function<void(platform::Coder &)> write)
{
    auto root = std::make_shared<PartialBar>();
    root->write = std::move(write);
    return platform::KeyedArchiver::archivedData(root).value_or(QByteArray());
}

} // namespace

TEST(ScopeBarArchive, BarWithGroupsRoundTrips)
{
    SRScopeBar bar;
    auto kinds = bar.addGroup();
    kinds->setIdentifier(QStringLiteral("kinds"));
    kinds->setLabel(QStringLiteral("Kind:"));
    kinds->setGroupSelectionStyle(1);
    kinds->setSelectionIndexes({1, 3});
    kinds->setMultipleSelectionPlaceholder(QStringLiteral("Several"));
    auto places = bar.addGroup();
    places->setAttributedLabel(SRAttributedLabel{QStringLiteral("Where"), {QFont(), QColor(Qt::red), std::nullopt}});
    bar.setMinimumButtonWidth(33);
    bar.setIntercellSpacing(7);
    bar.setAutoResizesGroups(false);
    bar.setBorderColor(QColor(10, 20, 30));
    bar.setBackgroundGradient(platform::Gradient({{0.0, QColor(Qt::black)}, {0.5, QColor(Qt::blue)}, {1.0, Qt::white}}));
    bar.setAccessoryView(new QWidget); // no archivable class: written as none

    QString error;
    const auto data = SRScopeBarCoding::archivedData(bar, &error);
    ASSERT_TRUE(data) << error.toStdString();
    const auto copy = SRScopeBarCoding::unarchivedBar(*data, &error);
    ASSERT_TRUE(copy) << error.toStdString();
    EXPECT_EQ(copy->numberOfGroups(), 2);
    EXPECT_EQ(copy->minimumButtonWidth(), 33u);
    EXPECT_EQ(copy->minimumPopUpWidth(), 70u);
    EXPECT_EQ(copy->intercellSpacing(), 7u);
    EXPECT_FALSE(copy->autoResizesGroups());
    EXPECT_EQ(copy->borderColor(), QColor(10, 20, 30));
    EXPECT_EQ(copy->labelColor(), bar.labelColor());
    EXPECT_EQ(copy->backgroundGradient().stops(), bar.backgroundGradient().stops());
    EXPECT_EQ(copy->accessoryView(), nullptr);
    EXPECT_NE(dynamic_cast<SRButtonCell *>(copy->buttonCell().get()), nullptr);
    EXPECT_NE(dynamic_cast<SRPopUpButtonCell *>(copy->popUpButtonCell().get()), nullptr);
    EXPECT_NE(dynamic_cast<SROverflowPullDownCell *>(copy->overflowPullDownCell()), nullptr);
    EXPECT_EQ(copy->overflowPullDownCell()->numberOfItems(), 1);

    const auto group = copy->groupAtIndex(0);
    EXPECT_EQ(group->scopeBar(), copy.get());
    EXPECT_EQ(group->identifier(), "kinds");
    EXPECT_EQ(group->label(), "Kind:");
    EXPECT_TRUE(group->showsLabel());
    EXPECT_FALSE(group->showsSeparator());
    EXPECT_EQ(group->groupSelectionStyle(), 1);
    EXPECT_EQ(group->selectionIndexes(), (IndexSet{1, 3}));
    EXPECT_EQ(group->multipleSelectionPlaceholder(), "Several");
    EXPECT_EQ(group->noSelectionPlaceholder(), "kinds"); // the default stays a default
    EXPECT_FALSE(group->storedNoSelectionPlaceholder());
    EXPECT_EQ(copy->groupAtIndex(1)->attributedLabel().string, "Where");
    EXPECT_EQ(copy->groupAtIndex(1)->attributedLabel().attributes.color, QColor(Qt::red));
    EXPECT_EQ(copy->groupAtIndex(1)->noSelectionPlaceholder(), "<Untitled>");
}

TEST(ScopeBarArchive, MissingKeysDecodeToNothing)
{
    const auto bar = SRScopeBarCoding::unarchivedBar(partialArchive([](platform::Coder &coder) {
        coder.encodeObject(QVariant(qlonglong(5)), QStringLiteral("SRScopeBar intercellSpacing"));
    }));
    ASSERT_TRUE(bar);
    EXPECT_EQ(bar->minimumButtonWidth(), 0u);
    EXPECT_EQ(bar->intercellSpacing(), 5u);
    EXPECT_EQ(bar->numberOfGroups(), 0);
}

TEST(ScopeBarArchive, BadArchivesGiveNoBar)
{
    const std::vector<std::function<void(platform::Coder &)>> writers = {
        [](platform::Coder &coder) {
            coder.encodeObject(QVariant(QStringLiteral("wide")), QStringLiteral("SRScopeBar minimumButtonWidth"));
        },
        [](platform::Coder &coder) {
            const QVariantList groups{platform::Coder::objectValue(std::make_shared<SRScopeBarGroup>()),
                                      platform::Coder::objectValue(std::make_shared<SRButtonCell>())};
            coder.encodeObject(QVariant(groups), QStringLiteral("SRScopeBar groups"));
        },
        [](platform::Coder &coder) {
            coder.encodeObject(platform::Coder::objectValue(std::make_shared<SRScopeBarGroup>()),
                               QStringLiteral("SRScopeBar buttonCell"));
        },
        [](platform::Coder &coder) {
            coder.encodeObject(QVariant(QVariantList{QVariantList{0.5}}), QStringLiteral("SRScopeBar backgroundGradient"));
        },
    };
    for (size_t i = 0; i < writers.size(); ++i) {
        QString error;
        EXPECT_EQ(SRScopeBarCoding::unarchivedBar(partialArchive(writers[i]), &error), nullptr) << i;
        EXPECT_FALSE(error.isEmpty()) << i;
    }
}

TEST(ScopeBarArchive, NonKeyedCoderGivesNothing)
{
    testsupport::NonKeyedCoder coder;
    SRScopeBarCoding coding;
    EXPECT_FALSE(coding.initWithCoder(coder));
    EXPECT_EQ(coding.takeBar(), nullptr);
    SRScopeBarGroup group;
    EXPECT_FALSE(group.initWithCoder(coder));
    SRScopeBar bar;
    bar.addGroup();
    bar.encodeWithCoder(coder);
    group.encodeWithCoder(coder);
    EXPECT_EQ(coder.calls(), 0);
}
