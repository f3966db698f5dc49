#pragma once
// The simulator's traffic log: one line per frame, "RX serial A5 5B 01 0B .." for what the matrix
// took in and "TX tcp A5 5B .." for what it sent; raw blocks stand on one line of their own.
// Lines go to a file or to stderr and are flushed at once, so a crash loses nothing.

#include "sim/device/Emission.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace quorvane::sim {

class TrafficTrace {
public:
    TrafficTrace() = default;
    ~TrafficTrace();
    TrafficTrace(const TrafficTrace&) = delete;
    TrafficTrace& operator=(const TrafficTrace&) = delete;

    // Empty path: stderr. False when the file cannot be opened.
    bool open(const std::string& path);

    void received(LinkKind link, const std::uint8_t* data, std::size_t size);
    // Cut into frames of 13 bytes (a merged write holds two).
    void sent(LinkKind link, const std::uint8_t* data, std::size_t size);
    // One line of free text (the UDP side's events).
    void note(const std::string& text);

private:
    void line(const char* direction, LinkKind link, const std::uint8_t* data, std::size_t size);

    std::FILE* file_ = stderr;
    bool own_ = false;
};

} // namespace quorvane::sim
