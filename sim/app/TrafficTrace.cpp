#include "sim/app/TrafficTrace.h"

#include "core/link/Frame.h"

#include <algorithm>

namespace quorvane::sim {

TrafficTrace::~TrafficTrace() {
    if (own_)
        std::fclose(file_);
}

bool TrafficTrace::open(const std::string& path) {
    if (path.empty())
        return true;
    std::FILE* file = std::fopen(path.c_str(), "ae");
    if (!file)
        return false;
    file_ = file;
    own_ = true;
    return true;
}

void TrafficTrace::received(LinkKind link, const std::uint8_t* data, std::size_t size) {
    line("RX", link, data, size);
}

void TrafficTrace::sent(LinkKind link, const std::uint8_t* data, std::size_t size) {
    for (std::size_t at = 0; at < size; at += FrameSize)
        line("TX", link, data + at, std::min(FrameSize, size - at));
}

void TrafficTrace::line(const char* direction, LinkKind link, const std::uint8_t* data,
                        std::size_t size) {
    std::string text = hexBytes(data, size);
    if (!text.empty())
        text.pop_back(); // the blank after the last byte
    std::fprintf(file_, "%s %s %s\n", direction, link == LinkKind::Tcp ? "tcp" : "serial",
                 text.c_str());
    std::fflush(file_);
}

void TrafficTrace::note(const std::string& text) {
    std::fprintf(file_, "%s\n", text.c_str());
    std::fflush(file_);
}

} // namespace quorvane::sim
