#include "core/link/Frame.h"

namespace quorvane {

std::string hexBytes(const std::uint8_t* data, std::size_t size) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(size * 3);
    for (std::size_t i = 0; i < size; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 0x0F];
        out += ' ';
    }
    return out;
}

} // namespace quorvane
