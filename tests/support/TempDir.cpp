#include "TempDir.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <stdlib.h>

namespace velcora::test {

TTempDir::TTempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "velcora-test-XXXXXX").string();
    if (::mkdtemp(tmpl.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    FPath = tmpl;
}

TTempDir::~TTempDir() {
    std::error_code ec;
    // A test may have left a folder without write permission behind.
    for (auto& entry : std::filesystem::recursive_directory_iterator(FPath, ec)) {
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
    }
    std::filesystem::permissions(FPath, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(FPath, ec);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::string RealFixture(const std::string& name) {
    const std::string path = std::string(VELCORA_REAL_FIXTURES) + "/" + name;
    return std::filesystem::exists(path) ? path : std::string();
}

} // namespace velcora::test
