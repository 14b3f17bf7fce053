#include "DumpMaker.h"

#include <cstdio>
#include <random>

namespace velcora::test {

std::vector<uint8_t> MakeDump(const TDumpSizes& sizes, const TDumpSpec& made) {
    std::mt19937 rng(made.Seed);
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(sizes.TotalSize()));
    for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
        const int len = sizes.PacketSize(p);
        std::vector<uint8_t> packet(static_cast<size_t>(len), 0);
        packet[0] = 0xF0;
        packet[1] = made.Emu ? 0x18 : 0x41;
        packet[2] = made.Emu ? 0x0F : 0x10;
        packet[3] = made.DeviceId;
        packet[4] = 0x55;
        packet[5] = 0x10;
        if (p == 0) {
            packet[6] = 0x01;
            packet[7] = made.Low;
            packet[8] = made.High;
            int count = sizes.DataByteCount();
            for (int i = 9; i < 13; ++i) {
                packet[static_cast<size_t>(i)] = static_cast<uint8_t>(count & 0x7F);
                count >>= 7;
            }
            for (int i = 13; i < 33; ++i) {
                packet[static_cast<size_t>(i)] = static_cast<uint8_t>(rng() & 0x7F);
            }
        } else {
            packet[6] = 0x02;
            packet[7] = static_cast<uint8_t>(p);
            packet[8] = 0x00;
            for (int i = 9; i < len - 2; ++i) {
                packet[static_cast<size_t>(i)] = static_cast<uint8_t>(rng() & 0x7F);
            }
            if (p == 1) {
                std::string name = made.Name;
                name.resize(16, ' ');
                for (int i = 0; i < 16; ++i) {
                    packet[static_cast<size_t>(9 + i)] =
                        static_cast<uint8_t>(name[static_cast<size_t>(i)]);
                }
            }
        }
        unsigned sum = 0;
        for (int i = 9; i < len - 2; ++i) {
            sum += packet[static_cast<size_t>(i)];
        }
        packet[static_cast<size_t>(len - 2)] = static_cast<uint8_t>(~sum & 0x7F);
        packet[static_cast<size_t>(len - 1)] = 0xF7;
        out.insert(out.end(), packet.begin(), packet.end());
    }
    return out;
}

std::vector<std::vector<uint8_t>> MakeOpenLoopPackets(const TDumpSizes& sizes,
                                                      const TDumpSpec& made) {
    const std::vector<uint8_t> dump = MakeDump(sizes, made);
    std::vector<std::vector<uint8_t>> packets;
    size_t at = 0;
    for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
        const size_t len = static_cast<size_t>(sizes.PacketSize(p));
        packets.emplace_back(dump.begin() + static_cast<long>(at),
                             dump.begin() + static_cast<long>(at + len));
        at += len;
    }
    packets[0][6] = 0x03;
    return packets;
}

std::vector<uint8_t> MakeDumps(const TDumpSizes& sizes, int count, uint32_t seedBase) {
    std::vector<uint8_t> out;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Tst:Patch %03d", i);
        TDumpSpec made;
        made.Seed = seedBase + static_cast<uint32_t>(i);
        made.Name = name;
        made.Low = static_cast<uint8_t>(i % 128);
        Append(out, MakeDump(sizes, made));
    }
    return out;
}

void Append(std::vector<uint8_t>& to, const std::vector<uint8_t>& bytes) {
    to.insert(to.end(), bytes.begin(), bytes.end());
}

std::vector<uint8_t> LibraryBytes(int32_t count, const std::vector<TLibRecord>& records) {
    std::vector<uint8_t> out;
    const auto u = static_cast<uint32_t>(count);
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(u >> (8 * i)));
    }
    for (const auto& r : records) {
        for (const auto& note : r.Notes) {
            out.insert(out.end(), note.begin(), note.end());
            out.push_back(0);
        }
        Append(out, r.Dump);
    }
    return out;
}

std::vector<bool> StampedBytes(const TDumpSizes& sizes) {
    std::vector<bool> stamped(static_cast<size_t>(sizes.TotalSize()), false);
    size_t start = 0;
    for (int p = 0; p < TDumpSizes::PacketCount; ++p) {
        const size_t len = static_cast<size_t>(sizes.PacketSize(p));
        stamped[start + 3] = true;
        stamped[start + len - 2] = true;
        start += len;
    }
    for (size_t at : {7, 8, 33, 34}) {
        stamped[at] = true;
    }
    return stamped;
}

} // namespace velcora::test
