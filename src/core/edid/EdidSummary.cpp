#include "core/edid/EdidSummary.h"

#include "core/edid/EdidFile.h"

#include <algorithm>
#include <cstdio>

namespace quorvane::edid {

namespace {

constexpr std::uint8_t CtaExtensionTag = 0x02;
constexpr int AudioDataBlock = 1;
constexpr int VideoDataBlock = 2;
constexpr std::size_t DescriptorSize = 18;
constexpr std::array<std::size_t, 4> DescriptorOffsets{54, 72, 90, 108};
constexpr std::uint8_t MonitorNameTag = 0xFC;

// Sample-rate bits of a short audio descriptor's second byte, lowest bit first.
constexpr std::array<int, 7> SampleRatesHz{32000, 44100, 48000, 88200, 96000, 176400, 192000};

std::string manufacturerId(std::uint8_t high, std::uint8_t low) {
    // Three letters of five bits each, 1 = 'A'; values outside 1..26 are shown as the characters
    // that follow '@' in ASCII, so that a faulty ID stays visible.
    const unsigned id = (unsigned{high} << 8) | low;
    std::string letters;
    for (int shift : {10, 5, 0})
        letters += static_cast<char>('@' + ((id >> shift) & 0x1Fu));
    return letters;
}

std::optional<DetailedTiming> detailedTiming(const std::uint8_t* d) {
    const int clock = d[0] | (d[1] << 8);
    if (clock == 0)
        return std::nullopt; // a display descriptor, not a timing
    DetailedTiming t;
    t.pixelClockKHz = clock * 10;
    t.hActive = d[2] | ((d[4] & 0xF0) << 4);
    const int hBlank = d[3] | ((d[4] & 0x0F) << 8);
    const int vActive = d[5] | ((d[7] & 0xF0) << 4);
    const int vBlank = d[6] | ((d[7] & 0x0F) << 8);
    t.interlaced = (d[17] & 0x80) != 0;
    t.vActive = t.interlaced ? 2 * vActive : vActive;
    const double hTotal = t.hActive + hBlank;
    // An interlaced frame holds two fields and one extra line; the rate given is the field rate.
    const double vTotal = t.interlaced ? vActive + vBlank + 0.5 : vActive + vBlank;
    if (hTotal > 0 && vTotal > 0)
        t.refreshHz = t.pixelClockKHz * 1000.0 / (hTotal * vTotal);
    return t;
}

std::string descriptorText(const std::uint8_t* d) {
    // Up to 13 characters after the five-byte header, ended by a line feed (some displays end it
    // with a NUL instead); the blanks that pad it after the line feed are not part of it. The bytes
    // come from a file or a display: anything but printable ASCII is written as \xNN (and the
    // backslash itself as \x5C), so that no byte reaches a terminal or a window as a control.
    std::string text;
    for (std::size_t i = 5; i < DescriptorSize && d[i] != 0x0A && d[i] != 0x00; ++i) {
        if (d[i] >= 0x20 && d[i] <= 0x7E && d[i] != '\\') {
            text += static_cast<char>(d[i]);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", d[i]);
            text += escaped;
        }
    }
    return text;
}

AudioFormat audioFormat(const std::uint8_t* sad) {
    AudioFormat format;
    format.code = (sad[0] >> 3) & 0x0F;
    format.channels = (sad[0] & 0x07) + 1;
    for (std::size_t bit = SampleRatesHz.size(); bit-- > 0;) {
        if (sad[1] & (1u << bit))
            format.sampleRatesHz.push_back(SampleRatesHz[bit]);
    }
    return format;
}

int videoCode(std::uint8_t b) {
    // Codes 1..64 may carry the "native" mark in bit 7; 193 and above are codes of their own.
    if (b >= 129 && b <= 192)
        return b & 0x7F;
    return b;
}

void decodeCta(const std::uint8_t* block, EdidSummary& summary) {
    summary.hasCta = true;
    const std::size_t dtdStart = block[2];
    // Data blocks lie between byte 4 and the first detailed timing (or the checksum byte).
    const std::size_t end = dtdStart == 0 ? 4 : std::min<std::size_t>(dtdStart, BlockSize - 1);
    std::size_t pos = 4;
    while (pos < end) {
        const int tag = block[pos] >> 5;
        const std::size_t length = block[pos] & 0x1F;
        const std::size_t first = pos + 1;
        if (first + length > end)
            break;
        if (tag == AudioDataBlock) {
            for (std::size_t i = 0; i + 3 <= length; i += 3)
                summary.audio.push_back(audioFormat(block + first + i));
        } else if (tag == VideoDataBlock) {
            // Code 0 is no video format: padding that some displays leave in the list.
            for (std::size_t i = 0; i < length; ++i) {
                if (const int vic = videoCode(block[first + i]); vic != 0)
                    summary.vics.push_back(vic);
            }
        }
        pos = first + length;
    }
}

std::string rateText(int hz) {
    char text[16];
    if (hz % 1000 == 0)
        std::snprintf(text, sizeof text, "%d", hz / 1000);
    else
        std::snprintf(text, sizeof text, "%.1f", hz / 1000.0);
    return text;
}

} // namespace

std::optional<EdidSummary> decodeEdid(const std::uint8_t* data, std::size_t size) {
    if (size < BlockSize || !std::equal(EdidHeader.begin(), EdidHeader.end(), data))
        return std::nullopt;
    EdidSummary s;
    s.manufacturer = manufacturerId(data[8], data[9]);
    s.productCode = data[10] | (data[11] << 8);
    s.serialNumber =
        static_cast<std::uint32_t>(data[12]) | (static_cast<std::uint32_t>(data[13]) << 8) |
        (static_cast<std::uint32_t>(data[14]) << 16) | (static_cast<std::uint32_t>(data[15]) << 24);
    s.year = 1990 + data[17];
    if (data[16] == 0xFF)
        s.modelYear = true;
    else
        s.week = data[16];
    s.version = data[18];
    s.revision = data[19];
    s.preferred = detailedTiming(data + DescriptorOffsets[0]);
    // The first name that says something: some displays carry an empty name descriptor first.
    for (std::size_t offset : DescriptorOffsets) {
        const std::uint8_t* d = data + offset;
        if (d[0] == 0 && d[1] == 0 && d[2] == 0 && d[3] == MonitorNameTag) {
            s.monitorName = descriptorText(d);
            if (!s.monitorName.empty())
                break;
        }
    }
    for (std::size_t block = BlockSize; block + BlockSize <= size; block += BlockSize) {
        if (data[block] == CtaExtensionTag)
            decodeCta(data + block, s);
    }
    return s;
}

std::string audioFormatName(int code) {
    static constexpr std::array<const char*, 16> names{"Reserved",
                                                       "Linear PCM",
                                                       "AC-3",
                                                       "MPEG 1 (Layers 1 & 2)",
                                                       "MPEG 1 Layer 3 (MP3)",
                                                       "MPEG2",
                                                       "AAC LC",
                                                       "DTS",
                                                       "ATRAC",
                                                       "One Bit Audio",
                                                       "Enhanced AC-3 (DD+)",
                                                       "DTS-HD",
                                                       "MAT (MLP)",
                                                       "DST",
                                                       "WMA Pro",
                                                       "Extended"};
    return code >= 0 && code < 16 ? names[static_cast<std::size_t>(code)] : "Reserved";
}

std::vector<std::string> summaryLines(const EdidSummary& s) {
    std::vector<std::string> lines;
    char text[200];
    std::snprintf(text, sizeof text, "Manufacturer: %s, product code %d, serial number %u",
                  s.manufacturer.c_str(), s.productCode, s.serialNumber);
    lines.emplace_back(text);
    if (s.modelYear)
        std::snprintf(text, sizeof text, "Model year %d, EDID version %d.%d", s.year, s.version,
                      s.revision);
    else if (s.week == 0)
        std::snprintf(text, sizeof text, "Made in %d, EDID version %d.%d", s.year, s.version,
                      s.revision);
    else
        std::snprintf(text, sizeof text, "Made in week %d of %d, EDID version %d.%d", s.week,
                      s.year, s.version, s.revision);
    lines.emplace_back(text);
    lines.push_back("Monitor name: " + (s.monitorName.empty() ? "(none)" : s.monitorName));
    if (s.preferred) {
        const DetailedTiming& t = *s.preferred;
        std::snprintf(text, sizeof text, "Preferred timing: %dx%d%s at %.2f Hz, %.2f MHz",
                      t.hActive, t.vActive, t.interlaced ? "i" : "", t.refreshHz,
                      t.pixelClockKHz / 1000.0);
        lines.emplace_back(text);
    } else {
        lines.emplace_back("Preferred timing: (none)");
    }
    if (!s.hasCta)
        return lines;
    if (s.audio.empty())
        lines.emplace_back("Audio: (none)");
    for (const AudioFormat& a : s.audio) {
        std::string rates;
        for (int hz : a.sampleRatesHz)
            rates += (rates.empty() ? "" : " ") + rateText(hz);
        std::snprintf(text, sizeof text, "Audio: %s, %d channels, %s kHz",
                      audioFormatName(a.code).c_str(), a.channels, rates.c_str());
        lines.emplace_back(text);
    }
    std::string vics;
    for (int vic : s.vics)
        vics += (vics.empty() ? "" : " ") + std::to_string(vic);
    lines.push_back("Video codes (VIC): " + (vics.empty() ? std::string("(none)") : vics));
    return lines;
}

} // namespace quorvane::edid
