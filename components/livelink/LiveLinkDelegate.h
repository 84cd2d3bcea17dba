#pragma once
// What one end of a live link tells its owner. Every call must be answered (there
// are no defaults). The edit calls arrive queued on the GUI thread, after the
// remote call that caused them was answered; liveLinkDidClose() arrives at once,
// while the closing is handled, and only on the end that did not close the link.
// The link passed is alive for the length of the call; keep LiveLink::sharedLink()
// to hold it longer. Not owned by the link.
class LiveLink;

class LiveLinkDelegate
{
public:
    virtual ~LiveLinkDelegate() = default;
    // Server's end: the client asks for the item on the link's pasteboard to be edited.
    virtual void liveLinkClientDidRequestEdit(LiveLink *link) = 0;
    // Client's end: the server sent the edited item on the link's pasteboard.
    virtual void liveLinkServerDidSendEdit(LiveLink *link) = 0;
    // The other end closed the link, quit, or stopped answering; or, on a client's
    // link, no server could be reached to open it (none found, none published in
    // time, or the server did not answer the link's opening).
    virtual void liveLinkDidClose(LiveLink *link) = 0;
};
