#pragma once
// The firmware file: a scrambled sequence of sections, each a two-byte marker followed by one
// processor's image, with no header, length or checksum. Reading unscrambles it into a buffer of
// at most MaxFileSize bytes; the upgrade cuts it into parts by scanning for markers and copies
// 256-byte blocks out of it.
//
// Scrambling: every byte is XORed with one key byte, the low byte of the file's total length
// XORed with ScrambleConstant. Reading and writing use the same constant, so scrambling twice
// gives the bytes back.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::firmware {

inline constexpr std::uint8_t ScrambleConstant = 0xA7;
// The largest firmware file the upgrade holds in memory.
inline constexpr std::size_t MaxFileSize = 200000;
// Data bytes in one block; a block on the wire is one check byte and these.
inline constexpr std::size_t BlockDataSize = 256;
inline constexpr std::size_t BlockSize = BlockDataSize + 1;

constexpr std::uint8_t keyByte(std::size_t totalLength) {
    return static_cast<std::uint8_t>((totalLength & 0xFFu) ^ ScrambleConstant);
}
// XORs every byte with the key byte of the buffer's own length (scrambles and unscrambles).
void scramble(std::vector<std::uint8_t>& bytes);

// Section markers and the upgrade part each one starts.
struct Marker {
    std::uint8_t first;
    std::uint8_t second;
};
inline constexpr Marker MainMarker{0xA5, 0x5A};  // main processor, part 1
inline constexpr Marker SlaveMarker{0xA4, 0x5B}; // slave processor 1, part 2
inline constexpr Marker IrMarker{0xA3, 0x5C};    // IR processor 2, part 3
inline constexpr Marker PanelMarker{0xA2, 0x5D}; // panel processor 3, part 4
inline constexpr Marker PartMarkers[4] = {MainMarker, SlaveMarker, IrMarker, PanelMarker};

// The part (1..4) that the marker bytes `a b` start, 0 when they are no marker.
int partOfMarker(std::uint8_t a, std::uint8_t b);

// One block as it goes on the wire: byte 0 = 0 minus the sum of bytes 1..256.
using Block = std::vector<std::uint8_t>;

class FirmwareFile {
public:
    enum class LoadResult { Loaded, TooLarge, Unreadable };

    // Takes the file's bytes as stored (scrambled). A file over MaxFileSize is refused and the
    // file loaded before stays loaded.
    LoadResult loadScrambled(const std::vector<std::uint8_t>& stored);
    LoadResult loadFromPath(const std::string& path);
    // Unscrambled bytes, as if loaded (tests, merge checks).
    void setPlain(std::vector<std::uint8_t> plain);

    std::size_t length() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    bool loaded() const { return !bytes_.empty(); }
    // The byte at `offset`, 0 past the end of the file (no byte of an earlier file is ever read).
    std::uint8_t at(std::size_t offset) const {
        return offset < bytes_.size() ? bytes_[offset] : 0;
    }

    // The part end scan: the first offset q >= from at which a byte A3 or A4 is directly followed
    // by 5B or 5C (both bytes inside the file), or the file length when there is none. A2 5D and
    // A5 5A are never found.
    std::size_t scanPartEnd(std::size_t from) const;

    // Block `index` of the part whose marker stands at `partStart`: the 256 bytes from
    // partStart + 2 + 256 * index, past the end of the file filled with 0, behind its check byte.
    Block block(std::size_t partStart, std::size_t index) const;

private:
    std::vector<std::uint8_t> bytes_;
};

} // namespace quorvane::firmware
