// Preference-pane plug-ins: the metadata check, the proxy that answers from the
// metadata without loading code, and loading the test plug-ins built next to
// this program (tests/NTXAppKit/plugins).
#include "NTXAppKit/preferences/NTXPlugInPreferencePane.h"
#include "NTXAppKit/preferences/NTXPrefPaneBundle.h"
#include "NTXAppKit/preferences/NTXPreferenceWindowController.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

class NTXPreferenceWindowControllerTestAccess
{
public:
    static std::unique_ptr<NTXPreferenceWindowController> make(const QString &autosaveName)
    {
        return std::unique_ptr<NTXPreferenceWindowController>(new NTXPreferenceWindowController(autosaveName, 3));
    }
};

namespace {

QJsonObject validMeta()
{
    return QJsonObject{{"NSPrincipalClass", "SomePane"},
                       {"CFBundleIdentifier", "org.example.some-pane"},
                       {"NSPrefPaneIconLabel", "Some Pane"},
                       {"NSPrefPaneIconFile", "SomeIcon"},
                       {"NTXPrefPaneCategory", "Extras"},
                       {"NTXPrefPaneVersion", "2.0"},
                       {"NTXPrefPaneHelpURL", "https://example.org/help"}};
}

std::optional<NTXPrefPaneBundle::Info> checkWith(const QString &key, const QJsonValue &value, QString *error = nullptr)
{
    QJsonObject meta = validMeta();
    if (value.isUndefined())
        meta.remove(key);
    else
        meta.insert(key, value);
    return NTXPrefPaneBundle::infoFromMetaData(meta, error);
}

#ifdef CHRONARK_TEST_PANE_PLUGIN_DIR
QString pluginPath(const char *name)
{
    return QDir(QStringLiteral(CHRONARK_TEST_PANE_PLUGIN_DIR)).filePath(QString::fromLatin1(name) + QStringLiteral(".so"));
}
#endif

} // namespace

TEST(PanePluginMetadata, ValidMetadataIsRead)
{
    const auto info = NTXPrefPaneBundle::infoFromMetaData(validMeta());
    ASSERT_TRUE(info);
    EXPECT_EQ(info->principalClass, QStringLiteral("SomePane"));
    EXPECT_EQ(info->identifier, QStringLiteral("org.example.some-pane"));
    EXPECT_EQ(info->iconLabel, QStringLiteral("Some Pane"));
    EXPECT_EQ(info->iconFile, QStringLiteral("SomeIcon"));
    EXPECT_EQ(info->category, QStringLiteral("Extras"));
    EXPECT_EQ(info->version, QStringLiteral("2.0"));
    EXPECT_EQ(info->helpURL, QStringLiteral("https://example.org/help"));
    // Optional keys may be missing.
    const auto minimal = NTXPrefPaneBundle::infoFromMetaData(
        QJsonObject{{"NSPrincipalClass", "A"}, {"CFBundleIdentifier", "a"}});
    ASSERT_TRUE(minimal);
    EXPECT_TRUE(minimal->category.isNull());
    EXPECT_TRUE(minimal->helpURL.isNull());
}

TEST(PanePluginMetadata, MissingOrMalformedKeysRefuseThePlugin)
{
    QString error;
    EXPECT_FALSE(checkWith(QStringLiteral("NSPrincipalClass"), QJsonValue::Undefined, &error));
    EXPECT_EQ(error, QStringLiteral("principal class name not found"));
    EXPECT_FALSE(checkWith(QStringLiteral("CFBundleIdentifier"), QJsonValue::Undefined));
    EXPECT_FALSE(checkWith(QStringLiteral("NSPrincipalClass"), 42));
    EXPECT_FALSE(checkWith(QStringLiteral("NSPrincipalClass"), QStringLiteral("Not A Class")));
    EXPECT_FALSE(checkWith(QStringLiteral("NSPrincipalClass"), QString(300, QLatin1Char('A'))));
    EXPECT_FALSE(checkWith(QStringLiteral("CFBundleIdentifier"), QStringLiteral("../escape")));
    EXPECT_FALSE(checkWith(QStringLiteral("NSPrefPaneIconLabel"), QJsonArray()));
    EXPECT_FALSE(checkWith(QStringLiteral("NSPrefPaneIconLabel"), QString(2000, QLatin1Char('x'))));
    EXPECT_FALSE(checkWith(QStringLiteral("NSPrefPaneIconLabel"), QStringLiteral("bell\x07")));
    EXPECT_FALSE(checkWith(QStringLiteral("NSPrefPaneIconFile"), QStringLiteral("../../etc/passwd")));
    EXPECT_FALSE(checkWith(QStringLiteral("NSPrefPaneIconFile"), QStringLiteral("..")));
    EXPECT_FALSE(checkWith(QStringLiteral("NTXPrefPaneVersion"), 1.5));
    EXPECT_FALSE(checkWith(QStringLiteral("NTXPrefPaneHelpURL"), QStringLiteral("javascript:alert(1)")));
    EXPECT_FALSE(checkWith(QStringLiteral("NTXPrefPaneCategory"), true));
}

TEST(PanePluginMetadata, PluginMetadataMustBeOfThePaneInterface)
{
    QJsonObject plugin{{"IID", NTXPrefPaneBundleProtocol_iid}, {"MetaData", validMeta()}};
    EXPECT_TRUE(NTXPrefPaneBundle::infoFromPluginMetaData(plugin));
    plugin.insert(QStringLiteral("IID"), QStringLiteral("org.example.OtherInterface"));
    EXPECT_FALSE(NTXPrefPaneBundle::infoFromPluginMetaData(plugin));
    plugin = QJsonObject{{"IID", NTXPrefPaneBundleProtocol_iid}, {"MetaData", "not an object"}};
    EXPECT_FALSE(NTXPrefPaneBundle::infoFromPluginMetaData(plugin));
    EXPECT_FALSE(NTXPrefPaneBundle::infoFromPluginMetaData(QJsonObject()));
}

TEST(PanePluginMetadata, FilesThatAreNoPluginsAreRefused)
{
    QTemporaryDir dir;
    const QString text = dir.filePath(QStringLiteral("notes.so"));
    QFile file(text);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("just some text, no shared object");
    file.close();
    EXPECT_EQ(NTXPrefPaneBundle::bundleWithPath(text), nullptr);
    EXPECT_EQ(NTXPrefPaneBundle::bundleWithPath(dir.filePath(QStringLiteral("missing.so"))), nullptr);
    EXPECT_EQ(NTXPrefPaneBundle::bundleWithPath(dir.path()), nullptr);

    auto controller = NTXPreferenceWindowControllerTestAccess::make(QStringLiteral("Plugins"));
    controller->addPluginsOfType(QStringLiteral("so"), dir.path());
    EXPECT_TRUE(controller->prefPanes().isEmpty());
}

TEST(PanePluginMetadata, ProxyWithoutPluginUsesItsOwnView)
{
    NTXPlugInPreferencePane proxy;
    EXPECT_EQ(proxy.mainView(), nullptr);
    auto *view = new QWidget;
    proxy.setMainView(view);
    EXPECT_EQ(proxy.mainView(), view);
    EXPECT_EQ(proxy.loadMainView(), view);
    EXPECT_TRUE(proxy.respondsToSelector("loadMainView"));
    EXPECT_FALSE(proxy.respondsToSelector("willSelect"));
}

#ifdef CHRONARK_TEST_PANE_PLUGIN_DIR

TEST(PanePluginLoading, ProxyAnswersFromMetadataBeforeLoadingCode)
{
    auto bundle = NTXPrefPaneBundle::bundleWithPath(pluginPath("TestPanePlugin"));
    ASSERT_NE(bundle, nullptr);
    NTXPrefPaneBundle *raw = bundle.get();
    NTXPlugInPreferencePane proxy(std::move(bundle));
    EXPECT_EQ(proxy.identifier(), QStringLiteral("org.chronark.tests.TestPane"));
    EXPECT_EQ(proxy.label(), QStringLiteral("Plug-in Pane"));
    EXPECT_EQ(proxy.category(), QStringLiteral("Extras"));
    EXPECT_EQ(proxy.version(), QStringLiteral("1.2"));
    EXPECT_EQ(proxy.helpURL(), QStringLiteral("https://chronark.example.org/help/testpane"));
    EXPECT_EQ(proxy.icon().size(), QSize(48, 48));
    EXPECT_EQ(proxy.bundle(), raw);
    EXPECT_EQ(proxy.existingPrefPane(), nullptr);

    // Asking whether it answers an operation creates the principal object, which
    // receives loadMainView once.
    EXPECT_TRUE(proxy.respondsToSelector("willSelect"));
    EXPECT_TRUE(raw->isLoaded());
    QObject *principal = proxy.existingPrefPane();
    ASSERT_NE(principal, nullptr);
    EXPECT_EQ(principal->property("loadMainViewCount").toInt(), 1);
    EXPECT_EQ(principal->property("bundleIdentifier").toString(), QStringLiteral("org.chronark.tests.TestPane"));
    ASSERT_NE(proxy.mainView(), nullptr);
    EXPECT_EQ(proxy.mainView()->objectName(), QStringLiteral("TestPrincipalPaneView"));
    EXPECT_FALSE(proxy.respondsToSelector("standardSize"));
    // Forwarded operations reach the principal object.
    EXPECT_TRUE(proxy.sendOptional("willSelect"));
    EXPECT_EQ(principal->property("willSelectCount").toInt(), 1);
    proxy.loadMainView();
    EXPECT_EQ(principal->property("loadMainViewCount").toInt(), 2);
}

TEST(PanePluginLoading, WindowLoadsTheValidPluginAndSkipsTheBrokenOne)
{
    auto controller = NTXPreferenceWindowControllerTestAccess::make(QStringLiteral("Plugins"));
    EXPECT_FALSE(controller->addPluginFromPath(pluginPath("TestBrokenPanePlugin")));
    EXPECT_TRUE(controller->prefPanes().isEmpty());

    controller->addPluginsOfType(QStringLiteral("so"), QStringLiteral(CHRONARK_TEST_PANE_PLUGIN_DIR));
    EXPECT_EQ(controller->validPrefPaneIdentifiers(), QStringList{QStringLiteral("org.chronark.tests.TestPane")});
    // The same plug-in again is skipped.
    EXPECT_FALSE(controller->addPluginFromPath(pluginPath("TestPanePlugin")));

    auto *pane = qobject_cast<NTXPlugInPreferencePane *>(
        controller->prefPaneWithIdentifier(QStringLiteral("org.chronark.tests.TestPane")));
    ASSERT_NE(pane, nullptr);
    ASSERT_TRUE(controller->selectPaneWithIdentifier(QStringLiteral("org.chronark.tests.TestPane")));
    QObject *principal = pane->existingPrefPane();
    ASSERT_NE(principal, nullptr);
    EXPECT_EQ(controller->window()->contentView(), pane->mainView());
    EXPECT_EQ(controller->window()->windowTitle(), QStringLiteral("Plug-in Pane"));
    EXPECT_EQ(principal->property("willSelectCount").toInt(), 1);
    EXPECT_EQ(principal->property("didSelectCount").toInt(), 1);
    EXPECT_EQ(principal->property("didUnselectCount").toInt(), 0);
    // Created with one loadMainView, and one more for the selection.
    EXPECT_EQ(principal->property("loadMainViewCount").toInt(), 2);
}

#else

TEST(PanePluginLoading, NeedsTheTestPluginsBuilt)
{
    GTEST_SKIP() << "the test plug-ins are not part of this build (tests/NTXAppKit/plugins)";
}

#endif
