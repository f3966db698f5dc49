#include "core/site/MatrixNames.h"

#include <algorithm>
#include <cctype>

namespace quorvane::site {

namespace {

std::string upper(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// What a command reads as an input, an output or an EDID target: "1".."8", "A".."H", "IN1".."IN8",
// "OUTA".."OUTH" and "all", in either case.
bool readsAsPort(const std::string& name) {
    const std::string text = upper(name);
    if (text.size() == 1)
        return (text[0] >= '1' && text[0] <= '8') || (text[0] >= 'A' && text[0] <= 'H');
    if (text.size() == 3 && text.compare(0, 2, "IN") == 0)
        return text[2] >= '1' && text[2] <= '8';
    if (text.size() == 4 && text.compare(0, 3, "OUT") == 0)
        return text[3] >= 'A' && text[3] <= 'H';
    return text == "ALL";
}

} // namespace

std::string MatrixNames::name(Side side, int n) const {
    if (n < 1 || n > PortCount)
        return {};
    return of(side).at(static_cast<std::size_t>(n - 1));
}

bool MatrixNames::empty() const {
    const auto blank = [](const std::string& s) { return s.empty(); };
    return std::all_of(inputs.begin(), inputs.end(), blank) &&
           std::all_of(outputs.begin(), outputs.end(), blank);
}

std::string nameProblem(const std::string& name) {
    if (name.empty())
        return {};
    if (name.size() > NameLimit)
        return "a name is at most " + std::to_string(NameLimit) + " bytes long";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f)
            return "a name may not contain control characters";
    }
    if (std::isspace(static_cast<unsigned char>(name.front())) ||
        std::isspace(static_cast<unsigned char>(name.back())))
        return "a name may not start or end with a space";
    if (readsAsPort(name))
        return "'" + name + "' reads as a number or a letter; a name must not";
    return {};
}

std::string setName(MatrixNames& names, Side side, int n, const std::string& name) {
    if (n < 1 || n > PortCount)
        return "there is no port " + std::to_string(n);
    if (std::string problem = nameProblem(name); !problem.empty())
        return problem;
    auto& list = names.of(side);
    if (!name.empty()) {
        const auto other = findByName(names, side, name);
        if (other && *other != n)
            return "'" + name + "' already names " +
                   std::string(side == Side::Input ? "input " : "output ") +
                   labelOf(MatrixNames{}, side, *other, side == Side::Output);
    }
    list.at(static_cast<std::size_t>(n - 1)) = name;
    return {};
}

std::optional<int> findByName(const MatrixNames& names, Side side, const std::string& text) {
    if (text.empty())
        return std::nullopt;
    const auto& list = names.of(side);
    for (int n = 1; n <= PortCount; ++n) {
        if (list.at(static_cast<std::size_t>(n - 1)) == text)
            return n;
    }
    return std::nullopt;
}

namespace {
int revision = 0;
} // namespace

int namesRevision() {
    return revision;
}

void noteNamesChanged() {
    ++revision;
}

std::string labelOf(const MatrixNames& names, Side side, int n, bool letter) {
    std::string label =
        letter && n >= 1 && n <= PortCount ? std::string(1, char('A' + n - 1)) : std::to_string(n);
    const std::string name = names.name(side, n);
    return name.empty() ? label : label + " " + name;
}

bool takeNames(MatrixNames& kept, const MatrixNames& given) {
    const MatrixNames before = kept;
    for (const Side side : {Side::Input, Side::Output}) {
        auto& names = kept.of(side);
        const auto& wanted = given.of(side);
        for (std::size_t port = 0; port < names.size(); ++port) {
            if (wanted[port].empty())
                continue;
            for (std::string& other : names) {
                if (other == wanted[port])
                    other.clear();
            }
            names[port] = wanted[port];
        }
    }
    return kept != before;
}

} // namespace quorvane::site
