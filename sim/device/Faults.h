#pragma once
// Switchable failures of the simulated matrix. Every count is 1-based over the replies the device
// produces (on any link; standby reports sent on request are not counted); 0 switches a fault off.

namespace quorvane::sim {

struct Faults {
    // Replies dropReply .. dropReply + dropCount - 1 are never sent.
    int dropReply = 0;
    int dropCount = 1;
    // Reply delayReply is sent delayMs later than usual.
    int delayReply = 0;
    int delayMs = 0;
    // Reply corruptReply has its checksum byte one too high.
    int corruptReply = 0;
    // TCP: reply splitReply is written in two pieces, the first splitAt bytes long.
    int splitReply = 0;
    int splitAt = 5;
    // Reply mergeReply is held back and written together with the next reply, in one write.
    int mergeReply = 0;
    // TCP: the matrix closes the connection after reply closeAfterReply.
    int closeAfterReply = 0;
    // Serial: the line hangs up after reply hangUpAfterReply.
    int hangUpAfterReply = 0;
    // The standby report A5 5B 88 88 .. is sent instead of reply standbyBeforeReply (the command
    // itself has taken effect).
    int standbyBeforeReply = 0;

    // EDID download: the data block is answered with the failure result (byte 4 = FF).
    bool edidDownloadFails = false;
    // EDID download: the data block is never answered.
    bool edidBlockUnanswered = false;
    // The matrix's EDID switch is not at [1111]: every EDID handshake is answered with the switch
    // check 03 0B 0F 00 instead of 03 08.
    bool edidSwitchWrong = false;
    // EDID handshake number edidSwitchCheckAt (from 1) is answered with the switch check 03 0B 00
    // 00 (carry on) instead of 03 08.
    int edidSwitchCheckAt = 0;
    // Firmware upgrade: the start of part refuseFirmwarePart (1..3) is answered 20 N 44.
    int refuseFirmwarePart = 0;
    // The acknowledgement of firmware block dropBlockAck (counting every block received, resends
    // included, from 1) is not sent; with dropBlockAckAlways, nor that of any block after it.
    int dropBlockAck = 0;
    bool dropBlockAckAlways = false;
    // A reboot after a part never ends: the matrix stays silent.
    bool neverFinishReboot = false;

    // The first acknowledgement of one firmware block goes wrong. The block is named by its part
    // (1..3; 0 switches the fault off) and its place in that part's flash: bank x 256 + the index
    // in its header. Any combination of the three may be switched on (-1 is off).
    struct BlockAck {
        int part = 0;
        int block = 0;
        // The acknowledgement is sent once more this long after the first (a late repeat).
        int repeatAfterMs = -1;
        // The acknowledgement names this block index (k) instead of the block written.
        int otherIndex = -1;
        // The acknowledgement carries this m (byte 9) instead of 40 or B0.
        int mark = -1;
    };
    BlockAck blockAck;

    // Reply repeatReply is sent once more, repeatAfterMs after the first (0: at once behind it).
    int repeatReply = 0;
    int repeatAfterMs = 0;
    // Reply alterReply has alterAdd added to its byte alterByte (2..11, modulo 256), its checksum
    // made right again: an answer that is whole but says something else (with alterAdd 255 on
    // byte 10, a block acknowledgement names the block before).
    int alterReply = 0;
    int alterByte = 0;
    int alterAdd = 0;
};

} // namespace quorvane::sim
