#include "core/edid/EdidFileRead.h"

#include <string>

namespace quorvane::edid {

EdidFileRead readEdidFile(const std::string& path) {
    return files::readUserFile(path, LargestEdidFile);
}

std::string readRefusal(const EdidFileRead& read) {
    if (!read.ok)
        return "The file cannot be read: " + read.error + ".";
    if (read.tooLong)
        return "The file is more than " + std::to_string(LargestEdidFile) +
               " bytes long; an EDID file has 128 or 256.";
    return "";
}

} // namespace quorvane::edid
