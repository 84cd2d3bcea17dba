#include "platform/layers/Transaction.h"

#include "platform/layers/AnimationDriver.h"

#include <QtGlobal>
#include <cmath>
#include <optional>

namespace platform {

namespace {

// Runs its function from the event loop when the last holder lets go.
struct Completion
{
    std::function<void()> function;
    ~Completion()
    {
        if (function)
            AnimationDriver::runLater(std::move(function));
    }
};

struct Level
{
    bool implicit = false;
    std::optional<bool> disableActions;
    std::optional<double> duration;
    std::optional<MediaTimingFunction> timing;
    std::shared_ptr<Completion> completion;
};

struct State
{
    std::vector<Level> levels;
    quint64 commits = 0;
    bool implicitScheduled = false;
};

State &state()
{
    static State s;
    return s;
}

template <typename T>
std::optional<T> innermost(std::optional<T> Level::*member)
{
    const auto &levels = state().levels;
    for (auto it = levels.rbegin(); it != levels.rend(); ++it)
        if ((*it).*member)
            return (*it).*member;
    return std::nullopt;
}

Level &current()
{
    Transaction::ensureOpen();
    return state().levels.back();
}

void scheduleImplicitCommit()
{
    State &s = state();
    if (s.implicitScheduled)
        return;
    s.implicitScheduled = AnimationDriver::runLater([] {
        state().implicitScheduled = false;
        Transaction::flush();
    });
}

} // namespace

void Transaction::begin()
{
    state().levels.push_back(Level{});
}

void Transaction::commit()
{
    State &s = state();
    if (s.levels.empty() || s.levels.back().implicit) {
        qWarning("Transaction::commit: no transaction begun");
        return;
    }
    s.levels.pop_back(); // its completion token goes with it
    ++s.commits;
    if (s.levels.size() == 1 && s.levels.front().implicit)
        scheduleImplicitCommit(); // it may have waited for this one
}

void Transaction::flush()
{
    State &s = state();
    if (s.levels.empty() || !s.levels.front().implicit)
        return;
    if (s.levels.size() > 1)
        return; // explicit transactions still open: the implicit one commits after them
    s.levels.clear();
    ++s.commits;
}

void Transaction::ensureOpen()
{
    State &s = state();
    if (s.levels.empty()) {
        Level implicit;
        implicit.implicit = true;
        s.levels.push_back(std::move(implicit));
    }
    if (s.levels.front().implicit)
        scheduleImplicitCommit();
}

bool Transaction::disableActions()
{
    return innermost(&Level::disableActions).value_or(false);
}

void Transaction::setDisableActions(bool disable)
{
    current().disableActions = disable;
}

double Transaction::animationDuration()
{
    return innermost(&Level::duration).value_or(0.25);
}

void Transaction::setAnimationDuration(double seconds)
{
    current().duration = std::isfinite(seconds) && seconds > 0 ? seconds : 0.25;
}

MediaTimingFunction Transaction::timingFunction()
{
    return innermost(&Level::timing).value_or(MediaTimingFunction::named(MediaTimingFunction::Name::Default));
}

void Transaction::setTimingFunction(const MediaTimingFunction &function)
{
    current().timing = function;
}

void Transaction::setCompletionBlock(std::function<void()> completion)
{
    Level &level = current();
    if (level.completion)
        level.completion->function = nullptr; // replaced: the earlier one never runs
    level.completion = completion ? std::make_shared<Completion>() : nullptr;
    if (level.completion)
        level.completion->function = std::move(completion);
}

std::vector<std::shared_ptr<void>> Transaction::completionTokens()
{
    std::vector<std::shared_ptr<void>> tokens;
    for (const Level &level : state().levels)
        if (level.completion)
            tokens.push_back(level.completion);
    return tokens;
}

quint64 Transaction::commitCount()
{
    return state().commits;
}

int Transaction::depth()
{
    return static_cast<int>(state().levels.size());
}

} // namespace platform
