#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace velcora {

class TPatchBank;
struct TPatchContext;

/// The four user banks, bank 0 first, as the all-banks file holds them.
using TUserBanks = std::array<TPatchBank*, 4>;

/// Reads an all-banks file's bytes into the four user banks, each dump stamped with its own
/// bank number. Nothing changes unless the first dump is framed and every dump read is whole;
/// report says whether damage is told to the person (the end-of-run backups load silently).
bool ReadAllBanks(TPatchContext& ctx, const TUserBanks& banks, std::span<const uint8_t> bytes,
                  bool report);

/// Reads an all-banks file into the four user banks, as ReadAllBanks; report also says whether
/// a file that cannot be read is told to the person.
bool ReadAllBanksFile(TPatchContext& ctx, const TUserBanks& banks, const std::string& path,
                      bool report);

/// Loads an all-banks file chosen in a dialog; true when the banks were read.
bool LoadAllBanksDialog(TPatchContext& ctx, const TUserBanks& banks);

/// Saves the four user banks to an all-banks file chosen in a dialog; true when written.
bool SaveAllBanksDialog(TPatchContext& ctx, const TUserBanks& banks);

/// An entry for each patch of the four user banks that does not fit a file of the current
/// sizes; the all-banks writers refuse to write while there is one.
std::vector<std::string> UnfitPatches(const TUserBanks& banks);

/// The bytes of an all-banks file holding the four user banks, dumps as held.
std::vector<uint8_t> AllBanksBytes(const TPatchContext& ctx, const TUserBanks& banks);

/// Writes the four user banks, dumps as held, to one file (atomically); remembers it as the
/// all-banks file. An error box and false when the file could not be written.
bool WriteAllBanks(TPatchContext& ctx, const TUserBanks& banks, const std::string& path);

} // namespace velcora
