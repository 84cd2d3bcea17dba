// Another program holds the clipboard and never answers a request for it (an X client
// of the test's own that takes the CLIPBOARD selection and never reads its events):
// keys typed into a text field, the shortcut validation they start and the Edit
// menu's validation never ask for the clipboard, and Paste stays offered. What this
// application copies itself is read at once again, once per change.
#include "platform/document/ClipboardOffer.h"
#include "platform/document/MenuItemValidation.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstring>
#include <memory>

namespace menu = platform::MenuItemValidation;

namespace {

// An X client that owns the CLIPBOARD selection and never answers for it.
class SilentClipboardOwner
{
public:
    SilentClipboardOwner() : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);
        const char name[] = "CLIPBOARD";
        xcb_intern_atom_reply_t *atom =
            xcb_intern_atom_reply(m_connection, xcb_intern_atom(m_connection, 0, std::strlen(name), name), nullptr);
        if (!atom)
            return;
        m_clipboard = atom->atom;
        free(atom);
        xcb_set_selection_owner(m_connection, m_window, m_clipboard, XCB_CURRENT_TIME);
        xcb_get_selection_owner_reply_t *owner =
            xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, m_clipboard), nullptr);
        m_owns = owner && owner->owner == m_window;
        free(owner);
    }
    ~SilentClipboardOwner() { xcb_disconnect(m_connection); }
    bool owns() const { return m_owns; }

private:
    xcb_connection_t *m_connection;
    xcb_window_t m_window = 0;
    xcb_atom_t m_clipboard = 0;
    bool m_owns = false;
};

} // namespace

TEST(ClipboardSilentOwner, KeysAndMenusNeverAskAClipboardOwnerThatDoesNotAnswer)
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    auto *field = new QLineEdit;
    layout->addWidget(field);
    QMenu edit(QStringLiteral("Edit"), &window);
    menu::setAutoenablesItems(&edit, true);
    QAction *paste = menu::addItem(&edit, QStringLiteral("Paste"), "paste:", QKeySequence::Paste);
    QAction *selectAll = menu::addItem(&edit, QStringLiteral("Select All"), "selectAll:", QKeySequence::SelectAll);
    window.addAction(paste);
    window.addAction(selectAll);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return field->hasFocus(); }));
    const platform::ClipboardOffer &offer = platform::ClipboardOffer::shared();
    QClipboard *clipboard = QApplication::clipboard();

    {
        QSignalSpy changes(clipboard, &QClipboard::changed);
        SilentClipboardOwner owner;
        ASSERT_TRUE(owner.owns());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !changes.isEmpty(); }, 10000));
        const int reads = offer.reads();
        QTest::keyClicks(field, QStringLiteral("Rename"));
        EXPECT_EQ(field->text(), QStringLiteral("Rename"));
        menu::validateMenu(&edit);
        EXPECT_TRUE(paste->isEnabled());
        EXPECT_TRUE(selectAll->isEnabled());
        Q_EMIT edit.aboutToShow();
        EXPECT_TRUE(paste->isEnabled());
        EXPECT_EQ(offer.reads(), reads) << "the clipboard was asked for";
    }

    // This application's own copy is read, once per change, and the offer follows it:
    // HTML alone is nothing a line edit takes.
    auto *html = new QMimeData;
    html->setHtml(QStringLiteral("<b>copied here</b>"));
    clipboard->setMimeData(html);
    ASSERT_TRUE(QTest::qWaitFor([&] { return clipboard->ownsClipboard(); }, 10000));
    const int reads = offer.reads();
    QTest::keyClicks(field, QStringLiteral("s"));
    menu::validateMenu(&edit);
    EXPECT_FALSE(paste->isEnabled());
    clipboard->setText(QStringLiteral("copied here"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return clipboard->ownsClipboard(); }, 10000));
    QTest::keyClicks(field, QStringLiteral("s"));
    menu::validateMenu(&edit);
    EXPECT_TRUE(paste->isEnabled());
    EXPECT_EQ(offer.reads(), reads + 2);
    clipboard->clear();
}
