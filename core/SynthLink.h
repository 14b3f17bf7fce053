#pragma once

#include <cstdint>
#include <span>

namespace velcora {

/// What the synth record needs of the run that owns it: the two ports to the synth and the
/// bookkeeping of the replies awaited. The workspace implements it; the record reaches
/// nothing else of the run.
class ISynthLink {
public:
    /// A reply the run waits for. An edit-buffer dump is a preset dump whose target is the
    /// edit buffer, unless a ROM bank is being fetched through the edit buffer.
    enum class TReply { Identity, HwConfig, Channel, Dump, EditBufferDump };

    /// Puts one SysEx message, F0 up to its F7, on the synth output. Refused with an error
    /// box while a received message is being dispatched, the empty message included (the
    /// send path's way of handing over a message that has no end, which never leaves).
    /// False when nothing was sent, also when no output device is chosen. Raises the
    /// port's error when the port fails.
    virtual bool SendLong(std::span<const uint8_t> message) = 0;
    /// One short message to the synth output, without a pause. Raises the port's error when
    /// the port is not open.
    virtual void SendShort(uint8_t status, uint8_t data1, uint8_t data2) = 0;
    /// Stops and closes the synth input port, then opens and starts it again, which clears
    /// whatever a long run of requests left in it.
    virtual void ReopenSynthInput() = 0;
    /// The reply that the request being sent asks for.
    virtual void Await(TReply reply) = 0;

protected:
    ~ISynthLink() = default;
};

} // namespace velcora
