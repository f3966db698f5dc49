// The EDID file check and the summary decoder on real monitors' EDIDs (the shared test data),
// compared with an independent decoder, edid-decode: its verdict on the file's structure and its
// reading of every field the summary shows.
#include "core/edid/EdidFile.h"
#include "core/edid/EdidSummary.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

using namespace quorvane::edid;
namespace fs = std::filesystem;

namespace {

const fs::path DataDir = QUORVANE_EDID_REAL_DIR;

struct ManifestEntry {
    std::string file;
    std::size_t bytes = 0;
    int extensionCount = 0;
    bool good = false; // lies in good/
};

std::vector<ManifestEntry> readManifest() {
    std::vector<ManifestEntry> entries;
    std::ifstream in(DataDir / "MANIFEST.tsv");
    std::string line;
    std::getline(in, line); // column names
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        ManifestEntry e;
        fields >> e.file >> e.bytes >> e.extensionCount;
        e.good = fs::exists(DataDir / "good" / e.file);
        entries.push_back(e);
    }
    return entries;
}

fs::path pathOf(const ManifestEntry& e) {
    return DataDir / (e.good ? "good" : "odd") / e.file;
}

std::vector<std::uint8_t> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What edid-decode makes of a file.
struct Reference {
    int exitCode = 0;
    bool structuralFault = false;
    std::string manufacturer;
    int model = -1;
    std::uint32_t serial = 0;
    int week = 0;
    int year = 0;
    bool modelYear = false;
    std::string version;
    std::string name;
    bool hasDtd1 = false;
    int hActive = 0, vActive = 0;
    bool interlaced = false;
    double refreshHz = 0, clockMHz = 0;
    struct Audio {
        std::string name;
        int channels = 0;
        std::string rates;
    };
    std::vector<Audio> audio;
    std::vector<int> vics;
};

std::string runEdidDecode(const fs::path& path, int& exitCode) {
    const std::string command = "edid-decode -c '" + path.string() + "' 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        exitCode = -1;
        return {};
    }
    std::string out;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    const int status = pclose(pipe);
    exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

std::size_t indentOf(const std::string& line) {
    const std::size_t first = line.find_first_not_of(' ');
    return first == std::string::npos ? line.size() : first;
}

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    return first == std::string::npos ? "" : text.substr(first, last - first + 1);
}

Reference parseReference(const std::string& out, int exitCode) {
    static const std::regex made(R"(Made in: week (\d+) of (\d+))");
    static const std::regex madeYear(R"(Made in: (\d+)$)");
    static const std::regex modelYear(R"(Model year: (\d+))");
    static const std::regex dtd(
        R"(DTD 1:\s+(\d+)x(\d+)(i?)\s+([\d.]+) Hz\s+\S+\s+[\d.]+ kHz\s+([\d.]+) MHz)");
    static const std::regex vic(R"(^\s+VIC\s+(\d+):)");
    Reference r;
    r.exitCode = exitCode;
    r.structuralFault = exitCode == 255 || out.find("Invalid checksum") != std::string::npos ||
                        out.find("extension block(s), but found") != std::string::npos;
    std::istringstream lines(out);
    std::string line;
    int block = -1;
    enum { None, Audio, Video } section = None;
    std::smatch m;
    while (std::getline(lines, line)) {
        if (line.rfind("Block ", 0) == 0) {
            block = std::stoi(line.substr(6));
            section = None;
            continue;
        }
        if (line.rfind("edid-decode SHA", 0) == 0)
            break; // the warnings and failures that follow repeat block names
        const std::size_t indent = indentOf(line);
        const std::string text = trimmed(line);
        if (block == 0 && text.rfind("EDID Structure Version & Revision: ", 0) == 0)
            r.version = text.substr(35);
        if (indent == 2) {
            section = text == "Audio Data Block:"   ? Audio
                      : text == "Video Data Block:" ? Video
                                                    : None;
            continue;
        }
        if (block == 0) {
            if (text.rfind("Manufacturer: ", 0) == 0)
                r.manufacturer = text.substr(14);
            else if (text.rfind("Model: ", 0) == 0)
                r.model = std::stoi(text.substr(7));
            else if (text.rfind("Serial Number: ", 0) == 0)
                r.serial = static_cast<std::uint32_t>(std::stoul(text.substr(15)));
            else if (std::regex_search(text, m, made)) {
                r.week = std::stoi(m[1]);
                r.year = std::stoi(m[2]);
            } else if (std::regex_search(text, m, madeYear)) {
                r.year = std::stoi(m[1]);
            } else if (std::regex_search(text, m, modelYear)) {
                r.year = std::stoi(m[1]);
                r.modelYear = true;
            } else if (text.rfind("Display Product Name: '", 0) == 0 && r.name.empty()) {
                r.name = text.substr(23, text.size() - 24);
            } else if (!r.hasDtd1 && std::regex_search(text, m, dtd)) {
                r.hasDtd1 = true;
                r.hActive = std::stoi(m[1]);
                r.vActive = std::stoi(m[2]);
                r.interlaced = m[3] == "i";
                r.refreshHz = std::stod(m[4]);
                r.clockMHz = std::stod(m[5]);
            }
        }
        if (block >= 1 && section == Audio) {
            if (indent == 4) {
                std::string name = text;
                if (!name.empty() && name.back() == ':')
                    name.pop_back();
                r.audio.push_back({name, 0, ""});
            } else if (indent == 6 && !r.audio.empty()) {
                if (text.rfind("Max channels: ", 0) == 0)
                    r.audio.back().channels = std::stoi(text.substr(14));
                else if (text.rfind("Supported sample rates (kHz): ", 0) == 0)
                    r.audio.back().rates = text.substr(30);
            }
        }
        if (block >= 1 && section == Video && std::regex_search(line, m, vic))
            r.vics.push_back(std::stoi(m[1]));
    }
    return r;
}

// edid-decode's reading of a file, made once per run and kept for the other tests of the run.
const Reference& referenceFor(const fs::path& path) {
    static std::map<std::string, Reference> cache;
    auto it = cache.find(path.string());
    if (it == cache.end()) {
        int exitCode = 0;
        const std::string out = runEdidDecode(path, exitCode);
        it = cache.emplace(path.string(), parseReference(out, exitCode)).first;
    }
    return it->second;
}

std::string ourRates(const AudioFormat& a) {
    std::string rates;
    for (int hz : a.sampleRatesHz) {
        char text[16];
        if (hz % 1000 == 0)
            std::snprintf(text, sizeof text, "%d", hz / 1000);
        else
            std::snprintf(text, sizeof text, "%.1f", hz / 1000.0);
        rates += (rates.empty() ? "" : " ") + std::string(text);
    }
    return rates;
}

// Every field that differs, as "field: ours / theirs".
std::vector<std::string> differences(const EdidSummary& s, const Reference& r) {
    std::vector<std::string> d;
    auto check = [&d](bool same, const std::string& what) {
        if (!same)
            d.push_back(what);
    };
    check(s.manufacturer == r.manufacturer,
          "manufacturer " + s.manufacturer + " / " + r.manufacturer);
    check(s.productCode == r.model,
          "product code " + std::to_string(s.productCode) + " / " + std::to_string(r.model));
    check(s.serialNumber == r.serial,
          "serial " + std::to_string(s.serialNumber) + " / " + std::to_string(r.serial));
    check(s.week == r.week && s.year == r.year && s.modelYear == r.modelYear,
          "week/year " + std::to_string(s.week) + "/" + std::to_string(s.year) + " / " +
              std::to_string(r.week) + "/" + std::to_string(r.year));
    check(std::to_string(s.version) + "." + std::to_string(s.revision) == r.version,
          "version / " + r.version);
    check(s.monitorName == r.name, "name '" + s.monitorName + "' / '" + r.name + "'");
    check(s.preferred.has_value() == r.hasDtd1, "preferred timing present");
    if (s.preferred && r.hasDtd1) {
        const DetailedTiming& t = *s.preferred;
        check(t.hActive == r.hActive && t.vActive == r.vActive && t.interlaced == r.interlaced,
              "preferred size " + std::to_string(t.hActive) + "x" + std::to_string(t.vActive));
        check(std::fabs(t.refreshHz - r.refreshHz) < 0.0005,
              "refresh " + std::to_string(t.refreshHz) + " / " + std::to_string(r.refreshHz));
        check(std::lround(r.clockMHz * 1000) == t.pixelClockKHz, "pixel clock");
    }
    check(s.audio.size() == r.audio.size(), "audio format count " + std::to_string(s.audio.size()) +
                                                " / " + std::to_string(r.audio.size()));
    for (std::size_t i = 0; i < std::min(s.audio.size(), r.audio.size()); ++i) {
        const AudioFormat& a = s.audio[i];
        const std::string name = audioFormatName(a.code);
        check(r.audio[i].name.rfind(name, 0) == 0,
              "audio format " + name + " / " + r.audio[i].name);
        // edid-decode gives no channel count for a reserved format code.
        check(a.code == 0 || a.channels == r.audio[i].channels, "audio channels of " + name);
        check(ourRates(a) == r.audio[i].rates,
              "audio rates " + ourRates(a) + " / " + r.audio[i].rates);
    }
    check(s.vics == r.vics, "video codes");
    return d;
}

class RealEdids : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(fs::is_directory(DataDir))
            << "the shared EDID test data is missing: " << DataDir;
        ASSERT_EQ(std::system("command -v edid-decode >/dev/null 2>&1"), 0)
            << "edid-decode is not installed (scripts/install-deps installs it)";
        manifest = readManifest();
        ASSERT_EQ(manifest.size(), 1200u);
    }
    std::vector<ManifestEntry> manifest;
};

TEST_F(RealEdids, VerdictsFollowTheMatrixRulesAndAgreeWithEdidDecode) {
    int good = 0, faulty = 0, accepted = 0, agree = 0, compared = 0, longerThanTheMatrixTakes = 0;
    std::vector<std::string> problems;
    for (const ManifestEntry& e : manifest) {
        const std::vector<std::uint8_t> bytes = readFile(pathOf(e));
        ASSERT_EQ(bytes.size(), e.bytes) << e.file;
        const FileCheck check = checkEdidFile(bytes.data(), bytes.size());
        (e.good ? good : faulty)++;
        accepted += check.accepted();
        const bool matrixSize = e.bytes == 128 || e.bytes == 256;
        // Good dumps of one block or one extension are taken; every faulty one and every longer
        // one (two or more extensions) is refused.
        if (check.accepted() != (e.good && matrixSize))
            problems.push_back(e.file + ": " +
                               (check.accepted() ? "accepted" : faultDetail(check)));

        const Reference& r = referenceFor(pathOf(e));
        if (!matrixSize) {
            // edid-decode reads these whole; the matrix takes at most one extension block.
            EXPECT_EQ(check.fault, FileFault::Length) << e.file;
            longerThanTheMatrixTakes += e.good && !r.structuralFault;
            continue;
        }
        ++compared;
        if (check.accepted() == !r.structuralFault)
            ++agree;
        else
            problems.push_back(e.file + ": verdict differs from edid-decode (exit " +
                               std::to_string(r.exitCode) + ")");
    }
    std::cout << "files: " << good << " good, " << faulty << " faulty; accepted " << accepted
              << "; verdict agrees with edid-decode on " << agree << " of " << compared
              << " files of 128 or 256 bytes; " << longerThanTheMatrixTakes
              << " longer good files refused by length\n";
    EXPECT_EQ(good, 1141);
    EXPECT_EQ(faulty, 59);
    EXPECT_EQ(accepted, 524 + 590);
    EXPECT_EQ(agree, compared);
    EXPECT_TRUE(problems.empty()) << problems.size() << " problems, first: " << problems.front();
}

TEST_F(RealEdids, SummaryAgreesWithEdidDecodeOnEveryGoodFile) {
    int compared = 0, agreeing = 0, withName = 0, withTiming = 0, withAudio = 0, withVics = 0;
    std::map<std::string, int> fieldMismatches;
    std::vector<std::string> firstProblems;
    for (const ManifestEntry& e : manifest) {
        if (!e.good)
            continue;
        const std::vector<std::uint8_t> bytes = readFile(pathOf(e));
        const auto summary = decodeEdid(bytes.data(), bytes.size());
        ASSERT_TRUE(summary.has_value()) << e.file;
        const Reference& r = referenceFor(pathOf(e));
        ++compared;
        withName += !summary->monitorName.empty();
        withTiming += summary->preferred.has_value();
        withAudio += !summary->audio.empty();
        withVics += !summary->vics.empty();
        const std::vector<std::string> diff = differences(*summary, r);
        if (diff.empty()) {
            ++agreeing;
            continue;
        }
        for (const std::string& d : diff)
            ++fieldMismatches[d.substr(0, d.find(' '))];
        if (firstProblems.size() < 10)
            firstProblems.push_back(e.file + ": " + diff.front());
    }
    std::cout << "summary agrees with edid-decode on " << agreeing << " of " << compared
              << " good files (" << withName << " with a monitor name, " << withTiming
              << " with a preferred timing, " << withAudio << " with CTA audio formats, "
              << withVics << " with VICs)\n";
    EXPECT_EQ(agreeing, compared);
    for (const auto& [field, count] : fieldMismatches)
        ADD_FAILURE() << count << " files differ in " << field;
    for (const std::string& p : firstProblems)
        ADD_FAILURE() << p;
}

} // namespace
