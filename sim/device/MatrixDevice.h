#pragma once
// Placeholder until the simulated matrix model lands.
namespace quorvane::sim {
class MatrixDevice {};
} // namespace quorvane::sim
