// The settings-file parser: any text reads without fault, and a key written into any text
// reads back as written. Input: section, key and value separated by 00 bytes, then the text.
#include "IniFile.h"

#include <cstdlib>
#include <string>
#include <string_view>

using namespace velcora;

namespace {

std::string_view Field(std::string_view& in) {
    const size_t end = in.find('\0');
    const std::string_view field = in.substr(0, end);
    in.remove_prefix(end == std::string_view::npos ? in.size() : end + 1);
    return field;
}

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view in(reinterpret_cast<const char*>(data), size);
    const std::string_view section = Field(in);
    const std::string_view key = Field(in);
    const std::string_view value = Field(in);
    const std::string_view text = in;

    (void)TIniFile::Lookup(text, section, key);
    (void)TIniFile::ParseInteger(value);
    if (!TIniFile::CanWrite(section, key, value)) {
        return 0;
    }
    const std::string updated = TIniFile::Update(text, section, key, value);
    const auto back = TIniFile::Lookup(updated, section, key);
    if (!back || *back != Trimmed(value)) {
        std::abort();
    }
    return 0;
}
