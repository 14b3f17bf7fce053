#include "CliRunner.h"

#include "ByteStream.h"
#include "CliMidnam.h"
#include "ConsoleDialogs.h"
#include "Dialogs.h"
#include "EventWait.h"
#include "LibraryImport.h"
#include "MidiCaps.h"
#include "MidiDriver.h"
#include "OutputWait.h"
#include "PatchContext.h"
#include "Patchlib.h"
#include "SafeFile.h"
#include "SynthModel.h"
#include "Workspace.h"
#include "WorkspaceView.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <ostream>
#include <stdexcept>

namespace velcora {

namespace {

using namespace std::chrono_literals;

/// The progress of a transfer as one line on the error stream.
class TConsoleView : public TSilentWorkspaceView {
public:
    explicit TConsoleView(std::ostream& err) : FErr(err) {}
    void ShowProgress(bool visible, int maximum, int position) override {
        FLastProgress = std::chrono::steady_clock::now();
        FTransferring = visible;
        if (visible) {
            FErr << "\r" << position << "/" << maximum << std::flush;
        } else {
            FErr << "\n";
        }
    }

    /// How long since the progress last moved.
    std::chrono::steady_clock::duration SinceProgress() const {
        return std::chrono::steady_clock::now() - FLastProgress;
    }
    /// The progress bar shows: a transfer runs. Kept here rather than asked of the workspace
    /// after every event, since its status lists the MIDI devices each time.
    bool Transferring() const { return FTransferring; }

private:
    std::ostream& FErr;
    std::chrono::steady_clock::time_point FLastProgress = std::chrono::steady_clock::now();
    bool FTransferring = false;
};

// Longer than the program's own time-out of a fetch, which speaks first where it runs.
constexpr auto StallLimit = 8s;

/// The entry of a port's list that names the device exactly as given (letter case aside,
/// as the setup dialog matches the saved names), -1 when none does: "None" is not a device.
int ListedEntry(const std::vector<std::string>& entries, const std::string& name) {
    const int entry = TWorkspace::EntryIndex(entries, name);
    return entry + 1 < static_cast<int>(entries.size()) ? entry : -1;
}

int Fail(std::ostream& err, const std::string& text, int code) {
    err << text << "\n";
    return code;
}

/// "Confirmed 126 of 128 presets; slots 3, 42 were not confirmed."
std::string ConfirmedText(const TWorkspace::TCheckedSendOutcome& checked) {
    std::string text = "Confirmed " + std::to_string(checked.Confirmed) + " of " +
                       std::to_string(checked.Total) + " presets";
    const size_t missing = checked.Unconfirmed.size();
    if (missing == 0) {
        return text + ".";
    }
    text += missing == 1 ? "; slot " : "; slots ";
    for (size_t i = 0; i < missing; ++i) {
        text += (i == 0 ? "" : ", ") + std::to_string(checked.Unconfirmed[i]);
    }
    return text + (missing == 1 ? " was not confirmed." : " were not confirmed.");
}

bool WriteNew(const TCliOptions& o, const std::vector<uint8_t>& bytes, std::ostream& err) {
    const TFileWrite w = WriteFileAtomically(o.File, bytes);
    if (!w.Ok) {
        err << "Can't save the file " << o.File << ": " << w.Error << "\n";
    }
    return w.Ok;
}

/// import: reads LIBFILE (when it exists), adds the presets of the paths and writes the
/// library back atomically. An existing file that is not a library of these sizes is left
/// untouched.
int RunImport(const TCliOptions& o, const TDumpSizes& sizes, std::ostream& out, std::ostream& err) {
    TConsoleDialogs dialogs(err);
    TPatchContext ctx(dialogs);
    ctx.Sizes = sizes;
    TPatchLib lib(ctx);
    if (FileExists(o.File)) {
        // The largest library file: every patch with the longest notes.
        const size_t most = 4 + static_cast<size_t>(TPatchLib::MaxPatches) *
                                    (TPatchRec::NoteCount * (TPatchRec::MaxNoteLength + 1) +
                                     static_cast<size_t>(sizes.TotalSize()));
        const TFileRead file = ReadFilePrefix(o.File, most);
        if (!file.Ok) {
            return Fail(err, "Can't read the file " + o.File + ": " + file.Error, 2);
        }
        if (!lib.LoadBytes(file.Bytes)) {
            return Fail(err, o.File + " is not a library of this synth's presets; nothing written.",
                        2);
        }
    }
    TLibraryImport import(lib, ctx, !o.KeepDuplicates);
    import.CollectFiles(o.ImportPaths);
    while (!import.Finished()) {
        if (o.Stopped && o.Stopped()) {
            return Fail(err, "Stopped.", StoppedCode);
        }
        import.ImportNext();
    }
    if (import.Summary().Added > 0 || !FileExists(o.File)) {
        TByteWriter bytes;
        lib.WriteLibrary(bytes);
        const TFileWrite w = WriteFileAtomically(o.File, bytes.Bytes());
        if (!w.Ok) {
            return Fail(err, "Can't save the file " + o.File + ": " + w.Error, 2);
        }
    }
    out << import.Summary().Text() << "\n";
    return 0;
}

} // namespace

int RunCli(const TCliOptions& o, IMidiDriver& driver, const std::string& inName,
           const std::string& outName, const TCliPlaces& places, std::ostream& out,
           std::ostream& err) {
    if (o.Command == "devices") {
        for (uint32_t i = 0; i < driver.InDeviceCount(); ++i) {
            TMidiInCaps caps;
            if (driver.InDeviceCaps(i, caps) == 0) {
                out << "input  " << caps.Name << "\n";
            }
        }
        for (uint32_t i = 0; i < driver.OutDeviceCount(); ++i) {
            TMidiOutCaps caps;
            if (driver.OutDeviceCaps(i, caps) == 0) {
                out << "output " << caps.Name << "\n";
            }
        }
        return 0;
    }
    // With a model named, the two file commands need no synth.
    std::optional<TCliModel> named;
    if ((o.Command == "import" || o.Command == "midnam") && !o.Model.empty()) {
        named = CliModelByName(o.Model);
        if (!named) {
            return Fail(
                err,
                "unknown model " + o.Model + "; velcora-virtual-synth --list-models lists them", 2);
        }
    }
    if (named && o.Command == "import") {
        return RunImport(o, TDumpSizes::ForModelClass(named->Class), out, err);
    }
    const bool writes = o.Command.rfind("get-", 0) == 0 || o.Command == "midnam";
    if (writes && FileExists(o.File) && !o.Force) {
        return Fail(err, o.File + " exists; give --force to overwrite it", 2);
    }
    if (named && o.Command == "midnam") {
        return RunMidnam(o, *named, err);
    }
    TFileRead input;
    if (o.Command == "send-bank" || o.Command == "send-edit") {
        input = ReadFilePrefix(o.File, 512 * 1615);
        if (!input.Ok) {
            return Fail(err, "Can't read the file " + o.File + ": " + input.Error, 2);
        }
    }

    TConsoleDialogs dialogs(err);
    TConsoleView view(err);
    TWorkspace ws(dialogs, view, places.IniPath, places.StartDir, places.DocumentsDir, &driver);
    // The ports are this run's alone: the devices the setup dialog saved stay as they were.
    ws.SetRememberDevices(false);
    const int outEntry = ListedEntry(ws.PortEntries(TPort::SynthOutput), outName);
    if (outEntry < 0) {
        return Fail(err, "MIDI output Device " + outName + " not installed", 2);
    }
    const int inEntry = ListedEntry(ws.PortEntries(TPort::SynthInput), inName);
    if (inEntry < 0) {
        return Fail(err, "MIDI Input Device " + inName + " not installed ", 2);
    }
    // The input first: choosing the output sends the Device Inquiry, whose answer must find
    // the input listening.
    ws.lbMidiInClick(inEntry);
    if (!ws.Status().SynthInput.Open) {
        // The error box has said why.
        return dialogs.Problems.empty() ? Fail(err, "Can't open the MIDI input " + inName, 2) : 2;
    }
    ws.lbMidiOutClick(outEntry);
    if (!ws.Status().SynthOutput.Open) {
        return Fail(err, "Can't open the MIDI output " + outName, 2);
    }

    // A stop signal ends every wait at once; the run then ends as a failure does, with the
    // transfer under way cancelled, nothing written and the ports closed on the way out.
    auto stopped = [&] { return o.Stopped && o.Stopped(); };
    auto waitFor = [&](const std::function<bool()>& done, std::chrono::milliseconds limit) {
        return RunEventsUntil([&] { return done() || stopped(); }, limit);
    };
    auto stop = [&] {
        if (ws.Status().TransferRunning) {
            ws.bbCancelGetClick();
        }
        return Fail(err, "Stopped.", StoppedCode);
    };

    // As the start-up search does: ask again until the synth answers (choosing the output
    // asked the first time), then let its hardware configuration and channel replies come in.
    auto found = [&] { return ws.Status().SynthFound; };
    for (int tries = 0; !stopped(); ++tries) {
        if (waitFor(found, 600ms) || tries == 4 || stopped()) {
            break;
        }
        ws.bCheckIdClick();
    }
    if (stopped()) {
        return stop();
    }
    if (!found()) {
        return Fail(err, "No synth answered the Device Inquiry.", 1);
    }
    waitFor([&] { return !ws.Status().AwaitingSynthDetails; }, 2s);
    if (stopped()) {
        return stop();
    }
    dialogs.Problems.clear(); // the blank-file hint of identification is no failure here

    auto failed = [&] { return !dialogs.Problems.empty(); };
    auto fetchBank = [&](int n) {
        if (!ws.pcUserBankChange(n)) {
            return false;
        }
        ws.bbGetBankClick();
        // The program's time-out does not watch the first request of a fetch, and nobody is
        // here to press Cancel: a fetch that stops moving is given up as the time-out would.
        while (view.Transferring() && !stopped()) {
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(StallLimit - view.SinceProgress());
            waitFor([&] { return !view.Transferring(); }, std::max(left, 1ms));
            if (view.Transferring() && !stopped() && view.SinceProgress() >= StallLimit) {
                dialogs.MessageBox(TMessageKind::Warning, TWorkspace::TimedOutWarning,
                                   TButtons::Ok);
                ws.bbCancelGetClick();
            }
        }
        return !failed() && !stopped();
    };

    // Sent means gone out of the port: what it still holds when the run ends is dropped.
    auto outputDrained = [&] {
        if (WaitForOutput(ws, o.OutputStallLimit, stopped)) {
            return true;
        }
        if (stopped()) {
            return false;
        }
        err << "The MIDI output stalled with " << ws.Status().OutputPending
            << " SysEx message(s) not sent.\n";
        return false;
    };

    if (o.Command == "import") {
        return RunImport(o, ws.Context().Sizes, out, err);
    }
    if (o.Command == "identify") {
        out << ws.Synth().ModelName << " (Ver: " << ws.Synth().Version << ") device id "
            << int(ws.Context().DeviceId) << "\n";
        return 0;
    }
    if (o.Command == "midnam") {
        return RunMidnam(o, {ws.Synth().ModelName, ws.Synth().ModelClass}, err);
    }
    if (o.Command == "get-bank") {
        if (!fetchBank(o.Bank)) {
            return stopped() ? stop() : Fail(err, "The bank was not fetched.", 1);
        }
        TByteWriter bytes;
        ws.UserBank(o.Bank).WriteBank(bytes);
        return WriteNew(o, bytes.Bytes(), err) ? 0 : 2;
    }
    if (o.Command == "get-all") {
        for (int n = 0; n < 4; ++n) {
            if (!fetchBank(n)) {
                return stopped() ? stop() : Fail(err, "The banks were not fetched.", 1);
            }
        }
        return WriteNew(o, AllBanksBytes(ws.Context(), ws.UserBanks()), err) ? 0 : 2;
    }
    if (o.Command == "send-bank") {
        // The bank read takes the number of the tab showing.
        if (!ws.pcUserBankChange(o.Bank) || !ws.UserBank(o.Bank).LoadBytes(input.Bytes)) {
            return Fail(err, "The file was not loaded.", 2);
        }
        ws.bbSendBankClick();
        const bool ended = waitFor([&] { return !view.Transferring(); }, 30min);
        if (stopped()) {
            return stop();
        }
        const TWorkspace::TCheckedSendOutcome& checked = ws.LastCheckedSend();
        if (ended && checked.Total > 0) {
            // The synth said what it took: that is the answer, also when some did not arrive.
            const bool drained = outputDrained();
            if (stopped()) {
                return stop();
            }
            const std::string said = ConfirmedText(checked);
            if (!checked.Unconfirmed.empty()) {
                return Fail(err, said, 1);
            }
            out << said << "\n";
            return drained ? 0 : 1;
        }
        if (!ended || failed() || !outputDrained()) {
            return stopped() ? stop() : Fail(err, "The bank was not sent.", 1);
        }
        return 0;
    }
    if (o.Command == "get-edit") {
        ws.bbGetEditBufClick();
        if (!waitFor([&] { return !ws.Status().AwaitingDump || failed(); }, 5s) || failed() ||
            stopped()) {
            return stopped() ? stop() : Fail(err, TWorkspace::TimedOutWarning, 1);
        }
        TByteWriter bytes;
        ws.EditPatch().WriteDump(bytes, ws.Context());
        return WriteNew(o, bytes.Bytes(), err) ? 0 : 2;
    }
    if (o.Command == "send-edit") {
        if (!ws.EditPatch().LoadEditBufferBytes(input.Bytes, ws.Context())) {
            return Fail(err, "This file is for a different synth.", 2);
        }
        ws.bbSendEditBufClick();
        if (failed() || !outputDrained()) {
            return stopped() ? stop() : Fail(err, "The edit buffer was not sent.", 1);
        }
        return 0;
    }
    return Fail(err, "unknown command " + o.Command, 2);
}

} // namespace velcora
