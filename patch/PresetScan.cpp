#include "PresetScan.h"

#include "Patchrec.h"

#include <algorithm>
#include <cstring>

namespace velcora {

namespace {

constexpr uint8_t SysexStart = 0xF0;
constexpr uint8_t SysexEnd = 0xF7;
constexpr int HeaderLength = TDumpSizes::HeaderSlot;

enum class TPacketKind { Other, Header, Data };

/// A preset dump packet of this family: F0 18 0F dd 55 10 and the sub-command (01 and 03
/// headers, 02 and 04 data packets, closed and open loop).
TPacketKind KindOf(std::span<const uint8_t> m) {
    if (m.size() < 9 || m[1] != 0x18 || m[2] != 0x0F || m[4] != 0x55 || m[5] != 0x10) {
        return TPacketKind::Other;
    }
    switch (m[6]) {
    case 0x01:
    case 0x03:
        return TPacketKind::Header;
    case 0x02:
    case 0x04:
        return TPacketKind::Data;
    default:
        return TPacketKind::Other;
    }
}

/// The data byte count a header announces, four 7-bit bytes, lowest first.
uint32_t AnnouncedBytes(std::span<const uint8_t> header) {
    uint32_t count = 0;
    for (int i = 3; i >= 0; --i) {
        count = count << 7 | (header[static_cast<size_t>(9 + i)] & 0x7F);
    }
    return count;
}

/// Follows one dump through its packets as the messages come.
struct TDumpTrack {
    enum class TState { Idle, Reading, Skipping };

    TState State = TState::Idle;
    TFoundDump Packets{};
    int Next = 0; ///< the packet expected next, 1..7
};

} // namespace

uint8_t PacketChecksum(std::span<const uint8_t> packet) {
    unsigned sum = 0;
    for (size_t i = 9; i + 2 < packet.size(); ++i) {
        sum += packet[i] & 0x7Fu;
    }
    return static_cast<uint8_t>(~sum & 0x7Fu);
}

bool PacketChecksumOk(std::span<const uint8_t> packet) {
    if (packet.size() < 11) {
        return false;
    }
    const uint8_t stored = packet[packet.size() - 2];
    if (stored == 0x7F) {
        return true;
    }
    return stored == PacketChecksum(packet);
}

TPresetScan ScanPresets(std::span<const uint8_t> bytes, const TDumpSizes& wanted,
                        const std::function<void(const TFoundDump&)>& found) {
    TPresetScan scan;
    TDumpTrack track;

    // A dump left unfinished by whatever comes between its packets is damaged, once: the
    // rest of its packets, should they follow, are skipped with it until the next header.
    auto closeDump = [&] {
        if (track.State == TDumpTrack::TState::Reading) {
            ++scan.Damaged;
            track.State = TDumpTrack::TState::Skipping;
        }
    };
    auto damage = [&] {
        if (track.State != TDumpTrack::TState::Skipping) {
            ++scan.Damaged;
        }
        track.State = TDumpTrack::TState::Skipping;
    };

    auto header = [&](std::span<const uint8_t> m) {
        closeDump();
        track.State = TDumpTrack::TState::Idle;
        // The header carries no checksum: its last bytes before F7 are the ROM id.
        if (m.size() != static_cast<size_t>(HeaderLength)) {
            damage();
            return;
        }
        if (AnnouncedBytes(m) != static_cast<uint32_t>(wanted.DataByteCount())) {
            // Its data packets belong to it and are skipped with it.
            ++scan.OtherModel;
            track.State = TDumpTrack::TState::Skipping;
            return;
        }
        track.State = TDumpTrack::TState::Reading;
        track.Packets[0] = m;
        track.Next = 1;
    };

    auto data = [&](std::span<const uint8_t> m) {
        if (track.State == TDumpTrack::TState::Skipping) {
            return;
        }
        if (track.State == TDumpTrack::TState::Idle) {
            damage(); // a data packet without its header
            return;
        }
        const int k = track.Next;
        if (m.size() != static_cast<size_t>(wanted.BlockSize(k)) || m[7] != k || m[8] != 0 ||
            !PacketChecksumOk(m)) {
            damage();
            return;
        }
        track.Packets[static_cast<size_t>(k)] = m;
        if (++track.Next == TDumpSizes::PacketCount) {
            ++scan.Presets;
            found(track.Packets);
            track.State = TDumpTrack::TState::Idle;
        }
    };

    size_t at = 0;
    const size_t n = bytes.size();
    while (at < n) {
        if (bytes[at] != SysexStart) {
            ++scan.StrayBytes;
            ++at;
            continue;
        }
        // The message runs to the first status byte after its F0; only F7 ends it whole.
        size_t end = at + 1;
        while (end < n && bytes[end] < 0x80) {
            ++end;
        }
        if (end >= n || bytes[end] != SysexEnd) {
            // A message cut short is damage, whatever it was meant to be.
            damage();
            at = end; // a following F0 starts the next message
            continue;
        }
        const auto m = bytes.subspan(at, end + 1 - at);
        switch (KindOf(m)) {
        case TPacketKind::Header:
            header(m);
            break;
        case TPacketKind::Data:
            data(m);
            break;
        case TPacketKind::Other:
            closeDump();
            ++scan.OtherSysex;
            break;
        }
        at = end + 1;
    }
    closeDump();
    return scan;
}

std::optional<std::vector<TLibraryRecord>> LibraryRecords(std::span<const uint8_t> bytes,
                                                          const TDumpSizes& sizes) {
    constexpr size_t CountBytes = 4;
    const auto total = static_cast<size_t>(sizes.TotalSize());
    if (bytes.size() < CountBytes || total == 0) {
        return std::nullopt;
    }
    const uint32_t raw = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                         static_cast<uint32_t>(bytes[2]) << 16 |
                         static_cast<uint32_t>(bytes[3]) << 24;
    // A SysEx file starts F0 xx xx xx: a count far beyond what the bytes could hold.
    if (raw == 0 || raw > (bytes.size() - CountBytes) / total) {
        return std::nullopt;
    }
    std::vector<TLibraryRecord> records(raw);
    size_t at = CountBytes;
    for (TLibraryRecord& record : records) {
        for (std::string_view& note : record.Notes) {
            const size_t window = std::min(bytes.size() - at, TPatchRec::MaxNoteLength + 1);
            const void* end = std::memchr(bytes.data() + at, 0, window);
            if (end == nullptr) {
                return std::nullopt;
            }
            const auto length =
                static_cast<size_t>(static_cast<const uint8_t*>(end) - (bytes.data() + at));
            note = std::string_view(reinterpret_cast<const char*>(bytes.data() + at), length);
            at += length + 1;
        }
        if (bytes.size() - at < total || bytes[at] != SysexStart) {
            return std::nullopt;
        }
        record.Dump = bytes.subspan(at, total);
        at += total;
    }
    if (at != bytes.size()) {
        return std::nullopt;
    }
    return records;
}

} // namespace velcora
