#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace velcora {

/// Reads a file's bytes held in memory the way the file readers walk a file: a position
/// that can be moved, and reads that never run past the end.
class TByteReader {
public:
    explicit TByteReader(std::span<const uint8_t> bytes) : FBytes(bytes) {}

    size_t Size() const { return FBytes.size(); }
    size_t Position() const { return FPos; }
    size_t Remaining() const { return FBytes.size() - FPos; }
    bool AtEnd() const { return FPos >= FBytes.size(); }
    void Seek(size_t pos) { FPos = pos < FBytes.size() ? pos : FBytes.size(); }

    /// Copies exactly dest.size() bytes and advances; false (nothing copied, position kept)
    /// when fewer remain.
    bool ReadExact(std::span<uint8_t> dest) {
        if (dest.size() > Remaining()) {
            return false;
        }
        if (!dest.empty()) {
            std::memcpy(dest.data(), FBytes.data() + FPos, dest.size());
        }
        FPos += dest.size();
        return true;
    }

    /// The bytes from the position on, without moving.
    std::span<const uint8_t> Rest() const { return FBytes.subspan(FPos); }
    void Skip(size_t n) { Seek(FPos + n); }

private:
    std::span<const uint8_t> FBytes;
    size_t FPos = 0;
};

/// Collects the bytes of a file before it is written in one piece.
class TByteWriter {
public:
    void Write(std::span<const uint8_t> bytes) {
        FBytes.insert(FBytes.end(), bytes.begin(), bytes.end());
    }
    void WriteByte(uint8_t b) { FBytes.push_back(b); }
    void Reserve(size_t n) { FBytes.reserve(n); }
    const std::vector<uint8_t>& Bytes() const { return FBytes; }

private:
    std::vector<uint8_t> FBytes;
};

} // namespace velcora
