#pragma once

#include "EventWait.h"
#include "Midiin.h"
#include "Midiout.h"

#include <chrono>
#include <cstdint>
#include <vector>

namespace velcora::test {

/// Sends one message on out (a short message when it does not start with F0) and collects
/// the SysEx messages that come in on in until count are in or the time is up.
inline std::vector<std::vector<uint8_t>> ExchangeSysex(TMidiOutput& out, TMidiInput& in,
                                                       const std::vector<uint8_t>& message,
                                                       size_t count,
                                                       std::chrono::milliseconds limit) {
    if (message.front() == 0xF0) {
        out.PutLong(message);
    } else {
        out.PutShort(message[0], message.size() > 1 ? message[1] : 0,
                     message.size() > 2 ? message[2] : 0);
    }
    std::vector<std::vector<uint8_t>> got;
    // The ring is filled on the driver's thread: look again every millisecond.
    RunEventsUntil(
        [&] {
            while (auto event = in.GetMidiEvent()) {
                if (event->SysexBytes) {
                    got.emplace_back(event->SysexBytes.get(),
                                     event->SysexBytes.get() + event->SysexByteCount);
                }
            }
            return got.size() >= count;
        },
        limit, std::chrono::milliseconds(1));
    return got;
}

} // namespace velcora::test
