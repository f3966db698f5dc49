#pragma once
// The merge tool: up to four processor images (raw files) combined into one firmware file. The
// sections go in row order (main, slave 1, IR 2, panel 3), each its marker and the image's bytes,
// and the whole file is scrambled. The file is written beside the last row's image, named
// "Tarvexon" + the suffixes of the rows present + ".fw".

#include "core/firmware/FirmwareFile.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvane::firmware {

inline constexpr int MergeRowCount = 4;
// The largest image one row holds.
inline constexpr std::size_t MaxImageSize = 50000;

struct MergeRowInfo {
    const char* label;    // beside the row's path box
    const char* version1; // labels of the two version boxes
    const char* version2;
    Marker marker;
    const char* suffix;   // in the output name
    const char* logLabel; // in the report
    const char* logNote;
};

inline constexpr std::array<MergeRowInfo, MergeRowCount> MergeRows{{
    {"main MCU FW", "Main Ver1", "Main Ver2", MainMarker, "_mm0.0",
     "Main MCU firmware:", "Save MCU firmware Merged,Ver0.0"},
    {"Open Slave MCU1 FW", "Slave Ver1", "Slave Ver2", SlaveMarker, "_ms0.0",
     "Slave MCU1 firmware:", "Save MCU1 firmware Merged,Ver0.0"},
    {"Open IR MCU2 FW", "IR Ver1", "IR Ver2", IrMarker, "_ir0.0",
     "IR MCU2 firmware:", "Save MCU2 firmware Merged,Ver0.0"},
    {"Open Panel MCU3 FW", "Panel Ver1", "Panel Ver2", PanelMarker, "_pnl0.0",
     "Plane MCU3 firmware:", "Save MCU3 firmware Merged,Ver0.0"},
}};

inline constexpr const char* MergedNameStem = "Tarvexon";
inline constexpr const char* MergedNameExtension = ".fw";

class FirmwareMerge {
public:
    enum class LoadResult { Loaded, NotAccepted, TooLarge, Unreadable };

    struct Row {
        std::string path; // shown in the row's path box
        std::vector<std::uint8_t> image;
        std::string version1, version2;
        bool present = false;
    };

    // Loads a row's image. Row 0 takes any file; rows 1..3 only paths ending ".bin" (exact case).
    // An image over MaxImageSize is refused; a refused or unreadable file leaves the row as it
    // was.
    LoadResult loadImage(int row, const std::string& path);
    LoadResult setImage(int row, const std::string& path, std::vector<std::uint8_t> image);

    struct Outcome {
        enum class Kind { Written, NothingToMerge, TooLarge, MarkerInImage, WriteFailed };
        Kind kind = Kind::NothingToMerge;
        std::string path;     // where the file went (or should have gone)
        std::size_t size = 0; // bytes of the merged file
        std::string messages; // lines for the "Messages" log
        int refusedRow = -1;  // MarkerInImage: the row whose image holds the pair
    };
    // Builds the merged file from the rows and writes it: to a temporary file in the same
    // folder, renamed to its name once written whole, so that a failed write leaves no file
    // behind and an earlier file of that name as it was. Refused (nothing written) when an image
    // of rows 1..3 holds a byte A3 or A4 followed by 5B or 5C: the upgrade's part-end scan would
    // end the part there and send the rest of the image as another processor's.
    Outcome merge();
    // The merged file's bytes for the rows holding an image, scrambled, without writing them.
    std::vector<std::uint8_t> build() const;

    // The page's close command: forgets the output path and every image.
    void clear();

    const Row& row(int index) const { return rows_.at(static_cast<std::size_t>(index)); }
    const std::string& outputPath() const { return outputPath_; }

private:
    std::array<Row, MergeRowCount> rows_;
    std::string outputPath_;
};

// Where `image` holds a pair the part-end scan stops at (A3 or A4, then 5B or 5C), or none.
std::optional<std::size_t> findScanPair(const std::vector<std::uint8_t>& image);

// The directory part of `path`, ending with its separator ("" when there is none).
std::string directoryOf(const std::string& path);

} // namespace quorvane::firmware
