// The File and Edit menus: their items, keys, validation against the front
// document and the actions they send.
#include "TestDocumentSupport.h"

#include "platform/document/MenuItemValidation.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPointer>

using namespace doctest;
using platform::StandardMenus;
namespace menu = platform::MenuItemValidation;

using StandardMenusTest = DocumentFixture;

namespace {

QStringList titles(const QMenu *m)
{
    QStringList list;
    for (const QAction *a : m->actions())
        list << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return list;
}

StandardMenus *menusOf(platform::Document *document)
{
    auto *window = qobject_cast<QMainWindow *>(document->mainWindow());
    return window ? window->menuBar()->findChild<StandardMenus *>() : nullptr;
}

} // namespace

TEST_F(StandardMenusTest, TheMenusHaveTheUsualItemsAndKeys)
{
    QMenuBar bar;
    auto *menus = new StandardMenus(&bar, controller);
    ASSERT_EQ(bar.actions().size(), 2);
    EXPECT_EQ(bar.actions()[0]->menu(), menus->fileMenu());
    EXPECT_EQ(bar.actions()[1]->menu(), menus->editMenu());
    EXPECT_EQ(menus->fileMenu()->title(), QStringLiteral("&File"));
    EXPECT_EQ(menus->editMenu()->title(), QStringLiteral("&Edit"));
    EXPECT_EQ(titles(menus->fileMenu()),
              (QStringList{QStringLiteral("&New"), QStringLiteral("&Open…"), QStringLiteral("Open &Recent"),
                           QStringLiteral("-"), QStringLiteral("&Close"), QStringLiteral("&Save"),
                           QStringLiteral("Save &As…"), QStringLiteral("Re&vert to Saved"), QStringLiteral("-"),
                           QStringLiteral("&Quit")}));
    EXPECT_EQ(titles(menus->editMenu()),
              (QStringList{QStringLiteral("&Undo"), QStringLiteral("&Redo"), QStringLiteral("-"), QStringLiteral("Cu&t"),
                           QStringLiteral("&Copy"), QStringLiteral("&Paste"), QStringLiteral("&Delete"),
                           QStringLiteral("-"), QStringLiteral("Select &All")}));

    const QList<std::pair<QAction *, QKeySequence::StandardKey>> keys = {
        {menus->newItem(), QKeySequence::New},     {menus->openItem(), QKeySequence::Open},
        {menus->closeItem(), QKeySequence::Close}, {menus->saveItem(), QKeySequence::Save},
        {menus->quitItem(), QKeySequence::Quit},
        {menus->undoItem(), QKeySequence::Undo},   {menus->redoItem(), QKeySequence::Redo},
        {menus->cutItem(), QKeySequence::Cut},     {menus->copyItem(), QKeySequence::Copy},
        {menus->pasteItem(), QKeySequence::Paste}, {menus->deleteItem(), QKeySequence::Delete},
        {menus->selectAllItem(), QKeySequence::SelectAll}};
    for (const auto &[item, key] : keys)
        EXPECT_EQ(item->shortcuts(), QKeySequence::keyBindings(key)) << item->text().toStdString();
    EXPECT_TRUE(menus->revertItem()->shortcut().isEmpty());
    // Save As has a key under every desktop: Ctrl+Shift+S where the platform binds none.
    const QList<QKeySequence> saveAs = QKeySequence::keyBindings(QKeySequence::SaveAs);
    EXPECT_EQ(menus->saveAsItem()->shortcuts(),
              saveAs.isEmpty() ? QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Shift+S"))} : saveAs);

    EXPECT_EQ(menus->itemWithAction("saveDocument:"), menus->saveItem());
    EXPECT_EQ(menus->itemWithAction("terminate"), menus->quitItem());
    EXPECT_EQ(menus->itemWithAction("nothing:"), nullptr);
    EXPECT_EQ(menu::action(menus->revertItem()), QByteArray("revertDocumentToSaved:"));
    EXPECT_EQ(menu::action(menus->closeItem()), QByteArray("performClose:"));
    EXPECT_EQ(menu::action(menus->newItem()), QByteArray("newDocument:"));
    EXPECT_EQ(menu::action(menus->openItem()), QByteArray("openDocument:"));
    EXPECT_TRUE(menu::autoenablesItems(menus->fileMenu()));
    EXPECT_TRUE(menu::autoenablesItems(menus->editMenu()));
}

TEST_F(StandardMenusTest, WithoutDocumentsOnlyTheControllersItemsAreEnabled)
{
    QMainWindow window;
    auto *menus = new StandardMenus(window.menuBar(), controller);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    menus->validateAll();
    EXPECT_TRUE(menus->newItem()->isEnabled());
    EXPECT_TRUE(menus->openItem()->isEnabled());
    EXPECT_TRUE(menus->quitItem()->isEnabled());
    for (QAction *item : {menus->closeItem(), menus->saveItem(), menus->saveAsItem(), menus->revertItem(),
                          menus->undoItem(), menus->redoItem(), menus->cutItem(), menus->copyItem(),
                          menus->pasteItem(), menus->deleteItem(), menus->selectAllItem()})
        EXPECT_FALSE(item->isEnabled()) << item->text().toStdString();
}

TEST_F(StandardMenusTest, ItemsFollowTheFrontDocument)
{
    TextDocument *doc = openText(QStringLiteral("menu.txtdoc"), "x");
    ASSERT_TRUE(activate(doc));
    StandardMenus *menus = menusOf(doc);
    ASSERT_NE(menus, nullptr);

    Q_EMIT menus->fileMenu()->aboutToShow();
    EXPECT_FALSE(menus->saveItem()->isEnabled());
    EXPECT_FALSE(menus->revertItem()->isEnabled());
    EXPECT_TRUE(menus->saveAsItem()->isEnabled());
    EXPECT_TRUE(menus->closeItem()->isEnabled());

    doc->setText(QStringLiteral("y"));
    ASSERT_TRUE(waitEdited(doc));
    Q_EMIT menus->fileMenu()->aboutToShow();
    EXPECT_TRUE(menus->saveItem()->isEnabled());
    EXPECT_TRUE(menus->revertItem()->isEnabled());

    Q_EMIT menus->editMenu()->aboutToShow();
    EXPECT_TRUE(menus->undoItem()->isEnabled());
    EXPECT_EQ(menus->undoItem()->text(), QStringLiteral("&Undo Typing"));
    EXPECT_FALSE(menus->redoItem()->isEnabled());
    EXPECT_EQ(menus->redoItem()->text(), QStringLiteral("&Redo"));

    menus->undoItem()->trigger();
    EXPECT_EQ(doc->text(), QStringLiteral("x"));
    Q_EMIT menus->editMenu()->aboutToShow();
    EXPECT_FALSE(menus->undoItem()->isEnabled());
    EXPECT_EQ(menus->undoItem()->text(), QStringLiteral("&Undo"));
    EXPECT_TRUE(menus->redoItem()->isEnabled());
    EXPECT_EQ(menus->redoItem()->text(), QStringLiteral("&Redo Typing"));
}

TEST_F(StandardMenusTest, TheUndoTitleIsPlainWhileATextFieldHasFocus)
{
    TextDocument *doc = openText(QStringLiteral("focus.txtdoc"), "x");
    ASSERT_TRUE(activate(doc));
    doc->setText(QStringLiteral("y"));
    ASSERT_TRUE(waitEdited(doc));
    StandardMenus *menus = menusOf(doc);
    Q_EMIT menus->editMenu()->aboutToShow();
    ASSERT_EQ(menus->undoItem()->text(), QStringLiteral("&Undo Typing"));

    auto *field = new QLineEdit(doc->mainWindow());
    field->show();
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }));
    Q_EMIT menus->editMenu()->aboutToShow();
    EXPECT_EQ(menus->undoItem()->text(), QStringLiteral("&Undo"));
    EXPECT_FALSE(menus->undoItem()->isEnabled()) << "the field has nothing to undo";
}

TEST_F(StandardMenusTest, TheSaveKeySavesTheFrontDocument)
{
    TextDocument *other = openText(QStringLiteral("k1.txtdoc"), "1");
    TextDocument *doc = openText(QStringLiteral("k2.txtdoc"), "2");
    ASSERT_TRUE(activate(doc));
    // The menu was validated while the document was clean: Save is disabled.
    menusOf(doc)->validateAll();
    ASSERT_FALSE(menusOf(doc)->saveItem()->isEnabled());

    other->setText(QStringLiteral("1b"));
    doc->setText(QStringLiteral("2b"));
    ASSERT_TRUE(waitEdited(doc));
    QTest::keySequence(doc->mainWindow(), QKeySequence(QKeySequence::Save));
    EXPECT_EQ(testsupport::readFile(path(QStringLiteral("k2.txtdoc"))), QByteArray("TEXT\n2b"));
    EXPECT_EQ(testsupport::readFile(path(QStringLiteral("k1.txtdoc"))), QByteArray("TEXT\n1"));
    EXPECT_FALSE(doc->isDocumentEdited());
}

TEST_F(StandardMenusTest, CloseAndNewGoThroughTheChain)
{
    TextDocument *doc = openText(QStringLiteral("close.txtdoc"), "1");
    ASSERT_TRUE(activate(doc));
    QPointer<TextDocument> guard(doc);
    StandardMenus *menus = menusOf(doc);

    menus->newItem()->trigger();
    ASSERT_EQ(controller->documents().size(), 2);
    EXPECT_EQ(controller->documents().last()->displayName(), QStringLiteral("Untitled"));

    ASSERT_TRUE(activate(doc));
    menus->closeItem()->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return guard.isNull(); }));
    EXPECT_EQ(controller->documents().size(), 1);
}

TEST_F(StandardMenusTest, TheOpenRecentSubmenuIsFilledBeforeItShows)
{
    ASSERT_TRUE(writeText(path(QStringLiteral("r1.txtdoc")), "1"));
    QMenuBar bar;
    auto *menus = new StandardMenus(&bar, controller);
    EXPECT_EQ(titles(menus->openRecentMenu()), QStringList{QStringLiteral("Clear Menu")});
    controller->noteNewRecentDocumentPath(path(QStringLiteral("r1.txtdoc")));
    Q_EMIT menus->openRecentMenu()->aboutToShow();
    EXPECT_EQ(titles(menus->openRecentMenu()),
              (QStringList{QStringLiteral("r1.txtdoc"), QStringLiteral("-"), QStringLiteral("Clear Menu")}));
    EXPECT_TRUE(menus->openRecentMenu()->actions().constLast()->isEnabled());
}
