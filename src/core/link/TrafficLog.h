#pragma once
// A hidden traffic log of a page: every byte as "%02X ", with "\r\n" after each 13 counted bytes.
// The page decides which bytes count towards the line break (see the assemblers).

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvane {

class TrafficLog {
public:
    // Appends "%02X "; when `counts`, adds 1 to the line counter and breaks the line at 13.
    void appendByte(std::uint8_t byte, bool counts = true);
    // Adds 1 to the line counter without writing a byte (for bytes written earlier).
    void countByte();
    // Appends a whole frame as one line: thirteen "%02X " and "\r\n"; the counter is untouched.
    void appendLine(const std::uint8_t* data, std::size_t size);
    // Appends text as it is (a note between the bytes); the counter is untouched.
    void appendText(const std::string& text) { text_ += text; }
    void clear();

    const std::string& text() const { return text_; }
    int counter() const { return counter_; }

private:
    void breakLineIfFull();

    std::string text_;
    int counter_ = 0;
};

} // namespace quorvane
