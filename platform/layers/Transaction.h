#pragma once
// Groups changes of layers. Every change made outside an explicit begin()/commit()
// falls into an implicit transaction that commits on the next pass of the event
// loop (or at flush()). Settings of the innermost transaction that set them win:
// whether actions run (disableActions), the duration (0.25 s by default) and timing
// function (the platform's default curve) of implicit animations, and a completion
// that runs, from the event loop, once the transaction has committed and every
// animation added inside it has stopped (finished or removed) — at once (next pass)
// when it added none.
//
// A layer made in a transaction animates no changes until that transaction has
// committed. Main thread only; commit() without begin() is ignored with a warning.
#include "platform/layers/MediaTimingFunction.h"

#include <functional>
#include <memory>
#include <vector>

namespace platform {

class Transaction
{
public:
    static void begin();
    static void commit();
    // Commits the implicit transaction now; while explicit ones are open it commits
    // after the last of them, on a later pass of the event loop.
    static void flush();

    static bool disableActions();
    static void setDisableActions(bool disable);
    static double animationDuration();
    static void setAnimationDuration(double seconds);
    static MediaTimingFunction timingFunction();
    static void setTimingFunction(const MediaTimingFunction &function);
    static void setCompletionBlock(std::function<void()> completion);

    // Engine: opens the implicit transaction when none is open.
    static void ensureOpen();
    // Engine: tokens of the open transactions' completions; an animation holds them
    // until it stops.
    static std::vector<std::shared_ptr<void>> completionTokens();
    // Engine: how many transactions have committed so far.
    static quint64 commitCount();

    // Open transactions, the implicit one included.
    static int depth();
};

} // namespace platform
