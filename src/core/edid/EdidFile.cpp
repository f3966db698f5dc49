#include "core/edid/EdidFile.h"

#include <algorithm>
#include <cstdio>

namespace quorvane::edid {

std::uint8_t blockSum(const std::uint8_t* data, std::size_t size) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < size; ++i)
        sum += data[i];
    return static_cast<std::uint8_t>(sum & 0xFFu);
}

FileCheck checkEdidFile(const std::uint8_t* data, std::size_t size) {
    FileCheck check;
    check.fileSize = size;
    auto refuse = [&check](FileFault fault, std::size_t byte, std::uint8_t value) {
        check.fault = fault;
        check.byte = byte;
        check.value = value;
        return check;
    };
    if (size != BlockSize && size != BufferSize)
        return refuse(FileFault::Length, size, 0);
    for (std::size_t i = 0; i < EdidHeader.size(); ++i) {
        if (data[i] != EdidHeader[i])
            return refuse(FileFault::Header, i, data[i]);
    }
    const std::uint8_t count = data[ExtensionCountByte];
    if (count >= 2)
        return refuse(FileFault::TooManyExtensions, ExtensionCountByte, count);
    if (size == BlockSize && count != 0)
        return refuse(FileFault::MissingExtension, ExtensionCountByte, count);
    if (size == BufferSize && count == 0)
        return refuse(FileFault::UnannouncedBlock, ExtensionCountByte, count);
    if (const std::uint8_t sum = blockSum(data, BlockSize); sum != 0)
        return refuse(FileFault::BaseChecksum, BlockSize - 1, sum);
    if (size == BufferSize) {
        if (const std::uint8_t sum = blockSum(data + BlockSize, BlockSize); sum != 0)
            return refuse(FileFault::ExtensionChecksum, BufferSize - 1, sum);
    }
    std::copy(data, data + size, check.edid.begin());
    check.acceptedBytes = size;
    return check;
}

Text faultText(FileFault fault) {
    switch (fault) {
    case FileFault::None:
        return Text::None;
    case FileFault::TooManyExtensions:
        return Text::TooManyExtensions;
    default:
        return Text::WrongEdidFile;
    }
}

std::string faultMessage(FileFault fault) {
    return std::string(textOf(faultText(fault)));
}

std::string faultDetail(const FileCheck& check) {
    char text[160];
    switch (check.fault) {
    case FileFault::None:
        return "";
    case FileFault::Length:
        std::snprintf(text, sizeof text, "The file is %zu bytes long; an EDID file has 128 or 256.",
                      check.fileSize);
        break;
    case FileFault::Header:
        std::snprintf(text, sizeof text,
                      "No EDID header: byte %zu is %02X (the header is 00 FF FF FF FF FF FF 00).",
                      check.byte, check.value);
        break;
    case FileFault::TooManyExtensions:
        std::snprintf(text, sizeof text,
                      "Byte 126 announces %u extension blocks; the matrix takes one at most.",
                      unsigned{check.value});
        break;
    case FileFault::MissingExtension:
        std::snprintf(text, sizeof text,
                      "Byte 126 announces %u extension block, but the file holds the base block "
                      "only.",
                      unsigned{check.value});
        break;
    case FileFault::UnannouncedBlock:
        std::snprintf(text, sizeof text,
                      "Byte 126 announces no extension block, but the file holds a second block.");
        break;
    case FileFault::BaseChecksum:
        std::snprintf(text, sizeof text,
                      "Base block checksum wrong: bytes 0..127 sum to %02X, not 00 (byte 127).",
                      check.value);
        break;
    case FileFault::ExtensionChecksum:
        std::snprintf(text, sizeof text,
                      "Extension block checksum wrong: bytes 128..255 sum to %02X, not 00 "
                      "(byte 255).",
                      check.value);
        break;
    }
    return text;
}

} // namespace quorvane::edid
