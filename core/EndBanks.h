#pragma once

#include <array>
#include <string>

namespace velcora {

/// How many generations of end-of-run backups are kept per model.
constexpr int EndBanksGenerations = 10;

/// base + n + ".syx"; EndBanks1.syx is the newest.
std::string EndBanksFile(const std::string& base, int n);

/// Makes room for a new newest backup: the oldest (10) is deleted and 9..1 move up by one,
/// gaps and all. The caller then writes generation 1.
void RotateEndBanks(const std::string& base);

/// Unsaved items in the order library, ROM bank, user banks 0 to 3.
using TDirtyFlags = std::array<bool, 6>;

/// "These files need saving :" and a line for each unsaved item; empty when all is saved.
std::string UnsavedList(const TDirtyFlags& dirty);

/// The question asked before the program closes, listing what has not been saved.
std::string ClosePrompt(const TDirtyFlags& dirty);

} // namespace velcora
