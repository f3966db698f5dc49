#pragma once
// EDID files as the matrix takes them: raw EDID bytes, a base block of 128 bytes and at most one
// extension block of 128 more. The check says whether a file may become the EDID that a download
// sends and, when it may not, which check failed at which byte.
//
// A file is accepted when it is 128 or 256 bytes long, starts with the EDID header, announces in
// byte 126 exactly as many extension blocks as it holds (0 for 128 bytes, 1 for 256) and each of
// its blocks sums to 0 modulo 256. A 128-byte file leaves the extension half of the EDID zero, so
// no earlier file's extension is ever sent with it.

#include "core/app/Texts.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvane::edid {

inline constexpr std::size_t BlockSize = 128;
inline constexpr std::size_t BufferSize = 256;
// Byte 126 of the base block: how many extension blocks follow.
inline constexpr std::size_t ExtensionCountByte = 126;
inline constexpr std::array<std::uint8_t, 8> EdidHeader{0x00, 0xFF, 0xFF, 0xFF,
                                                        0xFF, 0xFF, 0xFF, 0x00};

using EdidBuffer = std::array<std::uint8_t, BufferSize>;

enum class FileFault {
    None,
    Length,            // neither 128 nor 256 bytes
    Header,            // bytes 0..7 are not 00 FF FF FF FF FF FF 00
    TooManyExtensions, // byte 126 announces two or more extension blocks
    MissingExtension,  // 128 bytes, but byte 126 announces an extension block
    UnannouncedBlock,  // 256 bytes, but byte 126 announces no extension block
    BaseChecksum,      // bytes 0..127 do not sum to 0
    ExtensionChecksum, // bytes 128..255 do not sum to 0
};

struct FileCheck {
    FileFault fault = FileFault::None;
    std::size_t fileSize = 0;
    // The byte the fault is about: the first header byte that differs, byte 126 for the extension
    // count, the block's last byte (its checksum) for a block sum; the file size for a bad length.
    std::size_t byte = 0;
    // The value of that byte (header, count), or the block's sum modulo 256.
    std::uint8_t value = 0;
    // When accepted: the EDID as a download sends it, and how many of its bytes came from the file.
    EdidBuffer edid{};
    std::size_t acceptedBytes = 0;

    bool accepted() const { return fault == FileFault::None; }
};

FileCheck checkEdidFile(const std::uint8_t* data, std::size_t size);

// The text the page shows for a refused file (None when accepted), and its wording.
Text faultText(FileFault fault);
std::string faultMessage(FileFault fault);
// Which check failed and at which byte, in a short sentence for the summary.
std::string faultDetail(const FileCheck& check);

// The 8-bit sum of `size` bytes.
std::uint8_t blockSum(const std::uint8_t* data, std::size_t size);

} // namespace quorvane::edid
