#pragma once
// The delegate of a published live-link server: it becomes the delegate of every
// server end that the server opens for a client, so it hears those ends' edit
// requests and closings (LiveLinkDelegate). Not owned by the server; a delegate
// that goes while the server is published leaves the ends opened later without one.
#include "components/livelink/LiveLinkDelegate.h"

class LiveLinkServerDelegate : public LiveLinkDelegate
{
};
