#pragma once
// What one end of a live link tells its owner. Every call must be answered (there
// are no defaults). The edit calls arrive queued on the GUI thread, after the
// remote call that caused them was answered; liveLinkDidClose() arrives at once,
// while the closing is handled, and only on the end that did not close the link.
// The link passed is alive for the length of the call; keep LiveLink::sharedLink()
// to hold it longer.
//
// Ownership: not owned by the link (nor by a server). A delegate may go while links
// still name it (a document closed while its item's link is open, a server's
// delegate gone while a client's request or closing travels): links and servers
// hold it through its lifetime() token, and a link whose delegate is gone acts as
// one without a delegate (what arrives later is not told to anyone; the link stays
// open until one end closes it). A copy is a delegate of its own: links of the
// original never call it. GUI thread only.
#include <memory>

class LiveLink;

class LiveLinkDelegate
{
public:
    LiveLinkDelegate() = default;
    LiveLinkDelegate(const LiveLinkDelegate &) {}
    LiveLinkDelegate &operator=(const LiveLinkDelegate &) { return *this; }
    virtual ~LiveLinkDelegate() = default;
    // Server's end: the client asks for the item on the link's pasteboard to be edited.
    virtual void liveLinkClientDidRequestEdit(LiveLink *link) = 0;
    // Client's end: the server sent the edited item on the link's pasteboard.
    virtual void liveLinkServerDidSendEdit(LiveLink *link) = 0;
    // The other end closed the link, quit, or stopped answering; or, on a client's
    // link, no server could be reached to open it (none found, none published in
    // time, or the server did not answer the link's opening).
    virtual void liveLinkDidClose(LiveLink *link) = 0;

    // Expires when the delegate is destroyed: lets the links and servers that hold a
    // plain pointer to it tell a live delegate from a gone one.
    std::weak_ptr<const void> lifetime() const { return m_lifetime; }

private:
    std::shared_ptr<const void> m_lifetime = std::make_shared<char>(0);
};
