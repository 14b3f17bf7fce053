#include "SafeFile.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velcora {

namespace {

std::atomic<long long> GFailAfter{-1};

std::string ErrnoText(int err) {
    return std::strerror(err);
}

class TFd {
public:
    explicit TFd(int fd) : FFd(fd) {}
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    ~TFd() {
        if (FFd >= 0) {
            ::close(FFd);
        }
    }
    int Get() const { return FFd; }
    /// Closes now, so that a failing close is seen; false with errno set on failure.
    bool Close() {
        const int fd = FFd;
        FFd = -1;
        return ::close(fd) == 0;
    }

private:
    int FFd;
};

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
    size_t done = 0;
    const long long failAfter = GFailAfter.load();
    while (done < bytes.size()) {
        size_t chunk = bytes.size() - done;
        if (failAfter >= 0) {
            if (done >= static_cast<size_t>(failAfter)) {
                errno = ENOSPC;
                return false;
            }
            chunk = std::min(chunk, static_cast<size_t>(failAfter) - done);
        }
        const ssize_t n = ::write(fd, bytes.data() + done, chunk);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (failAfter >= 0 && bytes.empty()) {
        errno = ENOSPC;
        return false;
    }
    return true;
}

} // namespace

TFileRead ReadFilePrefix(const std::string& path, size_t maxBytes) {
    TFileRead r;
    TFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) {
        r.Error = ErrnoText(errno);
        return r;
    }
    struct stat st {};
    if (::fstat(fd.Get(), &st) != 0) {
        r.Error = ErrnoText(errno);
        return r;
    }
    if (S_ISDIR(st.st_mode)) {
        r.Error = ErrnoText(EISDIR);
        return r;
    }
    const size_t want =
        st.st_size > 0 ? std::min(maxBytes, static_cast<size_t>(st.st_size)) : maxBytes;
    // Regular files are read in one call; anything that reports no size is read in chunks.
    r.Bytes.resize(st.st_size > 0 ? want : std::min<size_t>(maxBytes, 65536));
    size_t done = 0;
    while (done < want) {
        if (done == r.Bytes.size()) {
            r.Bytes.resize(std::min(want, r.Bytes.size() * 2));
        }
        const ssize_t n = ::read(fd.Get(), r.Bytes.data() + done, r.Bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            r.Error = ErrnoText(errno);
            r.Bytes.clear();
            return r;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    r.Bytes.resize(done);
    r.Ok = true;
    return r;
}

TPendingFile::TPendingFile(const std::string& target, std::span<const uint8_t> bytes)
    : FTarget(target) {
    std::string temp = target + ".XXXXXX";
    TFd fd(::mkstemp(temp.data()));
    if (fd.Get() < 0) {
        FError = ErrnoText(errno);
        return;
    }
    // mkstemp makes the file private; a saved file gets the usual permissions.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd.Get(), 0666 & ~mask);

    const bool written = WriteAll(fd.Get(), bytes) && ::fdatasync(fd.Get()) == 0;
    const int err = errno;
    const bool closed = fd.Close();
    if (!written || !closed) {
        FError = ErrnoText(written ? errno : err);
        ::unlink(temp.c_str());
        return;
    }
    FTemp = temp;
}

TPendingFile::~TPendingFile() {
    if (!FTemp.empty()) {
        ::unlink(FTemp.c_str());
    }
}

bool TPendingFile::Commit() {
    if (FTemp.empty()) {
        return false;
    }
    if (::rename(FTemp.c_str(), FTarget.c_str()) != 0) {
        FError = ErrnoText(errno);
        return false;
    }
    FTemp.clear();
    return true;
}

TFileWrite WriteFileAtomically(const std::string& path, std::span<const uint8_t> bytes) {
    TFileWrite w;
    TPendingFile file(path, bytes);
    w.Ok = file.Commit();
    w.Error = file.Error();
    return w;
}

TFileWrite RenameFile(const std::string& from, const std::string& to) {
    TFileWrite w;
    if (::rename(from.c_str(), to.c_str()) != 0) {
        w.Error = ErrnoText(errno);
        return w;
    }
    w.Ok = true;
    return w;
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string BackupName(const std::string& path) {
    const size_t sep = path.find_last_of("/\\");
    const size_t nameStart = sep == std::string::npos ? 0 : sep + 1;
    // A name shorter than three characters keeps all of them and gets "BAK" appended.
    const size_t keep = path.size() - nameStart >= 3 ? path.size() - 3 : path.size();
    std::string backup = path.substr(0, keep) + "BAK";
    // A name that already ends in "BAK" would be its own backup: renamed onto itself and then
    // overwritten, it would leave no backup at all. Letter case is ignored because to some
    // file systems "x.bak" and "x.BAK" are one file.
    const bool same =
        std::equal(backup.begin(), backup.end(), path.begin(), path.end(), [](char a, char b) {
            return std::toupper(static_cast<unsigned char>(a)) ==
                   std::toupper(static_cast<unsigned char>(b));
        });
    if (same) {
        backup = path + ".BAK";
    }
    return backup;
}

std::string FileNameOnly(const std::string& path) {
    const size_t sep = path.find_last_of("/\\");
    return sep == std::string::npos ? path : path.substr(sep + 1);
}

std::string FileBaseName(const std::string& path) {
    std::string name = FileNameOnly(path);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos) {
        name.resize(dot);
    }
    return name;
}

namespace test_hooks {
void FailWritesAfter(std::optional<size_t> bytes) {
    GFailAfter.store(bytes ? static_cast<long long>(*bytes) : -1);
}
} // namespace test_hooks

} // namespace velcora
