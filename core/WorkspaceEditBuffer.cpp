// The edit buffer's commands that need no window: its file, a random patch and a rename.
#include "Dialogs.h"
#include "NameText.h"
#include "Patchrec.h"
#include "SysexMessages.h"
#include "Workspace.h"

namespace velcora {

namespace {

constexpr size_t CategoryLength = 3;
constexpr size_t NameLength = 16;
const std::string RandomDuringTransfer =
    "A transfer is running.\nWait for it to end, or cancel it, before asking for a random patch.";

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) {
        return "";
    }
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

} // namespace

std::string TWorkspace::ComposeName(const std::string& category, const std::string& name) {
    std::string composed = category;
    composed.resize(CategoryLength, ' ');
    composed += ":" + name;
    composed.resize(NameLength, ' ');
    return composed;
}

void TWorkspace::bbLoadEditBufClick() {
    std::string& remembered = FSynth.FileNames[TSynth::EditFile];
    const std::string chosen = FEditPatch->LoadFileDialog(remembered, FCtx);
    if (!chosen.empty()) {
        remembered = chosen;
    }
    // The key belongs to the identified synth's section; there is none before.
    if (!FSynth.Section.empty()) {
        FSection.WriteString("EditFile", remembered);
    }
    ShowEditBufferName();
}

void TWorkspace::bbSaveEditBufClick(const std::string& category, const std::string& name) {
    std::string& remembered = FSynth.FileNames[TSynth::EditFile];
    const size_t sep = remembered.find_last_of("/\\");
    const std::string folder = sep == std::string::npos ? "" : remembered.substr(0, sep + 1);
    const std::string proposed = folder + category + "_" + Trimmed(name) + ".syx";
    const std::string chosen = FEditPatch->SaveFileDialog(proposed, FCtx);
    if (!chosen.empty()) {
        remembered = chosen;
        if (!FSynth.Section.empty()) {
            FSection.WriteString("EditFile", remembered);
        }
    }
}

void TWorkspace::bbRandEditBufClick() {
    if (FRunning == TRunning::Transfer) {
        FCtx.Dialogs.MessageBox(TMessageKind::Warning, RandomDuringTransfer, TButtons::Ok);
        return;
    }
    RunGuarded([this] {
        FSynth.SendSysex(sysex::Randomize(FCtx.DeviceId));
        FSynth.RequestEditBuffer(FCtx.DeviceId);
    });
}

void TWorkspace::bbRenameEditBufClick(const std::string& category, const std::string& name) {
    // The synth and the program's copy get the same name, and only what a dump can hold.
    const std::string composed = SevenBitName(ComposeName(category, name));
    RunGuarded([&] {
        FSynth.SendSysex(sysex::PresetNameEdit(FCtx.DeviceId, composed));
        FEditPatch->SetName(composed, FCtx.Sizes);
    });
}

} // namespace velcora
