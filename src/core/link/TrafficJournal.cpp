#include "core/link/TrafficJournal.h"

namespace quorvane {

void TrafficJournal::record(TrafficEntry entry) {
    if (entries_.size() == capacity_)
        entries_.pop_front();
    entries_.push_back(std::move(entry));
    ++end_;
    if (listener_)
        listener_();
}

} // namespace quorvane
