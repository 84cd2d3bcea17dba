// The archived settings of the rollover cell and the overflow cell, and their copies.
#include "tests/components/tabbarview/TabBarTestSupport.h"
#include "tests/support/NonKeyedCoder.h"

#include "components/tabbarview/KZOverflowPopUpButtonCell.h"
#include "components/tabbarview/KZRolloverButtonCell.h"
#include "platform/archive/Coding.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/drawing/BundleImages.h"

#include <gtest/gtest.h>

namespace {

// Holds one cell of each kind, as an interface file holds controls.
class ArchivedCells : public platform::Coding
{
public:
    QString classNameForCoder() const override { return QStringLiteral("TestArchivedCells"); }
    void encodeWithCoder(platform::Coder &coder) const override
    {
        rollover.encode(coder);
        overflow.encode(coder);
    }
    bool initWithCoder(platform::Coder &coder) override
    {
        rollover.decode(coder);
        overflow.decode(coder);
        return !coder.failed();
    }
    KZRolloverButtonCell rollover;
    KZOverflowPopUpButtonCell overflow;
};

const bool registered = platform::CodingRegistry::registerClass<ArchivedCells>(QStringLiteral("TestArchivedCells"));

} // namespace

TEST(TabBarArchive, CellsKeepTheirSettingsThroughKeyedArchivesAndCopies)
{
    ASSERT_TRUE(registered);
    auto cells = std::make_shared<ArchivedCells>();
    cells->rollover.setRolloverButtonType(1);
    cells->rollover.setSimulateClickOnMouseHovered(true);
    cells->rollover.setRolloverImage(tabbartest::squareIcon(12, Qt::red));
    cells->overflow.setSecondImage(tabbartest::squareIcon(6, Qt::blue));

    const std::optional<QByteArray> data = platform::KeyedArchiver::archivedData(cells);
    ASSERT_TRUE(data);
    const auto back = platform::KeyedUnarchiver::unarchivedObject<ArchivedCells>(*data);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->rollover.rolloverButtonType(), 1u);
    EXPECT_TRUE(back->rollover.simulateClickOnMouseHovered());
    EXPECT_EQ(platform::BundleImages::naturalSize(back->rollover.rolloverImage()), QSizeF(12, 12));
    EXPECT_TRUE(back->overflow.image().isNull());
    EXPECT_FALSE(back->overflow.secondImage().isNull());

    // A copy re-applies the type: type 0 makes an image-only momentary-change button.
    cells->rollover.setRolloverButtonType(0);
    cells->rollover.setButtonType(platform::ButtonCell::ButtonType::Toggle);
    const auto copy = cells->rollover.clone();
    auto *copied = static_cast<KZRolloverButtonCell *>(copy.get());
    EXPECT_EQ(copied->buttonType(), platform::ButtonCell::ButtonType::MomentaryChange);
    EXPECT_TRUE(copied->simulateClickOnMouseHovered());
    EXPECT_EQ(copied->rolloverImage().cacheKey(), cells->rollover.rolloverImage().cacheKey());

    // A coder without keys is asked nothing.
    testsupport::NonKeyedCoder plain;
    cells->encodeWithCoder(plain);
    EXPECT_EQ(plain.calls(), 0);
}
