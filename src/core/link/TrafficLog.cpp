#include "core/link/TrafficLog.h"

#include "core/link/Frame.h"

namespace quorvane {

void TrafficLog::appendByte(std::uint8_t byte, bool counts) {
    text_ += hexBytes(&byte, 1);
    if (counts)
        countByte();
}

void TrafficLog::countByte() {
    ++counter_;
    breakLineIfFull();
}

void TrafficLog::breakLineIfFull() {
    if (counter_ >= static_cast<int>(FrameSize)) {
        text_ += "\r\n";
        counter_ = 0;
    }
}

void TrafficLog::appendLine(const std::uint8_t* data, std::size_t size) {
    text_ += hexBytes(data, size);
    text_ += "\r\n";
}

void TrafficLog::clear() {
    text_.clear();
    counter_ = 0;
}

} // namespace quorvane
