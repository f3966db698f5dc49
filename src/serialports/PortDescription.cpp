#include "serialports/PortDescription.h"

#include "serialports/SystemRoot.h"
#include "serialports/TerminalFacts.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <optional>

#include <sys/stat.h>
#include <unistd.h>

namespace quorvane::ports {

namespace {

constexpr std::size_t AttributeLimit = 64;

std::string canonical(const std::string& path) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved) == nullptr)
        return {};
    return resolved;
}

std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos || slash == 0 ? std::string() : path.substr(0, slash);
}

// A /sys attribute of the folder `folder` (a canonical path under the system root).
std::string attribute(const std::string& folder, const char* name) {
    const std::string& root = systemRoot();
    const std::string canonicalRoot = root.empty() ? std::string() : canonical(root);
    if (folder.compare(0, canonicalRoot.size(), canonicalRoot) != 0)
        return {};
    const auto text = readSystemFile(folder.substr(canonicalRoot.size()) + "/" + name, 256);
    return text ? readableAttribute(*text) : std::string();
}

// The USB device above the terminal's own device: the first folder up from
// /sys/class/tty/<name>/device that has an idVendor attribute (the interface in between has
// none). Empty when the terminal hangs off no USB device.
std::string usbDeviceFolder(const std::string& terminal) {
    const std::string top = canonical(systemPath("/sys"));
    if (top.empty())
        return {};
    std::string folder = canonical(systemPath("/sys/class/tty/" + terminal + "/device"));
    while (folder.size() > top.size() && folder.compare(0, top.size(), top) == 0 &&
           folder[top.size()] == '/') {
        struct stat info {};
        if (stat((folder + "/idVendor").c_str(), &info) == 0 && S_ISREG(info.st_mode))
            return folder;
        folder = parentOf(folder);
    }
    return {};
}

bool containsIgnoringCase(const std::string& text, const std::string& part) {
    if (part.empty() || part.size() > text.size())
        return false;
    for (std::size_t i = 0; i + part.size() <= text.size(); ++i) {
        std::size_t k = 0;
        while (k < part.size() && std::tolower(static_cast<unsigned char>(text[i + k])) ==
                                      std::tolower(static_cast<unsigned char>(part[k])))
            ++k;
        if (k == part.size())
            return true;
    }
    return false;
}

std::string usbDescription(const std::string& folder) {
    const std::string maker = attribute(folder, "manufacturer");
    const std::string product = attribute(folder, "product");
    const std::string serial = attribute(folder, "serial");
    std::string text;
    if (!product.empty()) {
        // Many products already carry the maker's name; it is not said twice.
        text =
            maker.empty() || containsIgnoringCase(product, maker) ? product : maker + " " + product;
    } else {
        text = maker.empty() ? "USB serial adapter" : maker + " USB serial adapter";
        const std::string vendor = attribute(folder, "idVendor");
        const std::string model = attribute(folder, "idProduct");
        if (maker.empty() && !vendor.empty() && !model.empty())
            text += " " + vendor + ":" + model;
    }
    if (!serial.empty())
        text += ", serial " + serial;
    return text;
}

} // namespace

std::string readableAttribute(std::string_view raw) {
    std::size_t first = 0;
    std::size_t last = raw.size();
    while (first < last && std::isspace(static_cast<unsigned char>(raw[first])))
        ++first;
    while (last > first && std::isspace(static_cast<unsigned char>(raw[last - 1])))
        --last;
    std::string text;
    for (std::size_t i = first; i < last; ++i) {
        const auto c = static_cast<unsigned char>(raw[i]);
        text += (c < 0x20 || c == 0x7f) ? '?' : static_cast<char>(c);
    }
    if (text.size() > AttributeLimit) {
        std::size_t cut = AttributeLimit;
        // Back up over continuation bytes to the start of the sequence that would be split.
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80)
            --cut;
        text.resize(cut);
    }
    return text;
}

std::string describeDevice(dev_t rdev) {
    const std::string terminal = terminalName(rdev);
    if (!terminal.empty()) {
        const std::string usb = usbDeviceFolder(terminal);
        if (!usb.empty())
            return usbDescription(usb);
        if (terminal.rfind("ttyS", 0) == 0)
            return "on-board serial port";
        return "serial port " + terminal;
    }
    if (isPseudoTerminal(rdev))
        return "pseudo-terminal";
    return "serial port";
}

std::string describeDevicePath(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode))
        return {};
    return describeDevice(info.st_rdev);
}

std::string adapterSerialNumber(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode))
        return {};
    return adapterSerial(info.st_rdev);
}

std::string adapterSerial(dev_t rdev) {
    const std::string terminal = terminalName(rdev);
    if (terminal.empty())
        return {};
    const std::string usb = usbDeviceFolder(terminal);
    return usb.empty() ? std::string() : attribute(usb, "serial");
}

} // namespace quorvane::ports
