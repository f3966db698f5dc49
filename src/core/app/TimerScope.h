#pragma once
// One owner's share of a timer set. Each owner of a page's timers (the page, each conversation,
// the General page's connection controls, its search, the message box's close timer) takes the
// ids it uses when it is made; an id another owner holds cannot be taken twice (the claim throws
// std::logic_error, naming the id). An owner starts, stops, asks about and hears only its own ids,
// so its stopAll() (a standby report, for example) cannot reach another owner's timers. A start
// or stop of an id the owner does not hold is ignored.
//
// A scope is itself a timer set, so a conversation or a busy box can run on it. Expiries reach it
// through dispatch(), called by whoever receives the set's expiries; the scope passes its own ids
// to its handler and answers false for the rest.

#include "core/app/Timers.h"

#include <memory>
#include <set>
#include <vector>

namespace quorvane {

class TimerScope : public Timers {
public:
    // Takes `ids` of `set`.
    TimerScope(Timers& set, std::vector<int> ids);
    // Gives the ids back. Timers still running keep running (the set's owner stops them).
    ~TimerScope() override;
    TimerScope(const TimerScope&) = delete;
    TimerScope& operator=(const TimerScope&) = delete;

    // The ids first, first + 1, ..., first + count - 1.
    static std::vector<int> span(int first, int count);

    void start(int id, int periodMs) override;
    void stop(int id) override;
    bool isActive(int id) const override;

    // Stops every timer of this owner, and no other.
    void stopAll();
    bool owns(int id) const { return ids_.count(id) != 0; }
    const std::set<int>& ids() const { return ids_; }

    // An expiry of the set: true, after running the handler, when `id` is this owner's.
    bool dispatch(int id);

private:
    Timers& set_;
    std::weak_ptr<std::set<int>> claims_;
    std::set<int> ids_;
};

} // namespace quorvane
