#pragma once

#include "SafeFile.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace velcora {

/// How many generations of end-of-run backups are kept per model.
constexpr int EndBanksGenerations = 10;

/// base + n + ".syx"; EndBanks1.syx is the newest.
std::string EndBanksFile(const std::string& base, int n);

/// Makes room for a new newest backup: the oldest (10) is deleted and 9..1 move up by one,
/// gaps and all. Stops at the first file that cannot be deleted or moved and says which;
/// the generations still below it are then where they were.
TFileWrite RotateEndBanks(const std::string& base);

/// Makes bytes the newest backup (generation 1), the older ones moving up by one. The new
/// backup is first written whole beside generation 1 under a temporary name: when that
/// fails, or a generation cannot move, no backup is replaced and generation 1 is still the
/// previous backup; the temporary file is removed.
TFileWrite WriteEndBanks(const std::string& base, std::span<const uint8_t> bytes);

/// Unsaved items in the order library, ROM bank, user banks 0 to 3.
using TDirtyFlags = std::array<bool, 6>;

/// "These files need saving :" and a line for each unsaved item; empty when all is saved.
std::string UnsavedList(const TDirtyFlags& dirty);

/// The question asked before the program closes, listing what has not been saved.
std::string ClosePrompt(const TDirtyFlags& dirty);

} // namespace velcora
