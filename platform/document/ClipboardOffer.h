#pragma once
// What the clipboard offers, as menu validation needs it to enable Paste: whether it
// holds text, or HTML for a widget that takes rich text.
//
// Reading the clipboard's contents asks the program that owns it (on X11 a request to
// that program, answered or not within Qt's clipboard time-out, several times over);
// menu validation runs before every menu shows and at every key press in a text
// field (the shortcut override), so it never asks another program. What this
// application put on the clipboard itself (or what it holds where no other program
// can, offscreen) is read here, once per change: a change the clipboard reports (its
// changed signal) only marks the offer stale, the offer is read when it is next asked
// for, and what was read is answered until the next change. What another program
// holds is taken as offered, text and rich text alike, without asking: Paste itself
// reads the clipboard, as the person asked, and finds out what is there.
//
// GUI thread only. One instance (shared()), made on first use, a child of the
// application; it answers "nothing" once the application is gone.
#include <QObject>

namespace platform {

class ClipboardOffer : public QObject
{
public:
    static ClipboardOffer &shared();

    bool hasText() const { return read().m_hasText; }
    bool hasHtml() const { return read().m_hasHtml; }
    // Whether a text widget could take what is offered: text, or HTML when it takes
    // rich text.
    bool canPasteInto(bool takesRichText) const { return hasText() || (takesRichText && hasHtml()); }
    // How many times the offer was read (for tests: at most once per change, and never
    // while another program holds the clipboard).
    int reads() const { return m_reads; }

private:
    explicit ClipboardOffer(QObject *parent);
    // The offer, read first when it is stale.
    const ClipboardOffer &read() const;
    void refresh();
    // Whether the clipboard's contents are read without asking another program.
    static bool readableHere();

    bool m_hasText = false;
    bool m_hasHtml = false;
    bool m_stale = true; // never read, or changed since it was
    int m_reads = 0;
};

} // namespace platform
