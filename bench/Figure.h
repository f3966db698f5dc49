#pragma once
// One row of the table that scripts/bench prints: a figure, the floor it is set against (measured
// or computed in the same run), their ratio and the goal for the ratio. Benchmarks print their
// own detail as before; these lines, starting with "FIGURE|", are what the table collects.

#include <cstdio>

namespace quorvane::bench {

// "FIGURE|name|value|floor|ratio|goal": value and floor as text with their unit.
inline void printFigure(const char* name, const char* value, const char* floor, double ratio,
                        double goal) {
    std::printf("FIGURE|%s|%s|%s|%.4f|%.4f\n", name, value, floor, ratio, goal);
    std::fflush(stdout);
}

inline void printMsFigure(const char* name, double valueMs, double floorMs, double goal) {
    char value[32];
    char floor[32];
    std::snprintf(value, sizeof value, "%.3f ms", valueMs);
    std::snprintf(floor, sizeof floor, "%.3f ms", floorMs);
    printFigure(name, value, floor, valueMs / floorMs, goal);
}

} // namespace quorvane::bench
