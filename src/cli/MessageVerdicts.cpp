#include "MessageVerdicts.h"

#include "ExitStatus.h"

#include <array>
#include <utility>

namespace quorvane::cli {

std::optional<Verdict> verdictFor(const std::string& message) {
    static const std::array<const char*, 3> successes{"Set successfully!", "Copy successfully!",
                                                      "Download successfully!"};
    for (const char* text : successes) {
        if (message == text)
            return std::nullopt;
    }
    static const std::array<std::pair<const char*, Verdict>, 8> known{{
        {"Time out!", {ExitMatrix, "the matrix did not answer"}},
        {"Matrix is in standby mode!", {ExitMatrix, "the matrix is in standby"}},
        {"Connection to Matrix lost!", {ExitMatrix, "the connection to the matrix was lost"}},
        {"Connect to Matrix failed!", {ExitLink, "the connection to the matrix could not be made"}},
        {"Open COM failed!", {ExitLink, "the serial port could not be opened"}},
        {"Select the file!", {ExitUsage, "no EDID file was given"}},
        {"Please wait...", {ExitMatrix, "the page is still busy with an earlier request"}},
        {"Search failed", {ExitLink, "UDP port 30600 could not be had for the search"}},
    }};
    for (const auto& [text, verdict] : known) {
        if (message == text)
            return verdict;
    }
    // Anything else is the matrix (or the page on its behalf) refusing: "Copy failed!",
    // "Download failed!", "Please set the EDID to [1111]!", "HDMI OUT C is not connected!".
    return Verdict{ExitMatrix, "the matrix refused"};
}

} // namespace quorvane::cli
