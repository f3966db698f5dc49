#pragma once
// The names a user gives the matrix's eight inputs and eight outputs ("Blu-ray", "Projector"),
// kept per matrix. A plain value: the store, the configuration backup and the window read and
// write it as it is. An empty name is no name.
//
// A name is matched exactly (case and spaces count). It may not be what a command would read as a
// number or a letter: "1".."8", "A".."H", "IN1".."IN8", "OUTA".."OUTH" or "all" in either case,
// nor start or end with a space, nor contain a control character; it is at most NameLimit bytes.

#include <array>
#include <optional>
#include <string>

namespace quorvane::site {

inline constexpr int PortCount = 8;
inline constexpr std::size_t NameLimit = 40;

enum class Side { Input, Output };

struct MatrixNames {
    std::array<std::string, PortCount> inputs;
    std::array<std::string, PortCount> outputs;

    std::array<std::string, PortCount>& of(Side side) {
        return side == Side::Input ? inputs : outputs;
    }
    const std::array<std::string, PortCount>& of(Side side) const {
        return side == Side::Input ? inputs : outputs;
    }
    // The name of input or output `n` (1..8), "" when it has none or n is out of range.
    std::string name(Side side, int n) const;
    bool empty() const;
    bool operator==(const MatrixNames&) const = default;
};

// Why `name` cannot be a name ("" when it can). The empty name is accepted: it clears.
std::string nameProblem(const std::string& name);

// Names `n` (1..8) on `side` as `name`, or clears it when `name` is empty. Refuses (and leaves
// `names` as it was) a name nameProblem() refuses, or one another port on the same side already
// carries, with the reason in the return value; "" when done.
std::string setName(MatrixNames& names, Side side, int n, const std::string& name);

// Takes the names a saved configuration gives into `kept`: each port the configuration names gets
// that name (a port on the same side that carried it loses it), a port it leaves unnamed keeps
// its name. True when `kept` changed.
bool takeNames(MatrixNames& kept, const MatrixNames& given);

// The port (1..8) on `side` whose name is exactly `text`; nothing when none is.
std::optional<int> findByName(const MatrixNames& names, Side side, const std::string& text);

// Counts every change of names kept in this process, so that a window showing them elsewhere knows
// to read them again.
int namesRevision();
void noteNamesChanged();

// "3" for a port without a name, "3 Blu-ray" for one with; outputs use their letter when
// `letter` is set ("B Projector").
std::string labelOf(const MatrixNames& names, Side side, int n, bool letter = false);

} // namespace quorvane::site
