#include "core/app/PageSet.h"

#include "core/device/GeneralParts.h"
#include "core/edid/EdidPage.h"
#include "core/firmware/FirmwarePage.h"
#include "core/routing/MatrixPage.h"

namespace quorvane {

std::unique_ptr<MatrixPage> PageSet::matrix(Timers& timers, SerialLink& serial) const {
    const PageServices& s = services_;
    return std::make_unique<MatrixPage>(s.state, timers, serial, s.tcp, s.clock, s.dialogs,
                                        s.events);
}

std::unique_ptr<EdidPage> PageSet::edid(Timers& timers, SerialLink& serial) const {
    const PageServices& s = services_;
    return std::make_unique<EdidPage>(s.state, timers, serial, s.tcp, s.clock, s.dialogs, s.events);
}

std::unique_ptr<FirmwarePage> PageSet::firmware(Timers& timers, SerialLink& serial) const {
    const PageServices& s = services_;
    return std::make_unique<FirmwarePage>(s.state, timers, serial, s.tcp, s.clock, s.dialogs,
                                          s.events);
}

std::unique_ptr<GeneralParts> PageSet::general(const GeneralSeams& seams) const {
    return std::make_unique<GeneralParts>(services_, seams);
}

} // namespace quorvane
