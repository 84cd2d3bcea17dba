// An X client that takes the CLIPBOARD selection and never answers a request for
// its contents: a program that hangs while it owns the clipboard. It prints
// "owning" once it owns the selection, then reads and ignores every event until it
// loses the selection (another client copied: it prints "lost" and ends) or it is
// stopped. Exit code 1 when the display cannot be opened or the selection not taken.
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

xcb_atom_t atomNamed(xcb_connection_t *connection, const char *name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(xcb_intern_atom_reply(connection, cookie, nullptr),
                                                                         &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

} // namespace

int main()
{
    xcb_connection_t *connection = xcb_connect(nullptr, nullptr);
    if (!connection || xcb_connection_has_error(connection)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_window_t window = xcb_generate_id(connection);
    xcb_create_window(connection, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);
    const xcb_atom_t clipboard = atomNamed(connection, "CLIPBOARD");
    xcb_set_selection_owner(connection, window, clipboard, XCB_CURRENT_TIME);
    const xcb_get_selection_owner_cookie_t cookie = xcb_get_selection_owner(connection, clipboard);
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(connection, cookie, nullptr), &std::free);
    if (!owner || owner->owner != window) {
        std::fprintf(stderr, "the clipboard could not be taken\n");
        return 1;
    }
    std::printf("owning\n");
    std::fflush(stdout);
    // SelectionRequest events go unanswered: the requestor waits for a
    // SelectionNotify that never comes.
    while (xcb_generic_event_t *event = xcb_wait_for_event(connection)) {
        const bool lost = (event->response_type & 0x7f) == XCB_SELECTION_CLEAR;
        std::free(event);
        if (lost) {
            std::printf("lost\n");
            std::fflush(stdout);
            break;
        }
    }
    xcb_disconnect(connection);
    return 0;
}
