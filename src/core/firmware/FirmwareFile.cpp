#include "core/firmware/FirmwareFile.h"

#include "core/files/UserFileRead.h"

#include <iterator>

namespace quorvane::firmware {

void scramble(std::vector<std::uint8_t>& bytes) {
    const std::uint8_t key = keyByte(bytes.size());
    for (std::uint8_t& b : bytes)
        b ^= key;
}

int partOfMarker(std::uint8_t a, std::uint8_t b) {
    for (int part = 1; part <= 4; ++part) {
        const Marker& m = PartMarkers[part - 1];
        if (m.first == a && m.second == b)
            return part;
    }
    return 0;
}

FirmwareFile::LoadResult FirmwareFile::loadScrambled(const std::vector<std::uint8_t>& stored) {
    if (stored.size() > MaxFileSize)
        return LoadResult::TooLarge;
    // The buffer is replaced whole, so nothing of an earlier, longer file stays behind.
    bytes_ = stored;
    scramble(bytes_);
    return LoadResult::Loaded;
}

FirmwareFile::LoadResult FirmwareFile::loadFromPath(const std::string& path) {
    // A FIFO, a device or an endless file of /proc is refused or cut short, never waited on.
    const files::UserFileRead read = files::readUserFile(path, MaxFileSize);
    if (!read.ok)
        return LoadResult::Unreadable;
    if (read.tooLong)
        return LoadResult::TooLarge;
    return loadScrambled(read.bytes);
}

void FirmwareFile::setPlain(std::vector<std::uint8_t> plain) {
    if (plain.size() > MaxFileSize)
        plain.resize(MaxFileSize);
    bytes_ = std::move(plain);
}

std::size_t FirmwareFile::scanPartEnd(std::size_t from) const {
    const std::size_t n = bytes_.size();
    for (std::size_t q = from; q < n && q + 1 < n; ++q) {
        const std::uint8_t a = bytes_[q];
        const std::uint8_t b = bytes_[q + 1];
        if ((a == 0xA3 || a == 0xA4) && (b == 0x5B || b == 0x5C))
            return q;
    }
    return n;
}

Block FirmwareFile::block(std::size_t partStart, std::size_t index) const {
    Block out(BlockSize, 0);
    const std::size_t first = partStart + 2 + BlockDataSize * index;
    unsigned sum = 0;
    for (std::size_t i = 0; i < BlockDataSize; ++i) {
        out[i + 1] = at(first + i);
        sum += out[i + 1];
    }
    out[0] = static_cast<std::uint8_t>((0x100u - (sum & 0xFFu)) & 0xFFu);
    return out;
}

} // namespace quorvane::firmware
