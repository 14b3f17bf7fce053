#pragma once

#include "ModelClass.h"
#include "SysexMessages.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

namespace velcora {

class TPatchRec;
class TWorkspace;

/// One sound ROM of the synth, as its hardware configuration reports it.
struct TRomRec {
    int Id = 0;        ///< 14-bit ROM id
    int BankCount = 0; ///< number of 128-preset banks
    int InstrumentCount = 0;
    std::string Name; ///< from the ROM table
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

    /// The workspace that owns this record; the send path reaches the ports and the run's
    /// flags through it.
    TWorkspace* Main = nullptr;
    /// Blocks the GUI thread for the pause after a message; tests record the pauses instead.
    std::function<void(int milliseconds)> Pause;
    int ChannelRequestCount = 0;
    int EditRequestCount = 0;

    // The requests of the synth dialogue; each sets the reply it awaits.
    void RequestIdentity();
    void RequestHwConfig();
    void SendInitParam();
    void RequestChannel();
    void RequestPreset(uint8_t pl, uint8_t pm);
    void RequestEditBuffer();
    void RequestViaProgramChange();

    /// The one way SysEx leaves: refused with an error box while a received message is being
    /// dispatched; sent up to and including its first F7 when an output device is selected,
    /// then the pause. A message without F7 is not sent. False when nothing was sent.
    bool SendSysex(std::span<const uint8_t> message);
    /// The patch's eight messages, with the synth's device id, addressed as held.
    void Send(TPatchRec& patch);
    void SendToSlot(TPatchRec& patch, uint8_t low, uint8_t high);
    /// All Sound Off, then the patch into the synth's edit buffer.
    void Audition(TPatchRec& patch);
    void AllSoundOff();

    // What the synth says about itself.
    /// The Device Inquiry reply: model, version and device id, then the workspace is built
    /// for that model. False when the message is not the reply.
    bool HandleIdentity(std::span<const uint8_t> message);
    /// The ROM list; the first E-mu message uses up the expectation, reply or not.
    bool HandleHwConfig(std::span<const uint8_t> message);
    bool HandleChannel(std::span<const uint8_t> message);
    /// The ROM chosen in the ROM list: its banks fill the ROM bank list.
    void cbROMListChange(int index);
    /// A stored dump header's byte count: half of it, and the last packet's length.
    void ApplyHeaderByteCount(std::span<const uint8_t> header);
    /// The sizes as the edit-buffer dump just stored gives them, once per request.
    void MeasureSizes(const TPatchRec& editPatch);
    void SetDefaultSizes();
    void SaveSizes();

private:
    /// Counts a request; before every 130th of its kind the synth input port is reopened,
    /// which clears whatever a long run of requests has left in it.
    void CountRequest(int& counter);
};

} // namespace velcora
