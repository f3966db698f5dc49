#pragma once
// A readable summary of an EDID: who made the display, which model and unit it is, when it was
// made, its name, the timing it prefers and, from a CTA-861 extension, the audio formats and video
// codes it accepts. Decodes any bytes safely: fields that the bytes do not hold stay empty.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::edid {

struct DetailedTiming {
    int hActive = 0;
    int vActive = 0; // lines of a whole frame (both fields of an interlaced timing)
    bool interlaced = false;
    int pixelClockKHz = 0;
    double refreshHz = 0; // field rate for an interlaced timing
};

struct AudioFormat {
    int code = 0; // CTA-861 audio format code, 0..15
    int channels = 0;
    // Sample rates in Hz, highest first.
    std::vector<int> sampleRatesHz;
};

struct EdidSummary {
    std::string manufacturer; // three letters
    int productCode = 0;
    std::uint32_t serialNumber = 0;
    int week = 0; // 0 when only the year is given
    int year = 0;
    bool modelYear = false; // `year` is a model year, not the year of manufacture
    int version = 0;
    int revision = 0;
    // Empty when the EDID holds no name descriptor; bytes outside printable ASCII written as \xNN.
    std::string monitorName;
    std::optional<DetailedTiming> preferred;
    bool hasCta = false;
    std::vector<AudioFormat> audio;
    std::vector<int> vics; // in the order the video data blocks list them
};

// Decodes the base block and every CTA-861 extension block present. Nothing when the bytes are
// shorter than a block or do not start with the EDID header.
std::optional<EdidSummary> decodeEdid(const std::uint8_t* data, std::size_t size);

// "Linear PCM", "AC-3", ... for an audio format code.
std::string audioFormatName(int code);

// The summary as short lines for the page ("Manufacturer: DEL", "Preferred: 1920x1080 at 60.00
// Hz, 148.50 MHz", ...).
std::vector<std::string> summaryLines(const EdidSummary& summary);

} // namespace quorvane::edid
