#include "VirtualClock.h"

#include <algorithm>
#include <limits>

namespace quorvane {

class VirtualClock::VirtualTimers : public Timers {
public:
    explicit VirtualTimers(VirtualClock& clock) : clock_(clock) {}
    ~VirtualTimers() override {
        auto& sets = clock_.timerSets_;
        sets.erase(std::remove(sets.begin(), sets.end(), this), sets.end());
    }

    void start(int id, int periodMs) override {
        armed_[id] = Armed{clock_.now_ + std::max(periodMs, 0), periodMs, clock_.nextOrder_++};
    }
    void stop(int id) override { armed_.erase(id); }
    bool isActive(int id) const override { return armed_.count(id) != 0; }

    // The earliest due timer: (due, order, id), or none.
    bool earliest(std::int64_t& due, std::uint64_t& order, int& id) const {
        bool found = false;
        for (const auto& [timerId, armed] : armed_) {
            if (!found || std::tie(armed.due, armed.order) < std::tie(due, order)) {
                due = armed.due;
                order = armed.order;
                id = timerId;
                found = true;
            }
        }
        return found;
    }

    void expire(int id) {
        auto it = armed_.find(id);
        if (it == armed_.end())
            return;
        // Periodic: re-arm before the handler runs, so the handler can stop or restart it.
        Armed& armed = it->second;
        armed.due += std::max(armed.period, 1);
        armed.order = clock_.nextOrder_++;
        fire(id);
    }

private:
    struct Armed {
        std::int64_t due;
        int period;
        std::uint64_t order;
    };
    VirtualClock& clock_;
    std::map<int, Armed> armed_;
};

VirtualClock::VirtualClock() = default;
VirtualClock::~VirtualClock() = default;

std::unique_ptr<Timers> VirtualClock::createTimers() {
    auto timers = std::make_unique<VirtualTimers>(*this);
    timerSets_.push_back(timers.get());
    return timers;
}

void VirtualClock::schedule(std::int64_t delayMs, std::function<void()> task) {
    tasks_.emplace(std::make_tuple(now_ + std::max<std::int64_t>(delayMs, 0), nextOrder_++),
                   std::move(task));
}

bool VirtualClock::runNext(std::int64_t limit) {
    std::int64_t bestDue = std::numeric_limits<std::int64_t>::max();
    std::uint64_t bestOrder = std::numeric_limits<std::uint64_t>::max();
    VirtualTimers* bestSet = nullptr;
    int bestId = 0;
    for (VirtualTimers* set : timerSets_) {
        std::int64_t due;
        std::uint64_t order;
        int id;
        if (set->earliest(due, order, id) && std::tie(due, order) < std::tie(bestDue, bestOrder)) {
            bestDue = due;
            bestOrder = order;
            bestSet = set;
            bestId = id;
        }
    }
    const bool taskFirst =
        !tasks_.empty() && tasks_.begin()->first < std::make_tuple(bestDue, bestOrder);
    if (taskFirst) {
        auto it = tasks_.begin();
        if (std::get<0>(it->first) > limit)
            return false;
        now_ = std::max(now_, std::get<0>(it->first));
        auto task = std::move(it->second);
        tasks_.erase(it);
        task();
        return true;
    }
    if (!bestSet || bestDue > limit)
        return false;
    now_ = std::max(now_, bestDue);
    bestSet->expire(bestId);
    return true;
}

void VirtualClock::advance(std::int64_t ms) {
    const std::int64_t limit = now_ + std::max<std::int64_t>(ms, 0);
    while (runNext(limit)) {
    }
    now_ = limit;
}

} // namespace quorvane
