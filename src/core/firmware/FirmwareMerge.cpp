#include "core/firmware/FirmwareMerge.h"

#include "core/files/UserFileRead.h"

#include <cstdio>
#include <fstream>

#include <unistd.h>

namespace quorvane::firmware {

namespace {

// Writes `bytes` to a temporary file beside `path` and renames it to `path`; on any failure the
// temporary file is removed and `path` is left as it was.
bool writeWhole(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    static unsigned counter = 0;
    const std::string temporary = path + ".part" +
                                  std::to_string(static_cast<unsigned long>(::getpid())) + "-" +
                                  std::to_string(++counter);
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        if (!file)
            return false;
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        file.close();
        if (!file) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

bool endsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() &&
           text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

std::optional<std::size_t> findScanPair(const std::vector<std::uint8_t>& image) {
    for (std::size_t q = 0; q + 1 < image.size(); ++q) {
        const std::uint8_t a = image[q];
        const std::uint8_t b = image[q + 1];
        if ((a == 0xA3 || a == 0xA4) && (b == 0x5B || b == 0x5C))
            return q;
    }
    return std::nullopt;
}

std::string directoryOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

FirmwareMerge::LoadResult FirmwareMerge::loadImage(int row, const std::string& path) {
    if (row < 0 || row >= MergeRowCount)
        return LoadResult::NotAccepted;
    if (row > 0 && !endsWith(path, ".bin"))
        return LoadResult::NotAccepted;
    // A FIFO, a device or an endless file of /proc is refused or cut short, never waited on.
    files::UserFileRead read = files::readUserFile(path, MaxImageSize);
    if (!read.ok)
        return LoadResult::Unreadable;
    if (read.tooLong)
        return LoadResult::TooLarge;
    return setImage(row, path, std::move(read.bytes));
}

FirmwareMerge::LoadResult FirmwareMerge::setImage(int row, const std::string& path,
                                                  std::vector<std::uint8_t> image) {
    if (row < 0 || row >= MergeRowCount)
        return LoadResult::NotAccepted;
    if (image.size() > MaxImageSize)
        return LoadResult::TooLarge;
    Row& r = rows_.at(static_cast<std::size_t>(row));
    r.path = path;
    r.image = std::move(image);
    return LoadResult::Loaded;
}

std::vector<std::uint8_t> FirmwareMerge::build() const {
    std::vector<std::uint8_t> out;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        const Row& r = rows_[i];
        if (r.image.empty())
            continue;
        out.push_back(MergeRows[i].marker.first);
        out.push_back(MergeRows[i].marker.second);
        out.insert(out.end(), r.image.begin(), r.image.end());
    }
    scramble(out);
    return out;
}

FirmwareMerge::Outcome FirmwareMerge::merge() {
    Outcome outcome;
    std::string directory;
    std::string suffixes;
    bool anyPresent = false;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        Row& r = rows_[i];
        r.present = !r.path.empty();
        if (!r.present)
            continue;
        anyPresent = true;
        outcome.messages +=
            std::string(MergeRows[i].logLabel) + r.path + "\r\n" + MergeRows[i].logNote + "\r\n";
        directory = directoryOf(r.path);
        suffixes += MergeRows[i].suffix;
        r.version1 = "0";
        r.version2 = "0";
    }
    if (anyPresent)
        outputPath_ = directory + MergedNameStem + suffixes + MergedNameExtension;
    outcome.path = outputPath_;
    if (outputPath_.empty()) {
        outcome.kind = Outcome::Kind::NothingToMerge;
        return outcome;
    }

    std::size_t total = 0;
    for (const Row& r : rows_) {
        if (!r.image.empty())
            total += r.image.size() + 2;
    }
    outcome.size = total;
    if (total > MaxFileSize) {
        outcome.kind = Outcome::Kind::TooLarge;
        outcome.messages +=
            "Merged firmware over " + std::to_string(MaxFileSize) + " bytes, not saved\r\n";
        return outcome;
    }

    // The main image needs no check: a file that begins with it is sent whole as part 1.
    for (std::size_t i = 1; i < rows_.size(); ++i) {
        const auto pair = findScanPair(rows_[i].image);
        if (!pair)
            continue;
        const auto& image = rows_[i].image;
        char bytes[8];
        std::snprintf(bytes, sizeof bytes, "%02X %02X", image[*pair], image[*pair + 1]);
        outcome.kind = Outcome::Kind::MarkerInImage;
        outcome.refusedRow = static_cast<int>(i);
        outcome.messages += "Firmware merge refused: " + rows_[i].path + " holds " + bytes +
                            " at offset " + std::to_string(*pair) +
                            ", which the upgrade would take for the start of another section\r\n";
        return outcome;
    }

    if (!writeWhole(outputPath_, build())) {
        outcome.kind = Outcome::Kind::WriteFailed;
        outcome.messages += "Firmware merge failed,cannot save to file:" + outputPath_ + "\r\n";
        return outcome;
    }
    outcome.kind = Outcome::Kind::Written;
    outcome.messages += "Firmware merged complete,save to file:" + outputPath_ + "\r\n";
    return outcome;
}

void FirmwareMerge::clear() {
    outputPath_.clear();
    for (Row& r : rows_)
        r.image.clear();
}

} // namespace quorvane::firmware
