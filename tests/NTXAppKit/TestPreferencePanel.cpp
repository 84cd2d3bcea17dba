// The base pane: interface-file loading, its default answers and the optional
// operations the window finds on it.
#include "NTXAppKit/preferences/NTXPreferencePanel.h"
#include "NTXAppKit/preferences/NTXViewController.h"
#include "platform/foundation/Exception.h"

#include <QLineEdit>
#include <QPointer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

QWidget *plainView(NTXPreferencePanel *)
{
    auto *view = new QWidget;
    view->resize(300, 200);
    return view;
}

class OutletPane : public NTXPreferencePanel
{
    Q_OBJECT
public:
    QLineEdit *field = nullptr;
    QString seenInViewDidLoad;
    void viewDidLoad() override { seenInViewDidLoad = field ? field->text() : QStringLiteral("(no outlet)"); }
    QString category() const override { return QStringLiteral("Extras"); }
    Q_INVOKABLE QSizeF minSize() { return QSizeF(250, 120); }
};

class HookedController : public NTXViewController
{
public:
    QStringList calls;
    void viewWillLoad() override { calls << QStringLiteral("will"); }
    void viewDidLoad() override { calls << QStringLiteral("did:") + (isViewLoaded() ? "view" : "none"); }
};

} // namespace

TEST(PreferencePanel, BasePanelAnswersItsDefaults)
{
    NTXPreferencePanel::registerNib(QStringLiteral("TestPlainPane"), plainView);
    std::unique_ptr<NTXPreferencePanel> pane(
        NTXPreferencePanel::create<NTXPreferencePanel>(QStringLiteral("TestPlainPane"), QStringLiteral("plain")));
    EXPECT_EQ(pane->identifier(), QStringLiteral("plain"));
    EXPECT_EQ(pane->label(), QStringLiteral(""));
    EXPECT_FALSE(pane->label().isNull());
    EXPECT_EQ(pane->category(), QStringLiteral(""));
    EXPECT_TRUE(pane->icon().isNull());
    EXPECT_EQ(pane->sortOrder(), 0u);
    ASSERT_NE(pane->mainView(), nullptr);
    EXPECT_EQ(pane->mainView()->size(), QSize(300, 200));
    EXPECT_EQ(pane->sendOptionalBool("shouldResize"), std::optional<bool>(false));
    EXPECT_EQ(pane->sendOptionalString("categoryDisplayName"), std::optional<QString>(QStringLiteral("")));
    pane->setSortOrder(3);
    EXPECT_EQ(pane->sortOrder(), 3u);
}

TEST(PreferencePanel, BaseAnswersOnlyTheOperationsItImplements)
{
    NTXPreferencePanel::registerNib(QStringLiteral("TestPlainPane"), plainView);
    std::unique_ptr<NTXPreferencePanel> pane(
        NTXPreferencePanel::create<NTXPreferencePanel>(QStringLiteral("TestPlainPane"), QStringLiteral("plain")));
    for (const char *answered : {"willSelect", "didSelect", "willUnselect", "didUnselect", "panelDidBecomeMain",
                                 "shouldResize", "categoryDisplayName"})
        EXPECT_TRUE(pane->respondsToSelector(answered)) << answered;
    for (const char *missing : {"loadMainView", "minSize", "maxSize", "standardSize", "noSuchOperation"})
        EXPECT_FALSE(pane->respondsToSelector(missing)) << missing;
    EXPECT_FALSE(pane->sendOptionalSize("minSize").has_value());
    EXPECT_FALSE(pane->sendOptional("noSuchOperation"));
}

TEST(PreferencePanel, MissingInterfaceFileRaisesViewInitializationFailed)
{
    QPointer<NTXPreferencePanel> watched;
    try {
        NTXPreferencePanel::create<NTXPreferencePanel>(QStringLiteral("NoSuchPaneNib"), QStringLiteral("x"));
        FAIL() << "no exception";
    } catch (const platform::Exception &e) {
        EXPECT_EQ(e.name(), QStringLiteral("View initialization failed"));
        EXPECT_EQ(e.reason(), QStringLiteral("NoSuchPaneNib: Could not load views resources!"));
    }
    // A builder that answers no view counts as a file that cannot be loaded.
    NTXPreferencePanel::registerNib(QStringLiteral("TestEmptyNib"), [](NTXPreferencePanel *) { return nullptr; });
    EXPECT_THROW(NTXPreferencePanel::create<NTXPreferencePanel>(QStringLiteral("TestEmptyNib"), QStringLiteral("x")),
                 platform::Exception);
    NTXPreferencePanel::registerNib(QStringLiteral("TestEmptyNib"), {});
    EXPECT_FALSE(NTXPreferencePanel::hasNib(QStringLiteral("TestEmptyNib")));
}

TEST(PreferencePanel, InterfaceFileConnectsOutletsBeforeViewDidLoad)
{
    NTXPreferencePanel::registerNib(QStringLiteral("TestOutletPane"), [](NTXPreferencePanel *owner) {
        auto *view = new QWidget;
        auto *layout = new QVBoxLayout(view);
        auto *field = new QLineEdit(QStringLiteral("connected"), view);
        layout->addWidget(field);
        static_cast<OutletPane *>(owner)->field = field;
        return view;
    });
    std::unique_ptr<OutletPane> pane(
        NTXPreferencePanel::create<OutletPane>(QStringLiteral("TestOutletPane"), QStringLiteral("outlet")));
    EXPECT_EQ(pane->seenInViewDidLoad, QStringLiteral("connected"));
    EXPECT_EQ(pane->field->window(), pane->mainView());
    // A subclass that overrides only category() changes the shown name too, and
    // the optional sizes it adds are found.
    EXPECT_EQ(pane->sendOptionalString("categoryDisplayName"), std::optional<QString>(QStringLiteral("Extras")));
    EXPECT_EQ(pane->sendOptionalSize("minSize"), std::optional<QSizeF>(QSizeF(250, 120)));
}

TEST(PreferencePanel, PaneFreesItsUnshownView)
{
    NTXPreferencePanel::registerNib(QStringLiteral("TestPlainPane"), plainView);
    auto *pane = NTXPreferencePanel::create<NTXPreferencePanel>(QStringLiteral("TestPlainPane"), QStringLiteral("p"));
    QPointer<QWidget> view = pane->mainView();
    delete pane;
    EXPECT_TRUE(view.isNull());
}

TEST(PreferencePanel, ViewControllerSendsHooksAroundLoading)
{
    HookedController controller;
    EXPECT_FALSE(controller.isViewLoaded());
    QWidget *view = controller.view();
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(controller.view(), view);
    EXPECT_EQ(controller.calls, QStringList({QStringLiteral("will"), QStringLiteral("did:view")}));
}

#include "TestPreferencePanel.moc"
