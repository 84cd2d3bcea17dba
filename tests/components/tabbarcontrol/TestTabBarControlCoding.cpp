// The tab bar control's keyed archive: a round trip of every setting, the objects it
// refers to, a control caught mid-change, a coder without keys, and refused archives.
#include "TabBarControlTestSupport.h"
#include "components/tabbarcontrol/VTArchivedView.h"
#include "components/tabbarcontrol/VTTabStyleRegistry.h"
#include "platform/archive/Coder.h"
#include "platform/archive/CodingRegistry.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "tests/support/NonKeyedCoder.h"

#include <QApplication>
#include <QMouseEvent>
#include <QSet>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

using namespace tabbarcontroltest;

namespace {

struct ArchivedDelegate : VTTabBarControlDelegate, platform::Coding
{
    QString note;
    QString classNameForCoder() const override { return QStringLiteral("TestArchivedTabBarDelegate"); }
    void encodeWithCoder(platform::Coder &coder) const override { coder.encodeObject(note, QStringLiteral("note")); }
    bool initWithCoder(platform::Coder &coder) override
    {
        note = coder.decodeObject<QString>(QStringLiteral("note"));
        return true;
    }
};
const bool registered = platform::CodingRegistry::registerClass<ArchivedDelegate>(QStringLiteral("TestArchivedTabBarDelegate"));

std::unique_ptr<VTTabBarControl> roundTrip(VTTabBarControl &control, std::shared_ptr<VTArchivedView> *decodedObject = nullptr)
{
    const auto data = platform::KeyedArchiver::archivedData(VTArchivedView::forWidget(&control));
    EXPECT_TRUE(data.has_value());
    auto object = platform::KeyedUnarchiver::unarchivedObject<VTArchivedView>(data.value_or(QByteArray()));
    EXPECT_TRUE(object);
    if (!object)
        return nullptr;
    if (decodedObject)
        *decodedObject = object;
    std::unique_ptr<QWidget> widget = object->takeWidget();
    return std::unique_ptr<VTTabBarControl>(qobject_cast<VTTabBarControl *>(widget.release()));
}

// An archived control written by hand: the view's class name, then whatever the test
// writes.
struct ForgedControl : platform::Coding
{
    std::function<void(platform::Coder &)> write;
    std::weak_ptr<ForgedControl> self;
    bool ownPartner = false;
    QString classNameForCoder() const override { return QStringLiteral("VTArchivedView"); }
    void encodeWithCoder(platform::Coder &coder) const override
    {
        coder.encodeObject(QStringLiteral("VTTabBarControl"), QStringLiteral("className"));
        write(coder);
        if (ownPartner)
            coder.encodeObject(platform::CodingPtr(self.lock()), QStringLiteral("VTpartnerView"));
    }
    bool initWithCoder(platform::Coder &) override { return false; }
};

QByteArray forged(const std::function<void(platform::Coder &)> &write, bool ownPartner = false)
{
    auto root = std::make_shared<ForgedControl>();
    root->write = write;
    root->self = root;
    root->ownPartner = ownPartner;
    return platform::KeyedArchiver::archivedData(root).value_or(QByteArray());
}

} // namespace

TEST(TabBarControlCoding, RoundTripKeepsTheSettingsAndStartsTheRestAfresh)
{
    ASSERT_TRUE(registered);
    Bar bar(400, 3);
    QWidget partner;
    ArchivedDelegate delegate;
    delegate.note = QStringLiteral("kept");
    VTTabBarControl &c = *bar.control;
    c.setStyleNamed(QStringLiteral("Metal"));
    c.setOrientation(1);
    c.setCanCloseOnlyTab(true);
    c.setDisableTabClose(true);
    c.setHideForSingleTab(true);
    c.setAllowsBackgroundTabClosing(false);
    c.setAllowsResizing(true);
    c.setSelectsTabsOnMouseDown(true);
    c.setShowAddTabButton(true);
    c.setSizeCellsToFit(true);
    c.setCellMinWidth(60);
    c.setCellMaxWidth(300);
    c.setCellOptimumWidth(150);
    c.setPartnerView(&partner);
    c.setUseOverflowMenu(false);
    c.setAutomaticallyAnimates(true);
    c.setAlwaysShowActiveTab(true);
    c.setTearOffStyle(1);
    c.setAllowsScrubbing(true);
    QMouseEvent stamped(QEvent::MouseButtonPress, QPointF(12, 7), QPointF(12, 7), Qt::RightButton, Qt::RightButton, Qt::ShiftModifier);
    stamped.setTimestamp(4242);
    c.setLastMouseDownEvent(&stamped);
    c.setDelegate(&delegate);

    std::unique_ptr<VTTabBarControl> copy = roundTrip(c);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->cells().size(), 3u);
    for (const auto &cell : copy->cells())
        EXPECT_EQ(cell->controlView(), copy.get());
    ASSERT_TRUE(copy->tabView());
    EXPECT_EQ(copy->tabView()->numberOfTabViewItems(), 3);
    EXPECT_EQ(copy->tabView(), qobject_cast<platform::TabView *>(std::static_pointer_cast<VTArchivedView>(copy->archivedTabView())->widget()));
    EXPECT_TRUE(copy->partnerView());
    EXPECT_NE(copy->partnerView(), &partner);
    EXPECT_EQ(copy->overflowPopUpButton()->parentWidget(), copy.get());
    EXPECT_EQ(copy->addTabButton()->parentWidget(), copy.get());
    EXPECT_EQ(copy->styleName(), QStringLiteral("Metal"));
    EXPECT_EQ(copy->orientation(), 1);
    EXPECT_TRUE(copy->canCloseOnlyTab());
    EXPECT_TRUE(copy->disableTabClose());
    EXPECT_TRUE(copy->hideForSingleTab());
    EXPECT_FALSE(copy->allowsBackgroundTabClosing());
    EXPECT_TRUE(copy->allowsResizing());
    EXPECT_TRUE(copy->selectsTabsOnMouseDown());
    EXPECT_TRUE(copy->showAddTabButton());
    EXPECT_TRUE(copy->sizeCellsToFit());
    EXPECT_EQ(copy->cellMinWidth(), 60);
    EXPECT_EQ(copy->cellMaxWidth(), 300);
    EXPECT_EQ(copy->cellOptimumWidth(), 150);
    EXPECT_EQ(copy->currentShowHideStep(), -1);
    EXPECT_FALSE(copy->isTabBarHidden());
    EXPECT_FALSE(copy->isAwake());
    ASSERT_TRUE(copy->lastMouseDownEvent());
    EXPECT_EQ(copy->lastMouseDownEvent()->position(), QPointF(12, 7));
    EXPECT_EQ(copy->lastMouseDownEvent()->button(), Qt::RightButton);
    EXPECT_EQ(copy->lastMouseDownEvent()->modifiers(), Qt::ShiftModifier);
    EXPECT_EQ(copy->lastMouseDownEvent()->timestamp(), 4242u);
    ASSERT_TRUE(copy->delegate());
    EXPECT_EQ(static_cast<ArchivedDelegate *>(copy->delegate())->note, QStringLiteral("kept"));
    EXPECT_FALSE(copy->useOverflowMenu());
    EXPECT_TRUE(copy->automaticallyAnimates());
    EXPECT_TRUE(copy->alwaysShowActiveTab());
    // Not archived: these start afresh.
    EXPECT_EQ(copy->tearOffStyle(), 0);
    EXPECT_FALSE(copy->allowsScrubbing());
    EXPECT_EQ(copy->resizeAreaCompensation(), 0);
    EXPECT_FALSE(copy->isAnimating());
    EXPECT_NE(copy->controller(), c.controller());
    c.setDelegate(nullptr);
}

TEST(TabBarControlCoding, MidChangeStepNonKeyedCoderAndRefusedArchives)
{
    // A control archived during a show or hide comes back idle, so it can change again.
    Bar bar(400, 2);
    QWidget window;
    bar.control->setTabView(nullptr);
    bar.control->setParent(&window);
    window.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return bar.control->isAwake(); }));
    bar.control->hideTabBar(true, true);
    ASSERT_EQ(bar.control->currentShowHideStep(), 0);
    std::unique_ptr<VTTabBarControl> copy = roundTrip(*bar.control);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->currentShowHideStep(), -1);
    EXPECT_TRUE(copy->isAwake());
    EXPECT_TRUE(copy->isTabBarHidden());
    copy->hideTabBar(false, false);
    EXPECT_TRUE(copy->isShowHideRunning());
    bar.control->setParent(nullptr);

    VTTabBarControl fresh;
    testsupport::NonKeyedCoder coder;
    fresh.encodeWithCoder(coder);
    EXPECT_TRUE(fresh.initWithCoder(coder));
    EXPECT_EQ(coder.calls(), 0);
    EXPECT_EQ(fresh.cellMinWidth(), 100);
    EXPECT_EQ(fresh.cellMaxWidth(), 280);
    EXPECT_EQ(fresh.cellOptimumWidth(), 130);
    EXPECT_TRUE(fresh.useOverflowMenu());
    EXPECT_TRUE(fresh.allowsBackgroundTabClosing());
    EXPECT_EQ(fresh.styleName(), QStringLiteral("Metal"));

    // Forged archives: bad values fail the whole decode; a stored step is not kept.
    using Write = std::function<void(platform::Coder &)>;
    const std::pair<const char *, Write> cases[] = {
        {"orientation 2", [](platform::Coder &c) { c.encodeInt64(2, QStringLiteral("VTorientation")); }},
        {"negative width", [](platform::Coder &c) { c.encodeInt64(-5, QStringLiteral("VTcellMinWidth")); }},
        {"cells holding a string", [](platform::Coder &c) { c.encodeObject(QVariantList{QStringLiteral("x")}, QStringLiteral("VTcells")); }},
        {"tab view of the wrong kind", [](platform::Coder &c) { c.encodeObject(VTTabStyleRegistry::styleNamed(QString()), QStringLiteral("VTtabView")); }},
        {"cells not an array", [](platform::Coder &c) { c.encodeInt64(3, QStringLiteral("VTcells")); }},
    };
    for (const auto &[name, write] : cases) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(platform::KeyedUnarchiver::unarchivedObject<VTArchivedView>(forged(write)));
    }
    EXPECT_FALSE(platform::KeyedUnarchiver::unarchivedObject<VTArchivedView>(forged([](platform::Coder &) {}, true)));
    const auto stuck = platform::KeyedUnarchiver::unarchivedObject<VTArchivedView>(forged([](platform::Coder &c) {
        c.encodeInt64(2, QStringLiteral("VTcurrentStep"));
        c.encodeBool(true, QStringLiteral("VTawakenedFromNib"));
    }));
    ASSERT_TRUE(stuck);
    auto *control = qobject_cast<VTTabBarControl *>(stuck->widget());
    ASSERT_TRUE(control);
    EXPECT_EQ(control->currentShowHideStep(), -1);
    control->hideTabBar(true, false);
    EXPECT_TRUE(control->isShowHideRunning());
}

namespace {

// The tab bar controls alive now.
QSet<QWidget *> controlsAlive()
{
    QSet<QWidget *> controls;
    for (QWidget *widget : QApplication::allWidgets()) {
        if (qobject_cast<VTTabBarControl *>(widget))
            controls.insert(widget);
    }
    return controls;
}

} // namespace

TEST(TabBarControlCoding, ArchivesWhoseCellsReferBackThroughOtherObjectsAreRefusedAndLeaveNothingAlive)
{
    Bar bar(400, 2);
    const std::shared_ptr<VTTabBarCell> cell = bar.control->cells().front();
    const platform::CodingPtr controlObject = VTArchivedView::forWidget(bar.control.get());
    // A second control, forged, whose cells hold the first control's cell.
    const auto holdingTheCell = std::make_shared<ForgedControl>();
    holdingTheCell->write = [&](platform::Coder &c) {
        c.encodeObject(QVariantList{platform::Coder::objectValue(cell)}, QStringLiteral("VTcells"));
    };
    const auto archive = [](const platform::CodingPtr &root) {
        return platform::KeyedArchiver::archivedData(root).value_or(QByteArray());
    };
    const auto withCellValue = [&](const QVariant &value, const platform::CodingPtr &root) {
        cell->setObjectValue(value);
        const QByteArray data = archive(root);
        cell->setObjectValue(QVariant());
        return data;
    };
    const std::pair<const char *, QByteArray> cases[] = {
        // cell → its control's view → the control → its cells → the cell
        {"a cell whose value is its control", withCellValue(platform::Coder::objectValue(controlObject), cell)},
        // the same cycle read from the control, with the control inside a list
        {"a control whose cell's value is a list holding the control",
         withCellValue(QVariantList{platform::Coder::objectValue(controlObject)}, controlObject)},
        // control → cell → another control → its cells → the cell
        {"a cell whose value is another control holding the cell",
         withCellValue(platform::Coder::objectValue(holdingTheCell), controlObject)},
        {"a cell whose value is a dictionary holding another control holding the cell",
         withCellValue(QVariantMap{{QStringLiteral("k"), platform::Coder::objectValue(holdingTheCell)}}, controlObject)},
    };
    const QSet<QWidget *> before = controlsAlive();
    for (const auto &[name, data] : cases) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(data.isEmpty());
        std::weak_ptr<platform::Coding> decoded;
        QString error;
        {
            platform::KeyedUnarchiver unarchiver(data);
            const platform::CodingPtr root = platform::Coder::objectFromValue(unarchiver.decodeObject(QStringLiteral("root")));
            decoded = root;
            EXPECT_TRUE(unarchiver.failed());
            error = unarchiver.error();
        }
        EXPECT_TRUE(error.contains(QStringLiteral("back to an object being decoded"))) << error.toStdString();
        EXPECT_TRUE(decoded.expired());
        EXPECT_EQ(controlsAlive(), before) << "a decoded control was left alive";
    }

    // A cell whose value is another control that does not hold it reads back whole.
    const auto other = std::make_shared<ForgedControl>();
    other->write = [](platform::Coder &) {};
    const QByteArray fine = withCellValue(platform::Coder::objectValue(other), cell);
    std::weak_ptr<VTTabBarCell> weakCell;
    {
        const auto read = platform::KeyedUnarchiver::unarchivedObject<VTTabBarCell>(fine);
        ASSERT_TRUE(read);
        const auto view = std::dynamic_pointer_cast<VTArchivedView>(platform::Coder::objectFromValue(read->objectValue()));
        ASSERT_TRUE(view);
        EXPECT_TRUE(qobject_cast<VTTabBarControl *>(view->widget()));
        weakCell = read;
    }
    EXPECT_TRUE(weakCell.expired());
    EXPECT_EQ(controlsAlive(), before);
}
