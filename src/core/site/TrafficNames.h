#pragma once
// The names of the ports a routing frame is about, for the traffic window's lines:
// " [input 3 Blu-ray, output B Projector]" after "route input 3 to output B". Only ports that have
// a name are said; "" when none has, or the entry is no routing frame.

#include "core/link/Traffic.h"
#include "core/site/MatrixNames.h"

#include <string>

namespace quorvane::site {

std::string trafficPortNames(const TrafficEntry& entry, const MatrixNames& names);

} // namespace quorvane::site
