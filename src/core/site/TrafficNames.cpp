#include "core/site/TrafficNames.h"

#include "core/link/Commands.h"

namespace quorvane::site {

std::string trafficPortNames(const TrafficEntry& entry, const MatrixNames& names) {
    const auto& f = entry.bytes;
    if (entry.raw || entry.transport == Transport::Udp || f.size() < 7 || f[2] != cmd::GroupRouting)
        return {};
    const bool sent = entry.direction == TrafficDirection::Sent;
    int input = 0;
    int output = 0;
    if (f[3] == cmd::RoutingQuery) {
        output = f[4];
        input = sent ? 0 : f[6];
    } else if (f[3] == cmd::RouteInput) {
        output = f[6];
        input = sent ? f[4] : 0;
    } else {
        return {};
    }
    std::string said;
    const std::string inputName = names.name(Side::Input, input);
    const std::string outputName = names.name(Side::Output, output);
    if (!inputName.empty())
        said = "input " + std::to_string(input) + " " + inputName;
    if (!outputName.empty())
        said += (said.empty() ? "" : ", ") + std::string("output ") +
                static_cast<char>('A' + output - 1) + " " + outputName;
    return said.empty() ? std::string() : " [" + said + "]";
}

} // namespace quorvane::site
