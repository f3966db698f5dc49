#pragma once
// Reading a file chosen by the user, who may have picked anything: a file on a USB stick or a
// network share, a FIFO, a device, a file of /proc or /sys that reports size 0 and has no end.
//
// Only regular files are read; anything else is refused without being opened, because opening a
// device can act on it (a serial port raises its lines) and a FIFO waits for a writer. The file is
// opened non-blocking and checked again after opening, in case the name was swapped in between. At
// most `limit` + 1 bytes are read whatever size the file reports, so a file that says it is empty
// but goes on for ever still ends the read. Errors come back as text; nothing throws.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::files {

struct UserFileRead {
    bool ok = false;
    // The bytes read: the whole file when it is at most `limit` bytes long, otherwise the first
    // `limit` + 1 (or none, when the reported size already says it is too long).
    std::vector<std::uint8_t> bytes;
    // Longer than `limit`.
    bool tooLong = false;
    // Why it could not be read ("not a regular file", "Input/output error", ...); empty when ok.
    std::string error;
};

UserFileRead readUserFile(const std::string& path, std::size_t limit);

} // namespace quorvane::files
