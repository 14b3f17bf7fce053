#pragma once

#include "DumpSizes.h"
#include "ModelClass.h"
#include "SynthLink.h"
#include "SysexMessages.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velcora {

class TIniFile;
class TPatchRec;

/// One sound ROM of the synth, as its hardware configuration reports it.
struct TRomRec {
    int Id = 0;        ///< 14-bit ROM id
    int BankCount = 0; ///< number of 128-preset banks
    int InstrumentCount = 0;
    std::string Name; ///< from the ROM table
};

/// Who answered the Device Inquiry.
struct TSynthIdentity {
    uint8_t DeviceId = 0;
    std::string ModelName;
    TModelClass ModelClass = TModelClass::Unknown;
    std::string Version; ///< four characters
    /// The settings section of that synth: model name, "_", device id in decimal.
    std::string Section() const { return ModelName + "_" + std::to_string(DeviceId); }
};

/// What the connected synth has told about itself, and its settings. Every field is zero or
/// empty until the first identification. The device id, the preset dump sizes and the last
/// all-banks file live in the workspace's patch context, where the patch layer reads them.
struct TSynth {
    static constexpr int MaxRoms = 4;
    /// Entries of FileNames.
    enum TFileName {
        UserBank0 = 0,
        RomBankFile = 4,
        PatchLibFile = 5,
        BlankFile = 6,
        EditFile = 7
    };

    int RomCount = 0;
    std::array<TRomRec, MaxRoms> Roms{};
    std::string ModelName;
    TModelClass ModelClass = TModelClass::Unknown;
    std::string Version;
    /// How every window caption starts once the synth is known: "Proteus 2000 (Ver: 1.04 )".
    std::string Caption() const { return ModelName + " (Ver: " + Version + " )"; }
    /// Settings section of this synth: model name, "_", device id in decimal.
    std::string Section;
    std::array<std::string, 8> FileNames{};
    int TotalParam = 0;
    bool SizesMeasured = false;
    int TimeBetweenSysex = 0;
    int TimeBetweenPatches = 0;
    /// The longest pause the setup dialog's four-digit fields can hold, in milliseconds.
    static constexpr int MaxPause = 9999;
    /// A pause within 0..MaxPause: a negative interval would stop the send timer for good.
    static int ClampPause(int milliseconds) { return std::clamp(milliseconds, 0, MaxPause); }
    /// Sends wait for the synth's answer to each packet instead of pausing (off by default).
    bool CheckedSends = false;

    /// Blocks the GUI thread for the pause after a message; tests record the pauses instead.
    std::function<void(int milliseconds)> Pause;
    int ChannelRequestCount = 0;
    int EditRequestCount = 0;

    /// link: the ports and the reply bookkeeping of the run that owns this record.
    explicit TSynth(ISynthLink& link) : FLink(&link) {}

    /// A ROM bank fetched directly: the ROM (an index into Roms) and its bank.
    struct TRomSource {
        int RomIndex = 0;
        int Bank = 0;
    };

    // The requests of the synth dialogue; each sets the reply it awaits. deviceId: the
    // synth's device id, as the identity reply gave it.
    void RequestIdentity();
    void RequestHwConfig(uint8_t deviceId);
    void SendInitParam(uint8_t deviceId);
    void RequestChannel(uint8_t deviceId);
    /// Preset (pl, pm); while a ROM bank is fetched directly, rom names the ROM and its bank
    /// instead of pm (a ROM not in Roms names none).
    void RequestPreset(uint8_t deviceId, uint8_t pl, uint8_t pm,
                       std::optional<TRomSource> rom = std::nullopt);
    /// The edit buffer, into the edit-buffer patch unless a ROM bank is fetched through it.
    void RequestEditBuffer(uint8_t deviceId);
    /// Program Change to the program on the synth's channel, then the edit buffer.
    void RequestViaProgramChange(uint8_t deviceId, uint8_t channel, uint8_t program);

    /// The one way SysEx leaves: refused with an error box while a received message is being
    /// dispatched; sent up to and including its first F7 when an output device is selected,
    /// then the pause. A message without F7 is not sent. False when nothing was sent.
    bool SendSysex(std::span<const uint8_t> message);
    /// As SendSysex, without the pause: a closed-loop packet is paced by the synth's answer.
    bool SendUnpaused(std::span<const uint8_t> message);
    /// The patch's eight messages, with the synth's device id, addressed as held; sizes: the
    /// dump sizes in use, which frame the patch's name and checksum.
    void Send(TPatchRec& patch, uint8_t deviceId, const TDumpSizes& sizes);
    void SendToSlot(TPatchRec& patch, uint8_t low, uint8_t high, uint8_t deviceId,
                    const TDumpSizes& sizes);
    /// All Sound Off, then the patch into the synth's edit buffer.
    void Audition(TPatchRec& patch, uint8_t deviceId, const TDumpSizes& sizes);
    void AllSoundOff();

    // What the synth says about itself; the workspace decides what follows.
    /// Who answered the Device Inquiry; empty when the message is not the reply.
    static std::optional<TSynthIdentity> ReadIdentity(std::span<const uint8_t> message);
    /// Takes the identity as this record's: model, version and section. The sizes are to be
    /// measured again.
    void TakeIdentity(const TSynthIdentity& identity);
    /// Takes the ROMs of a hardware configuration, as far as there is room for them.
    void TakeRoms(const sysex::THardwareConfig& config);
    /// The entries of the ROM bank list for the ROM at index: "Bank 0" and so on; none for
    /// an index that names no ROM.
    std::vector<std::string> RomBankEntries(int index) const;
    /// A stored dump header's byte count: half of it, and the last packet's length in sizes.
    void ApplyHeaderByteCount(std::span<const uint8_t> header, TDumpSizes& sizes);
    /// The sizes as the edit-buffer dump just stored gives them, once per request; then
    /// saved to this synth's section of ini.
    void MeasureSizes(const TPatchRec& editPatch, TDumpSizes& sizes, TIniFile& ini);
    void SaveSizes(TIniFile& ini, const TDumpSizes& sizes) const;

private:
    /// Counts a request; before every 130th of its kind the synth input port is reopened,
    /// which clears whatever a long run of requests has left in it.
    void CountRequest(int& counter);
    void SendPresetRequest(uint8_t deviceId, uint8_t pl, uint8_t pm, std::optional<TRomSource> rom);

    ISynthLink* FLink;
};

} // namespace velcora
