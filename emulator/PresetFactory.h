#pragma once

#include "Preset.h"
#include "SynthModel.h"

#include <cstdint>

// The virtual synth's sound memory: every preset is computed from where it lives, so that
// the same address always gives the same bytes without storing whole ROMs.
namespace velcora::emu {

/// Preset index (bank * 128 + slot) of a ROM. Every 50th preset repeats the one before it
/// under another name, as factory sets do with their variations.
TPreset MakeRomPreset(const TSynthModel& model, uint16_t romId, uint16_t index);
/// What a user slot holds when the synth is new: programmed sounds in banks 0..2 and the
/// first half of bank 3, the blank preset in the rest.
TPreset MakeUserPreset(const TSynthModel& model, int bank, int slot);
/// The blank preset a new slot starts from, "ini:Blank Preset".
TPreset MakeInitPreset(const TSynthModel& model);
/// A random preset for the Randomize command, from the seed.
TPreset MakeRandomPreset(const TSynthModel& model, uint64_t seed);

} // namespace velcora::emu
