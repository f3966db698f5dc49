#include "core/app/TimerScope.h"

#include <stdexcept>
#include <string>

namespace quorvane {

TimerScope::TimerScope(Timers& set, std::vector<int> ids)
    : set_(set), claims_(set.claimed_), ids_(ids.begin(), ids.end()) {
    std::set<int>& claimed = *set.claimed_;
    for (int id : ids_) {
        if (claimed.count(id) != 0)
            throw std::logic_error("timer " + std::to_string(id) + " already has an owner");
    }
    claimed.insert(ids_.begin(), ids_.end());
}

TimerScope::~TimerScope() {
    if (const auto claimed = claims_.lock()) {
        for (int id : ids_)
            claimed->erase(id);
    }
}

std::vector<int> TimerScope::span(int first, int count) {
    std::vector<int> ids;
    for (int id = first; id < first + count; ++id)
        ids.push_back(id);
    return ids;
}

void TimerScope::start(int id, int periodMs) {
    if (owns(id))
        set_.start(id, periodMs);
}

void TimerScope::stop(int id) {
    if (owns(id))
        set_.stop(id);
}

bool TimerScope::isActive(int id) const {
    return owns(id) && set_.isActive(id);
}

void TimerScope::stopAll() {
    for (int id : ids_)
        set_.stop(id);
}

bool TimerScope::dispatch(int id) {
    if (!owns(id))
        return false;
    fire(id);
    return true;
}

} // namespace quorvane
