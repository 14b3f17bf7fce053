#pragma once

#include "EmuMessages.h"
#include "Preset.h"
#include "SynthModel.h"
#include "VirtualSynthOptions.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <random>
#include <span>
#include <string>
#include <vector>

namespace velcora::emu {

/// The SysEx side of one synth of the Proteus 2000 family: identity, hardware configuration,
/// parameters, preset dumps in both directions (open and closed loop), randomize, and the
/// Bank Select / Program Change that load a preset into the edit buffer. It knows no
/// transport: Receive takes one complete incoming message and answers what to send back and
/// when. Not thread-safe; a transport serialises the calls.
class TVirtualSynth {
public:
    using TClock = std::chrono::steady_clock;

    /// One message to send, not before At.
    struct TOutgoing {
        TClock::time_point At;
        TBytes Bytes;
    };

    /// An unknown member code falls back to the default model. Throws std::invalid_argument for
    /// packets shortened beyond kMaxPacketShortening.
    explicit TVirtualSynth(const TVirtualSynthOptions& options = {});

    /// Takes one complete message (a SysEx message, or a short message of one to three bytes)
    /// and answers the replies in order, with the reply delay and wire pacing applied. Any
    /// bytes are safe here: what is not understood is ignored.
    std::vector<TOutgoing> Receive(TView message, TClock::time_point now = TClock::now());

    const TSynthModel& Model() const { return FModel; }
    uint8_t DeviceId() const { return FDeviceId; }
    uint8_t Channel() const { return FChannel; }
    TVirtualSynthFaults& Faults() { return FFaults; }
    /// Number of messages the synth has produced, lost ones included.
    uint64_t MessagesProduced() const { return FProduced; }

    const TPreset& UserPreset(int bank, int slot) const;
    /// Throws std::invalid_argument for a preset of another size, std::out_of_range for a
    /// slot outside the user banks.
    void SetUserPreset(int bank, int slot, const TPreset& preset);
    const TPreset& EditBuffer() const { return FEditBuffer; }
    /// A preset of an installed ROM, or nothing when the ROM or index does not exist.
    std::optional<TPreset> RomPreset(uint16_t romId, uint16_t index) const;

    /// The eight messages of a dump of this preset, addressed as given, with real checksums.
    std::vector<TBytes> DumpMessages(const TPreset& preset, uint16_t address, uint16_t romId,
                                     bool closedLoop) const;

    /// The user banks changed since the last ClearUserBanksChanged.
    bool UserBanksChanged() const { return FUserBanksChanged; }
    void ClearUserBanksChanged() { FUserBanksChanged = false; }
    /// Writes the four user banks as an all-banks file (512 dumps, bank 0 slot 0 first),
    /// replacing the file only once it is complete. Answers an error text, empty on success.
    std::string SaveUserBanks(const std::string& path) const;
    /// Reads an all-banks file of this model; a file that is not exactly 512 sound dumps
    /// changes nothing. Answers an error text, empty on success.
    std::string LoadUserBanks(const std::string& path);

private:
    struct TIncomingDump {
        TDumpHeader Header;
        uint16_t NextPacket = 1;
        TBytes Data;
        /// Every packet was taken and the preset stored; kept so that a copy of the last
        /// packet, sent again because its acknowledgement was lost, is acknowledged again.
        bool Stored = false;
    };
    struct TOutgoingDump {
        std::vector<TBytes> Messages;
        size_t Sent = 0; ///< messages sent so far (the header is message 0)
    };

    void HandleSysex(TView message);
    void HandleShort(TView message);
    void HandleParamRequest(TView message);
    void HandleParamEdit(TView message);
    void HandleDumpRequest(TView message);
    void HandleDumpHeader(const TDumpHeader& header);
    void HandleDumpPacket(const TDumpPacket& packet);
    void HandleHandshake(const THandshake& handshake);
    void HandleRandomize(TView message);
    void StartDump(const TPreset& preset, uint16_t address, uint16_t romId, bool closedLoop);
    void RefuseIncoming(bool closedLoop);
    std::optional<uint16_t> ParamValue(uint16_t id) const;
    bool SetParam(uint16_t id, uint16_t value);
    void Send(TBytes bytes);
    /// The data bytes of one dump given as its eight messages, or nothing when malformed.
    std::optional<TPreset> ParseWholeDump(std::span<const TBytes> messages) const;

    TSynthModel FModel;
    uint8_t FDeviceId;
    uint8_t FChannel;
    std::chrono::milliseconds FReplyDelay;
    std::chrono::milliseconds FPacketDelay;
    bool FWireSpeed;
    TVirtualSynthFaults FFaults;

    std::vector<TPreset> FUserBanks; // bank * 128 + slot
    TPreset FEditBuffer;
    bool FUserBanksChanged = false;
    std::map<uint16_t, uint16_t> FParams;
    uint8_t FBankMsb = 0;
    uint8_t FBankLsb = 0;
    uint64_t FRandomCount = 0;

    std::optional<TIncomingDump> FIncoming;
    std::optional<TOutgoingDump> FOutgoing;

    /// Answers a closed-loop packet received: ACK, NAK or CANCEL, with the faults applied.
    void Answer(uint8_t command, uint16_t packet = 0);
    /// Counts a closed-loop message received down to the cancel fault's.
    bool CancelHere();
    /// The closed-loop message received is lost on the way, by the faults; also notes
    /// whether it repeats the one before.
    bool NeverArrives(TView message);
    /// True with the given share of the calls (none at 0), from the seeded generator.
    bool Strikes(double rate);
    /// The closed-loop message before, to tell a copy sent again from a new one.
    TBytes FLastClosedLoop;
    /// The message being handled repeats the closed-loop message before it.
    bool FRepeat = false;
    std::mt19937 FRandom;
    /// The message being handled is a closed-loop packet: its answer waits FPacketDelay.
    bool FAnswering = false;

    std::vector<TBytes> FReplies; // of the message being handled
    uint64_t FProduced = 0;
    TClock::time_point FLineFree{};
};

} // namespace velcora::emu
