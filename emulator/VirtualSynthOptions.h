#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace velcora::emu {

/// Faults the virtual synth can be told to commit, for tests of the program's error paths.
struct TVirtualSynthFaults {
    /// Hears everything, answers nothing.
    bool Silent = false;
    /// The Nth message the synth sends (counting from 1) is lost; 0: none.
    uint32_t DropNth = 0;
    /// The next preset dump request is answered with the cancel message.
    bool CancelNextDump = false;
    /// Packet k (1..7) of the next dump sent is cut short; 0: none.
    int TruncatePacket = 0;
    // Closed-loop dumps the synth receives.
    /// The next N closed-loop data packets received are answered with NAK, as though their
    /// checksums were wrong (a packet sent again counts anew); 0: none.
    uint32_t NakPackets = 0;
    /// The Nth acknowledgement the synth gives from now (counting from 1) is lost on the way;
    /// 0: none. Counts down as acknowledgements are given.
    uint32_t LoseAck = 0;
    /// The Kth closed-loop message received from now (header or data, counting from 1) is
    /// answered with CANCEL, and the dump it belongs to is dropped; 0: none. Counts down.
    uint32_t CancelAtPacket = 0;
    /// The Kth closed-loop message received from now (header or data, counting from 1) never
    /// arrives: it is neither stored nor answered; 0: none. Counts down.
    uint32_t LosePacket = 0;
    /// Every closed-loop data packet of a dump to this user preset (bank × 128 + slot) is
    /// answered with NAK, as a memory location that fails its check would be; -1: none.
    int RefusePreset = -1;
    // The same three faults at random, each with its share (0..1) of the closed-loop messages
    // received, drawn from a generator seeded with FaultSeed when the synth is made, so a run
    // repeats exactly. They strike a message only the first time it arrives: a copy sent again
    // right after it goes through.
    /// Data packets answered with NAK.
    double NakRate = 0;
    /// Acknowledgements lost on the way.
    double LoseAckRate = 0;
    /// Messages (header or data) that never arrive.
    double LosePacketRate = 0;
    uint32_t FaultSeed = 1;
};

/// How a virtual synth is set up.
struct TVirtualSynthOptions {
    /// Member code of the model (see SynthModels); the default is a Proteus 2000.
    uint16_t MemberCode = 3;
    /// Data packets 1..6 this many bytes shorter than the model's, as a firmware outside the
    /// family's table would send them (TSynthModel::WithShorterPackets); 0 for the model as
    /// it is made.
    size_t ShorterPackets = 0;
    uint8_t DeviceId = 0;
    /// Basic channel, 0..15.
    uint8_t Channel = 0;
    /// Pause between a message received and the first reply.
    std::chrono::milliseconds ReplyDelay{0};
    /// Replies follow one another no faster than a MIDI cable carries them (31250 baud).
    bool WireSpeed = false;
    /// How long the synth takes to check a closed-loop packet it received before it answers.
    std::chrono::milliseconds PacketDelay{4};
    TVirtualSynthFaults Faults;
};

} // namespace velcora::emu
