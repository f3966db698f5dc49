#pragma once
// Reading an EDID file chosen by the user: a regular file of at most LargestEdidFile bytes, read
// safely whatever the user picked (see files/UserFileRead.h).

#include "core/files/UserFileRead.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::edid {

// Files longer than this are refused by their length.
inline constexpr std::size_t LargestEdidFile = 64 * 1024;

using EdidFileRead = files::UserFileRead;

EdidFileRead readEdidFile(const std::string& path);

// Why a file that could not be read, or is too long, is not taken, as a sentence: "The file cannot
// be read: Input/output error." or "The file is more than 65536 bytes long; an EDID file has 128
// or 256." Empty for a file whose bytes were read whole.
std::string readRefusal(const EdidFileRead& read);

} // namespace quorvane::edid
