#pragma once
// Applies the switched-on Faults to the replies of the simulated matrix, counting replies as they
// are produced, and turns the replies into what the link does (Emissions).

#include "sim/device/Emission.h"
#include "sim/device/Faults.h"

#include "core/link/Frame.h"

#include <vector>

namespace quorvane::sim {

class FaultInjector {
public:
    Faults& faults() { return faults_; }
    const Faults& faults() const { return faults_; }
    // Replies produced so far (the number the fault counts refer to).
    int replyCount() const { return replyCount_; }

    // The emissions for the next reply on `link`, appended to `out`.
    void produce(LinkKind link, const Frame& reply, std::vector<Emission>& out);

private:
    Faults faults_;
    int replyCount_ = 0;
    std::vector<std::uint8_t> held_; // a reply held back to be merged with the next one
};

// The standby report: A5 5B 88 88, zeros, checksum.
Frame standbyFrame();

} // namespace quorvane::sim
