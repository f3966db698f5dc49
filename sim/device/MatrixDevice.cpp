#include "sim/device/MatrixDevice.h"

#include "sim/device/FirmwareResponder.h"

namespace quorvane::sim {

MatrixDevice::MatrixDevice() {
    responder_.firmware().setFaults(&injector_.faults());
}

void MatrixDevice::setClock(std::function<std::int64_t()> now) {
    responder_.firmware().setClock(std::move(now));
}

std::vector<Emission> MatrixDevice::receive(LinkKind link, const std::uint8_t* data,
                                            std::size_t size) {
    LinkInput& input = inputs_[static_cast<std::size_t>(link)];
    std::vector<Emission> out;
    for (std::size_t i = 0; i < size; ++i) {
        const std::uint8_t b = data[i];
        if (input.rawExpected > 0) {
            input.raw.push_back(b);
            if (input.raw.size() < input.rawExpected)
                continue;
            std::vector<std::uint8_t> block = std::move(input.raw);
            input.raw.clear();
            input.rawExpected = 0;
            if (observer_)
                observer_(link, block.data(), block.size());
            handle(link, input, responder_.takeRawBlock(block), out);
            continue;
        }
        // Cut frames at A5 5B: skip bytes until a start; a start not followed by 5B is given up,
        // and the byte that broke it may begin the next frame.
        if (input.frame.size() == 1 && b != FrameStart2)
            input.frame.clear();
        if (input.frame.empty() && b != FrameStart1)
            continue;
        input.frame.push_back(b);
        if (input.frame.size() < FrameSize)
            continue;
        Frame frame{};
        std::copy(input.frame.begin(), input.frame.end(), frame.begin());
        input.frame.clear();
        framesSeen_.push_back(frame);
        if (observer_)
            observer_(link, frame.data(), frame.size());
        handle(link, input, responder_.respond(frame), out);
    }
    return out;
}

void MatrixDevice::handle(LinkKind link, LinkInput& input, const Response& response,
                          std::vector<Emission>& out) {
    for (const Frame& reply : response.replies)
        injector_.produce(link, reply, out);
    for (const Response::Late& late : response.late)
        out.push_back(Emission{
            Emission::Kind::Data, {late.frame.begin(), late.frame.end()}, late.delayMs, {}});
    input.rawExpected = response.rawBlockSize;
}

void MatrixDevice::resetLink(LinkKind link) {
    inputs_[static_cast<std::size_t>(link)] = LinkInput{};
}

void MatrixDevice::forgetPartialFrame(LinkKind link) {
    inputs_[static_cast<std::size_t>(link)].frame.clear();
}

std::vector<Emission> MatrixDevice::standbyReport() const {
    const Frame frame = standbyFrame();
    return {Emission{Emission::Kind::Data, {frame.begin(), frame.end()}, 0, {}}};
}

} // namespace quorvane::sim
