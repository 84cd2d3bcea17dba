#pragma once
// Another X client that owns a selection (CLIPBOARD, or PRIMARY for the middle button):
// silent, it never reads its events (nor answers a request for the contents, as a
// program that hangs while it owns the clipboard); answering, a thread of its own answers
// every request for UTF8_STRING with the text and refuses every other. Made and
// destroyed on one thread; owns() tells whether the selection was taken (false without
// an X display). The destructor ends the answering thread and gives the selection up
// with its connection.
#include <QByteArray>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <optional>
#include <sys/socket.h>
#include <thread>

namespace testsupport {

class ClipboardOwner
{
public:
    explicit ClipboardOwner(std::optional<QByteArray> answer = std::nullopt, const char *selection = "CLIPBOARD")
        : m_connection(xcb_connect(nullptr, nullptr))
    {
        if (xcb_connection_has_error(m_connection))
            return;
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        m_window = xcb_generate_id(m_connection);
        xcb_create_window(m_connection, XCB_COPY_FROM_PARENT, m_window, screen->root, 0, 0, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);
        const xcb_atom_t clipboard = atom(selection);
        const xcb_atom_t utf8 = atom("UTF8_STRING");
        xcb_set_selection_owner(m_connection, m_window, clipboard, XCB_CURRENT_TIME);
        xcb_get_selection_owner_reply_t *owner =
            xcb_get_selection_owner_reply(m_connection, xcb_get_selection_owner(m_connection, clipboard), nullptr);
        m_owns = owner && owner->owner == m_window;
        std::free(owner);
        if (!answer)
            return;
        m_answering = std::thread([this, text = *answer, utf8] {
            while (xcb_generic_event_t *event = xcb_wait_for_event(m_connection)) {
                if ((event->response_type & 0x7f) == XCB_SELECTION_REQUEST) {
                    const auto *request = reinterpret_cast<xcb_selection_request_event_t *>(event);
                    xcb_selection_notify_event_t notify{};
                    notify.response_type = XCB_SELECTION_NOTIFY;
                    notify.time = request->time;
                    notify.requestor = request->requestor;
                    notify.selection = request->selection;
                    notify.target = request->target;
                    notify.property = XCB_ATOM_NONE;
                    if (request->target == utf8) {
                        xcb_change_property(m_connection, XCB_PROP_MODE_REPLACE, request->requestor, request->property,
                                            utf8, 8, uint32_t(text.size()), text.constData());
                        notify.property = request->property;
                    }
                    xcb_send_event(m_connection, 0, request->requestor, XCB_EVENT_MASK_NO_EVENT,
                                   reinterpret_cast<const char *>(&notify));
                    xcb_flush(m_connection);
                }
                std::free(event);
            }
        });
    }
    ~ClipboardOwner()
    {
        // Ends the answering thread's wait too.
        ::shutdown(xcb_get_file_descriptor(m_connection), SHUT_RDWR);
        if (m_answering.joinable())
            m_answering.join();
        xcb_disconnect(m_connection);
    }
    ClipboardOwner(const ClipboardOwner &) = delete;
    ClipboardOwner &operator=(const ClipboardOwner &) = delete;

    bool owns() const { return m_owns; }

private:
    xcb_atom_t atom(const char *name)
    {
        xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(
            m_connection, xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name), nullptr);
        const xcb_atom_t value = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(reply);
        return value;
    }

    xcb_connection_t *m_connection;
    xcb_window_t m_window = 0;
    bool m_owns = false;
    std::thread m_answering;
};

} // namespace testsupport
