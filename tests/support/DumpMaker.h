#pragma once

#include "DumpSizes.h"

#include <cstdint>
#include <string>
#include <vector>

// Made-up preset dumps and library files, for tests and benchmarks alike.
namespace velcora::test {

/// What a made-up preset dump looks like; the data bytes come from the seed.
struct TDumpSpec {
    uint32_t Seed = 1;
    std::string Name = "Pad:Warm Strings";
    uint8_t DeviceId = 0;
    uint8_t Low = 0;
    uint8_t High = 0;
    bool Emu = true; ///< false: framed like a dump but without the E-mu and Proteus ids
};

/// One preset dump, framed for the sizes, with real checksums.
std::vector<uint8_t> MakeDump(const TDumpSizes& sizes, const TDumpSpec& made = {});
/// The dump's eight messages as the synth sends them unasked (open loop, sub-header 03h).
std::vector<std::vector<uint8_t>> MakeOpenLoopPackets(const TDumpSizes& sizes,
                                                      const TDumpSpec& made = {});
/// count dumps back to back, dump i with seed seedBase + i and the name "Tst:Patch nnn".
std::vector<uint8_t> MakeDumps(const TDumpSizes& sizes, int count, uint32_t seedBase = 1);
void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes);

/// Which bytes of one dump the program stamps when it writes or sends it: the device id and
/// the checksum of every packet, the preset number and header bytes 33-34.
std::vector<bool> StampedBytes(const TDumpSizes& sizes);

/// One record of a library file.
struct TLibRecord {
    std::string Notes[3];
    std::vector<uint8_t> Dump;
};
std::vector<uint8_t> LibraryBytes(int32_t count, const std::vector<TLibRecord>& records);

} // namespace velcora::test
