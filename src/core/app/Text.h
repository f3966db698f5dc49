#pragma once
// Small text helpers shared by the pages.

#include <string>
#include <string_view>

namespace quorvane {

// `text` without leading and trailing blanks (spaces, tabs, line breaks).
inline std::string trimmed(std::string_view text) {
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return std::string(text.substr(first, text.find_last_not_of(blanks) - first + 1));
}

} // namespace quorvane
