#include "AppKitExtensions/NTXEncodingPopUpButton.h"
#include "AppKitExtensions/NTXSelectEncodingsPanel.h"
#include "FoundationExtensions/NTXEncodingManager.h"
#include "FoundationExtensions/NTXStringEncodings.h"
#include "platform/foundation/UserDefaults.h"

#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QStandardItemModel>
#include <QTest>
#include <QTemporaryDir>
#include <QFile>

#include <algorithm>

using namespace NTXStringEncodings;

namespace {

const QString Automatic = QStringLiteral("Automatic");
const QString Command = QStringLiteral("Customize Encodings List\u2026");
const QString Separator = QStringLiteral("-");

void storeList(const QVariantList &stored)
{
    platform::UserDefaults::standardUserDefaults().setArray(stored, NTXEncodingManager::EncodingsKey);
    NTXEncodingManager::sharedInstance().reloadEnabledEncodings();
}

// The items' titles ("-" for the separator); checks that only encodings carry one as tag.
QStringList titles(const QComboBox &popUp)
{
    QStringList out;
    for (int i = 0; i < popUp.count(); ++i) {
        const bool separator = popUp.itemData(i, Qt::AccessibleDescriptionRole).toString() == QLatin1String("separator");
        const QString title = separator ? Separator : popUp.itemText(i);
        const quint32 tag = popUp.itemData(i, NTXEncodingPopUpButton::TagRole).value<quint32>();
        EXPECT_EQ(tag == NoStringEncoding, separator || title == Automatic || title == Command) << qPrintable(title);
        out << title;
    }
    return out;
}

struct ManagerTest : testing::Test
{
    void TearDown() override { NTXEncodingManager::sharedInstance().revertToDefault(); }
};

} // namespace

TEST_F(ManagerTest, MenusForListSelectionAndDefaultEntry)
{
    const QString utf8 = QStringLiteral("Unicode (UTF-8)");
    const QString roman = QStringLiteral("Western (Mac OS Roman)");
    const QString latin1 = QStringLiteral("Western (Windows Latin 1)");
    struct Case
    {
        QVariantList stored;
        quint32 selected;
        bool defaultEntry;
        QStringList titles;
        int index;
    };
    const QVariantList two = {4, 999, qint64(MacJapaneseStringEncoding), 30, 4}; // unknown and unavailable skipped
    const Case cases[] = {
        {{}, NoStringEncoding, true, {Automatic, Separator, Command}, 0},
        {{}, NoStringEncoding, false, {Command}, -1},
        {{}, 12, false, {latin1, Separator, Command}, 0},
        {two, NoStringEncoding, false, {utf8, roman, Separator, Command}, 0},
        {two, 30, false, {utf8, roman, Separator, Command}, 1},
        {two, 12, false, {utf8, roman, latin1, Separator, Command}, 2},
        {two, 12, true, {Automatic, utf8, roman, Separator, Command}, 0},
        {two, 4, true, {Automatic, utf8, roman, Separator, Command}, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.stored.size() << " " << c.selected << " " << c.defaultEntry);
        storeList(c.stored);
        NTXEncodingPopUpButton popUp;
        popUp.setEncoding(c.selected, c.defaultEntry);
        EXPECT_EQ(titles(popUp), c.titles);
        EXPECT_EQ(popUp.currentIndex(), c.index);
        EXPECT_EQ(popUp.hasDefaultEntry(), c.defaultEntry);
        // The command item is never selected.
        EXPECT_FALSE(popUp.selectItemAtIndex(popUp.count() - 1));
        EXPECT_EQ(popUp.currentIndex(), c.index);
    }
    EXPECT_EQ(NTXEncodingManager::sharedInstance().enabledEncodings(), (QList<quint32>{4, 30}));
}

TEST_F(ManagerTest, ASelectedEncodingThatCannotBeUsedIsShownDisabledAndAnUnknownOneNotAtAll)
{
    ASSERT_FALSE(isAvailable(MacJapaneseStringEncoding)) << "this system converts Mac Japanese";
    const QString japanese = displayName(MacJapaneseStringEncoding);
    ASSERT_FALSE(japanese.isEmpty());
    storeList({4, 30});
    NTXEncodingPopUpButton popUp;
    popUp.setEncoding(MacJapaneseStringEncoding, false);
    EXPECT_EQ(titles(popUp), (QStringList{QStringLiteral("Unicode (UTF-8)"), QStringLiteral("Western (Mac OS Roman)"),
                                          japanese, Separator, Command}));
    // Shown as chosen, with its name, but it cannot be chosen again.
    EXPECT_EQ(popUp.currentIndex(), 2);
    EXPECT_EQ(popUp.selectedEncoding(), MacJapaneseStringEncoding);
    auto *model = qobject_cast<QStandardItemModel *>(popUp.model());
    ASSERT_NE(model, nullptr);
    EXPECT_FALSE(model->item(2)->isEnabled());
    EXPECT_TRUE(model->item(0)->isEnabled());
    EXPECT_TRUE(model->item(1)->isEnabled());

    const NTXEncodingManager::Menu menu =
        NTXEncodingManager::sharedInstance().menuForSelectedEncoding(MacJapaneseStringEncoding, false);
    ASSERT_EQ(menu.items.size(), 5);
    EXPECT_FALSE(menu.items.at(2).enabled);

    // An unknown number has no name: no empty item; the first encoding is shown.
    for (quint32 unknown : {quint32(999), quint32(0x80001234), quint32(0)}) {
        SCOPED_TRACE(unknown);
        popUp.setEncoding(unknown, false);
        EXPECT_EQ(titles(popUp), (QStringList{QStringLiteral("Unicode (UTF-8)"), QStringLiteral("Western (Mac OS Roman)"),
                                              Separator, Command}));
        EXPECT_EQ(popUp.currentIndex(), 0);
        for (int i = 0; i < popUp.count(); ++i)
            EXPECT_FALSE(popUp.itemText(i).isEmpty() && popUp.itemData(i, Qt::AccessibleDescriptionRole).toString() != QLatin1String("separator"));
    }
}

TEST_F(ManagerTest, RebuildKeepsTheChoice)
{
    storeList({4, 30, 12});
    NTXEncodingPopUpButton popUp;
    popUp.setEncoding(4, false);
    ASSERT_TRUE(popUp.selectItemAtIndex(1)); // the user picks Mac Roman
    NTXEncodingManager::sharedInstance().encodingListChanged({4, 12}); // and unticks it in the panel
    EXPECT_EQ(titles(popUp), (QStringList{QStringLiteral("Unicode (UTF-8)"), QStringLiteral("Western (Windows Latin 1)"),
                                          QStringLiteral("Western (Mac OS Roman)"), Separator, Command}));
    EXPECT_EQ(popUp.selectedEncoding(), quint32(MacOSRomanStringEncoding));
    EXPECT_EQ(popUp.defaultEncoding(), quint32(MacOSRomanStringEncoding));
    EXPECT_EQ(platform::UserDefaults::standardUserDefaults().arrayForKey(NTXEncodingManager::EncodingsKey),
              (QVariantList{qint64(4), qint64(12)}));
}

TEST_F(ManagerTest, RevertGivesTheSixDefaults)
{
    setDefaultCStringEncoding(MacOSRomanStringEncoding);
    storeList({4});
    NTXEncodingManager::sharedInstance().revertToDefault();
    EXPECT_EQ(NTXEncodingManager::sharedInstance().enabledEncodings(),
              (QList<quint32>{UnicodeStringEncoding, UTF8StringEncoding, MacOSRomanStringEncoding,
                              WindowsCP1252StringEncoding, ShiftJISMacStringEncoding, GB18030StringEncoding}));
    EXPECT_FALSE(platform::UserDefaults::standardUserDefaults().objectForKey(NTXEncodingManager::EncodingsKey).isValid());
    setDefaultCStringEncoding(0);
}

// However the command item is reached, the panel opens and the encoding chosen before
// stays shown and selected; no number but an encoding's is ever the selection.
TEST_F(ManagerTest, TheCommandItemOpensThePanelAndLeavesTheChoiceAsItWas)
{
    storeList({4, 30, 12});
    NTXEncodingPopUpButton popUp;
    popUp.setEncoding(30, false);
    const int chosen = popUp.currentIndex();
    ASSERT_EQ(popUp.selectedEncoding(), quint32(MacOSRomanStringEncoding));
    const int command = popUp.count() - 1;
    ASSERT_EQ(popUp.itemText(command), Command);
    NTXSelectEncodingsPanel &panel = NTXSelectEncodingsPanel::sharedPanel();

    QList<int> announced;
    QObject::connect(&popUp, &QComboBox::currentIndexChanged, &popUp, [&](int index) { announced << index; });
    const auto expectUnchangedAndPanelShown = [&](const char *how) {
        SCOPED_TRACE(how);
        EXPECT_EQ(popUp.currentIndex(), chosen);
        EXPECT_EQ(popUp.currentText(), QStringLiteral("Western (Mac OS Roman)"));
        EXPECT_EQ(popUp.selectedEncoding(), quint32(MacOSRomanStringEncoding));
        EXPECT_TRUE(QTest::qWaitFor([&] { return panel.isVisible(); }, 5000));
        // The last word of the announcements is the choice shown.
        if (!announced.isEmpty()) {
            EXPECT_EQ(announced.last(), chosen);
        }
        panel.hide();
        announced.clear();
    };

    // Made current the way a list chooses an item.
    popUp.setCurrentIndex(command);
    expectUnchangedAndPanelShown("set current");

    // Chosen in the open list with the Return key.
    popUp.showPopup();
    ASSERT_TRUE(QTest::qWaitFor([&] { return popUp.view()->isVisible(); }, 5000));
    popUp.view()->setCurrentIndex(popUp.model()->index(command, 0));
    QTest::keyClick(popUp.view(), Qt::Key_Return);
    expectUnchangedAndPanelShown("return in the list");
    popUp.hidePopup();

    // The arrow keys pass over it: no panel, the last encoding stays chosen.
    QCoreApplication::processEvents();
    ASSERT_FALSE(panel.isVisible()) << "the command ran once";
    popUp.setCurrentIndex(2);
    QTest::keyClick(&popUp, Qt::Key_Down);
    QTest::keyClick(&popUp, Qt::Key_Down);
    EXPECT_EQ(popUp.currentIndex(), 2);
    EXPECT_NE(popUp.selectedEncoding(), NoStringEncoding);
    QCoreApplication::processEvents();
    EXPECT_FALSE(panel.isVisible());
}

// Every available encoding, those of the Unicode family first (by value), then by
// their most compatible Mac encoding, then by value: the panel and "Select All"
// follow this order.
TEST_F(ManagerTest, AllEncodingsListTheUnicodeFamilyFirst)
{
    const QList<quint32> all = NTXEncodingManager::allAvailableStringEncodings();
    ASSERT_GE(all.size(), 10);
    const auto macOf = [](quint32 e) { return infoForEncoding(e)->macEncoding; };
    const auto unicode = [&](quint32 e) { return macOf(e) == MacUnicodeFamily; };
    EXPECT_TRUE(unicode(all.first()));
    EXPECT_TRUE(all.contains(quint32(UTF8StringEncoding)));
    EXPECT_TRUE(all.contains(quint32(UnicodeStringEncoding)));
    const qsizetype unicodeCount = std::count_if(all.begin(), all.end(), unicode);
    ASSERT_GE(unicodeCount, 2);
    for (qsizetype i = 0; i < all.size(); ++i) {
        EXPECT_EQ(unicode(all[i]), i < unicodeCount) << displayName(all[i]).toStdString();
        EXPECT_FALSE(displayName(all[i]).isEmpty());
        if (i > unicodeCount) {
            EXPECT_LE(macOf(all[i - 1]), macOf(all[i])) << displayName(all[i]).toStdString();
        }
    }
}

// The encoding an RTF file's header declares; anything else is UTF-8 (4). A code page
// no encoding has changes nothing: what the header said before it stands.
TEST(EncodingForFile, TheRTFHeaderDeclaresTheEncoding)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const struct
    {
        const char *bytes;
        quint32 encoding;
    } cases[] = {
        {"{\\rtf1\\ansi\\ansicpg1252\\deff0 {\\fonttbl}hello}", WindowsCP1252StringEncoding},
        {"{\\rtf1\\ansi\\ansicpg10000 x}", MacOSRomanStringEncoding},
        {"{\\rtf1\\ansi\\ansicpg65001 x}", UTF8StringEncoding},
        {"{\\rtf1\\mac x}", MacOSRomanStringEncoding},
        {"{\\rtf1\\mac\\ansicpg99999 x}", MacOSRomanStringEncoding},
        {"{\\rtf1\\ansi\\ansicpg99999 x}", UTF8StringEncoding},
        {"{\\rtf1\\ansi\\ansicpg x}", UTF8StringEncoding},
        {"plain text \\ansicpg1252", UTF8StringEncoding},
        {"", UTF8StringEncoding},
    };
    int n = 0;
    for (const auto &c : cases) {
        const QString path = folder.filePath(QStringLiteral("%1.rtf").arg(n++));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.bytes);
        file.close();
        EXPECT_EQ(NTXEncodingManager::encodingForFile(path), c.encoding) << c.bytes;
    }
    EXPECT_EQ(NTXEncodingManager::encodingForFile(folder.filePath(QStringLiteral("none.rtf"))), quint32(UTF8StringEncoding));
    EXPECT_EQ(NTXEncodingManager::encodingForFile(folder.path()), quint32(UTF8StringEncoding)) << "a folder";
}
