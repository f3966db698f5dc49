#include "sim/device/FaultInjector.h"

#include "core/link/Commands.h"

namespace quorvane::sim {

Frame standbyFrame() {
    return buildFrame(command({cmd::StandbyMarker, cmd::StandbyMarker}));
}

void FaultInjector::produce(LinkKind link, const Frame& reply, std::vector<Emission>& out) {
    const int n = ++replyCount_;
    const Faults& f = faults_;

    Frame bytes = f.standbyBeforeReply == n ? standbyFrame() : reply;
    if (f.alterReply == n && f.alterByte >= 2 && f.alterByte < static_cast<int>(FrameSize) - 1) {
        std::uint8_t& b = bytes[static_cast<std::size_t>(f.alterByte)];
        b = static_cast<std::uint8_t>(b + f.alterAdd);
        bytes[FrameSize - 1] = frameChecksum(bytes);
    }
    if (f.corruptReply == n)
        bytes[FrameSize - 1] = static_cast<std::uint8_t>(bytes[FrameSize - 1] + 1);

    const bool dropped = f.dropReply > 0 && n >= f.dropReply && n < f.dropReply + f.dropCount;
    const int delayMs = f.delayReply == n ? f.delayMs : 0;

    if (!dropped) {
        Emission data;
        data.bytes = std::move(held_);
        held_.clear();
        const std::size_t offset = data.bytes.size();
        data.bytes.insert(data.bytes.end(), bytes.begin(), bytes.end());
        data.delayMs = delayMs;
        if (f.mergeReply == n) {
            held_ = std::move(data.bytes);
        } else {
            if (link == LinkKind::Tcp && f.splitReply == n && f.splitAt > 0 &&
                static_cast<std::size_t>(f.splitAt) < FrameSize)
                data.splitAt.push_back(offset + static_cast<std::size_t>(f.splitAt));
            out.push_back(std::move(data));
        }
    }

    if (!dropped && f.repeatReply == n)
        out.push_back(Emission{
            Emission::Kind::Data, {bytes.begin(), bytes.end()}, delayMs + f.repeatAfterMs, {}});

    if (link == LinkKind::Tcp && f.closeAfterReply == n)
        out.push_back(Emission{Emission::Kind::CloseConnection, {}, delayMs, {}});
    if (link == LinkKind::Serial && f.hangUpAfterReply == n)
        out.push_back(Emission{Emission::Kind::HangUp, {}, delayMs, {}});
}

} // namespace quorvane::sim
