#pragma once
// A traffic log box that follows a page's TrafficLog text: only what was added since the last
// call is inserted, and a log that shrank (it was cleared) clears the box.

#include <cstddef>
#include <string>

class QPlainTextEdit;

namespace quorvane {

// `shown` is how much of `text` the box holds already; it is brought up to date.
void syncLogBox(const std::string& text, std::size_t& shown, QPlainTextEdit* box);

} // namespace quorvane
