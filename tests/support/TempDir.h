#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace velcora::test {

/// A fresh folder for one test, removed with everything in it at the end.
class TTempDir {
public:
    TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;
    ~TTempDir();

    const std::string& Path() const { return FPath; }
    /// The path of a file in the folder.
    std::string File(const std::string& name) const { return FPath + "/" + name; }

private:
    std::string FPath;
};

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

/// A file of the real hardware dumps, or empty when the folder is not there.
std::string RealFixture(const std::string& name);

} // namespace velcora::test
