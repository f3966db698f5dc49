#pragma once
// The program's record of its traffic for the traffic window: the latest `capacity` entries, oldest
// first. Appending beyond the capacity drops the oldest entry, so a long run holds a bounded amount
// of memory. Every entry gets a sequence number (from 0, never reused), so a viewer can tell which
// entries it has already shown and which have dropped out meanwhile.
//
// User-interface thread only.

#include "core/link/Traffic.h"

#include <cstdint>
#include <deque>
#include <functional>

namespace quorvane {

class TrafficJournal : public TrafficSink {
public:
    static constexpr std::size_t DefaultCapacity = 100000;

    explicit TrafficJournal(std::size_t capacity = DefaultCapacity)
        : capacity_(capacity == 0 ? 1 : capacity) {}

    // TrafficSink
    void record(TrafficEntry entry) override;

    // Called after each record (the viewer batches its updates).
    void setListener(std::function<void()> listener) { listener_ = std::move(listener); }

    std::size_t size() const { return entries_.size(); }
    std::size_t capacity() const { return capacity_; }
    // Sequence number of the oldest entry held (equal to end() when empty).
    std::uint64_t begin() const { return end_ - entries_.size(); }
    // Sequence number the next entry will get.
    std::uint64_t end() const { return end_; }
    // The entry with sequence number `seq`, begin() <= seq < end().
    const TrafficEntry& at(std::uint64_t seq) const {
        return entries_.at(static_cast<std::size_t>(seq - begin()));
    }
    // Forgets every entry; sequence numbers go on counting.
    void clear() { entries_.clear(); }

private:
    std::size_t capacity_;
    std::deque<TrafficEntry> entries_;
    std::uint64_t end_ = 0;
    std::function<void()> listener_;
};

} // namespace quorvane
