#pragma once
// The Matrix page as the routing commands run it: made with the session's link, timers and boxes,
// its changes and outcomes reported to the session; and the routes it read.

#include "cli/Session.h"

#include "core/routing/MatrixPage.h"

#include <array>
#include <memory>
#include <optional>

namespace quorvane::cli {

std::unique_ptr<MatrixPage> makeMatrixPage(Session& session);

// The input an output shows after the read: 1..8, or nothing when the matrix reported none.
std::optional<int> shownInput(const MatrixPage& page, int output);

// The status read: asks the matrix for the input of every output. ExitDone with `routes` filled
// (0 for an output the matrix reported no input for), else the failure's status.
int readRoutes(Session& session, MatrixPage& page, std::array<int, routing::OutputCount>& routes);

} // namespace quorvane::cli
