#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace velcora {

/// Leaves new elements uninitialised: a buffer that a read fills at once need not be zeroed
/// first (for a 30 MB library that halves the memory traffic of loading it).
template <typename T> struct TNoInitAllocator : std::allocator<T> {
    template <typename U> struct rebind { using other = TNoInitAllocator<U>; };
    TNoInitAllocator() = default;
    template <typename U> TNoInitAllocator(const TNoInitAllocator<U>&) {}
    template <typename U> void construct(U* p) { ::new (static_cast<void*>(p)) U; }
    template <typename U, typename... Args> void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

using TFileBytes = std::vector<uint8_t, TNoInitAllocator<uint8_t>>;

struct TFileRead {
    bool Ok = false;
    TFileBytes Bytes;
    std::string Error; ///< why the file could not be read, for the person
};

struct TFileWrite {
    bool Ok = false;
    std::string Error;
};

/// Reads at most maxBytes from the start of a file in one read: a reader never needs more
/// than the largest layout it understands, so a huge file costs no more than that.
TFileRead ReadFilePrefix(const std::string& path, size_t maxBytes);

/// A complete new file waiting beside its target: written to a temporary name in the
/// target's folder, renamed over the target by Commit, removed if never committed.
class TPendingFile {
public:
    /// Writes every byte and flushes it to disk; Ok() tells whether that worked.
    TPendingFile(const std::string& target, std::span<const uint8_t> bytes);
    TPendingFile(const TPendingFile&) = delete;
    TPendingFile& operator=(const TPendingFile&) = delete;
    ~TPendingFile();

    bool Ok() const { return !FTemp.empty(); }
    const std::string& Error() const { return FError; }
    /// Renames the new file over the target; false (the target untouched) on failure.
    bool Commit();

private:
    std::string FTarget;
    std::string FTemp;
    std::string FError;
};

/// Writes the bytes to a temporary file in the same folder and renames it over path only
/// when every byte is on disk: a failure leaves an existing file exactly as it was.
TFileWrite WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes);

/// Renames from to to, replacing to when it exists.
TFileWrite RenameFile(const std::string& from, const std::string& to);

bool FileExists(const std::string& path);

/// The backup name of a file: its last three characters replaced by "BAK"; when that gives
/// the file's own name (ignoring letter case), the name with ".BAK" appended.
std::string BackupName(const std::string& path);

/// The file name without its folders, and without its extension.
std::string FileNameOnly(const std::string& path);
std::string FileBaseName(const std::string& path);

namespace test_hooks {
/// Makes the next atomic writes fail after the given number of bytes, as a full disk
/// would; nullopt restores normal writing. For tests only.
void FailWritesAfter(std::optional<size_t> bytes);
} // namespace test_hooks

} // namespace velcora
